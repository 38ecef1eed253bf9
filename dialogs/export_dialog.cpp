// TForm9, the spreadsheet export dialog.
#include "dialogs/export_dialog.h"

#include "app/exchange/spreadsheet_export.h"
#include "app/window/window_calls.h"
#include "dialogs/account_period.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace qm {

TForm9* Form9 = nullptr;

TForm9::TForm9(QWidget* parent) : TForm(parent) {
    Label2 = new TLabel(this);
    ComboBox1 = new TComboBox(this);
    Label1 = new TLabel(this);
    DateTimePicker1 = new TDateTimePicker(this);
    Label4 = new TLabel(this);
    DateTimePicker2 = new TDateTimePicker(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button1->SetDefault(true);
    Button2->SetCancel(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Layout();
    FormCreate();
}

void TForm9::Layout() {
    setFixedSize(400, 138);
    Label2->SetBounds(12, 18, 62, 16);
    ComboBox1->SetBounds(78, 14, 310, 24);
    Label1->SetBounds(12, 54, 62, 16);
    DateTimePicker1->SetBounds(78, 50, 130, 24);
    Label4->SetBounds(222, 54, 30, 16);
    DateTimePicker2->SetBounds(258, 50, 130, 24);
    Button1->SetBounds(214, 96, 82, 28);
    Button2->SetBounds(306, 96, 82, 28);
}

void TForm9::FormCreate() {
    DateTimePicker1->SetDate(Date());
    DateTimePicker2->SetDate(Date());
    SetCaption("Export");
    if (!Form1) return;
    CaptionAccountPeriod(*this, 60, *Label1, *Label4, *Label2, *Button1, *Button2);
}

void TForm9::FormShow() {
    TAccountList accounts = FillAccountList(*ComboBox1);
    AccountIds = std::move(accounts.Ids);
    AccountTypes = std::move(accounts.Types);
    AccountTwoSign = std::move(accounts.TwoSign);
    ComboBox1->SetItemIndex(0);
    // Without accounts there is nothing to export.
    Button1->SetEnabled(!AccountIds.empty());
    if (Form1) FormatPeriod(*DateTimePicker1, *DateTimePicker2);
    if (Button1->CanFocus()) Button1->SetFocus();
}

void TForm9::Button2Click() {
    Close();
}

void TForm9::Button1Click() {
    const int item = ComboBox1->ItemIndex();
    if (!Form1 || item < 0 || item >= static_cast<int>(AccountIds.size())) return;
    if (DateTimePicker1->Date() > DateTimePicker2->Date())
        DateTimePicker2->SetDate(DateTimePicker1->Date());
    if (!OpenDialog1.Execute(this)) return;
    TExportRequest request;
    request.File = XlsFileName(OpenDialog1.FileName);
    if (FileExists(request.File) && MessageBox(this, MainWindow::Ui(123), MainWindow::Ui(136),
                                               MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    request.AccountId = AccountIds[item];
    request.BillTypeId = AccountTypes[item];
    request.TwoSign = AccountTwoSign[item];
    request.AccountText = ComboBox1->Items()[item];
    request.From = DateTimePicker1->Date();
    request.To = DateTimePicker2->Date();
    AnsiString reason;
    const int failure = ExportAccountMoves(*Form1, request, &reason);
    if (failure >= 0)
        MessageBox(this, MainWindow::Ui(failure) + "\r\r" + reason, Caption(),
                   MB_OK | MB_ICONERROR);
    Close();
}

}  // namespace qm
