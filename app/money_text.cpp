// Amount texts.
#include "app/money_text.h"

#include <cmath>
#include <limits>

#include "platform/sysutils.h"

namespace qm {

long double RoundHalfEven(long double v) {
    // nearbyint follows the current rounding mode, which the program never changes from
    // round-to-nearest-even.
    return std::nearbyintl(v);
}

AnsiString CentsText(long double value, char sep) {
    long double cents = RoundHalfEven(value * 100);
    // Splitting an exponent form's digits would put the separator into its exponent.
    if (!(std::fabs(cents) < 9e18L)) return FloatToStrSep(cents / 100, sep);
    bool neg = cents < 0;
    AnsiString digits = std::to_string(static_cast<long long>(std::fabs(cents)));
    if (digits.size() < 3) digits = AnsiString(3 - digits.size(), '0') + digits;
    AnsiString text = digits.substr(0, digits.size() - 2) + sep + digits.substr(digits.size() - 2);
    return neg ? "-" + text : text;
}

AnsiString WholeUnitsText(long double value) {
    long double r = RoundHalfEven(value);
    if (r == 0) return "0";  // no "-0" from a small negative value
    return std::fabs(r) < 9e18L ? std::to_string(static_cast<long long>(r)) : FloatToStrSep(r, '.');
}

bool StorableNumber(long double value) {
    // Written at 15 significant digits, a value just below the largest double may round up past
    // it; the largest 15-digit number that does not is the bound.
    constexpr long double kLargest = 1.79769313486231e308L;
    static_assert(kLargest <= std::numeric_limits<double>::max());
    return std::isfinite(value) && std::fabs(value) <= kLargest;
}

namespace {

void RequireStorable(long double value) {
    if (!StorableNumber(value))
        throw Exception("The number " + FloatToStrSep(value, '.') + " is out of the file's range");
}

}  // namespace

AnsiString SqlCentsText(long double value) {
    RequireStorable(value);
    return CentsText(value, '.');
}

AnsiString SqlNumberText(long double value) {
    RequireStorable(value);
    return FloatToStrSep(value, '.');
}

AnsiString AccountAmountText(long double value) {
    return SqlNumberText(value);
}

long double AmountValue(const AnsiString& text) {
    AnsiString t = Trim(text);
    return t.empty() ? 0 : StrToFloat(t);
}

}  // namespace qm
