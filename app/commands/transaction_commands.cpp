// The transaction dialog's commands.
#include "app/commands/transaction_commands.h"

#include <QAction>

#include "app/window/main_window.h"
#include "dialogs/transaction_dialog.h"

namespace qm {

namespace {

// Shows the dialog in `mode` (0 a new move, 1 the current ledger row); true when it stored one.
bool ShowMoveDialog(int mode) {
    if (!Form7 || !DB) return false;
    Form7->Tag = mode;
    Form7->ShowModal();
    return Form7->Tag == 1;
}

}  // namespace

void ConnectTransactionCommands(TForm1& form) {
    static const char* const kConnected = "qmTransactionCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    // DoEnable decides when creating and editing are offered.
    QObject::connect(form.Action(19), &QAction::triggered, &form, [] { ShowMoveDialog(0); });
    QObject::connect(form.Action(4), &QAction::triggered, &form, [] { ShowMoveDialog(1); });
    form.MoveDialog = [](int mode) { return ShowMoveDialog(mode); };
}

}  // namespace qm
