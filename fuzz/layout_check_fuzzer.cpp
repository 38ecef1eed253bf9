// Fuzz target: the bytes of a database file as start-up meets it: opened by the database
// layer, its backup settings read, its layout checked and, where the check notes them, the
// upgrades run.
//
// A statement the engine refuses on a damaged file goes to the database-failure handler, which
// in the program tells the user and ends it; here it raises ESQLiteException, which ends the
// input. Invariants beyond the sanitizers':
// 1. Nothing but ESQLiteException leaves the layer, whatever the bytes.
// 2. A file that passes the check and gets its upgrades then passes it needing none, unless
//    the engine's own check finds its structure damaged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "app/database_file.h"
#include "fuzz/fuzz_support.h"

using namespace qm;
using qmfuzz::Require;

namespace {

const char* Start(const std::filesystem::path& file) {
    TSQLiteDatabase db(file.string());
    ReadBackupCount(db);
    ReadBackupDate(db, 46000);
    const LayoutCheck layout = CheckLayout(db);
    if (!layout.matches) return "refused by the layout check";
    const bool upgraded = layout.needUpgradeA || layout.needUpgradeB || layout.needUpgradeC;
    // As start-up runs them: A keeps a files column that the table already has.
    if (layout.needUpgradeA) RunUpgrade(db, 'A', !layout.needUpgradeB);
    if (layout.needUpgradeB) RunUpgrade(db, 'B');
    if (layout.needUpgradeC) RunUpgrade(db, 'C');
    const LayoutCheck after = CheckLayout(db);
    const bool current =
        after.matches && !after.needUpgradeA && !after.needUpgradeB && !after.needUpgradeC;
    if (!current && upgraded) {
        // A damaged structure (a page linked twice, say) can show a rebuilt table twice; start-up
        // checks again after its upgrades and refuses such a file. On a sound file the upgrades
        // must make the current layout.
        auto check = db.GetTable("PRAGMA quick_check");
        Require(check->Eof() || check->FieldAsString(0) != "ok",
                "an upgraded sound file has the current layout", after.signature);
        return "damaged, refused after its upgrades";
    }
    Require(current, "an accepted file has the current layout", after.signature);
    return upgraded ? "upgraded" : "accepted";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    qmfuzz::ThrowOnDatabaseFailure();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path file = qmfuzz::ScratchFolder() / "Quillmarsh.dat";
    std::error_code ec;
    std::filesystem::remove(file.string() + "-journal", ec);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Require(static_cast<bool>(out), "the input is written to the file");
    }
    const char* outcome;
    AnsiString message;
    try {
        outcome = Start(file);
    } catch (const ESQLiteException& e) {
        outcome = "ended by the database-failure exit";
        message = e.Message;
    }
    if (qmfuzz::Verbose()) std::fprintf(stderr, "%s %s\n", outcome, message.c_str());
    return 0;
}
