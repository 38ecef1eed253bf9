// An account's budget as stored: its amount, period and renewal, and the period moved on once it
// has run out; every write goes with the budget use it changes.
#pragma once

#include "app/store/balances.h"

namespace qm {

struct BudgetFields {
    long double amount = 0;
    AnsiString from, to;  // "yyyymmdd"
    bool renew = false;   // budget_type "T"
};

// Writes the budget columns of account `id` and recalculates its budget use and its group, as
// one transaction.
void WriteBudget(TSQLiteDatabase& db, int id, const BudgetFields& f, const PeriodFilter& period);

// Moves the budget period of account `id` on to `from` .. `to` ("yyyymmdd") and recalculates
// its budget use and its group, as one transaction.
void WriteBudgetPeriod(TSQLiteDatabase& db, int id, const AnsiString& from, const AnsiString& to,
                       const PeriodFilter& period);

}  // namespace qm
