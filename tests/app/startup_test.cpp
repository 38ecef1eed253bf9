// The main window's start-up and shut-down against real database files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <regex>

#include "app/store/database_file.h"
#include "app/window/main_window.h"
#include "app/window/ui_strings.h"
#include "db/sqlite_statement.h"
#include "platform/dialogs.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "tests/app/household.h"
#include "tests/support/cannot_run.h"
#include "tests/support/small_disk.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

AnsiString ParamRows() {
    TSQLiteDatabase db("./Quillmarsh.dat");
    AnsiString out;
    auto t = db.GetTable("select name, value from param order by id");
    for (; !t->Eof(); t->Next()) out += t->FieldAsString(0) + "=" + t->FieldAsString(1) + "\n";
    return out;
}

// A new file: the window asks to create it and the test says yes.
std::unique_ptr<TForm1> NewWindow(qmtest::ScriptedBoxes& boxes) {
    boxes.Answer(IDYES);
    return std::make_unique<TForm1>();
}

struct Startup : ::testing::Test {
    qmtest::TempDir dir;
    qmtest::FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
};

}  // namespace

TEST_F(Startup, DecliningToCreateTheFileEndsWithNoFile) {
    qmtest::ScriptedBoxes boxes;
    boxes.Answer(IDNO);
    TForm1 form;
    EXPECT_TRUE(form.Terminated());
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].text, form.Ui(87));
    EXPECT_EQ(boxes.asked()[0].caption, form.Ui(88));
    EXPECT_EQ(boxes.asked()[0].flags & 0xF, MB_YESNO);
    EXPECT_FALSE(std::filesystem::exists("Quillmarsh.dat"));
}

TEST_F(Startup, ANewFileStartsWithDefaultsAndWritesThemBack) {
    qmtest::ScriptedBoxes boxes;
    {
        auto form = NewWindow(boxes);
        ASSERT_FALSE(form->Terminated());
        EXPECT_TRUE(form->StartupComplete());
        EXPECT_EQ(form->windowTitle().toStdString(), "Quillmarsh 1.5 - " + form->Ui(86));
        EXPECT_EQ(Head.HeadTabs.size(), 1u);
        EXPECT_EQ(HeadIndex, 0);
        EXPECT_EQ(SelectBill, -1);
        EXPECT_EQ(form->MainCurrencyId, 1);
        EXPECT_EQ(form->DateFormat, "dd.MM.yyyy");
        EXPECT_EQ(LastDate, "07.12.2026");
        EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
        EXPECT_FALSE(form->CheckBox1->Checked());
        EXPECT_FALSE(form->DateTimePicker1->Enabled());
        EXPECT_FALSE(form->Panel1->isHidden());
        EXPECT_TRUE(form->Button1->isHidden());
        EXPECT_EQ(form->Label1->Caption(), form->Ui(38));
        EXPECT_EQ(form->ActionMainMenuBar1->actions().at(0)->text().toStdString(), form->Ui(54));
        EXPECT_EQ(BillColumnWidths[0], form->Canvas().TextWidth("10.10.2010 ") + 4);
    }
    EXPECT_EQ(
        ParamRows(),
        "reserv-count=1\nreserv-date=0\nwindow-left=204\nwindow-top=120\nwindow-width=800\n"
        "window-height=446\nscroll-1=0\nscroll-2=0\nscroll-3=0\nhead-index=0\nselect-bill=-1\n"
        "date-filter=20261207\nsettings-titlereportbol=false\nsettings-twosignbol=false\n"
        "settings-minusredbol=false\nsettings-title=Household accounts\nsettings-currmain_id=1\n"
        "settings-dateformat=3\nhead-bill-width-0=" +
            IntToStr(BillColumnWidths[0]) +
            "\nhead-bill-width-1=55\nhead-bill-width-2=200\nhead-bill-width-3=200\n"
            "head-bill-width-4=85\nhead-bill-width-5=85\nhead-bill-width-6=85\n");
}

TEST_F(Startup, StoredSettingsAreRestoredAndWrittenBackUnchanged) {
    {
        auto db = CreateDatabaseFile("./Quillmarsh.dat", "Income", "Assets", "Spending");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name, twosign) values "
            "(7, 0, 2, 1, 'Cash', 'FF'), (8, 7, 2, 1, 'Wallet', 'TF')");
        const char* rows[][2] = {{"reserv-count", "3"},
                                 {"reserv-date", "46363"},
                                 {"window-left", "10"},
                                 {"window-top", "20"},
                                 {"window-width", "900"},
                                 {"window-height", "600"},
                                 {"scroll-1", "2"},
                                 {"scroll-2", "0"},
                                 {"scroll-3", "1"},
                                 {"head-index", "2"},
                                 {"select-bill", "8"},
                                 {"date-filter", "2026010120261231"},
                                 {"settings-titlereportbol", "true"},
                                 {"settings-twosignbol", "true"},
                                 {"settings-minusredbol", "false"},
                                 {"settings-title", "Bob''s house"},
                                 {"settings-currmain_id", "1"},
                                 {"settings-dateformat", "4"},
                                 {"head-bill-001", "8:1"},
                                 {"head-bill-002", "0:2:\x01pie''text"},
                                 {"head-bill-width-0", "69"},
                                 {"head-bill-width-1", "60"},
                                 {"head-bill-width-2", "200"},
                                 {"head-bill-width-3", "150"},
                                 {"head-bill-width-4", "90"},
                                 {"head-bill-width-5", "91"},
                                 {"head-bill-width-6", "92"}};
        for (auto& r : rows)
            db->ExecSQL(AnsiString("insert into param (name, value) values ('") + r[0] + "', '" +
                        r[1] + "')");
    }
    const AnsiString before = ParamRows();
    {
        TForm1 form;
        ASSERT_TRUE(form.StartupComplete());
        EXPECT_EQ(form.Title, "Bob's house");
        EXPECT_EQ(form.windowTitle().toStdString(), "Quillmarsh 1.5 - Bob's house");
        ASSERT_EQ(Head.HeadTabs.size(), 3u);
        EXPECT_EQ(Head.HeadTabs[1].Caption, "Wallet");
        EXPECT_EQ(Head.HeadTabs[1].BillTypeId, 2);
        EXPECT_TRUE(Head.HeadTabs[1].TwoSign);
        EXPECT_EQ(Head.HeadTabs[2].Kind, tkReport);
        EXPECT_EQ(Head.HeadTabs[2].ReportText, "\x01pie'text");
        EXPECT_EQ(HeadIndex, 2);
        // A report tab is current: the period bar gives way to the print button.
        EXPECT_TRUE(form.Panel1->isHidden());
        EXPECT_FALSE(form.Button1->isHidden());
        EXPECT_EQ(form.Button1->Caption(), form.Ui(158));
        EXPECT_TRUE(form.CheckBox1->Checked());
        EXPECT_TRUE(form.DateTimePicker2->Enabled());
        EXPECT_EQ(DateToYmd(form.DateTimePicker2->Date()), "20261231");
        EXPECT_EQ(form.DateFormat, "yyyy-MM-dd");
        EXPECT_EQ(BillColumnWidths[3], 150);
        EXPECT_EQ(form.BackupCount, 3);
    }
    EXPECT_EQ(ParamRows(), before);
}

TEST_F(Startup, OddStoredValuesFallBackSafely) {
    {
        auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        const char* rows[][2] = {{"head-bill-001", "7 or 1=1:1"}, {"head-bill-002", "x"},
                                 {"head-bill-003", "5:0"},        {"head-bill-width-12", "70"},
                                 {"head-bill-width-7", "99"},     {"head-index", "9"},
                                 {"window-width", "100"},         {"date-filter", "20260301"}};
        for (auto& r : rows)
            db->ExecSQL(AnsiString("insert into param (name, value) values ('") + r[0] + "', '" +
                        r[1] + "')");
    }
    TForm1 form;
    ASSERT_TRUE(form.StartupComplete());
    EXPECT_EQ(Head.HeadTabs.size(),
              1u);            // ids and kinds that are no numbers, and tree kinds, are left out
    EXPECT_EQ(HeadIndex, 0);  // a tab index beyond the restored tabs falls back to the tree
    EXPECT_EQ(BillColumnWidths[1], 70);  // only the character after the prefix counts
    EXPECT_GE(form.width(), 800);
    EXPECT_FALSE(form.CheckBox1->Checked());
    EXPECT_EQ(DateToYmd(form.DateTimePicker1->Date()), "20260301");
    EXPECT_EQ(DateToYmd(form.DateTimePicker2->Date()), "20261207");
}

TEST_F(Startup, AFileOfAnotherLayoutIsRefusedAndLeftUnchanged) {
    {
        auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        db->ExecSQL("CREATE TABLE extra (id INTEGER)");
        db->ExecSQL("insert into param (name, value) values ('reserv-date', '46363')");
    }
    std::string before;
    qmtest::RunCommand("sqlite3 Quillmarsh.dat .dump", &before);
    qmtest::ScriptedBoxes boxes;
    TForm1* created = nullptr;
    boxes.Answer(IDOK);
    {
        TForm1 form;
        created = &form;
        EXPECT_TRUE(form.Terminated());
        EXPECT_EQ(boxes.asked().at(0).text, form.Ui(92));
    }
    (void)created;
    std::string after;
    qmtest::RunCommand("sqlite3 Quillmarsh.dat .dump", &after);
    EXPECT_EQ(after, before);
}

TEST_F(Startup, UpgradesAskFirstAndNoEndsTheProgram) {
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        auto fresh = CreateDatabaseFile("./fresh.dat", "a", "b", "c");
        (void)fresh;
        db.ExecSQL(
            "CREATE TABLE bill (twosign TEXT, budget_type TEXT, budget NUMERIC, budget_date_to "
            "TEXT, "
            "budget_date_from TEXT, budget_amount NUMERIC, amount NUMERIC, currency_id NUMERIC, ts "
            "TEXT, "
            "isopen NUMERIC, bill_type_id NUMERIC, bill_id NUMERIC, id INTEGER PRIMARY KEY, name "
            "TEXT, "
            "position NUMERIC)");
        db.ExecSQL(
            "CREATE TABLE bill_move (kurs TEXT, bill_move_id NUMERIC, num TEXT, amount NUMERIC, "
            "dest_bill_id NUMERIC, id INTEGER PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts "
            "TEXT, files BLOB)");
        db.ExecSQL("CREATE TABLE bill_type (id INTEGER PRIMARY KEY, name TEXT)");
        db.ExecSQL(
            "CREATE TABLE currency (kurs NUMERIC, short_name TEXT, id INTEGER PRIMARY KEY, name "
            "TEXT, ts TEXT)");
        db.ExecSQL("CREATE TABLE param (id INTEGER PRIMARY KEY, name TEXT, value TEXT)");
        db.ExecSQL("insert into currency values (2, 'EUR', 1, 'Euro', '')");
        db.ExecSQL("insert into param (name, value) values ('reserv-date', '46363')");
    }
    {
        qmtest::ScriptedBoxes boxes;
        boxes.Answer(IDNO);
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        EXPECT_EQ(boxes.asked().at(0).text, form.Ui(107));
        EXPECT_EQ(boxes.asked().at(0).caption, form.Ui(134));
    }
    {
        qmtest::ScriptedBoxes boxes;
        boxes.Answer(IDYES);
        TForm1 form;
        EXPECT_TRUE(form.StartupComplete());
    }
    TSQLiteDatabase db("./Quillmarsh.dat");
    EXPECT_EQ(db.GetTable("select kurs_str from currency")->FieldAsString(0), "1/2");
}

TEST_F(Startup, AnUpgradeThatDoesNotEndInTheCurrentLayoutIsRefused) {
    {
        auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        db->ExecSQL("ALTER TABLE currency DROP COLUMN kurs_str");  // wants upgrade C
        db->ExecSQL("insert into param (name, value) values ('reserv-date', '46363')");
    }
    // What a damaged file can do to a rebuilt table, stood in for by one more table.
    SetSchemaStepObserver([](const AnsiString& sql) {
        if (sql.find("DROP TABLE TEMP_TABLE") != AnsiString::npos)
            DB->ExecSQL("CREATE TABLE stray (id INTEGER)");
    });
    qmtest::ScriptedBoxes boxes;
    boxes.Answer(IDYES);
    boxes.Answer(IDOK);
    {
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        ASSERT_EQ(boxes.asked().size(), 2u);
        EXPECT_EQ(boxes.asked().at(1).text, form.Ui(92));
    }
    SetSchemaStepObserver({});
}

TEST(StartupDeathTest, AFailedStatementTellsTheUserAndEndsWithoutWritingSettings) {
    qmtest::TempDir dir;
    qmtest::FixedClock clock{EncodeDate(2026, 12, 7), "dd.MM.yyyy"};
    CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c").reset();
    EXPECT_EXIT(
        {
            SetMessageBoxHook([](QWidget*, const AnsiString& text, const AnsiString& caption, int) {
                std::fprintf(stderr, "box: %s / %s\n", text.c_str(), caption.c_str());
                return IDOK;
            });
            TForm1 form;
            DB->ExecSQL("update nosuchtable set x = 1");
            std::exit(0);
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "no such table: nosuchtable(.|\n)*box: ");
    // Only the day's backup, recorded as soon as it was made, reached the file.
    TSQLiteDatabase db("./Quillmarsh.dat");
    EXPECT_EQ(
        db.GetTable("select count(*) from param where name <> 'reserv-date'")->FieldAsInteger(0),
        0);
}

namespace {

const char* kFile = "./Quillmarsh.dat";

std::string Sqlite3(const std::string& file, const std::string& sql) {
    std::string out;
    qmtest::RunCommand("sqlite3 " + file + " \"" + sql + "\" 2>&1", &out);
    return out;
}

void SetParam(const AnsiString& name, const AnsiString& value) {
    TSQLiteDatabase db(kFile);
    db.ExecSQL("delete from param where name = '" + name + "'");
    db.ExecSQL("insert into param (name, value) values ('" + name + "', '" + value + "')");
}

// Read with the sqlite3 shell, which a damaged file cannot take down with the test: the file is
// whole, every move has its twin, and every account's balance is the sum of its moves.
void ExpectSound(const std::string& file, int round) {
    EXPECT_EQ(Sqlite3(file,
                      "select group_concat(integrity_check) from pragma_integrity_check;"
                      "select count(*) from bill_move a left join bill_move b on b.id = "
                      "a.bill_move_id where b.id is null or b.bill_move_id <> a.id or b.amount "
                      "<> -a.amount;"
                      "select count(*) from bill b where b.bill_id <> 0 and abs(b.amount - (case "
                      "when b.bill_type_id = 1 then -1 else 1 end) * (select coalesce(sum(amount), "
                      "0) from bill_move where src_bill_id = b.id)) > 0.005;"),
              "ok\n0\n0\n")
        << file << " after round " << round;
}

// The live file and every copy that carries a copy's name.
void ExpectSoundFiles(int round) {
    ASSERT_TRUE(FileExists(kFile));
    for (const char* name : {kFile, "./Quillmarsh.dat1", "./Quillmarsh.dat2", "./Quillmarsh.dat3"})
        if (PathExists(name)) ExpectSound(name, round);
}

void SendKey(QWidget& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(&w, &release);
}

void SendClick(QWidget& w, int x, int y, QEvent::Type type = QEvent::MouseButtonPress) {
    const QPointF p(x, y);
    QMouseEvent press(type, p, w.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w.mapToGlobal(p), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &release);
}

}  // namespace

TEST_F(Startup, AnythingButAFileUnderTheFilesNameIsReportedAndNothingIsCreated) {
    const std::function<void()> makers[] = {
        [] { mkdir("Quillmarsh.dat", 0755); },
        [] { ASSERT_EQ(symlink("/nonexistent/Quillmarsh.dat", "Quillmarsh.dat"), 0); },
        [] { mkfifo("Quillmarsh.dat", 0644); }};
    for (const auto& make : makers) {
        std::filesystem::remove(kFile);
        make();
        qmtest::ScriptedBoxes boxes;
        boxes.Answer(IDOK);
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        ASSERT_EQ(boxes.asked().size(), 1u);
        EXPECT_EQ(boxes.asked()[0].text, form.Ui(192));
        // Only what was there before: nothing built beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
    }
}

namespace {

// A start of the program in the current folder, in a child process, since a database failure
// ends it through std::exit: what its message boxes said, one line each, and its exit code.
std::pair<std::string, int> StartInChild() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {"", -1};
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        SetMessageBoxHook(
            [fd = pipeFds[1]](QWidget*, const AnsiString& text, const AnsiString&, int) {
                const std::string line = text + "\n";
                if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                    _exit(4);
                return IDOK;
            });
        { TForm1 form; }
        _exit(0);
    }
    ::close(pipeFds[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {said, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

}  // namespace

// Bytes the engine cannot read as a database under the file's name: the user is told which file
// is not (or no longer) a data file, with the engine's words, and which copy to go on from: the
// lowest number that is a file, not the first name in the folder's order.
TEST_F(Startup, AFileThatIsNoDataFileIsNamedWithItsNewestCopy) {
    std::string noise(8192, '\0');
    std::mt19937 random(17);
    for (char& c : noise) c = static_cast<char>(random());
    const struct {
        std::string bytes;
        // Copies; a folder under a copy's name ("/"), another user's file ("~"), a link ("@").
        std::vector<std::string> besides;
        const char* newest;
    } cases[] = {
        {"Groceries 12.50\nRent 700\n", {}, nullptr},
        {noise,
         {"Quillmarsh.dat10", "Quillmarsh.dat2/", "Quillmarsh.dat3", "Quillmarsh.dat0"},
         "Quillmarsh.dat3"},
        {noise, {"Quillmarsh.dat1~", "Quillmarsh.dat2@", "Quillmarsh.dat4"}, "Quillmarsh.dat4"},
    };
    const std::regex copyNamed("Quillmarsh\\.dat[0-9]");
    for (const auto& c : cases) {
        qmtest::TempDir each;
        const std::string here = std::filesystem::current_path().string() + "/";
        std::ofstream(kFile, std::ios::binary) << c.bytes;
        for (const std::string& name : c.besides) {
            const std::string plain = name.substr(0, name.find_first_of("/~@"));
            if (name.back() == '/') {
                std::filesystem::create_directory(plain);
            } else if (name.back() == '@') {
                std::filesystem::create_symlink("Quillmarsh.dat4", plain);
            } else {
                std::ofstream(plain) << "a copy";
                if (name.back() == '~' && ::chown(plain.c_str(), ::geteuid() + 4242, 0) != 0)
                    QM_CANNOT_RUN_HERE("making another user's file needs root");
            }
        }
        const auto [said, code] = StartInChild();
        EXPECT_EQ(code, EXIT_FAILURE);
        EXPECT_NE(said.find(here + "Quillmarsh.dat is not"), std::string::npos) << said;
        EXPECT_NE(said.find("file is not a database"), std::string::npos) << said;
        const auto named = std::distance(std::sregex_iterator(said.begin(), said.end(), copyNamed),
                                         std::sregex_iterator());
        EXPECT_EQ(named, c.newest ? 1 : 0) << said;
        if (c.newest) {
            EXPECT_NE(said.find(here + c.newest + ":"), std::string::npos) << said;
        }
    }
}

namespace {

// The child of the next test: exit code 0 when the window took nothing.
int PokeTheWindowAfterAFailedStartUp() {
    int boxes = 0;
    SetMessageBoxHook([&](QWidget*, const AnsiString&, const AnsiString&, int flags) {
        ++boxes;
        return (flags & 0xF) == MB_YESNO ? IDYES : IDOK;
    });
    // The file cannot be built (as on a read-only folder or a failing disk).
    SetSchemaStepObserver([](const AnsiString&) { throw ESQLiteException("disk I/O error"); });
    {
        TForm1 form;
        form.show();
        EXPECT_FALSE(form.StartupComplete());
        EXPECT_EQ(boxes, 2);  // the question to create, then the failure
        for (int key :
             {Qt::Key_Return, Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Delete, Qt::Key_F1,
              Qt::Key_F2, Qt::Key_Tab, Qt::Key_PageDown, Qt::Key_Escape, Qt::Key_A})
            SendKey(form, key);
        SendKey(form, Qt::Key_Left, Qt::ControlModifier);
        SendKey(form, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        // Header buttons, a tree row, the tab strip, a double click on the tree.
        for (auto [x, y] : {std::pair{37, 55}, {300, 55}, {60, 191}, {40, 110}, {700, 112}})
            SendClick(form, x, y);
        SendClick(form, 60, 191, QEvent::MouseButtonDblClick);
        for (int n = 1; n <= 32; ++n) {
            EXPECT_EQ(form.Action(n)->isEnabled(), n == 7) << "Action" << n;
            if (n != 7) form.Action(n)->trigger();
        }
        for (int n = 1; n <= 22; ++n) {
            EXPECT_FALSE(form.N(n)->isEnabled()) << "N" << n;
            form.N(n)->trigger();
        }
        EXPECT_FALSE(form.Timer1->Enabled() || form.Timer2->Enabled());
        EXPECT_FALSE(form.Panel1->isEnabled());
        EXPECT_TRUE(form.close());
    }
    EXPECT_EQ(boxes, 2);
    EXPECT_FALSE(PathExists(kFile));
    EXPECT_FALSE(PathExists("./Quillmarsh.dat.new"));
    return ::testing::Test::HasFailure() ? 1 : 0;
}

}  // namespace

TEST(StartupDeathTest, AfterAFailedStartUpTheWindowTakesNoCommandAndClosesCleanly) {
    qmtest::TempDir dir;
    qmtest::FixedClock clock{EncodeDate(2026, 12, 7), "dd.MM.yyyy"};
    EXPECT_EXIT(std::exit(PokeTheWindowAfterAFailedStartUp()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Startup, UnreadableStoredValuesFallBackToTheirDefaultsAndTheRestIsKept) {
    // A damaged period alone: the filter starts off, from today to today.
    for (const char* filter : {"20261340", "2026010120261399", "202601012026", "2026a101"}) {
        CreateDatabaseFile(kFile, "a", "b", "c").reset();
        SetParam("date-filter", filter);
        SetParam("reserv-date", "46363");
        {
            TForm1 form;
            ASSERT_TRUE(form.StartupComplete()) << filter;
            EXPECT_FALSE(form.CheckBox1->Checked() || form.DateTimePicker1->Enabled()) << filter;
            EXPECT_EQ(DateToYmd(form.DateTimePicker1->Date()), "20261207") << filter;
            EXPECT_EQ(DateToYmd(form.DateTimePicker2->Date()), "20261207") << filter;
        }
        // Written back repaired, so the next start reads it.
        EXPECT_NE(ParamRows().find("date-filter=20261207\n"), AnsiString::npos) << filter;
        std::filesystem::remove(kFile);
    }
    {
        auto db = CreateDatabaseFile(kFile, "a", "b", "c");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name, twosign) values "
            "(7, 0, 2, 1, 'Cash', 'FF'), (8, 7, 2, 1, 'Wallet', 'TF')");
    }
    const char* rows[][2] = {{"reserv-date", "46363"},      {"reserv-count", "99999999999"},
                             {"window-left", "left"},       {"window-width", "99999999999"},
                             {"select-bill", "x"},          {"settings-dateformat", "9"},
                             {"settings-currmain_id", "9"},  // no such currency
                             {"settings-title", "Kept"},    {"head-bill-width-3", "wide"},
                             {"head-bill-width-4", "-5"},   {"head-bill-width-5", "4294967296"},
                             {"head-bill-001", "8:1"},      {"head-bill-002", "0:2:\x01\x02\x03"},
                             {"head-bill-003", "9:2:x"},    {"head-index", "3"}};
    for (auto& r : rows) SetParam(r[0], r[1]);
    {
        TForm1 form;
        ASSERT_TRUE(form.StartupComplete());
        EXPECT_EQ(form.BackupCount, 1);
        EXPECT_EQ(form.x(), 204);
        EXPECT_EQ(form.width(), 800);
        EXPECT_EQ(SelectBill, -1);
        EXPECT_EQ(form.DateFormatIndex, 3);  // the desktop's
        EXPECT_EQ(form.MainCurrencyId, 1);
        EXPECT_EQ(BillColumnWidths[3], 200);
        EXPECT_EQ(BillColumnWidths[4], 85);
        EXPECT_EQ(BillColumnWidths[5], 85);
        EXPECT_EQ(form.Title, "Kept");
        ASSERT_EQ(Head.HeadTabs.size(), 4u);
        EXPECT_EQ(HeadIndex, 3);
        for (int i = 0; i < 4; ++i) form.SwitchToTab(i);  // each paints
    }
    const AnsiString after = ParamRows();
    for (const char* kept : {"settings-title=Kept\n", "head-bill-001=8:1\n", "head-index=3\n",
                             "settings-currmain_id=1\n", "head-bill-width-4=85\n"})
        EXPECT_NE(after.find(kept), AnsiString::npos) << kept;
}

namespace {

// The child of the next test, on a disk with no room for a copy: exit code 0 when the user was
// told once and nothing changed.
int StartWithNoRoomForTheCopy() {
    const bool mounted = qmtest::MountSmallDisk(512 * 1024);
    qmtest::SeedHousehold(10);
    CreateDatabaseFile("./Quillmarsh.dat1", "copy", "one", "").reset();
    {
        TSQLiteDatabase db(kFile);
        db.ExecSQL("update bill_move set files = zeroblob(300000) where id = 1");
    }
    SetParam("reserv-count", "3");
    SetParam("reserv-date", "46300");
    const std::string copy1 = Sqlite3("./Quillmarsh.dat1", ".dump");
    std::vector<AnsiString> asked;
    SetMessageBoxHook([&](QWidget*, const AnsiString& text, const AnsiString&, int) {
        asked.push_back(text);
        return IDOK;
    });
    if (!mounted) qmtest::LimitFileSize(100 * 1024);
    {
        TForm1 form;
        if (!mounted) qmtest::LimitFileSize(0);
        EXPECT_TRUE(form.StartupComplete());
        EXPECT_EQ(form.BackupDate, 46300);  // the next start tries again
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked.at(0).rfind(form.Ui(193), 0), 0u) << asked[0];
        EXPECT_NE(asked[0].find(mounted ? "No space left" : "File too large"), std::string::npos)
            << asked[0];
        // Named as the user knows the copy, not by the name it is built under.
        EXPECT_NE(asked[0].find("Quillmarsh.dat1: "), std::string::npos) << asked[0];
        EXPECT_EQ(asked[0].find(".tmp-"), std::string::npos) << asked[0];
    }
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(BackupTemporaries(kFile).empty());
    EXPECT_FALSE(PathExists("./Quillmarsh.dat2"));
    EXPECT_EQ(Sqlite3("./Quillmarsh.dat1", ".dump"), copy1);
    EXPECT_EQ(Sqlite3(kFile, "select value from param where name = 'reserv-date'"), "46300\n");
    ExpectSoundFiles(0);
    return ::testing::Test::HasFailure() ? 1 : 0;
}

}  // namespace

TEST_F(Startup, ABackupCopyThatCannotBeWrittenIsReportedOnceAndChangesNothing) {
    EXPECT_EXIT(std::exit(StartWithNoRoomForTheCopy()), ::testing::ExitedWithCode(0), "");
}

namespace {

std::string FileBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Fills the disk under the current folder with `name`, then gives back `room` bytes of it.
void FillDiskLeaving(const char* name, size_t room) {
    std::FILE* f = std::fopen(name, "wb");
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
    std::filesystem::resize_file(name, std::filesystem::file_size(name) - room);
}

// The child of the next test, on a disk with 40 KB free and a file without the program's
// indexes: exit code 0 when the program started without them, said why once, left the file as
// it was, and built them at the next start that had room.
int StartWithNoRoomForTheIndexes() {
    const bool mounted = qmtest::MountSmallDisk(3 * 1024 * 1024);
    qmtest::SeedHousehold(3000);
    {
        TSQLiteDatabase db(kFile);
        db.ExecSQL("drop index if exists bill_move_by_account");
        db.ExecSQL("drop index if exists bill_move_with_files");
        db.ExecSQL("vacuum");
    }
    SetParam("reserv-date", "46363");  // today's copy is made: the start writes no copy
    if (mounted)
        FillDiskLeaving("./ballast", 40 * 1024);
    else
        qmtest::LimitFileSize(std::filesystem::file_size(kFile) + 40 * 1024);
    const std::string before = FileBytes(kFile);
    const std::string walletMoves =
        Sqlite3(kFile, "select count(*) from bill_move where src_bill_id = 5");
    std::vector<AnsiString> asked;
    SetMessageBoxHook([&](QWidget*, const AnsiString& text, const AnsiString&, int) {
        asked.push_back(text);
        return IDOK;
    });
    {
        TForm1 form;
        EXPECT_TRUE(form.StartupComplete());
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked.at(0).rfind(form.Ui(197) + "\r\r", 0), 0u) << asked[0];
        EXPECT_NE(asked[0].find(mounted ? "database or disk is full" : "disk I/O error"),
                  std::string::npos)
            << asked[0];
        EXPECT_EQ(MissingIndexes(*DB).size(), 2u);
        EXPECT_TRUE(FileBytes(kFile) == before);
        // The moves read without them.
        EXPECT_EQ(
            DB->GetTable("select count(*) from bill_move where src_bill_id = 5")->FieldAsString(0) +
                "\n",
            walletMoves);
    }
    EXPECT_EQ(asked.size(), 1u);
    // With room again, the next start builds them without a word.
    if (mounted)
        std::filesystem::remove("./ballast");
    else
        qmtest::LimitFileSize(0);
    {
        TForm1 form;
        EXPECT_TRUE(form.StartupComplete());
        EXPECT_TRUE(MissingIndexes(*DB).empty());
    }
    EXPECT_EQ(asked.size(), 1u);
    return ::testing::Test::HasFailure() ? 1 : 0;
}

}  // namespace

TEST_F(Startup, IndexesWithoutRoomOnTheDiskAreLeftForTheNextStartAndTheFileStaysAsItWas) {
    EXPECT_EXIT(std::exit(StartWithNoRoomForTheIndexes()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Startup, TheDaysBackupIsRecordedAtOnceSoACrashLaterThatDayDoesNotRotateAgain) {
    qmtest::SeedHousehold(10);
    SetParam("reserv-count", "3");
    SetParam("reserv-date", "46300");
    const pid_t pid = fork();
    if (pid == 0) {
        TForm1 form;
        // The copy is placed, and the day recorded, by a worker once the window is up.
        for (int i = 0; i < 1000 && form.BackupDate != 46363; ++i) {
            QCoreApplication::processEvents();
            usleep(10000);
        }
        _exit(form.StartupComplete() ? 0 : 1);  // ends without its shut-down, as in a crash
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Sqlite3(kFile, "select value from param where name = 'reserv-date'"), "46363\n");
    ASSERT_TRUE(FileExists("./Quillmarsh.dat1"));
    const std::string copy1 = Sqlite3("./Quillmarsh.dat1", ".dump");
    { TForm1 form; }
    EXPECT_EQ(Sqlite3("./Quillmarsh.dat1", ".dump"), copy1);
    EXPECT_FALSE(PathExists("./Quillmarsh.dat2"));
}

TEST_F(Startup, TheFilesLockIsHeldThroughTheDailyBackupAndDroppedAtTheEnd) {
    qmtest::SeedHousehold(10);
    for (const char* copy : {"./Quillmarsh.dat1", "./Quillmarsh.dat2"})
        std::filesystem::copy_file(kFile, copy);
    SetParam("reserv-count", "3");
    SetParam("reserv-date", "46300");
    // At each step of the backup, while the program's own connection is closed and reopened, a
    // second copy's try at the lock (a descriptor of its own) fails.
    std::mutex mutex;
    std::map<std::string, TFileLock::Result> probed;
    SetBackupStepObserver([&](const AnsiString& step) {
        TFileLock probe;
        const TFileLock::Result result = probe.Acquire(kFile);
        std::lock_guard<std::mutex> hold(mutex);
        probed[step] = result;
    });
    {
        TForm1 form;
        ASSERT_TRUE(form.StartupComplete());
        for (int i = 0; i < 1000 && form.BackupDate != 46363; ++i) {
            QCoreApplication::processEvents();
            usleep(10000);
        }
        EXPECT_EQ(form.BackupDate, 46363);
        TFileLock probe;
        EXPECT_EQ(probe.Acquire(kFile), TFileLock::kHeld);
    }
    SetBackupStepObserver({});
    const std::map<std::string, TFileLock::Result> expected = {{"closed", TFileLock::kHeld},
                                                               {"copied", TFileLock::kHeld},
                                                               {"rotated 2", TFileLock::kHeld},
                                                               {"rotated 3", TFileLock::kHeld},
                                                               {"placed", TFileLock::kHeld}};
    EXPECT_EQ(probed, expected);
    TFileLock after;
    EXPECT_EQ(after.Acquire(kFile), TFileLock::kTaken);
}

TEST_F(Startup, KillingStartUpAtRandomMomentsNeverLeavesADamagedCopyOrHalfAMove) {
    qmtest::SeedHousehold(40);
    {
        // A file large enough for its copy to be killed halfway: a 40 MB attachment.
        TSQLiteDatabase db(kFile);
        db.ExecSQL(
            "update bill_move set files = cast('scan.pdf' || char(3) || '40000000' || char(1) as "
            "blob) || randomblob(40000000) where id = 1");
    }
    SetParam("reserv-count", "3");
    int day = 46363;
    auto start = [&day] {
        const TDateTime today = ++day;
        const pid_t pid = fork();
        if (pid == 0) {
            qmtest::FixedClock clock{today};
            { TForm1 form; }
            _exit(0);
        }
        return pid;
    };
    // One start left alone shows how long a start with its copy and a shut-down take.
    const auto begun = std::chrono::steady_clock::now();
    pid_t pid = start();
    waitpid(pid, nullptr, 0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - begun)
                          .count();
    std::srand(4711);
    for (int round = 0; round < 16; ++round) {
        pid = start();
        usleep(static_cast<useconds_t>(std::rand() % std::max<int64_t>(span, 1)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ExpectSoundFiles(round);
    }
    // The next start clears away what a killed copy left.
    qmtest::FixedClock clock{static_cast<TDateTime>(++day)};
    { TForm1 form; }
    EXPECT_TRUE(BackupTemporaries(kFile).empty());
    ExpectSoundFiles(16);
}

TEST_F(Startup, KillingShutDownAtRandomMomentsNeverLosesTheSettings) {
    qmtest::SeedHousehold(10);
    SetParam("reserv-date", "46363");
    { TForm1 form; }
    const std::string names = Sqlite3(kFile, "select name from param order by name");
    std::srand(1234);
    for (int round = 0; round < 20; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0;; ++i) {
                TForm1 form;
                form.Title = "run " + IntToStr(i);
            }
        }
        usleep(static_cast<useconds_t>(20000 + std::rand() % 200000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ExpectSoundFiles(round);
        // Every setting is there exactly once: the old set or the new, never a part of one.
        EXPECT_EQ(Sqlite3(kFile, "select name from param order by name"), names) << round;
    }
}

namespace {

// A file system layer over the engine's own that, as the engine closes the data file (not the
// day's copy, which a worker checks), notes whether another descriptor still holds the program's
// lock on it. The other calls go to
// the engine's own layer unchanged.
sqlite3_vfs* gEngineFiles = nullptr;
sqlite3_io_methods gWatchedMethods;
const sqlite3_io_methods* gEngineMethods = nullptr;
std::vector<std::string> gOpenPaths;
FILE* gCloses = nullptr;

bool LockedElsewhere(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = off_t(1) << 62;
    probe.l_len = 1;
    const bool locked = fd >= 0 && ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    if (fd >= 0) ::close(fd);
    return locked;
}

int WatchedClose(sqlite3_file* file) {
    for (const std::string& path : gOpenPaths)
        std::fprintf(gCloses, "%s\n", LockedElsewhere(path) ? "locked" : "UNLOCKED");
    std::fflush(gCloses);
    file->pMethods = gEngineMethods;
    return gEngineMethods->xClose(file);
}

int WatchedOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    const int rc = gEngineFiles->xOpen(gEngineFiles, name, file, flags, outFlags);
    if (rc != SQLITE_OK || !(flags & SQLITE_OPEN_MAIN_DB) || !file->pMethods ||
        !std::string_view(name).ends_with("/Quillmarsh.dat"))
        return rc;
    gEngineMethods = file->pMethods;
    gWatchedMethods = *file->pMethods;
    gWatchedMethods.xClose = WatchedClose;
    file->pMethods = &gWatchedMethods;
    gOpenPaths = {name};
    return rc;
}

}  // namespace

// The end after a database failure goes through std::exit. The data file's lock must outlive
// the engine's connection there as on a normal end: closing the lock's descriptor first would
// drop the engine's own locks on the file while it may still roll a transaction back.
TEST_F(Startup, TheFilesLockOutlivesTheConnectionOnEveryWayOut) {
    qmtest::SeedHousehold(10);
    for (const bool failure : {false, true}) {
        const std::string closes = "closes.txt";
        DeleteFile(closes);
        const pid_t pid = fork();
        if (pid == 0) {
            gCloses = std::fopen(closes.c_str(), "w");
            gEngineFiles = sqlite3_vfs_find(nullptr);
            static sqlite3_vfs watched = *gEngineFiles;
            watched.zName = "watched";
            watched.xOpen = WatchedOpen;
            sqlite3_vfs_register(&watched, 1);
            SetMessageBoxHook([](QWidget*, const AnsiString&, const AnsiString&, int) {
                std::fprintf(gCloses, "failed\n");
                return IDOK;
            });
            {
                // A statement the program still holds as the connection closes, at the end of
                // the window and at a failure's exit: the connection must close all the same.
                std::unique_ptr<TSQLiteStatement> alive;
                TForm1 form;
                if (!form.StartupComplete()) _exit(3);
                alive = std::make_unique<TSQLiteStatement>(*DB, "select id from bill");
                if (!alive->Step()) _exit(4);
                DB->ExecSQL("begin");
                DB->ExecSQL("update bill set name = name || 'x'");
                if (failure) DB->ExecSQL("update nosuchtable set x = 1");
                DB->ExecSQL("commit");
            }
            std::exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << failure;
        EXPECT_EQ(WEXITSTATUS(status), failure ? EXIT_FAILURE : 0);
        std::ifstream in(closes);
        std::string line, last;
        int after = 0;
        bool failed = false;
        while (std::getline(in, line)) {
            if (line == "failed") failed = true;
            EXPECT_NE(line, "UNLOCKED") << "a connection closed after the lock went";
            if (failed || !failure) ++after;
            last = line;
        }
        EXPECT_EQ(failed, failure);
        // The connection did close on the way out, and the lock was still there when it did.
        EXPECT_GT(after, failure ? 1 : 0);
        EXPECT_EQ(last, "locked");
    }
}

// A journal beside the file that another user put there (anyone who can write the folder can)
// is not rolled back into it: the program names the journal and why, and ends without writing
// anything, the day's copy included.
TEST_F(Startup, AnotherUsersJournalIsNotReadIntoTheFileAndTheProgramSaysWhose) {
    if (geteuid() != 0) QM_CANNOT_RUN_HERE("giving the journal another owner needs root");
    qmtest::SeedHousehold(10);
    SetParam("reserv-date", "46300");  // the day's copy is due
    const std::string journal = std::string(kFile) + "-journal";
    // Not even a journal's header: the program must not look inside it.
    { std::ofstream(journal) << "another user's pages"; }
    ASSERT_EQ(::chown(journal.c_str(), 54321, 54321), 0);
    const std::string before = FileBytes(kFile);
    const pid_t pid = fork();
    if (pid == 0) {
        SetMessageBoxHook([](QWidget*, const AnsiString& text, const AnsiString&, int) {
            std::ofstream("said.txt", std::ios::app) << text;
            return IDOK;
        });
        TForm1 form;
        _exit(3);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EXIT_FAILURE);
    std::ifstream said("said.txt");
    const std::string text{std::istreambuf_iterator<char>(said), std::istreambuf_iterator<char>()};
    const std::string path = (std::filesystem::canonical(".") / "Quillmarsh.dat-journal").string();
    EXPECT_EQ(text, LoadUiStrings().at(204) + "\r\r" + path + ": owned by another user");
    EXPECT_TRUE(FileBytes(kFile) == before);
    EXPECT_FALSE(PathExists("./Quillmarsh.dat1"));
    EXPECT_TRUE(PathExists(journal));
}

using qmtest::FolderNames;

// What killed creations leave beside the file is cleared by the next start, the live file's own
// second name among it; whatever is not a regular file of this user's is neither opened nor
// removed, and the start goes on as usual.
TEST_F(Startup, AStartClearsWhatKilledCreationsLeftAndNothingThatIsNotItsOwn) {
    std::ofstream("./.Quillmarsh.dat.tmp-other1") << "theirs";
    if (::chown("./.Quillmarsh.dat.tmp-other1", ::geteuid() + 4242, ::getegid()) != 0)
        QM_CANNOT_RUN_HERE("making another user's file needs root");
    qmtest::SeedHousehold(10);
    SetParam("reserv-date", "46363");  // today's copy is made: nothing else is written beside it
    // A creation killed after its file took the name, before the temporary name went.
    ASSERT_EQ(::link(kFile, "./.Quillmarsh.dat.tmp-link01"), 0);
    // One killed before, with its journal.
    std::ofstream("./.Quillmarsh.dat.tmp-dead01") << "half";
    std::ofstream("./.Quillmarsh.dat.tmp-dead01-journal") << "j";
    // Not this program's to touch.
    ASSERT_EQ(::mkfifo("./.Quillmarsh.dat.tmp-fifo01", 0644), 0);
    std::ofstream("./elsewhere") << "kept";
    ASSERT_EQ(::symlink("elsewhere", "./.Quillmarsh.dat.tmp-link02"), 0);
    // The engine's record locks on the live file, held by a read on another connection through
    // the whole start: closing any descriptor of the file, the second link's included, drops them.
    EnsureIndexes(*std::make_unique<TSQLiteDatabase>(kFile));  // the start then writes nothing
    sqlite3* reading = nullptr;
    ASSERT_EQ(sqlite3_open(kFile, &reading), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reading, "begin; select count(*) from bill", nullptr, nullptr, nullptr),
              SQLITE_OK);
    {
        TForm1 form;
        ASSERT_TRUE(form.StartupComplete());
        struct stat st {};
        ASSERT_EQ(::stat(kFile, &st), 0);
        EXPECT_EQ(st.st_nlink, 1u);
        const pid_t pid = fork();
        if (pid == 0) {
            struct flock shared {};  // the engine's shared bytes
            shared.l_type = F_WRLCK;
            shared.l_start = 0x40000002;
            shared.l_len = 510;
            const int fd = ::open(kFile, O_RDWR | O_CLOEXEC);
            _exit(::fcntl(fd, F_GETLK, &shared) == 0 && shared.l_type == F_RDLCK ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the engine's locks went";
        // And the program's own (a probe closes a descriptor: only now).
        TFileLock probe;
        EXPECT_EQ(probe.Acquire(kFile), TFileLock::kHeld);
        sqlite3_exec(reading, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(reading);
    }
    EXPECT_EQ(FolderNames(),
              ".Quillmarsh.dat.tmp-fifo01 .Quillmarsh.dat.tmp-link02 .Quillmarsh.dat.tmp-other1 "
              "Quillmarsh.dat elsewhere ");
    EXPECT_EQ(FileBytes("./elsewhere"), "kept");
}

// A pipe put under the file's name while the user is asked whether to create it: the answer
// finds it taken, and it is refused as at any start instead of being opened (which would wait
// for a writer forever); a folder likewise.
namespace {
int PutUnderTheNameWhileAsked(const std::function<void()>& make) {
    alarm(60);  // a start that waits on the pipe fails here instead of hanging the suite
    std::vector<AnsiString> asked;
    SetMessageBoxHook([&](QWidget*, const AnsiString& text, const AnsiString&, int flags) {
        asked.push_back(text);
        if ((flags & 0xF) != MB_YESNO) return IDOK;
        make();
        return IDYES;
    });
    {
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        EXPECT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked.at(1), form.Ui(192));
    }
    // Only what was put there: nothing built beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
    return ::testing::Test::HasFailure() ? 1 : 0;
}
}  // namespace

TEST_F(Startup, WhatTookTheNameWhileTheQuestionWasUpIsCheckedAsAtAnyStart) {
    EXPECT_EXIT(std::exit(PutUnderTheNameWhileAsked([] { ::mkfifo(kFile, 0644); })),
                ::testing::ExitedWithCode(0), "");
    std::filesystem::remove(kFile);
    EXPECT_EXIT(std::exit(PutUnderTheNameWhileAsked([] { ::mkdir(kFile, 0755); })),
                ::testing::ExitedWithCode(0), "");
}

namespace {

// From here on this process meets its folder as on a file system with neither links nor a
// rename that refuses a taken name (a FAT stick): link() fails with EPERM and
// renameat2(RENAME_NOREPLACE) with EINVAL. With `killAtRename`, the first rename that may
// replace a file ends the process as a kill there would. False where no filter can be set.
bool MeetAFolderWithoutLinks(bool killAtRename) {
    const uint32_t rename = killAtRename ? SECCOMP_RET_KILL_PROCESS : SECCOMP_RET_ALLOW;
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr))};
    const auto on = [&](long nr, uint32_t action) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(nr), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, action));
    };
#ifdef SYS_link
    on(SYS_link, SECCOMP_RET_ERRNO | EPERM);
#endif
    on(SYS_linkat, SECCOMP_RET_ERRNO | EPERM);
#ifdef SYS_rename
    on(SYS_rename, rename);
#endif
    on(SYS_renameat, rename);
    // renameat2: EINVAL with RENAME_NOREPLACE in its flags (the fifth argument), else a rename.
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 4));
    filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[4])));
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, RENAME_NOREPLACE, 0, 1));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, rename));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

bool CanMeetAFolderWithoutLinks() {
    const pid_t pid = fork();
    if (pid == 0) _exit(MeetAFolderWithoutLinks(false) ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Two creations of one file there, one after the other: the first puts its file in place, the
// second finds the name taken and keeps nothing of its own. Exit code 0 when so.
int CreateTwiceWithoutLinks() {
    if (!MeetAFolderWithoutLinks(false)) return 3;
    TFileLock first;
    std::unique_ptr<TSQLiteDatabase> db;
    try {
        db = CreateDatabaseFile(kFile, "a", "b", "c", first);
    } catch (const ESQLiteException& e) {
        ADD_FAILURE() << e.Message;
        return 1;
    }
    EXPECT_TRUE(db && first.Held());
    struct stat made {};
    ::stat(kFile, &made);
    TFileLock second;
    EXPECT_EQ(CreateDatabaseFile(kFile, "x", "y", "z", second), nullptr);
    EXPECT_FALSE(second.Held());
    struct stat now {};
    ::stat(kFile, &now);
    EXPECT_EQ(now.st_ino, made.st_ino);
    EXPECT_EQ(db->GetTable("select group_concat(name) from bill_type")->FieldAsString(0), "a,b,c");
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat ");
    TFileLock probe;
    EXPECT_EQ(probe.Acquire(kFile), TFileLock::kHeld);
    return ::testing::Test::HasFailure() ? 1 : 0;
}

// A start that answers Yes and is killed where its whole new file would replace its claim.
void CreateAndBeKilledAtTheRename() {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    SetMessageBoxHook([](QWidget*, const AnsiString&, const AnsiString&, int) { return IDYES; });
    if (!MeetAFolderWithoutLinks(true)) std::exit(3);
    TForm1 form;
    std::exit(0);
}

}  // namespace

TEST_F(Startup, WithoutLinksANewFileIsStillMadeAndNeverReplacesOneThatStands) {
    if (!CanMeetAFolderWithoutLinks()) QM_CANNOT_RUN_HERE("no system call filter can be set");
    EXPECT_EXIT(std::exit(CreateTwiceWithoutLinks()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Startup, AClaimLeftByAKilledCreationIsRemovedAndTheUserAskedAgain) {
    if (!CanMeetAFolderWithoutLinks()) QM_CANNOT_RUN_HERE("no system call filter can be set");
    EXPECT_EXIT(CreateAndBeKilledAtTheRename(), ::testing::KilledBySignal(SIGSYS), "");
    // The claim under the file's name, no database, and the whole new file beside it.
    ASSERT_TRUE(FileExists(kFile));
    EXPECT_LT(std::filesystem::file_size(kFile), 512u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);
    {
        // While a copy holds it, it is that copy's file.
        TFileLock creator;
        ASSERT_EQ(creator.Acquire(kFile), TFileLock::kTaken);
        qmtest::ScriptedBoxes boxes;
        boxes.Answer(IDOK);
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        ASSERT_EQ(boxes.asked().size(), 1u);
        EXPECT_EQ(boxes.asked()[0].text, form.Ui(196));
        EXPECT_TRUE(FileExists(kFile));
    }
    {
        qmtest::ScriptedBoxes boxes;
        boxes.Answer(IDYES);
        TForm1 form;
        EXPECT_TRUE(form.StartupComplete());
        ASSERT_EQ(boxes.asked().size(), 1u);
        EXPECT_EQ(boxes.asked()[0].text, form.Ui(87));
    }
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat ");
    {
        TSQLiteDatabase db(kFile);
        EXPECT_TRUE(CheckLayout(db).matches);
    }
    // An empty file of that name made by hand is no claim: refused for its layout, and kept.
    std::filesystem::remove(kFile);
    std::ofstream{kFile};
    qmtest::ScriptedBoxes boxes;
    boxes.Answer(IDOK);
    {
        TForm1 form;
        EXPECT_TRUE(form.Terminated());
        ASSERT_EQ(boxes.asked().size(), 1u);
        EXPECT_EQ(boxes.asked()[0].text, form.Ui(92));
    }
    EXPECT_EQ(FolderNames(), "Quillmarsh.dat ");
}
