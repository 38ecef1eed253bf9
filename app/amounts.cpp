// Amount expressions and rounding.
//
// Calc works on the text itself: the innermost bracketed group is evaluated and replaced by its
// number text until no ")" is left; then the text is split at "+" and "-" (sum level), each term
// at "*" and "/" (product level), and each factor is converted as a number. Every term, factor
// and group goes through Calc again, so a trailing operator is dropped at every level ("5.*2"
// is 10) and an empty factor counts as 0 ("2**3" is 0); both are kept because typed amounts
// and stored rate expressions rely on them.
//
// Signs: a "+" or "-" at the start of the text or directly after another operator belongs to
// what follows it, so "2*-5" is -10, "5--3" is 8 and "--5" is 5; a replaced group that turned
// negative ("2*(0-5)") therefore multiplies correctly. A sign right after the "E" of a number in
// exponent form ("1,5E-6", which a replaced group may produce) is part of that number.
#include "app/amounts.h"

#include <cmath>
#include <string_view>

#include "platform/sysutils.h"

namespace qm {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsSign(char c) {
    return c == '+' || c == '-';
}
bool IsOperator(char c) {
    return IsSign(c) || c == '*' || c == '/';
}

// The sign at s[i] is the exponent sign of a number such as "1,5E-6".
bool IsExponentSign(const AnsiString& s, size_t i) {
    if (i < 2 || !IsSign(s[i]) || (s[i - 1] != 'E' && s[i - 1] != 'e')) return false;
    return IsDigit(s[i - 2]) || s[i - 2] == FormatSettings().DecimalSeparator;
}

// A "+" or "-" that joins two terms, as opposed to a sign.
bool IsAdditiveOperator(const AnsiString& s, size_t i) {
    return IsSign(s[i]) && i > 0 && !IsOperator(s[i - 1]) && !IsExponentSign(s, i);
}

// Skips the run of signs at s[i]; every "-" in it flips `negative`.
size_t SkipSigns(const AnsiString& s, size_t i, bool& negative) {
    for (; i < s.size() && IsSign(s[i]); ++i)
        if (s[i] == '-') negative = !negative;
    return i;
}

long double ToNumber(const AnsiString& s) {
    long double v;
    return TryStrToFloat(s, v) ? v : CalcErrorValue;
}

// Product level: factors joined by "*" and "/", each with its own signs.
long double EvalProduct(const AnsiString& s) {
    if (s.find_first_of("*/") == AnsiString::npos) return ToNumber(s);
    long double product = 1;
    bool divide = false;
    size_t i = 0;
    while (i < s.size()) {
        size_t end = s.find_first_of("*/", i);
        if (end == AnsiString::npos) end = s.size();
        bool negative = false;
        size_t start = SkipSigns(s, i, negative);
        long double v = Calc(s.substr(start, end - start));  // an empty factor gives 0
        if (v == CalcErrorValue) return CalcErrorValue;
        if (negative) v = -v;
        if (!divide) {
            product *= v;
        } else if (v == 0) {
            return CalcErrorValue;
        } else {
            product /= v;
        }
        if (end == s.size()) break;
        divide = s[end] == '/';
        i = end + 1;
    }
    return product;
}

bool HasAdditiveOperator(const AnsiString& s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (IsAdditiveOperator(s, i)) return true;
    return false;
}

// Sum level: signed terms joined by "+" and "-". A text without leading sign or additive
// operator goes to the product level directly, so a term never recurses into itself.
long double EvalSum(const AnsiString& s) {
    if (s.empty() || (!IsSign(s[0]) && !HasAdditiveOperator(s))) return EvalProduct(s);
    long double sum = 0;
    bool subtract = false;
    size_t i = 0;
    while (i < s.size()) {
        bool negative = subtract;
        size_t start = SkipSigns(s, i, negative);
        size_t end = start;
        while (end < s.size() && !IsAdditiveOperator(s, end)) ++end;
        long double v = Calc(s.substr(start, end - start));
        if (v == CalcErrorValue) return CalcErrorValue;
        sum += negative ? -v : v;
        if (end == s.size()) break;
        subtract = s[end] == '-';
        i = end + 1;
    }
    return sum;
}

// Replaces each innermost bracketed group by the number text of its value; false on any error.
bool ResolveParentheses(AnsiString& s) {
    for (size_t close = s.find(')'); close != AnsiString::npos; close = s.find(')')) {
        size_t open = close == 0 ? AnsiString::npos : s.rfind('(', close - 1);
        if (open == AnsiString::npos) return false;
        if (close + 1 < s.size() && IsDigit(s[close + 1])) return false;
        if (open > 0 && IsDigit(s[open - 1])) return false;
        long double v = Calc(s.substr(open + 1, close - open - 1));
        if (v == CalcErrorValue) return false;
        s.replace(open, close - open + 1, FloatToStr(v));
    }
    return true;
}

// A ledger term: from a second "," on it is cut off, and a bare leading or trailing "," gets
// its "0", so ",5" reads 0.5 and "5," reads 5.
AnsiString CompleteTermCommas(AnsiString term) {
    size_t first = term.find(',');
    if (first == AnsiString::npos) return term;
    size_t second = term.find(',', first + 1);
    if (second != AnsiString::npos) term.erase(second);
    if (term.front() == ',') term.insert(0, "0");
    if (term.back() == ',') term += '0';
    return term;
}

}  // namespace

long double Calc(const AnsiString& input) {
    if (input.empty()) return 0;
    AnsiString s = input;
    // Only one trailing operator is dropped: "5++" still reads as "5+".
    if (std::string_view("*+-./").find(s.back()) != std::string_view::npos) s.pop_back();
    if (!ResolveParentheses(s)) return CalcErrorValue;
    long double v = EvalSum(s);
    return std::isfinite(v) ? v : CalcErrorValue;
}

CalculateResult Calculate(const AnsiString& cellText) {
    AnsiString t = cellText;
    while (!t.empty() && IsSign(t.back())) t.pop_back();
    if (t.empty()) return {t, true};
    long double sum = 0;
    bool negative = false;
    size_t i = 0;
    while (i < t.size()) {
        size_t start = SkipSigns(t, i, negative);
        size_t end = start;
        while (end < t.size() && !(IsSign(t[end]) && !IsExponentSign(t, end))) ++end;
        long double v = StrToFloat(CompleteTermCommas(t.substr(start, end - start)));
        sum += negative ? -v : v;
        if (end == t.size()) break;
        negative = t[end] == '-';
        i = end + 1;
    }
    // There is no lower limit; a sum out of the floating range is refused like a large one.
    // The limit holds for the text the cell keeps: a sum just below it whose 15-digit text
    // rounds up to "1000000000000" is refused too.
    if (!std::isfinite(sum) || sum >= CalculateLimit) return {t, false};
    const AnsiString text = FloatToStr(sum);
    if (StrToFloat(text) >= CalculateLimit) return {t, false};
    return {text, true};
}

AnsiString RoundMyStr(const AnsiString& s) {
    AnsiString t = s.empty() ? AnsiString("0") : s;
    size_t sep = t.find_first_of(".,");
    if (sep == AnsiString::npos) return t + ",00";
    t += "00";
    t.erase(sep + 3);
    return t;
}

long double RoundMy(long double x) {
    // At 15 significant digits such a value has no fraction digits left to cut.
    if (!std::isfinite(x) || std::fabs(x) >= 1e15L) return x;
    AnsiString text = FloatToStr(x);
    long double r;
    if (text.find('E') != AnsiString::npos) {
        // Exponent form: below 0.00001, whose two-decimal cut is 0, or a value that rounds up
        // to 1E15 at 15 digits.
        r = std::fabs(x) < 1 ? 0 : StrToFloat(text);
    } else if (text.find_first_of(".,") == AnsiString::npos) {
        r = StrToFloat(text);  // whole: nothing to cut
    } else {
        r = StrToFloat(RoundMyStr(text));
    }
    return r == 0 ? 0 : r;  // "-0,00" is plain zero
}

}  // namespace qm
