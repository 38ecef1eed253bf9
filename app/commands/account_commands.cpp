// The account and group commands of the tree: create, edit, delete and reorder, through the
// account, group and account deletion dialogs.
#include "app/commands/account_commands.h"

#include <QAction>

#include "app/store/account_store.h"
#include "app/window/main_window.h"
#include "dialogs/account_delete_dialog.h"
#include "dialogs/account_dialog.h"
#include "dialogs/group_dialog.h"
#include "platform/dialogs.h"

namespace qm {

namespace {

int IntField(const TSQLiteTable& t, int col) {
    return static_cast<int>(StrToIntDef(t.FieldAsString(col), 0));
}

// The item of the type list that holds `type`; item 0 when none does.
int TypeItem(const std::vector<int>& typeIds, int type) {
    for (size_t i = 0; i < typeIds.size(); ++i)
        if (typeIds[i] == type) return static_cast<int>(i);
    return 0;
}

// The id behind the chosen item; false when nothing is chosen.
bool Chosen(const TComboBox& list, const std::vector<int>& ids, int& id) {
    const int index = list.ItemIndex();
    if (index < 0 || index >= static_cast<int>(ids.size())) return false;
    id = ids[index];
    return true;
}

bool ReadAccount(const TForm2& d, bool withCurrency, AccountFields& f) {
    f.name = d.Edit1->Text();
    f.twoDecimals = d.CheckBox2->Checked();
    f.hidden = d.CheckBox1->Checked();
    return Chosen(*d.ComboBox1, d.TypeIds, f.type) && Chosen(*d.ComboBox2, d.GroupIds, f.group) &&
           (!withCurrency || Chosen(*d.ComboBox3, d.CurrencyIds, f.currency));
}

bool ReadGroup(const TForm6& d, GroupFields& f) {
    f.name = d.Edit1->Text();
    f.hidden = d.CheckBox1->Checked();
    return Chosen(*d.ComboBox1, d.TypeIds, f.type) &&
           Chosen(*d.ComboBox3, d.CurrencyIds, f.currency);
}

void SetListEnabled(TComboBox* list, bool on) {
    list->SetEnabled(on);
    list->SetColor(on ? clWhite : clBtnFace);
}

// The group of an account, 0 for a group, -1 when the row is gone. The account commands leave
// groups alone and the group commands accounts, whatever enabled them.
int ParentOf(int id) {
    auto t = DB->GetTable("select bill_id from bill where id = " + IntToStr(id));
    return t->Eof() ? -1 : IntField(*t, 0);
}

std::vector<int> AccountsOfGroup(int group) {
    std::vector<int> ids;
    auto t = DB->GetTable("select id from bill where bill_id = " + IntToStr(group));
    for (; !t->Eof(); t->Next()) ids.push_back(IntField(*t, 0));
    return ids;
}

}  // namespace

void TForm1::N3Click() {
    if (!DB || !Form2) return;
    TForm2& d = *Form2;
    d.Edit1->SetText("");
    std::unique_ptr<TSQLiteTable> sel;
    if (SelectBill != -1)
        sel = DB->GetTable(
            "select bill_type_id, bill_id, position, name, currency_id from bill where id = " +
            IntToStr(SelectBill));
    if (!sel || sel->Eof()) {
        d.GroupId = 0;
        d.ComboBox1->SetItemIndex(PopupMenu1Tag);
    } else {
        // A selected group takes the new account; a selected account shares its group.
        const int group = IntField(*sel, 1);
        d.GroupId = group == 0 ? SelectBill : group;
        d.CurrencyId = IntField(*sel, 4);
        d.ComboBox1->SetItemIndex(TypeItem(d.TypeIds, IntField(*sel, 0)));
    }
    d.ComboBox1Change();
    d.SetCaption(Ui(40));
    SetListEnabled(d.ComboBox3, true);
    d.CheckBox1->SetChecked(false);
    d.CheckBox2->SetChecked(false);
    d.ShowModal();
    AccountFields f;
    if (d.Tag == -1 || !ReadAccount(d, true, f)) return;
    SelectBill = InsertAccount(*DB, f);
    DoEnable(2);
    PaintMain();
}

void TForm1::N1Click() {
    if (SelectBill == -1 || !DB || !Form2) return;
    auto t = DB->GetTable(
        "select bill_type_id, bill_id, position, name, twosign, currency_id from bill where id = " +
        IntToStr(SelectBill));
    if (t->Eof() || IntField(*t, 1) == 0) return;
    TForm2& d = *Form2;
    const AnsiString sign = t->FieldAsString(4);
    d.GroupId = IntField(*t, 1);
    d.Edit1->SetStoredText(t->FieldAsString(3));
    d.CheckBox2->SetChecked(sign.size() > 0 && sign[0] == 'T');
    d.CheckBox1->SetChecked(sign.size() > 1 && sign[1] == 'T');
    d.CurrencyId = IntField(*t, 5);
    d.ComboBox1->SetItemIndex(TypeItem(d.TypeIds, IntField(*t, 0)));
    d.ComboBox1Change();
    d.SetCaption(Ui(39));
    SetListEnabled(d.ComboBox1, false);
    SetListEnabled(d.ComboBox3, false);
    d.ShowModal();
    SetListEnabled(d.ComboBox1, true);
    AccountFields f;
    if (d.Tag == -1 || !ReadAccount(d, false, f)) return;
    UpdateAccount(*DB, SelectBill, f, Period());
    for (size_t i = 1; i < Head.HeadTabs.size(); ++i) {
        THeadTab& tab = Head.HeadTabs[i];
        if (tab.Kind != tkLedger || tab.Id != SelectBill) continue;
        tab.Caption = f.name;
        tab.TwoSign = f.twoDecimals;
    }
    // Other ledgers name the account, with its group, as a correspondent.
    ReloadLedgers(*DB, {SelectBill});
    FormPaint();
}

void TForm1::N2Click() {
    if (SelectBill == -1 || !DB || ParentOf(SelectBill) <= 0) return;
    const AnsiString A = IntToStr(SelectBill);
    const int64_t moves =
        DB->GetTable("select count(*) from bill_move where src_bill_id = " + A)->FieldAsInteger(0);
    auto type = DB->GetTable("select bill_type_id from bill where id = " + A);
    const int t = type->Eof() ? -1 : IntField(*type, 0);
    const int64_t others =
        DB->GetTable("select count(*) from bill where bill_id <> 0 and bill_type_id = " +
                     IntToStr(t) + " and id <> " + A)
            ->FieldAsInteger(0);
    if (moves > 0 && others > 0 && Form5) {
        Form5->ShowModal();
        return;
    }
    if (MessageBox(this, Ui(127), Ui(135), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // Also for the only account of its type: its moves go with it, both rows of each.
    const int deleted = SelectBill;
    DeleteAccountWithMoves(*DB, deleted, Period());
    DropLedgerTabs(deleted);
    ReloadLedgers(*DB, {deleted});
    SelectionFallback();
    FormPaint();
}

void TForm1::SelectionFallback() {
    for (size_t i = 0; i < BillTypeViews.size() && i < 3; ++i) {
        TBillTypeView& view = BillTypeViews[i];
        if (view.Rows.empty()) continue;
        SelectBill = view.Rows[0].Id;
        view.Scroll = 0;
        DoEnable(1);
        return;
    }
    SelectBill = -1;
    DoEnable(3);
}

void TForm1::N10Click() {
    if (!DB || !Form6) return;
    TForm6& d = *Form6;
    d.Edit1->SetText("");
    int item = PopupMenu1Tag;
    if (SelectBill != -1) {
        auto t = DB->GetTable("select bill_type_id, bill_id, position, name from bill where id = " +
                              IntToStr(SelectBill));
        if (!t->Eof()) item = TypeItem(d.TypeIds, IntField(*t, 0));
    }
    d.ComboBox1->SetItemIndex(item);
    SetListEnabled(d.ComboBox1, true);
    d.SetCaption(Ui(46));
    d.CheckBox1->SetChecked(false);
    d.ShowModal();
    GroupFields f;
    if (d.Tag == -1 || !ReadGroup(d, f)) return;
    SelectBill = InsertGroup(*DB, f);
    DoEnable(1);
    PaintMain();
}

void TForm1::N8Click() {
    if (SelectBill == -1 || !DB || !Form6 || ParentOf(SelectBill) != 0) return;
    auto t = DB->GetTable(
        "select bill_type_id, currency_id, position, name, twosign from bill where id = " +
        IntToStr(SelectBill));
    if (t->Eof()) return;
    TForm6& d = *Form6;
    const AnsiString sign = t->FieldAsString(4);
    d.CurrencyId = IntField(*t, 1);
    d.Edit1->SetStoredText(t->FieldAsString(3));
    d.CheckBox1->SetChecked(sign.size() > 1 && sign[1] == 'T');
    d.ComboBox1->SetItemIndex(TypeItem(d.TypeIds, IntField(*t, 0)));
    d.SetCaption(Ui(44));
    SetListEnabled(d.ComboBox1, false);
    d.ShowModal();
    SetListEnabled(d.ComboBox1, true);
    GroupFields f;
    if (d.Tag == -1 || !ReadGroup(d, f)) return;
    UpdateGroup(*DB, SelectBill, f, Period());
    // Ledgers name their correspondents with the group's name.
    ReloadLedgers(*DB, AccountsOfGroup(SelectBill));
    PaintMain();
}

void TForm1::N9Click() {
    if (SelectBill == -1 || !DB || ParentOf(SelectBill) != 0) return;
    const AnsiString G = IntToStr(SelectBill);
    if (DB->GetTable("select count(*) from bill where bill_id = " + G)->FieldAsInteger(0) > 0) {
        MessageBox(this, Ui(101), Ui(45), MB_OK | MB_ICONWARNING);
        return;
    }
    if (MessageBox(this, Ui(181), Ui(182), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    DB->ExecSQL("delete from bill where id = " + G);
    SelectBill = -1;
    PaintMain();
    SelectionFallback();
    FormPaint();
}

void TForm1::N12Click() {
    if (SelectBill == -1 || !DB) return;
    if (MoveSibling(*DB, SelectBill, -1)) PaintMain();
}

void TForm1::N13Click() {
    if (SelectBill == -1 || !DB) return;
    if (MoveSibling(*DB, SelectBill, 1)) PaintMain();
}

void ConnectAccountCommands(TForm1& form) {
    static const char* const kConnected = "qmAccountCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    using Handler = void (TForm1::*)();
    const std::pair<int, Handler> actions[] = {{14, &TForm1::N3Click}, {15, &TForm1::N1Click},
                                               {16, &TForm1::N2Click}, {18, &TForm1::N10Click},
                                               {27, &TForm1::N8Click}, {28, &TForm1::N9Click}};
    const std::pair<int, Handler> items[] = {{1, &TForm1::N1Click},   {2, &TForm1::N2Click},
                                             {3, &TForm1::N3Click},   {8, &TForm1::N8Click},
                                             {9, &TForm1::N9Click},   {10, &TForm1::N10Click},
                                             {12, &TForm1::N12Click}, {13, &TForm1::N13Click}};
    TForm1* f = &form;
    // Whether they are enabled is the window's situation's to say (DoEnable), not ours.
    for (const auto& [n, handler] : actions)
        QObject::connect(form.Action(n), &QAction::triggered, f, [f, h = handler] { (f->*h)(); });
    for (const auto& [n, handler] : items)
        QObject::connect(form.N(n), &QAction::triggered, f, [f, h = handler] { (f->*h)(); });
    // No entry of the texts table names these two.
    form.N(12)->setText("Move up");
    form.N(13)->setText("Move down");
}

}  // namespace qm
