// Number and date conversions under the process-wide formats.
#include "platform/sysutils.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qm {
namespace {

std::optional<TDateTime>& ClockSlot() {
    static std::optional<TDateTime> clock;
    return clock;
}

std::optional<AnsiString>& SystemFormatSlot() {
    static std::optional<AnsiString> fmt;
    return fmt;
}

bool IsDigits(const AnsiString& s, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

}  // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

AnsiString IntToStr(int64_t v) {
    return std::to_string(v);
}

bool TryStrToInt(const AnsiString& s, int64_t& out) {
    AnsiString t = Trim(s);
    if (t.empty()) return false;
    size_t i = 0;
    bool neg = false;
    if (t[0] == '+' || t[0] == '-') {
        neg = t[0] == '-';
        i = 1;
    }
    bool hex = false;
    if (i < t.size() && t[i] == '$') {
        hex = true;
        ++i;
    }
    if (i >= t.size()) return false;
    unsigned long long v = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && std::isxdigit(static_cast<unsigned char>(c)))
            d = std::tolower(c) - 'a' + 10;
        else
            return false;
        unsigned long long next = v * (hex ? 16 : 10) + d;
        if (next / (hex ? 16 : 10) != v || next > 9223372036854775808ULL) return false;
        v = next;
    }
    if (!neg && v > 9223372036854775807ULL) return false;
    out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

int64_t StrToInt(const AnsiString& s) {
    int64_t v;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int64_t StrToIntDef(const AnsiString& s, int64_t def) {
    int64_t v;
    return TryStrToInt(s, v) ? v : def;
}

namespace {

// A value at whole hundredths, as the file's amounts are, written without formatting it digit by
// digit: when it lies within a quarter of a unit of its 15th significant digit from k / 100 (k
// of at most 15 digits), that is what its 15 significant digits round to. False for any other
// value.
bool HundredthsText(long double v, char sep, AnsiString& out) {
    const long double hundredths = v * 100;
    if (!(std::fabs(hundredths) < 1e15L)) return false;
    const long double k = std::nearbyintl(hundredths);
    if (k == 0 || std::fabs(hundredths - k) > std::fabs(k) * 2.5e-16L) return false;
    const long long n = std::llabs(static_cast<long long>(k));
    out = v < 0 ? "-" : "";
    out += std::to_string(n / 100);
    if (const int cents = static_cast<int>(n % 100); cents != 0) {
        out += sep;
        out += static_cast<char>('0' + cents / 10);
        if (cents % 10 != 0) out += static_cast<char>('0' + cents % 10);
    }
    return true;
}

}  // namespace

AnsiString FloatToStrSep(long double v, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";
    if (AnsiString out; HundredthsText(v, sep, out)) return out;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14Le", v);  // d.dddddddddddddde±x: 15 significant digits
    AnsiString text(buf);
    size_t e = text.find('e');
    int exp = std::atoi(text.c_str() + e + 1);
    bool neg = text[0] == '-';
    AnsiString digits;
    for (size_t i = neg ? 1 : 0; i < e; ++i)
        if (std::isdigit(static_cast<unsigned char>(text[i]))) digits += text[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    AnsiString out = neg ? "-" : "";
    // The exponent after rounding decides, at both ends: 999999999999999.9 rounds to 1E15, and a
    // value a hair below 0.00001 rounds to it and is written as it is, so that its text reads
    // back to a value written the same way.
    if (exp >= 15 || exp < -5) {
        out += digits[0];
        if (digits.size() > 1) out += sep + digits.substr(1);
        out += "E" + std::to_string(exp);
        return out;
    }
    if (exp >= 0) {
        if (static_cast<int>(digits.size()) <= exp + 1) {
            out += digits + AnsiString(exp + 1 - digits.size(), '0');
        } else {
            out += digits.substr(0, exp + 1) + sep + digits.substr(exp + 1);
        }
    } else {
        out += "0";
        out += sep;
        out += AnsiString(-exp - 1, '0') + digits;
    }
    return out;
}

AnsiString FloatToStr(long double v) {
    return FloatToStrSep(v, FormatSettings().DecimalSeparator);
}

AnsiString FloatToPlainStr(long double v) {
    const char sep = FormatSettings().DecimalSeparator;
    const AnsiString general = FloatToStrSep(v, sep);
    const size_t e = general.find('E');
    if (e == AnsiString::npos) return general;
    AnsiString mantissa = general.substr(0, e);
    const int exponent = std::atoi(general.c_str() + e + 1);
    const bool negative = !mantissa.empty() && mantissa[0] == '-';
    if (negative) mantissa.erase(0, 1);
    // The significant digits, and how many stand before the separator once the point moves.
    AnsiString digits;
    int before = 0;
    bool seenSeparator = false;
    for (char c : mantissa) {
        if (c == sep) {
            seenSeparator = true;
        } else {
            digits += c;
            if (!seenSeparator) ++before;
        }
    }
    before += exponent;
    AnsiString text;
    if (before <= 0) {
        text = "0" + AnsiString(1, sep) + AnsiString(static_cast<size_t>(-before), '0') + digits;
    } else if (static_cast<size_t>(before) >= digits.size()) {
        text = digits + AnsiString(static_cast<size_t>(before) - digits.size(), '0');
    } else {
        text = digits.substr(0, before) + AnsiString(1, sep) + digits.substr(before);
    }
    return negative ? "-" + text : text;
}

bool TryStrToFloat(const AnsiString& s, long double& out) {
    AnsiString t = Trim(s);
    if (t.empty()) return false;
    char sep = FormatSettings().DecimalSeparator;
    // Validate the shape: [sign] digits [sep digits] [E [sign] digits], at least one digit.
    size_t i = 0;
    AnsiString c;  // the same text in C locale form
    if (t[i] == '+' || t[i] == '-') c += t[i++];
    size_t mantDigits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
        c += t[i++], ++mantDigits;
    if (i < t.size() && t[i] == sep) {
        c += '.';
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            c += t[i++], ++mantDigits;
    }
    if (mantDigits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
        size_t expDigits = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            c += t[i++], ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != t.size()) return false;
    errno = 0;
    long double v = std::strtold(c.c_str(), nullptr);
    if (std::isinf(v)) return false;
    out = v;
    return true;
}

long double StrToFloat(const AnsiString& s) {
    long double v;
    if (!TryStrToFloat(s, v))
        throw EConvertError("'" + s + "' is not a valid floating point value");
    return v;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999) return false;
    QDate d(year, month, day);
    if (!d.isValid()) return false;
    out = static_cast<double>(QDate(1899, 12, 30).daysTo(d));
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
    return d;
}

void DecodeDate(TDateTime d, int& year, int& month, int& day) {
    QDate q = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(d)));
    year = q.year();
    month = q.month();
    day = q.day();
}

void DecodeTime(TDateTime d, int& hour, int& minute, int& second) {
    double frac = d - std::floor(d);
    int secs = static_cast<int>(std::lround(frac * 86400.0));
    if (secs >= 86400) secs = 86399;
    hour = secs / 3600;
    minute = secs / 60 % 60;
    second = secs % 60;
}

TDateTime Now() {
    if (ClockSlot()) return *ClockSlot();
    QDateTime now = QDateTime::currentDateTime();
    QDate day = now.date();
    QTime t = now.time();
    return QDate(1899, 12, 30).daysTo(day) + t.msecsSinceStartOfDay() / 86400000.0;
}

TDateTime Date() {
    return std::floor(Now());
}

void SetClockForTests(std::optional<TDateTime> now) {
    ClockSlot() = now;
}

AnsiString FormatDateTime(const AnsiString& format, TDateTime d) {
    int y, m, day, hh, nn, ss;
    DecodeDate(d, y, m, day);
    DecodeTime(d, hh, nn, ss);
    auto pad = [](int v, int w) {
        AnsiString s = std::to_string(v);
        return s.size() < static_cast<size_t>(w) ? AnsiString(w - s.size(), '0') + s : s;
    };
    AnsiString out;
    bool afterHour = false;
    for (size_t i = 0; i < format.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        size_t run = 1;
        while (i + run < format.size() &&
               std::tolower(static_cast<unsigned char>(format[i + run])) == c)
            ++run;
        switch (c) {
            case 'y':
                out += run >= 3 ? pad(y, 4) : pad(y % 100, 2);
                break;
            case 'm':
                if (afterHour)
                    out += run >= 2 ? pad(nn, 2) : std::to_string(nn);
                else
                    out += run >= 2 ? pad(m, 2) : std::to_string(m);
                afterHour = false;
                break;
            case 'd':
                out += run >= 2 ? pad(day, 2) : std::to_string(day);
                break;
            case 'h':
                out += run >= 2 ? pad(hh, 2) : std::to_string(hh);
                afterHour = true;
                i += run;
                continue;
            case 'n':
                out += run >= 2 ? pad(nn, 2) : std::to_string(nn);
                break;
            case 's':
                out += run >= 2 ? pad(ss, 2) : std::to_string(ss);
                break;
            case '/':
                out += AnsiString(run, FormatSettings().DateSeparator);
                break;
            case ':':
                out += AnsiString(run, FormatSettings().TimeSeparator);
                break;
            default:
                out += format.substr(i, run);
                break;
        }
        i += run;
    }
    return out;
}

AnsiString DateToStr(TDateTime d) {
    return FormatDateTime(FormatSettings().ShortDateFormat, d);
}

bool TryStrToDate(const AnsiString& s, TDateTime& out) {
    // Order of the fields from the short date pattern.
    AnsiString order;
    for (char ch : LowerCase(FormatSettings().ShortDateFormat))
        if ((ch == 'd' || ch == 'm' || ch == 'y') && order.find(ch) == AnsiString::npos)
            order += ch;
    if (order.size() != 3) order = "mdy";
    char sep = FormatSettings().DateSeparator;
    AnsiString t = Trim(s);
    int parts[3] = {0, 0, 0};
    size_t lens[3] = {0, 0, 0};
    size_t pos = 0;
    int n = 0;
    bool complete = false;  // the last field read ended the text
    while (n < 3) {
        size_t end = t.find(sep, pos);
        if (end == AnsiString::npos) end = t.size();
        if (!IsDigits(t, pos, end) || end - pos > 4) return false;
        parts[n] = std::atoi(t.substr(pos, end - pos).c_str());
        lens[n] = end - pos;
        ++n;
        if (end == t.size()) {
            complete = true;
            break;
        }
        pos = end + 1;
    }
    // Text after the third field ("1.2.3.4") is no date.
    if (!complete) return false;
    int y = 0, m = 0, d = 0;
    if (n == 2) {
        // Day and month only: the current year.
        int cy, cm, cd;
        DecodeDate(Date(), cy, cm, cd);
        AnsiString two;
        for (char ch : order)
            if (ch != 'y') two += ch;
        m = two[0] == 'm' ? parts[0] : parts[1];
        d = two[0] == 'd' ? parts[0] : parts[1];
        y = cy;
    } else if (n == 3) {
        size_t ylen = 0;
        for (int i = 0; i < 3; ++i) {
            if (order[i] == 'y') y = parts[i], ylen = lens[i];
            if (order[i] == 'm') m = parts[i];
            if (order[i] == 'd') d = parts[i];
        }
        if (ylen <= 2) {
            // Two-digit years fall within 50 years of the current year.
            int cy, cm, cd;
            DecodeDate(Date(), cy, cm, cd);
            int century = cy / 100 * 100;
            y += century;
            if (y > cy + 50)
                y -= 100;
            else if (y <= cy - 50)
                y += 100;
        }
    } else {
        return false;
    }
    return TryEncodeDate(y, m, d, out);
}

TDateTime StrToDate(const AnsiString& s) {
    TDateTime d;
    if (!TryStrToDate(s, d)) throw EConvertError("'" + s + "' is not a valid date");
    return d;
}

TDateTime YmdToDate(const AnsiString& ymd) {
    TDateTime d;
    if (ymd.size() < 8 || !IsDigits(ymd, 0, 8) ||
        !TryEncodeDate(std::atoi(ymd.substr(0, 4).c_str()), std::atoi(ymd.substr(4, 2).c_str()),
                       std::atoi(ymd.substr(6, 2).c_str()), d))
        throw EConvertError("'" + ymd + "' is not a valid date");
    return d;
}

AnsiString DateToYmd(TDateTime d) {
    int y, m, day;
    DecodeDate(d, y, m, day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, day);
    return buf;
}

AnsiString SystemShortDateFormat() {
    if (SystemFormatSlot()) return *SystemFormatSlot();
    return QLocale::system().dateFormat(QLocale::ShortFormat).toStdString();
}

void SetSystemShortDateFormatForTests(std::optional<AnsiString> format) {
    SystemFormatSlot() = std::move(format);
}

AnsiString UpperCase(const AnsiString& s) {
    AnsiString r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(const AnsiString& s) {
    AnsiString r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

AnsiString Trim(const AnsiString& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

AnsiString StringReplaceAll(const AnsiString& s, const AnsiString& from, const AnsiString& to) {
    if (from.empty()) return s;
    AnsiString r;
    size_t pos = 0;
    for (;;) {
        size_t f = s.find(from, pos);
        if (f == AnsiString::npos) break;
        r += s.substr(pos, f - pos) + to;
        pos = f + from.size();
    }
    return r + s.substr(pos);
}

AnsiString QuotedSqlText(const AnsiString& s) {
    return StringReplaceAll(s, "'", "''");
}

}  // namespace qm
