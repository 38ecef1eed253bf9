// The fuzz targets' shared set-up.
#include "fuzz/fuzz_support.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/database_file.h"
#include "app/window_formats.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"

namespace qmfuzz {
namespace {

struct Scratch {
    std::filesystem::path path;
    Scratch() {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
        path = base / ("qm-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// The schema and seed rows of a new file, made once by the program's own creation, copied into
// a fresh in-memory database for every input.
const std::filesystem::path& TemplateFile() {
    static const std::filesystem::path file = [] {
        const std::filesystem::path f = ScratchFolder() / "template.dat";
        qm::CreateDatabaseFile(f.string(), "Income", "Assets", "Spending");
        return f;
    }();
    return file;
}

}  // namespace

void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "Broken invariant: %s\n", what);
    std::abort();
}

void Require(bool ok, const char* what, const AnsiString& detail) {
    if (ok) return;
    // Control bytes (a NUL cuts a message short) and bytes above ASCII are shown as \xNN.
    std::string shown;
    for (unsigned char c : detail) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        shown += c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c)) : hex;
    }
    std::fprintf(stderr, "Broken invariant: %s [%s]\n", what, shown.c_str());
    std::abort();
}

void UseProgramSettings(int dateFormatIndex) {
    qm::SetInterfaceCodePage("CP1252");
    qm::SetClockForTests(qm::EncodeDate(2026, 3, 15) + 0.5);
    qm::SetSystemShortDateFormatForTests("dd.MM.yyyy");
    qm::ApplyProcessDateFormat(dateFormatIndex);
    qm::FormatSettings().DecimalSeparator = ',';
    qm::SetMessageBoxHook([](QWidget*, const AnsiString& text, const AnsiString&, int) -> int {
        Require(false, "a message box was asked for", text);
        return qm::IDOK;
    });
}

void ThrowOnDatabaseFailure() {
    qm::TSQLiteDatabase::SetFailureHandler([](const qm::ESQLiteException& e) { throw e; });
}

void AbortOnDatabaseFailure() {
    qm::TSQLiteDatabase::SetFailureHandler(
        [](const qm::ESQLiteException& e) { Require(false, "a statement failed", e.Message); });
}

const std::filesystem::path& ScratchFolder() {
    static Scratch scratch;
    return scratch.path;
}

std::unique_ptr<qm::TSQLiteDatabase> NewProgramDatabase() {
    const std::filesystem::path& source = TemplateFile();
    auto db = std::make_unique<qm::TSQLiteDatabase>(":memory:");
    sqlite3* from = nullptr;
    Require(sqlite3_open_v2(source.c_str(), &from, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK,
            "the template database opens");
    sqlite3_backup* copy = sqlite3_backup_init(db->Handle(), "main", from, "main");
    Require(copy != nullptr, "the template database is copied");
    sqlite3_backup_step(copy, -1);
    Require(sqlite3_backup_finish(copy) == SQLITE_OK, "the template database is copied whole");
    sqlite3_close(from);
    return db;
}

bool Verbose() {
    static const bool verbose = std::getenv("QM_FUZZ_VERBOSE") != nullptr;
    return verbose;
}

}  // namespace qmfuzz
