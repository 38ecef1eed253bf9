// Amount texts.
#include "app/money_text.h"

#include <cmath>

#include "platform/sysutils.h"

namespace qm {

long double RoundHalfEven(long double v) {
    // nearbyint follows the current rounding mode, which the program never changes from
    // round-to-nearest-even.
    return std::nearbyintl(v);
}

AnsiString CentsText(long double value, char sep) {
    long double cents = RoundHalfEven(value * 100);
    bool neg = cents < 0;
    AnsiString digits = std::fabs(cents) < 9e18L ? std::to_string(static_cast<long long>(std::fabs(cents)))
                                                 : FloatToStrSep(std::fabs(cents), '.');
    if (digits.size() < 3) digits = AnsiString(3 - digits.size(), '0') + digits;
    AnsiString text = digits.substr(0, digits.size() - 2) + sep + digits.substr(digits.size() - 2);
    return neg ? "-" + text : text;
}

AnsiString WholeUnitsText(long double value) {
    long double r = RoundHalfEven(value);
    if (r == 0) return "0";  // no "-0" from a small negative value
    return std::fabs(r) < 9e18L ? std::to_string(static_cast<long long>(r)) : FloatToStrSep(r, '.');
}

AnsiString AccountAmountText(long double value) { return FloatToStrSep(value, '.'); }

long double AmountValue(const AnsiString& text) {
    AnsiString t = Trim(text);
    return t.empty() ? 0 : StrToFloat(t);
}

}  // namespace qm
