// The commands of the reports: printing the current report tab through the print settings
// dialog, and opening the three report dialogs from the main menu.
#pragma once

#include <functional>

class QPrinter;

namespace qm {

class TForm1;

// The print button's command: asks for the settings, then prints the current report tab. With no
// printer installed the user is told so and nothing changes; a printer that cannot be used is
// reported by its name.
void PrintCommand(TForm1& form);

// Runs with the printer the command has chosen, before its settings are applied; tests send the
// job to a PDF file with it. An empty hook removes it.
void SetPrinterHook(std::function<void(QPrinter&)> hook);

// Binds the print button and the charts, table and balance commands (always available).
// Runs once per window; later calls do nothing.
void ConnectReportCommands(TForm1& form);

}  // namespace qm
