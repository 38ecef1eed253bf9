// The report commands.
#include "app/commands/report_commands.h"

#include <QAction>
#include <QPrinter>

#include "app/reports/report_print.h"
#include "app/reports/report_text.h"
#include "app/window/main_window.h"
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
