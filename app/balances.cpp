// Balance recalculation.
//
// Design notes.
// 1. A stored amount is the sum, in extended precision, of the amounts of the account's moves in
//    the order of their ids (the order the engine walks a table in), and its text has 15
//    significant digits: a different order could change the last digit. Every sum here keeps
//    that order, whatever index the engine reads the moves through.
// 2. The moves of an account (id, amount, date) are kept from one recalculation to the next
//    while nothing in the file has changed in between except the moves the program itself
//    reports (NoteChangedMoves): a recalculation then sums the kept moves, in id order, without
//    reading the file. Any other change, here or by another connection, or a rolled-back
//    transaction, forgets them and the next recalculation reads the moves again.
#include "app/balances.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "app/money_text.h"
#include "db/sqlite_statement.h"

namespace qm {
namespace {

const char* const kGroupRatesQuery =
    "select b.amount, c1.kurs, c2.kurs from bill b, currency c1, bill bb, currency c2 "
    "where b.bill_id = bb.id and b.currency_id = c1.id and bb.currency_id = c2.id and bb.id = ?";

bool InPeriod(const AnsiString& ts, const AnsiString& from, const AnsiString& to) {
    return from <= ts && ts <= to;
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

// One move of an account as its sums take it.
struct KeptMove {
    int64_t id;
    long double amount;
    AnsiString ts;
};

// The moves of the accounts recalculated lately, each account's in id order, valid while the
// file shows the change stamp they were taken at. Accounts the program recalculates again and
// again (those of the ledger being edited) need no reading then; the oldest are let go when the
// kept moves grow past a bound.
struct KeptMoves {
    static constexpr size_t kMaxMoves = 400000;
    const TSQLiteDatabase* db = nullptr;
    TSQLiteDatabase::ChangeStamp stamp;
    std::unordered_map<int64_t, std::vector<KeptMove>> accounts;
    std::vector<int64_t> used;  // least recently used first
    size_t moves = 0;

    // Forgets everything unless nothing changed in `d` since the stamp (which names the
    // connection too: another one opened at the same address is another file's).
    void Check(TSQLiteDatabase& d) {
        if (db != &d || !(d.Changes() == stamp)) Forget(d);
    }
    void Forget(TSQLiteDatabase& d) {
        accounts.clear();
        used.clear();
        moves = 0;
        db = &d;
    }
    void Stamp(TSQLiteDatabase& d) { stamp = d.Changes(); }
    void Touch(int64_t account) {
        used.erase(std::remove(used.begin(), used.end(), account), used.end());
        used.push_back(account);
    }
    void Keep(int64_t account, std::vector<KeptMove>&& list) {
        moves += list.size();
        accounts[account] = std::move(list);
        Touch(account);
        while (moves > kMaxMoves && used.size() > 1) {
            moves -= accounts[used.front()].size();
            accounts.erase(used.front());
            used.erase(used.begin());
        }
    }
};

KeptMoves& Kept() {
    static KeptMoves kept;
    return kept;
}

bool ById(const KeptMove& a, const KeptMove& b) {
    return a.id < b.id;
}

// Every move of the account, in id order. The index holds them in date order with their
// amounts; sorting them by id costs less than reading the table in id order.
std::vector<KeptMove> ReadMoves(TSQLiteDatabase& db, int64_t account) {
    std::vector<KeptMove> moves;
    // Counted first (from the index alone), so that the list is made once at its size rather
    // than grown through copies twice its size.
    TSQLiteStatement& count = db.Statement("select count(*) from bill_move where src_bill_id = ?");
    count.Bind(1, account);
    if (count.Step()) moves.reserve(static_cast<size_t>(count.RawInteger(0)));
    count.Reset();
    TSQLiteStatement& q =
        db.Statement("select id, amount, ts from bill_move where src_bill_id = ?");
    q.Bind(1, account);
    while (q.Step()) moves.push_back({q.RawInteger(0), NumericValue(q, 1), q.FieldAsString(2)});
    std::sort(moves.begin(), moves.end(), ById);
    return moves;
}

void CalcBillAmountAsText(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period);

}  // namespace

void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period) {
    int64_t number;
    if (!IdNumber(id, number)) return CalcBillAmountAsText(db, id, period);
    // The account's amount and its group's total go together; inside a caller's unit of work
    // this is a savepoint of it.
    TSQLiteTransaction tr(db);
    KeptMoves& kept = Kept();
    kept.Check(db);
    TSQLiteStatement& bill = db.Statement(
        "select bill_id, bill_type_id, budget, budget_date_from, budget_date_to from bill where "
        "id = ?");
    bill.Bind(1, number);
    if (!bill.Step()) return;
    const AnsiString groupId = SqlIdText(NumericText(bill, 0));
    const AnsiString typeId = NumericText(bill, 1);
    const AnsiString budgetFrom = bill.FieldAsString(3);
    const AnsiString budgetTo = bill.FieldAsString(4);
    const bool budgetCounts = NumericValue(bill, 2) > 0 && typeId == "3";
    bill.Reset();
    if (groupId == "0") {
        CalcGroupTotal(db, id);
        tr.Commit();
        kept.Stamp(db);
        return;
    }
    auto it = kept.accounts.find(number);
    if (it == kept.accounts.end()) {
        kept.Keep(number, ReadMoves(db, number));
        it = kept.accounts.find(number);
    } else {
        kept.Touch(number);
    }
    long double sum = 0, budgetSum = 0;
    for (const KeptMove& m : it->second) {
        if (!period.on || InPeriod(m.ts, period.from, period.to)) sum += m.amount;
        if (budgetCounts && InPeriod(m.ts, budgetFrom, budgetTo)) budgetSum += m.amount;
    }
    db.Statement("update bill set amount = ?, budget_amount = ? where id = ?")
        .Bind(1, SignedForType(AccountAmountText(sum), typeId))
        .Bind(2, AccountAmountText(budgetSum))
        .Bind(3, number)
        .Run();
    CalcGroupTotal(db, groupId);
    tr.Commit();
    kept.Stamp(db);
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
    long double sum = 0, budgetSum = 0;
    auto moves =
        db.GetTable("select amount, ts from bill_move where src_bill_id = " + id + " order by id");
    for (; !moves->Eof(); moves->Next()) {
        const long double amount = AmountValue(moves->FieldAsString(0));
        const AnsiString ts = moves->FieldAsString(1);
        if (!period.on || InPeriod(ts, period.from, period.to)) sum += amount;
        if (budgetCounts && InPeriod(ts, budgetFrom, budgetTo)) budgetSum += amount;
    }
    db.ExecSQL("update bill set amount = " + SignedForType(AccountAmountText(sum), typeId) +
               ", budget_amount = " + AccountAmountText(budgetSum) + " where id = " + id);
    CalcGroupTotal(db, groupId);
    tr.Commit();
}

}  // namespace

void NoteChangedMoves(TSQLiteDatabase& db, const TSQLiteDatabase::ChangeStamp& before,
                      const std::vector<int64_t>& moveIds) {
    KeptMoves& kept = Kept();
    if (kept.db != &db || !(kept.stamp == before)) {
        kept.Forget(db);
        return;
    }
    for (int64_t id : moveIds) {
        // Out of whichever kept account held it...
        for (auto& [account, list] : kept.accounts) {
            auto at = std::lower_bound(list.begin(), list.end(), KeptMove{id, 0, {}}, ById);
            if (at != list.end() && at->id == id) {
                list.erase(at);
                --kept.moves;
            }
        }
        // ...and into the kept account that holds it now, in its place by id.
        TSQLiteStatement& q =
            db.Statement("select src_bill_id, amount, ts from bill_move where id = ?");
        q.Bind(1, id);
        if (!q.Step()) continue;  // deleted
        const double owner = q.RawDouble(0);
        auto it = kept.accounts.find(static_cast<int64_t>(owner));
        if (it != kept.accounts.end() && static_cast<double>(it->first) == owner) {
            KeptMove move{id, NumericValue(q, 1), q.FieldAsString(2)};
            auto& list = it->second;
            list.insert(std::lower_bound(list.begin(), list.end(), move, ById), std::move(move));
            ++kept.moves;
        }
        q.Reset();
    }
    kept.Stamp(db);
}

void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int, int)>& progress,
                            const std::function<void(int, int)>& reading) {
    // The amounts are derived values, but an interruption must not leave them half zeroed.
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill set amount = 0");

    // One pass over the moves in id order gives every account its sum in the order its own
    // query would (design note 1), instead of one query per account.
    struct Sum {
        double account;
        long double sum = 0;
    };
    std::vector<Sum> sums;
    std::unordered_map<double, size_t> index;
    TSQLiteStatement& q =
        period.on ? db.Statement(
                        "select src_bill_id, amount from bill_move where ts >= ? and ts <= ? "
                        "order by id")
                  : db.Statement("select src_bill_id, amount from bill_move order by id");
    if (period.on) q.Bind(1, period.from).Bind(2, period.to);
    const int expected = static_cast<int>(std::min<int64_t>(
        db.GetTable("select max(id) from bill_move")->FieldAsInteger(0), 1 << 30));
    int read = 0;
    bool ownerless = false;  // moves of no account: listed like an account, updating no row
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
                sums.push_back({account});
            }
            slot = static_cast<size_t>(slots[whole]);
        } else {
            auto [it, fresh] = index.try_emplace(account, sums.size());
            if (fresh) sums.push_back({account});
            slot = it->second;
        }
        sums[slot].sum += NumericValue(q, 1);
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
        const AnsiString amount = SignedForType(AccountAmountText(sums[i].sum),
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
    tr.Commit();
}

}  // namespace qm
