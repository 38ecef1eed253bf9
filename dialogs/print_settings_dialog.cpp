// TForm15, the print settings dialog.
#include "dialogs/print_settings_dialog.h"

#include <QPrinterInfo>

#include "app/window/window_calls.h"

namespace qm {

TForm15* Form15 = nullptr;

TForm15::TForm15(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    GroupBox1 = new TGroupBox(this);
    Label2 = new TLabel(GroupBox1);
    SpinEdit1 = new TSpinEdit(GroupBox1);
    Label3 = new TLabel(GroupBox1);
    SpinEdit2 = new TSpinEdit(GroupBox1);
    Label4 = new TLabel(GroupBox1);
    SpinEdit3 = new TSpinEdit(GroupBox1);
    Label5 = new TLabel(GroupBox1);
    SpinEdit4 = new TSpinEdit(GroupBox1);
    Label6 = new TLabel(this);
    SpinEdit5 = new TSpinEdit(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    // No bounds of their own: margins may be negative, copies are held at 1 or more below.
    for (TSpinEdit* s : {SpinEdit1, SpinEdit2, SpinEdit3, SpinEdit4}) s->SetValue(10);
    SpinEdit5->SetValue(1);
    SpinEdit5->OnChange = [this] { SpinEdit5Change(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    SetCaption("Print");
    Layout();
    FormCreate();
}

void TForm15::Layout() {
    setFixedSize(336, 244);
    Label1->SetBounds(12, 18, 70, 16);
    ComboBox1->SetBounds(84, 14, 240, 24);
    GroupBox1->SetBounds(12, 50, 312, 96);
    const struct {
        TLabel* label;
        TSpinEdit* edit;
        int x, y;
    } margins[] = {{Label2, SpinEdit1, 12, 28},
                   {Label3, SpinEdit2, 162, 28},
                   {Label4, SpinEdit3, 12, 60},
                   {Label5, SpinEdit4, 162, 60}};
    for (const auto& m : margins) {
        m.label->SetBounds(m.x, m.y + 4, 56, 16);
        m.edit->SetBounds(m.x + 60, m.y, 72, 24);
    }
    Label6->SetBounds(12, 166, 70, 16);
    SpinEdit5->SetBounds(84, 162, 72, 24);
    Button1->SetBounds(152, 204, 82, 28);
    Button2->SetBounds(242, 204, 82, 28);
}

void TForm15::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(159));
    Label1->SetCaption(MainWindow::Ui(160));
    GroupBox1->SetCaption(" " + MainWindow::Ui(161) + " ");
    Label2->SetCaption(MainWindow::Ui(162));
    Label3->SetCaption(MainWindow::Ui(163));
    Label4->SetCaption(MainWindow::Ui(164));
    Label5->SetCaption(MainWindow::Ui(165));
    Label6->SetCaption(MainWindow::Ui(147));
    Button1->SetCaption(MainWindow::Ui(159));
    Button2->SetCaption(MainWindow::Ui(6));
}

void TForm15::FormShow() {
    PrinterNames.clear();
    ComboBox1->Items().Clear();
    for (const QPrinterInfo& printer : QPrinterInfo::availablePrinters()) {
        PrinterNames.push_back(printer.printerName());
        ComboBox1->Items().Add(FromQString(printer.printerName()));
    }
    // Always the first printer of the list, not the system's default one.
    if (ComboBox1->Items().Count() > 0) ComboBox1->SetItemIndex(0);
    ComboBox1->SetFocus();
    Tag = 0;
}

void TForm15::Button1Click() {
    Tag = 1;
    Close();
}

void TForm15::Button2Click() {
    Close();
}

void TForm15::SpinEdit5Change() {
    if (SpinEdit5->Value() < 1) SpinEdit5->SetValue(1);
}

}  // namespace qm
