// A statement prepared once and run many times: its parameters are bound for each run and its
// rows are read one at a time as the engine steps to them, so that work repeated per account or
// per row neither parses the SQL again nor holds a whole result in memory.
//
// Fields read exactly as TSQLiteTable reads them: a column's type is fixed by its declared type,
// or by the first row's value where it has none, once per run; a NULL reads as an empty text.
// Failures go to the database-failure handler, as ExecSQL and GetTable failures do.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "db/sqlite_table3.h"

struct sqlite3_stmt;

namespace qm {

class TSQLiteStatement {
  public:
    TSQLiteStatement(TSQLiteDatabase& db, const AnsiString& sql);
    // A statement may outlive its connection: the connection finalized it as it closed, and
    // the statement has nothing left to free. Used after that, it fails as a statement does.
    ~TSQLiteStatement();
    TSQLiteStatement(const TSQLiteStatement&) = delete;
    TSQLiteStatement& operator=(const TSQLiteStatement&) = delete;

    // Parameters are numbered from 1 and keep their values until bound again. A bound text is a
    // TEXT value (the column's affinity applies to it as to a quoted literal).
    TSQLiteStatement& Bind(int index, int64_t value);
    TSQLiteStatement& Bind(int index, const AnsiString& text);

    // Steps to the next row of the current run: true while there is one. After the last row
    // (false) the statement is ready for the next run.
    bool Step();
    // A run of a statement that returns no rows, to its end; then ready for the next run.
    void Run();
    // Ends the current run early; the next Step starts a new one.
    void Reset();

    int ColCount() const;
    TSQLiteFieldType ColumnType(int col) const;
    bool IsNull(int col) const;
    AnsiString FieldAsString(int col) const;
    int64_t FieldAsInteger(int col) const;
    double FieldAsDouble(int col) const;

    const AnsiString& Sql() const { return sql_; }

    // The current row's value as the engine converts it, without the table's field rules (a
    // NULL reads as 0 or as no bytes): for loops over many rows that know their columns. The
    // bytes stay valid until the next step or reset.
    int64_t RawInteger(int col) const;
    // A REAL parameter (the column's affinity applies as to a number literal).
    TSQLiteStatement& BindReal(int index, double value);
    double RawDouble(int col) const;
    std::string_view RawText(int col) const;

  private:
    friend class TSQLiteDatabase;
    [[noreturn]] void Failed(const AnsiString& what);
    void CheckRow(int col) const;
    // Called by the connection as it closes: finalizes the statement and forgets both.
    void Detach();

    TSQLiteDatabase* db_;  // null once the connection has closed
    AnsiString sql_;
    sqlite3_stmt* stmt_ = nullptr;
    bool running_ = false;  // stepped since the last reset
    bool onRow_ = false;
    std::vector<TSQLiteFieldType> types_;  // of the current run, from its first row
};

}  // namespace qm
