// Small routines and start-up settings shared by the label, speed button, combo edit, calculator
// and numeric edit: text helpers, image-cell copying, disabled glyph rendering, painting a
// parent's picture under a transparent control, and the cursors the controls register.
#pragma once

#include <QCursor>
#include <QEvent>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/ansistring.h"
#include "platform/graphics.h"

class QObject;
class QWidget;

namespace qm {

class TGlyphList;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The desktop's newer control look (3-D edges, embossed disabled text). Always on here; kept as
// a name because several drawing rules depend on it.
inline constexpr bool NewStyleControls = true;

int Max(int a, int b);
int Min(int a, int b);

// Every occurrence of `search`, left to right, without rescanning the replaced parts. An empty
// search text changes nothing.
AnsiString ReplaceAll(const AnsiString& text, const AnsiString& search,
                      const AnsiString& replacement);
AnsiString RemoveChar(const AnsiString& text, char c);
// Blanks are character 32 only; tabs and other white space stay.
AnsiString TrimLeadingBlanks(const AnsiString& text);
AnsiString TrimTrailingBlanks(const AnsiString& text);
AnsiString TrimBlanks(const AnsiString& text);
// n copies of c; empty for n < 1.
AnsiString RepeatChar(char c, int n);

// The source is a grid of `columns` x `rows` equal cells (each at least 1); the target takes one
// cell's size and the picture of cell `index` (at least 0), counted along the rows: column
// index mod columns, row index div columns. The bitmap's transparency settings come along.
void CopyImageCell(const TBitmap& source, TBitmap& target, int columns, int rows, int index);
// Any other picture (one with an alpha channel, as icons have) is drawn shifted onto silver; the
// target is transparent when the source has an alpha channel.
void CopyImageCell(const QImage& source, TBitmap& target, int columns, int rows, int index);

// The embossed look of a disabled glyph: a bitmap of the image's size in `background`, where the
// figure (the pixels of `maskColor`) is drawn in `highlight` one pixel down and right when
// `drawHighlight` is set, and then in `shadow` in place.
TBitmap DisabledBitmap(const TBitmap& image, TColor maskColor, TColor background,
                       bool drawHighlight, TColor shadow, TColor highlight);
// The button-face look: black marks the figure, as glyphs are drawn with black outlines.
TBitmap DisabledBitmap(const TBitmap& image);
// The same rendering for one image of an image list, drawn straight onto the canvas (only the
// figure is drawn; the rest of the canvas stays). The canvas brush is left as it was.
void DrawImageDisabled(const TGlyphList& images, TCanvas& canvas, int x, int y, int index,
                       bool drawHighlight, TColor shadow, TColor highlight);

// Paints the part of the control's parent that lies under the control into the canvas, origin
// at the control's top-left corner: the parent's own background and painting, then every
// visible sibling graphic control stacked below the control that overlaps it. The parent is
// marked as painting a copy meanwhile (see PaintingCopy).
void PaintParentImage(QWidget* control, TCanvas& canvas);
// True while a control paints the widget's picture as a background for another control, so
// that painting with side effects can skip them.
bool PaintingCopy(const QWidget* widget);

// The text itself when it fits `width` on the canvas; otherwise characters are cut from its end
// and "..." appended until it fits or nothing of the text is left.
AnsiString ShortenText(const AnsiString& text, TCanvas& canvas, int width);

constexpr int WidthOf(const TRect& r) {
    return r.Right - r.Left;
}
constexpr int HeightOf(const TRect& r) {
    return r.Bottom - r.Top;
}

// Drops a pending posted event of that type for the receiver. A quit request is never dropped.
void SwallowMessage(QObject* receiver, QEvent::Type type);
// True when one of this program's windows is the active one (the desktop's foreground task).
bool OwnsActiveWindow();
// For tests: a fixed answer for OwnsActiveWindow; nullopt returns to the real one.
void SetOwnsActiveWindowForTests(std::optional<bool> answer);

// Milliseconds of a monotonic clock; wraps like the desktop's tick count.
uint32_t GetTickCount();
// For tests: a clock of their own; an empty function returns to the real one.
void SetTickCountForTests(std::function<uint32_t()> clock);

// The cursors the controls register with the screen at start-up; no control selects them.
inline constexpr int crHand = 14000;
inline constexpr int crDragHand = 14001;

// The start-up settings of the controls: registers the two cursors, notes whether the process
// short date format has a four-digit year, and sets the property-name delimiter. Runs once,
// before any form exists; later calls do nothing. The cursor look-up runs it on first use.
void InitializeControls();
// End of the run: clears the delimiter; a later InitializeControls runs afresh.
void FinalizeControls();
// A registered cursor, or the arrow for an id never registered.
QCursor ScreenCursor(int id);
void RegisterScreenCursor(int id, const QCursor& cursor);
bool FourDigitYear();
const AnsiString& PropertyNameDelimiter();

}  // namespace qm
