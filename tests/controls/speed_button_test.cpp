// The speed button: its look in every state, the mouse, grouping, auto-repeat, the keyboard's
// click, the drop-down menu and transparency.
#include "controls/speed_button.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"
#include "tests/controls/control_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

// Reaches the repeat timer, which only a press starts otherwise.
class TestButton : public TRxSpeedButton {
  public:
    using TRxSpeedButton::RepeatTimer;
    using TRxSpeedButton::TimerExpired;
    using TRxSpeedButton::TRxSpeedButton;
};

struct ButtonFixture {
    QWidget window;
    TestButton* button;
    int clicks = 0;
    ButtonFixture() : button(new TestButton(&window)) {
        window.resize(200, 100);
        button->move(10, 10);
        button->OnClick = [this] { ++clicks; };
    }
    ~ButtonFixture() { SetOwnsActiveWindowForTests(std::nullopt); }
    QImage Render() {
        TBitmap picture(button->width(), button->height());
        button->PaintTo(picture.Canvas());
        return picture.Image().copy();
    }
};

// A red 8 x 8 square on fuchsia, one cell.
TBitmap RedSquare() {
    TBitmap glyph = Filled(10, 10, clFuchsia);
    glyph.Canvas().Brush = TBrush{clRed, bsSolid};
    glyph.Canvas().FillRect(Rect(1, 1, 9, 9));
    return glyph;
}

bool Dithered(const QImage& img, int x, int y) {
    const TColor a = At(img, x, y), b = At(img, x + 1, y);
    return a != b && (a == clBtnHighlight || a == clBtnFace) &&
           (b == clBtnHighlight || b == clBtnFace);
}

}  // namespace

TEST(SpeedButton, StartsWithTheFrameworkDefaults) {
    QWidget window;
    TRxSpeedButton b(&window);
    EXPECT_EQ(b.width(), 25);
    EXPECT_EQ(b.height(), 25);
    EXPECT_EQ(b.GroupIndex(), 0);
    EXPECT_FALSE(b.Down());
    EXPECT_FALSE(b.AllowAllUp());
    EXPECT_FALSE(b.Flat());
    EXPECT_FALSE(b.FlatStandard());
    EXPECT_EQ(b.Style(), bsAutoDetect);
    EXPECT_EQ(b.Layout(), blGlyphTop);
    EXPECT_EQ(b.Margin(), -1);
    EXPECT_EQ(b.Spacing(), 1);
    EXPECT_EQ(b.Alignment(), taCenter);
    EXPECT_FALSE(b.WordWrap());
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_TRUE(b.GrayedInactive());
    EXPECT_FALSE(b.Transparent());
    EXPECT_TRUE(b.MarkDropDown());
    EXPECT_EQ(b.DropDownMenu(), nullptr);
    EXPECT_EQ(b.MenuPosition(), dmpBottom);
    EXPECT_EQ(b.ModalResult(), 0);
    EXPECT_FALSE(b.AllowTimer());
    EXPECT_EQ(b.InitPause(), 500);
    EXPECT_EQ(b.RepeatInterval(), 100);
    EXPECT_TRUE(b.ShowHint());
    EXPECT_EQ(b.State(), rbsUp);
}

TEST(SpeedButton, CountsLiveButtons) {
    const int before = TRxSpeedButton::InstanceCount();
    {
        QWidget window;
        new TRxSpeedButton(&window);
        new TRxSpeedButton(&window);
        EXPECT_EQ(TRxSpeedButton::InstanceCount(), before + 2);
    }
    EXPECT_EQ(TRxSpeedButton::InstanceCount(), before);
}

TEST(SpeedButton, FrameFollowsTheStateAndTheStyle) {
    ButtonFixture f;
    QImage img = f.Render();
    EXPECT_EQ(At(img, 0, 0), clBtnHighlight);
    EXPECT_EQ(At(img, 24, 24), cl3DDkShadow);
    EXPECT_EQ(At(img, 23, 23), clBtnShadow);
    EXPECT_EQ(At(img, 12, 12), clBtnFace);

    Press(f.button, 5, 5);
    img = f.Render();
    EXPECT_EQ(f.button->State(), rbsDown);
    EXPECT_EQ(At(img, 0, 0), clBtnShadow);
    EXPECT_EQ(At(img, 24, 24), clBtnHighlight);
    EXPECT_EQ(At(img, 1, 1), cl3DDkShadow);
    EXPECT_FALSE(Dithered(img, 10, 10));
    Release(f.button, 5, 5);

    // Down in a group: pressed and dithered.
    f.button->SetGroupIndex(1);
    f.button->SetDown(true);
    img = f.Render();
    EXPECT_EQ(f.button->State(), rbsExclusive);
    EXPECT_EQ(At(img, 0, 0), clBtnShadow);
    EXPECT_TRUE(Dithered(img, 10, 10));

    // The older style has a black frame.
    ButtonFixture old;
    old.button->SetStyle(bsWin31);
    img = old.Render();
    EXPECT_EQ(At(img, 0, 0), clBlack);
    EXPECT_EQ(At(img, 24, 12), clBlack);
    EXPECT_EQ(At(img, 1, 1), clBtnHighlight);
}

TEST(SpeedButton, FlatButtonShowsItsEdgeOnlyUnderTheMouse) {
    ButtonFixture f;
    SetOwnsActiveWindowForTests(true);
    f.button->SetFlat(true);
    QImage img = f.Render();
    EXPECT_EQ(CountWhere(img, [](TColor c) { return c != clBtnFace; }), 0);

    int enters = 0, leaves = 0;
    f.button->OnMouseEnter = [&] { ++enters; };
    f.button->OnMouseLeave = [&] { ++leaves; };
    Enter(f.button);
    EXPECT_TRUE(f.button->MouseInside());
    img = f.Render();
    EXPECT_EQ(At(img, 0, 0), clBtnHighlight);
    EXPECT_EQ(At(img, 24, 24), clBtnShadow);
    EXPECT_EQ(At(img, 1, 1), clBtnFace);  // a thin edge

    // The leave waits for the release.
    Press(f.button, 5, 5);
    Leave(f.button);
    EXPECT_EQ(leaves, 0);
    EXPECT_TRUE(f.button->MouseInside());
    Release(f.button, 40, 5);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(f.button->MouseInside());
    EXPECT_EQ(enters, 1);

    // Down in a group: the pressed frame and the dither also without the mouse.
    f.button->SetGroupIndex(3);
    f.button->SetDown(true);
    img = f.Render();
    EXPECT_EQ(At(img, 0, 0), clBtnShadow);
    EXPECT_TRUE(Dithered(img, 10, 10));
    Enter(f.button);
    img = f.Render();
    EXPECT_EQ(At(img, 0, 0), clBtnShadow);
    EXPECT_FALSE(Dithered(img, 10, 10));
}

TEST(SpeedButton, ContentMovesByOnePixelWhenPressed) {
    ButtonFixture f;
    f.button->SetGlyph(RedSquare());
    const QRect up = BoxOf(f.Render(), Exactly(clRed));
    EXPECT_EQ(up.size(), QSize(8, 8));
    Press(f.button, 3, 3);
    const QRect down = BoxOf(f.Render(), Exactly(clRed));
    EXPECT_EQ(down, up.translated(1, 1));
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clFuchsia)), 0);
}

TEST(SpeedButton, GlyphStateFollowsEnabledFlatAndGrayedInactive) {
    const int grey = 77 * 255 / 256;
    const TColor greyRed = RGB(grey, grey, grey);
    ButtonFixture f;
    SetOwnsActiveWindowForTests(true);
    f.button->SetGlyph(RedSquare());
    f.button->SetFlat(true);
    EXPECT_EQ(CountWhere(f.Render(), Exactly(greyRed)), 64);
    f.button->SetFlatStandard(true);
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clRed)), 64);
    f.button->SetFlatStandard(false);
    f.button->SetGrayedInactive(false);
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clRed)), 64);
    f.button->SetGrayedInactive(true);
    Enter(f.button);
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clRed)), 64);
    Leave(f.button);

    // Disabled with one image: the embossed figure, never the colours (red is no figure; a
    // black square is).
    TBitmap outline = Filled(10, 10, clFuchsia);
    outline.Canvas().Brush = TBrush{clBlack, bsSolid};
    outline.Canvas().FillRect(Rect(2, 2, 8, 8));
    f.button->SetGlyph(outline);
    f.button->SetEnabled(false);
    QImage img = f.Render();
    EXPECT_EQ(f.button->State(), rbsDisabled);
    EXPECT_EQ(CountWhere(img, Exactly(clBlack)), 0);
    EXPECT_EQ(CountWhere(img, Exactly(clBtnShadow)), 36);
    EXPECT_GT(CountWhere(img, Exactly(clBtnHighlight)), 10);
    EXPECT_EQ(CountWhere(img, Exactly(clFuchsia)), 0);
}

TEST(SpeedButton, CaptionIsDrawnAndEmbossedWhenDisabled) {
    // The caption is antialiased, so how many of its pixels come out in exactly the shadow or
    // the highlight colour depends on the font "Arial" resolves to and its hinting (Liberation
    // Sans fills a handful, Nimbus Sans a single one). What holds for any font is checked here,
    // for the program's font and for the others fontconfig may offer in its place.
    for (const char* name : {"Arial", "Nimbus Sans", "DejaVu Sans"}) {
        SCOPED_TRACE(name);
        ButtonFixture f;
        f.button->resize(60, 25);
        TFont font;
        font.Name = name;
        font.Size = 9;
        f.button->SetFont(font);
        f.button->SetCaption("Key");
        QImage img = f.Render();
        // Inside the frame (whose dark shadow would count as text).
        const QRect text = BoxOf(img.copy(3, 3, 54, 19), Dark).translated(3, 3);
        ASSERT_FALSE(text.isNull());
        EXPECT_NEAR((text.left() + text.right()) / 2.0, 30, 2);
        EXPECT_NEAR((text.top() + text.bottom()) / 2.0, 12, 3);
        EXPECT_LT(text.width(), 30);

        f.button->SetEnabled(false);
        const QImage inside = f.Render().copy(3, 3, 54, 19);
        // Nothing is darker than the shadow colour: it is the darkest ink.
        EXPECT_EQ(CountWhere(inside, [](TColor c) { return c.r < clBtnShadow.r; }), 0);
        // Ink covering a tenth of a pixel or more, on the button face.
        auto shadowInk = [](TColor c) { return c.r <= clBtnFace.r - 8; };
        auto highlightInk = [](TColor c) { return c.r >= clBtnFace.r + 2; };
        EXPECT_GT(CountWhere(inside, shadowInk), 5);
        EXPECT_GT(CountWhere(inside, highlightInk), 5);
        // The highlight copy lies one pixel lower, and further right, than the shadow on it.
        const QRect shadow = BoxOf(inside, shadowInk), highlight = BoxOf(inside, highlightInk);
        EXPECT_EQ(highlight.top(), shadow.top() + 1);
        EXPECT_EQ(highlight.bottom(), shadow.bottom() + 1);
        EXPECT_GT(highlight.left(), shadow.left());
        EXPECT_GE(highlight.right(), shadow.right());

        f.button->SetEnabled(true);
        EXPECT_EQ(f.button->State(), rbsUp);
        EXPECT_GT(CountWhere(f.Render(), QRect(3, 3, 54, 19), Dark), 0);
    }
}

TEST(SpeedButton, PressMoveAndReleaseDrawAndClick) {
    ButtonFixture f;
    Press(f.button, 5, 5);
    EXPECT_EQ(f.button->State(), rbsDown);
    EXPECT_TRUE(f.button->Dragging());
    Move(f.button, 40, 5);
    EXPECT_EQ(f.button->State(), rbsUp);
    Move(f.button, 24, 25);  // the bottom edge still counts as inside
    EXPECT_EQ(f.button->State(), rbsDown);
    Release(f.button, 24, 25);
    EXPECT_EQ(f.button->State(), rbsUp);
    EXPECT_FALSE(f.button->Dragging());
    EXPECT_EQ(f.clicks, 1);

    Press(f.button, 5, 5);
    Release(f.button, 25, 5);  // x = width is outside
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(f.button->State(), rbsUp);

    Press(f.button, 5, 5, Qt::RightButton);
    EXPECT_EQ(f.button->State(), rbsUp);
    Release(f.button, 5, 5, Qt::RightButton);
    EXPECT_EQ(f.clicks, 1);

    // A double click presses like the first press.
    int doubles = 0;
    f.button->OnDblClick = [&] { ++doubles; };
    Press(f.button, 5, 5);
    Release(f.button, 5, 5);
    DoubleClick(f.button, 5, 5);
    EXPECT_EQ(f.button->State(), rbsDown);
    Release(f.button, 5, 5);
    EXPECT_EQ(f.clicks, 3);
    EXPECT_EQ(doubles, 1);

    f.button->SetEnabled(false);
    Press(f.button, 5, 5);
    Release(f.button, 5, 5);
    EXPECT_EQ(f.clicks, 3);
    EXPECT_EQ(f.button->State(), rbsDisabled);
}

TEST(SpeedButton, GroupedButtonsExcludeEachOther) {
    QWidget window, elsewhere;
    std::vector<TRxSpeedButton*> group;
    for (int i = 0; i < 3; ++i) {
        group.push_back(new TRxSpeedButton(&window));
        group.back()->SetGroupIndex(1);
    }
    auto* otherGroup = new TRxSpeedButton(&window);
    otherGroup->SetGroupIndex(2);
    otherGroup->SetDown(true);
    auto* otherParent = new TRxSpeedButton(&elsewhere);
    otherParent->SetGroupIndex(1);
    otherParent->SetDown(true);
    int clicks = 0;
    group[1]->OnClick = [&] { ++clicks; };

    Press(group[0], 5, 5);
    Release(group[0], 5, 5);
    EXPECT_TRUE(group[0]->Down());
    EXPECT_EQ(group[0]->State(), rbsExclusive);
    Press(group[1], 5, 5);
    EXPECT_EQ(group[1]->State(), rbsDown);
    Release(group[1], 5, 5);
    EXPECT_TRUE(group[1]->Down());
    EXPECT_FALSE(group[0]->Down());
    EXPECT_EQ(group[0]->State(), rbsUp);
    EXPECT_TRUE(otherGroup->Down());
    EXPECT_TRUE(otherParent->Down());
    EXPECT_EQ(clicks, 1);

    // A down button stays down without AllowAllUp, but still clicks.
    Press(group[1], 5, 5);
    EXPECT_EQ(group[1]->State(), rbsExclusive);
    Release(group[1], 5, 5);
    EXPECT_TRUE(group[1]->Down());
    EXPECT_EQ(clicks, 2);
    group[1]->SetDown(false);
    EXPECT_TRUE(group[1]->Down());

    group[1]->SetAllowAllUp(true);
    Press(group[1], 5, 5);
    Release(group[1], 5, 5);
    EXPECT_FALSE(group[1]->Down());
    EXPECT_EQ(group[1]->State(), rbsUp);

    // Released outside: no toggle, a down button shows exclusive again.
    group[2]->SetDown(true);
    Press(group[2], 5, 5);
    Move(group[2], 50, 50);
    Release(group[2], 50, 50);
    EXPECT_TRUE(group[2]->Down());
    EXPECT_EQ(group[2]->State(), rbsExclusive);

    // Disabled and enabled again: exclusive.
    group[2]->SetEnabled(false);
    EXPECT_EQ(group[2]->State(), rbsDisabled);
    group[2]->SetEnabled(true);
    EXPECT_EQ(group[2]->State(), rbsExclusive);

    // Without a group a button is never down.
    TRxSpeedButton single(&window);
    single.SetDown(true);
    EXPECT_FALSE(single.Down());
    // A down button joining a group raises the group's down button.
    otherGroup->SetGroupIndex(1);
    EXPECT_FALSE(group[2]->Down());
    EXPECT_TRUE(otherGroup->Down());
}

TEST(SpeedButton, AutoRepeatClicksWhileHeldDownInside) {
    ButtonFixture f;
    Press(f.button, 5, 5);
    Release(f.button, 5, 5);
    EXPECT_EQ(f.button->RepeatTimer(), nullptr);  // created only when needed

    f.button->SetAllowTimer(true);
    f.button->SetInitPause(300);
    f.button->SetRepeatInterval(40);
    Press(f.button, 5, 5);
    ASSERT_NE(f.button->RepeatTimer(), nullptr);
    EXPECT_TRUE(f.button->RepeatTimer()->Enabled());
    EXPECT_EQ(f.button->RepeatTimer()->Interval(), 300);
    EXPECT_EQ(f.clicks, 1);
    f.button->TimerExpired();
    EXPECT_EQ(f.button->RepeatTimer()->Interval(), 40);
    EXPECT_EQ(f.clicks, 2);
    f.button->TimerExpired();
    EXPECT_EQ(f.clicks, 3);
    Move(f.button, 60, 5);
    f.button->TimerExpired();
    EXPECT_EQ(f.clicks, 3);  // drawn up outside: no repeat
    Move(f.button, 5, 5);
    f.button->TimerExpired();
    EXPECT_EQ(f.clicks, 4);
    Release(f.button, 5, 5);
    EXPECT_FALSE(f.button->RepeatTimer()->Enabled());
    EXPECT_EQ(f.clicks, 5);  // the release clicks too
    f.button->TimerExpired();
    EXPECT_EQ(f.clicks, 5);

    // A press restarts with the initial pause.
    Press(f.button, 5, 5);
    EXPECT_EQ(f.button->RepeatTimer()->Interval(), 300);
    // A click may turn repeating off from inside a tick.
    f.button->OnClick = [&] {
        ++f.clicks;
        f.button->SetAllowTimer(false);
    };
    f.button->TimerExpired();
    EXPECT_FALSE(f.button->RepeatTimer()->Enabled());
    Release(f.button, 5, 5);
}

TEST(SpeedButton, AClickThatFailsStopsTheRepeatAndPassesTheError) {
    ButtonFixture f;
    f.button->SetAllowTimer(true);
    f.button->OnClick = [] { throw Exception("no more"); };
    Press(f.button, 5, 5);
    EXPECT_THROW(f.button->TimerExpired(), Exception);
    EXPECT_FALSE(f.button->RepeatTimer()->Enabled());
}

TEST(SpeedButton, KeyboardClickHoldsTheButtonDownForTwentyTicks) {
    ButtonFixture f;
    struct RealClockAfterwards {
        ~RealClockAfterwards() { SetTickCountForTests(nullptr); }
    } restore;
    uint32_t now = 0xFFFFFFF5u;  // the count wraps during the wait
    std::vector<TButtonState> seen;
    SetTickCountForTests([&] {
        seen.push_back(f.button->State());
        return now++;
    });
    int clicksSeenDown = 0;
    f.button->OnClick = [&] {
        ++f.clicks;
        clicksSeenDown += f.button->State() == rbsDown;
    };
    f.button->ButtonClick();
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(clicksSeenDown, 1);
    EXPECT_EQ(f.button->State(), rbsUp);
    ASSERT_GE(seen.size(), 21u);
    EXPECT_EQ(seen.front(), rbsDown);
    EXPECT_EQ(now - 0xFFFFFFF5u, 21u);

    // In a group: Down toggles, then the click runs.
    f.button->SetGroupIndex(4);
    f.button->ButtonClick();
    EXPECT_TRUE(f.button->Down());
    EXPECT_EQ(f.button->State(), rbsExclusive);
    EXPECT_EQ(f.clicks, 2);
    f.button->ButtonClick();
    EXPECT_TRUE(f.button->Down());  // no AllowAllUp: stays down and drawn so
    EXPECT_EQ(f.button->State(), rbsExclusive);
    EXPECT_EQ(f.clicks, 3);
    f.button->SetAllowAllUp(true);
    f.button->ButtonClick();
    EXPECT_FALSE(f.button->Down());
    EXPECT_EQ(f.button->State(), rbsUp);

    f.button->SetEnabled(false);
    f.button->ButtonClick();
    EXPECT_EQ(f.clicks, 4);
}

TEST(SpeedButton, ModalResultEndsTheForm) {
    TForm form;
    auto* b = new TRxSpeedButton(&form);
    b->SetModalResult(mrOk);
    int clicks = 0;
    b->OnClick = [&] { ++clicks; };
    b->ButtonClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ModalResult(), mrOk);
}

TEST(SpeedButton, DropDownMenuOpensBelowOrRightAndEndsThePress) {
    ButtonFixture f;
    QMenu menu;
    menu.addAction("First");
    f.button->SetDropDownMenu(&menu);
    f.window.move(0, 0);
    f.window.show();
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clBtnText)), 16);  // the mark

    QPoint shownAt;
    bool tracking = false;
    auto closeSoon = [&] {
        QTimer::singleShot(0, &menu, [&] {
            shownAt = menu.pos();
            tracking = f.button->MenuTracking();
            menu.close();
        });
    };
    closeSoon();
    Press(f.button, 5, 5);
    EXPECT_TRUE(tracking);
    EXPECT_EQ(shownAt, f.button->mapToGlobal(QPoint(0, 25)));
    EXPECT_FALSE(f.button->MenuTracking());
    EXPECT_FALSE(f.button->Dragging());
    EXPECT_EQ(f.button->State(), rbsUp);
    Release(f.button, 5, 5);
    EXPECT_EQ(f.clicks, 0);

    f.button->SetMenuPosition(dmpRight);
    closeSoon();
    Press(f.button, 5, 5);
    EXPECT_EQ(shownAt, f.button->mapToGlobal(QPoint(25, 0)));

    // A press on the button that closes the menu is not replayed to the button.
    bool noReplay = false;
    QTimer::singleShot(0, &menu, [&] {
        const QPointF local = menu.mapFromGlobal(f.button->mapToGlobal(QPoint(5, 5)));
        QMouseEvent press(QEvent::MouseButtonPress, local, f.button->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&menu, &press);
        noReplay = menu.testAttribute(Qt::WA_NoMouseReplay);
        menu.close();
    });
    Press(f.button, 5, 5);
    EXPECT_TRUE(noReplay);

    f.button->SetMarkDropDown(false);
    EXPECT_EQ(CountWhere(f.Render(), Exactly(clBtnText)), 0);
}

TEST(SpeedButton, TransparentButtonShowsItsParentUnderTheFace) {
    QWidget parent;
    parent.resize(100, 60);
    QPalette p = parent.palette();
    p.setColor(QPalette::Window, Qt::blue);
    parent.setPalette(p);
    parent.setAutoFillBackground(true);
    auto* b = new TRxSpeedButton(&parent);
    b->move(20, 20);
    b->SetFlat(true);
    b->SetTransparent(true);
    TBitmap picture(25, 25);
    b->PaintTo(picture.Canvas());
    EXPECT_EQ(CountWhere(picture.Image(), Exactly(clBlue)), 25 * 25);
    b->SetTransparent(false);
    b->PaintTo(picture.Canvas());
    EXPECT_EQ(CountWhere(picture.Image(), Exactly(clBtnFace)), 25 * 25);
    // On screen the same picture shows.
    b->SetTransparent(true);
    EXPECT_EQ(At(parent.grab().toImage(), 30, 30), clBlue);
}
