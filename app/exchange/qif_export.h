// Writing every account and its moves as a QIF text.
#pragma once

#include <filesystem>

#include "db/sqlite_table3.h"

namespace qm {

// The whole file's text, lines ended by CR LF, in the interface code page. `dateFormat` is the
// display date format the dates are written in; `today` the opening balances' date. A failure
// inside the account loop (a stored date that is no date) writes a line of 17 hyphens there,
// followed by what was gathered so far, as the format's readers expect of this program.
AnsiString QifExportText(TSQLiteDatabase& db, const AnsiString& dateFormat, TDateTime today);

// ".qif" is appended unless the name already ends so, in any letter case.
std::filesystem::path QifFileName(const std::filesystem::path& chosen);

}  // namespace qm
