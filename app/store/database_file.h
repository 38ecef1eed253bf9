// The program's database file: creating it with its schema and seed rows, the daily rotation of
// backup copies, the layout check that refuses a file of another layout, and the upgrades that
// bring a file of an older layout to the current one.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "db/sqlite_table3.h"
#include "platform/file_lock.h"

namespace qm {

inline constexpr const char* kDatabaseFileName = "./Quillmarsh.dat";

// Creates the five tables and the seed rows. The file is built beside the target under a name
// of this process's own, locked by `lock` from the start, and given the target's name only when
// complete and only where no file stands there, so an interrupted creation leaves no file behind
// (and the next start asks again) rather than a file the layout check would refuse forever, and
// two copies creating the file at once never replace one another's. Returns the open file, with
// `lock` held on it; or null when another copy's file took the name first (this copy's is gone,
// `lock` is released, and the file there is to be opened as any existing one).
std::unique_ptr<TSQLiteDatabase> CreateDatabaseFile(const AnsiString& fileName,
                                                    const AnsiString& type1,
                                                    const AnsiString& type2,
                                                    const AnsiString& type3, TFileLock& lock);
// The same for a file that this process alone works on (tools, tests): no lock is kept, and a
// file already at `fileName` is an error.
std::unique_ptr<TSQLiteDatabase> CreateDatabaseFile(const AnsiString& fileName,
                                                    const AnsiString& type1,
                                                    const AnsiString& type2,
                                                    const AnsiString& type3);
// Removes what creations that were killed left beside `fileName`: files under the names new files
// are built under that no copy holds locked, with their journals, and such a name that is a
// second name of the live file itself. Only this user's regular files are looked at, each
// without following a link or waiting on the open; anything else is left as it is.
void RemoveCreationLeftovers(const AnsiString& fileName);
// Where the file system could not put a new file in place only where none stands, a creation
// claims the name with a small marked file first. A marked claim that no copy holds is what a
// creation killed before its file took the name left: it is removed, and true comes back (the
// file is missing again, and the user is asked again). Anything else is left as it is.
bool RemoveKilledClaim(const AnsiString& fileName);

// The most backup copies the settings dialog offers.
inline constexpr int kMaxBackupCount = 999;

// "reserv-count" and "reserv-date" as start-up reads them before the backup. A value that is no
// number, or no number of the program's range, gives the default (1, and yesterday); a count
// above the most the program offers is cut to that most.
int ReadBackupCount(TSQLiteDatabase& db);
int ReadBackupDate(TSQLiteDatabase& db, int today);

struct BackupOutcome {
    bool copied = false;   // today's copy is in place as fileName1
    bool failed = false;   // the copy could not be made nor placed; `error` says why
    bool damaged = false;  // the copy failed the engine's quick check; `error` has what it found
    AnsiString error;
    std::filesystem::path copy;  // from CopyForBackup: the copy to place, under a name of its own
};

// At most once a day: closes the file, copies it under a temporary name and, only once that copy
// is whole on the disk and passes the engine's quick check, rotates the copies
// fileName1..fileNameN and renames the new copy to fileName1; then reopens the file. The rotation
// moves the copies up only as far as the first empty name; the oldest, fileNameN, goes only when
// every name holds a copy. A kill at any step costs no copy that stood before it, except that
// oldest one. A copy that fails, or fails the check, is removed and leaves the copies and the
// live file as they were, but where a step of the rotation failed: the rotation then stops
// there, each copy still under a name of its own. `backupDate` becomes `today` only when the
// day's copy was made (or none is wanted, with a count below 1).
BackupOutcome DailyBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                          int backupCount, int& backupDate, int today);
// The same in two halves, so that start-up need not wait for the disk nor the check. The first,
// with the file closed, copies it under its temporary name (`copy`), leaving the bytes to the
// system to write out, and reopens it; from then on the live file may be written. The second,
// which touches no database connection of the caller's and may run on another thread, waits
// until the copy is on the disk, checks it, and only then rotates the copies and places it.
// `backupDate` is set by the first only where no copy is wanted, or where copy 1 holds the file
// as it stands already (a session placed it and ended before it could record the date: another
// copy would push the oldest out for nothing); the date is then stored in the file at once.
BackupOutcome CopyForBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                            int backupCount, int& backupDate, int today);
// The second half is given the first's `copy`.
BackupOutcome PlaceBackup(const AnsiString& fileName, int backupCount,
                          const std::filesystem::path& copy);
// The engine's quick check of the database file `file`, on a read-only connection of its own:
// `findings` gets what it finds wrong, at most five faults a line each, empty where nothing. False
// where the check could not run (a read error), `findings` then the engine's reason.
bool QuickCheck(const std::string& file, std::string& findings);
// The names standing beside `fileName` that the day's copy is built under (beside copy 1, under
// a name of the process's own), and the fixed names older versions built it under, whoever made
// them.
std::vector<AnsiString> BackupTemporaries(const AnsiString& fileName);
// Removes those of them that are this user's regular files: at start-up, before this process
// makes its own copy, they are the remains of runs that were killed. Another user's file is left
// alone and stops no copy.
void RemoveBackupLeftovers(const AnsiString& fileName);
// Writes "reserv-date" at once, in the form shut-down writes it, so that a crash later the same
// day does not rotate the copies again at the next start.
void StoreBackupDate(TSQLiteDatabase& db, int backupDate);
// Tests observe (and may interrupt) the backup after each step: "closed" once the live file is
// closed for the copy, "copied" once the new copy is on the disk under its temporary name,
// "rotated N" once copy N holds its new content, "placed" once the new copy is copy 1.
void SetBackupStepObserver(std::function<void(const AnsiString& step)> observer);

struct LayoutCheck {
    bool matches = false;
    bool needUpgradeA = false;  // bill_move.kurs is not TEXT
    bool needUpgradeB = true;   // bill_move has no files BLOB column
    bool needUpgradeC = true;   // currency has no kurs_str TEXT column
    AnsiString signature;
};
LayoutCheck CheckLayout(TSQLiteDatabase& db);

// The statements of each upgrade, in the order they run. Upgrade A keeps the files column when
// the table has one.
std::vector<AnsiString> UpgradeStatements(char which, bool keepFiles = false);
// Runs one upgrade as a single transaction: interrupted, it leaves the file as it was.
void RunUpgrade(TSQLiteDatabase& db, char which, bool keepFiles = false);
// The program's own indexes. The layout check compares tables only, so a file with them is the
// same file to it and to any copy of the program; they are added once, on the first start that
// finds one missing (an upgrade that rebuilds bill_move drops them with the table).
std::vector<AnsiString> MissingIndexes(TSQLiteDatabase& db);
// Creates the missing ones in one transaction. `progress(position, max)` runs now and then while
// the engine works (building an index over two million rows takes seconds); it must not use the
// database. Returns true when all are in place. Where the engine cannot build them (no room on
// the disk), the transaction is rolled back, the file stays as it was, `reason` (when given)
// gets the engine's reason and the result is false: the program works without them.
bool EnsureIndexes(TSQLiteDatabase& db,
                   const std::function<void(int position, int max)>& progress = {},
                   AnsiString* reason = nullptr);
// Rows in bill_move as the engine counts ids: cheap, and what the index work grows with.
int64_t MoveRowsEstimate(TSQLiteDatabase& db);

// Whether writing `file` would write the data file the program works on (the same file under any
// name or link that leads to it) or its journal, which the engine keeps beside the file the data
// file's name leads to and reads back as the file's own at the next open, so that a file put there
// would become part of the data.
bool IsDataFileOrJournal(const std::filesystem::path& file);

// Tests observe (and may interrupt) each creation and upgrade statement just before it runs.
void SetSchemaStepObserver(std::function<void(const AnsiString& sql)> observer);

}  // namespace qm
