// Formatted text drawing: line and word breaks, the measured rectangle, accelerator prefixes,
// alignment, clipping, tabs and the focus frame.
#include "controls/draw_text.h"

#include <gtest/gtest.h>

#include "tests/controls/control_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Sheet {
    TBitmap bitmap;
    Sheet(int w, int h) : bitmap(Filled(w, h, clWhite)) {
        bitmap.Canvas().Font.Name = "Arial";
        bitmap.Canvas().Font.Size = 9;
        bitmap.Canvas().Brush.Style = bsClear;
    }
    TCanvas& c() { return bitmap.Canvas(); }
    const QImage& image() { return bitmap.Image(); }
    int LineHeight() { return c().TextHeight("Wg"); }
    TRect Measure(const AnsiString& text, TRect r, unsigned flags) {
        DrawText(c(), text, r, flags | DT_CALCRECT);
        return r;
    }
};

}  // namespace

TEST(DrawText, WordBreakWrapsBetweenWordsAndTheMeasureKeepsTheWidth) {
    Sheet s(300, 200);
    const int lh = s.LineHeight();
    const int twoWords = s.c().TextWidth("aaa bbb");
    const int all = s.c().TextWidth("aaa bbb ccc");

    TRect r = s.Measure("aaa bbb ccc", Rect(5, 7, 5 + twoWords + 1, 8), DT_WORDBREAK);
    EXPECT_EQ(r, Rect(5, 7, 5 + twoWords + 1, 7 + 2 * lh));  // two lines keep the width

    r = s.Measure("aaa bbb ccc", Rect(5, 7, 5 + all + 40, 8), DT_WORDBREAK);
    EXPECT_EQ(r, Rect(5, 7, 5 + all, 7 + lh));  // one line: the right edge bounds the text

    // A word wider than the rectangle stands alone and widens the measure.
    const int wide = s.c().TextWidth("abcdefghij");
    r = s.Measure("ab abcdefghij cd", Rect(0, 0, wide / 2, 0), DT_WORDBREAK);
    EXPECT_EQ(r.Bottom, 3 * lh);
    EXPECT_EQ(r.Right, wide);

    // Without word break only line ends break; DT_SINGLELINE ignores them too.
    EXPECT_EQ(s.Measure("a\r\nb\nc\rd", Rect(0, 0, 1, 0), 0).Bottom, 4 * lh);
    EXPECT_EQ(s.Measure("a\r\nb\nc\rd", Rect(0, 0, 1, 0), DT_SINGLELINE).Bottom, lh);
    EXPECT_EQ(s.Measure("aaa bbb ccc", Rect(0, 0, 1, 0), 0).Bottom, lh);
    EXPECT_EQ(s.Measure("", Rect(0, 0, 50, 0), DT_WORDBREAK).Bottom, lh);
}

TEST(DrawText, BlanksAtABreakAreDropped) {
    Sheet s(200, 80);
    const int aaa = s.c().TextWidth("aaa");
    TRect r = Rect(10, 0, 10 + aaa + 3, 80);
    EXPECT_EQ(DrawText(s.c(), "aaa          bbb", r, DT_WORDBREAK), 2 * s.LineHeight());
    // The second line starts at the left edge, not after the blanks.
    const QImage second = s.image().copy(0, s.LineHeight(), 200, s.LineHeight());
    const QRect box = BoxOf(second, Dark);
    ASSERT_FALSE(box.isNull());
    EXPECT_LE(box.left(), 11);
    EXPECT_LE(box.right(), 10 + aaa + 3);
}

TEST(DrawText, PrefixUnderlinesTheAcceleratorAndDoubleAmpersandShowsOne) {
    Sheet s(200, 40);
    const int file = s.c().TextWidth("File");
    EXPECT_EQ(s.Measure("&File", Rect(0, 0, 200, 0), 0).Right, file);
    EXPECT_EQ(s.Measure("&File", Rect(0, 0, 200, 0), DT_NOPREFIX).Right, s.c().TextWidth("&File"));
    EXPECT_EQ(s.Measure("a&&b", Rect(0, 0, 200, 0), 0).Right, s.c().TextWidth("a&b"));

    auto render = [](const AnsiString& text, unsigned flags) {
        Sheet sheet(60, 30);
        TRect r = Rect(2, 2, 60, 30);
        DrawText(sheet.c(), text, r, flags);
        return sheet.image().copy();
    };
    const QImage underlined = render("&W", 0);
    const QImage plain = render("W", DT_NOPREFIX);
    EXPECT_GT(CountWhere(underlined, Dark), CountWhere(plain, Dark) + 3);
    // The underline lies below the letter.
    EXPECT_GT(BoxOf(underlined, Dark).bottom(), BoxOf(plain, Dark).bottom());
    EXPECT_EQ(render("&&W", 0), render("&W", DT_NOPREFIX));
}

TEST(DrawText, AlignmentPlacesEveryLine) {
    auto box = [](unsigned flags) {
        Sheet s(120, 60);
        TRect r = Rect(10, 0, 110, 60);
        DrawText(s.c(), "ab cdefgh", r, flags | DT_WORDBREAK);
        return BoxOf(s.image(), Dark);
    };
    const QRect left = box(DT_LEFT), right = box(DT_RIGHT), centre = box(DT_CENTER);
    EXPECT_LE(std::abs(left.left() - 10), 2);
    EXPECT_LE(std::abs(right.right() - 109), 2);
    EXPECT_LE(std::abs((centre.left() + centre.right()) / 2 - 60), 2);

    // Wrapped lines are each aligned: both right-aligned lines end at the right edge.
    Sheet s(120, 60);
    const int lh = s.LineHeight();
    TRect r = Rect(10, 0, 10 + s.c().TextWidth("cdefgh") + 2, 60);
    DrawText(s.c(), "ab cdefgh", r, DT_RIGHT | DT_WORDBREAK);
    const QRect first = BoxOf(s.image().copy(0, 0, 120, lh), Dark);
    const QRect second = BoxOf(s.image().copy(0, lh, 120, lh), Dark);
    EXPECT_LE(std::abs(first.right() - second.right()), 2);
}

TEST(DrawText, ClipsToTheRectangleUnlessAskedNotTo) {
    Sheet s(200, 40);
    TRect r = Rect(10, 5, 30, 25);
    DrawText(s.c(), "Wide wide wide text", r, DT_SINGLELINE);
    EXPECT_EQ(CountWhere(s.image(), QRect(30, 0, 170, 40), Dark), 0);
    EXPECT_GT(CountWhere(s.image(), QRect(10, 5, 20, 20), Dark), 0);

    Sheet n(200, 40);
    r = Rect(10, 5, 30, 25);
    DrawText(n.c(), "Wide wide wide text", r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(CountWhere(n.image(), QRect(30, 0, 170, 40), Dark), 0);
}

TEST(DrawText, TabsStopAtEightAverageWidthsAndSingleLinesCentreVertically) {
    Sheet s(300, 100);
    const int average =
        (s.c().TextWidth("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") / 26 + 1) / 2;
    EXPECT_EQ(s.Measure("a\tb", Rect(0, 0, 300, 0), DT_EXPANDTABS).Right,
              8 * average + s.c().TextWidth("b"));
    EXPECT_EQ(s.Measure("a\tb", Rect(0, 0, 300, 0), 0).Right, s.c().TextWidth("a b"));

    const int lh = s.LineHeight();
    TRect r = Rect(0, 0, 300, 100);
    EXPECT_EQ(DrawText(s.c(), "x", r, DT_SINGLELINE | DT_VCENTER), (100 - lh) / 2 + lh);
    r = Rect(0, 0, 300, 100);
    EXPECT_EQ(DrawText(s.c(), "x", r, DT_SINGLELINE | DT_BOTTOM), 100);
    const QRect box = BoxOf(s.image(), Dark);
    EXPECT_GT(box.top(), (100 - lh) / 2);
    EXPECT_LE(box.bottom(), 99);
}

TEST(DrawText, FocusRectInvertsEveryOtherEdgePixelAndUndoesItself) {
    TBitmap b = Filled(20, 20, clWhite);
    DrawFocusRect(b.Canvas(), Rect(2, 2, 12, 8));
    const QImage once = b.Image().copy();
    EXPECT_EQ(At(once, 2, 2), clBlack);
    EXPECT_EQ(At(once, 3, 2), clWhite);
    EXPECT_EQ(At(once, 4, 2), clBlack);
    EXPECT_EQ(At(once, 11, 7), clBlack);
    EXPECT_EQ(At(once, 5, 5), clWhite);  // inside stays
    EXPECT_EQ(CountWhere(once, QRect(0, 0, 20, 2), Dark), 0);
    EXPECT_EQ(CountWhere(once, Dark), 14);
    DrawFocusRect(b.Canvas(), Rect(2, 2, 12, 8));
    EXPECT_EQ(CountWhere(b.Image(), Dark), 0);
}

TEST(DrawText, AcceleratorIsTheCharacterAfterASingleAmpersand) {
    EXPECT_TRUE(IsAccel('f', "&File"));
    EXPECT_TRUE(IsAccel('A', "Save &as"));
    EXPECT_FALSE(IsAccel('f', "&&File"));
    EXPECT_TRUE(IsAccel('x', "&&File e&xit"));
    EXPECT_FALSE(IsAccel('f', "File"));
    EXPECT_FALSE(IsAccel('f', ""));
    EXPECT_EQ(AccelChar("abc&"), 0);
    EXPECT_EQ(AccelChar("a&bc"), 'b');
}
