// Keeping the stored balances current: an account's amount is the sum of its moves (over the
// period while the filter is on), a group's is its accounts' total in the group's currency.
#pragma once

#include <functional>

#include "db/sqlite_table3.h"

namespace qm {

struct PeriodFilter {
    bool on = false;
    AnsiString from;  // "yyyymmdd"
    AnsiString to;
};

// Recalculates one account (amount and budget use) and then its group, as one transaction; given
// a group, only the group's total. Callers that change moves call it inside their own
// transaction, so that the moves and the balances are written together.
void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period);

// Recalculates every account and group for a new period. `progress(position, max)` runs before
// each account and each group (the window lets the interface breathe there).
void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int position, int max)>& progress);

}  // namespace qm
