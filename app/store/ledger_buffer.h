// A ledger tab's buffer of moves: loading it from the database once, keeping it in step move by
// move, the running balance, and the displayed rows built from it (period filter, sort order,
// the new row at the end).
//
// Design notes. A large account holds 100,000 moves, so every pass here is linear and nothing
// is held twice:
// 1. A buffer row holds its move's texts through one shared, unchanging TMoveTexts; displayed
//    rows share the same object, so building them copies pointers, not strings.
// 2. Each buffer row keeps its running balance as the extended-precision number the sum reached
//    there. The balance is one fold from the first row on, so a change at row k recomputes
//    rows k and later from row k - 1's number and gives exactly what a fold from row 0 gives.
// 3. The text of cell 6 is made from that number when it is read.
// 4. A buffer in order keeps the order a load reads, "ts, num, id": numbers are compared as the
//    engine compares the stored values (storage class, then UTF-8 bytes or value), never as the
//    texts in the interface code page, which sort otherwise or may not hold the characters.
#pragma once

#include "app/store/balances.h"
#include "app/store/state.h"
#include "db/sqlite_table3.h"
#include "platform/parallel.h"

namespace qm {

// "T:Group-Account" for a correspondent account; empty when it no longer exists.
AnsiString CorrespondentText(TSQLiteDatabase& db, int billId);

// Fills the tab's buffer from bill_move, repairing dates that are not all digits to `today`
// ("yyyymmdd") in both rows of their pair. Returns whether a running balance overflowed.
// A large account is read in parts as `runner` runs them (by default in one piece here), each
// on a read-only connection of its own, when the file allows it; the buffer is the same either
// way. Part p writes only its own rows of the buffer and its own repairs.
bool LoadBuffer(TSQLiteDatabase& db, THeadTab& tab, const AnsiString& today,
                const TParts& runner = TParts());

// Recomputes cell 6 of every buffer row; true when a balance reached 1e12 ("------").
bool BillMoveCalcSum(THeadTab& tab);

// The displayed rows: the buffer rows inside the period (when on), in `sortMode` order, then
// the new row dated `lastDate`. Rows share their texts with the buffer.
std::vector<TBillMoveRow> BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period,
                                             int sortMode, const AnsiString& lastDate);
// The same into `rows`, whose storage is used again.
void BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period, int sortMode,
                        const AnsiString& lastDate, std::vector<TBillMoveRow>& rows);

// The first ledger tab of the account whose buffer is loaded, or null.
THeadTab* LoadedLedgerTab(std::vector<THeadTab>& tabs, int accountId);

// Insert and delete touch only a loaded buffer; return whether a balance overflowed. Each costs
// one search of the buffer and the running balance from the changed row on. Insert reads the
// move's number back from the file (`num` serves only for a move the file does not hold), so
// that the row shows it and stands where a fresh load puts it: days in the engine's order of
// the stored numbers, whatever the interface code page.
bool InsertBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId,
                  int corrId, const AnsiString& date, const AnsiString& num, const AnsiString& note,
                  const AnsiString& amount);
bool DelBufRow(std::vector<THeadTab>& tabs, int accountId, int moveId);
// An edited move: its row as a delete and an insert would leave it, but changed where it stands
// when its place in the order is still its own (an amount or a note changed), so that a large
// buffer is not shifted twice.
bool ReplaceBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId,
                   int corrId, const AnsiString& date, const AnsiString& num,
                   const AnsiString& note, const AnsiString& amount);

}  // namespace qm
