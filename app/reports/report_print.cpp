// Printing a report tab.
#include "app/reports/report_print.h"

#include <QPrinter>
#include <algorithm>

#include "app/reports/charts.h"
#include "app/reports/report_paint.h"
#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/store/state.h"

namespace qm {

namespace {

// Millimetres as printer dots, in proportion to a page edge of `dots` standing for `edgeMm`;
// held far inside the integers whatever the dialog was given.
int MarginDots(int dots, int mm, long double edgeMm) {
    const long double v = RoundHalfEven(static_cast<long double>(dots) * mm / edgeMm);
    return static_cast<int>(std::clamp(v, -1e8L, 1e8L));
}

}  // namespace

bool PrintReport(const TForm1& form, const THeadTab& tab, QPrinter& printer,
                 const TPrintSettings& settings) {
    printer.setPageOrientation(tab.Id == riCharts ? QPageLayout::Landscape : QPageLayout::Portrait);
    // The canvas is the printable area of the sheet, as on a desktop printer; the report's
    // margins come on top of it.
    printer.setPageMargins(printer.pageLayout().minimumMargins(), printer.pageLayout().units());
    printer.setCopyCount(std::max(settings.Copies, 1));
    TCanvas canvas(&printer);
    if (!canvas.Painter()) return false;
    const int pw = printer.width(), ph = printer.height();
    // Deliberately 297 for both horizontal margins and 210 for both vertical ones, in either
    // orientation, as the program has always measured them.
    const TRect margins{MarginDots(pw, settings.Left, 297), MarginDots(ph, settings.Top, 210),
                        MarginDots(pw, settings.Right, 297), MarginDots(ph, settings.Bottom, 210)};
    switch (tab.Id) {
        case riCharts:
            PaintDiagramToCanvas(form, canvas, tab.ReportText, margins);
            break;
        case riTable:
            PaintTransactionToCanvas(form, canvas, tab.ReportText, margins, true);
            break;
        default:
            PaintBalanceToCanvas(form, canvas, tab.ReportText, margins, true);
            break;
    }
    canvas.End();
    return true;
}

}  // namespace qm
