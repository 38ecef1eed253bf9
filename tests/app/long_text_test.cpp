// Texts of millions of characters that another program put into the file: every view measures
// and draws only what of them can show, while the file keeps them whole.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "app/window/main_window.h"
#include "controls/rx_label.h"
#include "dialogs/table_report_dialog.h"
#include "platform/controls.h"
#include "platform/graphics.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

constexpr size_t kLong = 10'000'000;

struct LongText : HouseholdWindow {
    LongText() : HouseholdWindow(2026, 3, 15) { start = {.dialogs = true, .paint = false}; }

    // How many characters the canvases handed to Qt while `step` ran.
    static size_t Measured(const std::function<void()>& step) {
        const size_t before = TextCharactersMeasured();
        step();
        return TextCharactersMeasured() - before;
    }

    // The displayed row holding the long note.
    static int LongRow() {
        for (size_t r = 0; r < Ledger.Rows.size(); ++r)
            if (Ledger.Rows[r].Cells[2].size() > kLong) return static_cast<int>(r);
        return -1;
    }
};

}  // namespace

// The wallet's last move gets a note of ten million characters, the bank a name as long, both
// written by a second connection as another program would. Each view then costs about what a
// window of short texts costs: a whole window of them and the one long text cut to the limit.
TEST_F(LongText, ALongNoteOrNameCostsWhatCanShowInEveryView) {
    Seed(30);
    {
        TSQLiteDatabase other("./Quillmarsh.dat");
        other.ExecSQL(
            "update bill_move set note = 'Long note ' || replace(hex(zeroblob(5000000)), '0', "
            "'n') where ts = (select max(ts) from bill_move where src_bill_id = " +
            IntToStr(kWallet) + ")");
        other.ExecSQL(
            "update bill set name = 'Bank ' || replace(hex(zeroblob(5000000)), '0', "
            "'b') where id = " +
            IntToStr(kBank));
    }
    ASSERT_NO_FATAL_FAILURE(Start());
    const size_t bound = 6 * kShownTextLimit;

    // Each step below hands the long text's first part to Qt (it shows), and no more.
    const auto expectBounded = [&](size_t measured, size_t most) {
        EXPECT_GE(measured, kShownTextLimit);
        EXPECT_LT(measured, most);
    };

    // The tree, with the bank's row.
    expectBounded(Measured([&] { form->FormPaint(); }), bound);

    // The wallet's ledger, the long note on screen.
    OpenLedger(kWallet);
    expectBounded(Measured([&] { form->FormPaint(); }), bound);
    const int row = LongRow();
    ASSERT_GE(row, 0);
    const TRect cell = Ledger.Rows[row].CellRects[2];
    ASSERT_GT(cell.Width(), 0);
    const TPoint mid{(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2};

    // Resting the mouse on it shows the hint, which takes the part that can show; the caret's
    // timer paints the ledger at each of its five ticks meanwhile.
    expectBounded(Measured([&] {
                      form->FormMouseMove({}, mid.X, mid.Y);
                      for (int tick = 0; tick < 5; ++tick) form->Timer2Timer();
                      ASSERT_FALSE(form->Panel3->isHidden());
                      form->Panel3->grab();
                  }),
                  6 * bound);
    EXPECT_EQ(form->RxLabel1->Caption(), ShownPart(Ledger.Rows[row].Cells[2]));

    // A click puts the caret where it was clicked; the row being edited paints as cheaply.
    expectBounded(Measured([&] {
                      form->FormMouseDown(TMouseButton::mbLeft, 0, mid.X, mid.Y);
                      form->FormMouseUp(TMouseButton::mbLeft, 0, mid.X, mid.Y);
                      form->FormPaint();
                  }),
                  bound);
    EXPECT_EQ(Ledger.CurRow, row);
    EXPECT_EQ(Ledger.CurCol, 2);
    EXPECT_GT(Ledger.CaretPos, 1);
    EXPECT_LT(Ledger.CaretPos, 200);
    EXPECT_EQ(Ledger.Rows[row].Cells[2].size(), 10 + kLong);  // the cell keeps all of it

    // The table report of the wallet, the long note in one of its lines: measured once, then
    // each paint of the window.
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm16&>(f);
        for (int i = 0; i < d.ComboBox1->Items().Count(); ++i)
            if (d.ComboBox1->Items()[i] == "A:Money-Wallet") d.ComboBox1->SetItemIndex(i);
        d.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        d.DateTimePicker2->SetDate(EncodeDate(2026, 3, 15));
        d.Button1->Click();
    });
    expectBounded(Measured([&] { form->Action(30)->trigger(); }), bound + 40 * 5 * 20);
    ASSERT_EQ(CurrentTab().Kind, tkReport);
    ASSERT_GT(CurrentTab().ReportText.size(), kLong);
    // Scrolled to its end, where the long line stands (the last move of the period).
    form->ReportScroll.Position = form->ReportScroll.Maximum;
    expectBounded(Measured([&] { form->FormPaint(); }), bound);
}
