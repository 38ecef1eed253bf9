// Ledger buffers and displayed rows.
#include "app/store/ledger_buffer.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "app/store/money_text.h"

namespace qm {
namespace {

constexpr long double kBalanceLimit = 1e12L;

bool AllDigits(const AnsiString& s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Cells 4 and 5 from a signed amount: received in 4, paid (without its sign) in 5.
void SetAmountCells(std::array<AnsiString, 7>& cells, const AnsiString& text) {
    if (!text.empty() && text[0] == '-') {
        cells[4].clear();
        cells[5] = text.substr(1);
    } else {
        cells[4] = text;
        cells[5].clear();
    }
}

long double Net(const std::array<AnsiString, 7>& cells) {
    return AmountValue(cells[4]) - AmountValue(cells[5]);
}

}  // namespace

AnsiString CorrespondentText(TSQLiteDatabase& db, int billId) {
    auto t = db.GetTable(
        "select bt.name, bb.name, b.name from bill b, bill bb, bill_type bt where b.bill_id = "
        "bb.id and "
        "b.bill_type_id = bt.id and b.id = " +
        IntToStr(billId));
    if (t->Eof()) return {};
    const AnsiString type = Utf8ToAnsi(t->FieldAsString(0));
    return type.substr(0, 1) + ":" + Utf8ToAnsi(t->FieldAsString(1)) + "-" +
           Utf8ToAnsi(t->FieldAsString(2));
}

bool LoadBuffer(TSQLiteDatabase& db, THeadTab& tab, const AnsiString& today) {
    tab.BufRows.clear();
    // Rows that carry files, and correspondent names, are looked up once per load rather than
    // once per move: an account with 100,000 moves then loads in a fraction of a second.
    std::unordered_set<int> withFiles;
    {
        auto f =
            db.GetTable("select id from bill_move where files is not null and length(files) > 0");
        for (; !f->Eof(); f->Next()) withFiles.insert(static_cast<int>(f->FieldAsInteger(0)));
    }
    std::unordered_map<int, AnsiString> correspondents;
    auto t = db.GetTable(
        "select id, ts, amount, note, dest_bill_id, num, bill_move_id from bill_move where "
        "src_bill_id = " +
        IntToStr(tab.Id) + " order by ts, num, id");
    for (; !t->Eof(); t->Next()) {
        TBufRow row;
        row.Id = static_cast<int>(t->FieldAsInteger(0));
        row.CorrBillId = static_cast<int>(t->FieldAsInteger(4));
        const int twin = static_cast<int>(t->FieldAsInteger(6));
        // Attachments live on the row of the pair with the smaller id.
        row.HasFiles = withFiles.count(std::min(row.Id, twin)) > 0;
        const AnsiString ts = t->FieldAsString(1);
        // The century is always 20: a year stored as 1999 reads as 2099 and is not written back.
        row.Cells[0] = "20" + (ts.size() > 2 ? ts.substr(2) : AnsiString());
        if (!AllDigits(row.Cells[0])) {
            row.Cells[0] = today;
            db.ExecSQL("update bill_move set ts = '" + today + "' where id in (" +
                       IntToStr(row.Id) + "," + IntToStr(twin) + ")");
        }
        auto known = correspondents.find(row.CorrBillId);
        if (known == correspondents.end())
            known =
                correspondents.emplace(row.CorrBillId, CorrespondentText(db, row.CorrBillId)).first;
        row.Cells[3] = known->second;
        SetAmountCells(row.Cells, CentsText(AmountValue(t->FieldAsString(2)), ','));
        row.Cells[2] = Utf8ToAnsi(t->FieldAsString(3));
        row.Cells[1] = Utf8ToAnsi(t->FieldAsString(5));
        tab.BufRows.push_back(std::move(row));
    }
    return BillMoveCalcSum(tab);
}

bool BillMoveCalcSum(THeadTab& tab) {
    long double balance = 0;
    bool overflow = false;
    for (TBufRow& row : tab.BufRows) {
        const long double d = RoundHalfEven(Net(row.Cells) * 100) / 100;
        balance += tab.BillTypeId == 1 ? -d : d;
        if (std::fabs(balance) >= kBalanceLimit) {
            row.Cells[6] = "------";
            overflow = true;
        } else {
            row.Cells[6] = CentsText(balance, ',');
        }
    }
    return overflow;
}

std::vector<TBillMoveRow> BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period,
                                             int sortMode, const AnsiString& lastDate) {
    std::vector<TBillMoveRow> rows;
    for (const TBufRow& buf : tab.BufRows) {
        if (period.on && !(period.from <= buf.Cells[0] && buf.Cells[0] <= period.to)) continue;
        TBillMoveRow row;
        row.Id = buf.Id;
        row.CorrBillId = buf.CorrBillId;
        row.Cells = buf.Cells;
        row.HasFiles = buf.HasFiles;
        // Equal keys go before each other, so they come out in reverse buffer order.
        auto pos = rows.end();
        if (sortMode == 1) {
            pos = std::find_if(rows.begin(), rows.end(),
                               [&](const TBillMoveRow& r) { return !(r.Cells[2] < row.Cells[2]); });
        } else if (sortMode == 2) {
            const long double key = Net(row.Cells);
            pos = std::find_if(rows.begin(), rows.end(),
                               [&](const TBillMoveRow& r) { return !(Net(r.Cells) < key); });
        }
        rows.insert(pos, std::move(row));
    }
    TBillMoveRow fresh;
    fresh.Id = -1;
    fresh.Cells[0] = lastDate;
    rows.push_back(std::move(fresh));
    return rows;
}

THeadTab* LoadedLedgerTab(std::vector<THeadTab>& tabs, int accountId) {
    for (THeadTab& tab : tabs)
        if (tab.Kind == tkLedger && tab.Id == accountId && !tab.BufRows.empty()) return &tab;
    return nullptr;
}

bool InsertBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId,
                  int corrId, const AnsiString& date, const AnsiString& num, const AnsiString& note,
                  const AnsiString& amount) {
    THeadTab* tab = LoadedLedgerTab(tabs, accountId);
    if (!tab) return false;
    auto& buf = tab->BufRows;
    auto pos = std::find_if(buf.begin(), buf.end(), [&](const TBufRow& r) {
        return r.Cells[0] > date || (r.Cells[0] == date && r.Cells[1] > num) ||
               (r.Cells[0] == date && r.Cells[1] == num && r.Id >= moveId);
    });
    TBufRow row;
    row.Id = moveId;
    row.CorrBillId = corrId;
    row.Cells[0] = date;
    row.Cells[1] = num;
    row.Cells[2] = note;
    row.Cells[3] = CorrespondentText(db, corrId);
    SetAmountCells(row.Cells, StringReplaceAll(amount, ".", ","));
    buf.insert(pos, std::move(row));
    return BillMoveCalcSum(*tab);
}

bool DelBufRow(std::vector<THeadTab>& tabs, int accountId, int moveId) {
    THeadTab* tab = LoadedLedgerTab(tabs, accountId);
    if (!tab) return false;
    auto& buf = tab->BufRows;
    auto it =
        std::find_if(buf.begin(), buf.end(), [&](const TBufRow& r) { return r.Id == moveId; });
    if (it == buf.end()) return false;
    buf.erase(it);
    return BillMoveCalcSum(*tab);
}

}  // namespace qm
