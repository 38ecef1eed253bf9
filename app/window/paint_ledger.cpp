// The paint dispatch and the ledger view: a grid of seven columns over the displayed rows, with
// the column header, the current cell with its caret and selection, cell buttons and a scroll bar.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/store/money_text.h"
#include "app/window/main_window.h"

namespace qm {

namespace {
const TColor kMargin = RGB(240, 240, 234);
const TColor kGrid = RGB(108, 108, 108);
const TColor kHeader = RGB(190, 189, 189);
const TColor kEven = RGB(232, 232, 232);
const TColor kOdd = RGB(218, 218, 218);
const TColor kPlaceholder = RGB(128, 128, 128);
const TColor kSelection = RGB(0, 0, 128);
}  // namespace

void TForm1::FormPaint() {
    if (!GlyphBitmap) return;
    SyncLayout();
    if (databaseBusy_) {
        PaintWithoutDatabase();
        return;
    }
    PaintHead();
    const THeadTab& tab = CurrentTab();
    if (tab.Kind == tkTree) {
        PaintMain();
    } else if (tab.Kind == tkLedger) {
        int others = 0;
        for (int c = 0; c < 7; ++c)
            if (c != 2) others += BillColumnWidths[c] + 1;
        BillColumnWidths[2] = ClientWidth() - ScrollBarWidth - others;
        PaintBill();
    } else {
        PaintReport();
    }
}

void TForm1::PaintWithoutDatabase() {
    // The header and an empty view: everything else would read the database.
    PaintHead();
    Canvas().Brush.Color = kMargin;
    Canvas().Brush.Style = bsSolid;
    Canvas().FillRect(Rect(0, ContentTop, ClientWidth(), ClientHeight()));
}

void TForm1::SyncLayout() {
    // Qt sends no resize events to a hidden window, yet the program paints at any time: the
    // picture and the bars follow the window's size here as well.
    if (Image().Width() != width() || Image().Height() != height())
        Image().SetSize(width(), height());
    if (layoutSize_ != size()) {
        layoutSize_ = size();
        LayoutBars();
    }
}

// The stored "yyyymmdd" in the display order of the date format.
AnsiString TForm1::DisplayDate(const AnsiString& ymd) const {
    if (ymd.find_first_of("./-") != AnsiString::npos || ymd.size() < 8) return ymd;
    const AnsiString y = ymd.substr(0, 4), m = ymd.substr(4, 2), d = ymd.substr(6, 2);
    switch (DateFormatIndex) {
        case 1:
            return m + "/" + d + "/" + y;
        case 2:
            return d + "/" + m + "/" + y;
        case 4:
            return y + "-" + m + "-" + d;
        default:
            return d + "." + m + "." + y;
    }
}

void TForm1::PaintBill() {
    if (!DB || !GlyphBitmap || databaseBusy_) return;
    SyncLayout();
    if (Ledger.Rows.empty()) GetBillMove();
    TCellRects::ForgetAll();
    TCanvas& c = Canvas();
    const int GB = ClientHeight() - Panel1->height();
    int sum = 0;
    for (int col = 0; col <= 5; ++col) sum += BillColumnWidths[col] + 1;
    BillColumnWidths[6] = ClientWidth() - ScrollBarWidth - sum;
    c.Font.Name = "Arial";
    c.Font.Size = 9;
    c.Font.Style = {fsBold};
    c.Font.Color = RGB(0, 0, 0);
    c.Brush.Style = bsSolid;
    const THeadTab& tab = CurrentTab();
    const int captions[3][2] = {{95, 96}, {96, 97}, {97, 95}};
    if (tab.BillTypeId >= 1 && tab.BillTypeId <= 3) {
        Ledger.AmountCaption1 = Ui(captions[tab.BillTypeId - 1][0]);
        Ledger.AmountCaption2 = Ui(captions[tab.BillTypeId - 1][1]);
    }
    BillColumnCaptions[4] = Ledger.AmountCaption1;
    BillColumnCaptions[5] = Ledger.AmountCaption2;
    c.Brush.Color = kMargin;
    c.FillRect(Rect(0, ContentTop, ClientWidth(), ContentTop + 3));
    c.Pen.Color = kGrid;
    c.MoveTo(0, ContentTop + 3);
    c.LineTo(ClientWidth(), ContentTop + 3);

    const int last = static_cast<int>(Ledger.Rows.size()) - 1;
    Ledger.CurRow = last;
    for (int r = 0; r < last; ++r)
        if (Ledger.Rows[r].Id == SelectMove) {
            Ledger.CurRow = r;
            break;
        }
    Ledger.GridRect = Rect(0, ContentTop, ClientWidth(), GB);
    const int H = c.TextHeight("1") + 4;
    Ledger.PageRows = (GB - (ContentTop + 3) - 2) / H - 1;
    Ledger.ScrollMax = std::max(0, static_cast<int>(Ledger.Rows.size()) - Ledger.PageRows);
    Ledger.TopRow = std::clamp(Ledger.TopRow, 0, Ledger.ScrollMax);
    if (!KeepTopRow &&
        (Ledger.CurRow < Ledger.TopRow || Ledger.CurRow >= Ledger.TopRow + Ledger.PageRows))
        Ledger.TopRow = std::clamp(Ledger.CurRow - Ledger.PageRows + 2, 0, Ledger.ScrollMax);
    KeepTopRow = false;
    CurrentTab().TopRow = Ledger.TopRow;
    CurrentTab().SelMove = SelectMove;
    DrawScroll(Rect(ClientWidth() - ScrollBarWidth, ContentTop + 4, ClientWidth(), GB),
               Ledger.ScrollCode, Ledger.TopRow, Ledger.ScrollMax, Ledger.UpRect, Ledger.PageUpRect,
               Ledger.ThumbRect, Ledger.PageDownRect, Ledger.DownRect);
    const int bottom = PaintLedgerRows(PaintLedgerHeader(H), H, GB);
    c.Brush.Color = kMargin;
    if (bottom + 1 < GB) c.FillRect(Rect(0, bottom + 1, ClientWidth() - ScrollBarWidth, GB));
    UpdateClipboardCommands();
}

int TForm1::PaintLedgerHeader(int H) {
    TCanvas& c = Canvas();
    const int top = ContentTop + 4;
    const int right = ClientWidth() - ScrollBarWidth;
    c.Brush.Color = kHeader;
    c.FillRect(Rect(0, top, right, top + H));
    c.Pen.Color = kGrid;
    c.MoveTo(0, top + H);
    c.LineTo(right, top + H);
    int left = 0;
    for (int col = 0; col < 7; ++col) {
        const int r = left + BillColumnWidths[col];
        if (col <= 5) {
            c.MoveTo(r, top);
            c.LineTo(r, top + H);
        }
        const AnsiString& cap = BillColumnCaptions[col];
        const int x = col <= 3 ? left + 2 : r - 2 - c.TextWidth(cap);
        c.TextRect(Rect(left, top, std::min(r, right), top + H), x, top + 2, cap);
        left = r + 1;
    }
    return top + H;
}

int TForm1::PaintLedgerRows(int headerBottom, int H, int GB) {
    // Rows are H apart: H - 1 pixels of cell and the grid line under them.
    TCanvas& c = Canvas();
    c.Font.Style = {};
    const int right = ClientWidth() - ScrollBarWidth;
    const int last = static_cast<int>(Ledger.Rows.size()) - 1;
    int prevBottom = headerBottom;
    int y = headerBottom + 1;
    for (int row = Ledger.TopRow; row <= last && GB > prevBottom + 1; ++row) {
        TBillMoveRow& r = Ledger.Rows[row];
        r.Cells[0] = DisplayDate(r.Cells[0]);
        const TColor back = row == Ledger.CurRow ? RGB(255, 255, 255) : row % 2 == 0 ? kEven : kOdd;
        int left = 0;
        for (int col = 0; col < 7 && right >= left + 1; ++col) {
            const int cr = std::min(left + BillColumnWidths[col], right);
            r.CellRects[col] = Rect(left, y, cr, y + H - 1);
            c.Brush.Color = back;
            c.FillRect(r.CellRects[col]);
            TextRectMy(row, col, back);
            if (col <= 5) {
                c.Pen.Color = kGrid;
                c.MoveTo(cr, y);
                c.LineTo(cr, y + H - 1);
            }
            left = cr + 1;
        }
        c.Pen.Color = kGrid;
        c.MoveTo(0, y + H - 1);
        c.LineTo(right, y + H - 1);
        prevBottom = y + H - 1;
        y += H;
    }
    return prevBottom;
}

void TForm1::TextRectMy(int row, int col, TColor back) {
    TCanvas& c = Canvas();
    TBillMoveRow& r = Ledger.Rows[row];
    const bool current = row == Ledger.CurRow && col == Ledger.CurCol;
    // Whole units change only the text drawn: the row keeps its two decimals, so saving a row of
    // an account shown in whole units never changes its amount. A cell not being edited is drawn
    // from the part of its text that can show; the edited one keeps all of it for the caret.
    AnsiString T = current ? r.Cells[col] : ShownPart(r.Cells[col]);
    if (col >= 4 && !CurrentTab().TwoSign && !T.empty() &&
        !(row == Ledger.CurRow && col <= 5 && Ledger.Editing)) {
        long double v;
        if (TryStrToFloat(T, v)) T = WholeUnitsText(v);
    }
    if (col == 0) {
        const size_t P = DateFormatIndex == 4 ? 0 : 6;
        if (r.Id == SelectMove && r.Cells[0].size() == 10)
            r.Cells[0].erase(P, 2);
        else if (r.Id != SelectMove && r.Cells[0].size() == 8)
            r.Cells[0].insert(P, "20");
        T = r.Cells[0];
    }
    const TColor savedBrush = c.Brush.Color, savedFont = c.Font.Color;
    const int last = static_cast<int>(Ledger.Rows.size()) - 1;
    if (T.empty() && !current && row == last && col != 6) {
        T = BillColumnCaptions[col];
        c.Font.Style = {fsBold};
        c.Font.Color = kPlaceholder;
    }
    if (col == 6 && !T.empty() && T[0] == '-' && NegativeRed) c.Font.Color = RGB(255, 0, 0);
    // Only right-aligned and edited cells need their width.
    const int W = col >= 4 || current ? c.TextWidth(T) : 0;
    TRect R = r.CellRects[col];
    c.Brush.Color = back;
    c.FillRect(Rect(R.Left, R.Top, R.Left + 2, R.Bottom));
    R.Left += 2;
    R.Right -= 2;
    PaintCellButton(r, col, R);
    int CW = 0;
    if (current) {
        CW = PaintCurrentCell(T, W, R, back);
    } else {
        c.TextRect(R, col < 4 ? R.Left : RightAlignedX(R.Left, R.Right, W), R.Top + 2, T);
    }
    c.Brush.Color = back;
    c.FillRect(Rect(R.Right, R.Top, R.Right + 2, R.Bottom));
    if (current && Ledger.CaretOn) {
        c.Pen.Color = RGB(0, 0, 0);
        for (int dx = 0; dx < 2; ++dx) {
            c.MoveTo(Ledger.TextX + CW + dx, R.Top + 2);
            c.LineTo(Ledger.TextX + CW + dx, R.Bottom - 2);
        }
    }
    c.Brush.Color = savedBrush;
    c.Font.Color = savedFont;
    c.Font.Style = {};
}

void TForm1::PaintCellButton(const TBillMoveRow& r, int col, TRect& R) {
    const bool dropDown = r.Id == SelectMove && (col == 0 || col == 3);
    const bool files =
        col == 2 && ((r.Id == SelectMove && SelectMove > 0) || (r.Id > 0 && r.HasFiles));
    if (!dropDown && !files) return;
    const TBitmap* G = col == 2                  ? &Ledger.FilesGlyph
                       : ScrollGlyphs.size() > 3 ? &ScrollGlyphs[3]
                                                 : nullptr;
    if (!G || G->Empty()) return;
    TCanvas& c = Canvas();
    R.Right -= G->Width();
    c.Draw(R.Right + 2, R.Top, *G);
    c.Pen.Color = RGB(255, 255, 255);
    c.MoveTo(R.Right + 2, R.Bottom - 1);
    c.LineTo(R.Right + 2 + G->Width(), R.Bottom - 1);
    c.Pen.Color = kGrid;
}

int TForm1::PaintCurrentCell(const AnsiString& T, int W, const TRect& R, TColor back) {
    TCanvas& c = Canvas();
    const int len = static_cast<int>(T.size());
    Ledger.CaretPos = std::clamp(Ledger.CaretPos, 1, len + 1);
    if (Ledger.CurCol >= 4)
        Ledger.TextX = R.Right - W;
    else if (Ledger.TextX == -10000)
        Ledger.TextX = R.Left;
    // The parts of the text measured and drawn are taken no longer than the canvas looks at.
    const auto part = [&T](size_t from, size_t count) {
        return from < T.size() ? T.substr(from, std::min(count, kShownTextLimit + 1))
                               : AnsiString();
    };
    const int CW = c.TextWidth(part(0, static_cast<size_t>(Ledger.CaretPos - 1)));
    if (Ledger.TextX + CW < R.Left) Ledger.TextX = R.Left - CW;
    if (Ledger.TextX + CW > R.Right) Ledger.TextX = R.Right - CW;
    if (Ledger.SelStart < 1) Ledger.SelStart = 1;
    if (Ledger.SelStart > len) Ledger.SelLength = 0;
    const int X = Ledger.TextX;
    if (Ledger.SelLength == 0) {
        c.TextRect(R, X, R.Top + 2, T);
        return CW;
    }
    const size_t selFrom = static_cast<size_t>(Ledger.SelStart - 1);
    const int SW = c.TextWidth(part(0, selFrom));
    const AnsiString sel = part(selFrom, static_cast<size_t>(Ledger.SelLength));
    const int SLW = c.TextWidth(sel);
    c.Brush.Color = back;
    c.FillRect(Rect(R.Left, R.Top, R.Right, R.Top + 2));
    c.FillRect(Rect(R.Left, R.Bottom - 2, R.Right, R.Bottom));
    const TRect inner = Rect(R.Left, R.Top + 2, R.Right, R.Bottom - 2);
    if (X + SW > R.Right || X + SW + SLW < R.Left) {
        c.TextRect(R, X, R.Top + 2, T);
        return CW;
    }
    if (R.Left < X + SW)
        c.TextRect(Rect(inner.Left, inner.Top, X + SW, inner.Bottom), X, R.Top + 2,
                   part(0, selFrom));
    const TColor savedFont = c.Font.Color;
    c.Brush.Color = kSelection;
    c.Font.Color = RGB(255, 255, 255);
    c.TextRect(
        Rect(std::max(X + SW, R.Left), inner.Top, std::min(X + SW + SLW, R.Right), inner.Bottom),
        X + SW, R.Top + 2, sel);
    c.Brush.Color = back;
    c.Font.Color = savedFont;
    const size_t after = selFrom + std::min(static_cast<size_t>(Ledger.SelLength), T.size());
    c.TextRect(Rect(std::max(X + SW + SLW, R.Left), inner.Top, R.Right, inner.Bottom), X + SW + SLW,
               R.Top + 2, part(after, T.size()));
    return CW;
}

void TForm1::UpdateClipboardCommands() {
    const AnsiString* text = nullptr;
    if (Ledger.CurRow >= 0 && Ledger.CurRow < static_cast<int>(Ledger.Rows.size()) &&
        Ledger.CurCol >= 0 && Ledger.CurCol < 7)
        text = &Ledger.Rows[Ledger.CurRow].Cells[Ledger.CurCol];
    const bool copy = text && static_cast<int>(text->size()) >= Ledger.SelStart &&
                      Ledger.SelLength > 0 && Ledger.SelStart + Ledger.SelLength - 1 > 0;
    for (int a : {8, 9}) Action(a)->setEnabled(copy);
    for (int n : {15, 16}) N(n)->setEnabled(copy);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const bool paste = mime && mime->hasText();
    Action(10)->setEnabled(paste);
    N(17)->setEnabled(paste);
}

}  // namespace qm
