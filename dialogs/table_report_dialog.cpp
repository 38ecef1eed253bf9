// TForm16, the table report dialog.
#include "dialogs/table_report_dialog.h"

#include <cstring>
#include <unordered_map>

#include "app/exchange/spreadsheet_export.h"
#include "app/reports/report_moves.h"
#include "app/reports/report_text.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "db/sqlite_statement.h"
#include "dialogs/account_period.h"

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
    const TTableAmount& Of(const TSQLiteStatement& row, int col) {
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

AnsiString TableReportText(int billId, int type, const AnsiString& item, TDateTime from,
                           TDateTime to) {
    const TForm1& form = *Form1;
    AnsiString text = ReportDate(form, from) + " - " + ReportDate(form, to) + "\r" + item + "\r";
    const auto [first, second] = AmountCaptionEntries(type);
    text += BillColumnCaptions[0] + "\1" + BillColumnCaptions[1] + "\1" + BillColumnCaptions[2] +
            "\1" + MainWindow::Ui(first) + "\1" + MainWindow::Ui(second) + "\r";
    const AnsiString d1 = DateToYmd(from), d2 = DateToYmd(to);
    long double S1 = 0, S2 = 0;
    // Moves of one date and number come in the order they were stored, whatever index the
    // engine reads them through.
    TSQLiteStatement t(*DB,
                       "select ts, num, note, amount from bill_move where src_bill_id = ? order by "
                       "ts, num, id");
    t.Bind(1, billId);
    TTableAmounts amounts;
    AnsiString lastTs, lastDate;  // moves of one day follow one another
    while (t.Step()) {
        const AnsiString ts = t.FieldAsString(0);
        if (ts < d1 || ts > d2) continue;
        if (lastDate.empty() || ts != lastTs) {
            lastTs = ts;
            lastDate = ReportDateOfYmd(form, ts);
        }
        // Appended piece by piece: the text grows to megabytes, its lines are not built apart.
        text += lastDate;
        text += '\1';
        text += Utf8ToAnsi(t.FieldAsString(1));
        text += '\1';
        text += Utf8ToAnsi(t.FieldAsString(2));
        text += '\1';
        const TTableAmount& amount = amounts.Of(t, 3);
        if (!amount.text.empty() && amount.text[0] == '-') {
            text += '\1';
            text.append(amount.text, 1);
            text += '\r';
            S2 += amount.value;
        } else {
            text += amount.text;
            text += "\1\r";
            S1 += amount.value;
        }
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
