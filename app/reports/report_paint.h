// The balance and the table report drawn on any canvas: the window's off-screen bitmap or the
// pages of a printer. One routine per report serves both; only the unit of spacing and the page
// breaks differ on paper.
#pragma once

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

class TForm1;

// `margins` are left, top, right and bottom distances from the canvas's drawable area (the
// window passes a top of 10 minus its scroll position). Returns the y below the drawing: after
// the last line plus one unit of spacing.
int PaintBalanceToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                         const TRect& margins, bool toPrinter);
int PaintTransactionToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                             const TRect& margins, bool toPrinter);

// The window keeps the measures of the table report it painted last, and checks a long text
// painted again from the same place only in parts. A new report tab may stand where a closed one
// stood: its text is then compared whole once. Called whenever a report tab is made.
void ForgetWhereReportsStand();

}  // namespace qm
