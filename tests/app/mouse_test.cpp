// The main window's mouse against the rectangles the last paint stored: tabs, header buttons,
// tree rows and expanders, ledger cells, scroll bars with their repeat, column separators.
#include <gtest/gtest.h>

#include <tuple>

#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

constexpr auto L = TMouseButton::mbLeft;

struct Mouse : HouseholdWindow {
    Mouse() : HouseholdWindow(2026, 12, 7) { start = {.dialogs = false, .paint = true}; }
    void SetUp() override { Open(40); }
    TPoint Mid(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
    void Click(TPoint p, TMouseButton b = L) {
        form->FormMouseDown(b, 0, p.X, p.Y);
        form->FormMouseUp(b, 0, p.X, p.Y);
    }
    void DoubleClick(TPoint p) {
        form->FormMouseDown(L, 0, p.X, p.Y);
        form->FormMouseUp(L, 0, p.X, p.Y);
        form->FormDblClick();
        form->FormMouseDown(L, 0, p.X, p.Y);
        form->FormMouseUp(L, 0, p.X, p.Y);
    }
    const TBillTreeRow& Row(int view, int id) {
        for (const TBillTreeRow& r : BillTypeViews[view].Rows)
            if (r.Id == id) return r;
        throw std::runtime_error("no row");
    }
};

}  // namespace

TEST_F(Mouse, TreeClicksSelectExpandAndOpenLedgers) {
    Click(Mid(Row(1, kBank).TextRect));
    EXPECT_EQ(SelectBill, kBank);
    EXPECT_TRUE(form->Action(15)->isEnabled());
    // Collapsing the group that holds the selection moves the selection to the group.
    Click(Mid(Row(1, kCashGroup).ExpanderRect));
    EXPECT_EQ(SelectBill, kCashGroup);
    EXPECT_EQ(DB->GetTable("select isopen from bill where id = 4")->FieldAsString(0), "0");
    EXPECT_EQ(Row(1, kCashGroup).ExpanderKind, 1);
    Click(Mid(Row(1, kCashGroup).ExpanderRect));
    // A double click on an account opens its ledger; again, it switches to it. The pointer
    // moving before the button comes up selects nothing in the new row's date.
    const TPoint wallet = Mid(Row(1, kWallet).TextRect);
    Click(wallet);
    form->FormDblClick();
    form->FormMouseDown(L, 0, wallet.X, wallet.Y);
    const auto selection = std::tuple(Ledger.CaretPos, Ledger.SelStart, Ledger.SelLength);
    form->FormMouseMove(0, wallet.X + 60, wallet.Y);
    EXPECT_EQ(std::tuple(Ledger.CaretPos, Ledger.SelStart, Ledger.SelLength), selection);
    form->FormMouseUp(L, 0, wallet.X, wallet.Y);
    ASSERT_EQ(Head.HeadTabs.size(), 2u);
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(CurrentTab().Caption, "Wallet");
    EXPECT_EQ(HeadButtons.ButtonGroup, 0);
    Click(Mid(Head.HeadTabs[0].TabRect));
    EXPECT_EQ(HeadIndex, 0);
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    EXPECT_EQ(Head.HeadTabs.size(), 2u);
    EXPECT_EQ(HeadIndex, 1);
}

TEST_F(Mouse, TabsSwitchRestoreAndClose) {
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    // Select a row, leave for the tree, come back: the row and the first visible row return.
    Click(Mid(Ledger.Rows[Ledger.TopRow + 1].CellRects[1]));
    const int selected = SelectMove;
    const int top = Ledger.TopRow;
    Click(Mid(Head.HeadTabs[0].TabRect));
    Click(Mid(Head.HeadTabs[1].TabRect));
    EXPECT_EQ(SelectMove, selected);
    EXPECT_EQ(Ledger.TopRow, top);
    // Clicking the current tab does nothing; closing it makes the tree current.
    Click(Mid(Head.HeadTabs[1].TabRect));
    EXPECT_EQ(HeadIndex, 1);
    Click(Mid(Head.HeadTabs[1].CloseRect));
    EXPECT_EQ(Head.HeadTabs.size(), 1u);
    EXPECT_EQ(HeadIndex, 0);
    EXPECT_FALSE(form->Panel1->isHidden());
}

TEST_F(Mouse, LedgerCellsSelectPlaceTheCaretAndAskBeforeLeavingAnEdit) {
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    const int row = Ledger.TopRow + 2;
    const TRect note = Ledger.Rows[row].CellRects[2];
    Click({note.Left + 3, note.Top + 3});
    EXPECT_EQ(Ledger.CurRow, row);
    EXPECT_EQ(Ledger.CurCol, 2);
    EXPECT_EQ(Ledger.CaretPos, 1);
    EXPECT_EQ(SelectMove, Ledger.Rows[row].Id);
    // The balance column takes no clicks.
    Click(Mid(Ledger.Rows[row + 1].CellRects[6]));
    EXPECT_EQ(Ledger.CurRow, row);
    // A right click shows the menu without moving the selection (the menu is not run here).
    // An edit, then a click on another row: Cancel keeps the row and the cell.
    char c = 'z';
    form->FormKeyPress(c);
    ASSERT_TRUE(Ledger.Editing);
    ScriptedBoxes boxes;
    boxes.Answer(IDCANCEL, form->Ui(98));
    Click(Mid(Ledger.Rows[row + 1].CellRects[1]));
    EXPECT_EQ(Ledger.CurRow, row);
    EXPECT_EQ(Ledger.CurCol, 2);
    EXPECT_TRUE(Ledger.Editing);
    boxes.Answer(IDNO, form->Ui(98));
    Click(Mid(Ledger.Rows[row + 1].CellRects[1]));
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(Ledger.CurCol, 1);
    EXPECT_EQ(Ledger.Rows[row].Cells[2].find('z'), AnsiString::npos);
}

TEST_F(Mouse, ScrollArrowRepeatsAfterItsDelay) {
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    Ledger.TopRow = 0;
    form->KeepTopRow = true;
    form->PaintBill();
    ASSERT_GT(Ledger.ScrollMax, 3);
    const TPoint down = Mid(Ledger.DownRect);
    form->FormMouseDown(L, 0, down.X, down.Y);
    EXPECT_EQ(Ledger.ScrollCode, "DD");
    EXPECT_EQ(Ledger.TopRow, 1);  // the press itself moves one line
    for (int tick = 1; tick <= 7; ++tick) form->Timer1Timer();
    EXPECT_EQ(Ledger.TopRow, 1);  // 700 ms: still waiting
    form->Timer1Timer();          // 800 ms
    EXPECT_EQ(Ledger.TopRow, 2);
    form->Timer1Timer();  // then every 100 ms
    EXPECT_EQ(Ledger.TopRow, 3);
    form->FormMouseUp(L, 0, down.X, down.Y);
    EXPECT_EQ(Ledger.ScrollCode, "");
    EXPECT_FALSE(form->Dragging);
    EXPECT_FALSE(form->Timer1->Enabled());
    // Hover codes.
    form->FormMouseMove(0, Mid(Ledger.UpRect).X, Mid(Ledger.UpRect).Y);
    EXPECT_EQ(Ledger.ScrollCode, "MU");
}

TEST_F(Mouse, ColumnSeparatorsResizeAndDoubleClickFits) {
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    const int top = ContentTop + 4 + 5;
    const int sep1 = BillColumnWidths[0] + 1 + BillColumnWidths[1] + 1;  // right of column 1
    const int w1 = BillColumnWidths[1], w2 = BillColumnWidths[2];
    form->FormMouseDown(L, 0, sep1, top);
    ASSERT_TRUE(form->ColumnDragging);
    form->FormMouseMove(0, sep1 + 20, top);
    form->FormMouseUp(L, 0, sep1 + 20, top);
    EXPECT_EQ(BillColumnWidths[1], w1 + 20);
    EXPECT_EQ(BillColumnWidths[2], w2 - 20);
    // A double click on the same separator fits column 1 to its widest text.
    const int sep = BillColumnWidths[0] + 1 + BillColumnWidths[1] + 1;
    form->FormMouseDown(L, 0, sep, top);
    form->FormMouseUp(L, 0, sep, top);
    form->FormDblClick();
    TCanvas& c = form->Canvas();
    c.Font.Style = {fsBold};
    int widest = c.TextWidth(BillColumnCaptions[1]);
    c.Font.Style = {};
    for (const TBillMoveRow& r : Ledger.Rows) widest = std::max(widest, c.TextWidth(r.Cells[1]));
    EXPECT_EQ(BillColumnWidths[1], widest + 4);
}

TEST_F(Mouse, HeaderButtonsRunOnReleaseEvenOutsideTheButton) {
    DoubleClick(Mid(Row(1, kWallet).TextRect));
    Click(Mid(Ledger.Rows[Ledger.TopRow].CellRects[1]));
    const int selected = SelectMove;
    ASSERT_GT(selected, 0);
    THeadButton& korr = HeadButtons.Groups[0][5];
    ASSERT_TRUE(korr.Enabled);
    const TPoint p = Mid(korr.Rect);
    form->FormMouseDown(L, 0, p.X, p.Y);
    EXPECT_TRUE(korr.Pressed);
    form->FormMouseUp(L, 0, 5, 400);  // released elsewhere
    EXPECT_FALSE(HeadButtons.Groups[0][5].Pressed);
    EXPECT_NE(CurrentTab().Id, kWallet);  // went to the correspondent's ledger
}
