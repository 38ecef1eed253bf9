// libFuzzer target: the QIF reader through to the SQL it would write, against an in-memory
// database. Every file the reader accepts must be written without a database failure and leave
// every move pair whole; a refused file must say why.
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
//         -DQM_FUZZ=ON -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF
//   cmake --build build-fuzz -j4 --target qif_import_fuzz
//   build-fuzz/fuzz/qif_import_fuzz -max_total_time=600 -max_len=4096 CORPUS_DIR
#include <sqlite3.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/database_file.h"
#include "app/qif_import.h"

using namespace qm;

namespace {

// A database with the program's schema and seed rows, copied into each run's in-memory one.
TSQLiteDatabase* Template() {
    static std::unique_ptr<TSQLiteDatabase> db = [] {
        char folder[] = "/tmp/qif_import_fuzz.XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        const std::string file = std::string(folder) + "/Quillmarsh.dat";
        auto made = CreateDatabaseFile(file, "Income", "Assets", "Spending");
        // The file stays open; its name can go.
        std::filesystem::remove_all(folder);
        return made;
    }();
    return db.get();
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The program's own formats: decimal comma, day-first dates.
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    FormatSettings().DateSeparator = '.';
    SetInterfaceCodePage("CP1252");
    // A failing statement is what this target looks for: the program would end there.
    TSQLiteDatabase::SetFailureHandler(
        [](const ESQLiteException& e) { Fail("database failure", e.Message); });
    Template();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TImportAccounts accounts;
    TQifRefusal refusal;
    if (!ReadQifText(bytes, "Uncategorized", size % 2 == 1, accounts, refusal)) {
        if (refusal.Entry != 176 && refusal.Entry != 177)
            Fail("refused without a notice", std::to_string(refusal.Entry));
        return 0;
    }
    TSQLiteDatabase db(":memory:");
    sqlite3_backup* copy = sqlite3_backup_init(db.Handle(), "main", Template()->Handle(), "main");
    if (!copy || sqlite3_backup_step(copy, -1) != SQLITE_DONE) std::abort();
    sqlite3_backup_finish(copy);
    // Every account gets a type; the types take turns.
    std::array<std::vector<int>, 3> types;
    for (size_t i = 0; i < accounts.size(); ++i) types[i % 3].push_back(static_cast<int>(i));
    WriteQifImport(db, accounts, types, 1, "20260315", {});
    auto halves = db.GetTable(
        "select count(*) from bill_move a left join bill_move b on b.id = a.bill_move_id where "
        "b.id is null or b.bill_move_id <> a.id or b.src_bill_id <> a.dest_bill_id or "
        "b.dest_bill_id <> a.src_bill_id or b.ts <> a.ts or b.num <> a.num or b.note <> a.note");
    if (halves->FieldAsInteger(0) != 0) Fail("half a pair", bytes);
    return 0;
}
