// The tree's account and group commands driven through their dialogs: the rows they write, the
// balances they recalculate, the selection and the open ledger tabs they leave behind.
#include "app/account_commands.h"

#include <gtest/gtest.h>

#include <QAction>

#include "app/account_store.h"
#include "app/all_forms.h"
#include "app/ledger_buffer.h"
#include "app/move_store.h"
#include "app/unit1.h"
#include "dialogs/account_delete_dialog.h"
#include "dialogs/account_dialog.h"
#include "dialogs/group_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

// Every row of a query, columns joined by "|", one line per row.
std::string Rows(const AnsiString& sql) {
    std::string out;
    auto t = DB->GetTable(sql);
    for (; !t->Eof(); t->Next()) {
        for (int c = 0; c < t->ColCount(); ++c) out += (c ? "|" : "") + t->FieldAsString(c);
        out += "\n";
    }
    return out;
}

std::string Amount(int id) {
    return Rows("select amount || '' from bill where id = " + IntToStr(id));
}

std::vector<int> TreeIds(int view) {
    std::vector<int> ids;
    for (const TBillTreeRow& r : BillTypeViews.at(view).Rows) ids.push_back(r.Id);
    return ids;
}

// Rows whose twin is missing or does not point back.
std::string HalfPairs() {
    return Rows(
        "select m.id from bill_move m where not exists (select 1 from bill_move t where t.id = "
        "m.bill_move_id and t.bill_move_id = m.id and t.src_bill_id = m.dest_bill_id and "
        "t.dest_bill_id = m.src_bill_id)");
}

THeadTab LedgerTab(int account, const AnsiString& caption) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = account;
    tab.Caption = caption;
    tab.BillTypeId = static_cast<int>(
        DB->GetTable("select bill_type_id from bill where id = " + IntToStr(account))
            ->FieldAsInteger(0));
    LoadBuffer(*DB, tab, "20260315");
    return tab;
}

struct AccountCommands : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;

    void Open(bool freshFile = false) {
        if (freshFile) {
            ScriptedBoxes create;
            create.Answer(IDYES);
            form = std::make_unique<TForm1>();
        } else {
            form = std::make_unique<TForm1>();
        }
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        CreateDialogs();
        ConnectAccountCommands(*form);
        form->FormPaint();
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    void AddEuro() {
        DB->ExecSQL("update currency set name = 'Dollar', short_name = 'USD' where id = 1");
        DB->ExecSQL("insert into currency values (2, 'EUR', 2, 'Euro', '20260101000000', '2')");
    }
};

}  // namespace

TEST_F(AccountCommands, FreshFileGrowsGroupsAndAccountsThroughTheDialogs) {
    Open(true);
    AddEuro();
    ASSERT_EQ(SelectBill, -1);
    ModalDriver driver;
    form->PopupMenu1Tag = 1;  // the assets tree was clicked last
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(46));
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 1);
        EXPECT_EQ(d.ComboBox3->Text(), "Dollar USD");
        d.Edit1->SetText("Cash");
        d.Button1->Click();
    });
    form->N10Click();
    EXPECT_EQ(Rows("select * from bill"), "FF|||||||1|20260315000000|1|2|0|1|Cash|1\n");
    EXPECT_EQ(SelectBill, 1);
    EXPECT_TRUE(form->Action(27)->isEnabled());

    // The type of the selected group is offered; groups of all types share one position counter.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 1);
        EXPECT_FALSE(d.CheckBox1->Checked());
        d.ComboBox1->SetItemIndex(2);
        d.ComboBox3->SetItemIndex(1);
        d.Edit1->SetText("Bob's food");
        d.CheckBox1->SetChecked(true);
        d.Button1->Click();
    });
    form->N10Click();
    const char* kBills =
        "select id, bill_id, bill_type_id, currency_id, position, name, twosign, ts from bill "
        "where id > 1 order by id";
    EXPECT_EQ(Rows(kBills), "2|0|3|2|2|Bob's food|FT|20260315000000\n");

    // A selected group takes the new account, in the group's currency.
    SelectBill = 1;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(40));
        EXPECT_EQ(d.Edit1->Text(), "");
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 1);
        EXPECT_EQ(d.ComboBox2->Text(), "Cash");
        EXPECT_TRUE(d.ComboBox3->Enabled());
        EXPECT_EQ(d.ComboBox3->Text(), "Dollar USD");
        d.Edit1->SetText("Wallet");
        d.CheckBox2->SetChecked(true);
        d.Button1->Click();
    });
    form->N3Click();
    EXPECT_EQ(SelectBill, 3);
    EXPECT_TRUE(form->Action(15)->isEnabled());
    EXPECT_FALSE(form->Action(27)->isEnabled());

    // A selected account shares its group; the next position follows the last.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(d.ComboBox2->Text(), "Cash");
        EXPECT_FALSE(d.CheckBox2->Checked());
        d.ComboBox3->SetItemIndex(1);
        d.Edit1->SetText("Euro card");
        d.Button1->Click();
    });
    form->N3Click();

    // Nothing selected: the type of the tree clicked last, its first group.
    SelectBill = -1;
    form->PopupMenu1Tag = 2;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 2);
        EXPECT_EQ(d.ComboBox2->Text(), "Bob's food");
        d.Edit1->SetText("Groceries");
        d.CheckBox1->SetChecked(true);
        d.Button1->Click();
    });
    form->N3Click();
    // A cancelled dialog writes nothing.
    driver.Then([](TForm& f) {
        static_cast<TForm2&>(f).Edit1->SetText("Never");
        static_cast<TForm2&>(f).Button2->Click();
    });
    form->N3Click();

    EXPECT_EQ(Rows(kBills),
              "2|0|3|2|2|Bob's food|FT|20260315000000\n"
              "3|1|2|1|1|Wallet|TF|20260315000000\n"
              "4|1|2|2|2|Euro card|FF|20260315000000\n"
              "5|2|3|1|1|Groceries|FT|20260315000000\n");
    EXPECT_EQ(TreeIds(1), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(TreeIds(2), (std::vector<int>{2, 5}));
    EXPECT_EQ(BillTypeViews[2].Rows[0].Name, "Bob's food");
    EXPECT_EQ(BillTypeViews[1].Rows[2].CurrencyName, "EUR");
}

TEST_F(AccountCommands, EditingAnAccountMovesItBetweenGroupsAndKeepsItsTabsInStep) {
    SeedHousehold(3);
    Open();
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, isopen, "
        "twosign) values (14, 0, 2, 1, 'Savings', 4, 1, 'FF')");
    Head.HeadTabs.push_back(LedgerTab(kBank, "Bank"));
    Head.HeadTabs.push_back(LedgerTab(kSalary, "Salary"));
    Head.HeadTabs.push_back(LedgerTab(kGroceries, "Groceries"));
    EXPECT_EQ(Amount(kCashGroup), "2465.89\n");

    SelectBill = kBank;
    ModalDriver driver;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(39));
        EXPECT_EQ(d.Edit1->Text(), "Bank");
        EXPECT_TRUE(d.CheckBox2->Checked());
        EXPECT_FALSE(d.CheckBox1->Checked());
        EXPECT_FALSE(d.ComboBox1->Enabled());
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 1);
        EXPECT_FALSE(d.ComboBox3->Enabled());
        EXPECT_EQ(d.ComboBox2->Text(), "Money");
        ASSERT_EQ(d.ComboBox2->Items().Count(), 2);
        d.ComboBox2->SetItemIndex(1);
        d.Edit1->SetText("Bank 'B'");
        d.CheckBox2->SetChecked(false);
        d.CheckBox1->SetChecked(true);
        d.Button1->Click();
    });
    form->N1Click();
    EXPECT_TRUE(Form2->ComboBox1->Enabled());
    EXPECT_EQ(Rows("select bill_id, bill_type_id, currency_id, position, name, twosign from bill "
                   "where id = 6"),
              "14|2|1|2|Bank 'B'|FT\n");
    // Both groups hold their accounts' totals again.
    EXPECT_EQ(Amount(kCashGroup), "365.89\n");
    EXPECT_EQ(Amount(14), "2100\n");
    EXPECT_EQ(Head.HeadTabs[1].Caption, "Bank 'B'");
    EXPECT_FALSE(Head.HeadTabs[1].TwoSign);
    // The salary ledger named the bank with its old group and name: it loads afresh.
    EXPECT_TRUE(Head.HeadTabs[2].BufRows.empty());
    EXPECT_FALSE(Head.HeadTabs[3].BufRows.empty());

    // Cancel leaves the row as it was.
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        d.Edit1->SetText("Other");
        d.Button2->Click();
    });
    form->N1Click();
    EXPECT_EQ(Rows("select name from bill where id = 6"), "Bank 'B'\n");
    EXPECT_TRUE(Form2->ComboBox1->Enabled());
}

TEST_F(AccountCommands, EditingAGroupWritesItsTypeAndCurrencyIntoItsTotal) {
    SeedHousehold(0);
    Open();
    InsertMovePair(*DB, kRent, kBank, {"20260301", "", "March", "50.00", "-50.00", "1"});
    form->CalcBillAmount(IntToStr(kRent));
    DB->ExecSQL("update bill set bill_type_id = 2 where id = " + IntToStr(kRent));
    DB->ExecSQL("update bill set twosign = 'FT' where id = " + IntToStr(kHomeGroup));
    SelectBill = kHomeGroup;
    ModalDriver driver;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(44));
        EXPECT_EQ(d.Edit1->Text(), "Home");
        EXPECT_TRUE(d.CheckBox1->Checked());
        EXPECT_FALSE(d.ComboBox1->Enabled());
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 2);
        EXPECT_EQ(d.ComboBox3->Text(), "Dollar USD");
        d.ComboBox3->SetItemIndex(1);
        d.Edit1->SetText("Mum's home");
        d.CheckBox1->SetChecked(false);
        d.Button1->Click();
    });
    form->N8Click();
    EXPECT_TRUE(Form6->ComboBox1->Enabled());
    EXPECT_EQ(Rows("select bill_type_id, currency_id, name, twosign from bill where id = 11"),
              "3|2|Mum's home|FF\n");
    EXPECT_EQ(Rows("select bill_type_id from bill where id = 12"), "3\n");
    // 50 in dollars at rate 1 make 25 in euros at rate 2.
    EXPECT_EQ(Amount(kHomeGroup), "25\n");
    EXPECT_EQ(BillTypeViews[2].Rows[3].Name, "Mum's home");
}

TEST_F(AccountCommands, MovingUpAndDownRenumbersSiblingsAndSwaps) {
    SeedHousehold(0);
    Open();
    const char* kMoney = "select id, position from bill where bill_id = 4 order by id";
    // Gaps and a position that is no number (it sorts last and counts as -1).
    DB->ExecSQL("update bill set position = 5 where id = 5");
    DB->ExecSQL("update bill set position = 'x' where id = 6");
    DB->ExecSQL("update bill set position = 7 where id = 7");
    // The first one up: only the renumbering.
    SelectBill = kWallet;
    form->N12Click();
    EXPECT_EQ(Rows(kMoney), "5|1\n6|3\n7|2\n");
    form->N13Click();
    EXPECT_EQ(Rows(kMoney), "5|2\n6|3\n7|1\n");
    EXPECT_EQ(TreeIds(1), (std::vector<int>{kCashGroup, kEuroCard, kWallet, kBank}));
    // The last one down: nothing to swap with.
    SelectBill = kBank;
    form->N13Click();
    EXPECT_EQ(Rows(kMoney), "5|2\n6|3\n7|1\n");
    form->N12Click();
    EXPECT_EQ(Rows(kMoney), "5|3\n6|2\n7|1\n");

    // Groups: the siblings are the groups of one type.
    const char* kGroups = "select id, position from bill where bill_id = 0 order by id";
    SelectBill = kFoodGroup;
    form->N13Click();
    EXPECT_EQ(Rows(kGroups), "1|1\n4|1\n8|2\n11|1\n13|3\n");
    EXPECT_EQ(TreeIds(2)[0], kHomeGroup);
    // A new group is numbered after the groups of every type...
    ModalDriver driver;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        d.ComboBox1->SetItemIndex(0);
        d.Edit1->SetText("Gifts");
        d.Button1->Click();
    });
    form->N10Click();
    EXPECT_EQ(SelectBill, 14);
    EXPECT_EQ(Rows("select position from bill where id = 14"), "4\n");
    // ...and moving it renumbers its own type from 1.
    form->N12Click();
    EXPECT_EQ(Rows("select id, position from bill where bill_type_id = 1 and bill_id = 0"),
              "1|2\n14|1\n");
    EXPECT_EQ(TreeIds(0)[0], 14);
    // Nothing selected: nothing happens.
    SelectBill = -1;
    const std::string before = Rows(kGroups);
    form->N12Click();
    form->N13Click();
    EXPECT_EQ(Rows(kGroups), before);
}

TEST_F(AccountCommands, OnlyAnEmptyGroupIsDeletedAndTheSelectionFallsBack) {
    SeedHousehold(0);
    Open();
    ScriptedBoxes boxes;
    SelectBill = kFoodGroup;
    boxes.Answer(IDOK, form->Ui(101));
    form->N9Click();
    EXPECT_EQ(Rows("select count(*) from bill where id = 8"), "1\n");

    SelectBill = kEmptyGroup;
    boxes.Answer(IDNO, form->Ui(181));
    form->N9Click();
    EXPECT_EQ(Rows("select count(*) from bill where id = 13"), "1\n");
    EXPECT_EQ(boxes.asked().back().caption, form->Ui(182));

    BillTypeViews[0].Scroll = 3;
    boxes.Answer(IDYES, form->Ui(181));
    form->N9Click();
    EXPECT_EQ(Rows("select count(*) from bill where id = 13"), "0\n");
    EXPECT_EQ(SelectBill, kSalaryGroup);
    EXPECT_EQ(BillTypeViews[0].Scroll, 0);
    EXPECT_EQ(TreeIds(2).back(), kRent);
    EXPECT_TRUE(form->Action(27)->isEnabled());
    EXPECT_FALSE(form->Action(15)->isEnabled());
}

TEST_F(AccountCommands, DeletingTheLastGroupLeavesNothingSelected) {
    Open(true);
    ModalDriver driver;
    driver.Then([](TForm& f) {
        static_cast<TForm6&>(f).Edit1->SetText("Only");
        static_cast<TForm6&>(f).Button1->Click();
    });
    form->N10Click();
    ScriptedBoxes boxes;
    boxes.Answer(IDYES, form->Ui(181));
    form->N9Click();
    EXPECT_EQ(SelectBill, -1);
    EXPECT_EQ(Rows("select count(*) from bill"), "0\n");
    EXPECT_TRUE(form->Action(18)->isEnabled());
    EXPECT_FALSE(form->Action(27)->isEnabled());
    EXPECT_FALSE(form->Action(14)->isEnabled());
}

TEST_F(AccountCommands, DeletingAnAccountWithoutTheDialogTakesBothRowsOfItsMoves) {
    SeedHousehold(0);
    Open();
    Head.HeadTabs.push_back(LedgerTab(kSalary, "Salary"));
    Head.HeadTabs.push_back(LedgerTab(kWallet, "Wallet"));
    Head.HeadTabs.push_back(LedgerTab(kBank, "Bank"));
    Head.HeadTabs[3].SelMove = 1;  // the bank's half of the salary
    ScriptedBoxes boxes;
    ModalDriver driver;  // no dialog may open

    // No moves: a question; No keeps the account.
    SelectBill = kRent;
    boxes.Answer(IDNO, form->Ui(127));
    form->N2Click();
    EXPECT_EQ(Rows("select count(*) from bill where id = 12"), "1\n");
    EXPECT_EQ(boxes.asked().back().caption, form->Ui(135));
    boxes.Answer(IDYES, form->Ui(127));
    form->N2Click();
    EXPECT_EQ(Rows("select count(*) from bill where id = 12"), "0\n");
    EXPECT_EQ(SelectBill, kSalaryGroup);

    // The salary becomes the only account of its type, with a move into the bank.
    SelectBill = kBonus;
    boxes.Answer(IDYES);
    form->N2Click();
    SelectBill = kSalary;
    boxes.Answer(IDYES, form->Ui(127));
    form->N2Click();
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_EQ(Rows("select count(*) from bill where id = 2"), "0\n");
    EXPECT_EQ(Rows("select id, src_bill_id, dest_bill_id, amount || '' from bill_move"),
              "3|5|6|400\n4|6|5|-400\n");
    EXPECT_EQ(HalfPairs(), "");
    EXPECT_EQ(Amount(kBank), "-400\n");
    EXPECT_EQ(Amount(kCashGroup), "0\n");
    EXPECT_EQ(Amount(kSalaryGroup), "0\n");
    // The salary's tab is gone; the bank's ledger loads afresh and forgets the vanished move.
    ASSERT_EQ(Head.HeadTabs.size(), 3u);
    EXPECT_EQ(Head.HeadTabs[1].Id, kWallet);
    EXPECT_FALSE(Head.HeadTabs[1].BufRows.empty());
    EXPECT_EQ(Head.HeadTabs[2].Id, kBank);
    EXPECT_TRUE(Head.HeadTabs[2].BufRows.empty());
    EXPECT_EQ(Head.HeadTabs[2].SelMove, -1);
    EXPECT_EQ(SelectBill, kSalaryGroup);
}

TEST_F(AccountCommands, DeletionDialogDeletesTheAccountWithItsMoves) {
    SeedHousehold(3);
    Open();
    Head.HeadTabs.push_back(LedgerTab(kGroceries, "Groceries"));
    Head.HeadTabs.push_back(LedgerTab(kWallet, "Wallet"));
    Head.HeadTabs.push_back(LedgerTab(kRent, "Rent"));
    EXPECT_EQ(Amount(kGroceries), "24.11\n");
    SelectBill = kWallet;
    ScriptedBoxes boxes;
    ModalDriver driver;
    const std::string moves = Rows("select * from bill_move");
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm5&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(22));
        ASSERT_EQ(d.ComboBox1->Items().Count(), 2);
        EXPECT_EQ(d.ComboBox1->Items()[0], "A:Money-Bank");
        EXPECT_EQ(d.ComboBox1->Items()[1], "A:Money-Euro card");
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 0);
        // No keeps the dialog open and the file as it was.
        boxes.Answer(IDNO, form->Ui(127));
        d.Button2->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        EXPECT_EQ(Rows("select * from bill_move"), moves);
        boxes.Answer(IDYES, form->Ui(127));
        d.Button2->Click();
        EXPECT_NE(d.ModalResult(), mrNone);
    });
    form->N2Click();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_EQ(Rows("select count(*) from bill where id = 5"), "0\n");
    EXPECT_EQ(Rows("select id, src_bill_id, dest_bill_id from bill_move"), "1|6|2\n2|2|6\n");
    // The correspondents lose the moves from their balances too.
    EXPECT_EQ(Amount(kGroceries), "0\n");
    EXPECT_EQ(Amount(kRestaurants), "0\n");
    EXPECT_EQ(Amount(kBank), "2500\n");
    EXPECT_EQ(Amount(kCashGroup), "2500\n");
    EXPECT_EQ(Amount(kFoodGroup), "0\n");
    ASSERT_EQ(Head.HeadTabs.size(), 3u);
    EXPECT_EQ(Head.HeadTabs[1].Id, kGroceries);
    EXPECT_TRUE(Head.HeadTabs[1].BufRows.empty());
    EXPECT_EQ(Head.HeadTabs[2].Id, kRent);
    EXPECT_EQ(SelectBill, kSalaryGroup);
    EXPECT_TRUE(form->Action(27)->isEnabled());
}

TEST_F(AccountCommands, DeletionDialogGivesTheMovesToAnotherAccount) {
    SeedHousehold(3);
    Open();
    Head.HeadTabs.push_back(LedgerTab(kBank, "Bank"));
    Head.HeadTabs.push_back(LedgerTab(kGroceries, "Groceries"));
    SelectBill = kWallet;
    ModalDriver driver;
    driver.Then([](TForm& f) { static_cast<TForm5&>(f).Button1->Click(); });
    const std::string before = Rows("select * from bill_move") + Rows("select * from bill");
    form->N2Click();
    EXPECT_EQ(Rows("select * from bill_move") + Rows("select * from bill"), before);

    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm5&>(f);
        d.ComboBox1->SetItemIndex(0);  // the bank
        d.Button3->Click();
    });
    form->N2Click();
    // The withdrawal between the two is gone; every other move keeps its fields.
    EXPECT_EQ(Rows("select id, src_bill_id, dest_bill_id, ts, num, note, amount || '', kurs, "
                   "bill_move_id from bill_move order by id"),
              "1|6|2|20260101|1|January salary|2500|1|2\n"
              "2|2|6|20260101|1|January salary|-2500|1|1\n"
              "5|6|10|20260101|100|Dinner out|-10|1|6\n"
              "6|10|6|20260101|100|Dinner out|10|1|5\n"
              "7|6|9|20260102|101|Weekly shop|-11.37|1|8\n"
              "8|9|6|20260102|101|Weekly shop|11.37|1|7\n"
              "9|6|9|20260103|102|Weekly shop|-12.74|1|10\n"
              "10|9|6|20260103|102|Weekly shop|12.74|1|9\n");
    EXPECT_EQ(HalfPairs(), "");
    EXPECT_EQ(Rows("select count(*) from bill where id = 5"), "0\n");
    EXPECT_EQ(Amount(kBank), "2465.89\n");
    EXPECT_EQ(Amount(kGroceries), "24.11\n");
    EXPECT_EQ(Amount(kCashGroup), "2465.89\n");
    // Both ledgers showed the wallet: they load afresh.
    EXPECT_TRUE(Head.HeadTabs[1].BufRows.empty());
    EXPECT_TRUE(Head.HeadTabs[2].BufRows.empty());
    EXPECT_EQ(SelectBill, kSalaryGroup);
}

TEST_F(AccountCommands, OkWithAnEmptyListSaysWhatIsMissing) {
    Open(true);
    ScriptedBoxes boxes;
    ModalDriver driver;
    // No group exists yet.
    form->PopupMenu1Tag = 0;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(d.ComboBox2->Items().Count(), 0);
        EXPECT_EQ(d.ComboBox2->ItemIndex(), -1);
        d.Edit1->SetText("Salary");
        // The notice says what the account needs, then names the missing list.
        boxes.Answer(IDOK, form->Ui(191) + "\r\r" + form->Ui(1));
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        EXPECT_EQ(d.Tag, -1);
        EXPECT_EQ(boxes.asked().back().caption, form->Ui(40));
        d.Button2->Click();
    });
    form->N3Click();
    EXPECT_EQ(Rows("select count(*) from bill"), "0\n");

    // No currency either: the group dialog names it, the account dialog names both.
    DB->ExecSQL("delete from currency");
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        EXPECT_EQ(d.ComboBox3->Items().Count(), 0);
        boxes.Answer(IDOK, form->Ui(2));
        d.Button1->Click();
        d.Button2->Click();
    });
    form->N10Click();
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        boxes.Answer(IDOK, form->Ui(191) + "\r\r" + form->Ui(1) + "\r" + form->Ui(2));
        d.Button1->Click();
        d.Button2->Click();
    });
    form->N3Click();
    EXPECT_EQ(Rows("select count(*) from bill"), "0\n");
}

TEST_F(AccountCommands, ADeletionThatFailsHalfWayChangesNothing) {
    SeedHousehold(3);
    Open();
    TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
    const AnsiString all = "select * from bill_move order by id";
    const std::string moves = Rows(all);
    DB->ExecSQL(
        "create trigger stop before delete on bill when old.id = 5 begin select raise(abort, "
        "'stop'); end");
    EXPECT_THROW(DeleteAccountWithMoves(*DB, kWallet, {}), ESQLiteException);
    EXPECT_THROW(TransferAndDeleteAccount(*DB, kWallet, kBank, {}), ESQLiteException);
    EXPECT_EQ(Rows(all), moves);
    EXPECT_EQ(Rows("select count(*) from bill where id = 5"), "1\n");
    DB->ExecSQL("drop trigger stop");
    // A reorder stopped at its last update keeps the old positions.
    DB->ExecSQL("update bill set position = 5 where id = 5");
    DB->ExecSQL("update bill set position = 9 where id = 6");
    const std::string positions = Rows("select * from bill order by id");
    DB->ExecSQL(
        "create trigger stop before update of position on bill when new.id = 6 and "
        "new.position = 2 begin select raise(abort, 'stop'); end");
    EXPECT_THROW(MoveSibling(*DB, kBank, -1), ESQLiteException);
    DB->ExecSQL("drop trigger stop");
    EXPECT_EQ(Rows("select * from bill order by id"), positions);
    EXPECT_TRUE(MoveSibling(*DB, kBank, -1));
    EXPECT_EQ(Rows("select id, position from bill where bill_id = 4 order by id"),
              "5|3\n6|2\n7|1\n");
    EXPECT_EQ(Rows("pragma integrity_check"), "ok\n");
}

TEST_F(AccountCommands, ANewUserBuildsATreeFromTheMenus) {
    Open(true);
    ModalDriver driver;
    ScriptedBoxes boxes;
    auto name = [](const char* text) {
        return [text](TForm& f) {
            if (auto* g = dynamic_cast<TForm6*>(&f)) {
                g->Edit1->SetText(text);
                g->Button1->Click();
            } else {
                auto& a = static_cast<TForm2&>(f);
                a.Edit1->SetText(text);
                a.Button1->Click();
            }
        };
    };
    // A new file: only "new group" and the currencies make sense.
    EXPECT_TRUE(form->Action(18)->isEnabled());
    EXPECT_FALSE(form->Action(14)->isEnabled());
    form->PopupMenu1Tag = 1;
    driver.Then(name("Cash")).Then(name("Wallet")).Then(name("Piggy bank"));
    form->Action(18)->trigger();
    form->N(3)->trigger();
    form->Action(14)->trigger();
    EXPECT_EQ(driver.shown(), 3);
    EXPECT_EQ(TreeIds(1), (std::vector<int>{1, 2, 3}));
    // Clicking the new last account: it can go up, not down.
    form->DoEnable(2);
    EXPECT_TRUE(form->N(12)->isEnabled());
    EXPECT_FALSE(form->N(13)->isEnabled());
    form->N(12)->trigger();
    EXPECT_EQ(TreeIds(1), (std::vector<int>{1, 3, 2}));
    boxes.Answer(IDYES, form->Ui(127));
    form->Action(16)->trigger();
    EXPECT_EQ(TreeIds(1), (std::vector<int>{1, 2}));
    EXPECT_EQ(BillTypeViews[1].Rows[1].Name, "Wallet");
    EXPECT_EQ(SelectBill, 1);
}

TEST_F(AccountCommands, LedgerTabsFollowADeletedAccount) {
    SeedHousehold(3);
    Open();
    THeadTab report;
    report.Kind = tkReport;
    Head.HeadTabs.push_back(LedgerTab(kWallet, "Wallet"));
    Head.HeadTabs.push_back(LedgerTab(kGroceries, "Groceries"));
    Head.HeadTabs.push_back(report);
    Head.HeadTabs.push_back(LedgerTab(kWallet, "Wallet again"));
    Head.HeadTabs.push_back(LedgerTab(kSalary, "Salary"));
    HeadIndex = 2;
    form->GetBillMove();
    ASSERT_FALSE(Ledger.Rows.empty());
    SelectMove = 7;  // a move of the wallet
    DeleteAccountWithMoves(*DB, kWallet, {});
    DropLedgerTabs(kWallet);
    ReloadLedgers(*DB, {kWallet});
    // Every tab of the account goes; the current tab stays current and shows no vanished row.
    ASSERT_EQ(Head.HeadTabs.size(), 4u);
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(Head.HeadTabs[1].Id, kGroceries);
    EXPECT_TRUE(Head.HeadTabs[1].BufRows.empty());
    EXPECT_TRUE(Ledger.Rows.empty());
    EXPECT_EQ(SelectMove, -1);
    EXPECT_FALSE(Head.HeadTabs[3].BufRows.empty());
    form->GetBillMove();
    EXPECT_EQ(Ledger.Rows.size(), 1u);  // only the new row is left
    // When the current tab itself goes, the tree becomes current.
    HeadIndex = 3;
    DropLedgerTabs(kSalary);
    EXPECT_EQ(HeadIndex, 0);
}

TEST_F(AccountCommands, AccountCommandsLeaveGroupsAloneAndGroupCommandsAccounts) {
    SeedHousehold(3);
    Open();
    const std::string before = Rows("select * from bill") + Rows("select * from bill_move");
    ScriptedBoxes boxes;
    ModalDriver driver;
    SelectBill = kCashGroup;
    form->N1Click();
    form->N2Click();
    SelectBill = kWallet;
    form->N8Click();
    form->N9Click();
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_TRUE(boxes.asked().empty());
    EXPECT_EQ(Rows("select * from bill") + Rows("select * from bill_move"), before);
}

TEST_F(AccountCommands, NamesTheCodePageCannotHoldAreRefusedAndNothingIsStored) {
    SeedHousehold(0);
    Open();
    const std::string before = Rows("select * from bill order by id");
    const QString typed = QString::fromUtf8("Rent 中文 😀");
    ScriptedBoxes boxes;
    ModalDriver driver;
    // OK keeps the dialog open with the text as typed and its first such character selected.
    auto refuse = [&](TForm& f, TEdit* edit, TButton* ok, TButton* cancel) {
        edit->selectAll();
        TypeText(edit, typed);
        boxes.Answer(IDOK);
        ok->Click();
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_EQ(edit->text(), typed);
        EXPECT_EQ(edit->selectedText(), QString::fromUtf8("中"));
        cancel->Click();
    };
    auto account = [&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        refuse(f, d.Edit1, d.Button1, d.Button2);
    };
    auto group = [&](TForm& f) {
        auto& d = static_cast<TForm6&>(f);
        refuse(f, d.Edit1, d.Button1, d.Button2);
    };
    SelectBill = kCashGroup;
    driver.Then(account);
    form->N3Click();  // new account
    driver.Then(group);
    form->N10Click();  // new group
    driver.Then(group);
    form->N8Click();  // the group renamed
    SelectBill = kRent;
    driver.Then(account);
    form->N1Click();  // the account renamed
    EXPECT_EQ(driver.shown(), 4);
    EXPECT_EQ(Rows("select * from bill order by id"), before);
    ASSERT_EQ(boxes.asked().size(), 4u);
    for (const AskedBox& box : boxes.asked()) {
        EXPECT_NE(box.text.find("\"" + form->Ui(3) + "\""), AnsiString::npos) << box.text;
        EXPECT_NE(box.text.find("U+4E2D"), AnsiString::npos) << box.text;
        EXPECT_NE(box.text.find("character 6 "), AnsiString::npos) << box.text;
    }

    // A name the code page holds goes in, its accented letters stored as UTF-8.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        d.Edit1->selectAll();
        TypeText(d.Edit1, QString::fromUtf8("Café"));
        d.Button1->Click();
    });
    form->N1Click();
    EXPECT_EQ(Rows("select name from bill where id = " + IntToStr(kRent)), "Café\n");
}
