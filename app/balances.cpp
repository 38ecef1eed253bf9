// Balance recalculation.
#include "app/balances.h"

#include "app/money_text.h"

namespace qm {
namespace {

const char* const kGroupRatesQuery =
    "select b.amount, c1.kurs, c2.kurs from bill b, currency c1, bill bb, currency c2 "
    "where b.bill_id = bb.id and b.currency_id = c1.id and bb.currency_id = c2.id and bb.id = ";

// An id read back from the file, as it goes into SQL: its decimal digits, or NULL, which names no
// row, when the stored value is no whole number (empty, fractional, out of range), so that no
// stored value can break the statement it is put into.
AnsiString SqlIdText(const TSQLiteTable& t, int col) {
    int64_t id = 0;
    return TryStrToInt(t.FieldAsString(col), id) ? IntToStr(id) : AnsiString("NULL");
}

bool InPeriod(const AnsiString& ts, const AnsiString& from, const AnsiString& to) {
    return from <= ts && ts <= to;
}

// Type 1 stores the negated sum; 0 becomes "-0", which the tree shows as it is.
AnsiString SignedForType(const AnsiString& text, const AnsiString& typeId) {
    if (typeId != "1") return text;
    return !text.empty() && text[0] == '-' ? text.substr(1) : "-" + text;
}

void CalcGroupTotal(TSQLiteDatabase& db, const AnsiString& groupId) {
    long double total = 0;
    auto rows = db.GetTable(kGroupRatesQuery + groupId);
    for (; !rows->Eof(); rows->Next()) {
        const AnsiString groupRate = rows->FieldAsString(2);
        // A rate of 0, or the evaluator's error value, cannot convert anything.
        if (groupRate.empty() || groupRate == "0" || groupRate == "1e15" || groupRate == "1E15")
            continue;
        long double amount = AmountValue(rows->FieldAsString(0));
        long double rate = AmountValue(rows->FieldAsString(1));
        total += RoundHalfEven(amount * 100 * rate / AmountValue(groupRate)) / 100;
    }
    db.ExecSQL("update bill set amount = " + SqlCentsText(total) + " where id = " + groupId);
}

}  // namespace

void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period) {
    // The account's amount and its group's total go together; inside a caller's unit of work
    // this is a savepoint of it.
    TSQLiteTransaction tr(db);
    auto bill = db.GetTable(
        "select bill_id, bill_type_id, budget, budget_date_from, budget_date_to from bill where id "
        "= " +
        id);
    if (bill->Eof()) return;
    const AnsiString groupId = SqlIdText(*bill, 0);
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
    auto moves = db.GetTable("select amount, ts from bill_move where src_bill_id = " + id);
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

void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int, int)>& progress) {
    const AnsiString condition =
        period.on ? "where ts >= '" + period.from + "' and ts <= '" + period.to + "'"
                  : AnsiString();
    // The amounts are derived values, but an interruption must not leave them half zeroed.
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill set amount = 0");

    auto accounts = db.GetTable("select distinct src_bill_id from bill_move " + condition);
    const int accountMax = accounts->Count() > 0 ? accounts->Count() - 1 : 0;
    for (int i = 1; !accounts->Eof(); accounts->Next(), ++i) {
        if (progress) progress(i - 1, accountMax);
        const AnsiString accountId = SqlIdText(*accounts, 0);
        auto type = db.GetTable("select bill_type_id from bill where id = " + accountId);
        const AnsiString typeId = type->Eof() ? AnsiString() : type->FieldAsString(0);
        long double sum = 0;
        auto moves = db.GetTable("select amount from bill_move " +
                                 (condition.empty() ? AnsiString("where src_bill_id = ")
                                                    : condition + " and src_bill_id = ") +
                                 accountId);
        for (; !moves->Eof(); moves->Next()) sum += AmountValue(moves->FieldAsString(0));
        db.ExecSQL("update bill set amount = " + SignedForType(AccountAmountText(sum), typeId) +
                   " where id = " + accountId);
    }

    auto groups = db.GetTable("select id from bill where bill_id = 0");
    const int groupMax = groups->Count() > 0 ? groups->Count() - 1 : 0;
    for (int i = 1; !groups->Eof(); groups->Next(), ++i) {
        if (progress) progress(i - 1, groupMax);
        const AnsiString groupId = SqlIdText(*groups, 0);
        long double total = 0;
        auto rows = db.GetTable(kGroupRatesQuery + groupId);
        for (; !rows->Eof(); rows->Next()) {
            // Groups whose rate is 0 or empty are skipped as in the single-account recalculation,
            // rather than dividing by zero.
            const long double groupRate = AmountValue(rows->FieldAsString(2));
            if (groupRate == 0) continue;
            total += RoundHalfEven(AmountValue(rows->FieldAsString(0)) * 100) *
                     AmountValue(rows->FieldAsString(1)) / groupRate / 100;
        }
        db.ExecSQL("update bill set amount = " + AccountAmountText(total) +
                   " where id = " + groupId);
    }
    tr.Commit();
}

}  // namespace qm
