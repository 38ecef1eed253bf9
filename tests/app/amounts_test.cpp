// Amount expressions, ledger amount cells and the two-decimal cut.
#include "app/store/amounts.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/sysutils.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

class Amounts : public ::testing::Test {
  protected:
    void SetUp() override { qmtest::UseProgramFormats(); }
};

void ExpectCalc(const AnsiString& expr, long double expected) {
    EXPECT_EQ(Calc(expr), expected) << '"' << expr << '"';
}

void ExpectCalcError(const AnsiString& expr) {
    EXPECT_EQ(Calc(expr), CalcErrorValue) << '"' << expr << '"';
}

void ExpectCell(const AnsiString& cell, const AnsiString& text, bool accepted) {
    CalculateResult r = Calculate(cell);
    EXPECT_EQ(r.Text, text) << '"' << cell << '"';
    EXPECT_EQ(r.Accepted, accepted) << '"' << cell << '"';
}

}  // namespace

TEST_F(Amounts, CalcEvaluatesOperatorsByPrecedenceAndBrackets) {
    ExpectCalc("", 0);
    ExpectCalc("7", 7);
    ExpectCalc("2,5", 2.5L);
    ExpectCalc("1/30", 1.0L / 30);
    ExpectCalc("2+3*4", 14);
    ExpectCalc("(2+3)*4", 20);
    ExpectCalc("((1+1))", 2);
    ExpectCalc("-5+2", -3);
    ExpectCalc("10-2-3", 5);
    ExpectCalc("8/2/2", 2);
    ExpectCalc("((2+3)*(1+1))-1", 9);
    ExpectCalc("()", 0);
    ExpectCalc(" 4 * 2 ", 8);
}

TEST_F(Amounts, CalcDropsOneTrailingOperatorAndCountsEmptyFactorsAsZero) {
    ExpectCalc("5+", 5);
    ExpectCalc("5++", 5);
    ExpectCalc("5--", 5);
    ExpectCalc("6/", 6);
    ExpectCalc("2**3", 0);
    ExpectCalc("*3", 0);
    // Every term and factor drops its own trailing operator, "." included.
    ExpectCalc("5.*2", 10);
    ExpectCalc("(5-)*2", 10);
    ExpectCalcError("+");
    ExpectCalcError(".");
}

TEST_F(Amounts, CalcTakesAMinusAfterAnOperatorAsTheSignOfWhatFollows) {
    ExpectCalc("5+-3", 2);
    ExpectCalc("5--3", 8);
    ExpectCalc("--5", 5);
    ExpectCalc("5-+3", 2);
    ExpectCalc("2*-5", -10);
    ExpectCalc("2*(0-5)", -10);
    ExpectCalc("2-(-5)", 7);
    ExpectCalc("-(2+3)*2", -10);
    ExpectCalc("10/(2-4)", -5);
    ExpectCalc("-2*3+1", -5);
}

TEST_F(Amounts, CalcReadsGroupValuesWrittenInExponentForm) {
    // A group below 0.00001 is replaced by exponent text such as "3,33333333333333E-6"; its
    // exponent sign must not split the expression.
    long double third = StrToFloat(FloatToStr(1.0L / 300000));
    ExpectCalc("(1/300000)*3", third * 3);
    ExpectCalc("(1)/(1/200000)", 1 / StrToFloat(FloatToStr(1.0L / 200000)));
    ExpectCalc("1,5E-6*2", 3e-6L);
    ExpectCalc("2E+3-1", 1999);
}

TEST_F(Amounts, CalcReportsEveryErrorAsTheReservedValue) {
    ExpectCalcError("2.5");
    ExpectCalcError("4/0");
    ExpectCalcError("4/(1-1)");
    ExpectCalcError("2(3)");
    ExpectCalcError("(3)2");
    ExpectCalcError("2)");
    ExpectCalcError("(2");
    ExpectCalcError("(2+3");
    ExpectCalcError("abc");
    ExpectCalcError("5+x");
    ExpectCalcError("1E4000*1E4000");       // out of range
    ExpectCalcError("1000000000000000+1");  // a term equal to the reserved value
}

TEST_F(Amounts, CalculateSumsTheTermsOfALedgerCell) {
    ExpectCell("12,5+3-1,25", "14,25", true);
    ExpectCell("100-", "100", true);
    ExpectCell("100+-", "100", true);
    ExpectCell(",5", "0,5", true);
    ExpectCell("5,", "5", true);
    ExpectCell("1,2,3", "1,2", true);
    ExpectCell("0,1+0,2", "0,3", true);
    ExpectCell("7", "7", true);
}

TEST_F(Amounts, CalculateTakesSignsAfterAnOperatorAsSigns) {
    ExpectCell("--5", "5", true);
    ExpectCell("-5", "-5", true);
    ExpectCell("+-5", "-5", true);
    ExpectCell("5+-3", "2", true);
    ExpectCell("5--3", "8", true);
    ExpectCell("5-+3", "2", true);
    ExpectCell("5++3", "8", true);
    // Its own text for a sum below 0.00001 is read back.
    CalculateResult tiny = Calculate("0,000001");
    EXPECT_EQ(tiny.Text, "1E-6");
    ExpectCell(tiny.Text, "1E-6", true);
    ExpectCell("-1E-6+1", "0,999999", true);
    // A sum a hair below 0.00001 is stored as 0.00001 is, and so evaluates to itself.
    ExpectCell("0,1000100+,2-0,30,1", "0,00001", true);
    ExpectCell("0,00001", "0,00001", true);
}

TEST_F(Amounts, CalculateLeavesEmptyCellsAndRefusesLargeSums) {
    ExpectCell("", "", true);
    ExpectCell("-", "", true);
    ExpectCell("+-+", "", true);
    ExpectCell("999999999999", "999999999999", true);
    ExpectCell("999999999999,99", "999999999999,99", true);
    ExpectCell("1000000000000", "1000000000000", false);
    ExpectCell("1000000000000+", "1000000000000", false);
    ExpectCell("600000000000+400000000000", "600000000000+400000000000", false);
    ExpectCell("-5000000000000", "-5000000000000", true);
    // Just below the limit, but written with 15 digits the sum is the limit itself.
    ExpectCell("999999999999,9999", "999999999999,9999", false);
    ExpectCell("1000000000000---0,0000034", "1000000000000---0,0000034", false);
    ExpectCell("999999999999,995", "999999999999,995", true);
}

TEST_F(Amounts, CalculateThrowsForATermThatIsNoNumber) {
    EXPECT_THROW(Calculate("abc"), EConvertError);
    EXPECT_THROW(Calculate("5+x"), EConvertError);
    EXPECT_THROW(Calculate("2.5"), EConvertError);
    EXPECT_THROW(Calculate("2*3"), EConvertError);
    EXPECT_THROW(Calculate("5+ "), EConvertError);
}

TEST_F(Amounts, RoundMyStrCutsToTwoCharactersAfterTheSeparator) {
    EXPECT_EQ(RoundMyStr(""), "0,00");
    EXPECT_EQ(RoundMyStr("12"), "12,00");
    EXPECT_EQ(RoundMyStr("-7"), "-7,00");
    EXPECT_EQ(RoundMyStr("3,456"), "3,45");
    EXPECT_EQ(RoundMyStr("1,5"), "1,50");
    EXPECT_EQ(RoundMyStr("5,"), "5,00");
    EXPECT_EQ(RoundMyStr("1,56789"), "1,56");
    EXPECT_EQ(RoundMyStr("-0,001"), "-0,00");
    EXPECT_EQ(RoundMyStr("2.999"), "2.99");  // a point counts as a separator and is kept
}

TEST_F(Amounts, RoundMyCutsTowardZeroThroughFifteenDigitText) {
    EXPECT_EQ(RoundMy(1.005), 1.0L);
    EXPECT_EQ(RoundMy(0.29), 0.29L);
    EXPECT_EQ(RoundMy(0.28999999999999998), 0.29L);
    EXPECT_EQ(RoundMy(2.999L), 2.99L);
    EXPECT_EQ(RoundMy(-2.999L), -2.99L);
    EXPECT_EQ(RoundMy(123456.789L), 123456.78L);
    EXPECT_EQ(RoundMy(12), 12.0L);
    EXPECT_EQ(RoundMy(-0.001), 0.0L);
    EXPECT_FALSE(std::signbit(RoundMy(-0.001)));
    EXPECT_EQ(RoundMy(0.1 + 0.2 - 0.3), 0.0L);
    EXPECT_EQ(RoundMy(0.1L + 0.2L - 0.3L), 0.0L);
    EXPECT_EQ(RoundMy(0.000001L), 0.0L);
    EXPECT_EQ(RoundMy(-0.000009L), 0.0L);
    EXPECT_EQ(RoundMy(1e15L), 1e15L);
    EXPECT_EQ(RoundMy(-1234567890123456789.0L), -1234567890123456789.0L);
    EXPECT_EQ(RoundMy(999999999999999.95L), 1e15L);  // its 15-digit text is "1E15"
}
