// The commands that open the settings, about, find, attached files and moves-with-files
// dialogs.
#include "app/commands/settings_commands.h"

#include <QAction>

#include "app/window/main_window.h"
#include "dialogs/about_dialog.h"
#include "dialogs/files_dialog.h"
#include "dialogs/find_dialog.h"
#include "dialogs/moves_with_files_dialog.h"
#include "dialogs/settings_dialog.h"

namespace qm {

namespace {
bool OnLedger() {
    return HeadIndex >= 0 && HeadIndex < static_cast<int>(Head.HeadTabs.size()) &&
           CurrentTab().Kind == tkLedger;
}
}  // namespace

void Action13Execute(TForm1& form) {
    if (!Form8) return;
    // OK rebuilds the ledger's rows in the new formats: a row being edited is settled first
    // rather than dropped.
    if (OnLedger() && !form.LeaveEditedRow()) return;
    Form8->ShowModal();
    form.FormPaint();
}

void Action26Execute(TForm1&) {
    if (Form10) Form10->ShowModal();
}

void Action11Execute(TForm1&) {
    if (Form11 && OnLedger()) Form11->ShowModal();
}

void Action29Execute(TForm1&) {
    if (Form11 && OnLedger()) Form11->Button1Click();
}

void Action32Execute(TForm1&) {
    if (Form18) Form18->ShowModal();
}

void ShowFilesDialog(TForm1& form) {
    if (!Form12 || SelectMove == -1) return;
    Form12->ShowModal();
    // The move's attachment mark may have changed.
    if (OnLedger()) form.PaintBill();
}

void ConnectSettingsCommands(TForm1& form) {
    static const char* const kConnected = "qmSettingsCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    const std::pair<int, void (*)(TForm1&)> always[] = {
        {13, &Action13Execute}, {26, &Action26Execute}, {32, &Action32Execute}};
    for (const auto& [n, handler] : always) {
        QObject::connect(form.Action(n), &QAction::triggered, f, [f, h = handler] { h(*f); });
        form.Action(n)->setEnabled(true);
    }
    // Whether find and find next are enabled is the window's situation's to say (DoEnable).
    QObject::connect(form.Action(11), &QAction::triggered, f, [f] { Action11Execute(*f); });
    QObject::connect(form.Action(29), &QAction::triggered, f, [f] { Action29Execute(*f); });
    form.FilesDialog = [f] { ShowFilesDialog(*f); };
}

}  // namespace qm
