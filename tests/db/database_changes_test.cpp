// What the connection offers beyond single statements: one prepared statement per text for the
// connection's life, the stamp that tells whether anything in the file changed, and the progress
// hook that runs while a long statement works.
#include <gtest/gtest.h>

#include "db/sqlite_statement.h"
#include "tests/support/support.h"

using namespace qm;

TEST(SQLiteDatabase, OneStatementPerTextRunsAgainWithEveryValueBoundAsGiven) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, s TEXT, n NUMERIC)");
    TSQLiteStatement& insert = db.Statement("insert into t (id, s, n) values (?, ?, ?)");
    EXPECT_EQ(&insert, &db.Statement("insert into t (id, s, n) values (?, ?, ?)"));
    // Quotes, a NUL byte and SQL words are values, never SQL text.
    const AnsiString odd("it's'); drop table t; --\0end", 27);
    insert.Bind(1, int64_t{1}).Bind(2, odd).BindReal(3, 2.5).Run();
    db.Statement("insert into t (id, s, n) values (?, ?, ?)")
        .Bind(1, int64_t{2})
        .Bind(2, AnsiString("12.50"))
        .Bind(3, AnsiString("12.50"))
        .Run();
    TSQLiteStatement& read = db.Statement("select s, n, typeof(n) from t where id = ?");
    read.Bind(1, int64_t{1});
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(AnsiString(read.RawText(0)), odd);
    EXPECT_EQ(read.RawDouble(1), 2.5);
    read.Reset();
    read.Bind(1, int64_t{2});
    ASSERT_TRUE(read.Step());
    // A number bound as text takes the column's affinity as a literal would: the NUMERIC column
    // holds the number, the TEXT column the text.
    EXPECT_EQ(AnsiString(read.RawText(0)), "12.50");
    EXPECT_EQ(read.RawDouble(1), 12.5);
    EXPECT_EQ(AnsiString(read.RawText(2)), "real");
    EXPECT_FALSE(read.Step());
    // A NULL reads raw as nothing and as 0.
    db.ExecSQL("insert into t (id) values (3)");
    read.Bind(1, int64_t{3});
    ASSERT_TRUE(read.Step());
    EXPECT_TRUE(read.RawText(0).empty());
    EXPECT_EQ(read.RawDouble(1), 0);
    EXPECT_EQ(read.RawInteger(1), 0);
}

TEST(SQLiteDatabase, TheChangeStampMovesWithEveryChangeByAnyoneAndWithRollbacks) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat"), other("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)");
    TSQLiteDatabase::ChangeStamp stamp = db.Changes();
    // Reading changes nothing.
    EXPECT_EQ(db.GetTable("select count(*) from t")->FieldAsInteger(0), 0);
    EXPECT_EQ(db.Changes(), stamp);
    db.ExecSQL("insert into t (v) values ('a')");
    EXPECT_FALSE(db.Changes() == stamp);
    stamp = db.Changes();
    // Another connection's commit.
    other.ExecSQL("insert into t (v) values ('b')");
    EXPECT_FALSE(db.Changes() == stamp);
    stamp = db.Changes();
    // A change undone leaves the rows as they were but not the stamp: what was read in between
    // may have seen it.
    {
        TSQLiteTransaction tr(db);
        db.ExecSQL("insert into t (v) values ('c')");
    }
    EXPECT_EQ(db.GetTable("select count(*) from t")->FieldAsInteger(0), 2);
    EXPECT_FALSE(db.Changes() == stamp);
    stamp = db.Changes();
    {
        TSQLiteTransaction outer(db);
        {
            TSQLiteTransaction inner(db);
            db.ExecSQL("insert into t (v) values ('d')");
        }
        outer.Commit();
    }
    EXPECT_FALSE(db.Changes() == stamp);
    stamp = db.Changes();
    {
        TSQLiteTransaction tr(db);
        tr.Commit();
    }
    EXPECT_EQ(db.Changes(), stamp);
    // Another connection is another stamp, even on the same file with nothing changed, and even
    // where the first one stood in memory.
    TSQLiteDatabase::ChangeStamp closed;
    {
        auto first = std::make_unique<TSQLiteDatabase>("u.dat");
        closed = first->Changes();
    }
    auto second = std::make_unique<TSQLiteDatabase>("u.dat");
    EXPECT_FALSE(second->Changes() == closed);
}

TEST(SQLiteDatabase, TheProgressHookTicksWhileAStatementWorksAndNotOnceRemoved) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)");
    db.ExecSQL(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
        "INSERT INTO t (v) SELECT 'v' || i FROM n");
    int ticks = 0;
    db.SetProgressHandler([&] { ++ticks; }, 1000);
    db.ExecSQL("CREATE INDEX t_v ON t (v)");
    EXPECT_GT(ticks, 10);
    const int before = ticks;
    db.SetProgressHandler({});
    db.ExecSQL("DROP INDEX t_v");
    db.ExecSQL("CREATE INDEX t_v ON t (v)");
    EXPECT_EQ(ticks, before);
}
