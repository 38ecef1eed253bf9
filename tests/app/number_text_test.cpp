// The quick paths of the amount texts and of upper-casing agree with what they stand for: the
// numbers the engine hands over read as their texts would, rounding and the hundredths texts as
// the ledger defines them, and upper-casing byte by byte as whole texts through Unicode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "app/money_text.h"
#include "app/text_case.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

// The ledger's amount text by its definition: Round(a x 100) in decimal digits, zero-padded to
// three digits after an optional "-", the separator before the last two; hundredths too many
// for 64 bits in the general form.
AnsiString DefinedCentsText(long double value, char sep) {
    const long double cents = std::nearbyintl(value * 100);
    if (!(std::fabs(cents) < 9e18L)) return FloatToStrSep(cents / 100, sep);
    AnsiString digits = std::to_string(static_cast<long long>(std::fabs(cents)));
    if (digits.size() < 3) digits = AnsiString(3 - digits.size(), '0') + digits;
    return (cents < 0 ? "-" : "") + digits.substr(0, digits.size() - 2) + sep +
           digits.substr(digits.size() - 2);
}

bool SameNumber(long double a, long double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

}  // namespace

TEST(NumberText, StoredNumbersReadAsTheirDatabaseTextsRead) {
    qmtest::UseProgramFormats();
    std::mt19937_64 random(7);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.01,
                                  -0.01,
                                  0.05,
                                  12.34,
                                  -12.34,
                                  1e16,
                                  1e13,
                                  1e-7,
                                  0.125,
                                  1.005,
                                  -2.675,
                                  1e300,
                                  123456789012.34,
                                  5e-324,
                                  9999999999999.99,
                                  1.7976931348623157e308};
    for (int i = 0; i < 20000; ++i) {
        // Hundredths, as every amount the program writes, over the whole range a double holds
        // them exactly...
        const long long cents =
            static_cast<long long>(random() % 2000000000000000ULL) - 1000000000000000LL;
        values.push_back(static_cast<double>(cents) / 100.0);
        values.push_back(static_cast<double>(cents % 100000) / 100.0);
        // ...and any double at all.
        double any;
        const uint64_t bits = random();
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
        values.push_back(static_cast<double>(random() % 1000000) / 1000.0);
    }
    for (double v : values)
        ASSERT_TRUE(SameNumber(StoredAmountValue(v), AmountValue(FloatToStr(v)))) << v;
}

TEST(NumberText, RoundingAndHundredthsTextsFollowTheirDefinitions) {
    qmtest::UseProgramFormats();
    std::mt19937_64 random(11);
    std::vector<long double> values = {0.0L,   -0.0L,  0.5L,    -0.5L, 1.5L,   2.5L,   -2.5L,
                                       0.005L, 0.015L, -0.001L, 4e18L, -4e18L, 1e19L,  9.5e18L,
                                       1e30L,  -1e30L, 0.3L,    -0.3L, 1e-30L, -1e-30L};
    for (int i = 0; i < 20000; ++i) {
        values.push_back(static_cast<long double>(static_cast<int64_t>(random())) / 1000.0L);
        values.push_back((static_cast<long double>(random() % 100000) + 0.5L) *
                         (random() % 2 ? 1 : -1));
        values.push_back(static_cast<long double>(random() % 10000000) / 100.0L - 50000.0L);
    }
    for (long double v : values) {
        ASSERT_TRUE(SameNumber(RoundHalfEven(v), std::nearbyintl(v))) << static_cast<double>(v);
        ASSERT_EQ(CentsText(v, ','), DefinedCentsText(v, ',')) << static_cast<double>(v);
        ASSERT_EQ(CentsText(v, '.'), DefinedCentsText(v, '.')) << static_cast<double>(v);
    }
}

TEST(NumberText, UpperCasingByteByByteEqualsUpperCasingWholeTexts) {
    const std::string saved = InterfaceCodePage();
    std::mt19937 random(3);
    for (const char* page : {"CP1252", "CP1251", "CP1250", "CP1253"}) {
        SetInterfaceCodePage(page);
        for (int i = 0; i < 3000; ++i) {
            AnsiString text;
            const int length = static_cast<int>(random() % 12);
            for (int k = 0; k < length; ++k) text += static_cast<char>(random() % 256);
            const AnsiString whole = FromQString(ToQString(text).toUpper());
            ASSERT_EQ(UpperCaseAnsi(text), whole) << page;
            // A prefix matches exactly when the upper-cased beginnings are equal, whichever
            // case each side was typed in.
            const AnsiString prefix = text.substr(0, random() % (text.size() + 1));
            const AnsiString other = FromQString(ToQString(prefix).toLower());
            for (const AnsiString& p : {prefix, other})
                ASSERT_EQ(StartsWithNoCase(text, p),
                          text.size() >= p.size() &&
                              FromQString(ToQString(text.substr(0, p.size())).toUpper()) ==
                                  FromQString(ToQString(p).toUpper()))
                    << page;
        }
    }
    SetInterfaceCodePage(saved);
}
