// The glyph and caption of a speed button: the picture of each button state, built from the
// glyph bitmap on first use and kept in an image list shared by every button whose glyph cells
// have the same size, and the layout of glyph, caption and drop-down mark on the button face.
//
// Invariants:
//  1. A glyph list's slot holds one image until deleted; indexes of other images never move.
//  2. The cache holds only lists that hold images: a list whose count drops to 0 is freed.
//  3. A glyph object's state indexes are all -1 exactly when it holds no list; any change of
//     the bitmap, the number of glyphs or the transparent colour returns every image.
#pragma once

#include <QImage>
#include <array>
#include <memory>
#include <vector>

#include "controls/draw_text.h"
#include "controls/helpers.h"
#include "platform/control.h"
#include "platform/graphics.h"

namespace qm {

// The paint states of a speed button, in the order of the glyph's image cells.
enum TButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Images of one size, each drawn with its masked pixels left out.
class TGlyphList {
  public:
    TGlyphList(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return count_; }

    // Stores the image with every pixel of `maskColor` made transparent, in the first free slot
    // (or a new one at the end); returns its index.
    int AddMasked(const TBitmap& image, TColor maskColor);
    void Delete(int index);
    // The stored image (transparent where masked); null for a free or unknown slot.
    QImage Image(int index) const;
    void Draw(TCanvas& canvas, int x, int y, int index) const;

  private:
    int width_, height_;
    std::vector<QImage> images_;
    std::vector<bool> used_;
    int count_ = 0;
};

// The glyph lists of every button, one or more per image size.
class TGlyphCache {
  public:
    // The last list of that size, or a new one.
    TGlyphList* GetList(int width, int height);
    // Frees the list when it holds no image any more.
    void ReturnList(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }
    int ListCount() const { return static_cast<int>(lists_.size()); }

  private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The cache in use: created with the first glyph object, freed with the last one once empty.
TGlyphCache* GlyphCache();

// Where glyph, caption and mark go on a button face.
struct TButtonLayoutResult {
    TPoint GlyphPos;
    TRect TextBounds;
    TPoint MarkPos;
    AnsiString Caption;  // the caption as shown, shortened when it does not fit
};

// The drop-down mark: rows of 7, 5, 3 and 1 pixels, pointing down.
inline constexpr int kMarkWidth = 7;
inline constexpr int kMarkHeight = 4;

class TRxButtonGlyph {
  public:
    TRxButtonGlyph();
    ~TRxButtonGlyph();
    TRxButtonGlyph(const TRxButtonGlyph&) = delete;
    TRxButtonGlyph& operator=(const TRxButtonGlyph&) = delete;

    // Drawing on the glyph's canvas also drops the built images.
    TBitmap& Glyph() { return glyph_; }
    const TBitmap& Glyph() const { return glyph_; }
    // Takes a copy of the picture.
    void SetGlyph(const TBitmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    // 1 to 5; other values are ignored.
    void SetNumGlyphs(int count);
    // The see-through colour of every cell, whatever the bitmap's own settings are.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor color);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // Runs after every change that alters the look.
    TNotifyEvent OnChange;

    // The image of a state in the shared list (built on first use); -1 when the glyph is empty.
    int CreateButtonGlyph(TButtonState state);
    TGlyphList* List() const { return list_; }
    int CellWidth() const;
    int CellHeight() const { return glyph_.Height(); }

    TButtonLayoutResult CalcButtonLayout(TCanvas& canvas, const TRect& client,
                                         const AnsiString& caption, TButtonLayout layout,
                                         int margin, int spacing, bool drawMark, bool wordWrap,
                                         bool rightToLeft) const;
    // Lays out and draws glyph, caption and mark in the rectangle with the canvas font;
    // returns the caption's rectangle.
    TRect Draw(TCanvas& canvas, const TRect& client, const AnsiString& caption,
               TButtonLayout layout, int margin, int spacing, bool drawMark, TButtonState state,
               bool wordWrap, bool rightToLeft);
    void DrawButtonGlyph(TCanvas& canvas, TPoint at, TButtonState state);
    void DrawButtonText(TCanvas& canvas, const AnsiString& caption, const TRect& bounds,
                        TButtonState state, bool wordWrap, bool rightToLeft);
    static void DrawPopupMark(TCanvas& canvas, int x, int y, TButtonState state);

  private:
    void Invalidate();
    void Changed();
    TBitmap Cell(int index) const;

    TBitmap glyph_;
    TGlyphList* list_ = nullptr;
    std::array<int, 5> indexes_{-1, -1, -1, -1, -1};
    TColor transparentColor_ = RGB(255, 0, 255);
    int numGlyphs_ = 1;
    TAlignment alignment_ = taCenter;
};

}  // namespace qm
