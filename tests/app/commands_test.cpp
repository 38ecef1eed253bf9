// Command enabling for the five situations, the position of a tree row among its siblings, and
// the clipboard commands on the current cell.
#include <gtest/gtest.h>

#include <QAction>

#include "app/window/main_window.h"
#include "platform/shell.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Commands : HouseholdWindow {
    Commands() : HouseholdWindow(2026, 12, 7) { start = {.dialogs = false, .paint = true}; }
    void SetUp() override { Open(3); }
    bool A(int n) { return form->Action(n)->isEnabled(); }
    bool N(int n) { return form->N(n)->isEnabled(); }
    bool Shown(int n) { return form->N(n)->isVisible(); }
    std::vector<bool> Buttons(int group) {
        std::vector<bool> on;
        for (const THeadButton& b : HeadButtons.Groups[group]) on.push_back(b.Enabled);
        return on;
    }
};

}  // namespace

TEST_F(Commands, TreeModesSwitchMenusActionsAndButtons) {
    // Mode 1: a group.
    SelectBill = kCashGroup;
    form->PaintMain();
    form->DoEnable(1);
    EXPECT_FALSE(N(1) || N(2) || A(15) || A(16));
    EXPECT_TRUE(N(3) && A(14) && N(8) && N(9) && A(27) && A(28) && N(10) && A(18) && A(17));
    EXPECT_FALSE(Shown(19) || Shown(20) || Shown(21) || Shown(22));
    EXPECT_FALSE(A(3) || A(19) || N(5) || A(20) || A(4) || A(21) || A(11) || A(29));
    EXPECT_EQ(Buttons(1), (std::vector<bool>{true, false, false, true, true, true, true}));
    // Mode 2: an account of another type than spending has no budget items.
    SelectBill = kBank;
    form->PaintMain();
    form->DoEnable(2);
    EXPECT_TRUE(N(1) && N(2) && A(15) && A(16) && N(3) && A(14) && N(10) && A(18));
    EXPECT_FALSE(N(8) || N(9) || A(27) || A(28));
    EXPECT_FALSE(Shown(20) || N(20) || N(21) || N(22));
    EXPECT_EQ(Buttons(1), (std::vector<bool>{true, true, true, true, true, false, false}));
    // A spending account without budget: create only; with one: edit and delete.
    SelectBill = kGroceries;
    form->PaintMain();
    form->DoEnable(2);
    EXPECT_TRUE(Shown(19) && Shown(20) && Shown(21) && Shown(22));
    EXPECT_TRUE(N(20));
    EXPECT_FALSE(N(21) || N(22));
    DB->ExecSQL(
        "update bill set budget = 10, budget_date_from = '20261201', budget_date_to = '20261231' "
        "where id = " +
        IntToStr(kGroceries));
    form->PaintMain();
    form->DoEnable(2);
    EXPECT_FALSE(N(20));
    EXPECT_TRUE(N(21) && N(22));
    // Mode 3: nothing selected; create account follows whether the shown tree has rows.
    form->PopupMenu1Tag = 0;
    form->DoEnable(3);
    EXPECT_TRUE(N(3) && A(14) && N(10) && A(18));
    EXPECT_FALSE(N(1) || N(2) || N(8) || N(9));
    EXPECT_EQ(Buttons(1), (std::vector<bool>{true, false, false, true, true, false, false}));
    DB->ExecSQL("delete from bill where bill_type_id = 1");
    form->PaintMain();
    form->DoEnable(3);
    EXPECT_FALSE(N(3) || A(14));
    EXPECT_EQ(Buttons(1)[0], false);
}

TEST_F(Commands, LedgerModesEnableMoveCommands) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = kWallet;
    tab.BillTypeId = 2;
    Head.HeadTabs.push_back(tab);
    HeadIndex = 1;
    SelectMove = -1;
    form->DoEnable(4);
    EXPECT_FALSE(A(14) || A(15) || A(16) || A(18) || A(27) || A(28) || A(3));
    EXPECT_TRUE(A(17) && A(19) && N(5) && A(11));
    EXPECT_FALSE(A(20) || A(4) || A(21) || N(6) || N(18) || N(7));
    EXPECT_FALSE(A(29));  // no text to find yet
    EXPECT_EQ(Buttons(0), (std::vector<bool>{false, true, false, false, false, false}));
    SelectMove = 3;
    form->FindText = "shop";
    form->DoEnable(4);
    EXPECT_TRUE(A(20) && A(4) && A(21) && N(6) && N(18) && N(7) && A(29));
    EXPECT_EQ(Buttons(0), (std::vector<bool>{false, true, true, true, true, true}));
    form->DoEnable(5);
    EXPECT_TRUE(A(3) && A(17));
    EXPECT_FALSE(A(19) || A(20) || A(4) || A(21) || A(11) || A(29) || N(5));
    EXPECT_EQ(Buttons(0), (std::vector<bool>{true, false, false, false, false, false}));
}

TEST_F(Commands, PositionAmongSiblings) {
    form->PaintMain();
    SelectBill = kFoodGroup;  // first of three groups
    EXPECT_EQ(form->GetBillPosKind(), -1);
    SelectBill = kHomeGroup;
    EXPECT_EQ(form->GetBillPosKind(), 0);
    SelectBill = kEmptyGroup;
    EXPECT_EQ(form->GetBillPosKind(), 1);
    SelectBill = kGroceries;  // first of two accounts: only down
    EXPECT_EQ(form->GetBillPosKind(), -1);
    form->DoEnable(2);
    EXPECT_FALSE(N(12));
    EXPECT_TRUE(N(13));
    SelectBill = kRestaurants;
    EXPECT_EQ(form->GetBillPosKind(), 1);
    SelectBill = kRent;  // the only account of its group
    EXPECT_EQ(form->GetBillPosKind(), 2);
    SelectBill = kSalaryGroup;  // the only group of its type: neither up nor down
    EXPECT_EQ(form->GetBillPosKind(), 2);
    form->DoEnable(1);
    EXPECT_FALSE(N(12) || N(13));
    SelectBill = 999;
    EXPECT_EQ(form->GetBillPosKind(), 0);
}

TEST_F(Commands, ClipboardCommandsOnTheCurrentCell) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = kWallet;
    tab.BillTypeId = 2;
    Head.HeadTabs.push_back(tab);
    HeadIndex = 1;
    form->FormPaint();
    AnsiString& note = Ledger.Rows.back().Cells[2];
    AnsiString& amount = Ledger.Rows.back().Cells[4];
    Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;

    // Paste a text with line breaks into the note: they are dropped and the text selected.
    Ledger.CurCol = 2;
    note = "ab";
    Ledger.CaretPos = 2;
    Ledger.SelLength = 0;
    SetClipboardText("x\r\ny\tz");
    form->Action10Execute();
    EXPECT_EQ(note, "axyzb");
    EXPECT_EQ(Ledger.SelStart, 2);
    EXPECT_EQ(Ledger.SelLength, 3);
    EXPECT_TRUE(Ledger.Editing);
    // Copy and cut the selection.
    form->Action9Execute();
    EXPECT_EQ(ClipboardText(), "xyz");
    EXPECT_EQ(note, "ab");
    // Paste into an amount: digits only, and only into an empty cell.
    Ledger.CurCol = 4;
    Ledger.CaretPos = 1;
    SetClipboardText("12a4");
    form->Action10Execute();
    EXPECT_EQ(amount, "");
    SetClipboardText("1234");
    form->Action10Execute();
    EXPECT_EQ(amount, "1234");
    EXPECT_EQ(Ledger.SelLength, 4);
    // Cut does nothing in an amount or the date cell.
    form->Action9Execute();
    EXPECT_EQ(amount, "1234");
    // On the tree tab nothing is touched.
    HeadIndex = 0;
    form->Action10Execute();
    form->Action8Execute();
    EXPECT_EQ(ClipboardText(), "1234");
}
