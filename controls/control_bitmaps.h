// The pictures the edit and calculator controls carry, drawn in code on the see-through colour
// (RGB 255,0,255) that button glyphs leave out.
#pragma once

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

// Size of one cell of the numeric edit's button glyph and of the calculator's key glyphs.
inline constexpr int kCalcEditGlyphSize = 12;
inline constexpr int kCalcButtonGlyphSize = 13;

// A carried picture by its resource name: "CEDITBMP" (the numeric edit's button glyph, two
// cells: a small calculator, normal and disabled) and "CALCBTNS" (the calculator's key glyphs,
// six cells in a row: cancel, OK, sign, multiply, minus, plus); an empty bitmap for any other
// name.
TBitmap LoadControlBitmap(const AnsiString& name);

// The arrow of a drop-down button: rows of 7, 5, 3 and 1 pixels pointing down.
TBitmap DropDownArrowBitmap();

}  // namespace qm
