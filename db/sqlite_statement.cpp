// Prepared statements over the SQLite C interface.
#include "db/sqlite_statement.h"

#include <sqlite3.h>

#include "db/sqlite_columns.h"

namespace qm {

TSQLiteStatement::TSQLiteStatement(TSQLiteDatabase& db, const AnsiString& sql)
    : db_(&db), sql_(sql) {
    try {
        stmt_ = db.Prepare(sql);
    } catch (const ESQLiteException& e) {
        TSQLiteDatabase::Fail(e);
    }
    db.made_.insert(this);
}

TSQLiteStatement::~TSQLiteStatement() {
    if (db_) db_->made_.erase(this);
    sqlite3_finalize(stmt_);
}

void TSQLiteStatement::Detach() {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    db_ = nullptr;
    running_ = onRow_ = false;
}

void TSQLiteStatement::Failed(const AnsiString& what) {
    sqlite3* handle = db_ ? db_->Handle() : nullptr;
    // The message must be read before the reset clears the connection's error.
    const int code = handle ? sqlite3_errcode(handle) : SQLITE_MISUSE;
    const AnsiString detail = !handle             ? "The connection is closed"
                              : code != SQLITE_OK ? sqlite3_errmsg(handle)
                                                  : "No message";
    sqlite3_reset(stmt_);
    running_ = onRow_ = false;
    TSQLiteDatabase::Fail(ESQLiteException(what + " \"" + sql_ + "\" : " + detail, code));
}

TSQLiteStatement& TSQLiteStatement::Bind(int index, int64_t value) {
    Reset();
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) Failed("Error binding parameter");
    return *this;
}

TSQLiteStatement& TSQLiteStatement::Bind(int index, const AnsiString& text) {
    Reset();
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        Failed("Error binding parameter");
    return *this;
}

bool TSQLiteStatement::Step() {
    if (!running_) types_.clear();
    running_ = true;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        running_ = onRow_ = false;
        return false;
    }
    if (rc == SQLITE_BUSY) {
        sqlite3_reset(stmt_);
        running_ = onRow_ = false;
        TSQLiteDatabase::Fail(ESQLiteException(
            "Could not prepare SQL statement \"" + sql_ + "\" : SQLite is Busy", SQLITE_BUSY));
    }
    if (rc != SQLITE_ROW) Failed("Could not retrieve data");
    onRow_ = true;
    if (types_.empty())
        for (int c = 0; c < sqlite3_column_count(stmt_); ++c)
            types_.push_back(
                TypeOfDeclared(sqlite3_column_decltype(stmt_, c), sqlite3_column_type(stmt_, c)));
    return true;
}

void TSQLiteStatement::Run() {
    running_ = true;
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) Failed("Error executing SQL statement");
    sqlite3_reset(stmt_);
    running_ = onRow_ = false;
}

void TSQLiteStatement::Reset() {
    if (running_) sqlite3_reset(stmt_);
    running_ = onRow_ = false;
}

int TSQLiteStatement::ColCount() const {
    return sqlite3_column_count(stmt_);
}

void TSQLiteStatement::CheckRow(int col) const {
    if (!onRow_) throw ESQLiteException("Table is at End of File");
    if (col < 0 || col >= static_cast<int>(types_.size()))
        throw ESQLiteException("Field index out of range");
}

TSQLiteFieldType TSQLiteStatement::ColumnType(int col) const {
    CheckRow(col);
    return types_[col];
}

bool TSQLiteStatement::IsNull(int col) const {
    CheckRow(col);
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

AnsiString TSQLiteStatement::FieldAsString(int col) const {
    CheckRow(col);
    return ColumnAsString(stmt_, col, types_[col]);
}

int64_t TSQLiteStatement::FieldAsInteger(int col) const {
    if (IsNull(col)) return 0;
    if (types_[col] == dtInt) return sqlite3_column_int64(stmt_, col);
    if (types_[col] == dtNumeric) return static_cast<int64_t>(sqlite3_column_double(stmt_, col));
    throw ESQLiteException("Not an integer or numeric field");
}

double TSQLiteStatement::FieldAsDouble(int col) const {
    if (IsNull(col)) return 0;
    if (types_[col] == dtNumeric) return sqlite3_column_double(stmt_, col);
    if (types_[col] == dtInt) return static_cast<double>(sqlite3_column_int64(stmt_, col));
    throw ESQLiteException("Not an integer or numeric field");
}

TSQLiteStatement& TSQLiteStatement::BindReal(int index, double value) {
    Reset();
    if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) Failed("Error binding parameter");
    return *this;
}

int64_t TSQLiteStatement::RawInteger(int col) const {
    return ColumnInteger(stmt_, col);
}

double TSQLiteStatement::RawDouble(int col) const {
    return ColumnDouble(stmt_, col);
}

std::string_view TSQLiteStatement::RawText(int col) const {
    return ColumnText(stmt_, col);
}

}  // namespace qm
