// Glyph images per button state, their shared image lists, and the button face layout.
#include "controls/button_glyph.h"

#include <QPainter>
#include <algorithm>
#include <utility>

namespace qm {
namespace {

TGlyphCache* cache = nullptr;
int glyphObjects = 0;

QRgb Opaque(TColor c) {
    return qRgb(c.r, c.g, c.b);
}

// Every pixel that is neither the transparent colour nor the button face turned to its grey.
TBitmap Greyed(const TBitmap& cell, TColor transparent) {
    QImage image = cell.Image().copy();
    const QRgb key = Opaque(transparent), face = Opaque(clBtnFace);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xFF000000u;
            if (p == key || p == face) continue;
            const int grey = (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) / 256;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    return TBitmap(image);
}

// The caption's size as it will show: on one line shortened to the width, or wrapped.
TPoint MeasureCaption(TCanvas& canvas, const AnsiString& caption, int available, bool wordWrap,
                      AnsiString& shown) {
    shown = caption;
    if (caption.empty()) return {0, 0};
    const unsigned lines = wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    TRect measured = Rect(0, 0, available, 0);
    DrawText(canvas, caption, measured, DT_CALCRECT | lines);
    if (!wordWrap && measured.Width() > available) {
        shown = ShortenText(caption, canvas, available);
        measured = Rect(0, 0, available, 0);
        DrawText(canvas, shown, measured, DT_CALCRECT | lines);
    }
    return {measured.Width(), measured.Height()};
}

// Margin -1 centres glyph and caption together; spacing -1 spreads the free room evenly. No
// spacing when either glyph or caption is missing.
void Distribute(int total, int glyph, int text, int& margin, int& spacing) {
    if (glyph == 0 || text == 0) spacing = 0;
    if (margin < 0) {
        if (spacing < 0)
            margin = spacing = (total - glyph - text) / 3;
        else
            margin = (total - (glyph + spacing + text)) / 2;
    } else if (spacing < 0) {
        spacing = (total - margin - glyph - text) / 2;
    }
}

}  // namespace

TGlyphList::TGlyphList(int width, int height) : width_(width), height_(height) {}

int TGlyphList::AddMasked(const TBitmap& image, TColor maskColor) {
    QImage stored =
        image.Image().copy(0, 0, width_, height_).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = Opaque(maskColor);
    for (int y = 0; y < stored.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(stored.scanLine(y));
        for (int x = 0; x < stored.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    auto freeSlot = std::find(used_.begin(), used_.end(), false);
    const int index = static_cast<int>(freeSlot - used_.begin());
    if (freeSlot == used_.end()) {
        used_.push_back(true);
        images_.push_back(std::move(stored));
    } else {
        *freeSlot = true;
        images_[index] = std::move(stored);
    }
    ++count_;
    return index;
}

void TGlyphList::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(used_.size()) || !used_[index]) return;
    used_[index] = false;
    images_[index] = QImage();
    --count_;
}

QImage TGlyphList::Image(int index) const {
    if (index < 0 || index >= static_cast<int>(used_.size()) || !used_[index]) return QImage();
    return images_[index];
}

void TGlyphList::Draw(TCanvas& canvas, int x, int y, int index) const {
    const QImage image = Image(index);
    QPainter* p = canvas.Painter();
    if (!p || image.isNull()) return;
    p->drawImage(x, y, image);
    if (canvas.OnChange) canvas.OnChange();
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->Count() > 0) return;
    std::erase_if(lists_, [list](const auto& owned) { return owned.get() == list; });
}

TGlyphCache* GlyphCache() {
    return cache;
}

TRxButtonGlyph::TRxButtonGlyph() {
    if (!cache) cache = new TGlyphCache;
    ++glyphObjects;
    glyph_.Canvas().OnChange = [this] {
        Invalidate();
        Changed();
    };
}

TRxButtonGlyph::~TRxButtonGlyph() {
    glyph_.Canvas().OnChange = nullptr;
    Invalidate();
    if (--glyphObjects == 0 && cache->Empty()) {
        delete cache;
        cache = nullptr;
    }
}

void TRxButtonGlyph::SetGlyph(const TBitmap& glyph) {
    Invalidate();
    glyph_ = glyph;
    Changed();
}

void TRxButtonGlyph::SetNumGlyphs(int count) {
    if (count < 1 || count > 5 || count == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = count;
    Changed();
}

void TRxButtonGlyph::SetTransparentColor(TColor color) {
    if (color == transparentColor_) return;
    Invalidate();
    transparentColor_ = color;
    Changed();
}

void TRxButtonGlyph::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Changed();
}

int TRxButtonGlyph::CellWidth() const {
    return glyph_.Width() / numGlyphs_;
}

void TRxButtonGlyph::Invalidate() {
    for (int& index : indexes_) {
        if (index != -1 && list_) list_->Delete(index);
        index = -1;
    }
    if (list_) cache->ReturnList(list_);
    list_ = nullptr;
}

void TRxButtonGlyph::Changed() {
    if (OnChange) OnChange();
}

TBitmap TRxButtonGlyph::Cell(int index) const {
    TBitmap cell;
    CopyImageCell(glyph_, cell, numGlyphs_, 1, index);
    return cell;
}

int TRxButtonGlyph::CreateButtonGlyph(TButtonState state) {
    if (state == rbsDown && numGlyphs_ < 3) state = rbsUp;
    if (indexes_[state] != -1) return indexes_[state];
    if (glyph_.Empty() || CellWidth() == 0) return -1;
    if (!list_) list_ = cache->GetList(CellWidth(), CellHeight());
    int index = -1;
    switch (state) {
        case rbsUp:
        case rbsDown:
        case rbsExclusive:
            index = list_->AddMasked(Cell(state < numGlyphs_ ? state : 0), transparentColor_);
            break;
        case rbsDisabled:
            if (numGlyphs_ > 1)
                index = list_->AddMasked(Cell(1), transparentColor_);
            else
                index = list_->AddMasked(DisabledBitmap(Cell(0)), clBtnFace);
            break;
        case rbsInactive:
            if (numGlyphs_ > 4)
                index = list_->AddMasked(Cell(4), transparentColor_);
            else
                index = list_->AddMasked(Greyed(Cell(0), transparentColor_), transparentColor_);
            break;
    }
    indexes_[state] = index;
    return index;
}

TButtonLayoutResult TRxButtonGlyph::CalcButtonLayout(TCanvas& canvas, const TRect& client,
                                                     const AnsiString& caption,
                                                     TButtonLayout layout, int margin, int spacing,
                                                     bool drawMark, bool wordWrap,
                                                     bool rightToLeft) const {
    TButtonLayoutResult result;
    TRect area = client;
    if (drawMark) {
        area.Right -= kMarkWidth + 3;
        result.MarkPos = {area.Right + 1, client.Top + (client.Height() - kMarkHeight) / 2};
    }
    if (rightToLeft && layout == blGlyphLeft)
        layout = blGlyphRight;
    else if (rightToLeft && layout == blGlyphRight)
        layout = blGlyphLeft;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    const bool hasGlyph = !glyph_.Empty() && CellWidth() > 0;
    const TPoint glyph = hasGlyph ? TPoint{CellWidth(), CellHeight()} : TPoint{0, 0};

    const int available =
        area.Width() - (horizontal && hasGlyph ? glyph.X + std::max(spacing, 0) : 0);
    const TPoint text = MeasureCaption(canvas, caption, available, wordWrap, result.Caption);

    const int total = horizontal ? area.Width() : area.Height();
    const int g = horizontal ? glyph.X : glyph.Y;
    const int t = horizontal ? text.X : text.Y;
    Distribute(total, g, t, margin, spacing);
    int glyphAt = margin, textAt = margin + g + spacing;
    if (layout == blGlyphRight || layout == blGlyphBottom) {
        glyphAt = total - margin - g;
        textAt = glyphAt - spacing - t;
    }
    if (horizontal) {
        result.GlyphPos = {area.Left + glyphAt, area.Top + (area.Height() - glyph.Y) / 2};
        const int top = area.Top + (area.Height() - text.Y) / 2;
        result.TextBounds =
            Rect(area.Left + textAt, top, area.Left + textAt + text.X, top + text.Y);
    } else {
        result.GlyphPos = {area.Left + (area.Width() - glyph.X) / 2, area.Top + glyphAt};
        result.TextBounds =
            Rect(area.Left, area.Top + textAt, area.Right, area.Top + textAt + text.Y);
    }
    return result;
}

TRect TRxButtonGlyph::Draw(TCanvas& canvas, const TRect& client, const AnsiString& caption,
                           TButtonLayout layout, int margin, int spacing, bool drawMark,
                           TButtonState state, bool wordWrap, bool rightToLeft) {
    const TButtonLayoutResult at = CalcButtonLayout(canvas, client, caption, layout, margin,
                                                    spacing, drawMark, wordWrap, rightToLeft);
    DrawButtonGlyph(canvas, at.GlyphPos, state);
    DrawButtonText(canvas, at.Caption, at.TextBounds, state, wordWrap, rightToLeft);
    if (drawMark) DrawPopupMark(canvas, at.MarkPos.X, at.MarkPos.Y, state);
    return at.TextBounds;
}

void TRxButtonGlyph::DrawButtonGlyph(TCanvas& canvas, TPoint at, TButtonState state) {
    const int index = CreateButtonGlyph(state);
    if (index >= 0) list_->Draw(canvas, at.X, at.Y, index);
}

void TRxButtonGlyph::DrawButtonText(TCanvas& canvas, const AnsiString& caption, const TRect& bounds,
                                    TButtonState state, bool wordWrap, bool rightToLeft) {
    if (caption.empty()) return;
    unsigned flags = wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    if ((alignment_ == taRightJustify) != rightToLeft && alignment_ != taCenter) flags |= DT_RIGHT;
    if (rightToLeft) flags |= DT_RTLREADING;
    const TBrush savedBrush = canvas.Brush;
    const TColor colour = canvas.Font.Color;
    canvas.Brush.Style = bsClear;
    TRect r = bounds;
    if (state == rbsDisabled) {
        // Embossed: highlight one pixel down and right, then the shadow in place.
        TRect lower = OffsetRect(r, 1, 1);
        canvas.Font.Color = clBtnHighlight;
        DrawText(canvas, caption, lower, flags);
        canvas.Font.Color = clBtnShadow;
    }
    DrawText(canvas, caption, r, flags);
    canvas.Font.Color = colour;
    canvas.Brush = savedBrush;
}

void TRxButtonGlyph::DrawPopupMark(TCanvas& canvas, int x, int y, TButtonState state) {
    const TBrush saved = canvas.Brush;
    auto rows = [&canvas](int left, int top, TColor colour) {
        canvas.Brush = TBrush{colour, bsSolid};
        for (int i = 0; i < kMarkHeight; ++i)
            canvas.FillRect(Rect(left + i, top + i, left + kMarkWidth - i, top + i + 1));
    };
    if (state == rbsDisabled) {
        rows(x + 1, y + 1, clBtnHighlight);
        rows(x, y, clBtnShadow);
    } else {
        rows(x, y, clBtnText);
    }
    canvas.Brush = saved;
}

}  // namespace qm
