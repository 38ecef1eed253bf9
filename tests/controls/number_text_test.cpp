// Number texts: float patterns, the general text of a precision, grouping and the checks of
// typed numbers, under the program's decimal comma.
#include "controls/number_text.h"

#include <gtest/gtest.h>

#include "tests/controls/edit_test_util.h"

using namespace qm;
using qmtest::EditEnvironment;

TEST(NumberText, FormatFloatFollowsDigitPlacesAndGrouping) {
    EditEnvironment env;
    EXPECT_EQ(FormatFloat("0.##", 1234.5L), "1234,5");
    EXPECT_EQ(FormatFloat(",0.##", 1234.5L), "1 234,5");
    EXPECT_EQ(FormatFloat(",0.##", 1234567.891L), "1 234 567,89");
    EXPECT_EQ(FormatFloat(",0.##", -1234.5L), "-1 234,5");
    EXPECT_EQ(FormatFloat(",0.##", 999.999L), "1 000");
    EXPECT_EQ(FormatFloat("0.00", 2), "2,00");
    EXPECT_EQ(FormatFloat("000.0", 2.25L), "002,3");
    EXPECT_EQ(FormatFloat("0", 2.5L), "3");
    EXPECT_EQ(FormatFloat("#.##", 0.5L), ",5");
    EXPECT_EQ(FormatFloat("0.##", 1.005), "1,01") << "the digits a user sees round, not the binary";
    EXPECT_EQ(FormatFloat("0.##", -0.001L), "0") << "no sign on a shown zero";
    EXPECT_EQ(FormatFloat("0.##", 0.995L), "1");
    EXPECT_EQ(FormatFloat("0.####################", 1.0L / 3), "0,333333333333333");
    EXPECT_EQ(FormatFloat("0.####################", 0.1), "0,1");
    EXPECT_EQ(FormatFloat("0.####################", 1e-7L), "0,0000001");
    EXPECT_EQ(FormatFloat("0.##", 123456789012345678.0L), "123456789012346000");
    EXPECT_EQ(FormatFloat("0.##", 1e20L), "1E20") << "beyond 10^18 the general text";
    EXPECT_EQ(FormatFloat("", 2.5L), "2,5");
    EXPECT_EQ(FormatFloat("0.00;(0.00);'none'", -5), "(5,00)");
    EXPECT_EQ(FormatFloat("0.00;(0.00);'none'", 0), "none");
    EXPECT_EQ(FormatFloat("'$'0.00 \"kr\"", 5), "$5,00 kr");
}

TEST(NumberText, GeneralTextKeepsThePrecisionAndConvertsBack) {
    EditEnvironment env;
    EXPECT_EQ(FloatToStrGeneral(1.0L / 3, 15), "0,333333333333333");
    EXPECT_EQ(FloatToStrGeneral(-0.0L, 15), "0");
    EXPECT_EQ(FloatToStrGeneral(123456789012345.0L, 15), "123456789012345");
    EXPECT_EQ(FloatToStrGeneral(1e15L, 15), "1E15");
    EXPECT_EQ(FloatToStrGeneral(0.0001L, 15), "0,0001");
    EXPECT_EQ(FloatToStrGeneral(1e-6L, 15), "1E-6");
    EXPECT_EQ(FloatToStrGeneral(-1.5e-7L, 15), "-1,5E-7");
    EXPECT_EQ(FloatToStrGeneral(123, 2), "1,2E2");
    EXPECT_EQ(FloatToStrGeneral(0.125L, 2), "0,13");
    EXPECT_EQ(FloatToStrGeneral(99.96L, 3), "100");
    for (double x : {0.1, 36.0, 1234.5, -0.000123, 1e-20, 9.87654321e200}) {
        long double back = 0;
        ASSERT_TRUE(TryStrToFloat(FloatToStrGeneral(x, 15), back)) << x;
        EXPECT_EQ(static_cast<double>(back), x);
    }
    EXPECT_EQ(FormatFixed(1.5L, 2), "1,50");
    EXPECT_EQ(FormatFixed(-3, 0), "-3");
    EXPECT_EQ(FormatFixed(100, 20), "100,00000000000000000000");
}

TEST(NumberText, NormalizingTurnsTypedSeparatorsIntoTheDecimalOne) {
    EditEnvironment env;
    EXPECT_EQ(NormalizeNumberText(" 1 234.5 "), "1234,5");
    EXPECT_EQ(NormalizeNumberText("12,5"), "12,5");
    EXPECT_EQ(NormalizeNumberText(""), "0");
    EXPECT_EQ(NormalizeNumberText("-"), "-0");
    EXPECT_EQ(NormalizeNumberText("\t5"), "\t5") << "only blanks are trimmed";

    // A locale that groups with points keeps them as grouping.
    SetThousandSeparatorForTests('.');
    EXPECT_EQ(ThousandSeparator(), '.');
    EXPECT_EQ(NormalizeNumberText("1.234,5"), "1234,5");
    EXPECT_EQ(FormatFloat(",0.##", 1234.5L), "1.234,5");
    // A locale separator equal to the decimal one would make 1,234 unreadable.
    SetThousandSeparatorForTests(',');
    EXPECT_EQ(ThousandSeparator(), ' ');
    EXPECT_EQ(FormatFloat(",0.##", 1234.5L), "1 234,5");
}

TEST(NumberText, ValidTextsHoldOnlyNumberCharactersAndConvert) {
    EditEnvironment env;
    long double v = 0;
    EXPECT_TRUE(IsValidNumberText("12,5", v));
    EXPECT_EQ(v, 12.5L);
    EXPECT_TRUE(IsValidNumberText("-1e3", v));
    EXPECT_EQ(v, -1000);
    EXPECT_TRUE(IsValidNumberText("-0", v));
    EXPECT_FALSE(IsValidNumberText("abc", v));
    EXPECT_FALSE(IsValidNumberText("12.5", v)) << "the point is no separator here";
    EXPECT_FALSE(IsValidNumberText("1,2,3", v));
    EXPECT_FALSE(IsValidNumberText("12 3", v));
    EXPECT_FALSE(IsValidNumberText("-", v));
    EXPECT_FALSE(IsValidNumberText("1e", v));
    // Only the first 63 characters are converted.
    EXPECT_TRUE(IsValidNumberText("1" + std::string(69, '0'), v));
    EXPECT_NEAR(static_cast<double>(v), 1e62, 1e48);
    EXPECT_FALSE(IsValidNumberText("1" + std::string(62, '0') + "x", v));
}

TEST(NumberText, GroupingSplitsOnlyTheIntegerDigits) {
    EditEnvironment env;
    EXPECT_EQ(GroupThousands("1234567,891", true), "1 234 567,891");
    EXPECT_EQ(GroupThousands("-1234", true), "-1 234");
    EXPECT_EQ(GroupThousands("+123456", true), "+123 456");
    EXPECT_EQ(GroupThousands("1234E5", true), "1 234E5");
    EXPECT_EQ(GroupThousands("12,34567", true), "12,34567");
    EXPECT_EQ(GroupThousands("1234567", false), "1234567");
    EXPECT_EQ(GroupThousands("-", true), "-");
}
