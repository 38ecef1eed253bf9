// Saves bring the stored balances up to date from the change alone, and store what a
// recalculation from every move stores: after every step of a random run of new, edited,
// rewritten and deleted moves between accounts of the three types (one with a budget, one group
// in another currency), crossed by what the change alone cannot know: moves changed or stored by
// hand through another connection (a NULL, a text and an amount of thousandths among them),
// rolled-back saves, and the period filter turned on and off.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "app/store/balances.h"
#include "app/store/database_file.h"
#include "app/store/money_text.h"
#include "app/store/move_rewrite.h"
#include "app/store/move_store.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

constexpr int kAccounts[] = {11, 21, 22, 31, 32};
constexpr int kBudgeted = 21;

struct SaveBalances : ::testing::Test {
    qmtest::TempDir dir;
    std::unique_ptr<TSQLiteDatabase> db;
    std::mt19937 random{19};
    PeriodFilter period;
    std::set<int> stale;   // changed by hand and not saved to since
    std::set<int> groups;  // of the accounts the step recalculated

    void SetUp() override {
        qmtest::UseProgramFormats();
        db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        EnsureIndexes(*db);
        db->ExecSQL("insert into currency values (2, 'EUR', 2, 'Euro', '', '2')");
        // Groups 1 (income), 2 (spending, kept in euros) and 3 (assets).
        const int bills[][4] = {{1, 0, 1, 1},  {2, 0, 3, 2},  {3, 0, 2, 1},  {11, 1, 1, 1},
                                {21, 2, 3, 1}, {22, 2, 3, 2}, {31, 3, 2, 1}, {32, 3, 2, 2}};
        for (const auto& b : bills)
            db->ExecSQL(
                "insert into bill (id, bill_id, bill_type_id, currency_id, name, amount, budget) "
                "values (" +
                IntToStr(b[0]) + "," + IntToStr(b[1]) + "," + IntToStr(b[2]) + "," +
                IntToStr(b[3]) + ",'b', 0, 0)");
        db->ExecSQL(
            "update bill set budget = 500, budget_date_from = '20100301', budget_date_to = "
            "'20100531' where id = " +
            IntToStr(kBudgeted));
        for (int id : kAccounts) CalcBillAmount(*db, IntToStr(id), period);
        TrustStoredBalances(*db, period);
    }

    int AnyAccount() { return kAccounts[random() % 5]; }
    std::pair<int, int> TwoAccounts() {
        const int a = AnyAccount();
        int b = AnyAccount();
        while (b == a) b = AnyAccount();
        return {a, b};
    }
    MoveFields AnyFields() {
        static const char* const dates[] = {"20100105", "20100301", "20100415",
                                            "20100531", "20100601", "20110101"};
        MoveFields f;
        f.date = dates[random() % 6];
        // Large amounts now and then, so that sums cross orders of magnitude.
        const long long cents =
            static_cast<long long>(random() % (random() % 4 ? 20000 : 2000000000)) - 1000;
        f.amountA = CentsText(cents / 100.0L, '.');
        f.amountB = CentsText(-cents / 100.0L, '.');
        return f;
    }
    int AnyMove(const char* where = "1") {
        auto t = db->GetTable(AnsiString("select id from bill_move where ") + where +
                              " and bill_move_id in (select id from bill_move) order by id");
        if (t->Count() == 0) return 0;
        for (int skip = static_cast<int>(random() % t->Count()); skip > 0; --skip) t->Next();
        return static_cast<int>(t->FieldAsInteger(0));
    }

    static AnsiString Bills(TSQLiteDatabase& d, const AnsiString& where = "1") {
        AnsiString out;
        auto t = d.GetTable(
            "select id, typeof(amount), amount, typeof(budget_amount), budget_amount from bill "
            "where " +
            where + " order by id");
        for (; !t->Eof(); t->Next())
            for (int c = 0; c < 5; ++c) out += t->FieldAsString(c) + (c < 4 ? "|" : "\n");
        return out;
    }

    // Every account not changed by hand since it was last saved to, and the groups of those the
    // step recalculated, recalculated from all their moves on a copy of the file, store the same
    // texts; after a new period, everything as the recalculation for it stores. (Recalculating
    // an account recalculates its group too: the others are not compared.)
    void ExpectAsRecalculated(int step, bool newPeriod) {
        std::filesystem::copy_file("Quillmarsh.dat", "check.dat",
                                   std::filesystem::copy_options::overwrite_existing);
        TSQLiteDatabase check("check.dat");
        AnsiString compared = "1";
        if (newPeriod) {
            RecalculateAllBalances(check, period, {});
        } else {
            for (int id : kAccounts)
                if (!stale.count(id)) CalcBillAmount(check, IntToStr(id), period);
            compared = "bill_id <> 0 or id in (0";
            for (int group : groups) compared += ", " + IntToStr(group);
            compared += ")";
        }
        groups.clear();
        ASSERT_EQ(Bills(*db, compared), Bills(check, compared)) << "step " << step;
    }

    // Another connection changes a move, or stores one of its own, without the balances.
    void ChangeByHand() {
        TSQLiteDatabase other("./Quillmarsh.dat");
        const int move = AnyMove("src_bill_id <> 21");
        static const char* const amounts[] = {"NULL", "'12,50'", "'abc'", "0.125", "amount - 7"};
        const AnsiString amount = amounts[random() % 5];
        if (move > 0 && random() % 2) {
            other.ExecSQL("update bill_move set amount = " + amount +
                          " where id = " + IntToStr(move));
            stale.insert(static_cast<int>(
                other.GetTable("select src_bill_id from bill_move where id = " + IntToStr(move))
                    ->FieldAsInteger(0)));
            return;
        }
        const auto [a, b] = TwoAccounts();
        if (a == kBudgeted || b == kBudgeted) return;
        other.ExecSQL(
            "insert into bill_move (src_bill_id, dest_bill_id, ts, amount, kurs, bill_move_id) "
            "values (" +
            IntToStr(a) + ", " + IntToStr(b) + ", '20100415', " +
            (amount == "amount - 7" ? AnsiString("3") : amount) + ", '1', 0)");
        stale.insert(a);
    }
    void Touched(std::initializer_list<int> accounts) {
        for (int id : accounts) {
            stale.erase(id);
            groups.insert(id / 10);
        }
    }
};

}  // namespace

TEST_F(SaveBalances, EverySaveStoresWhatARecalculationFromEveryMoveStores) {
    for (int step = 0; step < 800; ++step) {
        const int kind = static_cast<int>(random() % 12);
        const auto [a, b] = TwoAccounts();
        const int move = AnyMove();
        if (kind < 4 || move == 0) {
            SaveNewMove(*db, a, b, AnyFields(), period);
            Touched({a, b});
        } else if (kind < 6) {
            const MovePair old = SaveEditedMove(*db, move, b, AnyFields(), period);
            Touched({old.owner, old.corr, b});
        } else if (kind == 6) {
            const MovePair old = SaveRewrittenMove(*db, move, a, b, AnyFields(), period);
            Touched({old.owner, old.corr, a, b});
        } else if (kind == 7) {
            const MovePair old = DeleteMove(*db, move, period);
            Touched({old.owner, old.corr});
        } else if (kind == 8) {
            ChangeByHand();
        } else if (kind == 9) {
            // The filter turned on for a period, or off, as the window does it.
            static const PeriodFilter periods[] = {
                {}, {true, "20100301", "20100531"}, {true, "20100101", "20100415"}};
            period = periods[random() % 3];
            RecalculateAllBalances(*db, period, {});
            stale.clear();
        } else if (kind == 10) {
            const AnsiString before = Bills(*db);
            {
                TSQLiteTransaction tr(*db);
                SaveNewMove(*db, a, b, AnyFields(), period);
            }
            ASSERT_EQ(Bills(*db), before) << step;
        } else {
            // A budget moved on to its next period, as the tree does it.
            db->ExecSQL(
                "update bill set budget_date_from = '20100401', budget_date_to = "
                "'20100630' where id = " +
                IntToStr(kBudgeted));
            CalcBillAmount(*db, IntToStr(kBudgeted), period);
            Touched({kBudgeted});
        }
        ASSERT_NO_FATAL_FAILURE(ExpectAsRecalculated(step, kind == 9));
    }
}

TEST_F(SaveBalances, ASaveStartsFromTheStoredBalancesUntilTheFileChangesElsewhere) {
    // A balance that is not its moves' sum (as no file the program keeps holds one) is carried
    // on by a save: the save read none of the account's other moves.
    SaveNewMove(*db, 31, 32, {"20100105", "", "", "5.00", "-5.00"}, period);
    db->ExecSQL("update bill set amount = 100 where id = 31");
    TrustStoredBalances(*db, period);
    SaveNewMove(*db, 31, 32, {"20100105", "", "", "1.25", "-1.25"}, period);
    EXPECT_EQ(db->GetTable("select amount from bill where id = 31")->FieldAsString(0), "101,25");
    // Once another connection has written, the next save sums every move.
    TSQLiteDatabase("./Quillmarsh.dat")
        .ExecSQL("insert into param (name, value) values ('a', 'b')");
    SaveNewMove(*db, 31, 32, {"20100105", "", "", "1.00", "-1.00"}, period);
    EXPECT_EQ(db->GetTable("select amount from bill where id = 31")->FieldAsString(0), "7,25");
}
