// The balance and table report routines. Each lays its text out first (cells and column widths
// measured in the canvas's font) and then draws it row by row; on paper a new page starts before
// a row whose top lies below the usable height, and every page carries its number.
//
// Threads: a long table report's rows are measured in runs on the shared pool (MeasureTable).
// The rows are read-only while the runs go; run 0 measures with the canvas on the calling
// thread, every other run with a measurer of its own made beforehand, and each writes only its
// own slot of the widest widths.
#include "app/reports/report_paint.h"

#include <QPaintDevice>
#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/window/main_window.h"
#include "platform/parallel.h"
#include "platform/part_sizes.h"

namespace qm {
namespace {

const TColor kRule = RGB(0x6C, 0x6C, 0x6C);

// The quantities both routines derive from the canvas and the margins.
struct Frame {
    TRect M{};     // margins: distances from the drawable area's edges
    TRect clip{};  // the drawable area
    int W = 0;     // usable width
    int H = 0;     // the y beyond which a row starts a new page
    int U = 10;    // unit of spacing: 10 pixels, or a hundredth of the width on paper
    int LH = 0;    // line height
    // Whether anything drawn from y down over `height` rows of pixels lands on the drawable area.
    bool Shows(int y, int height) const { return y + height > clip.Top && y < clip.Bottom; }
};

Frame FrameOf(TCanvas& c, const TRect& margins, bool toPrinter) {
    Frame f;
    f.M = margins;
    f.clip = c.ClipRect();
    f.W = f.clip.Right - margins.Left - margins.Right;
    f.H = f.clip.Bottom - margins.Bottom;
    if (toPrinter) f.U = static_cast<int>(RoundHalfEven(f.W / 100.0L));
    return f;
}

void SetBold(TCanvas& c, bool bold) {
    c.Font.Style = bold ? TFontStyles{fsBold} : TFontStyles{};
}

void Prepare(TCanvas& c, const TRect& clip, bool bold, bool toPrinter) {
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.FillRect(clip);
    // The page is white already. A text box filled white on paper would cover the rule at its
    // edge once the page is rasterised coarser than the printer's dots.
    if (toPrinter) c.Brush.Style = bsClear;
    c.Pen = TPen{kRule, 1, psSolid};
    c.Font.Name = "Arial";
    c.Font.Size = 9;
    c.Font.Color = clBlack;
    SetBold(c, bold);
}

void HLine(TCanvas& c, int x1, int x2, int y) {
    c.MoveTo(x1, y);
    c.LineTo(x2, y);
}

void VLine(TCanvas& c, int x, int y, int height) {
    c.MoveTo(x, y);
    c.LineTo(x, y + height);
}

// Page breaks and page numbers. The window is one page; on paper every page after the first
// starts a new sheet, and each gets its label right-aligned to the usable width.
class Pages {
  public:
    Pages(const TForm1& form, TCanvas& c, const Frame& f, bool printer)
        : form_(form), c_(c), f_(f), printer_(printer) {}

    bool Begins(int y) const { return count_ == 0 || (printer_ && y > f_.H); }

    void Start(int labelTop) {
        if (printer_) {
            if (count_ > 0) c_.NewPage();
            SetBold(c_, false);
            const AnsiString label = form_.Ui(166) + " " + IntToStr(count_ + 1);
            c_.TextOut(f_.M.Left + f_.W - c_.TextWidth(label), labelTop, label);
        }
        ++count_;
    }

  private:
    const TForm1& form_;
    TCanvas& c_;
    const Frame& f_;
    bool printer_;
    int count_ = 0;
};

struct BalanceRow {
    AnsiString left, right;
};

struct BalanceLayout {
    std::vector<BalanceRow> rows;
    int Wl = 0;  // the names' column, narrowed when the page is too narrow
    int Wr = 0;  // the amounts' column
};

int CellWidth(TCanvas& c, const AnsiString& cell) {
    SetBold(c, HasMark(cell, '\2'));
    return c.TextWidth(StripMarks(cell));
}

BalanceLayout LayOutBalance(TCanvas& c, const AnsiString& text, Frame& f) {
    BalanceLayout L;
    for (TLineReader lines(text); !lines.AtEnd();) {
        const AnsiString line = lines.Next();
        const size_t sep = line.find('\1');
        if (sep == AnsiString::npos)
            L.rows.push_back({AnsiString(), line});
        else
            L.rows.push_back({line.substr(0, sep), line.substr(sep + 1)});
    }
    for (const BalanceRow& row : L.rows) {
        L.Wl = std::max(L.Wl, CellWidth(c, row.left));
        L.Wr = std::max(L.Wr, CellWidth(c, row.right));
    }
    f.LH = c.TextHeight("1");
    // The names give way when the two columns do not fit. Their whole extent, indent included,
    // is 3U + Wl + Wr, so the names are narrowed by all of it and the amounts stay whole.
    if (L.Wl + L.Wr + 3 * f.U > f.W) L.Wl = f.W - 3 * f.U - L.Wr;
    return L;
}

// A row's cells as they stand in the text, without their marks.
using TableCells = std::array<std::string_view, 5>;

// A table text cut into rows and measured in the canvas's font: what does not change from one
// paint of the same report to the next. The rows look into the measure's own copy of the text,
// so that a report of a hundred thousand moves is held once more, not once per cell.
struct TableMeasure {
    AnsiString text;
    AnsiString period, account;
    std::vector<TableCells> rows;  // 0 the column header, the last the sums
    std::array<int, 5> w{};        // the widest text of each column
    int LH = 0;
};

struct TableLayout {
    std::shared_ptr<const TableMeasure> m;
    std::array<int, 5> w{};  // column widths, the note column fitted to the page
    int X = 0;               // the right end of the rules
};

enum class RowKind { Header, Body, Sums };

// The line's parts between separators, as CutParts cuts them, each without its leading marks.
TableCells CellsOf(std::string_view line) {
    TableCells cells;
    size_t pos = 0;
    for (size_t i = 0; i < cells.size() && pos < line.size(); ++i) {
        size_t end = line.find('\1', pos);
        if (end == std::string_view::npos) end = line.size();
        size_t from = pos;
        while (from < end && static_cast<unsigned char>(line[from]) < 10) ++from;
        cells[i] = line.substr(from, end - from);
        pos = end + 1;
    }
    return cells;
}

// Widths of texts in one font; a report repeats its dates, notes and amounts many times. The
// texts are looked up where they stand, in rows that outlive the table.
template <class Measure>
class Widths {
  public:
    explicit Widths(Measure measure) : measure_(std::move(measure)) {}
    int Of(std::string_view text) {
        auto known = widths_.find(text);
        if (known == widths_.end()) known = widths_.emplace(text, measure_(AnsiString(text))).first;
        return known->second;
    }

  private:
    Measure measure_;
    std::unordered_map<std::string_view, int> widths_;
};

void MeasureTable(TCanvas& c, TableMeasure& m) {
    SetBold(c, true);
    for (size_t col = 0; col < 5; ++col) m.w[col] = c.TextWidth(AnsiString(m.rows.front()[col]));
    SetBold(c, false);
    // A long report's rows are measured in runs side by side where the canvas lets other
    // threads measure: the first run here, each other with a measurer and widths of its own.
    constexpr unsigned kMostParts = partsizes::kMost;
    std::array<std::unique_ptr<TCanvas::TTextMeasurer>, kMostParts> measurers;
    unsigned allowed = 1;
    for (; allowed < kMostParts; ++allowed)
        if (!(measurers[allowed] = c.Measurer())) break;
    std::array<std::array<int, 5>, kMostParts> widest{};
    ForEachPart(m.rows.size() - 1, partsizes::kLeastMeasuredRows, allowed,
                [&](unsigned p, size_t first, size_t end) {
                    auto run = [&](auto measure) {
                        Widths<decltype(measure)> widths(measure);
                        for (size_t i = first + 1; i < end + 1; ++i)
                            for (size_t col = 0; col < 5; ++col)
                                widest[p][col] =
                                    std::max(widest[p][col], widths.Of(m.rows[i][col]));
                    };
                    if (p == 0)
                        run([&c](const AnsiString& text) { return c.TextWidth(text); });
                    else
                        run([&measurer = *measurers[p]](const AnsiString& text) {
                            return measurer.Width(text);
                        });
                });
    for (const auto& run : widest)
        for (size_t col = 0; col < 5; ++col) m.w[col] = std::max(m.w[col], run[col]);
    // The sums are drawn bold.
    SetBold(c, true);
    for (size_t col = 2; col < 5; ++col)
        m.w[col] = std::max(m.w[col], c.TextWidth(AnsiString(m.rows.back()[col])));
}

std::shared_ptr<const TableMeasure> MeasureTableText(TCanvas& c, const AnsiString& text) {
    auto m = std::make_shared<TableMeasure>();
    m->LH = c.TextHeight("1");
    m->text = text;
    // Lines end at '\r', as TLineReader reads them.
    const std::string_view all = m->text;
    size_t pos = 0;
    auto nextLine = [&] {
        if (pos >= all.size()) return std::string_view();
        size_t end = all.find('\r', pos);
        if (end == std::string_view::npos) end = all.size();
        const std::string_view line = all.substr(pos, end - pos);
        pos = end + 1;
        return line;
    };
    m->period = StripMarks(AnsiString(nextLine()));
    m->account = StripMarks(AnsiString(nextLine()));
    while (pos < all.size()) m->rows.push_back(CellsOf(nextLine()));
    if (m->rows.empty()) m->rows.emplace_back();  // a text without its column header
    MeasureTable(c, *m);
    return m;
}

// Whether `text` is the text `last` was copied from. A text that stands where it stood (the same
// string, its characters in the same place, of the same length) is the report tab's text painted
// again: a tab's text is set when the tab is made and not changed in place. For such a text the
// two are compared at both ends and in blocks spread over it, so that a paint does not compare
// all of a text of many megabytes twice; any other text is compared whole.
bool SameReportText(const AnsiString& text, const AnsiString& last, const void* lastAt,
                    const char* lastData) {
    if (text.size() != last.size()) return false;
    constexpr size_t kBlock = 4096, kBlocks = 64;
    if (&text != lastAt || text.data() != lastData || text.size() <= 2 * kBlock * kBlocks)
        return text == last;
    const size_t step = (text.size() - kBlock) / (kBlocks - 1);
    for (size_t b = 0; b < kBlocks; ++b) {
        const size_t at = b * step;
        if (text.compare(at, kBlock, last, at, kBlock) != 0) return false;
    }
    return text.compare(text.size() - kBlock, kBlock, last, last.size() - kBlock, kBlock) == 0;
}

// Where the text last painted stood (the string and its characters); see SameReportText.
const void* lastAt = nullptr;
const char* lastData = nullptr;

// The window paints the same report over and over as it scrolls; its rows and widths are kept
// for the text last painted at the screen's resolution. Paper is measured afresh.
std::shared_ptr<const TableMeasure> MeasuredTable(TCanvas& c, const AnsiString& text,
                                                  bool toPrinter) {
    static int lastDpi = 0;
    static std::shared_ptr<const TableMeasure> last;
    if (toPrinter || !c.Device()) return MeasureTableText(c, text);
    const int dpi = c.Device()->logicalDpiY();
    if (!last || lastDpi != dpi || !SameReportText(text, last->text, lastAt, lastData)) {
        last.reset();  // the old rows go before the new ones are made
        last = MeasureTableText(c, text);
        lastDpi = dpi;
    }
    lastAt = &text;
    lastData = text.data();
    return last;
}

TableLayout LayOutTable(TCanvas& c, const AnsiString& text, Frame& f, bool toPrinter) {
    TableLayout L;
    L.m = MeasuredTable(c, text, toPrinter);
    L.w = L.m->w;
    f.LH = L.m->LH;
    const int U = f.U;
    int S = 0;
    for (int col : {0, 1, 3, 4}) S += L.w[col] + 2 * U;
    // Only the note column gives way when the columns do not fit.
    if (f.W - 2 * U - S < L.w[2] + 2 * U) {
        L.w[2] = f.W - 4 * U - S;
        L.X = f.M.Left + f.W - U;
    } else {
        L.X = f.M.Left + U + S + L.w[2] + 2 * U;
    }
    return L;
}

void DrawGridRow(TCanvas& c, const Frame& f, const TableLayout& L, const TableCells& cells,
                 RowKind kind, int y) {
    const int U = f.U;
    VLine(c, f.M.Left + U, y, f.LH);
    int x = f.M.Left + 2 * U;
    for (size_t col = 0; col < cells.size(); ++col) {
        const int w = L.w[col];
        // The sums row leaves its first cell, the difference, for the line below the grid.
        const AnsiString text =
            kind == RowKind::Sums && col == 0
                ? AnsiString()
                : AnsiString(cells[col].substr(0, kShownTextLimit + 1));  // as ShownPart cuts
        const bool right =
            kind != RowKind::Header && (col >= 3 || (kind == RowKind::Sums && col == 2));
        const int tx = right ? RightAlignedX(x, x + w, c.TextWidth(text)) : x;
        c.TextRect(Rect(x, y, x + w, y + f.LH), tx, y, text);
        VLine(c, x + w + U - 1, y, f.LH);
        x += w + 2 * U;
    }
}

// The top of a table page: title, period, account, then the column header between rules.
int TableHeading(const TForm1& form, TCanvas& c, const Frame& f, const TableLayout& L) {
    const int x = f.M.Left + 2 * f.U, ruleLeft = f.M.Left + f.U;
    int y = f.M.Top;
    SetBold(c, true);
    if (form.TitleInReports) {
        c.TextOut(x, y, form.Title);
        y += f.LH;
    }
    c.TextOut(x, y, L.m->period);
    y += f.LH;
    c.TextOut(x, y, L.m->account);
    y += 2 * f.U + f.LH;
    HLine(c, ruleLeft, L.X, y);
    ++y;
    DrawGridRow(c, f, L, L.m->rows.front(), RowKind::Header, y);
    SetBold(c, false);
    y += f.LH;
    HLine(c, ruleLeft, L.X, y);
    return y + 1;
}

}  // namespace

void ForgetWhereReportsStand() {
    lastAt = nullptr;
    lastData = nullptr;
}

int PaintBalanceToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                         const TRect& margins, bool toPrinter) {
    Frame f = FrameOf(canvas, margins, toPrinter);
    Prepare(canvas, f.clip, false, toPrinter);
    const BalanceLayout L = LayOutBalance(canvas, text, f);
    const int x = f.M.Left + 2 * f.U, right = f.M.Left + 3 * f.U + L.Wl + L.Wr;
    Pages pages(form, canvas, f, toPrinter);
    int y = f.M.Top;
    for (const BalanceRow& row : L.rows) {
        if (pages.Begins(y)) {
            pages.Start(f.M.Top - f.LH);  // the label stands one line above the top margin
            y = f.M.Top;
        }
        if (HasMark(row.left, '\4') && y > f.M.Top) y += 2 * f.U;
        const bool rule = HasMark(row.left, '\3');
        // A row wholly outside the drawable area leaves nothing on it.
        if (!f.Shows(y, rule + f.LH)) {
            y += rule + f.LH;
            continue;
        }
        if (rule) HLine(canvas, x, right, y++);
        SetBold(canvas, HasMark(row.left, '\2'));
        canvas.TextRect(Rect(x, y, x + L.Wl, y + f.LH), x, y, StripMarks(row.left));
        SetBold(canvas, HasMark(row.right, '\2'));
        const AnsiString amount = StripMarks(row.right);
        const int width = canvas.TextWidth(amount);
        if (right - width >= x)
            canvas.TextOut(right - width, y, amount);
        else  // narrower than the amount: its sign and leading digits show, its end is cut
            canvas.TextRect(Rect(x, y, right, y + f.LH), x, y, amount);
        y += f.LH;
    }
    return y + f.U;
}

int PaintTransactionToCanvas(const TForm1& form, TCanvas& canvas, const AnsiString& text,
                             const TRect& margins, bool toPrinter) {
    Frame f = FrameOf(canvas, margins, toPrinter);
    Prepare(canvas, f.clip, true, toPrinter);
    const TableLayout L = LayOutTable(canvas, text, f, toPrinter);
    const std::vector<TableCells>& rows = L.m->rows;
    Pages pages(form, canvas, f, toPrinter);
    const size_t last = rows.size() - 1;
    if (last == 0) {  // no sums row: the heading alone
        pages.Start(f.M.Top);
        return TableHeading(form, canvas, f, L) + f.U;
    }
    int y = f.M.Top;
    for (size_t i = 1; i <= last; ++i) {
        if (pages.Begins(y)) {
            pages.Start(f.M.Top);
            y = TableHeading(form, canvas, f, L);
        }
        // A row is its line height and the rule below it.
        if (f.Shows(y, f.LH + 1)) {
            SetBold(canvas, i == last);
            DrawGridRow(canvas, f, L, rows[i], i == last ? RowKind::Sums : RowKind::Body, y);
            HLine(canvas, f.M.Left + f.U, L.X, y + f.LH);
        }
        y += f.LH + 1;
    }
    y += f.LH;
    SetBold(canvas, true);
    canvas.TextOut(f.M.Left + 2 * f.U, y, AnsiString(rows[last][0]));
    return y + f.LH + f.U;
}

}  // namespace qm
