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
    bool pending = false;  // today's copy is made but not yet known to be on the disk nor placed
    bool failed = false;   // the copy could not be made; `error` says why
    AnsiString error;
    std::filesystem::path copy;  // with `pending`: the copy, under a name of this process's own
};

// At most once a day: closes the file, copies it under a temporary name and, only once that copy
// is whole on the disk, rotates the copies fileName1..fileNameN and renames the new copy to
// fileName1; then reopens the file. The rotation moves the copies up only as far as the first
// empty name; the oldest, fileNameN, goes only when every name holds a copy. A kill at any step
// costs no copy that stood before it, except that oldest one. A failed copy removes its partial
// file and leaves the copies and the live file as they were; `backupDate` becomes `today` only
// when the day's copy was made (or none is wanted, with a count below 1).
BackupOutcome DailyBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                          int backupCount, int& backupDate, int today);
// The same in two halves, so that start-up need not wait for the disk. The first, with the file
// closed, copies it under its temporary name, leaving the bytes to the system to write out
// (`pending`), and reopens it; from then on the live file may be written. The second, which
// touches no database and may run on another thread, waits until the copy is on the disk and
// only then rotates the copies and places it; a copy that cannot be flushed is removed and
// nothing else changes. `backupDate` is set by the first only where no copy is wanted, or where
// copy 1 holds the file as it stands already (a session placed it and ended before it could
// record the date: another copy would push the oldest out for nothing).
BackupOutcome CopyForBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                            int backupCount, int& backupDate, int today);
// The second half is given the first's `copy`.
BackupOutcome PlaceBackup(const AnsiString& fileName, int backupCount,
                          const std::filesystem::path& copy);
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
// closed for the copy, "copied" once the new copy is complete under its temporary name, "rotated N"
// once copy N holds its new content, "placed" once the new copy is copy 1.
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

// Tests observe (and may interrupt) each creation and upgrade statement just before it runs.
void SetSchemaStepObserver(std::function<void(const AnsiString& sql)> observer);

}  // namespace qm
