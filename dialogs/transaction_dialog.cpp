// TForm7, the transaction dialog.
#include "dialogs/transaction_dialog.h"

#include <algorithm>
#include <cmath>

#include "app/store/amounts.h"
#include "app/store/ledger_buffer.h"
#include "app/store/money_text.h"
#include "app/store/move_rewrite.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "controls/number_text.h"
#include "dialogs/text_fields.h"
#include "platform/dialogs.h"

namespace qm {

TForm7* Form7 = nullptr;

namespace {

// The value of an amount field; false while its text is no number.
bool ReadValue(TRxCalcEdit& edit, long double& value) {
    try {
        value = edit.Value();
    } catch (const Exception&) {
        return false;
    }
    return std::isfinite(value);
}

long double ValueOrZero(TRxCalcEdit& edit) {
    long double v = 0;
    return ReadValue(edit, v) ? v : 0;
}

long double NumberOrZero(const AnsiString& text) {
    try {
        return AmountValue(text);
    } catch (const Exception&) {
        return 0;
    }
}

TRxCalcEdit* AmountField(QWidget* parent) {
    auto* edit = new TRxCalcEdit(parent);
    edit->SetDisplayFormat("0.##");
    edit->SetDecimalPlaces(20);
    return edit;
}

// The buffer row of a move in an account's loaded ledger, or null.
TBufRow* BufferRow(int account, int move) {
    THeadTab* tab = LoadedLedgerTab(Head.HeadTabs, account);
    if (!tab) return nullptr;
    for (TBufRow& row : tab->BufRows)
        if (row.Id == move) return &row;
    return nullptr;
}

}  // namespace

TForm7::TForm7(QWidget* parent) : TForm(parent) {
    for (TLabel** l : {&Label2, &Label3, &Label4, &Label1, &Label5, &Label9, &Label11, &Label6,
                       &Label7, &Label12, &Label8, &Label10})
        *l = new TLabel(this);
    DateTimePicker1 = new TDateTimePicker(this);
    Edit1 = new TEdit(this);
    Edit2 = new TEdit(this);
    ComboBox1 = new TComboBox(this);
    ComboBox2 = new TComboBox(this);
    RadioButton1 = new TRadioButton(this);
    RadioButton2 = new TRadioButton(this);
    RadioButton3 = new TRadioButton(this);
    RxCalcEdit1 = AmountField(this);
    Edit3 = new TEdit(this);
    RxCalcEdit3 = AmountField(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    ComboBox1->OnChange = [this] { ComboBox1Change(); };
    ComboBox2->OnChange = [this] { ComboBox1Change(); };
    for (TRadioButton* r : {RadioButton1, RadioButton2, RadioButton3})
        r->OnClick = [this, r] { RadioButton1Click(r); };
    RxCalcEdit1->OnChange = [this] { RxCalcEdit1Change(); };
    RxCalcEdit3->OnChange = [this] { RxCalcEdit1Change(); };
    Edit3->OnChange = [this] { RxCalcEdit1Change(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetKeyPreview(this, {nullptr, [this](char& key) { FormKeyPress(key); }});
    Layout();
    RadioButton1->SetChecked(true);
    FormCreate();
}

void TForm7::Layout() {
    setFixedSize(560, 262);
    Label2->SetBounds(12, 12, 120, 16);
    DateTimePicker1->SetBounds(12, 30, 120, 24);
    Label3->SetBounds(144, 12, 100, 16);
    Edit1->SetBounds(144, 30, 100, 24);
    Label4->SetBounds(256, 12, 292, 16);
    Edit2->SetBounds(256, 30, 292, 24);
    Label1->SetBounds(12, 66, 260, 16);
    ComboBox1->SetBounds(12, 84, 260, 24);
    Label9->SetBounds(12, 112, 260, 16);
    Label5->SetBounds(288, 66, 260, 16);
    ComboBox2->SetBounds(288, 84, 260, 24);
    Label11->SetBounds(288, 112, 260, 16);
    // Sent, rate and received side by side, each with the radio that makes it the computed one.
    const struct {
        TLabel* caption;
        TRadioButton* radio;
        QWidget* field;
        int x;
    } columns[] = {{Label6, RadioButton1, RxCalcEdit1, 12},
                   {Label7, RadioButton2, Edit3, 200},
                   {Label12, RadioButton3, RxCalcEdit3, 388}};
    for (const auto& c : columns) {
        c.caption->SetBounds(c.x, 140, 160, 16);
        c.radio->SetBounds(c.x, 162, 18, 20);
        dynamic_cast<TControl*>(c.field)->SetBounds(c.x + 20, 158, 140, 24);
    }
    Label8->SetBounds(12, 194, 360, 16);
    Label10->SetBounds(12, 212, 360, 16);
    Button1->SetBounds(374, 222, 82, 28);
    Button2->SetBounds(466, 222, 82, 28);
}

void TForm7::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(183));
    Label2->SetCaption(MainWindow::Ui(30) + ":");
    Label3->SetCaption(MainWindow::Ui(31) + ":");
    Label4->SetCaption(MainWindow::Ui(32) + ":");
    Label1->SetCaption(MainWindow::Ui(33));
    Label5->SetCaption(MainWindow::Ui(34));
    Label6->SetCaption(MainWindow::Ui(35));
    Label7->SetCaption(MainWindow::Ui(36));
    Label12->SetCaption(MainWindow::Ui(37));
    Button1->SetCaption(MainWindow::Ui(5));
    Button2->SetCaption(MainWindow::Ui(6));
}

void TForm7::SetLook(TControl* field, bool editable) {
    field->SetEnabled(editable);
    field->SetColor(editable ? clWhite : clBtnFace);
}

void TForm7::RadioButton1Click(TRadioButton* clicked) {
    SetLook(RxCalcEdit1, clicked != RadioButton1);
    SetLook(Edit3, clicked != RadioButton2);
    SetLook(RxCalcEdit3, clicked != RadioButton3);
}

void TForm7::FormShow() {
    Loading = true;
    editingStored_ = false;
    textsOf_ = 0;
    stored_ = {};
    const int mode = Tag;
    if (mode == 0) SrcBillId = DestBillId = 0;
    if (Form1) DateTimePicker1->SetFormat(MainWindow::DateFormat());
    DateTimePicker1->SetDate(Date());
    Edit1->SetText("");
    Edit2->SetText("");
    ComboBox1->SetItemIndex(-1);
    ComboBox2->SetItemIndex(-1);
    for (TLabel* l : {Label8, Label9, Label10, Label11}) l->SetCaption("");
    RadioButton1->SetChecked(true);
    RxCalcEdit1->SetValue(0);
    Edit3->SetText("1");
    RxCalcEdit3->SetValue(0);
    long double A = 0;
    // Without a ledger row to take, the dialog opens as for a new move.
    const bool fromRow = mode == 1 && LoadLedgerRow(A);
    LoadAccounts();
    if (fromRow && SelectMove == -1) ConvertNewRow(A);
    if (fromRow && SelectMove > 0) LoadStoredMove(A);
    RadioButton2->SetChecked(true);
    DateTimePicker1->SetFocus();
    Loading = false;
    Tag = 0;
}

namespace {

// A ledger cell that still reads as its stored text shows that text whole.
void ShowCellText(TEdit& edit, const AnsiString& cell, const std::string& stored) {
    if (!stored.empty() && Utf8ToAnsi(stored) == cell)
        edit.SetStoredText(stored);
    else
        edit.SetText(cell);
}

// The text to store from an edit: a stored text left as it was keeps its apostrophes, any other
// loses them.
AnsiString FieldText(const TEdit& edit) {
    return edit.ShowsStoredText() ? edit.Text() : StringReplaceAll(edit.Text(), "'", "");
}

}  // namespace

// The current ledger row gives the date, number, note, the two accounts and one amount.
bool TForm7::LoadLedgerRow(long double& A) {
    if (!Form1 || CurrentTab().Kind != tkLedger || Ledger.CurRow < 0 ||
        Ledger.CurRow >= static_cast<int>(Ledger.Rows.size()))
        return false;
    const TBillMoveRow& R = Ledger.Rows[Ledger.CurRow];
    TDateTime date;
    if (TryStrToDate(R.Cells[0], date)) DateTimePicker1->SetDate(date);
    textsOf_ = R.Id > 0 ? R.Id : R.CopiedFrom;
    if (textsOf_ > 0 && DB) stored_ = ReadMoveTexts(*DB, textsOf_);
    ShowCellText(*Edit1, R.Cells[1], stored_.num);
    ShowCellText(*Edit2, R.Cells[2], stored_.note);
    A = RoundMy(NumberOrZero(R.Cells[4]) - NumberOrZero(R.Cells[5]));
    if (A > 0) {
        // Money came into the ledger's account.
        SrcBillId = R.CorrBillId;
        DestBillId = CurrentTab().Id;
        RxCalcEdit1->SetValue(A);
        RxCalcEdit3->SetValue(A);
    } else {
        SrcBillId = CurrentTab().Id;
        DestBillId = R.CorrBillId;
        RxCalcEdit1->SetValue(-A);
        RxCalcEdit3->SetValue(-A);
    }
    return true;
}

void TForm7::LoadAccounts() {
    BillIds.clear();
    KursValues.clear();
    ShortNames.clear();
    KursStrs.clear();
    ComboBox1->Items().Clear();
    ComboBox2->Items().Clear();
    if (!DB) return;
    auto t = DB->GetTable(
        "select bb.id, t.name, b.name, bb.name, c.kurs, c.short_name, c.kurs_str from bill b, "
        "bill bb, bill_type t, currency c where bb.currency_id = c.id and b.bill_id = 0 and "
        "bb.bill_id = b.id and b.bill_type_id = t.id order by t.id, b.name, bb.name");
    for (; !t->Eof(); t->Next()) {
        const int id = static_cast<int>(StrToIntDef(t->FieldAsString(0), 0));
        BillIds.push_back(id);
        KursValues.push_back(NumberOrZero(t->FieldAsString(4)));
        ShortNames.push_back(Utf8ToAnsi(t->FieldAsString(5)));
        // Files upgraded from rates without expressions hold "1/0.5"; the evaluator reads
        // only the decimal comma, as the currencies dialog shows such a rate.
        KursStrs.push_back(StringReplaceAll(t->FieldAsString(6), ".", ","));
        const AnsiString item = Utf8ToAnsi(t->FieldAsString(1)).substr(0, 1) + ":" +
                                Utf8ToAnsi(t->FieldAsString(2)) + "-" +
                                Utf8ToAnsi(t->FieldAsString(3));
        const int index = ComboBox1->Items().Add(item);
        ComboBox2->Items().Add(item);
        if (id == SrcBillId) {
            ComboBox1->SetItemIndex(index);
            ComboBox1Change();
        }
        if (id == DestBillId) {
            ComboBox2->SetItemIndex(index);
            ComboBox1Change();
        }
    }
}

// The rate between the two preselected accounts from their currencies' expressions; left as it
// is when one of them is not in the list.
void TForm7::RateFromExpressions() {
    const int src = ComboBox1->ItemIndex(), dest = ComboBox2->ItemIndex();
    if (src < 0 || dest < 0) return;
    Edit3->SetText("(" + KursStrs[dest] + ")/(" + KursStrs[src] + ")");
}

// A ledger row not stored yet: its amount is on the ledger account's side; the other side is
// converted at the currencies' rate.
void TForm7::ConvertNewRow(long double A) {
    RateFromExpressions();
    const long double r = Calc(Edit3->Text());
    if (A > 0) {
        const bool bad = r == CalcErrorValue || r == 0;
        RxCalcEdit1->SetValue(bad ? 0 : RoundMy(ValueOrZero(*RxCalcEdit3) / r));
    } else {
        RxCalcEdit3->SetValue(r == CalcErrorValue ? 0 : RoundMy(ValueOrZero(*RxCalcEdit1) * r));
    }
}

// A stored move: the ledger row gives one side, the stored twin the other.
void TForm7::LoadStoredMove(long double A) {
    auto m = DB->GetTable("select kurs, amount, bill_move_id from bill_move where id = " +
                          IntToStr(SelectMove));
    if (m->Eof()) return;
    auto t = DB->GetTable("select amount, src_bill_id, dest_bill_id from bill_move where id = " +
                          IntToStr(StrToIntDef(m->FieldAsString(2), 0)));
    if (t->Eof()) return;
    editingStored_ = true;
    const long double other = std::fabs(RoundMy(NumberOrZero(t->FieldAsString(0))));
    const int C = static_cast<int>(StrToIntDef(t->FieldAsString(A > 0 ? 2 : 1), 0));
    if (A > 0)
        RxCalcEdit1->SetValue(other);
    else
        RxCalcEdit3->SetValue(other);
    if (C == DestBillId)
        Edit3->SetText(FloatToPlainStr(ValueOrZero(*RxCalcEdit3)) + "/" +
                       FloatToPlainStr(ValueOrZero(*RxCalcEdit1)));
    else
        RateFromExpressions();  // the correspondent was changed in the ledger
}

void TForm7::ComboBox1Change() {
    const int src = ComboBox1->ItemIndex(), dest = ComboBox2->ItemIndex();
    const AnsiString currency = Form1 ? MainWindow::Ui(2) : AnsiString("Currency");
    if (src >= 0) Label9->SetCaption(currency + ": " + ShortNames[src]);
    if (dest >= 0) Label11->SetCaption(currency + ": " + ShortNames[dest]);
    if (src < 0 || dest < 0) {
        Label8->SetCaption("");
        Label10->SetCaption("");
        return;
    }
    // Setting the text runs the recalculation, which may replace it at once.
    // Written out in full: a rate below 0.00001 would otherwise come in exponent form, which the
    // evaluator does not read, and the move would be converted at a rate of 0.
    Edit3->SetText(FloatToPlainStr(KursValues[src]) + "/" + FloatToPlainStr(KursValues[dest]));
    long double r = Calc(Edit3->Text());
    if (r == CalcErrorValue) r = 0;
    Label8->SetCaption("1 " + ShortNames[src] + " = " + FormatFloat("0.####", r) + " " +
                       ShortNames[dest]);
    // A currency without a rate converts nothing: shown as a rate of 0.
    const long double back = KursValues[src] == 0 ? 0 : KursValues[dest] / KursValues[src];
    Label10->SetCaption("1 " + ShortNames[dest] + " = " + FormatFloat("0.####", back) + " " +
                        ShortNames[src]);
}

void TForm7::RxCalcEdit1Change() {
    if (Loading) return;
    const long double r = Calc(Edit3->Text());
    if (RadioButton1->Checked()) {
        const bool bad = r == CalcErrorValue || r == 0;
        RxCalcEdit1->SetValue(bad ? 0 : RoundMy(ValueOrZero(*RxCalcEdit3) / r));
    } else if (RadioButton2->Checked()) {
        const long double sent = ValueOrZero(*RxCalcEdit1);
        if (sent == 0)
            Edit3->SetText("0");
        else
            Edit3->SetText(RxCalcEdit3->FormatDisplayText(ValueOrZero(*RxCalcEdit3)) + "/" +
                           RxCalcEdit1->FormatDisplayText(sent));
    } else if (RadioButton3->Checked()) {
        RxCalcEdit3->SetValue(r == CalcErrorValue ? 0 : RoundMy(ValueOrZero(*RxCalcEdit1) * r));
    }
}

bool TForm7::Refuse(int text, QWidget* focus) {
    MessageBox(this, Form1 ? MainWindow::Ui(text) : AnsiString(), Caption(),
               MB_OK | MB_ICONWARNING);
    if (auto* control = dynamic_cast<TControl*>(focus); control && control->CanFocus())
        control->SetFocus();
    return false;
}

bool TForm7::CheckInput(long double& sent, long double& received) {
    if (!TextsFit(*this, {{Edit1, 31}, {Edit2, 32}, {Edit3, 36}}) || !StoredCharactersKept())
        return false;
    const int src = ComboBox1->ItemIndex(), dest = ComboBox2->ItemIndex();
    if (src < 0 || src >= static_cast<int>(BillIds.size())) return Refuse(26, ComboBox1);
    if (dest < 0 || dest >= static_cast<int>(BillIds.size())) return Refuse(27, ComboBox2);
    const bool sentRead = ReadValue(*RxCalcEdit1, sent);
    const bool receivedRead = ReadValue(*RxCalcEdit3, received);
    if (!sentRead || sent < 0) return Refuse(28, RxCalcEdit1);
    if (!receivedRead || received < 0) return Refuse(28, RxCalcEdit3);
    if (src == dest) return Refuse(29, ComboBox2);
    // Amounts the ledger cannot hold would be written as texts the database cannot read.
    if (sent >= CalculateLimit) return Refuse(100, RxCalcEdit1);
    if (received >= CalculateLimit) return Refuse(100, RxCalcEdit3);
    // The rate is stored with the move: it has to be an expression, and one that converts
    // something unless nothing moves at all.
    const long double r = Calc(Edit3->Text());
    if (r == CalcErrorValue || (r == 0 && (sent != 0 || received != 0))) return Refuse(11, Edit3);
    return true;
}

// A number or note taken from the ledger row as the user changed it there, with "?" where the
// code page could not show a stored character, is refused as a typed one would be.
bool TForm7::StoredCharactersKept() {
    const std::pair<TEdit*, const std::string*> fields[] = {{Edit1, &stored_.num},
                                                            {Edit2, &stored_.note}};
    for (int i = 0; i < 2; ++i) {
        const TUnfitChar lost = LostStandIn(fields[i].first->Text(), *fields[i].second);
        if (!lost) continue;
        NoticeUnfitText(this, Caption(), Form1 ? MainWindow::Ui(31 + i) : AnsiString(), lost);
        if (fields[i].first->CanFocus()) fields[i].first->SetFocus();
        return false;
    }
    return true;
}

void TForm7::Button1Click() {
    long double sent = 0, received = 0;
    if (!CheckInput(sent, received) || !DB || !Form1) return;
    const int source = BillIds[ComboBox1->ItemIndex()];
    const int dest = BillIds[ComboBox2->ItemIndex()];
    MoveFields f;
    f.date = DateToYmd(DateTimePicker1->Date());
    f.num = FieldText(*Edit1);
    f.note = FieldText(*Edit2);
    f.textsOf = textsOf_;
    f.rate = RateLiteral(Edit3->Text());
    f.amountA = SqlCentsText(-sent);
    f.amountB = SqlCentsText(received);
    if (editingStored_ && ReadMovePair(*DB, SelectMove).twin > 0)
        StoreEditedMove(f, source, dest);
    else
        StoreNewMove(f, source, dest);
    Finish();
}

namespace {

void ResetLedgerCursor() {
    Ledger.CurCol = 0;
    Ledger.CaretPos = 1;
    Ledger.SelStart = 1;
    Ledger.SelLength = 2;
    Ledger.TextX = -10000;
}

void NoticeOverflow(bool overflow) {
    if (!overflow || BalanceOverflowShown || !Form1) return;
    BalanceOverflowShown = true;
    MessageBox(MainWindow::Widget(), MainWindow::Ui(94), "Quillmarsh", MB_OK | MB_ICONWARNING);
}

// Insert and delete give a buffer row no attachment mark; a rewritten move keeps its files.
void MarkFiles(int move, int twin, int accountA, int accountB) {
    auto t =
        DB->GetTable("select files from bill_move where id = " + IntToStr(std::min(move, twin)));
    if (t->Eof() || t->FieldAsBlobText(0).empty()) return;
    if (TBufRow* row = BufferRow(accountA, move)) row->HasFiles = true;
    if (TBufRow* row = BufferRow(accountB, twin)) row->HasFiles = true;
}

}  // namespace

void TForm7::StoreNewMove(const MoveFields& f, int source, int dest) {
    const int n = SaveNewMove(*DB, source, dest, f, MainWindow::Period());
    LastDate = FormatDateTime(MainWindow::DateFormat(), DateTimePicker1->Date());
    bool overflow =
        InsertBufRow(*DB, Head.HeadTabs, source, n + 1, dest, f.date, f.num, f.note, f.amountA);
    overflow |=
        InsertBufRow(*DB, Head.HeadTabs, dest, n + 2, source, f.date, f.num, f.note, f.amountB);
    Ledger.Rows.clear();
    ResetLedgerCursor();
    NoticeOverflow(overflow);
}

void TForm7::StoreEditedMove(const MoveFields& f, int source, int dest) {
    const int M = SelectMove;
    const MovePair old = SaveRewrittenMove(*DB, M, source, dest, f, MainWindow::Period());
    DelBufRow(Head.HeadTabs, old.owner, M);
    DelBufRow(Head.HeadTabs, old.corr, old.twin);
    bool overflow =
        InsertBufRow(*DB, Head.HeadTabs, source, M, dest, f.date, f.num, f.note, f.amountA);
    overflow |=
        InsertBufRow(*DB, Head.HeadTabs, dest, old.twin, source, f.date, f.num, f.note, f.amountB);
    MarkFiles(M, old.twin, source, dest);
    ResetLedgerCursor();
    // M now carries the paying side: a ledger account that received the move finds it in T.
    if (source != old.owner) SelectMove = old.twin;
    Ledger.Rows.clear();
    NoticeOverflow(overflow);
}

void TForm7::Finish() {
    MainWindow::FormPaint();
    Tag = 1;
    Ledger.Editing = false;
    if (CurrentTab().Kind == tkLedger) MainWindow::DoEnable(4);
    SetModalResult(mrOk);
}

void TForm7::Button2Click() {
    Tag = 0;
    Close();
}

void TForm7::FormKeyPress(char& key) {
    if (key != 27) return;
    key = 0;
    Button2Click();
}

}  // namespace qm
