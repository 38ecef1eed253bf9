// Spreadsheet export: the sheet's layout, the dialog, and workbooks of the seeded household read
// back by xlrd, with the main window left as it was.
#include "app/exchange/spreadsheet_export.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <tuple>

#include "app/store/ledger_buffer.h"
#include "app/window/main_window.h"
#include "dialogs/export_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "tests/app/household.h"
#include "tests/support/cannot_run.h"
#include "tests/support/small_disk.h"
#include "tests/support/support.h"
#include "xls/excel_writer.h"

using namespace qm;
using namespace qmtest;

namespace {

// The xlrd read-back script of the spreadsheet writer's tests.
std::filesystem::path ReadScript() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    if (source && *source) return std::filesystem::path(source) / "tests/xls/read_xls.py";
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "xls/read_xls.py";
}

// What xlrd read from the first sheet of a workbook, with the book's formats and cell formats.
struct ReadBook {
    QJsonObject book, sheet;
    QJsonArray Cell(int row, int col) const {
        for (const QJsonValue& v : sheet["cells"].toArray())
            if (v[0].toInt() == row && v[1].toInt() == col) return v.toArray();
        return {};
    }
    QString Text(int row, int col) const { return Cell(row, col).at(3).toString(); }
    double Number(int row, int col) const { return Cell(row, col).at(3).toDouble(); }
    QJsonObject Xf(int row, int col) const {
        const QJsonArray cell = Cell(row, col), xfs = book["xfs"].toArray();
        const int xf = cell.size() > 4 ? cell[4].toInt() : -1;
        return xf >= 0 && xf < xfs.size() ? xfs[xf].toObject() : QJsonObject();
    }
    QString Format(int row, int col) const {
        return book["formats"]
            .toObject()[QString::number(Xf(row, col)["format"].toInt())]
            .toString();
    }
    bool Bold(int row, int col) const {
        const QJsonArray fonts = book["fonts"].toArray();
        const int font = Xf(row, col)["font"].toInt(-1);
        return font >= 0 && font < fonts.size() && fonts[font]["weight"].toInt() >= 700;
    }
    // Line styles of the top, bottom, left and right edges.
    std::array<int, 4> Edges(int row, int col) const {
        const QJsonObject b = Xf(row, col)["border"].toObject();
        return {b["top"][0].toInt(), b["bottom"][0].toInt(), b["left"][0].toInt(),
                b["right"][0].toInt()};
    }
};

ReadBook Read(const std::filesystem::path& file) {
    std::string out;
    const int rc = RunCommand(
        "/usr/bin/python3 '" + ReadScript().string() + "' '" + file.string() + "' 2>&1", &out);
    EXPECT_EQ(rc, 0) << out;
    const QJsonObject all = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_FALSE(all.contains("book_error")) << out.substr(0, 2000);
    ReadBook r;
    r.book = all["book"].toObject();
    EXPECT_EQ(r.book["log"].toString(), QString()) << "xlrd complained";
    r.sheet = r.book["sheets"].toArray()[0].toObject();
    return r;
}

QString Q(const AnsiString& s) {
    return ToQString(s);
}

// A sheet laid out without a window.
TExportSheet Sample() {
    TExportSheet s;
    s.Account = "A:Money-Wallet";
    s.PeriodLine = "Date from 01.01.2026 to 31.01.2026";
    s.Captions = {"Date", "Number", "Description", "From/To", "Income", "Expense", "Balance"};
    s.Rows.push_back({"20260101", "1", "Cash", "A:Money-Bank", "400,00", "", "400,00"});
    s.Rows.push_back({"20260102", "", "", "C:Food-Groceries", "", "11,37", "388,63"});
    s.TwoDecimals = true;
    return s;
}

}  // namespace

TEST(SpreadsheetSheet, LaysTheTableOutWithFramesNumbersAndWidths) {
    UseProgramFormats();
    TExportSheet s = Sample();
    s.Rows[1][2] = AnsiString(80, 'n');
    xls::TvteXLSWorkbook book;
    const std::array<int, 7> widths = BuildExportSheet(book, "Transactions", s);
    // Caption length + 1, raised by longer texts, never past 60.
    EXPECT_EQ(widths, (std::array<int, 7>{8, 7, 60, 16, 7, 8, 8}));
    xls::TvteXLSWorksheet& sheet = *book.Sheet(0);
    EXPECT_EQ(sheet.Name(), "Transactions");
    EXPECT_EQ(sheet.PageSetup.TopMargin, 1.0);
    EXPECT_EQ(sheet.PageSetup.BottomMargin, 1.0);
    EXPECT_EQ(sheet.PageSetup.LeftMargin, 1.0);
    EXPECT_EQ(sheet.PageSetup.RightMargin, 1.0);
    // Every range is one cell; empty texts hold one blank.
    for (int i = 0; i < sheet.RangeCount(); ++i) EXPECT_TRUE(sheet.RangeAt(i)->IsSingleCell());
    EXPECT_EQ(sheet.RangeCount(), 2 + 7 * 3);
    EXPECT_EQ(sheet.Range(1, 4, 1, 4)->Value().AsText(), " ");
    EXPECT_EQ(sheet.Range(4, 4, 4, 4)->Value().AsText(), " ");
    EXPECT_EQ(sheet.Range(4, 4, 4, 4)->Format().NumberFormat, "");
    SetExportColumnWidths(sheet, widths);
    EXPECT_EQ(sheet.Col(2)->Width, 61 * 256);
    EXPECT_EQ(sheet.Col(0)->Width, 9 * 256);

    // A balance too large to show is no number: the build fails.
    s.Rows[0][6] = "------";
    xls::TvteXLSWorkbook failing;
    EXPECT_THROW(BuildExportSheet(failing, "Transactions", s), EConvertError);

    EXPECT_EQ(XlsFileName("a/b").string(), "a/b.xls");
    EXPECT_EQ(XlsFileName("b.XLS").string(), "b.XLS");
    EXPECT_EQ(XlsFileName("b.xLs").string(), "b.xLs");
    EXPECT_EQ(XlsFileName("b.xlsx").string(), "b.xlsx.xls");
    EXPECT_EQ(XlsFileName("b.xl").string(), "b.xl.xls");
    EXPECT_EQ(AmountCaptionEntries(1), (std::array<int, 2>{95, 96}));
    EXPECT_EQ(AmountCaptionEntries(2), (std::array<int, 2>{96, 97}));
    EXPECT_EQ(AmountCaptionEntries(3), (std::array<int, 2>{97, 95}));
}

namespace {

struct SpreadsheetExport : HouseholdWindow {
    void SetUp() override { Open(30); }
    void TearDown() override {
        SetFileDialogHook({});
        HouseholdWindow::TearDown();
    }
    // Opens a ledger tab of the bank with its buffer loaded, as the user left it.
    void OpenBankLedger() {
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = kBank;
        tab.BillTypeId = 2;
        tab.TwoSign = true;
        tab.Caption = "Bank";
        Head.HeadTabs.push_back(tab);
        form->SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
        form->GetBillMove();
    }
    void ChooseFile(const std::filesystem::path& name) {
        SetFileDialogHook([name](const FileDialogRequest& r) {
            EXPECT_FALSE(r.save);
            EXPECT_EQ(r.filter, "");
            EXPECT_EQ(r.title, "");
            return std::vector<std::filesystem::path>{name};
        });
    }
    int Item(const TForm9& d, int account) {
        for (size_t i = 0; i < d.AccountIds.size(); ++i)
            if (d.AccountIds[i] == account) return static_cast<int>(i);
        return -1;
    }
    // Shows the dialog through the menu; `act` drives it.
    void Export(std::function<void(TForm9&)> act) {
        ModalDriver driver;
        driver.Then([&](TForm& f) { act(static_cast<TForm9&>(f)); });
        form->Action(23)->trigger();
    }
};

}  // namespace

TEST_F(SpreadsheetExport, DialogListsAccountsAndShowsItsCaptions) {
    TForm9& d = *Form9;
    EXPECT_TRUE(form->Action(23)->isEnabled());
    EXPECT_EQ(d.Caption(), form->Ui(60));
    EXPECT_EQ(d.Label1->Caption(), form->Ui(16));
    EXPECT_EQ(d.Label4->Caption(), form->Ui(17));
    EXPECT_EQ(d.Label2->Caption(), form->Ui(119));
    EXPECT_EQ(d.Button1->Caption(), form->Ui(5));
    EXPECT_EQ(d.Button2->Caption(), form->Ui(6));
    EXPECT_EQ(d.DateTimePicker1->Date(), EncodeDate(2026, 3, 15));
    Export([&](TForm9& f) {
        std::vector<AnsiString> items;
        for (int i = 0; i < f.ComboBox1->Items().Count(); ++i)
            items.push_back(f.ComboBox1->Items()[i]);
        EXPECT_EQ(items,
                  (std::vector<AnsiString>{
                      "I:Work-Bonus", "I:Work-Salary", "A:Money-Bank", "A:Money-Euro card",
                      "A:Money-Wallet", "S:Food-Groceries", "S:Food-Restaurants", "S:Home-Rent"}));
        EXPECT_EQ(f.AccountIds, (std::vector<int>{kBonus, kSalary, kBank, kEuroCard, kWallet,
                                                  kGroceries, kRestaurants, kRent}));
        EXPECT_EQ(f.AccountTypes, (std::vector<int>{1, 1, 2, 2, 2, 3, 3, 3}));
        EXPECT_EQ(f.AccountTwoSign[0], true);
        EXPECT_EQ(f.ComboBox1->ItemIndex(), 0);
        EXPECT_EQ(f.DateTimePicker1->Format(), form->DateFormat);
        EXPECT_TRUE(f.Button1->Enabled());
        const char* shots = std::getenv("QM_SCREENSHOT_DIR");
        const QImage shot = f.grab().toImage();
        EXPECT_EQ(shot.size(), f.size());
        if (shots && *shots) shot.save(QString(shots) + "/export_dialog.png");
        f.Button2->Click();
    });
    EXPECT_FALSE(std::filesystem::exists("out.xls"));
}

TEST_F(SpreadsheetExport, WritesTheLedgersRowsOfThePeriodAndLeavesTheWindowAsItWas) {
    OpenBankLedger();
    form->CheckBox1->SetChecked(false);
    const TDateTime from = form->DateTimePicker1->Date(), to = form->DateTimePicker2->Date();
    const auto bankRows = Ledger.Rows.size();
    const auto bankBuffer = CurrentTab().BufRows.size();
    ASSERT_EQ(bankRows, 3u);  // two moves and the new row
    ChooseFile("wallet");
    Export([&](TForm9& f) {
        f.ComboBox1->SetItemIndex(Item(f, kWallet));
        f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 27));
        f.DateTimePicker2->SetDate(EncodeDate(2026, 2, 2));
        f.Button1->Click();
        EXPECT_NE(f.ModalResult(), mrNone);  // the dialog closed
    });
    // The window: same tab, account, buffer, rows, period, filter; balances not recalculated.
    EXPECT_EQ(CurrentTab().Id, kBank);
    EXPECT_EQ(CurrentTab().BillTypeId, 2);
    EXPECT_EQ(CurrentTab().BufRows.size(), bankBuffer);
    EXPECT_EQ(Ledger.Rows.size(), bankRows);
    EXPECT_EQ(Ledger.Rows[0].CorrBillId, kSalary);
    EXPECT_FALSE(form->CheckBox1->Checked());
    EXPECT_EQ(form->DateTimePicker1->Date(), from);
    EXPECT_EQ(form->DateTimePicker2->Date(), to);
    EXPECT_TRUE(FilterEnabled);

    const ReadBook r = Read("wallet.xls");
    EXPECT_EQ(r.sheet["name"].toString(), Q(form->Ui(120)));
    EXPECT_EQ(r.Text(0, 0), "A:Money-Wallet");
    EXPECT_EQ(r.Text(1, 0), "Date from 27.01.2026 to 02.02.2026");
    EXPECT_TRUE(r.Bold(0, 0));
    EXPECT_TRUE(r.Bold(1, 0));
    EXPECT_FALSE(r.Bold(3, 0));
    // Captions: the ledger's, with the amount captions of an assets account.
    const AnsiString captions[] = {form->Ui(30), form->Ui(31), form->Ui(32), form->Ui(84),
                                   form->Ui(96), form->Ui(97), form->Ui(85)};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(r.Text(2, c), Q(captions[c]));
        EXPECT_TRUE(r.Bold(2, c));
        EXPECT_EQ(r.Edges(2, c), (std::array<int, 4>{2, 2, 2, 2}));
        EXPECT_EQ(r.Xf(2, c)["halign"].toInt(), c >= 4 ? 3 : 0);
    }
    // The moves of 27 and 28 January and 1 and 2 February, as the ledger holds them.
    EXPECT_EQ(r.sheet["nrows"].toInt(), 3 + 4);
    EXPECT_EQ(r.Text(3, 0), "20260127");
    EXPECT_EQ(r.Text(3, 1), "126");
    EXPECT_EQ(r.Text(3, 2), "Weekly shop");
    EXPECT_EQ(r.Text(3, 3), "S:Food-Groceries");
    EXPECT_EQ(r.Text(3, 4), " ");
    EXPECT_DOUBLE_EQ(r.Number(3, 5), 45.62);
    EXPECT_EQ(r.Format(3, 5), "0.00");
    EXPECT_EQ(r.Text(4, 0), "20260128");
    EXPECT_EQ(r.Text(4, 2), "Dinner out");
    EXPECT_EQ(r.Text(4, 3), "S:Food-Restaurants");
    EXPECT_EQ(r.Text(6, 0), "20260202");
    // The balance runs over every move of the account, not just the period's.
    long double balance = 400;
    for (int i = 0; i <= 29; ++i) balance -= (1000 + 137 * i) / 100.0L;
    EXPECT_NEAR(r.Number(6, 6), static_cast<double>(balance), 1e-9);
    EXPECT_EQ(r.Format(6, 6), "0.00");
    // Thin inner lines, a medium outer frame.
    EXPECT_EQ(r.Edges(3, 0), (std::array<int, 4>{1, 1, 2, 1}));
    EXPECT_EQ(r.Edges(4, 3), (std::array<int, 4>{1, 1, 1, 1}));
    EXPECT_EQ(r.Edges(4, 6), (std::array<int, 4>{1, 1, 1, 2}));
    EXPECT_EQ(r.Edges(6, 0), (std::array<int, 4>{1, 2, 2, 1}));
    EXPECT_EQ(r.Edges(6, 6), (std::array<int, 4>{1, 2, 1, 2}));
    EXPECT_TRUE(r.sheet["merged"].toArray().isEmpty());
    // Widths: caption + 1 or the longest text, plus one.
    const QJsonObject widths = r.sheet["widths"].toObject();
    EXPECT_EQ(widths["0"].toInt(), (8 + 1) * 256);
    EXPECT_EQ(widths["3"].toInt(), (18 + 1) * 256);
    EXPECT_EQ(widths["6"].toInt(), (static_cast<int>(form->Ui(85).size()) + 2) * 256);
}

TEST_F(SpreadsheetExport, EdgeCasesOfPeriodNamesAndFailures) {
    // Start after end: the single start day; the end picker shows it afterwards. A name ending
    // in ".XLS" is kept. An income account without decimals gets whole numbers.
    DB->ExecSQL("update bill set twosign = 'FF' where id = " + IntToStr(kSalary));
    ChooseFile("salary.XLS");
    Export([&](TForm9& f) {
        f.ComboBox1->SetItemIndex(Item(f, kSalary));
        f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        f.DateTimePicker2->SetDate(EncodeDate(2025, 6, 1));
        f.Button1->Click();
        EXPECT_EQ(f.DateTimePicker2->Date(), EncodeDate(2026, 1, 1));
    });
    ReadBook r = Read("salary.XLS");
    EXPECT_EQ(r.Text(1, 0), "Date from 01.01.2026 to 01.01.2026");
    EXPECT_EQ(r.Text(2, 4), Q(form->Ui(95)));
    EXPECT_EQ(r.Text(2, 5), Q(form->Ui(96)));
    EXPECT_EQ(r.sheet["nrows"].toInt(), 4);
    EXPECT_DOUBLE_EQ(r.Number(3, 5), 2500);
    EXPECT_DOUBLE_EQ(r.Number(3, 6), 2500);
    EXPECT_EQ(r.Format(3, 5), "0");

    // No moves in the period: titles and captions only.
    ChooseFile("rent.xlsx");
    Export([&](TForm9& f) {
        f.ComboBox1->SetItemIndex(Item(f, kRent));
        f.Button1->Click();
    });
    r = Read("rent.xlsx.xls");
    EXPECT_EQ(r.sheet["nrows"].toInt(), 3);
    EXPECT_EQ(r.Text(2, 4), Q(form->Ui(97)));

    // A long note: the column is capped.
    DB->ExecSQL("update bill_move set note = '" + AnsiString(80, 'x') + "' where ts = '20260101'");
    ChooseFile("bank");
    Export([&](TForm9& f) {
        f.ComboBox1->SetItemIndex(Item(f, kBank));
        f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        f.Button1->Click();
    });
    EXPECT_EQ(Read("bank.xls").sheet["widths"].toObject()["2"].toInt(), 61 * 256);

    // A file that exists: No keeps the file and the dialog open; a cancelled file dialog too.
    std::ofstream("bank.xls") << "keep";
    {
        ScriptedBoxes boxes;
        Export([&](TForm9& f) {
            boxes.Answer(IDNO, form->Ui(123));
            f.Button1->Click();
            EXPECT_EQ(f.ModalResult(), mrNone);
            SetFileDialogHook(
                [](const FileDialogRequest&) { return std::vector<std::filesystem::path>{}; });
            f.Button1->Click();
            EXPECT_EQ(f.ModalResult(), mrNone);
            f.Button2->Click();
        });
        EXPECT_EQ(boxes.asked().at(0).caption, form->Ui(136));
    }
    std::ifstream kept("bank.xls");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), "keep");

    // A balance too large to show: nothing is written; a folder that does not exist: the save
    // fails. Both say so, and the window is restored.
    BalanceOverflowShown = true;  // the ledger's own notice is not what this is about
    DB->ExecSQL("update bill_move set amount = 5e12 where ts = '20260101' and src_bill_id = " +
                IntToStr(kBank));
    for (const auto& [file, message, because] :
         {std::tuple<std::string, int, std::string>{"huge", 121, "-Bank: "},
          std::tuple<std::string, int, std::string>{"no/such/dir/x", 122, "No such file"}}) {
        ScriptedBoxes boxes;
        boxes.Answer(IDOK);
        ChooseFile(file);
        const bool huge = message == 121;  // a lambda may not capture a structured binding
        Export([&](TForm9& f) {
            f.ComboBox1->SetItemIndex(Item(f, huge ? kBank : kWallet));
            f.Button1->Click();
        });
        // The program's text, and below it what failed.
        const AnsiString shown = boxes.asked().at(0).text;
        EXPECT_EQ(shown.rfind(form->Ui(message) + "\r\r", 0), 0u) << shown;
        EXPECT_NE(shown.find(because), AnsiString::npos) << shown;
        EXPECT_FALSE(std::filesystem::exists(file + ".xls"));
        EXPECT_EQ(CurrentTab().Kind, tkTree);
        EXPECT_TRUE(CurrentTab().BufRows.empty());
        EXPECT_TRUE(FilterEnabled);
    }
}

// While an export works on a borrowed ledger, the progress bar shows and the event loop runs,
// but not the window's caret timer, which would paint the ledger from the borrowed rows; after
// the export the timer runs again and the ledger is as it was.
TEST_F(SpreadsheetExport, ShowsProgressWithoutPaintingTheBorrowedLedger) {
    OpenBankLedger();
    form->show();
    ASSERT_TRUE(form->Timer2->Enabled());
    const auto bankRows = Ledger.Rows.size();
    bool timerRan = false, barShown = false, caretTimer = true;
    int rowsSeen = 0;
    ChooseFile("wallet");
    Export([&](TForm9& f) {
        f.ComboBox1->SetItemIndex(Item(f, kWallet));
        f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        f.DateTimePicker2->SetDate(EncodeDate(2026, 2, 28));
        QTimer::singleShot(0, [&] {
            timerRan = true;
            barShown = form->ProgressBar1->isVisible();
            caretTimer = form->Timer2->Enabled();
            rowsSeen = form->ProgressBar1->maximum();
        });
        f.Button1->Click();
    });
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(barShown);
    EXPECT_FALSE(caretTimer);
    EXPECT_GE(rowsSeen, 1);
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_TRUE(form->Timer2->Enabled());
    EXPECT_EQ(CurrentTab().Id, kBank);
    EXPECT_EQ(Ledger.Rows.size(), bankRows);
    EXPECT_EQ(Read("wallet.xls").sheet["nrows"].toInt(), 3 + 31);
}

// Texts taken from the sheet give the very workbook that copying them gives.
TEST(SpreadsheetSheet, TakingTheRowsTextsBuildsTheSameWorkbook) {
    UseProgramFormats();
    TExportSheet copied = Sample();
    copied.Rows.push_back(
        {"20260103", "77", AnsiString(40, 'w'), "B:Work-Salary", "1200,50", "", "1589,13"});
    TExportSheet taken = copied;
    xls::TvteXLSWorkbook a, b;
    const std::array<int, 7> widthsA = BuildExportSheet(a, "Transactions", copied);
    const std::array<int, 7> widthsB = BuildExportSheet(b, "Transactions", std::move(taken));
    EXPECT_EQ(widthsA, widthsB);
    EXPECT_EQ(taken.Rows.size(), 3u);
    EXPECT_EQ(copied.Rows[2][2], AnsiString(40, 'w'));
    xls::TMemStream streamA, streamB;
    xls::TvteExcelWriter().WriteWorkbook(streamA, &a);
    xls::TvteExcelWriter().WriteWorkbook(streamB, &b);
    EXPECT_EQ(streamA.Data(), streamB.Data());
    EXPECT_EQ(b.Sheet(0)->Range(2, 5, 2, 5)->Value().AsText(), AnsiString(40, 'w'));
}

namespace {

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::filesystem::path> FolderFiles(const std::filesystem::path& folder = ".") {
    std::vector<std::filesystem::path> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path());
    return names;
}

// The sample sheet with `rows` moves more.
TExportSheet SampleWith(int rows) {
    TExportSheet s = Sample();
    for (int i = 0; i < rows; ++i)
        s.Rows.push_back({"20260103", IntToStr(i), "Note " + IntToStr(i), "B:Work-Salary",
                          "1200,50", "", "1589,13"});
    return s;
}

// A folder `name` here on a small disk of its own (a file size limit where none can be mounted,
// which CI does not accept); returns whether it was mounted. For a child process only.
bool SmallDiskFolder(const std::string& name) {
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
    const bool mounted = MountSmallDisk(64 * 1024);
    std::filesystem::current_path("..");
    if (!mounted && InCi()) ADD_FAILURE() << "no small disk could be mounted";
    return mounted;
}

}  // namespace

// A workbook the file format cannot hold is refused before anything stands under the chosen
// name: the earlier file stays, and no temporary file is left beside it.
TEST(SpreadsheetFile, AWorkbookThatCannotBeStoredLeavesTheEarlierFile) {
    TempDir dir;
    UseProgramFormats();
    std::ofstream("out.xls", std::ios::binary) << "earlier";
    xls::TvteXLSWorkbook book;
    BuildExportSheet(book, "Transactions", Sample());
    book.Sheet(0)->Range(0, 5, 0, 5)->Format().NumberFormat = AnsiString(300, '0');
    EXPECT_THROW(SaveWorkbookWhole(book, "out.xls"), xls::EXLSError);
    EXPECT_EQ(Contents("out.xls"), "earlier");
    EXPECT_EQ(FolderFiles(), std::vector<std::filesystem::path>{"./out.xls"});
}

// A save killed at any moment leaves the earlier file or the whole new one under the name.
TEST(SpreadsheetFile, KillingASaveLeavesTheEarlierFileOrTheWholeNewOne) {
    TempDir dir;
    UseProgramFormats();
    xls::TvteXLSWorkbook book;
    BuildExportSheet(book, "Transactions", SampleWith(30000));
    SaveWorkbookWhole(book, "whole.xls");
    const std::string whole = Contents("whole.xls");
    const std::string earlier = "earlier";
    std::srand(4321);
    long long saveMicros = 0;
    int wholeSeen = 0, earlierSeen = 0;
    for (int round = 0; round < 16; ++round) {
        std::ofstream("out.xls", std::ios::binary | std::ios::trunc) << earlier;
        int saved[2];
        ASSERT_EQ(pipe(saved), 0);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            close(saved[0]);
            for (;;) {
                SaveWorkbookWhole(book, "out.xls");
                if (write(saved[1], "x", 1) != 1) _exit(8);
            }
        }
        close(saved[1]);
        if (round == 0) {
            char byte = 0;
            ASSERT_EQ(read(saved[0], &byte, 1), 1);
            saveMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
        } else {
            usleep(static_cast<useconds_t>(std::rand() % (2 * saveMicros + 1)));
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(saved[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save ended by itself in round " << round;
        const std::string now = Contents("out.xls");
        if (now == earlier)
            ++earlierSeen;
        else if (now == whole)
            ++wholeSeen;
        else
            ADD_FAILURE() << "round " << round << ": a part of " << now.size() << " bytes of "
                          << whole.size();
        // What a kill may leave besides: temporary files, never under the chosen name.
        for (const auto& p : FolderFiles())
            if (p.filename() != "out.xls" && p.filename() != "whole.xls")
                std::filesystem::remove(p);
    }
    EXPECT_GT(wholeSeen, 0);
    EXPECT_GT(earlierSeen, 0);
}

namespace {

// The checks of the next test, in a child, which the small disk changes for good.
void SaveOnASmallDisk() {
    UseProgramFormats();
    const bool mounted = SmallDiskFolder("disk");
    const std::filesystem::path file = std::filesystem::absolute("disk/out.xls");
    const std::string full = file.string() + ": " + std::strerror(mounted ? ENOSPC : EFBIG);
    // Workbooks from well inside the disk to well past it: the room runs out while the stream is
    // written or only when the container's tables are and the file is closed.
    int fitted = 0, refused = 0;
    for (int rows = 0; rows <= 600; rows += 20) {
        xls::TvteXLSWorkbook book;
        BuildExportSheet(book, "Transactions", SampleWith(rows));
        SaveWorkbookWhole(book, "roomy.xls");
        std::ofstream(file, std::ios::binary) << "earlier";
        if (!mounted) LimitFileSize(48 * 1024);
        std::string message;
        try {
            SaveWorkbookWhole(book, file);
        } catch (const Exception& e) {
            message = e.Message;
        }
        LimitFileSize(0);
        const bool fits = message.empty();
        ++(fits ? fitted : refused);
        EXPECT_EQ(message, fits ? std::string() : full) << rows << " rows";
        EXPECT_EQ(Contents(file), fits ? Contents("roomy.xls") : "earlier") << rows << " rows";
        EXPECT_EQ(FolderFiles(file.parent_path()), std::vector<std::filesystem::path>{file});
    }
    EXPECT_GT(fitted, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace

// A save that finds the disk full names the file once with the system's reason and leaves the
// earlier file as it was, with nothing beside it; a save that fits leaves the very bytes a roomy
// disk gets.
TEST(SpreadsheetFile, AFullDiskIsNamedOnceWithTheSystemsReasonAndKeepsTheEarlierFile) {
    TempDir dir;
    EXPECT_EXIT(std::exit(ChildChecks(SaveOnASmallDisk)), ::testing::ExitedWithCode(0), "");
}

// The box the user reads when the file cannot be saved: the program's words, the file's name once
// and the system's reason, on a full disk and in a folder the user may not write in. In a child,
// which the small disk and the change of user change for good.
TEST_F(SpreadsheetExport, AFileThatCannotBeSavedIsNamedOnceWithTheSystemsReason) {
    const auto shown = [&](const std::filesystem::path& chosen) {
        ScriptedBoxes boxes;
        boxes.Answer(IDOK);
        ChooseFile(chosen);
        Export([&](TForm9& f) {
            f.ComboBox1->SetItemIndex(Item(f, kWallet));
            f.Button1->Click();
        });
        return boxes.asked().empty() ? AnsiString() : boxes.asked()[0].text;
    };
    const AnsiString words = form->Ui(122) + "\r\r";
    const auto checks = [&] {
        // Without a mount (allowed outside CI) only the folder: a file size limit would stop the
        // window's own writes to its database as well.
        if (SmallDiskFolder("disk")) {
            const std::filesystem::path full = std::filesystem::absolute("disk/out");
            // Whatever room is left goes to a file of its own.
            std::ofstream("disk/filler", std::ios::binary) << std::string(128 * 1024, 'f');
            EXPECT_EQ(shown(full), words + full.string() + ".xls: " + std::strerror(ENOSPC));
        }

        std::filesystem::create_directory("locked");
        chmod("locked", 0555);
        ActAsAnotherUser(dir.path());
        const std::filesystem::path refused = std::filesystem::absolute("locked/out");
        EXPECT_EQ(shown(refused), words + refused.string() + ".xls: " + std::strerror(EACCES));
        EXPECT_TRUE(std::filesystem::is_empty("locked"));
    };
    EXPECT_EXIT(std::exit(ChildChecks(checks)), ::testing::ExitedWithCode(0), "");
}
