// The text forms in which amounts are shown and written into SQL.
#pragma once

#include "platform/ansistring.h"

namespace qm {

// Rounds to the nearest integer, halves to even.
long double RoundHalfEven(long double v);

// The value in hundredths, rounded half to even, zero-padded to at least three digits (four
// characters after a "-"), with `sep` before the last two digits: 5 -> "5,00", -0.05 -> "-0,05".
// With ',' it is the ledger's display form; with '.' the form amounts are written into SQL in.
AnsiString CentsText(long double value, char sep);
// The same text from the value already in hundredths (a whole number).
AnsiString HundredthsText(long double cents, char sep);
// The value rounded half to even, without decimals.
AnsiString WholeUnitsText(long double value);
// The general number form (15 significant digits) with a point: the stored account amounts.
AnsiString AccountAmountText(long double value);
// A number text as read from the database or a cell: empty counts as 0, decimal comma.
long double AmountValue(const AnsiString& text);
// AmountValue of the text the database layer gives for a stored number (FloatToStr of the
// engine's double): the same number, without the detour through text for the amounts of at
// most two decimals that the program writes.
long double StoredAmountValue(double stored);

}  // namespace qm
