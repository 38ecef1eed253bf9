// What the fuzz targets share: a check that reports a broken invariant as a finding, fixed
// process settings so that every run of an input behaves alike, and databases to write into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "db/sqlite_table3.h"

namespace qmfuzz {

// Ends the run as a finding (libFuzzer saves the input) when `ok` is false.
void Require(bool ok, const char* what);
void Require(bool ok, const char* what, const AnsiString& detail);

// The formats start-up sets (decimal comma, the given date format index 1..4), the code page
// CP1252, and a fixed today (15 March 2026, noon), so that two-digit years and dates without a
// year read the same on every run. A message box would block a run: asking one is a finding.
void UseProgramSettings(int dateFormatIndex = 3);

// A failed statement in the database layer raises ESQLiteException to the caller instead of
// ending the process, as the program's own handler does after telling the user.
void ThrowOnDatabaseFailure();
// A failed statement is a finding: the statement the program built from the input is wrong.
void AbortOnDatabaseFailure();

// A folder of the process's own under the temporary folder, removed at exit.
const std::filesystem::path& ScratchFolder();

// An in-memory database holding what the program's creation of a new file writes.
std::unique_ptr<qm::TSQLiteDatabase> NewProgramDatabase();

// Whether QM_FUZZ_VERBOSE is set: targets then say what happened to each input.
bool Verbose();

}  // namespace qmfuzz
