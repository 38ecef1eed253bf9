// The store ended mid-write. A child process writes through the functions the ledger, the
// dialogs and the tree store through, until it is killed at a random moment (or a statement fails,
// which ends the program); after that the file must pass the engine's integrity check, every move
// pair must be whole, and every stored balance (accounts' amounts and budget use, groups' totals)
// must be what a full recalculation from the moves gives.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <map>
#include <random>

#include "app/account_store.h"
#include "app/balances.h"
#include "app/budget_commands.h"
#include "app/currency_commands.h"
#include "app/money_text.h"
#include "app/move_store.h"
#include "app/transaction_commands.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

using Random = std::mt19937;

// The note of every move the writers store, so that their work can be told from the household's.
const char* const kNote = "kill test";

// id -> amount, budget_amount, as the engine holds them (NULL reads as 0).
using Balances = std::map<int64_t, std::pair<double, double>>;

Balances StoredBalances(TSQLiteDatabase& db) {
    Balances b;
    for (auto t = db.GetTable("select id, amount, budget_amount from bill"); !t->Eof(); t->Next())
        b[t->FieldAsInteger(0)] = {t->FieldAsDouble(1), t->FieldAsDouble(2)};
    return b;
}

// Every account, then every group, recalculated from the moves inside a transaction that is
// rolled back: the file stays as the kill left it.
Balances RecalculatedBalances(TSQLiteDatabase& db) {
    TSQLiteTransaction scratch(db);
    std::vector<AnsiString> accounts, groups;
    for (auto t = db.GetTable("select id, bill_id from bill"); !t->Eof(); t->Next())
        (t->FieldAsInteger(1) == 0 ? groups : accounts).push_back(t->FieldAsString(0));
    for (const AnsiString& id : accounts) CalcBillAmount(db, id, {});
    for (const AnsiString& id : groups) CalcBillAmount(db, id, {});
    return StoredBalances(db);
}

AnsiString LaggingBalances(TSQLiteDatabase& db) {
    const Balances stored = StoredBalances(db), fresh = RecalculatedBalances(db);
    AnsiString out;
    for (const auto& [id, values] : fresh) {
        const auto& [amount, budget] = stored.at(id);
        if (amount != values.first || budget != values.second)
            out += "bill " + IntToStr(id) + ": " + FloatToStrSep(amount, '.') + "/" +
                   FloatToStrSep(budget, '.') + " stored, " + FloatToStrSep(values.first, '.') +
                   "/" + FloatToStrSep(values.second, '.') + " recalculated\n";
    }
    return out;
}

int64_t Count(TSQLiteDatabase& db, const AnsiString& sql) {
    return db.GetTable(sql)->FieldAsInteger(0);
}

// Kills a child that runs `write` over and over, `rounds` times at random moments, and checks the
// file after each kill. Returns how many rows of bill_move the writers left with their note.
int64_t KillWhileWriting(int rounds, unsigned seed,
                         const std::function<void(TSQLiteDatabase&, Random&)>& write) {
    Random rng(seed);
    for (int round = 0; round < rounds; ++round) {
        const unsigned childSeed = rng();
        const pid_t pid = fork();
        if (pid == 0) {
            // A writer that fails ends with its own code rather than being killed.
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException&) { _exit(9); });
            try {
                TSQLiteDatabase db("./Quillmarsh.dat");
                Random child(childSeed);
                for (;;) write(db, child);
            } catch (...) {
                _exit(8);
            }
        }
        // A unit of work takes some 10 to 30 ms on a disk: each round lets a few of them end.
        usleep(2000 + rng() % 100000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": the writer stopped by itself, status " << status;
        TSQLiteDatabase db("./Quillmarsh.dat");
        EXPECT_EQ(db.GetTable("PRAGMA integrity_check")->FieldAsString(0), "ok")
            << "round " << round;
        // Every row has its twin, pointing back, with the opposite amount.
        EXPECT_EQ(Count(db,
                        "select count(*) from bill_move a left join bill_move b on b.id = "
                        "a.bill_move_id where b.id is null or b.bill_move_id <> a.id or b.amount "
                        "<> -a.amount or b.src_bill_id <> a.dest_bill_id or b.dest_bill_id <> "
                        "a.src_bill_id"),
                  0)
            << "round " << round;
        EXPECT_EQ(LaggingBalances(db), "") << "round " << round;
        if (::testing::Test::HasFailure()) break;  // one broken round tells it all
    }
    TSQLiteDatabase db("./Quillmarsh.dat");
    return Count(db, "select count(*) from bill_move where note = '" + AnsiString(kNote) + "'");
}

const int kAccounts[] = {kSalary,   kBonus,     kWallet,      kBank,
                         kEuroCard, kGroceries, kRestaurants, kRent};

int AnyAccount(Random& rng) {
    return kAccounts[rng() % std::size(kAccounts)];
}

int AnyAccountBut(Random& rng, int other) {
    for (;;)
        if (const int a = AnyAccount(rng); a != other) return a;
}

// A move of up to 1000.00 in the first months of 2026, numbered by the generator.
MoveFields AnyMove(Random& rng) {
    MoveFields f;
    char date[16];
    std::snprintf(date, sizeof date, "2026%02u%02u", static_cast<unsigned>(1 + rng() % 4),
                  static_cast<unsigned>(1 + rng() % 28));
    f.date = date;
    f.num = IntToStr(rng() % 1000);
    f.note = kNote;
    const long double amount =
        static_cast<long double>(static_cast<long long>(rng() % 200001) - 100000) / 100;
    f.amountA = SqlCentsText(amount);
    f.amountB = SqlCentsText(-amount);
    return f;
}

// A move of the file, or 0 when there is none.
int AnyMoveId(TSQLiteDatabase& db, Random& rng) {
    const int64_t n = Count(db, "select count(*) from bill_move");
    if (n == 0) return 0;
    return static_cast<int>(
        Count(db, "select id from bill_move order by id limit 1 offset " + IntToStr(rng() % n)));
}

struct StoreCrash : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        UseProgramFormats();
        SeedHousehold(30);
        // A budget, so that budget use is kept as well.
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL(
            "update bill set budget = 500, budget_date_from = '20260101', budget_date_to = "
            "'20260228', budget_type = 'T' where id = " +
            IntToStr(kGroceries));
        CalcBillAmount(db, IntToStr(kGroceries), {});
        ASSERT_EQ(LaggingBalances(db), "");
    }
};

}  // namespace

TEST_F(StoreCrash, SavedEditedAndDeletedMovesKeepEveryBalanceWithTheirPair) {
    const int64_t left = KillWhileWriting(40, 20260307, [](TSQLiteDatabase& db, Random& rng) {
        const int account = AnyAccount(rng);
        const int move = AnyMoveId(db, rng);
        switch (rng() % 5) {
            case 0:
            case 1:  // the ledger's new row, and the transaction dialog's new move
                SaveNewMove(db, account, AnyAccountBut(rng, account), AnyMove(rng), {});
                break;
            case 2:  // the ledger's edited row, to another correspondent
                if (move) {
                    const int owner = ReadMovePair(db, move).owner;
                    SaveEditedMove(db, move, AnyAccountBut(rng, owner), AnyMove(rng), {});
                }
                break;
            case 3: {  // the transaction dialog's edit: both sides may change
                MoveFields f = AnyMove(rng);
                f.rate = RateLiteral("1/2");
                if (move) SaveRewrittenMove(db, move, account, AnyAccountBut(rng, account), f, {});
                break;
            }
            default:
                if (move) DeleteMove(db, move, {});
        }
    });
    EXPECT_GT(left, 10);  // the writers' work did reach the file
}

TEST_F(StoreCrash, DeletedAndTransferredAccountsKeepEveryBalance) {
    const int64_t left = KillWhileWriting(25, 4104, [](TSQLiteDatabase& db, Random& rng) {
        AccountFields f;
        f.name = "Short-lived";
        f.type = 2;
        f.group = kCashGroup;
        f.currency = 1 + rng() % 2;
        const int id = InsertAccount(db, f);
        for (int i = 0; i < 3; ++i) SaveNewMove(db, id, AnyAccountBut(rng, id), AnyMove(rng), {});
        if (rng() % 3 == 0) {  // to another group, whose total changes with it
            f.group = kFoodGroup;
            f.type = 3;
            UpdateAccount(db, id, f, {});
        }
        if (rng() % 2)
            DeleteAccountWithMoves(db, id, {});
        else
            TransferAndDeleteAccount(db, id, rng() % 2 ? kBank : kWallet, {});
    });
    EXPECT_GT(left, 10);  // transferred moves stay
}

TEST_F(StoreCrash, RatesBudgetsAndBudgetPeriodsKeepEveryBalance) {
    const int64_t left = KillWhileWriting(25, 4102, [](TSQLiteDatabase& db, Random& rng) {
        SaveNewMove(db, kGroceries, kWallet, AnyMove(rng), {});
        switch (rng() % 3) {
            case 0: {  // the currencies dialog's save: every group total follows the euro
                const long double euro = 1 + static_cast<long double>(rng() % 300) / 100;
                WriteCurrencies(
                    db, {{1, "Dollar", "USD", "1", 1}, {2, "Euro", "EUR", FloatToStr(euro), euro}},
                    "", {});
                break;
            }
            case 1: {  // the budget dialog
                BudgetFields b;
                b.amount = 100 + rng() % 1000;
                b.from = "202601" + AnsiString(rng() % 2 ? "01" : "15");
                b.to = "2026" + AnsiString(rng() % 2 ? "02" : "03") + "28";
                b.renew = true;
                WriteBudget(db, kGroceries, b, {});
                break;
            }
            default:  // the tree moving a renewed budget on to its next period
                WriteBudgetPeriod(db, kGroceries, "20260301", "20260430", {});
        }
    });
    EXPECT_GT(left, 10);
}

TEST_F(StoreCrash, AWriterEndedWhileRecalculatingLeavesNeitherTheMoveNorABalance) {
    {
        // The Food group's total cannot be written: the program ends there.
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("CREATE TRIGGER no_food BEFORE UPDATE OF amount ON bill WHEN NEW.id = " +
                   IntToStr(kFoodGroup) + " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    const std::function<void(TSQLiteDatabase&)> writers[] = {
        [](TSQLiteDatabase& db) {
            Random rng(1);
            SaveNewMove(db, kWallet, kGroceries, AnyMove(rng), {});
        },
        [](TSQLiteDatabase& db) {
            Random rng(2);
            SaveEditedMove(db, 5, kRent, AnyMove(rng), {});  // the wallet's dinner, Food's before
        },
        [](TSQLiteDatabase& db) {
            Random rng(3);
            SaveRewrittenMove(db, 7, kBank, kGroceries, AnyMove(rng), {});
        },
        [](TSQLiteDatabase& db) { DeleteMove(db, 6, {}); },
    };
    for (size_t i = 0; i < std::size(writers); ++i) {
        TSQLiteDatabase before("./Quillmarsh.dat");
        const Balances balances = StoredBalances(before);
        const AnsiString moves = before
                                     .GetTable(
                                         "select group_concat(id || ':' || src_bill_id || "
                                         "':' || amount || ':' || ts, ' ') from bill_move")
                                     ->FieldAsString(0);
        const pid_t pid = fork();
        if (pid == 0) {
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException&) { _exit(9); });
            TSQLiteDatabase db("./Quillmarsh.dat");
            writers[i](db);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << i;
        EXPECT_EQ(WEXITSTATUS(status), 9) << i;
        TSQLiteDatabase after("./Quillmarsh.dat");
        EXPECT_EQ(after
                      .GetTable("select group_concat(id || ':' || src_bill_id || ':' || amount || "
                                "':' || ts, ' ') from bill_move")
                      ->FieldAsString(0),
                  moves)
            << i;
        EXPECT_TRUE(StoredBalances(after) == balances) << i;
    }
}
