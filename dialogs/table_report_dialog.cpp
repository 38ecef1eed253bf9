// TForm16, the table report dialog.
//
// Threads: a large account's lines are read in parts on the shared pool (TableLinesInParts),
// each part on a connection of its own into its own run of lines; the statement's field types
// and the period are read-only while the parts run.
#include "dialogs/table_report_dialog.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "app/exchange/spreadsheet_export.h"
#include "app/reports/report_moves.h"
#include "app/reports/report_text.h"
#include "app/store/moves_in_parts.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "db/sqlite_reader.h"
#include "db/sqlite_statement.h"
#include "dialogs/account_period.h"
#include "platform/parallel.h"
#include "platform/part_sizes.h"

namespace qm {

TForm16* Form16 = nullptr;

namespace {

// An amount as the report writes it (the text the database layer gives for it) and its value,
// worked out once per distinct stored value.
struct TTableAmount {
    AnsiString text;
    long double value = 0;  // of the text without its "-"
};

class TTableAmounts {
  public:
    template <class Row>
    const TTableAmount& Of(const Row& row, int col) {
        if (row.ColumnType(col) != dtNumeric || row.IsNull(col)) {
            other_ = Read(row.FieldAsString(col));
            return other_;
        }
        const double value = row.FieldAsDouble(col);
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        auto known = numeric_.find(bits);
        if (known == numeric_.end())
            known = numeric_.emplace(bits, Read(row.FieldAsString(col))).first;
        return known->second;
    }

  private:
    static TTableAmount Read(const AnsiString& text) {
        const bool paid = !text.empty() && text[0] == '-';
        return {text, ReportNumber(paid ? text.substr(1) : text)};
    }
    std::unordered_map<uint64_t, TTableAmount> numeric_;
    TTableAmount other_;
};

}  // namespace

namespace {

// The lines of a run of moves, and their amounts in order: received, or paid when `paid`.
struct TTableLines {
    AnsiString text;
    std::vector<std::pair<long double, bool>> amounts;  // value, paid
};

// The lines of the moves `row` steps through that fall within [d1, d2] ("yyyymmdd").
template <class Row>
void TableLines(Row& row, const AnsiString& d1, const AnsiString& d2, TTableLines& out) {
    const TForm1& form = *Form1;
    TTableAmounts amounts;
    AnsiString lastTs, lastDate;  // moves of one day follow one another
    while (row.Step()) {
        const AnsiString ts = row.FieldAsString(0);
        if (ts < d1 || ts > d2) continue;
        if (lastDate.empty() || ts != lastTs) {
            lastTs = ts;
            lastDate = ReportDateOfYmd(form, ts);
        }
        // Appended piece by piece: the text grows to megabytes, its lines are not built apart.
        AnsiString& text = out.text;
        text += lastDate;
        text += '\1';
        text += Utf8ToAnsi(row.FieldAsString(1));
        text += '\1';
        text += Utf8ToAnsi(row.FieldAsString(2));
        text += '\1';
        const TTableAmount& amount = amounts.Of(row, 3);
        const bool paid = !amount.text.empty() && amount.text[0] == '-';
        if (paid) {
            text += '\1';
            text.append(amount.text, 1);
            text += '\r';
        } else {
            text += amount.text;
            text += "\1\r";
        }
        out.amounts.emplace_back(amount.value, paid);
    }
}

constexpr const char* kTableColumns = "ts, num, note, amount";

// A part's rows on a reader of its own, read as the statement over all moves reads them: by the
// field types that statement took from its first row.
class TReaderRows {
  public:
    TReaderRows(TSQLiteReader& reader, const std::array<TSQLiteFieldType, 4>& types)
        : reader_(reader), types_(types) {}
    bool Step() { return reader_.Step(); }
    TSQLiteFieldType ColumnType(int col) const { return types_[col]; }
    bool IsNull(int col) const { return reader_.IsNull(col); }
    double FieldAsDouble(int col) const { return reader_.RawDouble(col); }
    AnsiString FieldAsString(int col) const { return reader_.FieldAsString(col, types_[col]); }

  private:
    TSQLiteReader& reader_;
    const std::array<TSQLiteFieldType, 4>& types_;
};

// A large account's lines read in parts side by side; false (and nothing in `runs`) when they
// are read the usual way instead.
bool TableLinesInParts(TSQLiteStatement& all, int billId, const AnsiString& d1,
                       const AnsiString& d2, std::vector<TTableLines>& runs) {
    const std::optional<TMoveParts> where =
        AccountMovesInParts(*DB, billId, partsizes::kLeastMovesPerRead);
    if (!where) return false;
    // The field types of the whole statement, from its first row.
    std::array<TSQLiteFieldType, 4> types{};
    if (!all.Step()) return false;
    for (int c = 0; c < 4; ++c) types[c] = all.ColumnType(c);
    all.Reset();
    runs.assign(kMostMoveParts, {});
    const unsigned used = ReadMovesInParts(*where, kTableColumns, TParts::SideBySide(),
                                           [&](unsigned p, TSQLiteReader& reader, size_t, size_t) {
                                               // Counted as they pass, for the reading to tell a
                                               // part that took other than its share.
                                               struct TCounted : TReaderRows {
                                                   using TReaderRows::TReaderRows;
                                                   size_t steps = 0;
                                                   bool Step() {
                                                       return TReaderRows::Step() && ++steps;
                                                   }
                                               } rows(reader, types);
                                               TableLines(rows, d1, d2, runs[p]);
                                               return rows.steps;
                                           });
    runs.resize(used);
    return used > 0;
}

}  // namespace

AnsiString TableReportText(int billId, int type, const AnsiString& item, TDateTime from,
                           TDateTime to) {
    const TForm1& form = *Form1;
    AnsiString text = ReportDate(form, from) + " - " + ReportDate(form, to) + "\r" + item + "\r";
    const auto [first, second] = AmountCaptionEntries(type);
    text += BillColumnCaptions[0] + "\1" + BillColumnCaptions[1] + "\1" + BillColumnCaptions[2] +
            "\1" + MainWindow::Ui(first) + "\1" + MainWindow::Ui(second) + "\r";
    const AnsiString d1 = DateToYmd(from), d2 = DateToYmd(to);
    // Moves of one date and number come in the order they were stored, whatever index the
    // engine reads them through.
    TSQLiteStatement all(*DB, MovesSql(kTableColumns));
    all.Bind(1, billId);
    std::vector<TTableLines> runs;
    if (!TableLinesInParts(all, billId, d1, d2, runs)) {
        runs.resize(1);
        TableLines(all, d1, d2, runs[0]);
    }
    // The sums are added up in the order of the moves.
    long double S1 = 0, S2 = 0;
    size_t size = text.size();
    for (const TTableLines& run : runs) size += run.text.size();
    text.reserve(size + 256);
    for (const TTableLines& run : runs) {
        text += run.text;
        for (const auto& [value, paid] : run.amounts) (paid ? S2 : S1) += value;
    }
    const long double D = type == 1 ? S2 - S1 : S1 - S2;
    text += MainWindow::Ui(169) + ": " + FloatToStr(D) + "\1\1" + MainWindow::Ui(168) + "\1" +
            FloatToStr(S1) + "\1" + FloatToStr(S2) + "\r";
    return text;
}

TForm16::TForm16(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    DateTimePicker1 = new TDateTimePicker(this);
    Label4 = new TLabel(this);
    DateTimePicker2 = new TDateTimePicker(this);
    Label2 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetCaption("Transactions");
    Layout();
    FormCreate();
}

void TForm16::Layout() {
    setFixedSize(392, 132);
    Label1->SetBounds(12, 18, 40, 16);
    DateTimePicker1->SetBounds(56, 14, 120, 24);
    Label4->SetBounds(196, 18, 40, 16);
    DateTimePicker2->SetBounds(240, 14, 120, 24);
    Label2->SetBounds(12, 54, 70, 16);
    ComboBox1->SetBounds(86, 50, 294, 24);
    Button1->SetBounds(208, 92, 82, 28);
    Button2->SetBounds(298, 92, 82, 28);
}

void TForm16::FormCreate() {
    DateTimePicker1->SetDate(Date());
    DateTimePicker2->SetDate(Date());
    if (!Form1) return;
    CaptionAccountPeriod(*this, 57, *Label1, *Label4, *Label2, *Button1, *Button2);
}

void TForm16::FormShow() {
    TAccountList accounts = FillAccountList(*ComboBox1);
    BillIds = std::move(accounts.Ids);
    BillTypes = std::move(accounts.Types);
    if (ComboBox1->Items().Count() > 0) ComboBox1->SetItemIndex(0);
    if (Form1) FormatPeriod(*DateTimePicker1, *DateTimePicker2);
    Button1->SetFocus();
}

void TForm16::Button1Click() {
    const int k = ComboBox1->ItemIndex();
    // Without an account there is nothing to list.
    if (!Form1 || !DB || k < 0 || k >= static_cast<int>(BillIds.size())) return;
    const AnsiString text = TableReportText(BillIds[k], BillTypes[k], ComboBox1->Items()[k],
                                            DateTimePicker1->Date(), DateTimePicker2->Date());
    Close();
    AddReportTab(*Form1, riTable, text);
}

void TForm16::Button2Click() {
    Close();
}

}  // namespace qm
