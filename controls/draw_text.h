// Formatted text drawing for the controls: lines broken at line ends and, on request, between
// words; tabs expanded; "&" marking an underlined accelerator character; alignment in a
// rectangle; and a measuring mode that reports the rectangle the text needs.
//
// Rules:
//  1. Lines are one font height apart; the text's height is their number times that height.
//  2. With DT_WORDBREAK a line breaks at the blank before the first word that would cross the
//     right edge; the blanks at the break are dropped. A word wider than the rectangle stands
//     alone on its line and is not cut.
//  3. DT_CALCRECT draws nothing. It sets the bottom to top + the text's height and the right
//     edge to left + the line's width for a single line; for several lines the width stays,
//     unless a line is wider, which widens it. So a wrapped label keeps the width it was given.
//  4. Without DT_NOPREFIX, "&x" shows x underlined and "&&" shows one "&".
//  5. Tabs (DT_EXPANDTABS) stop every eight average character widths from the line's start.
//  6. Drawing is clipped to the rectangle unless DT_NOCLIP. The canvas brush fills each line's
//     text box unless it is clear, as TextOut does.
#pragma once

#include "platform/graphics.h"

namespace qm {

enum : unsigned {
    DT_TOP = 0,
    DT_LEFT = 0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_RTLREADING = 0x20000
};

// Draws (or measures, DT_CALCRECT) the text in the rectangle with the canvas font; returns the
// text's height, or with DT_VCENTER or DT_BOTTOM on a single line the distance from the top of
// the rectangle to the bottom of the text.
int DrawText(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned flags);

// The dotted focus frame: every other pixel along the rectangle's inner edge inverted, so that
// drawing it twice restores the picture.
void DrawFocusRect(TCanvas& canvas, const TRect& rect);

// True when `caption` marks `key` (either case) as its accelerator with a single "&".
bool IsAccel(char key, const AnsiString& caption);
// The accelerator character of a caption, or 0.
char AccelChar(const AnsiString& caption);

}  // namespace qm
