// The QIF import writes its moves through one prepared statement with its values bound. The rows
// must be exactly those the import wrote with every value spelled into its own statement: the
// same numbers of the same storage class, the same rates, texts and twins. That writing is kept
// below as the reference; both write the same file, read by hand, into files of their own.
#include <gtest/gtest.h>

#include <QAction>
#include <QProgressBar>
#include <QTimer>
#include <fstream>

#include "app/exchange/qif_import.h"
#include "app/program/all_forms.h"
#include "app/store/database_file.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "dialogs/qif_mapping_dialog.h"
#include "platform/filedialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

// --- The reference: every value written into the statement's text. ---

AnsiString WithoutSign(const AnsiString& amount) {
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : amount;
}

AnsiString ReferenceRate(const AnsiString& mine, const AnsiString& twin) {
    if (!mine.empty() && mine[0] == '-')
        return "1.0*" + WithoutSign(twin) + "/" + WithoutSign(mine);
    return "1.0*" + mine + "/" + WithoutSign(twin);
}

AnsiString ReferenceInsert(int src, int dest, const TImportMove& m, const AnsiString& amount,
                           const AnsiString& rate, int twin) {
    return "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,"
           "bill_move_id) values (" +
           IntToStr(src) + ", " + IntToStr(dest) + ", '" + m.Date + "', '" + SqlText(m.Num) +
           "', '" + SqlText(m.Note) + "', " + amount + ", " + rate + ", " + IntToStr(twin) + ")";
}

void ReferenceWrite(TSQLiteDatabase& db, TImportAccounts& accounts,
                    const std::array<std::vector<int>, 3>& typeItems, const AnsiString& today) {
    TSQLiteTransaction transaction(db);
    std::vector<int> groups;
    for (int t = 1; t <= 3; ++t) {
        const std::vector<int>& items = typeItems[t - 1];
        if (items.empty()) continue;
        const int64_t position =
            db.GetTable("select max(position) from bill where bill_type_id = " + IntToStr(t))
                ->FieldAsInteger(0) +
            1;
        db.ExecSQL(
            "insert into bill (isopen,twosign,ts,currency_id,bill_id,bill_type_id,position,name) "
            "values (1,'FF','" +
            today + "',1,0," + IntToStr(t) + "," + IntToStr(position) + ",'Import')");
        const int group =
            static_cast<int>(db.GetTable("select max(id) from bill")->FieldAsInteger(0));
        groups.push_back(group);
        for (size_t k = 0; k < items.size(); ++k) {
            TImportAccount& account = accounts.at(items[k]);
            account.Id = group + static_cast<int>(k) + 1;
            db.ExecSQL(
                "insert into bill (twosign,ts,currency_id,bill_id,bill_type_id,position,name) "
                "values ('FF','" +
                today + "',1," + IntToStr(group) + "," + IntToStr(t) + "," +
                IntToStr(static_cast<int64_t>(k) + 1) + ",'" + SqlText(account.Name) + "')");
        }
    }
    int n = static_cast<int>(db.GetTable("select max(id) from bill_move")->FieldAsInteger(0)) + 1;
    for (TImportAccount& account : accounts)
        for (TImportMove& m : account.Moves) {
            if (m.PairAccount < 0) continue;
            TImportAccount& other = accounts.at(m.PairAccount);
            TImportMove& twin = other.Moves.at(m.PairMove);
            const AnsiString rate = ReferenceRate(m.Amount, twin.Amount);
            db.ExecSQL(ReferenceInsert(account.Id, other.Id, m, m.Amount, rate, n + 1));
            db.ExecSQL(ReferenceInsert(other.Id, account.Id, m, twin.Amount, rate, n));
            n += 2;
            twin.PairAccount = twin.PairMove = -1;
            m.PairAccount = m.PairMove = -1;
        }
    for (const TImportAccount& account : accounts) CalcBillAmount(db, IntToStr(account.Id), {});
    for (int group : groups) CalcBillAmount(db, IntToStr(group), {});
    transaction.Commit();
}

// Every column of every row with its storage class.
std::string Dump(TSQLiteDatabase& db, const char* table) {
    std::string out;
    auto columns = db.GetTable(AnsiString("PRAGMA TABLE_INFO(") + table + ")");
    AnsiString select = "select ";
    for (; !columns->Eof(); columns->Next())
        select += "typeof(" + columns->FieldAsString(1) + ") || ':' || quote(" +
                  columns->FieldAsString(1) + "), ";
    auto rows = db.GetTable(select + "1 from " + table + " order by id");
    for (; !rows->Eof(); rows->Next()) {
        for (int c = 0; c + 1 < rows->ColCount(); ++c) out += rows->FieldAsString(c) + " ";
        out += "\n";
    }
    return out;
}

}  // namespace

TEST(QifWrite, RowsAreThoseOfEveryValueWrittenIntoItsStatement) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    // Amounts in every shape the check lets through, texts with quotes and accented letters.
    std::string qif =
        "!Account\nNCash\n^\nNBank's\n^\nNCard\n^\n!Account\nNCash\n^\n!Type:Cash\n"
        "D01/01'05\nT0.00\nL[Cash]\n^\n";
    const char* amounts[] = {"12.50", "-3",   "1e2",  "+5",       "007.5",     "5.",
                             ".5",    "-0",   "-0.0", "1,234.50", "0.125",     "-99999999999.99",
                             "2.675", "1E-3", "-.25", "250",      "1,000,000", "33.333333"};
    int i = 0;
    for (const char* amount : amounts) {
        qif += "D01/0" + std::to_string(1 + i % 9) + "'05\nN" + (i % 3 ? std::to_string(i) : "") +
               "\nM" + (i % 2 ? "It's \xE9t\xE9" : "Shop") + "\nT" + amount + "\nL[" +
               (i % 4 == 3 ? "Card" : "Bank's") + "]\n^\n";
        ++i;
    }
    // Card's own section names some of the moves back, so that they pair with their twins there.
    qif +=
        "!Account\nNCard\n^\n!Type:Cash\nD01/01'05\nT0.00\nL[Card]\n^\n"
        "D01/04'05\nN\nMIt's \xE9t\xE9\nT-4.5\nL[Cash]\n^\n";
    TImportAccounts read;
    TQifRefusal refusal;
    ASSERT_TRUE(ReadQifText(qif, "Uncategorized", false, read, refusal))
        << refusal.Entry << " " << QifRefusalDetail(refusal);
    const std::array<std::vector<int>, 3> types = {std::vector<int>{2}, std::vector<int>{0},
                                                   std::vector<int>{1}};
    TImportAccounts mine = read, reference = read;
    {
        auto db = CreateDatabaseFile("new.dat", "Income", "Assets", "Spending");
        WriteQifImport(*db, mine, types, 1, "20260101", {});
    }
    {
        auto db = CreateDatabaseFile("reference.dat", "Income", "Assets", "Spending");
        ReferenceWrite(*db, reference, types, "20260101");
    }
    TSQLiteDatabase written("new.dat"), expected("reference.dat");
    const std::string moves = Dump(expected, "bill_move");
    EXPECT_EQ(Dump(written, "bill_move"), moves);
    EXPECT_EQ(Dump(written, "bill"), Dump(expected, "bill"));
    // Whole numbers and reals among the amounts; rates of 1, none (0/0) and one in between.
    for (const char* kind : {"integer:-3 ", "real:12.5 ", "text:'1.0' ", "null:NULL "})
        EXPECT_NE(moves.find(kind), std::string::npos) << kind;
    EXPECT_EQ(written.GetTable("select count(distinct kurs) from bill_move")->FieldAsInteger(0), 2);
    EXPECT_EQ(written.GetTable("select count(*) from bill_move")->FieldAsInteger(0),
              2 * static_cast<int64_t>(std::size(amounts)));
}

// An import through the command shows the progress bar while it reads and while it writes, lets
// the window paint and run its timers, and hides the bar when done.
struct QifWriteWindow : qmtest::HouseholdWindow {
    QifWriteWindow() { start = {0, 0}; }
};

TEST_F(QifWriteWindow, AnImportShowsItsProgressAndKeepsTheWindowAlive) {
    CreateDatabaseFile("./Quillmarsh.dat", "Income", "Assets", "Spending");
    Start();
    form->show();
    std::string qif =
        "!Account\nNCash\n^\nNCard\n^\n!Account\nNCash\n^\n!Type:Cash\n"
        "D01/01'05\nT0.00\nL[Cash]\n^\n";
    for (int i = 0; i < 3000; ++i)
        qif += "D01/0" + std::to_string(1 + i % 9) + "'05\nN" + std::to_string(i) + "\nMShop\nT-" +
               std::to_string(1 + i % 50) + ".25\nL[Card]\n^\n";
    std::ofstream("moves.qif", std::ios::binary) << qif;
    SetFileDialogHook(
        [](const FileDialogRequest&) { return std::vector<std::filesystem::path>{"moves.qif"}; });
    std::vector<int> positions, reading;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });
    bool timerRan = false, barShown = false;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm17&>(f);
        reading.swap(positions);
        while (d.ListBox2->Items().Count() > 0) {
            d.ListBox2->SetItemIndex(0);
            d.SpeedButton1Click();
        }
        QTimer::singleShot(0, [&] {
            timerRan = true;
            barShown = form->ProgressBar1->isVisible();
        });
        d.Button1->Click();
    });
    form->Action(5)->trigger();
    SetFileDialogHook({});
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), 6000);
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(barShown);
    // Reading: decoded, parsed, paired, checked.
    EXPECT_TRUE(std::is_sorted(reading.begin(), reading.end()));
    ASSERT_FALSE(reading.empty());
    EXPECT_EQ(reading.back(), 3);
    EXPECT_GE(positions.size(), 2u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(form->ProgressBar1->maximum(), 3000 + 2 + 1);  // pairs, accounts, the group
    EXPECT_FALSE(form->ProgressBar1->isVisible());
}
