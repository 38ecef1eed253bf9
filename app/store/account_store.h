// Writing account and group rows of `bill`: creating, changing, reordering and deleting them,
// with the moves of a deleted account; and keeping the open ledger tabs in step afterwards.
// Every change that writes more than one row is one transaction.
#pragma once

#include <vector>

#include "app/store/balances.h"
#include "db/sqlite_table3.h"

namespace qm {

struct AccountFields {
    AnsiString name;  // interface code page
    int type = 0;
    int group = 0;
    int currency = 0;
    bool twoDecimals = false;  // first twosign flag
    bool hidden = false;       // second twosign flag: left out of the correspondent list
};

struct GroupFields {
    AnsiString name;  // interface code page
    int type = 0;
    int currency = 0;
    bool hidden = false;  // second twosign flag; the first is always "F"
};

// The creation stamp of a new row: today as "yyyymmdd000000".
AnsiString CreationStamp();

// Inserts an account at the end of its group; returns its id.
int InsertAccount(TSQLiteDatabase& db, const AccountFields& f);
// Rewrites name, type, group and flags (the currency stays), then recalculates the group the
// account left and the one it is in. A name that still reads as the code page shows the stored
// one keeps the stored bytes (WriteBackUtf8); so does UpdateGroup's.
void UpdateAccount(TSQLiteDatabase& db, int id, const AccountFields& f, const PeriodFilter& period);
// Inserts a group after every group of every type; returns its id.
int InsertGroup(TSQLiteDatabase& db, const GroupFields& f);
// Rewrites the group row, gives its accounts the group's type and recalculates its total in its
// (possibly new) currency.
void UpdateGroup(TSQLiteDatabase& db, int id, const GroupFields& f, const PeriodFilter& period);

// Renumbers the siblings of `id` (the accounts of its group, or the groups of its type) 1, 2, 3...
// and swaps it with the one before (step -1) or after (step 1). False when there was nothing to
// swap with; the renumbering is kept all the same.
bool MoveSibling(TSQLiteDatabase& db, int id, int step);

// The accounts on the other side of the moves of `id`, without repeats, in id order.
std::vector<int> Correspondents(TSQLiteDatabase& db, int id);
// Deletes the account with both rows of every move it takes part in, then recalculates its
// correspondents and every group. Returns the correspondents.
std::vector<int> DeleteAccountWithMoves(TSQLiteDatabase& db, int id, const PeriodFilter& period);
// Gives the moves of `from` to `to` (moves between the two disappear), deletes `from`, and
// recalculates `to` and every group.
void TransferAndDeleteAccount(TSQLiteDatabase& db, int from, int to, const PeriodFilter& period);

// Removes every ledger tab of the account; the current tab stays current, or the tree becomes
// current when it was one of them.
void DropLedgerTabs(int accountId);
// Ledger tabs whose buffers show one of `accounts`, as their own account or as a correspondent,
// load their moves afresh the next time they are shown; a remembered selection of a move that is
// gone is dropped.
void ReloadLedgers(TSQLiteDatabase& db, const std::vector<int>& accounts);

}  // namespace qm
