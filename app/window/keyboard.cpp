// The main window's keys: the character keys routed to the cell editors, Tab and Shift+Tab
// between cells, Esc and Enter, the page and arrow keys, tab switching and moving, the clipboard
// shortcuts, tree navigation; the application-wide hook for Tab and F1; and the second timer,
// which blinks the caret and shows the full text of a cut-off cell.
#include <QKeyEvent>

#include "app/window/main_window.h"
#include "controls/rx_label.h"
#include "platform/keystate.h"

namespace qm {

namespace {

// Characters that reach a cell editor: the editing codes 3 to 8 and the printable set without
// the apostrophe and a few punctuation ranges.
bool InKeySet(unsigned char k) {
    return (k >= 3 && k <= 8) || (k >= 32 && k <= 38) || (k >= 40 && k <= 90) ||
           (k >= 97 && k <= 122) || k >= 192;
}

}  // namespace

void TForm1::FormKeyPress(char& key) {
    BalanceOverflowShown = false;
    const THeadTab& tab = CurrentTab();
    if (tab.Kind == tkTree) {
        if (key == '\r') OpenSelectedBill();
        return;
    }
    if (key != '\t') CompletionReady = false;
    if (SideKeyDown(TSideKey::LeftCtrl) && key == 3) return;
    if (tab.Kind != tkLedger || Ledger.Rows.empty()) return;
    Ledger.CurRow = std::clamp(Ledger.CurRow, 0, static_cast<int>(Ledger.Rows.size()) - 1);
    const unsigned char k = static_cast<unsigned char>(key);
    if (InKeySet(k) && Ledger.CurCol >= 0 && Ledger.CurCol <= 5) {
        switch (Ledger.CurCol) {
            case 0:
                KeyDownDate(key);
                break;
            case 3:
                KeyDownBill(key);
                break;
            case 4:
            case 5:
                KeyDownNum(key);
                break;
            default:
                KeyDownText(key);
                break;
        }
        PaintBill();
    } else if (key == '\t' && SideKeyDown(TSideKey::LeftShift)) {
        TabBack();
    } else if (key == '\t') {
        TabForward();
    } else if (key == 27) {
        HideEditorPopups();
        Ledger.Editing = false;
        Ledger.Rows.clear();
        PlaceCursor(0);
        PaintBill();
        DoEnable(4);
    } else if (key == '\r') {
        const int below = Ledger.CurRow + 1 < static_cast<int>(Ledger.Rows.size())
                              ? Ledger.Rows[Ledger.CurRow + 1].Id
                              : -1;
        if (Save()) {
            SelectMove = below;
            PaintBill();
        }
    }
}

void TForm1::TabBack() {
    if (Ledger.CurCol <= 0) return;
    --Ledger.CurCol;
    Ledger.CaretPos = 0;
    Ledger.SelStart = 1;
    Ledger.SelLength = Ledger.CurCol == 0 ? 2 : 1000000;
    ListBox1->SetVisible(false);
    if (Ledger.CurCol == 4) Ledger.CaretPos = static_cast<int>(EditedCell().size()) + 1;
    Ledger.TextX = -10000;
    PaintBill();
}

void TForm1::TabForward() {
    if (Ledger.CurCol >= 5) return;
    CompleteHalfTypedDate();
    Panel2->SetVisible(false);
    ++Ledger.CurCol;
    Ledger.CaretPos = 0;
    Ledger.SelLength = 1000000;
    Ledger.SelStart = 1;
    ListBox1->SetVisible(false);
    if (Ledger.CurCol >= 4) Ledger.CaretPos = static_cast<int>(EditedCell().size()) + 1;
    if (Ledger.CurCol == 3 && CompletionReady) {
        // The earlier row found by the note completion gives correspondent and amounts.
        TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
        row.Cells[3] = CompletionCells.Corr;
        row.Cells[4] = CompletionCells.Amount1;
        row.Cells[5] = CompletionCells.Amount2;
        row.CorrBillId = CompletionCells.CorrBillId;
        Ledger.CaretPos = 1;
        Ledger.SelStart = 1;
        if (CompletionCells.Amount1.empty()) {
            Ledger.CurCol = 5;
            Ledger.SelLength = static_cast<int>(CompletionCells.Amount2.size()) + 1;
        } else {
            Ledger.CurCol = 4;
            Ledger.SelLength = static_cast<int>(CompletionCells.Amount1.size()) + 1;
        }
    }
    Ledger.TextX = -10000;
    PaintBill();
}

void TForm1::FormKeyDown(int& key, TShiftState shift) {
    const bool ledger = CurrentTab().Kind == tkLedger;
    const bool ctrl = (shift & ssCtrl) != 0 || CtrlDown();
    const bool shiftHeld = (shift & ssShift) != 0 || ShiftDown();
    if (ledger && (key == VK_PRIOR || key == VK_NEXT)) {
        PageRows(key == VK_PRIOR ? -1 : 1);
        key = 0;
        return;
    }
    if (ctrl && shiftHeld && (key == VK_LEFT || key == VK_RIGHT)) {
        MoveTab(key == VK_LEFT ? -1 : 1);
        key = 0;
        return;
    }
    if (ctrl && shiftHeld && CurrentTab().Kind == tkTree && (key == VK_UP || key == VK_DOWN)) {
        key == VK_UP ? N12Click() : N13Click();
        key = 0;
        return;
    }
    if (ctrl && CtrlKey(key)) return;
    if (ledger && ctrl && (key == 'X' || key == 'C' || key == VK_INSERT || key == 'V')) {
        if (key == 'X')
            Action9Execute();
        else if (key == 'V')
            Action10Execute();
        else
            Action8Execute();
        key = 0;
        return;
    }
    if (ledger && shiftHeld && key == VK_INSERT) {
        Action10Execute();
        key = 0;
        return;
    }
    const struct {
        int vk;
        char code;
    } editing[] = {{VK_DELETE, 7}, {VK_LEFT, 6}, {VK_RIGHT, 5}, {VK_HOME, 4}, {VK_END, 3}};
    for (const auto& e : editing)
        if (key == e.vk && CurrentTab().Kind != tkTree) {
            char c = e.code;
            FormKeyPress(c);
            key = 0;
            return;
        }
    if (ledger && key == VK_SHIFT) KeyAnchor = Ledger.CaretPos;
    if (ledger && (key == VK_UP || key == VK_DOWN)) {
        ArrowRow(key == VK_UP ? -1 : 1);
        key = 0;
    } else if (CurrentTab().Kind == tkTree && (key == VK_LEFT || key == VK_UP || key == VK_RIGHT ||
                                               key == VK_DOWN || key == VK_DELETE)) {
        TreeKey(key);
        key = 0;
    }
}

bool TForm1::CtrlKey(int& key) {
    const int last = static_cast<int>(Head.HeadTabs.size()) - 1;
    if (key == VK_LEFT || key == VK_RIGHT) {
        const int target = HeadIndex + (key == VK_LEFT ? -1 : 1);
        // The same bookkeeping as a click on the tab, after asking about an edited row.
        if (target >= 0 && target <= last && LeaveEditedRow()) SwitchToTab(target);
        key = 0;
        return true;
    }
    if (CurrentTab().Kind != tkLedger || (key != VK_UP && key != VK_DOWN) || Ledger.Rows.empty())
        return false;
    const int target = key == VK_UP ? Ledger.Rows.front().Id : -1;
    if (target != SelectMove && !LeaveEditedRow()) {
        key = 0;
        return true;
    }
    SelectMove = target;
    PaintBill();
    key = 0;
    return true;
}

void TForm1::MoveTab(int direction) {
    const int last = static_cast<int>(Head.HeadTabs.size()) - 1;
    const int other = HeadIndex + direction;
    // The tree tab (index 0) is never moved.
    if (HeadIndex < 1 || other < 1 || other > last) return;
    std::swap(Head.HeadTabs[HeadIndex], Head.HeadTabs[other]);
    HeadIndex = other;
    Ledger.Rows.clear();
    FormPaint();
}

void TForm1::PageRows(int direction) {
    if (Ledger.Rows.empty()) return;
    const int last = static_cast<int>(Ledger.Rows.size()) - 1;
    const int target = std::clamp(Ledger.CurRow + direction * (Ledger.PageRows - 1), 0, last);
    if (Ledger.Rows[target].Id != SelectMove && !LeaveEditedRow()) return;
    SelectMove = Ledger.Rows[std::min(target, static_cast<int>(Ledger.Rows.size()) - 1)].Id;
    PaintBill();
}

void TForm1::ArrowRow(int direction) {
    const int target = Ledger.CurRow + direction;
    if (target < 0 || target >= static_cast<int>(Ledger.Rows.size())) return;
    const int targetId = Ledger.Rows[target].Id;
    CompleteHalfTypedDate();
    if (Ledger.Editing && targetId != SelectMove && !LeaveEditedRow()) return;
    if (direction < 0 && Ledger.CurRow == Ledger.TopRow) --Ledger.TopRow;
    if (direction > 0 && Ledger.CurRow == Ledger.TopRow + Ledger.PageRows - 1) ++Ledger.TopRow;
    HideEditorPopups();
    SelectMove = targetId;
    Ledger.TextX = -10000;
    DoEnable(4);
    KeepTopRow = true;
    PaintBill();
}

void TForm1::TreeKey(int key) {
    int view = -1, index = -1;
    for (size_t v = 0; v < BillTypeViews.size() && view < 0; ++v)
        for (size_t r = 0; r < BillTypeViews[v].Rows.size(); ++r)
            if (BillTypeViews[v].Rows[r].Id == SelectBill) {
                view = static_cast<int>(v);
                index = static_cast<int>(r);
                break;
            }
    if (view < 0) return;
    const auto& rows = BillTypeViews[view].Rows;
    if (key == VK_DELETE) {
        rows[index].OpenState != -1 ? N9Click() : N2Click();
        return;
    }
    int targetView = view, target = -1;
    auto firstOf = [&](int v) {
        return v >= 0 && v < static_cast<int>(BillTypeViews.size()) &&
               !BillTypeViews[v].Rows.empty();
    };
    if (key == VK_UP && index > 0)
        target = index - 1;
    else if (key == VK_DOWN && index + 1 < static_cast<int>(rows.size()))
        target = index + 1;
    else if (key == VK_LEFT && view == 2)
        targetView = firstOf(1) ? 1 : 0, target = firstOf(targetView) ? 0 : -1;
    else if (key == VK_LEFT && view == 1)
        targetView = 0, target = firstOf(0) ? 0 : -1;
    else if (key == VK_RIGHT && view == 0)
        targetView = firstOf(1) ? 1 : 2, target = firstOf(targetView) ? 0 : -1;
    else if (key == VK_RIGHT && view == 1)
        targetView = 2, target = firstOf(2) ? 0 : -1;
    if (target < 0) return;
    TBillTypeView& tv = BillTypeViews[targetView];
    if (targetView != view) tv.Scroll = 0;
    if (key == VK_UP && index == tv.Scroll) --tv.Scroll;
    if (key == VK_DOWN && target < static_cast<int>(tv.Rows.size())) {
        const TRect& r = tv.Rows[target].TextRect;
        if (r.IsEmpty() || r.Height() < 15) ++tv.Scroll;
    }
    // The paint rebuilds the tree views: take what is needed of the row first.
    const bool group = tv.Rows[target].OpenState != -1;
    SelectBill = tv.Rows[target].Id;
    PopupMenu1Tag = targetView;
    PaintMain();
    DoEnable(group ? 1 : 2);
}

void TForm1::AppMessage(QObject* watched, QEvent* e) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->spontaneous() || watched == this) {
        if (watched == this && (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)) {
            char tab = '\t';
            FormKeyPress(tab);
        }
        if (k->key() == Qt::Key_F1) Action24Execute();
    }
    CursorPoints[0] = {-1, -1};
    if (Panel3) Panel3->SetVisible(false);
}

void TForm1::Timer2Timer() {
    if (!startupComplete_ || databaseBusy_ || CurrentTab().Kind != tkLedger) return;
    for (int i = 5; i >= 1; --i) CursorPoints[i] = CursorPoints[i - 1];
    ShowCellHint();
    Ledger.CaretOn = !Ledger.CaretOn;
    KeepTopRow = true;
    PaintBill();
}

void TForm1::ShowCellHint() {
    if (!Panel3 || Panel3->isVisible()) return;
    const TPoint p = CursorPoints[0];
    for (int i = 1; i <= 4; ++i)
        if (!(CursorPoints[i] == p)) return;
    TCanvas& c = Canvas();
    c.Font.Style = {};
    const auto& rows = Ledger.Rows;  // reading the rectangles leaves undrawn rows without any
    for (size_t r = 0; r < rows.size(); ++r)
        for (int col = 0; col <= 5; ++col) {
            const TRect& rect = rows[r].CellRects[col];
            if (!PtInRect(rect, p) ||
                (static_cast<int>(r) == Ledger.CurRow && col == Ledger.CurCol))
                continue;
            const AnsiString& text = rows[r].Cells[col];
            if (c.TextWidth(text) <= rect.Width() - 4) return;
            // The hint wraps what can show of the text, not all of a note of millions of
            // characters.
            RxLabel1->SetCaption(ShownPart(text));
            RxLabel1->SetWidth(rect.Width());
            RxLabel1->SetAutoSize(true);
            Panel3->SetBounds(rect.Left, rect.Bottom, rect.Width(), RxLabel1->Height());
            if (Panel3->Top() + Panel3->Height() > ClientHeight())
                Panel3->SetTop(rect.Top - Panel3->Height());
            Panel3->SetVisible(true);
            Panel3->raise();
            return;
        }
}

}  // namespace qm
