// TForm11, the find dialog, and the search through the ledger's cells.
#include "dialogs/find_dialog.h"

#include <QAction>

#include "app/unit1.h"
#include "dialogs/text_fields.h"

namespace qm {

TForm11* Form11 = nullptr;

namespace {

constexpr int kFirstCol = 1, kLastCol = 5;  // number, note, correspondent, the two amounts

// The walk from the cell after (curRow, curCol). It ends, not found, when it has come round to
// where it began: after the row before a start in the date column, after the last searched row
// for a start on the new row, or on reaching the starting cell again.
std::optional<TFindHit> Walk(const std::vector<TBillMoveRow>& rows, int curRow, int curCol,
                             const AnsiString& text) {
    const int last = static_cast<int>(rows.size()) - 1;  // the new row
    int r = curRow, c = curCol;
    // The conditions below end every walk within one round; the bound only guards them.
    for (int step = 0; step < (kLastCol + 1) * (last + 2); ++step) {
        ++c;
        if (c == kLastCol + 1 &&
            ((curRow == last && r == last - 1) || (r == last - 1 && curRow == 0 && curCol == 0) ||
             (curCol == 0 && r == curRow - 1)))
            return std::nullopt;
        if (c == kLastCol + 1) {
            ++r;
            c = kFirstCol;
        }
        if (r >= last) r = 0;
        if (r == curRow && c == curCol) return std::nullopt;
        const size_t at = rows[r].Cells[c].find(text);
        if (at != AnsiString::npos) return TFindHit{r, c, static_cast<int>(at) + 1};
    }
    return std::nullopt;
}

}  // namespace

std::optional<TFindHit> FindInLedger(const std::vector<TBillMoveRow>& rows, int curRow, int curCol,
                                     int caretPos, const AnsiString& text) {
    const int last = static_cast<int>(rows.size()) - 1;
    if (text.empty() || last < 1) return std::nullopt;
    curRow = std::clamp(curRow, 0, last);
    curCol = std::max(curCol, 0);
    if (curCol > kLastCol) {
        // The running balance is not searched: go on as from the next row's date, so that the
        // walk comes round to this row's cells last.
        curRow = std::min(curRow + 1, last);
        curCol = 0;
    }
    if (curCol > 0 && curRow < last) {
        // The rest of the current cell, from one character after the caret.
        const AnsiString& cell = rows[curRow].Cells[curCol];
        const size_t from = static_cast<size_t>(std::max(caretPos, 0));
        const size_t at = from <= cell.size() ? cell.find(text, from) : AnsiString::npos;
        if (at != AnsiString::npos) return TFindHit{curRow, curCol, static_cast<int>(at) + 1};
    }
    return Walk(rows, curRow, curCol, text);
}

TForm11::TForm11(QWidget* parent) : TForm(parent) {
    setFixedSize(324, 91);
    Edit1 = new TEdit(this);
    Edit1->SetBounds(12, 14, 300, 24);
    Button1 = new TButton(this);
    Button1->SetBounds(142, 50, 82, 28);
    Button1->SetDefault(true);
    Button2 = new TButton(this);
    Button2->SetBounds(230, 50, 82, 28);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Edit1->OnKeyPress = [this](char& key) { Edit1KeyPress(key); };
    // Command enabling asks whether find next has a text.
    Edit1->OnChange = [this] {
        if (Form1) Form1->FindText = Edit1->Text();
    };
    FormCreate();
}

void TForm11::FormCreate() {
    if (!Form1) return;
    SetCaption(Form1->Ui(62));
    Button1->SetCaption(Form1->Ui(62));
    Button2->SetCaption(Form1->Ui(6));
}

void TForm11::FormShow() {
    Edit1->SetFocus();
    Edit1->SelectAll();
}

void TForm11::Edit1KeyPress(char& key) {
    if (key == 13) {
        key = 0;
        Button1Click();
    } else if (key == 27) {
        key = 0;
        Button2Click();
    }
}

void TForm11::Button1Click() {
    const AnsiString text = Edit1->Text();
    // A character the code page cannot hold would be searched for as "?".
    if (text.empty() || !TextsFit(*this, {{Edit1, 62}})) return;
    if (!Form1) {
        Close();
        return;
    }
    TForm1& f = *Form1;
    f.FindText = text;
    // A row being edited keeps the current cell: moving it would leave the edit on another row.
    const bool ledger = CurrentTab().Kind == tkLedger && !Ledger.Editing;
    if (ledger) {
        if (auto hit =
                FindInLedger(Ledger.Rows, Ledger.CurRow, Ledger.CurCol, Ledger.CaretPos, text)) {
            Ledger.SelStart = hit->Pos;
            Ledger.SelLength = static_cast<int>(text.size());
            Ledger.CaretPos = hit->Pos;
            Ledger.CurRow = hit->Row;
            Ledger.CurCol = hit->Col;
            Ledger.TextX = -10000;
            SelectMove = Ledger.Rows[hit->Row].Id;
        }
    }
    Close();
    if (CurrentTab().Kind == tkLedger) f.PaintBill();
    // The selected move may have changed: the move commands follow it.
    if (ledger) f.DoEnable(4);
    f.Action(29)->setEnabled(true);
}

void TForm11::Button2Click() {
    Close();
}

}  // namespace qm
