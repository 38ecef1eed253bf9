// TForm17, the QIF import mapping dialog.
#include "dialogs/qif_mapping_dialog.h"

#include "app/window/window_calls.h"
#include "platform/dialogs.h"

namespace qm {

TForm17* Form17 = nullptr;

TForm17::TForm17(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    ListBox1 = new TListBox(this);
    SpeedButton1 = new TRxSpeedButton(this);
    SpeedButton2 = new TRxSpeedButton(this);
    ListBox2 = new TListBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    SpeedButton1->SetCaption("<");
    SpeedButton2->SetCaption(">");
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    ComboBox1->OnChange = [this] { ComboBox1Change(); };
    SpeedButton1->OnClick = [this] { SpeedButton1Click(); };
    ListBox2->OnDblClick = [this] { SpeedButton1Click(); };
    SpeedButton2->OnClick = [this] { SpeedButton2Click(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Layout();
    FormCreate();
}

void TForm17::Layout() {
    setFixedSize(452, 326);
    Label1->SetBounds(12, 12, 180, 16);
    ComboBox1->SetBounds(12, 32, 180, 24);
    ListBox1->SetBounds(12, 64, 180, 204);
    SpeedButton1->SetBounds(204, 124, 36, 28);
    SpeedButton2->SetBounds(204, 164, 36, 28);
    ListBox2->SetBounds(252, 32, 188, 236);
    Button1->SetBounds(268, 284, 82, 28);
    Button2->SetBounds(358, 284, 82, 28);
}

void TForm17::FormCreate() {
    SetCaption("QIF");
    if (!Form1) return;
    SetCaption(MainWindow::Ui(175));
    Label1->SetCaption(MainWindow::Ui(0));
    Button1->SetCaption(MainWindow::Ui(5));
    Button2->SetCaption(MainWindow::Ui(6));
    for (int entry : {89, 90, 91}) ComboBox1->Items().Add(MainWindow::Ui(entry));
}

void TForm17::FormShow() {
    Tag = 0;
    ListBox1->Items().Clear();
    for (auto& items : TypeItems) items.clear();
    for (auto& names : TypeNames) names.clear();
    ComboBox1->SetItemIndex(0);
    ComboBox1->SetFocus();
}

int TForm17::ChosenType() const {
    const int index = ComboBox1->ItemIndex();
    return index >= 0 && index < 3 ? index : -1;
}

void TForm17::ComboBox1Change() {
    ListBox1->Items().Clear();
    const int t = ChosenType();
    if (t < 0) return;
    for (const AnsiString& name : TypeNames[t]) ListBox1->Items().Add(name);
}

void TForm17::SpeedButton1Click() {
    const int i = ListBox2->ItemIndex();
    const int t = ChosenType();
    if (i >= 0 && i < static_cast<int>(FreeItems.size()) && t >= 0) {
        const AnsiString text = ListBox2->Items()[i];
        ListBox1->Items().Add(text);
        TypeItems[t].push_back(FreeItems[i]);
        TypeNames[t].push_back(text);
        FreeItems.erase(FreeItems.begin() + i);
        ListBox2->Items().Delete(i);
    }
    ListBox2->SetFocus();
}

void TForm17::SpeedButton2Click() {
    const int j = ListBox1->ItemIndex();
    const int t = ChosenType();
    if (j >= 0 && t >= 0 && j < static_cast<int>(TypeItems[t].size())) {
        ListBox2->Items().Add(ListBox1->Items()[j]);
        FreeItems.push_back(TypeItems[t][j]);
        TypeItems[t].erase(TypeItems[t].begin() + j);
        TypeNames[t].erase(TypeNames[t].begin() + j);
        ListBox1->Items().Delete(j);
    }
    ListBox1->SetFocus();
}

void TForm17::Button1Click() {
    if (ListBox2->Items().Count() > 0) {
        MessageBox(this, Form1 ? MainWindow::Ui(178) : AnsiString(), Caption(),
                   MB_OK | MB_ICONWARNING);
        return;
    }
    Tag = 1;
    Close();
}

void TForm17::Button2Click() {
    Close();
}

}  // namespace qm
