// Writes the seed inputs that the program itself makes: a small household file built through
// the program's own creation and stores, its QIF export in each date format, and attachment
// values as the attached files dialog stores them. The seeds under corpus/ were made with it;
// run it again (build target make_seeds) when one of those formats changes:
//     make_seeds fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/account_store.h"
#include "app/attached_files.h"
#include "app/balances.h"
#include "app/database_file.h"
#include "app/move_store.h"
#include "app/qif_export.h"
#include "app/window_formats.h"
#include "fuzz/fuzz_support.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const AnsiString& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<TAttachedFiles> AttachmentValues() {
    TAttachedFiles one, three, coded;
    one.Add("receipt.txt", "Groceries 12,50\r\n");
    three.Add("scan.png", AnsiString("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    three.Add("empty.dat", "");
    three.Add("notes.txt", "two\x02 marks\x03 inside\x01 the data");
    coded.Add("Caf\xe9 bill.pdf", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    return {one, three, coded};
}

// Groups and accounts in each tree, moves between them with texts that need quoting and
// converting, and attached files on two moves.
void FillHousehold(TSQLiteDatabase& db) {
    const int work = InsertGroup(db, {"Work", 1, 1, false});
    const int salary = InsertAccount(db, {"Salary", 1, work, 1, true, false});
    const int money = InsertGroup(db, {"Money", 2, 1, false});
    const int wallet = InsertAccount(db, {"Wallet", 2, money, 1, true, false});
    const int bank = InsertAccount(db, {"Bank", 2, money, 1, true, false});
    const int food = InsertGroup(db, {"Food", 3, 1, false});
    const int cafe = InsertAccount(db, {"Caf\xe9s", 3, food, 1, true, false});
    const int shop = InsertAccount(db, {"Groceries", 3, food, 1, true, true});
    InsertMovePair(db, bank, salary, {"20260102", "1", "January salary", "2500.00", "-2500.00"});
    InsertMovePair(db, wallet, bank, {"20260105", "", "Cash", "400.00", "-400.00"});
    const int dinner =
        InsertMovePair(db, wallet, cafe, {"20260214", "7", "Dinner at Jo's", "-48.90", "48.90"});
    InsertMovePair(db, wallet, shop, {"20260228", "", "", "-0.05", "0.05"});
    const int shopping = InsertMovePair(db, bank, shop,
                                        {"20261231", "12/3",
                                         "Weekly shop \xab"
                                         "bio\xbb",
                                         "-1234.56", "1234.56"});
    const std::vector<TAttachedFiles> values = AttachmentValues();
    WriteAttachedFiles(db, dinner + 1, values[0].Value());
    WriteAttachedFiles(db, shopping + 1, values[1].Value());
    for (int id : {salary, wallet, bank, cafe, shop}) CalcBillAmount(db, IntToStr(id), {});
    for (int id : {work, money, food}) CalcBillAmount(db, IntToStr(id), {});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS-FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    qmfuzz::UseProgramSettings();
    const fs::path file = qmfuzz::ScratchFolder() / "household.dat";
    {
        auto db = CreateDatabaseFile(file.string(), "Income", "Assets", "Spending");
        FillHousehold(*db);
    }
    fs::copy_file(file, out / "layout_check" / "program-household.dat",
                  fs::copy_options::overwrite_existing);
    TSQLiteDatabase db(file.string());
    for (int index = 1; index <= 4; ++index) {
        const AnsiString format = DateFormatOf(index);
        ApplyProcessDateFormat(index);
        Write(out / "qif_import" / ("program-export-" + std::to_string(index) + ".qif"),
              QifExportText(db, format, EncodeDate(2026, 3, 15)));
    }
    int n = 0;
    for (const TAttachedFiles& v : AttachmentValues())
        Write(out / "attached_files" / ("program-value-" + std::to_string(++n)), v.Value());
    return 0;
}
