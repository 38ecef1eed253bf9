// Account and group rows, and the ledger tabs that show them.
#include "app/store/account_store.h"

#include <algorithm>

#include "app/store/move_store.h"
#include "app/store/state.h"

namespace qm {

namespace {

AnsiString Flag(bool on) {
    return on ? "T" : "F";
}

// The position after the last child of `parent`; 1 for its first child.
int64_t NextPosition(TSQLiteDatabase& db, int parent) {
    auto t = db.GetTable("select max(position)+1 from bill where bill_id = " + IntToStr(parent));
    if (t->Eof() || t->FieldAsString(0).empty()) return 1;
    return t->FieldAsInteger(0);
}

int MaxBillId(TSQLiteDatabase& db) {
    return static_cast<int>(db.GetTable("select max(id) from bill")->FieldAsInteger(0));
}

void RecalculateGroups(TSQLiteDatabase& db, const PeriodFilter& period) {
    auto groups = db.GetTable("select id from bill where bill_id = 0");
    for (; !groups->Eof(); groups->Next()) CalcBillAmount(db, groups->FieldAsString(0), period);
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool MoveBelongsTo(TSQLiteDatabase& db, int moveId, int accountId) {
    return !db.GetTable("select id from bill_move where id = " + IntToStr(moveId) +
                        " and src_bill_id = " + IntToStr(accountId))
                ->Eof();
}

// The new name of row `id`, ready to stand between single quotes: the name the row holds, byte
// for byte, while `name` still reads as the code page shows it, so that a name the code page
// cannot show whole survives a dialog confirmed unchanged.
AnsiString WrittenName(TSQLiteDatabase& db, int id, const AnsiString& name) {
    auto t = db.GetTable("select name from bill where id = " + IntToStr(id));
    return QuotedSqlText(WriteBackUtf8(name, t->Eof() ? std::string() : t->FieldAsString(0)));
}

}  // namespace

AnsiString CreationStamp() {
    return DateToYmd(Date()) + "000000";
}

int InsertAccount(TSQLiteDatabase& db, const AccountFields& f) {
    TSQLiteTransaction tr(db);
    const int64_t position = NextPosition(db, f.group);
    db.ExecSQL(
        "insert into bill (twosign,ts,currency_id,bill_id,bill_type_id,position,name) values ('" +
        Flag(f.twoDecimals) + Flag(f.hidden) + "', '" + CreationStamp() + "'," +
        IntToStr(f.currency) + "," + IntToStr(f.group) + "," + IntToStr(f.type) + "," +
        IntToStr(position) + ",'" + SqlText(f.name) + "')");
    const int id = MaxBillId(db);
    tr.Commit();
    return id;
}

void UpdateAccount(TSQLiteDatabase& db, int id, const AccountFields& f,
                   const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    auto old = db.GetTable("select bill_id from bill where id = " + IntToStr(id));
    const AnsiString oldGroup = old->Eof() ? AnsiString() : old->FieldAsString(0);
    db.ExecSQL("update bill set twosign = '" + Flag(f.twoDecimals) + Flag(f.hidden) +
               "', bill_type_id = " + IntToStr(f.type) + ", bill_id = " + IntToStr(f.group) +
               ", name = '" + WrittenName(db, id, f.name) + "' where id = " + IntToStr(id));
    if (!oldGroup.empty()) CalcBillAmount(db, oldGroup, period);
    CalcBillAmount(db, IntToStr(f.group), period);
    tr.Commit();
}

int InsertGroup(TSQLiteDatabase& db, const GroupFields& f) {
    TSQLiteTransaction tr(db);
    // One counter for the groups of all types.
    const int64_t position = NextPosition(db, 0);
    db.ExecSQL(
        "insert into bill (isopen,ts,currency_id,bill_id,bill_type_id,position,name,twosign) "
        "values (1,'" +
        CreationStamp() + "'," + IntToStr(f.currency) + ",0," + IntToStr(f.type) + "," +
        IntToStr(position) + ",'" + SqlText(f.name) + "','F" + Flag(f.hidden) + "')");
    const int id = MaxBillId(db);
    tr.Commit();
    return id;
}

void UpdateGroup(TSQLiteDatabase& db, int id, const GroupFields& f, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill set currency_id = " + IntToStr(f.currency) +
               ", bill_type_id = " + IntToStr(f.type) + ", name = '" + WrittenName(db, id, f.name) +
               "', twosign = 'F" + Flag(f.hidden) + "' where id = " + IntToStr(id));
    db.ExecSQL("update bill set bill_type_id = " + IntToStr(f.type) +
               " where bill_id = " + IntToStr(id));
    CalcBillAmount(db, IntToStr(id), period);
    tr.Commit();
}

bool MoveSibling(TSQLiteDatabase& db, int id, int step) {
    TSQLiteTransaction tr(db);
    auto self = db.GetTable("select bill_id, bill_type_id from bill where id = " + IntToStr(id));
    if (self->Eof()) return false;
    const int64_t parent = StrToIntDef(self->FieldAsString(0), -1);
    const int64_t type = StrToIntDef(self->FieldAsString(1), -1);
    auto siblings =
        db.GetTable("select id, position from bill where bill_id = " + IntToStr(parent) +
                    " and bill_type_id = " + IntToStr(type) + " order by position");
    std::vector<int> order;
    for (; !siblings->Eof(); siblings->Next()) {
        const int sibling = static_cast<int>(siblings->FieldAsInteger(0));
        const int64_t place = static_cast<int64_t>(order.size()) + 1;
        if (StrToIntDef(siblings->FieldAsString(1), -1) != place)
            db.ExecSQL("update bill set position = " + IntToStr(place) +
                       " where id = " + IntToStr(sibling));
        order.push_back(sibling);
    }
    const auto at = std::find(order.begin(), order.end(), id);
    const int i = static_cast<int>(at - order.begin());
    const int j = i + step;
    const bool swap = at != order.end() && j >= 0 && j < static_cast<int>(order.size());
    if (swap) {
        db.ExecSQL("update bill set position = " + IntToStr(i + 1) +
                   " where id = " + IntToStr(order[j]));
        db.ExecSQL("update bill set position = " + IntToStr(j + 1) + " where id = " + IntToStr(id));
    }
    tr.Commit();
    return swap;
}

std::vector<int> Correspondents(TSQLiteDatabase& db, int id) {
    const AnsiString a = IntToStr(id);
    auto t = db.GetTable("select dest_bill_id from bill_move where src_bill_id = " + a +
                         " union select src_bill_id from bill_move where dest_bill_id = " + a +
                         " order by 1");
    std::vector<int> ids;
    for (; !t->Eof(); t->Next()) {
        const int other = static_cast<int>(t->FieldAsInteger(0));
        if (other != id) ids.push_back(other);
    }
    return ids;
}

std::vector<int> DeleteAccountWithMoves(TSQLiteDatabase& db, int id, const PeriodFilter& period) {
    const AnsiString a = IntToStr(id);
    TSQLiteTransaction tr(db);
    const std::vector<int> others = Correspondents(db, id);
    // Both rows of every pair go, so no account keeps half of a move with a vanished one.
    db.ExecSQL("delete from bill_move where src_bill_id = " + a + " or dest_bill_id = " + a);
    db.ExecSQL("delete from bill where id = " + a);
    for (int other : others) CalcBillAmount(db, IntToStr(other), period);
    RecalculateGroups(db, period);
    tr.Commit();
    return others;
}

void TransferAndDeleteAccount(TSQLiteDatabase& db, int from, int to, const PeriodFilter& period) {
    if (from == to) return;
    const AnsiString a = IntToStr(from), t = IntToStr(to);
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill_move set src_bill_id = " + t + " where src_bill_id = " + a);
    db.ExecSQL("update bill_move set dest_bill_id = " + t + " where dest_bill_id = " + a);
    // Moves between the two would now run from the target to itself.
    db.ExecSQL("delete from bill_move where src_bill_id = " + t + " and dest_bill_id = " + t);
    db.ExecSQL("delete from bill where id = " + a);
    CalcBillAmount(db, t, period);
    RecalculateGroups(db, period);
    tr.Commit();
}

void DropLedgerTabs(int accountId) {
    auto& tabs = Head.HeadTabs;
    for (int i = 1; i < static_cast<int>(tabs.size());) {
        if (tabs[i].Kind != tkLedger || tabs[i].Id != accountId) {
            ++i;
            continue;
        }
        tabs.erase(tabs.begin() + i);
        if (HeadIndex == i) {
            HeadIndex = 0;
            Ledger.Rows.clear();
        } else if (HeadIndex > i) {
            --HeadIndex;
        }
    }
}

void ReloadLedgers(TSQLiteDatabase& db, const std::vector<int>& accounts) {
    auto& tabs = Head.HeadTabs;
    for (int i = 1; i < static_cast<int>(tabs.size()); ++i) {
        THeadTab& tab = tabs[i];
        if (tab.Kind != tkLedger) continue;
        const bool shows =
            Contains(accounts, tab.Id) ||
            std::any_of(tab.BufRows.begin(), tab.BufRows.end(),
                        [&](const TBufRow& r) { return Contains(accounts, r.CorrBillId); });
        if (!shows) continue;
        tab.BufRows.clear();
        if (i == HeadIndex) Ledger.Rows.clear();
        if (tab.SelMove > 0 && !MoveBelongsTo(db, tab.SelMove, tab.Id)) tab.SelMove = -1;
    }
    if (SelectMove > 0 &&
        db.GetTable("select id from bill_move where id = " + IntToStr(SelectMove))->Eof())
        SelectMove = -1;
}

}  // namespace qm
