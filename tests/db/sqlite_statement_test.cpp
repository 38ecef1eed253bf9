// Prepared statements: fields read as the whole-result tables read them, runs repeated with new
// parameters, and failures reported through the database-failure handler.
#include "db/sqlite_statement.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

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

// Every field, of every declared type and storage class (NULLs, expressions and values that
// change class from row to row included), reads as TSQLiteTable reads the same query.
TEST(SQLiteStatement, FieldsReadAsTheWholeResultTableReadsThem) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE t (i INTEGER, n NUMERIC, s TEXT, b BLOB, mixed Numeric, r REAL, x)");
    db.ExecSQL("INSERT INTO t VALUES (7, 2.5, 'x', x'00ff', 12, 1.25, 3)");
    db.ExecSQL("INSERT INTO t VALUES (NULL, 100, 4.75, NULL, 'text', NULL, 'word')");
    db.ExecSQL("INSERT INTO t VALUES (-9, -0.005, '', x'', 1e300, 0.1, 2.5)");
    db.ExecSQL("INSERT INTO t VALUES (0, 1234567890123.45, 'ä', 'text in a blob', NULL, -3, NULL)");
    const AnsiString sql =
        "select i, n, s, b, mixed, r, x, i * 2, n || '', null from t order by rowid";
    auto table = db.GetTable(sql);
    TSQLiteStatement statement(db, sql);
    int rows = 0;
    for (; statement.Step(); table->Next(), ++rows) {
        ASSERT_FALSE(table->Eof());
        ASSERT_EQ(statement.ColCount(), table->ColCount());
        for (int c = 0; c < table->ColCount(); ++c) {
            SCOPED_TRACE("row " + std::to_string(rows) + " column " + std::to_string(c));
            EXPECT_EQ(statement.ColumnType(c), table->ColumnType(c));
            EXPECT_EQ(statement.FieldAsString(c), table->FieldAsString(c));
            EXPECT_EQ(MessageOf([&] { statement.FieldAsInteger(c); }) == "(no exception)",
                      MessageOf([&] { table->FieldAsInteger(c); }) == "(no exception)");
            if (MessageOf([&] { table->FieldAsInteger(c); }) == "(no exception)") {
                EXPECT_EQ(statement.FieldAsInteger(c), table->FieldAsInteger(c));
                EXPECT_EQ(statement.FieldAsDouble(c), table->FieldAsDouble(c));
            }
        }
    }
    EXPECT_EQ(rows, 4);
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(MessageOf([&] { statement.FieldAsString(0); }), "Table is at End of File");
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
        insert.Bind(1, i % 3).Bind(2, AnsiString(i < 15 ? "20260101" : "20260201"));
        insert.Bind(3, AnsiString(i % 2 ? "12.50" : "-3"));
        insert.Run();
    }
    transaction.Commit();
    // A bound text takes the column's affinity, as a quoted literal does.
    auto kinds = db.GetTable("select distinct typeof(amount) from m order by 1");
    EXPECT_EQ(kinds->FieldAsString(0), "integer");
    kinds->Next();
    EXPECT_EQ(kinds->FieldAsString(0), "real");

    TSQLiteStatement select(db, "select count(*), sum(amount) from m where owner = ? and ts >= ?");
    for (int owner = 0; owner < 3; ++owner) {
        ASSERT_TRUE(select.Bind(1, owner).Bind(2, AnsiString("20260201")).Step());
        EXPECT_EQ(select.FieldAsInteger(0), 5) << owner;
        EXPECT_FALSE(select.Step());
    }
    TSQLiteStatement rows(db, "select id from m where owner = ? order by id");
    ASSERT_TRUE(rows.Bind(1, 1).Step());
    EXPECT_EQ(rows.FieldAsInteger(0), 2);
    // Bound again in the middle of a run: the new run starts from its first row.
    ASSERT_TRUE(rows.Bind(1, 2).Step());
    EXPECT_EQ(rows.FieldAsInteger(0), 3);
    rows.Reset();
    int count = 0;
    while (rows.Step()) ++count;
    EXPECT_EQ(count, 10);
}

TEST(SQLiteStatement, FailuresGoToTheFailureHandlerWithTheStatement) {
    qmtest::TempDir dir;
    ThrowingFailures failures;
    TSQLiteDatabase db("t.dat");
    db.ExecSQL("CREATE TABLE u (id INTEGER PRIMARY KEY, name TEXT UNIQUE)");
    EXPECT_EQ(MessageOf([&] { TSQLiteStatement s(db, "select x from nowhere"); }),
              "Error executing SQL \"select x from nowhere\" : no such table: nowhere");
    TSQLiteStatement insert(db, "insert into u (name) values (?)");
    insert.Bind(1, AnsiString("a")).Run();
    EXPECT_EQ(MessageOf([&] { insert.Run(); }),
              "Error executing SQL statement \"insert into u (name) values (?)\" : UNIQUE "
              "constraint failed: u.name");
    EXPECT_EQ(MessageOf([&] { insert.Bind(2, 1); }),
              "Error binding parameter \"insert into u (name) values (?)\" : column index out of "
              "range");
    // After a failure the statement runs again.
    insert.Bind(1, AnsiString("b")).Run();
    EXPECT_EQ(db.GetTable("select count(*) from u")->FieldAsInteger(0), 2);
}

// A statement its caller still holds as the connection closes (a report's reader, an import's
// insert on the frames a failure's exit leaves): the connection closes all the same and lets go
// of the file, and the statement, used or destroyed afterwards, touches nothing the engine freed.
TEST(SQLiteStatement, AStatementOutlivingItsConnectionLetsItCloseAndEndsSafely) {
    qmtest::TempDir dir;
    ThrowingFailures failures;
    auto db = std::make_unique<TSQLiteDatabase>("t.dat");
    db->ExecSQL("CREATE TABLE t (i INTEGER)");
    db->ExecSQL("INSERT INTO t VALUES (1), (2), (3)");
    auto reading = std::make_unique<TSQLiteStatement>(*db, "select i from t order by i");
    ASSERT_TRUE(reading->Step());  // in the middle of a run: the file's shared lock is held
    auto idle = std::make_unique<TSQLiteStatement>(*db, "insert into t values (?)");
    ASSERT_TRUE(db->Statement("select count(*) from t").Step());
    db.reset();
    // Another connection gets the whole file at once: nothing of the first one is left open.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open("t.dat", &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(other);
    sqlite3_close(other);
    EXPECT_EQ(MessageOf([&] { reading->Step(); }),
              "Could not retrieve data \"select i from t order by i\" : The connection is closed");
    EXPECT_EQ(MessageOf([&] { idle->Bind(1, 4); }),
              "Error binding parameter \"insert into t values (?)\" : The connection is closed");
    reading.reset();
    idle.reset();
}
