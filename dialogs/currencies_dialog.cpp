// TForm3, the currencies dialog.
#include "dialogs/currencies_dialog.h"

#include <QHeaderView>
#include <algorithm>
#include <cstring>

#include "app/store/amounts.h"
#include "app/store/currency_store.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "dialogs/text_fields.h"
#include "platform/dialogs.h"

namespace qm {

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent) : TForm(parent) {
    StringGrid1 = new TStringGrid(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button3 = new TButton(this);
    Button4 = new TButton(this);
    StringGrid1->SetColCount(3);
    StringGrid1->SetRowCount(2);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetDefaultRowHeight(18);
    StringGrid1->SetColWidths(0, 159);
    StringGrid1->SetColWidths(1, 49);
    StringGrid1->SetColWidths(2, 146);
    StringGrid1->SetOptions(goEditing);
    StringGrid1->OnKeyPress = [this](char& key) { StringGrid1KeyPress(key); };
    // Shown as written whatever the interface code page is.
    Button4->setText(QString::fromUtf8("Отменить"));
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    Button4->OnClick = [this] { Button4Click(); };
    Layout();
    FormCreate();
}

void TForm3::Layout() {
    setFixedSize(492, 256);
    StringGrid1->SetBounds(8, 8, 378, 240);
    Button1->SetBounds(398, 8, 86, 28);
    Button2->SetBounds(398, 42, 86, 28);
    Button3->SetBounds(398, 186, 86, 28);
    Button4->SetBounds(398, 220, 86, 28);
}

void TForm3::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(2));
    Button1->SetCaption(MainWindow::Ui(12));
    Button2->SetCaption(MainWindow::Ui(13));
    Button3->SetCaption(MainWindow::Ui(14));
}

// The short name column is narrow by design; it widens to show its heading, at the cost of
// the name column, so the grid keeps its width.
void TForm3::FitShortNameColumn() {
    constexpr int kName = 159, kShort = 49;
    const QFontMetrics metrics = StringGrid1->horizontalHeader()->fontMetrics();
    const int heading = metrics.horizontalAdvance(ToQString(StringGrid1->Cells(1, 0))) + 12;
    const int width = std::clamp(heading, kShort, kShort + kName / 2);
    StringGrid1->SetColWidths(1, width);
    StringGrid1->SetColWidths(0, kName + kShort - width);
}

void TForm3::FormShow() {
    RowIds.clear();
    StoredNames.clear();
    DeletedIds.clear();
    StringGrid1->SetRowCount(2);
    if (Form1) {
        StringGrid1->SetCells(0, 0, MainWindow::Ui(3));
        StringGrid1->SetCells(1, 0, MainWindow::Ui(7));
        StringGrid1->SetCells(2, 0, MainWindow::Ui(8));
        FitShortNameColumn();
    }
    if (DB) {
        auto t =
            DB->GetTable("select id, name, short_name, kurs, kurs_str from currency order by id");
        for (; !t->Eof(); t->Next()) {
            RowIds.push_back(static_cast<int>(t->FieldAsInteger(0)));
            StoredNames.emplace_back(t->FieldAsString(1), t->FieldAsString(2));
            const int n = static_cast<int>(RowIds.size());
            StringGrid1->SetRowCount(n + 1);
            StringGrid1->SetCellText(0, n, QString::fromStdString(StoredNames.back().first));
            StringGrid1->SetCellText(1, n, QString::fromStdString(StoredNames.back().second));
            StringGrid1->SetCells(2, n, StringReplaceAll(t->FieldAsString(4), ".", ","));
        }
    }
    // A table without currencies leaves one empty row, which is a new currency to be typed.
    if (RowIds.empty()) {
        RowIds.push_back(-1);
        StoredNames.emplace_back();
        for (int c = 0; c < 3; ++c) StringGrid1->SetCells(c, 1, "");
    }
    StringGrid1->SetFocus();
}

void TForm3::StringGrid1KeyPress(char& key) {
    if (StringGrid1->Col() != 2 || !StringGrid1->EditorMode()) return;
    if (key == 8 || key == 13 || (key >= '0' && key <= '9')) return;
    if (key != 0 && std::strchr("()*+,-/", key)) return;
    key = 0;
}

void TForm3::Button1Click() {
    StringGrid1->SetRowCount(StringGrid1->RowCount() + 1);
    RowIds.push_back(-1);
    StoredNames.emplace_back();
    StringGrid1->SetFocus();
}

void TForm3::Notice(int text) {
    MessageBox(this, Form1 ? MainWindow::Ui(text) : AnsiString(), Caption(),
               MB_OK | MB_ICONWARNING);
}

void TForm3::Button2Click() {
    if (StringGrid1->RowCount() <= 2) {
        Notice(9);
        return;
    }
    const int r = StringGrid1->Row();
    if (r < 1 || r > static_cast<int>(RowIds.size())) return;
    const int id = RowIds[r - 1];
    // Groups are rows of bill too: a currency named by any row stays.
    if (DB && DB->GetTable("select count(*) from bill where currency_id = " + IntToStr(id))
                      ->FieldAsInteger(0) > 0) {
        Notice(10);
        return;
    }
    DeletedIds += (DeletedIds.empty() ? "" : ",") + IntToStr(id);
    RowIds.erase(RowIds.begin() + (r - 1));
    if (r - 1 < static_cast<int>(StoredNames.size()))
        StoredNames.erase(StoredNames.begin() + (r - 1));
    const int count = StringGrid1->RowCount();
    for (int row = r; row + 1 < count; ++row)
        for (int c = 0; c < 3; ++c)
            StringGrid1->SetCellText(c, row, StringGrid1->CellText(c, row + 1));
    StringGrid1->SetRowCount(count - 1);
    StringGrid1->SetFocus();
}

void TForm3::Button3Click() {
    std::vector<CurrencyRow> rows;
    for (int row = 1; row < StringGrid1->RowCount(); ++row) {
        CurrencyRow r;
        r.id = row - 1 < static_cast<int>(RowIds.size()) ? RowIds[row - 1] : -1;
        r.name = StringGrid1->Cells(0, row);
        r.shortName = StringGrid1->Cells(1, row);
        r.rate = StringGrid1->Cells(2, row);
        r.value = Calc(r.rate);
        // Every cell and every rate is checked before anything is written.
        if (!CellsFit(row)) return;
        if (!SavableRate(r.value)) {
            StringGrid1->SetRow(row);
            StringGrid1->SetCol(2);
            Notice(11);
            StringGrid1->SetFocus();
            return;
        }
        rows.push_back(r);
    }
    if (!DB || !Form1) return;
    WriteCurrencies(*DB, rows, DeletedIds, MainWindow::Period());
    // The tree and the reports convert totals into the main currency: it has to exist.
    if (DB->GetTable("select id from currency where id = " + IntToStr(MainWindow::MainCurrencyId()))
            ->Eof())
        MainWindow::SetMainCurrencyId(FirstCurrencyId(*DB));
    if (HeadIndex == 0) MainWindow::PaintMain();
    SetModalResult(mrOk);
}

bool TForm3::CellsFit(int row) {
    const bool known = row - 1 < static_cast<int>(StoredNames.size());
    for (int c = 0; c < 3; ++c) {
        const QString text = StringGrid1->CellText(c, row);
        const TUnfitChar bad = FirstUnfitChar(text);
        if (!bad) continue;
        // A name read from the file and left as it was is written back as stored.
        if (known && c < 2 &&
            text == QString::fromStdString(c == 0 ? StoredNames[row - 1].first
                                                  : StoredNames[row - 1].second))
            continue;
        StringGrid1->SetRow(row);
        StringGrid1->SetCol(c);
        NoticeUnfitText(this, Caption(), StringGrid1->Cells(c, 0), bad);
        StringGrid1->SetFocus();
        return false;
    }
    return true;
}

void TForm3::Button4Click() {
    Close();
}

}  // namespace qm
