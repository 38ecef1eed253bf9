// The calculator: its engine (chains, percent, errors, digit limit, editing keys), the keys of
// both layouts with their look, the keyboard and clipboard, and the pop-up calculator's value.
#include "controls/calculator.h"

#include <gtest/gtest.h>

#include "controls/control_bitmaps.h"
#include "platform/shell.h"
#include "tests/controls/control_test_util.h"
#include "tests/controls/edit_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

struct CalcFixture {
    EditEnvironment env;
    QWidget host;
    TCalculatorPanel* panel;
    explicit CalcFixture(TCalcPanelLayout layout = clPopup)
        : panel(new TCalculatorPanel(&host, layout)) {}
    // Feeds the engine one character after another.
    const AnsiString& Feed(const AnsiString& keys) {
        for (char k : keys) panel->CalcKey(k);
        return panel->Text();
    }
};

int KeyCount(const TCalculatorPanel* panel) {
    int n = 0;
    for (int kind = 1; kind <= kCalcKeyKinds; ++kind) n += panel->Key(kind) ? 1 : 0;
    return n;
}

TLabel* MemoryLabel(const TCalculatorPanel* panel) {
    for (QWidget* w : panel->findChildren<QWidget*>())
        if (auto* label = dynamic_cast<TLabel*>(w)) return label;
    return nullptr;
}

QImage Render(TRxSpeedButton* key) {
    TBitmap picture(key->width(), key->height());
    key->PaintTo(picture.Canvas());
    return picture.Image().copy();
}

}  // namespace

TEST(CalculatorEngine, ChainsWorkLeftToRightWithPercent) {
    CalcFixture f;
    EXPECT_EQ(f.panel->Text(), "0");
    EXPECT_EQ(f.panel->State(), csFirst);
    EXPECT_EQ(f.panel->Operator(), 0);
    EXPECT_EQ(f.Feed("2+3*4="), "20");
    f.panel->ClearCalculator();
    EXPECT_EQ(f.panel->Operator(), '=');
    EXPECT_EQ(f.Feed("200+10%"), "220");
    f.panel->ClearCalculator();
    EXPECT_EQ(f.Feed("50*10%"), "5");
    f.panel->ClearCalculator();
    EXPECT_EQ(f.Feed("1,5-0,25\r"), "1,25") << "Enter is a result key too";
    f.panel->ClearCalculator();
    EXPECT_EQ(f.Feed("2*3+"), "6") << "each operator completes the pending one";
    EXPECT_EQ(f.panel->Operand(), 6);
    EXPECT_EQ(f.panel->Operator(), '+');
    EXPECT_EQ(f.Feed("1=="), "7") << "a second = computes nothing";

    // "5 + =" leaves 5 as the new operand; a following "=" changes nothing.
    f.panel->ClearCalculator();
    EXPECT_EQ(f.Feed("5+="), "5");
    EXPECT_EQ(f.panel->Operand(), 5);
    EXPECT_EQ(f.Feed("="), "5");

    int results = 0;
    f.panel->OnResultReady = [&] { ++results; };
    f.Feed("1+2=3%4\r5-");
    EXPECT_EQ(results, 3);
    EXPECT_EQ(f.env.beeps, 0);
}

TEST(CalculatorEngine, ErrorsNeedClearingAndBeep) {
    CalcFixture f;
    int errors = 0, results = 0;
    f.panel->OnErrorEntered = [&] { ++errors; };
    f.panel->OnResultReady = [&] { ++results; };
    EXPECT_EQ(f.Feed("1/0="), "Error");
    EXPECT_EQ(f.panel->State(), csError);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(f.env.beeps, 1);
    EXPECT_EQ(results, 1) << "the result key still reports; its receiver checks the state";
    EXPECT_EQ(f.panel->DisplayedNumber(), 0);
    EXPECT_EQ(f.Feed("5+\x1b"), "Error") << "only C leaves the error";
    EXPECT_EQ(f.Feed("c"), "0");
    EXPECT_EQ(f.panel->State(), csFirst);

    EXPECT_EQ(f.Feed("4_Q"), "Error") << "root of a negative number";
    f.Feed("C");
    EXPECT_EQ(f.Feed("0R"), "Error") << "reciprocal of zero";
    f.Feed("C");
    EXPECT_EQ(f.Feed("9Q"), "3");
    EXPECT_EQ(f.panel->State(), csFirst);
    EXPECT_EQ(f.Feed("4r"), "0,25");
    // A result beyond 64-bit numbers is an error rather than a text nothing could read back.
    f.Feed("C");
    f.panel->ShowNumber(1e300L);
    f.Feed("*1");
    f.panel->ShowNumber(1e300L);
    f.Feed("=");
    EXPECT_EQ(f.panel->Text(), "Error");

    // A key filter may change or drop engine characters, even revive one in the error state.
    f.Feed("C");
    f.panel->OnKeyFilter = [](char& k) {
        if (k == '+') k = '-';
        if (k == '7') k = 0;
    };
    EXPECT_EQ(f.Feed("97+1="), "8");
}

TEST(CalculatorEngine, DigitsStopAtThePrecision) {
    CalcFixture f;
    EXPECT_EQ(f.Feed("123456789012345"), "123456789012345");
    EXPECT_EQ(f.Feed("6"), "123456789012345");
    EXPECT_EQ(f.env.beeps, 1);
    f.Feed("C");
    // The separator counts toward the limit.
    EXPECT_EQ(f.Feed("1,2345678901234"), "1,2345678901234");
    EXPECT_EQ(f.Feed("5"), "1,2345678901234");
    EXPECT_EQ(f.env.beeps, 2);
    // A leading minus allows one character more.
    f.Feed("C");
    f.Feed("12345678901234_");
    EXPECT_EQ(f.panel->Text(), "-12345678901234");
    EXPECT_EQ(f.panel->State(), csValid) << "the sign leaves the state";
    EXPECT_EQ(f.Feed("5"), "-123456789012345");
    EXPECT_EQ(f.Feed("6"), "-123456789012345");
    f.panel->SetBeepOnError(false);
    f.Feed("7");
    EXPECT_EQ(f.env.beeps, 3);

    f.Feed("C");
    f.panel->SetPrecision(1);
    EXPECT_EQ(f.Feed("123"), "12") << "at least two digits";
    EXPECT_EQ(f.Feed("*1="), "12");
    EXPECT_EQ(f.Feed("*10="), "1,2E2");
}

TEST(CalculatorEngine, EditingKeysChangeTheNumberBeingTyped) {
    CalcFixture f;
    EXPECT_EQ(f.Feed("7_\b"), "0") << "backspace on -7";
    f.Feed("C");
    EXPECT_EQ(f.Feed("12\b"), "1");
    EXPECT_EQ(f.Feed("\b"), "0");
    f.Feed("C");
    EXPECT_EQ(f.Feed(".."), "0,") << "one separator only";
    EXPECT_EQ(f.Feed(",5."), "0,5");
    EXPECT_EQ(f.Feed("\b\b"), "0");
    f.Feed("C");
    EXPECT_EQ(f.Feed("0007"), "7") << "a lone 0 gives way to the next digit";
    // After an operator the next digit starts a new number.
    EXPECT_EQ(f.Feed("+8"), "8");
    EXPECT_EQ(f.Feed("=\b"), "0") << "backspace starts a new entry too";

    // A number in exponent form takes no digits and no separator, and backspace drops its
    // exponent as a whole.
    f.Feed("C");
    f.panel->ShowNumber(0.0000015L);
    f.Feed("1");
    f.panel->ShowNumber(0.0000015L);
    EXPECT_EQ(f.panel->Text(), "1,5E-6");
    EXPECT_EQ(f.Feed("9,"), "1,5E-6");
    EXPECT_EQ(f.Feed("\b"), "1,5");
}

TEST(CalculatorEngine, ClipboardCopiesAndPastesTheDisplay) {
    CalcFixture f;
    f.Feed("12,5");
    f.panel->CopyDisplay();
    EXPECT_EQ(ClipboardText(), "12,5");
    f.Feed("+");
    SetClipboardText("  $1 000  ");
    f.Feed("\x16");  // Ctrl+V
    EXPECT_EQ(f.panel->Text(), "0") << "the blank inside is no number";
    SetClipboardText("  $250,75 ");
    f.Feed("\x16");
    EXPECT_EQ(f.panel->Text(), "250,75");
    EXPECT_EQ(f.panel->State(), csFirst) << "pasting leaves the state";
    EXPECT_EQ(f.Feed("="), "250,75") << "a pasted number is no typed one: nothing to compute";
    SetClipboardText("abc");
    f.Feed("\x16");
    EXPECT_EQ(f.panel->Text(), "0");
    f.Feed("3\x03");  // Ctrl+C
    EXPECT_EQ(ClipboardText(), "3");
}

TEST(CalculatorKeys, PopupLayoutPlacesTwentyTwoColouredKeys) {
    CalcFixture f;
    EXPECT_EQ(f.panel->width(), 131);
    EXPECT_EQ(f.panel->height(), 124);
    EXPECT_EQ(KeyCount(f.panel), 22);
    EXPECT_EQ(f.panel->Key(ckMemoryAdd), nullptr);
    EXPECT_EQ(f.panel->Key(1)->geometry(), QRect(6, 75, 21, 21)) << "the 0 key";
    EXPECT_EQ(f.panel->Key(ckPlus)->geometry(), QRect(75, 75, 21, 44));
    EXPECT_EQ(f.panel->Key(ckEquals)->geometry(), QRect(98, 75, 31, 44));
    EXPECT_EQ(f.panel->Key(ckSign)->Caption(), "\xB1");
    EXPECT_EQ(f.panel->Key(ckDecimal)->Caption(), ",");
    EXPECT_EQ(f.panel->Key(5)->Tag, 4);
    EXPECT_EQ(f.panel->Key(ckClear)->Tag, 21);
    EXPECT_EQ(f.panel->Key(ckPlus)->Style(), bsNew);
    EXPECT_TRUE(f.panel->Font().Style.Contains(fsBold));

    EXPECT_EQ(f.panel->Key(3)->Font().Color, clBtnText);
    EXPECT_EQ(f.panel->Key(ckPlus)->Font().Color, clPurple);
    EXPECT_EQ(f.panel->Key(ckBack)->Font().Color, clMaroon);
    TFont bigger = f.panel->Font();
    bigger.Size = 12;
    bigger.Color = clRed;
    f.panel->SetFont(bigger);
    EXPECT_EQ(f.panel->Key(ckPlus)->Font().Size, 12) << "keys take the panel's font";
    EXPECT_EQ(f.panel->Key(ckPlus)->Font().Color, clPurple) << "in their own colour";
    EXPECT_EQ(f.panel->Key(3)->Font().Color, clBtnText);

    // The caption shows in the key's colour.
    EXPECT_GT(CountWhere(Render(f.panel->Key(ckPlus)), Near(clPurple)), 3);
    EXPECT_EQ(CountWhere(Render(f.panel->Key(3)), Near(clPurple)), 0);

    f.panel->SetCtl3D(false);
    EXPECT_EQ(f.panel->Key(ckPlus)->Style(), bsWin31);
}

TEST(CalculatorKeys, ClicksAndTheKeyboardFeedTheEngine) {
    CalcFixture f;
    f.host.resize(200, 200);
    auto click = [&](int kind) {
        TCalcButton* key = f.panel->Key(kind);
        Press(key, 5, 5);
        Release(key, 5, 5);
    };
    click(8);  // 7
    click(ckDecimal);
    click(6);  // 5
    click(ckMultiply);
    click(3);  // 2
    click(ckEquals);
    EXPECT_EQ(f.panel->Text(), "15");
    click(ckBack);
    EXPECT_EQ(f.panel->Text(), "0");
    click(ckClear);
    EXPECT_EQ(f.panel->Operator(), '=');

    EXPECT_EQ(f.panel->FindButton('1'), f.panel->Key(2));
    EXPECT_EQ(f.panel->FindButton('.'), f.panel->Key(ckDecimal));
    EXPECT_EQ(f.panel->FindButton('\r'), f.panel->Key(ckEquals));
    EXPECT_EQ(f.panel->FindButton('q'), f.panel->Key(ckSqrt));
    EXPECT_EQ(f.panel->FindButton('C'), nullptr) << "clear only by clicking";
    EXPECT_EQ(f.panel->FindButton('\b'), nullptr) << "backspace only by clicking";

    for (char k : AnsiString("9.5+C\b1\r")) f.panel->CalcKeyPress(k);
    EXPECT_EQ(f.panel->Text(), "10,5") << "C and backspace do nothing from the keyboard";
    EXPECT_EQ(f.panel->Key(ckEquals)->State(), rbsUp) << "drawn pressed only for a moment";

    TLabel label(&f.host);
    f.panel->SetDisplayLabel(&label);
    EXPECT_EQ(label.Caption(), "10,5");
    f.Feed("3");
    EXPECT_EQ(label.Caption(), "3");
}

TEST(CalculatorKeys, DialogLayoutHasMemoryAndGlyphKeys) {
    CalcFixture f(clDialog);
    EXPECT_EQ(f.panel->width(), 240);
    EXPECT_EQ(f.panel->height(), 129);
    EXPECT_EQ(KeyCount(f.panel), 28);
    EXPECT_EQ(f.panel->Key(1)->geometry(), QRect(47, 104, 36, 22));
    EXPECT_EQ(f.panel->Key(ckClear)->geometry(), QRect(191, 6, 44, 22));
    EXPECT_EQ(f.panel->Key(ckMemoryAdd)->Tag, -1);
    for (int kind : {ckSign, ckMultiply, ckMinus, ckPlus, ckOk, ckCancel}) {
        EXPECT_EQ(f.panel->Key(kind)->Caption(), "") << kind;
        EXPECT_EQ(f.panel->Key(kind)->Glyph().Width(), kCalcButtonGlyphSize) << kind;
    }
    EXPECT_EQ(f.panel->Key(ckDivide)->Caption(), "/");
    // The OK key shows the green tick of the glyph strip, the cancel key the maroon cross.
    EXPECT_GT(CountWhere(Render(f.panel->Key(ckOk)), Exactly(clGreen)), 10);
    EXPECT_GT(CountWhere(Render(f.panel->Key(ckCancel)), Exactly(clMaroon)), 10);

    TLabel* memoryLabel = MemoryLabel(f.panel);
    ASSERT_NE(memoryLabel, nullptr);
    EXPECT_EQ(memoryLabel->Caption(), "");
    auto click = [&](int kind) { f.panel->Key(kind)->Click(); };
    f.Feed("12");
    click(ckMemoryStore);
    EXPECT_EQ(f.panel->Memory(), 12);
    EXPECT_EQ(memoryLabel->Caption(), "M");
    EXPECT_EQ(f.panel->State(), csFirst);
    f.Feed("3");
    click(ckMemoryAdd);
    EXPECT_EQ(f.panel->Memory(), 15);
    f.Feed("+");
    click(ckMemoryRecall);
    EXPECT_EQ(f.panel->Text(), "15");
    EXPECT_EQ(f.panel->State(), csValid);
    EXPECT_EQ(f.Feed("="), "18") << "3 + the recalled 15";
    click(ckMemoryClear);
    EXPECT_EQ(f.panel->Memory(), 0);
    EXPECT_EQ(memoryLabel->Caption(), "");

    int ok = 0, cancel = 0;
    f.panel->OnOkClick = [&] { ++ok; };
    f.panel->OnCancelClick = [&] { ++cancel; };
    f.Feed("C0,50");
    click(ckOk);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(f.panel->Text(), "0,5") << "OK normalizes the display";
    f.Feed("/0=");
    click(ckMemoryStore);
    EXPECT_EQ(f.panel->Memory(), 0) << "memory keys act only outside the error";
    const int beeps = f.env.beeps;
    click(ckOk);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(f.env.beeps, beeps + 1);
    click(ckCancel);
    EXPECT_EQ(cancel, 1);
}

TEST(PopupCalculator, TakesValuesAndClosesUpOnAResult) {
    EditEnvironment env;
    QWidget editor;
    TPopupCalculator* popup = NewPopupCalculator(&editor, Qt::LeftToRight);
    TLocCalculator* panel = popup->Panel();
    EXPECT_EQ(popup->size(), QSize(137, 127));
    EXPECT_EQ(panel->geometry(), QRect(1, 1, 135, 125)) << "fills the window inside its border";
    EXPECT_EQ(panel->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(panel->Precision(), 15);
    EXPECT_TRUE(popup->isWindow());
    EXPECT_FALSE(popup->isVisible());

    popup->SetValue(AnsiString("12,5"));
    EXPECT_EQ(popup->GetPopupText(), "12,5");
    EXPECT_EQ(panel->State(), csFirst);
    EXPECT_EQ(panel->Operator(), '=');
    popup->SetValue(AnsiString("1 234.5"));
    EXPECT_EQ(popup->GetPopupText(), "1234,5");
    popup->SetValue(AnsiString("abc"));
    EXPECT_EQ(popup->GetPopupText(), "0");
    popup->SetValue(7.25L);
    EXPECT_EQ(popup->GetPopupText(), "7,25");
    popup->SetValue(TPopupValue{});
    EXPECT_EQ(popup->GetPopupText(), "0");

    std::vector<bool> closed;
    popup->OnCloseUp = [&](TPopupWindow* sender, bool accept) {
        EXPECT_EQ(sender, popup);
        closed.push_back(accept);
    };
    for (char k : AnsiString("3,50")) panel->CalcKey(k);
    EXPECT_EQ(std::get<long double>(popup->GetValue()), 3.5L);
    EXPECT_EQ(popup->GetPopupText(), "3,5") << "reading normalizes the display";
    panel->CalcKey('*');
    panel->CalcKey('2');
    EXPECT_TRUE(closed.empty());
    char enter = '\r';
    popup->KeyPress(enter);
    EXPECT_EQ(closed, std::vector<bool>{true});
    EXPECT_EQ(popup->GetPopupText(), "7");

    // A result in the error state keeps the pop-up open; taking its value gives 0 and a beep.
    for (char k : AnsiString("/0=")) panel->CalcKey(k);
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(std::get<long double>(popup->GetValue()), 0);
    EXPECT_EQ(env.beeps, 2);
    popup->SetValue(5.0L);
    EXPECT_EQ(panel->State(), csFirst) << "a new value leaves the error";
    EXPECT_EQ(popup->GetPopupText(), "5");

    ConfigurePopupCalculator(popup, 1, false);
    EXPECT_EQ(panel->Precision(), 2);
    EXPECT_FALSE(panel->BeepOnError());
}

TEST(ControlBitmaps, GlyphStripsHaveTheirCells) {
    const TBitmap edit = LoadControlBitmap("CEDITBMP");
    EXPECT_EQ(edit.Width(), 2 * kCalcEditGlyphSize);
    EXPECT_EQ(edit.Height(), kCalcEditGlyphSize);
    const QImage image = edit.Image();
    const QRect normal(0, 0, kCalcEditGlyphSize, kCalcEditGlyphSize);
    const QRect disabled = normal.translated(kCalcEditGlyphSize, 0);
    EXPECT_GT(CountWhere(image, normal, Exactly(clBlack)), 30) << "the calculator's case";
    EXPECT_EQ(CountWhere(image, disabled, Exactly(clBlack)), 0);
    EXPECT_GT(CountWhere(image, disabled, Exactly(clBtnShadow)), 30) << "embossed in grey";
    EXPECT_GT(CountWhere(image, disabled, Exactly(clBtnHighlight)), 10);
    EXPECT_EQ(At(image, 0, 0), clFuchsia) << "corners see through";

    const TBitmap keys = LoadControlBitmap("CALCBTNS");
    EXPECT_EQ(keys.Width(), 6 * kCalcButtonGlyphSize);
    const int s = kCalcButtonGlyphSize;
    auto cell = [&](int n) { return QRect(n * s, 0, s, s); };
    EXPECT_GT(CountWhere(keys.Image(), cell(0), Exactly(clMaroon)), 10) << "cancel";
    EXPECT_GT(CountWhere(keys.Image(), cell(1), Exactly(clGreen)), 10) << "OK";
    // Minus is one bar, plus two crossing bars: plus has more pixels.
    const int minus = CountWhere(keys.Image(), cell(4), Exactly(clPurple));
    const int plus = CountWhere(keys.Image(), cell(5), Exactly(clPurple));
    EXPECT_GT(minus, 10);
    EXPECT_GT(plus, minus + 5);
    EXPECT_TRUE(LoadControlBitmap("NOSUCH").Empty());

    const QImage arrow = DropDownArrowBitmap().Image();
    EXPECT_EQ(CountWhere(arrow, Exactly(clBlack)), 7 + 5 + 3 + 1);
    EXPECT_EQ(At(arrow, 3, 3), clBlack);
}
