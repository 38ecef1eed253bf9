// The database access layer against real database files.
#include "db/sqlite_table3.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/support.h"

using namespace qm;

namespace {

// Statement failures end the process unless a handler throws; these tests make them throw.
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

TEST(SQLiteTable, FieldTypesFollowDeclaredTypesExactly) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    TSQLiteDatabase db("t.dat");
    db.ExecSQL(
        "CREATE TABLE t (i INTEGER, n NUMERIC, s TEXT, b BLOB, mixed Numeric, r REAL, f FLOAT)");
    db.ExecSQL("INSERT INTO t VALUES (7, 2.5, 'x', x'00ff', 12, 1.25, 3)");
    auto t = db.GetTable("select i, n, s, b, mixed, r, f, count(*), max(n), 'lit' from t");
    ASSERT_EQ(t->Count(), 1);
    ASSERT_EQ(t->ColCount(), 10);
    EXPECT_EQ(t->ColumnType(0), dtInt);
    EXPECT_EQ(t->ColumnType(1), dtNumeric);
    EXPECT_EQ(t->ColumnType(2), dtStr);
    EXPECT_EQ(t->ColumnType(3), dtBlob);
    EXPECT_EQ(t->ColumnType(4), dtStr);  // "Numeric" is not "NUMERIC"
    EXPECT_EQ(t->ColumnType(5), dtNumeric);
    EXPECT_EQ(t->ColumnType(6), dtNumeric);
    EXPECT_EQ(t->ColumnType(7), dtInt);      // no declared type: the storage class
    EXPECT_EQ(t->ColumnType(8), dtNumeric);  // max of 2.5 is a float value
    EXPECT_EQ(t->ColumnType(9), dtStr);

    EXPECT_EQ(t->FieldAsString(1), "2,5");
    EXPECT_EQ(t->FieldAsInteger(1), 2);
    EXPECT_DOUBLE_EQ(t->FieldAsDouble(0), 7);
    EXPECT_EQ(t->FieldAsString(6), "3");
    EXPECT_EQ(t->FieldAsBlobText(3), AnsiString("\0\xff", 2));
    EXPECT_EQ(t->Fields(4), "12");
    EXPECT_EQ(MessageOf([&] { t->FieldAsInteger(4); }), "Not an integer or numeric field");
    EXPECT_EQ(MessageOf([&] { t->FieldAsDouble(2); }), "Not an integer or numeric field");
    EXPECT_EQ(MessageOf([&] { t->FieldAsBlob(2); }), "Not a Blob field");
}

TEST(SQLiteTable, NullsEmptyResultsAndEndOfFile) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    TSQLiteDatabase db("t.dat");
    db.ExecSQL(
        "CREATE TABLE bill_move (id INTEGER PRIMARY KEY, amount NUMERIC, note TEXT, files BLOB)");

    auto empty = db.GetTable("select * from bill_move");
    EXPECT_EQ(empty->Count(), 0);
    EXPECT_EQ(empty->ColCount(), 0);
    EXPECT_TRUE(empty->Eof());
    EXPECT_FALSE(empty->Next());
    EXPECT_EQ(MessageOf([&] { empty->FieldAsString(0); }), "Table is at End of File");

    auto max = db.GetTable("select max(id) from bill_move");
    ASSERT_EQ(max->Count(), 1);
    EXPECT_EQ(max->ColumnType(0), dtNull);
    EXPECT_EQ(max->FieldAsInteger(0), 0);
    EXPECT_EQ(max->FieldAsString(0), "");

    db.ExecSQL("INSERT INTO bill_move VALUES (1, NULL, NULL, x'')");
    db.ExecSQL("INSERT INTO bill_move VALUES (2, 3, 'a', NULL)");
    auto t = db.GetTable("select id, amount, note, files from bill_move order by id");
    EXPECT_EQ(t->Fields(1), "0");  // NULL in a float column
    EXPECT_EQ(t->FieldAsString(1), "");
    EXPECT_EQ(t->FieldAsDouble(1), 0);
    EXPECT_EQ(t->FieldAsInteger(2), 0);     // a NULL cell reads as 0 whatever its column's type
    EXPECT_EQ(t->FieldAsBlob(3), nullptr);  // 0 bytes reads as no stream
    EXPECT_EQ(t->FieldAsBlobText(3), "");
    EXPECT_TRUE(t->Next());
    EXPECT_EQ(t->FieldAsString(1), "3");
    EXPECT_EQ(MessageOf([&] { t->FieldAsInteger(2); }), "Not an integer or numeric field");
    EXPECT_EQ(t->FieldAsBlob(3), nullptr);
    EXPECT_TRUE(t->Next());
    EXPECT_TRUE(t->Eof());
    EXPECT_FALSE(t->Next());
    EXPECT_EQ(t->CurrentRow(), 2);
}

TEST(SQLiteTable, ResultsAreCompleteBeforeFurtherStatementsRun) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY)");
    for (int i = 1; i <= 5; ++i) db.ExecSQL("INSERT INTO t VALUES (" + IntToStr(i) + ")");
    auto t = db.GetTable("select id from t order by id");
    int seen = 0;
    while (!t->Eof()) {
        db.ExecSQL("DELETE FROM t WHERE id = " + t->FieldAsString(0));
        ++seen;
        t->Next();
    }
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(db.GetTable("select count(*) from t")->FieldAsInteger(0), 0);
}

TEST(SQLiteDatabase, FailureMessagesCarryTheSqlAndTheEnginesText) {
    qmtest::TempDir dir;
    ThrowingFailures throwing;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)");
    EXPECT_EQ(MessageOf([&] { db.ExecSQL("SELEC 1"); }),
              "Error executing SQL \"SELEC 1\" : near \"SELEC\": syntax error");
    EXPECT_EQ(MessageOf([&] { db.ExecSQL(""); }),
              "Could not prepare SQL statement \"\" : No message");
    EXPECT_EQ(MessageOf([&] { db.ExecSQL("-- only a comment"); }),
              "Could not prepare SQL statement \"-- only a comment\" : No message");
    EXPECT_EQ(MessageOf([&] {
                  db.ExecSQL("select 1");
              }).rfind("Error executing SQL statement \"select 1\" : ", 0),
              0u);
    db.ExecSQL("INSERT INTO t VALUES (1, 'a')");
    EXPECT_EQ(MessageOf([&] { db.ExecSQL("INSERT INTO t VALUES (1, 'b')"); }),
              "Error executing SQL statement \"INSERT INTO t VALUES (1, 'b')\" : UNIQUE constraint "
              "failed: t.id");
    EXPECT_EQ(MessageOf([&] { db.GetTable("select nope from t"); }),
              "Error executing SQL \"select nope from t\" : no such column: nope");
    EXPECT_EQ(MessageOf([&] { db.GetTable("select abs(-9223372036854775807-1)"); }),
              "Could not retrieve data \"select abs(-9223372036854775807-1)\" : integer overflow");
    EXPECT_EQ(MessageOf([&] { db.UpdateBlob("update t set v = 1", "x"); }),
              "SQL must include a ? parameter \"update t set v = 1\" : No message");
    EXPECT_EQ(
        MessageOf([&] { db.UpdateBlob("update nothere set v = ?", "x"); }),
        "Could not prepare SQL statement \"update nothere set v = ?\" : no such table: nothere");
}

TEST(SQLiteDatabase, OpeningFailuresNameTheFile) {
    qmtest::TempDir dir;
    EXPECT_EQ(MessageOf([] { TSQLiteDatabase db("no/such/dir/x.dat"); }),
              "Failed to open database \"no/such/dir/x.dat\" : unable to open database file");
}

TEST(SQLiteDatabase, AFileThatIsNoDatabaseFailsAndIsClosedAgain) {
    qmtest::TempDir dir;
    ThrowingFailures throwing;
    std::ofstream("damaged.dat", std::ios::binary) << "[\n";
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto before = openFiles();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(MessageOf([] { TSQLiteDatabase db("damaged.dat"); }),
                  "Error executing SQL \"PRAGMA SYNCHRONOUS=NORMAL;\" : file is not a database");
    EXPECT_EQ(openFiles(), before);
}

TEST(SQLiteDatabase, BusyDatabaseFailsAtOnce) {
    qmtest::TempDir dir;
    ThrowingFailures throwing;
    TSQLiteDatabase a("t.dat"), b("t.dat");
    a.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY)");
    EXPECT_EQ(b.GetTable("select * from t")->Count(), 0);
    a.ExecSQL("BEGIN EXCLUSIVE");
    EXPECT_EQ(MessageOf([&] { b.GetTable("select * from t"); }),
              "Could not prepare SQL statement \"select * from t\" : SQLite is Busy");
    a.ExecSQL("COMMIT");
}

TEST(SQLiteDatabase, BlobsKeepEveryByte) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY, files BLOB)");
    db.ExecSQL("INSERT INTO t VALUES (1, NULL)");
    AnsiString data("a\0b\x01\x02\xff'\"", 8);
    db.UpdateBlob("update t set files = ? where id = 1", data);
    EXPECT_EQ(db.GetTable("select files from t")->FieldAsBlobText(0), data);
    db.UpdateBlob("update t set files = ? where id = 1", "");
    EXPECT_EQ(db.GetTable("select files from t")->FieldAsBlob(0), nullptr);
}

TEST(SQLiteDatabase, TransactionRollsBackUnlessCommitted) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY)");
    {
        TSQLiteTransaction tr(db);
        db.ExecSQL("INSERT INTO t VALUES (1)");
    }
    EXPECT_EQ(db.GetTable("select count(*) from t")->FieldAsInteger(0), 0);
    {
        TSQLiteTransaction tr(db);
        db.ExecSQL("INSERT INTO t VALUES (2)");
        tr.Commit();
    }
    EXPECT_EQ(db.GetTable("select count(*) from t")->FieldAsInteger(0), 1);
}

namespace {

AnsiString Ids(TSQLiteDatabase& db) {
    AnsiString out;
    for (auto t = db.GetTable("select id from t order by id"); !t->Eof(); t->Next())
        out += t->FieldAsString(0) + " ";
    return out;
}

}  // namespace

TEST(SQLiteDatabase, NestedTransactionsReachTheFileOnlyWithTheOutermostCommit) {
    qmtest::TempDir dir;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY)");
    TSQLiteDatabase reader("t.dat");
    {
        TSQLiteTransaction outer(db);
        db.ExecSQL("INSERT INTO t VALUES (1)");
        {
            TSQLiteTransaction inner(db);
            EXPECT_EQ(TSQLiteTransaction::Depth(db), 2);
            db.ExecSQL("INSERT INTO t VALUES (2)");
            inner.Commit();
        }
        // Committed inside, but the unit it belongs to is still open.
        EXPECT_EQ(Ids(reader), "");
        EXPECT_EQ(Ids(db), "1 2 ");
    }
    EXPECT_EQ(Ids(db), "") << "the outer rollback takes the committed inner work with it";
    EXPECT_EQ(TSQLiteTransaction::Depth(db), 0);

    {
        TSQLiteTransaction outer(db);
        db.ExecSQL("INSERT INTO t VALUES (3)");
        {
            TSQLiteTransaction inner(db);
            db.ExecSQL("INSERT INTO t VALUES (4)");
            {
                TSQLiteTransaction innermost(db);
                db.ExecSQL("INSERT INTO t VALUES (5)");
                innermost.Commit();
            }
        }  // rolled back with what it took in
        db.ExecSQL("INSERT INTO t VALUES (6)");
        {
            TSQLiteTransaction again(db);  // the same depth may open again
            db.ExecSQL("INSERT INTO t VALUES (7)");
            again.Commit();
        }
        outer.Commit();
    }
    EXPECT_EQ(Ids(reader), "3 6 7 ");
    EXPECT_EQ(TSQLiteTransaction::Depth(db), 0);

    // Inside a transaction begun by a plain statement, the outermost object nests as well.
    db.ExecSQL("BEGIN");
    {
        TSQLiteTransaction dropped(db);
        db.ExecSQL("INSERT INTO t VALUES (8)");
    }
    {
        TSQLiteTransaction kept(db);
        db.ExecSQL("INSERT INTO t VALUES (9)");
        kept.Commit();
    }
    EXPECT_EQ(Ids(reader), "3 6 7 ");
    db.ExecSQL("COMMIT");
    EXPECT_EQ(Ids(reader), "3 6 7 9 ");
}

TEST(SQLiteDatabase, AFailureInsideNestedTransactionsLeavesTheFileAsItWas) {
    qmtest::TempDir dir;
    ThrowingFailures throwing;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (id INTEGER PRIMARY KEY)");
    db.ExecSQL("INSERT INTO t VALUES (1)");
    EXPECT_NE(MessageOf([&] {
                  TSQLiteTransaction outer(db);
                  db.ExecSQL("INSERT INTO t VALUES (2)");
                  TSQLiteTransaction inner(db);
                  db.ExecSQL("INSERT INTO t VALUES (3)");
                  db.ExecSQL("INSERT INTO t VALUES (1)");  // the key is taken
                  inner.Commit();
                  outer.Commit();
              }),
              "(no exception)");
    EXPECT_EQ(Ids(db), "1 ");
    EXPECT_EQ(TSQLiteTransaction::Depth(db), 0);
    // The connection is not left inside a transaction: a new unit opens and commits.
    {
        TSQLiteTransaction tr(db);
        db.ExecSQL("INSERT INTO t VALUES (4)");
        tr.Commit();
    }
    TSQLiteDatabase reader("t.dat");
    EXPECT_EQ(Ids(reader), "1 4 ");
}

TEST(SQLiteDatabaseDeathTest, FailedStatementEndsTheProcessThroughTheHandler) {
    qmtest::TempDir dir;
    EXPECT_EXIT(
        {
            TSQLiteDatabase db("t.dat");
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) {
                std::fprintf(stderr, "handler saw: %s\n", e.Message.c_str());
                std::exit(3);
            });
            db.ExecSQL("select 1");
            std::fprintf(stderr, "returned\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "handler saw: Error executing SQL statement \"select 1\"");
    EXPECT_EXIT(
        {
            TSQLiteDatabase db("t.dat");
            TSQLiteDatabase::SetFailureHandler([](const ESQLiteException&) {});
            db.GetTable("select * from missing");
            std::exit(0);
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "no such table: missing");
}
