// The balance and table report routines on a bitmap (rules, gaps, bold cells, column fitting,
// page breaks), the scrolled window view of a report tab, and report tabs kept in the settings.
#include "app/reports/report_paint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "app/reports/report_text.h"
#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/app/ink.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

// | is character 1, ^ character 2, # character 3, @ character 4, ~ the line end.
AnsiString R(std::string s) {
    static const char kFrom[] = "|^#@~", kTo[] = "\1\2\3\4\r";
    for (char& c : s)
        if (const char* p = c ? std::strchr(kFrom, c) : nullptr) c = kTo[p - kFrom];
    return s;
}

const TColor kRule = RGB(0x6C, 0x6C, 0x6C);

TColor At(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

// Pixels that are not white in a rectangle of the picture.
int Ink(const QImage& image, const TRect& r) {
    int n = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, image.height()); ++y)
        for (int x = std::max(r.Left, 0); x < std::min(r.Right, image.width()); ++x)
            n += image.pixelColor(x, y) != QColor(Qt::white);
    return n;
}

// The font the reports measure with.
struct Measure {
    TBitmap b{10, 10};
    int Width(const AnsiString& s, bool bold) {
        b.Canvas().Font.Name = "Arial";
        b.Canvas().Font.Size = 9;
        b.Canvas().Font.Style = bold ? TFontStyles{fsBold} : TFontStyles{};
        return b.Canvas().TextWidth(s);
    }
    int LH() {
        Width("1", false);
        return b.Canvas().TextHeight("1");
    }
    // The ink of a text drawn alone, for telling bold from regular.
    int InkOf(const AnsiString& s, bool bold) {
        TBitmap t(400, 40);
        Width(s, bold);
        t.Canvas().Font = b.Canvas().Font;
        t.Canvas().TextOut(0, 0, s);
        return Ink(t.Image(), Rect(0, 0, 400, 40));
    }
};

struct ReportPaint : HouseholdWindow {
    Measure m;
    ReportPaint() { start = {.width = 0, .height = 0, .dialogs = false}; }
    void SetUp() override { Open(0); }
};

}  // namespace

TEST_F(ReportPaint, BalanceDrawsRulesGapsAndBoldCells) {
    const AnsiString text =
        R("^Income|^Period~Alpha|1,00~#^Total|^1,00~@^Spending|^P~Beta|2,00~@#^Balance|^-1,00~");
    TBitmap b(500, 300);
    const int LH = m.LH(), U = 10;
    const int y = PaintBalanceToCanvas(*form, b.Canvas(), text, Rect(0, 10, 0, 0), false);
    // Rows of LH; a rule adds 1, a gap 2U (not on the first line).
    EXPECT_EQ(y, 10 + 6 * LH + 1 + 2 * U + 2 * U + 1 + U);
    const QImage& img = b.Image();
    const int Wl = std::max({m.Width("Income", true), m.Width("Spending", true),
                             m.Width("Balance", true), m.Width("Alpha", false)});
    const int Wr = m.Width("Period", true);
    const int right = 3 * U + Wl + Wr;
    for (int ruleY : {10 + 2 * LH, 10 + 5 * LH + 1 + 4 * U}) {
        EXPECT_EQ(At(img, 2 * U, ruleY), kRule) << ruleY;
        EXPECT_EQ(At(img, right - 1, ruleY), kRule) << ruleY;
        EXPECT_EQ(At(img, 2 * U - 1, ruleY), clWhite) << ruleY;
        EXPECT_EQ(At(img, right, ruleY), clWhite) << ruleY;
    }
    // The gap before the second section is empty paper.
    EXPECT_EQ(Ink(img, Rect(0, 11 + 3 * LH, 500, 11 + 3 * LH + 2 * U)), 0);
    // Bold heading, regular account line; amounts end at the rule's end.
    EXPECT_EQ(Ink(img, Rect(2 * U, 10, 2 * U + Wl, 10 + LH)), m.InkOf("Income", true));
    EXPECT_EQ(Ink(img, Rect(2 * U, 10 + LH, 2 * U + Wl, 10 + 2 * LH)), m.InkOf("Alpha", false));
    EXPECT_EQ(Ink(img, Rect(right - m.Width("1,00", false), 10 + LH, right, 10 + 2 * LH)),
              m.InkOf("1,00", false));
    EXPECT_EQ(Ink(img, Rect(right, 0, 500, 300)), 0);
}

TEST_F(ReportPaint, BalanceLineWithoutCellSeparatorAndNarrowNames) {
    const int U = 10, LH = m.LH();
    // Without character 1 the line is drawn right-aligned in the amount column.
    TBitmap b(500, 100);
    PaintBalanceToCanvas(*form, b.Canvas(), R("Some long account name|5,00~Alone~"),
                         Rect(0, 10, 0, 0), false);
    const int right = 3 * U + m.Width("Some long account name", false) + m.Width("Alone", false);
    EXPECT_EQ(Ink(b.Image(), Rect(2 * U, 10 + LH, right - m.Width("Alone", false), 10 + 2 * LH)),
              0);
    EXPECT_EQ(Ink(b.Image(), Rect(right - m.Width("Alone", false), 10 + LH, right, 10 + 2 * LH)),
              m.InkOf("Alone", false));
    // Too narrow: the names are cut, the amounts stay whole inside the width.
    const AnsiString wide = "A very long name of an account that does not fit";
    TBitmap n(200, 60);
    PaintBalanceToCanvas(*form, n.Canvas(), R(wide + "|12345,67~"), Rect(0, 10, 0, 0), false);
    const int Wr = m.Width("12345,67", false);
    EXPECT_EQ(Ink(n.Image(), Rect(200 - Wr, 10, 200, 10 + LH)), m.InkOf("12345,67", false));
    EXPECT_EQ(Ink(n.Image(), Rect(200 - Wr - U, 10, 200 - Wr, 10 + LH)), 0);
    EXPECT_GT(Ink(n.Image(), Rect(2 * U, 10, 200 - Wr - U, 10 + LH)), 0);
}

TEST_F(ReportPaint, AnAmountWiderThanTheReportShowsItsSignAndLosesItsEnd) {
    const int U = 10, LH = m.LH();
    const AnsiString amount = "-2503897140,00";
    TBitmap n(60, 40);
    ASSERT_GT(m.Width(amount, false), 60 - 2 * U);
    PaintBalanceToCanvas(*form, n.Canvas(), R("Name|" + amount + "~"), Rect(0, 10, 0, 0), false);
    // The amount starts where the names would, with its sign; the report's edge cuts its end.
    const QRect first = FirstGlyph(n.Image(), QRect(0, 10, 60, LH));
    EXPECT_TRUE(IsMinus(first)) << first.width() << "x" << first.height();
    EXPECT_GE(first.left(), 2 * U);
    EXPECT_LE(first.left(), 2 * U + 2);
}

TEST_F(ReportPaint, BalancePageBreaksOnPaperSkipTheGapAtThePageTop) {
    const int LH = m.LH();
    const AnsiString text = R("a|1~b|2~c|3~@#^Grand|^6~");
    // A bitmap stands in for paper: 1000 wide gives U = 10; the fourth row's top lies below H.
    TBitmap tall(1000, 400), page(1000, 30 + 3 * LH - 1);
    EXPECT_EQ(PaintBalanceToCanvas(*form, tall.Canvas(), text, Rect(0, 30, 0, 0), true),
              30 + 3 * LH + 20 + 1 + LH + 10);
    EXPECT_EQ(PaintBalanceToCanvas(*form, page.Canvas(), text, Rect(0, 30, 0, 0), true),
              30 + 1 + LH + 10);
    // The window never breaks pages.
    EXPECT_EQ(PaintBalanceToCanvas(*form, page.Canvas(), text, Rect(0, 30, 0, 0), false),
              30 + 3 * LH + 20 + 1 + LH + 10);
    // On paper the page label stands one line above the top margin, right-aligned.
    const int label = m.Width(form->Ui(166) + " 1", false);
    PaintBalanceToCanvas(*form, tall.Canvas(), text, Rect(0, 30, 0, 0), true);
    EXPECT_EQ(Ink(tall.Image(), Rect(1000 - label, 30 - LH, 1000, 30)),
              m.InkOf(form->Ui(166) + " 1", false));
}

TEST_F(ReportPaint, TableGridColumnsAlignmentAndFitting) {
    const AnsiString text =
        R("01.01.2026 - 31.01.2026~A:Money-Wallet~Date|Number|Description|Income|Expense~"
          "01.01.2026|1|Lunch||12,5~02.01.2026|2|Pay|400|~Difference: 387,5||Total|400|12,5~");
    const int U = 10, LH = m.LH();
    int w[5] = {m.Width("Difference: 387,5", false), m.Width("Number", true),
                m.Width("Description", true), m.Width("Income", true), m.Width("Expense", true)};
    w[2] = std::max(w[2], m.Width("Total", true));
    TBitmap b(700, 300);
    const int bottom = PaintTransactionToCanvas(*form, b.Canvas(), text, Rect(0, 10, 0, 0), false);
    const QImage& img = b.Image();
    const int top = 10 + 2 * LH + 2 * U;  // the top rule, under title lines and the gap
    EXPECT_EQ(bottom, top + 1 + 4 * (LH + 1) + LH + LH + U);
    int S = 0;
    for (int c : {0, 1, 3, 4}) S += w[c] + 2 * U;
    const int X = U + S + w[2] + 2 * U;
    EXPECT_EQ(At(img, U, top), kRule);
    EXPECT_EQ(At(img, X - 1, top), kRule);
    EXPECT_EQ(At(img, X, top), clWhite);
    // Vertical lines: the first at U, then U - 1 after each column's text.
    const int rowY = top + 1 + LH + 1;
    int x = 2 * U;
    EXPECT_EQ(At(img, U, rowY + 2), kRule);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(At(img, x + w[c] + U - 1, rowY + 2), kRule) << c;
        x += w[c] + 2 * U;
    }
    // Amounts right-aligned; the sums row bold with its caption right-aligned in the note column
    // and no text in its first cell; the difference below the grid, bold.
    const int x3 = 2 * U + w[0] + w[1] + w[2] + 6 * U, x2 = x3 - w[2] - 2 * U;
    const int sumsY = rowY + 2 * (LH + 1);
    EXPECT_EQ(Ink(img, Rect(x3 + w[3] + 2 * U + w[4] - m.Width("12,5", false), rowY,
                            x3 + w[3] + 2 * U + w[4], rowY + LH)),
              m.InkOf("12,5", false));
    EXPECT_EQ(Ink(img, Rect(x2 + w[2] - m.Width("Total", true), sumsY, x2 + w[2], sumsY + LH)),
              m.InkOf("Total", true));
    EXPECT_EQ(Ink(img, Rect(2 * U, sumsY, 2 * U + w[0], sumsY + LH)), 0);
    EXPECT_EQ(Ink(img, Rect(2 * U, sumsY + 2 * LH + 1, 400, sumsY + 3 * LH + 1)),
              m.InkOf("Difference: 387,5", true));

    // Too narrow: only the note column gives way and the rules end at W - U.
    TBitmap n(300, 300);
    PaintTransactionToCanvas(*form, n.Canvas(), text, Rect(0, 10, 0, 0), false);
    EXPECT_EQ(At(n.Image(), 300 - U - 1, top), kRule);
    EXPECT_EQ(At(n.Image(), 300 - U, top), clWhite);
    const int x4 = 300 - U - w[4] - U;  // the last column's text, still whole
    EXPECT_EQ(Ink(n.Image(), Rect(x4, rowY, x4 + w[4], rowY + LH)), m.InkOf("12,5", false));
}

TEST_F(ReportPaint, TableTitleFromSettingsAndTextsWithoutRows) {
    form->TitleInReports = true;
    form->Title = "Our household";
    const int LH = m.LH(), U = 10;
    TBitmap b(600, 200);
    const int y = PaintTransactionToCanvas(*form, b.Canvas(), R("P~A~H1|H2|H3|H4|H5~D||T|0|0~"),
                                           Rect(0, 10, 0, 0), false);
    EXPECT_EQ(Ink(b.Image(), Rect(2 * U, 10, 300, 10 + LH)), m.InkOf("Our household", true));
    EXPECT_EQ(y, 10 + 3 * LH + 2 * U + 1 + LH + 1 + LH + 1 + LH + LH + U);
    // A text of two lines draws its heading alone; an empty one its frame.
    TBitmap e(600, 200);
    EXPECT_GT(PaintTransactionToCanvas(*form, e.Canvas(), R("P~A~"), Rect(0, 10, 0, 0), false), 0);
    EXPECT_GT(Ink(e.Image(), Rect(0, 10, 600, 10 + LH)), 0);
    EXPECT_EQ(PaintBalanceToCanvas(*form, e.Canvas(), "", Rect(0, 10, 0, 0), false), 10 + U);
}

TEST_F(ReportPaint, WindowViewScrollsAndClampsThePosition) {
    AnsiString text = R("P~A~Date|Number|Description|In|Out~");
    for (int i = 0; i < 80; ++i) text += R("01.01.2026|" + std::to_string(i) + "|Row||1~");
    text += R("Difference: 80||Total|0|80~");
    THeadTab tab;
    tab.Kind = tkReport;
    tab.Id = riTable;
    tab.ReportText = text;
    Head.HeadTabs.push_back(tab);
    form->resize(900, 500);
    form->SwitchToTab(1);
    const QImage& img = form->Image().Image();
    auto& s = form->ReportScroll;
    const int viewTop = ContentTop + 10, viewH = 500 - ContentTop - 20;
    EXPECT_EQ(s.Page, viewH);
    EXPECT_GT(s.Maximum, 0);
    EXPECT_EQ(s.Position, 0);
    EXPECT_EQ(s.UpRect.Left, 10);
    EXPECT_EQ(s.UpRect.Top, viewTop);
    EXPECT_EQ(s.DownRect.Bottom, 500 - 10);
    // The frame around the view, the bitmap's grey frame beside the scroll bar.
    EXPECT_EQ(At(img, 5, ContentTop + 50), RGB(0xF0, 0xF0, 0xEA));
    EXPECT_EQ(At(img, 450, ContentTop + 5), RGB(0xF0, 0xF0, 0xEA));
    EXPECT_EQ(At(img, 895, 300), RGB(0xF0, 0xF0, 0xEA));
    EXPECT_EQ(At(img, 450, 495), RGB(0xF0, 0xF0, 0xEA));
    EXPECT_EQ(At(img, 26, 300), kRule);
    EXPECT_EQ(At(img, 889, 300), kRule);
    EXPECT_EQ(At(img, 450, viewTop), kRule);
    const QImage atTop = img.copy();
    s.Position = 37;
    form->FormPaint();
    // The report moved up by the position: what stood at y + 37 now stands at y.
    for (int y = viewTop + 60; y < viewTop + 160; y += 7)
        for (int x = 30; x < 600; x += 3)
            ASSERT_EQ(img.pixel(x, y), atTop.pixel(x, y + 37)) << x << "," << y;
    // Beyond the end the position is held at the maximum; a taller window lowers it.
    s.Position = 1 << 20;
    form->FormPaint();
    EXPECT_EQ(s.Position, s.Maximum);
    const int maximum = s.Maximum;
    form->resize(900, 700);
    form->FormPaint();
    EXPECT_EQ(s.Maximum, maximum - 200);
    EXPECT_EQ(s.Position, s.Maximum);
    // A press on the track below the thumb scrolls one page down, held at the maximum.
    s.Position = 0;
    form->FormPaint();
    const TRect below = s.PageDownRect;
    form->FormMouseDown(TMouseButton::mbLeft, 0, below.Left + 4, below.Bottom - 2);
    form->FormMouseUp(TMouseButton::mbLeft, 0, below.Left + 4, below.Bottom - 2);
    EXPECT_EQ(s.Position, std::min(s.Page, s.Maximum));
    // A short report: nothing to scroll.
    CurrentTab().ReportText = R("P~A~H|H|H|H|H~D||T|0|0~");
    form->FormPaint();
    EXPECT_EQ(s.Maximum, 0);
    EXPECT_EQ(s.Position, 0);
}

TEST_F(ReportPaint, ReportTabsComeBackFromTheSettingsAndPaint) {
    const AnsiString balance = R("^Income|^x: y~Salary|1,00~@#^Balance|^1,00~");
    const AnsiString chart = R("\1P~Spending~Food|3,00~");
    for (const auto& [id, text] : {std::pair{riBalance, balance}, std::pair{riCharts, chart}}) {
        THeadTab tab;
        tab.Kind = tkReport;
        tab.Id = id;
        tab.ReportText = text;
        Head.HeadTabs.push_back(tab);
    }
    HeadIndex = 1;
    form->WriteSettings();
    form.reset();
    form = std::make_unique<TForm1>();
    ASSERT_EQ(Head.HeadTabs.size(), 3u);
    EXPECT_EQ(Head.HeadTabs[1].ReportText, balance);
    EXPECT_EQ(Head.HeadTabs[1].Caption, form->Ui(141));
    EXPECT_EQ(Head.HeadTabs[2].ReportText, chart);
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_FALSE(form->Panel1->Visible());
    EXPECT_TRUE(form->Button1->Visible());
    form->resize(800, 400);
    form->FormPaint();
    const QImage& img = form->Image().Image();
    EXPECT_GT(Ink(img, Rect(26, ContentTop + 10, 400, ContentTop + 60)), 0);
    form->SwitchToTab(2);
    EXPECT_EQ(At(img, 10, ContentTop + 10), kRule);
    EXPECT_GT(Ink(img, Rect(11, ContentTop + 11, 789, 389)), 100);
}

namespace {

// A long table and a long balance with cells of many widths, rules and gaps.
AnsiString LongTable(int rows, const std::string& note) {
    std::string text = "01.01.2026 - 31.12.2026~A:Money-Bank~Date|Number|Description|In|Out~";
    for (int i = 0; i < rows; ++i)
        text += "0" + std::to_string(1 + i % 9) + ".03.2026|" + std::to_string(i * 37 % 1000) +
                "|" + note + " " + std::string(i % 13, 'w') + "|" +
                (i % 3 ? std::to_string(i) + ",5|" : "|" + std::to_string(i * 7) + ",25") + "~";
    return R(text + "Difference: 12,5||Total|1234,5|1222~");
}

AnsiString LongBalance(int rows) {
    std::string text = "^Income|^Period~";
    for (int i = 0; i < rows; ++i) {
        if (i % 17 == 5) text += "#^Subtotal|^9,00~";
        if (i % 29 == 11) text += "@^Section|^P~";
        text += "Account " + std::string(i % 7, 'm') + "|" + std::to_string(i) + ",00~";
    }
    return R(text + "@#^Balance|^-1,00~");
}

}  // namespace

// The window draws a long report at its scroll position: every pixel of the view is the pixel
// of the whole report drawn at once at that height, wherever the view stands.
TEST_F(ReportPaint, AViewOfALongReportIsThatPartOfTheWholeReport) {
    using Routine = int (*)(const TForm1&, TCanvas&, const AnsiString&, const TRect&, bool);
    const struct {
        Routine paint;
        AnsiString text;
    } reports[] = {{&PaintTransactionToCanvas, LongTable(400, "Groceries")},
                   {&PaintBalanceToCanvas, LongBalance(300)}};
    for (const auto& r : reports) {
        TBitmap whole(700, 8000);
        const int height = r.paint(*form, whole.Canvas(), r.text, Rect(0, 10, 0, 0), false);
        ASSERT_LT(height, whole.Height());
        const int view = 263;
        for (int position : {0, 1, 14, 555, height / 2 + 3, height - view}) {
            TBitmap part(700, view);
            EXPECT_EQ(r.paint(*form, part.Canvas(), r.text, Rect(0, 10 - position, 0, 0), false),
                      height - position);
            ASSERT_EQ(part.Image(), whole.Image().copy(0, position, 700, view))
                << "position " << position;
        }
    }
}

// Painting one report after another of the same length never draws one with the other's
// measures: each comes out as it did the first time.
TEST_F(ReportPaint, EachReportIsDrawnWithItsOwnMeasures) {
    const AnsiString a = LongTable(30, "Narrow"), b = LongTable(30, "A much wider note");
    const AnsiString c = LongTable(30, "Xarrow");  // as long as a, one letter apart
    ASSERT_EQ(a.size(), c.size());
    std::vector<QImage> first;
    for (const AnsiString* text : {&a, &b, &c}) {
        TBitmap bitmap(700, 900);
        PaintTransactionToCanvas(*form, bitmap.Canvas(), *text, Rect(0, 10, 0, 0), false);
        first.push_back(bitmap.Image());
    }
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[0], first[2]);
    int i = 0;
    for (const AnsiString* text : {&a, &b, &c, &a}) {
        TBitmap bitmap(700, 900);
        PaintTransactionToCanvas(*form, bitmap.Canvas(), *text, Rect(0, 10, 0, 0), false);
        EXPECT_EQ(bitmap.Image(), first[i++ % 3]) << i;
    }
}

// The window keeps a table's rows and widths between paints of one text: a text that differs,
// in a cell or only in a cell's marks, is measured afresh, and the first again as it was.
TEST_F(ReportPaint, TheWindowMeasuresATableAgainWhenItsTextChanges) {
    auto table = [](const std::string& note) {
        return R("P~A~Date|Number|Description|In|Out~01.01.2026|1|" + note +
                 "||1~Difference: 1||Total|0|1~");
    };
    const int top = 10 + 2 * m.LH() + 20;
    // The right end of the rule above the column header.
    auto ruleEnd = [&](const AnsiString& text) {
        TBitmap b(900, 200);
        PaintTransactionToCanvas(*form, b.Canvas(), text, Rect(0, 10, 0, 0), false);
        int x = 899;
        while (x > 0 && At(b.Image(), x, top) != kRule) --x;
        return x;
    };
    const int shortNote = ruleEnd(table("Pay"));
    const int longNote = ruleEnd(table("Pay for the whole of the next winter"));
    EXPECT_EQ(longNote - shortNote, m.Width("Pay for the whole of the next winter", false) -
                                        m.Width("Description", true));
    EXPECT_EQ(ruleEnd(table("Pay")), shortNote);
    // Marks before a cell's text are no part of it: the same widths as without them.
    EXPECT_EQ(ruleEnd(table("^#Pay for the whole of the next winter")), longNote);
    EXPECT_EQ(ruleEnd(table("Pay")), shortNote);
}
