// Rewriting a stored move pair.
#include "app/store/move_rewrite.h"

namespace qm {

AnsiString RateLiteral(const AnsiString& rate) {
    return "'" + SqlText(rate) + "'";
}

void RewriteMovePair(TSQLiteDatabase& db, int move, int twin, int source, int dest,
                     const MoveFields& f) {
    TSQLiteTransaction tr(db);
    const StoredMoveTexts kept = ReadMoveTexts(db, move);
    db.ExecSQL("update bill_move set ts = '" + f.date + "', num = '" +
               QuotedSqlText(WriteBackUtf8(f.num, kept.num)) + "', note = '" +
               QuotedSqlText(WriteBackUtf8(f.note, kept.note)) + "', kurs = " + f.rate +
               " where id in (" + IntToStr(twin) + "," + IntToStr(move) + ")");
    db.ExecSQL("update bill_move set src_bill_id = " + IntToStr(source) + ", dest_bill_id = " +
               IntToStr(dest) + ", amount = " + f.amountA + " where id = " + IntToStr(move));
    db.ExecSQL("update bill_move set src_bill_id = " + IntToStr(dest) + ", dest_bill_id = " +
               IntToStr(source) + ", amount = " + f.amountB + " where id = " + IntToStr(twin));
    tr.Commit();
}

MovePair SaveRewrittenMove(TSQLiteDatabase& db, int move, int source, int dest, const MoveFields& f,
                           const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const MovePair old = ReadMovePair(db, move);
    const MoveChange before = BeginMoveChange(db, {move, old.twin});
    RewriteMovePair(db, move, old.twin, source, dest, f);
    RecalculateAfterChange(db, before, {source, old.owner, dest, old.corr}, period);
    tr.Commit();
    return old;
}

}  // namespace qm
