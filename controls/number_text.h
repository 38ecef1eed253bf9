// Number texts of the numeric edit and the calculator: float format patterns, the general number
// text with a chosen precision, thousands grouping, the checks of typed number texts, and the
// desktop's thousands separator, currency symbol and warning beep they rely on. Every text uses
// the process-wide decimal separator.
//
// Rules:
//  1. Digits come from the value rounded to 15 significant digits, the digits a user is shown
//     everywhere else; a pattern's decimals then round those half away from zero, so 1.005
//     with two decimals shows 1,01.
//  2. A result whose shown digits are all zero carries no minus sign.
#pragma once

#include <functional>
#include <optional>

#include "platform/ansistring.h"

namespace qm {

// The separator of thousands in grouped numbers: the desktop locale's, in the interface code
// page, a blank for the locale's space-like separators; a blank also when the locale's would be
// the decimal separator in use, so that a grouped number never reads as a fraction.
char ThousandSeparator();
// For tests: a fixed separator; nullopt returns to the desktop's.
void SetThousandSeparatorForTests(std::optional<char> separator);

// The desktop locale's currency symbol in the interface code page (empty when it has none or
// the code page cannot hold it).
AnsiString CurrencyString();
void SetCurrencyStringForTests(std::optional<AnsiString> symbol);

// The desktop's default warning sound, the controls' answer to refused input.
void MessageBeep();
// For tests: called instead of the sound; an empty hook restores the sound.
void SetBeepHookForTests(std::function<void()> hook);

// A float pattern: "0" a required digit, "#" an optional digit, "." the place of the decimal
// separator, a "," before it groups the integer digits by three with ThousandSeparator; other
// characters (and quoted texts) are copied before or after the number. Sections separated by
// ";" are for positive, negative and zero values. An empty pattern, and magnitudes of 10^18 and
// more, give FloatToStr's text.
AnsiString FormatFloat(const AnsiString& format, long double value);
// The general text with `precision` significant digits: fixed notation without trailing zeros,
// or "d,dddE-x" when the exponent is at least the precision or the magnitude below 0.00001.
AnsiString FloatToStrGeneral(long double value, int precision);
// Fixed notation with exactly `decimals` decimals.
AnsiString FormatFixed(long double value, int decimals);

// A typed or pasted number text made convertible: blanks at both ends removed, thousands
// separators deleted, "." and "," that are not the thousands separator turned into the decimal
// separator; "" becomes "0" and "-" becomes "-0".
AnsiString NormalizeNumberText(const AnsiString& text);
// True when the text holds only signs, digits, "E", "e" and the decimal separator and its
// first 63 characters convert to a number, which is stored in `value`.
bool IsValidNumberText(const AnsiString& text, long double& value);
// The thousands separator inserted between every three integer digits (when `grouping`); a
// leading sign and everything from the decimal separator or an "E" on stay as they are.
AnsiString GroupThousands(const AnsiString& text, bool grouping);

}  // namespace qm
