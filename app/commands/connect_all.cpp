// Binding every group of commands to the main window: one call per group; each group's file says
// what it binds.
#include "app/commands/account_commands.h"
#include "app/commands/budget_commands.h"
#include "app/commands/currency_commands.h"
#include "app/commands/export_commands.h"
#include "app/commands/qif_import_commands.h"
#include "app/commands/report_commands.h"
#include "app/commands/settings_commands.h"
#include "app/commands/transaction_commands.h"
#include "app/window/main_window.h"

namespace qm {

void ConnectAllCommands(TForm1& form) {
    ConnectAccountCommands(form);
    ConnectTransactionCommands(form);
    ConnectBudgetCommands(form);
    ConnectCurrencyCommands(form);
    ConnectSettingsCommands(form);
    ConnectSpreadsheetExportCommands(form);
    ConnectQifImportCommands(form);
    ConnectReportCommands(form);
}

}  // namespace qm
