// TForm6, the group dialog.
#include "dialogs/group_dialog.h"

#include "app/unit1.h"
#include "dialogs/account_dialog.h"
#include "dialogs/text_fields.h"

namespace qm {

TForm6* Form6 = nullptr;

TForm6::TForm6(QWidget* parent) : TForm(parent) {
    Label2 = new TLabel(this);
    Edit1 = new TEdit(this);
    Label3 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    Label5 = new TLabel(this);
    ComboBox3 = new TComboBox(this);
    CheckBox1 = new TCheckBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetKeyPreview(this, {[this](int& key, TShiftState shift) { FormKeyDown(key, shift); }});
    SetCaption("Group");  // replaced by the caller before each showing
    Layout();
    FormCreate();
}

void TForm6::Layout() {
    constexpr int kLabelX = 12, kFieldX = 104, kFieldW = 264, kRowH = 24, kRowStep = 32;
    setFixedSize(380, 194);
    const std::pair<TLabel*, TControl*> rows[] = {
        {Label2, Edit1}, {Label3, ComboBox1}, {Label5, ComboBox3}};
    int y = 14;
    for (const auto& [label, field] : rows) {
        label->SetBounds(kLabelX, y + 4, kFieldX - kLabelX - 4, kRowH - 8);
        field->SetBounds(kFieldX, y, kFieldW, kRowH);
        y += kRowStep;
    }
    CheckBox1->SetBounds(kFieldX, y + 2, kFieldW, 20);
    Button1->SetBounds(196, 152, 82, 28);
    Button2->SetBounds(286, 152, 82, 28);
}

void TForm6::FormCreate() {
    if (!Form1) return;
    Label3->SetCaption(Form1->Ui(0) + ": ");
    Label5->SetCaption(Form1->Ui(2) + ": ");
    Label2->SetCaption(Form1->Ui(3) + ": ");
    CheckBox1->SetCaption(Form1->Ui(167));
    Button1->SetCaption(Form1->Ui(5));
    Button2->SetCaption(Form1->Ui(6));
    if (Form1->GlyphBitmap && DB)
        FillIdList(*ComboBox1, TypeIds, "select id, name from bill_type order by id");
}

void TForm6::FormShow() {
    FillIdList(*ComboBox3, CurrencyIds, "select id, name, short_name from currency order by id");
    ChooseId(*ComboBox3, CurrencyIds, CurrencyId);
    Tag = -1;
    Edit1->SetFocus();
}

void TForm6::Button1Click() {
    if (!TextsFit(*this, {{Edit1, 3}})) return;
    // The caller reads the id behind both choices.
    if (!ListsChosen(*this, {{ComboBox1, 0}, {ComboBox3, 2}})) return;
    Tag = 0;
    Close();
}

void TForm6::Button2Click() {
    Close();
}

void TForm6::FormKeyDown(int& key, TShiftState) {
    if (key == VK_RETURN) {
        key = 0;
        Button1Click();
    } else if (key == VK_ESCAPE) {
        key = 0;
        Button2Click();
    }
}

}  // namespace qm
