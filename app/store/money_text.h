// The text forms in which amounts are shown and written into SQL.
#pragma once

#include <cstdint>

#include "platform/ansistring.h"

namespace qm {

// Rounds to the nearest integer, halves to even.
long double RoundHalfEven(long double v);

// The value in hundredths, rounded half to even, zero-padded to at least three digits (four
// characters after a "-"), with `sep` before the last two digits: 5 -> "5,00", -0.05 -> "-0,05".
// With ',' it is the ledger's display form; with '.' the form amounts are written into SQL in.
// Hundredths too many for a 64-bit integer (values from about 9E16 on) take the general number
// form of the rounded value instead, exponent and all ("1,11111111111111E19"), which is still a
// number text and, with '.', an SQL number.
AnsiString CentsText(long double value, char sep);
// The same text from the value already in hundredths (a whole number).
AnsiString HundredthsText(long double cents, char sep);
// The value rounded half to even, without decimals.
AnsiString WholeUnitsText(long double value);

// Whether the file can hold the value as a number: finite, and inside the range of the engine's
// 8-byte floats (a larger literal would be read back as infinity, which no text converts from).
bool StorableNumber(long double value);
// The texts numbers are written into SQL in. Both are valid SQL numbers for every storable value
// and throw Exception for any other, so that nothing the file cannot read back is written.
// SqlCentsText: CentsText with a point (amounts of moves, group totals).
AnsiString SqlCentsText(long double value);
// SqlNumberText: the general number form (15 significant digits) with a point (budgets, rates).
AnsiString SqlNumberText(long double value);
// The stored account amounts: SqlNumberText.
AnsiString AccountAmountText(long double value);
// A number text as read from the database or a cell: empty counts as 0, decimal comma.
long double AmountValue(const AnsiString& text);
// AmountValue of the text the database layer gives for a stored number (FloatToStr of the
// engine's double): the same number, without the detour through text for the amounts of at
// most two decimals that the program writes.
long double StoredAmountValue(double stored);
// Whether `stored` is the double nearest to a whole number of hundredths below 10^15 (every amount
// the program writes is); sets `hundredths` to that number when it is. StoredAmountValue gives
// such a number as hundredths / 100.
bool StoredHundredths(double stored, int64_t& hundredths);

}  // namespace qm
