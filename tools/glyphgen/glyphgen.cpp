// Draws the glyph images the main window paints with (tree, scroll bars, tab strip, header
// buttons, the attached-files mark, the band under the menu bar) and writes them as PNG sheets
// that the program carries as resources. Usage: glyphgen <output folder>.
//
// A sheet is one row of cells of a fixed pitch (the sheet's width divided by the number of
// cells). Each glyph sits at its cell's top-left corner; a magenta pixel in the cell's top row
// just right of the glyph, and one in its left column just below it, mark the glyph's size.
//
// Glyphs are drawn on transparent images and then laid onto the colour they are painted on in
// the window, because the program's bitmaps carry no alpha channel. Glyphs that stand on rows of
// several colours (tree glyphs, tab icons) keep their outer edges on whole pixels where they can,
// so that keying out their background leaves next to no fringe.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Colours of the views the glyphs are painted on.
const QColor kBand(173, 201, 240);
const QColor kBaseLine(145, 155, 156);
const QColor kMargin(240, 240, 234);
const QColor kGroupRow(208, 208, 208);
const QColor kAccountRow(255, 255, 255);
const QColor kMagenta(255, 0, 255);
const QColor kSheetFiller(255, 255, 255);

// Our own palette: one ink, one paper, a few flat accents.
const QColor kInk(64, 78, 100);
const QColor kPaper(252, 252, 249);
const QColor kRule(150, 172, 204);
const QColor kFolderBack(218, 156, 48);
const QColor kFolderFront(246, 194, 80);
const QColor kWallet(70, 124, 186);
const QColor kWalletStrap(38, 84, 146);
const QColor kGreen(52, 163, 84);
const QColor kRed(214, 69, 65);
const QColor kBlue(52, 110, 196);
const QColor kExpander(96, 96, 96);
const QColor kTreeLine(160, 160, 160);

// Scroll bar and cell buttons.
const QColor kTrack(236, 236, 231);
const QColor kHairline(218, 218, 212);
struct ScrollState {
    QColor face, ink, thumb;
};
const ScrollState kScrollNormal{kTrack, QColor(120, 120, 116), QColor(194, 194, 188)};
const ScrollState kScrollHot{QColor(222, 222, 216), QColor(70, 70, 68), QColor(160, 160, 155)};
const ScrollState kScrollPressed{QColor(196, 196, 190), QColor(30, 30, 30), QColor(118, 118, 114)};
const ScrollState kScrollDisabled{kTrack, QColor(206, 206, 201), QColor(226, 226, 221)};

// Tabs: the current tab takes the colour of the view below it, so that the two join.
const QColor kTabInactive(200, 220, 246);
const QColor kTabCurrent = kMargin;

// Disabled header buttons: dark parts fade to the colour of disabled captions.
const QColor kDisabledDark(141, 169, 208);
const QColor kDisabledLight(236, 242, 252);

QImage Blank(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A transparent image of the given size with `draw` run on an antialiasing painter.
QImage Draw(int width, int height, const std::function<void(QPainter&)>& draw) {
    QImage image = Blank(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    draw(p);
    return image;
}

// The glyph laid onto the colour it is painted on.
QImage Over(const QImage& glyph, const QColor& background) {
    QImage image(glyph.size(), QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.drawImage(0, 0, glyph);
    return image;
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The disabled form of a transparent glyph: each pixel's lightness picks a colour between the
// disabled-caption colour and near white, so a greyed button matches its greyed caption.
QImage Disabled(const QImage& glyph) {
    QImage source = glyph.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.size(), QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QColor c = source.pixelColor(x, y);
            const double light = (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF());
            QColor d = Mix(kDisabledDark, kDisabledLight, std::pow(light, 0.8));
            d.setAlphaF(c.alphaF());
            out.setPixelColor(x, y, d);
        }
    }
    return out;
}

void Fill(QPainter& p, const QRectF& r, const QColor& c, double radius = 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

// A 1-pixel outline along the inside of a whole-pixel rectangle.
void Outline(QPainter& p, const QRectF& r, const QColor& c, double radius = 0) {
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::NoBrush);
    const QRectF inner = r.adjusted(0.5, 0.5, -0.5, -0.5);
    if (radius > 0)
        p.drawRoundedRect(inner, radius, radius);
    else
        p.drawRect(inner);
    p.setPen(Qt::NoPen);
}

void Stroke(QPainter& p, const QPainterPath& path, const QColor& c, double width) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
}

// Clears a disc so that a badge drawn on it stands apart from the picture under it.
void KnockOut(QPainter& p, const QPointF& centre, double radius) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

// A solid triangle of whole-pixel rows, 7, 5, 3 and 1 pixels wide, tip pointing in `dir`
// ('u', 'd', 'r'); (cx, cy) is the pixel of the wide row's middle.
void Triangle(QPainter& p, int cx, int cy, char dir, const QColor& c) {
    for (int i = 0; i < 4; ++i) {
        const int half = 3 - i;
        if (dir == 'u') Fill(p, QRectF(cx - half, cy - i, 2 * half + 1, 1), c);
        if (dir == 'd') Fill(p, QRectF(cx - half, cy + i, 2 * half + 1, 1), c);
        if (dir == 'r') Fill(p, QRectF(cx + i, cy - half, 1, 2 * half + 1), c);
    }
}

// A folder in the box: a back panel with its tab, and a front panel; an open folder's front is
// lower and leans back on its left, with a sheet of paper showing above it. Only the front's
// slanted edge is smoothed, and it lies inside the back panel.
void Folder(QPainter& p, const QRect& box, bool open) {
    const int x = box.x(), y = box.y(), w = box.width(), h = box.height();
    const int tabH = std::max(2, h / 5);
    Fill(p, QRectF(x, y, w * 2 / 5, tabH + 2), kFolderBack, 1);
    Fill(p, QRectF(x, y + tabH, w, h - tabH), kFolderBack, 1);
    if (!open) {
        const int frontTop = y + tabH + std::max(1, h / 8);
        Fill(p, QRectF(x, frontTop, w, y + h - frontTop), kFolderFront, 1);
        return;
    }
    const int frontTop = y + h * 2 / 5;
    Fill(p, QRectF(x + 2, y + tabH + 1, w - 4, frontTop - y - tabH), kPaper);
    const double lean = std::max(2.0, w / 6.0);
    p.setBrush(kFolderFront);
    p.drawPolygon(QPolygonF({QPointF(x + lean, frontTop), QPointF(x + w, frontTop),
                             QPointF(x + w, y + h), QPointF(x, y + h)}));
}

// A wallet: the body with a strap across its right side and the strap's stud; with `note`, a
// banknote shows above it.
void Wallet(QPainter& p, const QRect& box, bool note = false) {
    const double r = std::max(1.0, box.height() / 6.0);
    if (note) Fill(p, QRectF(box.x() + 2, box.y() - 3, box.width() * 0.6, 5), kGreen, 1);
    Fill(p, box, kWallet, r);
    const QRectF strap(box.x() + box.width() * 0.58, box.y() + box.height() * 0.3,
                       box.width() * 0.42, box.height() * 0.4);
    Fill(p, strap, kWalletStrap, r * 0.8);
    const double stud = std::max(1.0, box.height() / 10.0);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(strap.x() + strap.width() * 0.45, strap.center().y()), stud, stud);
}

// A sheet of ruled paper, the picture of a move.
void Sheet(QPainter& p, const QRect& box) {
    Fill(p, box, kPaper);
    Outline(p, box, kInk);
    const int left = box.x() + 3, right = box.right() - 2;
    for (int y = box.y() + 4; y < box.bottom() - 1; y += 3)
        Fill(p, QRectF(left, y, right - left + 1, 1), kRule);
}

// Badges laid over the bottom-right corner of a 24-pixel button picture.

const QPointF kBadgeCentre(18, 18);
constexpr double kBadgeRadius = 5.5;
constexpr double kBadgeGap = 1.3;

void PlusBadge(QPainter& p) {
    KnockOut(p, kBadgeCentre, kBadgeRadius + kBadgeGap);
    p.setBrush(kGreen);
    p.drawEllipse(kBadgeCentre, kBadgeRadius, kBadgeRadius);
    Fill(p, QRectF(15, 17, 6, 2), Qt::white);
    Fill(p, QRectF(17, 15, 2, 6), Qt::white);
}

void DeleteBadge(QPainter& p) {
    KnockOut(p, kBadgeCentre, kBadgeRadius + kBadgeGap);
    p.setBrush(kRed);
    p.drawEllipse(kBadgeCentre, kBadgeRadius, kBadgeRadius);
    QPainterPath cross;
    cross.moveTo(15.8, 15.8), cross.lineTo(20.2, 20.2);
    cross.moveTo(20.2, 15.8), cross.lineTo(15.8, 20.2);
    Stroke(p, cross, Qt::white, 1.8);
}

void GoToBadge(QPainter& p) {
    KnockOut(p, kBadgeCentre, kBadgeRadius + kBadgeGap);
    p.setBrush(kBlue);
    p.drawEllipse(kBadgeCentre, kBadgeRadius, kBadgeRadius);
    QPainterPath arrow;
    arrow.moveTo(15, 18), arrow.lineTo(20.8, 18);
    arrow.moveTo(18.2, 15.4), arrow.lineTo(20.8, 18), arrow.lineTo(18.2, 20.6);
    Stroke(p, arrow, Qt::white, 1.7);
}

// A pencil lying from the bottom-left of the badge corner up to the picture's right edge.
void PencilBadge(QPainter& p) {
    p.save();
    p.translate(16.5, 16.5);
    p.rotate(-45);
    // Along x the pencil runs from its tip (negative) to its end; y is across it.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(-6, -3.6, 17, 7.2), 1.5, 1.5);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawPath(outline);
    QPolygonF clearTip({{-6, -3.6}, {-11, 0}, {-6, 3.6}});
    p.drawPolygon(clearTip);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Fill(p, QRectF(-4, -2.5, 9, 5), QColor(245, 170, 40));
    Fill(p, QRectF(5, -2.5, 2, 5), QColor(196, 200, 210));
    Fill(p, QRectF(7, -2.5, 2.5, 5), QColor(232, 120, 120), 1);
    p.setBrush(QColor(240, 212, 166));
    p.drawPolygon(QPolygonF({{-4, -2.5}, {-9, 0}, {-4, 2.5}}));
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{-7.2, -0.9}, {-9, 0}, {-7.2, 0.9}}));
    p.restore();
}

// Tree glyphs: 18 pixels high, the height of a tree row.

constexpr int kTreeRowHeight = 18;
constexpr int kTreeMiddle = 8;  // the row of the text's visual middle (font size 10 at row top)

// Group glyph: the expander in the first 10 pixels (the clickable box), then the folder.
QImage TreeGroup(int kind) {
    return Draw(28, kTreeRowHeight, [kind](QPainter& p) {
        if (kind == 0) Triangle(p, 4, kTreeMiddle - 1, 'd', kExpander);
        if (kind == 1) Triangle(p, 3, kTreeMiddle, 'r', kExpander);
        Folder(p, QRect(12, kTreeMiddle - 6, 16, 13), kind == 0);
    });
}

// Account glyph: the tree line from the group above (running on for an inner account) and the
// account's wallet. The line stands under the middle of the group's folder.
QImage TreeAccount(bool last) {
    return Draw(22, kTreeRowHeight, [last](QPainter& p) {
        Fill(p, QRectF(0, 0, 1, last ? kTreeMiddle + 1 : kTreeRowHeight), kTreeLine);
        Fill(p, QRectF(1, kTreeMiddle, 5, 1), kTreeLine);
        Wallet(p, QRect(7, kTreeMiddle - 5, 14, 11));
    });
}

std::vector<QImage> TreeGlyphs() {
    std::vector<QImage> glyphs;
    for (int kind = 0; kind < 3; ++kind) glyphs.push_back(Over(TreeGroup(kind), kGroupRow));
    for (bool last : {false, true}) glyphs.push_back(Over(TreeAccount(last), kAccountRow));
    return glyphs;
}

// Scroll bars: 16 pixels wide; a hairline at the left parts the bar from the rows.

constexpr int kScrollWidth = 16;
constexpr int kArrowHeight = 16;  // also the drop-down button of a ledger cell
constexpr int kThumbHeight = 30;
constexpr int kTrackHeight = 4;

QImage ScrollFace(int height, const QColor& face) {
    QImage image(kScrollWidth, height, QImage::Format_RGB32);
    image.fill(face);
    QPainter p(&image);
    p.fillRect(0, 0, 1, height, kHairline);
    return image;
}

QImage Arrow(char dir, const ScrollState& s) {
    QImage image = ScrollFace(kArrowHeight, s.face);
    QPainter p(&image);
    Triangle(p, 8, dir == 'u' ? 9 : 6, dir, s.ink);
    return image;
}

QImage Thumb(const ScrollState& s) {
    QImage image = ScrollFace(kThumbHeight, kTrack);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Fill(p, QRectF(4, 1, 9, kThumbHeight - 2), s.thumb, 4.5);
    return image;
}

std::vector<QImage> ScrollGlyphs() {
    std::vector<QImage> glyphs = {Arrow('u', kScrollNormal), ScrollFace(kTrackHeight, kTrack),
                                  Thumb(kScrollNormal), Arrow('d', kScrollNormal)};
    for (const ScrollState* s : {&kScrollHot, &kScrollPressed, &kScrollDisabled}) {
        glyphs.push_back(Arrow('u', *s));
        glyphs.push_back(Thumb(*s));
        glyphs.push_back(Arrow('d', *s));
    }
    return glyphs;
}

// The attached-files mark: a cell button like the drop-down button, with a paper clip.
QImage FilesGlyph() {
    QImage image = ScrollFace(kArrowHeight, kScrollNormal.face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(8.5, 8);
    p.rotate(40);
    // Four strands 1.6 pixels apart: the inner loop, the top bend, the outer loop.
    QPainterPath clip;
    clip.moveTo(-0.8, -2);
    clip.lineTo(-0.8, 2.5);
    clip.arcTo(QRectF(-0.8, 1.7, 1.6, 1.6), 180, 180);
    clip.lineTo(0.8, -4.5);
    clip.arcTo(QRectF(-2.4, -6.1, 3.2, 3.2), 0, 180);
    clip.lineTo(-2.4, 3.5);
    clip.arcTo(QRectF(-2.4, 1.1, 4.8, 4.8), 180, 180);
    clip.lineTo(2.4, -1.5);
    Stroke(p, clip, kScrollNormal.ink.darker(140), 1.1);
    return image;
}

// Tab strip: 23 pixels high; the strip's base line runs along its last row.

constexpr int kStripHeight = 23;
constexpr int kTabTop = 2;
constexpr int kEdgeWidth = 5;
constexpr int kMiddleWidth = 4;

// A whole tab, edges and middle, to be cut into its three pieces. The current tab has no base
// line under it, so it opens into the view below.
QImage Tab(bool current) {
    const QColor fill = current ? kTabCurrent : kTabInactive;
    const int width = 2 * kEdgeWidth + kMiddleWidth;
    QImage image(width, kStripHeight, QImage::Format_RGB32);
    image.fill(kBand);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    const double l = 1.5, r = width - 1.5, bottom = kStripHeight + 1, radius = 3;
    shape.moveTo(l, bottom);
    shape.lineTo(l, kTabTop + 0.5 + radius);
    shape.quadTo(l, kTabTop + 0.5, l + radius, kTabTop + 0.5);
    shape.lineTo(r - radius, kTabTop + 0.5);
    shape.quadTo(r, kTabTop + 0.5, r, kTabTop + 0.5 + radius);
    shape.lineTo(r, bottom);
    p.setPen(QPen(kBaseLine, 1));
    p.setBrush(fill);
    p.drawPath(shape);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, kStripHeight - 1, width, 1, kBaseLine);
    if (current) p.fillRect(2, kStripHeight - 1, width - 4, 1, fill);
    return image;
}

// The close box of a tab, on the tab's colour; hovered it lights up red.
QImage CloseBox(bool current, bool hot) {
    const QColor fill = current ? kTabCurrent : kTabInactive;
    QImage glyph = Draw(16, 16, [hot](QPainter& p) {
        if (hot) Fill(p, QRectF(1, 1, 14, 14), kRed, 3);
        QPainterPath cross;
        cross.moveTo(5, 5), cross.lineTo(11, 11);
        cross.moveTo(11, 5), cross.lineTo(5, 11);
        Stroke(p, cross, hot ? QColor(Qt::white) : QColor(96, 106, 120), 1.6);
    });
    return Over(glyph, fill);
}

// Tab kind icons, 16 by 16, with whole-pixel outer edges: they are keyed out on either tab.
QImage TreeIcon() {
    return Draw(16, 16, [](QPainter& p) { Folder(p, QRect(0, 1, 16, 13), false); });
}

QImage LedgerIcon() {
    return Draw(16, 16, [](QPainter& p) { Sheet(p, QRect(2, 0, 12, 16)); });
}

QImage ReportIcon() {
    return Draw(16, 16, [](QPainter& p) {
        Fill(p, QRectF(2, 7, 3, 7), kGreen);
        Fill(p, QRectF(6, 2, 3, 12), kBlue);
        Fill(p, QRectF(10, 5, 3, 9), kFolderBack);
        Fill(p, QRectF(0, 14, 16, 1), kInk);
    });
}

std::vector<QImage> HeadGlyphs() {
    std::vector<QImage> glyphs;
    for (bool current : {false, true}) {
        const QImage tab = Tab(current);
        glyphs.push_back(tab.copy(0, 0, kEdgeWidth, kStripHeight));
        glyphs.push_back(tab.copy(kEdgeWidth, 0, kMiddleWidth, kStripHeight));
        glyphs.push_back(tab.copy(kEdgeWidth + kMiddleWidth, 0, kEdgeWidth, kStripHeight));
        glyphs.push_back(CloseBox(current, true));
        glyphs.push_back(CloseBox(current, false));
    }
    for (const QImage& icon : {TreeIcon(), LedgerIcon(), ReportIcon()})
        glyphs.push_back(Over(icon, kTabInactive));
    return glyphs;
}

// Header buttons: 24 by 24 pictures on the band colour.

constexpr int kButtonGlyphSize = 24;

QImage Button(const std::function<void(QPainter&)>& draw) {
    return Draw(kButtonGlyphSize, kButtonGlyphSize, draw);
}

void Floppy(QPainter& p) {
    Fill(p, QRectF(3, 3, 18, 18), kBlue, 2);
    Fill(p, QRectF(7, 3, 10, 7), QColor(222, 228, 238));
    Fill(p, QRectF(13, 4, 2, 5), kBlue);
    Fill(p, QRectF(6, 13, 12, 8), kPaper, 1);
    Fill(p, QRectF(8, 15, 8, 1), kRule);
    Fill(p, QRectF(8, 18, 8, 1), kRule);
}

void TwoSheets(QPainter& p) {
    Sheet(p, QRect(3, 1, 12, 16));
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(8, 6, 15, 18), Qt::black);
    p.restore();
    Sheet(p, QRect(9, 7, 12, 16));
}

void Money(QPainter& p) {
    Fill(p, QRectF(1, 4, 18, 12), QColor(84, 158, 96), 1.5);
    Fill(p, QRectF(3, 6, 14, 8), QColor(124, 190, 132), 1);
    p.setBrush(QColor(84, 158, 96));
    p.drawEllipse(QPointF(10, 10), 2.5, 2.5);
    KnockOut(p, QPointF(16, 16), 7.5);
    p.setBrush(QColor(208, 150, 30));
    p.drawEllipse(QPointF(16, 16), 6.5, 6.5);
    p.setBrush(QColor(244, 194, 64));
    p.drawEllipse(QPointF(16, 16), 5, 5);
    p.setPen(QPen(QColor(208, 150, 30), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 2.6, 2.6);
    p.setPen(Qt::NoPen);
}

std::vector<QImage> LedgerButtons() {
    auto sheet = [](QPainter& p) { Sheet(p, QRect(4, 2, 15, 20)); };
    return {Button(Floppy),
            Button([&](QPainter& p) { sheet(p), PlusBadge(p); }),
            Button(TwoSheets),
            Button([&](QPainter& p) { sheet(p), PencilBadge(p); }),
            Button([&](QPainter& p) { sheet(p), DeleteBadge(p); }),
            Button([&](QPainter& p) { sheet(p), GoToBadge(p); })};
}

std::vector<QImage> TreeButtons() {
    auto wallet = [](QPainter& p) { Wallet(p, QRect(0, 5, 20, 14), true); };
    auto folder = [](QPainter& p) { Folder(p, QRect(1, 3, 21, 17), false); };
    return {Button([&](QPainter& p) { wallet(p), PlusBadge(p); }),
            Button([&](QPainter& p) { wallet(p), PencilBadge(p); }),
            Button([&](QPainter& p) { wallet(p), DeleteBadge(p); }),
            Button(Money),
            Button([&](QPainter& p) { folder(p), PlusBadge(p); }),
            Button([&](QPainter& p) { folder(p), PencilBadge(p); }),
            Button([&](QPainter& p) { folder(p), DeleteBadge(p); })};
}

// Ledger buttons then tree buttons, all normal, then the same all disabled.
std::vector<QImage> ButtonGlyphs() {
    std::vector<QImage> pictures = LedgerButtons();
    for (QImage& picture : TreeButtons()) pictures.push_back(picture);
    std::vector<QImage> glyphs;
    for (const QImage& picture : pictures) glyphs.push_back(Over(picture, kBand));
    for (const QImage& picture : pictures) glyphs.push_back(Over(Disabled(picture), kBand));
    return glyphs;
}

// The band under the menu bar, stretched across the window: a darker line, then a short fade
// into the band colour of the buttons.
QImage HeadBar() {
    QImage image(8, 4, QImage::Format_RGB32);
    const QColor rows[] = {QColor(150, 178, 218), QColor(160, 189, 232), QColor(167, 195, 236),
                           kBand};
    QPainter p(&image);
    for (int y = 0; y < 4; ++y) p.fillRect(0, y, 8, 1, rows[y]);
    return image;
}

// Sheets.

bool IsMagenta(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
}

// One row of cells, each as wide as the widest glyph plus its marker and one spare pixel.
QImage Assemble(const std::vector<QImage>& glyphs) {
    int width = 0, height = 0;
    for (const QImage& g : glyphs)
        width = std::max(width, g.width()), height = std::max(height, g.height());
    const int pitch = width + 2;
    QImage sheet(pitch * static_cast<int>(glyphs.size()), height + 1, QImage::Format_RGB32);
    sheet.fill(kSheetFiller);
    QPainter p(&sheet);
    for (size_t i = 0; i < glyphs.size(); ++i)
        p.drawImage(static_cast<int>(i) * pitch, 0, glyphs[i]);
    p.end();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const int x0 = static_cast<int>(i) * pitch;
        const QImage& g = glyphs[i];
        for (int x = 0; x < g.width(); ++x)
            if (IsMagenta(sheet, x0 + x, 0))
                throw std::runtime_error("magenta in a glyph's top row");
        for (int y = 0; y < g.height(); ++y)
            if (IsMagenta(sheet, x0, y))
                throw std::runtime_error("magenta in a glyph's left column");
        sheet.setPixelColor(x0 + g.width(), 0, kMagenta);
        sheet.setPixelColor(x0, g.height(), kMagenta);
    }
    return sheet;
}

void Write(const QDir& dir, const char* name, const std::vector<QImage>& glyphs) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!Assemble(glyphs).save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glyphgen <output folder>\n");
        return 2;
    }
    try {
        const QDir dir(QString::fromLocal8Bit(argv[1]));
        if (!dir.exists()) throw std::runtime_error(std::string("no folder ") + argv[1]);
        Write(dir, "tree.png", TreeGlyphs());
        Write(dir, "scroll.png", ScrollGlyphs());
        Write(dir, "head.png", HeadGlyphs());
        Write(dir, "buttons.png", ButtonGlyphs());
        Write(dir, "files.png", {FilesGlyph()});
        Write(dir, "headbar.png", {HeadBar()});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "glyphgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
