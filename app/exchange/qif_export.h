// Writing every account and its moves as a QIF text.
#pragma once

#include <filesystem>

#include "db/sqlite_table3.h"

namespace qm {

// A stored value the export cannot write; the message names the account and the move.
class EQifExport : public Exception {
  public:
    using Exception::Exception;
};

// The whole file's text, lines ended by CR LF, in the interface code page. `dateFormat` is the
// display date format the dates are written in; `today` the opening balances' date. Raises
// EQifExport, naming the account, the move's number and its stored date, for a stored date that
// is no date: a file with a gap in it would be read back as a different household.
AnsiString QifExportText(TSQLiteDatabase& db, const AnsiString& dateFormat, TDateTime today);

// Writes that text as the file `file`, whole or not at all (see WriteFileWhole): on failure an
// earlier file of that name is unchanged. False when nothing was written; then `reason` says why
// (the account and move to blame, or the system's reason).
bool WriteQifFile(TSQLiteDatabase& db, const AnsiString& dateFormat, TDateTime today,
                  const std::filesystem::path& file, AnsiString& reason);

// ".qif" is appended unless the name already ends so, in any letter case.
std::filesystem::path QifFileName(const std::filesystem::path& chosen);

}  // namespace qm
