// The spreadsheet export command of the main menu.
#pragma once

namespace qm {

class TForm1;

// The export command: shows the export dialog.
void Action23Execute(TForm1& form);

// Connects and enables Action23. Runs once per window; later calls do nothing.
void ConnectSpreadsheetExportCommands(TForm1& form);

}  // namespace qm
