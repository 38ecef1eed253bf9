// The ledger tab on a seeded household: displayed rows, the current row, whole units, dates,
// the picture and the cell rectangles.
#include <gtest/gtest.h>

#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/app/ink.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace qm {
inline void PrintTo(const TColor& c, std::ostream* os) {
    *os << "RGB(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}
}  // namespace qm

namespace {

struct LedgerView : HouseholdWindow {
    LedgerView() : HouseholdWindow(2026, 12, 7) { start.dialogs = false; }
    // The household with a ledger tab of `account` current and painted.
    void ShowLedger(int account, bool twoSign = true) {
        Open(30);
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = account;
        tab.BillTypeId = 2;
        tab.Caption = "Wallet";
        tab.TwoSign = twoSign;
        Head.HeadTabs.push_back(tab);
        HeadIndex = 1;
        HeadButtons.ButtonGroup = 0;
        form->FormPaint();
    }
    TColor Pixel(int x, int y) { return form->Canvas().Pixels(x, y); }
};

}  // namespace

TEST_F(LedgerView, RowsEndWithTheNewRowWhichIsCurrentWithoutASelection) {
    ShowLedger(kWallet);
    ASSERT_EQ(Ledger.Rows.size(), 32u);  // 31 moves of the wallet and the new row
    EXPECT_EQ(Ledger.Rows.back().Id, -1);
    EXPECT_EQ(Ledger.CurRow, 31);
    // Numbers sort as texts: "100" comes before "2" on the same day.
    EXPECT_EQ(Ledger.Rows[0].Cells[1], "100");
    EXPECT_EQ(Ledger.Rows[1].Cells[1], "2");
    EXPECT_EQ(Ledger.Rows[1].Cells[3], "A:Money-Bank");
    EXPECT_EQ(Ledger.Rows[1].Cells[4], "400,00");
    EXPECT_EQ(Ledger.Rows[0].Cells[5], "10,00");
    EXPECT_EQ(Ledger.Rows[0].Cells[6], "-10,00");
    EXPECT_EQ(Ledger.Rows[1].Cells[6], "390,00");
    // Rows that were drawn show the date in the display format; others keep "yyyymmdd".
    EXPECT_EQ(Ledger.Rows[Ledger.TopRow].Cells[0].find('.'), 2u);
    EXPECT_EQ(Ledger.Rows[0].Cells[0], Ledger.TopRow > 0 ? "20260101" : "01.01.2026");
    // The current row is scrolled into view as the second-to-last visible row.
    EXPECT_EQ(Ledger.TopRow, std::clamp(31 - Ledger.PageRows + 2, 0, Ledger.ScrollMax));
}

TEST_F(LedgerView, TheSelectedRowShowsATwoDigitYearAndIsScrolledIntoView) {
    ShowLedger(kWallet);
    SelectMove = Ledger.Rows[2].Id;
    Ledger.TopRow = 20;
    form->PaintBill();
    EXPECT_EQ(Ledger.CurRow, 2);
    EXPECT_EQ(Ledger.Rows[2].Cells[0], "02.01.26");
    EXPECT_EQ(Ledger.Rows[3].Cells[0], "03.01.2026");
    EXPECT_EQ(Ledger.TopRow, 0);  // 2 - PageRows + 2, held at 0
    form->DateFormatIndex = 4;
    Ledger.Rows.clear();
    form->PaintBill();
    EXPECT_EQ(Ledger.Rows[2].Cells[0], "26-01-02");
}

TEST_F(LedgerView, WholeUnitsRoundOnlyTheDrawnText) {
    ShowLedger(kWallet, false);
    // 12,50 and 13,50 are drawn as 12 and 14, and the rows keep their cents.
    Ledger.Rows[0].Cells[4] = "12,50";
    Ledger.Rows[1].Cells[4] = "13,50";
    form->PaintBill();
    EXPECT_EQ(Ledger.Rows[0].Cells[4], "12,50");
    const TRect r = Ledger.Rows[0].CellRects[4];
    // Something is drawn right-aligned; the width of "12" is less than that of "12,50".
    int leftmostDark = r.Right;
    for (int x = r.Left; x < r.Right; ++x)
        for (int y = r.Top; y < r.Bottom; ++y)
            if (Pixel(x, y).r < 100) leftmostDark = std::min(leftmostDark, x);
    form->Canvas().Font.Style = {};
    EXPECT_GT(leftmostDark, r.Right - 2 - form->Canvas().TextWidth("12,50"));
}

TEST_F(LedgerView, PictureColoursAndCellRectangles) {
    ShowLedger(kWallet);
    const TBillMoveRow& first = Ledger.Rows[Ledger.TopRow];
    const TBillMoveRow& current = Ledger.Rows[Ledger.CurRow];
    // Header band, grid line under the strip, alternating rows, the current row white.
    EXPECT_EQ(Pixel(5, ContentTop + 1), RGB(240, 240, 234));
    EXPECT_EQ(Pixel(5, ContentTop + 3), RGB(108, 108, 108));
    EXPECT_EQ(Pixel(first.CellRects[1].Left + 1, first.CellRects[1].Top - 3), RGB(190, 189, 189));
    const TColor expect = Ledger.TopRow % 2 == 0 ? RGB(232, 232, 232) : RGB(218, 218, 218);
    EXPECT_EQ(Pixel(first.CellRects[1].Right - 3, first.CellRects[1].Bottom - 2), expect);
    EXPECT_EQ(Pixel(current.CellRects[2].Right - 30, current.CellRects[2].Bottom - 2),
              RGB(255, 255, 255));
    // Cells lie side by side with one-pixel separators, the last one ending at the scroll bar.
    for (int c = 1; c < 7; ++c)
        EXPECT_EQ(first.CellRects[c].Left, first.CellRects[c - 1].Right + 1);
    EXPECT_EQ(first.CellRects[6].Right, form->ClientWidth() - ScrollBarWidth);
    EXPECT_EQ(Pixel(first.CellRects[0].Right, first.CellRects[0].Top + 2), RGB(108, 108, 108));
    // Rows above TopRow were not drawn and keep empty rectangles.
    if (Ledger.TopRow > 0) {
        EXPECT_TRUE(Ledger.Rows[0].CellRects[0].IsEmpty());
    }
}

TEST_F(LedgerView, ANarrowWindowLeavesColumnsThatDoNotFitUndrawn) {
    ShowLedger(kWallet);
    form->resize(800, 600);
    BillColumnWidths[1] = 300;
    BillColumnWidths[3] = 400;
    form->PaintBill();
    const TBillMoveRow& row = Ledger.Rows[Ledger.TopRow];
    int lastDrawn = -1;
    for (int c = 0; c < 7; ++c)
        if (!row.CellRects[c].IsEmpty()) lastDrawn = c;
    ASSERT_GE(lastDrawn, 0);
    EXPECT_LT(lastDrawn, 6);
    EXPECT_EQ(row.CellRects[lastDrawn].Right, form->ClientWidth() - ScrollBarWidth);
}

TEST_F(LedgerView, CaretGoesToTheNearestCharacterBoundary) {
    ShowLedger(kWallet);
    const int row = Ledger.TopRow;
    const TRect r = Ledger.Rows[row].CellRects[2];  // "Weekly shop" or "Dinner out", left-aligned
    const AnsiString& T = Ledger.Rows[row].Cells[2];
    TCanvas& c = form->Canvas();
    c.Font.Style = {};
    const int start = r.Left + 2;
    form->SetCursorText(row, 2, start - 50, 0);
    EXPECT_EQ(Ledger.CaretPos, 1);
    form->SetCursorText(row, 2, start + c.TextWidth(T.substr(0, 3)) + 1, 0);
    EXPECT_EQ(Ledger.CaretPos, 4);
    form->SetCursorText(row, 2, r.Right - 3, 0);
    EXPECT_EQ(Ledger.CaretPos, static_cast<int>(T.size()) + 1);
    EXPECT_EQ(Ledger.SelLength, 0);
    // Right-aligned amounts count from the cell's right end.
    const TRect a = Ledger.Rows[row].CellRects[5];
    const AnsiString& amount = Ledger.Rows[row].Cells[5];
    form->SetCursorText(row, 5,
                        a.Right - 2 - c.TextWidth(amount) + c.TextWidth(amount.substr(0, 1)), 0);
    EXPECT_EQ(Ledger.CaretPos, 2);
}

TEST_F(LedgerView, AmountsTooWideForTheirCellShowTheirSignAndCutTheirEnd) {
    ShowLedger(kWallet);
    // A withdrawal so large that the balance after it cannot fit its column.
    InsertMovePair(*DB, kWallet, kBank,
                   {"20261201", "900", "Big", "-2503897140.00", "2503897140.00", "1"});
    Head.HeadTabs[1].BufRows.clear();  // the ledger loads afresh
    Ledger.Rows.clear();
    SelectMove = -1;
    form->PaintBill();
    int big = -1;
    for (size_t i = 0; i < Ledger.Rows.size(); ++i)
        if (Ledger.Rows[i].Cells[2] == "Big") big = static_cast<int>(i);
    ASSERT_GE(big, 0);
    const TBillMoveRow& row = Ledger.Rows[big];
    const TBillMoveRow& fits = Ledger.Rows[big - 1];
    ASSERT_FALSE(row.CellRects[6].IsEmpty());
    ASSERT_NE(big, Ledger.CurRow);
    const QImage& picture = form->Image().Image();
    auto inner = [](const TRect& r) { return QRect(r.Left + 2, r.Top, r.Width() - 4, r.Height()); };
    TCanvas& c = form->Canvas();
    c.Font.Style = {};
    for (int col : {5, 6}) {
        const TRect cell = row.CellRects[col];
        const AnsiString text = row.Cells.Text(col);
        ASSERT_GT(c.TextWidth(text), cell.Width() - 4) << text;
        // The text starts at the cell's left, the balance with its minus sign; the end is cut.
        const QRect first = FirstGlyph(picture, inner(cell));
        EXPECT_EQ(IsMinus(first), col == 6)
            << text << ": " << first.width() << "x" << first.height();
        EXPECT_LE(first.left(), cell.Left + 4) << text;
    }
    // A balance that fits stays right-aligned two pixels before the cell's right end.
    const TRect cell = fits.CellRects[6];
    const int width = c.TextWidth(fits.Cells.Text(6));
    ASSERT_LT(width, cell.Width() - 4);
    const QRect first = FirstGlyph(picture, inner(cell));
    EXPECT_GE(first.left(), cell.Right - 2 - width);
    EXPECT_LE(first.left(), cell.Right - 2 - width + 2);
    // A click maps to the character drawn under it: just right of the sign is after it.
    form->SetCursorText(big, 6, row.CellRects[6].Left + 2 + c.TextWidth("-"), 0);
    EXPECT_EQ(Ledger.CaretPos, 2);
}
