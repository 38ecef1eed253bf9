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

// Recalculates one account (amount and budget use) from all its moves, and then its group, as
// one transaction; given a group, only the group's total. Callers that change moves call it
// inside their own transaction, so that the moves and the balances are written together.
void CalcBillAmount(TSQLiteDatabase& db, const AnsiString& id, const PeriodFilter& period);

// Declares that every stored balance of `db` is what CalcBillAmount over `period` would store
// (as the program leaves its file, and finds it when it opens it): a save may then bring the
// balances it touches up to date from the change alone. It holds until another connection
// or this one changes the file other than by the recalculations here (and the changes they are
// told of), a transaction is rolled back, or a save comes with another period; from then on only
// the accounts recalculated since count.
void TrustStoredBalances(TSQLiteDatabase& db, const PeriodFilter& period);

// A bill_move row as the balances count it.
struct CountedMove {
    int64_t id = 0;
    bool exists = false;
    bool owned = false;  // src_bill_id is a number, `owner`
    double owner = 0;
    bool hundredths = false;  // the amount is whole hundredths, `cents`; else `value`
    int64_t cents = 0;
    long double value = 0;
    AnsiString ts;
};

// The rows of a change to moves as they stood before it, and the file's change stamp then.
struct MoveChange {
    std::vector<CountedMove> rows;
    TSQLiteDatabase::ChangeStamp stamp;
};

// Reads the rows `ids` (one that is not there reads as not existing) before a change to them.
MoveChange BeginMoveChange(TSQLiteDatabase& db, const std::vector<int64_t>& ids);

// After a change to the rows of `before`, and to nothing else since BeginMoveChange, in the same
// transaction: recalculates each of `accounts` once, and its group, storing what CalcBillAmount
// would. Where the stored balances are trusted (TrustStoredBalances) and are whole hundredths, an
// account's new sums are its stored ones with the change applied, none of its other moves read;
// any other account's come from all its moves.
void RecalculateAfterChange(TSQLiteDatabase& db, const MoveChange& before,
                            const std::vector<int>& accounts, const PeriodFilter& period);

// The period as the settings keep it (the `date-filter` row of param): its first day,
// "yyyymmdd", followed by its last while the filter is on.
AnsiString PeriodSettingText(const PeriodFilter& period);

// Recalculates every account and group for a new period, reading the moves once, and stores the
// period as the `date-filter` setting in the same transaction: the file always names the period
// its balances count, whatever becomes of the session after.
// `progress(position, max)` runs before each account's and each group's update, `reading`
// now and then while the moves are read (the window lets the interface breathe there).
void RecalculateAllBalances(TSQLiteDatabase& db, const PeriodFilter& period,
                            const std::function<void(int position, int max)>& progress,
                            const std::function<void(int position, int max)>& reading = {});

}  // namespace qm
