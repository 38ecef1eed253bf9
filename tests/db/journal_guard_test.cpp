// The journal guard against real files: journals planted beside a database, read by the engine
// through the program's connections.
#include "db/journal_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/sqlite_table3.h"
#include "tests/support/cannot_run.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

constexpr uid_t kOtherUser = 54321;

struct ThrowingFailures {
    ThrowingFailures() {
        TSQLiteDatabase::SetFailureHandler([](const ESQLiteException& e) { throw e; });
    }
    ~ThrowingFailures() { TSQLiteDatabase::SetFailureHandler({}); }
};

std::string Bytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Exec(sqlite3* db, const char* sql) {
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
}

// t.dat, whose row reads "orig", with pages enough that a transaction touching them all spills
// them into its journal.
void MakeDataFile() {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open("t.dat", &db), SQLITE_OK);
    Exec(db,
         "CREATE TABLE t (v TEXT); INSERT INTO t VALUES ('orig');"
         "CREATE TABLE pad (x BLOB);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
         "INSERT INTO pad SELECT randomblob(500) FROM n;");
    sqlite3_close(db);
}

// A hot journal, at `at`, made as another user of the folder could make one: from a copy of
// t.dat whose row was edited to "INJECTED", the journal of a transaction on the copy that
// touched every page, taken while it was open.
void MakeInjectedJournal(const std::string& at) {
    std::filesystem::copy_file("t.dat", "copy.dat");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open("copy.dat", &db), SQLITE_OK);
    Exec(db, "UPDATE t SET v = 'INJECTED'");
    Exec(db,
         "PRAGMA cache_size = 1; BEGIN; UPDATE t SET v = 'other';"
         "UPDATE pad SET x = randomblob(500);");
    std::filesystem::copy_file("copy.dat-journal", at);
    Exec(db, "ROLLBACK");
    sqlite3_close(db);
    std::filesystem::remove("copy.dat");
}

// What stands at the journal's name as the engine opens it.
enum class Planted {
    Own,            // the hot journal, this user's
    Others,         // the hot journal, another user's
    DataOwners,     // the hot journal and the data file, both another user's
    LinkToOwn,      // a link to this user's hot journal
    Fifo,           // a FIFO, which must not hold the open
    Folder,         // a folder
    SwappedAtOpen,  // this user's journal, replaced by another user's as the engine opens it
};

// The engine's own open of a file, as the layer below the guard makes it: for the swap case,
// another user's hot journal is put in place of the one the guard checked just before.
sqlite3_syscall_ptr gEngineOpen = nullptr;
int SwappingOpen(const char* name, int flags, int mode) {
    const std::string path(name);
    if (path.size() > 8 && path.compare(path.size() - 8, 8, "-journal") == 0 &&
        std::filesystem::exists("swap-in"))
        std::filesystem::rename("swap-in", path);
    return reinterpret_cast<int (*)(const char*, int, int)>(gEngineOpen)(name, flags, mode);
}

void Plant(Planted what, const std::string& journal) {
    switch (what) {
        case Planted::Own:
            MakeInjectedJournal(journal);
            break;
        case Planted::Others:
        case Planted::DataOwners:
            MakeInjectedJournal(journal);
            ASSERT_EQ(::chown(journal.c_str(), kOtherUser, kOtherUser), 0);
            if (what == Planted::DataOwners) {
                ASSERT_EQ(::chown("t.dat", kOtherUser, kOtherUser), 0);
            }
            break;
        case Planted::LinkToOwn:
            MakeInjectedJournal("elsewhere");
            std::filesystem::create_symlink("elsewhere", journal);
            break;
        case Planted::Fifo:
            ASSERT_EQ(::mkfifo(journal.c_str(), 0666), 0);
            break;
        case Planted::Folder:
            std::filesystem::create_directory(journal);
            break;
        case Planted::SwappedAtOpen:
            MakeInjectedJournal("swap-in");
            ASSERT_EQ(::chown("swap-in", kOtherUser, kOtherUser), 0);
            { std::ofstream(journal) << "an empty journal of this user's"; }
            break;
    }
}

}  // namespace

// Only a journal this user (or the data file's owner) wrote is rolled back into the file, at
// the first read and at a later one; any other is refused before a byte of it is read: the
// statement fails, the failure names the journal and why, and the file keeps every byte.
TEST(JournalGuard, OnlyThisUsersJournalIsReadIntoTheFile) {
    if (::geteuid() != 0) QM_CANNOT_RUN_HERE("giving a planted journal another owner needs root");
    const struct {
        const char* name;
        Planted planted;
        bool later;          // planted after the connection's first read
        const char* reason;  // empty: the journal is rolled back
    } cases[] = {
        {"this user's", Planted::Own, false, ""},
        {"this user's, later", Planted::Own, true, ""},
        {"the data file owner's", Planted::DataOwners, false, ""},
        {"another user's", Planted::Others, false, "owned by another user"},
        {"another user's, later", Planted::Others, true, "owned by another user"},
        {"a link", Planted::LinkToOwn, false, "a link"},
        {"a FIFO", Planted::Fifo, false, "not a regular file"},
        {"a folder", Planted::Folder, false, "not a regular file"},
        {"swapped as the engine opens it", Planted::SwappedAtOpen, false,
         "replaced as it was opened"},
    };
    ThrowingFailures failures;
    sqlite3_vfs* files = sqlite3_vfs_find(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qmtest::TempDir dir;
        MakeDataFile();
        const std::string journal = "t.dat-journal";
        const std::string path = (std::filesystem::canonical(".") / journal).string();
        std::unique_ptr<TSQLiteDatabase> db;
        if (c.later) {
            db = std::make_unique<TSQLiteDatabase>("t.dat");
            ASSERT_EQ(db->GetTable("select v from t")->FieldAsString(0), "orig");
        }
        Plant(c.planted, journal);
        if (c.planted == Planted::SwappedAtOpen) {
            gEngineOpen = files->xGetSystemCall(files, "open");
            files->xSetSystemCall(files, "open",
                                  reinterpret_cast<sqlite3_syscall_ptr>(SwappingOpen));
        }
        const std::string before = Bytes("t.dat");
        AnsiString read, failure;
        TRefusedJournal refused;
        try {
            if (!db) db = std::make_unique<TSQLiteDatabase>("t.dat");
            read = db->GetTable("select v from t")->FieldAsString(0);
        } catch (const ESQLiteException& e) {
            failure = e.Message;
            EXPECT_TRUE(RefusedJournalFailure(e, refused)) << e.Message;
            // Told once: a later failure of the same code is not blamed on this journal.
            TRefusedJournal again;
            EXPECT_FALSE(RefusedJournalFailure(e, again)) << again.Path;
        }
        if (c.planted == Planted::SwappedAtOpen) files->xSetSystemCall(files, "open", nullptr);
        db.reset();
        if (*c.reason == '\0') {
            EXPECT_EQ(read, "INJECTED") << failure;
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(journal)));
        } else {
            EXPECT_EQ(read, "") << "read into the file";
            EXPECT_EQ(refused.Path, path);
            EXPECT_EQ(refused.Reason, c.reason);
            EXPECT_TRUE(Bytes("t.dat") == before) << "the file was written";
            EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(journal)));
        }
    }
}
