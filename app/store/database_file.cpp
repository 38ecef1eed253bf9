// Creation, backup rotation, layout check and upgrades of the database file.
#include "app/store/database_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "db/sqlite_reader.h"
#include "db/sqlite_statement.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace qm {
namespace {

const char* const kCreateStatements[] = {
    "CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT, "
    "budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts TEXT, "
    "isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name TEXT, "
    "position NUMERIC)",
    "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
    "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT, "
    "files BLOB)",
    "CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT)",
    // One statement over two lines (the parentheses tell clang the joined literals are meant).
    ("CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT, "
     "ts TEXT, kurs_str TEXT)"),
    "CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT)",
    "INSERT INTO currency VALUES (1,'TEST',1,'TEST','20100212141230','1')",
};

const char* const kExpectedLayout =
    ";BILL,twosign,budget_type,budget,budget_date_to,budget_date_from,budget_amount,amount,"
    "currency_id,ts,isopen,bill_type_id,bill_id,id,name,position;bill_move,kurs,bill_move_id,num,"
    "amount,dest_bill_id,id,note,src_bill_id,ts;bill_type,id,name;currency,kurs,short_name,id,"
    "name,ts;param,id,name,value";

// The program's queries and the indexes that answer them without reading the whole table:
// - a ledger reads one account's moves in the order "ts, num, id", which the index holds as it
//   is (with the id before the amount, so the engine need not sort the moves of one day); the
//   balances read the amounts and dates, all in the index itself;
// - the ledger and the moves-with-files list look only at rows that carry files, which are few.
struct ProgramIndex {
    const char* name;
    const char* sql;
};
const ProgramIndex kProgramIndexes[] = {
    {"bill_move_by_account",
     "CREATE INDEX IF NOT EXISTS bill_move_by_account ON bill_move (src_bill_id, ts, num, id, "
     "amount)"},
    {"bill_move_with_files",
     "CREATE INDEX IF NOT EXISTS bill_move_with_files ON bill_move (id) "
     "WHERE files IS NOT NULL AND files <> ''"},
};

// Engine steps per bill_move row while an index is built, measured on a large household; the
// progress shown is an estimate and stops short of its end until the work is done.
constexpr int64_t kStepsPerRow = 8;
constexpr int kProgressSteps = 20000;

std::function<void(const AnsiString&)>& StepObserver() {
    static std::function<void(const AnsiString&)> observer;
    return observer;
}

// Never destroyed: the backup may still be placed on another thread while the process ends.
std::function<void(const AnsiString&)>& BackupObserver() {
    static auto* observer = new std::function<void(const AnsiString&)>;
    return *observer;
}

void BackupStep(const AnsiString& step) {
    if (BackupObserver()) BackupObserver()(step);
}

AnsiString QuotedIdentifier(const AnsiString& name) {
    return "\"" + StringReplaceAll(name, "\"", "\"\"") + "\"";
}

int ReadIntSetting(TSQLiteDatabase& db, const char* name, int fallback) {
    auto t = db.GetTable(AnsiString("select name, value from param where name = '") + name + "'");
    if (t->Eof()) return fallback;
    int64_t v;
    if (!TryStrToInt(t->FieldAsString(1), v) || v < INT32_MIN || v > INT32_MAX) return fallback;
    return static_cast<int>(v);
}

// The name of copy `i`. Never the live file: the rotation's "copy 0" is handled apart.
AnsiString CopyName(const AnsiString& fileName, int i) {
    return fileName + IntToStr(i);
}

// Moves the copies below the first empty name up by one, so that name 1 is free for the new
// copy; only when every name holds a copy does the oldest, copy N, give way, replaced by copy N-1
// in that one rename. Each step is a rename, so no step leaves a half-written copy, and a kill
// after any of them leaves an empty name below every copy that stood: the next rotation stops
// there and drops nothing more. A step that fails (another user's file in a sticky folder, a
// folder under a copy's name) ends the rotation where it stands, every copy still under a name
// of its own: false then, with `error` naming the copy that could not be moved and why.
bool RotateCopies(const AnsiString& fileName, int backupCount, AnsiString& error) {
    int empty = 1;
    while (empty <= backupCount && PathExists(CopyName(fileName, empty))) ++empty;
    for (int i = std::min(empty, backupCount); i >= 2; --i) {
        if (!RenameReplacing(CopyName(fileName, i - 1), CopyName(fileName, i))) {
            error = CopyName(fileName, i - 1) + " could not be moved to " + CopyName(fileName, i) +
                    ": " + std::strerror(errno);
            return false;
        }
        BackupStep("rotated " + IntToStr(i));
    }
    return true;
}

// Copy 1 holds the file as it stands now. A copy keeps the size and the time of the last change
// of the file it was taken from, and a write since changes that time, so the bytes are compared
// only where both agree: after a session that placed its copy and wrote nothing more, which is
// rare, and never at a day's first start after a day's work. A time kept only to a clock tick
// could agree after a write in that same tick: the bytes decide. Read through descriptors that
// neither follow a link put under the copy's name nor wait on a pipe; called with the file
// closed by the engine, whose locks would go with any descriptor of the file closed here.
bool CopyOneHoldsTheFileAsItStands(const AnsiString& fileName) {
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } live{::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)},
        copy{::open(CopyName(fileName, 1).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    struct stat a {};
    struct stat b {};
    if (live.fd < 0 || copy.fd < 0 || ::fstat(live.fd, &a) != 0 || ::fstat(copy.fd, &b) != 0 ||
        !S_ISREG(b.st_mode) || b.st_size != a.st_size || b.st_mtim.tv_sec != a.st_mtim.tv_sec ||
        b.st_mtim.tv_nsec != a.st_mtim.tv_nsec)
        return false;
    std::vector<char> x(1 << 20), y(1 << 20);
    for (;;) {
        const ssize_t n = ::read(live.fd, x.data(), x.size());
        if (n < 0 || ::read(copy.fd, y.data(), static_cast<size_t>(n)) != n ||
            !std::equal(x.begin(), x.begin() + n, y.begin()))
            return false;
        if (n == 0) return true;
    }
}

std::filesystem::path FolderOf(const AnsiString& fileName) {
    const std::filesystem::path parent = std::filesystem::path(fileName).parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

// The names in the folder of `fileName` for which `matches` holds.
std::vector<std::filesystem::path> NamesBeside(
    const AnsiString& fileName, const std::function<bool(const std::string&)>& matches) {
    const std::filesystem::path folder = FolderOf(fileName);
    std::vector<std::filesystem::path> found;
    for (const std::string& name : NamesIn(folder))
        if (matches(name)) found.push_back(folder / name);
    return found;
}

// A regular file of this user's under the name itself, not through a link: the only kind of
// leftover the program looks into or removes. Another user's file is never this program's
// leftover, and opening a pipe or a device could hold the start forever.
bool OwnRegularFile(const std::filesystem::path& name, struct stat* st) {
    return ::lstat(name.c_str(), st) == 0 && S_ISREG(st->st_mode) && st->st_uid == ::geteuid();
}

// The prefix of the names new files are built under (CreateTempBeside's).
AnsiString BuildingPrefix(const AnsiString& fileName) {
    return "." + std::filesystem::path(fileName).filename().string() + ".tmp-";
}

// A new, empty file beside `fileName` under a name of this process's own, with its mode set and
// `lock` taken on the descriptor that made it, before any other copy could clear it away as a
// leftover; `made` gets what it is. Empty, with `error`, on failure.
std::filesystem::path NewBuildingFile(const AnsiString& fileName, TFileLock& lock,
                                      struct stat& made, std::string* error) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        int fd = -1;
        // Its error names the file, as the caller's message does already: the reason alone.
        const std::filesystem::path building = CreateTempBeside(fileName, fd);
        if (building.empty()) {
            if (error) *error = std::strerror(errno);
            return {};
        }
        // As the engine makes its files: no one but the owner writes to the household's data.
        // Done through the descriptor: the name may lead elsewhere by now.
        if (::fstat(fd, &made) == 0) ::fchmod(fd, made.st_mode & 0644);
        const TFileLock::Result result = lock.Acquire(fd, error);
        // Another copy clearing leftovers may have taken the name away before the lock held, and
        // in a folder others may write, someone may have put something else under it.
        if ((result == TFileLock::kTaken || result == TFileLock::kUnlocked) &&
            NameLeadsTo(building.string(), made))
            return building;
        lock.Release();  // what stands under the name now is not this copy's file
    }
    if (error) *error = "no name of its own could be locked";
    return {};
}

// What a new file's claim holds: a copy that found neither links nor a rename that refuses a
// taken name claims the name with this file, and renames the new file over it when whole.
const char kClaimMark[] = "Quillmarsh: a new database file is being created\n";
constexpr size_t kClaimMarkSize = sizeof kClaimMark - 1;

// Claims `fileName` for this copy's new file where the system cannot put a file in place only
// where none stands: created new, locked while it stands, and marked so that a start after a
// kill tells it from a file of the user's. Null with `taken` set when a file stood there.
std::unique_ptr<TFileLock> ClaimName(const AnsiString& fileName, bool& taken) {
    taken = false;
    const int fd =
        ::open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        taken = errno == EEXIST;
        return nullptr;
    }
    const int marker = ::dup(fd);
    auto claim = std::make_unique<TFileLock>();
    // Marked only under the lock: a marked claim nobody holds is one whose copy was killed.
    if (claim->Acquire(fd) == TFileLock::kTaken && marker >= 0)
        (void)!::write(marker, kClaimMark, kClaimMarkSize);
    if (marker >= 0) ::close(marker);
    return claim;
}

// `file` with every link of its folders, and of itself where it leads somewhere, resolved.
std::filesystem::path Resolved(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    if (ec) return file.lexically_normal();
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : resolved;
}

}  // namespace

void RemoveCreationLeftovers(const AnsiString& fileName) {
    const std::string prefix = BuildingPrefix(fileName);
    const std::string older = std::filesystem::path(fileName).filename().string() + ".new";
    const auto isBuilding = [&](const std::string& name) {
        return name == older || (name.rfind(prefix, 0) == 0 && name.size() > prefix.size());
    };
    const auto isJournal = [&](const std::string& name) {
        return name.size() > 8 && name.compare(name.size() - 8, 8, "-journal") == 0 &&
               isBuilding(name.substr(0, name.size() - 8));
    };
    struct stat live {};
    const bool haveLive = OwnRegularFile(fileName, &live);
    const auto removeWithJournal = [](const std::filesystem::path& file) {
        ::unlink(file.c_str());
        struct stat journal {};
        const std::filesystem::path journalName = file.string() + "-journal";
        if (OwnRegularFile(journalName, &journal)) ::unlink(journalName.c_str());
    };
    for (const std::filesystem::path& file : NamesBeside(fileName, isBuilding)) {
        struct stat named {};
        if (!OwnRegularFile(file, &named)) continue;
        // A creation killed between giving its file the data file's name and taking the
        // temporary one away: a second name of the live file. Never opened: closing a descriptor
        // of the live file would drop this process's record locks on it.
        if (haveLive && SameFile(named, live)) {
            removeWithJournal(file);
            continue;
        }
        const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        // Only a file no copy holds: one that is being built is locked by its builder.
        const bool leftover = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                              opened.st_uid == ::geteuid() && SameFile(opened, named) &&
                              !TFileLock::HeldOn(fd);
        ::close(fd);
        if (leftover) removeWithJournal(file);
    }
    // Journals whose file is gone already.
    for (const std::filesystem::path& journal : NamesBeside(fileName, isJournal)) {
        const std::string name = journal.string();
        struct stat st {};
        if (!PathExists(name.substr(0, name.size() - 8)) && OwnRegularFile(journal, &st))
            ::unlink(journal.c_str());
    }
}

bool RemoveKilledClaim(const AnsiString& fileName) {
    struct stat named {};
    if (!OwnRegularFile(fileName, &named) || named.st_size != static_cast<off_t>(kClaimMarkSize))
        return false;
    const int fd = ::open(fileName.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char mark[kClaimMarkSize];
    const bool marked =
        ::pread(fd, mark, kClaimMarkSize, 0) == static_cast<ssize_t>(kClaimMarkSize) &&
        std::memcmp(mark, kClaimMark, kClaimMarkSize) == 0;
    // Taken, not only probed, so that two starts never both remove it: the one that holds it
    // is the one whose creator is gone.
    TFileLock probe;
    if (!marked) {
        ::close(fd);
        return false;
    }
    if (probe.Acquire(fd) != TFileLock::kTaken) return false;
    if (!NameLeadsTo(fileName, named)) return false;
    ::unlink(fileName.c_str());
    return true;
}

std::unique_ptr<TSQLiteDatabase> CreateDatabaseFile(const AnsiString& fileName,
                                                    const AnsiString& type1,
                                                    const AnsiString& type2,
                                                    const AnsiString& type3, TFileLock& lock) {
    const auto failed = [&](const AnsiString& reason) {
        return ESQLiteException("Failed to create database \"" + fileName + "\" : " + reason);
    };
    RemoveCreationLeftovers(fileName);
    std::string error;
    struct stat made {};
    const std::filesystem::path path = NewBuildingFile(fileName, lock, made, &error);
    if (path.empty()) throw failed(error);
    const AnsiString building = path.string();
    // Whether the temporary name still leads to the file this copy made and locked: in a folder
    // others may write, something else may have been put under it.
    const auto stillOurs = [&] { return NameLeadsTo(building, made); };
    const char* const replaced = "the new file was replaced under its temporary name";
    // A creation that fails leaves nothing behind: the next start asks again from scratch.
    struct Cleanup {
        const AnsiString& name;
        const struct stat& made;
        TFileLock& lock;
        bool armed = true;
        ~Cleanup() {
            if (!armed) return;
            if (NameLeadsTo(name, made)) DeleteFile(name);
            DeleteFile(name + "-journal");
            lock.Release();
        }
    } cleanup{building, made, lock};
    std::unique_ptr<TSQLiteDatabase> opened;
    try {
        opened = std::make_unique<TSQLiteDatabase>(building);
    } catch (const ESQLiteException& e) {
        // Told under the name the user knows, not the temporary one.
        throw failed(FailureReason(e));
    }
    // The engine opens by name: nothing is written unless that name led it to this copy's file.
    if (!stillOurs()) throw failed(replaced);
    {
        TSQLiteDatabase& db = *opened;
        TSQLiteTransaction tr(db);
        std::vector<AnsiString> statements(std::begin(kCreateStatements),
                                           std::end(kCreateStatements));
        const AnsiString names[] = {type1, type2, type3};
        for (int i = 0; i < 3; ++i)
            statements.push_back("INSERT INTO bill_type VALUES(" + IntToStr(i + 1) + ",'" +
                                 QuotedSqlText(AnsiToUtf8(names[i])) + "')");
        for (const AnsiString& sql : statements) {
            if (StepObserver()) StepObserver()(sql);
            db.ExecSQL(sql);
        }
        tr.Commit();
    }
    opened.reset();
    if (!stillOurs()) throw failed(replaced);
    // Put in place only where no file stands: another copy asked at the same moment may have
    // put its own there first, and works on it. Its file is then this copy's file too; the lock,
    // taken on the new file before it had the name, goes with the file this copy built.
    bool taken = false;
    if (!RenameNoReplace(building, fileName, nullptr, &taken)) {
        if (taken) return nullptr;
        if (errno != EOPNOTSUPP) throw failed(std::strerror(errno));
        // Neither links nor such a rename (a FAT stick): the name is claimed, which only one
        // copy can do, and the whole file renamed over this copy's own claim.
        const std::unique_ptr<TFileLock> claim = ClaimName(fileName, taken);
        if (!claim) {
            if (taken) return nullptr;
            throw failed(std::strerror(errno));
        }
        if (!RenameReplacing(building, fileName)) throw failed(std::strerror(errno));
    }
    SyncFolder(std::filesystem::path(fileName).parent_path());
    cleanup.armed = false;
    return std::make_unique<TSQLiteDatabase>(fileName);
}

std::unique_ptr<TSQLiteDatabase> CreateDatabaseFile(const AnsiString& fileName,
                                                    const AnsiString& type1,
                                                    const AnsiString& type2,
                                                    const AnsiString& type3) {
    TFileLock lock;
    std::unique_ptr<TSQLiteDatabase> db = CreateDatabaseFile(fileName, type1, type2, type3, lock);
    if (!db)
        throw ESQLiteException("Failed to create database \"" + fileName +
                               "\" : a file of that name exists");
    // The lock goes only with the connection closed: closing it drops the engine's locks too.
    db.reset();
    lock.Release();
    return std::make_unique<TSQLiteDatabase>(fileName);
}

int ReadBackupCount(TSQLiteDatabase& db) {
    return std::min(ReadIntSetting(db, "reserv-count", 1), kMaxBackupCount);
}
int ReadBackupDate(TSQLiteDatabase& db, int today) {
    return ReadIntSetting(db, "reserv-date", today - 1);
}

BackupOutcome CopyForBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                            int backupCount, int& backupDate, int today) {
    BackupOutcome outcome;
    if (backupDate >= today) return outcome;
    if (backupCount < 1) {
        // No copy is kept; only the name of copy `backupCount` is cleared, as the rotation would.
        DeleteFile(CopyName(fileName, backupCount));
        backupDate = today;
        return outcome;
    }
    // Closed for the copy, which is then consistent, and for the comparison, which opens the
    // file: closing a descriptor of it drops every record lock the engine holds on it.
    db.reset();
    BackupStep("closed");
    if (CopyOneHoldsTheFileAsItStands(fileName)) {
        // A session placed the day's copy and ended before it could record the date: another
        // copy would hold the same bytes and push the oldest one out. Recorded at once, so that
        // another kill today does not either.
        db = std::make_unique<TSQLiteDatabase>(fileName);
        backupDate = today;
        StoreBackupDate(*db, backupDate);
        return outcome;
    }
    // Under a name of its own: a fixed one could be taken by anyone who may write the folder.
    std::string error;
    outcome.copy = CopyToTempBeside(fileName, CopyName(fileName, 1), &error);
    if (outcome.copy.empty()) {
        outcome.failed = true;
        outcome.error = error;
    }
    db = std::make_unique<TSQLiteDatabase>(fileName);
    return outcome;
}

bool QuickCheck(const std::string& file, std::string& findings) {
    TSQLiteReader check(file, "PRAGMA quick_check(5)");
    findings.clear();
    while (check.Step()) {
        const std::string_view found = check.RawText(0);
        if (found != "ok") findings.append(findings.empty() ? "" : "\n").append(found);
    }
    if (!check.Failed()) return true;
    // Pages the engine cannot read as a database's are what the check is there to find.
    if (IsDamagedFileFailure(check.ErrorCode())) {
        findings.append(findings.empty() ? "" : "\n").append(check.ErrorText());
        return true;
    }
    findings = check.ErrorText();
    return false;
}

BackupOutcome PlaceBackup(const AnsiString& fileName, int backupCount,
                          const std::filesystem::path& fresh) {
    BackupOutcome outcome;
    const auto notPlaced = [&](bool damaged, const AnsiString& error) {
        DeleteFile(fresh);
        (damaged ? outcome.damaged : outcome.failed) = true;
        outcome.error = error;
        return outcome;
    };
    // Nothing is placed but a copy whole on the disk and whole to the engine: a damaged file
    // must never push the last good copy out. The user knows the copy by its number, not by its
    // temporary name.
    const AnsiString copy1 = CopyName(fileName, 1);
    if (fresh.empty() || !FlushFile(fresh))
        return notPlaced(false, copy1 + ": " + std::strerror(fresh.empty() ? ENOENT : errno));
    BackupStep("copied");
    std::string findings;
    if (!QuickCheck(fresh.string(), findings)) return notPlaced(false, copy1 + ": " + findings);
    if (!findings.empty()) return notPlaced(true, findings);
    AnsiString error;
    if (!RotateCopies(fileName, backupCount, error) || !RenameReplacing(fresh, copy1, &error))
        return notPlaced(false, error);
    SyncFolder(std::filesystem::path(fileName).parent_path());
    BackupStep("placed");
    outcome.copied = true;
    return outcome;
}

BackupOutcome DailyBackup(std::unique_ptr<TSQLiteDatabase>& db, const AnsiString& fileName,
                          int backupCount, int& backupDate, int today) {
    int copyDate = backupDate;
    BackupOutcome outcome = CopyForBackup(db, fileName, backupCount, copyDate, today);
    if (outcome.copy.empty()) {
        backupDate = copyDate;
        return outcome;
    }
    outcome = PlaceBackup(fileName, backupCount, outcome.copy);
    if (outcome.copied) backupDate = today;
    return outcome;
}

std::vector<AnsiString> BackupTemporaries(const AnsiString& fileName) {
    const std::string stem = std::filesystem::path(fileName).filename().string();
    const std::string prefix = BuildingPrefix(CopyName(fileName, 1));
    std::vector<AnsiString> names;
    for (const std::filesystem::path& name : NamesBeside(fileName, [&](const std::string& name) {
             return (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) ||
                    name == stem + ".backup" || name == stem + ".backup2";
         }))
        names.push_back(name.string());
    return names;
}

void RemoveBackupLeftovers(const AnsiString& fileName) {
    for (const AnsiString& name : BackupTemporaries(fileName)) {
        struct stat st {};
        if (OwnRegularFile(name, &st)) ::unlink(name.c_str());
    }
}

void StoreBackupDate(TSQLiteDatabase& db, int backupDate) {
    const AnsiString value = IntToStr(backupDate);
    TSQLiteTransaction tr(db);
    if (db.GetTable("select count(*) from param where name = 'reserv-date'")->FieldAsInteger(0) > 0)
        db.ExecSQL("update param set value = '" + value + "' where name = 'reserv-date'");
    else
        db.ExecSQL("insert into param (name,value) values ('reserv-date','" + value + "')");
    tr.Commit();
}

bool IsDataFileOrJournal(const std::filesystem::path& file) {
    // The engine keeps the journal beside the file the data file's name leads to.
    const std::filesystem::path data = Resolved(kDatabaseFileName);
    const std::filesystem::path journal =
        data.parent_path() / (data.filename().string() + "-journal");
    const std::filesystem::path target = Resolved(file);
    if (target == data || target == journal) return true;
    // Any other name of the same file: a hard link, or a path the resolving above missed.
    struct stat chosen {};
    return ::stat(file.c_str(), &chosen) == 0 &&
           (NameLeadsTo(kDatabaseFileName, chosen, true) || NameLeadsTo(journal, chosen, true));
}

void SetBackupStepObserver(std::function<void(const AnsiString&)> observer) {
    BackupObserver() = std::move(observer);
}

LayoutCheck CheckLayout(TSQLiteDatabase& db) {
    LayoutCheck check;
    auto tables = db.GetTable("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    for (; !tables->Eof(); tables->Next()) {
        const AnsiString table = tables->FieldAsString(0);
        const AnsiString tableUp = UpperCase(table);
        check.signature += ";" + table;
        auto cols = db.GetTable("PRAGMA TABLE_INFO(" + QuotedIdentifier(table) + ")");
        for (; !cols->Eof(); cols->Next()) {
            const AnsiString col = cols->FieldAsString(1);
            const AnsiString colUp = UpperCase(col);
            const AnsiString typeUp = UpperCase(cols->FieldAsString(2));
            if (tableUp == "BILL_MOVE" && colUp == "KURS" && typeUp != "TEXT")
                check.needUpgradeA = true;
            if (tableUp == "CURRENCY" && colUp == "KURS_STR" && typeUp == "TEXT") {
                check.needUpgradeC = false;
            } else if (tableUp == "BILL_MOVE" && colUp == "FILES" && typeUp == "BLOB") {
                check.needUpgradeB = false;
            } else {
                check.signature += "," + col;
            }
        }
    }
    check.matches = UpperCase(check.signature) == UpperCase(kExpectedLayout);
    // The engine writes a table's own name twice in its schema row. A row where the two differ
    // was not written by it; an upgrade's DROP TABLE would leave that row behind, and the file
    // would hold the rebuilt table twice.
    if (check.matches &&
        db.GetTable("select count(*) from sqlite_master where type = 'table' and name <> tbl_name")
                ->FieldAsInteger(0) > 0)
        check.matches = false;
    return check;
}

std::vector<AnsiString> UpgradeStatements(char which, bool keepFiles) {
    const AnsiString moveCols =
        "kurs, bill_move_id, num, amount, dest_bill_id, id, note, src_bill_id, ts";
    const AnsiString moveDecl =
        "kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, dest_bill_id NUMERIC, id "
        "INTEGER "
        "PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT";
    switch (which) {
        case 'A': {
            const AnsiString cols = keepFiles ? moveCols + ", files" : moveCols;
            const AnsiString decl = keepFiles ? moveDecl + ", files BLOB" : moveDecl;
            return {"CREATE TEMPORARY TABLE TEMP_TABLE (" + decl + ")",
                    "INSERT INTO TEMP_TABLE SELECT " + cols + " FROM bill_move",
                    "DROP TABLE bill_move",
                    "CREATE TABLE bill_move (" + decl + ")",
                    "INSERT INTO bill_move SELECT " + cols + " FROM TEMP_TABLE",
                    "DROP TABLE TEMP_TABLE"};
        }
        case 'B':
            return {"CREATE TEMPORARY TABLE TEMP_TABLE (" + moveDecl + ")",
                    "INSERT INTO TEMP_TABLE SELECT " + moveCols + " FROM bill_move",
                    "DROP TABLE bill_move",
                    "CREATE TABLE bill_move (" + moveDecl + ", files BLOB)",
                    "INSERT INTO bill_move SELECT " + moveCols + ", null FROM TEMP_TABLE",
                    "DROP TABLE TEMP_TABLE"};
        case 'C':
            return {
                "CREATE TEMPORARY TABLE TEMP_TABLE (kurs NUMERIC, short_name TEXT, id INTEGER "
                "PRIMARY KEY, "
                "name TEXT, ts TEXT)",
                "INSERT INTO TEMP_TABLE SELECT kurs, short_name, id, name, ts FROM currency",
                "DROP TABLE currency",
                "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, "
                "name TEXT, "
                "ts TEXT, kurs_str TEXT)",
                "INSERT INTO currency SELECT kurs, short_name, id, name, ts, '1/'||kurs FROM "
                "TEMP_TABLE",
                "DROP TABLE TEMP_TABLE"};
        default:
            return {};
    }
}

void RunUpgrade(TSQLiteDatabase& db, char which, bool keepFiles) {
    TSQLiteTransaction tr(db);
    for (const AnsiString& sql : UpgradeStatements(which, keepFiles)) {
        if (StepObserver()) StepObserver()(sql);
        db.ExecSQL(sql);
    }
    tr.Commit();
}

std::vector<AnsiString> MissingIndexes(TSQLiteDatabase& db) {
    std::vector<AnsiString> missing;
    for (const ProgramIndex& index : kProgramIndexes) {
        TSQLiteStatement& q =
            db.Statement("select 1 from sqlite_master where type = 'index' and name = ?");
        q.Bind(1, AnsiString(index.name));
        if (!q.Step()) missing.push_back(index.name);
        q.Reset();
    }
    return missing;
}

int64_t MoveRowsEstimate(TSQLiteDatabase& db) {
    TSQLiteStatement& q = db.Statement("select max(id) from bill_move");
    const int64_t rows = q.Step() ? q.RawInteger(0) : 0;
    q.Reset();
    return rows;
}

bool EnsureIndexes(TSQLiteDatabase& db, const std::function<void(int, int)>& progress,
                   AnsiString* reason) {
    const std::vector<AnsiString> missing = MissingIndexes(db);
    if (missing.empty()) return true;
    const int64_t expected =
        std::max<int64_t>(1, MoveRowsEstimate(db) * kStepsPerRow *
                                 static_cast<int64_t>(missing.size()) / kProgressSteps);
    int64_t ticks = 0;
    constexpr int kMax = 100;
    if (progress) {
        progress(0, kMax);
        db.SetProgressHandler(
            [&] {
                ++ticks;
                progress(static_cast<int>(std::min<int64_t>(kMax - 1, ticks * kMax / expected)),
                         kMax);
            },
            kProgressSteps);
    }
    struct RemoveHandler {
        TSQLiteDatabase& db;
        ~RemoveHandler() { db.SetProgressHandler({}); }
    } remove{db};
    // The indexes only make the program faster: a failure to build them (a nearly full disk)
    // rolls back with `tr` and leaves the file as it was, rather than ending the program.
    AnsiString why;
    TSQLiteTransaction tr(db);
    for (const ProgramIndex& index : kProgramIndexes) {
        if (std::find(missing.begin(), missing.end(), index.name) == missing.end()) continue;
        if (StepObserver()) StepObserver()(index.sql);
        if (!db.TryExecSQL(index.sql, why)) break;
    }
    if (!why.empty() || !tr.TryCommit(why)) {
        if (reason) *reason = why;
        return false;
    }
    if (progress) progress(kMax, kMax);
    return true;
}

void SetSchemaStepObserver(std::function<void(const AnsiString&)> observer) {
    StepObserver() = std::move(observer);
}

}  // namespace qm
