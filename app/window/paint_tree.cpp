// The account tree tab: three panes, one per account type, rebuilt from the database on every
// paint; and the scroll bar and clipped-piece routines the other views share.
#include <algorithm>
#include <cmath>

#include "app/store/balances.h"
#include "app/store/budget_store.h"
#include "app/store/money_text.h"
#include "app/window/main_window.h"

namespace qm {

namespace {

const TColor kMargin = RGB(240, 240, 234);
const TColor kRowText = RGB(1, 1, 1);
const TColor kGroupRow = RGB(208, 208, 208);
const TColor kSelectedRow = RGB(125, 153, 192);
const TColor kOverBudget = RGB(255, 224, 224);
const TColor kSelectedOverBudget = RGB(192, 153, 125);
const TColor kFrame = RGB(123, 123, 120);
constexpr int kRowHeight = 18;
// The rows' font size; the currency and amount columns are measured in it, so that an amount
// keeps its gap from the currency name whatever its length.
constexpr int kRowFontSize = 10;

// The value in the tree's display form; sets `overflow` for values of 10^12 and more.
AnsiString TreeAmountText(long double value, bool twoDecimals, bool& overflow) {
    if (value >= 1e12L) {
        overflow = true;
        return "------";
    }
    return twoDecimals ? CentsText(value, ',') : WholeUnitsText(value);
}

long double NumberOr0(const AnsiString& text) {
    long double v;
    return TryStrToFloat(text, v) ? v : 0;
}

}  // namespace

void TForm1::BuildTreeViews(bool& overflow) {
    TCanvas& c = Canvas();
    c.Font.Size = kRowFontSize;
    c.Font.Style = {};
    const AnsiString today = DateToYmd(Date());
    long double mainRate = 0;
    AnsiString mainShort;
    {
        auto m = DB->GetTable("select kurs, short_name from currency where id = " +
                              IntToStr(MainCurrencyId));
        if (!m->Eof()) {
            mainRate = AmountValue(m->FieldAsString(0));
            mainShort = Utf8ToAnsi(m->FieldAsString(1));
        }
    }
    MainCurrencyShort = mainShort;
    std::vector<int> scrolls;
    for (const TBillTypeView& v : BillTypeViews) scrolls.push_back(v.Scroll);
    std::vector<TBillTypeView> views;
    auto types = DB->GetTable("select * from bill_type order by id");
    for (; !types->Eof(); types->Next()) {
        TBillTypeView view;
        const size_t index = views.size();
        if (index < BillTypeViews.size()) view = BillTypeViews[index];
        view.TypeId = static_cast<int>(types->FieldAsInteger(0));
        view.TypeName = Utf8ToAnsi(types->FieldAsString(1));
        view.Rows.clear();
        view.Total = 0;
        view.CurrencyWidth = 0;
        view.AmountWidth = 0;
        BuildTreeRows(view, index, mainRate, today, overflow);
        views.push_back(std::move(view));
    }
    BillTypeViews = std::move(views);
}

void TForm1::BuildTreeRows(TBillTypeView& view, size_t index, long double mainRate,
                           const AnsiString& today, bool& overflow) {
    TCanvas& c = Canvas();
    auto measure = [&](const TBillTreeRow& row) {
        view.CurrencyWidth = std::max(view.CurrencyWidth, c.TextWidth(row.CurrencyName));
        view.AmountWidth = std::max(view.AmountWidth, c.TextWidth(row.AmountText));
    };
    const AnsiString typeId = IntToStr(view.TypeId);
    auto groups = DB->GetTable(
        "select b.id, b.name, b.isopen, c.short_name, b.amount, c.kurs from bill b, currency c "
        "where "
        "b.currency_id = c.id and b.bill_id = 0 and b.bill_type_id = " +
        typeId + " order by b.position");
    for (; !groups->Eof(); groups->Next()) {
        TBillTreeRow g;
        g.Id = static_cast<int>(groups->FieldAsInteger(0));
        g.Name = Utf8ToAnsi(groups->FieldAsString(1));
        g.OpenState = static_cast<int>(StrToIntDef(groups->FieldAsString(2), 0));
        g.CurrencyName = Utf8ToAnsi(groups->FieldAsString(3));
        AnsiString amount = groups->FieldAsString(4);
        if (amount.empty()) amount = "0";
        const long double value = AmountValue(amount);
        if (mainRate != 0)
            view.Total +=
                RoundHalfEven(value * 100) * AmountValue(groups->FieldAsString(5)) / mainRate / 100;
        g.AmountText = TreeAmountText(value, TwoDecimals, overflow);
        measure(g);
        const AnsiString extra =
            view.TypeId == 3
                ? ", b.budget, b.budget_amount, b.budget_type, b.budget_date_from, b.budget_date_to"
                : "";
        auto accounts = DB->GetTable(
            "select b.id, b.name, c.short_name, b.amount " + extra +
            " from bill b, currency c where b.currency_id = c.id and b.bill_id = " +
            IntToStr(g.Id) + " and b.bill_type_id = " + typeId + " order by b.position");
        g.ExpanderKind = accounts->Count() == 0 ? 2 : g.OpenState == 1 ? 0 : 1;
        view.Rows.push_back(g);
        if (g.OpenState != 1) continue;
        for (int k = 0; !accounts->Eof(); accounts->Next(), ++k) {
            TBillTreeRow a;
            a.Id = static_cast<int>(accounts->FieldAsInteger(0));
            a.OpenState = -1;
            a.Name = Utf8ToAnsi(accounts->FieldAsString(1));
            a.CurrencyName = Utf8ToAnsi(accounts->FieldAsString(2));
            AnsiString am = accounts->FieldAsString(3);
            if (am.empty()) am = "0";
            if (view.TypeId == 3) {
                if (a.Id == SelectBill) BudgetRowIndex = static_cast<int>(view.Rows.size());
                a.Budget = NumberOr0(accounts->FieldAsString(4));
                a.BudgetUsed = NumberOr0(accounts->FieldAsString(5));
                a.BudgetType = accounts->FieldAsString(6);
                a.BudgetDateFrom = accounts->FieldAsString(7);
                a.BudgetDateTo = accounts->FieldAsString(8);
                StepBudgetPeriod(a, today);
            }
            a.AmountText = TreeAmountText(AmountValue(am), TwoDecimals, overflow);
            measure(a);
            a.ExpanderKind = k + 1 == accounts->Count() ? 4 : 3;
            view.Rows.push_back(a);
        }
    }
    (void)index;
}

void TForm1::StepBudgetPeriod(TBillTreeRow& row, const AnsiString& today) {
    if (row.Budget <= 0) return;
    if (today < row.BudgetDateFrom) {
        row.BudgetUsed = 0;  // for the display only
        return;
    }
    if (today <= row.BudgetDateTo) return;
    if (row.BudgetType == "T") {
        TDateTime from, to;
        try {
            from = YmdToDate(row.BudgetDateFrom);
            to = YmdToDate(row.BudgetDateTo);
        } catch (const EConvertError&) {
            return;  // a period that is no pair of dates cannot be stepped
        }
        // The period moves in steps of its own length in days, not by calendar months.
        const double length = to - from + 1;
        const TDateTime now = YmdToDate(today);
        if (length < 1) return;
        while (now > to) to += length;
        from = to - length + 1;
        row.BudgetDateFrom = DateToYmd(from);
        row.BudgetDateTo = DateToYmd(to);
        WriteBudgetPeriod(*DB, row.Id, row.BudgetDateFrom, row.BudgetDateTo, Period());
        auto t =
            DB->GetTable("select amount, budget_amount from bill where id = " + IntToStr(row.Id));
        if (!t->Eof()) row.BudgetUsed = NumberOr0(t->FieldAsString(1));
    } else {
        row.Budget = 0;
        DB->ExecSQL("update bill set budget = 0 where id = " + IntToStr(row.Id));
    }
}

void TForm1::PaintMain() {
    if (!DB || !GlyphBitmap || databaseBusy_) return;
    SyncLayout();
    TCanvas& c = Canvas();
    c.Brush.Style = bsSolid;
    c.Font.Name = "Arial";
    c.Font.Size = 9;
    c.Font.Style = {};
    // With nothing selected, the first row of the first pane that has rows is.
    if (SelectBill == -1) {
        for (TBillTypeView& v : BillTypeViews) {
            if (v.Rows.empty()) continue;
            SelectBill = v.Rows[0].Id;
            v.Scroll = 0;
            break;
        }
    }
    const int W = (ClientWidth() - 10) / 3;
    const int B = ClientHeight() - Panel1->height() - 10;
    bool overflow = false;
    BudgetRowIndex = -1;
    BuildTreeViews(overflow);
    for (size_t i = 0; i < BillTypeViews.size() && i < 3; ++i) PaintPane(static_cast<int>(i), W, B);
    c.Brush.Color = kMargin;
    c.Brush.Style = bsSolid;
    c.FillRect(Rect(3 * W, ContentTop + 20, ClientWidth(), B + 1));
    c.FillRect(Rect(0, ContentTop, ClientWidth(), ContentTop + 20));
    c.FillRect(Rect(0, B + 1, ClientWidth(), B + 20));
    if (overflow && !BalanceOverflowShown) {
        BalanceOverflowShown = true;
        ShowNoticeLater(Ui(93));
    }
}

void TForm1::PaintPane(int i, int W, int B) {
    TCanvas& c = Canvas();
    TBillTypeView& view = BillTypeViews[i];
    const int PR = (i + 1) * W - 1 - ScrollBarWidth;
    view.ScrollMax = static_cast<int>(view.Rows.size()) - (B - ContentTop - 40) / kRowHeight;
    c.Font.Size = 9;
    c.Font.Style = {};
    c.Brush.Color = kMargin;
    c.FillRect(Rect(i * W, ContentTop + 20, i * W + 10, B + 1));

    // Title line: the type's name and its total in the main currency.
    bool overflow = false;
    const AnsiString total =
        TreeAmountText(view.Total, TwoDecimals, overflow) + " " + MainCurrencyShort;
    const int TW = c.TextWidth(total);
    c.Font.Style = {fsBold};
    c.Font.Color = NegativeRed && !total.empty() && total[0] == '-' ? RGB(255, 0, 0) : kRowText;
    c.TextRect(Rect((i + 1) * W - TW - 5, ContentTop + 20, (i + 1) * W, ContentTop + 40),
               (i + 1) * W - TW - 5, ContentTop + 20, total);
    c.Font.Color = RGB(0, 0, 0);
    c.TextRect(Rect(i * W + 10, ContentTop + 20, (i + 1) * W - TW - 5, ContentTop + 40), i * W + 15,
               ContentTop + 20, view.TypeName);

    c.Font.Size = kRowFontSize;
    c.Font.Style = {};
    c.Brush.Color = RGB(255, 255, 255);
    c.Font.Color = kRowText;
    const int CW = view.CurrencyWidth + 5;
    const int AW = view.AmountWidth + 7;
    const int NR = PR - CW - AW;
    DrawScroll(Rect(PR, ContentTop + 41, (i + 1) * W - 1, B), view.ScrollCode, view.Scroll,
               view.ScrollMax, view.UpRect, view.PageUpRect, view.ThumbRect, view.PageDownRect,
               view.DownRect);
    view.BodyRect = Rect(i * W + 10, ContentTop + 41, PR, B);

    int y = ContentTop + 27;
    int index = view.Scroll - 1;
    view.Page = 0;
    const TRect clip = view.BodyRect;
    while (index <= static_cast<int>(view.Rows.size()) - 1 && y < B) {
        if (index < 0) {
            c.Brush.Color = RGB(255, 255, 255);
            DrawMy(Rect(i * W + 11, y, PR, y + kRowHeight), clip, nullptr, "", 0);
        } else {
            ++view.Page;
            PaintTreeRow(view.Rows[index], i * W + 11, y, PR, NR, CW, B, clip);
        }
        y += kRowHeight;
        ++index;
    }
    --view.Page;
    if (y < B) {
        c.Brush.Color = RGB(255, 255, 255);
        c.FillRect(Rect(i * W + 11, std::max(y, clip.Top), PR, B));
    }
    c.Pen.Color = kFrame;
    c.MoveTo(i * W + 10, ContentTop + 40);
    c.LineTo(i * W + 10, B);
    c.LineTo((i + 1) * W - 1, B);
    c.LineTo((i + 1) * W - 1, ContentTop + 40);
    c.LineTo(i * W + 10, ContentTop + 40);
}

void TForm1::PaintTreeRow(TBillTreeRow& row, int x, int y, int PR, int NR, int CW, int B,
                          const TRect& clip) {
    TCanvas& c = Canvas();
    const bool group = row.OpenState != -1;
    const bool selected = row.Id == SelectBill;
    TColor back = group ? kGroupRow : RGB(255, 255, 255);
    TColor text = kRowText;
    if (selected) {
        back = kSelectedRow;
        text = RGB(255, 255, 255);
    }
    AnsiString name = row.Name;
    if (!group && row.Budget > 0) {
        if (row.Budget < row.BudgetUsed) {
            name += " 0%";
            back = selected ? kSelectedOverBudget : kOverBudget;
        } else {
            name += " " + WholeUnitsText((1 - row.BudgetUsed / row.Budget) * 100) + "%";
        }
    }
    const int indent = group ? 10 : 30;
    const TBitmap* glyph =
        row.ExpanderKind >= 0 && row.ExpanderKind < static_cast<int>(TreeGlyphs.size())
            ? &TreeGlyphs[row.ExpanderKind]
            : nullptr;
    c.Brush.Color = RGB(255, 255, 255);
    DrawMy(Rect(x, y, x + indent, y + kRowHeight), clip, nullptr, "", 0);
    const int gx = x + indent;
    const int gw = glyph ? glyph->Width() : 0;
    c.Brush.Color = back;
    DrawMy(Rect(gx, y, gx + gw, y + kRowHeight), clip, glyph, "", 0);
    c.Brush.Color = RGB(255, 255, 255);
    row.ExpanderRect = group ? Rect(gx, y, gx + 10, y + kRowHeight) : TRect{};
    DrawMy(Rect(gx + gw, y, gx + gw + 5, y + kRowHeight), clip, nullptr, "", 0);
    row.TextRect = Rect(gx + 5, y, PR, std::min(y + kRowHeight, B));
    const int nameLeft = gx + gw + 5;
    c.Brush.Color = back;
    c.Font.Color = text;
    DrawMy(Rect(nameLeft, y, NR, y + kRowHeight), clip, nullptr, name, 2);
    DrawMy(Rect(NR, y, NR + CW, y + kRowHeight), clip, nullptr, row.CurrencyName, 2);
    if (NegativeRed && !row.AmountText.empty() && row.AmountText[0] == '-')
        c.Font.Color = RGB(255, 0, 0);
    const int aw = c.TextWidth(row.AmountText);
    DrawMy(Rect(NR + CW, y, PR, y + kRowHeight), clip, nullptr, row.AmountText,
           PR - (NR + CW) - 5 - aw);
    c.Brush.Color = RGB(255, 255, 255);
    c.Font.Color = kRowText;
}

void TForm1::DrawScroll(const TRect& R, const AnsiString& code, int& pos, int& max, TRect& upRect,
                        TRect& pageUpRect, TRect& thumbRect, TRect& pageDownRect, TRect& downRect) {
    if (ScrollGlyphs.size() < 13) return;
    TCanvas& c = Canvas();
    int up = code == "DU" ? 7 : code == "MU" ? 4 : 0;
    if (max <= 0) up = 10;
    const TBitmap& upG = ScrollGlyphs[up];
    upRect = Rect(R.Left, R.Top, R.Right, R.Top + upG.Height());
    c.Draw(upRect.Left, upRect.Top, upG);
    int down = code == "DD" ? 9 : code == "MD" ? 6 : 3;
    if (max <= 0) down = 12;
    const TBitmap& downG = ScrollGlyphs[down];
    downRect = Rect(R.Left, R.Bottom - downG.Height(), R.Right, R.Bottom);
    c.Draw(downRect.Left, downRect.Top, downG);
    if (max < 0) max = 0;
    if (pos > max) pos = max;
    if (pos < 0) pos = 0;
    int thumb = code == "DM" ? 8 : code == "MM" ? 5 : 2;
    if (max < 1) thumb = 11;
    const TBitmap& thumbG = ScrollGlyphs[thumb];
    int top = upRect.Bottom;
    if (max != 0)
        top = upRect.Bottom +
              static_cast<int>(std::nearbyint(
                  static_cast<double>(downRect.Top - upRect.Bottom - thumbG.Height()) * pos / max));
    thumbRect = Rect(R.Left, top, R.Right, top + thumbG.Height());
    c.Draw(thumbRect.Left, thumbRect.Top, thumbG);
    if (thumbRect.Top - upRect.Bottom > 1)
        c.StretchDraw(Rect(R.Left, upRect.Bottom, R.Right, thumbRect.Top), ScrollGlyphs[1]);
    if (downRect.Top - thumbRect.Bottom > 1)
        c.StretchDraw(Rect(R.Left, thumbRect.Bottom, R.Right, downRect.Top), ScrollGlyphs[1]);
    pageUpRect = Rect(R.Left, upRect.Bottom, R.Right, thumbRect.Top);
    pageDownRect = Rect(R.Left, thumbRect.Bottom, R.Right, downRect.Top);
}

void TForm1::DrawMy(TRect R, const TRect& clip, const TBitmap* bitmap, const AnsiString& text,
                    int dx) {
    TCanvas& c = Canvas();
    TRect src{};
    if (bitmap) {
        R.Right = R.Left + bitmap->Width();
        R.Bottom = R.Top + bitmap->Height();
        src = Rect(0, 0, bitmap->Width(), bitmap->Height());
    }
    const int textX = dx + R.Left, textY = R.Top;
    if (clip.Left > R.Left) src.Left += clip.Left - R.Left, R.Left = clip.Left;
    if (clip.Top > R.Top) src.Top += clip.Top - R.Top, R.Top = clip.Top;
    if (clip.Right < R.Right) src.Right -= R.Right - clip.Right, R.Right = clip.Right;
    if (clip.Bottom < R.Bottom) src.Bottom -= R.Bottom - clip.Bottom, R.Bottom = clip.Bottom;
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    if (!bitmap && text.empty()) {
        c.FillRect(R);
    } else if (bitmap) {
        // Tree glyphs are transparent over their row colour: the box takes the brush first.
        c.FillRect(R);
        if (src.Left == 0 && src.Top == 0 && src.Right == bitmap->Width() &&
            src.Bottom == bitmap->Height())
            c.Draw(R.Left, R.Top, *bitmap);
        else
            c.Draw(R.Left, R.Top, bitmap->Cut(src));
    } else {
        c.TextRect(R, textX, textY, text);
    }
}

void TForm1::SetCursorText(int row, int col, int X, int /*Y*/) {
    if (row < 0 || row >= static_cast<int>(Ledger.Rows.size()) || col < 0 || col > 6) return;
    TCanvas& c = Canvas();
    const AnsiString& T = Ledger.Rows[row].Cells[col];
    const TRect& r = Ledger.Rows[row].CellRects[col];
    int start;
    if (row == Ledger.CurRow && col == Ledger.CurCol)
        start = Ledger.TextX;
    else
        start = col >= 4 ? RightAlignedX(r.Left + 2, r.Right - 2, c.TextWidth(T)) : r.Left + 2;
    // The character boundary nearest to X wins, the earliest on a tie. Boundaries only move
    // right, so the search ends at the first one past X; the canvas measures no further than
    // its limit either.
    int best = 0;
    int bestDistance = std::abs(start - X);
    const size_t last = std::min(T.size(), kShownTextLimit);
    for (size_t k = 1; k <= last; ++k) {
        const int right = start + c.TextWidth(T.substr(0, k));
        const int d = std::abs(right - X);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(k);
        }
        if (right > X) break;
    }
    Ledger.CaretPos = best + 1;
    Ledger.SelLength = 0;
}

}  // namespace qm
