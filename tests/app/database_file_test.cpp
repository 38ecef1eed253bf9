// The database file: creation, backup rotation, layout check and upgrades, on real files.
#include "app/store/database_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

const char* kFile = "./Quillmarsh.dat";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}
std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using qmtest::FolderNames;

std::string Sqlite3(const std::string& file, const std::string& sql) {
    std::string out;
    qmtest::RunCommand("sqlite3 " + file + " \"" + sql + "\"", &out);
    return out;
}

// A file of the oldest layout: numeric kurs, no files column, no kurs_str.
void MakeOldestLayout(const char* file) {
    TSQLiteDatabase db(file);
    db.ExecSQL(
        "CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to TEXT, "
        "budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts "
        "TEXT, "
        "isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name TEXT, "
        "position NUMERIC)");
    db.ExecSQL(
        "CREATE TABLE bill_move (kurs NUMERIC, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
        "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT)");
    db.ExecSQL("CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT)");
    db.ExecSQL(
        "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name TEXT, "
        "ts TEXT)");
    db.ExecSQL("CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT)");
    db.ExecSQL("INSERT INTO currency VALUES (30.5, 'RUB', 1, 'Rouble', '20090101000000')");
    db.ExecSQL("INSERT INTO currency VALUES (1, 'USD', 2, 'Dollar', '20090101000000')");
    db.ExecSQL("INSERT INTO bill_move VALUES (1.5, 2, 'n1', -10, 5, 1, 'lunch', 4, '20090102')");
    db.ExecSQL("INSERT INTO bill_move VALUES (1.5, 1, 'n1', 10, 4, 2, 'lunch', 5, '20090102')");
}

}  // namespace

TEST(DatabaseFile, CreationWritesTheSchemaAndSeedRows) {
    qmtest::TempDir dir;
    auto db = CreateDatabaseFile(kFile, "Assets", "Income'n", "Выход");
    ASSERT_TRUE(db);
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat ");
    LayoutCheck check = CheckLayout(*db);
    EXPECT_TRUE(check.matches) << check.signature;
    EXPECT_FALSE(check.needUpgradeA || check.needUpgradeB || check.needUpgradeC);
    db.reset();
    EXPECT_EQ(Sqlite3(kFile, "select * from currency"), "1|TEST|1|TEST|20100212141230|1\n");
    EXPECT_EQ(Sqlite3(kFile, "select id, name from bill_type order by id"),
              "1|Assets\n2|Income'n\n3|" + AnsiToUtf8("Выход") + "\n");
    EXPECT_EQ(
        Sqlite3(kFile, "select sql from sqlite_master where name='bill_move'"),
        "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
        "dest_bill_id "
        "NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT, files BLOB)\n");
    EXPECT_EQ(Sqlite3(kFile, "select count(*) from param"), "0\n");
}

TEST(DatabaseFile, InterruptedCreationLeavesNoFileBehind) {
    qmtest::TempDir dir;
    pid_t pid = fork();
    if (pid == 0) {
        // Killed while the seed rows go in.
        SetSchemaStepObserver([](const AnsiString& sql) {
            if (sql.rfind("INSERT INTO bill_type", 0) == 0) _exit(9);
        });
        CreateDatabaseFile(kFile, "a", "b", "c");
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 9);
    EXPECT_FALSE(FileExists(kFile));
    // The next start asks again and creates the file afresh, clearing the leftover away.
    EXPECT_NE(FolderNames(), "");
    auto db = CreateDatabaseFile(kFile, "a", "b", "c");
    EXPECT_TRUE(CheckLayout(*db).matches);
    EXPECT_EQ(db->GetTable("select count(*) from bill_type")->FieldAsInteger(0), 3);
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat ");
}

// Two copies asked at once whether to create the file: the one that comes second finds the
// first's file in place, leaves it as it is, and keeps no lock and no file of its own.
TEST(DatabaseFile, ACreationNeverReplacesAFileAnotherCopyPutInPlace) {
    qmtest::TempDir dir;
    CreateDatabaseFile("./theirs", "x", "y", "z").reset();
    // Another copy's creation in progress, and one that was killed.
    WriteText("./.Quillmarsh.dat.tmp-busy01", "");
    WriteText("./.Quillmarsh.dat.tmp-dead01", "");
    WriteText("./Quillmarsh.dat.new-journal", "");
    TFileLock building;
    ASSERT_EQ(building.Acquire("./.Quillmarsh.dat.tmp-busy01"), TFileLock::kTaken);
    SetSchemaStepObserver([](const AnsiString& sql) {
        if (sql.rfind("INSERT INTO bill_type", 0) == 0 && !FileExists(kFile)) {
            ASSERT_EQ(::link("./theirs", kFile), 0);
        }
    });
    TFileLock lock;
    EXPECT_EQ(CreateDatabaseFile(kFile, "a", "b", "c", lock), nullptr);
    SetSchemaStepObserver({});
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(Sqlite3(kFile, "select name from bill_type order by id"), "x\ny\nz\n");
    EXPECT_EQ(FolderNames(), ".Quillmarsh.dat.tmp-busy01 Quillmarsh.dat theirs ");
    // Once its builder is gone, the file in the making is a leftover too.
    building.Release();
    RemoveCreationLeftovers(kFile);
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat theirs ");
}

TEST(DatabaseFile, BackupRotatesCopiesOncePerDay) {
    qmtest::TempDir dir;
    const int today = 45000;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    WriteText("./Quillmarsh.dat1", "copy1");
    WriteText("./Quillmarsh.dat3", "copy3");
    auto db = std::make_unique<TSQLiteDatabase>(kFile);
    int backupDate = today - 1;
    DailyBackup(db, kFile, 3, backupDate, today);
    ASSERT_TRUE(db);
    EXPECT_EQ(backupDate, today);
    EXPECT_EQ(ReadText("./Quillmarsh.dat2"), "copy1");
    EXPECT_EQ(ReadText("./Quillmarsh.dat1"), ReadText(kFile));
    EXPECT_EQ(ReadText("./Quillmarsh.dat3"), "copy3");  // past the first empty name: kept

    // The same day again: nothing is copied.
    WriteText("./Quillmarsh.dat1", "marker");
    DailyBackup(db, kFile, 3, backupDate, today);
    EXPECT_EQ(ReadText("./Quillmarsh.dat1"), "marker");
    EXPECT_EQ(db->GetTable("select count(*) from bill_type")->FieldAsInteger(0), 3);
}

TEST(DatabaseFile, BackupWithCountBelowOneOnlyDeletesTheNumberedName) {
    qmtest::TempDir dir;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    WriteText("./Quillmarsh.dat0", "zero");
    WriteText("./Quillmarsh.dat-1", "minus");
    WriteText("./Quillmarsh.dat1", "one");
    auto db = std::make_unique<TSQLiteDatabase>(kFile);
    int backupDate = 10;
    DailyBackup(db, kFile, 0, backupDate, 11);
    EXPECT_FALSE(FileExists("./Quillmarsh.dat0"));
    EXPECT_EQ(ReadText("./Quillmarsh.dat1"), "one");
    backupDate = 10;
    DailyBackup(db, kFile, -1, backupDate, 11);
    EXPECT_FALSE(FileExists("./Quillmarsh.dat-1"));
    EXPECT_EQ(ReadText("./Quillmarsh.dat1"), "one");
    ASSERT_TRUE(db);
    EXPECT_TRUE(CheckLayout(*db).matches);
}

TEST(DatabaseFile, BackupSettingsFallBackWhenMissingOrNotNumbers) {
    qmtest::TempDir dir;
    auto db = CreateDatabaseFile(kFile, "a", "b", "c");
    EXPECT_EQ(ReadBackupCount(*db), 1);
    EXPECT_EQ(ReadBackupDate(*db, 500), 499);
    db->ExecSQL("insert into param (name, value) values ('reserv-count', 'x7')");
    db->ExecSQL("insert into param (name, value) values ('reserv-date', '40221')");
    EXPECT_EQ(ReadBackupCount(*db), 1);
    EXPECT_EQ(ReadBackupDate(*db, 500), 40221);
}

TEST(DatabaseFile, LayoutCheckRefusesOtherLayouts) {
    qmtest::TempDir dir;
    {
        auto db = CreateDatabaseFile(kFile, "a", "b", "c");
        db->ExecSQL("CREATE TABLE extra (id INTEGER)");
        EXPECT_FALSE(CheckLayout(*db).matches);
    }
    DeleteFile(kFile);
    {
        auto db = CreateDatabaseFile(kFile, "a", "b", "c");
        db->ExecSQL("DROP TABLE currency");
        db->ExecSQL(
            "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name "
            "TEXT, "
            "ts TEXT, kurs_str NUMERIC)");
        LayoutCheck c = CheckLayout(*db);
        EXPECT_FALSE(c.matches);  // kurs_str of another type counts as an extra column
    }
    DeleteFile(kFile);
    {
        auto db = CreateDatabaseFile(kFile, "a", "b", "c");
        db->ExecSQL("DROP TABLE bill_type");
        db->ExecSQL("CREATE TABLE bill_type (name TEXT, id INTEGER PRIMARY KEY)");
        EXPECT_FALSE(CheckLayout(*db).matches);
    }
    DeleteFile(kFile);
    {
        // Odd table names are quoted, not run as SQL: the check refuses, nothing fails.
        auto db = CreateDatabaseFile(kFile, "a", "b", "c");
        db->ExecSQL("CREATE TABLE \"x); drop table bill; --\" (id INTEGER)");
        EXPECT_FALSE(CheckLayout(*db).matches);
        EXPECT_EQ(db->GetTable("select count(*) from sqlite_master where name = 'bill'")
                      ->FieldAsInteger(0),
                  1);
    }
    DeleteFile(kFile);
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    // A schema row edited by hand, its table's two names differing in case: upgrading such a
    // file would leave the old row beside the new one.
    ASSERT_EQ(qmtest::RunCommand(std::string("sqlite3 ") + kFile +
                                 " \"PRAGMA writable_schema = ON; update sqlite_master set "
                                 "tbl_name = 'Currency' where name = 'currency'\""),
              0);
    {
        TSQLiteDatabase db(kFile);
        EXPECT_FALSE(CheckLayout(db).matches);
    }
}

TEST(DatabaseFile, UpgradesBringTheOldestLayoutToTheCurrentOne) {
    qmtest::TempDir dir;
    MakeOldestLayout(kFile);
    TSQLiteDatabase db(kFile);
    LayoutCheck c = CheckLayout(db);
    EXPECT_TRUE(c.matches) << c.signature;
    EXPECT_TRUE(c.needUpgradeA);
    EXPECT_TRUE(c.needUpgradeB);
    EXPECT_TRUE(c.needUpgradeC);
    RunUpgrade(db, 'A');
    RunUpgrade(db, 'B');
    RunUpgrade(db, 'C');
    c = CheckLayout(db);
    EXPECT_TRUE(c.matches);
    EXPECT_FALSE(c.needUpgradeA || c.needUpgradeB || c.needUpgradeC);
    EXPECT_EQ(
        Sqlite3(
            kFile,
            "select kurs, typeof(kurs), note, amount, files is null from bill_move order by id"),
        "1.5|text|lunch|-10|1\n1.5|text|lunch|10|1\n");
    EXPECT_EQ(Sqlite3(kFile, "select id, kurs_str from currency order by id"), "1|1/30.5\n2|1/1\n");
}

TEST(DatabaseFile, UpgradeAKeepsAttachedFilesWhenTheTableHasThem) {
    qmtest::TempDir dir;
    {
        TSQLiteDatabase db(kFile);
        db.ExecSQL(
            "CREATE TABLE bill_move (kurs NUMERIC, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
            "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts "
            "TEXT, files BLOB)");
        db.ExecSQL(
            "INSERT INTO bill_move VALUES (1, 2, '', 5, 3, 1, '', 4, '20100101', x'414243')");
        LayoutCheck c = CheckLayout(db);
        EXPECT_TRUE(c.needUpgradeA);
        EXPECT_FALSE(c.needUpgradeB);
        RunUpgrade(db, 'A', !c.needUpgradeB);
        c = CheckLayout(db);
        EXPECT_FALSE(c.needUpgradeA);
        EXPECT_FALSE(c.needUpgradeB);
    }
    EXPECT_EQ(Sqlite3(kFile, "select hex(files) from bill_move"), "414243\n");
}

TEST(DatabaseFile, UpgradeInterruptedMidwayLeavesTheFileAsItWas) {
    qmtest::TempDir dir;
    MakeOldestLayout(kFile);
    const std::string before = Sqlite3(kFile, ".dump");
    pid_t pid = fork();
    if (pid == 0) {
        // Killed right after the old table was dropped, before the rows went back.
        SetSchemaStepObserver([](const AnsiString& sql) {
            if (sql.rfind("INSERT INTO bill_move", 0) == 0) _exit(9);
        });
        TSQLiteDatabase db(kFile);
        RunUpgrade(db, 'A');
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 9);
    EXPECT_EQ(Sqlite3(kFile, ".dump"), before);
    EXPECT_EQ(Sqlite3(kFile, "select count(*) from bill_move"), "2\n");
}

namespace {

// A whole database file that says which copy it is.
void MakeCopy(const std::string& name, const std::string& mark) {
    std::filesystem::copy_file(kFile, name, std::filesystem::copy_options::overwrite_existing);
    TSQLiteDatabase db(name);
    db.ExecSQL("insert into param (name, value) values ('mark', '" + mark + "')");
}

// The mark of a copy: "-" when there is none, "live" for one of the live file.
std::string MarkOf(const std::string& name) {
    if (!PathExists(name)) return "-";
    if (Sqlite3(name, "select group_concat(integrity_check) from pragma_integrity_check") != "ok\n")
        return "damaged";
    const std::string mark = Sqlite3(name, "select value from param where name = 'mark'");
    return mark.empty() ? "live" : mark.substr(0, mark.size() - 1);
}

std::string Marks(int count = 3) {
    std::string marks;
    for (int i = 1; i <= count; ++i)
        marks += (i > 1 ? " " : "") + MarkOf("./Quillmarsh.dat" + std::to_string(i));
    return marks;
}

// Copies 1..N as a case lists them ("" for an empty name), over whatever stood before.
void LayCopies(const std::vector<std::string>& copies) {
    for (size_t i = 0; i < copies.size(); ++i) {
        const std::string name = "./Quillmarsh.dat" + std::to_string(i + 1);
        DeleteFile(name);
        if (!copies[i].empty()) MakeCopy(name, copies[i]);
    }
}

// How the copies stand before a day's backup, and after it: the copies move up only as far as
// the first empty name, and the oldest goes only when every name holds a copy.
struct RotationCase {
    std::vector<std::string> before;
    std::string after;
};
const RotationCase kRotations[] = {
    {{"c1", "c2", "c3"}, "live c1 c2"},         // all full: c3, the oldest, goes
    {{"c1", "c2", ""}, "live c1 c2"},           //
    {{"c1", "", "c3"}, "live c1 c3"},           // c3 stays past the empty name
    {{"", "c2", "c3"}, "live c2 c3"},           // nothing moves
    {{"", "c2", ""}, "live c2 -"},              // nor here: copy 2 is not doubled
    {{"c1", "c2", "", "c4"}, "live c1 c2 c4"},  //
    {{"c1"}, "live"},                           // one copy kept: it is replaced
};

}  // namespace

TEST(DatabaseFile, RotationMovesCopiesOnlyAsFarAsTheFirstEmptyName) {
    qmtest::TempDir dir;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    for (const RotationCase& c : kRotations) {
        const int count = static_cast<int>(c.before.size());
        LayCopies(c.before);
        auto db = std::make_unique<TSQLiteDatabase>(kFile);
        int backupDate = 10;
        EXPECT_TRUE(DailyBackup(db, kFile, count, backupDate, 11).copied) << c.after;
        EXPECT_EQ(Marks(count), c.after);
        EXPECT_EQ(backupDate, 11);
        EXPECT_TRUE(BackupTemporaries(kFile).empty());
    }
}

// A reference run of each case gives the steps of its backup; then the backup is killed after
// each step in turn, and a start the same day (which clears what the kill left and makes the
// day's copy again) must leave what the run without a kill left: no copy that stood before is
// lost, but the oldest where every name held one. Killed once the copy is placed, the backup is
// done: what it left is already what the run without a kill left.
TEST(DatabaseFile, AKillAtAnyStepOfTheRotationCostsNoCopyThatStoodBefore) {
    qmtest::TempDir dir;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    for (const RotationCase& c : kRotations) {
        const int count = static_cast<int>(c.before.size());
        std::vector<std::string> steps;
        LayCopies(c.before);
        SetBackupStepObserver([&](const AnsiString& step) { steps.push_back(step); });
        auto db = std::make_unique<TSQLiteDatabase>(kFile);
        int backupDate = 10;
        DailyBackup(db, kFile, count, backupDate, 11);
        SetBackupStepObserver({});
        db.reset();
        ASSERT_EQ(Marks(count), c.after);
        for (size_t killed = 0; killed < steps.size(); ++killed) {
            const std::string at = c.after + ", killed after " + steps[killed];
            LayCopies(c.before);
            const pid_t pid = fork();
            if (pid == 0) {
                SetBackupStepObserver([killed, seen = size_t{0}](const AnsiString&) mutable {
                    if (seen++ == killed) _exit(9);
                });
                auto child = std::make_unique<TSQLiteDatabase>(kFile);
                int date = 10;
                DailyBackup(child, kFile, count, date, 11);
                _exit(0);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << at;
            EXPECT_EQ(Marks(count).find("damaged"), std::string::npos)
                << at << ": " << Marks(count);
            RemoveBackupLeftovers(kFile);
            EXPECT_TRUE(BackupTemporaries(kFile).empty()) << at;
            auto again = std::make_unique<TSQLiteDatabase>(kFile);
            int date = 10;
            // Placed before the kill, the day's copy stands already and is not made again.
            EXPECT_EQ(DailyBackup(again, kFile, count, date, 11).copied, steps[killed] != "placed")
                << at;
            EXPECT_EQ(date, 11) << at;
            EXPECT_EQ(Marks(count), c.after) << at;
        }
    }
}

TEST(DatabaseFile, AKilledBackupCostsNoGoodCopyAndTheNextStartClearsUp) {
    qmtest::TempDir dir;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    for (const char* step : {"copied", "rotated 3", "rotated 2", "placed"}) {
        MakeCopy("./Quillmarsh.dat1", "one");
        MakeCopy("./Quillmarsh.dat2", "two");
        DeleteFile("./Quillmarsh.dat3");
        const pid_t pid = fork();
        if (pid == 0) {
            SetBackupStepObserver([step](const AnsiString& s) {
                if (s == step) _exit(9);
            });
            auto db = std::make_unique<TSQLiteDatabase>(kFile);
            int backupDate = 10;
            DailyBackup(db, kFile, 3, backupDate, 11);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << step;
        // Every name holds a whole copy; a copy killed before it was placed changed nothing.
        const std::string marks = Marks();
        EXPECT_EQ(marks.find("damaged"), std::string::npos) << step << ": " << marks;
        if (std::string(step) == "copied") {
            EXPECT_EQ(marks, "one two -");
        } else if (std::string(step) == "placed") {
            EXPECT_EQ(marks, "live one two");
        }

        RemoveBackupLeftovers(kFile);
        EXPECT_TRUE(BackupTemporaries(kFile).empty()) << step;
        auto db = std::make_unique<TSQLiteDatabase>(kFile);
        int backupDate = 10;
        // A copy placed before the kill is the day's copy: "one" is not pushed along again.
        EXPECT_EQ(DailyBackup(db, kFile, 3, backupDate, 11).copied, std::string(step) != "placed")
            << step;
        EXPECT_EQ(backupDate, 11) << step;
        EXPECT_EQ(MarkOf("./Quillmarsh.dat1"), "live") << step;
        EXPECT_EQ(MarkOf("./Quillmarsh.dat2"), "one") << step;
        // Recognised, the copy is recorded in the file at once: a kill later today, before any
        // close, pushes nothing along at the next start either.
        if (std::string(step) == "placed") {
            EXPECT_EQ(ReadBackupDate(*db, 0), 11);
        }
    }
    // A copy 1 of the file's size and time of change but with other bytes is no day's copy.
    MakeCopy("./Quillmarsh.dat1", "other bytes");
    ASSERT_EQ(std::filesystem::file_size("./Quillmarsh.dat1"), std::filesystem::file_size(kFile));
    std::filesystem::last_write_time("./Quillmarsh.dat1", std::filesystem::last_write_time(kFile));
    auto db = std::make_unique<TSQLiteDatabase>(kFile);
    int backupDate = 11;
    EXPECT_TRUE(DailyBackup(db, kFile, 3, backupDate, 12).copied);
    EXPECT_EQ(MarkOf("./Quillmarsh.dat2"), "other bytes");
}

TEST(DatabaseFile, TheDaysCopyHoldsTheFileAsStartUpFoundItThoughItIsPlacedLater) {
    qmtest::TempDir dir;
    CreateDatabaseFile(kFile, "a", "b", "c").reset();
    MakeCopy("./Quillmarsh.dat1", "one");
    auto db = std::make_unique<TSQLiteDatabase>(kFile);
    int backupDate = 10;
    const BackupOutcome copy = CopyForBackup(db, kFile, 3, backupDate, 11);
    ASSERT_FALSE(copy.copy.empty());
    EXPECT_FALSE(copy.copied);
    // Nothing is rotated nor dated until the copy is on the disk and placed.
    EXPECT_EQ(Marks(), "one - -");
    EXPECT_EQ(backupDate, 10);
    // The user works on while the copy is flushed: the copy keeps the file as it was.
    db->ExecSQL("insert into param (name, value) values ('mark', 'later')");
    const BackupOutcome placed = PlaceBackup(kFile, 3, copy.copy);
    EXPECT_TRUE(placed.copied);
    EXPECT_EQ(Marks(), "live one -");
    EXPECT_EQ(MarkOf(kFile), "later");
    // A copy that vanished before it could be flushed is a failure that changes nothing.
    const BackupOutcome vanishing = CopyForBackup(db, kFile, 3, backupDate, 12);
    ASSERT_FALSE(vanishing.copy.empty());
    EXPECT_EQ(BackupTemporaries(kFile), std::vector<AnsiString>{vanishing.copy.string()});
    DeleteFile(vanishing.copy);
    const BackupOutcome lost = PlaceBackup(kFile, 3, vanishing.copy);
    EXPECT_TRUE(lost.failed);
    EXPECT_FALSE(lost.error.empty());
    EXPECT_EQ(Marks(), "live one -");
}
