// Keeping the stored balances current: an account's amount is the sum of its moves (over the
// period while the filter is on), a group's is its accounts' total in the group's currency.
#pragma once

#include <functional>
#include <vector>

#include "db/sqlite_table3.h"

namespace qm {

struct PeriodFilter {
    bool on = false;
    AnsiString from;  // "yyyymmdd"
    AnsiString to;
};

// Recalculates one account (amount and budget use) and then its group, as one transaction; given
// a group, only the group's total. Callers that change moves call it inside their own
// transaction, so that the moves and the balances are written together. The account's moves
// are read through the index, or not at all when the sums kept from its last recalculation still
// hold (see NoteChangedMoves).
void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period);

// Tells the moves kept for recalculation that the rows `moveIds` (inserted, rewritten or deleted)
// are the only change since `before` (db.Changes() taken before the change): the kept moves
// follow them instead of being read again. Any other situation forgets the kept moves.
void NoteChangedMoves(TSQLiteDatabase& db, const TSQLiteDatabase::ChangeStamp& before,
                      const std::vector<int64_t>& moveIds);

// Recalculates every account and group for a new period, reading the moves once.
// `progress(position, max)` runs before each account's and each group's update, `reading`
// now and then while the moves are read (the window lets the interface breathe there).
void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int position, int max)>& progress,
                            const std::function<void(int position, int max)>& reading = {});

}  // namespace qm
