// Float patterns, general number texts, grouping and number-text checks.
#include "controls/number_text.h"

#include <QApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/helpers.h"
#include "platform/sysutils.h"

namespace qm {
namespace {

// The significant digits of a value: value = 0.d1d2d3... x 10^exponent. No digits for zero.
struct Digits {
    std::string digits;
    int exponent = 0;
    bool Zero() const { return digits.empty(); }
};

void StripTrailingZeros(Digits& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

// Rounds half away from zero, keeping the first `keep` digits.
void RoundAt(Digits& d, long keep) {
    if (d.Zero() || keep >= static_cast<long>(d.digits.size())) return;
    if (keep < 0) {
        d = Digits{};
        return;
    }
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        size_t i = d.digits.size();
        while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
        if (i == 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[i - 1];
        }
    }
    StripTrailingZeros(d);
}

// The magnitude's digits: 15 significant ones (or more when asked), then rounded half away
// from zero to `precision`.
Digits ToDigits(long double v, int precision) {
    Digits d;
    if (v == 0 || !std::isfinite(v)) return d;
    const int first = std::max(precision, 15);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*Le", first - 1, std::fabs(v));
    const char* e = buf;
    for (; *e && *e != 'e'; ++e)
        if (*e >= '0' && *e <= '9') d.digits += *e;
    d.exponent = (*e ? std::atoi(e + 1) : 0) + 1;
    StripTrailingZeros(d);
    RoundAt(d, precision);
    return d;
}

// Rounds half away from zero to `decimals` digits after the decimal point.
void RoundDecimals(Digits& d, int decimals) {
    RoundAt(d, static_cast<long>(d.exponent) + decimals);
}

// One section of a float pattern.
struct Pattern {
    AnsiString prefix, suffix;
    int intPlaces = 0, intRequired = 0;
    int decPlaces = 0, decRequired = 0;
    bool grouping = false;
    bool anyPlace = false;
};

Pattern ParsePattern(const AnsiString& section) {
    Pattern p;
    bool point = false;
    int firstZero = -1;
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        AnsiString& literal = p.anyPlace ? p.suffix : p.prefix;
        if (c == '"' || c == '\'') {
            const size_t end = section.find(c, i + 1);
            literal +=
                section.substr(i + 1, end == AnsiString::npos ? AnsiString::npos : end - i - 1);
            if (end == AnsiString::npos) break;
            i = end;
        } else if (c == '0' || c == '#') {
            p.anyPlace = true;
            if (point) {
                ++p.decPlaces;
                if (c == '0') p.decRequired = p.decPlaces;
            } else {
                if (c == '0' && firstZero < 0) firstZero = p.intPlaces;
                ++p.intPlaces;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',') {
            if (!point) p.grouping = true;
        } else {
            literal += c;
        }
    }
    if (firstZero >= 0) p.intRequired = p.intPlaces - firstZero;
    return p;
}

// The sections of a pattern, split at ";" outside quotes.
std::vector<AnsiString> Sections(const AnsiString& format) {
    std::vector<AnsiString> sections(1);
    char quote = 0;
    for (char c : format) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

AnsiString Grouped(const AnsiString& digits) {
    AnsiString out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ThousandSeparator();
        out += digits[i];
    }
    return out;
}

AnsiString FormatDigits(const Pattern& p, long double magnitude) {
    Digits d = ToDigits(magnitude, 15);
    RoundDecimals(d, p.decPlaces);
    AnsiString intPart, fraction;
    for (int i = 0; i < d.exponent; ++i)
        intPart += i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
    if (static_cast<int>(intPart.size()) < p.intRequired)
        intPart.insert(0, static_cast<size_t>(p.intRequired) - intPart.size(), '0');
    for (int i = 0; i < p.decPlaces; ++i) {
        const long at = static_cast<long>(d.exponent) + i;
        fraction += at >= 0 && at < static_cast<long>(d.digits.size())
                        ? d.digits[static_cast<size_t>(at)]
                        : '0';
    }
    while (static_cast<int>(fraction.size()) > p.decRequired && fraction.back() == '0')
        fraction.pop_back();
    if (p.grouping) intPart = Grouped(intPart);
    AnsiString out = intPart;
    if (!fraction.empty()) out += FormatSettings().DecimalSeparator + fraction;
    return out;
}

bool AllZero(const AnsiString& text) {
    for (char c : text)
        if (c >= '1' && c <= '9') return false;
    return true;
}

struct LocaleTexts {
    char thousands = ' ';
    AnsiString currency;
};

const LocaleTexts& DesktopTexts() {
    static const LocaleTexts texts = [] {
        LocaleTexts t;
        const QLocale locale = QLocale::system();
        const QString group = locale.groupSeparator();
        if (group.size() == 1 && !group[0].isSpace() && FitsCodePage(group)) {
            const AnsiString g = FromQString(group);
            if (g.size() == 1) t.thousands = g[0];
        }
        const QString currency = locale.currencySymbol(QLocale::CurrencySymbol);
        if (FitsCodePage(currency)) t.currency = FromQString(currency);
        return t;
    }();
    return texts;
}

std::optional<char>& ThousandsOverride() {
    static std::optional<char> separator;
    return separator;
}

std::optional<AnsiString>& CurrencyOverride() {
    static std::optional<AnsiString> symbol;
    return symbol;
}

std::function<void()>& BeepHook() {
    static std::function<void()> hook;
    return hook;
}

}  // namespace

char ThousandSeparator() {
    const char c = ThousandsOverride() ? *ThousandsOverride() : DesktopTexts().thousands;
    return c == FormatSettings().DecimalSeparator ? ' ' : c;
}

void SetThousandSeparatorForTests(std::optional<char> separator) {
    ThousandsOverride() = separator;
}

AnsiString CurrencyString() {
    return CurrencyOverride() ? *CurrencyOverride() : DesktopTexts().currency;
}

void SetCurrencyStringForTests(std::optional<AnsiString> symbol) {
    CurrencyOverride() = std::move(symbol);
}

void MessageBeep() {
    if (BeepHook())
        BeepHook()();
    else
        QApplication::beep();
}

void SetBeepHookForTests(std::function<void()> hook) {
    BeepHook() = std::move(hook);
}

AnsiString FormatFloat(const AnsiString& format, long double value) {
    if (format.empty() || !std::isfinite(value) || std::fabs(value) >= 1e18L)
        return FloatToStr(value);
    const std::vector<AnsiString> sections = Sections(format);
    size_t chosen = 0;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) chosen = 1;
    if (value == 0 && sections.size() > 2 && !sections[2].empty()) chosen = 2;
    const Pattern p = ParsePattern(sections[chosen]);
    if (!p.anyPlace) return p.prefix + p.suffix;
    const AnsiString number = FormatDigits(p, std::fabs(value));
    const bool sign = value < 0 && chosen == 0 && !AllZero(number);
    return (sign ? "-" : "") + p.prefix + number + p.suffix;
}

AnsiString FloatToStrGeneral(long double value, int precision) {
    if (!std::isfinite(value)) return FloatToStr(value);
    precision = std::clamp(precision, 1, 18);
    const Digits d = ToDigits(value, precision);
    if (d.Zero()) return "0";
    const char sep = FormatSettings().DecimalSeparator;
    AnsiString out = value < 0 ? "-" : "";
    if (d.exponent > precision || std::fabs(value) < 0.00001L) {
        out += d.digits[0];
        if (d.digits.size() > 1) out += sep + d.digits.substr(1);
        return out + "E" + std::to_string(d.exponent - 1);
    }
    if (d.exponent <= 0) return out + "0" + sep + std::string(size_t(-d.exponent), '0') + d.digits;
    const size_t whole = static_cast<size_t>(d.exponent);
    if (d.digits.size() <= whole) return out + d.digits + std::string(whole - d.digits.size(), '0');
    return out + d.digits.substr(0, whole) + sep + d.digits.substr(whole);
}

AnsiString FormatFixed(long double value, int decimals) {
    if (!std::isfinite(value)) return FloatToStr(value);
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, "%.*Lf", std::clamp(decimals, 0, 40), value);
    AnsiString out;
    if (n >= static_cast<int>(sizeof buf)) {
        out.resize(static_cast<size_t>(n) + 1);
        std::snprintf(out.data(), out.size(), "%.*Lf", std::clamp(decimals, 0, 40), value);
        out.pop_back();
    } else {
        out = buf;
    }
    return ReplaceAll(out, ".", AnsiString(1, FormatSettings().DecimalSeparator));
}

AnsiString NormalizeNumberText(const AnsiString& text) {
    const char dec = FormatSettings().DecimalSeparator;
    const char th = ThousandSeparator();
    AnsiString s = TrimBlanks(text);
    if (dec != th) s = RemoveChar(s, th);
    if (dec != '.' && th != '.') s = ReplaceAll(s, ".", AnsiString(1, dec));
    if (dec != ',' && th != ',') s = ReplaceAll(s, ",", AnsiString(1, dec));
    if (s.empty()) return "0";
    if (s == "-") return "-0";
    return s;
}

bool IsValidNumberText(const AnsiString& text, long double& value) {
    const char dec = FormatSettings().DecimalSeparator;
    for (char c : text)
        if (!(c >= '0' && c <= '9') && c != '+' && c != '-' && c != 'E' && c != 'e' && c != dec)
            return false;
    return TryStrToFloat(text.substr(0, 63), value);
}

AnsiString GroupThousands(const AnsiString& text, bool grouping) {
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    const size_t first = sign ? 1 : 0;
    size_t end = text.find(FormatSettings().DecimalSeparator);
    if (end == AnsiString::npos) end = text.size();
    const size_t e = UpperCase(text).find('E');
    if (e != AnsiString::npos && e < end) end = e;
    end = std::max(end, first);
    const AnsiString digits = text.substr(first, end - first);
    return text.substr(0, first) + (grouping ? Grouped(digits) : digits) + text.substr(end);
}

}  // namespace qm
