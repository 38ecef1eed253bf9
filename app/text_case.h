// Case-insensitive comparison of interface texts, as the ledger's note and account completions
// compare: upper-cased through Unicode, in the interface code page.
#pragma once

#include "platform/ansistring.h"

namespace qm {

// The text upper-cased: converted to Unicode, upper-cased there and converted back, so a
// character may become two ("ß" gives "SS") or "?" (no upper case in the code page).
AnsiString UpperCaseAnsi(const AnsiString& text);

// Whether `text` begins with `prefix`, compared by their upper-cased forms: the first
// length(prefix) characters of `text`, upper-cased, equal `prefix` upper-cased.
bool StartsWithNoCase(const AnsiString& text, const AnsiString& prefix);

// The same against a prefix already upper-cased (by UpperCaseAnsi) of `prefixLength`
// characters, for walking many texts with one prefix.
bool StartsWithUpperCased(const AnsiString& text, size_t prefixLength,
                          const AnsiString& upperPrefix);

}  // namespace qm
