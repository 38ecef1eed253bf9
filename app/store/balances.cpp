// Balance recalculation.
//
// Design notes.
// 1. An account's stored amount is the sum of its moves' amounts, its text of 15 significant
//    digits. Every amount the program writes is a whole number of hundredths, and those are
//    added as whole numbers, exactly, so that the sum is one and the same in whatever order the
//    moves are read or a change is applied to it. An amount of any other kind (one stored by
//    other means) is added after them in extended precision, in the order of the moves' ids.
// 2. A save need not read the moves of the accounts it touches: the stored amount, where it is
//    whole hundredths and the stored balances are known to hold, plus the hundredths the change
//    brought and less those it took away, is the sum of note 1 (an account whose amounts of
//    another kind cancel out below the stored text's last digit is the exception, and only a
//    file written by other means holds one). They are known to hold from the program's start on
//    its file (TrustStoredBalances) until something but the program's own statements may have
//    changed moves without their balances: another connection (the engine's data version), a
//    rollback, another period. An account recalculated from all its moves holds again. The file
//    names the period they count: the recalculation for a new period stores it among the
//    settings in its own transaction, so a start after a kill restores that period.
#include "app/store/balances.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "app/store/money_text.h"
#include "db/sqlite_statement.h"

namespace qm {
namespace {

const char* const kGroupRatesQuery =
    "select b.amount, c1.kurs, c2.kurs from bill b, currency c1, bill bb, currency c2 "
    "where b.bill_id = bb.id and b.currency_id = c1.id and bb.currency_id = c2.id and bb.id = ?";

bool InPeriod(std::string_view ts, const AnsiString& from, const AnsiString& to) {
    return std::string_view(from) <= ts && ts <= std::string_view(to);
}

// Type 1 stores the negated sum; 0 becomes "-0", which the tree shows as it is.
AnsiString SignedForType(const AnsiString& text, const AnsiString& typeId) {
    if (typeId != "1") return text;
    return !text.empty() && text[0] == '-' ? text.substr(1) : "-" + text;
}

// A NUMERIC column as the database layer's FieldAsString gives it: empty for NULL.
AnsiString NumericText(const TSQLiteStatement& q, int col) {
    return q.FieldAsString(col);
}

// An id read back from the file, as it goes into SQL: its decimal digits, or NULL, which names no
// row, when the stored value is no whole number (empty, fractional, out of range), so that no
// stored value can break the statement it is put into.
AnsiString SqlIdText(const AnsiString& stored) {
    int64_t id = 0;
    return TryStrToInt(stored, id) ? IntToStr(id) : AnsiString("NULL");
}

// The number the recalculation takes from a NUMERIC column: AmountValue of its text (a NULL,
// whose text is empty, reads as 0.0 and counts as 0 either way).
long double NumericValue(const TSQLiteStatement& q, int col) {
    return StoredAmountValue(q.RawDouble(col));
}

// An id as the statements take it: the decimal text the callers pass.
bool IdNumber(const AnsiString& id, int64_t& number) {
    return TryStrToInt(id, number) && IntToStr(number) == id;
}

void WriteAmount(TSQLiteDatabase& db, const AnsiString& amount, const AnsiString& id) {
    int64_t number;
    if (!IdNumber(id, number)) {
        db.ExecSQL("update bill set amount = " + amount + " where id = " + id);
        return;
    }
    // The amount goes in as the text it was written as before; the column's numeric affinity
    // stores it as the same number a literal in the statement gave.
    db.Statement("update bill set amount = ? where id = ?").Bind(1, amount).Bind(2, number).Run();
}

void CalcGroupTotal(TSQLiteDatabase& db, const AnsiString& groupId) {
    long double total = 0;
    int64_t number;
    if (IdNumber(groupId, number)) {
        TSQLiteStatement& rows = db.Statement(kGroupRatesQuery);
        rows.Bind(1, number);
        while (rows.Step()) {
            const AnsiString groupRate = NumericText(rows, 2);
            // A rate of 0, or the evaluator's error value, cannot convert anything.
            if (groupRate.empty() || groupRate == "0" || groupRate == "1e15" || groupRate == "1E15")
                continue;
            const long double amount = NumericValue(rows, 0);
            const long double rate = NumericValue(rows, 1);
            total += RoundHalfEven(amount * 100 * rate / AmountValue(groupRate)) / 100;
        }
    }
    WriteAmount(db, SqlCentsText(total), groupId);
}

// Reads a stored amount into `m` as the sums take it (a NULL or a text the engine reads as no
// number counts as 0).
void ReadAmount(const TSQLiteStatement& q, int col, CountedMove& m) {
    const double stored = q.RawDouble(col);
    m.hundredths = StoredHundredths(stored, m.cents);
    m.value = m.hundredths ? 0 : StoredAmountValue(stored);
}

// A sum of amounts as design note 1 takes it.
struct MoveSum {
    __int128 hundredths = 0;
    std::vector<std::pair<int64_t, long double>> others;  // id and amount

    void Add(const CountedMove& m) {
        if (m.hundredths)
            hundredths += m.cents;
        else
            others.push_back({m.id, m.value});
    }
    long double Value() {
        const long double whole = static_cast<long double>(hundredths) / 100;
        if (others.empty()) return whole;
        std::sort(others.begin(), others.end());
        long double rest = 0;
        for (const auto& other : others) rest += other.second;
        return whole + rest;
    }
};

bool SamePeriod(const PeriodFilter& a, const PeriodFilter& b) {
    return a.on == b.on && (!a.on || (a.from == b.from && a.to == b.to));
}

// What is known of the stored balances of one connection (design note 2).
struct Trust {
    TSQLiteDatabase::ChangeStamp stamp;  // the file's after the last recalculation
    PeriodFilter period;
    bool all = false;                      // every account's stored balances hold
    std::unordered_set<int64_t> accounts;  // these do, recalculated since
    uint64_t used = 0;                     // when it was last asked for

    // Forgets everything unless nothing but the recalculations here changed the file since the
    // stamp (which names the connection too: another one is another file's).
    void Check(TSQLiteDatabase& db) {
        const TSQLiteDatabase::ChangeStamp now = db.Changes();
        if (now == stamp) return;
        stamp = now;
        Forget();
    }
    void Forget() {
        all = false;
        accounts.clear();
    }
    void Record(TSQLiteDatabase& db) { stamp = db.Changes(); }
    bool Holds(int64_t account, const PeriodFilter& p) const {
        return SamePeriod(p, period) && (all || accounts.count(account) > 0);
    }
};

// What is known of each connection's stored balances, by its serial: of the few used last.
Trust& Trusted(TSQLiteDatabase& db) {
    static std::map<uint64_t, Trust> kept;
    static uint64_t uses = 0;
    const TSQLiteDatabase::ChangeStamp now = db.Changes();
    auto [it, fresh] = kept.try_emplace(now.connection);
    if (fresh) {
        it->second.stamp = now;
        if (kept.size() > 4) {
            auto oldest = it == kept.begin() ? std::next(kept.begin()) : kept.begin();
            for (auto k = kept.begin(); k != kept.end(); ++k)
                if (k != it && k->second.used < oldest->second.used) oldest = k;
            kept.erase(oldest);
        }
    }
    it->second.used = ++uses;
    return it->second;
}

// An account's row as its recalculation reads it.
struct BillRow {
    AnsiString groupId;  // as it goes into SQL; "0" for a group
    AnsiString typeId;
    AnsiString budgetFrom, budgetTo;
    bool budgetCounts = false;
    // The stored amount (as its type stores it) and budget use, where they are numbers of whole
    // hundredths.
    bool amountKnown = false, budgetKnown = false;
    int64_t amount = 0, budget = 0;
};

bool ReadBill(TSQLiteDatabase& db, int64_t id, BillRow& row) {
    TSQLiteStatement& q = db.Statement(
        "select bill_id, bill_type_id, budget, budget_date_from, budget_date_to, amount, "
        "typeof(amount) in ('integer', 'real'), budget_amount, "
        "typeof(budget_amount) in ('integer', 'real') from bill where id = ?");
    q.Bind(1, id);
    if (!q.Step()) return false;
    row.groupId = SqlIdText(NumericText(q, 0));
    row.typeId = NumericText(q, 1);
    row.budgetFrom = q.FieldAsString(3);
    row.budgetTo = q.FieldAsString(4);
    row.budgetCounts = NumericValue(q, 2) > 0 && row.typeId == "3";
    row.amountKnown = q.RawInteger(6) != 0 && StoredHundredths(q.RawDouble(5), row.amount);
    row.budgetKnown = q.RawInteger(8) != 0 && StoredHundredths(q.RawDouble(7), row.budget);
    q.Reset();
    return true;
}

void WriteAccount(TSQLiteDatabase& db, int64_t id, const BillRow& bill, long double sum,
                  long double budgetSum) {
    db.Statement("update bill set amount = ?, budget_amount = ? where id = ?")
        .Bind(1, SignedForType(AccountAmountText(sum), bill.typeId))
        .Bind(2, AccountAmountText(budgetSum))
        .Bind(3, id)
        .Run();
    CalcGroupTotal(db, bill.groupId);
}

// The account's sums from all its moves, read through the program's index on the account.
void CalcAccount(TSQLiteDatabase& db, int64_t id, const BillRow& bill, const PeriodFilter& period) {
    MoveSum sum, budgetSum;
    TSQLiteStatement& q =
        db.Statement("select id, amount, ts from bill_move where src_bill_id = ?");
    q.Bind(1, id);
    CountedMove m;
    while (q.Step()) {
        m.id = q.RawInteger(0);
        ReadAmount(q, 1, m);
        const std::string_view ts = q.RawText(2);
        if (!period.on || InPeriod(ts, period.from, period.to)) sum.Add(m);
        if (bill.budgetCounts && InPeriod(ts, bill.budgetFrom, bill.budgetTo)) budgetSum.Add(m);
    }
    WriteAccount(db, id, bill, sum.Value(), budgetSum.Value());
}

// The account's sums as its stored ones with the change applied (design note 2); false, having
// written nothing, where that does not give them.
bool ApplyChange(TSQLiteDatabase& db, int64_t id, const BillRow& bill,
                 const std::vector<CountedMove>& before, const std::vector<CountedMove>& after,
                 const PeriodFilter& period) {
    if (!bill.amountKnown || (bill.budgetCounts && !bill.budgetKnown)) return false;
    int64_t sum = bill.typeId == "1" ? -bill.amount : bill.amount;
    int64_t budgetSum = bill.budgetCounts ? bill.budget : 0;
    for (const auto* rows : {&before, &after}) {
        const int sign = rows == &before ? -1 : 1;
        for (const CountedMove& m : *rows) {
            if (!m.exists || !m.owned || m.owner != static_cast<double>(id)) continue;
            if (!m.hundredths) return false;
            if (!period.on || InPeriod(m.ts, period.from, period.to)) sum += sign * m.cents;
            if (bill.budgetCounts && InPeriod(m.ts, bill.budgetFrom, bill.budgetTo))
                budgetSum += sign * m.cents;
        }
    }
    WriteAccount(db, id, bill, static_cast<long double>(sum) / 100,
                 static_cast<long double>(budgetSum) / 100);
    return true;
}

// The rows `ids` as they stand (one that is not there reads as not existing).
std::vector<CountedMove> ReadCountedMoves(TSQLiteDatabase& db, const std::vector<int64_t>& ids) {
    std::vector<CountedMove> rows;
    TSQLiteStatement& q = db.Statement(
        "select src_bill_id, typeof(src_bill_id) in ('integer', 'real'), amount, ts from "
        "bill_move where id = ?");
    for (int64_t id : ids) {
        CountedMove m;
        m.id = id;
        q.Bind(1, id);
        if (q.Step()) {
            m.exists = true;
            m.owner = q.RawDouble(0);
            m.owned = q.RawInteger(1) != 0;
            ReadAmount(q, 2, m);
            m.ts = q.FieldAsString(3);
            q.Reset();
        }
        rows.push_back(std::move(m));
    }
    return rows;
}

// CalcBillAmount of a numeric id, within its transaction.
void CalcBill(TSQLiteDatabase& db, int64_t id, const PeriodFilter& period) {
    BillRow bill;
    if (!ReadBill(db, id, bill)) return;
    if (bill.groupId == "0") return CalcGroupTotal(db, IntToStr(id));
    CalcAccount(db, id, bill, period);
    Trust& trust = Trusted(db);
    if (SamePeriod(period, trust.period)) trust.accounts.insert(id);
}

void CalcBillAmountAsText(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period);

}  // namespace

void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period) {
    int64_t number;
    if (!IdNumber(id, number)) return CalcBillAmountAsText(db, id, period);
    // The account's amount and its group's total go together; inside a caller's unit of work
    // this is a savepoint of it.
    TSQLiteTransaction tr(db);
    Trust& trust = Trusted(db);
    trust.Check(db);
    CalcBill(db, number, period);
    tr.Commit();
    trust.Record(db);
}

void TrustStoredBalances(TSQLiteDatabase& db, const PeriodFilter& period) {
    Trust& trust = Trusted(db);
    trust.Check(db);
    trust.period = period;
    trust.all = true;
}

MoveChange BeginMoveChange(TSQLiteDatabase& db, const std::vector<int64_t>& ids) {
    Trust& trust = Trusted(db);
    trust.Check(db);
    return {ReadCountedMoves(db, ids), trust.stamp};
}

void RecalculateAfterChange(TSQLiteDatabase& db, const MoveChange& before,
                            const std::vector<int>& accounts, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    Trust& trust = Trusted(db);
    // The change itself is this connection's; anything else since its start is not known.
    const TSQLiteDatabase::ChangeStamp now = db.Changes();
    if (!(trust.stamp == before.stamp) || now.others != before.stamp.others ||
        now.rollbacks != before.stamp.rollbacks) {
        trust.stamp = now;
        trust.Forget();
    }
    if (!SamePeriod(period, trust.period)) {
        trust.period = period;
        trust.Forget();
    }
    std::vector<int64_t> ids;
    for (const CountedMove& m : before.rows) ids.push_back(m.id);
    const std::vector<CountedMove> after = ReadCountedMoves(db, ids);
    std::vector<int> done;
    for (int account : accounts) {
        if (std::find(done.begin(), done.end(), account) != done.end()) continue;
        done.push_back(account);
        BillRow bill;
        if (!trust.Holds(account, period) || !ReadBill(db, account, bill) || bill.groupId == "0" ||
            !ApplyChange(db, account, bill, before.rows, after, period))
            CalcBill(db, account, period);
    }
    tr.Commit();
    trust.Record(db);
}

namespace {

void CalcBillAmountAsText(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period) {
    // An id that is not a plain number (never from the program itself): the statements as text.
    TSQLiteTransaction tr(db);
    auto bill = db.GetTable(
        "select bill_id, bill_type_id, budget, budget_date_from, budget_date_to from bill where "
        "id = " +
        id);
    if (bill->Eof()) return;
    const AnsiString groupId = SqlIdText(bill->FieldAsString(0));
    if (groupId == "0") {
        CalcGroupTotal(db, id);
        tr.Commit();
        return;
    }
    const AnsiString typeId = bill->FieldAsString(1);
    const AnsiString budgetFrom = bill->FieldAsString(3);
    const AnsiString budgetTo = bill->FieldAsString(4);
    const bool budgetCounts = AmountValue(bill->FieldAsString(2)) > 0 && typeId == "3";
    MoveSum sum, budgetSum;
    auto moves = db.GetTable("select amount, ts, id from bill_move where src_bill_id = " + id +
                             " order by id");
    for (; !moves->Eof(); moves->Next()) {
        CountedMove m;
        m.id = moves->FieldAsInteger(2);
        const long double amount = AmountValue(moves->FieldAsString(0));
        m.hundredths = StoredHundredths(static_cast<double>(amount), m.cents);
        m.value = amount;
        const AnsiString ts = moves->FieldAsString(1);
        if (!period.on || InPeriod(ts, period.from, period.to)) sum.Add(m);
        if (budgetCounts && InPeriod(ts, budgetFrom, budgetTo)) budgetSum.Add(m);
    }
    db.ExecSQL("update bill set amount = " + SignedForType(AccountAmountText(sum.Value()), typeId) +
               ", budget_amount = " + AccountAmountText(budgetSum.Value()) + " where id = " + id);
    CalcGroupTotal(db, groupId);
    tr.Commit();
}

// The settings' row naming the period of the balances; one row of that name, as the settings
// write it.
void StorePeriodSetting(TSQLiteDatabase& db, const PeriodFilter& period) {
    db.ExecSQL("delete from param where name = 'date-filter'");
    db.Statement("insert into param (name, value) values ('date-filter', ?)")
        .Bind(1, PeriodSettingText(period))
        .Run();
}

}  // namespace

AnsiString PeriodSettingText(const PeriodFilter& period) {
    return period.on ? period.from + period.to : period.from;
}

void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int, int)>& progress,
                            const std::function<void(int, int)>& reading) {
    // The amounts are derived values, but an interruption must not leave them half zeroed.
    TSQLiteTransaction tr(db);
    Trust& trust = Trusted(db);
    trust.Check(db);
    db.ExecSQL("update bill set amount = 0");

    // One pass over the moves gives every account its sum (design note 1), instead of one
    // query per account.
    struct Sum {
        double account;
        MoveSum sum;
    };
    std::vector<Sum> sums;
    std::unordered_map<double, size_t> index;
    TSQLiteStatement& q =
        period.on ? db.Statement(
                        "select src_bill_id, amount, id from bill_move where ts >= ? and ts <= "
                        "? order by id")
                  : db.Statement("select src_bill_id, amount, id from bill_move order by id");
    if (period.on) q.Bind(1, period.from).Bind(2, period.to);
    const int expected = static_cast<int>(std::min<int64_t>(
        db.GetTable("select max(id) from bill_move")->FieldAsInteger(0), 1 << 30));
    int read = 0;
    bool ownerless = false;  // moves of no account: listed like an account, updating no row
    CountedMove move;
    std::vector<int> slots;  // the sum of each whole account id below kSlots, found at once
    constexpr int64_t kSlots = 1 << 20;
    while (q.Step()) {
        if (reading && ++read % 65536 == 0) reading(std::min(read, expected), expected);
        const double account = q.RawDouble(0);
        if (account == 0 && q.IsNull(0)) {
            ownerless = true;
            continue;
        }
        const auto whole = static_cast<int64_t>(account);
        size_t slot;
        if (account >= 0 && account < kSlots && static_cast<double>(whole) == account) {
            if (whole >= static_cast<int64_t>(slots.size())) slots.resize(whole + 1, -1);
            if (slots[whole] < 0) {
                slots[whole] = static_cast<int>(sums.size());
                sums.push_back({account, MoveSum{}});
            }
            slot = static_cast<size_t>(slots[whole]);
        } else {
            auto [it, fresh] = index.try_emplace(account, sums.size());
            if (fresh) sums.push_back({account, MoveSum{}});
            slot = it->second;
        }
        ReadAmount(q, 1, move);
        // Only an amount that is no whole number of hundredths is placed by its id.
        if (!move.hundredths) move.id = q.RawInteger(2);
        sums[slot].sum.Add(move);
    }

    std::unordered_map<double, AnsiString> types;
    for (auto t = db.GetTable("select id, bill_type_id from bill"); !t->Eof(); t->Next())
        types[t->FieldAsDouble(0)] = t->FieldAsString(1);
    const int accounts = static_cast<int>(sums.size()) + (ownerless ? 1 : 0);
    const int accountMax = accounts > 0 ? accounts - 1 : 0;
    if (ownerless && progress) progress(accountMax, accountMax);
    for (size_t i = 0; i < sums.size(); ++i) {
        if (progress) progress(static_cast<int>(i), accountMax);
        const auto type = types.find(sums[i].account);
        const AnsiString amount = SignedForType(AccountAmountText(sums[i].sum.Value()),
                                                type == types.end() ? AnsiString() : type->second);
        // An owner that is no whole number names no account row.
        const auto id = static_cast<int64_t>(sums[i].account);
        if (static_cast<double>(id) != sums[i].account) continue;
        db.Statement("update bill set amount = ? where id = ?").Bind(1, amount).Bind(2, id).Run();
    }

    auto groups = db.GetTable("select id from bill where bill_id = 0");
    const int groupMax = groups->Count() > 0 ? groups->Count() - 1 : 0;
    for (int i = 1; !groups->Eof(); groups->Next(), ++i) {
        if (progress) progress(i - 1, groupMax);
        long double total = 0;
        TSQLiteStatement& rows = db.Statement(kGroupRatesQuery);
        rows.Bind(1, groups->FieldAsInteger(0));
        while (rows.Step()) {
            // Groups whose rate is 0 or empty are skipped as in the single-account recalculation,
            // rather than dividing by zero.
            const long double groupRate = NumericValue(rows, 2);
            if (groupRate == 0) continue;
            total += RoundHalfEven(NumericValue(rows, 0) * 100) * NumericValue(rows, 1) /
                     groupRate / 100;
        }
        WriteAmount(db, AccountAmountText(total), groups->FieldAsString(0));
    }
    StorePeriodSetting(db, period);
    tr.Commit();
    // Every amount is now the sum over the new period; the budgets' use does not depend on it.
    trust.period = period;
    trust.Record(db);
}

}  // namespace qm
