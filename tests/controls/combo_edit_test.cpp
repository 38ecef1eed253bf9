// The combo edit: its button and layout, where the pop-up opens, opening and closing by button,
// keys, clicks elsewhere and focus loss, read-only and direct input, glyph kinds, and its look.
#include "controls/combo_edit.h"

#include <gtest/gtest.h>

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/shell.h"
#include "tests/controls/control_test_util.h"
#include "tests/controls/edit_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

// A pop-up that hands back whatever value it holds.
class TestPopup : public TPopupWindow {
  public:
    using TPopupWindow::TPopupWindow;
    TPopupValue value;
    int writes = 0;
    TPopupValue GetValue() override { return value; }
    void SetValue(const TPopupValue& v) override {
        value = v;
        ++writes;
    }
};

class TestCombo : public TCustomComboEdit {
  public:
    explicit TestCombo(QWidget* parent) : TCustomComboEdit(parent), popup(new TestPopup(this)) {
        popup->resize(100, 80);
        SetPopup(popup);
        popup->OnCloseUp = [this](TPopupWindow*, bool accept) { ClosePopup(accept); };
    }
    TestPopup* popup;
    int popupChanges = 0;

  protected:
    void PopupChanged() override { ++popupChanges; }
};

struct ComboFixture {
    EditEnvironment env;
    TForm window;
    TestCombo* edit;
    TEdit* other;
    int changes = 0, buttonClicks = 0;
    ComboFixture() : edit(new TestCombo(&window)), other(new TEdit(&window)) {
        window.setGeometry(100, 100, 300, 200);
        edit->SetBounds(10, 10, 121, 21);
        other->SetBounds(10, 60, 121, 21);
        edit->OnChange = [this] { ++changes; };
        edit->OnButtonClick = [this] { ++buttonClicks; };
        Activate(window);
        edit->SetFocus();
        QApplication::processEvents();
    }
    void ClickButton() {
        Press(edit->Button(), 5, 5);
        Release(edit->Button(), 5, 5);
    }
    QPoint EditOnScreen() const { return edit->mapToGlobal(QPoint(0, 0)); }
};

}  // namespace

TEST(ComboEdit, StartsWithItsButtonInsideTheRightEdge) {
    ComboFixture f;
    TestCombo& e = *f.edit;
    EXPECT_EQ(e.ButtonWidth(), 21);
    EXPECT_EQ(e.ClickKey(), 32808) << "Alt+Down";
    EXPECT_EQ(ShortCut(VK_DOWN, ssAlt), 32808);
    EXPECT_FALSE(e.ButtonWidthStored());
    EXPECT_TRUE(f.edit->hasFocus());
    // Inside the 2-pixel sunken border, as high as the client area.
    EXPECT_EQ(e.ClientArea(), QRect(2, 2, 117, 17));
    EXPECT_EQ(e.ButtonHolder()->geometry(), QRect(121 - 2 - 21, 2, 21, 17));
    EXPECT_EQ(e.textMargins().right(), 2 + 21) << "text stays clear of the button";
    EXPECT_EQ(e.style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, &e), 1);
    TFont bold = e.Font();
    bold.Style = {fsBold};
    e.SetFont(bold);
    EXPECT_EQ(e.style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, &e), 2)
        << "a wider caret for a bold font";

    e.SetCtl3D(false);
    EXPECT_EQ(e.ButtonHolder()->geometry(), QRect(1 + 121 - 21 - 2, 1 + 2, 21, 21 - 4));
    e.SetBorderStyle(bsNone);
    EXPECT_EQ(e.ButtonHolder()->geometry(), QRect(100, 0, 21, 21));

    TestCombo fresh(nullptr);
    EXPECT_EQ(fresh.height(), 21);
    e.resize(121, 5);
    EXPECT_EQ(e.height(), QFontMetrics(e.font()).height() + 5)
        << "no lower than the font's text and the borders";
}

TEST(ComboEdit, PopupPositionKeepsThePopupOnTheScreen) {
    const TRect screen = Rect(0, 0, 800, 600);
    // Under the edit, right edges lined up.
    EXPECT_EQ(PopupPosition({300, 100}, 121, 21, 137, 127, screen, epaRight), (TPoint{284, 121}));
    EXPECT_EQ(PopupPosition({300, 100}, 121, 21, 137, 127, screen, epaLeft), (TPoint{300, 121}));
    // Near the bottom it opens above the edit.
    EXPECT_EQ(PopupPosition({300, 560}, 121, 21, 137, 127, screen, epaRight), (TPoint{284, 433}));
    EXPECT_EQ(PopupPosition({300, 452}, 121, 21, 137, 127, screen, epaRight).Y, 473);
    EXPECT_EQ(PopupPosition({300, 453}, 121, 21, 137, 127, screen, epaRight).Y, 326);
    // Near the left edge a right-aligned pop-up starts at the edit's left edge.
    EXPECT_EQ(PopupPosition({5, 100}, 121, 21, 137, 127, screen, epaRight).X, 5);
    // Near the right edge a left-aligned pop-up lines up its right edge, then stays on screen.
    EXPECT_EQ(PopupPosition({670, 100}, 121, 21, 137, 127, screen, epaLeft).X, 654);
    EXPECT_EQ(PopupPosition({700, 100}, 121, 21, 137, 127, screen, epaLeft).X, 663);
    EXPECT_EQ(PopupPosition({-50, 100}, 121, 21, 137, 127, screen, epaLeft).X, 0);
    // A screen that does not start at 0.
    EXPECT_EQ(PopupPosition({805, 100}, 121, 21, 137, 127, Rect(800, 0, 1600, 600), epaRight).X,
              805);
}

TEST(ComboEdit, PopupOpensUnderTheEditOrAboveItNearTheBottom) {
    ComboFixture f;
    f.edit->OpenPopup(true);
    ASSERT_TRUE(f.edit->PopupVisible());
    ASSERT_TRUE(f.edit->popup->isVisible());
    QPoint at = f.EditOnScreen();
    EXPECT_EQ(f.edit->popup->pos(), QPoint(at.x() + 121 - 100, at.y() + 21));
    f.edit->ClosePopup(false);
    EXPECT_FALSE(f.edit->popup->isVisible());

    const QRect screen = f.edit->screen()->geometry();
    f.window.move(100, screen.bottom() - 60);
    QApplication::processEvents();
    at = f.EditOnScreen();
    ASSERT_GT(at.y() + 21 + 80, screen.bottom());
    f.edit->OpenPopup(true);
    EXPECT_EQ(f.edit->popup->pos(), QPoint(at.x() + 21, at.y() - 80));
}

TEST(ComboEdit, ButtonOpensThePopupAndAPressWhileOpenClosesItAccepting) {
    ComboFixture f;
    f.ClickButton();
    ASSERT_TRUE(f.edit->PopupVisible());
    EXPECT_EQ(f.buttonClicks, 1);
    EXPECT_TRUE(PopupValueIsNull(f.edit->popup->value)) << "an empty text goes as null";
    EXPECT_TRUE(f.edit->isReadOnly()) << "typing is off while the pop-up is open";
    EXPECT_TRUE(f.edit->hasFocus());

    f.edit->popup->value = AnsiString("chosen");
    f.ClickButton();
    EXPECT_FALSE(f.edit->PopupVisible()) << "the press closed it and the click did not reopen it";
    EXPECT_EQ(f.edit->EditText(), "chosen");
    EXPECT_TRUE(f.edit->Modified());
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(f.edit->popupChanges, 1) << "the text change itself came while it was open";
    EXPECT_EQ(f.buttonClicks, 1);
    EXPECT_FALSE(f.edit->isReadOnly());
    EXPECT_EQ(f.edit->selectedText(), "chosen");

    f.ClickButton();
    ASSERT_TRUE(f.edit->PopupVisible());
    EXPECT_EQ(PopupValueText(f.edit->popup->value), "chosen");
    // Text written while it is open is no change for OnChange.
    f.edit->SetEditText("typed");
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(f.edit->popupChanges, 2);
    // The same value again changes nothing.
    f.edit->popup->value = AnsiString("typed");
    f.edit->ClosePopup(true);
    EXPECT_EQ(f.changes, 1);
    // Without a standard button, the closing press does not accept.
    f.edit->Button()->SetStandard(false);
    f.ClickButton();
    f.edit->popup->value = 12.5L;
    f.ClickButton();
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->EditText(), "typed");
}

TEST(ComboEdit, KeysOpenThePopupAndEnterOrEscapeFinishIt) {
    ComboFixture f;
    auto* ok = new TButton(&f.window);
    ok->SetDefault(true);
    ok->show();
    int okClicks = 0;
    ok->OnClick = [&] { ++okClicks; };
    f.edit->SetEditText("before");

    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1) << "with the pop-up closed Enter is the window's";

    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.edit->PopupVisible());
    EXPECT_EQ(PopupValueText(f.edit->popup->value), "before");
    f.edit->popup->value = AnsiString("after");
    QTest::keyClick(f.edit, Qt::Key_Escape);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->EditText(), "before");

    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    f.edit->popup->value = AnsiString("after");
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->EditText(), "after");
    EXPECT_EQ(okClicks, 1) << "Enter finished the pop-up, not the dialog";

    // Another click key; the old one now does nothing.
    f.edit->SetClickKey(ShortCut(VK_F1 + 3, 0));
    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(f.edit->PopupVisible());
    QTest::keyClick(f.edit, Qt::Key_F4);
    EXPECT_TRUE(f.edit->PopupVisible());
    f.edit->SetButtonWidth(0);
    f.edit->ClosePopup(false);
    QTest::keyClick(f.edit, Qt::Key_F4);
    EXPECT_FALSE(f.edit->PopupVisible()) << "no click key without a button";

    // Ctrl+Enter belongs to the window; the line edit never sees it.
    int returns = 0;
    QObject::connect(f.edit, &QLineEdit::returnPressed, [&] { ++returns; });
    QTest::keyClick(f.edit, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(returns, 0);
    EXPECT_EQ(okClicks, 1);
}

TEST(ComboEdit, ClicksElsewhereAndLosingTheFocusCloseWithoutAccepting) {
    ComboFixture f;
    f.edit->SetEditText("kept");
    f.edit->OpenPopup(true);
    f.edit->popup->value = AnsiString("dropped");
    Press(f.edit->popup, 3, 3);  // on the pop-up itself: stays open
    EXPECT_TRUE(f.edit->PopupVisible());
    Press(f.other, 3, 3);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->EditText(), "kept");

    f.edit->SetFocus();
    f.edit->OpenPopup(true);
    f.other->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_TRUE(f.other->hasFocus()) << "closing does not take the focus back";
    EXPECT_EQ(f.edit->EditText(), "kept");

    // A press in the focused edit closes it too.
    f.edit->SetFocus();
    f.edit->OpenPopup(true);
    Press(f.edit, 5, 5);
    EXPECT_FALSE(f.edit->PopupVisible());
    // A release on the pop-up's own border closes it accepting.
    f.edit->OpenPopup(true);
    f.edit->popup->value = AnsiString("dropped");
    Release(f.edit->popup, 50, 40);
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.edit->EditText(), "dropped");
    f.edit->OpenPopup(true);
    f.window.move(f.window.pos() + QPoint(10, 0));
    EXPECT_FALSE(f.edit->PopupVisible()) << "moving the window closes it";
    f.edit->OpenPopup(true);
    f.edit->hide();
    EXPECT_FALSE(f.edit->PopupVisible()) << "a hidden edit has no pop-up";
}

TEST(ComboEdit, ReadOnlyStopsTheButtonAndDirectInputOnlyTyping) {
    ComboFixture f;
    f.edit->SetReadOnly(true);
    f.ClickButton();
    EXPECT_FALSE(f.edit->PopupVisible());
    EXPECT_EQ(f.buttonClicks, 0);
    f.edit->SetAlwaysEnable(true);
    f.ClickButton();
    EXPECT_EQ(f.buttonClicks, 1);
    EXPECT_FALSE(f.edit->PopupVisible()) << "a read-only edit takes no pop-up value";
    f.edit->SetReadOnly(false);

    f.edit->SetDirectInput(false);
    f.edit->SetEditText("fixed");
    QTest::keyClicks(f.edit, "abc");
    EXPECT_EQ(f.edit->EditText(), "fixed");
    SetClipboardText("pasted");
    f.edit->SelectAll();
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->EditText(), "fixed");
    QTest::keyClick(f.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(f.edit->EditText(), "fixed");
    EXPECT_EQ(ClipboardText(), "pasted");
    f.ClickButton();
    EXPECT_TRUE(f.edit->PopupVisible()) << "the button still works";
    f.edit->popup->value = AnsiString("from popup");
    f.ClickButton();
    EXPECT_EQ(f.edit->EditText(), "from popup");
    EXPECT_TRUE(f.edit->isReadOnly());

    f.edit->SetDirectInput(true);
    f.edit->SelectAll();
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->EditText(), "pasted");
    f.edit->SelectAll();
    QTest::keyClick(f.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(f.edit->EditText(), "");
}

TEST(ComboEdit, ButtonWidthAndGlyphKinds) {
    ComboFixture f;
    TestCombo& e = *f.edit;
    e.SetButtonWidth(1);
    EXPECT_TRUE(e.ButtonHolder()->isHidden());
    e.SetButtonWidth(30);
    EXPECT_FALSE(e.ButtonHolder()->isHidden());
    EXPECT_EQ(e.ButtonWidth(), 30);
    EXPECT_EQ(e.ButtonHolder()->geometry(), QRect(121 - 2 - 30, 2, 30, 17));
    e.SetButtonWidth(117);
    EXPECT_EQ(e.ButtonWidth(), 30) << "not less than the client width: ignored";
    e.SetButtonWidth(116);
    EXPECT_EQ(e.ButtonWidth(), 116);
    e.SetButtonWidth(21);

    e.SetGlyphKind(gkEllipsis);
    const QImage dots = e.Glyph().Image();
    EXPECT_EQ(dots.size(), QSize(15, 4));
    EXPECT_EQ(CountWhere(dots, Exactly(clBlack)), 12) << "three 2 x 2 dots";
    for (int x : {1, 2, 6, 7, 11, 12}) EXPECT_EQ(At(dots, x, 1), clBlack) << x;
    EXPECT_EQ(At(dots, 0, 1), clFuchsia);
    e.SetNumGlyphs(3);
    EXPECT_EQ(e.NumGlyphs(), 1);
    e.SetButtonWidth(40);
    EXPECT_EQ(e.Glyph().Width(), 34) << "rebuilt for the new width";

    e.SetGlyphKind(gkDropDown);
    EXPECT_EQ(e.ButtonWidth(), kSystemScrollBarWidth);
    EXPECT_TRUE(e.Button()->FixedWidth());
    EXPECT_FALSE(e.ButtonWidthStored());
    EXPECT_EQ(CountWhere(e.Glyph().Image(), Exactly(clBlack)), 16) << "the arrow";
    e.SetButtonWidth(20);
    EXPECT_FALSE(e.Button()->FixedWidth());
    EXPECT_TRUE(e.ButtonWidthStored());

    TBitmap glyph = Filled(32, 16, clRed);
    e.SetGlyph(glyph);
    EXPECT_EQ(e.GlyphKind(), gkCustom);
    e.SetNumGlyphs(2);
    EXPECT_EQ(e.NumGlyphs(), 2);
    e.SetGlyphKind(gkDefault);
    EXPECT_TRUE(e.Glyph().Empty()) << "the plain combo edit has no default picture";
    EXPECT_EQ(e.NumGlyphs(), 1);
}

TEST(ComboEdit, PaintsASunkenBorderAndMergesTheButtonEdge) {
    ComboFixture f;
    f.edit->SetEditText("Text");
    const QImage image = f.edit->grab().toImage();
    EXPECT_EQ(At(image, 0, 0), clBtnShadow);
    EXPECT_EQ(At(image, 1, 1), cl3DDkShadow);
    EXPECT_EQ(At(image, 120, 20), clBtnHighlight);
    EXPECT_EQ(At(image, 119, 19), cl3DLight);
    EXPECT_GT(CountWhere(image, QRect(2, 2, 40, 17), Dark), 10) << "the text";

    TEditButton* button = f.edit->Button();
    TBitmap up(button->width(), button->height());
    button->PaintTo(up.Canvas());
    EXPECT_EQ(At(up.Image(), 0, 8), clBtnFace);
    EXPECT_EQ(At(up.Image(), 1, 8), clBtnHighlight);
    EXPECT_EQ(At(up.Image(), 20, 8), cl3DDkShadow) << "the raised frame's right edge";
    f.edit->SetReadOnly(true);  // so that the press only draws the button down
    Press(button, 5, 5);
    TBitmap down(button->width(), button->height());
    button->PaintTo(down.Canvas());
    EXPECT_EQ(At(down.Image(), 0, 8), clBtnShadow) << "pressed: the plain sunken frame";
    Release(button, 5, 5);

    f.edit->SetEnabled(false);
    EXPECT_FALSE(button->Enabled()) << "the button follows the edit";
    f.edit->SetEnabled(true);
    EXPECT_TRUE(button->Enabled());
}
