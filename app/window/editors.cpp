// The in-place editors of the ledger's cells: text, correspondent, amounts and the date, with the
// note and account completions and the correspondent drop-down list.
#include "app/store/text_case.h"
#include "app/window/main_window.h"
#include "db/sqlite_statement.h"
#include "platform/keystate.h"

namespace qm {

namespace {

constexpr char kEnd = 3, kHome = 4, kRight = 5, kLeft = 6, kDelete = 7, kBackspace = 8;

}  // namespace

AnsiString& TForm1::EditedCell() {
    return Ledger.Rows[Ledger.CurRow].Cells[Ledger.CurCol];
}

void TForm1::MarkEdited() {
    Ledger.Editing = true;
    DoEnable(5);
}

// The keys every text-like editor shares; returns false for a character to insert.
bool TForm1::CommonEditingKey(char c) {
    AnsiString& cell = EditedCell();
    switch (c) {
        case kBackspace:
            if (Ledger.CaretPos > 1) {
                DeleteSelection();
                if (Ledger.CaretPos > 1) {
                    --Ledger.CaretPos;
                    cell.erase(Ledger.CaretPos - 1, 1);
                }
                MarkEdited();
            }
            return true;
        case kDelete:
            DeleteSelection();
            if (Ledger.CaretPos - 1 < static_cast<int>(cell.size()))
                cell.erase(Ledger.CaretPos - 1, 1);
            MarkEdited();
            return true;
        case kLeft:
            if (Ledger.CaretPos > 1) Ledger.CaretOn = true, --Ledger.CaretPos;
            break;
        case kRight:
            if (Ledger.CaretPos <= static_cast<int>(cell.size()))
                Ledger.CaretOn = true, ++Ledger.CaretPos;
            break;
        case kHome:
            Ledger.CaretOn = true;
            Ledger.CaretPos = 1;
            break;
        case kEnd:
            Ledger.CaretOn = true;
            Ledger.CaretPos = static_cast<int>(cell.size()) + 1;
            break;
        default:
            return false;
    }
    // After a movement the left Shift key extends the selection from where it went down.
    if (SideKeyDown(TSideKey::LeftShift)) {
        Ledger.SelStart = std::min(KeyAnchor, Ledger.CaretPos);
        Ledger.SelLength = std::abs(Ledger.CaretPos - KeyAnchor);
    } else {
        Ledger.SelLength = 0;
    }
    return true;
}

void TForm1::InsertChar(char c) {
    DeleteSelection();
    AnsiString& cell = EditedCell();
    const int caret = std::clamp(Ledger.CaretPos, 1, static_cast<int>(cell.size()) + 1);
    cell.insert(caret - 1, 1, c);
    Ledger.CaretPos = caret + 1;
    MarkEdited();
}

void TForm1::KeyDownText(char c) {
    if (CommonEditingKey(c)) return;
    InsertChar(c);
    if (Ledger.CurCol == 2) KeySearchText();
}

void TForm1::KeyDownBill(char c) {
    if (CommonEditingKey(c)) return;
    InsertChar(c);
    KeySearchBill();
}

void TForm1::KeyDownNum(char c) {
    if (CommonEditingKey(c)) return;
    if (!((c >= '0' && c <= '9') || c == ',' || c == '+' || c == '-')) return;
    InsertChar(c);
}

void TForm1::KeySearchText() {
    const AnsiString typed = EditedCell();
    if (typed.empty() || Ledger.CurRow == 0) return;
    // One upper-cased prefix for the whole walk; the rows above are read, not given strings.
    const AnsiString upperTyped = UpperCaseAnsi(typed);
    for (int r = Ledger.CurRow - 1; r >= 0; --r) {
        const TBillMoveRow& above = Ledger.Rows[r];
        const TMoveTexts* shared = above.Cells.SharedTexts();
        if (!StartsWithUpperCased(shared ? shared->Note : above.Cells[2], typed.size(), upperTyped))
            continue;
        EditedCell() = above.Cells[2];
        // A new row stores the completed note as the file holds it (move_store.h).
        if (TBillMoveRow& row = Ledger.Rows[Ledger.CurRow]; row.Id <= 0) row.CopiedFrom = above.Id;
        CompletionCells = {above.Cells[3], above.Cells[4], above.Cells[5], above.CorrBillId};
        CompletionReady = true;
        Ledger.SelStart = Ledger.CaretPos;
        Ledger.SelLength = 1000000;
        return;
    }
    Ledger.SelLength = 0;
}

void TForm1::KeySearchBill() {
    const AnsiString typed = EditedCell();
    if (typed.empty()) return;
    TSQLiteStatement& t = DB->Statement(
        "select bb.id, t.name, b.name, bb.name from bill b, bill bb, bill_type t where b.bill_id = "
        "0 and bb.bill_id = b.id and b.bill_type_id = t.id and bb.id <> ? order by t.id, b.name, "
        "bb.name");
    t.Bind(1, CurrentTab().Id);
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    row.CorrBillId = 0;
    const AnsiString upperTyped = UpperCaseAnsi(typed);
    while (t.Step()) {
        const AnsiString entry = Utf8ToAnsi(t.FieldAsString(1)).substr(0, 1) + ":" +
                                 Utf8ToAnsi(t.FieldAsString(2)) + "-" +
                                 Utf8ToAnsi(t.FieldAsString(3));
        if (!StartsWithUpperCased(entry, typed.size(), upperTyped)) continue;
        EditedCell() = entry;
        row.CorrBillId = static_cast<int>(t.FieldAsInteger(0));
        t.Reset();
        break;
    }
    Ledger.SelStart = static_cast<int>(typed.size()) + 1;
    Ledger.SelLength = static_cast<int>(EditedCell().size() - typed.size());
}

// Where the day and month fields end (the caret after them) in each date format.
void TForm1::DateFieldEnds(int& dayEnd, int& monthEnd) const {
    if (DateFormatIndex == 1)
        monthEnd = 3, dayEnd = 6;
    else if (DateFormatIndex == 4)
        monthEnd = 6, dayEnd = 9;
    else
        dayEnd = 3, monthEnd = 6;
}

bool TForm1::DateTextValid(const AnsiString& cell) const {
    TDateTime unused;
    return TryStrToDate(cell, unused);
}

void TForm1::FixDayField(AnsiString& cell, int dayEnd) {
    int v = std::stoi(cell.substr(dayEnd - 3, 2));
    if (v == 0) v = 1;
    if (v > 31) v = 31;
    auto with = [&](int day) {
        AnsiString t = cell;
        char buf[12];
        std::snprintf(buf, sizeof buf, "%02d", day);
        t.replace(dayEnd - 3, 2, buf);
        return t;
    };
    while (v > 1 && !DateTextValid(with(v))) --v;
    cell = with(v);
}

void TForm1::KeyDownDate(char c) {
    AnsiString& cell = EditedCell();
    if (c >= '0' && c <= '9') {
        if (Ledger.SelLength == 2 && Ledger.CaretPos - 1 + 2 <= static_cast<int>(cell.size())) {
            cell.erase(Ledger.CaretPos - 1, 2);
            Ledger.SelLength = 0;
        }
        const int caret = std::clamp(Ledger.CaretPos, 1, static_cast<int>(cell.size()) + 1);
        cell.insert(caret - 1, 1, c);
        Ledger.CaretPos = caret + 1;
        MarkEdited();
        if ((Ledger.CaretPos == 3 || Ledger.CaretPos == 6 || Ledger.CaretPos == 9) &&
            cell.size() == 8)
            CompleteDateField();
        return;
    }
    if (c != kHome && c != kEnd && c != kLeft && c != kRight) return;
    CompleteHalfTypedDate();
    if (c == kHome)
        Ledger.CaretPos = 1;
    else if (c == kEnd)
        Ledger.CaretPos = 7;
    else if (c == kLeft)
        Ledger.CaretPos = Ledger.CaretPos >= 7 ? 4 : 1;
    else
        Ledger.CaretPos = Ledger.CaretPos < 4 ? 4 : 7;
    Ledger.SelStart = Ledger.CaretPos;
    Ledger.SelLength = 2;
}

void TForm1::CompleteDateField() {
    AnsiString& cell = EditedCell();
    int dayEnd, monthEnd;
    DateFieldEnds(dayEnd, monthEnd);
    const int end = Ledger.CaretPos;
    int v = std::atoi(cell.substr(end - 3, 2).c_str());
    if (v == 0) v = 1;
    if (end == monthEnd && v > 12) v = 12;
    char buf[12];
    std::snprintf(buf, sizeof buf, "%02d", std::min(v, 99));
    if (end == dayEnd) {
        FixDayField(cell, dayEnd);
    } else {
        cell.replace(end - 3, 2, buf);
        FixDayField(cell, dayEnd);
    }
    Ledger.CaretPos = end == 9 ? 1 : end + 1;
    Ledger.SelStart = Ledger.CaretPos;
    Ledger.SelLength = 2;
}

void TForm1::CompleteHalfTypedDate() {
    if (Ledger.CurCol != 0 || Ledger.CurRow < 0 ||
        Ledger.CurRow >= static_cast<int>(Ledger.Rows.size()))
        return;
    AnsiString& cell = EditedCell();
    if (cell.size() != 7 || Ledger.CaretPos < 2) return;
    const int before = std::min(Ledger.CaretPos - 1, static_cast<int>(cell.size()));
    if (cell[before - 1] == '0')
        cell.replace(before - 1, 1, "01");
    else
        cell.insert(before - 1, 1, '0');
}

void TForm1::SelDestBill(int row) {
    if (row < 0 || row >= static_cast<int>(Ledger.Rows.size())) return;
    const TRect cell = Ledger.Rows[row].CellRects[3];
    ListBox1->Items().Clear();
    ListBillIds.clear();
    TSQLiteStatement& t = DB->Statement(
        "select b.id, t.name, g.name, b.name, b.twosign, g.twosign from bill_type t, bill g, bill "
        "b where b.bill_id = g.id and g.bill_id = 0 and g.bill_type_id = t.id and b.id <> ? order "
        "by t.name, g.name, b.name");
    t.Bind(1, CurrentTab().Id);
    int widest = 0, selected = -1;
    while (t.Step()) {
        // Accounts or groups marked hidden stay out of the list.
        if (t.FieldAsString(4).substr(1, 1) == "T" || t.FieldAsString(5).substr(1, 1) == "T")
            continue;
        const AnsiString entry = Utf8ToAnsi(t.FieldAsString(1)).substr(0, 1) + ":" +
                                 Utf8ToAnsi(t.FieldAsString(2)) + "-" +
                                 Utf8ToAnsi(t.FieldAsString(3));
        const int id = static_cast<int>(t.FieldAsInteger(0));
        if (id == Ledger.Rows[row].CorrBillId) selected = static_cast<int>(ListBillIds.size());
        ListBox1->Items().Add(entry);
        ListBillIds.push_back(id);
        widest = std::max(widest, ListBox1->TextWidth(entry));
    }
    ListBox1->SetItemIndex(selected);
    const int left = cell.Left;
    int top = cell.Bottom;
    const int width = std::min(std::max(widest + 25, cell.Width()), ClientWidth() - left);
    int height = (ListBox1->TextHeight("1") + 2) * static_cast<int>(ListBillIds.size()) + 5;
    ListBox1->SetItemHeight(ListBox1->TextHeight("1") + 2);
    const int panelTop = ClientHeight() - Panel1->height();
    if (top + height > panelTop) {
        if (panelTop - top > cell.Top - 30)
            height = panelTop - top;
        else if (cell.Top - 30 > height)
            top = cell.Top - height;
        else
            top = 30, height = cell.Top - 30;
    }
    ListBox1->SetBounds(left, top, width, height);
    ListBox1->OnDrawItem = [this](int index, const TRect& rect, TOwnerDrawState, TCanvas& canvas) {
        canvas.Font.Style =
            index < static_cast<int>(ListBillIds.size()) && ListBillIds[index] == LastCorrBillId
                ? TFontStyles{fsBold}
                : TFontStyles{};
        canvas.TextRect(rect, rect.Left + 2, rect.Top, ListBox1->Items()[index]);
    };
    ListBox1->SetVisible(true);
    ListBox1->raise();
    ListBox1->SetFocus();
}

void TForm1::ListBox1MouseDown() {
    const int i = ListBox1->ItemIndex();
    if (i < 0 || i >= static_cast<int>(ListBillIds.size())) return;
    MarkEdited();
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    row.CorrBillId = ListBillIds[i];
    row.Cells[Ledger.CurCol] = ListBox1->Items()[i];
    Ledger.SelLength = 10000;
    Ledger.SelStart = 1;
    Ledger.CaretPos = 1;
    PaintBill();
    ListBox1->SetVisible(false);
    setFocus();
}

void TForm1::ListBox1KeyDown(int& key, TShiftState) {
    if (key == VK_RETURN) {
        ListBox1MouseDown();
        key = 0;
    } else if (key == VK_ESCAPE) {
        ListBox1->SetVisible(false);
        setFocus();
        key = 0;
    }
}

}  // namespace qm
