// One call per group of commands; each group's file says what it binds.
#include "app/connect_all.h"

#include "app/account_commands.h"
#include "app/budget_commands.h"
#include "app/currency_commands.h"
#include "app/qif_import.h"
#include "app/report_print.h"
#include "app/settings_commands.h"
#include "app/spreadsheet_export.h"
#include "app/transaction_commands.h"

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
