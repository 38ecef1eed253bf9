// The shadowed label: shadow placement, the disabled look, automatic size, layout, alignment,
// transparency, the focus frame, the accelerator and mouse tracking.
#include "controls/rx_label.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <memory>

#include "platform/controls.h"
#include "tests/controls/control_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

constexpr TColor kHintColour = RGB(248, 255, 192);

TFont LabelFont(int size = 12) {
    TFont f;
    f.Name = "Arial";
    f.Size = size;
    f.Color = clBlack;
    return f;
}

// A label on a window of its own, its font fixed so that pictures do not depend on the theme.
struct LabelFixture {
    QWidget window;
    TRxLabel* label;
    LabelFixture() : label(new TRxLabel(&window)) {
        window.resize(400, 300);
        label->SetFont(LabelFont());
        label->SetColor(clWhite);
    }
    QImage Render(TColor under = clWhite) {
        TBitmap picture = Filled(label->Width(), label->Height(), under);
        label->PaintTo(picture.Canvas());
        return picture.Image().copy();
    }
    int LineHeight() {
        TBitmap b(1, 1);
        b.Canvas().Font = label->Font();
        return b.Canvas().TextHeight("Wg");
    }
};

}  // namespace

TEST(RxLabel, StartsWithTheFrameworkDefaults) {
    QWidget window;
    TRxLabel label(&window);
    EXPECT_EQ(label.width(), 65);
    EXPECT_EQ(label.height(), 17);
    EXPECT_EQ(label.Alignment(), taLeftJustify);
    EXPECT_TRUE(label.AutoSize());
    EXPECT_EQ(label.Layout(), tlTop);
    EXPECT_EQ(label.ShadowColor(), clBtnHighlight);
    EXPECT_EQ(label.ShadowSize(), 1);
    EXPECT_EQ(label.ShadowPos(), spLeftTop);
    EXPECT_FALSE(label.WordWrap());
    EXPECT_TRUE(label.ShowAccelChar());
    EXPECT_FALSE(label.ShowFocus());
    EXPECT_FALSE(label.Transparent());
    EXPECT_EQ(label.FocusControl(), nullptr);
}

TEST(RxLabel, ShadowIsOffsetTowardsItsPosition) {
    struct Case {
        TShadowPosition pos;
        int dx, dy;
    };
    const Case cases[] = {
        {spLeftTop, -3, -3}, {spLeftBottom, -3, 3}, {spRightBottom, 3, 3}, {spRightTop, 3, -3}};
    for (const Case& c : cases) {
        LabelFixture f;
        f.label->SetAutoSize(false);
        f.label->SetBounds(0, 0, 120, 40);
        f.label->SetCaption("WHW");
        f.label->SetShadowColor(clRed);
        f.label->SetShadowSize(3);
        f.label->SetShadowPos(c.pos);
        f.label->SetAlignment(taCenter);
        f.label->SetLayout(tlCenter);
        const QImage img = f.Render();
        const QRect text = BoxOf(img, Dark), shadow = BoxOf(img, Near(clRed));
        ASSERT_FALSE(text.isNull());
        ASSERT_FALSE(shadow.isNull());
        // The shadow shows beyond the text on the sides it is moved towards.
        const int dx = c.dx < 0 ? shadow.left() - text.left() : shadow.right() - text.right();
        const int dy = c.dy < 0 ? shadow.top() - text.top() : shadow.bottom() - text.bottom();
        EXPECT_NEAR(dx, c.dx, 1) << c.pos;
        EXPECT_NEAR(dy, c.dy, 1) << c.pos;
    }
}

TEST(RxLabel, ShadowSizeZeroDrawsTheTextOnceInPlace) {
    LabelFixture f;
    f.label->SetAutoSize(false);
    f.label->SetBounds(0, 0, 120, 30);
    f.label->SetCaption("Cut-off cell");
    f.label->SetShadowSize(0);
    f.label->SetShadowColor(clRed);
    const QImage img = f.Render();
    EXPECT_EQ(CountWhere(img, Near(clRed)), 0);

    // The same as the text drawn once, one pixel in from the left edge.
    TBitmap expected = Filled(120, 30, clWhite);
    expected.Canvas().Font = LabelFont();
    expected.Canvas().Brush.Style = bsClear;
    TRect r = Rect(1, 0, 119, 30);
    DrawText(expected.Canvas(), "Cut-off cell", r, DT_EXPANDTABS);
    EXPECT_EQ(img, expected.Image());
}

TEST(RxLabel, DisabledGetsAOnePixelHighlightShadowAtBottomRight) {
    LabelFixture f;
    f.label->SetAutoSize(false);
    f.label->SetBounds(0, 0, 120, 30);
    f.label->SetCaption("WHW");
    f.label->SetShadowSize(0);
    f.label->SetColor(kHintColour);
    f.label->SetEnabled(false);
    const QImage img = f.Render();
    const QRect grey = BoxOf(img, Near(clGrayText));
    const QRect white = BoxOf(img, [](TColor c) { return c.r > 250 && c.g > 250 && c.b > 250; });
    ASSERT_FALSE(grey.isNull());
    ASSERT_FALSE(white.isNull());
    EXPECT_NEAR(white.right() - grey.right(), 1, 1);
    EXPECT_NEAR(white.bottom() - grey.bottom(), 1, 1);
    EXPECT_GE(white.left(), grey.left());
    EXPECT_EQ(CountWhere(img, [](TColor c) { return c.r + c.g + c.b < 150; }), 0);

    // Enabled again: black text on the label colour, no highlight.
    f.label->SetEnabled(true);
    const QImage enabled = f.Render();
    EXPECT_EQ(CountWhere(enabled, Exactly(clWhite)), 0);
    EXPECT_GT(CountWhere(enabled, Dark), 0);
}

TEST(RxLabel, AutoSizeFitsTheText) {
    LabelFixture f;
    const int lh = f.LineHeight();
    f.label->SetShadowSize(0);
    f.label->SetCaption("");
    EXPECT_EQ(f.label->Height(), lh);  // an empty caption is one line high
    EXPECT_GT(f.label->Width(), 2);

    f.label->SetCaption("Amount");
    TBitmap b(1, 1);
    b.Canvas().Font = LabelFont();
    EXPECT_EQ(f.label->Width(), b.Canvas().TextWidth("Amount") + 2);
    EXPECT_EQ(f.label->Height(), lh);

    // A shadow towards the bottom right adds its size.
    f.label->SetShadowPos(spRightBottom);
    f.label->SetShadowSize(3);
    EXPECT_EQ(f.label->Width(), b.Canvas().TextWidth("Amount") + 2 + 3);
    EXPECT_EQ(f.label->Height(), lh + 3);

    // A larger font re-fits; without AutoSize nothing follows the caption.
    f.label->SetFont(LabelFont(20));
    EXPECT_GT(f.label->Height(), lh + 3);
    f.label->SetAutoSize(false);
    const int width = f.label->Width();
    f.label->SetCaption("A much longer caption than before");
    EXPECT_EQ(f.label->Width(), width);
}

TEST(RxLabel, WordWrapWithAutoSizeKeepsTheWidthAndGrowsTheHeight) {
    LabelFixture f;
    const int lh = f.LineHeight();
    f.label->SetAutoSize(false);
    f.label->SetWordWrap(true);
    f.label->SetShadowSize(0);
    f.label->SetColor(kHintColour);
    f.label->SetBounds(10, 20, 105, 47);
    f.label->SetAutoSize(true);
    const AnsiString text = "The full text of a cut-off ledger cell shown in a box";
    f.label->SetWidth(105);
    f.label->SetCaption(text);
    EXPECT_EQ(f.label->Width(), 105);
    EXPECT_EQ(f.label->Left(), 10);
    EXPECT_EQ(f.label->Top(), 20);
    TBitmap b(1, 1);
    b.Canvas().Font = LabelFont();
    TRect r = Rect(0, 0, 103, 0);
    const int expected = DrawText(b.Canvas(), text, r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(f.label->Height(), expected);
    EXPECT_GE(f.label->Height(), 3 * lh);

    // The painted text stays inside the label and reaches its last line.
    const QImage img = f.Render();
    const QRect box = BoxOf(img, Dark);
    EXPECT_GE(box.left(), 1);
    EXPECT_LE(box.right(), 103);
    EXPECT_GT(box.bottom(), f.label->Height() - lh);
}

TEST(RxLabel, RightJustifiedAutoSizeKeepsTheRightEdge) {
    LabelFixture f;
    f.label->SetAutoSize(false);
    f.label->SetBounds(100, 5, 80, 30);
    f.label->SetAlignment(taRightJustify);
    f.label->SetCaption("Hi");
    f.label->SetAutoSize(true);
    EXPECT_EQ(f.label->Left() + f.label->Width(), 180);
    f.label->SetCaption("Hello there");
    EXPECT_EQ(f.label->Left() + f.label->Width(), 180);

    f.label->SetAlignment(taLeftJustify);
    const int left = f.label->Left();
    f.label->SetCaption("Hi");
    EXPECT_EQ(f.label->Left(), left);
}

TEST(RxLabel, LayoutAndAlignmentPlaceTheText) {
    auto box = [](TTextLayout layout, TAlignment alignment) {
        LabelFixture f;
        f.label->SetAutoSize(false);
        f.label->SetShadowSize(0);
        f.label->SetBounds(0, 0, 200, 80);
        f.label->SetCaption("Xy");
        f.label->SetLayout(layout);
        f.label->SetAlignment(alignment);
        return BoxOf(f.Render(), Dark);
    };
    const QRect top = box(tlTop, taLeftJustify);
    const QRect bottom = box(tlBottom, taLeftJustify);
    const QRect centre = box(tlCenter, taLeftJustify);
    EXPECT_LT(top.top(), 6);
    EXPECT_GT(bottom.bottom(), 72);
    EXPECT_NEAR((centre.top() + centre.bottom()) / 2.0, 40, 4);
    EXPECT_EQ(bottom.height(), top.height());

    EXPECT_LE(top.left(), 3);
    EXPECT_GE(box(tlTop, taRightJustify).right(), 196);
    const QRect middle = box(tlTop, taCenter);
    EXPECT_NEAR((middle.left() + middle.right()) / 2.0, 100, 3);
}

TEST(RxLabel, TransparentLeavesTheBackgroundAndAnOpaqueLabelFillsIt) {
    LabelFixture f;
    f.label->SetAutoSize(false);
    f.label->SetBounds(0, 0, 100, 30);
    f.label->SetCaption("A");
    f.label->SetColor(kHintColour);
    QImage img = f.Render(clLime);
    EXPECT_EQ(At(img, 90, 25), kHintColour);
    EXPECT_EQ(CountWhere(img, Exactly(clLime)), 0);

    f.label->SetTransparent(true);
    img = f.Render(clLime);
    EXPECT_EQ(At(img, 90, 25), clLime);
    EXPECT_EQ(CountWhere(img, Exactly(kHintColour)), 0);
    EXPECT_GT(CountWhere(img, Dark), 0);

    // On screen the parent shows through a transparent label.
    QWidget parent;
    parent.resize(100, 40);
    QPalette p = parent.palette();
    p.setColor(QPalette::Window, Qt::blue);
    parent.setPalette(p);
    parent.setAutoFillBackground(true);
    auto* label = new TRxLabel(&parent);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 100, 40);
    label->SetCaption("");
    label->SetTransparent(true);
    EXPECT_EQ(At(parent.grab().toImage(), 50, 20), clBlue);
    label->SetTransparent(false);
    label->SetColor(clYellow);
    EXPECT_EQ(At(parent.grab().toImage(), 50, 20), clYellow);
}

TEST(RxLabel, ShowsAFocusFrameWhileItsFocusControlHasTheFocus) {
    LabelFixture f;
    auto* other = new QLineEdit(&f.window);
    auto* edit = new QLineEdit(&f.window);
    edit->setGeometry(200, 0, 100, 20);
    f.label->SetAutoSize(false);
    f.label->SetBounds(0, 0, 100, 30);
    f.label->SetShadowSize(0);
    f.label->SetCaption("Name");
    f.label->SetFocusControl(edit);
    f.label->SetShowFocus(true);
    f.window.show();
    f.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
    other->setFocus();
    const QImage unfocused = f.Render();
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    const QImage focused = f.Render();
    // The frame runs along the text rectangle widened by one: the label's left column.
    EXPECT_EQ(CountWhere(unfocused, QRect(0, 0, 1, 30), Dark), 0);
    EXPECT_GT(CountWhere(focused, QRect(0, 0, 1, 30), Dark), 5);
    f.label->SetShowFocus(false);
    EXPECT_EQ(f.Render(), unfocused);

    // The caption's accelerator, typed with Alt, moves the focus to the focus control.
    f.label->SetCaption("&Name");
    other->setFocus();
    QTest::keyClick(other, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
    other->setFocus();
    QTest::keyClick(other, Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(other->hasFocus());
    f.label->SetShowAccelChar(false);
    QTest::keyClick(other, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(other->hasFocus());
}

TEST(RxLabel, AcceleratorFocusesTheFocusControl) {
    LabelFixture f;
    auto* edit = new QLineEdit(&f.window);
    auto* other = new QLineEdit(&f.window);
    f.label->SetCaption("&Name");
    EXPECT_FALSE(f.label->DialogChar('n'));  // no focus control yet
    f.label->SetFocusControl(edit);
    other->setFocus();
    EXPECT_FALSE(f.label->DialogChar('x'));
    EXPECT_TRUE(f.label->DialogChar('N'));
    EXPECT_EQ(f.window.focusWidget(), edit);

    other->setFocus();
    edit->setEnabled(false);
    EXPECT_FALSE(f.label->DialogChar('n'));
    edit->setEnabled(true);
    f.label->SetShowAccelChar(false);
    EXPECT_FALSE(f.label->DialogChar('n'));
    f.label->SetShowAccelChar(true);

    delete edit;
    EXPECT_EQ(f.label->FocusControl(), nullptr);
    EXPECT_FALSE(f.label->DialogChar('n'));
}

TEST(RxLabel, WithoutAcceleratorsTheAmpersandShows) {
    LabelFixture f;
    f.label->SetShadowSize(0);
    f.label->SetCaption("&Name");
    const int withPrefix = f.label->Width();
    f.label->SetShowAccelChar(false);
    f.label->SetCaption("&Name ");
    f.label->SetCaption("&Name");
    EXPECT_GT(f.label->Width(), withPrefix);
}

TEST(RxLabel, TracksTheMouseAndHoldsTheLeaveWhileTheButtonIsDown) {
    SetOwnsActiveWindowForTests(true);
    LabelFixture f;
    f.label->SetAutoSize(false);
    f.label->SetBounds(0, 0, 60, 20);
    int enters = 0, leaves = 0, clicks = 0;
    f.label->OnMouseEnter = [&] { ++enters; };
    f.label->OnMouseLeave = [&] { ++leaves; };
    f.label->OnClick = [&] { ++clicks; };

    Enter(f.label);
    Enter(f.label);
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(f.label->MouseInside());
    Press(f.label, 5, 5);
    Leave(f.label);
    EXPECT_EQ(leaves, 0);  // held back while the left button is down
    Release(f.label, -4, 30);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(f.label->MouseInside());
    EXPECT_EQ(clicks, 0);  // released outside

    Enter(f.label);
    Press(f.label, 5, 5);
    Release(f.label, 6, 6);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(leaves, 1);
    Leave(f.label);
    EXPECT_EQ(leaves, 2);

    f.label->SetEnabled(false);
    Enter(f.label);
    EXPECT_EQ(enters, 2);
    f.label->SetEnabled(true);
    SetOwnsActiveWindowForTests(false);
    Enter(f.label);
    EXPECT_EQ(enters, 2);  // another program is in front
    SetOwnsActiveWindowForTests(std::nullopt);
}

TEST(RxLabel, TakesItsParentsColourAndFontUntilGivenItsOwn) {
    QWidget window;
    auto* panel = new TPanel(&window);
    panel->SetColor(kHintColour);
    TFont font = LabelFont(14);
    font.Color = clMaroon;
    panel->SetFont(font);
    auto* label = new TRxLabel(panel);
    EXPECT_EQ(label->Color(), kHintColour);
    EXPECT_EQ(label->Font().Size, 14);
    EXPECT_EQ(label->Font().Color, clMaroon);
    EXPECT_TRUE(label->ParentFont());
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 80, 30);
    label->SetCaption("Wm");
    TBitmap picture(80, 30);
    label->PaintTo(picture.Canvas());
    EXPECT_EQ(At(picture.Image(), 79, 29), kHintColour);
    EXPECT_GT(CountWhere(picture.Image(), Near(clMaroon)), 10);

    label->SetColor(clWhite);
    label->SetFontColor(clNavy);
    EXPECT_EQ(label->Font().Size, 14);
    label->PaintTo(picture.Canvas());
    EXPECT_EQ(At(picture.Image(), 79, 29), clWhite);
    EXPECT_EQ(CountWhere(picture.Image(), Near(clMaroon)), 0);
    EXPECT_GT(CountWhere(picture.Image(), Near(clNavy)), 10);
    // A later font of the panel still reaches the label, which keeps its own colour.
    font.Size = 20;
    panel->SetFont(font);
    EXPECT_EQ(label->Font().Size, 20);
    EXPECT_EQ(label->Font().Color, clNavy);
}
