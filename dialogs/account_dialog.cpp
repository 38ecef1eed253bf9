// TForm2, the account dialog.
#include "dialogs/account_dialog.h"

#include "app/unit1.h"
#include "dialogs/text_fields.h"
#include "platform/dialogs.h"

namespace qm {

TForm2* Form2 = nullptr;

namespace {
constexpr int kLabelX = 12, kFieldX = 104, kFieldW = 264, kRowH = 24, kRowStep = 32;
}

void FillIdList(TComboBox& list, std::vector<int>& ids, const AnsiString& sql) {
    ids.clear();
    list.Items().Clear();
    if (!DB) return;
    auto t = DB->GetTable(sql);
    for (; !t->Eof(); t->Next()) {
        ids.push_back(static_cast<int>(t->FieldAsInteger(0)));
        AnsiString text = Utf8ToAnsi(t->FieldAsString(1));
        for (int c = 2; c < t->ColCount(); ++c) text += " " + Utf8ToAnsi(t->FieldAsString(c));
        list.Items().Add(text);
    }
}

void ChooseId(TComboBox& list, const std::vector<int>& ids, int id) {
    int index = 0;
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == id) {
            index = static_cast<int>(i);
            break;
        }
    list.SetItemIndex(index);
}

bool ListsChosen(TForm& form, std::initializer_list<std::pair<TComboBox*, int>> lists, int notice) {
    AnsiString missing;
    TComboBox* first = nullptr;
    for (const auto& [list, caption] : lists) {
        if (list->ItemIndex() >= 0) continue;
        if (!first) first = list;
        const AnsiString name = Form1 ? Form1->Ui(caption) : AnsiString();
        missing += (missing.empty() ? "" : "\r") + name;
    }
    if (!first) return true;
    if (notice >= 0 && Form1) missing = Form1->Ui(notice) + "\r\r" + missing;
    MessageBox(&form, missing, form.Caption(), MB_OK | MB_ICONWARNING);
    if (first->CanFocus()) first->SetFocus();
    return false;
}

TForm2::TForm2(QWidget* parent) : TForm(parent) {
    Label2 = new TLabel(this);
    Edit1 = new TEdit(this);
    Label3 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    Label4 = new TLabel(this);
    ComboBox2 = new TComboBox(this);
    Label5 = new TLabel(this);
    ComboBox3 = new TComboBox(this);
    CheckBox2 = new TCheckBox(this);
    CheckBox1 = new TCheckBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    ComboBox1->OnChange = [this] { ComboBox1Change(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetKeyPreview(this, {[this](int& key, TShiftState shift) { FormKeyDown(key, shift); }});
    SetCaption("Account");  // replaced by the caller before each showing
    Layout();
    FormCreate();
}

void TForm2::Layout() {
    setFixedSize(380, 250);
    const std::pair<TLabel*, TControl*> rows[] = {
        {Label2, Edit1}, {Label3, ComboBox1}, {Label4, ComboBox2}, {Label5, ComboBox3}};
    int y = 14;
    for (const auto& [label, field] : rows) {
        label->SetBounds(kLabelX, y + 4, kFieldX - kLabelX - 4, kRowH - 8);
        field->SetBounds(kFieldX, y, kFieldW, kRowH);
        y += kRowStep;
    }
    CheckBox2->SetBounds(kFieldX, y + 2, kFieldW, 20);
    CheckBox1->SetBounds(kFieldX, y + 26, kFieldW, 20);
    Button1->SetBounds(196, 208, 82, 28);
    Button2->SetBounds(286, 208, 82, 28);
}

void TForm2::FormCreate() {
    if (!Form1) return;
    Label3->SetCaption(Form1->Ui(0) + ": ");
    Label4->SetCaption(Form1->Ui(1) + ": ");
    Label5->SetCaption(Form1->Ui(2) + ": ");
    Label2->SetCaption(Form1->Ui(3) + ": ");
    CheckBox2->SetCaption(Form1->Ui(4));
    CheckBox1->SetCaption(Form1->Ui(167));
    Button1->SetCaption(Form1->Ui(5));
    Button2->SetCaption(Form1->Ui(6));
    // The account types are fixed with the file: read once, when the main window has a file.
    if (Form1->GlyphBitmap && DB)
        FillIdList(*ComboBox1, TypeIds, "select id, name from bill_type order by id");
}

void TForm2::FormShow() {
    FillIdList(*ComboBox3, CurrencyIds, "select id, name, short_name from currency order by id");
    ChooseId(*ComboBox3, CurrencyIds, CurrencyId);
    Tag = -1;
    Edit1->SetFocus();
}

void TForm2::ComboBox1Change() {
    const int index = ComboBox1->ItemIndex();
    if (index < 0 || index >= static_cast<int>(TypeIds.size())) {
        GroupIds.clear();
        ComboBox2->Items().Clear();
        return;
    }
    FillIdList(*ComboBox2, GroupIds,
               "select id, name from bill where bill_id = 0 and bill_type_id = " +
                   IntToStr(TypeIds[index]) + " order by position");
    ChooseId(*ComboBox2, GroupIds, GroupId);
}

void TForm2::Button1Click() {
    if (!TextsFit(*this, {{Edit1, 3}})) return;
    // The caller reads the id behind each of these choices; the currency only while it can
    // be chosen (editing keeps the account's currency).
    // The notice says what the account needs before it names the missing lists.
    constexpr int kNeedsGroupAndCurrency = 191;
    if (ComboBox3->Enabled()) {
        if (!ListsChosen(*this, {{ComboBox1, 0}, {ComboBox2, 1}, {ComboBox3, 2}},
                         kNeedsGroupAndCurrency))
            return;
    } else if (!ListsChosen(*this, {{ComboBox1, 0}, {ComboBox2, 1}}, kNeedsGroupAndCurrency)) {
        return;
    }
    Tag = 0;
    Close();
}

void TForm2::Button2Click() {
    Tag = -1;
    Close();
}

void TForm2::FormKeyDown(int& key, TShiftState) {
    if (key == VK_RETURN) {
        key = 0;
        Button1Click();
    } else if (key == VK_ESCAPE) {
        key = 0;
        Button2Click();
    }
}

}  // namespace qm
