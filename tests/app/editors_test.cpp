// The ledger's in-place editors as a state machine on the ledger state, driven by the key
// handlers with injected side-key state and scripted answers.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include "app/unit1.h"
#include "controls/number_text.h"
#include "platform/dialogs.h"
#include "platform/keystate.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Editors : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        ReleaseAllSideKeys();
        SeedHousehold(3);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = kWallet;
        tab.BillTypeId = 2;
        tab.TwoSign = true;
        Head.HeadTabs.push_back(tab);
        form->SwitchToTab(1);
    }
    void TearDown() override { ReleaseAllSideKeys(); }
    void Type(const std::string& keys) {
        for (char k : keys) form->FormKeyPress(k);
    }
    void Key(int vk) {
        int k = vk;
        form->FormKeyDown(k, 0);
    }
    TBillMoveRow& Current() { return Ledger.Rows[Ledger.CurRow]; }
    void GoToCell(int col) {
        Ledger.CurCol = col;
        Ledger.CaretPos = static_cast<int>(Current().Cells[col].size()) + 1;
        Ledger.SelLength = 0;
    }
};

}  // namespace

TEST_F(Editors, DateFieldsAreOverwrittenAndCheckedWhenComplete) {
    // The new row is current; its date is "07.12.26" with the first field highlighted.
    ASSERT_EQ(Current().Id, -1);
    EXPECT_EQ(Current().Cells[0], "07.12.26");
    Ledger.CurCol = 0;
    Ledger.CaretPos = 4;
    Ledger.SelStart = 4;
    Ledger.SelLength = 2;
    Type("02");  // month 02: the caret moves on to the year
    EXPECT_EQ(Current().Cells[0], "07.02.26");
    EXPECT_EQ(Ledger.CaretPos, 7);
    EXPECT_TRUE(Ledger.Editing);
    Ledger.CaretPos = 1;
    Ledger.SelLength = 2;
    Type("31");  // 31 February 2026 becomes 28
    EXPECT_EQ(Current().Cells[0], "28.02.26");
    EXPECT_EQ(Ledger.CaretPos, 4);
    Ledger.SelLength = 2;
    Type("13");
    EXPECT_EQ(Current().Cells[0], "28.12.26");
    Ledger.CaretPos = 7;
    Ledger.SelLength = 2;
    Type("00");  // a field of 00 becomes 01, and the caret wraps to the first field
    EXPECT_EQ(Current().Cells[0], "28.12.01");
    EXPECT_EQ(Ledger.CaretPos, 1);
    Type("x");  // letters are ignored
    EXPECT_EQ(Current().Cells[0], "28.12.01");
    // One digit typed, then Tab: the field gets its leading zero.
    Ledger.SelLength = 2;
    Type("5\t");
    EXPECT_EQ(Current().Cells[0], "05.12.01");
    EXPECT_EQ(Ledger.CurCol, 1);
}

TEST_F(Editors, AmountCellsTakeDigitsCommaAndSignsOnly) {
    GoToCell(4);
    Type("12a.*,5+1");
    EXPECT_EQ(Current().Cells[4], "12,5+1");
    // Backspace at the start does nothing; with a selection it removes it and the character before.
    Ledger.CaretPos = 1;
    Type("\b");
    EXPECT_EQ(Current().Cells[4], "12,5+1");
    Ledger.CaretPos = 5;
    Ledger.SelStart = 3;
    Ledger.SelLength = 2;
    Type("\b");
    EXPECT_EQ(Current().Cells[4], "1+1");
}

TEST_F(Editors, TabMovesBetweenCellsAndOnlyTheLeftShiftGoesBack) {
    Ledger.CurCol = 1;
    Current().Cells[1] = "77";
    SetSideKeyForTests(TSideKey::RightShift, true);
    Type("\t");
    EXPECT_EQ(Ledger.CurCol, 2);
    SetSideKeyForTests(TSideKey::RightShift, false);
    SetSideKeyForTests(TSideKey::LeftShift, true);
    Type("\t");
    EXPECT_EQ(Ledger.CurCol, 1);
    EXPECT_EQ(Ledger.SelLength, 1000000);
    Ledger.CurCol = 0;
    Type("\t");
    EXPECT_EQ(Ledger.CurCol, 0);  // Shift+Tab in the date does nothing
    SetSideKeyForTests(TSideKey::LeftShift, false);
    Ledger.CurCol = 5;
    Type("\t");
    EXPECT_EQ(Ledger.CurCol, 5);  // Tab in the last amount does nothing
}

TEST_F(Editors, NoteCompletionFillsTheRestAndTabTakesTheEarlierRow) {
    GoToCell(2);
    Current().Cells[2].clear();
    Ledger.CaretPos = 1;
    Type("we");
    EXPECT_EQ(Current().Cells[2], "Weekly shop");
    EXPECT_EQ(Ledger.SelStart, 3);
    EXPECT_EQ(Ledger.SelLength, 1000000);
    EXPECT_TRUE(form->CompletionReady);
    Type("\t");
    EXPECT_EQ(Current().Cells[3], "S:Food-Groceries");
    EXPECT_EQ(Current().CorrBillId, kGroceries);
    EXPECT_EQ(Ledger.CurCol, 5);  // the first amount is empty: the paid amount takes the caret
    EXPECT_FALSE(Current().Cells[5].empty());
    // Any key but Tab forgets the completion.
    GoToCell(2);
    Current().Cells[2].clear();
    Ledger.CaretPos = 1;
    Type("Din");
    Type("\x06");  // Left
    EXPECT_FALSE(form->CompletionReady);
}

TEST_F(Editors, AccountCompletionAndTheDropDownList) {
    GoToCell(3);
    Current().Cells[3].clear();
    Ledger.CaretPos = 1;
    Type("s:food-r");
    EXPECT_EQ(Current().Cells[3], "S:Food-Restaurants");
    EXPECT_EQ(Current().CorrBillId, kRestaurants);
    EXPECT_EQ(Ledger.SelStart, 9);
    Type("x");
    EXPECT_EQ(Current().CorrBillId, 0);  // no account begins so
    form->SelDestBill(Ledger.CurRow);
    EXPECT_FALSE(form->ListBox1->isHidden());
    EXPECT_EQ(form->ListBox1->Items().Count(), static_cast<int>(form->ListBillIds.size()));
    // Accounts marked hidden, and the ledger's own account, stay out.
    DB->ExecSQL("update bill set twosign = 'TT' where id = " + IntToStr(kBank));
    form->SelDestBill(Ledger.CurRow);
    for (int id : form->ListBillIds) {
        EXPECT_NE(id, kBank);
        EXPECT_NE(id, kWallet);
    }
    form->ListBox1->SetItemIndex(0);
    int enter = VK_RETURN;
    form->ListBox1KeyDown(enter, 0);
    EXPECT_TRUE(form->ListBox1->isHidden());
    EXPECT_EQ(Current().CorrBillId, form->ListBillIds[0]);
    EXPECT_EQ(Ledger.SelLength, 10000);
}

TEST_F(Editors, LeavingAnEditedRowAsksAndCancelKeepsEverything) {
    GoToCell(1);
    Type("9");
    ASSERT_TRUE(Ledger.Editing);
    const int row = Ledger.CurRow;
    ScriptedBoxes boxes;
    boxes.Answer(IDCANCEL, form->Ui(98));
    Key(VK_UP);
    EXPECT_EQ(Ledger.CurRow, row);
    EXPECT_TRUE(Ledger.Editing);
    // Page Up and Ctrl+Up ask too.
    boxes.Answer(IDCANCEL, form->Ui(98));
    Key(VK_PRIOR);
    EXPECT_EQ(Ledger.CurRow, row);
    boxes.Answer(IDNO, form->Ui(98));
    Key(VK_UP);
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(Ledger.CurRow, row - 1);
    EXPECT_EQ(Ledger.Rows.back().Cells[1], "");  // the edit was dropped
}

TEST_F(Editors, EscDropsTheEditAndEnterStoresTheRowAndMovesDown) {
    GoToCell(2);
    Type("abc");
    Type("\x1b");
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(Ledger.Rows.back().Cells[2], "");
    // A full row typed into the new row, then Enter.
    const long long before = DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0);
    GoToCell(3);
    Ledger.CaretPos = 1;
    Type("a:money-b\t");
    Type("7,5\r");
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), before + 2);
    EXPECT_EQ(DB->GetTable("select amount from bill_move where src_bill_id = 5 order by id desc")
                  ->FieldAsString(0),
              "7,5");
    EXPECT_EQ(SelectMove, -1);
}

TEST_F(Editors, CtrlArrowsSwitchAndMoveTabsButNeverTheTree) {
    THeadTab second;
    second.Kind = tkLedger;
    second.Id = kBank;
    second.BillTypeId = 2;
    second.Caption = "Bank";
    Head.HeadTabs.push_back(second);
    SetSideKeyForTests(TSideKey::LeftCtrl, true);
    Key(VK_RIGHT);
    EXPECT_EQ(HeadIndex, 2);
    SetSideKeyForTests(TSideKey::RightShift, true);
    Key(VK_LEFT);  // Ctrl+Shift+Left: swap with the tab before
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(Head.HeadTabs[1].Id, kBank);
    Key(VK_LEFT);  // never past the tree
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(Head.HeadTabs[0].Kind, tkTree);
    SetSideKeyForTests(TSideKey::RightShift, false);
    Key(VK_LEFT);
    EXPECT_EQ(HeadIndex, 0);
    EXPECT_EQ(HeadButtons.ButtonGroup, 1);
    EXPECT_FALSE(form->Panel1->isHidden());
}

TEST_F(Editors, CellsRefuseCharactersTheCodePageCannotHoldAsTheyAreTypedOrPasted) {
    int beeps = 0;
    SetBeepHookForTests([&] { ++beeps; });
    // Typed as keys reach the window: accented letters go in, other scripts beep and stay out.
    GoToCell(1);
    TypeText(form.get(), QString::fromUtf8("Café 中文 😀!"));
    EXPECT_EQ(Current().Cells[1], FromQString(QString::fromUtf8("Café  !")));
    EXPECT_EQ(Ledger.CaretPos, static_cast<int>(Current().Cells[1].size()) + 1);
    EXPECT_TRUE(Ledger.Editing);
    EXPECT_EQ(beeps, 3);
    GoToCell(3);
    const AnsiString corr = Current().Cells[3];
    TypeText(form.get(), QString::fromUtf8("中"));
    EXPECT_EQ(Current().Cells[3], corr);
    EXPECT_EQ(beeps, 4);
    // An amount cell ignores them as quietly as any letter.
    GoToCell(4);
    TypeText(form.get(), QString::fromUtf8("中a"));
    EXPECT_EQ(Current().Cells[4], "");
    EXPECT_EQ(beeps, 4);

    // A paste that holds one is refused whole, the cell and its selection as they were.
    GoToCell(2);
    Current().Cells[2] = "Rent";
    Ledger.CaretPos = 5;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(" 中文"));
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, "\x16");
    QCoreApplication::sendEvent(form.get(), &paste);
    EXPECT_EQ(Current().Cells[2], "Rent");
    EXPECT_EQ(Ledger.CaretPos, 5);
    EXPECT_EQ(beeps, 5);
    QGuiApplication::clipboard()->setText(QString::fromUtf8(" café"));
    QCoreApplication::sendEvent(form.get(), &paste);
    EXPECT_EQ(Current().Cells[2], FromQString(QString::fromUtf8("Rent café")));
    EXPECT_EQ(beeps, 5);
    SetBeepHookForTests({});
}
