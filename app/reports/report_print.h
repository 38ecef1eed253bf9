// Printing a report tab: the chart, the table or the balance report drawn on a printer's pages.
#pragma once

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

}  // namespace qm
