// Prepared statements: columns as the engine holds them, runs repeated with new parameters, and
// failures reported through the database-failure handler.
#include "db/sqlite_statement.h"

#include <gtest/gtest.h>

#include "tests/support/support.h"

using namespace qm;

namespace {

struct ThrowingFailures {
    ThrowingFailures() {
        TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
    }
    ~ThrowingFailures() { TSQLiteDatabase::SetFailureHandler({}); }
};

AnsiString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESQLiteException& e) {
        return e.Message;
    }
    return "(no exception)";
}

}  // namespace

// Columns as the engine holds them: NULL, whole numbers, doubles, text and bytes that are not
// text, byte for byte.
TEST(SQLiteStatement, ReadsColumnsAsTheEngineHoldsThem) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (i INTEGER, n NUMERIC, s TEXT)");
    db.ExecSQL("INSERT INTO t VALUES (7, 2.5, 'Caf\xC3\xA9')");
    db.ExecSQL("INSERT INTO t VALUES (NULL, 100, x'00ff41')");
    db.ExecSQL("INSERT INTO t VALUES (-9, NULL, '')");
    TSQLiteStatement q(db, "select i, n, s from t order by rowid");
    ASSERT_TRUE(q.Step());
    EXPECT_EQ(q.ColumnInt64(0), 7);
    EXPECT_EQ(q.ColumnDouble(1), 2.5);
    EXPECT_EQ(q.ColumnText(2), "Caf\xC3\xA9");
    ASSERT_TRUE(q.Step());
    EXPECT_TRUE(q.IsNull(0));
    EXPECT_FALSE(q.IsNull(1));
    EXPECT_EQ(q.ColumnInt64(1), 100);
    EXPECT_EQ(q.ColumnText(2), AnsiString("\0\xff"
                                          "A",
                                          3));
    ASSERT_TRUE(q.Step());
    EXPECT_TRUE(q.IsNull(1));
    EXPECT_EQ(q.ColumnText(1), "");
    EXPECT_EQ(q.ColumnText(2), "");
    EXPECT_FALSE(q.Step());
}

// One preparation, many runs: each run sees its own parameters, a run stopped early does not
// leak into the next, and rows inserted through a statement are there for the next query.
TEST(SQLiteStatement, RunsAgainWithNewParameters) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE m (id INTEGER PRIMARY KEY, owner NUMERIC, ts TEXT, amount NUMERIC)");
    TSQLiteStatement insert(db, "insert into m (owner, ts, amount) values (?, ?, ?)");
    TSQLiteTransaction transaction(db);
    for (int i = 0; i < 30; ++i) {
        insert.Reset().Bind(1, i % 3).Bind(2, AnsiString(i < 15 ? "20260101" : "20260201"));
        insert.Bind(3, AnsiString(i % 2 ? "12.50" : "-3"));
        insert.Execute();
    }
    transaction.Commit();
    // A bound text takes the column's affinity, as a quoted literal does.
    auto kinds = db.GetTable("select distinct typeof(amount) from m order by 1");
    EXPECT_EQ(kinds->FieldAsString(0), "integer");
    kinds->Next();
    EXPECT_EQ(kinds->FieldAsString(0), "real");

    TSQLiteStatement select(db, "select count(*), sum(amount) from m where owner = ? and ts >= ?");
    for (int owner = 0; owner < 3; ++owner) {
        ASSERT_TRUE(select.Reset().Bind(1, owner).Bind(2, AnsiString("20260201")).Step());
        EXPECT_EQ(select.ColumnInt64(0), 5) << owner;
        EXPECT_FALSE(select.Step());
    }
    TSQLiteStatement rows(db, "select id from m where owner = ? order by id");
    ASSERT_TRUE(rows.Reset().Bind(1, 1).Step());
    EXPECT_EQ(rows.ColumnInt64(0), 2);
    // Started again in the middle of a run: the new run begins at its first row.
    ASSERT_TRUE(rows.Reset().Bind(1, 2).Step());
    EXPECT_EQ(rows.ColumnInt64(0), 3);
    int count = 1;
    while (rows.Step()) ++count;
    EXPECT_EQ(count, 10);
    // A new run without values: every parameter is NULL, which matches nothing.
    rows.Reset();
    EXPECT_FALSE(rows.Step());
}

TEST(SQLiteStatement, FailuresGoToTheFailureHandlerWithTheStatement) {
    qmtest::TempDir dir;
    ThrowingFailures failures;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE u (id INTEGER PRIMARY KEY, name TEXT UNIQUE)");
    EXPECT_EQ(MessageOf([&] { TSQLiteStatement s(db, "select x from nowhere"); }),
              "Error executing SQL \"select x from nowhere\" : no such table: nowhere");
    TSQLiteStatement insert(db, "insert into u (name) values (?)");
    insert.Reset().Bind(1, AnsiString("a")).Execute();
    EXPECT_EQ(MessageOf([&] { insert.Reset().Bind(1, AnsiString("a")).Execute(); }),
              "Error executing SQL statement \"insert into u (name) values (?)\" : UNIQUE "
              "constraint failed: u.name");
    EXPECT_EQ(MessageOf([&] { insert.Reset().Bind(2, 1); }),
              "Error binding a value \"insert into u (name) values (?)\" : column index out of "
              "range");
    // After a failure the statement runs again.
    insert.Reset().Bind(1, AnsiString("b")).Execute();
    EXPECT_EQ(db.GetTable("select count(*) from u")->FieldAsInteger(0), 2);
}
