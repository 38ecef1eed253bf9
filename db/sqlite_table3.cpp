// The database access layer over the SQLite C interface.
#include "db/sqlite_table3.h"

#include <sqlite3.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "db/journal_guard.h"
#include "db/sqlite_statement.h"

namespace qm {
namespace {

TSQLiteDatabase::FailureHandler& Handler() {
    static TSQLiteDatabase::FailureHandler handler;
    return handler;
}

}  // namespace

// Declared types are compared exactly: a lower-case "integer" column is text.
TSQLiteFieldType TypeOfDeclared(const char* decl, int storage) {
    if (!decl) return static_cast<TSQLiteFieldType>(storage);
    const AnsiString d(decl);
    if (d == "INTEGER" || d == "BOOLEAN") return dtInt;
    if (d == "NUMERIC" || d == "FLOAT" || d == "DOUBLE" || d == "REAL") return dtNumeric;
    if (d == "BLOB") return dtBlob;
    return dtStr;
}

AnsiString FailureReason(const ESQLiteException& e) {
    const size_t at = e.Message.rfind("\" : ");
    return at == AnsiString::npos ? e.Message : e.Message.substr(at + 4);
}

bool IsBusyFailure(const ESQLiteException& e) {
    return (e.EngineCode & 0xff) == SQLITE_BUSY;
}

bool IsDamagedFileFailure(int engineCode) {
    return (engineCode & 0xff) == SQLITE_NOTADB || (engineCode & 0xff) == SQLITE_CORRUPT;
}

void TSQLiteDatabase::SetFailureHandler(FailureHandler handler) {
    Handler() = std::move(handler);
}

void TSQLiteDatabase::Fail(const ESQLiteException& e) {
    if (Handler()) Handler()(e);
    std::fprintf(stderr, "%s\n", e.Message.c_str());
    std::exit(EXIT_FAILURE);
}

TSQLiteDatabase::TSQLiteDatabase(const AnsiString& fileName) {
    static uint64_t opened = 0;
    serial_ = ++opened;
    // Before the engine reads anything: it rolls back any journal it finds beside the file.
    GuardJournals();
    // A connection belongs to the thread that made it (work in parts reads through connections of
    // its own), so the engine need not lock it around every call: a lock and an unlock for each
    // column of each row were a fifth of a pass over all the moves.
    int rc =
        sqlite3_open_v2(fileName.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        AnsiString msg =
            db_ ? "Failed to open database \"" + fileName + "\" : " + sqlite3_errmsg(db_)
                : "Failed to open database \"" + fileName + "\" : unknown error";
        if (db_) sqlite3_close(db_);
        db_ = nullptr;
        throw ESQLiteException(msg);
    }
    // A lock held for a moment is waited out; one held longer still fails the statement.
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // A file that is no database fails here, in the failure handler. A handler that raises
    // leaves the constructor unfinished, so the connection (and its open file) is closed first.
    try {
        ExecSQL("PRAGMA SYNCHRONOUS=NORMAL;");
        ExecSQL("PRAGMA temp_store = MEMORY;");
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

TSQLiteDatabase::~TSQLiteDatabase() {
    statements_.clear();
    // A statement still alive would make the close fail as busy and leave the connection open,
    // its locks and any transaction with it, past the data file's lock at the process's end
    // (a failure's exit leaves the statements of the frames it leaves alive).
    for (TSQLiteStatement* statement : made_) statement->Detach();
    made_.clear();
    if (!db_) return;
    // What is left was prepared by this layer in a frame a failure's exit never returned to:
    // nothing else will ever finalize it.
    while (sqlite3_stmt* left = sqlite3_next_stmt(db_, nullptr)) sqlite3_finalize(left);
    const int rc = sqlite3_close(db_);
    if (rc != SQLITE_OK)
        std::fprintf(stderr, "The database connection was not closed: %s\n", sqlite3_errmsg(db_));
}

AnsiString TSQLiteDatabase::EngineMessage() const {
    return db_ && sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : "No message";
}

TSQLiteStatement& TSQLiteDatabase::Statement(const AnsiString& sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end())
        it = statements_.emplace(sql, std::make_unique<TSQLiteStatement>(*this, sql)).first;
    it->second->Reset();
    return *it->second;
}

void TSQLiteDatabase::SetProgressHandler(std::function<void()> tick, int steps) {
    progress_ = std::move(tick);
    if (!progress_) {
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        return;
    }
    sqlite3_progress_handler(
        db_, steps,
        [](void* self) {
            static_cast<TSQLiteDatabase*>(self)->progress_();
            return 0;  // never interrupts the statement
        },
        this);
}

TSQLiteDatabase::ChangeStamp TSQLiteDatabase::Changes() {
    ChangeStamp stamp;
    stamp.connection = serial_;
    stamp.own = sqlite3_total_changes64(db_);
    stamp.rollbacks = rollbacks_;
    TSQLiteStatement& version = Statement("PRAGMA data_version");
    if (version.Step()) stamp.others = version.FieldAsInteger(0);
    version.Reset();
    return stamp;
}

void TSQLiteDatabase::RaiseError(const AnsiString& msg, const AnsiString& sql) {
    const char* detail = "No message";
    if (db_ && sqlite3_errcode(db_) != SQLITE_OK) detail = sqlite3_errmsg(db_);
    throw ESQLiteException(msg + " \"" + sql + "\" : " + detail, db_ ? sqlite3_errcode(db_) : 0);
}

sqlite3_stmt* TSQLiteDatabase::Prepare(const AnsiString& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        RaiseError("Error executing SQL", sql);
    }
    if (!stmt) RaiseError("Could not prepare SQL statement", sql);
    return stmt;
}

void TSQLiteDatabase::ExecSQL(const AnsiString& sql) {
    try {
        sqlite3_stmt* stmt = Prepare(sql);
        int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) {
            // The message must be read before finalize resets the connection's error.
            AnsiString detail =
                sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : "No message";
            sqlite3_finalize(stmt);
            throw ESQLiteException("Error executing SQL statement \"" + sql + "\" : " + detail, rc);
        }
        sqlite3_finalize(stmt);
    } catch (const ESQLiteException& e) {
        Fail(e);
    }
}

bool TSQLiteDatabase::TryExecSQL(const AnsiString& sql, AnsiString& reason) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK && stmt) rc = sqlite3_step(stmt);
    const bool done = rc == SQLITE_DONE || (rc == SQLITE_OK && !stmt);
    if (!done) reason = EngineMessage();
    sqlite3_finalize(stmt);
    return done;
}

std::unique_ptr<TSQLiteTable> TSQLiteDatabase::GetTable(const AnsiString& sql) {
    try {
        return std::make_unique<TSQLiteTable>(*this, sql);
    } catch (const ESQLiteException& e) {
        Fail(e);
    }
}

void TSQLiteDatabase::UpdateBlob(const AnsiString& sql, const AnsiString& data) {
    // Checked before the engine is asked anything, so no engine message belongs to it.
    if (sql.find('?') == AnsiString::npos)
        throw ESQLiteException("SQL must include a ? parameter \"" + sql + "\" : No message");
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        RaiseError("Could not prepare SQL statement", sql);
    }
    if (sqlite3_bind_blob(stmt, 1, data.data(), static_cast<int>(data.size()), SQLITE_STATIC) !=
        SQLITE_OK) {
        AnsiString detail = sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : "No message";
        sqlite3_finalize(stmt);
        throw ESQLiteException("Error binding blob to database \"" + sql + "\" : " + detail);
    }
    if (sqlite3_step(stmt) != SQLITE_DONE) {
        AnsiString detail = sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : "No message";
        sqlite3_finalize(stmt);
        throw ESQLiteException("Error executing SQL statement \"" + sql + "\" : " + detail);
    }
    sqlite3_finalize(stmt);
}

TSQLiteTransaction::TSQLiteTransaction(TSQLiteDatabase& db)
    : db_(db),
      level_(db.transactionDepth_ + 1),
      savepoint_(level_ > 1 || !sqlite3_get_autocommit(db.Handle())) {
    db_.ExecSQL(savepoint_ ? "SAVEPOINT " + SavepointName() : AnsiString("BEGIN"));
    db_.transactionDepth_ = level_;
}

// Named for the depth it is opened at: one name stands for one open savepoint.
AnsiString TSQLiteTransaction::SavepointName() const {
    return "qm_" + IntToStr(level_);
}

TSQLiteTransaction::~TSQLiteTransaction() {
    if (!open_) return;
    // Undone changes leave the count of changes as it was: the stamp counts them apart.
    ++db_.rollbacks_;
    assert(level_ == db_.transactionDepth_);  // invariant 3
    // With autocommit back on, the engine has rolled the whole transaction back already.
    if (!sqlite3_get_autocommit(db_.Handle())) {
        if (savepoint_) {
            db_.ExecSQL("ROLLBACK TO " + SavepointName());
            db_.ExecSQL("RELEASE " + SavepointName());
        } else {
            db_.ExecSQL("ROLLBACK");
        }
    }
    --db_.transactionDepth_;
}

void TSQLiteTransaction::Commit() {
    assert(open_ && level_ == db_.transactionDepth_);  // invariant 3
    db_.ExecSQL(savepoint_ ? "RELEASE " + SavepointName() : AnsiString("COMMIT"));
    open_ = false;
    --db_.transactionDepth_;
}

bool TSQLiteTransaction::TryCommit(AnsiString& reason) {
    assert(open_ && level_ == db_.transactionDepth_);  // invariant 3
    if (!db_.TryExecSQL(savepoint_ ? "RELEASE " + SavepointName() : AnsiString("COMMIT"), reason))
        return false;
    open_ = false;
    --db_.transactionDepth_;
    return true;
}

TSQLiteTable::TSQLiteTable(TSQLiteDatabase& db, const AnsiString& sql) {
    sqlite3_stmt* stmt = db.Prepare(sql);
    for (;;) {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_ROW) {
            if (rowCount_ == 0) {
                colCount_ = sqlite3_column_count(stmt);
                for (int c = 0; c < colCount_; ++c)
                    types_.push_back(TypeOfDeclared(sqlite3_column_decltype(stmt, c),
                                                    sqlite3_column_type(stmt, c)));
            }
            ++rowCount_;
            for (int c = 0; c < colCount_; ++c) {
                Cell cell;
                if (sqlite3_column_type(stmt, c) != SQLITE_NULL) {
                    cell.null = false;
                    switch (types_[c]) {
                        case dtInt:
                            cell.i = sqlite3_column_int64(stmt, c);
                            break;
                        case dtNumeric:
                            cell.d = sqlite3_column_double(stmt, c);
                            break;
                        case dtBlob: {
                            const void* p = sqlite3_column_blob(stmt, c);
                            int n = sqlite3_column_bytes(stmt, c);
                            if (p && n > 0) cell.s.assign(static_cast<const char*>(p), n);
                            break;
                        }
                        default: {
                            const unsigned char* t = sqlite3_column_text(stmt, c);
                            int n = sqlite3_column_bytes(stmt, c);
                            if (t) cell.s.assign(reinterpret_cast<const char*>(t), n);
                            break;
                        }
                    }
                }
                cells_.push_back(std::move(cell));
            }
            continue;
        }
        if (rc == SQLITE_BUSY) {
            sqlite3_finalize(stmt);
            throw ESQLiteException(
                "Could not prepare SQL statement \"" + sql + "\" : SQLite is Busy", SQLITE_BUSY);
        }
        AnsiString detail =
            sqlite3_errcode(db.Handle()) != SQLITE_OK ? sqlite3_errmsg(db.Handle()) : "No message";
        sqlite3_finalize(stmt);
        throw ESQLiteException("Could not retrieve data \"" + sql + "\" : " + detail, rc);
    }
    sqlite3_finalize(stmt);
    currentRow_ = 0;
}

bool TSQLiteTable::Next() {
    if (Eof()) return false;
    ++currentRow_;
    return true;
}

const TSQLiteTable::Cell& TSQLiteTable::At(int col) const {
    if (Eof()) throw ESQLiteException("Table is at End of File");
    if (col < 0 || col >= colCount_) throw ESQLiteException("Field index out of range");
    return cells_[static_cast<size_t>(currentRow_) * colCount_ + col];
}

AnsiString TSQLiteTable::Fields(int col) const {
    const Cell& c = At(col);
    switch (types_[col]) {
        case dtInt:
            return c.null ? "0" : IntToStr(c.i);
        case dtNumeric:
            return c.null ? "0" : FloatToStr(c.d);
        case dtNull:
            return "";
        default:
            return c.s;
    }
}

AnsiString TSQLiteTable::FieldAsString(int col) const {
    return At(col).null ? AnsiString() : Fields(col);
}

int64_t TSQLiteTable::FieldAsInteger(int col) const {
    const Cell& c = At(col);
    if (c.null) return 0;
    if (types_[col] == dtInt) return c.i;
    if (types_[col] == dtNumeric) return static_cast<int64_t>(c.d);
    throw ESQLiteException("Not an integer or numeric field");
}

double TSQLiteTable::FieldAsDouble(int col) const {
    const Cell& c = At(col);
    if (c.null) return 0;
    if (types_[col] == dtNumeric) return c.d;
    if (types_[col] == dtInt) return static_cast<double>(c.i);
    throw ESQLiteException("Not an integer or numeric field");
}

const AnsiString* TSQLiteTable::FieldAsBlob(int col) const {
    const Cell& c = At(col);
    if (c.null) return nullptr;
    if (types_[col] != dtBlob) throw ESQLiteException("Not a Blob field");
    return c.s.empty() ? nullptr : &c.s;
}

AnsiString TSQLiteTable::FieldAsBlobText(int col) const {
    const AnsiString* b = FieldAsBlob(col);
    return b ? *b : AnsiString();
}

}  // namespace qm
