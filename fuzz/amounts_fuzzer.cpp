// Fuzz target: an amount or rate as the user types it, evaluated as the ledger's amount cells,
// the currencies dialog and the transaction dialog evaluate it, and cut to two decimals.
//
// Invariants beyond the sanitizers':
// 1. Calc never throws and gives either its error value or a finite value.
// 2. A value's number text evaluates back to the same number text.
// 3. Calculate throws only the conversion error; an accepted sum's text is a number that the
//    cell evaluates to itself again, and a refused sum leaves the cell without trailing signs.
// 4. RoundMy cuts a value below 10^15 toward zero to two decimals.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "app/store/amounts.h"
#include "fuzz/fuzz_support.h"
#include "platform/sysutils.h"

using namespace qm;
using qmfuzz::Require;

namespace {

void CheckCalc(const AnsiString& text) {
    const long double v = Calc(text);
    if (v == CalcErrorValue) return;
    Require(std::isfinite(v), "Calc gives a finite value or its error value", text);
    if (std::fabs(v) >= 1e15L) return;
    const AnsiString shown = FloatToStr(v);
    long double parsed = 0;
    Require(TryStrToFloat(shown, parsed), "a value's number text reads as a number", shown);
    // Just below the limit the 15-digit text rounds up to it ("-1E15"), and the evaluator takes
    // no exponent form: such a text is beyond what it reads, like the value 1E15 itself.
    if (std::fabs(parsed) >= 1e15L) return;
    // Below 0.00001 the text takes exponent form, which the evaluator does not read either; the
    // program writes such values out in full where they are evaluated again.
    if (shown.find('E') == AnsiString::npos) {
        Require(FloatToStr(Calc(shown)) == shown, "a number text evaluates to itself", shown);
    } else {
        const AnsiString plain = FloatToPlainStr(v);
        Require(FloatToPlainStr(Calc(plain)) == plain, "a plain number text evaluates to itself",
                plain);
    }

    const long double cut = RoundMy(v);
    // The cut works on the 15-digit text, which may round the last digit up.
    const long double slack = std::fabs(v) * 1e-14L;
    Require(std::fabs(cut) <= std::fabs(v) + slack, "RoundMy cuts toward zero", shown);
    Require(std::fabs(v - cut) < 0.01L + slack, "RoundMy keeps two decimals", shown);
    Require(cut == 0 || std::signbit(cut) == std::signbit(v), "RoundMy keeps the sign", shown);
}

void CheckCalculate(const AnsiString& text) {
    CalculateResult r;
    try {
        r = Calculate(text);
    } catch (const EConvertError&) {
        return;  // a term that is no number abandons the save with the conversion's message
    }
    if (!r.Accepted) {
        AnsiString trimmed = text;
        while (!trimmed.empty() && (trimmed.back() == '+' || trimmed.back() == '-'))
            trimmed.pop_back();
        Require(r.Text == trimmed, "a refused sum leaves the cell without trailing signs", text);
        return;
    }
    if (r.Text.empty()) return;
    long double v = 0;
    Require(TryStrToFloat(r.Text, v), "an accepted sum is a number text", r.Text);
    const CalculateResult again = Calculate(r.Text);
    Require(again.Accepted && again.Text == r.Text, "an evaluated cell evaluates to itself",
            r.Text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    CheckCalc(text);
    CheckCalculate(text);
    const AnsiString cut = RoundMyStr(text);
    Require(!cut.empty(), "RoundMyStr gives a text");
    return 0;
}
