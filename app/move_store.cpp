// Writing move pairs.
#include "app/move_store.h"

namespace qm {

AnsiString SqlText(const AnsiString& s) {
    return QuotedSqlText(AnsiToUtf8(s));
}

int MaxMoveId(TSQLiteDatabase& db) {
    return static_cast<int>(db.GetTable("select max(id) from bill_move")->FieldAsInteger(0));
}

static AnsiString InsertStatement(int src, int dest, const MoveFields& f, const AnsiString& amount,
                                  int twin) {
    return "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,bill_move_id) "
           "values (" +
           IntToStr(src) + ", " + IntToStr(dest) + ", '" + f.date + "', '" + SqlText(f.num) +
           "', '" + SqlText(f.note) + "', " + amount + ", " + f.rate + ", " + IntToStr(twin) + ")";
}

int InsertMovePair(TSQLiteDatabase& db, int account, int corr, const MoveFields& f) {
    TSQLiteTransaction tr(db);
    const int n = MaxMoveId(db);
    db.ExecSQL(InsertStatement(account, corr, f, f.amountA, n + 2));
    db.ExecSQL(InsertStatement(corr, account, f, f.amountB, n + 1));
    tr.Commit();
    return n;
}

MovePair ReadMovePair(TSQLiteDatabase& db, int moveId) {
    auto t =
        db.GetTable("select bill_move_id, src_bill_id, dest_bill_id from bill_move where id = " +
                    IntToStr(moveId));
    MovePair p;
    if (t->Eof()) return p;
    p.twin = static_cast<int>(t->FieldAsInteger(0));
    p.owner = static_cast<int>(t->FieldAsInteger(1));
    p.corr = static_cast<int>(t->FieldAsInteger(2));
    return p;
}

void UpdateMovePair(TSQLiteDatabase& db, int moveId, const MovePair& old, int corr,
                    const MoveFields& f) {
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill_move set ts = '" + f.date + "', num = '" + SqlText(f.num) +
               "', note = '" + SqlText(f.note) + "', kurs = " + f.rate + " where id in (" +
               IntToStr(old.twin) + "," + IntToStr(moveId) + ")");
    db.ExecSQL("update bill_move set dest_bill_id = " + IntToStr(corr) + ", amount = " + f.amountA +
               " where id = " + IntToStr(moveId));
    db.ExecSQL("update bill_move set src_bill_id = " + IntToStr(corr) + ", amount = " + f.amountB +
               " where id = " + IntToStr(old.twin));
    tr.Commit();
}

// The balances are stored values: a pair committed without them would leave them lagging until
// the accounts are saved again, so the pair's own transaction nests inside this one.
int SaveNewMove(TSQLiteDatabase& db, int account, int corr, const MoveFields& f,
                const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const int n = InsertMovePair(db, account, corr, f);
    CalcBillAmount(db, IntToStr(account), period);
    CalcBillAmount(db, IntToStr(corr), period);
    tr.Commit();
    return n;
}

MovePair SaveEditedMove(TSQLiteDatabase& db, int moveId, int corr, const MoveFields& f,
                        const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const MovePair old = ReadMovePair(db, moveId);
    UpdateMovePair(db, moveId, old, corr, f);
    for (int id : {old.owner, old.corr, corr}) CalcBillAmount(db, IntToStr(id), period);
    tr.Commit();
    return old;
}

MovePair DeleteMove(TSQLiteDatabase& db, int moveId, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const MovePair p = DeleteMovePair(db, moveId);
    CalcBillAmount(db, IntToStr(p.owner), period);
    CalcBillAmount(db, IntToStr(p.corr), period);
    tr.Commit();
    return p;
}

MovePair DeleteMovePair(TSQLiteDatabase& db, int moveId) {
    TSQLiteTransaction tr(db);
    MovePair p = ReadMovePair(db, moveId);
    db.ExecSQL("delete from bill_move where id = " + IntToStr(p.twin));
    db.ExecSQL("delete from bill_move where id = " + IntToStr(moveId));
    tr.Commit();
    return p;
}

}  // namespace qm
