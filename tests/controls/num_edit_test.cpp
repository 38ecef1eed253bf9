// The numeric edit with its calculator: value, texts and range, the key filter, focus with its
// two texts, paste, checks on leaving, grouping while typing and the calculator's result.
#include "controls/num_edit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/shell.h"
#include "tests/controls/control_test_util.h"
#include "tests/controls/edit_test_util.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct NumFixture {
    EditEnvironment env;
    TForm window;
    TRxCalcEdit* edit;
    TEdit* other;
    int changes = 0;
    NumFixture() : edit(new TRxCalcEdit(&window)), other(new TEdit(&window)) {
        window.setGeometry(100, 100, 300, 200);
        edit->SetBounds(10, 10, 121, 21);
        other->SetBounds(10, 60, 121, 21);
        edit->OnChange = [this] { ++changes; };
        Activate(window);
        other->SetFocus();
        QApplication::processEvents();
    }
    void Enter() {
        edit->SetFocus();
        QApplication::processEvents();
    }
    void Leave() {
        other->SetFocus();
        QApplication::processEvents();
    }
    void Type(const char* keys) { QTest::keyClicks(edit, keys); }
    void ClickButton() {
        Press(edit->Button(), 5, 5);
        Release(edit->Button(), 5, 5);
    }
    TCalculatorPanel* Panel() const { return edit->Calculator()->Panel(); }
    QImage Picture() const { return edit->grab().toImage(); }
};

// Where the dark text pixels of the edit's text area lie.
QRect TextBox(const QImage& picture) {
    const QImage area = picture.copy(2, 2, picture.width() - 4 - 21, picture.height() - 4);
    return BoxOf(area, Dark).translated(2, 2);
}

}  // namespace

TEST(NumEdit, StartsWithTheDefaults) {
    NumFixture f;
    TRxCalcEdit& e = *f.edit;
    EXPECT_EQ(e.Value(), 0);
    EXPECT_EQ(e.Text(), "") << "zero shows as an empty edit";
    EXPECT_EQ(e.DisplayText(), "0");
    EXPECT_FALSE(e.DisplayFormatStored());
    EXPECT_TRUE(e.alignment() & Qt::AlignLeft) << "the edit text itself stays left";
    EXPECT_EQ(e.GlyphKind(), gkDefault);
    EXPECT_EQ(e.NumGlyphs(), 2);
    EXPECT_EQ(e.Glyph().Width(), 24) << "two cells: normal and disabled";
    ASSERT_NE(e.Calculator(), nullptr);
    EXPECT_EQ(f.Panel()->Precision(), 15);
    EXPECT_TRUE(f.Panel()->BeepOnError());
    e.SetBeepOnError(false);
    EXPECT_FALSE(f.Panel()->BeepOnError()) << "handed on to the calculator";
    // Every numeric edit shows the same picture; the disabled cell shows while disabled.
    TRxCalcEdit second(nullptr);
    EXPECT_EQ(second.Glyph().Image(), e.Glyph().Image());
}

TEST(NumEdit, ValueAndTextFollowTheEditPattern) {
    NumFixture f;
    TRxCalcEdit& e = *f.edit;
    e.SetValue(1234.5L);
    EXPECT_EQ(e.Text(), "1234,5");
    EXPECT_EQ(e.DisplayText(), "1 234,5");
    EXPECT_EQ(f.changes, 1) << "a Value assignment that rewrites the text is a change";
    e.SetValue(1234.5L);
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(e.Value(), 1234.5L);

    // The edit keeps DecimalPlaces decimals; reading Value reads that text back.
    e.SetValue(2.345L);
    EXPECT_EQ(e.Text(), "2,35");
    EXPECT_EQ(e.DisplayText(), "2,35");
    EXPECT_NEAR(static_cast<double>(e.Value()), 2.35, 1e-12);
    e.SetDecimalPlaces(20);
    e.SetValue(1.0L / 3);
    EXPECT_EQ(e.Text(), "0,333333333333333");
    e.SetDecimalPlaces(0);
    EXPECT_EQ(e.Text(), "0");
    e.SetDecimalPlaces(2);

    e.SetText("1 234.5");
    EXPECT_EQ(e.Value(), 1234.5L);
    EXPECT_EQ(e.Text(), "1234,5");
    e.SetText("");
    EXPECT_EQ(e.Text(), "");
    EXPECT_EQ(e.Value(), 0);
    EXPECT_THROW(e.SetText("abc"), EConvertError);
    e.SetValue(7);
    e.Clear();
    EXPECT_EQ(e.Text(), "");
    e.SetZeroEmpty(false);
    EXPECT_EQ(e.Text(), "0");
    e.SetZeroEmpty(true);
    e.SetEditText("");
    EXPECT_EQ(e.Value(), 0) << "an empty text reads as zero";
    e.SetEditText("12,5x");
    EXPECT_THROW(e.Value(), EConvertError);

    e.SetValue(1234.5L);
    e.SetDisplayFormat("0.##");
    EXPECT_TRUE(e.DisplayFormatStored());
    EXPECT_EQ(e.DisplayText(), "1234,5");
    e.SetDisplayFormat("0.000");
    EXPECT_EQ(e.DisplayText(), "1234,500");
}

TEST(NumEdit, RangeAndRoundingApplyToEveryNewValue) {
    NumFixture f;
    TRxCalcEdit& e = *f.edit;
    e.SetValue(150);
    e.SetMaxValue(100);
    EXPECT_EQ(e.Value(), 100) << "a new bound clamps the value at once";
    e.SetValue(150);
    EXPECT_EQ(e.Value(), 100);
    e.SetValue(-5);
    EXPECT_EQ(e.Value(), 0);
    EXPECT_EQ(e.Text(), "");
    try {
        e.ClampValue(150, true);
        ADD_FAILURE() << "no range error";
    } catch (const ERangeError& error) {
        EXPECT_EQ(error.Message, "Value must be between 0,00 and 100,00");
    }
    EXPECT_EQ(e.ClampValue(50, true), 50);

    // A lower bound above the upper one is one bound alone.
    e.SetMaxValue(0);
    e.SetMinValue(10);
    e.SetValue(5);
    EXPECT_EQ(e.Value(), 10);
    e.SetValue(500);
    EXPECT_EQ(e.Value(), 500);
    e.SetMinValue(0);
    e.SetMaxValue(-10);
    e.SetValue(5);
    EXPECT_EQ(e.Value(), -10);
    e.SetValue(-50);
    EXPECT_EQ(e.Value(), -50);
    e.SetMinValue(5);
    e.SetMaxValue(3);
    e.SetValue(-50);
    EXPECT_EQ(e.Value(), -50) << "neither bound 0: no range";
    e.SetMinValue(0);
    e.SetMaxValue(0);

    e.SetDecimalPlaceRound(true);
    e.SetValue(1.005);
    EXPECT_EQ(e.Text(), "1,01");
    EXPECT_NEAR(static_cast<double>(e.ClampValue(1.005, false)), 1.01, 1e-12);
    EXPECT_NEAR(static_cast<double>(e.ClampValue(-1.005, false)), -1.01, 1e-12);
    EXPECT_NEAR(static_cast<double>(e.ClampValue(2.344, false)), 2.34, 1e-12);
    e.SetDecimalPlaces(0);
    EXPECT_EQ(e.ClampValue(2.5, false), 3);
    e.SetDecimalPlaces(4000000000u);
    EXPECT_EQ(e.ClampValue(2.5, false), 2.5) << "no rounding beyond what a number can hold";
}

TEST(NumEdit, TypingKeepsANumberAndBeepsOtherwise) {
    NumFixture f;
    f.Enter();
    ASSERT_TRUE(f.edit->hasFocus());
    f.Type("12.345");
    EXPECT_EQ(f.edit->Text(), "12,34") << "the point typed as the decimal comma";
    EXPECT_EQ(f.env.beeps, 1) << "a third decimal";
    f.Type(",.");
    EXPECT_EQ(f.edit->Text(), "12,34");
    EXPECT_EQ(f.env.beeps, 3) << "a second separator";
    f.Type("a+");
    EXPECT_EQ(f.env.beeps, 5);
    EXPECT_EQ(f.edit->Value(), 12.34L) << "reading stores the typed number";
    f.edit->SetDecimalPlaces(20);
    EXPECT_EQ(f.edit->Text(), "12,34") << "the edit text is rewritten from the stored value";
    f.edit->setCursorPosition(5);
    f.Type("5");
    EXPECT_EQ(f.edit->Text(), "12,345");
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    EXPECT_EQ(f.edit->Text(), "12,34");
    f.edit->setCursorPosition(0);
    f.Type("-");
    EXPECT_EQ(f.edit->Text(), "-12,34");
    f.edit->setSelection(1, 2);
    f.Type("9");
    EXPECT_EQ(f.edit->Text(), "-9,34") << "the key replaces the selection";
    EXPECT_EQ(f.env.beeps, 5);

    // With MinValue 0 and MaxValue 100 a minus alone is accepted, but no number after it.
    f.edit->SetMaxValue(100);
    f.edit->SetValue(0);
    f.Type("-");
    EXPECT_EQ(f.edit->Text(), "-");
    f.Type("5");
    EXPECT_EQ(f.edit->Text(), "-");
    EXPECT_EQ(f.env.beeps, 6);
    f.edit->SetBeepOnError(false);
    f.Type("x");
    EXPECT_EQ(f.env.beeps, 6);

    // Escape goes back to the stored value, all selected.
    f.edit->SetMaxValue(0);
    f.edit->SetValue(12);
    f.edit->SelectAll();
    f.Type("5");
    EXPECT_EQ(f.edit->Text(), "5");
    QTest::keyClick(f.edit, Qt::Key_Escape);
    EXPECT_EQ(f.edit->Text(), "12");
    EXPECT_EQ(f.edit->selectedText(), "12");

    // Characters the code page cannot hold are refused like any letter, never taken as "?".
    f.edit->SetBeepOnError(true);
    f.edit->setCursorPosition(2);
    TypeText(f.edit, QString::fromUtf8("中😀"));
    EXPECT_EQ(f.edit->Text(), "12");
    EXPECT_EQ(f.env.beeps, 8);
}

TEST(NumEdit, FocusSwitchesBetweenTheEditAndTheDisplayText) {
    NumFixture f;
    f.edit->SetValue(1234.5L);
    const int changes = f.changes;
    const QRect unfocused = TextBox(f.Picture());
    EXPECT_GT(unfocused.right(), 80) << "right-aligned up to the button";
    EXPECT_GT(unfocused.left(), 30);

    f.Enter();
    EXPECT_TRUE(f.edit->EditFocused());
    f.edit->deselect();
    const QRect focused = TextBox(f.Picture());
    EXPECT_LT(focused.left(), 8) << "the edit text starts at the left";
    EXPECT_LT(focused.width(), unfocused.width()) << "1234,5 is narrower than 1 234,5";

    f.edit->SelectAll();
    f.Type("77.5");
    EXPECT_EQ(f.edit->Value(), 77.5L);
    f.Leave();
    EXPECT_FALSE(f.edit->EditFocused());
    EXPECT_EQ(f.edit->Text(), "77,5");
    EXPECT_EQ(f.edit->cursorPosition(), 0);
    EXPECT_EQ(f.changes, changes + 4) << "typing changes; entering and leaving rewrite silently";

    f.edit->SetAlignment(taLeftJustify);
    EXPECT_LT(TextBox(f.Picture()).left(), 8);
    f.edit->SetAlignment(taCenter);
    const QRect centred = TextBox(f.Picture());
    EXPECT_NEAR((centred.left() + centred.right()) / 2, (121 - 4 - 21) / 2 + 2, 4);

    f.edit->SetEnabled(false);
    const QImage disabled = f.Picture();
    EXPECT_EQ(CountWhere(disabled, TextBox(disabled), Exactly(clBlack)), 0) << "grey text";
    EXPECT_GT(CountWhere(disabled, TextBox(disabled), Exactly(clGrayText)), 3);
    EXPECT_EQ(At(disabled, 4, 10), clWindow) << "the background keeps the edit's colour";
    f.edit->SetColor(clInfoBk);
    EXPECT_EQ(At(f.Picture(), 4, 10), clInfoBk);
}

TEST(NumEdit, ANumberTooWideForTheFieldShowsItsSignAndLosesItsEnd) {
    NumFixture f;
    f.edit->SetValue(-250389314123.45L);
    for (TAlignment alignment : {taRightJustify, taCenter}) {
        f.edit->SetAlignment(alignment);
        const QImage picture = f.Picture();
        const QRect text = TextBox(picture);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_LT(text.left(), 8) << "the text starts at the field's left";
        EXPECT_GE(text.right(), 121 - 21 - 6) << "and runs on to the button, cut there";
        // The first glyph is the minus sign: a bar much wider than high.
        int first = text.left(), top = text.bottom(), bottom = text.top();
        for (int x = first; x <= text.right(); ++x) {
            bool ink = false;
            for (int y = text.top(); y <= text.bottom(); ++y)
                if (Dark(At(picture, x, y))) {
                    ink = true;
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            if (!ink) break;
        }
        EXPECT_LE(bottom - top + 1, 2) << "a minus sign, not a digit";
    }
    // A number that fits stays right-aligned up to the button.
    f.edit->SetAlignment(taRightJustify);
    f.edit->SetValue(-12.5L);
    const QRect fits = TextBox(f.Picture());
    EXPECT_GT(fits.left(), 40);
    EXPECT_GT(fits.right(), 80);
}

TEST(NumEdit, CalculatorResultBecomesTheValue) {
    NumFixture f;
    f.edit->SetValue(12);
    f.changes = 0;
    f.Enter();
    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "12");
    f.Type("*3");
    EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "3");
    EXPECT_EQ(f.edit->Text(), "12") << "the edit text waits for the result";
    // The edit shows the calculator's display, from the left.
    EXPECT_LT(TextBox(f.Picture()).left(), 8);
    f.Type("c");
    EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "3") << "C is reached only by clicking";
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Text(), "36");
    EXPECT_EQ(f.edit->Value(), 36);
    EXPECT_EQ(f.changes, 1);
    EXPECT_TRUE(f.edit->hasFocus());

    // Escape leaves the previous value.
    f.ClickButton();
    ASSERT_TRUE(f.edit->PopupVisible());
    f.Type("+1");
    QTest::keyClick(f.edit, Qt::Key_Escape);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Value(), 36);
    EXPECT_EQ(f.changes, 1);

    // A second press of the button takes what the display shows.
    f.ClickButton();
    f.Type("+4");
    f.ClickButton();
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Value(), 4) << "the display showed the 4 being typed";

    // A result of more decimals: its general text first, then the edit pattern.
    f.changes = 0;
    f.ClickButton();
    f.Type("1/3=");
    EXPECT_EQ(f.edit->Text(), "0,33");
    EXPECT_EQ(f.changes, 2);

    // An error keeps the calculator open; taking it gives 0 with a beep.
    f.ClickButton();
    f.Type("/0=");
    EXPECT_TRUE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "Error");
    const int beeps = f.env.beeps;
    f.ClickButton();
    EXPECT_EQ(f.edit->Value(), 0);
    EXPECT_EQ(f.edit->Text(), "");
    EXPECT_EQ(f.env.beeps, beeps + 1);

    // A click on the calculator's own keys works as typing does.
    f.ClickButton();
    for (int kind : {8, int(ckPlus), 3, int(ckEquals)}) {
        TCalcButton* key = f.Panel()->Key(kind);
        Press(key, 5, 5);
        Release(key, 5, 5);
    }
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->Value(), 9);
}

TEST(NumEdit, EnterInADialogFinishesTheCalculatorBeforeTheDialog) {
    NumFixture f;
    auto* ok = new TButton(&f.window);
    ok->SetDefault(true);
    int okClicks = 0;
    ok->OnClick = [&] { ++okClicks; };
    f.Enter();
    f.ClickButton();
    f.Type("2+2");
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(f.edit->Value(), 4);
    EXPECT_EQ(okClicks, 0);
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
}

TEST(NumEdit, PasteOfANonNumberRestoresTheText) {
    NumFixture f;
    f.edit->SetValue(5);
    f.Enter();
    SetClipboardText("abc");
    f.edit->setCursorPosition(1);
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->Text(), "5");
    EXPECT_EQ(f.edit->selectedText(), "5");
    EXPECT_EQ(f.env.beeps, 1);
    SetClipboardText("1 234.5");
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->Text(), "1 234.5") << "a good paste stays as pasted until leaving";
    EXPECT_EQ(f.edit->Value(), 1234.5L);
    f.Leave();
    EXPECT_EQ(f.edit->Text(), "1234,5");
}

TEST(NumEdit, LeavingWithABadTextReportsItAndKeepsTheFocus) {
    NumFixture f;
    ScriptedBoxes boxes;
    f.edit->SetCheckOnExit(true);
    f.edit->SetMaxValue(100);
    f.Enter();
    f.Type("150");
    boxes.Answer(IDOK, "Value must be between 0,00 and 100,00");
    f.Leave();
    QApplication::processEvents();
    EXPECT_TRUE(f.edit->hasFocus());
    EXPECT_TRUE(f.edit->EditFocused());
    EXPECT_EQ(f.edit->Text(), "150") << "the text stays to be corrected";
    EXPECT_EQ(f.edit->selectedText(), "150");
    f.Type("50");
    f.Leave();
    QApplication::processEvents();
    EXPECT_TRUE(f.other->hasFocus());
    EXPECT_EQ(f.edit->Value(), 50);

    // A text the filter never saw: deleting the digit before the separator.
    f.edit->SetCheckOnExit(false);
    f.Enter();
    f.edit->SelectAll();
    f.Type("1,");
    f.edit->setCursorPosition(0);
    QTest::keyClick(f.edit, Qt::Key_Delete);
    ASSERT_EQ(f.edit->Text(), ",");
    boxes.Answer(IDOK, "',' is not a valid floating point value");
    f.Leave();
    QApplication::processEvents();
    EXPECT_TRUE(f.edit->hasFocus());
    EXPECT_EQ(f.edit->Text(), ",");
    f.Type("2");
    f.Leave();
    QApplication::processEvents();
    EXPECT_EQ(f.edit->Value(), 2);
    EXPECT_EQ(boxes.asked().size(), 2u);
}

TEST(NumEdit, FormatOnEditingGroupsWhileTyping) {
    NumFixture f;
    f.edit->SetFormatOnEditing(true);
    EXPECT_TRUE(f.edit->alignment() & Qt::AlignRight) << "the edit text takes Alignment";
    f.Enter();
    f.Type("1234567");
    EXPECT_EQ(f.edit->Text(), "1 234 567");
    EXPECT_EQ(f.edit->cursorPosition(), 9) << "the caret stays after the last digit";
    EXPECT_EQ(f.changes, 7);
    f.Type(",5");
    EXPECT_EQ(f.edit->Text(), "1 234 567,5");
    EXPECT_EQ(f.edit->Value(), 1234567.5L);
    f.edit->SetFormatOnEditing(false);
    EXPECT_EQ(f.edit->Text(), "1234567,5");
    EXPECT_TRUE(f.edit->alignment() & Qt::AlignLeft);

    f.edit->SetDisplayFormat("0.##");
    f.edit->SetFormatOnEditing(true);
    f.edit->SelectAll();
    f.Type("98765");
    EXPECT_EQ(f.edit->Text(), "98765") << "no grouping without a comma in the display format";
    f.Leave();
    f.edit->SetDisplayFormat(",0.##");
    f.edit->SetValue(4321);
    f.Enter();
    EXPECT_EQ(f.edit->Text(), "4 321") << "entering groups the text";
}

TEST(NumEdit, DestroyedWithItsCalculatorOpen) {
    NumFixture f;
    f.Enter();
    f.ClickButton();
    ASSERT_TRUE(f.edit->PopupVisible());
    delete f.edit;
    Press(f.other, 2, 2);
    EXPECT_TRUE(f.other->isVisible());
}
