// The transaction dialog's commands (create and edit a move, and the ledger's hand-over of rows
// between currencies of different rates) and the pair rewrite the dialog needs when a move
// changes its paying side.
#pragma once

#include "app/move_store.h"

namespace qm {

class TForm1;

// Rewrites a stored pair as one transaction: row `move` becomes the paying account's row
// (`source`, amountA), its twin the receiving account's (`dest`, amountB); both get the date,
// number, note and rate of `f`. `f.rate` is inlined as it is (an SQL literal).
void RewriteMovePair(TSQLiteDatabase& db, int move, int twin, int source, int dest,
                     const MoveFields& f);

// As one transaction: the stored pair of `move` rewritten (RewriteMovePair with its twin), then
// the new source, the old owner, the new destination and the old correspondent recalculated, in
// this order; returns the pair as it was.
MovePair SaveRewrittenMove(TSQLiteDatabase& db, int move, int source, int dest, const MoveFields& f,
                           const PeriodFilter& period);

// A rate text as an SQL literal: quoted, in UTF-8, quotes doubled.
AnsiString RateLiteral(const AnsiString& rate);

// Connects Action19 (create move) and Action4 (edit move) to the transaction dialog and installs
// the window's MoveDialog hook. Runs once per window; later calls do nothing.
void ConnectTransactionCommands(TForm1& form);

}  // namespace qm
