// TForm13, the balance report dialog.
#include "dialogs/balance_report_dialog.h"

#include "app/reports/report_moves.h"
#include "app/reports/report_text.h"
#include "app/window/window_calls.h"
#include "app/window/window_progress.h"

namespace qm {

TForm13* Form13 = nullptr;

namespace {

// Fills an available list with the accounts of one type: group name, "-", account name.
void FillAccounts(TListBox& list, std::vector<int>& ids, int type) {
    list.Items().Clear();
    ids.clear();
    if (!DB) return;
    auto t = DB->GetTable(
        "select bb.id, t.name, b.name, bb.name from bill b, bill bb, bill_type t where b.bill_id "
        "= 0 and bb.bill_id = b.id and b.bill_type_id = t.id and t.id = " +
        IntToStr(type) + " order by t.id, b.name, bb.name");
    for (; !t->Eof(); t->Next()) {
        ids.push_back(static_cast<int>(t->FieldAsInteger(0)));
        list.Items().Add(Utf8ToAnsi(t->FieldAsString(2)) + "-" + Utf8ToAnsi(t->FieldAsString(3)));
    }
}

// An end date before the start is corrected to the start, in the picker as in the report.
void CorrectPeriod(TDateTimePicker& from, TDateTimePicker& to) {
    if (to.Date() < from.Date()) to.SetDate(from.Date());
}

AnsiString PeriodText(const TDateTimePicker& from, const TDateTimePicker& to) {
    return ReportDate(*Form1, from.Date()) + " - " + ReportDate(*Form1, to.Date());
}

// One line per chosen account: its moves in the period summed in cents (with their sign
// reversed for income), converted into the main currency. Returns the section's total. `done`
// counts the accounts of both sections for the progress bar.
long double AppendAccounts(AnsiString& text, const TListBox& list, const std::vector<int>& ids,
                           const TDateTimePicker& from, const TDateTimePicker& to, bool reversed,
                           long double mainRate, TAccountRates& rates, TAccountMoves& moves,
                           TWindowProgress& progress, int& done, int all) {
    const std::vector<AnsiString> period = {DateToYmd(from.Date()), DateToYmd(to.Date())};
    long double total = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        progress.Step(done++, all);
        const long double rate = rates.Of(ids[i], mainRate);
        const long double S = SumOfMoves(moves.Of(ids[i], period), reversed);
        const long double V = RoundCents(S * rate / mainRate);
        text += list.Items()[static_cast<int>(i)] + "\1" + ReportAmountText(V) + "\r";
        total += V;
    }
    return total;
}

}  // namespace

void MoveListEntry(TListBox& from, std::vector<int>& fromIds, TListBox& to, std::vector<int>& toIds,
                   int limit) {
    const int i = from.ItemIndex();
    const bool full = limit > 0 && to.Items().Count() >= limit;
    if (i >= 0 && i < static_cast<int>(fromIds.size()) && !full) {
        to.Items().Add(from.Items()[i]);
        toIds.push_back(fromIds[i]);
        fromIds.erase(fromIds.begin() + i);
        from.Items().Delete(i);
    }
    from.SetFocus();
}

TForm13::TForm13(QWidget* parent) : TForm(parent) {
    GroupBox1 = new TGroupBox(this);
    Label1 = new TLabel(GroupBox1);
    DateTimePicker1 = new TDateTimePicker(GroupBox1);
    Label4 = new TLabel(GroupBox1);
    DateTimePicker2 = new TDateTimePicker(GroupBox1);
    ListBox1 = new TListBox(GroupBox1);
    SpeedButton1 = new TRxSpeedButton(GroupBox1);
    SpeedButton2 = new TRxSpeedButton(GroupBox1);
    ListBox2 = new TListBox(GroupBox1);
    GroupBox2 = new TGroupBox(this);
    Label2 = new TLabel(GroupBox2);
    DateTimePicker3 = new TDateTimePicker(GroupBox2);
    Label3 = new TLabel(GroupBox2);
    DateTimePicker4 = new TDateTimePicker(GroupBox2);
    ListBox3 = new TListBox(GroupBox2);
    SpeedButton3 = new TRxSpeedButton(GroupBox2);
    SpeedButton4 = new TRxSpeedButton(GroupBox2);
    ListBox4 = new TListBox(GroupBox2);
    Button5 = new TButton(this);
    Button6 = new TButton(this);
    Button5->SetDefault(true);
    Button6->SetCancel(true);
    SpeedButton1->OnClick = ListBox2->OnDblClick = [this] { Button1Click(); };
    SpeedButton2->OnClick = ListBox1->OnDblClick = [this] { Button2Click(); };
    SpeedButton3->OnClick = ListBox4->OnDblClick = [this] { Button3Click(); };
    SpeedButton4->OnClick = ListBox3->OnDblClick = [this] { Button4Click(); };
    Button5->OnClick = [this] { Button5Click(); };
    Button6->OnClick = [this] { Button6Click(); };
    SetCaption("Balance");
    Layout();
    FormCreate();
}

void TForm13::LayoutSection(TGroupBox* box, TLabel* fromLabel, TDateTimePicker* from,
                            TLabel* toLabel, TDateTimePicker* to, TListBox* chosen,
                            TRxSpeedButton* choose, TRxSpeedButton* giveBack, TListBox* available,
                            int top) {
    box->SetBounds(8, top, 544, 232);
    fromLabel->SetBounds(12, 30, 36, 16);
    from->SetBounds(52, 26, 120, 24);
    toLabel->SetBounds(190, 30, 30, 16);
    to->SetBounds(224, 26, 120, 24);
    chosen->SetBounds(12, 62, 244, 158);
    choose->SetBounds(260, 106, 24, 24);
    giveBack->SetBounds(260, 138, 24, 24);
    available->SetBounds(288, 62, 244, 158);
    choose->SetCaption("<");
    giveBack->SetCaption(">");
}

void TForm13::Layout() {
    setFixedSize(560, 530);
    LayoutSection(GroupBox1, Label1, DateTimePicker1, Label4, DateTimePicker2, ListBox1,
                  SpeedButton1, SpeedButton2, ListBox2, 8);
    LayoutSection(GroupBox2, Label2, DateTimePicker3, Label3, DateTimePicker4, ListBox3,
                  SpeedButton3, SpeedButton4, ListBox4, 248);
    Button5->SetBounds(380, 490, 82, 28);
    Button6->SetBounds(470, 490, 82, 28);
}

void TForm13::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(141));
    GroupBox1->SetCaption(MainWindow::Ui(142));
    GroupBox2->SetCaption(MainWindow::Ui(143));
    for (TLabel* l : {Label1, Label2}) l->SetCaption(MainWindow::Ui(16));
    for (TLabel* l : {Label4, Label3}) l->SetCaption(MainWindow::Ui(17));
    Button5->SetCaption(MainWindow::Ui(144));
    Button6->SetCaption(MainWindow::Ui(6));
}

void TForm13::FormShow() {
    ChosenIds1.clear();
    ListBox1->Items().Clear();
    FillAccounts(*ListBox2, AvailableIds1, 1);
    ChosenIds3.clear();
    ListBox3->Items().Clear();
    FillAccounts(*ListBox4, AvailableIds3, 3);
    for (TDateTimePicker* p :
         {DateTimePicker1, DateTimePicker2, DateTimePicker3, DateTimePicker4}) {
        p->SetDate(Date());
        if (Form1) p->SetFormat(MainWindow::DateFormat());
    }
    DateTimePicker1->SetFocus();
}

void TForm13::Button1Click() {
    MoveListEntry(*ListBox2, AvailableIds1, *ListBox1, ChosenIds1);
}

void TForm13::Button2Click() {
    MoveListEntry(*ListBox1, ChosenIds1, *ListBox2, AvailableIds1);
}

void TForm13::Button3Click() {
    MoveListEntry(*ListBox4, AvailableIds3, *ListBox3, ChosenIds3);
}

void TForm13::Button4Click() {
    MoveListEntry(*ListBox3, ChosenIds3, *ListBox4, AvailableIds3);
}

void TForm13::Button5Click() {
    if (ChosenIds1.empty() || ChosenIds3.empty() || !Form1 || !DB) return;
    const TForm1& form = *Form1;
    const long double mainRate = MainRate(form);
    AnsiString text;
    {
        TWindowProgress progress(Form1);
        TAccountRates rates(*DB);
        TAccountMoves moves(*DB, "ts >= ? and ts <= ?", false);
        int done = 0;
        const int all = static_cast<int>(ChosenIds1.size() + ChosenIds3.size());
        CorrectPeriod(*DateTimePicker1, *DateTimePicker2);
        text = "\2" + MainWindow::Ui(142) + "\1\2" +
               PeriodText(*DateTimePicker1, *DateTimePicker2) + "\r";
        const long double T1 =
            AppendAccounts(text, *ListBox1, ChosenIds1, *DateTimePicker1, *DateTimePicker2, true,
                           mainRate, rates, moves, progress, done, all);
        text += "\3\2" + MainWindow::Ui(145) + "\1\2" + ReportAmountText(T1) + "\r";
        CorrectPeriod(*DateTimePicker3, *DateTimePicker4);
        text += "\4\2" + MainWindow::Ui(143) + "\1\2" +
                PeriodText(*DateTimePicker3, *DateTimePicker4) + "\r";
        const long double T2 =
            AppendAccounts(text, *ListBox3, ChosenIds3, *DateTimePicker3, *DateTimePicker4, false,
                           mainRate, rates, moves, progress, done, all);
        text += "\3\2" + MainWindow::Ui(146) + "\1\2" + ReportAmountText(T2) + "\r";
        const long double G = RoundCents(T1) - RoundCents(T2);
        text += "\4\3\2" + MainWindow::Ui(141) + "\1\2" + ReportAmountText(G) + "\r";
    }
    Close();
    AddReportTab(*Form1, riBalance, text);
}

void TForm13::Button6Click() {
    Close();
}

}  // namespace qm
