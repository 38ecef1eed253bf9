// The transaction dialog: new moves and edits between accounts of different currencies, the
// computed field, the refusals, and the ledger's hand-over of rows whose rates differ.
#include "dialogs/transaction_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct TransactionDialog : HouseholdWindow {
    void SetUp() override {
        Open(0);
        // 1 EUR = 2 USD: the expression is the other way round (1 USD = 1/2 EUR).
        DB->ExecSQL("update currency set kurs_str = '1/2' where id = 2");
        OpenTab(kWallet);
    }
    void OpenTab(int account) {
        for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
            if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == account) {
                HeadIndex = static_cast<int>(i);
                Paint(-1);
                return;
            }
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = account;
        tab.BillTypeId = 2;
        tab.Caption = "Ledger";
        Head.HeadTabs.push_back(tab);
        HeadIndex = static_cast<int>(Head.HeadTabs.size()) - 1;
        Paint(-1);
    }
    // Repaints the ledger with `move` selected (-1: the new row).
    void Paint(int move) {
        SelectMove = move;
        Ledger.Rows.clear();
        form->FormPaint();
        form->DoEnable(4);
    }
    AnsiString Moves(int fromId = 5) {
        AnsiString out;
        auto t = DB->GetTable(
            "select id, src_bill_id, dest_bill_id, ts, num, note, amount, kurs, bill_move_id "
            "from bill_move where id >= " +
            IntToStr(fromId) + " order by id");
        for (; !t->Eof(); t->Next())
            for (int c = 0; c < 9; ++c) out += t->FieldAsString(c) + (c < 8 ? "|" : "\n");
        return out;
    }
    AnsiString Amount(int id) {
        return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
    }
    std::vector<int> BufferIds(int account) {
        std::vector<int> ids;
        for (const THeadTab& tab : Head.HeadTabs)
            if (tab.Kind == tkLedger && tab.Id == account)
                for (const TBufRow& r : tab.BufRows) ids.push_back(r.Id);
        return ids;
    }
    static TForm7& Dialog(TForm& f) { return static_cast<TForm7&>(f); }
    static void Choose(TComboBox* list, const TForm7& d, int account) {
        for (size_t i = 0; i < d.BillIds.size(); ++i)
            if (d.BillIds[i] == account) list->SetItemIndex(static_cast<int>(i));
    }
    // The user picks both accounts, as a choice in each list.
    static void ChooseAccounts(TForm7& d, int source, int dest) {
        Choose(d.ComboBox1, d, source);
        d.ComboBox1Change();
        Choose(d.ComboBox2, d, dest);
        d.ComboBox1Change();
    }
    // Types a row into the ledger's new row and saves it.
    bool SaveNewRow(int corr, const char* in, const char* out) {
        TBillMoveRow& row = Ledger.Rows.back();
        row.Cells[0] = "10.03.26";
        row.Cells[1] = "7";
        row.Cells[2] = "Bob's card";
        row.CorrBillId = corr;
        row.Cells[4] = in;
        row.Cells[5] = out;
        Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
        Ledger.Editing = true;
        return form->Save();
    }
};

}  // namespace

TEST_F(TransactionDialog, CreateCommandOpensEmptyAndStoresAConvertedPair) {
    Paint(3);  // a stored row is selected; creating ignores it
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.Tag, 0);
        EXPECT_EQ(d.ComboBox1->ItemIndex(), -1);
        EXPECT_EQ(d.ComboBox2->ItemIndex(), -1);
        EXPECT_EQ(d.Edit3->Text(), "1");
        EXPECT_EQ(d.DateTimePicker1->Date(), EncodeDate(2026, 3, 15));
        // After opening both amounts are typed and the rate follows them.
        EXPECT_TRUE(d.RadioButton2->Checked());
        EXPECT_TRUE(d.RxCalcEdit1->Enabled());
        EXPECT_FALSE(d.Edit3->Enabled());
        EXPECT_EQ(d.Edit3->Color(), clBtnFace);
        // Items name the type's first letter, the group and the account, by type and name.
        ASSERT_EQ(d.ComboBox1->Items().Count(), 8);
        EXPECT_EQ(d.ComboBox1->Items()[0], "I:Work-Bonus");
        EXPECT_EQ(d.ComboBox1->Items()[2], "A:Money-Bank");
        // The received amount is computed: choosing the accounts sets the currencies' rate.
        d.RadioButton3->SetChecked(true);
        EXPECT_TRUE(d.Edit3->Enabled());
        EXPECT_FALSE(d.RxCalcEdit3->Enabled());
        ChooseAccounts(d, kWallet, kEuroCard);
        EXPECT_EQ(d.Label9->Caption(), form->Ui(2) + ": USD");
        EXPECT_EQ(d.Label11->Caption(), form->Ui(2) + ": EUR");
        EXPECT_EQ(d.Edit3->Text(), "1/2");
        EXPECT_EQ(d.Label8->Caption(), "1 USD = 0,5 EUR");
        EXPECT_EQ(d.Label10->Caption(), "1 EUR = 2 USD");
        d.RxCalcEdit1->SetValue(100.05L);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 50.02L);  // cut, not rounded
        d.DateTimePicker1->SetDate(EncodeDate(2026, 3, 9));
        d.Edit1->SetText("'12'");
        d.Edit2->SetText("Bob's trip");
        d.show();
        if (const char* out = std::getenv("QM_SCREENSHOTS"))
            d.grab().save(QString::fromUtf8(out) + "/transaction_dialog.png");
        d.hide();
        d.Button1->Click();
    });
    form->Action(19)->trigger();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_EQ(Form7->Tag, 1);
    EXPECT_EQ(Moves(),
              "5|5|7|20260309|12|Bobs trip|-100,05|1/2|6\n"
              "6|7|5|20260309|12|Bobs trip|50,02|1/2|5\n");
    EXPECT_EQ(LastDate, "09.03.2026");
    EXPECT_EQ(SelectMove, 3);
    EXPECT_EQ(Amount(kWallet), "299,95");
    EXPECT_EQ(Amount(kEuroCard), "50,02");
    EXPECT_EQ(Amount(kCashGroup), "2499,99");  // 2100 + 299.95 + 2 x 50.02
    // The wallet's ledger is rebuilt from its buffer, which took the new row.
    EXPECT_EQ(BufferIds(kWallet), (std::vector<int>{3, 5}));
    ASSERT_EQ(Ledger.Rows.size(), 3u);
    EXPECT_EQ(Ledger.Rows[1].Cells[5], "100,05");
    EXPECT_EQ(Ledger.Rows[1].Cells[2], "Bobs trip");
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(Ledger.CurCol, 0);
    EXPECT_EQ(Ledger.SelLength, 2);
}

TEST_F(TransactionDialog, EachRadioChoosesTheComputedField) {
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        d.RadioButton1->SetChecked(true);
        ChooseAccounts(d, kEuroCard, kWallet);
        EXPECT_EQ(d.Edit3->Text(), "2/1");
        EXPECT_FALSE(d.RxCalcEdit1->Enabled());
        EXPECT_EQ(d.RxCalcEdit1->Color(), clBtnFace);
        d.RxCalcEdit3->SetValue(30);
        EXPECT_EQ(d.RxCalcEdit1->Value(), 15);
        // A rate the evaluator rejects, or 0, computes nothing.
        d.Edit3->SetText("2(1)");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 0);
        d.Edit3->SetText("0");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 0);
        d.Edit3->SetText("3");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 10);
        // The rate computed from both amounts as they are displayed.
        d.RadioButton2->SetChecked(true);
        d.RxCalcEdit3->SetValue(45.5L);
        EXPECT_EQ(d.Edit3->Text(), "45,5/10");
        d.RxCalcEdit1->SetValue(0);
        EXPECT_EQ(d.Edit3->Text(), "0");
        d.RxCalcEdit1->SetValue(1.234L);
        EXPECT_EQ(d.Edit3->Text(), "45,5/1,23");
        d.RadioButton3->SetChecked(true);
        d.Edit3->SetText("2");
        EXPECT_EQ(d.RxCalcEdit3->Value(), 2.46L);
        d.Button2->Click();
    });
    form->Action(19)->trigger();
    EXPECT_EQ(Form7->Tag, 0);
    EXPECT_EQ(Moves(), "");
}

TEST_F(TransactionDialog, RefusesIncompleteInputInOrderAndWritesNothing) {
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        boxes.Answer(IDOK, form->Ui(26));
        d.Button1->Click();
        Choose(d.ComboBox1, d, kWallet);
        d.ComboBox1Change();
        boxes.Answer(IDOK, form->Ui(27));
        d.Button1->Click();
        // The same account on both sides is refused only after the amounts.
        Choose(d.ComboBox2, d, kWallet);
        d.ComboBox1Change();
        d.RxCalcEdit1->SetValue(-5);
        boxes.Answer(IDOK, form->Ui(28));
        d.Button1->Click();
        d.RxCalcEdit1->SetValue(5);
        boxes.Answer(IDOK, form->Ui(29));
        d.Button1->Click();
        Choose(d.ComboBox2, d, kEuroCard);
        d.ComboBox1Change();
        d.RxCalcEdit3->SetValue(-1);
        boxes.Answer(IDOK, form->Ui(28));
        d.Button1->Click();
        // Amounts the ledger cannot show, and rates that are no expression or 0 while
        // something moves, are refused too.
        d.RxCalcEdit3->SetValue(1e12L);
        boxes.Answer(IDOK, form->Ui(100));
        d.Button1->Click();
        d.RadioButton1->SetChecked(true);
        d.RxCalcEdit3->SetValue(4);
        d.Edit3->SetText("1.5");
        boxes.Answer(IDOK, form->Ui(11));
        d.Button1->Click();
        d.RadioButton2->SetChecked(true);
        d.RxCalcEdit3->SetValue(5);
        EXPECT_EQ(d.Edit3->Text(), "0");
        boxes.Answer(IDOK, form->Ui(11));
        d.Button1->Click();
        EXPECT_EQ(d.Tag, 0);
        d.SetModalResult(mrCancel);
    });
    form->Action(19)->trigger();
    EXPECT_EQ(boxes.asked().size(), 8u);
    EXPECT_EQ(Moves(), "");

    // A move of nothing at all needs no rate.
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        ChooseAccounts(d, kWallet, kEuroCard);
        EXPECT_EQ(d.Edit3->Text(), "0");
        d.Button1->Click();
    });
    form->Action(19)->trigger();
    EXPECT_EQ(Moves(), "5|5|7|20260315|||0|0|6\n6|7|5|20260315|||0|0|5\n");
}

TEST_F(TransactionDialog, LedgerRowsBetweenRatesAreConvertedOnTheWayIn) {
    // Paid from the wallet: the euro side is converted at the currencies' rate.
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox1->Text(), "A:Money-Wallet");
        EXPECT_EQ(d.ComboBox2->Text(), "A:Money-Euro card");
        EXPECT_EQ(d.Edit1->Text(), "7");
        EXPECT_EQ(d.Edit2->Text(), "Bob's card");
        EXPECT_EQ(d.DateTimePicker1->Date(), EncodeDate(2026, 3, 10));
        EXPECT_EQ(d.Edit3->Text(), "(1/2)/(1)");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 20.07L);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 10.03L);
        EXPECT_TRUE(d.RadioButton2->Checked());
        EXPECT_EQ(d.Tag, 0);
        d.Button1->Click();
    });
    ASSERT_TRUE(SaveNewRow(kEuroCard, "", "20,07"));
    EXPECT_EQ(Moves(),
              "5|5|7|20260310|7|Bobs card|-20,07|(1/2)/(1)|6\n"
              "6|7|5|20260310|7|Bobs card|10,03|(1/2)/(1)|5\n");
    EXPECT_EQ(LastDate, "10.03.2026");
    EXPECT_FALSE(Ledger.Editing);

    // Received into the wallet: the card pays, its row comes first.
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox1->Text(), "A:Money-Euro card");
        EXPECT_EQ(d.ComboBox2->Text(), "A:Money-Wallet");
        EXPECT_EQ(d.Edit3->Text(), "(1)/(1/2)");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 15);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 30);
        d.Button1->Click();
    });
    ASSERT_TRUE(SaveNewRow(kEuroCard, "30", ""));
    EXPECT_EQ(Moves(7),
              "7|7|5|20260310|7|Bobs card|-15|(1)/(1/2)|8\n"
              "8|5|7|20260310|7|Bobs card|30|(1)/(1/2)|7\n");
    EXPECT_EQ(Amount(kEuroCard), "-4,97");

    // Cancelled: the row stays in edit and nothing is written.
    driver.Then([](TForm& f) { Dialog(f).Button2->Click(); });
    EXPECT_FALSE(SaveNewRow(kEuroCard, "1", ""));
    EXPECT_TRUE(Ledger.Editing);
    EXPECT_EQ(Moves(9), "");
}

TEST_F(TransactionDialog, EditingAStoredMoveTakesTheTwinsAmountAndCanChangeItsSides) {
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        ChooseAccounts(d, kWallet, kEuroCard);
        d.RxCalcEdit1->SetValue(100);
        d.RxCalcEdit3->SetValue(45);
        d.Edit2->SetText("Exchange");
        d.Button1->Click();
    });
    form->Action(19)->trigger();
    const AnsiString stored = Moves();
    ASSERT_EQ(stored,
              "5|5|7|20260315||Exchange|-100|45/100|6\n"
              "6|7|5|20260315||Exchange|45|45/100|5\n");
    DB->ExecSQL("update bill_move set files = 'x' where id = 5");

    // From the wallet's side nothing changes but the rate text.
    Paint(5);
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox1->Text(), "A:Money-Wallet");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 100);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 45);
        EXPECT_EQ(d.Edit3->Text(), "45/100");
        d.Button1->Click();
    });
    form->Action(4)->trigger();
    EXPECT_EQ(Moves(), stored);
    EXPECT_EQ(SelectMove, 5);

    // From the card's ledger, the paying side moves to the bank: row 6, selected there, now
    // carries the bank's payment and the card's side is row 5.
    OpenTab(kEuroCard);
    Paint(6);
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox1->Text(), "A:Money-Wallet");
        EXPECT_EQ(d.ComboBox2->Text(), "A:Money-Euro card");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 100);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 45);
        Choose(d.ComboBox1, d, kBank);
        d.ComboBox1Change();
        EXPECT_EQ(d.Edit3->Text(), "45/100");
        EXPECT_EQ(d.Label8->Caption(), "1 USD = 0,45 EUR");
        d.Button1->Click();
    });
    form->Action(4)->trigger();
    EXPECT_EQ(Moves(),
              "5|7|6|20260315||Exchange|45|45/100|6\n"
              "6|6|7|20260315||Exchange|-100|45/100|5\n");
    EXPECT_EQ(SelectMove, 5);
    EXPECT_EQ(Amount(kWallet), "400");
    EXPECT_EQ(Amount(kBank), "2000");
    EXPECT_EQ(Amount(kEuroCard), "45");
    EXPECT_EQ(BufferIds(kWallet), (std::vector<int>{3}));
    ASSERT_EQ(BufferIds(kEuroCard), (std::vector<int>{5}));
    // The pair still carries its files, and its ledger row shows them.
    EXPECT_TRUE(Head.HeadTabs.back().BufRows[0].HasFiles);
    EXPECT_EQ(Head.HeadTabs.back().BufRows[0].CorrBillId, kBank);
}

TEST_F(TransactionDialog, ACorrespondentChangedInTheLedgerTakesTheCurrenciesRate) {
    DB->ExecSQL("insert into currency values (4, 'GBP', 3, 'Pound', '20260101000000', '1/4')");
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, twosign) "
        "values (21, 4, 2, 3, 'Pound card', 4, 'FF')");
    InsertMovePair(*DB, kWallet, kEuroCard, {"20260311", "", "", "-100.00", "45.00", "45/100"});
    CurrentTab().BufRows.clear();
    Paint(5);
    // The stored move's correspondent is changed in the ledger to an account of a third rate.
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    ASSERT_EQ(row.Id, 5);
    row.CorrBillId = 21;
    Ledger.Editing = true;
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox2->Text(), "A:Money-Pound card");
        EXPECT_EQ(d.Edit3->Text(), "(1/4)/(1)");
        EXPECT_EQ(d.RxCalcEdit1->Value(), 100);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 45);
        d.Button1->Click();
    });
    ASSERT_TRUE(form->Save());
    EXPECT_EQ(Moves(),
              "5|5|21|20260311|||-100|(1/4)/(1)|6\n"
              "6|21|5|20260311|||45|(1/4)/(1)|5\n");
    EXPECT_EQ(SelectMove, 5);
    EXPECT_EQ(Amount(kEuroCard), "0");
    EXPECT_EQ(Amount(21), "45");
    EXPECT_EQ(Amount(kCashGroup), "2580");  // 2100 + 300 + 45 x 4
}

TEST_F(TransactionDialog, SmallAmountsAndUnlistedAccounts) {
    // An account whose currency row is missing is in neither list.
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, twosign) "
        "values (20, 4, 2, 99, 'Lost', 9, 'FF')");
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        EXPECT_EQ(d.ComboBox1->Items().IndexOf("A:Money-Lost"), -1);
        EXPECT_EQ(d.ComboBox1->Items().Count(), 8);
        ChooseAccounts(d, kWallet, kBank);
        EXPECT_EQ(d.Edit3->Text(), "0");
        d.RxCalcEdit1->SetValue(0.05L);
        d.RxCalcEdit3->SetValue(0.05L);
        EXPECT_EQ(d.Edit3->Text(), "0,05/0,05");
        d.Button1->Click();
    });
    form->Action(19)->trigger();
    EXPECT_EQ(Moves(), "5|5|6|20260315|||-0,05|0,05/0,05|6\n6|6|5|20260315|||0,05|0,05/0,05|5\n");

    // Esc leaves the dialog like Cancel.
    driver.Then([](TForm& f) {
        char esc = 27;
        Dialog(f).FormKeyPress(esc);
        EXPECT_EQ(esc, 0);
    });
    form->Action(19)->trigger();
    EXPECT_EQ(Form7->Tag, 0);
}

TEST_F(TransactionDialog, NumberNoteAndRateTheCodePageCannotHoldAreRefused) {
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        ChooseAccounts(d, kWallet, kEuroCard);
        d.RxCalcEdit1->SetValue(10);
        TypeText(d.Edit1, QString::fromUtf8("\uFF17"));  // a full-width 7
        TypeText(d.Edit2, QString::fromUtf8("Taxi 🚕"));
        boxes.Answer(IDOK);
        d.Button1->Click();
        EXPECT_EQ(d.Edit1->selectedText(), QString::fromUtf8("\uFF17"));
        d.Edit1->selectAll();
        TypeText(d.Edit1, "7");
        boxes.Answer(IDOK);
        d.Button1->Click();
        EXPECT_EQ(d.Edit2->selectedText(), QString::fromUtf8("🚕"));
        d.Edit2->selectAll();
        TypeText(d.Edit2, QString::fromUtf8("Taxi café"));
        // The rate field, when it is the one typed.
        d.RadioButton3->SetChecked(true);
        d.Edit3->selectAll();
        TypeText(d.Edit3, QString::fromUtf8("1/2中"));
        boxes.Answer(IDOK);
        d.Button1->Click();
        EXPECT_EQ(d.Tag, 0);
        EXPECT_EQ(Moves(), "");
        d.Edit3->selectAll();
        TypeText(d.Edit3, "1/2");
        d.Button1->Click();
    });
    form->Action(19)->trigger();
    ASSERT_EQ(boxes.asked().size(), 3u);
    const int fields[] = {31, 32, 36};
    for (int i = 0; i < 3; ++i) {
        AnsiString caption = form->Ui(fields[i]);
        if (!caption.empty() && caption.back() == ':') caption.pop_back();
        EXPECT_NE(boxes.asked()[i].text.find("\"" + caption + "\""), AnsiString::npos)
            << boxes.asked()[i].text;
    }
    EXPECT_NE(boxes.asked()[0].text.find("U+FF17"), AnsiString::npos);
    EXPECT_NE(boxes.asked()[1].text.find("U+1F695"), AnsiString::npos);
    // Only what the code page holds is stored, the accented note as UTF-8.
    EXPECT_EQ(DB->GetTable("select num, note, kurs from bill_move where id = 5")->FieldAsString(1),
              "Taxi café");
    EXPECT_EQ(DB->GetTable("select num from bill_move where id = 6")->FieldAsString(0), "7");
}

TEST_F(TransactionDialog, ARateBelowAHundredThousandthIsWrittenOutSoItStillConverts) {
    // One EUR is worth 250,000 USD here: its stored rate is far below the exponent-form bound.
    DB->ExecSQL("update currency set kurs = 0.000004, kurs_str = '1/250000' where id = 2");
    driver.Then([&](TForm& f) {
        TForm7& d = Dialog(f);
        d.RadioButton3->SetChecked(true);
        ChooseAccounts(d, kWallet, kEuroCard);
        EXPECT_EQ(d.Edit3->Text(), "1/0,000004");
        EXPECT_EQ(d.Label8->Caption(), "1 USD = 250000 EUR");
        d.RxCalcEdit1->SetValue(2);
        EXPECT_EQ(d.RxCalcEdit3->Value(), 500000.0L);
        d.Button2->Click();
    });
    form->Action(19)->trigger();
    EXPECT_EQ(driver.shown(), 1);
}
