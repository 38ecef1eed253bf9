// Number and date conversions under the program's formats.
#include "platform/sysutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <random>
#include <vector>

#include "tests/support/support.h"

using namespace qm;

TEST(SysUtils, FloatTextUsesFifteenDigitsAndTheDecimalComma) {
    qmtest::UseProgramFormats();
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(17.5L), "17,5");
    EXPECT_EQ(FloatToStr(17), "17");
    EXPECT_EQ(FloatToStr(-0.25L), "-0,25");
    EXPECT_EQ(FloatToStr(0.1L + 0.2L), "0,3");
    EXPECT_EQ(FloatToStr(0.28999999999999998), "0,29");
    EXPECT_EQ(FloatToStr(1e15L), "1E15");
    EXPECT_EQ(FloatToStr(999999999999999.0L), "999999999999999");
    EXPECT_EQ(FloatToStr(0.0000015L), "1,5E-6");
    EXPECT_EQ(FloatToStr(0.00001L), "0,00001");
    // Below 0.00001 but 0.00001 at fifteen digits: written as 0.00001 is, not as "1E-5", which
    // reads back as 0.00001 and would then be written otherwise.
    EXPECT_EQ(FloatToStr(std::nextafter(0.00001L, 0.0L)), "0,00001");
    EXPECT_EQ(FloatToStr(0.0000099999999999L), "9,9999999999E-6");
    EXPECT_EQ(FloatToStr(123456.789L), "123456,789");
    EXPECT_EQ(FloatToStrSep(2.5L, '.'), "2.5");
}

TEST(SysUtils, PlainFloatTextIsTheSameNumberWithoutExponentForm) {
    qmtest::UseProgramFormats();
    EXPECT_EQ(FloatToPlainStr(0.0000015L), "0,0000015");
    EXPECT_EQ(FloatToPlainStr(-1.0L / 42000), "-0,0000238095238095238");
    EXPECT_EQ(FloatToPlainStr(4e-6L), "0,000004");
    EXPECT_EQ(FloatToPlainStr(1e15L), "1000000000000000");
    EXPECT_EQ(FloatToPlainStr(-2.5e16L), "-25000000000000000");
    EXPECT_EQ(FloatToPlainStr(17.5L), "17,5");
    EXPECT_EQ(FloatToPlainStr(0), "0");
    // Over many magnitudes: never an exponent, and the number FloatToStr's text stands for.
    for (int exponent = -30; exponent <= 30; ++exponent)
        for (long double mantissa : {1.0L, 1.5L, 2.38095238095238L, 9.99999999999999L}) {
            const long double v = mantissa * std::pow(10.0L, exponent);
            for (long double x : {v, -v}) {
                const AnsiString plain = FloatToPlainStr(x);
                EXPECT_EQ(plain.find('E'), AnsiString::npos) << plain;
                EXPECT_EQ(FloatToStr(StrToFloat(plain)), FloatToStr(x)) << plain;
            }
        }
}

namespace {

// Fifteen significant digits written out one by one, trailing zeros dropped: the text every
// value must get, whichever way it is made.
std::string DigitByDigit(long double v, char sep) {
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14Le", v);
    const std::string text(buf);
    const size_t e = text.find('e');
    const int exp = std::atoi(text.c_str() + e + 1);
    std::string digits;
    for (size_t i = text[0] == '-' ? 1 : 0; i < e; ++i)
        if (std::isdigit(static_cast<unsigned char>(text[i]))) digits += text[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = text[0] == '-' ? "-" : "";
    if (exp >= 15 || exp < -5)  // the exponent after rounding, at both ends
        return out + digits[0] + (digits.size() > 1 ? sep + digits.substr(1) : "") + "E" +
               std::to_string(exp);
    if (exp < 0) return out + "0" + sep + std::string(-exp - 1, '0') + digits;
    if (static_cast<int>(digits.size()) <= exp + 1)
        return out + digits + std::string(exp + 1 - digits.size(), '0');
    return out + digits.substr(0, exp + 1) + sep + digits.substr(exp + 1);
}

}  // namespace

// Amounts at whole hundredths, as the file holds them in doubles, and the values right beside
// them, large and small, read as fifteen digits read.
TEST(SysUtils, FloatTextOfHundredthsIsTheirFifteenDigits) {
    std::mt19937_64 random(5);
    int checked = 0;
    for (int i = 0; i < 30000; ++i) {
        const long long k =
            static_cast<long long>(random() % 1000000000000000ULL) >> (random() % 50);
        const double cents = static_cast<double>(k) / 100;
        for (long double v : {static_cast<long double>(cents),
                              static_cast<long double>(std::nextafter(cents, 1e300)),
                              static_cast<long double>(cents) + 1e-13L,
                              static_cast<long double>(k) / 100, -static_cast<long double>(cents),
                              static_cast<long double>(cents) * 1.0000000000000002L}) {
            ASSERT_EQ(FloatToStrSep(v, ','), DigitByDigit(v, ',')) << static_cast<double>(v);
            ++checked;
        }
    }
    for (long double v : {0.05L, -0.05L, 12.5L, 100.0L, 9999999999999.99L, 0.1L + 0.2L, 1e-3L})
        EXPECT_EQ(FloatToStrSep(v, '.'), DigitByDigit(v, '.')) << static_cast<double>(v);
    EXPECT_EQ(checked, 180000);
}

// Values the shortcut for whole hundredths must leave alone, and its borders: half cents and the
// doubles and long doubles next to them, hundredths a few parts in 1e16 off, zero of either
// sign, amounts up to the largest the program takes (1e12) and past where the text needs 15
// digits.
TEST(SysUtils, FloatTextBesideHundredthsIsTheirFifteenDigits) {
    std::mt19937_64 random(8);
    std::vector<long double> values{0.0L, -0.0L, 1e12L, -1e12L, 1e12L - 0.005L, 1e13L, 1e-5L};
    for (double edge : {0.005, 1.005, 2.675, 999999999999.995, 9999999999999.99, 1e13})
        values.push_back(edge);
    for (int i = 0; i < 3000; ++i) {
        const long long k =
            static_cast<long long>(random() % 100000000000000ULL) >> (random() % 40);
        values.push_back((static_cast<double>(k) + 0.5) / 100);
        values.push_back(static_cast<double>(k) / 100);
    }
    int checked = 0;
    for (const long double base : values) {
        for (const long double factor :
             {1.0L, 1 + 2.4e-16L, 1 - 2.4e-16L, 1 + 6e-16L, 1 - 6e-16L, 1 + 3e-15L, 1 - 3e-15L}) {
            long double below = base * factor, above = below;
            for (int step = 0; step < 3; ++step) {
                for (const long double v : {below, above, -below, -above}) {
                    ASSERT_EQ(FloatToStrSep(v, ','), DigitByDigit(v, ','))
                        << std::setprecision(21) << v;
                    ++checked;
                }
                below = std::nextafter(static_cast<double>(below), -1e300);
                above = std::nextafterl(above, 1e300L);
            }
        }
    }
    EXPECT_EQ(checked, static_cast<int>(values.size()) * 7 * 3 * 4);
}

TEST(SysUtils, NumberConversionAcceptsOnlyTheDecimalComma) {
    qmtest::UseProgramFormats();
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("2,5")), 2.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat(" -3 ")), -3);
    EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("1,5E-6")), 1.5e-6);
    EXPECT_THROW(StrToFloat("2.5"), EConvertError);
    EXPECT_THROW(StrToFloat(""), EConvertError);
    EXPECT_THROW(StrToFloat(","), EConvertError);
    EXPECT_THROW(StrToFloat("1e"), EConvertError);
    EXPECT_EQ(StrToInt("-42"), -42);
    EXPECT_EQ(StrToIntDef("4x", 7), 7);
    EXPECT_THROW(StrToInt("99999999999999999999"), EConvertError);
    EXPECT_EQ(StrToInt("-9223372036854775808"), INT64_MIN);
}

TEST(SysUtils, DayNumbersCountFromTheEndOf1899) {
    EXPECT_EQ(EncodeDate(2010, 2, 12), 40221);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    int y, m, d;
    DecodeDate(40221.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20100212);
    EXPECT_THROW(EncodeDate(2010, 2, 30), EConvertError);
    EXPECT_EQ(DateToYmd(YmdToDate("20240229")), "20240229");
    EXPECT_THROW(YmdToDate("2023022"), EConvertError);
    EXPECT_THROW(YmdToDate("20230229"), EConvertError);
}

TEST(SysUtils, DatesFormatAndParseUnderTheShortDateFormat) {
    qmtest::FixedClock clock(EncodeDate(2026, 3, 4) + 0.5);
    EXPECT_EQ(DateToStr(Date()), "04.03.2026");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss",
                             EncodeDate(2010, 2, 12) + (14 * 3600 + 12 * 60 + 30) / 86400.0),
              "20100212141230");
    EXPECT_EQ(StrToDate("12.02.2010"), 40221);
    EXPECT_EQ(StrToDate("12.02.10"), 40221);
    EXPECT_THROW(StrToDate("31.02.2010"), EConvertError);
    EXPECT_THROW(StrToDate("12/02/2010"), EConvertError);
    EXPECT_THROW(StrToDate("1.2.3.4"), EConvertError);
    EXPECT_THROW(StrToDate("12.02.2010."), EConvertError);

    qmtest::UseProgramFormats("MM/dd/yyyy");
    EXPECT_EQ(DateToStr(40221), "02/12/2010");
    EXPECT_EQ(StrToDate("02/12/2010"), 40221);
    qmtest::UseProgramFormats("yyyy-MM-dd");
    EXPECT_EQ(DateToStr(40221), "2010-02-12");
    EXPECT_EQ(StrToDate("2010-02-12"), 40221);
}

TEST(AnsiText, ConvertsThroughTheInterfaceCodePage) {
    std::string saved = InterfaceCodePage();
    SetInterfaceCodePage("CP1251");
    AnsiString ansi = Utf8ToAnsi("Привет");
    EXPECT_EQ(ansi.size(), 6u);
    EXPECT_EQ(AnsiToUtf8(ansi), "Привет");
    EXPECT_EQ(Utf8ToAnsi("a€b中c"),
              "a\x88"
              "b?c");  // euro is 0x88 in 1251; the CJK char is not there
    EXPECT_FALSE(FitsCodePage(QString::fromUtf8("中")));
    EXPECT_TRUE(FitsCodePage(QString::fromUtf8("Ёж")));
    SetInterfaceCodePage(saved);
    EXPECT_EQ(CodePageForLocale("ru_RU.UTF-8"), "CP1251");
    EXPECT_EQ(CodePageForLocale("pl_PL"), "CP1250");
    EXPECT_EQ(CodePageForLocale("C.UTF-8"), "CP1252");
}

// ASCII, control characters and NUL included, reads the same in every code page and in UTF-8;
// one byte beyond it and the text is converted as a whole.
TEST(AnsiText, AsciiIsTheSameTextInEveryCodePage) {
    const std::string saved = InterfaceCodePage();
    const char text[] = "12.03.2026\x01-4,50\r\t\0end~";
    const std::string ascii(text, sizeof text - 1);
    for (const char* page : {"CP1250", "CP1251", "CP1252", "CP1253", "CP1257"}) {
        SetInterfaceCodePage(page);
        EXPECT_EQ(Utf8ToAnsi(ascii), ascii) << page;
        EXPECT_EQ(AnsiToUtf8(ascii), ascii) << page;
    }
    SetInterfaceCodePage("CP1252");
    EXPECT_EQ(AnsiToUtf8("Caf\xE9 12"), "Café 12");
    EXPECT_EQ(Utf8ToAnsi("Café 12"), "Caf\xE9 12");
    SetInterfaceCodePage(saved);
}

TEST(AnsiText, FindsTheFirstCharacterTheCodePageCannotHold) {
    const std::string saved = InterfaceCodePage();
    SetInterfaceCodePage("CP1252");
    const QString rent = QString::fromUtf8("Rent 中文 😀");
    TUnfitChar bad = FirstUnfitChar(rent);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad.Position, 6);
    EXPECT_EQ(bad.Code, U'中');
    EXPECT_EQ(UnicodeName(bad.Code), "U+4E2D");
    // A character beyond U+FFFF is one character, also for the positions after it.
    bad = FirstUnfitChar(QString::fromUtf8("😀x"));
    EXPECT_EQ(bad.Position, 1);
    EXPECT_EQ(UnicodeName(bad.Code), "U+1F600");
    EXPECT_EQ(FirstUnfitChar(QString::fromUtf8("é😀")).Position, 2);
    EXPECT_EQ(FirstUnfitChar(QString(QChar(0xD800)) + "a").Code, U'\uFFFD');
    EXPECT_FALSE(FirstUnfitChar(QString::fromUtf8("Café € 1/2 ½")));
    EXPECT_FALSE(FirstUnfitChar(QString()));
    // The UTF-8 form counts the same way and refuses what is no UTF-8 at all.
    EXPECT_EQ(FirstUnfitCharUtf8("Rent 中文 😀").Position, 6);
    EXPECT_EQ(FirstUnfitCharUtf8("é😀").Position, 2);
    EXPECT_FALSE(FirstUnfitCharUtf8("Café €"));
    for (const char* broken : {"ab\xff", "ab\xc3", "ab\xc0\xaf", "ab\xed\xa0\x80", "ab\xe4\xb8"}) {
        bad = FirstUnfitCharUtf8(broken);
        EXPECT_EQ(bad.Position, 3) << broken;
        EXPECT_EQ(bad.Code, U'\uFFFD') << broken;
    }
    // Each code page holds its own letters: "Ё" is in 1251, not in 1252; "€" in both.
    const QString mixed = QString::fromUtf8("€Ёж");
    EXPECT_EQ(FirstUnfitChar(mixed).Position, 2);
    SetInterfaceCodePage("CP1251");
    EXPECT_FALSE(FirstUnfitChar(mixed));
    EXPECT_EQ(FirstUnfitChar(QString::fromUtf8("Ёé")).Position, 2);
    // The check agrees with the conversion: what it passes comes back unchanged, and where it
    // stops the conversion puts "?".
    for (const char* page : {"CP1251", "CP1252", "CP1253"}) {
        SetInterfaceCodePage(page);
        for (const char* text : {"Ωmega", "Привет", "Café", "a€b", "x中", "Œuvre", "ß"}) {
            const QString q = QString::fromUtf8(text);
            bad = FirstUnfitChar(q);
            EXPECT_EQ(!bad, ToQString(FromQString(q)) == q) << page << " " << text;
            if (bad) {
                EXPECT_EQ(FromQString(q)[bad.Position - 1], '?') << page << " " << text;
            }
        }
    }
    SetInterfaceCodePage(saved);
}

// A stored text the code page cannot show whole is written back as stored while it reads as the
// code page showed it; a change that still holds a "?" may keep a stand-in and is refused.
TEST(AnsiText, StoredTextsComeBackWholeAndLosingChangesAreNamed) {
    const std::string saved = InterfaceCodePage();
    struct Case {
        const char* page;
        const char* stored;  // UTF-8, as the file holds it
        const char* shown;   // the text as the user leaves it, in the code page
        const char* written;
        int lostAt;  // place of the stored character named, 0 for none
        char32_t lost;
    } cases[] = {
        {"CP1251", "Zürich Café", "Z?rich Caf?", "Zürich Café", 0, 0},
        {"CP1251", "Zürich Café", "Z?rich Cafe", "Z?rich Cafe", 2, U'\u00FC'},
        {"CP1251", "Zürich Café", "Zurich Cafe", "Zurich Cafe", 0, 0},
        // A question mark of the text's own cannot be told from a stand-in.
        {"CP1251", "Why? Café", "Why? Cafe", "Why? Cafe", 9, U'\u00E9'},
        {"CP1251", "Why? Café", "Why Cafe", "Why Cafe", 0, 0},
        {"CP1251", "Why? Café", "Why? Caf? 2", "Why? Caf? 2", 9, U'\u00E9'},
        {"CP1251", "", "", "", 0, 0},
        {"CP1251", "", "?", "?", 0, 0},
        {"CP1252", "Москва", "??????", "Москва", 0, 0},
        {"CP1252", "Москва", "?????? 1", "?????? 1", 1, U'\u041C'},
        {"CP1252", "Café?", "Café", "Café", 0, 0},
        {"CP1252", "Caf\xC3", "Caf?", "Caf\xC3", 0, 0},
        {"CP1252", "Caf\xC3", "Caf?!", "Caf?!", 4, 0xFFFD},
    };
    for (const Case& c : cases) {
        SetInterfaceCodePage(c.page);
        const AnsiString shown = Utf8ToAnsi(c.shown);
        SCOPED_TRACE(std::string(c.page) + " " + c.stored + " -> " + c.shown);
        EXPECT_EQ(WriteBackUtf8(shown, c.stored), c.written);
        const TUnfitChar lost = LostStandIn(shown, c.stored);
        EXPECT_EQ(lost.Position, c.lostAt);
        if (c.lostAt) EXPECT_EQ(lost.Code, c.lost);
    }
    SetInterfaceCodePage(saved);
}
