// TForm14, the charts report dialog.
#include "dialogs/charts_report_dialog.h"

#include <QLocale>
#include <cmath>

#include "app/reports/report_moves.h"
#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "app/window/window_calls.h"
#include "app/window/window_progress.h"
#include "dialogs/balance_report_dialog.h"

namespace qm {

TForm14* Form14 = nullptr;

namespace {

enum TBucketKind : int { bkDays = 0, bkWeeks = 1, bkMonths = 2, bkYears = 3 };

int Bucket(int kind, TDateTime start, TDateTime d) {
    switch (kind) {
        case bkWeeks:
            return TForm14::Weeks(start, d);
        case bkMonths:
            return TForm14::Months(start, d);
        case bkYears:
            return TForm14::Years(start, d);
        default:
            return TForm14::Days(start, d);
    }
}

int DayOfTheWeek(TDateTime d) {
    return QDateOf(d).dayOfWeek();  // 1 Monday .. 7 Sunday
}

// The desktop's short name of a month; the English one where the interface code page cannot hold
// the desktop's, which would show as "?".
AnsiString ShortMonthName(int month) {
    const QString name = QLocale().monthName(month, QLocale::ShortFormat);
    return FromQString(FitsCodePage(name) ? name
                                          : QLocale::c().monthName(month, QLocale::ShortFormat));
}

// The labels of the buckets from start to end, each followed by character 1.
AnsiString BucketLabels(const TForm1& form, int kind, TDateTime start, TDateTime end) {
    AnsiString labels;
    int y1, m1, dd, y2, m2;
    DecodeDate(start, y1, m1, dd);
    DecodeDate(end, y2, m2, dd);
    if (kind == bkDays || kind == bkWeeks) {
        const TDateTime first = kind == bkDays ? start : start - DayOfTheWeek(start) + 1;
        for (TDateTime d = first; std::trunc(d) <= std::trunc(end); d += kind == bkDays ? 1 : 7)
            labels += ReportDate(form, d) + "\1";
    } else if (kind == bkMonths) {
        for (int m = y1 * 12 + m1 - 1; m <= y2 * 12 + m2 - 1; ++m)
            labels += ShortMonthName(m % 12 + 1) + "\1";
    } else {
        for (int y = y1; y <= y2; ++y) labels += IntToStr(y) + "\1";
    }
    return labels;
}

void ReplaceLast(AnsiString& text, char c) {
    if (!text.empty()) text.back() = c;
}

void SetListEnabled(TControl* list, bool on) {
    list->SetEnabled(on);
    list->SetColor(on ? clWindow : clBtnFace);
}

}  // namespace

int TForm14::Days(TDateTime Start, TDateTime D) {
    return static_cast<int>(std::trunc(D) - std::trunc(Start));
}

int TForm14::Weeks(TDateTime Start, TDateTime D) {
    return static_cast<int>(std::trunc(Days(Start - DayOfTheWeek(Start) + 1, D) / 7.0));
}

int TForm14::Months(TDateTime Start, TDateTime D) {
    int ys, ms, yd, md, day;
    DecodeDate(Start, ys, ms, day);
    DecodeDate(D, yd, md, day);
    return (yd * 12 + md) - (ys * 12 + ms);
}

int TForm14::Years(TDateTime Start, TDateTime D) {
    int ys, yd, m, day;
    DecodeDate(Start, ys, m, day);
    DecodeDate(D, yd, m, day);
    return yd - ys;
}

TForm14::TForm14(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    DateTimePicker1 = new TDateTimePicker(this);
    Label4 = new TLabel(this);
    DateTimePicker2 = new TDateTimePicker(this);
    RadioButton1 = new TRadioButton(this);
    Panel1 = new TPanel(this);
    RadioButton3 = new TRadioButton(Panel1);
    ComboBox1 = new TComboBox(Panel1);
    RadioButton4 = new TRadioButton(Panel1);
    ComboBox2 = new TComboBox(Panel1);
    RadioButton2 = new TRadioButton(this);
    ListBox1 = new TListBox(this);
    SpeedButton1 = new TRxSpeedButton(this);
    SpeedButton2 = new TRxSpeedButton(this);
    ListBox2 = new TListBox(this);
    Label2 = new TLabel(this);
    ComboBox3 = new TComboBox(this);
    ComboBox4 = new TComboBox(this);
    CheckBox1 = new TCheckBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    // Fixed in the form, whatever the interface's language.
    ComboBox4->addItem(QString::fromUtf8("По движениям"));
    ComboBox4->addItem(QString::fromUtf8("По остаткам"));
    for (TRadioButton* r : {RadioButton1, RadioButton3, RadioButton4})
        r->OnClick = [this] { RadioButton1Click(); };
    RadioButton2->OnClick = [this] { RadioButton2Click(); };
    SpeedButton1->OnClick = ListBox2->OnDblClick = [this] { SpeedButton1Click(); };
    SpeedButton2->OnClick = ListBox1->OnDblClick = [this] { SpeedButton2Click(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetCaption("Charts");
    Layout();
    FormCreate();
}

void TForm14::Layout() {
    setFixedSize(528, 470);
    Label1->SetBounds(12, 18, 36, 16);
    DateTimePicker1->SetBounds(52, 14, 120, 24);
    Label4->SetBounds(190, 18, 30, 16);
    DateTimePicker2->SetBounds(224, 14, 120, 24);
    RadioButton1->SetBounds(12, 52, 300, 20);
    Panel1->SetBounds(28, 76, 488, 68);
    RadioButton3->SetBounds(10, 10, 160, 20);
    ComboBox1->SetBounds(176, 8, 300, 24);
    RadioButton4->SetBounds(10, 38, 160, 20);
    ComboBox2->SetBounds(176, 36, 300, 24);
    RadioButton2->SetBounds(12, 156, 300, 20);
    ListBox1->SetBounds(28, 182, 228, 150);
    SpeedButton1->SetBounds(260, 226, 24, 24);
    SpeedButton2->SetBounds(260, 258, 24, 24);
    ListBox2->SetBounds(288, 182, 228, 150);
    SpeedButton1->SetCaption("<");
    SpeedButton2->SetCaption(">");
    Label2->SetBounds(28, 348, 90, 16);
    ComboBox3->SetBounds(120, 344, 120, 24);
    ComboBox4->SetBounds(250, 344, 150, 24);
    CheckBox1->SetBounds(28, 380, 300, 20);
    Button1->SetBounds(344, 430, 82, 28);
    Button2->SetBounds(434, 430, 82, 28);
}

void TForm14::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(139));
    Label1->SetCaption(MainWindow::Ui(16));
    Label4->SetCaption(MainWindow::Ui(17));
    RadioButton1->SetCaption(MainWindow::Ui(148));
    RadioButton2->SetCaption(MainWindow::Ui(149));
    RadioButton3->SetCaption(MainWindow::Ui(150));
    RadioButton4->SetCaption(MainWindow::Ui(151));
    Label2->SetCaption(MainWindow::Ui(153));
    CheckBox1->SetCaption(MainWindow::Ui(152));
    Button1->SetCaption(MainWindow::Ui(144));
    Button2->SetCaption(MainWindow::Ui(6));
    for (int entry : {154, 155, 156, 157}) ComboBox3->Items().Add(MainWindow::Ui(entry));
}

void TForm14::FillLists() {
    ComboBox1->Items().Clear();
    ComboBox2->Items().Clear();
    ListBox1->Items().Clear();
    ListBox2->Items().Clear();
    TypeIds.clear();
    GroupIds.clear();
    ChosenIds.clear();
    AvailableIds.clear();
    if (!DB) return;
    auto t = DB->GetTable("select id, name from bill_type order by name");
    for (; !t->Eof(); t->Next()) {
        TypeIds.push_back(static_cast<int>(t->FieldAsInteger(0)));
        ComboBox1->Items().Add(Utf8ToAnsi(t->FieldAsString(1)));
    }
    t = DB->GetTable(
        "select b.id, t.name, b.name from bill_type t, bill b where b.bill_type_id = t.id and "
        "b.bill_id = 0 order by t.name, b.name");
    for (; !t->Eof(); t->Next()) {
        GroupIds.push_back(static_cast<int>(t->FieldAsInteger(0)));
        ComboBox2->Items().Add(Utf8ToAnsi(t->FieldAsString(1)).substr(0, 1) + ":" +
                               Utf8ToAnsi(t->FieldAsString(2)));
    }
    t = DB->GetTable(
        "select bb.id, t.name, b.name, bb.name from bill b, bill bb, bill_type t where b.bill_id "
        "= 0 and bb.bill_id = b.id and b.bill_type_id = t.id order by t.name, b.name, bb.name");
    for (; !t->Eof(); t->Next()) {
        AvailableIds.push_back(static_cast<int>(t->FieldAsInteger(0)));
        ListBox2->Items().Add(Utf8ToAnsi(t->FieldAsString(1)).substr(0, 1) + ":" +
                              Utf8ToAnsi(t->FieldAsString(2)) + "-" +
                              Utf8ToAnsi(t->FieldAsString(3)));
    }
}

void TForm14::FormShow() {
    FillLists();
    for (TDateTimePicker* p : {DateTimePicker1, DateTimePicker2}) {
        p->SetDate(Date());
        if (Form1) p->SetFormat(MainWindow::DateFormat());
    }
    RadioButton1->SetChecked(true);
    RadioButton3->SetChecked(true);
    for (TComboBox* c : {ComboBox1, ComboBox2, ComboBox3})
        if (c->Items().Count() > 0) c->SetItemIndex(0);
    if (ListBox2->Items().Count() > 0) ListBox2->SetItemIndex(0);
    ComboBox4->SetItemIndex(0);
    RadioButton1Click();
    DateTimePicker1->SetFocus();
}

void TForm14::RadioButton1Click() {
    RadioButton3->SetEnabled(true);
    RadioButton4->SetEnabled(true);
    SetListEnabled(ComboBox1, RadioButton3->Checked());
    SetListEnabled(ComboBox2, RadioButton4->Checked());
    for (TControl* c : std::initializer_list<TControl*>{ListBox1, ListBox2, ComboBox3, ComboBox4})
        SetListEnabled(c, false);
    SpeedButton1->SetEnabled(false);
    SpeedButton2->SetEnabled(false);
    CheckBox1->SetEnabled(false);
}

void TForm14::RadioButton2Click() {
    RadioButton3->SetEnabled(false);
    RadioButton4->SetEnabled(false);
    SetListEnabled(ComboBox1, false);
    SetListEnabled(ComboBox2, false);
    for (TControl* c : std::initializer_list<TControl*>{ListBox1, ListBox2, ComboBox3, ComboBox4})
        SetListEnabled(c, true);
    SpeedButton1->SetEnabled(true);
    SpeedButton2->SetEnabled(true);
    CheckBox1->SetEnabled(true);
}

void TForm14::SpeedButton1Click() {
    MoveListEntry(*ListBox2, AvailableIds, *ListBox1, ChosenIds, 5);
}

void TForm14::SpeedButton2Click() {
    MoveListEntry(*ListBox1, ChosenIds, *ListBox2, AvailableIds);
}

namespace {

// An account of a pie with the rate of its currency as the dialog reads it.
struct TPieAccount {
    int64_t Id = 0;
    AnsiString Rate;  // the rate's text
    AnsiString Name;
    AnsiString Type;
};

// The moves of the period of each account, summed in cents (reversed for income), with the
// progress bar counting the accounts.
class TPieSums {
  public:
    TPieSums(const AnsiString& d1, const AnsiString& d2, int accounts)
        : progress_(Form1),
          moves_(*DB, "ts >= ? and ts <= ?", false),
          period_{d1, d2},
          accounts_(accounts) {}
    long double Of(int64_t id, bool income) {
        progress_.Step(done_++, accounts_);
        return SumOfMoves(moves_.Of(id, period_), income);
    }

  private:
    TWindowProgress progress_;
    TAccountMoves moves_;
    std::vector<AnsiString> period_;
    int accounts_;
    int done_ = 0;
};

}  // namespace

AnsiString TForm14::GroupPieText(const AnsiString& head, const AnsiString& d1, const AnsiString& d2,
                                 long double mainRate) const {
    const int type = TypeIds[ComboBox1->ItemIndex()];
    AnsiString text = "\1" + head + ComboBox1->Text() + "\r";
    // The groups and their accounts first (small), then the moves with the progress bar.
    std::vector<std::pair<AnsiString, std::vector<TPieAccount>>> groups;
    int accounts = 0;
    {
        auto t = DB->GetTable("select id, name from bill where bill_id = 0 and bill_type_id = " +
                              IntToStr(type) + " order by name");
        TSQLiteStatement members(
            *DB,
            "select b.id, c.kurs from bill b, currency c where b.currency_id = c.id and "
            "b.bill_id = ?");
        for (; !t->Eof(); t->Next()) {
            groups.push_back({Utf8ToAnsi(t->FieldAsString(1)), {}});
            members.Bind(1, t->FieldAsInteger(0));
            while (members.Step())
                groups.back().second.push_back(
                    {members.FieldAsInteger(0), members.FieldAsString(1), {}, {}});
            accounts += static_cast<int>(groups.back().second.size());
        }
    }
    TPieSums sums(d1, d2, accounts);
    for (const auto& [name, members] : groups) {
        long double total = 0;
        for (const TPieAccount& account : members) {
            const long double sum = sums.Of(account.Id, type == 1);
            const long double rate = ReportNumber(account.Rate);
            total += RoundHalfEven(sum * 100 * rate / mainRate) / 100;
        }
        text += name + "\1" + ReportAmountText(total) + "\r";
    }
    return text;
}

AnsiString TForm14::AccountPieText(const AnsiString& head, const AnsiString& d1,
                                   const AnsiString& d2, long double mainRate) const {
    AnsiString text = "\2" + head + ComboBox2->Text() + "\r";
    std::vector<TPieAccount> members;
    {
        auto t = DB->GetTable(
            "select b.id, c.kurs, b.name, b.bill_type_id from bill b, currency c where "
            "b.currency_id = c.id and b.bill_id = " +
            IntToStr(GroupIds[ComboBox2->ItemIndex()]));
        for (; !t->Eof(); t->Next())
            members.push_back({t->FieldAsInteger(0), t->FieldAsString(1),
                               Utf8ToAnsi(t->FieldAsString(2)), t->FieldAsString(3)});
    }
    TPieSums sums(d1, d2, static_cast<int>(members.size()));
    for (const TPieAccount& account : members) {
        const long double sum = sums.Of(account.Id, account.Type == "1");
        const long double value = sum * ReportNumber(account.Rate) / mainRate;
        text += account.Name + "\1" + ReportAmountText(value) + "\r";
    }
    return text;
}

namespace {

// The bucket of a stored date; -1 for a stored date that is no date, which belongs to none.
// Moves of one day come together, so the last date's bucket is kept.
class TBucketOf {
  public:
    TBucketOf(int kind, TDateTime start) : kind_(kind), start_(start) {}
    int operator()(const AnsiString& ts) {
        if (ts == lastTs_) return lastBucket_;
        TDateTime date;
        lastTs_ = ts;
        lastBucket_ = ts.size() >= 8 && TryEncodeDate(std::atoi(ts.substr(0, 4).c_str()),
                                                      std::atoi(ts.substr(4, 2).c_str()),
                                                      std::atoi(ts.substr(6, 2).c_str()), date)
                          ? Bucket(kind_, start_, date)
                          : -1;
        return lastBucket_;
    }

  private:
    int kind_;
    TDateTime start_;
    AnsiString lastTs_ = "-";
    int lastBucket_ = -1;
};

// One account's buckets in its own currency: the moves of each bucket, or with `balances` the
// balance at the end of each bucket (every move before the period included).
std::vector<long double> AccountBuckets(int64_t id, bool income, int kind, TDateTime start,
                                        TDateTime end, bool balances, TAccountMoves& inPeriod,
                                        TAccountMoves& before) {
    const AnsiString d1 = DateToYmd(start), d2 = DateToYmd(end);
    std::vector<long double> buckets(Bucket(kind, start, end) + 1, 0);
    TBucketOf bucketOf(kind, start);
    for (const TReportMove& move : inPeriod.Of(id, {d1, d2})) {
        const int b = bucketOf(inPeriod.DateOf(move));
        if (b < 0 || b >= static_cast<int>(buckets.size())) continue;
        buckets[b] = income ? buckets[b] - move.Cents : buckets[b] + move.Cents;
    }
    if (balances) {
        long double running = SumOfMoves(before.Of(id, {d1}), income);
        for (long double& b : buckets) running = b += running;
    }
    return buckets;
}

}  // namespace

AnsiString TForm14::TimeChartText(const AnsiString& head, TDateTime start, TDateTime end,
                                  long double mainRate) const {
    const int kind = std::max(ComboBox3->ItemIndex(), 0);
    AnsiString text = (CheckBox1->Checked() ? "\4" : "\3") + head + MainWindow::Ui(153) + " " +
                      ComboBox3->Text() + "\r";
    AnsiString names;
    TWindowProgress progress(Form1);
    TAccountMoves inPeriod(*DB, "ts >= ? and ts <= ?", true);
    TAccountMoves before(*DB, "ts < ?", false);
    TSQLiteStatement account(*DB,
                             "select c.kurs, b.name, b.bill_type_id from currency c, bill b where "
                             "b.currency_id = c.id and b.id = ?");
    for (size_t i = 0; i < ChosenIds.size(); ++i) {
        progress.Step(static_cast<int>(i), static_cast<int>(ChosenIds.size()));
        const bool found = account.Bind(1, ChosenIds[i]).Step();
        const long double rate = found ? ReportNumber(account.FieldAsString(0)) : mainRate;
        names += (found ? Utf8ToAnsi(account.FieldAsString(1)) : AnsiString()) + "\1";
        const bool income = found && account.FieldAsString(2) == "1";
        account.Reset();
        for (long double v : AccountBuckets(ChosenIds[i], income, kind, start, end,
                                            ComboBox4->ItemIndex() == 1, inPeriod, before))
            text += ReportAmountText(v * rate / mainRate) + "\2";
        ReplaceLast(text, '\1');
    }
    ReplaceLast(text, '\r');
    ReplaceLast(names, '\r');
    AnsiString labels = BucketLabels(*Form1, kind, start, end);
    ReplaceLast(labels, '\r');
    return text + names + labels;
}

void TForm14::Button1Click() {
    if (!Form1 || !DB) return;
    // A period given backwards is taken the right way round, in the pickers as in the chart.
    if (DateTimePicker2->Date() < DateTimePicker1->Date()) {
        const TDateTime end = DateTimePicker1->Date();
        DateTimePicker1->SetDate(DateTimePicker2->Date());
        DateTimePicker2->SetDate(end);
    }
    const TDateTime start = DateTimePicker1->Date(), end = DateTimePicker2->Date();
    const AnsiString head = ReportDate(*Form1, start) + " - " + ReportDate(*Form1, end) + "\r";
    const AnsiString d1 = DateToYmd(start), d2 = DateToYmd(end);
    const long double mainRate = MainRate(*Form1);
    AnsiString text;
    if (RadioButton2->Checked()) {
        if (ChosenIds.empty()) return;
        text = TimeChartText(head, start, end, mainRate);
    } else if (RadioButton4->Checked()) {
        if (ComboBox2->ItemIndex() < 0) return;  // no group to draw
        text = AccountPieText(head, d1, d2, mainRate);
    } else {
        if (ComboBox1->ItemIndex() < 0) return;
        text = GroupPieText(head, d1, d2, mainRate);
    }
    Close();
    AddReportTab(*Form1, riCharts, text);
}

void TForm14::Button2Click() {
    Close();
}

}  // namespace qm
