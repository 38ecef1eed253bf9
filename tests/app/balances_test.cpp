// Stored balances of accounts and groups, and the amount texts they are written in.
#include "app/balances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/database_file.h"
#include "app/money_text.h"
#include "tests/support/support.h"

using namespace qm;

TEST(MoneyText, CentsAndWholeUnitsRoundHalfToEven) {
    qmtest::UseProgramFormats();
    EXPECT_EQ(CentsText(5, ','), "5,00");
    EXPECT_EQ(CentsText(0.05L, ','), "0,05");
    EXPECT_EQ(CentsText(-0.05L, ','), "-0,05");
    EXPECT_EQ(CentsText(-12.3L, '.'), "-12.30");
    EXPECT_EQ(CentsText(0, '.'), "0.00");
    EXPECT_EQ(CentsText(0.005L, ','), "0,00");  // half a hundredth rounds to even
    EXPECT_EQ(CentsText(0.015L, ','), "0,02");
    EXPECT_EQ(CentsText(1234.5L, ','), "1234,50");
    EXPECT_EQ(CentsText(-0.001L, ','), "0,00");
    EXPECT_EQ(WholeUnitsText(12.5L), "12");
    EXPECT_EQ(WholeUnitsText(13.5L), "14");
    EXPECT_EQ(WholeUnitsText(-0.4L), "0");
    EXPECT_EQ(AccountAmountText(17.5L), "17.5");
    EXPECT_EQ(AccountAmountText(-0.0000015L), "-1.5E-6");
    EXPECT_EQ(AmountValue(" 2,5 "), 2.5L);
    EXPECT_EQ(AmountValue(""), 0);
}

TEST(MoneyText, NumbersForSqlAreSqlNumbersForEveryStorableValueAndRefuseTheRest) {
    qmtest::UseProgramFormats();
    qmtest::TempDir dir;
    // A text that is no SQL would end the process; here it fails the test.
    struct Throwing {
        Throwing() {
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
        }
        ~Throwing() { TSQLiteDatabase::SetFailureHandler({}); }
    } throwing;
    TSQLiteDatabase db("n.dat");
    // What the engine reads a text as, when it reads it as a number at all.
    const auto engine = [&](const AnsiString& text) -> long double {
        auto t = db.GetTable("select typeof(" + text + "), " + text);
        const AnsiString type = t->FieldAsString(0);
        EXPECT_TRUE(type == "real" || type == "integer") << text << " is " << type;
        return t->FieldAsDouble(1);
    };
    const auto expectClose = [](long double read, long double value, const AnsiString& text) {
        EXPECT_TRUE(std::isfinite(read)) << text;
        EXPECT_LE(std::fabs(read - value), std::fabs(value) * 1e-14L) << text;
    };
    // Normal values keep their texts (the tests above); large ones, up to the largest the file
    // holds, are still numbers: 20 digits came in as "1.11111111111111E.21" once.
    for (long double v : {999999999999999.9L, 1e15L, 9.2e16L, 11111111111111111111.0L, -2.5e20L,
                          1e300L, -1.79769313486231e308L}) {
        const AnsiString cents = SqlCentsText(v), general = SqlNumberText(v);
        expectClose(engine(cents), RoundHalfEven(v * 100) / 100, cents);
        expectClose(engine(general), v, general);
        // An income account stores the sign turned by its text.
        const AnsiString turned = general[0] == '-' ? general.substr(1) : "-" + general;
        expectClose(engine(turned), -v, turned);
        // The ledger's display form of the same value reads back under the decimal comma.
        expectClose(StrToFloat(CentsText(v, ',')), RoundHalfEven(v * 100) / 100, cents);
    }
    EXPECT_EQ(engine(SqlNumberText(0.0000015L)), static_cast<double>(0.0000015L));
    // Nothing that the file would hold as infinity, or not at all, becomes SQL text. The last
    // is below the largest double, but its 15-digit text is not.
    for (long double v :
         {std::numeric_limits<long double>::infinity(),
          -std::numeric_limits<long double>::infinity(),
          std::numeric_limits<long double>::quiet_NaN(), 1e309L, -1e400L, 1.797693134862315e308L}) {
        EXPECT_FALSE(StorableNumber(v)) << FloatToStrSep(v, '.');
        EXPECT_THROW(SqlCentsText(v), Exception) << FloatToStrSep(v, '.');
        EXPECT_THROW(SqlNumberText(v), Exception) << FloatToStrSep(v, '.');
        EXPECT_THROW(AccountAmountText(v), Exception) << FloatToStrSep(v, '.');
    }
}

namespace {

struct BalanceDb : ::testing::Test {
    qmtest::TempDir dir;
    std::unique_ptr<TSQLiteDatabase> db;
    void SetUp() override {
        qmtest::UseProgramFormats();
        db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        db->ExecSQL("insert into currency values (2, 'EUR', 2, 'Euro', '', '2')");
        db->ExecSQL("insert into currency values (0, 'BAD', 3, 'Bad', '', '0')");
        // groups 1 (type 1, currency 1), 2 (type 3, currency 2), 3 (type 2, currency 3)
        AddBill(1, 0, 1, 1);
        AddBill(2, 0, 3, 2);
        AddBill(3, 0, 2, 3);
        AddBill(11, 1, 1, 1);
        AddBill(21, 2, 3, 1);
        AddBill(22, 2, 3, 2);
        AddBill(31, 3, 2, 1);
    }
    void AddBill(int id, int group, int type, int currency) {
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name, amount, budget) "
            "values (" +
            IntToStr(id) + "," + IntToStr(group) + "," + IntToStr(type) + "," + IntToStr(currency) +
            ",'b" + IntToStr(id) + "', 0, 0)");
    }
    void AddMove(int src, const char* amount, const char* ts) {
        db->ExecSQL(
            AnsiString(
                "insert into bill_move (src_bill_id, dest_bill_id, amount, ts, kurs) values (") +
            IntToStr(src) + ", 0, " + amount + ", '" + ts + "', '1')");
    }
    AnsiString Amount(int id) {
        return db->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
    }
    AnsiString RawAmount(int id) {
        return db
            ->GetTable("select typeof(amount) || ':' || amount from bill where id = " +
                       IntToStr(id))
            ->FieldAsString(0);
    }
};

}  // namespace

TEST_F(BalanceDb, AccountsSumTheirMovesWithTheSignOfTheirType) {
    AddMove(11, "0.00", "20100101");
    CalcBillAmount(*db, "11", {});
    EXPECT_EQ(RawAmount(11), "integer:0");  // written as "-0", which the engine stores as 0
    AddMove(11, "-12.34", "20100102");
    CalcBillAmount(*db, "11", {});
    EXPECT_EQ(Amount(11), "12,34");
    EXPECT_EQ(Amount(1), "12,34");
    AddMove(31, "-0.05", "20100102");
    CalcBillAmount(*db, "31", {});
    EXPECT_EQ(Amount(31), "-0,05");
    EXPECT_EQ(RawAmount(3), "integer:0");  // the group's currency rate is 0: nothing converts
}

TEST_F(BalanceDb, PeriodBoundsAreInclusiveAndBudgetsCountTheirOwnPeriod) {
    db->ExecSQL(
        "update bill set budget = 100, budget_date_from = '20100105', budget_date_to = '20100110' "
        "where id = 21");
    AddMove(21, "1", "20100101");
    AddMove(21, "2", "20100105");
    AddMove(21, "4", "20100110");
    AddMove(21, "8", "20100111");
    PeriodFilter p{true, "20100101", "20100110"};
    CalcBillAmount(*db, "21", p);
    EXPECT_EQ(Amount(21), "7");
    EXPECT_EQ(db->GetTable("select budget_amount from bill where id = 21")->FieldAsString(0), "6");
    CalcBillAmount(*db, "21", {});
    EXPECT_EQ(Amount(21), "15");
    // Group 2 is in EUR (rate 2): account 21 (rate 1) converts as 15 * 1 / 2.
    EXPECT_EQ(Amount(2), "7,5");
}

TEST_F(BalanceDb, AGroupRecomputesOnlyItsTotal) {
    AddMove(22, "3", "20100101");
    db->ExecSQL("update bill set amount = 10 where id = 21");
    CalcBillAmount(*db, "2", {});
    EXPECT_EQ(Amount(22), "0");  // not recomputed
    EXPECT_EQ(Amount(2), "5");   // 10 / 2 + 0 * 2 / 2
}

TEST_F(BalanceDb, RecalculatingForAPeriodResetsEveryAccountAndGroup) {
    AddMove(11, "-5", "20100101");
    AddMove(21, "3", "20100301");
    AddMove(22, "1.5", "20100301");
    db->ExecSQL("update bill set amount = 99");
    std::vector<std::pair<int, int>> steps;
    RecalculateAllBalances(*db, {true, "20100201", "20100331"}, [&](int pos, int max) {
        steps.push_back({pos, max});
    });
    EXPECT_EQ(Amount(11), "0");
    EXPECT_EQ(Amount(21), "3");
    EXPECT_EQ(Amount(22), "1,5");
    EXPECT_EQ(Amount(2), "3");  // (3 * 1 + 1.5 * 2) / 2
    EXPECT_EQ(Amount(3), "0");  // a group rate of 0 is skipped, not divided by
    // two accounts with moves in the period, then three groups
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[1], std::make_pair(1, 1));
    EXPECT_EQ(steps[4], std::make_pair(2, 2));
    RecalculateAllBalances(*db, {}, nullptr);
    EXPECT_EQ(Amount(11), "5");
}

TEST_F(BalanceDb, StoredIdsThatAreNoWholeNumbersBreakNoStatement) {
    struct Throwing {
        Throwing() {
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
        }
        ~Throwing() { TSQLiteDatabase::SetFailureHandler({}); }
    } throwing;
    // Accounts whose group is missing or is no whole number, and a move of no whole account.
    AddBill(41, 0, 2, 1);
    db->ExecSQL("update bill set bill_id = NULL where id = 41");
    AddBill(42, 0, 2, 1);
    db->ExecSQL("update bill set bill_id = 2.5 where id = 42");
    AddMove(41, "3.00", "20100101");
    AddMove(42, "4.00", "20100101");
    AddMove(11, "-1.00", "20100101");
    db->ExecSQL("update bill_move set src_bill_id = 1.5 where src_bill_id = 11");
    CalcBillAmount(*db, "41", {});
    CalcBillAmount(*db, "42", {});
    EXPECT_EQ(Amount(41), "3");
    EXPECT_EQ(Amount(42), "4");
    RecalculateAllBalances(*db, {}, nullptr);
    EXPECT_EQ(Amount(41), "3");
    EXPECT_EQ(Amount(42), "4");
    EXPECT_EQ(Amount(11), "0");  // its move belongs to no account
}
