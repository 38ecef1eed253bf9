#include "db/sqlite_reader.h"

#include <sqlite3.h>

#include "db/journal_guard.h"
#include "db/sqlite_columns.h"

namespace qm {

std::string TSQLiteReader::SharedFile(TSQLiteDatabase& db) {
    sqlite3* handle = db.Handle();
    if (!handle || !sqlite3_get_autocommit(handle)) return {};
    const char* file = sqlite3_db_filename(handle, "main");
    return file ? std::string(file) : std::string();
}

TSQLiteReader::TSQLiteReader(const std::string& file, const char* sql) {
    GuardJournals();
    // A reader waits for a lock as the program's own connection does: were it to give up at
    // once, the caller would read the same rows on that connection and wait there.
    // A reader walks its rows once: a small page cache keeps the upper pages of the trees it
    // walks, where the engine's default cache would hold two megabytes for each reader.
    failed_ =
        file.empty() ||
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK ||
        sqlite3_busy_timeout(db_, kBusyTimeoutMs) != SQLITE_OK ||
        sqlite3_exec(db_, "PRAGMA cache_size = -256", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr) != SQLITE_OK;
}

TSQLiteReader::~TSQLiteReader() {
    sqlite3_finalize(stmt_);
    sqlite3_close(db_);
}

void TSQLiteReader::Bind(int index, int64_t value) {
    if (!failed_) failed_ = sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK;
}

bool TSQLiteReader::Step() {
    if (failed_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    failed_ = rc != SQLITE_DONE;
    return false;
}

int TSQLiteReader::ErrorCode() const {
    return db_ ? sqlite3_extended_errcode(db_) : SQLITE_CANTOPEN;
}

std::string TSQLiteReader::ErrorText() const {
    return db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(SQLITE_CANTOPEN);
}

int64_t TSQLiteReader::RawInteger(int col) const {
    return ColumnInteger(stmt_, col);
}

double TSQLiteReader::RawDouble(int col) const {
    return ColumnDouble(stmt_, col);
}

std::string_view TSQLiteReader::RawText(int col) const {
    return ColumnText(stmt_, col);
}

bool TSQLiteReader::IsNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}

AnsiString TSQLiteReader::FieldAsString(int col, TSQLiteFieldType type) const {
    return ColumnAsString(stmt_, col, type);
}

}  // namespace qm
