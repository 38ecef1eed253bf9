// Writing move pairs.
#include "app/store/move_store.h"

#include "db/sqlite_statement.h"

namespace qm {

AnsiString SqlText(const AnsiString& s) {
    return QuotedSqlText(AnsiToUtf8(s));
}

int MaxMoveId(TSQLiteDatabase& db) {
    TSQLiteStatement& q = db.Statement("select max(id) from bill_move");
    const int n = q.Step() ? static_cast<int>(q.FieldAsInteger(0)) : 0;
    q.Reset();
    return n;
}

namespace {

// The rate as MoveFields carries it, an SQL literal ("1", or a quoted text), bound as the value
// that literal stands for.
void BindRate(TSQLiteStatement& q, int index, const AnsiString& literal) {
    if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
        q.Bind(index, StringReplaceAll(literal.substr(1, literal.size() - 2), "''", "'"));
        return;
    }
    int64_t whole;
    if (TryStrToInt(literal, whole) && IntToStr(whole) == literal) {
        q.Bind(index, whole);
        return;
    }
    // Any other number goes in as the number the literal stood for.
    long double value;
    if (TryStrToFloat(
            StringReplaceAll(literal, ".", AnsiString(1, FormatSettings().DecimalSeparator)),
            value))
        q.BindReal(index, static_cast<double>(value));
    else
        q.Bind(index, AnsiString(literal));
}

void InsertRow(TSQLiteDatabase& db, int src, int dest, const MoveFields& f,
               const StoredMoveTexts& kept, const AnsiString& amount, int twin) {
    TSQLiteStatement& q = db.Statement(
        "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,bill_move_id) "
        "values (?, ?, ?, ?, ?, ?, ?, ?)");
    // The amount goes in as the text it was written as before: the column's numeric affinity
    // makes it the same number the literal was.
    q.Bind(1, src).Bind(2, dest).Bind(3, f.date).Bind(4, WriteBackUtf8(f.num, kept.num));
    q.Bind(5, WriteBackUtf8(f.note, kept.note)).Bind(6, amount);
    BindRate(q, 7, f.rate);
    q.Bind(8, twin).Run();
}

}  // namespace

StoredMoveTexts ReadMoveTexts(TSQLiteDatabase& db, int moveId) {
    TSQLiteStatement& t = db.Statement("select num, note from bill_move where id = ?");
    t.Bind(1, moveId);
    StoredMoveTexts texts;
    if (!t.Step()) return texts;
    texts.num = std::string(t.RawText(0));
    texts.note = std::string(t.RawText(1));
    t.Reset();
    return texts;
}

int InsertMovePair(TSQLiteDatabase& db, int account, int corr, const MoveFields& f) {
    TSQLiteTransaction tr(db);
    const int n = MaxMoveId(db);
    const StoredMoveTexts kept = f.textsOf > 0 ? ReadMoveTexts(db, f.textsOf) : StoredMoveTexts();
    InsertRow(db, account, corr, f, kept, f.amountA, n + 2);
    InsertRow(db, corr, account, f, kept, f.amountB, n + 1);
    tr.Commit();
    return n;
}

MovePair ReadMovePair(TSQLiteDatabase& db, int moveId) {
    TSQLiteStatement& t =
        db.Statement("select bill_move_id, src_bill_id, dest_bill_id from bill_move where id = ?");
    t.Bind(1, moveId);
    MovePair p;
    if (!t.Step()) return p;
    p.twin = static_cast<int>(t.FieldAsInteger(0));
    p.owner = static_cast<int>(t.FieldAsInteger(1));
    p.corr = static_cast<int>(t.FieldAsInteger(2));
    t.Reset();
    return p;
}

void UpdateMovePair(TSQLiteDatabase& db, int moveId, const MovePair& old, int corr,
                    const MoveFields& f) {
    TSQLiteTransaction tr(db);
    const StoredMoveTexts kept = ReadMoveTexts(db, moveId);
    TSQLiteStatement& texts =
        db.Statement("update bill_move set ts = ?, num = ?, note = ?, kurs = ? where id in (?, ?)");
    texts.Bind(1, f.date).Bind(2, WriteBackUtf8(f.num, kept.num));
    texts.Bind(3, WriteBackUtf8(f.note, kept.note));
    BindRate(texts, 4, f.rate);
    texts.Bind(5, old.twin).Bind(6, moveId).Run();
    db.Statement("update bill_move set dest_bill_id = ?, amount = ? where id = ?")
        .Bind(1, corr)
        .Bind(2, f.amountA)
        .Bind(3, moveId)
        .Run();
    db.Statement("update bill_move set src_bill_id = ?, amount = ? where id = ?")
        .Bind(1, corr)
        .Bind(2, f.amountB)
        .Bind(3, old.twin)
        .Run();
    tr.Commit();
}

// The balances are stored values: a pair committed without them would leave them lagging until
// the accounts are saved again, so the pair's own transaction nests inside this one. The rows are
// read as they were before the change, so that the balances need only the change.
int SaveNewMove(TSQLiteDatabase& db, int account, int corr, const MoveFields& f,
                const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const int n = MaxMoveId(db);
    const MoveChange before = BeginMoveChange(db, {n + 1, n + 2});
    InsertMovePair(db, account, corr, f);
    RecalculateAfterChange(db, before, {account, corr}, period);
    tr.Commit();
    return n;
}

MovePair SaveEditedMove(TSQLiteDatabase& db, int moveId, int corr, const MoveFields& f,
                        const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const MovePair old = ReadMovePair(db, moveId);
    const MoveChange before = BeginMoveChange(db, {moveId, old.twin});
    UpdateMovePair(db, moveId, old, corr, f);
    RecalculateAfterChange(db, before, {old.owner, old.corr, corr}, period);
    tr.Commit();
    return old;
}

MovePair DeleteMove(TSQLiteDatabase& db, int moveId, const PeriodFilter& period) {
    TSQLiteTransaction tr(db);
    const MoveChange before = BeginMoveChange(db, {moveId, ReadMovePair(db, moveId).twin});
    const MovePair p = DeleteMovePair(db, moveId);
    RecalculateAfterChange(db, before, {p.owner, p.corr}, period);
    tr.Commit();
    return p;
}

MovePair DeleteMovePair(TSQLiteDatabase& db, int moveId) {
    TSQLiteTransaction tr(db);
    MovePair p = ReadMovePair(db, moveId);
    db.Statement("delete from bill_move where id = ?").Bind(1, p.twin).Run();
    db.Statement("delete from bill_move where id = ?").Bind(1, moveId).Run();
    tr.Commit();
    return p;
}

}  // namespace qm
