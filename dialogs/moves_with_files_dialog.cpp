// TForm18, the moves with files.
#include "dialogs/moves_with_files_dialog.h"

#include "app/store/attached_files.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "platform/application.h"
#include "platform/shell.h"

namespace qm {

TForm18* Form18 = nullptr;

AnsiString AccountPathText(int billId) {
    if (!DB) return {};
    auto t = DB->GetTable(
        "select b.id, t.name, g.name, b.name, b.twosign, g.twosign from bill_type t, bill g, "
        "bill b where b.bill_id = g.id and g.bill_id = 0 and g.bill_type_id = t.id and b.id = " +
        IntToStr(billId));
    if (t->Eof()) return {};
    const AnsiString type = Utf8ToAnsi(t->FieldAsString(1));
    return type.substr(0, 1) + ":" + Utf8ToAnsi(t->FieldAsString(2)) + "-" +
           Utf8ToAnsi(t->FieldAsString(3));
}

TForm18::TForm18(QWidget* parent) : TForm(parent) {
    StringGrid1 = new TStringGrid(this);
    StringGrid1->SetColCount(3);
    StringGrid1->SetRowCount(2);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetDefaultColWidth(150);
    StringGrid1->SetDefaultRowHeight(18);
    StringGrid1->SetOptions(goColSizing);
    Button2 = new TButton(this);
    Button3 = new TButton(this);
    Button1 = new TButton(this);
    Button1->SetCancel(true);
    StringGrid1->OnSelectCell = [this](int col, int row, bool& can) {
        StringGrid1SelectCell(col, row, can);
    };
    StringGrid1->OnDblClick = [this] { Button2Click(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    Layout();
    FormCreate();
}

void TForm18::Layout() {
    setFixedSize(500, 330);
    StringGrid1->SetBounds(10, 10, 480, 268);
    Button2->SetBounds(10, 290, 150, 28);
    Button3->SetBounds(168, 290, 120, 28);
    Button1->SetBounds(408, 290, 82, 28);
}

void TForm18::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(184));
    for (int col = 0; col < 3; ++col) StringGrid1->SetCells(col, 0, MainWindow::Ui(185 + col));
    Button1->SetCaption(MainWindow::Ui(131));
    Button2->SetCaption(MainWindow::Ui(188));
    Button3->SetCaption(MainWindow::Ui(189));
}

void TForm18::FormShow() {
    Records.clear();
    std::vector<std::array<AnsiString, 3>> lines;
    auto t = DB ? DB->GetTable(
                      "select files, src_bill_id, dest_bill_id, id, bill_move_id from bill_move "
                      "where files is not null and files <> ''")
                : nullptr;
    for (; t && !t->Eof(); t->Next()) {
        // An emptied value (no entries) lists nothing.
        const TAttachedFiles files = TAttachedFiles::Parse(t->FieldAsBlobText(0));
        if (files.Count() == 0) continue;
        TFileRecord r;
        r.SrcBillId = static_cast<int>(t->FieldAsInteger(1));
        r.DestBillId = static_cast<int>(t->FieldAsInteger(2));
        r.MoveId = static_cast<int>(t->FieldAsInteger(3));
        r.TwinId = static_cast<int>(t->FieldAsInteger(4));
        const AnsiString src = AccountPathText(r.SrcBillId), dest = AccountPathText(r.DestBillId);
        for (size_t k = 0; k < files.Count(); ++k) {
            r.Name = files.Entries()[k].Name;
            r.Bytes = files.Bytes(k);
            Records.push_back(r);
            lines.push_back({r.Name, src, dest});
        }
    }
    // Without files the grid keeps one blank line under its header.
    StringGrid1->SetRowCount(std::max<int>(2, static_cast<int>(lines.size()) + 1));
    for (int col = 0; col < 3; ++col) StringGrid1->SetCells(col, 1, "");
    for (size_t i = 0; i < lines.size(); ++i)
        for (int col = 0; col < 3; ++col)
            StringGrid1->SetCells(col, static_cast<int>(i) + 1, lines[i][col]);
    StringGrid1->SetRow(1);
    StringGrid1->SetCol(0);
    SwitchButtons(0);
    StringGrid1->SetFocus();
}

void TForm18::SwitchButtons(int col) {
    const bool any = !Records.empty();
    Button2->SetEnabled(any && col != 0);
    Button3->SetEnabled(any && col == 0);
}

void TForm18::StringGrid1SelectCell(int col, int, bool&) {
    SwitchButtons(col);
}

void TForm18::Button1Click() {
    Close();
}

void TForm18::Button2Click() {
    const int col = StringGrid1->Col(), line = StringGrid1->Row();
    if (col == 0 || line < 1 || line > static_cast<int>(Records.size()) || !Form1 || !DB) return;
    const TFileRecord& r = Records[line - 1];
    const int account = col == 1 ? r.SrcBillId : r.DestBillId;
    const int move = col == 1 ? r.MoveId : r.TwinId;
    // Switching tabs rebuilds the ledger: a row being edited is settled first.
    if (!MainWindow::LeaveEditedRow()) return;
    int index = -1;
    for (size_t i = 0; i < Head.HeadTabs.size() && index < 0; ++i)
        if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == account)
            index = static_cast<int>(i);
    if (index < 0) {
        auto b = DB->GetTable("select bill_type_id, name, twosign from bill where id = " +
                              IntToStr(account));
        if (b->Eof()) return;  // the account is gone: there is no ledger to show
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = account;
        tab.BillTypeId = static_cast<int>(b->FieldAsInteger(0));
        tab.Caption = Utf8ToAnsi(b->FieldAsString(1));
        tab.TwoSign = b->FieldAsString(2).substr(0, 1) == "T";
        Head.HeadTabs.push_back(tab);
        index = static_cast<int>(Head.HeadTabs.size()) - 1;
    }
    // The tab opens at its top with the move selected; the ledger is loaded when painted.
    Head.HeadTabs[index].SelMove = move;
    Head.HeadTabs[index].TopRow = 0;
    MainWindow::SwitchToTab(index);
    Close();
}

void TForm18::Button3Click() {
    const int line = StringGrid1->Row();
    if (line < 1 || line > static_cast<int>(Records.size())) return;
    try {
        ShellOpenFile(WriteTempCopy(StringGrid1->Cells(0, line), Records[line - 1].Bytes));
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

}  // namespace qm
