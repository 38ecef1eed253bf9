// The report tabs in the window: the balance and table reports on an off-screen bitmap with a
// scroll bar at their left, the charts on a bitmap of the whole view, each inside a 10-pixel
// frame. Nothing of a layout is kept between paints; the report is laid out again every time.
#include <algorithm>

#include "app/reports/charts.h"
#include "app/reports/report_paint.h"
#include "app/reports/report_text.h"
#include "app/window/main_window.h"

namespace qm {

namespace {

const TColor kFrame = RGB(0xF0, 0xF0, 0xEA);
const TColor kGrey = RGB(0x6C, 0x6C, 0x6C);
constexpr int kBorder = 10;

using ReportRoutine = int (*)(const TForm1&, TCanvas&, const AnsiString&, const TRect&, bool);

// The 10-pixel frame around the view area below the tab strip.
void PaintViewFrame(TForm1& form) {
    TCanvas& c = form.Canvas();
    const int w = form.ClientWidth(), h = form.ClientHeight();
    c.Brush = TBrush{kFrame, bsSolid};
    c.Pen = TPen{kGrey, 1, psSolid};
    c.FillRect(Rect(0, ContentTop, w, ContentTop + kBorder));
    c.FillRect(Rect(0, ContentTop, kBorder, h));
    c.FillRect(Rect(w - kBorder, ContentTop, w, h));
    c.FillRect(Rect(0, h - kBorder, w, h));
}

// The grey frame along the bitmap's edges.
void FrameBitmap(TBitmap& bitmap) {
    TCanvas& c = bitmap.Canvas();
    c.Brush.Style = bsClear;
    c.Pen = TPen{kGrey, 1, psSolid};
    c.Rectangle(c.ClipRect());
    c.Brush.Style = bsSolid;
}

// The scrolled balance or table report: measured once at the top, then drawn at the position.
void PaintScrolledReport(TForm1& form, ReportRoutine routine) {
    PaintViewFrame(form);
    TBitmap bitmap(form.ClientWidth() - 2 * kBorder - ScrollBarWidth,
                   form.ClientHeight() - ContentTop - 2 * kBorder);
    if (bitmap.Empty()) return;
    const AnsiString& text = CurrentTab().ReportText;
    auto& s = form.ReportScroll;
    const int h = routine(form, bitmap.Canvas(), text, Rect(0, kBorder, 0, 0), false);
    s.Maximum = std::max(h - bitmap.Height(), 0);
    if (s.Position < 0) s.Position = 0;
    s.Position = std::min(s.Position, s.Maximum);
    s.Page = bitmap.Height();
    routine(form, bitmap.Canvas(), text, Rect(0, kBorder - s.Position, 0, 0), false);
    FrameBitmap(bitmap);
    const int top = ContentTop + kBorder;
    form.DrawScroll(Rect(kBorder, top, kBorder + ScrollBarWidth, form.ClientHeight() - kBorder),
                    s.ScrollCode, s.Position, s.Maximum, s.UpRect, s.PageUpRect, s.ThumbRect,
                    s.PageDownRect, s.DownRect);
    form.Canvas().Draw(kBorder + ScrollBarWidth, top, bitmap);
}

void PaintDiagram(TForm1& form) {
    PaintViewFrame(form);
    TBitmap bitmap(form.ClientWidth() - 2 * kBorder,
                   form.ClientHeight() - ContentTop - 2 * kBorder);
    if (bitmap.Empty()) return;
    PaintDiagramToCanvas(form, bitmap.Canvas(), CurrentTab().ReportText, Rect(0, 0, 0, 0));
    FrameBitmap(bitmap);
    form.Canvas().Draw(kBorder, ContentTop + kBorder, bitmap);
}

}  // namespace

void TForm1::PaintReport() {
    switch (CurrentTab().Id) {
        case riBalance:
            PaintScrolledReport(*this, &PaintBalanceToCanvas);
            break;
        case riTable:
            PaintScrolledReport(*this, &PaintTransactionToCanvas);
            break;
        case riCharts:
            PaintDiagram(*this);
            break;
        default:  // a stored tab of a report this program does not know: its frame alone
            PaintViewFrame(*this);
            Canvas().Brush.Color = clWhite;
            Canvas().FillRect(Rect(kBorder, ContentTop + kBorder, ClientWidth() - kBorder,
                                   ClientHeight() - kBorder));
            break;
    }
}

}  // namespace qm
