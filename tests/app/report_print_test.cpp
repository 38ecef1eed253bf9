// Printing report tabs: the print command through its settings dialog into a PDF file, read back
// with pdftotext and pdfinfo (page labels, page breaks, orientation, margins), and the failure of
// a printer that cannot be used.
#include "app/report_print.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPrinter>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>

#include "app/all_forms.h"
#include "app/report_text.h"
#include "app/unit1.h"
#include "dialogs/print_settings_dialog.h"
#include "platform/dialogs.h"
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

struct Word {
    double xMin, yMin, xMax, yMax;
    std::string text;
};

std::vector<Word> Words(const std::string& pdf) {
    std::string html;
    EXPECT_EQ(RunCommand("pdftotext -bbox '" + pdf + "' -", &html), 0);
    std::vector<Word> words;
    static const std::regex word(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)"
        "</word>");
    for (std::sregex_iterator i(html.begin(), html.end(), word), end; i != end; ++i)
        words.push_back({std::stod((*i)[1]), std::stod((*i)[2]), std::stod((*i)[3]),
                         std::stod((*i)[4]), (*i)[5]});
    return words;
}

// Page count and size in points from pdfinfo.
struct PdfInfo {
    int pages = 0;
    double width = 0, height = 0;
};

PdfInfo Info(const std::string& pdf) {
    std::string out;
    EXPECT_EQ(RunCommand("pdfinfo '" + pdf + "'", &out), 0);
    PdfInfo info;
    std::smatch m;
    if (std::regex_search(out, m, std::regex("Pages:\\s+(\\d+)"))) info.pages = std::stoi(m[1]);
    if (std::regex_search(out, m, std::regex("Page size:\\s+([0-9.]+) x ([0-9.]+)"))) {
        info.width = std::stod(m[1]);
        info.height = std::stod(m[2]);
    }
    return info;
}

// Keeps a printout for looking at when $QM_SCREENSHOT_DIR is set.
void Keep(const std::string& pdf, const std::string& name) {
    const char* out = std::getenv("QM_SCREENSHOT_DIR");
    if (out && *out)
        std::filesystem::copy_file(pdf, std::filesystem::path(out) / name,
                                   std::filesystem::copy_options::overwrite_existing);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// The first page of a printout rasterised at `dpi`, in grey levels.
QImage Raster(const TempDir& dir, const std::string& pdf, int dpi) {
    const std::string base = (dir.path() / ("page" + std::to_string(dpi))).string();
    EXPECT_EQ(RunCommand("pdftoppm -gray -png -singlefile -f 1 -l 1 -r " + std::to_string(dpi) +
                         " '" + pdf + "' '" + base + "'"),
              0);
    return QImage(QString::fromStdString(base + ".png")).convertToFormat(QImage::Format_Grayscale8);
}

// The pixel rows whose pixels are all dark from x0 to x1: a rule drawn across that span. A rule
// that falls on two pixel rows counts once.
std::vector<int> RuleRows(const QImage& page, int x0, int x1) {
    std::vector<int> rows;
    bool above = false;
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        bool dark = x0 >= 0 && x0 < x1 && x1 < page.width();
        for (int x = x0; dark && x <= x1; ++x) dark = line[x] < 200;
        if (dark && !above) rows.push_back(y);
        above = dark;
    }
    return rows;
}

struct ReportPrint : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    ModalDriver driver;
    std::string pdf;
    void SetUp() override {
        SeedHousehold(0);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        CreateDialogs();
        pdf = (dir.path() / "report.pdf").string();
        SetPrinterHook([this](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString::fromStdString(pdf));
        });
    }
    void TearDown() override {
        SetPrinterHook({});
        DestroyDialogs();
        form.reset();
    }
    void OpenReport(int id, const AnsiString& text) { AddReportTab(*form, id, text); }
    // Prints the current tab through the print button with these margins (mm) and copies.
    void Print(int left, int right, int top, int bottom, int copies = 1) {
        driver.Then([=](TForm& f) {
            auto& d = static_cast<TForm15&>(f);
            d.SpinEdit1->SetValue(left);
            d.SpinEdit2->SetValue(right);
            d.SpinEdit3->SetValue(top);
            d.SpinEdit4->SetValue(bottom);
            d.SpinEdit5->SetValue(copies);
            d.Button1->Click();
        });
        form->Button1->Click();
    }
};

}  // namespace

TEST_F(ReportPrint, TablePrintsPortraitOnNumberedPagesWithItsHeadingOnEach) {
    AnsiString text = R("01.01.2026 - 31.12.2026~A:Money-Wallet~Date|Number|Description|In|Out~");
    for (int i = 0; i < 200; ++i)
        text += R("01.01.2026|" + std::to_string(i) + "|Row" + std::to_string(i) + "||1~");
    text += R("Difference: 200||Total|0|200~");
    OpenReport(riTable, text);
    Print(10, 10, 10, 10);
    Keep(pdf, "table.pdf");
    const PdfInfo info = Info(pdf);
    EXPECT_LT(info.width, info.height);
    ASSERT_GE(info.pages, 3);
    std::string plain;
    ASSERT_EQ(RunCommand("pdftotext '" + pdf + "' -", &plain), 0);
    for (int p = 1; p <= info.pages; ++p)
        EXPECT_EQ(Count(plain, "Page " + std::to_string(p) + "\n"), 1) << p;
    EXPECT_EQ(Count(plain, "Page " + std::to_string(info.pages + 1)), 0);
    EXPECT_EQ(Count(plain, "01.01.2026 - 31.12.2026"), info.pages);
    EXPECT_EQ(Count(plain, "Description"), info.pages);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(Count(plain, "Row" + std::to_string(i) + "\n"), 1) << i;
    EXPECT_EQ(Count(plain, "Difference: 200"), 1);
    // Nothing is drawn beyond a page: a row starts above the bottom margin and may end one line
    // below it.
    for (const Word& w : Words(pdf)) EXPECT_LT(w.yMax, info.height) << w.text;
}

TEST_F(ReportPrint, BalanceMarginsAreFractionsOfThePageAndTheLabelStandsAboveTheTop) {
    OpenReport(riBalance, R("^Income|^01.01.2026 - 31.01.2026~Work-Salary|2500,00~"
                            "#^Total income|^2500,00~@#^Balance|^2500,00~"));
    Print(30, 20, 40, 10);
    Keep(pdf, "balance.pdf");
    const PdfInfo info = Info(pdf);
    ASSERT_EQ(info.pages, 1);
    EXPECT_LT(info.width, info.height);
    const std::vector<Word> words = Words(pdf);
    ASSERT_FALSE(words.empty());
    const double left = info.width * 30 / 297, right = info.width * 20 / 297;
    const double top = info.height * 40 / 210;
    const double U = (info.width - left - right) / 100;
    auto find = [&](const std::string& t) {
        for (const Word& w : words)
            if (w.text == t) return w;
        ADD_FAILURE() << t;
        return Word{};
    };
    // Names start two units right of the left margin, on the top margin.
    EXPECT_NEAR(find("Income").xMin, left + 2 * U, 2);
    EXPECT_NEAR(find("Income").yMin, top, 3);
    EXPECT_NEAR(find("Work-Salary").xMin, left + 2 * U, 2);
    // The page label ends at the right margin, one line above the top margin.
    const Word label = find("1");
    EXPECT_NEAR(label.xMax, info.width - right, 2);
    EXPECT_LT(label.yMax, top + 1);
    EXPECT_GT(label.yMin, top - 20);
    EXPECT_EQ(find("Page").yMin, label.yMin);
}

TEST_F(ReportPrint, ChartsPrintLandscapeAndCopiesReachThePrinter) {
    const AnsiString chart =
        R("\1"
          "01.01.2026 - 31.01.2026~Spending~Food|3,00~Home|1,00~");
    OpenReport(riCharts, chart);
    Print(10, 10, 10, 10);
    Keep(pdf, "chart.pdf");
    const PdfInfo info = Info(pdf);
    EXPECT_EQ(info.pages, 1);
    EXPECT_GT(info.width, info.height);
    std::string plain;
    ASSERT_EQ(RunCommand("pdftotext '" + pdf + "' -", &plain), 0);
    for (const char* t :
         {"01.01.2026 - 31.01.2026", "Groups of type Spending", "75% Food", "25% Home", "75%"})
        EXPECT_GE(Count(plain, t), 1) << t;

    // The settings reach the printer: orientation by report, copies from the dialog.
    for (int id : {riCharts, riTable, riBalance}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString((dir.path() / "direct.pdf").string()));
        THeadTab tab = CurrentTab();
        tab.Id = id;
        tab.ReportText = id == riCharts ? chart : R("P~A~H|H|H|H|H~D||T|0|0~");
        TPrintSettings settings;
        settings.Copies = 3;
        ASSERT_TRUE(PrintReport(*form, tab, printer, settings));
        EXPECT_EQ(printer.copyCount(), 3);
        EXPECT_EQ(printer.pageLayout().orientation(),
                  id == riCharts ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
}

TEST_F(ReportPrint, CancelPrintsNothingAndAnUnusablePrinterIsReported) {
    OpenReport(riBalance, R("a|1,00~"));
    driver.Then([](TForm& f) { static_cast<TForm15&>(f).Button2->Click(); });
    form->Button1->Click();
    EXPECT_FALSE(std::filesystem::exists(pdf));
    SetPrinterHook([](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName("/nonexistent-folder/report.pdf");
    });
    ScriptedBoxes boxes;
    boxes.Answer(IDOK);
    Print(10, 10, 10, 10);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].caption, form->Ui(159));
    EXPECT_EQ(boxes.asked()[0].text.substr(0, form->Ui(160).size()), form->Ui(160));
}

TEST_F(ReportPrint, WithoutAnInstalledPrinterTheUserIsToldAndTheReportStays) {
    OpenReport(riBalance, R("a|1,00~"));
    const size_t tabs = Head.HeadTabs.size();
    const int current = HeadIndex;
    // What the system leaves when no printer is installed: a PDF printer with no file to write.
    SetPrinterHook([](QPrinter& p) {
        p.setPrinterName(QString());
        p.setOutputFileName(QString());
    });
    ScriptedBoxes boxes;
    boxes.Answer(IDOK, form->Ui(194));
    Print(10, 10, 10, 10);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].caption, form->Ui(159));
    EXPECT_EQ(Head.HeadTabs.size(), tabs);
    EXPECT_EQ(HeadIndex, current);
    EXPECT_EQ(CurrentTab().Kind, tkReport);
    EXPECT_EQ(CurrentTab().ReportText, R("a|1,00~"));
    EXPECT_TRUE(form->Button1->Visible());
}

TEST_F(ReportPrint, RulesStayVisibleWhenThePrintoutIsRasterisedAtLowResolution) {
    // A note too long for the page makes the table as wide as the usable width, so the rules
    // run from one unit right of the left margin to one unit left of the right margin.
    const std::string longNote(400, 'n');
    AnsiString table = R("01.01.2026 - 31.01.2026~A:Money-Wallet~Date|Number|Description|In|Out~");
    constexpr int kMoves = 12;
    for (int i = 0; i < kMoves; ++i)
        table += R("0" + std::to_string(i % 9 + 1) + ".01.2026|" + std::to_string(i) + "|" +
                   (i == 0 ? longNote : "Row" + std::to_string(i)) + "||1,00~");
    table += R("Difference: -12,00||Total|0,00|12,00~");
    // A name too long for the page makes the balance's total rules reach the right margin.
    const std::string longName(400, 'w');
    const AnsiString balance = R("^Income|^01.01.2026 - 31.01.2026~" + longName + "|2500,00~" +
                                 "#^Total income|^2500,00~@^Spending|^01.01.2026 - 31.01.2026~"
                                 "Food|100,00~#^Total spending|^100,00~@#^Balance|^2400,00~");
    struct Case {
        int id;
        AnsiString text;
        int leftUnits, rightUnits;  // the rules' ends, in units from the margins
        size_t rules;
    };
    // The table: a rule above and below the header and one under every row, the sums included.
    const Case cases[] = {{riTable, table, 1, 1, kMoves + 3}, {riBalance, balance, 2, 0, 3}};
    for (const Case& c : cases) {
        OpenReport(c.id, c.text);
        Print(10, 10, 10, 10);
        const PdfInfo info = Info(pdf);
        ASSERT_EQ(info.pages, 1);
        for (int dpi : {150, 300}) {
            const QImage page = Raster(dir, pdf, dpi);
            ASSERT_FALSE(page.isNull());
            const double px = dpi / 72.0, margin = info.width * px * 10 / 297;
            const double U = (info.width * px - 2 * margin) / 100;
            // A pixel of slack at each end for the rounding of the printer's dots.
            const int x0 = static_cast<int>(std::ceil(margin + c.leftUnits * U)) + 1;
            const int x1 = static_cast<int>(info.width * px - margin - c.rightUnits * U) - 2;
            EXPECT_EQ(RuleRows(page, x0, x1).size(), c.rules) << c.id << " at " << dpi << " dpi";
        }
        std::filesystem::remove(pdf);
    }
}
