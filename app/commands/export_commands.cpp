// The spreadsheet export command.
#include "app/commands/export_commands.h"

#include <QAction>

#include "app/window/main_window.h"
#include "dialogs/export_dialog.h"

namespace qm {

void Action23Execute(TForm1&) {
    if (Form9) Form9->ShowModal();
}

void ConnectSpreadsheetExportCommands(TForm1& form) {
    static const char* const kConnected = "qmSpreadsheetExportConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    // Exporting is always possible; no situation of the window switches it.
    form.Action(23)->setEnabled(true);
    QObject::connect(form.Action(23), &QAction::triggered, f, [f] { Action23Execute(*f); });
}

}  // namespace qm
