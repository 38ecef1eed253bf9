// Spreadsheet export: a title row, the period, the ledger's column captions framed in medium
// lines, and one row per move with thin inner lines, a medium outer frame, and the amounts and
// the balance as numbers.
//
// Threads: the export runs on the window's thread and decides where its work goes in parts on
// the shared pool: the cells laid out (AddCells), the cells filled (BuildSheet) and the writer's
// long passes. While parts run, the sheet's layout and the rows' texts other than a part's own
// are read-only; part p writes only its own rows' cells (and, when taking them, their texts) and
// longest[p], and only part 0, on the window's thread, tells the progress bar. Once the file
// is written, the workbook and the rows go to one task on the pool that frees them; nothing
// else touches them then.
#include "app/exchange/spreadsheet_export.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "app/window/main_window.h"
#include "app/window/window_progress.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/parallel.h"
#include "platform/part_sizes.h"
#include "xls/excel_writer.h"

namespace qm {

namespace {

constexpr int kMaxWidth = 60;
constexpr uint8_t kThin = 1, kMedium = 2;
constexpr int kCaptionRow = 2, kFirstMoveRow = 3;

xls::TvteXLSRange& Cell(xls::TvteXLSWorksheet& sheet, int row, int col) {
    return *sheet.Range(col, row, col, row);
}

void SetEdges(xls::TvteXLSFormat& f, uint8_t top, uint8_t bottom, uint8_t left, uint8_t right) {
    f.Borders.Border(xls::bdTop).LineStyle = top;
    f.Borders.Border(xls::bdBottom).LineStyle = bottom;
    f.Borders.Border(xls::bdLeft).LineStyle = left;
    f.Borders.Border(xls::bdRight).LineStyle = right;
}

void TitleCell(xls::TvteXLSWorksheet& sheet, int row, const AnsiString& text) {
    xls::TvteXLSRange& r = Cell(sheet, row, 0);
    r.SetValue(text);
    r.Format().Font.Style = xls::fsBold;
}

// The caption row starts each column's width at its caption's length + 1.
void CaptionRow(xls::TvteXLSWorksheet& sheet, const std::array<AnsiString, 7>& captions,
                std::array<int, 7>& widths) {
    for (int c = 0; c < 7; ++c) {
        xls::TvteXLSRange& r = Cell(sheet, kCaptionRow, c);
        r.SetValue(captions[c]);
        r.Format().Font.Style = xls::fsBold;
        if (c >= 4) r.Format().HorizontalAlignment = 3;
        SetEdges(r.Format(), kMedium, kMedium, kMedium, kMedium);
        widths[c] = static_cast<int>(captions[c].size()) + 1;
    }
}

// The formats of the moves' cells, made once and shared by every cell: by column, by whether
// the cell is in the last row (its lower edge is the frame's), and by whether it holds a number.
class TMoveFormats {
  public:
    TMoveFormats(xls::TvteXLSWorksheet& sheet, bool twoDecimals) {
        for (int col = 0; col < 7; ++col)
            for (int last = 0; last < 2; ++last)
                for (int number = 0; number < 2; ++number) {
                    xls::TvteXLSFormat f;
                    if (number) f.NumberFormat = twoDecimals ? "0.00" : "0";
                    SetEdges(f, kThin, last ? kMedium : kThin, col == 0 ? kMedium : kThin,
                             col == 6 ? kMedium : kThin);
                    formats_[col][last][number] = sheet.AddFormat(f);
                }
    }
    const xls::TvteXLSFormat* Of(int col, bool last, bool number) const {
        return formats_[col][last ? 1 : 0][number ? 1 : 0];
    }

  private:
    std::array<std::array<std::array<const xls::TvteXLSFormat*, 2>, 2>, 7> formats_{};
};

// `text` is moved into the cell when `take` is set. Returns the text's length.
int MoveCell(xls::TvteXLSRange& r, int col, AnsiString& text, bool take, bool last,
             const TMoveFormats& formats) {
    const int length = static_cast<int>(text.size());
    const bool number = !text.empty() && col >= 4;
    if (text.empty()) {
        r.SetValue(AnsiString(" "));
    } else if (col < 4) {
        r.SetValue(take ? std::move(text) : text);
    } else {
        // The ledger's amount texts carry the decimal comma; "------" (a balance too large to
        // show) is no number and stops the export.
        r.SetValue(static_cast<double>(StrToFloat(text)));
    }
    r.ShareFormat(formats.Of(col, last, number));
    return length;
}

std::array<int, 7> BuildSheet(xls::TvteXLSWorkbook& book, const AnsiString& sheetName,
                              TExportSheet& s, bool take, const TProgressStep& progress) {
    xls::TvteXLSWorksheet& sheet = *book.AddSheet();
    sheet.PageSetup.TopMargin = sheet.PageSetup.BottomMargin = 1.0;
    sheet.PageSetup.LeftMargin = sheet.PageSetup.RightMargin = 1.0;
    sheet.SetName(sheetName);
    TitleCell(sheet, 0, s.Account);
    TitleCell(sheet, 1, s.PeriodLine);
    std::array<int, 7> widths{};
    CaptionRow(sheet, s.Captions, widths);
    const size_t rows = s.Rows.size();
    if (rows == 0) return widths;
    // The moves' cells are made at once, and filled side by side: part p writes only the cells
    // and the texts of its own rows, and longest[p]; the rows' other texts and the sheet are not
    // changed while the parts run. The window's progress is told from the calling thread only.
    const std::vector<xls::TvteXLSRange*> cells = sheet.AddCells(
        0, kFirstMoveRow, 6, kFirstMoveRow + static_cast<int32_t>(rows) - 1, TParts::SideBySide());
    const TMoveFormats formats(sheet, s.TwoDecimals);
    std::array<std::array<int, 7>, partsizes::kMost> longest{};
    ForEachPart(rows, partsizes::kLeastExportRows, partsizes::kMost,
                [&](unsigned part, size_t first, size_t end) {
                    for (size_t i = first; i < end; ++i) {
                        if (part == 0 && progress && (i - first) % 4096 == 0)
                            progress(static_cast<int>(i * rows / end), static_cast<int>(rows) + 1);
                        for (int c = 0; c < 7; ++c) {
                            const int length = MoveCell(*cells[i * 7 + static_cast<size_t>(c)], c,
                                                        s.Rows[i][c], take, i + 1 == rows, formats);
                            longest[part][c] = std::max(longest[part][c], length);
                        }
                    }
                });
    // A column is as wide as its longest text, up to the limit.
    for (int c = 0; c < 7; ++c) {
        for (const auto& part : longest) widths[c] = std::max(widths[c], part[c]);
        widths[c] = std::min(widths[c], kMaxWidth);
    }
    return widths;
}

}  // namespace

std::array<int, 7> BuildExportSheet(xls::TvteXLSWorkbook& book, const AnsiString& sheetName,
                                    const TExportSheet& s, const TProgressStep& progress) {
    // Nothing is taken from a sheet built with take unset.
    return BuildSheet(book, sheetName, const_cast<TExportSheet&>(s), false, progress);
}

std::array<int, 7> BuildExportSheet(xls::TvteXLSWorkbook& book, const AnsiString& sheetName,
                                    TExportSheet&& s, const TProgressStep& progress) {
    return BuildSheet(book, sheetName, s, true, progress);
}

void SetExportColumnWidths(xls::TvteXLSWorksheet& sheet, const std::array<int, 7>& widths) {
    for (int c = 0; c < 7; ++c) sheet.Col(c)->Width = (widths[c] + 1) * 256;
}

std::filesystem::path XlsFileName(const std::filesystem::path& chosen) {
    const std::string name = chosen.string();
    if (name.size() >= 4 && UpperCase(name.substr(name.size() - 4)) == ".XLS") return chosen;
    return std::filesystem::path(name + ".xls");
}

std::array<int, 2> AmountCaptionEntries(int billTypeId) {
    switch (billTypeId) {
        case 1:
            return {95, 96};
        case 2:
            return {96, 97};
        default:
            return {97, 95};
    }
}

void SaveWorkbookWhole(xls::TvteXLSWorkbook& book, const std::filesystem::path& file) {
    // Both file services name `file` in their errors; the writer, which writes the temporary
    // file, names none, and the name the user chose goes before its reason.
    std::string error;
    const std::filesystem::path temp = CreateTempBeside(file, &error);
    if (temp.empty()) throw Exception(error);
    try {
        xls::TvteExcelWriter writer(TParts::SideBySide());
        writer.Save(&book, temp);
    } catch (xls::EXLSError& e) {
        DeleteFile(temp);
        e.Message = file.string() + ": " + e.Message;
        throw;
    } catch (...) {
        DeleteFile(temp);
        throw;
    }
    if (!PutInPlace(temp, file, &error)) throw Exception(error);
}

namespace {

// What an export leaves to free once the file is written: the workbook, and the rows it was
// made from.
struct TLeftOver {
    std::unique_ptr<xls::TvteXLSWorkbook> Book;
    TExportSheet Sheet;
    std::vector<TBufRow> BufRows;
    std::vector<TBillMoveRow> Rows;
};

// They are freed on the pool while the window goes on: freed here, they made the user wait
// 22 ms more for each export (xls_bench, BM_Free65000x7). The next export, and the program's
// end, wait for the last one's release, so that two workbooks are never held at once.
std::optional<TLater>& LastRelease() {
    static std::optional<TLater> release;
    return release;
}

void ReleaseLater(TLeftOver&& left) {
    auto held = std::make_shared<TLeftOver>(std::move(left));
    LastRelease().emplace([held] { *held = TLeftOver(); });
}

// What the export takes from the main window and gives back.
struct TBorrowed {
    int TabIndex = 0;
    int Id = 0, BillTypeId = 0;
    bool TwoSign = false;
    std::vector<TBufRow> BufRows;
    std::vector<TBillMoveRow> Rows;
    TDateTime From = 0, To = 0;
    bool FilterOn = false;
};

// The current tab is given the account, with an empty buffer so that the ledger loading reads
// that account and not the moves the tab already holds, and the period filter is set to the
// export's period without the balances being recalculated.
TBorrowed Borrow(TForm1& form, const TExportRequest& r) {
    THeadTab& tab = CurrentTab();
    TBorrowed saved{HeadIndex,
                    tab.Id,
                    tab.BillTypeId,
                    tab.TwoSign,
                    std::move(tab.BufRows),
                    std::move(Ledger.Rows),
                    form.DateTimePicker1->Date(),
                    form.DateTimePicker2->Date(),
                    form.CheckBox1->Checked()};
    tab.BufRows.clear();
    Ledger.Rows.clear();
    FilterEnabled = false;
    form.CheckBox1->SetChecked(true);
    form.DateTimePicker1->SetDate(r.From);
    form.DateTimePicker2->SetDate(r.To);
    tab.Id = r.AccountId;
    tab.BillTypeId = r.BillTypeId;
    tab.TwoSign = r.TwoSign;
    return saved;
}

// The rows go back as they were, so that a row being edited keeps its edit; the export's own
// rows go to `left`.
void GiveBack(TForm1& form, TBorrowed& saved, TLeftOver& left) {
    form.CheckBox1->SetChecked(saved.FilterOn);
    form.DateTimePicker1->SetDate(saved.From);
    form.DateTimePicker2->SetDate(saved.To);
    THeadTab& tab = Head.HeadTabs.at(saved.TabIndex);
    tab.Id = saved.Id;
    tab.BillTypeId = saved.BillTypeId;
    tab.TwoSign = saved.TwoSign;
    left.BufRows = std::move(tab.BufRows);
    left.Rows = std::move(Ledger.Rows);
    tab.BufRows = std::move(saved.BufRows);
    Ledger.Rows = std::move(saved.Rows);
    FilterEnabled = true;
}

TExportSheet SheetOf(TForm1& form, const TExportRequest& r) {
    TExportSheet s;
    s.Account = r.AccountText;
    s.PeriodLine = form.Ui(30) + " " + form.Ui(16) + " " + FormatDateTime(form.DateFormat, r.From) +
                   " " + form.Ui(17) + " " + FormatDateTime(form.DateFormat, r.To);
    const std::array<int, 2> entries = AmountCaptionEntries(r.BillTypeId);
    Ledger.AmountCaption1 = form.Ui(entries[0]);
    Ledger.AmountCaption2 = form.Ui(entries[1]);
    BillColumnCaptions[4] = Ledger.AmountCaption1;
    BillColumnCaptions[5] = Ledger.AmountCaption2;
    s.Captions = BillColumnCaptions;
    // The last displayed row is the ledger's empty new row.
    s.Rows.resize(Ledger.Rows.empty() ? 0 : Ledger.Rows.size() - 1);
    for (size_t i = 0; i < s.Rows.size(); ++i) s.Rows[i] = Ledger.Rows[i].Cells;
    s.TwoDecimals = r.TwoSign;
    return s;
}

// The export's own reading of the account, in the borrowed tab and the ledger, let go while the
// workbook is made: they are freed on the pool, and what the reading threads freed handed back
// to the system, so that the workbook does not come on top of them and the user does not wait
// for the freeing. The ledger keeps its last row, the empty new one, as a ledger always does.
// The task owns what it frees; the caller waits for it once the file is written.
void ReleaseExportRows(std::optional<TLater>& freeing) {
    auto rows = std::make_shared<std::pair<std::vector<TBufRow>, std::vector<TBillMoveRow>>>();
    rows->first.swap(CurrentTab().BufRows);
    std::vector<TBillMoveRow> kept;
    if (!Ledger.Rows.empty()) kept.push_back(std::move(Ledger.Rows.back()));
    rows->second.swap(Ledger.Rows);
    Ledger.Rows.swap(kept);
    freeing.emplace([rows] {
        *rows = {};
        ReturnFreedMemory();
    });
}

int WriteSheetFile(TForm1& form, const TExportRequest& r, TWindowProgress& progress,
                   TLeftOver& left, AnsiString& reason) {
    left.Book = std::make_unique<xls::TvteXLSWorkbook>();
    xls::TvteXLSWorkbook& book = *left.Book;
    TExportSheet& sheet = left.Sheet;
    std::array<int, 7> widths{};
    size_t rowCount = 0;
    std::optional<TLater> freeing;
    try {
        sheet = SheetOf(form, r);
        // The rows' texts are taken: the moves the ledger loading read for them are let go
        // before the workbook is made, and the rows themselves once their texts are in it.
        ReleaseExportRows(freeing);
        widths = BuildExportSheet(book, form.Ui(120), std::move(sheet), progress.Callback());
        rowCount = sheet.Rows.size();
        std::vector<std::array<AnsiString, 7>>().swap(sheet.Rows);
    } catch (const std::exception& e) {
        reason = r.AccountText + ": " + e.what();
        return 121;
    }
    const int rows = static_cast<int>(rowCount);
    progress.Step(rows, rows + 1);
    try {
        SetExportColumnWidths(*book.Sheet(0), widths);
        SaveWorkbookWhole(book, r.File);
    } catch (const Exception& e) {
        reason = Utf8ToAnsi(e.Message);  // names the file already
        return 122;
    } catch (const std::exception& e) {
        reason = Utf8ToAnsi(r.File.string() + ": " + e.what());
        return 122;
    }
    return -1;
}

}  // namespace

int ExportAccountMoves(TForm1& form, const TExportRequest& request, AnsiString* reason) {
    // Shown, and the window's timers held, before the current tab is borrowed.
    TWindowProgress progress(&form);
    progress.Step(0, 1);
    LastRelease().reset();
    TBorrowed saved = Borrow(form, request);
    TLeftOver left;
    int failure = -1;
    AnsiString why;
    try {
        form.GetBillMove();
        failure = WriteSheetFile(form, request, progress, left, why);
    } catch (...) {
        GiveBack(form, saved, left);
        throw;
    }
    GiveBack(form, saved, left);
    ReleaseLater(std::move(left));
    if (reason) *reason = why;
    return failure;
}

}  // namespace qm
