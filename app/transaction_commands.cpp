// The transaction dialog's commands and its rewrite of a stored move pair.
#include "app/transaction_commands.h"

#include <QAction>

#include "app/unit1.h"
#include "dialogs/transaction_dialog.h"

namespace qm {

AnsiString RateLiteral(const AnsiString& rate) {
    return "'" + SqlText(rate) + "'";
}

void RewriteMovePair(TSQLiteDatabase& db, int move, int twin, int source, int dest,
                     const MoveFields& f) {
    TSQLiteTransaction tr(db);
    db.ExecSQL("update bill_move set ts = '" + f.date + "', num = '" + SqlText(f.num) +
               "', note = '" + SqlText(f.note) + "', kurs = " + f.rate + " where id in (" +
               IntToStr(twin) + "," + IntToStr(move) + ")");
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
    const TSQLiteDatabase::ChangeStamp before = db.Changes();
    RewriteMovePair(db, move, old.twin, source, dest, f);
    NoteChangedMoves(db, before, {move, old.twin});
    // An account named twice is recalculated twice, as the dialog always did.
    for (int id : {source, old.owner, dest, old.corr}) CalcBillAmount(db, IntToStr(id), period);
    tr.Commit();
    return old;
}

namespace {

// Shows the dialog in `mode` (0 a new move, 1 the current ledger row); true when it stored one.
bool ShowMoveDialog(int mode) {
    if (!Form7 || !DB) return false;
    Form7->Tag = mode;
    Form7->ShowModal();
    return Form7->Tag == 1;
}

}  // namespace

void ConnectTransactionCommands(TForm1& form) {
    static const char* const kConnected = "qmTransactionCommandsConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    // DoEnable decides when creating and editing are offered.
    QObject::connect(form.Action(19), &QAction::triggered, &form, [] { ShowMoveDialog(0); });
    QObject::connect(form.Action(4), &QAction::triggered, &form, [] { ShowMoveDialog(1); });
    form.MoveDialog = [](int mode) { return ShowMoveDialog(mode); };
}

}  // namespace qm
