// Fuzz target: the stored values a save meets (the amounts, owners and dates of moves and the
// accounts' stored balances, as other programs may leave them), and the saves, edits and
// deletions that bring the balances up to date from the change alone.
//
// The input is lines of commands; numbers are decimal, texts go into the file as they are:
//   m SRC DEST AMOUNT TS   a move pair stored by hand (AMOUNT and its negation as texts)
//   v MOVE VALUE           a stored move's amount set by hand to the text VALUE
//   b ACCOUNT VALUE        an account's stored amount set by hand
//   t                      every account recalculated from its moves, and the balances trusted
//   p FROM TO | p          the period filter on for FROM..TO, or off, every balance recalculated
//   s ACCOUNT CORR CENTS DATE | e MOVE CORR CENTS DATE | d MOVE    a save, an edit, a deletion
// Invariants beyond the sanitizers': a command fails only with the program's Exception (a sum
// the file cannot hold); after a save, edit or deletion that started from trusted balances,
// every account it touched stores what a recalculation from all its moves stores.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/store/balances.h"
#include "app/store/money_text.h"
#include "app/store/move_store.h"
#include "db/sqlite_statement.h"
#include "fuzz/fuzz_support.h"

using namespace qm;
using qmfuzz::Require;

namespace {

const int kAccounts[] = {2, 3, 5, 6};

void AddBills(TSQLiteDatabase& db) {
    // Groups 1 and 4 (the second in another currency); an income account, an asset, and two
    // spending accounts of which one has a budget.
    db.ExecSQL("insert into currency values (2, 'EUR', 2, 'Euro', '', '2')");
    const int bills[][4] = {{1, 0, 2, 1}, {2, 1, 1, 1}, {3, 1, 2, 1},
                            {4, 0, 3, 2}, {5, 4, 3, 1}, {6, 4, 3, 2}};
    for (const auto& b : bills)
        db.ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name, amount, "
            "budget) values (" +
            IntToStr(b[0]) + "," + IntToStr(b[1]) + "," + IntToStr(b[2]) + "," + IntToStr(b[3]) +
            ",'b', 0, 0)");
    db.ExecSQL(
        "update bill set budget = 50, budget_date_from = '20260301', budget_date_to = "
        "'20260331' where id = 5");
}

AnsiString Stored(TSQLiteDatabase& db, int account) {
    auto t = db.GetTable(
        "select typeof(amount), amount, typeof(budget_amount), budget_amount "
        "from bill where id = " +
        IntToStr(account));
    return t->FieldAsString(0) + t->FieldAsString(1) + t->FieldAsString(2) + t->FieldAsString(3);
}

// The accounts recalculated from all their moves store what they store now; left as they were.
void CheckAsRecalculated(TSQLiteDatabase& db, const PeriodFilter& period) {
    AnsiString before, after;
    for (int id : kAccounts) before += Stored(db, id) + "\n";
    {
        TSQLiteTransaction tr(db);
        for (int id : kAccounts) CalcBillAmount(db, IntToStr(id), period);
        for (int id : kAccounts) after += Stored(db, id) + "\n";
    }
    Require(before == after, "a save stores what a recalculation from every move stores",
            before + "/" + after);
    // The rollback above ends the trust; the balances are as they should be, so the next save
    // starts from them again.
    TrustStoredBalances(db, period);
}

MoveFields Fields(long long cents, const std::string& date) {
    MoveFields f;
    f.date = date;
    f.amountA = SqlCentsText(cents / 100.0L);
    f.amountB = SqlCentsText(-cents / 100.0L);
    return f;
}

// Runs one command; true where it was a change a trusted save made.
bool Run(TSQLiteDatabase& db, const std::string& line, PeriodFilter& period, bool& trusted) {
    std::istringstream in(line);
    std::string op, text, date;
    long long a = 0, b = 0, c = 0;
    in >> op;
    if (op == "m" && in >> a >> b >> text >> date) {
        const int64_t n = MaxMoveId(db);
        TSQLiteStatement& q = db.Statement(
            "insert into bill_move (id, src_bill_id, dest_bill_id, amount, ts, kurs, "
            "bill_move_id) values (?, ?, ?, ?, ?, '1', ?)");
        q.Bind(1, n + 1).Bind(2, a).Bind(3, b).Bind(4, AnsiString(text));
        q.Bind(5, AnsiString(date)).Bind(6, n + 2).Run();
        q.Bind(1, n + 2).Bind(2, b).Bind(3, a).Bind(4, AnsiString("-" + text));
        q.Bind(6, n + 1).Run();
    } else if ((op == "v" || op == "b") && in >> a >> text) {
        db.Statement(op == "v" ? "update bill_move set amount = ? where id = ?"
                               : "update bill set amount = ? where id = ?")
            .Bind(1, AnsiString(text))
            .Bind(2, a)
            .Run();
    } else if (op == "t") {
        for (int id : kAccounts) CalcBillAmount(db, IntToStr(id), period);
        TrustStoredBalances(db, period);
        trusted = true;
        return false;
    } else if (op == "p") {
        period = in >> text >> date ? PeriodFilter{true, text, date} : PeriodFilter{};
        RecalculateAllBalances(db, period, {});
        return false;
    } else if (op == "s" && in >> a >> b >> c >> date) {
        SaveNewMove(db, static_cast<int>(a), static_cast<int>(b), Fields(c % 100000000000, date),
                    period);
        return trusted;
    } else if (op == "e" && in >> a >> b >> c >> date) {
        SaveEditedMove(db, static_cast<int>(a), static_cast<int>(b), Fields(c % 100000000000, date),
                       period);
        return trusted;
    } else if (op == "d" && in >> a) {
        DeleteMove(db, static_cast<int>(a), period);
        return trusted;
    } else {
        return false;
    }
    // A change by hand: the balances may no longer be their moves' sums.
    trusted = false;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qmfuzz::UseProgramSettings();
    qmfuzz::AbortOnDatabaseFailure();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto db = qmfuzz::NewProgramDatabase();
    AddBills(*db);
    PeriodFilter period;
    bool trusted = false;
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    std::string line;
    for (int n = 0; n < 64 && std::getline(lines, line); ++n) {
        try {
            if (Run(*db, line, period, trusted)) CheckAsRecalculated(*db, period);
        } catch (const Exception&) {
            // A sum the file cannot hold: refused, and nothing of the command is written.
            trusted = false;
        }
    }
    return 0;
}
