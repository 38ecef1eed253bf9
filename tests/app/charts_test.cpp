// The charts view: reading chart texts, the palette, and the geometry of pies, bars, lines and
// the legend drawn on a bitmap, checked by pixels; degenerate texts draw without failing.
#include "app/reports/charts.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstring>
#include <numbers>

#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

AnsiString R(std::string s) {
    static const char kFrom[] = "|^#@~", kTo[] = "\1\2\3\4\r";
    for (char& c : s)
        if (const char* p = c ? std::strchr(kFrom, c) : nullptr) c = kTo[p - kFrom];
    return s;
}

const TColor kGrey = RGB(0x6C, 0x6C, 0x6C);

int RoundInt(long double v) {
    return static_cast<int>(RoundHalfEven(v));
}

TColor At(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

// Text pixels: dark ones, whatever the background.
int Dark(const QImage& image, const TRect& r) {
    int n = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, image.height()); ++y)
        for (int x = std::max(r.Left, 0); x < std::min(r.Right, image.width()); ++x)
            n += qGray(image.pixel(x, y)) < 100;
    return n;
}

struct Charts : HouseholdWindow {
    TBitmap measure{10, 10};
    int LH = 0;
    Charts() { start = {.width = 0, .height = 0, .dialogs = false}; }
    void SetUp() override {
        Open(0);
        measure.Canvas().Font.Name = "Arial";
        measure.Canvas().Font.Size = 9;
        LH = measure.Canvas().TextHeight("1");
    }
    int Width(const AnsiString& s) { return measure.Canvas().TextWidth(s); }
    // Draws a chart on a fresh bitmap of the given size with no margins.
    QImage Draw(const AnsiString& text, int w = 800, int h = 500) {
        TBitmap b(w, h);
        PaintDiagramToCanvas(*form, b.Canvas(), text, Rect(0, 0, 0, 0));
        return b.Image().copy();
    }
};

}  // namespace

TEST_F(Charts, ReadsSlicesSeriesNamesAndLabels) {
    ChartText pie = ReadChartText(R("|01.01 - 31.01~Spending~Food|12,50~Home|-3,00~Car|0,00~"));
    EXPECT_EQ(pie.Mode, cmGroupPie);
    EXPECT_EQ(pie.Title, "01.01 - 31.01");
    EXPECT_EQ(pie.Subject, "Spending");
    EXPECT_EQ(pie.SliceNames, (std::vector<AnsiString>{"Food", "Car"}));
    EXPECT_EQ(pie.SliceValues, (std::vector<long double>{12.5L, 0}));
    EXPECT_EQ(pie.LeftOut, (std::vector<AnsiString>{"Home"}));
    ChartText time =
        ReadChartText(R("@P~Grouped by days~1,00^-2,50^3,00|4,00^5,00^6,00~A|B~d1|d2|d3~"));
    EXPECT_EQ(time.Mode, cmBars);
    ASSERT_EQ(time.Series.size(), 2u);
    EXPECT_EQ(time.Series[0], (std::vector<long double>{1, -2.5L, 3}));
    EXPECT_EQ(time.Series[1], (std::vector<long double>{4, 5, 6}));
    EXPECT_EQ(time.Names, (std::vector<AnsiString>{"A", "B"}));
    EXPECT_EQ(time.Labels, (std::vector<AnsiString>{"d1", "d2", "d3"}));
    // A value that is no number counts as 0; a last line without its end is read all the same.
    EXPECT_EQ(ReadChartText(R("#P~G~x^2|~A~L")).Series[0], (std::vector<long double>{0, 2}));
    EXPECT_EQ(ReadChartText(R("#P~G~x^2|~A~L")).Labels, (std::vector<AnsiString>{"L"}));
}

TEST_F(Charts, PaletteHasSixtyFourColoursFromFourLevels) {
    EXPECT_EQ(ChartColor(0), RGB(0xD0, 0xD0, 0xD0));
    EXPECT_EQ(ChartColor(1), RGB(0x00, 0xD0, 0xD0));
    EXPECT_EQ(ChartColor(2), RGB(0xFF, 0xD0, 0xD0));
    EXPECT_EQ(ChartColor(3), RGB(0x80, 0xD0, 0xD0));
    EXPECT_EQ(ChartColor(4), RGB(0xD0, 0x00, 0xD0));
    EXPECT_EQ(ChartColor(16), RGB(0xD0, 0xD0, 0x00));
    EXPECT_EQ(ChartColor(63), RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(ChartColor(64), ChartColor(0));
}

TEST_F(Charts, PieSlicesLabelsLeftOutLineAndLegend) {
    const QImage img = Draw(R("|01.01.2026 - 31.01.2026~Spending~A|30,00~B|10,00~C|-5,00~"));
    // Headings bold from (8, 5); the left-out line under them.
    EXPECT_GT(Dark(img, Rect(8, 5, 300, 5 + LH)), 0);
    EXPECT_GT(Dark(img, Rect(8, 5 + 2 * LH, 400, 5 + 3 * LH)), 0);
    const int X1 = 40, Y1 = 50 + 5 + 3 * LH, Y2 = 450, X2 = X1 + (Y2 - Y1);
    const double cx = (X1 + X2) / 2.0, cy = (Y1 + Y2) / 2.0, r = (X2 - X1) / 2.0;
    auto onCircle = [&](double angle, double f) {
        return At(img, int(cx + f * r * std::cos(angle)), int(cy - f * r * std::sin(angle)));
    };
    // A from 3 o'clock counterclockwise over three quarters, B the last quarter.
    EXPECT_EQ(onCircle(std::numbers::pi / 4, 0.8), ChartColor(0));
    EXPECT_EQ(onCircle(std::numbers::pi, 0.8), ChartColor(0));
    EXPECT_EQ(onCircle(-std::numbers::pi / 4, 0.8), ChartColor(1));
    EXPECT_EQ(onCircle(-std::numbers::pi / 2 + 0.1, 0.9), ChartColor(1));
    EXPECT_EQ(onCircle(0, 1.05), clWhite);
    // Shares at half the radius in the middle of each slice.
    for (const auto& [label, m] :
         {std::pair{"75%", 3 * std::numbers::pi / 4}, std::pair{"25%", 7 * std::numbers::pi / 4}}) {
        const int x = RoundInt(std::cos(-m) * (X2 - X1) / 4 + (X1 + X2) / 2.0 - Width(label) / 2.0);
        const int y = RoundInt(std::sin(-m) * (Y2 - Y1) / 4 + (Y1 + Y2) / 2.0 - LH / 2.0);
        EXPECT_GT(Dark(img, Rect(x, y, x + Width(label), y + LH)), 5) << label;
    }
    // Legend: one row per kept slice, R = a tenth of the height at most, boxes 2 LH high.
    const int NW = std::max(Width("A"), Width("B")) + Width("100% ");
    const int D = std::max(RoundInt((800 - X2 - NW - 40) / 2.0), 16);
    const int boxLeft = X2 + D, top = static_cast<int>(std::trunc(Y1 + 1 + (LH - 2 * LH) / 2.0));
    EXPECT_EQ(At(img, boxLeft, top + 5), kGrey);
    EXPECT_EQ(At(img, boxLeft + 5, top + 5), ChartColor(0));
    EXPECT_EQ(At(img, RoundInt(X2 + D + 32.0) - 1, top + 5), kGrey);
    EXPECT_EQ(At(img, boxLeft + 5, top + 50 + 5), ChartColor(1));
    EXPECT_EQ(At(img, boxLeft + 5, top + 100 + 5), clWhite);
    EXPECT_GT(Dark(img, Rect(X2 + D + 40, Y1, X2 + D + 40 + Width("75% A"), Y1 + LH)), 5);
}

TEST_F(Charts, PieSlicesWithoutExtentOrTooNarrowForALabel) {
    const int X1 = 40, Y1 = 50 + 5 + 2 * LH, Y2 = 450, X2 = X1 + (Y2 - Y1);
    const int cx = (X1 + X2) / 2, cy = (Y1 + Y2) / 2, r = (X2 - X1) / 2;
    QImage img = Draw(R("|P~S~A|0,00~B|0,00~"));
    // The circle alone; legend rows of 0%.
    EXPECT_EQ(At(img, cx, cy), clWhite);
    EXPECT_EQ(At(img, cx + r / 2, cy - r / 3), clWhite);
    EXPECT_NE(At(img, X1, cy), clWhite);
    EXPECT_EQ(Dark(img, Rect(X1 + 5, Y1 + 5, X2 - 5, Y2 - 5)), 0);
    const int NW = Width("A") + Width("100% ");
    const int D = std::max(RoundInt((800 - X2 - NW - 40) / 2.0), 16);
    EXPECT_GT(Dark(img, Rect(X2 + D + 40, Y1, 800, Y1 + LH)), 5);
    // A sliver: filled, no label, and its legend row still there.
    img = Draw(R("|P~S~A|1000,00~B|1,00~"));
    EXPECT_EQ(Dark(img, Rect(cx + r / 2 - 20, cy - LH, cx + r / 2 + 20, cy + LH)), 0);
    EXPECT_EQ(At(img, cx - r / 2, cy + 20), ChartColor(0));
    EXPECT_EQ(At(img, X2 + D + 5, Y1 + 50 + 5), ChartColor(1));
}

TEST_F(Charts, BarsStandOnTheBoxBottomForTheirValues) {
    const QImage img = Draw(R("@T~G~10,00^20,00|5,00^0,00~S1|S2~L1|L2~"));
    const int Y1 = 50 + 5 + 2 * LH, Y2 = 450;
    const long double Max = 22, Min = -2.2L;
    auto h = [&](long double v) {
        return std::max(RoundInt((Y2 - Y1) * (v - Min) / (Max - Min)), 1);
    };
    // Bars 8 wide, series 10 apart, buckets 28 apart from x 40.
    const struct {
        int left;
        long double v;
        int colour;
    } bars[] = {{40, 10, 0}, {50, 5, 1}, {68, 20, 0}, {78, 0, 1}};
    for (const auto& b : bars) {
        const int top = Y2 - h(b.v);
        EXPECT_EQ(At(img, b.left + 1, top), ChartColor(b.colour)) << b.left;
        EXPECT_EQ(At(img, b.left + 7, Y2 - 1), ChartColor(b.colour)) << b.left;
        EXPECT_EQ(At(img, b.left + 8, Y2 - 1), clWhite) << b.left;
        EXPECT_NE(At(img, b.left + 4, top - 1), ChartColor(b.colour)) << b.left;
    }
    // Value over each bar; the axes; the first bucket's label under the box.
    EXPECT_GT(Dark(img, Rect(40 + 4 - Width("20") / 2 + 28, Y2 - h(20) - LH, 100, Y2 - h(20))), 3);
    EXPECT_EQ(At(img, 40, Y1 + 1), kGrey);
    const int X2 = RoundInt(800 - std::max(Width("S1"), Width("S2")) - 80.0L);
    EXPECT_EQ(At(img, X2 - 1, Y2), kGrey);
    EXPECT_EQ(At(img, X2, Y2), clWhite);
    const int lx = RoundInt(40 + 14 - 4 - Width("L1") / 2.0L);
    EXPECT_GT(Dark(img, Rect(lx, Y2 + 1, lx + Width("L1"), Y2 + LH)), 3);
}

TEST_F(Charts, BucketsBeyondTheBoxAndOverlappingLabelsAreLeftOut) {
    std::string values, labels;
    for (int k = 0; k < 40; ++k) {
        values += "1,00" + std::string(k < 39 ? "^" : "");
        labels += "Lbl" + std::string(k < 10 ? "0" : "") + std::to_string(k) + "|";
    }
    const QImage img = Draw(R("@T~G~" + values + "~S~" + labels + "~"));
    const int Y2 = 450, X2 = RoundInt(800 - Width("S") - 80.0L);
    const int G = 18;  // one series: W/100 + W/400 + W/100
    int fit = 0;
    while (40 + (fit + 1) * G <= X2) ++fit;  // buckets 0 .. fit-1 fit whole
    EXPECT_EQ(At(img, 40 + (fit - 1) * G + 3, Y2 - 2), ChartColor(0));
    EXPECT_EQ(At(img, 40 + fit * G + 3, Y2 - 2), clWhite);
    // Labels: every other one fits beside the last one drawn.
    const int w = Width("Lbl00");
    const double lx0 = 40 + 9 - 4 - w / 2.0;
    EXPECT_GT(Dark(img, Rect(RoundInt(lx0), Y2 + 1, RoundInt(lx0) + w, Y2 + LH)), 3);
    ASSERT_LT(w, 2 * G);  // so that label 2 clears label 0 and label 1 does not
    EXPECT_EQ(Dark(img, Rect(RoundInt(lx0) + w + 1, Y2 + 1, RoundInt(lx0 + 2 * G) - 1, Y2 + LH)),
              0);
    EXPECT_EQ(Dark(img, Rect(40 + fit * G + 10, Y2 + 1, X2 + 30, Y2 + LH)), 0);
}

TEST_F(Charts, LinesThroughDotsOverGridLines) {
    const QImage img = Draw(R("#T~G~1,00^3,00^2,00|2,00^2,00^2,00~S1|S2~A|B|C~"));
    const int X1 = 40, Y1 = 50 + 5 + 2 * LH, Y2 = 450;
    const int X2 = RoundInt(800 - std::max(Width("S1"), Width("S2")) - 80.0L);
    const long double G = (X2 - X1) / 3.0L, Max = 3.2L, Min = 0.78L;
    auto y = [&](long double v) {
        return Y2 - std::max(RoundInt((Y2 - Y1) * (v - Min) / (Max - Min)), 1);
    };
    auto x = [&](int k) { return RoundInt(X1 + k * G); };
    EXPECT_EQ(At(img, x(1), y(3)), ChartColor(0));
    EXPECT_EQ(At(img, x(0) + 2, y(2)), ChartColor(1));  // the axis covers the dots' centre line
    EXPECT_EQ(At(img, x(2), y(2)), ChartColor(1));      // the last bucket ends exactly at X2
    // The lines between the points, 4 units wide.
    EXPECT_EQ(At(img, (3 * x(0) + x(1)) / 4, (3 * y(1) + y(3)) / 4), ChartColor(0));
    EXPECT_EQ(At(img, (x(1) + x(2)) / 2, y(2)), ChartColor(1));
    // Grey grid lines at the labelled buckets, labels centred under them.
    EXPECT_EQ(At(img, x(1), Y1 + 2), kGrey);
    EXPECT_EQ(At(img, x(2), Y1 + 2), kGrey);
    EXPECT_EQ(At(img, x(1) + 3, Y1 + 2), clWhite);
    EXPECT_GT(Dark(img, Rect(x(1) - Width("B") / 2, Y2 + 1, x(1) + Width("B") / 2 + 1, Y2 + LH)),
              2);
}

TEST_F(Charts, LegendEndsAtTheBoxBottom) {
    const QImage img = Draw(R("@T~G~1,00~N0|N1|N2|N3|N4|N5|N6|N7|N8|N9~L~"), 800, 150);
    const int Y1 = 15 + 2 + 2 * LH, Y2 = 135;
    const int rowH = std::min(std::max(RoundInt((Y2 - Y1) / 10.0L), LH), 15);
    const int X2 = RoundInt(800 - Width("N0") - 80.0L);
    const int D = std::max(RoundInt((800 - X2 - Width("N0") - 40) / 2.0), 16);
    int drawn = 0;
    for (int i = 0; i < 10; ++i) {
        const int y = Y1 + i * rowH;
        if (y + 5 >= 150) break;
        if (At(img, X2 + D + 5, y + 4) == ChartColor(i)) ++drawn;
    }
    int expected = 0;
    while (Y1 + expected * rowH < Y2) ++expected;
    EXPECT_EQ(drawn, expected);
    EXPECT_LT(drawn, 10);
}

TEST_F(Charts, DegenerateTextsDrawWithoutFailing) {
    // An unknown mode draws its first line only; an empty text nothing.
    QImage img = Draw(R("\x09Title~whatever~"));
    EXPECT_GT(Dark(img, Rect(0, 0, 800, 5 + LH)), 0);
    EXPECT_EQ(Dark(img, Rect(0, 5 + LH, 800, 500)), 0);
    EXPECT_EQ(Dark(Draw(""), Rect(0, 0, 800, 500)), 0);
    // A pie without slices: headings and the circle.
    img = Draw(R("^P~Money~"));
    EXPECT_NE(At(img, 40, (55 + 2 * LH + 450) / 2), clWhite);
    // All values 0: bars of a visible height with their values.
    img = Draw(R("@P~G~0,00^0,00~A~x|y~"));
    const int Y2 = 450;
    EXPECT_EQ(At(img, 42, Y2 - 3), ChartColor(0));
    // The same value everywhere is shown against the range from 0 to it, widened by a tenth.
    img = Draw(R("#P~G~5,00^5,00^5,00~A~x|y|z~"));
    const int Y1 = 50 + 5 + 2 * LH;
    const int h = RoundInt((Y2 - Y1) * (5 + 0.55L) / (5.5L + 0.55L));
    EXPECT_EQ(At(img, 42, Y2 - h), ChartColor(0));
    EXPECT_EQ(At(img, 42, Y2 - h + 6), clWhite);
    // A text cut short, and values that are no numbers.
    Draw(R("#P~G~"));
    Draw(R("@P~G~a^b|c~"));
    Draw(R("|P"));
}

TEST_F(Charts, ChartTabInTheWindow) {
    THeadTab tab;
    tab.Kind = tkReport;
    tab.Id = riCharts;
    tab.ReportText = R("|P~Spending~Food|3,00~Home|1,00~");
    Head.HeadTabs.push_back(tab);
    form->resize(820, 520);
    form->SwitchToTab(1);
    const QImage& img = form->Image().Image();
    EXPECT_EQ(At(img, 5, ContentTop + 40), RGB(0xF0, 0xF0, 0xEA));
    EXPECT_EQ(At(img, 10, ContentTop + 40), kGrey);
    EXPECT_EQ(At(img, 809, ContentTop + 40), kGrey);
    EXPECT_EQ(At(img, 400, ContentTop + 10), kGrey);
    EXPECT_EQ(At(img, 400, 509), kGrey);
    // The chart is the bitmap's: the same picture as drawn alone, moved by the frame.
    const QImage alone = Draw(tab.ReportText, 800, 520 - ContentTop - 20);
    for (int y = 1; y < alone.height() - 1; y += 5)
        for (int x = 1; x < alone.width() - 1; x += 5)
            ASSERT_EQ(img.pixel(x + 10, y + ContentTop + 10), alone.pixel(x, y)) << x << "," << y;
}
