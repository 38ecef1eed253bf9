// Fuzz target: date texts under every date format the program sets: the four display formats
// of the settings (read back from date pickers, the ledger and the transaction dialog), the four
// short formats the QIF reader chooses from a date's own separators, and the stored "yyyymmdd"
// dates read by their digits.
//
// Invariants beyond the sanitizers':
// 1. StrToDate and TryStrToDate agree; only the conversion error is thrown.
// 2. A date read is a real calendar date. Its text in a display format (four-digit years) reads
//    back to it; the QIF formats write two-digit years, which cannot.
// 3. A stored date read by its digits is written back as the same eight digits.
#include <cstddef>
#include <cstdint>

#include "app/window_formats.h"
#include "fuzz/fuzz_support.h"
#include "platform/sysutils.h"

using namespace qm;
using qmfuzz::Require;

namespace {

struct Format {
    const char* pattern;
    char separator;
};

// The QIF reader's choices: a year after an apostrophe month first, else by the separator.
const Format kQifFormats[] = {{"m/d/y", '/'}, {"d/m/y", '/'}, {"d.m.y", '.'}, {"y-m-d", '-'}};

void CheckUnderProcessFormat(const AnsiString& text, bool fourDigitYears) {
    TDateTime d = 0;
    const bool read = TryStrToDate(text, d);
    bool thrown = false;
    try {
        Require(StrToDate(text) == d, "StrToDate reads what TryStrToDate reads", text);
    } catch (const EConvertError&) {
        thrown = true;
    }
    Require(read != thrown, "StrToDate fails exactly when TryStrToDate does", text);
    if (!read) return;
    int y, m, day;
    DecodeDate(d, y, m, day);
    Require(y >= 1 && y <= 9999, "a date read lies in the years 1 to 9999", text);
    TDateTime check = 0;
    Require(TryEncodeDate(y, m, day, check) && check == d, "a date read is a calendar date", text);
    Require(YmdToDate(DateToYmd(d)) == d, "a date's stored text reads back to it", text);
    if (!fourDigitYears) return;
    const AnsiString shown = DateToStr(d);
    TDateTime back = 0;
    Require(TryStrToDate(shown, back) && back == d, "a date's text reads back to it", shown);
}

void CheckStoredDate(const AnsiString& text) {
    TDateTime d = 0;
    try {
        d = YmdToDate(text);
    } catch (const EConvertError&) {
        return;
    }
    Require(DateToYmd(d) == text.substr(0, 8), "a stored date is written back by its digits", text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    for (int index = 1; index <= 4; ++index) {
        ApplyProcessDateFormat(index);
        CheckUnderProcessFormat(text, true);
    }
    for (const Format& f : kQifFormats) {
        FormatSettings().ShortDateFormat = f.pattern;
        FormatSettings().DateSeparator = f.separator;
        CheckUnderProcessFormat(text, false);
    }
    CheckStoredDate(text);
    return 0;
}
