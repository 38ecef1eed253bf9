// A ledger tab's buffer of moves: loading it from the database once, keeping it in step move by
// move, the running balance, and the displayed rows built from it (period filter, sort order,
// the new row at the end).
#pragma once

#include "app/store/balances.h"
#include "app/store/state.h"
#include "db/sqlite_table3.h"

namespace qm {

// "T:Group-Account" for a correspondent account; empty when it no longer exists.
AnsiString CorrespondentText(TSQLiteDatabase& db, int billId);

// Fills the tab's buffer from bill_move, repairing dates that are not all digits to `today`
// ("yyyymmdd") in both rows of their pair. Returns whether a running balance overflowed.
bool LoadBuffer(TSQLiteDatabase& db, THeadTab& tab, const AnsiString& today);

// Recomputes cell 6 of every buffer row; true when a balance reached 1e12 ("------").
bool BillMoveCalcSum(THeadTab& tab);

// The displayed rows: the buffer rows inside the period (when on), in `sortMode` order, then
// the new row dated `lastDate`.
std::vector<TBillMoveRow> BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period, int sortMode,
                                             const AnsiString& lastDate);

// The first ledger tab of the account whose buffer is loaded, or null.
THeadTab* LoadedLedgerTab(std::vector<THeadTab>& tabs, int accountId);

// Insert and delete touch only a loaded buffer; return whether a balance overflowed.
bool InsertBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId, int corrId,
                  const AnsiString& date, const AnsiString& num, const AnsiString& note, const AnsiString& amount);
bool DelBufRow(std::vector<THeadTab>& tabs, int accountId, int moveId);

}  // namespace qm
