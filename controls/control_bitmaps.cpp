// The carried pictures of the edit and calculator controls, drawn with whole-pixel rectangles so
// that the see-through colour stays exact at every edge.
#include "controls/control_bitmaps.h"

#include "controls/helpers.h"

namespace qm {
namespace {

constexpr TColor kSeeThrough = clFuchsia;

TBitmap Blank(int width, int height) {
    TBitmap b(width, height);
    b.Canvas().Brush = TBrush{kSeeThrough, bsSolid};
    b.Canvas().FillRect(Rect(0, 0, width, height));
    b.SetTransparentColor(kSeeThrough);
    b.SetTransparent(true);
    return b;
}

void Fill(TCanvas& c, int x, int y, int w, int h, TColor colour) {
    c.Brush = TBrush{colour, bsSolid};
    c.FillRect(Rect(x, y, x + w, y + h));
}

// A pocket calculator: black case with a window for the display and a 3 x 3 block of keys.
void DrawCalculator(TCanvas& c, int left) {
    Fill(c, left + 1, 0, 10, 12, clBlack);
    Fill(c, left + 2, 1, 8, 10, clWhite);
    Fill(c, left + 3, 2, 6, 3, clBlack);
    Fill(c, left + 4, 3, 4, 1, clTeal);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) Fill(c, left + 3 + col * 2, 6 + row * 2, 1, 1, clBlack);
}

TBitmap CalcEditBitmap() {
    const int s = kCalcEditGlyphSize;
    TBitmap normal = Blank(s, s);
    DrawCalculator(normal.Canvas(), 0);
    // The disabled cell is the case's outline embossed, as disabled glyphs look everywhere.
    const TBitmap disabled =
        DisabledBitmap(normal, clBlack, kSeeThrough, true, clBtnShadow, clBtnHighlight);
    TBitmap strip = Blank(2 * s, s);
    strip.Canvas().CopyRect(Rect(0, 0, s, s), normal, Rect(0, 0, s, s));
    strip.Canvas().CopyRect(Rect(s, 0, 2 * s, s), disabled, Rect(0, 0, s, s));
    return strip;
}

void DrawCross(TCanvas& c, int left, TColor colour, bool diagonal) {
    const int s = kCalcButtonGlyphSize;
    if (!diagonal) {
        Fill(c, left + 2, s / 2 - 1, s - 4, 2, colour);
        Fill(c, left + s / 2 - 1, 2, 2, s - 4, colour);
        return;
    }
    for (int i = 2; i < s - 2; ++i) {
        Fill(c, left + i, i, 2, 1, colour);
        Fill(c, left + s - 2 - i, i, 2, 1, colour);
    }
}

void DrawCheck(TCanvas& c, int left) {
    for (int i = 0; i < 3; ++i) Fill(c, left + 2 + i, 6 + i, 2, 2, clGreen);
    for (int i = 0; i < 6; ++i) Fill(c, left + 5 + i, 7 - i, 2, 2, clGreen);
}

TBitmap CalcButtonsBitmap() {
    const int s = kCalcButtonGlyphSize;
    TBitmap strip = Blank(6 * s, s);
    TCanvas& c = strip.Canvas();
    DrawCross(c, 0, clMaroon, true);
    DrawCheck(c, s);
    Fill(c, 2 * s + 5, 1, 2, 6, clBlack);  // sign: plus over minus
    Fill(c, 2 * s + 3, 3, 6, 2, clBlack);
    Fill(c, 2 * s + 3, 9, 6, 2, clBlack);
    DrawCross(c, 3 * s, clPurple, true);
    Fill(c, 4 * s + 2, s / 2 - 1, s - 4, 2, clPurple);
    DrawCross(c, 5 * s, clPurple, false);
    return strip;
}

}  // namespace

TBitmap LoadControlBitmap(const AnsiString& name) {
    if (name == "CEDITBMP") return CalcEditBitmap();
    if (name == "CALCBTNS") return CalcButtonsBitmap();
    return TBitmap();
}

TBitmap DropDownArrowBitmap() {
    TBitmap arrow = Blank(7, 4);
    for (int row = 0; row < 4; ++row) Fill(arrow.Canvas(), row, row, 7 - 2 * row, 1, clBlack);
    return arrow;
}

}  // namespace qm
