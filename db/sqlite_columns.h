// A column of the current row as the engine converts it, without the field rules of the
// database layer (a NULL reads as 0 or as no bytes): what statements and readers share.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "db/sqlite_table3.h"

namespace qm {

inline int64_t ColumnInteger(sqlite3_stmt* stmt, int col) {
    return sqlite3_column_int64(stmt, col);
}

inline double ColumnDouble(sqlite3_stmt* stmt, int col) {
    return sqlite3_column_double(stmt, col);
}

// The bytes stay valid until the statement steps again or is reset.
inline std::string_view ColumnText(sqlite3_stmt* stmt, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
    const int size = sqlite3_column_bytes(stmt, col);
    return text && size > 0 ? std::string_view(text, static_cast<size_t>(size))
                            : std::string_view();
}

// A column as a text by the field type the database layer gave it: numbers written out, a NULL
// as no text.
inline AnsiString ColumnAsString(sqlite3_stmt* stmt, int col, TSQLiteFieldType type) {
    if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return {};
    switch (type) {
        case dtInt:
            return IntToStr(sqlite3_column_int64(stmt, col));
        case dtNumeric:
            return FloatToStr(sqlite3_column_double(stmt, col));
        case dtNull:
            return {};
        case dtBlob: {
            const void* p = sqlite3_column_blob(stmt, col);
            const int n = sqlite3_column_bytes(stmt, col);
            return p && n > 0 ? AnsiString(static_cast<const char*>(p), n) : AnsiString();
        }
        default: {
            const unsigned char* t = sqlite3_column_text(stmt, col);
            const int n = sqlite3_column_bytes(stmt, col);
            return t ? AnsiString(reinterpret_cast<const char*>(t), n) : AnsiString();
        }
    }
}

}  // namespace qm
