// The canvas, font and bitmap over QPainter and QImage, with the drawing rules listed in the
// header.
#include "platform/graphics.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <utility>

namespace qm {
namespace {

// 96 dots per inch in dots per metre, the resolution of every bitmap.
constexpr int kScreenDotsPerMetre = 3780;

QImage NewImage(int width, int height) {
    if (width <= 0 || height <= 0) return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(kScreenDotsPerMetre);
    image.setDotsPerMeterY(kScreenDotsPerMetre);
    image.fill(Qt::white);
    return image;
}

// Any image as a bitmap's picture: 32-bit RGB at 96 dpi, transparency flattened onto white.
QImage Normalized(const QImage& source) {
    if (source.isNull()) return QImage();
    QImage image = NewImage(source.width(), source.height());
    QPainter p(&image);
    p.drawImage(0, 0, source);
    return image;
}

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// GDI geometry: a 1-pixel line from a to b without b, as Bresenham's steps. Horizontal and
// vertical lines, most of what the program draws, go as one filled rectangle.
void PixelLine(QPainter& p, const QColor& c, TPoint a, TPoint b) {
    if (a == b) return;
    if (a.Y == b.Y) {
        p.fillRect(a.X < b.X ? QRect(a.X, a.Y, b.X - a.X, 1) : QRect(b.X + 1, a.Y, a.X - b.X, 1),
                   c);
        return;
    }
    if (a.X == b.X) {
        p.fillRect(a.Y < b.Y ? QRect(a.X, a.Y, 1, b.Y - a.Y) : QRect(a.X, b.Y + 1, 1, a.Y - b.Y),
                   c);
        return;
    }
    const int dx = std::abs(b.X - a.X), sx = a.X < b.X ? 1 : -1;
    const int dy = -std::abs(b.Y - a.Y), sy = a.Y < b.Y ? 1 : -1;
    int err = dx + dy, x = a.X, y = a.Y;
    std::vector<QPoint> points;
    points.reserve(std::max(dx, -dy));
    while (x != b.X || y != b.Y) {
        points.emplace_back(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
    }
    p.setPen(QPen(c, 1));
    p.drawPoints(points.data(), static_cast<int>(points.size()));
}

// The angle Qt's arcs use for the ellipse point in the direction of `to` from the centre.
double ArcAngle(double cx, double cy, double rx, double ry, TPoint to) {
    return std::atan2(-(to.Y - cy) / ry, (to.X - cx) / rx);
}

}  // namespace

QColor ToQColor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

TColor FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long n = static_cast<long long>(a) * b;
    const long long q =
        (std::llabs(n) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<long long>(c)));
    return static_cast<int>((n < 0) != (c < 0) ? -q : q);
}

int TFont::Height() const {
    return -MulDiv(Size, ScreenPixelsPerInch, 72);
}

TCanvas::TCanvas(QPaintDevice* device) : device_(device) {}

TCanvas::TCanvas(QPainter* painter) : device_(painter->device()), external_(painter) {
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

TCanvas::~TCanvas() {
    End();
}

void TCanvas::Bind(QPaintDevice* device) {
    End();
    device_ = device;
    metrics_.reset();
    fontKey_.reset();
}

void TCanvas::End() {
    if (owned_) {
        if (owned_->isActive()) owned_->end();
        owned_.reset();
    }
}

QPainter* TCanvas::ActivePainter() {
    if (external_) return external_->isActive() ? external_ : nullptr;
    if (owned_) return owned_.get();
    if (!device_ || device_->width() <= 0 || device_->height() <= 0) return nullptr;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(device_)) return nullptr;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    owned_ = std::move(painter);
    return owned_.get();
}

const QImage* TCanvas::SourceImage() const {
    if (device_ && device_->devType() == QInternal::Image) return static_cast<QImage*>(device_);
    return nullptr;
}

bool TCanvas::IsRaster() {
    QPainter* p = ActivePainter();
    return p && p->paintEngine() && p->paintEngine()->type() == QPaintEngine::Raster;
}

int TCanvas::DeviceDpi() const {
    const int dpi = device_ ? device_->logicalDpiY() : 0;
    return dpi > 0 ? dpi : ScreenPixelsPerInch;
}

std::unique_ptr<QFont> TCanvas::MakeFont(const TFont& font, int dpi) {
    auto f = std::make_unique<QFont>(ToQString(font.Name));
    f->setPixelSize(std::max(1, MulDiv(font.Size, dpi, 72)));
    f->setBold(font.Style.Contains(fsBold));
    f->setItalic(font.Style.Contains(fsItalic));
    f->setUnderline(font.Style.Contains(fsUnderline));
    f->setStrikeOut(font.Style.Contains(fsStrikeOut));
    f->setStyleHint(QFont::SansSerif);
    f->setKerning(false);
    f->setHintingPreference(QFont::PreferFullHinting);
    return f;
}

const QFont& TCanvas::CurrentFont() {
    const int dpi = DeviceDpi();
    if (qfont_ && fontKey_ && *fontKey_ == Font && fontDpi_ == dpi) return *qfont_;
    qfont_ = MakeFont(Font, dpi);
    fontKey_ = Font;
    fontDpi_ = dpi;
    metrics_.reset();
    return *qfont_;
}

const QFontMetrics& TCanvas::Metrics() {
    const QFont& font = CurrentFont();
    if (!metrics_) {
        metrics_ = device_ ? std::make_unique<QFontMetrics>(font, device_)
                           : std::make_unique<QFontMetrics>(font);
    }
    return *metrics_;
}

void TCanvas::Changed() {
    if (OnChange) OnChange();
}

void TCanvas::SetShapePen(QPainter& p) {
    if (Pen.Style == psClear) {
        p.setPen(Qt::NoPen);
        return;
    }
    // A pen of one dot on a printer is a hairline: one device pixel of whatever finally renders
    // the page. A line of one printer dot would vanish when the page is rasterised coarser.
    const int width = Pen.Width <= 1 && !IsRaster() ? 0 : std::max(1, Pen.Width);
    p.setPen(QPen(ToQColor(Pen.Color), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void TCanvas::SetShapeBrush(QPainter& p) {
    if (Brush.Style == bsClear)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(ToQColor(Brush.Color));
}

void TCanvas::StrokeSegment(QPainter& p, TPoint a, TPoint b) {
    if (Pen.Width <= 1 && IsRaster()) {
        PixelLine(p, ToQColor(Pen.Color), a, b);
        return;
    }
    SetShapePen(p);
    p.drawLine(a.X, a.Y, b.X, b.Y);
}

void TCanvas::LineTo(int x, int y) {
    QPainter* p = ActivePainter();
    if (p && Pen.Style != psClear) {
        StrokeSegment(*p, PenPos, {x, y});
        Changed();
    }
    PenPos = {x, y};
}

void TCanvas::FillRect(const TRect& r) {
    QPainter* p = ActivePainter();
    if (!p || r.IsEmpty() || Brush.Style == bsClear) return;
    p->fillRect(ToQRect(r), ToQColor(Brush.Color));
    Changed();
}

void TCanvas::FrameRect(const TRect& r) {
    QPainter* p = ActivePainter();
    if (!p || r.IsEmpty() || Brush.Style == bsClear) return;
    const QColor c = ToQColor(Brush.Color);
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    QPainter* p = ActivePainter();
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const TRect r{left, top, right, bottom};
    if (!p || r.IsEmpty()) return;
    if (Brush.Style != bsClear) p->fillRect(ToQRect(r), ToQColor(Brush.Color));
    if (Pen.Style != psClear) {
        if (Pen.Width <= 1 && IsRaster()) {
            const QColor c = ToQColor(Pen.Color);
            p->fillRect(QRect(left, top, r.Width(), 1), c);
            p->fillRect(QRect(left, bottom - 1, r.Width(), 1), c);
            p->fillRect(QRect(left, top, 1, r.Height()), c);
            p->fillRect(QRect(right - 1, top, 1, r.Height()), c);
        } else {
            SetShapePen(*p);
            p->setBrush(Qt::NoBrush);
            p->drawRect(QRect(left, top, r.Width() - 1, r.Height() - 1));
        }
    }
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    QPainter* p = ActivePainter();
    if (!p || right - left < 1 || bottom - top < 1) return;
    SetShapePen(*p);
    SetShapeBrush(*p);
    p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    Changed();
}

void TCanvas::Pie(const TRect& box, TPoint start, TPoint end) {
    const double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
    const double rx = box.Width() / 2.0, ry = box.Height() / 2.0;
    if (rx <= 0 || ry <= 0) return;
    const double a0 = ArcAngle(cx, cy, rx, ry, start), a1 = ArcAngle(cx, cy, rx, ry, end);
    double span = a1 - a0;
    if (span <= 0) span += 2 * std::numbers::pi;  // counterclockwise; one direction is all round
    DrawPie(box, a0, span);
}

void TCanvas::PieByAngles(const TRect& box, double start, double end) {
    if (!(end > start)) return;
    DrawPie(box, start, std::min(end - start, 2 * std::numbers::pi));
}

void TCanvas::DrawPie(const TRect& box, double start, double span) {
    QPainter* p = ActivePainter();
    if (!p || box.Width() < 1 || box.Height() < 1) return;
    constexpr double kSixteenthsPerRadian = 180 * 16 / std::numbers::pi;
    SetShapePen(*p);
    SetShapeBrush(*p);
    p->drawPie(QRect(box.Left, box.Top, box.Width() - 1, box.Height() - 1),
               static_cast<int>(std::lround(start * kSixteenthsPerRadian)),
               static_cast<int>(std::lround(span * kSixteenthsPerRadian)));
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    QPainter* p = ActivePainter();
    if (!p || points.size() < 2) return;
    QPolygon polygon;
    for (TPoint pt : points) polygon << QPoint(pt.X, pt.Y);
    if (Brush.Style != bsClear) {
        p->setPen(Qt::NoPen);
        SetShapeBrush(*p);
        p->drawPolygon(polygon, Qt::OddEvenFill);
    }
    if (Pen.Style != psClear) {
        if (Pen.Width <= 1 && IsRaster()) {
            for (size_t i = 0; i < points.size(); ++i)
                PixelLine(*p, ToQColor(Pen.Color), points[i], points[(i + 1) % points.size()]);
        } else {
            SetShapePen(*p);
            p->setBrush(Qt::NoBrush);
            p->drawPolygon(polygon);
        }
    }
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    QPainter* p = ActivePainter();
    if (!p || points.size() < 2 || Pen.Style == psClear) return;
    if (Pen.Width <= 1 && IsRaster()) {
        for (size_t i = 0; i + 1 < points.size(); ++i)
            PixelLine(*p, ToQColor(Pen.Color), points[i], points[i + 1]);
    } else {
        QPolygon line;
        for (TPoint pt : points) line << QPoint(pt.X, pt.Y);
        SetShapePen(*p);
        p->drawPolyline(line);
    }
    Changed();
}

namespace {

std::atomic<size_t> measured{0};

// The text as Qt is given it: never more than the limit.
QString Shown(const AnsiString& text) {
    measured.fetch_add(std::min(text.size(), kShownTextLimit), std::memory_order_relaxed);
    if (text.size() <= kShownTextLimit) return ToQString(text);
    return ToQString(text.substr(0, kShownTextLimit));
}

// Of a long text drawn from `x`, the characters that can reach into [left, right): those before
// are skipped (and `x` moved past them), those after are left out. Advances are whole pixels and
// add up (the canvas's fonts are unkerned); a glyph may stand out of its advance by a little, so
// a margin of the font's height is kept on both sides.
QString Reaching(const QFontMetrics& fm, const QString& s, int& x, int left, int right) {
    const int margin = fm.height();
    qsizetype first = 0;
    for (; first < s.size(); ++first) {
        const int advance = fm.horizontalAdvance(s[first]);
        if (x + advance >= left - margin) break;
        x += advance;
    }
    qsizetype end = first;
    for (int pos = x; end < s.size() && pos < right + margin; ++end)
        pos += fm.horizontalAdvance(s[end]);
    return s.mid(first, end - first);
}

}  // namespace

size_t TextCharactersMeasured() {
    return measured.load(std::memory_order_relaxed);
}

void TCanvas::DrawTextAt(QPainter& p, int x, int y, const QString& text) {
    p.setFont(CurrentFont());
    p.setPen(ToQColor(Font.Color));
    p.drawText(QPoint(x, y + Metrics().ascent()), text);
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
    QString s = Shown(text);
    const QFontMetrics& fm = Metrics();
    const int width = fm.horizontalAdvance(s);
    if (QPainter* p = ActivePainter()) {
        if (Brush.Style != bsClear && width > 0)
            p->fillRect(QRect(x, y, width, fm.height()), ToQColor(Brush.Color));
        int from = x;
        if (text.size() > kShownTextLimit) s = Reaching(fm, s, from, 0, device_->width());
        if (!s.isEmpty()) DrawTextAt(*p, from, y, s);
        Changed();
    }
    PenPos = {x + width, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const AnsiString& text) {
    QPainter* p = ActivePainter();
    if (!p || r.IsEmpty()) return;
    const QRect box = ToQRect(r);
    p->save();
    p->setClipRect(box, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (Brush.Style != bsClear) p->fillRect(box, ToQColor(Brush.Color));
    if (!text.empty()) {
        QString s = Shown(text);
        if (text.size() > kShownTextLimit) s = Reaching(Metrics(), s, x, r.Left, r.Right);
        DrawTextAt(*p, x, y, s);
    }
    p->restore();
    Changed();
}

int TCanvas::TextWidth(const AnsiString& text) {
    return Metrics().horizontalAdvance(Shown(text));
}

TCanvas::TTextMeasurer::TTextMeasurer(const TFont& font, int dpi, const QPaintDevice* device)
    : font_(font), dpi_(dpi), device_(device) {}

TCanvas::TTextMeasurer::~TTextMeasurer() = default;

int TCanvas::TTextMeasurer::Width(const AnsiString& text) {
    if (!metrics_) {
        qfont_ = MakeFont(font_, dpi_);
        metrics_ = std::make_unique<QFontMetrics>(*qfont_, device_);
    }
    return metrics_->horizontalAdvance(Shown(text));
}

std::unique_ptr<TCanvas::TTextMeasurer> TCanvas::Measurer() {
    if (!device_ || device_->devType() != QInternal::Image) return nullptr;
    return std::unique_ptr<TTextMeasurer>(new TTextMeasurer(Font, DeviceDpi(), device_));
}

int TCanvas::TextHeight(const AnsiString&) {
    return Metrics().height();
}

void TCanvas::DrawImage(const QRect& target, const QImage& image) {
    QPainter* p = ActivePainter();
    if (!p || target.isEmpty() || image.isNull()) return;
    // Drawing an image onto itself reads pixels it has already overwritten; copy it first.
    if (&image == SourceImage())
        p->drawImage(target, image.copy());
    else
        p->drawImage(target, image);
    Changed();
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    StretchDraw(TRect{x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap) {
    if (bitmap.Empty() || r.IsEmpty()) return;
    // The picture itself goes by reference, so that drawing a bitmap onto its own canvas is seen.
    if (bitmap.Transparent())
        DrawImage(ToQRect(r), bitmap.Masked());
    else
        DrawImage(ToQRect(r), bitmap.Image());
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    const QImage* image = source.SourceImage();
    if (!image || image->isNull() || dest.IsEmpty() || sourceRect.IsEmpty()) return;
    DrawImage(ToQRect(dest), image->copy(ToQRect(sourceRect)));
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
    if (source.Empty() || dest.IsEmpty() || sourceRect.IsEmpty()) return;
    DrawImage(ToQRect(dest), source.Image().copy(ToQRect(sourceRect)));
}

TColor TCanvas::Pixels(int x, int y) const {
    const QImage* image = SourceImage();
    if (!image || !image->valid(x, y)) return clBlack;
    return FromQColor(QColor(image->pixel(x, y)));
}

void TCanvas::SetPixels(int x, int y, TColor c) {
    if (QPainter* p = ActivePainter()) {
        p->fillRect(QRect(x, y, 1, 1), ToQColor(c));
        Changed();
    }
}

TRect TCanvas::ClipRect() const {
    if (!device_) return {};
    TRect r{0, 0, device_->width(), device_->height()};
    QPainter* p = external_ ? external_ : owned_.get();
    if (p && p->isActive() && p->hasClipping()) {
        const QRect clip = p->clipBoundingRect().toAlignedRect().intersected(ToQRect(r));
        r = {clip.left(), clip.top(), clip.left() + clip.width(), clip.top() + clip.height()};
    }
    return r;
}

bool TCanvas::NewPage() {
    auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
    return paged && ActivePainter() && paged->newPage();
}

struct TBitmap::Impl {
    QImage image;
    TCanvas canvas;
    bool transparent = false;
    std::optional<TColor> transparentColor;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) {
    SetSize(width, height);
}

TBitmap::TBitmap(const QImage& image) {
    Replace(Normalized(image));
}

TBitmap::TBitmap(const TBitmap& other) {
    *this = other;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other) return *this;
    Replace(other.Image().copy());
    Self().transparent = other.Transparent();
    Self().transparentColor = other.impl_ ? other.impl_->transparentColor : std::nullopt;
    return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept = default;
TBitmap& TBitmap::operator=(TBitmap&& other) noexcept = default;
TBitmap::~TBitmap() = default;

TBitmap::Impl& TBitmap::Self() {
    if (!impl_) impl_ = std::make_unique<Impl>();
    return *impl_;
}

void TBitmap::Replace(QImage image) {
    Impl& self = Self();
    self.canvas.End();  // no painter may be active on the picture being replaced
    self.image = std::move(image);
    self.canvas.Bind(&self.image);
}

int TBitmap::Width() const {
    return impl_ ? impl_->image.width() : 0;
}

int TBitmap::Height() const {
    return impl_ ? impl_->image.height() : 0;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (impl_ && width == Width() && height == Height()) return;
    QImage image = NewImage(width, height);
    if (!image.isNull() && !Image().isNull()) {
        QPainter p(&image);
        p.drawImage(0, 0, Image());
    }
    Replace(std::move(image));
}

TCanvas& TBitmap::Canvas() {
    Impl& self = Self();
    if (!self.canvas.Device()) self.canvas.Bind(&self.image);
    return self.canvas;
}

bool TBitmap::Transparent() const {
    return impl_ && impl_->transparent;
}

void TBitmap::SetTransparent(bool transparent) {
    Self().transparent = transparent;
}

TColor TBitmap::TransparentColor() const {
    if (impl_ && impl_->transparentColor) return *impl_->transparentColor;
    if (Empty()) return clBlack;
    return FromQColor(QColor(impl_->image.pixel(0, Height() - 1)));
}

void TBitmap::SetTransparentColor(TColor c) {
    Self().transparentColor = c;
}

void TBitmap::LoadFromFile(const std::filesystem::path& path) {
    const QString name = QFile::decodeName(path.c_str());
    QImage image(name);
    if (image.isNull()) throw EInvalidGraphic("Cannot read the image " + FromQString(name));
    Replace(Normalized(image));
}

void TBitmap::LoadFromResource(const QString& resourcePath) {
    QImage image(resourcePath);
    if (image.isNull()) throw EInvalidGraphic("Cannot read the image " + FromQString(resourcePath));
    Replace(Normalized(image));
}

TBitmap TBitmap::Cut(const TRect& r) const {
    TBitmap part;
    part.Replace(r.IsEmpty() ? QImage() : Normalized(Image().copy(ToQRect(r))));
    part.Self().transparent = Transparent();
    if (impl_) part.Self().transparentColor = impl_->transparentColor;
    return part;
}

const QImage& TBitmap::Image() const {
    static const QImage empty;
    return impl_ ? impl_->image : empty;
}

QImage TBitmap::Masked() const {
    if (!Transparent() || Empty()) return Image();
    const QRgb key =
        qRgb(TransparentColor().r, TransparentColor().g, TransparentColor().b) & 0xFFFFFF;
    QImage masked = Image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return masked;
}

}  // namespace qm
