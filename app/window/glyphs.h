// The glyph images the main window paints with, cut from the image sheets the program carries
// (resources/glyphs/*.png, drawn by tools/glyphgen).
//
// A sheet is one row of cells of a fixed pitch. A glyph sits at its cell's top-left corner; its
// width is the run of pixels along the cell's top row before the first magenta (255, 0, 255)
// pixel, and its height the run down the cell's left column before the first magenta pixel. A row
// or column without magenta gives the whole cell.
#pragma once

#include <QImage>
#include <array>
#include <vector>

#include "platform/graphics.h"

namespace qm {

// Cuts `count` glyphs from the cells of `sheet`, cell i starting at x = i * cellPitch. A glyph
// of zero width or height is an empty bitmap. Throws Exception when the pitch or count is not
// positive or the cells do not fit in the sheet.
std::vector<TBitmap> CutGlyphs(const QImage& sheet, int cellPitch, int count);

// One header button's pictures.
struct THeadButtonGlyphs {
    TBitmap Glyph;
    TBitmap DisabledGlyph;
};

// The carried sets. Each loader throws Exception when its sheet is missing or is not laid out
// for the number of glyphs it holds.

// Five tree glyphs by expander kind: open group, closed group, empty group, inner account, last
// account; 18 pixels high. A group's first 10 pixels are its expander. They are transparent,
// keyed on the row colour they are drawn on in their sheet (group rows 208, 208, 208, account
// rows white): copied with CopyRect they suit an unselected row; drawn with TCanvas::Draw or
// StretchDraw (a clipped part through TBitmap::Cut) onto a box first filled with the row's own
// colour, they suit every row, the selected and over-budget ones included.
std::vector<TBitmap> LoadTreeGlyphs();

// Thirteen scroll-bar glyphs: up arrow, track, thumb, down arrow; then up, thumb and down
// hovered, pressed and disabled.
std::vector<TBitmap> LoadScrollGlyphs();

// Thirteen tab-strip glyphs: an inactive tab's left edge, middle, right edge, hovered close box
// and close box; the same for the current tab; the icons of the tree, ledger and report tabs.
// The icons stand on both kinds of tab and are transparent, keyed on the inactive tab's colour.
std::vector<TBitmap> LoadHeadGlyphs();

// The header buttons by group: [0] the ledger's six, [1] the tree's seven, in button order.
std::array<std::vector<THeadButtonGlyphs>, 2> LoadButtonGlyphs();

// The attached-files mark at the right end of a ledger note cell.
TBitmap LoadFilesGlyph();

// The image stretched over the band between the menu bar and the header buttons.
TBitmap LoadHeadBarBitmap();

}  // namespace qm
