// Glyph images per button state, the shared image lists and their cache, and the layout of
// glyph, caption and drop-down mark on a button face.
#include "controls/button_glyph.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/controls/control_test_util.h"

using namespace qm;
using namespace qmtest;

namespace {

// `count` cells of 6 x 6 side by side: a fuchsia border around a 4 x 4 square of each colour.
TBitmap Strip(std::initializer_list<TColor> colours) {
    const int count = static_cast<int>(colours.size());
    TBitmap strip = Filled(6 * count, 6, clFuchsia);
    int i = 0;
    for (TColor c : colours) {
        strip.Canvas().Brush = TBrush{c, bsSolid};
        strip.Canvas().FillRect(Rect(6 * i + 1, 1, 6 * i + 5, 5));
        ++i;
    }
    return strip;
}

// The colour at (2, 2) of a state's image, and whether its corner is see-through.
QImage StateImage(TRxButtonGlyph& glyph, TButtonState state) {
    const int index = glyph.CreateButtonGlyph(state);
    return glyph.List() ? glyph.List()->Image(index) : QImage();
}

TColor Centre(TRxButtonGlyph& glyph, TButtonState state) {
    return FromQColor(QColor(StateImage(glyph, state).pixel(2, 2)));
}

bool CornerClear(TRxButtonGlyph& glyph, TButtonState state) {
    return qAlpha(StateImage(glyph, state).pixel(0, 0)) == 0;
}

TFont CaptionFont() {
    TFont f;
    f.Name = "Arial";
    f.Size = 9;
    return f;
}

}  // namespace

TEST(GlyphList, ReusesFreedSlotsAndMasksTheColour) {
    TGlyphList list(6, 6);
    const TBitmap cell = Strip({clRed});
    EXPECT_EQ(list.AddMasked(cell, clFuchsia), 0);
    EXPECT_EQ(list.AddMasked(cell, clFuchsia), 1);
    EXPECT_EQ(list.AddMasked(cell, clFuchsia), 2);
    list.Delete(1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Image(1).isNull());
    EXPECT_FALSE(list.Image(2).isNull());  // other indexes do not move
    EXPECT_EQ(list.AddMasked(cell, clFuchsia), 1);
    EXPECT_EQ(list.AddMasked(cell, clFuchsia), 3);
    EXPECT_EQ(list.Count(), 4);
    list.Delete(7);
    list.Delete(1);
    list.Delete(1);
    EXPECT_EQ(list.Count(), 3);

    const QImage stored = list.Image(0);
    EXPECT_EQ(qAlpha(stored.pixel(0, 0)), 0);
    EXPECT_EQ(stored.pixel(2, 2), qRgb(255, 0, 0));
    TBitmap target = Filled(10, 10, clLime);
    list.Draw(target.Canvas(), 2, 2, 0);
    EXPECT_EQ(At(target.Image(), 2, 2), clLime);
    EXPECT_EQ(At(target.Image(), 4, 4), clRed);
    EXPECT_EQ(CountWhere(target.Image(), Exactly(clRed)), 16);
}

TEST(GlyphCache, SharesListsBySizeAndFreesEmptyOnes) {
    TGlyphCache cache;
    TGlyphList* a = cache.GetList(6, 6);
    EXPECT_EQ(cache.GetList(6, 6), a);
    TGlyphList* b = cache.GetList(8, 6);
    EXPECT_NE(a, b);
    EXPECT_EQ(cache.ListCount(), 2);
    a->AddMasked(Strip({clRed}), clFuchsia);
    cache.ReturnList(a);
    EXPECT_EQ(cache.ListCount(), 2);  // still holds an image
    cache.ReturnList(b);
    EXPECT_EQ(cache.ListCount(), 1);
    a->Delete(0);
    cache.ReturnList(a);
    EXPECT_TRUE(cache.Empty());
}

TEST(ButtonGlyph, ObjectsShareOneCacheWhileAlive) {
    ASSERT_EQ(GlyphCache(), nullptr);
    auto first = std::make_unique<TRxButtonGlyph>();
    auto second = std::make_unique<TRxButtonGlyph>();
    ASSERT_NE(GlyphCache(), nullptr);
    first->SetGlyph(Strip({clRed}));
    second->SetGlyph(Strip({clBlue}));
    const int a = first->CreateButtonGlyph(rbsUp);
    const int b = second->CreateButtonGlyph(rbsUp);
    ASSERT_NE(first->List(), nullptr);
    EXPECT_EQ(first->List(), second->List());
    EXPECT_NE(a, b);
    EXPECT_EQ(first->List()->Count(), 2);
    first.reset();
    EXPECT_EQ(second->List()->Count(), 1);
    EXPECT_EQ(GlyphCache()->ListCount(), 1);
    second.reset();
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(ButtonGlyph, EachStateTakesItsCellOrFallsBack) {
    TRxButtonGlyph glyph;
    glyph.SetGlyph(Strip({clRed, clGreen, clBlue, clYellow, clTeal}));
    glyph.SetNumGlyphs(5);
    EXPECT_EQ(glyph.CellWidth(), 6);
    EXPECT_EQ(Centre(glyph, rbsUp), clRed);
    EXPECT_EQ(Centre(glyph, rbsDisabled), clGreen);
    EXPECT_EQ(Centre(glyph, rbsDown), clBlue);
    EXPECT_EQ(Centre(glyph, rbsExclusive), clYellow);
    EXPECT_EQ(Centre(glyph, rbsInactive), clTeal);
    for (TButtonState s : {rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive})
        EXPECT_TRUE(CornerClear(glyph, s)) << s;
    EXPECT_EQ(glyph.List()->Count(), 5);
    EXPECT_EQ(glyph.CreateButtonGlyph(rbsDown), glyph.CreateButtonGlyph(rbsDown));

    // Two cells: down and exclusive show the up image, inactive is the up image in grey.
    glyph.SetNumGlyphs(2);
    glyph.SetGlyph(Strip({clRed, clGreen}));
    EXPECT_EQ(glyph.CreateButtonGlyph(rbsDown), glyph.CreateButtonGlyph(rbsUp));
    EXPECT_EQ(Centre(glyph, rbsExclusive), clRed);
    EXPECT_EQ(Centre(glyph, rbsDisabled), clGreen);
    const int grey = 77 * 255 / 256;
    EXPECT_EQ(Centre(glyph, rbsInactive), RGB(grey, grey, grey));
    EXPECT_TRUE(CornerClear(glyph, rbsInactive));

    // Three cells: down has its own.
    glyph.SetGlyph(Strip({clRed, clGreen, clBlue}));
    glyph.SetNumGlyphs(3);
    EXPECT_EQ(Centre(glyph, rbsDown), clBlue);
    EXPECT_EQ(Centre(glyph, rbsExclusive), clRed);
}

TEST(ButtonGlyph, OneImageStillGivesAGreyDisabledAndInactiveImage) {
    TRxButtonGlyph glyph;
    TBitmap picture = Filled(10, 10, clFuchsia);
    picture.Canvas().Brush = TBrush{clBlack, bsSolid};
    picture.Canvas().FillRect(Rect(2, 2, 5, 5));
    picture.Canvas().SetPixels(7, 7, clBtnFace);
    picture.Canvas().SetPixels(8, 8, RGB(200, 100, 0));
    glyph.SetGlyph(picture);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
    // Fuchsia marks see-through pixels whatever the bitmap itself says.
    TBitmap olive = Filled(6, 6, clOlive);
    olive.SetTransparentColor(clOlive);
    olive.SetTransparent(true);
    TRxButtonGlyph other;
    other.SetGlyph(olive);
    EXPECT_EQ(other.TransparentColor(), clFuchsia);
    EXPECT_EQ(StateImage(other, rbsUp).pixel(0, 0), qRgb(128, 128, 0));

    const QImage d = StateImage(glyph, rbsDisabled);
    EXPECT_EQ(d.pixel(3, 3), ToQColor(clBtnShadow).rgb());
    EXPECT_EQ(d.pixel(5, 5), ToQColor(clBtnHighlight).rgb());
    EXPECT_EQ(qAlpha(d.pixel(0, 0)), 0);  // the button face around the figure is see-through
    EXPECT_EQ(qAlpha(d.pixel(8, 8)), 0);

    const QImage inactive = StateImage(glyph, rbsInactive);
    EXPECT_EQ(inactive.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(inactive.pixel(7, 7), ToQColor(clBtnFace).rgb());  // the button face keeps
    const int grey = (77 * 200 + 150 * 100) / 256;
    EXPECT_EQ(inactive.pixel(8, 8), qRgb(grey, grey, grey));
    EXPECT_EQ(qAlpha(inactive.pixel(0, 0)), 0);
}

TEST(ButtonGlyph, ChangesDropTheBuiltImages) {
    TRxButtonGlyph glyph;
    int changes = 0;
    glyph.OnChange = [&] { ++changes; };
    glyph.SetGlyph(Strip({clRed, clGreen}));
    EXPECT_EQ(changes, 1);
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Centre(glyph, rbsUp), clRed);
    ASSERT_NE(glyph.List(), nullptr);

    // Drawing on the glyph is seen at once.
    glyph.Glyph().Canvas().Brush = TBrush{clNavy, bsSolid};
    glyph.Glyph().Canvas().FillRect(Rect(1, 1, 5, 5));
    EXPECT_GE(changes, 3);
    EXPECT_EQ(glyph.List(), nullptr);
    EXPECT_EQ(Centre(glyph, rbsUp), clNavy);

    // A new transparent colour masks other pixels.
    glyph.SetTransparentColor(clNavy);
    EXPECT_EQ(glyph.List(), nullptr);
    const QImage masked = StateImage(glyph, rbsUp);
    EXPECT_EQ(qAlpha(masked.pixel(2, 2)), 0);
    EXPECT_EQ(masked.pixel(0, 0), qRgb(255, 0, 255));

    const int before = changes;
    glyph.SetNumGlyphs(0);
    glyph.SetNumGlyphs(6);
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(changes, before);
    EXPECT_NE(glyph.List(), nullptr);

    // An empty glyph builds nothing.
    glyph.SetGlyph(TBitmap());
    EXPECT_EQ(glyph.CreateButtonGlyph(rbsUp), -1);
    EXPECT_EQ(glyph.List(), nullptr);
    TBitmap target = Filled(20, 20, clWhite);
    glyph.DrawButtonGlyph(target.Canvas(), {0, 0}, rbsUp);
    EXPECT_EQ(CountWhere(target.Image(), Exactly(clWhite)), 400);
}

TEST(ButtonGlyph, LayoutPlacesGlyphAndCaptionByLayoutMarginAndSpacing) {
    TRxButtonGlyph glyph;
    glyph.SetGlyph(Filled(10, 8, clRed));
    TBitmap sheet(1, 1);
    TCanvas& c = sheet.Canvas();
    c.Font = CaptionFont();
    const int tw = c.TextWidth("Ab"), th = c.TextHeight("Ab");
    const TRect client = Rect(0, 0, 100, 60);

    auto layout = [&](TButtonLayout l, int margin, int spacing, const AnsiString& caption = "Ab",
                      bool mark = false, bool rtl = false) {
        return glyph.CalcButtonLayout(c, client, caption, l, margin, spacing, mark, false, rtl);
    };
    TButtonLayoutResult r = layout(blGlyphLeft, -1, 1);
    const int margin = (100 - (10 + 1 + tw)) / 2;
    EXPECT_EQ(r.GlyphPos, (TPoint{margin, 26}));
    EXPECT_EQ(r.TextBounds, Rect(margin + 11, (60 - th) / 2, margin + 11 + tw, (60 - th) / 2 + th));

    r = layout(blGlyphRight, -1, 1);
    EXPECT_EQ(r.GlyphPos.X, 100 - margin - 10);
    EXPECT_EQ(r.TextBounds.Right, r.GlyphPos.X - 1);
    EXPECT_EQ(layout(blGlyphLeft, -1, 1, "Ab", false, true).GlyphPos, r.GlyphPos);

    r = layout(blGlyphTop, 4, 1);
    EXPECT_EQ(r.GlyphPos, (TPoint{45, 4}));
    EXPECT_EQ(r.TextBounds, Rect(0, 13, 100, 13 + th));

    r = layout(blGlyphBottom, 4, 1);
    EXPECT_EQ(r.GlyphPos, (TPoint{45, 48}));
    EXPECT_EQ(r.TextBounds.Bottom, 47);

    r = layout(blGlyphLeft, -1, -1);
    const int even = (100 - 10 - tw) / 3;
    EXPECT_EQ(r.GlyphPos.X, even);
    EXPECT_EQ(r.TextBounds.Left, even + 10 + even);

    r = layout(blGlyphLeft, 5, -1);
    EXPECT_EQ(r.GlyphPos.X, 5);
    EXPECT_EQ(r.TextBounds.Left, 5 + 10 + (100 - 5 - 10 - tw) / 2);

    // Without a caption the glyph alone is centred; the mark takes a strip at the right.
    r = layout(blGlyphLeft, -1, 1, "");
    EXPECT_EQ(r.GlyphPos.X, 45);
    r = layout(blGlyphTop, -1, 1, "", true);
    EXPECT_EQ(r.MarkPos, (TPoint{91, 28}));
    EXPECT_EQ(r.GlyphPos.X, (90 - 10) / 2);

    // A caption too wide for the face is shortened.
    TRxButtonGlyph none;
    r = none.CalcButtonLayout(c, Rect(0, 0, 60, 20), "A very long caption indeed", blGlyphTop, -1,
                              1, false, false, false);
    ASSERT_GT(r.Caption.size(), 3u);
    EXPECT_EQ(r.Caption.substr(r.Caption.size() - 3), "...");
    EXPECT_LE(r.TextBounds.Width(), 60);
}

TEST(ButtonGlyph, DrawsEmbossedDisabledTextAndTheDropDownMark) {
    TRxButtonGlyph glyph;
    TBitmap up = Filled(40, 30, clBtnFace);
    up.Canvas().Font = CaptionFont();
    glyph.Draw(up.Canvas(), Rect(0, 0, 40, 30), "", blGlyphTop, -1, 1, true, rbsUp, false, false);
    EXPECT_EQ(CountWhere(up.Image(), Exactly(clBtnText)), 7 + 5 + 3 + 1);
    const QRect mark = BoxOf(up.Image(), Exactly(clBtnText));
    EXPECT_EQ(mark.width(), 7);
    EXPECT_EQ(mark.height(), 4);
    EXPECT_EQ(At(up.Image(), mark.left() + 3, mark.bottom()), clBtnText);

    TBitmap off = Filled(40, 30, clBtnFace);
    glyph.Draw(off.Canvas(), Rect(0, 0, 40, 30), "", blGlyphTop, -1, 1, true, rbsDisabled, false,
               false);
    EXPECT_EQ(CountWhere(off.Image(), Exactly(clBtnText)), 0);
    EXPECT_EQ(BoxOf(off.Image(), Exactly(clBtnShadow)), mark);
    EXPECT_GT(CountWhere(off.Image(), Exactly(clBtnHighlight)), 0);

    TBitmap text = Filled(80, 30, clBtnFace);
    text.Canvas().Font = CaptionFont();
    glyph.Draw(text.Canvas(), Rect(0, 0, 80, 30), "Key", blGlyphTop, -1, 1, false, rbsDisabled,
               false, false);
    EXPECT_EQ(CountWhere(text.Image(), Dark), 0);
    const QRect shadow = BoxOf(text.Image(), Exactly(clBtnShadow));
    const QRect light = BoxOf(text.Image(), Exactly(clBtnHighlight));
    ASSERT_FALSE(shadow.isNull());
    ASSERT_FALSE(light.isNull());
    EXPECT_EQ(light.bottom(), shadow.bottom() + 1);
    EXPECT_EQ(light.right(), shadow.right() + 1);
}
