// A read-only connection of its own to the file that a program connection has open, for reading
// parts of one large result side by side on worker threads. It never goes to the failure
// handler: a failure only ends its reads and is remembered, and the caller then reads the usual
// way on its own connection, where a failure is handled as always.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/sqlite_table3.h"

namespace qm {

class TSQLiteReader {
  public:
    // The file other connections can read `db`'s committed state from; empty when they cannot
    // read what `db` sees: a database in memory or in a temporary file, or one inside a
    // transaction whose changes are not yet in the file.
    static std::string SharedFile(TSQLiteDatabase& db);

    // Opens `file` read only and prepares `sql`; Failed() tells whether that worked. Each reader
    // belongs to one thread at a time.
    TSQLiteReader(const std::string& file, const char* sql);
    ~TSQLiteReader();
    TSQLiteReader(const TSQLiteReader&) = delete;
    TSQLiteReader& operator=(const TSQLiteReader&) = delete;

    void Bind(int index, int64_t value);
    // The next row: false at the end of the result or on a failure.
    bool Step();
    bool Failed() const { return failed_; }
    // After a failure: the engine's result code and its words for it.
    int ErrorCode() const;
    std::string ErrorText() const;

    // As TSQLiteStatement reads them: the engine's conversions, a NULL as 0 or as no bytes.
    int64_t RawInteger(int col) const;
    double RawDouble(int col) const;
    std::string_view RawText(int col) const;
    bool IsNull(int col) const;
    // As TSQLiteStatement::FieldAsString reads a column of the field type `type`.
    AnsiString FieldAsString(int col, TSQLiteFieldType type) const;

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
};

}  // namespace qm
