// The move pair: a move of money is two bill_move rows, one owned by each account, each naming
// the other. Every change to a pair is written as one transaction, so the file never holds half
// a pair.
//
// SaveNewMove, SaveEditedMove and DeleteMove are what the ledger and the transaction dialog store
// through: a change to a pair together with the recalculation of the balances it changes, as one
// transaction, so that no stored balance misses a move the file holds.
#pragma once

#include "app/store/balances.h"
#include "db/sqlite_table3.h"

namespace qm {

struct MoveFields {
    AnsiString date;     // "yyyymmdd"
    AnsiString num;      // interface code page
    AnsiString note;     // interface code page
    AnsiString amountA;  // amount text for the owner's row, "-12.30"
    AnsiString amountB;  // the same with the other sign, for the correspondent's row
    AnsiString rate = "1";
    // A stored move whose number and note a new pair's texts were copied from (a duplicated
    // row), or 0. A rewritten pair compares with its own stored texts instead.
    int textsOf = 0;
};

// A move row's number and note as the file holds them (UTF-8); empty when the row is gone.
struct StoredMoveTexts {
    std::string num, note;
};
StoredMoveTexts ReadMoveTexts(TSQLiteDatabase& db, int moveId);

struct MovePair {
    int twin = 0;   // bill_move_id of the row
    int owner = 0;  // src_bill_id
    int corr = 0;   // dest_bill_id
};

// "select max(id) from bill_move": row A then gets n + 1 and row B n + 2.
int MaxMoveId(TSQLiteDatabase& db);
// Number and note are written as WriteBackUtf8 says: a text that still reads as the code page
// shows the stored one (of `f.textsOf` for a new pair, of the pair itself when it is rewritten)
// keeps the stored bytes, so that characters the code page cannot show survive a row stored with
// only another cell changed.
//
// Inserts row A (owned by `account`) and row B (owned by `corr`); returns n.
int InsertMovePair(TSQLiteDatabase& db, int account, int corr, const MoveFields& f);
MovePair ReadMovePair(TSQLiteDatabase& db, int moveId);
// Rewrites the pair of `moveId` for a (possibly new) correspondent.
void UpdateMovePair(TSQLiteDatabase& db, int moveId, const MovePair& old, int corr,
                    const MoveFields& f);
// Removes both rows; returns what the pair was.
MovePair DeleteMovePair(TSQLiteDatabase& db, int moveId);
// One transaction each. A new pair (InsertMovePair), then `account` and `corr` recalculated;
// returns n.
int SaveNewMove(TSQLiteDatabase& db, int account, int corr, const MoveFields& f,
                const PeriodFilter& period);
// The pair of `moveId` rewritten for `corr` (UpdateMovePair), then its old owner, its old
// correspondent and `corr` recalculated; returns the pair as it was.
MovePair SaveEditedMove(TSQLiteDatabase& db, int moveId, int corr, const MoveFields& f,
                        const PeriodFilter& period);
// The pair of `moveId` deleted, then both its accounts recalculated; returns what it was.
MovePair DeleteMove(TSQLiteDatabase& db, int moveId, const PeriodFilter& period);

// Texts typed or pasted by the user, ready to stand between single quotes.
AnsiString SqlText(const AnsiString& s);

}  // namespace qm
