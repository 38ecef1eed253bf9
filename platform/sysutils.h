// The runtime services the program's logic is written against: one exception base with a message,
// process-wide number and date formats, and the conversions that honour them.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>

#include "platform/ansistring.h"

namespace qm {

class Exception : public std::exception {
  public:
    explicit Exception(AnsiString message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    AnsiString Message;
};

// A text that is no valid number or date.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

// Days counted from 30 December 1899; the fraction is the time of day.
using TDateTime = double;

struct TFormatSettings {
    char DecimalSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "MM/dd/yyyy";
    AnsiString LongDateFormat = "MM/dd/yyyy";
};
// The process-wide formats; start-up and the settings dialog change them.
TFormatSettings& FormatSettings();

AnsiString IntToStr(int64_t v);
int64_t StrToInt(const AnsiString& s);  // EConvertError when s is no integer
int64_t StrToIntDef(const AnsiString& s, int64_t def);
bool TryStrToInt(const AnsiString& s, int64_t& out);

// General number text: at most 15 significant digits, no trailing zeros, the process decimal
// separator; exponent form ("1E15", "1,5E-6") for magnitudes of 10^15 and more or below 0.00001.
AnsiString FloatToStr(long double v);
// Same rules with an explicit separator (the database is always written with a point).
AnsiString FloatToStrSep(long double v, char decimalSeparator);
// The digits of FloatToStr, written out without exponent form ("0,0000238095238095238" for
// "2,38095238095238E-5"), for texts that the expression evaluator must read back.
AnsiString FloatToPlainStr(long double v);
// Sign, digits, the process decimal separator, optional exponent; blanks around are accepted.
long double StrToFloat(const AnsiString& s);  // EConvertError when s is no number
bool TryStrToFloat(const AnsiString& s, long double& out);

TDateTime EncodeDate(int year, int month, int day);  // EConvertError on an invalid date
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
void DecodeDate(TDateTime d, int& year, int& month, int& day);
void DecodeTime(TDateTime d, int& hour, int& minute, int& second);
TDateTime Now();
TDateTime Date();  // today without the time
// For tests: a fixed clock; nullopt returns to the system clock.
void SetClockForTests(std::optional<TDateTime> now);

// Patterns: yyyy yy mm m dd d (month/day), hh nn ss, "/" is the date separator, ":" the time
// separator; letters are case-insensitive; "mm" right after "hh" is minutes.
AnsiString FormatDateTime(const AnsiString& format, TDateTime d);
AnsiString DateToStr(TDateTime d);
// Reads a date in the order of ShortDateFormat, split at the date separator.
TDateTime StrToDate(const AnsiString& s);  // EConvertError when s is no valid date
bool TryStrToDate(const AnsiString& s, TDateTime& out);
// "yyyymmdd" by its digits, whatever display format is set.
TDateTime YmdToDate(const AnsiString& ymd);  // EConvertError when no valid date
AnsiString DateToYmd(TDateTime d);

// The desktop's short date pattern (e.g. "dd.MM.yyyy"); tests may fix it.
AnsiString SystemShortDateFormat();
void SetSystemShortDateFormatForTests(std::optional<AnsiString> format);

AnsiString UpperCase(const AnsiString& s);  // ASCII letters only, as the runtime does
AnsiString LowerCase(const AnsiString& s);
AnsiString Trim(const AnsiString& s);
AnsiString StringReplaceAll(const AnsiString& s, const AnsiString& from, const AnsiString& to);
// Doubles single quotes so that a text can stand between quotes in SQL.
AnsiString QuotedSqlText(const AnsiString& s);

}  // namespace qm
