// The drawing layer the program's painters are written against: colours, font, pen and brush
// records, a canvas over QPainter with the desktop framework's drawing rules, and off-screen
// bitmaps.
//
// Rules the painters rely on, which differ from QPainter's own:
//  1. Coordinates are integer device units: pixels on an image, printer dots on a printer page.
//  2. A rectangle's right and bottom are exclusive: FillRect(0, 0, 10, 10) covers pixels 0..9, and
//     so does the outline of Rectangle(0, 0, 10, 10).
//  3. LineTo draws a 1-pixel line without its end pixel and moves the pen there; a polyline
//     likewise leaves out its last point. Wider pens draw with round ends. On a printer a pen of
//     width 1 is a hairline, one pixel of whatever renders the page at last, never thinner.
//  4. TextOut puts the text's top-left corner at (x, y) and fills the text box (the text width by
//     the font's height) with the brush colour unless the brush is clear; it moves the pen to the
//     end of the text. TextRect draws only inside its rectangle and fills all of it when the brush
//     is solid.
//  5. Font sizes are points, turned into pixels with the device's resolution (MulDiv rounding).
//     Images are 96 dots per inch, the desktop's logical resolution the program's pixel layouts
//     assume, so "Arial" 9 is 12 pixels high there; a printer converts with its own resolution.
//     Glyphs are fully hinted and unkerned so that advances are whole pixels and the width of a
//     text is the sum of its characters' widths, as the ledger's caret and selection code expects.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ansistring.h"
#include "platform/sysutils.h"

class QPainter;
class QPaintDevice;
class QFont;
class QFontMetrics;
class QColor;

namespace qm {

// The most of one text that is ever measured or drawn. A text of millions of characters (a note
// another program wrote into the file, an imported memo) would otherwise be converted and shaped
// whole at every paint, though no window or page shows more than a few hundred of its
// characters: this many, at a pixel or more each, reach far past the widest screen. Texts up to
// the limit are measured and drawn exactly as they are; a longer one as its first
// kShownTextLimit characters, and TextRect and TextOut draw only those of them that reach into
// the rectangle or the device. The whole text stays with its owner (the file, the editors).
inline constexpr size_t kShownTextLimit = 4096;

// What of `text`, from character `from` on, the canvas would look at: all of it up to the
// limit, else its first kShownTextLimit + 1 characters (one more, so that the canvas still
// treats it as a long text). A caller that copies a cell's text to paint it copies this.
inline AnsiString ShownPart(const AnsiString& text, size_t from = 0) {
    return from < text.size() ? text.substr(from, kShownTextLimit + 1) : AnsiString();
}

// How many characters the canvases of this process have handed to Qt to measure or draw: what
// text has cost, for checking that a paint stays within what can show. Any thread.
size_t TextCharactersMeasured();

struct TColor {
    uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(const TColor&, const TColor&) = default;
};

constexpr TColor RGB(int r, int g, int b) {
    return TColor{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

inline constexpr TColor clBlack = RGB(0, 0, 0);
inline constexpr TColor clMaroon = RGB(128, 0, 0);
inline constexpr TColor clGreen = RGB(0, 128, 0);
inline constexpr TColor clOlive = RGB(128, 128, 0);
inline constexpr TColor clNavy = RGB(0, 0, 128);
inline constexpr TColor clPurple = RGB(128, 0, 128);
inline constexpr TColor clTeal = RGB(0, 128, 128);
inline constexpr TColor clGray = RGB(128, 128, 128);
inline constexpr TColor clSilver = RGB(192, 192, 192);
inline constexpr TColor clRed = RGB(255, 0, 0);
inline constexpr TColor clLime = RGB(0, 255, 0);
inline constexpr TColor clYellow = RGB(255, 255, 0);
inline constexpr TColor clBlue = RGB(0, 0, 255);
inline constexpr TColor clFuchsia = RGB(255, 0, 255);
inline constexpr TColor clAqua = RGB(0, 255, 255);
inline constexpr TColor clWhite = RGB(255, 255, 255);
// System colours, fixed at the desktop's default scheme so that pictures do not depend on the
// user's theme.
inline constexpr TColor clBtnFace = RGB(240, 240, 240);
inline constexpr TColor clBtnShadow = RGB(160, 160, 160);
inline constexpr TColor clBtnHighlight = RGB(255, 255, 255);
inline constexpr TColor clBtnText = RGB(0, 0, 0);
inline constexpr TColor cl3DDkShadow = RGB(105, 105, 105);
inline constexpr TColor cl3DLight = RGB(227, 227, 227);
inline constexpr TColor clGrayText = RGB(109, 109, 109);
inline constexpr TColor clWindow = RGB(255, 255, 255);
inline constexpr TColor clWindowText = RGB(0, 0, 0);
inline constexpr TColor clHighlight = RGB(0, 120, 215);
inline constexpr TColor clHighlightText = RGB(255, 255, 255);
inline constexpr TColor clInfoBk = RGB(255, 255, 225);
inline constexpr TColor clInfoText = RGB(0, 0, 0);

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

struct TPoint {
    int X = 0, Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}
// The point lies inside: left and top included, right and bottom excluded.
constexpr bool PtInRect(const TRect& r, TPoint p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
constexpr TRect OffsetRect(const TRect& r, int dx, int dy) {
    return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
// Where a text `width` wide starts when it ends at `right`, but never left of `left`: a number
// too wide for its cell keeps its sign and leading digits in view, and the cut falls at its end.
constexpr int RightAlignedX(int left, int right, int width) {
    return right - width < left ? left : right - width;
}

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles: Style = {fsBold}; Style = {}; Style.Contains(fsBold).
class TFontStyles {
  public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
        for (TFontStyle s : styles) Include(s);
    }
    constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
    constexpr void Include(TFontStyle s) { bits_ |= 1u << s; }
    constexpr void Exclude(TFontStyle s) { bits_ &= ~(1u << s); }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(const TFontStyles&, const TFontStyles&) = default;

  private:
    unsigned bits_ = 0;
};

// The logical resolution of the screen image; font heights in pixels are given at it.
inline constexpr int ScreenPixelsPerInch = 96;

struct TFont {
    AnsiString Name = "Arial";
    int Size = 8;  // points
    TColor Color = clWindowText;
    TFontStyles Style;
    // The character height in screen pixels, negative as the framework reports it (-12 for 9).
    int Height() const;
    friend bool operator==(const TFont&, const TFont&) = default;
};

enum TPenStyle { psSolid, psClear };
enum TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

class TBitmap;

// Draws on an image, a printer page or any paint device. The font, pen and brush are plain
// records read at each drawing call, so a painter changes them freely between calls.
class TCanvas {
  public:
    TCanvas() = default;
    // Paints on the device; the painter starts with the first drawing call and ends with End()
    // or the canvas. A printer is set up (orientation, copies) before that first call.
    explicit TCanvas(QPaintDevice* device);
    // Draws through a painter the caller has begun and keeps.
    explicit TCanvas(QPainter* painter);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    TFont Font;
    TPen Pen;
    TBrush Brush;
    TPoint PenPos;
    // Runs after every drawing call (the self-painting window uses it to schedule a screen copy).
    std::function<void()> OnChange;

    void MoveTo(int x, int y) { PenPos = {x, y}; }
    void LineTo(int x, int y);
    void FillRect(const TRect& r);
    // A 1-pixel frame in the brush colour along the rectangle's inner edge.
    void FrameRect(const TRect& r);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // The part of the ellipse in box from the radial through `start` counterclockwise to the
    // radial through `end`; radials of one direction give the whole ellipse.
    void Pie(const TRect& box, TPoint start, TPoint end);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
        Pie(Rect(x1, y1, x2, y2), {x3, y3}, {x4, y4});
    }
    // The same by angles in radians, counterclockwise from 3 o'clock: the slice runs from
    // `start` to `end`; none when end <= start, the whole ellipse from 2 pi on. Unlike radial
    // points this keeps an empty slice apart from a full one, however narrow.
    void PieByAngles(const TRect& box, double start, double end);
    // Filled with the brush (alternate filling), outlined with the pen through every point.
    void Polygon(const std::vector<TPoint>& points);
    void Polyline(const std::vector<TPoint>& points);

    // Texts longer than kShownTextLimit are cut as it says.
    void TextOut(int x, int y, const AnsiString& text);
    void TextRect(const TRect& r, int x, int y, const AnsiString& text);
    int TextWidth(const AnsiString& text);
    int TextHeight(const AnsiString& text);

    // Widths of texts in the font the canvas has now, as TextWidth gives them, taken on another
    // thread: a measurer is made here and then used on one thread at a time, where it builds a
    // font of its own (a font's cache belongs to one thread).
    class TTextMeasurer {
      public:
        ~TTextMeasurer();
        int Width(const AnsiString& text);

      private:
        friend class TCanvas;
        TTextMeasurer(const TFont& font, int dpi, const QPaintDevice* device);
        TFont font_;
        int dpi_;
        const QPaintDevice* device_;
        std::unique_ptr<QFont> qfont_;
        std::unique_ptr<QFontMetrics> metrics_;
    };
    // Null unless the canvas paints on an image, the one device other threads may ask about.
    std::unique_ptr<TTextMeasurer> Measurer();

    // With the bitmap's transparent colour left out when the bitmap is Transparent.
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& r, const TBitmap& bitmap);
    // Copies (scaling when the sizes differ) a part of an image-backed canvas; the source may be
    // this canvas itself, also with overlapping rectangles.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);

    // Reads an image-backed canvas; outside the image, or on another device, reads black.
    TColor Pixels(int x, int y) const;
    void SetPixels(int x, int y, TColor c);

    // The drawable area: the whole image, or the printable page of a printer.
    TRect ClipRect() const;

    // Starts a new page on a printer; false on any other device.
    bool NewPage();
    // Ends painting (on a printer: the document). The next drawing call starts again.
    void End();

    QPaintDevice* Device() const { return device_; }
    // The active painter for drawing that this class does not offer; nullptr when the device
    // cannot be painted (an empty bitmap).
    QPainter* Painter() { return ActivePainter(); }

  private:
    friend class TBitmap;
    void Bind(QPaintDevice* device);
    QPainter* ActivePainter();
    const QImage* SourceImage() const;
    bool IsRaster();
    int DeviceDpi() const;
    static std::unique_ptr<QFont> MakeFont(const TFont& font, int dpi);
    const QFont& CurrentFont();
    const QFontMetrics& Metrics();
    void DrawTextAt(QPainter& p, int x, int y, const QString& text);
    void StrokeSegment(QPainter& p, TPoint a, TPoint b);
    void SetShapePen(QPainter& p);
    void SetShapeBrush(QPainter& p);
    void DrawPie(const TRect& box, double start, double span);
    void DrawImage(const QRect& target, const QImage& image);
    void Changed();

    QPaintDevice* device_ = nullptr;
    QPainter* external_ = nullptr;
    std::unique_ptr<QPainter> owned_;
    // The Qt font for Font at the device's resolution, rebuilt when either changes.
    std::optional<TFont> fontKey_;
    int fontDpi_ = 0;
    std::unique_ptr<QFont> qfont_;
    std::unique_ptr<QFontMetrics> metrics_;
};

// An image that image files load from and a file cannot hold.
class EInvalidGraphic : public Exception {
  public:
    using Exception::Exception;
};

// An off-screen picture (32-bit RGB, 96 dpi) with its own canvas. The canvas object stays the
// same for the bitmap's life: a resize keeps its font, pen and brush and the picture's
// overlapping part, and fills the new part white.
class TBitmap {
  public:
    TBitmap();
    TBitmap(int width, int height);
    explicit TBitmap(const QImage& image);
    TBitmap(const TBitmap& other);  // copies the picture
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&& other) noexcept;
    TBitmap& operator=(TBitmap&& other) noexcept;
    ~TBitmap();

    int Width() const;
    int Height() const;
    bool Empty() const { return Width() == 0 || Height() == 0; }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    void SetSize(int width, int height);

    TCanvas& Canvas();

    bool Transparent() const;
    void SetTransparent(bool transparent);
    // The colour left out when Transparent; until one is set, the colour of the bottom-left pixel.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor c);

    // PNG (or any format Qt reads); an alpha channel is flattened onto white. EInvalidGraphic
    // when the file cannot be read as an image.
    void LoadFromFile(const std::filesystem::path& path);
    // A Qt resource path such as ":/glyphs/tree.png".
    void LoadFromResource(const QString& resourcePath);

    // A copy of one part, with the transparency settings; parts outside the picture are black.
    TBitmap Cut(const TRect& r) const;

    // The picture as it is now. Copy it (QImage::copy) to keep it across later drawing: the
    // canvas draws into the same pixels.
    const QImage& Image() const;

  private:
    struct Impl;
    Impl& Self();
    void Replace(QImage image);
    // The picture with the transparent colour made fully transparent, or itself.
    QImage Masked() const;
    friend class TCanvas;

    std::unique_ptr<Impl> impl_;
};

}  // namespace qm
