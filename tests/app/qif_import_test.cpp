// QIF import: parsing lists and sections, pairing moves, checking amounts and dates, the mapping
// dialog, and whole imports through the command, down to the rows they write.
#include "app/exchange/qif_import.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QImage>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>

#include "app/commands/qif_import_commands.h"
#include "app/exchange/qif_export.h"
#include "app/program/all_forms.h"
#include "app/store/database_file.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "dialogs/qif_mapping_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

std::string Rows(TSQLiteDatabase& db, const AnsiString& sql) {
    std::string out;
    auto t = db.GetTable(sql);
    for (; !t->Eof(); t->Next()) {
        for (int c = 0; c < t->ColCount(); ++c) out += (c ? "|" : "") + t->FieldAsString(c);
        out += "\n";
    }
    return out;
}

// Rows whose twin is missing or does not point back.
const char* const kHalfPairs =
    "select m.id from bill_move m where not exists (select 1 from bill_move t where t.id = "
    "m.bill_move_id and t.bill_move_id = m.id and t.src_bill_id = m.dest_bill_id and "
    "t.dest_bill_id = m.src_bill_id and t.ts = m.ts and t.num = m.num and t.note = m.note)";

// Every move row by account names, sorted, so that two files can be compared.
const char* const kMovesByName =
    "select s.name, d.name, m.ts, m.num, m.note, m.amount || '' from bill_move m, bill s, bill d "
    "where s.id = m.src_bill_id and d.id = m.dest_bill_id order by 1, 2, 3, 4, 5, 6";

std::vector<AnsiString> Lines(const std::string& text) {
    return SplitQifLines(text);
}

void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

// Gives every account in ListBox2 the type `typeOf(name)` (1..3) and presses OK.
void AssignAll(TForm17& d, const std::function<int(const AnsiString&)>& typeOf) {
    while (d.ListBox2->Items().Count() > 0) {
        d.ComboBox1->SetItemIndex(typeOf(d.ListBox2->Items()[0]) - 1);
        d.ComboBox1Change();
        d.ListBox2->SetItemIndex(0);
        d.SpeedButton1Click();
    }
    d.Button1->Click();
}

}  // namespace

TEST(QifParse, ReadsAccountListsAndTheMovesOfEachKnownSection) {
    const auto accounts = ParseQif(
        Lines("!Option:AutoSwitch\r\n!Account\r\nNCash\r\nTCash\r\n^\r\nNCard\r\n^\r\n"
              "!Clear:AutoSwitch\r\n"
              "!ACCOUNT\nNCash\n^\n!type:Cash\nD01.02.2010\nU0.00\nT0.00\nL[Cash]\n^\n"
              "D12.02.2010\nN7\nMLunch\nU9\nT-12.50\nPpayee\nL[Card]\n^\n"
              "D13.02.2010\nT3\nLFood\n^\n"
              // An opening item naming an account no list named: the section is skipped.
              "!Account\nNCard\n^\n!Type:Bank\nL[Nobody]\n^\nD1.1.2010\nT5\nL[Cash]\n^\n"
              // An item cut off by the end of the file is dropped.
              "!Account\nNCard\n^\n!Type:Bank\nL[Card]\n^\nD2.2.2010\nT1\n^\nD3.3.2010\nT2\n"));
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].Name, "Cash");
    EXPECT_EQ(accounts[1].Name, "Card");
    ASSERT_EQ(accounts[0].Moves.size(), 2u);
    const TImportMove& lunch = accounts[0].Moves[0];
    EXPECT_EQ(lunch.Date, "12.02.2010");
    EXPECT_EQ(lunch.Num, "7");
    EXPECT_EQ(lunch.Note, "Lunch");
    EXPECT_EQ(lunch.Amount, "-12.50");
    EXPECT_EQ(lunch.Corr, "Card");
    EXPECT_EQ(lunch.PairAccount, -1);
    // A category that is no account leaves the correspondent empty.
    EXPECT_EQ(accounts[0].Moves[1].Corr, "");
    ASSERT_EQ(accounts[1].Moves.size(), 1u);
    EXPECT_EQ(accounts[1].Moves[0].Amount, "1");

    // "!Account" on the last line, an empty file and mixed line ends.
    EXPECT_TRUE(ParseQif(Lines("x\n!Account")).empty());
    EXPECT_TRUE(ParseQif({}).empty());
    EXPECT_EQ(Lines("a\r\nb\rc\n\nd"), (std::vector<AnsiString>{"a", "b", "c", "", "d"}));
}

TEST(QifParse, PairsEveryMoveOnceWithItsCounterpart) {
    auto move = [](const char* date, const char* num, const char* note, const char* amount,
                   const char* corr) {
        return TImportMove{date, num, note, amount, corr};
    };
    TImportAccounts accounts(3);
    accounts[0].Name = "Cash";
    accounts[1].Name = "Bank";
    accounts[2].Name = "Shop";
    accounts[0].Moves = {move("1.1.10", "", "", "-10", "Bank"),     // 0
                         move("1.1.10", "", "", "-20", "Shop"),     // 1
                         move("2.1.10", "", "Gift", "5", ""),       // 2 Uncategorized
                         move("3.1.10", "", "", "-7", "Landlord"),  // 3 unknown
                         move("4.1.10", "1", "x", "-1", "Bank"),    // 4 two of a kind,
                         move("4.1.10", "1", "x", "-2", "Bank"),    // 5 paired in order
                         move("5.1.10", "", "", "3", "Cash")};      // 6 booked on itself
    // The bank lists the shop's move first: same date, number and note, another account.
    accounts[1].Moves = {move("1.1.10", "", "", "20", "Shop"), move("1.1.10", "", "", "10", "Cash"),
                         move("4.1.10", "1", "x", "1", "Cash"),
                         move("4.1.10", "1", "x", "2", "Cash")};
    accounts[2].Moves = {move("1.1.10", "", "", "20", "Cash")};
    PairQifMoves(accounts, "Uncategorized");

    ASSERT_EQ(accounts.size(), 5u);
    const std::vector<size_t> counts = {accounts[0].Moves.size(), accounts[1].Moves.size(),
                                        accounts[2].Moves.size(), accounts[3].Moves.size(),
                                        accounts[4].Moves.size()};
    ASSERT_EQ(counts, (std::vector<size_t>{8, 4, 2, 1, 1}));
    EXPECT_EQ(accounts[3].Name, "Uncategorized");
    EXPECT_EQ(accounts[4].Name, "Landlord");
    auto pairOf = [&](int a, int m) {
        const TImportMove& x = accounts[a].Moves[m];
        return std::make_pair(x.PairAccount, x.PairMove);
    };
    EXPECT_EQ(pairOf(0, 0), std::make_pair(1, 1));  // not the bank's first, which names the shop
    EXPECT_EQ(pairOf(0, 1), std::make_pair(2, 0));
    // The bank's move naming the shop finds the shop's one move taken: it gets its own twin.
    EXPECT_EQ(pairOf(1, 0), std::make_pair(2, 1));
    EXPECT_EQ(pairOf(0, 4), std::make_pair(1, 2));
    EXPECT_EQ(pairOf(0, 5), std::make_pair(1, 3));
    EXPECT_EQ(pairOf(0, 2), std::make_pair(3, 0));
    EXPECT_EQ(pairOf(0, 3), std::make_pair(4, 0));
    EXPECT_EQ(pairOf(0, 6), std::make_pair(0, 7));
    EXPECT_EQ(accounts[0].Moves[2].Corr, "Uncategorized");
    const TImportMove& made = accounts[4].Moves[0];
    EXPECT_EQ(made.Amount, "7");
    EXPECT_EQ(made.Corr, "Cash");
    EXPECT_EQ(made.Date, "3.1.10");
    EXPECT_EQ(accounts[3].Moves[0].Amount, "-5");
    EXPECT_EQ(accounts[0].Moves[7].Amount, "-3");
    EXPECT_EQ(accounts[2].Moves[1].Amount, "-20");
    EXPECT_EQ(accounts[2].Moves[1].Corr, "Bank");
    // Pairing is mutual everywhere.
    for (size_t a = 0; a < accounts.size(); ++a)
        for (size_t m = 0; m < accounts[a].Moves.size(); ++m) {
            const auto [b, k] = pairOf(static_cast<int>(a), static_cast<int>(m));
            ASSERT_GE(b, 0) << a << "/" << m;
            EXPECT_EQ(pairOf(b, k), std::make_pair(static_cast<int>(a), static_cast<int>(m)));
        }
}

TEST(QifParse, ChecksAmountsAndReadsDatesInFourStyles) {
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5};
    auto convert = [](const AnsiString& date, const AnsiString& amount, AnsiString* out = nullptr,
                      bool monthFirst = false) {
        TImportAccounts accounts(1);
        accounts[0].Moves.push_back({date, "", "", amount, ""});
        const bool ok = ConvertQifMoves(accounts, monthFirst);
        if (out) *out = accounts[0].Moves[0].Date + " " + accounts[0].Moves[0].Amount;
        // The process formats are back whatever happened.
        EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.MM.yyyy");
        EXPECT_EQ(FormatSettings().DateSeparator, '.');
        return ok;
    };
    AnsiString out;
    ASSERT_TRUE(convert("12/31'04", "1,234.50", &out));
    EXPECT_EQ(out, "20041231 1234.50");
    ASSERT_TRUE(convert("31/12/2004", "-0.05", &out));
    EXPECT_EQ(out, "20041231 -0.05");
    ASSERT_TRUE(convert("31.12.2004", "7", &out));
    EXPECT_EQ(out, "20041231 7");
    ASSERT_TRUE(convert("2004-12-31", " 1,000,000 ", &out));
    EXPECT_EQ(out, "20041231 1000000");
    ASSERT_TRUE(convert(" 1/ 5' 4", "2", &out));  // blanks padding the fields
    EXPECT_EQ(out, "20040105 2");
    ASSERT_TRUE(convert("5/1/98", "2", &out));
    EXPECT_EQ(out, "19980105 2");

    // A program that shows dates month first reads "/" dates month first.
    ASSERT_TRUE(convert("12/31/2004", "1", &out, true));
    EXPECT_EQ(out, "20041231 1");
    EXPECT_FALSE(convert("31/12/2004", "1", nullptr, true));
    ASSERT_TRUE(convert("31.12.2004", "1", &out, true));

    for (const char* amount : {"", "12,5x", "1.2.3", "- 5", "1e999", "5); drop table bill; --"})
        EXPECT_FALSE(convert("1.1.2010", amount)) << amount;
    for (const char* date : {"", "31/13/2004", "12/31/2004", "2004-02-30", "1..2004", "a.b.c"})
        EXPECT_FALSE(convert(date, "1")) << date;
}

namespace {

// The dialog on its own, over the window as start-up leaves it.
struct QifMappingDialog : HouseholdWindow {
    QifMappingDialog() { start = {.width = 0, .height = 0, .dialogs = true}; }
};

}  // namespace

TEST_F(QifMappingDialog, AssignsEveryAccountToOneType) {
    ASSERT_NO_FATAL_FAILURE(Open(0));
    TForm17& d = *Form17;
    EXPECT_EQ(d.Caption(), form->Ui(175));
    EXPECT_EQ(d.Label1->Caption(), form->Ui(0));
    EXPECT_EQ(d.Button1->Caption(), form->Ui(5));
    EXPECT_EQ(d.Button2->Caption(), form->Ui(6));
    EXPECT_EQ(d.SpeedButton1->Caption(), "<");
    EXPECT_EQ(d.SpeedButton2->Caption(), ">");
    ASSERT_EQ(d.ComboBox1->Items().Count(), 3);
    EXPECT_EQ(d.ComboBox1->Items()[2], form->Ui(91));

    auto listed = [](const TListBox& list) {
        std::vector<AnsiString> items;
        for (int i = 0; i < list.Items().Count(); ++i) items.push_back(list.Items()[i]);
        return items;
    };
    using Names = std::vector<AnsiString>;
    ScriptedBoxes boxes;
    driver.Then([&](TForm&) {
        EXPECT_EQ(d.Tag, 0);
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 0);
        d.ListBox2->SetItemIndex(1);  // B to the first type
        d.SpeedButton1Click();
        EXPECT_EQ(listed(*d.ListBox1), Names{"B"});
        EXPECT_EQ(listed(*d.ListBox2), (Names{"A", "C", "D"}));
        EXPECT_EQ(d.FreeItems, (std::vector<int>{0, 2, 3}));
        d.ComboBox1->SetItemIndex(2);  // C to the third
        d.ComboBox1Change();
        EXPECT_TRUE(listed(*d.ListBox1).empty());
        d.ListBox2->SetItemIndex(1);
        d.ListBox2->OnDblClick();
        d.ListBox2->SetItemIndex(0);  // A too, then back: it goes to the end of the list
        d.SpeedButton1Click();
        EXPECT_EQ(listed(*d.ListBox1), (Names{"C", "A"}));
        d.ListBox1->SetItemIndex(1);
        d.SpeedButton2Click();
        EXPECT_EQ(listed(*d.ListBox2), (Names{"D", "A"}));
        EXPECT_EQ(d.FreeItems, (std::vector<int>{3, 0}));
        // Nothing selected: only the focus moves.
        d.SpeedButton1Click();
        d.SpeedButton2Click();
        EXPECT_EQ(d.FreeItems.size(), 2u);
        // OK with accounts left keeps the dialog open.
        boxes.Answer(IDOK, form->Ui(178));
        d.Button1->Click();
        EXPECT_EQ(d.Tag, 0);
        EXPECT_EQ(d.ModalResult(), mrNone);
        d.ComboBox1->SetItemIndex(0);
        d.ComboBox1Change();
        EXPECT_EQ(listed(*d.ListBox1), Names{"B"});
        d.ComboBox1->SetItemIndex(1);
        d.ComboBox1Change();
        d.ListBox2->SetItemIndex(0);
        d.SpeedButton1Click();
        d.ListBox2->SetItemIndex(0);
        d.SpeedButton1Click();
        const char* shots = std::getenv("QM_SCREENSHOT_DIR");
        const QImage shot = d.grab().toImage();
        EXPECT_EQ(shot.size(), d.size());
        if (shots && *shots) shot.save(QString(shots) + "/qif_mapping_dialog.png");
        d.Button1->Click();
    });
    d.FreeItems = {0, 1, 2, 3};
    for (const char* name : {"A", "B", "C", "D"}) d.ListBox2->Items().Add(name);
    d.ShowModal();
    EXPECT_EQ(d.Tag, 1);
    EXPECT_EQ(d.TypeItems[0], std::vector<int>{1});
    EXPECT_EQ(d.TypeItems[1], (std::vector<int>{3, 0}));
    EXPECT_EQ(d.TypeItems[2], std::vector<int>{2});
    EXPECT_EQ(d.TypeNames[1], (Names{"D", "A"}));

    // A new showing starts empty; Cancel after assigning leaves Tag 0.
    driver.Then([&](TForm&) {
        EXPECT_TRUE(d.TypeItems[1].empty());
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        d.ListBox2->SetItemIndex(0);
        d.SpeedButton1Click();
        d.Button2->Click();
    });
    d.FreeItems = {0};
    d.ListBox2->Items().Clear();
    d.ListBox2->Items().Add("A");
    d.ShowModal();
    EXPECT_EQ(d.Tag, 0);
}

namespace {

struct QifImportCommand : HouseholdWindow {
    void TearDown() override {
        SetFileDialogHook({});
        TSQLiteDatabase::SetFailureHandler({});
        HouseholdWindow::TearDown();
    }
    // Runs the import command on `file`, answering the open dialog.
    void Import(const std::string& file) {
        SetFileDialogHook([file](const FileDialogRequest& r) {
            EXPECT_FALSE(r.save);
            EXPECT_EQ(r.title, Form1->Ui(172));
            EXPECT_EQ(r.filter, "*.qif|*.qif");
            return std::vector<std::filesystem::path>{file};
        });
        Action5Execute(*form);
    }
    std::string Db(const AnsiString& sql) { return Rows(*DB, sql); }
};

const char* const kHandWritten =
    "!Account\r\nNCash\r\nTCash\r\n^\r\nNCard\r\nTBank\r\n^\r\nNStranger\r\n^\r\n"
    "!Account\r\nNCash\r\n^\r\n!Type:Cash\r\nD03/15'26\r\nT0.00\r\nL[Cash]\r\n^\r\n"
    "D12/31'04\r\nN1\r\nMShop\r\nU-1,234.50\r\nT-1,234.50\r\nL[Card]\r\n^\r\n"
    "D31/12/2004\r\nN2\r\nMGift from Ann's aunt\r\nT25\r\n^\r\n"
    "D31.12.2004\r\nN3\r\nMRent\r\nT-700.00\r\nL[Landlord]\r\n^\r\n"
    "D2004-12-29\r\nN5\r\nMSwap\r\nT-100\r\nL[Card]\r\n^\r\n"
    "!Account\r\nNCard\r\n^\r\n!Type:Bank\r\nD1.1.2004\r\nL[Card]\r\n^\r\n"
    "D12/31'04\r\nN1\r\nMShop\r\nT1,234.50\r\nL[Cash]\r\n^\r\n"
    "D2004-12-30\r\nN4\r\nMRefund\r\nT10\r\nL[Cash]\r\n^\r\n"
    "D2004-12-29\r\nN5\r\nMSwap\r\nT250\r\nL[Cash]\r\n^\r\n"
    "!Account\r\nNStranger\r\n^\r\n!Type:Cash\r\nD1.1.2004\r\nL[Nobody]\r\n^\r\n"
    "D1.1.2004\r\nN9\r\nMLost\r\nT5\r\nL[Cash]\r\n^\r\n";

}  // namespace

TEST_F(QifImportCommand, WritesGroupsAccountsPairsAndBalances) {
    Start();
    WriteFile("hand.qif", kHandWritten);
    ModalDriver driver;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm17&>(f);
        std::vector<AnsiString> names;
        for (int i = 0; i < d.ListBox2->Items().Count(); ++i)
            names.push_back(d.ListBox2->Items()[i]);
        EXPECT_EQ(names,
                  (std::vector<AnsiString>{"Cash", "Card", "Stranger", form->Ui(174), "Landlord"}));
        AssignAll(
            d, [](const AnsiString& n) { return n == "Landlord" || n == "Uncategorized" ? 3 : 2; });
    });
    // The first import through the menu: the command is bound and always available.
    EXPECT_TRUE(form->Action(5)->isEnabled());
    SetFileDialogHook(
        [](const FileDialogRequest&) { return std::vector<std::filesystem::path>{"hand.qif"}; });
    form->Action(5)->trigger();
    const AnsiString main = IntToStr(form->MainCurrencyId);
    EXPECT_EQ(Db("select id, bill_id, bill_type_id, position, name, twosign, isopen, ts, "
                 "currency_id, amount || '' from bill order by id"),
              "1|0|2|1|Import|FF|1|20260315|" + main + "|-525\n" + "2|1|2|1|Cash|FF||20260315|" +
                  main + "|-2019.5\n" + "3|1|2|2|Card|FF||20260315|" + main + "|1494.5\n" +
                  "4|1|2|3|Stranger|FF||20260315|" + main + "|0\n" +
                  "5|0|3|1|Import|FF|1|20260315|" + main + "|675\n" +
                  "6|5|3|1|Uncategorized|FF||20260315|" + main + "|-25\n" +
                  "7|5|3|2|Landlord|FF||20260315|" + main + "|700\n");
    EXPECT_EQ(Db("select id, src_bill_id, dest_bill_id, ts, num, note, amount || '', kurs, "
                 "bill_move_id from bill_move order by id"),
              "1|2|3|20041231|1|Shop|-1234.5|1.0|2\n"
              "2|3|2|20041231|1|Shop|1234.5|1.0|1\n"
              "3|2|6|20041231|2|Gift from Ann's aunt|25|1.0|4\n"
              "4|6|2|20041231|2|Gift from Ann's aunt|-25|1.0|3\n"
              "5|2|7|20041231|3|Rent|-700|1.0|6\n"
              "6|7|2|20041231|3|Rent|700|1.0|5\n"
              "7|2|3|20041229|5|Swap|-100|2.5|8\n"
              "8|3|2|20041229|5|Swap|250|2.5|7\n"
              "9|2|3|20041230|4|Refund|-10|1.0|10\n"
              "10|3|2|20041230|4|Refund|10|1.0|9\n");
    EXPECT_EQ(Db(kHalfPairs), "");

    // A second import goes after everything of its type (the accounts' positions count too).
    driver.Then([&](TForm& f) {
        AssignAll(static_cast<TForm17&>(f), [](const AnsiString&) { return 2; });
    });
    WriteFile("small.qif",
              "!Account\nNPurse\n^\n!Type:Cash\nL[Purse]\n^\nD1.2.2005\nT-1\nL[Cash]\n^\n");
    Import("small.qif");
    EXPECT_EQ(Db("select id, bill_id, position, name from bill where id > 7 order by id"),
              "8|0|4|Import\n9|8|1|Purse\n10|8|2|Cash\n");
    EXPECT_EQ(Db("select id, src_bill_id, amount || '', bill_move_id from bill_move where id > 10"),
              "11|9|-1|12\n12|10|1|11\n");
}

TEST_F(QifImportCommand, AFileTheExportWroteReadsBackCompletely) {
    SeedHousehold(30);
    std::map<AnsiString, int> types;
    std::string original, balances;
    const char* const kBalances =
        "select name, amount || '' from bill where bill_id > 0 order by name";
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        auto t = db.GetTable("select name, bill_type_id from bill where bill_id > 0");
        for (; !t->Eof(); t->Next())
            types[t->FieldAsString(0)] = static_cast<int>(t->FieldAsInteger(1));
        original = Rows(db, kMovesByName);
        balances = Rows(db, kBalances);
    }
    for (const char* format : {"dd.MM.yyyy", "yyyy-MM-dd", "MM/dd/yyyy", "dd/MM/yyyy"}) {
        SCOPED_TRACE(format);
        Start();
        form->DateFormat = format;
        UseProgramFormats(format);
        SetFileDialogHook([](const FileDialogRequest&) {
            return std::vector<std::filesystem::path>{"house.qif"};
        });
        {
            ScriptedBoxes replace;
            if (std::filesystem::exists("house.qif")) replace.Answer(IDYES);
            form->Action6Execute();
        }
        Close();
        std::filesystem::rename("Quillmarsh.dat", "household.dat");
        Start();
        form->DateFormat = format;  // the same user reads the file back
        ScriptedBoxes noNotice;     // any notice fails the test
        ModalDriver driver;
        driver.Then([&](TForm& f) {
            auto& d = static_cast<TForm17&>(f);
            EXPECT_EQ(d.ListBox2->Items().Count(), static_cast<int>(types.size()));
            AssignAll(d, [&](const AnsiString& name) { return types.at(name); });
        });
        Import("house.qif");
        // Every move stands in both sections of the file, and is written once as a pair.
        EXPECT_EQ(Db(kMovesByName), original);
        EXPECT_EQ(Db(kHalfPairs), "");
        EXPECT_EQ(Db("select count(*) from bill where bill_id = 0 and name = 'Import'"), "3\n");
        EXPECT_EQ(Db(kBalances), balances);
        EXPECT_EQ(Db("select amount || '' from bill where name = 'Wallet'"), "-495.95\n");
        Close();
        std::filesystem::remove("Quillmarsh.dat");
        std::filesystem::rename("household.dat", "Quillmarsh.dat");
    }
}

TEST_F(QifImportCommand, RefusedFilesAndCancelWriteNothing) {
    Open(2);
    const std::string before = Db("select * from bill order by id") + Db("select * from bill_move");
    ModalDriver driver;  // the mapping dialog must not be shown but where said
    {
        ScriptedBoxes boxes;
        FormatSettings().ShortDateFormat = "dd.MM.yyyy";
        // A wrong amount stops everything, also the moves before it.
        WriteFile("bad.qif",
                  "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD1.1.2020\nT5\nL[B]\n^\n"
                  "D2.1.2020\nT12,5x\nL[B]\n^\n");
        boxes.Answer(IDOK, form->Ui(177));
        Import("bad.qif");
        EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.MM.yyyy");
        EXPECT_EQ(FormatSettings().DateSeparator, '.');
        WriteFile("date.qif", "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD31.02.2020\nT5\nL[B]\n^\n");
        boxes.Answer(IDOK, form->Ui(177));
        Import("date.qif");
        WriteFile("empty.qif", "!Type:Cash\nD1.1.2020\nT5\n^\n");
        boxes.Answer(IDOK, form->Ui(176));
        Import("empty.qif");
        boxes.Answer(IDOK, form->Ui(177));
        Import("missing.qif");
        std::filesystem::create_directory("folder.qif");
        boxes.Answer(IDOK, form->Ui(177));
        Import("folder.qif");
        EXPECT_EQ(boxes.asked().size(), 5u);
    }
    // Cancel in the mapping dialog.
    WriteFile("good.qif", "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD1.1.2020\nT5\nL[B]\n^\n");
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm17&>(f);
        d.ListBox2->SetItemIndex(0);
        d.SpeedButton1Click();
        d.Button2->Click();
    });
    Import("good.qif");
    // A cancelled open dialog.
    SetFileDialogHook(
        [](const FileDialogRequest&) { return std::vector<std::filesystem::path>{}; });
    form->Action(5)->trigger();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);
}

TEST_F(QifImportCommand, AFailureWhileWritingLeavesNothingHalfWritten) {
    Open(2);
    const std::string before = Db("select * from bill order by id") + Db("select * from bill_move");
    TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
    DB->ExecSQL(
        "create trigger stop before insert on bill_move when new.note = 'boom' begin select "
        "raise(abort, 'stop'); end");
    WriteFile("boom.qif",
              "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD1.1.2020\nMfine\nT5\nL[B]\n^\n"
              "D2.1.2020\nMboom\nT6\nL[B]\n^\n");
    ModalDriver driver;
    driver.Then(
        [](TForm& f) { AssignAll(static_cast<TForm17&>(f), [](const AnsiString&) { return 2; }); });
    EXPECT_THROW(Import("boom.qif"), ESQLiteException);
    DB->ExecSQL("drop trigger stop");
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);

    // Accounts the caller left without a type are refused before anything is written.
    TImportAccounts accounts(2);
    accounts[0].Name = "X";
    accounts[1].Name = "Y";
    EXPECT_THROW(WriteQifImport(*DB, accounts, {{{0}, {}, {}}}, 1, "20260315", {}), Exception);
    EXPECT_THROW(WriteQifImport(*DB, accounts, {{{0, 1}, {1}, {}}}, 1, "20260315", {}), Exception);
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);
}

TEST(QifParse, RefusesDecimalCommasAndAmountsAtTheLedgersLimit) {
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5};
    auto amountOf = [](const AnsiString& amount) {
        TImportAccounts accounts(1);
        accounts[0].Moves.push_back({"1.1.2010", "", "", amount, ""});
        return ConvertQifMoves(accounts) ? accounts[0].Moves[0].Amount : AnsiString("refused");
    };
    // Thousands groups of three in the whole part only; just below 10^12 either way.
    EXPECT_EQ(amountOf("-12,345,678.9"), "-12345678.9");
    EXPECT_EQ(amountOf("+999,999,999,999.99"), "+999999999999.99");
    EXPECT_EQ(amountOf("-9.99e11"), "-9.99e11");
    // A decimal comma must not make a hundredfold amount, nor a European amount a small one;
    // a ledger cell refuses 10^12, and 20 digits made a balance that was no SQL number.
    for (const char* amount :
         {"12,50", "1.234,50", ",5", "1,", "1,2345", "1234,567", "1,234,56", "1000000000000",
          "-1,000,000,000,000", "-11111111111111111111.00", "1e12"})
        EXPECT_EQ(amountOf(amount), "refused") << amount;
}

namespace {

// The published format as other programs write it: an account list under AutoSwitch, one
// section per account with an opening balance of zero, payees, cleared marks, CR LF line ends.
const char* const kOtherProgram =
    "!Option:AutoSwitch\r\n!Account\r\nNChecking\r\nTBank\r\nDEveryday\r\n^\r\n"
    "NSavings\r\nTBank\r\n^\r\n!Clear:AutoSwitch\r\n"
    "!Account\r\nNChecking\r\nTBank\r\n^\r\n!Type:Bank \r\nD1/ 1'04\r\nU0.00\r\nT0.00\r\nC*\r\n"
    "POpening Balance\r\nL[Checking]\r\n^\r\n"
    "D1/ 5'04\r\nU-1,000.00\r\nT-1,000.00\r\nCX\r\nN101\r\nPTransfer\r\nMrainy day\r\n"
    "A12 High Street\r\nL[Savings]\r\n^\r\n"
    "!Account\r\nNSavings\r\nTBank\r\n^\r\n!Type:Bank\r\nD1/ 1'04\r\nT0.00\r\nL[Savings]\r\n^\r\n"
    "D1/ 5'04\r\nT1,000.00\r\nN101\r\nMrainy day\r\nL[Checking]\r\n^\r\n"
    "D2/ 1'04\r\nT2.50\r\nMinterest\r\nL\r\n^\r\n\x1A";

}  // namespace

TEST_F(QifImportCommand, ImportsTheFilesOfOtherProgramsItCanCarry) {
    Start();
    WriteFile("other.qif", kOtherProgram);
    ModalDriver driver;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm17&>(f);
        EXPECT_EQ(d.ListBox2->Items().Count(), 3);
        AssignAll(d, [](const AnsiString&) { return 2; });
    });
    Import("other.qif");
    EXPECT_EQ(Db(kMovesByName),
              "Checking|Savings|20040105|101|rainy day|-1000\n"
              "Savings|Checking|20040105|101|rainy day|1000\n"
              "Savings|" +
                  form->Ui(174) + "|20040201||interest|2.5\n" + form->Ui(174) +
                  "|Savings|20040201||interest|-2.5\n");
    EXPECT_EQ(Db(kHalfPairs), "");
}

// Each of these files holds something the import would drop or bend; it is refused, naming the
// first such line, and nothing is written.
TEST_F(QifImportCommand, RefusesWhatItCannotCarryFaithfully) {
    Open(2);
    const std::string before = Db("select * from bill order by id") + Db("select * from bill_move");
    const std::string head = "!Account\r\nNChecking\r\nTBank\r\n^\r\nNSavings\r\nTBank\r\n^\r\n";
    const std::string checking =
        "!Account\r\nNChecking\r\n^\r\n!Type:Bank\r\nD1/1'04\r\nT0\r\n"
        "L[Checking]\r\n^\r\n";  // lines 8 to 15
    const std::string move = "D1/5'04\r\nT-100.00\r\nPShop\r\n";
    struct Case {
        const char* what;
        std::string file;
        AnsiString line;  // "Line n \"text\""
    };
    const std::vector<Case> cases = {
        // A split payment and its transfer line would count one amount twice.
        {"split",
         head + checking + move + "L[Savings]\r\nSFood\r\nEweekly\r\n$-60.00\r\n" +
             "S[Savings]\r\n$-40.00\r\n^\r\n",
         "Line 20 \"SFood\""},
        {"investment section after a list",
         head + "!Account\r\nNBroker\r\nTInvst\r\n^\r\n!Type:Invst\r\nD1/5'04\r\nNBuy\r\n"
                "YACME\r\nI10\r\nQ5\r\nT50\r\n^\r\n",
         "Line 12 \"!Type:Invst\""},
        {"investment section after a cash section",
         head + checking + move + "L[Savings]\r\n^\r\n!Type:Invst\r\nD1/5'04\r\nNSell\r\n^\r\n",
         "Line 21 \"!Type:Invst\""},
        {"a category list", "!Type:Cat\r\nNFood\r\nE\r\n^\r\n" + head + checking,
         "Line 1 \"!Type:Cat\""},
        // "^^" item ends: check numbers would become accounts and every move would be lost.
        {"items ended by ^^",
         "!Account\r\nNChecking\r\nTBank\r\n^^\r\n!Type:Bank\r\nD1/"
         "1'04\r\nT0\r\nL[Checking]\r\n^^\r\n"
         "D1/5'04\r\nN1234\r\nT-5\r\nL[Savings]\r\n^^\r\n",
         "Line 4 \"^^\""},
        {"a last item without its ^", head + checking + move + "L[Savings]", "Line 16 \"D1/5'04\""},
        {"an item cut off by the next section",
         head + checking + move + "L[Savings]\r\n" + checking, "Line 16 \"D1/5'04\""},
        {"an account list item without its ^", "!Account\r\nNChecking\r\n!Type:Bank\r\n",
         "Line 2 \"NChecking\""},
        {"a category", head + checking + move + "LGroceries\r\n^\r\n", "Line 19 \"LGroceries\""},
        {"an opening balance",
         head + "!Account\r\nNChecking\r\n^\r\n!Type:Bank\r\nD1/1'04\r\n"
                "T1,500.00\r\nPOpening Balance\r\nL[Checking]\r\n^\r\n",
         "Line 13 \"T1,500.00\""},
        {"a section whose first item names no account",
         head + "!Account\r\nNChecking\r\n^\r\n!Type:Bank\r\n" + move + "^\r\n" + move +
             "L[Savings]\r\n^\r\n",
         "Line 11 \"!Type:Bank\""},
        {"a section no account list introduces",
         head + checking + "!Type:Bank\r\n" + move + "^\r\n", "Line 16 \"!Type:Bank\""},
        {"a transfer without its ]", head + checking + move + "L[Savings\r\n^\r\n",
         "Line 19 \"L[Savings\""},
        {"a field no cash item has", head + checking + move + "L[Savings]\r\nQ5\r\n^\r\n",
         "Line 20 \"Q5\""},
    };
    ModalDriver driver;  // the mapping dialog is never shown
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("refused.qif", c.file);
        ScriptedBoxes boxes;
        boxes.Answer(IDOK);
        Import("refused.qif");
        ASSERT_EQ(boxes.asked().size(), 1u);
        const AnsiString text = boxes.asked()[0].text;
        EXPECT_EQ(text.substr(0, form->Ui(177).size() + 1), form->Ui(177) + "\n");
        EXPECT_EQ(text.substr(form->Ui(177).size() + 1, c.line.size()), c.line) << text;
    }
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);
}

// A NUL cut the statement's text and a 20-digit amount gave a balance no SQL number: both ended
// the program. Such a file, and any control character in a stored text, is refused instead.
TEST_F(QifImportCommand, RefusesFilesThatWouldBreakTheStatements) {
    Open(2);
    TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
    const std::string before = Db("select * from bill order by id") + Db("select * from bill_move");
    const std::string opening = "!Type:Cash\nD1.1.2020\nT0\nL[A]\n^\n";
    struct Case {
        const char* what;
        std::string file;
        AnsiString detail;  // empty: the notice has no second line
    };
    const std::vector<Case> cases = {
        {"NUL in a note",
         "!Account\nNA\n^\n" + opening + "D2.1.2020\nMcut" + std::string(1, '\0') +
             "here\nT5\nL[B]\n^\n",
         "Line 10 \"Mcut?here\": the note holds a control character."},
        {"NUL in an account name",
         "!Account\nNA\n^\nNB" + std::string(1, '\0') + "\n^\n!Account\nNA\n^\n" + opening,
         "Line 4 \"NB?\": the account name holds a control character."},
        {"NUL in a correspondent",
         "!Account\nNA\n^\n" + opening + "D2.1.2020\nT5\nL[B" + std::string(1, '\0') + "]\n^\n",
         "Line 11 \"L[B?]\": the account name holds a control character."},
        {"escape in a number", "!Account\nNA\n^\n" + opening + "D2.1.2020\nN\x1b[2J\nT5\nL[B]\n^\n",
         "Line 10 \"N?[2J\": the number holds a control character."},
        {"a 20-digit amount",
         "!Account\nNA\n^\n" + opening + "D2.1.2020\nT-11111111111111111111.00\nL[B]\n^\n", ""},
        {"the ledger's limit",
         "!Account\nNA\n^\n" + opening + "D2.1.2020\nT1000000000000\nL[B]\n^\n", ""},
        // Longer than the dialogs' edit fields take: such a move could not be edited whole.
        {"a note longer than an edit field",
         "!Account\nNA\n^\n" + opening + "D2.1.2020\nM" + std::string(32768, 'x') +
             "\nT5\nL[B]\n^\n",
         "Line 10 \"M" + std::string(79, 'x') +
             "...\": the note is longer than 32767 characters, the most this program takes."},
        {"an account name longer than an edit field",
         "!Account\nNA\n^\nN" + std::string(2000000, 'n') + "\n^\n!Account\nNA\n^\n" + opening,
         "Line 4 \"N" + std::string(79, 'n') +
             "...\": the account name is longer than 32767 characters, the most this program "
             "takes."},
    };
    ModalDriver driver;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("hostile.qif", c.file);
        ScriptedBoxes boxes;
        boxes.Answer(IDOK, form->Ui(177) + (c.detail.empty() ? "" : "\n" + c.detail));
        Import("hostile.qif");
    }
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);

    // Tabs are text; just below the limit is an amount; a note as long as an edit field takes
    // is kept whole.
    WriteFile("fine.qif", "!Account\nNA\n^\n" + opening +
                              "D2.1.2020\nMa\tb\nT-999999999999.99\nL[B]\n^\nD3.1.2020\nM" +
                              std::string(32767, 'y') + "\nT1\nL[B]\n^\n");
    driver.Then(
        [](TForm& f) { AssignAll(static_cast<TForm17&>(f), [](const AnsiString&) { return 2; }); });
    Import("fine.qif");
    EXPECT_EQ(Db("select note, amount || '' from bill_move where note like 'a%' order by id"),
              "a\tb|-999999999999.99\na\tb|999999999999.99\n");
    EXPECT_EQ(Db("select length(note) from bill_move where note like 'y%'"), "32767\n32767\n");
}

// Texts the interface code page cannot hold are not turned into "?": the file is refused, naming
// the field and the line. A file written in UTF-8 is read as UTF-8.
TEST_F(QifImportCommand, KeepsEveryTextOrRefusesTheFile) {
    struct CodePage {
        AnsiString saved = InterfaceCodePage();
        ~CodePage() { SetInterfaceCodePage(saved); }
    } restore;
    SetInterfaceCodePage("CP1252");
    Start();
    const std::string before = Db("select * from bill order by id") + Db("select * from bill_move");
    const std::string opening = "!Type:Cash\nD1.1.2020\nT0\nL[Caf\xC3\xA9]\n^\n";
    struct Case {
        const char* what;
        std::string file;
        AnsiString detail;
    };
    const std::vector<Case> cases = {
        {"UTF-8 note beyond the code page",
         "!Account\nNCaf\xC3\xA9\n^\n" + opening + "D2.1.2020\nM\xD0\x94\xD0\xBE\xD0\xBC\nT5\n^\n",
         "Line 10 \"M???\": the note holds characters this program cannot store."},
        {"UTF-8 account name beyond the code page",
         "!Account\nNCaf\xC3\xA9\n^\nN\xE6\x9D\xB1\xE4\xBA\xAC\n^\n",
         "Line 4 \"N??\": the account name holds characters this program cannot store."},
        {"a correspondent beyond the code page",
         "!Account\nNCaf\xC3\xA9\n^\n" + opening + "D2.1.2020\nT5\nL[\xE2\x82\xB9 fund]\n^\n",
         "Line 11 \"L[? fund]\": the account name holds characters this program cannot store."},
        // 0x81 is no character of this code page: the file is no UTF-8 either.
        {"a byte the code page leaves undefined",
         "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD2.1.2020\nN\x81\xE9\nT5\n^\n",
         "Line 8 \"N\x81\xE9\": the number holds characters this program cannot store."},
    };
    ModalDriver driver;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("names.qif", c.file);
        ScriptedBoxes boxes;
        boxes.Answer(IDOK, form->Ui(177) + "\n" + c.detail);
        Import("names.qif");
    }
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_EQ(Db("select * from bill order by id") + Db("select * from bill_move"), before);

    // The same names in the code page, and in UTF-8 with and without the byte order mark, are
    // stored alike (the database holds UTF-8).
    const std::string utf8 = "!Account\nNCaf\xC3\xA9\n^\n" + opening +
                             "D2.1.2020\nM\xC2\xA3 5\nT5\nL[Cr\xC3\xA8me]\n^\n";
    for (const std::string& file :
         {std::string("!Account\nNCaf\xE9\n^\n!Type:Cash\nL[Caf\xE9]\n^\nD2.1.2020\n"
                      "M\xA3 5\nT5\nL[Cr\xE8me]\n^\n"),
          utf8, "\xEF\xBB\xBF" + utf8}) {
        driver.Then([](TForm& f) {
            AssignAll(static_cast<TForm17&>(f), [](const AnsiString&) { return 2; });
        });
        WriteFile("names.qif", file);
        Import("names.qif");
    }
    const std::string once = "Caf\xC3\xA9|Cr\xC3\xA8me|20200102||\xC2\xA3 5|5\n";
    const std::string twin = "Cr\xC3\xA8me|Caf\xC3\xA9|20200102||\xC2\xA3 5|-5\n";
    EXPECT_EQ(Db(kMovesByName), once + once + once + twin + twin + twin);
}

namespace {

// A file in the export's layout, written here line by line: `moves` moves of the wallet with the
// bank and a shop, every third also listed in the bank's section (paired there), the rest given
// a twin by the import; a landlord that no list names.
std::string LargeQif(int moves) {
    std::string wallet, bank;
    for (int i = 0; i < moves; ++i) {
        const std::string date =
            "D" + std::to_string(1 + i % 28) + "." + std::to_string(1 + i / 28 % 12) + ".2020\r\n";
        const std::string num = "N" + std::to_string(i) + "\r\n";
        const std::string cents = std::to_string(i % 100 + 1);
        const char* corr = i % 3 == 0 ? "Bank" : i % 3 == 1 ? "Shop" : "Landlord";
        wallet += date + num + "MWeekly\r\nT-" + std::to_string(i) + "." + cents + "\r\nL[" + corr +
                  "]\r\n^\r\n";
        if (i % 3 == 0)
            bank += date + num + "MWeekly\r\nT" + std::to_string(i) + "." + cents +
                    "\r\nL[Wallet]\r\n^\r\n";
    }
    return "!Account\r\nNWallet\r\nTCash\r\n^\r\nNBank\r\nTCash\r\n^\r\nNShop\r\nTCash\r\n^\r\n"
           "!Account\r\nNWallet\r\nTCash\r\n^\r\n!Type:Cash\r\nD1.1.2020\r\nT0.00\r\n"
           "L[Wallet]\r\n^\r\n" +
           wallet +
           "!Account\r\nNBank\r\nTCash\r\n^\r\n!Type:Cash\r\nD1.1.2020\r\nT0.00\r\n"
           "L[Bank]\r\n^\r\n" +
           bank;
}

}  // namespace

// An import is one transaction: killed anywhere, the file holds whole imports only, every pair
// whole and every balance the sum of its account's moves.
TEST(QifImportKill, KillingAnImportAtRandomMomentsLeavesWholeImportsOnly) {
    TempDir dir;
    UseProgramFormats();
    CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c").reset();
    const int kMoves = 1000;
    TImportAccounts accounts;
    TQifRefusal refusal;
    ASSERT_TRUE(ReadQifText(LargeQif(kMoves), "Uncategorized", false, accounts, refusal))
        << QifRefusalDetail(refusal);
    ASSERT_EQ(accounts.size(), 4u);
    // Wallet and the shop as assets, the bank as income (stored negated), the landlord spending.
    const std::array<std::vector<int>, 3> types{{{1}, {0, 2}, {3}}};
    std::srand(4711);
    int midWrite = 0;
    long long importMicros = 0;  // how long the first whole import took, start-up included
    for (int round = 0; round < 20; ++round) {
        int imported[2];
        ASSERT_EQ(pipe(imported), 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = fork();
        if (pid == 0) {
            close(imported[0]);
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException&) { _exit(9); });
            TSQLiteDatabase db("./Quillmarsh.dat");
            for (;;) {
                TImportAccounts copy = accounts;
                WriteQifImport(db, copy, types, 1, "20260315", {});
                if (write(imported[1], "x", 1) != 1) _exit(8);
            }
        }
        close(imported[1]);
        if (round == 0) {
            // The first round waits for a whole import, so that the later ones can spread their
            // kills over the time an import takes on this machine, however fast it is.
            char byte = 0;
            ASSERT_EQ(read(imported[0], &byte, 1), 1);
            importMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        } else {
            usleep(static_cast<useconds_t>(std::rand() % (2 * importMicros + 1)));
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(imported[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself in round " << round;
        std::error_code ec;
        if (std::filesystem::file_size("Quillmarsh.dat-journal", ec) > 0 && !ec) ++midWrite;

        SCOPED_TRACE("round " + std::to_string(round));
        TSQLiteDatabase db("./Quillmarsh.dat");
        EXPECT_EQ(Rows(db, "PRAGMA integrity_check"), "ok\n");
        EXPECT_EQ(Rows(db,
                       "select count(*) from bill_move a left join bill_move b on b.id = "
                       "a.bill_move_id where b.id is null or b.bill_move_id <> a.id or "
                       "b.amount <> -a.amount or b.src_bill_id <> a.dest_bill_id or "
                       "b.dest_bill_id <> a.src_bill_id"),
                  "0\n");
        EXPECT_EQ(Rows(db,
                       "select count(*) from bill b where b.bill_id > 0 and abs(coalesce("
                       "b.amount, 0) - (case b.bill_type_id when 1 then -1 else 1 end) * "
                       "coalesce((select sum(amount) from bill_move where src_bill_id = "
                       "b.id), 0)) > 0.005"),
                  "0\n");
        // Whole imports: per import three groups, four accounts and one pair per move.
        const std::string imports = Rows(db, "select count(*) from bill where bill_id = 0");
        const int done = std::stoi(imports);
        EXPECT_EQ(done % 3, 0);
        EXPECT_EQ(Rows(db, "select count(*) from bill where bill_id > 0"),
                  std::to_string(done / 3 * 4) + "\n");
        EXPECT_EQ(Rows(db, "select count(*) from bill_move"),
                  std::to_string(done / 3 * 2 * kMoves) + "\n");
    }
    TSQLiteDatabase db("./Quillmarsh.dat");
    EXPECT_GT(std::stoi(Rows(db, "select count(*) from bill_move")), 0);  // imports went through
    EXPECT_GT(midWrite, 0);  // and kills came while one was being written
}

TEST(QifRead, ReadsWithoutAWindowAndSaysWhyAFileIsRefused) {
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5};
    const std::string section = "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD2.1.2020\n";
    TImportAccounts accounts;
    TQifRefusal refusal;
    ASSERT_TRUE(ReadQifText(section + "T1,005.5\nL[B]\n^\n", "None", false, accounts, refusal));
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[1].Moves[0].Amount, "-1005.5");
    EXPECT_EQ(accounts[1].Moves[0].Date, "20200102");
    // A file that says the order of its dates is read in that order.
    for (const bool monthFirst : {false, true}) {
        const std::string option = monthFirst ? "!Option:DMY\n" : "!Option:MDY\n";
        ASSERT_TRUE(ReadQifText(option + section + "D01/02/2020\nT1\n^\n", "None", monthFirst,
                                accounts, refusal));
        EXPECT_EQ(accounts[0].Moves[0].Date, monthFirst ? "20200201" : "20200102");
    }
    // No account at all is said so, whatever else the file holds; a bad amount names no line.
    EXPECT_FALSE(ReadQifText("!Type:Invst\nNBuy\n^\n", "None", false, accounts, refusal));
    EXPECT_EQ(refusal.Entry, 176);
    EXPECT_FALSE(ReadQifText(section + "T1x\n^\n", "None", false, accounts, refusal));
    EXPECT_EQ(refusal.Entry, 177);
    EXPECT_EQ(QifRefusalDetail(refusal), "");
    // The first line to blame, shown without its control characters and cut short.
    const std::string note = "M" + std::string(100, 'x') + "\x07";
    EXPECT_FALSE(
        ReadQifText(section + note + "\nT1\nSFood\n^\n", "None", false, accounts, refusal));
    EXPECT_EQ(refusal.Entry, 177);
    EXPECT_EQ(refusal.Text, note);
    EXPECT_EQ(QifRefusalDetail(refusal),
              "Line 8 \"" + note.substr(0, 80) + "...\": the note holds a control character.");
    EXPECT_FALSE(ReadQifText(section + "M\x07\n^\n", "None", false, accounts, refusal));
    EXPECT_EQ(QifRefusalDetail(refusal), "Line 8 \"M?\": the note holds a control character.");
}

// Each move's date is read on its own terms, however many moves before it had the same text or
// another style, and one date that is none refuses the file wherever it stands.
TEST(QifRead, ReadsEveryDateOfAFileOnItsOwn) {
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5};
    const std::vector<std::pair<std::string, std::string>> dates = {
        {"2.1.2020", "20200102"}, {"01/02'05", "20050102"},   {"2020-03-04", "20200304"},
        {"2.1.2020", "20200102"}, {"31/12/2019", "20191231"}, {"01/02'05", "20050102"},
        {"3.1.2020", "20200103"}, {"2020-03-04", "20200304"}, {"31/12/2019", "20191231"}};
    std::string file = "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\n";
    for (const auto& date : dates) file += "D" + date.first + "\nT1\nL[B]\n^\n";
    TImportAccounts accounts;
    TQifRefusal refusal;
    ASSERT_TRUE(ReadQifText(file, "None", false, accounts, refusal));
    ASSERT_EQ(accounts.at(0).Moves.size(), dates.size());
    for (size_t i = 0; i < dates.size(); ++i) {
        EXPECT_EQ(accounts[0].Moves[i].Date, dates[i].second) << dates[i].first;
        EXPECT_EQ(accounts[1].Moves.at(i).Date, dates[i].second) << dates[i].first;
    }
    // "12/31/2019" exists only month first: refused, unless the file says its dates are so.
    const std::string small =
        "!Account\nNA\n^\n!Type:Cash\nL[A]\n^\nD12/31/2019\nT1\nL[B]\n^\n"
        "D01/02/2020\nT1\nL[B]\n^\n";
    EXPECT_FALSE(ReadQifText(small, "None", false, accounts, refusal));
    EXPECT_EQ(refusal.Entry, 177);
    ASSERT_TRUE(ReadQifText("!Option:MDY\n" + small, "None", false, accounts, refusal));
    EXPECT_EQ(accounts.at(0).Moves.at(0).Date, "20191231");
    EXPECT_EQ(accounts[0].Moves.at(1).Date, "20200102");
}
