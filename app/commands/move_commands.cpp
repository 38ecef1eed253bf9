// The ledger's commands on move pairs: storing the edited row, deleting and duplicating the
// selected move, and going to the correspondent account's ledger.
#include <algorithm>

#include "app/store/amounts.h"
#include "app/store/ledger_buffer.h"
#include "app/store/money_text.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "app/window/ui_strings.h"
#include "db/sqlite_statement.h"
#include "platform/dialogs.h"

namespace qm {

namespace {

// The amount text of a value given in hundredths.
AnsiString SqlAmount(long double value) {
    return SqlCentsText(value);
}

}  // namespace

void TForm1::HideEditorPopups() {
    Panel2->SetVisible(false);
    ListBox1->SetVisible(false);
}

void TForm1::PlaceCursor(int col) {
    Ledger.CurCol = col;
    Ledger.CaretPos = 1;
    Ledger.SelStart = 1;
    Ledger.SelLength = col == 0 ? 2 : 0;
    Ledger.TextX = -10000;
}

bool TForm1::EvaluateAmountCell(int col) {
    Ledger.CurCol = col;
    AnsiString& cell = Ledger.Rows[Ledger.CurRow].Cells[col];
    try {
        CalculateResult r = qm::Calculate(cell);
        cell = r.Text;
        if (r.Accepted) return true;
        MessageBox(this, Ui(100), "Quillmarsh", MB_OK | MB_ICONWARNING);
    } catch (const EConvertError& e) {
        // A term that is no number: the save is abandoned with the conversion's message.
        MessageBox(this, e.Message, "Quillmarsh", MB_OK | MB_ICONERROR);
    }
    PlaceCursor(col);
    PaintBill();
    return false;
}

// The edited date cell holds the eight-character form of the date format with a two-digit year.
bool TForm1::EditedDate(const AnsiString& cell, AnsiString& ymd) const {
    if (cell.size() != 8) return false;
    AnsiString y, m, d;
    if (DateFormatIndex == 1)
        m = cell.substr(0, 2), d = cell.substr(3, 2), y = cell.substr(6, 2);
    else if (DateFormatIndex == 4)
        y = cell.substr(0, 2), m = cell.substr(3, 2), d = cell.substr(6, 2);
    else
        d = cell.substr(0, 2), m = cell.substr(3, 2), y = cell.substr(6, 2);
    ymd = "20" + y + m + d;
    TDateTime unused;
    return std::all_of(ymd.begin(), ymd.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           TryEncodeDate(std::stoi(ymd.substr(0, 4)), std::stoi(ymd.substr(4, 2)),
                         std::stoi(ymd.substr(6, 2)), unused);
}

bool TForm1::KeepsStoredCharacters(const TBillMoveRow& row, int textsOf) {
    const StoredMoveTexts stored = ReadMoveTexts(*DB, textsOf);
    for (const int col : {1, 2}) {
        const TUnfitChar lost = LostStandIn(row.Cells[col], col == 1 ? stored.num : stored.note);
        if (!lost) continue;
        MessageBox(this, UnfitTextNotice(Ui(kUnfitTextNotice), BillColumnCaptions[col], lost),
                   "Quillmarsh", MB_OK | MB_ICONWARNING);
        PlaceCursor(col);
        PaintBill();
        return false;
    }
    return true;
}

AnsiString TForm1::RateText(int billId) {
    TSQLiteStatement& t = DB->Statement(
        "select c.kurs, c.name from bill b, currency c where b.currency_id = c.id and b.id = ?");
    t.Bind(1, billId);
    if (!t.Step()) return {};
    const AnsiString rate = t.FieldAsString(0);
    t.Reset();
    return rate;
}

bool TForm1::Save() {
    HideEditorPopups();
    if (Ledger.CurRow < 0 || Ledger.CurRow >= static_cast<int>(Ledger.Rows.size())) return false;
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    if (row.CorrBillId <= 0) {
        MessageBox(this, Ui(102), "Quillmarsh", MB_OK | MB_ICONWARNING);
        PlaceCursor(3);
        PaintBill();
        return false;
    }
    if (!EvaluateAmountCell(4) || !EvaluateAmountCell(5)) return false;
    // A sum has no lower limit, but one beyond what the file holds as a number (a pasted
    // "-1E400") is refused like a sum that is too large.
    if (!StorableNumber(AmountValue(row.Cells[4]) - AmountValue(row.Cells[5]))) {
        MessageBox(this, Ui(100), "Quillmarsh", MB_OK | MB_ICONWARNING);
        PlaceCursor(4);
        PaintBill();
        return false;
    }
    // A date that is not complete and valid is refused like a missing correspondent, rather
    // than stored as a broken "ts".
    AnsiString date;
    if (!EditedDate(row.Cells[0], date)) {
        MessageBox(this, Ui(190), "Quillmarsh", MB_OK | MB_ICONWARNING);
        PlaceCursor(0);
        PaintBill();
        return false;
    }
    const int textsOf = row.Id > 0 ? row.Id : row.CopiedFrom;
    if (textsOf > 0 && !KeepsStoredCharacters(row, textsOf)) return false;
    const int account = CurrentTab().Id;
    LastCorrBillId = row.CorrBillId;
    if (RateText(account) != RateText(row.CorrBillId)) return SaveThroughMoveDialog();

    const long double net = AmountValue(row.Cells[4]) - AmountValue(row.Cells[5]);
    MoveFields f;
    f.date = date;
    f.num = row.Cells[1];
    f.note = row.Cells[2];
    f.amountA = SqlAmount(RoundHalfEven(net * 100) / 100);
    f.amountB = SqlAmount(RoundHalfEven(-net * 100) / 100);
    f.rate = "1";
    f.textsOf = row.CopiedFrom;
    Ledger.Editing = false;
    DoEnable(4);
    if (row.Id <= 0)
        StoreNewMove(account, row.CorrBillId, f);
    else
        StoreEditedMove(account, row.CorrBillId, f);
    PlaceCursor(0);
    Ledger.Rows.clear();
    PaintBill();
    return true;
}

void TForm1::StoreNewMove(int account, int corr, const MoveFields& f) {
    const int n = SaveNewMove(*DB, account, corr, f, Period());
    const AnsiString y = f.date.substr(2, 2), m = f.date.substr(4, 2), d = f.date.substr(6, 2);
    if (DateFormatIndex == 1)
        LastDate = m + "/" + d + "/20" + y;
    else if (DateFormatIndex == 2)
        LastDate = d + "/" + m + "/20" + y;
    else if (DateFormatIndex == 4)
        LastDate = "20" + y + "-" + m + "-" + d;
    else
        LastDate = d + "." + m + ".20" + y;
    bool overflow =
        InsertBufRow(*DB, Head.HeadTabs, account, n + 1, corr, f.date, f.num, f.note, f.amountA);
    overflow |=
        InsertBufRow(*DB, Head.HeadTabs, corr, n + 2, account, f.date, f.num, f.note, f.amountB);
    if (overflow) ShowBalanceOverflow();
}

void TForm1::StoreEditedMove(int account, int corr, const MoveFields& f) {
    const MovePair old = SaveEditedMove(*DB, SelectMove, corr, f, Period());
    bool overflow = ReplaceBufRow(*DB, Head.HeadTabs, account, SelectMove, corr, f.date, f.num,
                                  f.note, f.amountA);
    if (old.corr == corr) {
        overflow |= ReplaceBufRow(*DB, Head.HeadTabs, corr, old.twin, account, f.date, f.num,
                                  f.note, f.amountB);
    } else {
        DelBufRow(Head.HeadTabs, old.corr, old.twin);
        overflow |= InsertBufRow(*DB, Head.HeadTabs, corr, old.twin, account, f.date, f.num, f.note,
                                 f.amountB);
    }
    if (overflow) ShowBalanceOverflow();
}

bool TForm1::SaveThroughMoveDialog() {
    if (MoveDialog) return MoveDialog(1);
    // Accounts whose currencies have different rates are stored through the transaction
    // dialog, which converts the amount; without it such a row stays in edit.
    MessageBox(this, Ui(183) + ": " + Ui(36), "Quillmarsh", MB_OK | MB_ICONWARNING);
    return false;
}

void TForm1::Action21Execute() {
    if (SelectMove <= 0) return;
    if (MessageBox(this, Ui(103), Ui(104), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    Ledger.Editing = false;
    DoEnable(4);
    Ledger.Rows.clear();
    HideEditorPopups();
    PlaceCursor(0);
    const MovePair p = DeleteMove(*DB, SelectMove, Period());
    bool overflow = DelBufRow(Head.HeadTabs, p.owner, SelectMove);
    overflow |= DelBufRow(Head.HeadTabs, p.corr, p.twin);
    if (overflow) ShowBalanceOverflow();
    SelectMove = -1;
    PaintBill();
    DoEnable(4);
}

void TForm1::Action20Execute() {
    if (SelectMove <= 0 || Ledger.Editing || Ledger.Rows.empty()) return;
    const TBillMoveRow source = Ledger.Rows[Ledger.CurRow];
    TBillMoveRow& fresh = Ledger.Rows.back();
    for (int c = 1; c <= 5; ++c) fresh.Cells[c] = source.Cells[c];
    fresh.CorrBillId = source.CorrBillId;
    fresh.CopiedFrom = source.Id;
    SelectMove = -1;
    Ledger.TopRow = static_cast<int>(Ledger.Rows.size()) - Ledger.PageRows;
    Ledger.Editing = true;
    HideEditorPopups();
    PlaceCursor(0);
    PaintBill();
    DoEnable(5);
}

void TForm1::BillKorr() {
    if (SelectMove <= 0 || Ledger.Editing) return;
    TSQLiteStatement& t =
        DB->Statement("select dest_bill_id, bill_move_id from bill_move where id = ?");
    t.Bind(1, SelectMove);
    if (!t.Step()) return;
    const int corr = static_cast<int>(t.FieldAsInteger(0));
    SelectMove = static_cast<int>(t.FieldAsInteger(1));
    t.Reset();
    int index = -1;
    for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
        if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == corr) {
            index = static_cast<int>(i);
            break;
        }
    if (index < 0) {
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = corr;
        tab.SelMove = -1;
        TSQLiteStatement& b =
            DB->Statement("select bill_type_id, name, twosign from bill where id = ?");
        b.Bind(1, corr);
        if (b.Step()) {
            tab.BillTypeId = static_cast<int>(b.FieldAsInteger(0));
            tab.Caption = Utf8ToAnsi(b.FieldAsString(1));
            tab.TwoSign = b.FieldAsString(2).substr(0, 1) == "T";
            b.Reset();
        }
        Head.HeadTabs.push_back(tab);
        index = static_cast<int>(Head.HeadTabs.size()) - 1;
    }
    HeadIndex = index;
    CurrentTab().TopRow = 0;
    Ledger.TopRow = 0;
    Ledger.Rows.clear();
    FormPaint();
}

}  // namespace qm
