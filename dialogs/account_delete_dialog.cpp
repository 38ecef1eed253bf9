// TForm5, the account deletion or transfer dialog.
#include "dialogs/account_delete_dialog.h"

#include <algorithm>

#include "app/store/account_store.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "dialogs/account_dialog.h"
#include "platform/dialogs.h"

namespace qm {

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : TForm(parent) {
    Label1 = new TLabel(this);
    Label1->SetWordWrap(true);
    ComboBox1 = new TComboBox(this);
    Button3 = new TButton(this);
    Button2 = new TButton(this);
    Button1 = new TButton(this);
    Button1->SetCancel(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    FormCreate();
    Layout();
}

void TForm5::Layout() {
    constexpr int kMargin = 12, kWidth = 470, kGap = 8, kButtonH = 28;
    Label1->SetBounds(kMargin, kMargin, kWidth - 2 * kMargin, 20);
    const int comboTop = Label1->Top() + std::max(Label1->Height(), 20) + 12;
    ComboBox1->SetBounds(kMargin, comboTop, kWidth - 2 * kMargin, 24);
    const int buttonTop = comboTop + 24 + 20;
    int right = kWidth - kMargin;
    for (TButton* b : {Button1, Button2, Button3}) {
        const int w = std::max(90, b->sizeHint().width() + 16);
        b->SetBounds(right - w, buttonTop, w, kButtonH);
        right -= w + kGap;
    }
    setFixedSize(kWidth, buttonTop + kButtonH + kMargin);
}

void TForm5::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(22));
    Label1->SetCaption(MainWindow::Ui(23));
    Button3->SetCaption(MainWindow::Ui(24));
    Button2->SetCaption(MainWindow::Ui(25));
    Button1->SetCaption(MainWindow::Ui(6));
}

void TForm5::FormShow() {
    // Every account in a group of the selected account's type, except the account itself.
    FillIdList(*ComboBox1, TargetIds,
               "select bb.id, substr(t.name, 1, 1) || ':' || b.name || '-' || bb.name from bill "
               "b, bill bb, bill_type t, bill bbb where b.bill_id = 0 and bb.bill_id = b.id and "
               "b.bill_type_id = t.id and bb.id <> bbb.id and bbb.bill_type_id = t.id and bbb.id "
               "= " +
                   IntToStr(SelectBill) + " order by t.id, b.name, bb.name");
    ComboBox1->SetItemIndex(0);
    Button3->SetEnabled(!TargetIds.empty());
    Button1->SetFocus();
}

void TForm5::Button1Click() {
    Close();
}

void TForm5::Button2Click() {
    const int A = SelectBill;
    if (A == -1 || !Form1) return;
    if (MessageBox(this, MainWindow::Ui(127), MainWindow::Ui(135), MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    DeleteAccountWithMoves(*DB, A, MainWindow::Period());
    Finish(A, {A});
}

void TForm5::Button3Click() {
    const int A = SelectBill;
    const int index = ComboBox1->ItemIndex();
    if (A == -1 || !Form1 || index < 0 || index >= static_cast<int>(TargetIds.size())) return;
    const int T = TargetIds[index];
    TransferAndDeleteAccount(*DB, A, T, MainWindow::Period());
    Finish(A, {A, T});
}

void TForm5::Finish(int deleted, const std::vector<int>& involved) {
    DropLedgerTabs(deleted);
    ReloadLedgers(*DB, involved);
    MainWindow::SelectionFallback();
    MainWindow::FormPaint();
    Close();
}

}  // namespace qm
