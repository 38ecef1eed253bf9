// A thin object layer over the embedded SQLite engine: one open database, statements, queries
// read whole into memory with typed field access, one blob parameter, and one exception class.
//
// Statements and queries never hand a failure back to their caller: a failure inside ExecSQL or
// GetTable goes to the database-failure handler, which the main window installs to tell the user
// and end the program. Opening, blob storage and the field accessors raise ESQLiteException.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/sysutils.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qm {

class ESQLiteException : public Exception {
  public:
    using Exception::Exception;
    ESQLiteException(const AnsiString& message, int engineCode)
        : Exception(message), EngineCode(engineCode) {}
    // The engine's result code of the failure, where the engine gave one; 0 otherwise.
    int EngineCode = 0;
};

// The failure came from another program's lock on the file, held past the busy timeout: the
// user can act on it (close that program), unlike on the engine's words for it.
bool IsBusyFailure(const ESQLiteException& e);
// The engine's result code says it cannot read the file as a database: bytes of another kind
// under its name, or pages damaged or cut short since they were written.
bool IsDamagedFileFailure(int engineCode);

// How long a statement waits for a lock another program holds on the file (a backup tool or a
// sync client reading it for a moment) before it fails as busy.
inline constexpr int kBusyTimeoutMs = 5000;

// The engine's reason at the end of a statement's or query's failure message (the text after
// the last "\" : "), or the whole message where it has no such part.
AnsiString FailureReason(const ESQLiteException& e);

// Field types of result columns; the codes are the engine's storage classes.
enum TSQLiteFieldType : int { dtInt = 1, dtNumeric = 2, dtStr = 3, dtBlob = 4, dtNull = 5 };

class TSQLiteTable;
class TSQLiteStatement;

// The field type of a result column: from its declared type when it has one, else from the
// storage class (SQLITE_INTEGER ... SQLITE_NULL) of the value the first row holds.
TSQLiteFieldType TypeOfDeclared(const char* declared, int storage);

class TSQLiteDatabase {
  public:
    // Opens (or creates) the file, then sets the busy timeout and the pragmas the program runs
    // with.
    explicit TSQLiteDatabase(const AnsiString& fileName);
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    void ExecSQL(const AnsiString& sql);
    // Runs a statement as ExecSQL does, but hands a failure back instead of to the failure
    // handler: false, with the engine's reason in `reason`. For work the program can do
    // without (a speed aid that a full disk cannot hold).
    bool TryExecSQL(const AnsiString& sql, AnsiString& reason);
    std::unique_ptr<TSQLiteTable> GetTable(const AnsiString& sql);
    // Runs a statement with exactly one "?" parameter bound to `data` as a blob.
    void UpdateBlob(const AnsiString& sql, const AnsiString& data);

    sqlite3* Handle() const { return db_; }

    // The statement for `sql`, prepared on first use and kept for the life of the connection:
    // for statements that run per row or per action. Each use starts with Reset(); one use at a
    // time per text (a caller must not run the same text again while it walks the rows).
    TSQLiteStatement& Statement(const AnsiString& sql);

    // Changes as they can be seen from here: which connection this is (no two share a number,
    // even one opened where another was freed), the rows this connection has changed so far, the
    // engine's counter of commits made by other connections, and the transactions rolled back
    // here (which undo changes without lowering the count). Two equal stamps mean nothing in
    // the file changed in between.
    struct ChangeStamp {
        uint64_t connection = 0;  // this connection among all opened in the process
        int64_t own = -1;
        int64_t others = -1;
        int64_t rollbacks = -1;  // transactions this connection rolled back
        bool operator==(const ChangeStamp&) const = default;
    };
    ChangeStamp Changes();

    // While set, `tick` runs about every `steps` steps of the engine inside long statements (an
    // index built over a large table), so a window can show progress. The tick must not use
    // this connection. An empty function removes it.
    void SetProgressHandler(std::function<void()> tick, int steps = 10000);

    // Called when a statement or query fails. It must not return normally: the main window's
    // handler tells the user and ends the process; tests may throw instead. A handler that does
    // return is followed by the process's end all the same.
    using FailureHandler = std::function<void(const ESQLiteException& e)>;
    static void SetFailureHandler(FailureHandler handler);

  private:
    friend class TSQLiteTable;
    friend class TSQLiteStatement;
    friend class TSQLiteTransaction;
    [[noreturn]] void RaiseError(const AnsiString& msg, const AnsiString& sql);
    [[noreturn]] static void Fail(const ESQLiteException& e);
    sqlite3_stmt* Prepare(const AnsiString& sql);
    AnsiString EngineMessage() const;

    sqlite3* db_ = nullptr;
    std::function<void()> progress_;
    int64_t rollbacks_ = 0;
    uint64_t serial_ = 0;
    int transactionDepth_ = 0;  // open TSQLiteTransaction objects
    // Finalized before the connection closes.
    std::map<AnsiString, std::unique_ptr<TSQLiteStatement>> statements_;
    // Every TSQLiteStatement alive on this connection, those of statements_ and those its
    // callers hold (a report's reader, an import's insert). They belong to this connection's
    // thread, as the connection does.
    std::unordered_set<TSQLiteStatement*> made_;
};

// Runs several statements as one unit: rolled back unless Commit is called.
//
// Units nest. A writer that is one unit by itself (recalculating a balance) is also called by
// larger units (storing a move with the balances it changes), so a transaction may be opened
// while another one is open on the same database:
//  1. The outermost object is a real transaction: BEGIN, then COMMIT or ROLLBACK. Nothing any
//     inner object does reaches the file before the outermost commits.
//  2. An object opened inside another is a savepoint of the engine ("SAVEPOINT qm_<depth>").
//     Its Commit releases the savepoint, handing its work to the enclosing unit; destroyed
//     without Commit it rolls back its own work only, and the enclosing unit decides the rest.
//  3. Objects end in the reverse order of their opening (they live in scopes); Commit is only
//     called on the innermost open one.
// An outermost object opened while the connection is inside a transaction begun by a plain
// statement ("BEGIN") is a savepoint of that one, as in 2. A transaction the engine has already
// rolled back by itself is not rolled back twice.
class TSQLiteTransaction {
  public:
    explicit TSQLiteTransaction(TSQLiteDatabase& db);
    ~TSQLiteTransaction();
    TSQLiteTransaction(const TSQLiteTransaction&) = delete;
    TSQLiteTransaction& operator=(const TSQLiteTransaction&) = delete;
    void Commit();
    // Commit for work the program can do without: a COMMIT the engine refuses (a full disk)
    // gives false with its reason, and the object stays open, so that its end rolls back.
    bool TryCommit(AnsiString& reason);

    // How many transaction objects are open on `db`, the outermost counted as 1.
    static int Depth(const TSQLiteDatabase& db) { return db.transactionDepth_; }

  private:
    AnsiString SavepointName() const;

    TSQLiteDatabase& db_;
    int level_ = 0;  // 1 for the outermost
    bool savepoint_ = false;
    bool open_ = true;
};

class TSQLiteTable {
  public:
    TSQLiteTable(TSQLiteDatabase& db, const AnsiString& sql);

    int Count() const { return rowCount_; }
    int ColCount() const { return colCount_; }
    bool Eof() const { return currentRow_ >= rowCount_; }
    bool Next();
    int CurrentRow() const { return currentRow_; }
    TSQLiteFieldType ColumnType(int col) const { return types_.at(col); }

    AnsiString Fields(int col) const;
    AnsiString FieldAsString(int col) const;
    int64_t FieldAsInteger(int col) const;
    double FieldAsDouble(int col) const;
    // The blob's bytes, owned by the table; nullptr for NULL and for a blob of 0 bytes.
    const AnsiString* FieldAsBlob(int col) const;
    AnsiString FieldAsBlobText(int col) const;

  private:
    struct Cell {
        bool null = true;
        int64_t i = 0;
        double d = 0;
        AnsiString s;
    };
    const Cell& At(int col) const;

    std::vector<Cell> cells_;
    std::vector<TSQLiteFieldType> types_;
    int rowCount_ = 0;
    int colCount_ = 0;
    int currentRow_ = 0;
};

}  // namespace qm
