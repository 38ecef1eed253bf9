// The program's own indexes: a file made in the tables' layout alone gets them on its first
// start and is still the same file to the layout check; the ledger, the balances and a new
// period read the same from it with and without them; and a large file gets them after the
// window shows, with the progress bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "app/store/database_file.h"
#include "app/store/ledger_buffer.h"
#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

std::string Sqlite3(const std::string& file, const std::string& sql) {
    std::string out;
    qmtest::RunCommand("sqlite3 " + file + " \"" + sql + "\" 2>&1", &out);
    return out;
}

// A household written by the engine's own shell in the tables' layout, with no index. Account 2
// has three moves whose sum in extended precision depends on the order they are added in: in id
// order (as the engine walks the table) 1E16, 0.01, -1E16; in date order 1E16, -1E16, 0.01.
void MakeFileByHand(const std::string& file) {
    const std::string script =
        "CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT, "
        "budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts "
        "TEXT, isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, "
        "name TEXT, position NUMERIC);"
        "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
        "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT, "
        "files BLOB);"
        "CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT);"
        "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name "
        "TEXT, ts TEXT, kurs_str TEXT);"
        "CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT);"
        "INSERT INTO currency VALUES (1,'TEST',1,'TEST','20100212141230','1');"
        "INSERT INTO bill_type VALUES (1,'Income'); INSERT INTO bill_type VALUES (2,'Assets');"
        "INSERT INTO bill_type VALUES (3,'Spending');"
        "INSERT INTO bill (twosign, budget, amount, currency_id, isopen, bill_type_id, bill_id, "
        "id, name, position) VALUES ('FF', 0, 0, 1, 1, 2, 0, 1, 'Money', 1), "
        "('TF', 0, 0, 1, 1, 2, 1, 2, 'Odd', 1), ('TF', 0, 0, 1, 1, 2, 1, 3, 'Bank', 2);"
        "INSERT INTO bill_move VALUES ('1', 2, '', 1e16, 3, 1, 'a', 2, '20100101', NULL),"
        "('1', 1, '', -1e16, 2, 2, 'a', 3, '20100101', NULL),"
        "('1', 4, '', 0.01, 3, 3, 'b', 2, '20100103', NULL),"
        "('1', 3, '', -0.01, 2, 4, 'b', 3, '20100103', NULL),"
        "('1', 6, '', -1e16, 3, 5, 'c', 2, '20100102', NULL),"
        "('1', 5, '', 1e16, 2, 6, 'c', 3, '20100102', NULL);";
    ASSERT_EQ(qmtest::RunCommand("sqlite3 " + file + " \"" + script + "\""), 0);
}

struct Figures {
    AnsiString amounts, period, rows;
};

// What the window shows and stores from the file behind `db`: the ledger of account 2, its
// stored balance, and every balance for a period.
Figures Read(TSQLiteDatabase& db) {
    Figures f;
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = 2;
    tab.BillTypeId = 2;
    LoadBuffer(db, tab, "20261207");
    for (const TBillMoveRow& row : BuildDisplayedRows(tab, {}, 0, "07.12.2026"))
        for (size_t c = 0; c < 7; ++c) f.rows += row.Cells.Text(c) + (c < 6 ? "|" : "\n");
    auto bills = [&] {
        AnsiString out;
        for (auto t = db.GetTable("select id, amount from bill order by id"); !t->Eof(); t->Next())
            out += t->FieldAsString(0) + "=" + t->FieldAsString(1) + " ";
        return out;
    };
    CalcBillAmount(db, "2", {});
    CalcBillAmount(db, "3", {});
    f.amounts = bills();
    RecalculateAllBalances(db, {true, "20100101", "20100103"}, {});
    f.period = bills();
    return f;
}

// The window starts on a file made by hand, as start-up leaves it: no size, no dialogs.
struct ProgramIndexes : qmtest::HouseholdWindow {
    ProgramIndexes() : HouseholdWindow(2026, 12, 7) {
        start = {.width = 0, .height = 0, .dialogs = false};
    }
};

}  // namespace

TEST_F(ProgramIndexes, AFileMadeByHandGetsThemOnceAndStaysTheSameFile) {
    MakeFileByHand("Quillmarsh.dat");
    EXPECT_EQ(Sqlite3("Quillmarsh.dat", "select count(*) from sqlite_master where type='index'"),
              "0\n");
    int built = 0;
    SetSchemaStepObserver(
        [&](const AnsiString& sql) { built += sql.find("INDEX") != AnsiString::npos; });
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_FALSE(form->DatabaseBusy());  // a small file gets them at once
    EXPECT_TRUE(CheckLayout(*DB).matches);
    Close();
    EXPECT_EQ(built, 2);
    EXPECT_EQ(Sqlite3("Quillmarsh.dat",
                      "select name from sqlite_master where type='index' order "
                      "by name"),
              "bill_move_by_account\nbill_move_with_files\n");
    EXPECT_EQ(Sqlite3("Quillmarsh.dat", "pragma integrity_check"), "ok\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    Close();
    EXPECT_EQ(built, 2);  // once
    SetSchemaStepObserver({});
    // The engine's own shell still reads the tables as they were written.
    EXPECT_EQ(Sqlite3("Quillmarsh.dat", "select id, amount from bill_move order by id limit 3"),
              "1|10000000000000000\n2|-10000000000000000\n3|0.01\n");
}

TEST_F(ProgramIndexes, AFileReadsTheSameWithAndWithoutThem) {
    MakeFileByHand("plain.dat");
    std::filesystem::copy_file("plain.dat", "indexed.dat");
    Figures plain, indexed;
    {
        TSQLiteDatabase db("plain.dat");
        plain = Read(db);
        EXPECT_TRUE(MissingIndexes(db).size() == 2);
    }
    {
        TSQLiteDatabase db("indexed.dat");
        EnsureIndexes(db);
        EXPECT_TRUE(MissingIndexes(db).empty());
        // The engine hands account 2's moves over through the index, in date order.
        EXPECT_NE(Sqlite3("indexed.dat",
                          "explain query plan select id, amount, ts from bill_move where "
                          "src_bill_id = 2")
                      .find("bill_move_by_account"),
                  std::string::npos);
        indexed = Read(db);
    }
    EXPECT_EQ(indexed.rows, plain.rows);
    EXPECT_EQ(indexed.amounts, plain.amounts);
    EXPECT_EQ(indexed.period, plain.period);
    // Whole hundredths add up exactly in whatever order the moves come: the hundredth between
    // the two amounts of 1E16 is neither lost nor cut to the precision beside them.
    EXPECT_NE(plain.amounts.find("2=0,01 "), AnsiString::npos) << plain.amounts;
    EXPECT_NE(plain.period.find("2=0,01 "), AnsiString::npos) << plain.period;
}

TEST_F(ProgramIndexes, ALargeFileGetsThemAfterTheWindowShowsWithTheProgressBar) {
    MakeFileByHand("Quillmarsh.dat");
    {
        TSQLiteDatabase db("Quillmarsh.dat");
        db.ExecSQL(
            "WITH RECURSIVE n(i) AS (SELECT 7 UNION ALL SELECT i + 1 FROM n WHERE i < 120006) "
            "INSERT INTO bill_move (kurs, bill_move_id, num, amount, dest_bill_id, id, note, "
            "src_bill_id, ts) SELECT '1', i, '', 1, 3, i, 'n', 3, '20100105' FROM n");
        // The ledger of account 2 is the current tab.
        db.ExecSQL("insert into param (name, value) values ('head-bill-001', '2:1')");
        db.ExecSQL("insert into param (name, value) values ('head-index', '1')");
    }
    std::vector<bool> barShown;
    ASSERT_NO_FATAL_FAILURE(Start());
    SetSchemaStepObserver(
        [&](const AnsiString&) { barShown.push_back(form->ProgressBar1->isVisible()); });
    EXPECT_TRUE(form->DatabaseBusy());
    EXPECT_EQ(MissingIndexes(*DB).size(), 2u);
    // Until they are built the window paints without reading the file.
    form->resize(900, 500);
    form->show();
    form->FormPaint();
    EXPECT_TRUE(CurrentTab().BufRows.empty());
    for (int i = 0; i < 1000 && form->DatabaseBusy(); ++i)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    SetSchemaStepObserver({});
    EXPECT_FALSE(form->DatabaseBusy());
    EXPECT_TRUE(MissingIndexes(*DB).empty());
    EXPECT_EQ(barShown, std::vector<bool>({true, true}));
    EXPECT_TRUE(form->ProgressBar1->isHidden());
    EXPECT_EQ(CurrentTab().BufRows.size(), 3u);  // painted from the file once they were there
    EXPECT_TRUE(CheckLayout(*DB).matches);
}
