// Draws the program's icon for the desktop's menu: a ruled ledger page over a blue tile with a
// gold coin, written as PNG files in the sizes of the hicolor icon theme.
// Usage: icongen <output folder>; writes <folder>/<N>x<N>/apps/quillmarsh.png.
//
// The picture is drawn on a 256-unit square scaled to each size. Small sizes keep fewer rules
// and thicker strokes, so that the page still reads as ruled at 16 pixels.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

const QColor kTile(70, 124, 186);
const QColor kTileEdge(38, 84, 146);
const QColor kPage(252, 252, 249);
const QColor kRule(150, 172, 204);
const QColor kInk(64, 78, 100);
const QColor kCoin(246, 194, 80);
const QColor kCoinEdge(190, 130, 30);

// The sizes the hicolor theme lists for applications.
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    const bool small = size < 32;
    // A unit of stroke that is at least one pixel at every size.
    const qreal px = 256.0 / size;

    // The tile.
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    p.fillPath(tile, kTile);
    p.setPen(QPen(kTileEdge, std::max(6.0, px)));
    p.drawPath(tile);

    // The page, turned a little, with its ruled lines and a column rule.
    p.save();
    p.translate(118, 124);
    p.rotate(-6);
    const QRectF page(-74, -92, 148, 184);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(page.translated(6, 8), 10, 10);
    p.setBrush(kPage);
    p.drawRoundedRect(page, 10, 10);
    const int rules = small ? 3 : 6;
    const qreal step = 150.0 / (rules + 1);
    p.setPen(QPen(kRule, std::max(small ? 2 * px : 5.0, px), Qt::SolidLine, Qt::FlatCap));
    for (int i = 1; i <= rules; ++i) {
        const qreal y = page.top() + 18 + i * step;
        p.drawLine(QPointF(page.left() + 14, y), QPointF(page.right() - 14, y));
    }
    if (!small) {
        p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(34, page.top() + 20), QPointF(34, page.bottom() - 16));
        // A heading line of ink.
        p.setPen(QPen(kInk, 10, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(page.left() + 20, page.top() + 22), QPointF(10, page.top() + 22));
    }
    p.restore();

    // The coin at the lower right, over the page's corner.
    const QRectF coin(144, 144, 92, 92);
    p.setPen(QPen(kCoinEdge, std::max(7.0, px)));
    p.setBrush(kCoin);
    p.drawEllipse(coin);
    if (!small) {
        p.setPen(QPen(kCoinEdge, 6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(coin.adjusted(16, 16, -16, -16));
    }
    p.end();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <output folder>\n");
        return 2;
    }
    try {
        const QDir dir(QString::fromLocal8Bit(argv[1]));
        for (int size : kSizes) {
            const QString folder = QStringLiteral("%1x%1/apps").arg(size);
            if (!dir.mkpath(folder))
                throw std::runtime_error("cannot make " + dir.filePath(folder).toStdString());
            const QString path = dir.filePath(folder + "/quillmarsh.png");
            if (!Icon(size).save(path, "PNG"))
                throw std::runtime_error("cannot write " + path.toStdString());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "icongen: %s\n", e.what());
        return 1;
    }
    return 0;
}
