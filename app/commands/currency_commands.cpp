// The currencies command.
#include "app/commands/currency_commands.h"

#include <QAction>

#include "app/window/main_window.h"
#include "dialogs/currencies_dialog.h"

namespace qm {

void ConnectCurrencyCommands(TForm1& form) {
    static const char* const kConnected = "qmCurrencyCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    // The tree header's currencies button triggers the same action; DoEnable keeps it enabled.
    QObject::connect(form.Action(17), &QAction::triggered, &form, [] {
        if (Form3 && DB) Form3->ShowModal();
    });
}

}  // namespace qm
