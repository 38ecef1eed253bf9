// Fuzz target: a QIF file as the import command reads it: its lines, the account lists and cash
// sections, the pairing of moves, the amount and date checks, and the writing of groups,
// accounts and move pairs into a database made by the program's own creation (in memory).
//
// The import command itself shows a notice and writes nothing when it refuses the file;
// everything else it writes. Invariants beyond the
// sanitizers':
// 1. Reading and pairing raise nothing; a refused file names its notice; every move is paired.
// 2. Every statement the import builds from the file's text is accepted by the engine.
// 3. What is written is every move once as a pair whose rows name each other and agree on date,
//    number and note, with the accounts' names and the moves' notes as the file holds them.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/qif_import.h"
#include "fuzz/fuzz_support.h"

using namespace qm;
using qmfuzz::Require;

namespace {

// Rows whose twin is missing or does not point back.
const char* const kHalfPairs =
    "select m.id from bill_move m where not exists (select 1 from bill_move t where t.id = "
    "m.bill_move_id and t.bill_move_id = m.id and t.src_bill_id = m.dest_bill_id and "
    "t.dest_bill_id = m.src_bill_id and t.ts = m.ts and t.num = m.num and t.note = m.note)";

std::vector<AnsiString> Column(TSQLiteDatabase& db, const AnsiString& sql) {
    std::vector<AnsiString> values;
    for (auto t = db.GetTable(sql); !t->Eof(); t->Next()) values.push_back(t->FieldAsString(0));
    std::sort(values.begin(), values.end());
    return values;
}

std::vector<AnsiString> Sorted(std::vector<AnsiString> values) {
    std::sort(values.begin(), values.end());
    return values;
}

// Each account gets a type in turn, as a user might assign them in the mapping dialog.
std::array<std::vector<int>, 3> Types(const TImportAccounts& accounts) {
    std::array<std::vector<int>, 3> items;
    for (size_t i = 0; i < accounts.size(); ++i) items[i % 3].push_back(static_cast<int>(i));
    return items;
}

void CheckWritten(TSQLiteDatabase& db, const TImportAccounts& accounts) {
    Require(db.GetTable(kHalfPairs)->Eof(), "every written move row has its twin");
    std::vector<AnsiString> names, notes;
    for (const TImportAccount& a : accounts) {
        names.push_back(AnsiToUtf8(a.Name));
        for (const TImportMove& m : a.Moves) notes.push_back(AnsiToUtf8(m.Note));
    }
    Require(Column(db, "select name from bill where bill_id <> 0") == Sorted(names),
            "the accounts are written with the file's names");
    Require(Column(db, "select note from bill_move") == Sorted(notes),
            "every move is written once on each side, with its note");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    qmfuzz::AbortOnDatabaseFailure();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The import command's own reading: a file it refuses must say why, with its notice.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TImportAccounts accounts;
    TQifRefusal refusal;
    // A program showing dates month first reads "12/31/2004" month first; the size picks.
    if (!ReadQifText(bytes, "Uncategorized", size % 2 == 1, accounts, refusal)) {
        Require(refusal.Entry == 176 || refusal.Entry == 177, "a refused file gets its notice");
        return 0;
    }
    for (const TImportAccount& a : accounts)
        for (const TImportMove& m : a.Moves)
            Require(m.PairAccount >= 0 && m.PairMove >= 0, "every move is paired");
    auto db = qmfuzz::NewProgramDatabase();
    WriteQifImport(*db, accounts, Types(accounts), 1, "20260315", PeriodFilter{});
    CheckWritten(*db, accounts);
    return 0;
}
