// Printing a report tab and opening the report dialogs.
#include "app/report_print.h"

#include <QAction>
#include <QPrinter>
#include <algorithm>

#include "app/charts.h"
#include "app/money_text.h"
#include "app/report_paint.h"
#include "app/report_text.h"
#include "app/unit1.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/print_settings_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "platform/dialogs.h"

namespace qm {

namespace {

std::function<void(QPrinter&)>& PrinterHook() {
    static std::function<void(QPrinter&)> hook;
    return hook;
}

// Millimetres as printer dots, in proportion to a page edge of `dots` standing for `edgeMm`;
// held far inside the integers whatever the dialog was given.
int MarginDots(int dots, int mm, long double edgeMm) {
    const long double v = RoundHalfEven(static_cast<long double>(dots) * mm / edgeMm);
    return static_cast<int>(std::clamp(v, -1e8L, 1e8L));
}

// Whether the job has somewhere to go: an installed printer, or a file for a PDF. Without an
// installed printer the system leaves a PDF printer without a file.
bool HasDestination(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty();
}

// Shows the dialog after the question about an edited ledger row: a report tab would leave the
// row's edit behind.
void ShowReportDialog(TForm1& form, TForm* dialog) {
    if (!dialog || !DB || !form.LeaveEditedRow()) return;
    dialog->ShowModal();
}

}  // namespace

void SetPrinterHook(std::function<void(QPrinter&)> hook) {
    PrinterHook() = std::move(hook);
}

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

void PrintCommand(TForm1& form) {
    if (!Form15 || CurrentTab().Kind != tkReport) return;
    Form15->ShowModal();
    if (Form15->Tag == 0) return;
    QPrinter printer(QPrinter::HighResolution);
    const int index = Form15->ComboBox1->ItemIndex();
    if (index >= 0 && index < Form15->PrinterNames.size())
        printer.setPrinterName(Form15->PrinterNames[index]);
    if (PrinterHook()) PrinterHook()(printer);
    if (!HasDestination(printer)) {
        // Nothing to print on: the report stays as it is, and the user learns what is missing.
        MessageBox(&form, form.Ui(194), form.Ui(159), MB_OK | MB_ICONWARNING);
        return;
    }
    const TPrintSettings settings{Form15->SpinEdit1->Value(), Form15->SpinEdit2->Value(),
                                  Form15->SpinEdit3->Value(), Form15->SpinEdit4->Value(),
                                  Form15->SpinEdit5->Value()};
    if (!PrintReport(form, CurrentTab(), printer, settings)) {
        const QString name = printer.outputFormat() == QPrinter::PdfFormat
                                 ? printer.outputFileName()
                                 : printer.printerName();
        MessageBox(&form, form.Ui(160) + " " + FromQString(name), form.Ui(159),
                   MB_OK | MB_ICONWARNING);
    }
}

void ConnectReportCommands(TForm1& form) {
    static const char* const kConnected = "qmReportCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    form.Button1->OnClick = [f] { PrintCommand(*f); };
    const std::pair<int, std::function<TForm*()>> commands[] = {
        {22, [] { return static_cast<TForm*>(Form14); }},
        {30, [] { return static_cast<TForm*>(Form16); }},
        {31, [] { return static_cast<TForm*>(Form13); }}};
    for (const auto& [n, dialog] : commands) {
        form.Action(n)->setEnabled(true);
        QObject::connect(form.Action(n), &QAction::triggered, f,
                         [f, d = dialog] { ShowReportDialog(*f, d()); });
    }
}

}  // namespace qm
