// The glyph cutter's magenta rule on made-up sheets, and the carried glyph sets against the
// window's geometry and colours.
#include "app/window/glyphs.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <deque>
#include <utility>

#include "platform/graphics.h"
#include "platform/sysutils.h"

using namespace qm;

namespace {

const QRgb kMagenta = qRgb(255, 0, 255);

// A sheet of `count` cells of `pitch` pixels; every cell is filled with its own grey so that a
// cut that strays into a neighbour shows.
QImage MakeSheet(int pitch, int count, int height) {
    QImage sheet(pitch * count, height, QImage::Format_ARGB32);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < pitch; ++x)
                sheet.setPixel(i * pitch + x, y, qRgb(40 * i, 40 * i, 40 * i));
    return sheet;
}

std::pair<int, int> SizeOf(const TBitmap& b) {
    return {b.Width(), b.Height()};
}

TColor At(const TBitmap& b, int x, int y) {
    return FromQColor(QColor(b.Image().pixel(x, y)));
}

// True when every pixel of the key colour can be reached from the glyph's border through pixels
// of that colour: keying out the background then punches no hole into the picture.
bool KeyOnlyAroundPicture(const TBitmap& b, TColor key) {
    const int w = b.Width(), h = b.Height();
    std::vector<char> seen(static_cast<size_t>(w * h), 0);
    std::deque<std::pair<int, int>> todo;
    int keyPixels = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (At(b, x, y) == key) {
                ++keyPixels;
                if (x == 0 || y == 0 || x == w - 1 || y == h - 1) todo.push_back({x, y});
            }
    int reached = 0;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop_front();
        if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x] || !(At(b, x, y) == key))
            continue;
        seen[y * w + x] = 1;
        ++reached;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
            todo.push_back({x + dx, y + dy});
    }
    return reached == keyPixels;
}

double MeanLightness(const TBitmap& b) {
    double sum = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) sum += QColor(b.Image().pixel(x, y)).lightnessF();
    return sum / (b.Width() * b.Height());
}

}  // namespace

TEST(Glyphs, CutSizesFollowTheFirstMagentaInTopRowAndLeftColumn) {
    QImage sheet = MakeSheet(10, 5, 8);
    // Cell 0: markers right of a 4-pixel width and below a 3-pixel height; a second marker
    // further on does not count.
    sheet.setPixel(4, 0, kMagenta);
    sheet.setPixel(7, 0, kMagenta);
    sheet.setPixel(0, 3, kMagenta);
    // Cell 1: no marker, the whole cell, although cell 2 starts with a marker.
    // Cell 2: a marker at position 0 gives an empty glyph.
    sheet.setPixel(20, 0, kMagenta);
    // Cell 3: a width marker only; magenta inside the picture and near-magenta do not cut.
    sheet.setPixel(36, 0, kMagenta);
    sheet.setPixel(32, 4, kMagenta);
    sheet.setPixel(30, 5, qRgb(254, 0, 255));
    sheet.setPixel(31, 0, qRgb(255, 0, 254));
    // Cell 4: a height marker only, and a see-through magenta pixel is no marker.
    sheet.setPixel(40, 6, kMagenta);
    sheet.setPixel(43, 0, qRgba(255, 0, 255, 0));

    const std::vector<TBitmap> glyphs = CutGlyphs(sheet, 10, 5);
    ASSERT_EQ(glyphs.size(), 5u);
    EXPECT_EQ(SizeOf(glyphs[0]), std::pair(4, 3));
    EXPECT_EQ(SizeOf(glyphs[1]), std::pair(10, 8));
    EXPECT_TRUE(glyphs[2].Empty());
    EXPECT_EQ(SizeOf(glyphs[3]), std::pair(6, 8));
    EXPECT_EQ(SizeOf(glyphs[4]), std::pair(10, 6));

    // The pictures come from their own cells.
    EXPECT_EQ(At(glyphs[0], 3, 2), RGB(0, 0, 0));
    EXPECT_EQ(At(glyphs[1], 9, 7), RGB(40, 40, 40));
    EXPECT_EQ(At(glyphs[3], 2, 4), RGB(255, 0, 255));
    EXPECT_EQ(At(glyphs[4], 9, 5), RGB(160, 160, 160));

    // A marker right under the top row leaves a glyph one pixel high.
    QImage thin = MakeSheet(3, 1, 4);
    thin.setPixel(0, 1, kMagenta);
    EXPECT_EQ(SizeOf(CutGlyphs(thin, 3, 1)[0]), std::pair(3, 1));
}

TEST(Glyphs, CutRefusesCellsThatDoNotFitTheSheet) {
    const QImage sheet = MakeSheet(10, 3, 8);
    EXPECT_THROW(CutGlyphs(sheet, 0, 3), Exception);
    EXPECT_THROW(CutGlyphs(sheet, 10, 0), Exception);
    EXPECT_THROW(CutGlyphs(sheet, -10, 3), Exception);
    EXPECT_THROW(CutGlyphs(sheet, 10, 4), Exception);
    EXPECT_THROW(CutGlyphs(sheet, 1 << 30, 1 << 30), Exception);
    EXPECT_THROW(CutGlyphs(QImage(), 10, 1), Exception);
    EXPECT_EQ(CutGlyphs(sheet, 15, 2).size(), 2u);  // a pitch need not fill the sheet
}

TEST(Glyphs, TreeGlyphsFitTreeRowsAndKeyOutOnSelectedRows) {
    const std::vector<TBitmap> tree = LoadTreeGlyphs();
    ASSERT_EQ(tree.size(), 5u);
    for (int kind = 0; kind < 5; ++kind) {
        SCOPED_TRACE(kind);
        const TBitmap& g = tree[kind];
        EXPECT_EQ(g.Height(), 18);  // one tree row; account lines join from row to row
        // A group's first 10 pixels are its expander box.
        EXPECT_GT(g.Width(), kind <= 2 ? 10 : 0);
        EXPECT_TRUE(g.Transparent());
        const TColor row = kind <= 2 ? RGB(208, 208, 208) : RGB(255, 255, 255);
        EXPECT_EQ(g.TransparentColor(), row);
        EXPECT_EQ(At(g, g.Width() - 1, 0), row);
        EXPECT_TRUE(KeyOnlyAroundPicture(g, row));
    }
    // The line of an inner account runs through the row; the last account's line stops.
    EXPECT_NE(At(tree[3], 0, 17), RGB(255, 255, 255));
    EXPECT_EQ(At(tree[4], 0, 17), RGB(255, 255, 255));
    // Open, closed and empty groups look different.
    EXPECT_NE(tree[0].Image(), tree[1].Image());
    EXPECT_NE(tree[1].Image(), tree[2].Image());
}

TEST(Glyphs, ScrollGlyphsFitTheBarAndTheLedgerCellButton) {
    const std::vector<TBitmap> scroll = LoadScrollGlyphs();
    ASSERT_EQ(scroll.size(), 13u);
    for (const TBitmap& g : scroll) EXPECT_EQ(g.Width(), 16);
    // Hovered, pressed and disabled forms keep the size of the normal ones, so the thumb's
    // travel and the arrows' hit boxes do not change with the state.
    const int up = 0, thumb = 2, down = 3;
    for (int state : {4, 7, 10}) {
        EXPECT_EQ(scroll[state].Height(), scroll[up].Height());
        EXPECT_EQ(scroll[state + 1].Height(), scroll[thumb].Height());
        EXPECT_EQ(scroll[state + 2].Height(), scroll[down].Height());
        EXPECT_NE(scroll[state].Image(), scroll[up].Image());
        EXPECT_NE(scroll[state + 1].Image(), scroll[thumb].Image());
    }
    EXPECT_GE(scroll[1].Height(), 1);
    // The down arrow is also the drop-down button at the top of a ledger cell, which is a row
    // (the text height of "1" in Arial 9, plus 4) less its grid line and the white line under
    // the button.
    TBitmap canvas(10, 10);
    canvas.Canvas().Font.Size = 9;
    const int rowHeight = canvas.Canvas().TextHeight("1") + 4;
    EXPECT_LE(scroll[down].Height(), rowHeight - 2);
    EXPECT_GE(scroll[down].Height(), rowHeight - 4);
}

TEST(Glyphs, TabPiecesFillTheStripAndJoinItsBaseLine) {
    const std::vector<TBitmap> head = LoadHeadGlyphs();
    ASSERT_EQ(head.size(), 13u);
    const TColor band = RGB(173, 201, 240), baseLine = RGB(145, 155, 156);
    for (int first : {0, 5}) {
        SCOPED_TRACE(first);
        for (int piece = first; piece < first + 3; ++piece) {
            EXPECT_EQ(head[piece].Height(), 23);
            EXPECT_EQ(At(head[piece], 0, 0), band);  // the strip shows above the tab
        }
        // Both close boxes have one size and fit inside the tab.
        EXPECT_EQ(SizeOf(head[first + 3]), SizeOf(head[first + 4]));
        EXPECT_LE(head[first + 3].Height(), 23 - 4);
        EXPECT_NE(head[first + 3].Image(), head[first + 4].Image());
    }
    // Edges of both kinds of tab have one width, so tab rectangles do not shift when the current
    // tab changes.
    EXPECT_EQ(head[0].Width(), head[5].Width());
    EXPECT_EQ(head[2].Width(), head[7].Width());
    // Inactive tabs stand on the base line; the current tab opens into the view below it.
    for (int piece : {0, 1, 2}) EXPECT_EQ(At(head[piece], head[piece].Width() / 2, 22), baseLine);
    EXPECT_NE(At(head[6], 0, 22), baseLine);
    for (int icon = 10; icon < 13; ++icon) {
        SCOPED_TRACE(icon);
        EXPECT_LE(head[icon].Height(), 23 - 4);
        EXPECT_TRUE(head[icon].Transparent());
        EXPECT_EQ(head[icon].TransparentColor(), At(head[1], 0, 10));  // the inactive tab
        EXPECT_TRUE(KeyOnlyAroundPicture(head[icon], head[icon].TransparentColor()));
    }
}

TEST(Glyphs, HeaderButtonsFitBetweenTheBandAndTheTabStrip) {
    const auto groups = LoadButtonGlyphs();
    ASSERT_EQ(groups[0].size(), 6u);
    ASSERT_EQ(groups[1].size(), 7u);
    const TBitmap bar = LoadHeadBarBitmap();
    ASSERT_FALSE(bar.Empty());
    EXPECT_LE(bar.Height(), 8);
    const int menuBar = 25, captionLines = 2 * 16, tabStripTop = 100;
    const TColor band = RGB(173, 201, 240);
    for (const auto& group : groups) {
        for (const THeadButtonGlyphs& b : group) {
            ASSERT_FALSE(b.Glyph.Empty());
            EXPECT_EQ(SizeOf(b.Glyph), SizeOf(b.DisabledGlyph));
            EXPECT_LE(menuBar + bar.Height() + b.Glyph.Height() + 6 + captionLines, tabStripTop);
            // Drawn on the band colour, the picture's corners are the band itself.
            EXPECT_EQ(At(b.Glyph, 0, 0), band);
            EXPECT_EQ(At(b.DisabledGlyph, 0, 0), band);
            EXPECT_GT(MeanLightness(b.DisabledGlyph), MeanLightness(b.Glyph));
        }
    }
    // Every button has its own picture.
    for (size_t i = 0; i < groups[1].size(); ++i)
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(groups[1][i].Glyph.Image(), groups[1][j].Glyph.Image());
}

TEST(Glyphs, FilesMarkMatchesTheDropDownButton) {
    const TBitmap files = LoadFilesGlyph();
    const TBitmap dropDown = LoadScrollGlyphs()[3];
    EXPECT_EQ(SizeOf(files), SizeOf(dropDown));
    EXPECT_NE(files.Image(), dropDown.Image());
}
