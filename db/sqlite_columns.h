// A column of the current row as the engine converts it, without the field rules of the
// database layer (a NULL reads as 0 or as no bytes): what statements and readers share.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

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

}  // namespace qm
