// Amount texts.
#include "app/store/money_text.h"

#include <cmath>
#include <limits>

#include "platform/sysutils.h"

namespace qm {

long double RoundHalfEven(long double v) {
    // Both follow the current rounding mode, which the program never changes from
    // round-to-nearest-even. The integer conversion is many times faster than nearbyintl (which
    // saves and restores the floating-point state); its zero takes the sign nearbyintl keeps.
    if (std::fabs(v) < 4e18L) {
        const long long r = std::llrintl(v);
        return r == 0 ? std::copysign(0.0L, v) : static_cast<long double>(r);
    }
    return std::nearbyintl(v);
}

AnsiString HundredthsText(long double cents, char sep) {
    // Splitting an exponent form's digits would put the separator into its exponent: hundredths
    // too many for a 64-bit integer take the general form of the value.
    if (!(std::fabs(cents) < 9e18L)) return FloatToStrSep(cents / 100, sep);
    // A whole number already: converting it in the current rounding mode is exact, and spares
    // the change of rounding mode a truncating conversion of a long double costs.
    const long long whole = std::llrintl(cents);
    const bool neg = cents < 0;
    unsigned long long n = static_cast<unsigned long long>(whole < 0 ? -whole : whole);
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* p = end;
    for (; n > 0; n /= 10) *--p = static_cast<char>('0' + n % 10);
    while (end - p < 3) *--p = '0';
    AnsiString text;
    text.reserve(static_cast<size_t>(end - p) + 2);
    if (neg) text += '-';
    text.append(p, static_cast<size_t>(end - p - 2));
    text += sep;
    text.append(end - 2, 2);
    return text;
}

AnsiString CentsText(long double value, char sep) {
    return HundredthsText(RoundHalfEven(value * 100), sep);
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

long double StoredAmountValue(double stored) {
    // When `stored` is the double nearest to c / 100 for an integer c below 10^15, the general
    // form of 15 significant digits prints that decimal exactly (a double keeps 15 digits), and
    // reading it back gives the long double nearest to c / 100, which is also what dividing c by
    // 100 in long double gives.
    int64_t cents = 0;
    if (StoredHundredths(stored, cents))
        return cents == 0 ? 0 : static_cast<long double>(cents) / 100;
    return AmountValue(FloatToStr(stored));
}

bool StoredHundredths(double stored, int64_t& hundredths) {
    if (!std::isfinite(stored) || !(std::fabs(stored) < 1e13)) return false;
    const double cents = std::nearbyint(stored * 100.0);
    if (cents / 100.0 != stored) return false;
    hundredths = static_cast<int64_t>(cents);
    return true;
}

}  // namespace qm
