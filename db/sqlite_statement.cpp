// Prepared statements over the SQLite C interface.
#include "db/sqlite_statement.h"

#include <sqlite3.h>

namespace qm {

TSQLiteStatement::TSQLiteStatement(TSQLiteDatabase& db, const AnsiString& sql)
    : db_(db), sql_(sql) {
    try {
        stmt_ = db.Prepare(sql);
    } catch (const ESQLiteException& e) {
        TSQLiteDatabase::Fail(e);
    }
}

TSQLiteStatement::~TSQLiteStatement() {
    sqlite3_finalize(stmt_);
}

TSQLiteStatement& TSQLiteStatement::Reset() {
    // The result of reset repeats the last step's failure, which was reported then.
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return *this;
}

void TSQLiteStatement::Failed(const char* what, int rc) {
    // The message must be read before the reset clears the connection's error.
    sqlite3* handle = db_.Handle();
    const AnsiString detail = rc == SQLITE_BUSY                      ? AnsiString("SQLite is Busy")
                              : sqlite3_errcode(handle) != SQLITE_OK ? sqlite3_errmsg(handle)
                                                                     : "No message";
    sqlite3_reset(stmt_);
    TSQLiteDatabase::Fail(ESQLiteException(AnsiString(what) + " \"" + sql_ + "\" : " + detail));
}

TSQLiteStatement& TSQLiteStatement::Bind(int index, int64_t value) {
    if (int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK)
        Failed("Error binding a value", rc);
    return *this;
}

TSQLiteStatement& TSQLiteStatement::Bind(int index, double value) {
    if (int rc = sqlite3_bind_double(stmt_, index, value); rc != SQLITE_OK)
        Failed("Error binding a value", rc);
    return *this;
}

TSQLiteStatement& TSQLiteStatement::Bind(int index, const AnsiString& text) {
    if (int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        Failed("Error binding a value", rc);
    return *this;
}

bool TSQLiteStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Failed(rc == SQLITE_BUSY ? "Could not prepare SQL statement" : "Could not retrieve data", rc);
}

void TSQLiteStatement::Execute() {
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE) Failed("Error executing SQL statement", rc);
    sqlite3_reset(stmt_);
}

bool TSQLiteStatement::IsNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

int64_t TSQLiteStatement::ColumnInt64(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

double TSQLiteStatement::ColumnDouble(int col) const {
    return sqlite3_column_double(stmt_, col);
}

std::string_view TSQLiteStatement::ColumnView(int col) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    const int size = sqlite3_column_bytes(stmt_, col);
    return text && size > 0 ? std::string_view(text, static_cast<size_t>(size))
                            : std::string_view();
}

AnsiString TSQLiteStatement::ColumnText(int col) const {
    return AnsiString(ColumnView(col));
}

}  // namespace qm
