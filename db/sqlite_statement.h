// A statement prepared once and run many times: values are bound to its "?" parameters for each
// run and its rows are read one at a time as the engine steps to them, so that work repeated per
// account or per row neither parses its SQL again nor holds a whole result in memory.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/sqlite_table3.h"

struct sqlite3_stmt;

namespace qm {

// A failure goes to the database-failure handler, as a failure of ExecSQL or GetTable does; the
// statement is reset before that, so a handler that throws leaves it ready for the next run.
class TSQLiteStatement {
  public:
    TSQLiteStatement(TSQLiteDatabase& db, const AnsiString& sql);
    ~TSQLiteStatement();
    TSQLiteStatement(const TSQLiteStatement&) = delete;
    TSQLiteStatement& operator=(const TSQLiteStatement&) = delete;

    // Starts a new run: the previous one ends and every parameter is NULL again.
    TSQLiteStatement& Reset();
    // Parameters count from 1. Text is bound byte for byte (callers convert it to UTF-8); the
    // column's affinity applies to it as to a quoted literal.
    TSQLiteStatement& Bind(int index, int64_t value);
    TSQLiteStatement& Bind(int index, int value) {
        return Bind(index, static_cast<int64_t>(value));
    }
    TSQLiteStatement& Bind(int index, double value);
    TSQLiteStatement& Bind(int index, const AnsiString& text);

    // One step: true when a row is ready, false when the run is done.
    bool Step();
    // Runs a statement that returns no rows, then resets it.
    void Execute();

    // Columns of the current row as the engine holds them; text byte for byte, empty for NULL.
    bool IsNull(int col) const;
    int64_t ColumnInt64(int col) const;
    double ColumnDouble(int col) const;
    AnsiString ColumnText(int col) const;
    // The same bytes where the engine holds them, valid until the next step or reset.
    std::string_view ColumnView(int col) const;
    const AnsiString& Sql() const { return sql_; }

  private:
    [[noreturn]] void Failed(const char* what, int rc);

    TSQLiteDatabase& db_;
    sqlite3_stmt* stmt_ = nullptr;
    AnsiString sql_;
};

}  // namespace qm
