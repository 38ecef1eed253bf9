// The moves of the reports: amounts counted as their stored text reads, once per stored value,
// and an account's moves in the order of their row ids whatever order the engine hands over.
#include "app/reports/report_moves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/reports/report_text.h"
#include "app/store/money_text.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

struct ReportMoves : ::testing::Test {
    qmtest::TempDir dir;
    std::unique_ptr<TSQLiteDatabase> db;
    void SetUp() override {
        qmtest::UseProgramFormats();
        db = std::make_unique<TSQLiteDatabase>("t.dat");
        db->ExecSQL(
            "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
            "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts "
            "TEXT, files BLOB)");
    }
    void Move(int id, int account, const AnsiString& ts, const AnsiString& amount) {
        db->ExecSQL("insert into bill_move (id, src_bill_id, ts, amount) values (" + IntToStr(id) +
                    ", " + IntToStr(account) + ", '" + ts + "', " + amount + ")");
    }
};

}  // namespace

// Amounts whose last digit sits on half a cent, or that the engine keeps as a double with more
// digits than the text shows, count as the text the whole-result tables give for them reads; a
// repeated value counts the same again.
TEST_F(ReportMoves, AmountsCountAsTheirTextReadsOncePerValue) {
    const char* amounts[] = {"0.005", "0.015",  "2.675",   "-2.675",       "1.005",
                             "0.125", "1e-7",   "12",      "-0",           "1234567890.125",
                             "0.1",   "100.10", "0.00499", "99999999.995", "NULL"};
    int id = 1;
    for (int pass = 0; pass < 2; ++pass)
        for (const char* a : amounts) Move(id++, 7, "20260101", a);
    auto table = db->GetTable("select amount from bill_move order by id");
    TSQLiteStatement statement(*db, "select amount from bill_move order by id");
    TReportCents cents;
    bool naiveWouldDiffer = false;
    for (; statement.Step(); table->Next()) {
        const long double expected = RoundCents(ReportNumber(table->FieldAsString(0)));
        EXPECT_EQ(cents.Of(statement, 0), expected) << table->FieldAsString(0);
        naiveWouldDiffer |= RoundCents(statement.FieldAsDouble(0)) != expected;
    }
    // Reading the stored double without its text would count differently.
    EXPECT_TRUE(naiveWouldDiffer);
    // A column declared as text is read as its text, decimal comma and all.
    db->ExecSQL("create table t (amount TEXT)");
    db->ExecSQL("insert into t values ('2,675'), ('x'), (''), (12.5)");
    TSQLiteStatement texts(*db, "select amount from t order by rowid");
    for (const char* shown : {"2,68", "0,00", "0,00", "12,50"}) {
        ASSERT_TRUE(texts.Step());
        EXPECT_EQ(ReportAmountText(cents.Of(texts, 0)), shown);
    }
}

// The same over many stored values of every size: typical amounts, half cents and the doubles
// right beside them, values from a millionth to beyond what the text writes without exponent.
TEST_F(ReportMoves, EveryStoredValueCountsAsItsTextReads) {
    std::mt19937_64 random(11);
    std::vector<double> values;
    for (int i = 0; i < 4000; ++i) {
        const double cents = static_cast<double>(random() % 10000000) / 100;
        const double half = (static_cast<double>(random() % 100000) + 0.5) / 100;
        const double wide = std::pow(10.0, static_cast<double>(random() % 2200) / 100 - 6);
        for (double v : {cents, half, std::nextafter(half, 0.0), std::nextafter(half, 1e9), wide})
            values.push_back(random() % 2 ? -v : v);
    }
    TSQLiteStatement insert(*db, "insert into bill_move (id, amount) values (?, ?)");
    TSQLiteTransaction transaction(*db);
    for (size_t i = 0; i < values.size(); ++i)
        insert.Bind(1, static_cast<int64_t>(i + 1)).BindReal(2, values[i]).Run();
    transaction.Commit();
    TSQLiteStatement read(*db, "select amount from bill_move order by id");
    TReportCents cents;
    size_t checked = 0;
    while (read.Step()) {
        const AnsiString text = read.FieldAsString(0);
        ASSERT_EQ(cents.Of(read, 0), RoundCents(ReportNumber(text))) << text;
        ++checked;
    }
    EXPECT_EQ(checked, values.size());
}

TEST_F(ReportMoves, AnAccountsMovesComeInRowOrderForTheirDates) {
    // Row ids against the dates: the index hands them over by date.
    Move(5, 1, "20260103", "3");
    Move(6, 2, "20260101", "100");
    Move(7, 1, "20260101", "1");
    Move(9, 1, "20260102", "2.5");
    Move(12, 1, "20251231", "7");
    Move(15, 1, "20260102", "-4");
    db->ExecSQL("create index by_date on bill_move (src_bill_id, ts, amount)");
    TAccountMoves moves(*db, "ts >= ? and ts <= ?", true);
    std::vector<int64_t> ids;
    std::vector<AnsiString> dates;
    for (const TReportMove& m : moves.Of(1, {"20260101", "20260103"})) {
        ids.push_back(m.Id);
        dates.push_back(moves.DateOf(m));
    }
    EXPECT_EQ(ids, (std::vector<int64_t>{5, 7, 9, 15}));
    EXPECT_EQ(dates, (std::vector<AnsiString>{"20260103", "20260101", "20260102", "20260102"}));
    EXPECT_EQ(SumOfMoves(moves.Of(1, {"20260101", "20260103"}), false), 2.5L);
    EXPECT_EQ(SumOfMoves(moves.Of(1, {"20260101", "20260103"}), true), -2.5L);
    // The same statement for another account and other dates.
    EXPECT_EQ(moves.Of(2, {"20260101", "20260101"}).size(), 1u);
    EXPECT_TRUE(moves.Of(1, {"20270101", "20271231"}).empty());
    TAccountMoves before(*db, "ts < ?", false);
    ASSERT_EQ(before.Of(1, {"20260101"}).size(), 1u);
    EXPECT_EQ(before.Of(1, {"20260101"}).front().Id, 12);
    EXPECT_TRUE(before.DateOf(before.Of(1, {"20260101"}).front()).empty());
}
