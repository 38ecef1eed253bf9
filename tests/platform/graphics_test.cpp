// The canvas's drawing rules checked on the pixels they produce, and printing read back from PDF.
#include "platform/graphics.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <functional>
#include <numbers>
#include <thread>
#include <vector>

#include "platform/offscreen_widget.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

constexpr TColor kGrey = RGB(200, 200, 200);

TBitmap Filled(int width, int height, TColor colour) {
    TBitmap bitmap(width, height);
    bitmap.Canvas().Brush.Color = colour;
    bitmap.Canvas().FillRect(Rect(0, 0, width, height));
    return bitmap;
}

TColor At(const QImage& image, int x, int y) {
    return FromQColor(QColor(image.pixel(x, y)));
}

bool Dark(TColor c) {
    return c.r + c.g + c.b < 3 * 128;
}

int CountWhere(const QImage& image, const QRect& area, const std::function<bool(TColor)>& test) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += test(At(image, x, y)) ? 1 : 0;
    return n;
}

// The pixels outside `inside` that differ between two pictures of one size.
int ChangedOutside(const QImage& before, const QImage& after, const QRect& inside) {
    int n = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (!inside.contains(x, y) && before.pixel(x, y) != after.pixel(x, y)) ++n;
    return n;
}

int RightmostDarkColumn(const QImage& image) {
    for (int x = image.width() - 1; x >= 0; --x)
        if (CountWhere(image, QRect(x, 0, 1, image.height()), Dark) > 0) return x;
    return -1;
}

}  // namespace

TEST(Canvas, TextOutFillsTheTextBoxUnlessTheBrushIsClear) {
    TBitmap bitmap = Filled(120, 40, kGrey);
    TCanvas& c = bitmap.Canvas();
    c.Font.Size = 9;
    c.Brush.Color = clLime;
    c.TextOut(10, 5, "Hi 1");
    const int w = c.TextWidth("Hi 1"), h = c.TextHeight("Hi 1");
    EXPECT_EQ(c.PenPos, (TPoint{10 + w, 5}));
    QImage img = bitmap.Image().copy();
    const QRect box(10, 5, w, h);
    EXPECT_EQ(At(img, 10, 5), clLime);
    EXPECT_EQ(CountWhere(img, box, [](TColor p) { return p == kGrey; }), 0);
    EXPECT_GT(CountWhere(img, box, Dark), 5);
    EXPECT_EQ(ChangedOutside(Filled(120, 40, kGrey).Image(), img, box), 0);

    c.Brush.Style = bsClear;
    c.TextOut(10, 22, "Hi 1");
    img = bitmap.Image().copy();
    const QRect clearBox(10, 22, w, h);
    EXPECT_EQ(CountWhere(img, clearBox, [](TColor p) { return p == clLime; }), 0);
    EXPECT_GT(CountWhere(img, clearBox, [](TColor p) { return p == kGrey; }), w * h / 2);
    EXPECT_GT(CountWhere(img, clearBox, Dark), 5);
}

TEST(Canvas, LineToLeavesOutItsEndPixelAndMovesThePen) {
    TBitmap bitmap(40, 40);
    TCanvas& c = bitmap.Canvas();
    c.MoveTo(2, 2);
    c.LineTo(10, 2);
    EXPECT_EQ(c.PenPos, (TPoint{10, 2}));
    EXPECT_EQ(c.Pixels(10, 2), clWhite);
    c.LineTo(10, 8);
    c.MoveTo(10, 30);
    c.LineTo(2, 30);
    c.MoveTo(20, 20);
    c.LineTo(30, 25);
    const QImage& img = bitmap.Image();
    for (int x = 2; x < 10; ++x) EXPECT_EQ(At(img, x, 2), clBlack) << x;
    EXPECT_EQ(At(img, 1, 2), clWhite);
    EXPECT_EQ(At(img, 10, 2), clBlack);  // the start of the second line
    EXPECT_EQ(At(img, 10, 7), clBlack);
    EXPECT_EQ(At(img, 10, 8), clWhite);
    EXPECT_EQ(At(img, 10, 30), clBlack);  // drawn right to left: the start is in, the end out
    EXPECT_EQ(At(img, 3, 30), clBlack);
    EXPECT_EQ(At(img, 2, 30), clWhite);
    EXPECT_EQ(At(img, 20, 20), clBlack);
    EXPECT_EQ(At(img, 30, 25), clWhite);
    EXPECT_EQ(CountWhere(img, QRect(20, 19, 12, 8), Dark), 10);
    for (int x = 20; x < 30; ++x) EXPECT_EQ(CountWhere(img, QRect(x, 19, 1, 8), Dark), 1) << x;

    c.Pen.Style = psClear;
    const QImage before = img.copy();
    c.LineTo(0, 39);
    EXPECT_EQ(c.PenPos, (TPoint{0, 39}));
    EXPECT_EQ(bitmap.Image(), before);
}

TEST(Canvas, FillRectAndRectangleLeaveOutRightAndBottom) {
    TBitmap bitmap(60, 20);
    TCanvas& c = bitmap.Canvas();
    c.Brush.Color = clRed;
    c.FillRect(Rect(5, 5, 15, 12));
    c.Brush.Color = clYellow;
    c.Rectangle(20, 5, 30, 12);
    c.Brush.Color = clBlue;
    c.FrameRect(Rect(40, 5, 50, 12));
    c.Brush.Style = bsClear;
    c.FillRect(Rect(0, 0, 60, 20));
    const QImage& img = bitmap.Image();
    EXPECT_EQ(CountWhere(img, QRect(0, 0, 20, 20), [](TColor p) { return p == clRed; }), 70);
    EXPECT_EQ(At(img, 14, 11), clRed);
    EXPECT_EQ(At(img, 15, 5), clWhite);
    EXPECT_EQ(At(img, 5, 12), clWhite);

    EXPECT_EQ(At(img, 20, 5), clBlack);
    EXPECT_EQ(At(img, 29, 11), clBlack);
    EXPECT_EQ(At(img, 25, 11), clBlack);
    EXPECT_EQ(At(img, 21, 6), clYellow);
    EXPECT_EQ(At(img, 28, 10), clYellow);
    EXPECT_EQ(At(img, 30, 5), clWhite);
    EXPECT_EQ(At(img, 20, 12), clWhite);

    EXPECT_EQ(At(img, 40, 5), clBlue);
    EXPECT_EQ(At(img, 49, 11), clBlue);
    EXPECT_EQ(At(img, 45, 8), clWhite);
    EXPECT_EQ(At(img, 50, 11), clWhite);
    EXPECT_EQ(CountWhere(img, QRect(38, 3, 14, 11), [](TColor p) { return p == clBlue; }), 30);
}

TEST(Canvas, TextRectChangesNothingOutsideItsRectangle) {
    TBitmap bitmap = Filled(80, 30, kGrey);
    TCanvas& c = bitmap.Canvas();
    c.Font.Size = 10;
    const QImage before = bitmap.Image().copy();
    const QRect box(10, 8, 25, 12);
    c.Brush.Color = clYellow;
    c.TextRect(Rect(10, 8, 35, 20), 4, 6, "Overlongnotetext");
    QImage img = bitmap.Image().copy();
    EXPECT_EQ(ChangedOutside(before, img, box), 0);
    EXPECT_EQ(CountWhere(img, box, [](TColor p) { return p == kGrey; }), 0);
    EXPECT_GT(CountWhere(img, box, Dark), 10);
    EXPECT_GT(CountWhere(img, QRect(33, 8, 2, 12), Dark), 0);  // the text runs to the cut

    // A clear brush leaves the rectangle's background alone.
    TBitmap second = Filled(80, 30, kGrey);
    second.Canvas().Brush.Style = bsClear;
    second.Canvas().TextRect(Rect(10, 8, 35, 20), 4, 6, "Overlongnotetext");
    img = second.Image().copy();
    EXPECT_EQ(ChangedOutside(before, img, box), 0);
    EXPECT_GT(CountWhere(img, box, [](TColor p) { return p == kGrey; }), 25 * 12 / 2);
    EXPECT_GT(CountWhere(img, box, Dark), 10);
    second.Canvas().TextRect(Rect(40, 8, 40, 20), 40, 8, "empty rectangle");
    EXPECT_EQ(second.Image(), img);
}

TEST(Canvas, StretchDrawAndCopyRectScaleWholePixels) {
    TBitmap source(2, 2);
    source.Canvas().SetPixels(0, 0, clRed);
    source.Canvas().SetPixels(1, 0, clLime);
    source.Canvas().SetPixels(0, 1, clBlue);
    source.Canvas().SetPixels(1, 1, clYellow);
    TBitmap target(40, 40);
    TCanvas& c = target.Canvas();
    c.StretchDraw(Rect(10, 10, 30, 30), source);
    const QImage& img = target.Image();
    auto uniform = [&](QRect area, TColor colour) {
        return CountWhere(img, area, [&](TColor p) { return p == colour; }) ==
               area.width() * area.height();
    };
    EXPECT_TRUE(uniform(QRect(10, 10, 10, 10), clRed));
    EXPECT_TRUE(uniform(QRect(20, 10, 10, 10), clLime));
    EXPECT_TRUE(uniform(QRect(10, 20, 10, 10), clBlue));
    EXPECT_TRUE(uniform(QRect(20, 20, 10, 10), clYellow));
    EXPECT_EQ(At(img, 30, 10), clWhite);
    EXPECT_EQ(At(img, 9, 29), clWhite);

    // Shrinking by two from the same canvas.
    c.CopyRect(Rect(0, 0, 10, 10), c, Rect(10, 10, 30, 30));
    EXPECT_TRUE(uniform(QRect(0, 0, 5, 5), clRed));
    EXPECT_TRUE(uniform(QRect(5, 5, 5, 5), clYellow));

    // Moving a strip right over itself, as the tab strip does, copies the old pixels.
    TBitmap strip(60, 3);
    for (int x = 0; x < 60; ++x)
        strip.Canvas().SetPixels(x, 1, RGB(x * 4, 255 - x * 4, x % 7 * 30));
    const QImage old = strip.Image().copy();
    strip.Canvas().CopyRect(Rect(10, 0, 50, 3), strip.Canvas(), Rect(0, 0, 40, 3));
    for (int x = 0; x < 40; ++x) EXPECT_EQ(strip.Image().pixel(x + 10, 1), old.pixel(x, 1)) << x;
}

TEST(Canvas, TransparentBitmapsLeaveTheirKeyColourOut) {
    TBitmap glyph = Filled(4, 4, clFuchsia);
    glyph.Canvas().SetPixels(1, 1, clNavy);
    TBitmap target = Filled(10, 10, kGrey);
    target.Canvas().Draw(2, 2, glyph);
    EXPECT_EQ(target.Canvas().Pixels(2, 2), clFuchsia);  // opaque until marked transparent
    glyph.SetTransparent(true);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);  // the bottom-left pixel by default
    target = Filled(10, 10, kGrey);
    target.Canvas().Draw(2, 2, glyph);
    EXPECT_EQ(target.Canvas().Pixels(2, 2), kGrey);
    EXPECT_EQ(target.Canvas().Pixels(3, 3), clNavy);
    glyph.SetTransparentColor(clNavy);
    target.Canvas().StretchDraw(Rect(0, 0, 8, 8), glyph);
    EXPECT_EQ(target.Canvas().Pixels(0, 0), clFuchsia);
    EXPECT_EQ(target.Canvas().Pixels(2, 2), kGrey);
}

TEST(Canvas, PieRunsCounterclockwiseFromTheFirstRadial) {
    auto pie = [](TPoint start, TPoint end) {
        TBitmap bitmap(101, 101);
        TCanvas& c = bitmap.Canvas();
        c.Brush.Color = clRed;
        c.Pen.Color = clRed;
        c.Pie(Rect(0, 0, 101, 101), start, end);
        const QImage& img = bitmap.Image();
        // Upper right, upper left, lower left, lower right.
        return std::vector<bool>{At(img, 75, 25) == clRed, At(img, 25, 25) == clRed,
                                 At(img, 25, 75) == clRed, At(img, 75, 75) == clRed};
    };
    const TPoint east{10050, 50}, north{50, -9950}, west{-9950, 50};
    EXPECT_EQ(pie(east, north), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(pie(north, east), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(pie(east, west), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(pie(east, {20050, 50}), (std::vector<bool>{true, true, true, true}));

    auto byAngles = [](double start, double end) {
        TBitmap bitmap(101, 101);
        bitmap.Canvas().Brush.Color = clRed;
        bitmap.Canvas().Pen.Style = psClear;
        bitmap.Canvas().PieByAngles(Rect(0, 0, 101, 101), start, end);
        return CountWhere(bitmap.Image(), QRect(0, 0, 101, 101),
                          [](TColor p) { return p == clRed; });
    };
    const double pi = std::numbers::pi;
    EXPECT_EQ(byAngles(1.0, 1.0), 0);
    EXPECT_LT(byAngles(1.0, 1.0 + 1e-6), 50);  // a sliver, never the whole ellipse
    const int full = byAngles(0, 2 * pi);
    EXPECT_GT(full, 7500);  // pi * 50 * 50 = 7854
    EXPECT_NEAR(byAngles(pi / 2, pi), full / 4.0, 150);
    EXPECT_EQ(byAngles(0, 3 * pi), full);

    TBitmap bitmap(60, 60);
    TCanvas& c = bitmap.Canvas();
    c.Brush.Color = clBlue;
    c.Ellipse(0, 0, 50, 50);
    EXPECT_EQ(c.Pixels(25, 25), clBlue);
    EXPECT_EQ(c.Pixels(1, 1), clWhite);
    EXPECT_EQ(c.Pixels(48, 48), clWhite);
    EXPECT_EQ(
        CountWhere(bitmap.Image(), QRect(50, 0, 10, 60), [](TColor p) { return p != clWhite; }), 0);
    EXPECT_EQ(
        CountWhere(bitmap.Image(), QRect(0, 50, 60, 10), [](TColor p) { return p != clWhite; }), 0);
}

TEST(Canvas, PolygonFillsInsideAndOutlinesEveryPoint) {
    TBitmap bitmap(100, 60);
    TCanvas& c = bitmap.Canvas();
    c.Brush.Color = clBlue;
    c.Polygon({{10, 10}, {50, 10}, {10, 50}});
    const QImage& img = bitmap.Image();
    EXPECT_EQ(At(img, 15, 15), clBlue);
    EXPECT_EQ(At(img, 25, 25), clBlue);
    EXPECT_EQ(At(img, 40, 40), clWhite);
    EXPECT_EQ(At(img, 10, 10), clBlack);
    EXPECT_EQ(At(img, 50, 10), clBlack);
    EXPECT_EQ(At(img, 10, 50), clBlack);
    EXPECT_EQ(At(img, 30, 30), clBlack);  // on the slanted edge
    EXPECT_EQ(At(img, 51, 10), clWhite);

    c.Polyline({{60, 10}, {80, 10}, {80, 30}});
    EXPECT_EQ(At(img, 60, 10), clBlack);
    EXPECT_EQ(At(img, 80, 10), clBlack);
    EXPECT_EQ(At(img, 80, 29), clBlack);
    EXPECT_EQ(At(img, 80, 30), clWhite);
    EXPECT_EQ(At(img, 70, 20), clWhite);  // a polyline is not filled
}

TEST(Canvas, TextWidthIsTheDrawnExtentInWholePixels) {
    for (TFontStyles style : {TFontStyles{}, TFontStyles{fsBold}}) {
        for (const AnsiString text : {"H", "Balance MW", "10.10.2010 H", "Total 1234,50 EUR"}) {
            TBitmap bitmap(300, 30);
            TCanvas& c = bitmap.Canvas();
            c.Font.Size = 9;
            c.Font.Style = style;
            c.Brush.Style = bsClear;
            c.TextOut(10, 5, text);
            const int right = RightmostDarkColumn(bitmap.Image());
            const int w = c.TextWidth(text);
            EXPECT_LT(right, 10 + w) << text;
            EXPECT_GE(right, 10 + w - 3) << text;
            // Caret and selection code puts pieces side by side: widths add up.
            for (size_t k = 0; k <= text.size(); ++k)
                EXPECT_EQ(c.TextWidth(text.substr(0, k)) + c.TextWidth(text.substr(k)), w)
                    << text << k;
        }
    }
    TBitmap bitmap(10, 10);
    TCanvas& c = bitmap.Canvas();
    c.Font.Size = 9;
    const int regular = c.TextWidth("Balance of accounts");
    c.Font.Style = {fsBold};
    EXPECT_GT(c.TextWidth("Balance of accounts"), regular);
}

// A text of millions of characters is measured and drawn as its first kShownTextLimit: the same
// width, and, of that part, exactly the pixels the part itself gives, wherever it starts.
TEST(Canvas, ALongTextCostsNoMoreThanItsFirstPartAndDrawsTheSame) {
    AnsiString text;
    while (text.size() < 3'000'000) text += "Wij-Mq. tail " + std::to_string(text.size()) + " ";
    const AnsiString first = text.substr(0, kShownTextLimit);
    TBitmap plain(400, 40), cut(400, 40);
    for (TBitmap* b : {&plain, &cut}) b->Canvas().Font.Size = 9;
    const size_t before = TextCharactersMeasured();
    EXPECT_EQ(cut.Canvas().TextWidth(text), plain.Canvas().TextWidth(first));
    EXPECT_LE(TextCharactersMeasured() - before, 2 * kShownTextLimit);
    // Starting left of the rectangle (a scrolled cell), inside it, and past the part's end.
    const int firstWidth = plain.Canvas().TextWidth(first);
    for (const int x : {20, -1234, -(firstWidth - 100), -(firstWidth + 50)}) {
        SCOPED_TRACE(x);
        for (TBitmap* b : {&plain, &cut}) b->Canvas().Brush.Color = clWhite;
        const size_t drawn = TextCharactersMeasured();
        cut.Canvas().TextRect(Rect(10, 5, 390, 20), x, 5, text);
        EXPECT_LE(TextCharactersMeasured() - drawn, kShownTextLimit);
        plain.Canvas().TextRect(Rect(10, 5, 390, 20), x, 5, first);
        EXPECT_EQ(cut.Image(), plain.Image());
        cut.Canvas().TextOut(x, 22, text);
        plain.Canvas().TextOut(x, 22, first);
        EXPECT_EQ(cut.Image(), plain.Image());
        EXPECT_EQ(cut.Canvas().PenPos.X, plain.Canvas().PenPos.X);
        if (x == 20) {
            EXPECT_GT(CountWhere(cut.Image(), QRect(10, 5, 380, 15), Dark), 100);
        }
    }
    // A measurer on another thread measures the same part.
    int measured = 0;
    auto measurer = cut.Canvas().Measurer();
    std::thread([&] { measured = measurer->Width(text); }).join();
    EXPECT_EQ(measured, firstWidth);
}

TEST(Canvas, ArialIsLiberationSansAtNinetySixDotsPerInch) {
    TBitmap bitmap(50, 20);
    TCanvas& c = bitmap.Canvas();
    c.Font.Name = "Arial";
    c.Font.Size = 9;
    c.TextOut(0, 0, "1");
    ASSERT_NE(c.Painter(), nullptr);
    EXPECT_EQ(QFontInfo(c.Painter()->font()).family(), "Liberation Sans");
    EXPECT_EQ(c.Font.Height(), -12);
    QImage reference(10, 10, QImage::Format_RGB32);
    reference.setDotsPerMeterX(3780);
    reference.setDotsPerMeterY(3780);
    QFont arial("Arial");
    arial.setPointSize(9);
    EXPECT_EQ(c.TextHeight("1"), QFontMetrics(arial, &reference).height());
    c.Font.Size = 8;
    EXPECT_EQ(c.Font.Height(), -11);  // 10.67 pixels round to 11, as the desktop rounds
    EXPECT_EQ(c.ClipRect(), Rect(0, 0, 50, 20));
}

TEST(Canvas, PrinterPagesCarryTheTextInPrinterDots) {
    qmtest::TempDir dir;
    const std::string pdf = (dir / "report.pdf").string();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    {
        TCanvas c(&printer);
        c.Font.Size = 9;
        TBitmap screen(10, 10);
        screen.Canvas().Font.Size = 9;
        const int screenHeight = screen.Canvas().TextHeight("1");
        const double scale = printer.resolution() / 96.0;
        EXPECT_GT(c.TextHeight("1"), (screenHeight - 1) * scale);
        EXPECT_LT(c.TextHeight("1"), (screenHeight + 1) * scale);
        EXPECT_EQ(c.ClipRect(), Rect(0, 0, printer.width(), printer.height()));
        c.TextOut(200, 200, "Balance of accounts");
        c.MoveTo(200, 400);
        c.LineTo(2000, 400);
        EXPECT_TRUE(c.NewPage());
        c.TextOut(200, 200, "Second page total");
        c.End();
    }
    std::string text;
    ASSERT_EQ(qmtest::RunCommand("pdftotext '" + pdf + "' -", &text), 0);
    const size_t first = text.find("Balance of accounts"), feed = text.find('\f'),
                 second = text.find("Second page total");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, feed);
    EXPECT_LT(feed, second);
    TBitmap bitmap(4, 4);
    EXPECT_FALSE(bitmap.Canvas().NewPage());
}

TEST(Bitmap, CanvasSurvivesResizeAndThePictureIsKept) {
    TBitmap bitmap(10, 10);
    TCanvas& c = bitmap.Canvas();
    c.Font.Size = 11;
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 10, 10));
    bitmap.SetSize(20, 15);
    ASSERT_EQ(&bitmap.Canvas(), &c);
    EXPECT_EQ(c.Font.Size, 11);
    EXPECT_EQ(c.Pixels(9, 9), clRed);
    EXPECT_EQ(c.Pixels(15, 12), clWhite);
    c.Brush.Color = clBlue;
    c.FillRect(Rect(18, 13, 20, 15));
    EXPECT_EQ(c.Pixels(19, 14), clBlue);
    EXPECT_EQ(c.ClipRect(), Rect(0, 0, 20, 15));

    TBitmap part = bitmap.Cut(Rect(8, 8, 12, 11));
    EXPECT_EQ(part.Width(), 4);
    EXPECT_EQ(part.Height(), 3);
    EXPECT_EQ(part.Canvas().Pixels(1, 1), clRed);
    EXPECT_EQ(part.Canvas().Pixels(3, 1), clWhite);

    TBitmap copy = bitmap;
    c.FillRect(Rect(0, 0, 20, 15));
    EXPECT_EQ(copy.Canvas().Pixels(0, 0), clRed);
    TBitmap moved = std::move(copy);
    moved.Canvas().FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(moved.Canvas().Pixels(0, 0), clWhite);

    bitmap.SetSize(0, 0);
    c.FillRect(Rect(0, 0, 5, 5));  // an empty picture draws nothing
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetSize(3, 3);
    EXPECT_EQ(c.Pixels(1, 1), clWhite);
}

TEST(Bitmap, LoadsImageFilesAtScreenResolution) {
    qmtest::TempDir dir;
    QImage source(6, 4, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    source.setPixel(2, 1, qRgb(0, 0, 128));
    source.setDotsPerMeterX(11811);  // 300 dpi must not change the size fonts draw at
    source.setDotsPerMeterY(11811);
    ASSERT_TRUE(source.save(QString::fromStdString((dir / "glyph.png").string())));
    TBitmap glyph;
    glyph.LoadFromFile(dir / "glyph.png");
    EXPECT_EQ(glyph.Width(), 6);
    EXPECT_EQ(glyph.Height(), 4);
    EXPECT_EQ(glyph.Canvas().Pixels(2, 1), clNavy);
    EXPECT_EQ(glyph.Canvas().Pixels(0, 0), clWhite);
    TBitmap screen(4, 4);
    EXPECT_EQ(glyph.Canvas().TextHeight("1"), screen.Canvas().TextHeight("1"));
    EXPECT_THROW(glyph.LoadFromFile(dir / "missing.png"), EInvalidGraphic);
    EXPECT_THROW(glyph.LoadFromResource(":/no/such/image.png"), EInvalidGraphic);
    EXPECT_EQ(glyph.Width(), 6);  // a failed load keeps the picture
}

namespace {

class CountingWidget : public TPaintedWidget {
  public:
    int repaints = 0;

  protected:
    void Repaint() override {
        ++repaints;
        Canvas().Brush.Color = clTeal;
        Canvas().FillRect(Rect(0, 0, ClientWidth(), ClientHeight()));
    }
};

}  // namespace

TEST(PaintedWidget, PaintsIntoItsPictureAndShowsIt) {
    CountingWidget widget;
    widget.resize(120, 80);
    widget.show();
    widget.resize(200, 100);
    EXPECT_GE(widget.repaints, 1);
    EXPECT_EQ(widget.Image().Width(), 200);
    EXPECT_EQ(widget.Image().Height(), 100);
    EXPECT_EQ(widget.Canvas().Pixels(199, 99), clTeal);

    // Drawing outside any paint event reaches the screen copy.
    widget.Canvas().Brush.Color = clMaroon;
    widget.Canvas().FillRect(Rect(10, 10, 20, 20));
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(FromQColor(QColor(shown.pixel(15, 15))), clMaroon);
    EXPECT_EQ(FromQColor(QColor(shown.pixel(150, 50))), clTeal);
}

// A long report is measured on several threads: a measurer must give, on its own thread, every
// width the canvas gives on its own, in every font the reports use, and none is offered where
// other threads may not ask the device about itself.
TEST(Canvas, AMeasurerOnAnotherThreadGivesTheCanvasesWidths) {
    const std::vector<AnsiString> texts = {"",
                                           "H",
                                           "07.12.2026",
                                           "1 234,56",
                                           "-98765,43",
                                           "Groceries and household",
                                           "fi fl ff",
                                           "caf\xe9 na\xefve",
                                           "WWWW iiii ...."};
    TBitmap bitmap(100, 20);
    TCanvas& c = bitmap.Canvas();
    for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
        for (int size : {8, 9, 14}) {
            for (TFontStyles style : {TFontStyles{}, TFontStyles{fsBold, fsItalic}}) {
                c.Font.Name = name;
                c.Font.Size = size;
                c.Font.Style = style;
                std::vector<int> here;
                for (const AnsiString& t : texts) here.push_back(c.TextWidth(t));
                auto measurer = c.Measurer();
                ASSERT_TRUE(measurer);
                std::vector<int> there(texts.size(), -1);
                std::thread([&] {
                    for (size_t i = 0; i < texts.size(); ++i) there[i] = measurer->Width(texts[i]);
                }).join();
                EXPECT_EQ(there, here) << name << " " << size;
            }
        }
    }
    TCanvas none;
    EXPECT_EQ(none.Measurer(), nullptr);
    QPixmap pixmap(10, 10);
    TCanvas onPixmap(&pixmap);
    EXPECT_EQ(onPixmap.Measurer(), nullptr);
}
