// The main window's mouse: tabs, header buttons, tree rows and expanders, ledger cells and their
// buttons, column resizing, and the custom scroll bars with their auto-repeat. Hit-testing uses
// the rectangles the last paint stored.
#include <QCursor>
#include <QMenu>

#include "app/store/attached_files.h"
#include "app/window/main_window.h"
#include "db/sqlite_statement.h"
#include "platform/dialogs.h"

namespace qm {

namespace {

// Part codes of a scroll bar under a point, for pressing ("D...") and hovering ("M...").
struct ScrollParts {
    TRect up, pageUp, thumb, pageDown, down;
};

AnsiString PressCode(const ScrollParts& s, TPoint p) {
    if (PtInRect(s.up, p)) return "DU";
    if (PtInRect(s.pageUp, p)) return "DUP";
    if (PtInRect(s.thumb, p)) return "DM";
    if (PtInRect(s.pageDown, p)) return "DDP";
    if (PtInRect(s.down, p)) return "DD";
    return "";
}

AnsiString HoverCode(const ScrollParts& s, TPoint p) {
    if (PtInRect(s.up, p)) return "MU";
    if (PtInRect(s.thumb, p)) return "MM";
    if (PtInRect(s.down, p)) return "MD";
    return "";
}

// One step of a held part: -1/+1 a line, or a page.
int Step(const AnsiString& code, int page) {
    if (code == "DU") return -1;
    if (code == "DUP") return -page;
    if (code == "DDP") return page;
    if (code == "DD") return 1;
    return 0;
}

// The thumb drag formula; a thumb that fills the whole track leaves the position alone.
bool DragPosition(int y, int dragY, const ScrollParts& s, int max, int& pos) {
    const int free = (s.down.Top - s.up.Bottom) - (s.thumb.Bottom - s.thumb.Top);
    if (free <= 0) return false;
    pos =
        static_cast<int>(std::nearbyint(static_cast<double>(y - dragY - s.up.Bottom) * max / free));
    return true;
}

ScrollParts PartsOf(const TBillTypeView& v) {
    return {v.UpRect, v.PageUpRect, v.ThumbRect, v.PageDownRect, v.DownRect};
}
ScrollParts PartsOf(const TLedgerState& l) {
    return {l.UpRect, l.PageUpRect, l.ThumbRect, l.PageDownRect, l.DownRect};
}

}  // namespace

bool TForm1::LeaveEditedRow() {
    if (!Ledger.Editing) return true;
    const int answer = MessageBox(this, Ui(98), Ui(99), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return Save();
    // No: the edit is dropped by reloading the rows from the buffer.
    Ledger.Editing = false;
    Ledger.Rows.clear();
    GetBillMove();
    DoEnable(4);
    return true;
}

void TForm1::SwitchToTab(int index) {
    if (index < 0 || index >= static_cast<int>(Head.HeadTabs.size())) return;
    HeadIndex = index;
    const THeadTab& tab = CurrentTab();
    HeadButtons.ButtonGroup = tab.Kind == tkLedger ? 0 : tab.Kind == tkTree ? 1 : -1;
    SelectMove = -1;
    if (tab.Kind == tkLedger) {
        Ledger.TopRow = tab.TopRow;
        SelectMove = tab.SelMove;
    }
    Ledger.Editing = false;
    HideEditorPopups();
    if (tab.Kind == tkTree) {
        for (int a : {8, 9, 10}) Action(a)->setEnabled(false);
        for (int n : {15, 16, 17}) N(n)->setEnabled(false);
    }
    Ledger.Rows.clear();
    UpdateReportControls();
    if (tab.Kind == tkTree)
        DoEnable(SelectBill > 0 ? 2 : 3);
    else if (tab.Kind == tkLedger)
        DoEnable(4);
    if (Button1->isVisible()) Button1->SetFocus();
    FormPaint();
}

void TForm1::CloseTab(int index) {
    if (index <= 0 || index >= static_cast<int>(Head.HeadTabs.size())) return;
    const int current = HeadIndex;
    Head.HeadTabs.erase(Head.HeadTabs.begin() + index);
    int next = current == index ? 0 : current > index ? current - 1 : current;
    Ledger.Editing = false;
    SwitchToTab(next);
}

void TForm1::FormMouseDown(TMouseButton button, TShiftState, int x, int y) {
    MouseHeld = true;
    LastDownPoint = {x, y};
    if (SkipMouseDown) {
        SkipMouseDown = false;
        return;
    }
    const TPoint p{x, y};
    CursorPoints[0] = {-1, -1};
    if (Panel3) Panel3->SetVisible(false);
    BalanceOverflowShown = false;
    ColumnDragging = false;
    CompletionReady = false;
    if (MouseDownHeader(p) || MouseDownTabs(p)) return;
    const int kind = CurrentTab().Kind;
    if (kind == tkTree)
        MouseDownTree(button, p);
    else if (kind == tkLedger)
        MouseDownLedger(button, p);
    else if (button == TMouseButton::mbLeft && (CurrentTab().Id == 1 || CurrentTab().Id == 2))
        MouseDownReport(p);
}

bool TForm1::MouseDownHeader(TPoint p) {
    if (HeadButtons.ButtonGroup < 0) return false;
    for (THeadButton& b : HeadButtons.Groups[HeadButtons.ButtonGroup])
        if (b.Enabled && PtInRect(b.Rect, p)) {
            b.Pressed = true;
            PaintHead();
            return true;
        }
    return false;
}

bool TForm1::MouseDownTabs(TPoint p) {
    if (Head.Glyphs.size() >= 3) {
        const TRect list =
            Rect(ClientWidth() - 3 - Head.Glyphs[0].Width() - Head.Glyphs[2].Width() - 5,
                 TabStripTop, ClientWidth() - 3, ContentTop);
        if (PtInRect(list, p) && Head.HeadTabs.size() > 1) {
            PopupMenu3->clear();
            for (size_t i = 1; i < Head.HeadTabs.size(); ++i) {
                QAction* a = PopupMenu3->addAction(ToQString(Head.HeadTabs[i].Caption));
                const int tag = static_cast<int>(i);
                QObject::connect(a, &QAction::triggered, this, [this, tag] { HeadMenuClick(tag); });
            }
            PopupMenu3->exec(mapToGlobal(QPoint(p.X, p.Y)));
        }
    }
    for (size_t i = 0; i < Head.HeadTabs.size(); ++i) {
        const THeadTab& tab = Head.HeadTabs[i];
        if (!PtInRect(tab.TabRect, p)) continue;
        if (PtInRect(tab.CloseRect, p)) {
            // Leaving an edited row by closing its tab asks first, like any other way out.
            if (static_cast<int>(i) == HeadIndex && !LeaveEditedRow()) return true;
            CloseTab(static_cast<int>(i));
        } else if (static_cast<int>(i) != HeadIndex) {
            if (!LeaveEditedRow()) return true;
            SwitchToTab(static_cast<int>(i));
        }
        return true;
    }
    return false;
}

void TForm1::MouseDownTree(TMouseButton button, TPoint p) {
    if (button == TMouseButton::mbLeft) {
        for (TBillTypeView& v : BillTypeViews)
            for (size_t r = 0; r < v.Rows.size(); ++r) {
                const TBillTreeRow& row = v.Rows[r];
                if (!PtInRect(row.ExpanderRect, p) || row.OpenState < 0 || row.ExpanderKind > 1)
                    continue;
                ToggleGroup(v, r);
                return;
            }
        for (size_t i = 0; i < BillTypeViews.size(); ++i) {
            TBillTypeView& v = BillTypeViews[i];
            const AnsiString code = PressCode(PartsOf(v), p);
            if (code.empty()) continue;
            v.ScrollCode = code;
            v.Scroll += Step(code, v.Page);
            StartScrollDrag(static_cast<int>(i), code, p.Y - v.ThumbRect.Top);
            PaintMain();
            return;
        }
    }
    for (size_t i = 0; i < BillTypeViews.size(); ++i)
        for (const TBillTreeRow& row : BillTypeViews[i].Rows)
            if (PtInRect(row.TextRect, p)) {
                // The paint rebuilds the tree rows: take what is needed of the row first.
                const bool group = row.OpenState != -1;
                SelectBill = row.Id;
                PaintMain();
                DoEnable(group ? 1 : 2);
                PopupMenu1Tag = static_cast<int>(i);
                if (button == TMouseButton::mbRight)
                    PopupMenu1->exec(mapToGlobal(QPoint(p.X, p.Y)));
                return;
            }
    for (size_t i = 0; i < BillTypeViews.size(); ++i) {
        if (!PtInRect(BillTypeViews[i].BodyRect, p)) continue;
        int view = -1;
        if (!BillTypeViews[i].Rows.empty())
            view = static_cast<int>(i);
        else if (!BillTypeViews[0].Rows.empty())
            view = 0;
        else if (BillTypeViews.size() > 2 && !BillTypeViews[2].Rows.empty())
            view = 2;
        if (view >= 0) {
            SelectBill = BillTypeViews[view].Rows[0].Id;
            PopupMenu1Tag = view;
            DoEnable(BillTypeViews[view].Rows[0].OpenState != -1 ? 1 : 2);
        } else {
            SelectBill = -1;
            DoEnable(3);
        }
        FormPaint();
        if (button == TMouseButton::mbRight) PopupMenu1->exec(mapToGlobal(QPoint(p.X, p.Y)));
        return;
    }
}

void TForm1::ToggleGroup(TBillTypeView& view, size_t r) {
    const int groupId = view.Rows[r].Id;
    const bool closing = view.Rows[r].OpenState == 1;
    if (closing)
        for (size_t k = r + 1; k < view.Rows.size() && view.Rows[k].OpenState == -1; ++k)
            if (view.Rows[k].Id == SelectBill) SelectBill = groupId;
    DB->Statement("update bill set isopen = ? where id = ?")
        .Bind(1, int64_t{closing ? 0 : 1})
        .Bind(2, groupId)
        .Run();
    PaintMain();
}

void TForm1::StartScrollDrag(int index, const AnsiString& code, int dragY) {
    Dragging = true;
    DragIndex = index;
    DragY = dragY;
    if (code != "DM") {
        RepeatDelay = 8;
        Timer1->SetEnabled(true);
    }
}

void TForm1::MouseDownLedger(TMouseButton button, TPoint p) {
    if (button == TMouseButton::mbRight) {
        PopupMenu2->exec(mapToGlobal(QPoint(p.X, p.Y)));
        return;
    }
    if (button != TMouseButton::mbLeft) return;
    const auto& rows = Ledger.Rows;  // reading the rectangles leaves undrawn rows without any
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c <= 5; ++c)
            if (PtInRect(rows[r].CellRects[c], p)) {
                ClickCell(static_cast<int>(r), c, p);
                return;
            }
    const AnsiString code = PressCode(PartsOf(Ledger), p);
    if (!code.empty()) {
        Ledger.ScrollCode = code;
        Ledger.TopRow += Step(code, Ledger.PageRows);
        StartScrollDrag(0, code, p.Y - Ledger.ThumbRect.Top);
        KeepTopRow = true;
        PaintBill();
        return;
    }
    int hit = -1;
    for (int c = 0, x = 0; c <= 6; ++c) {
        x += BillColumnWidths[c] + 1;
        if (c > 0 && PtInRect(SeparatorRect(x), p)) hit = c;
    }
    if (hit > 0) {
        DragX = p.X - BillColumnWidths[hit];
        DragIndex = hit;
        Dragging = true;
        ColumnDragging = true;
    }
}

TRect TForm1::SeparatorRect(int x) {
    const int top = ContentTop + 4;
    return Rect(x - 1, top + 3, x + 1, top + 3 + Canvas().TextHeight("1") + 4);
}

void TForm1::ClickCell(int row, int col, TPoint p) {
    if (Ledger.CurCol == 0) CompleteHalfTypedDate();
    bool asked = false, answeredNo = false;
    if (row != Ledger.CurRow && Ledger.Editing) {
        asked = true;
        const int answer = MessageBox(this, Ui(98), Ui(99), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) {
            const int target = Ledger.Rows[row].Id;
            if (!Save()) return;
            // The rows were rebuilt: find the clicked move again.
            SelectMove = target;
            PaintBill();
            row = Ledger.CurRow;
        } else {
            answeredNo = true;
            SetCursorText(row, col, p.X, p.Y);
            const int target = Ledger.Rows[row].Id;
            Ledger.Rows.clear();
            GetBillMove();
            Ledger.Editing = false;
            for (size_t r = 0; r < Ledger.Rows.size(); ++r)
                if (Ledger.Rows[r].Id == target) row = static_cast<int>(r);
        }
        ListBox1->SetVisible(false);
    }
    Ledger.SelLength = 0;
    if (!answeredNo) {
        SetCursorText(row, col, p.X, p.Y);
        if (!asked && col >= 1) Ledger.SelAnchor = Ledger.CaretPos;
    }
    ClickCellButtons(row, col, p);
    if (row != Ledger.CurRow || col != Ledger.CurCol) Ledger.TextX = -10000;
    Ledger.CurRow = row;
    Ledger.CurCol = col;
    SelectMove = Ledger.Rows[row].Id;
    DoEnable(Ledger.Editing ? 5 : 4);
    Timer2->SetEnabled(false);
    Ledger.CaretOn = true;
    Timer2->SetEnabled(true);
    PaintBill();
    if (col == 2 && SelectMove > 0) {
        const TRect& r = Ledger.Rows[Ledger.CurRow].CellRects[2];
        if (p.X >= r.Right - Ledger.FilesGlyph.Width()) ShowFilesMenu(p);
    }
}

void TForm1::ClickCellButtons(int row, int col, TPoint p) {
    const TRect& rect = Ledger.Rows[row].CellRects[col];
    const int w = ScrollGlyphs.size() > 3 ? ScrollGlyphs[3].Width() : 16;
    const bool inButton = p.X >= rect.Right - w;
    const bool current = row == Ledger.CurRow;
    if (col == 3 && current && inButton)
        SelDestBill(row);
    else
        ListBox1->SetVisible(false);
    if (col != 0) {
        Panel2->SetVisible(false);
        return;
    }
    Ledger.SelLength = 2;
    if (current && inButton) {
        Ledger.CaretPos = 1;
        Ledger.SelStart = 1;
        Panel2->SetBounds(rect.Left, rect.Top - 200, 400, 200);
        MonthCalendar1->SetBounds(0, 0, 400, 200);
        AnsiString ymd;
        if (EditedDate(Ledger.Rows[row].Cells[0], ymd)) MonthCalendar1->SetDate(YmdToDate(ymd));
        CalendarFirstShow = false;
        Panel2->SetVisible(true);
        Panel2->raise();
        return;
    }
    Panel2->SetVisible(false);
    Ledger.CaretPos = Ledger.CaretPos <= 3 ? 1 : Ledger.CaretPos <= 6 ? 4 : 7;
    Ledger.SelStart = Ledger.CaretPos;
}

void TForm1::ShowFilesMenu(TPoint p) {
    const int holder = AttachmentRowId(*DB, SelectMove);
    if (holder < 0) return;
    const AnsiString value = ReadAttachedFiles(*DB, holder);
    PopupMenu3->clear();
    const size_t split = value.find('\x01');
    const AnsiString index = split == AnsiString::npos ? AnsiString() : value.substr(0, split);
    int k = 0;
    for (size_t pos = 0; !index.empty() && pos <= index.size(); ++k) {
        size_t end = index.find('\x02', pos);
        if (end == AnsiString::npos) end = index.size();
        const AnsiString entry = index.substr(pos, end - pos);
        QAction* a = PopupMenu3->addAction(ToQString(entry.substr(0, entry.find('\x03'))));
        QObject::connect(a, &QAction::triggered, this, [this, k] { FilesMenuClick(k); });
        pos = end + 1;
    }
    if (k == 0) PopupMenu3->addAction(ToQString(Ui(132)))->setEnabled(false);
    PopupMenu3->addSeparator();
    QAction* manage = PopupMenu3->addAction(ToQString(Ui(133)));
    QObject::connect(manage, &QAction::triggered, this, [this] { FilesMenuClick(-1); });
    PopupMenu3->exec(mapToGlobal(QPoint(p.X, p.Y)));
    Ledger.SelAnchor = 0;
}

void TForm1::MouseDownReport(TPoint p) {
    const AnsiString code =
        PressCode({ReportScroll.UpRect, ReportScroll.PageUpRect, ReportScroll.ThumbRect,
                   ReportScroll.PageDownRect, ReportScroll.DownRect},
                  p);
    if (code.empty()) return;
    ReportScroll.ScrollCode = code;
    ReportScroll.Position += Step(code, ReportScroll.Page);
    StartScrollDrag(0, code, p.Y - ReportScroll.ThumbRect.Top);
    KeepTopRow = true;
    FormPaint();
}

void TForm1::FormMouseMove(TShiftState, int x, int y) {
    const TPoint p{x, y};
    const int kind = CurrentTab().Kind;
    if (kind == tkLedger) {
        bool overSeparator = false;
        for (int c = 0, sx = 0; c <= 6; ++c) {
            sx += BillColumnWidths[c] + 1;
            if (c >= 1 && PtInRect(SeparatorRect(sx), p)) overSeparator = true;
        }
        setCursor(overSeparator ? Qt::SplitHCursor : Qt::ArrowCursor);
        CursorPoints[0] = p;
        bool rested = true;
        for (int i = 1; i <= 4; ++i) rested = rested && CursorPoints[i] == p;
        if (!rested && Panel3) Panel3->SetVisible(false);
    }
    if (MouseMoveHeader(p)) return;
    if (kind == tkTree)
        MouseMoveTree(p);
    else if (kind == tkLedger)
        MouseMoveLedger(p);
    else if (CurrentTab().Id == 1 || CurrentTab().Id == 2)
        MouseMoveReport(p);
}

bool TForm1::MouseMoveHeader(TPoint p) {
    if (HeadButtons.ButtonGroup >= 0) {
        auto& buttons = HeadButtons.Groups[HeadButtons.ButtonGroup];
        for (const THeadButton& b : buttons)
            if (b.Pressed) return true;
        bool changed = false;
        for (THeadButton& b : buttons) {
            if (!b.Enabled) continue;
            const bool hot = PtInRect(b.Rect, p);
            changed = changed || hot != b.Hot;
            b.Hot = hot;
        }
        for (THeadTab& t : Head.HeadTabs) {
            const bool hot = PtInRect(t.CloseRect, p);
            changed = changed || hot != t.CloseHot;
            t.CloseHot = hot;
        }
        if (changed) PaintHead();
    }
    return false;
}

void TForm1::MouseMoveTree(TPoint p) {
    if (!Dragging) {
        bool changed = false;
        for (TBillTypeView& v : BillTypeViews) {
            const AnsiString code = HoverCode(PartsOf(v), p);
            changed = changed || code != v.ScrollCode;
            v.ScrollCode = code;
        }
        if (changed) FormPaint();
        return;
    }
    if (DragIndex < 0 || DragIndex >= static_cast<int>(BillTypeViews.size())) return;
    TBillTypeView& v = BillTypeViews[DragIndex];
    if (v.ScrollCode == "DM" && DragPosition(p.Y, DragY, PartsOf(v), v.ScrollMax, v.Scroll))
        PaintMain();
}

void TForm1::MouseMoveLedger(TPoint p) {
    if (!Dragging) {
        bool changed = false;
        const AnsiString code = HoverCode(PartsOf(Ledger), p);
        if (code != Ledger.ScrollCode) {
            Ledger.ScrollCode = code;
            KeepTopRow = true;
            changed = true;
        }
        if (Ledger.SelAnchor > 0 && Ledger.CurRow >= 0 &&
            Ledger.CurRow < static_cast<int>(Ledger.Rows.size())) {
            SetCursorText(Ledger.CurRow, Ledger.CurCol, p.X, p.Y);
            Ledger.SelStart = std::min(Ledger.SelAnchor, Ledger.CaretPos);
            Ledger.SelLength = std::abs(Ledger.CaretPos - Ledger.SelAnchor);
            changed = true;
        }
        if (changed) PaintBill();
        return;
    }
    if (!ColumnDragging) {
        if (Ledger.ScrollCode == "DM" &&
            DragPosition(p.Y, DragY, PartsOf(Ledger), Ledger.ScrollMax, Ledger.TopRow)) {
            KeepTopRow = true;
            PaintBill();
        }
        return;
    }
    DragColumn(p.X);
}

void TForm1::DragColumn(int x) {
    auto& w = BillColumnWidths;
    const int c = DragIndex;
    if (c == 1 || c == 2) {
        int nw = std::max(x - DragX, 10);
        if (w[c + 1] - (nw - w[c]) < 10) nw = w[c] + w[c + 1] - 10;
        w[c + 1] -= nw - w[c];
        w[c] = nw;
    } else if (c >= 3 && c <= 5) {
        int d = x - DragX - w[c];
        DragX = x - w[c];
        d = std::max(d, 10 - w[2]);
        d = std::min(d, w[c + 1] - 10);
        w[2] += d;
        w[c + 1] -= d;
    } else {
        return;
    }
    PaintBill();
}

void TForm1::MouseMoveReport(TPoint p) {
    ScrollParts parts{ReportScroll.UpRect, ReportScroll.PageUpRect, ReportScroll.ThumbRect,
                      ReportScroll.PageDownRect, ReportScroll.DownRect};
    if (!Dragging) {
        const AnsiString code = HoverCode(parts, p);
        if (code != ReportScroll.ScrollCode) {
            ReportScroll.ScrollCode = code;
            FormPaint();
        }
        return;
    }
    if (ReportScroll.ScrollCode == "DM" &&
        DragPosition(p.Y, DragY, parts, ReportScroll.Maximum, ReportScroll.Position))
        FormPaint();
}

void TForm1::FormMouseUp(TMouseButton button, TShiftState, int, int) {
    MouseHeld = false;
    if (HeadButtons.ButtonGroup >= 0) {
        auto& buttons = HeadButtons.Groups[HeadButtons.ButtonGroup];
        for (size_t i = 0; i < buttons.size(); ++i) {
            if (!buttons[i].Pressed) continue;
            buttons[i].Pressed = false;
            buttons[i].Hot = false;
            PaintHead();
            RunHeadButton(HeadButtons.ButtonGroup, static_cast<int>(i));
            return;
        }
    }
    if (button == TMouseButton::mbLeft && Dragging) {
        const int kind = CurrentTab().Kind;
        for (TBillTypeView& v : BillTypeViews) v.ScrollCode.clear();
        Ledger.ScrollCode.clear();
        ReportScroll.ScrollCode.clear();
        Dragging = false;
        Timer1->SetEnabled(false);
        if (kind == tkTree) {
            PaintMain();
        } else if (kind == tkLedger) {
            KeepTopRow = true;
            PaintBill();
        } else {
            FormPaint();
        }
        return;
    }
    if (button == TMouseButton::mbLeft && CurrentTab().Kind == tkLedger) Ledger.SelAnchor = -1;
}

void TForm1::RunHeadButton(int group, int index) {
    if (group == 0) {
        switch (index) {
            case 0:
                Save();
                break;
            case 1:
                Action(19)->trigger();
                break;
            case 2:
                Action20Execute();
                break;
            case 3:
                Action(4)->trigger();
                break;
            case 4:
                Action21Execute();
                break;
            case 5:
                BillKorr();
                break;
            default:
                break;
        }
        return;
    }
    switch (index) {
        case 0:
            N3Click();
            break;
        case 1:
            N1Click();
            break;
        case 2:
            N2Click();
            break;
        case 3:
            Action(17)->trigger();
            break;
        case 4:
            N10Click();
            break;
        case 5:
            N8Click();
            break;
        case 6:
            N9Click();
            break;
        default:
            break;
    }
}

void TForm1::Timer1Timer() {
    if (--RepeatDelay > 0) return;
    RepeatDelay = 1;
    const int kind = CurrentTab().Kind;
    if (kind == tkTree) {
        if (DragIndex < 0 || DragIndex >= static_cast<int>(BillTypeViews.size())) return;
        TBillTypeView& v = BillTypeViews[DragIndex];
        v.Scroll += Step(v.ScrollCode, v.Page);
        PaintMain();
    } else if (kind == tkLedger) {
        Ledger.TopRow += Step(Ledger.ScrollCode, Ledger.PageRows);
        KeepTopRow = true;
        PaintBill();
    } else {
        ReportScroll.Position += Step(ReportScroll.ScrollCode, ReportScroll.Page);
        FormPaint();
    }
}

void TForm1::FormDblClick() {
    const THeadTab& tab = CurrentTab();
    if (tab.Kind == tkReport && (tab.Id == 1 || tab.Id == 2)) return;
    SkipMouseDown = true;
    if (tab.Kind == tkLedger) {
        LedgerDblClick();
        return;
    }
    if (SelectBill == -1) return;
    if (MouseHeld) {
        const TBillTreeRow* selected = nullptr;
        for (const TBillTypeView& v : BillTypeViews)
            for (const TBillTreeRow& r : v.Rows)
                if (r.Id == SelectBill) selected = &r;
        if (!selected || !PtInRect(selected->TextRect, LastDownPoint)) return;
    }
    OpenSelectedBill();
}

void TForm1::OpenSelectedBill() {
    TSQLiteStatement& t = DB->Statement(
        "select bill_id, id, name, bill_type_id, isopen, twosign from bill where id = ?");
    t.Bind(1, SelectBill);
    if (!t.Step()) return;
    const AnsiString group = t.FieldAsString(0), name = t.FieldAsString(2),
                     twosign = t.FieldAsString(5);
    const bool open = StrToIntDef(t.FieldAsString(4), 0) == 1;
    const int type = static_cast<int>(t.FieldAsInteger(3));
    t.Reset();
    if (group == "0") {
        DB->Statement("update bill set isopen = ? where id = ?")
            .Bind(1, int64_t{open ? 0 : 1})
            .Bind(2, SelectBill)
            .Run();
        PaintMain();
        return;
    }
    Ledger.Rows.clear();
    HeadButtons.ButtonGroup = 0;
    int index = -1;
    for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
        if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == SelectBill) {
            index = static_cast<int>(i);
            break;
        }
    if (index < 0) {
        THeadTab tab;
        tab.Id = SelectBill;
        tab.BillTypeId = type;
        tab.Caption = Utf8ToAnsi(name);
        tab.Kind = tkLedger;
        tab.TwoSign = twosign.substr(0, 1) == "T";
        tab.SelMove = -1;
        Head.HeadTabs.push_back(tab);
        index = static_cast<int>(Head.HeadTabs.size()) - 1;
    }
    SwitchToTab(index);
}

void TForm1::LedgerDblClick() {
    if (ColumnDragging && DragIndex >= 1 && DragIndex <= 5) {
        FitColumn();
        return;
    }
    if (Ledger.CurRow < 0 || Ledger.CurRow >= static_cast<int>(Ledger.Rows.size())) return;
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    if (Ledger.CurCol < 0 || Ledger.CurCol > 6 ||
        !PtInRect(row.CellRects[Ledger.CurCol], LastDownPoint))
        return;
    if (Ledger.CurCol == 3) {
        SelDestBill(Ledger.CurRow);
        return;
    }
    const AnsiString& T = row.Cells[Ledger.CurCol];
    if (T.empty()) return;
    auto isBreak = [](char c) { return AnsiString(" !+,-.=?").find(c) != AnsiString::npos; };
    int start = std::clamp(Ledger.CaretPos, 1, static_cast<int>(T.size()) + 1);
    int end = start;
    while (start > 1 && !isBreak(T[start - 2])) --start;
    while (end <= static_cast<int>(T.size()) && !isBreak(T[end - 1])) ++end;
    Ledger.SelStart = start;
    Ledger.SelLength = end - start;
    Ledger.CaretPos = end;
    PaintBill();
}

void TForm1::FitColumn() {
    const int c = DragIndex == 1 ? 1 : DragIndex + 1;
    if (c == 2 || c > 6) return;
    TCanvas& canvas = Canvas();
    canvas.Font.Style = {fsBold};
    int widest = canvas.TextWidth(BillColumnCaptions[c]);
    canvas.Font.Style = {};
    for (const TBillMoveRow& r : Ledger.Rows)
        widest = std::max(widest, canvas.TextWidth(r.Cells.Text(c)));
    int fresh = widest + 4;
    auto& w = BillColumnWidths;
    if (w[2] - (fresh - w[c]) < 10) fresh = w[c] + w[2] - 10;
    w[2] -= fresh - w[c];
    w[c] = fresh;
    PaintBill();
}

void TForm1::FormMouseWheelDown(TShiftState, TPoint screen) {
    Wheel(1, screen);
}
void TForm1::FormMouseWheelUp(TShiftState, TPoint screen) {
    Wheel(-1, screen);
}

void TForm1::Wheel(int delta, TPoint screen) {
    if (ListBox1->isVisible()) return;
    const QPoint local = mapFromGlobal(QPoint(screen.X, screen.Y));
    const int kind = CurrentTab().Kind;
    if (kind == tkTree) {
        for (TBillTypeView& v : BillTypeViews)
            if (PtInRect(v.BodyRect, {local.x(), local.y()})) {
                v.Scroll += delta;
                PaintMain();  // rebuilds the views: the loop ends here
                break;
            }
    } else if (kind == tkLedger) {
        Ledger.TopRow += delta;
        KeepTopRow = true;
        PaintBill();
    }
}

void TForm1::HeadMenuClick(int tag) {
    // The tab list does what a click on the tab does.
    if (tag == HeadIndex || !LeaveEditedRow()) return;
    SwitchToTab(tag);
}

}  // namespace qm
