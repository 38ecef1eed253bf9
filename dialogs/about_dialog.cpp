// TForm10, the about box.
#include "dialogs/about_dialog.h"

#include "app/window/window_calls.h"

namespace qm {

TForm10* Form10 = nullptr;

TForm10::TForm10(QWidget* parent) : TForm(parent) {
    setFixedSize(316, 231);
    TFont font;
    font.Name = "Arial";
    font.Size = 9;
    Label1 = new TLabel(this);
    Label1->SetFont(font);
    Label1->SetAutoSize(false);
    Label1->SetWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->SetBounds(16, 16, 284, 160);
    Button1 = new TButton(this);
    Button1->SetFont(font);
    Button1->SetDefault(true);
    Button1->SetCancel(true);
    Button1->SetBounds(117, 189, 82, 28);
    Button1->OnClick = [this] { Button1Click(); };
    FormCreate();
}

void TForm10::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(71));
    Label1->SetCaption(MainWindow::Ui(124));
    Button1->SetCaption(MainWindow::Ui(5));
}

void TForm10::Button1Click() {
    SetModalResult(mrOk);
}

}  // namespace qm
