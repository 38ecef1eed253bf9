// The main window's small numeric services: evaluating an amount or rate typed as an arithmetic
// expression, evaluating a ledger amount cell, and cutting an amount to two decimals.
#pragma once

#include "platform/ansistring.h"

namespace qm {

// The value Calc returns for an expression it cannot evaluate; callers compare with it.
inline constexpr long double CalcErrorValue = 1e15L;
// A ledger amount cell whose sum reaches this value is refused.
inline constexpr long double CalculateLimit = 1e12L;

// Evaluates "+", "-", "*", "/" and parentheses over numbers with the process decimal separator.
// Never throws: every error (unbalanced brackets, a digit directly outside a bracket, a term
// that is no number, division by 0, a result out of range) gives CalcErrorValue.
long double Calc(const AnsiString& s);

struct CalculateResult {
    AnsiString Text;  // the cell's new text
    bool Accepted;    // false when the sum reached CalculateLimit
};

// Evaluates a ledger amount cell: a chain of numbers joined by "+" and "-". An accepted sum is
// returned as its number text; a refused one leaves the cell without its trailing signs. A term
// that is no number throws EConvertError.
CalculateResult Calculate(const AnsiString& cellText);

// Cuts a number text to exactly two characters after its separator ("." or ","), toward zero.
AnsiString RoundMyStr(const AnsiString& s);
// Cuts a value to two decimals, toward zero, through its 15-digit number text.
long double RoundMy(long double x);

}  // namespace qm
