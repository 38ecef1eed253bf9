// TForm4, the budget dialog.
#include "dialogs/budget_dialog.h"

#include <cmath>

#include "app/money_text.h"
#include "app/unit1.h"
#include "platform/dialogs.h"

namespace qm {

TForm4* Form4 = nullptr;

TForm4::TForm4(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    DateTimePicker1 = new TDateTimePicker(this);
    Label4 = new TLabel(this);
    DateTimePicker2 = new TDateTimePicker(this);
    Label2 = new TLabel(this);
    RxCalcEdit1 = new TRxCalcEdit(this);
    CheckBox1 = new TCheckBox(this);
    Label3 = new TLabel(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetKeyPreview(this, {[this](int& key, TShiftState shift) { FormKeyDown(key, shift); }});
    Layout();
    FormCreate();
}

void TForm4::Layout() {
    setFixedSize(380, 214);
    Label1->SetBounds(12, 16, 70, 16);
    DateTimePicker1->SetBounds(88, 12, 120, 24);
    Label4->SetBounds(220, 16, 30, 16);
    DateTimePicker2->SetBounds(250, 12, 120, 24);
    Label2->SetBounds(12, 52, 70, 16);
    RxCalcEdit1->SetBounds(88, 48, 120, 24);
    CheckBox1->SetBounds(12, 86, 358, 20);
    Label3->SetWordWrap(true);
    Label3->SetBounds(30, 108, 340, 48);
    Button1->SetBounds(196, 174, 82, 28);
    Button2->SetBounds(288, 174, 82, 28);
}

void TForm4::FormCreate() {
    DateTimePicker1->SetDate(Date());
    DateTimePicker2->SetDate(Date());
    if (!Form1) return;
    SetCaption(Form1->Ui(15));
    Label1->SetCaption(Form1->Ui(16));
    Label4->SetCaption(Form1->Ui(17));
    Label2->SetCaption(Form1->Ui(18));
    CheckBox1->SetCaption(Form1->Ui(19));
    Label3->SetCaption(Form1->Ui(20));
    Button1->SetCaption(Form1->Ui(5));
    Button2->SetCaption(Form1->Ui(6));
}

void TForm4::FormShow() {
    Tag = 0;
    if (Form1) {
        DateTimePicker1->SetFormat(Form1->DateFormat);
        DateTimePicker2->SetFormat(Form1->DateFormat);
    }
    Button2->SetFocus();
}

void TForm4::Button1Click() {
    long double amount = -1;
    try {
        amount = RxCalcEdit1->Value();
    } catch (const Exception&) {
        amount = -1;  // no number: refused like a negative amount
    }
    // An amount the file cannot hold as a number is no budget either.
    if (!(amount >= 0) || !StorableNumber(amount)) {
        MessageBox(this, Form1 ? Form1->Ui(21) : AnsiString(), Caption(), MB_OK | MB_ICONWARNING);
        return;
    }
    if (DateTimePicker2->Date() < DateTimePicker1->Date()) {
        const TDateTime from = DateTimePicker1->Date();
        DateTimePicker1->SetDate(DateTimePicker2->Date());
        DateTimePicker2->SetDate(from);
    }
    Tag = 1;
    SetModalResult(mrOk);
}

void TForm4::Button2Click() {
    Tag = 0;
    Close();
}

void TForm4::FormKeyDown(int& key, TShiftState) {
    if (key == VK_ESCAPE) {
        key = 0;
        Button2Click();
    } else if (key == VK_RETURN) {
        key = 0;
        Button1Click();
    }
}

}  // namespace qm
