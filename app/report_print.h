// The commands of the reports: printing the current report tab, and opening the three report
// dialogs from the main menu.
#pragma once

#include <functional>

class QPrinter;

namespace qm {

class TForm1;
struct THeadTab;

// The print settings dialog's choices: paper margins in millimetres and copies.
struct TPrintSettings {
    int Left = 10, Right = 10, Top = 10, Bottom = 10;
    int Copies = 1;
};

// Prints a report tab on `printer`: a chart landscape, the table and the balance portrait, with
// the copies and margins of `settings`. The margins become printer dots as fractions of the
// printable page: horizontal ones of 297 mm, vertical ones of 210 mm, whatever the orientation.
// False when the printer cannot be drawn on (none installed, or it refuses the job).
bool PrintReport(const TForm1& form, const THeadTab& tab, QPrinter& printer,
                 const TPrintSettings& settings);

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
