// Cutting the main window's glyph sets out of the carried image sheets.
#include "app/window/glyphs.h"

#include <QString>
#include <cstdint>
#include <mutex>

#include "platform/sysutils.h"

// The resource file is compiled into a static library, whose registration object the linker
// would drop unless something refers to it; Q_INIT_RESOURCE must stand outside any namespace.
static void InitGlyphResources() {
    Q_INIT_RESOURCE(resources);
}

namespace qm {
namespace {

// The row colours the transparent glyphs are drawn on in their sheets; their key colours.
constexpr TColor kGroupRowColor = RGB(208, 208, 208);
constexpr TColor kAccountRowColor = RGB(255, 255, 255);
constexpr TColor kInactiveTabColor = RGB(200, 220, 246);

constexpr int kTreeGlyphCount = 5;
constexpr int kScrollGlyphCount = 13;
constexpr int kHeadGlyphCount = 13;
constexpr int kLedgerButtonCount = 6;
constexpr int kTreeButtonCount = 7;
constexpr int kFirstTabIcon = 10;

// Markers are opaque magenta; a see-through pixel of that colour is part of a picture.
bool IsMarker(QRgb pixel) {
    return pixel == qRgba(255, 0, 255, 255);
}

// Length of the run of pixels from (x, y) stepping by (dx, dy), at most `limit`, that ends
// before the first marker.
int RunBeforeMarker(const QImage& image, int x, int y, int dx, int dy, int limit) {
    int n = 0;
    while (n < limit && !IsMarker(image.pixel(x + n * dx, y + n * dy))) ++n;
    return n;
}

QImage ReadSheet(const QString& name) {
    static std::once_flag registered;
    std::call_once(registered, InitGlyphResources);
    const QString path = QStringLiteral(":/glyphs/") + name;
    QImage sheet(path);
    if (sheet.isNull()) throw EInvalidGraphic("Cannot read the glyph sheet " + FromQString(path));
    return sheet;
}

// The sheet's cells are its width divided by the number of glyphs it holds.
std::vector<TBitmap> LoadSet(const QString& name, int count) {
    const QImage sheet = ReadSheet(name);
    if (sheet.width() % count != 0)
        throw Exception("The glyph sheet " + FromQString(name) + " is not " + IntToStr(count) +
                        " cells wide");
    return CutGlyphs(sheet, sheet.width() / count, count);
}

void MakeTransparent(TBitmap& glyph, TColor key) {
    glyph.SetTransparent(true);
    glyph.SetTransparentColor(key);
}

}  // namespace

std::vector<TBitmap> CutGlyphs(const QImage& sheet, int cellPitch, int count) {
    if (cellPitch <= 0 || count <= 0)
        throw Exception("Glyph cells need a positive pitch and count");
    if (static_cast<int64_t>(cellPitch) * count > sheet.width() || sheet.height() <= 0)
        throw Exception("Glyph cells lie outside their sheet");
    const QImage image = sheet.convertToFormat(QImage::Format_ARGB32);
    std::vector<TBitmap> glyphs;
    glyphs.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int left = i * cellPitch;
        const int width = RunBeforeMarker(image, left, 0, 1, 0, cellPitch);
        const int height = RunBeforeMarker(image, left, 0, 0, 1, image.height());
        if (width == 0 || height == 0)
            glyphs.emplace_back();
        else
            glyphs.emplace_back(image.copy(left, 0, width, height));
    }
    return glyphs;
}

std::vector<TBitmap> LoadTreeGlyphs() {
    std::vector<TBitmap> glyphs = LoadSet(QStringLiteral("tree.png"), kTreeGlyphCount);
    for (int kind = 0; kind < kTreeGlyphCount; ++kind)
        MakeTransparent(glyphs[kind], kind <= 2 ? kGroupRowColor : kAccountRowColor);
    return glyphs;
}

std::vector<TBitmap> LoadScrollGlyphs() {
    return LoadSet(QStringLiteral("scroll.png"), kScrollGlyphCount);
}

std::vector<TBitmap> LoadHeadGlyphs() {
    std::vector<TBitmap> glyphs = LoadSet(QStringLiteral("head.png"), kHeadGlyphCount);
    for (int i = kFirstTabIcon; i < kHeadGlyphCount; ++i)
        MakeTransparent(glyphs[i], kInactiveTabColor);
    return glyphs;
}

// The sheet holds the ledger's then the tree's buttons, first all normal, then all disabled.
std::array<std::vector<THeadButtonGlyphs>, 2> LoadButtonGlyphs() {
    constexpr int buttons = kLedgerButtonCount + kTreeButtonCount;
    std::vector<TBitmap> glyphs = LoadSet(QStringLiteral("buttons.png"), 2 * buttons);
    std::array<std::vector<THeadButtonGlyphs>, 2> groups;
    for (int i = 0; i < buttons; ++i) {
        auto& group = groups[i < kLedgerButtonCount ? 0 : 1];
        group.push_back({std::move(glyphs[i]), std::move(glyphs[buttons + i])});
    }
    return groups;
}

TBitmap LoadFilesGlyph() {
    return std::move(LoadSet(QStringLiteral("files.png"), 1).front());
}

TBitmap LoadHeadBarBitmap() {
    return std::move(LoadSet(QStringLiteral("headbar.png"), 1).front());
}

}  // namespace qm
