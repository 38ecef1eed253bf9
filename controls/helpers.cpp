// The controls' shared routines and start-up settings.
#include "controls/helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWidget>
#include <map>

#include "controls/button_glyph.h"
#include "controls/graphic_control.h"

namespace qm {
namespace {

const char* const kPaintingCopy = "qmPaintingCopy";

std::optional<bool>& ActiveWindowOverride() {
    static std::optional<bool> answer;
    return answer;
}

std::function<uint32_t()>& TickClock() {
    static std::function<uint32_t()> clock;
    return clock;
}

struct ControlsUnit {
    bool initialized = false;
    std::map<int, QCursor> cursors;
    bool fourDigitYear = false;
    AnsiString propertyNameDelimiter;
};

ControlsUnit& Unit() {
    static ControlsUnit unit;
    return unit;
}

// The figure pixels of an image: those of the mask colour that are not transparent.
QImage FigureMask(const QImage& image, TColor maskColor) {
    QImage mask(image.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    const QRgb key = qRgb(maskColor.r, maskColor.g, maskColor.b);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) != 0 && (p | 0xFF000000u) == key) mask.setPixel(x, y, 0xFF000000u);
        }
    return mask;
}

// The mask's figure in one colour.
QImage Tinted(const QImage& mask, TColor colour) {
    QImage tinted = mask;
    QPainter p(&tinted);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(tinted.rect(), ToQColor(colour));
    return tinted;
}

void DrawFigure(QPainter& p, int x, int y, const QImage& mask, bool drawHighlight, TColor shadow,
                TColor highlight) {
    if (drawHighlight) p.drawImage(x + 1, y + 1, Tinted(mask, highlight));
    p.drawImage(x, y, Tinted(mask, shadow));
}

}  // namespace

int Max(int a, int b) {
    return a > b ? a : b;
}
int Min(int a, int b) {
    return a < b ? a : b;
}

AnsiString ReplaceAll(const AnsiString& text, const AnsiString& search,
                      const AnsiString& replacement) {
    if (search.empty()) return text;
    AnsiString result;
    size_t from = 0;
    for (size_t at = text.find(search); at != AnsiString::npos; at = text.find(search, from)) {
        result.append(text, from, at - from);
        result += replacement;
        from = at + search.size();
    }
    result.append(text, from, AnsiString::npos);
    return result;
}

AnsiString RemoveChar(const AnsiString& text, char c) {
    AnsiString result;
    for (char ch : text)
        if (ch != c) result += ch;
    return result;
}

AnsiString TrimLeadingBlanks(const AnsiString& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == AnsiString::npos ? AnsiString() : text.substr(first);
}

AnsiString TrimTrailingBlanks(const AnsiString& text) {
    const size_t last = text.find_last_not_of(' ');
    return last == AnsiString::npos ? AnsiString() : text.substr(0, last + 1);
}

AnsiString TrimBlanks(const AnsiString& text) {
    return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

AnsiString RepeatChar(char c, int n) {
    return n < 1 ? AnsiString() : AnsiString(size_t(n), c);
}

void CopyImageCell(const TBitmap& source, TBitmap& target, int columns, int rows, int index) {
    columns = Max(columns, 1);
    rows = Max(rows, 1);
    index = Max(index, 0);
    const int w = source.Width() / columns, h = source.Height() / rows;
    const int left = (index % columns) * w, top = (index / columns) * h;
    target.SetSize(w, h);
    if (w > 0 && h > 0)
        target.Canvas().CopyRect(Rect(0, 0, w, h), source, Rect(left, top, left + w, top + h));
    target.SetTransparentColor(source.TransparentColor());
    target.SetTransparent(source.Transparent());
}

void CopyImageCell(const QImage& source, TBitmap& target, int columns, int rows, int index) {
    columns = Max(columns, 1);
    rows = Max(rows, 1);
    index = Max(index, 0);
    const int w = source.width() / columns, h = source.height() / rows;
    target.SetSize(w, h);
    if (w > 0 && h > 0) {
        TCanvas& c = target.Canvas();
        c.Brush = TBrush{clSilver, bsSolid};
        c.FillRect(Rect(0, 0, w, h));
        if (QPainter* p = c.Painter())
            p->drawImage(-(index % columns) * w, -(index / columns) * h, source);
    }
    target.SetTransparent(source.hasAlphaChannel());
}

TBitmap DisabledBitmap(const TBitmap& image, TColor maskColor, TColor background,
                       bool drawHighlight, TColor shadow, TColor highlight) {
    TBitmap result(image.Width(), image.Height());
    if (result.Empty()) return result;
    TCanvas& c = result.Canvas();
    c.Brush = TBrush{background, bsSolid};
    c.FillRect(Rect(0, 0, image.Width(), image.Height()));
    if (QPainter* p = c.Painter())
        DrawFigure(*p, 0, 0, FigureMask(image.Image(), maskColor), drawHighlight, shadow,
                   highlight);
    return result;
}

TBitmap DisabledBitmap(const TBitmap& image) {
    return DisabledBitmap(image, clBlack, clBtnFace, true, clBtnShadow, clBtnHighlight);
}

void DrawImageDisabled(const TGlyphList& images, TCanvas& canvas, int x, int y, int index,
                       bool drawHighlight, TColor shadow, TColor highlight) {
    const TBrush saved = canvas.Brush;
    const QImage image = images.Image(index);
    QPainter* p = canvas.Painter();
    if (p && !image.isNull()) {
        DrawFigure(*p, x, y, FigureMask(image, clBlack), drawHighlight, shadow, highlight);
        if (canvas.OnChange) canvas.OnChange();
    }
    canvas.Brush = saved;
}

bool PaintingCopy(const QWidget* widget) {
    return widget && widget->property(kPaintingCopy).toBool();
}

void PaintParentImage(QWidget* control, TCanvas& canvas) {
    QWidget* parent = control ? control->parentWidget() : nullptr;
    QPainter* p = canvas.Painter();
    if (!parent || !p) return;
    const QRect self = control->geometry();
    const bool wasCopying = PaintingCopy(parent);
    parent->setProperty(kPaintingCopy, true);
    p->save();
    p->setClipRect(QRect(-self.x(), -self.y(), parent->width(), parent->height()),
                   p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    // render() places the top-left corner of the source region at the target offset.
    const QRect under = self & parent->rect();
    parent->render(p, under.topLeft() - self.topLeft(), QRegion(under),
                   QWidget::DrawWindowBackground);
    // Qt keeps the children list in stacking order, lowest first.
    for (QObject* child : parent->children()) {
        if (child == control) break;
        auto* sibling = dynamic_cast<TGraphicControl*>(child);
        if (!sibling || !sibling->isVisibleTo(parent)) continue;
        const QRect overlap = sibling->geometry() & self;
        if (overlap.isEmpty()) continue;
        sibling->render(p, overlap.topLeft() - self.topLeft(),
                        QRegion(overlap.translated(-sibling->pos())),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    p->restore();
    parent->setProperty(kPaintingCopy, wasCopying);
    if (canvas.OnChange) canvas.OnChange();
}

AnsiString ShortenText(const AnsiString& text, TCanvas& canvas, int width) {
    if (canvas.TextWidth(text) <= width) return text;
    AnsiString kept = text, shown;
    do {
        kept.pop_back();
        shown = kept + "...";
    } while (!kept.empty() && canvas.TextWidth(shown) > width);
    return shown;
}

void SwallowMessage(QObject* receiver, QEvent::Type type) {
    if (type == QEvent::Quit) return;
    QCoreApplication::removePostedEvents(receiver, type);
}

bool OwnsActiveWindow() {
    if (ActiveWindowOverride()) return *ActiveWindowOverride();
    return QApplication::activeWindow() != nullptr;
}

void SetOwnsActiveWindowForTests(std::optional<bool> answer) {
    ActiveWindowOverride() = answer;
}

uint32_t GetTickCount() {
    if (TickClock()) return TickClock()();
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return static_cast<uint32_t>(clock.elapsed());
}

void SetTickCountForTests(std::function<uint32_t()> clock) {
    TickClock() = std::move(clock);
}

void InitializeControls() {
    ControlsUnit& unit = Unit();
    if (unit.initialized) return;
    unit.initialized = true;
    unit.cursors[crHand] = QCursor(Qt::PointingHandCursor);
    unit.cursors[crDragHand] = QCursor(Qt::DragMoveCursor);
    unit.fourDigitYear =
        UpperCase(FormatSettings().ShortDateFormat).find("YYYY") != AnsiString::npos;
    unit.propertyNameDelimiter.assign(1, '_');
}

void FinalizeControls() {
    Unit().propertyNameDelimiter.clear();
    Unit().initialized = false;
}

QCursor ScreenCursor(int id) {
    InitializeControls();
    auto it = Unit().cursors.find(id);
    return it == Unit().cursors.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

void RegisterScreenCursor(int id, const QCursor& cursor) {
    InitializeControls();
    Unit().cursors[id] = cursor;
}

bool FourDigitYear() {
    return Unit().fourDigitYear;
}

const AnsiString& PropertyNameDelimiter() {
    return Unit().propertyNameDelimiter;
}

}  // namespace qm
