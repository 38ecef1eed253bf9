// The attachment value, the attached files dialog and the moves-with-files dialog, on the seeded
// household; the stored value is read back through a second connection of the engine's own.
#include "dialogs/files_dialog.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QByteArray>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>

#include "app/store/attached_files.h"
#include "app/window/main_window.h"
#include "dialogs/moves_with_files_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "platform/shell.h"
#include "tests/app/household.h"
#include "tests/support/cannot_run.h"
#include "tests/support/small_disk.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

namespace {

// The restaurant dinner of the household: row 6 belongs to Restaurants, its twin 5 to the
// wallet, so the value lives on row 5.
constexpr int kDinnerWallet = 5, kDinnerRestaurant = 6;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// bill_move.files of a row as the engine holds it; "NULL" for a null value.
std::string StoredFiles(int id) {
    sqlite3* db = nullptr;
    sqlite3_open("./Quillmarsh.dat", &db);
    sqlite3_stmt* st = nullptr;
    const std::string sql =
        "select files, typeof(files) from bill_move where id = " + std::to_string(id);
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    std::string out = "NULL";
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
        const char* b = static_cast<const char*>(sqlite3_column_blob(st, 0));
        out.assign(b ? b : "", sqlite3_column_bytes(st, 0));
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "blob");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// What stands at a path, without following a link: "file 600", "folder 700", "link"; "foreign"
// when another user owns it.
std::string Standing(const fs::path& p) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0) return "nothing";
    if (st.st_uid != geteuid()) return "foreign";
    if (S_ISLNK(st.st_mode)) return "link";
    char mode[8];
    std::snprintf(mode, sizeof mode, "%o", st.st_mode & 07777);
    return (S_ISDIR(st.st_mode) ? "folder " : "file ") + std::string(mode);
}

// Points TMPDIR (or another folder variable) at a folder for the life of the object.
class TemporaryFolderSetting {
  public:
    explicit TemporaryFolderSetting(const fs::path& folder, const char* variable = "TMPDIR")
        : variable_(variable) {
        if (const char* t = std::getenv(variable_)) previous_ = t;
        setenv(variable_, folder.c_str(), 1);
    }
    ~TemporaryFolderSetting() {
        if (previous_.empty())
            unsetenv(variable_);
        else
            setenv(variable_, previous_.c_str(), 1);
    }

  private:
    const char* variable_;
    std::string previous_;
};

// Gives what stands at `p` (not following a link) to a uid no one uses; false when not root.
bool GiveToAnotherUser(const fs::path& p) {
    const uid_t id = 450000 + std::random_device()() % 40000;
    return geteuid() == 0 && lchown(p.c_str(), id, id) == 0;
}

// The names in a folder, sorted, joined by blanks.
std::string Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto& n : names) joined += (joined.empty() ? "" : " ") + n;
    return joined;
}

struct AttachedFilesDialogs : HouseholdWindow {
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<fs::path> answers;  // the next file dialog's choice
    std::vector<QUrl> opened;
    std::optional<TemporaryFolderSetting> tmpSetting;

    void SetUp() override {
        fs::create_directory(dir / "tmp");
        tmpSetting.emplace(dir / "tmp");
        Open(3);
        SetFileDialogHook([this](const FileDialogRequest& r) {
            fileDialogs.push_back(r);
            return std::exchange(answers, {});
        });
        SetShellOpenHook([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
    void TearDown() override {
        SetFileDialogHook({});
        SetShellOpenHook({});
        HouseholdWindow::TearDown();
        tmpSetting.reset();
    }
    static bool BufferMark(int account, int move) {
        for (const THeadTab& t : Head.HeadTabs)
            if (t.Kind == tkLedger && t.Id == account)
                for (const TBufRow& b : t.BufRows)
                    if (b.Id == move) return b.HasFiles;
        ADD_FAILURE() << "move " << move << " is not in a ledger of account " << account;
        return false;
    }
    static bool RowMark(int move) {
        for (const TBillMoveRow& r : Ledger.Rows)
            if (r.Id == move) return r.HasFiles;
        ADD_FAILURE() << "move " << move << " is not shown";
        return false;
    }
    // Opens the dialog on the selected move through the ledger's attachment menu entry.
    void Manage(std::function<void(TForm12&)> action) {
        ModalDriver driver;
        driver.Then([&](TForm& f) { action(static_cast<TForm12&>(f)); });
        form->FilesMenuClick(-1);
        EXPECT_EQ(driver.shown(), 1);
    }
    static std::vector<AnsiString> Listed(const TForm12& d) {
        std::vector<AnsiString> names;
        for (int i = 0; i < d.ListBox1->Items().Count(); ++i)
            names.push_back(d.ListBox1->Items()[i]);
        return names;
    }
};

}  // namespace

TEST(AttachedFilesValue, BuildsParsesAndRemovesEntriesWithTheirBytes) {
    TAttachedFiles files;
    EXPECT_EQ(files.Value(), "");
    files.Add("a.txt", "alpha");
    files.Add("b.bin", std::string("\0\1\2\3", 4));
    files.Add("empty", "");
    files.Add("c", "gamma");
    const std::string value = std::string(
                                  "a.txt\x03"
                                  "5\x02"
                                  "b.bin\x03"
                                  "4\x02"
                                  "empty\x03"
                                  "0\x02"
                                  "c\x03"
                                  "5\x01"
                                  "alpha") +
                              std::string("\0\1\2\3", 4) + "gamma";
    EXPECT_EQ(files.Value(), value);

    const TAttachedFiles back = TAttachedFiles::Parse(value);
    ASSERT_EQ(back.Count(), 4u);
    EXPECT_EQ(back.Entries()[1].Name, "b.bin");
    EXPECT_EQ(back.Offset(3), 9u);
    EXPECT_EQ(back.Bytes(1), std::string("\0\1\2\3", 4));
    EXPECT_EQ(back.Bytes(2), "");
    EXPECT_EQ(back.Bytes(3), "gamma");
    EXPECT_EQ(back.Value(), value);

    // Removing a middle entry keeps the others' bytes; removing the last leaves nothing.
    TAttachedFiles cut = back;
    cut.Remove(1);
    EXPECT_EQ(cut.Value(), std::string("a.txt\x03"
                                       "5\x02"
                                       "empty\x03"
                                       "0\x02"
                                       "c\x03"
                                       "5\x01"
                                       "alphagamma"));
    for (size_t k : {2u, 1u, 0u}) cut.Remove(k);
    EXPECT_EQ(cut.Value(), "");

    // NULL, empty and damaged values never read outside their bytes.
    EXPECT_EQ(TAttachedFiles::Parse("").Count(), 0u);
    EXPECT_EQ(TAttachedFiles::Parse("no separator").Count(), 0u);
    EXPECT_EQ(TAttachedFiles::Parse("\x01"
                                    "data")
                  .Count(),
              0u);
    const TAttachedFiles damaged = TAttachedFiles::Parse(
        "x\x03"
        "99\x02y\x03"
        "-4\x02z\x01"
        "abc");
    ASSERT_EQ(damaged.Count(), 3u);
    EXPECT_EQ(damaged.Bytes(0), "abc");
    EXPECT_EQ(damaged.Bytes(1), "");
    EXPECT_EQ(damaged.Entries()[2].Size, 0u);
    EXPECT_EQ(damaged.Bytes(2), "");
    // A value whose data falls short of its sizes is damaged and takes no further file.
    EXPECT_TRUE(damaged.Damaged());
    TAttachedFiles grown = damaged;
    EXPECT_THROW(grown.Add("w", "new"), EDamagedAttachments);
    EXPECT_EQ(grown.Count(), 3u);
}

// A stored value of 37 bytes whose index declares a file of 2,422,462,246 bytes (the sizes run
// through NUL padding) and whose data holds 2 bytes.
const std::string kDeclaresGigabytes = QByteArray::fromHex(
                                           "000203323436020332343232343632323436000000000000000000"
                                           "02033234320000012932")
                                           .toStdString();

TEST(AttachedFilesValue, SizesThatDoNotMatchTheDataMarkTheValueDamagedAndUnchangeable) {
    ASSERT_EQ(kDeclaresGigabytes.size(), 37u);
    TAttachedFiles huge = TAttachedFiles::Parse(kDeclaresGigabytes);
    EXPECT_TRUE(huge.Damaged());
    ASSERT_EQ(huge.Count(), 4u);
    // Read within its bytes only, and never grown to what it declares.
    for (size_t k = 0; k < huge.Count(); ++k) EXPECT_LE(huge.Bytes(k).size(), 2u);
    EXPECT_THROW(huge.Add("receipt.pdf", "%PDF"), EDamagedAttachments);
    EXPECT_THROW(huge.Remove(1), EDamagedAttachments);
    EXPECT_EQ(huge.Count(), 4u);

    // Values the program never writes: a size with a sign, blanks, hex or a fraction, no size
    // at all, sizes short of or past the data, sizes whose sum wraps around, text without the
    // data mark, data without an index.
    const std::string notWritten[] = {
        std::string("a\x03+3\x01xyz"),
        std::string("a\x03 3\x01xyz"),
        std::string("a\x03") + "3 \x01xyz",
        std::string("a\x03$3\x01xyz"),
        std::string("a\x03") + "3,0\x01xyz",
        std::string("a\x03\x01xyz"),
        std::string("a\x01xyz"),
        std::string("a\x03") + "2\x01xyz",
        std::string("a\x03") + "4\x01xyz",
        std::string("a\x03") +
            "2\x02"
            "b\x03" +
            "2\x01xyz",
        std::string("a\x03") +
            "9223372036854775807\x02"
            "b\x03" +
            "9223372036854775812\x01xyz",
        std::string("a\x03") + "99999999999999999999\x01xyz",
        std::string("a\x03") + "3\x02\x01xyz",
        std::string("some text"),
        std::string("\x01xyz"),
    };
    for (const std::string& v : notWritten) {
        TAttachedFiles files = TAttachedFiles::Parse(v);
        EXPECT_TRUE(files.Damaged()) << QByteArray::fromStdString(v).toHex().toStdString();
        EXPECT_THROW(files.Add("b", "1"), EDamagedAttachments);
        for (size_t k = 0; k < files.Count(); ++k) EXPECT_LE(files.Bytes(k).size(), 3u);
    }

    // Values the program writes, the empty index and zero-length files included, stay intact.
    TAttachedFiles made;
    made.Add("empty", "");
    made.Add("x", std::string("\0\x01\x02\x03", 4));
    const std::string intact[] = {"", "\x01",
                                  "a\x03"
                                  "0\x01",
                                  made.Value()};
    for (const std::string& v : intact) {
        TAttachedFiles files = TAttachedFiles::Parse(v);
        EXPECT_FALSE(files.Damaged()) << QByteArray::fromStdString(v).toHex().toStdString();
        files.Add("b", "1");
        EXPECT_EQ(TAttachedFiles::Parse(files.Value()).Bytes(files.Count() - 1), "1");
    }
}

TEST(AttachedFilesValue, OnlyNamesTheCodePageHoldsAreStored) {
    qmtest::EnsureApp();
    const std::string page = InterfaceCodePage();
    SetInterfaceCodePage("CP1252");
    AnsiString name;
    EXPECT_TRUE(StorableFileName("/some/folder/Caf\xc3\xa9 bill.pdf", name));
    EXPECT_EQ(name, "Caf\xe9 bill.pdf");                                      // é in the code page
    EXPECT_FALSE(StorableFileName("/x/\xd1\x87\xd0\xb5\xd0\xba.pdf", name));  // Cyrillic
    EXPECT_FALSE(StorableFileName("/x/bad\xff.txt", name));                   // no UTF-8 at all
    EXPECT_FALSE(
        StorableFileName("/x/a\x02"
                         "b",
                         name));  // a separator
    SetInterfaceCodePage("CP1251");
    EXPECT_TRUE(StorableFileName("/x/\xd1\x87\xd0\xb5\xd0\xba.pdf", name));
    EXPECT_EQ(name, "\xf7\xe5\xea.pdf");
    SetInterfaceCodePage(page);

    // A temporary copy is made only under a plain name.
    for (const char* bad : {"", ".", "..", "../escape", "a/b"})
        EXPECT_THROW(WriteTempCopy(bad, "x"), Exception) << bad;
}

TEST(AttachedFileCopies, AreNewPrivateFilesThatLeaveWhatStandsInTheTemporaryFolder) {
    qmtest::TempDir dir;
    // A temporary folder like /tmp, where another user planted a file and a link under the
    // names of attachments.
    const fs::path tmp = dir / "tmp";
    fs::create_directory(tmp);
    chmod(tmp.c_str(), 01777);
    TemporaryFolderSetting setting(tmp);
    WriteFile(dir / "mine.txt", "the user's own");
    WriteFile(tmp / "receipt.txt", "planted");
    fs::create_symlink(dir / "mine.txt", tmp / "scan.pdf");

    const struct {
        const char* name;
        std::string bytes;
    } copies[] = {
        {"receipt.txt", "a kettle, 24.90"},
        {"scan.pdf", std::string("%PDF\0\x01\x02\xff", 8)},
        {"receipt.txt", "a second receipt of the same name"},
        {"receipt.txt", "the first receipt opened again"},
        {"empty.txt", ""},
    };
    std::vector<fs::path> made;
    for (const auto& c : copies) {
        const fs::path copy = WriteTempCopy(c.name, c.bytes);
        made.push_back(copy);
        EXPECT_EQ(copy.filename(), c.name);
        EXPECT_EQ(Standing(copy), "file 600") << copy;
        // Every folder between the temporary folder and the copy is this user's alone.
        EXPECT_NE(copy.parent_path(), tmp);
        fs::path folder = copy.parent_path();
        for (; folder.has_relative_path() && folder != tmp; folder = folder.parent_path())
            EXPECT_EQ(Standing(folder), "folder 700") << folder;
        EXPECT_EQ(folder, tmp) << copy;
    }
    // A later copy of a name replaced no earlier one: each still holds its own bytes.
    for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(ReadFile(made[i]), copies[i].bytes) << i;
    EXPECT_EQ(ReadFile(tmp / "receipt.txt"), "planted");
    EXPECT_EQ(Standing(tmp / "scan.pdf"), "link");
    EXPECT_EQ(fs::read_symlink(tmp / "scan.pdf"), dir / "mine.txt");
    EXPECT_EQ(ReadFile(dir / "mine.txt"), "the user's own");

    // The session's folder removed by a cleaner of the temporary folder, or opened to others:
    // the next copy goes into a new private folder.
    const struct {
        const char* name;
        void (*spoil)(const fs::path& folder);
    } spoilt[] = {
        {"removed.txt", [](const fs::path& f) { fs::remove_all(f); }},
        {"opened.txt", [](const fs::path& f) { chmod(f.c_str(), 0777); }},
    };
    for (const auto& [name, spoil] : spoilt) {
        const fs::path session = WriteTempCopy(name, "before").parent_path();
        spoil(session);
        const fs::path copy = WriteTempCopy(name, "after");
        EXPECT_EQ(ReadFile(copy), "after");
        EXPECT_NE(copy.parent_path(), session);
        EXPECT_EQ(Standing(copy.parent_path()), "folder 700");
    }
}

TEST(AttachedFileCopies, ACopyThatCannotBeWrittenWholeIsReportedAndRemoved) {
    qmtest::TempDir dir;
    EXPECT_EXIT(
        {
            const bool mounted = qmtest::MountSmallDisk(256 * 1024);
            if (!mounted) qmtest::LimitFileSize(64 * 1024);
            fs::create_directory("tmp");
            setenv("TMPDIR", (fs::current_path() / "tmp").c_str(), 1);
            std::string message = "none";
            try {
                WriteTempCopy("scan.pdf", std::string(300 * 1024, 'x'));
            } catch (const Exception& e) {
                message = e.Message;
            }
            int left = 0;
            for (const auto& e : fs::recursive_directory_iterator("tmp"))
                left += e.path().filename() == "scan.pdf";
            std::fprintf(stderr, "left=%d message=%s\n", left, message.c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "left=0 message=[^\n]*/tmp/quillmarsh-files-[^/]+/scan.pdf: (No space left on "
        "device|File too large)\n");
}

// Where the copies go, by what the temporary folder is: only a folder that nobody but this user
// and root may empty or fill under this user's names holds them; otherwise the user's own cache
// folder does, and nothing is made in the temporary folder.
TEST(AttachedFileCopies, GoWhereNoOtherUserCanReplaceThem) {
    qmtest::TempDir dir;
    TemporaryFolderSetting cache(dir / "cache", "XDG_CACHE_HOME");
    const fs::path own = dir / "own-folder";
    fs::create_directory(own);
    const struct {
        const char* name;
        int mode;  // -1: a link to a folder of this user's
        bool foreign, inTemp;
    } cases[] = {
        {"own-private.txt", 0700, false, true},     {"own-sticky.txt", 01777, false, true},
        {"own-open.txt", 0777, false, false},       {"link.txt", -1, false, false},
        {"foreign-sticky.txt", 01777, true, false},
    };
    bool allRun = true;
    for (const auto& c : cases) {
        const fs::path tmp = dir / (std::string("tmp-") + c.name);
        if (c.mode < 0) {
            fs::create_directory_symlink(own, tmp);
        } else {
            fs::create_directory(tmp);
            chmod(tmp.c_str(), static_cast<mode_t>(c.mode));
        }
        if (c.foreign && !GiveToAnotherUser(tmp)) {
            allRun = false;
            continue;
        }
        TemporaryFolderSetting setting(tmp);
        const fs::path copy = WriteTempCopy(c.name, c.name);
        EXPECT_EQ(ReadFile(copy), c.name);
        const fs::path folder = c.inTemp ? tmp : dir / "cache" / "quillmarsh";
        EXPECT_EQ(copy.parent_path().parent_path(), folder) << c.name;
        EXPECT_EQ(copy.parent_path().filename().string().rfind("quillmarsh-files-", 0), 0u);
        EXPECT_EQ(Standing(copy.parent_path()), "folder 700") << c.name;
        if (!c.inTemp) {
            EXPECT_EQ(Standing(folder), "folder 700");
            EXPECT_EQ(Names(tmp), "") << c.name;
        }
    }
    EXPECT_EQ(Names(own), "");
    if (!allRun) QM_CANNOT_RUN_HERE("needs root to give a folder to another user");
}

// At start the folders of copies that ended sessions left go, with all in them; the folders of
// running sessions (this process's and another's) stay, and so does whatever is not a folder of
// this user's, and whatever a link leads to.
TEST(AttachedFileCopies, ThoseOfEndedSessionsAreRemovedAtStart) {
    qmtest::EnsureApp();
    qmtest::TempDir dir;
    FixedClock clock(EncodeDate(2026, 3, 15) + 0.5);
    const fs::path tmp = dir / "tmp";
    fs::create_directory(tmp);
    chmod(tmp.c_str(), 01777);
    TemporaryFolderSetting setting(tmp);
    SeedHousehold(3);
    WriteFile(dir / "kept.txt", "the user's own");
    fs::create_directory(dir / "kept");
    WriteFile(dir / "kept" / "inside.txt", "also the user's");

    // Left by ended sessions: a copy, a second copy of a name in its inner folder, and links.
    const fs::path ended = tmp / "quillmarsh-files-Ab3dE9";
    fs::create_directories(ended / "x7Yq2P");
    WriteFile(ended / "receipt.txt", "a kettle, 24.90");
    WriteFile(ended / "x7Yq2P" / "receipt.txt", "opened again");
    fs::create_symlink(dir / "kept.txt", ended / "to-file");
    fs::create_directory_symlink(dir / "kept", ended / "x7Yq2P" / "to-folder");
    const fs::path emptyEnded = tmp / "quillmarsh-files-000000";
    fs::create_directory(emptyEnded);
    // Not folders of this user's under the name, and a folder of another name.
    fs::create_directory_symlink(dir / "kept", tmp / "quillmarsh-files-link01");
    WriteFile(tmp / "quillmarsh-files-file01", "a file");
    fs::create_directory(tmp / "receipts");
    WriteFile(tmp / "receipts" / "scan.pdf", "%PDF");
    const fs::path foreign = tmp / "quillmarsh-files-other1";
    fs::create_directory(foreign);
    WriteFile(foreign / "theirs.txt", "another user's");
    const bool foreignMade =
        GiveToAnotherUser(foreign / "theirs.txt") && GiveToAnotherUser(foreign);

    // Another running copy's session and this process's, each with a copy opened; the other
    // copy first, so that it does not take over this process's folder.
    int up[2], down[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(down), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(up[0]);
        close(down[1]);
        const std::string folder = WriteTempCopy("held.txt", "another copy's").parent_path();
        if (write(up[1], folder.data(), folder.size()) != static_cast<ssize_t>(folder.size()))
            _exit(1);
        close(up[1]);
        char byte;
        _exit(read(down[0], &byte, 1) == 0 ? 0 : 2);  // until the test lets it end
    }
    close(up[1]);
    close(down[0]);
    std::string held;
    char buffer[512];
    for (ssize_t n; (n = read(up[0], buffer, sizeof buffer)) > 0;) held.append(buffer, n);
    close(up[0]);
    const fs::path mine = WriteTempCopy("mine.txt", "this session's").parent_path();
    ASSERT_FALSE(held.empty());
    ASSERT_NE(fs::path(held), mine);

    const auto start = [] {
        auto form = std::make_unique<TForm1>();
        EXPECT_TRUE(form->StartupComplete());
    };
    start();
    EXPECT_EQ(Standing(ended), "nothing");
    EXPECT_EQ(Standing(emptyEnded), "nothing");
    EXPECT_EQ(ReadFile(dir / "kept.txt"), "the user's own");
    EXPECT_EQ(ReadFile(dir / "kept" / "inside.txt"), "also the user's");
    EXPECT_EQ(Standing(tmp / "quillmarsh-files-link01"), "link");
    EXPECT_EQ(ReadFile(tmp / "quillmarsh-files-file01"), "a file");
    EXPECT_EQ(ReadFile(tmp / "receipts" / "scan.pdf"), "%PDF");
    EXPECT_EQ(ReadFile(mine / "mine.txt"), "this session's");
    EXPECT_EQ(ReadFile(fs::path(held) / "held.txt"), "another copy's");
    if (foreignMade) {
        EXPECT_EQ(ReadFile(foreign / "theirs.txt"), "another user's");
    }

    // Once the other copy has ended, the next start removes its folder too.
    close(down[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    start();
    EXPECT_EQ(Standing(held), "nothing");
    EXPECT_EQ(ReadFile(mine / "mine.txt"), "this session's");
    if (!foreignMade) QM_CANNOT_RUN_HERE("needs root to give a folder to another user");
}

// Saving an attached file on a disk that runs out of room, over an earlier file and under a new
// name: the earlier file is as it was, nothing is left beside it, and the message names the file
// once with the system's reason.
TEST(AttachedFileSaving, ADiskThatRunsOutOfRoomLeavesTheEarlierFileAsItWas) {
    qmtest::TempDir dir;
    const std::string reason =
        qmtest::InCi() ? "No space left on device" : "(No space left on device|File too large)";
    EXPECT_EXIT(
        {
            fs::create_directory("disk");
            fs::current_path("disk");
            const bool mounted = qmtest::MountSmallDisk(256 * 1024);
            if (!mounted) qmtest::LimitFileSize(150 * 1024);
            const std::string earlier(100 * 1024, 'e');
            WriteFile("statement.pdf", earlier);
            for (const char* target : {"statement.pdf", "new.pdf"}) {
                std::string message = "none";
                try {
                    WriteWholeFile(target, std::string(200 * 1024, 'a'));
                } catch (const Exception& e) {
                    message = e.Message;
                }
                std::fprintf(stderr, "%s: %s\n", target, message.c_str());
            }
            std::fprintf(stderr, "earlier %s; standing: %s\n",
                         ReadFile("statement.pdf") == earlier ? "kept" : "changed",
                         Names(".").c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "statement.pdf: statement.pdf: " + reason + "\nnew.pdf: new.pdf: " + reason +
            "\nearlier kept; standing: statement.pdf\n");
}

TEST_F(AttachedFilesDialogs, AddingSavingAndRemovingFilesKeepsTheValueAndTheMarks) {
    WriteFile(dir / "a.txt", "alpha");
    const std::string binary("\x01\x02\x03\0\xff tail", 10);
    WriteFile(dir / "b.bin", binary);
    WriteFile(dir / "zero.dat", "");
    OpenLedger(kWallet);  // the twin's ledger, loaded
    OpenLedger(kRestaurants);
    SelectMove = kDinnerRestaurant;
    form->PaintBill();
    EXPECT_FALSE(RowMark(kDinnerRestaurant));

    Manage([&](TForm12& d) {
        EXPECT_EQ(d.Caption(), form->Ui(128));
        EXPECT_EQ(d.Button1->Caption(), form->Ui(129));
        EXPECT_EQ(d.Button2->Caption(), form->Ui(130));
        EXPECT_EQ(d.Button3->Caption(), form->Ui(131));
        EXPECT_EQ(d.Button4->Caption(), form->Ui(137));
        EXPECT_EQ(d.MoveRowId(), kDinnerWallet);
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        EXPECT_FALSE(d.Button2->Enabled());
        EXPECT_FALSE(d.Button4->Enabled());
        answers = {dir / "a.txt", dir / "b.bin"};
        d.Button1->Click();
        EXPECT_TRUE(fileDialogs.back().multiSelect);
        EXPECT_EQ(Listed(d), (std::vector<AnsiString>{"a.txt", "b.bin"}));
        EXPECT_EQ(d.ListBox1->ItemIndex(), 1);
        EXPECT_TRUE(d.Button2->Enabled());
        EXPECT_TRUE(d.Button4->Enabled());
        d.Button3->Click();
    });
    EXPECT_EQ(StoredFiles(kDinnerWallet),
              "a.txt\x03"
              "5\x02"
              "b.bin\x03"
              "10\x01"
              "alpha" +
                  binary);
    EXPECT_EQ(StoredFiles(kDinnerRestaurant), "NULL");
    EXPECT_TRUE(RowMark(kDinnerRestaurant));
    EXPECT_TRUE(BufferMark(kRestaurants, kDinnerRestaurant));
    EXPECT_TRUE(BufferMark(kWallet, kDinnerWallet));

    // The main window's menu opens what the dialog stored, from the temporary folder.
    form->FilesMenuClick(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(ReadFile(opened[0].toLocalFile().toStdString()), binary);
    // A row whose twin was lost (a file mended by hand) still opens its own files.
    const int selected = SelectMove;
    const AnsiString twin = IntToStr(kDinnerRestaurant);
    DB->ExecSQL("update bill_move set bill_move_id = 0 where id = " + IntToStr(kDinnerWallet));
    SelectMove = kDinnerWallet;
    form->FilesMenuClick(1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(ReadFile(opened[1].toLocalFile().toStdString()), binary);
    DB->ExecSQL("update bill_move set bill_move_id = " + twin +
                " where id = " + IntToStr(kDinnerWallet));
    SelectMove = selected;

    // Selected from the wallet's side, the same value is listed; a zero-length file is added,
    // saved back as an empty file, and the middle one of three is removed.
    form->SwitchToTab(1);
    SelectMove = kDinnerWallet;
    Manage([&](TForm12& d) {
        EXPECT_EQ(d.MoveRowId(), kDinnerWallet);
        EXPECT_EQ(d.ListBox1->ItemIndex(), 0);
        answers = {dir / "zero.dat"};
        d.Button1->Click();
        EXPECT_EQ(Listed(d), (std::vector<AnsiString>{"a.txt", "b.bin", "zero.dat"}));
        d.ListBox1->SetItemIndex(1);
        answers = {dir / "out" / "copy.bin"};
        fs::create_directory(dir / "out");
        d.Button4->Click();
        EXPECT_TRUE(fileDialogs.back().save);
        EXPECT_TRUE(fileDialogs.back().overwritePrompt);
        EXPECT_EQ(fileDialogs.back().fileName, fs::path("b.bin"));
        EXPECT_EQ(ReadFile(dir / "out" / "copy.bin"), binary);
        d.ListBox1->SetItemIndex(2);
        WriteFile(dir / "out" / "zero.dat", "old contents");
        answers = {dir / "out" / "zero.dat"};
        d.Button4->Click();
        EXPECT_TRUE(fs::exists(dir / "out" / "zero.dat"));
        EXPECT_EQ(fs::file_size(dir / "out" / "zero.dat"), 0u);
        d.ListBox1->SetItemIndex(1);
        d.Button2->Click();
        EXPECT_EQ(Listed(d), (std::vector<AnsiString>{"a.txt", "zero.dat"}));
        EXPECT_EQ(d.ListBox1->ItemIndex(), 0);
    });
    EXPECT_EQ(StoredFiles(kDinnerWallet),
              "a.txt\x03"
              "5\x02"
              "zero.dat\x03"
              "0\x01"
              "alpha");
    EXPECT_TRUE(BufferMark(kRestaurants, kDinnerRestaurant));

    // Removing the last files writes an empty value and clears the marks on both sides, also
    // after the ledgers are loaded again.
    Manage([&](TForm12& d) {
        d.Button2->Click();
        d.Button2->Click();
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        EXPECT_FALSE(d.Button2->Enabled());
        EXPECT_FALSE(d.Button4->Enabled());
    });
    EXPECT_EQ(StoredFiles(kDinnerWallet), "");
    EXPECT_FALSE(RowMark(kDinnerWallet));
    EXPECT_FALSE(BufferMark(kWallet, kDinnerWallet));
    EXPECT_FALSE(BufferMark(kRestaurants, kDinnerRestaurant));
    for (THeadTab& t : Head.HeadTabs) t.BufRows.clear();
    Ledger.Rows.clear();
    form->PaintBill();
    EXPECT_FALSE(RowMark(kDinnerWallet));
}

TEST_F(AttachedFilesDialogs, RefusedFilesLeaveTheValueAsItWas) {
    const std::string page = InterfaceCodePage();
    SetInterfaceCodePage("CP1252");
    WriteFile(dir / "ok.txt", "fine");
    WriteFile(dir / "\xd1\x87\xd0\xb5\xd0\xba.txt", "receipt");
    OpenLedger(kRestaurants);
    SelectMove = kDinnerRestaurant;
    form->PaintBill();
    ScriptedBoxes boxes;
    Manage([&](TForm12& d) {
        // A name the code page cannot hold: told, and nothing of the choice is stored.
        boxes.Answer(IDOK);
        answers = {dir / "ok.txt", dir / "\xd1\x87\xd0\xb5\xd0\xba.txt"};
        d.Button1->Click();
        ASSERT_EQ(boxes.asked().size(), 1u);
        EXPECT_NE(boxes.asked()[0].text.find("cannot be attached"), AnsiString::npos);
        // A file that cannot be read: its error is shown, nothing is stored.
        boxes.Answer(IDOK);
        answers = {dir / "ok.txt", dir / "missing.txt"};
        d.Button1->Click();
        ASSERT_EQ(boxes.asked().size(), 2u);
        EXPECT_NE(boxes.asked()[1].text.find("missing.txt"), AnsiString::npos);
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        // A save that cannot be written is reported too.
        answers = {dir / "ok.txt"};
        d.Button1->Click();
        boxes.Answer(IDOK);
        answers = {dir / "no-such-folder" / "x.txt"};
        d.Button4->Click();
        EXPECT_EQ(boxes.asked().size(), 3u);
    });
    EXPECT_EQ(StoredFiles(kDinnerWallet),
              "ok.txt\x03"
              "4\x01"
              "fine");
    SetInterfaceCodePage(page);

    // A move deleted while the dialog was away offers nothing to add to.
    DB->ExecSQL("delete from bill_move where id in (5, 6)");
    Manage([&](TForm12& d) {
        EXPECT_EQ(d.MoveRowId(), -1);
        EXPECT_FALSE(d.Button1->Enabled());
        d.Button1->Click();
    });
    EXPECT_TRUE(fileDialogs.size() == 4u);
}

// The data file, under any name or link that leads to it, and its journal, present or not, are
// never a target of Save as: the user is told, and neither they nor what stood under the chosen
// name change.
TEST_F(AttachedFilesDialogs, SavingAsTheDataFileOrItsJournalIsRefusedAndWritesNothing) {
    TAttachedFiles one;
    one.Add("receipt.txt", "a kettle, 24.90");
    WriteAttachedFiles(*DB, kDinnerWallet, one.Value());
    OpenLedger(kRestaurants);
    SelectMove = kDinnerRestaurant;
    form->PaintBill();
    fs::create_directory_symlink(dir.path(), dir / "via");
    fs::create_symlink("Quillmarsh.dat", dir / "data-link");
    fs::create_hard_link(dir / "Quillmarsh.dat", dir / "data-hard");
    struct stat before {};
    ASSERT_EQ(stat("Quillmarsh.dat", &before), 0);
    const std::string bytes = ReadFile("Quillmarsh.dat");
    const fs::path refused[] = {
        "./Quillmarsh.dat",
        dir / "Quillmarsh.dat",
        dir / "via" / "Quillmarsh.dat",
        dir / "data-link",
        dir / "via" / "data-hard",
        "Quillmarsh.dat-journal",
        dir / "via" / "Quillmarsh.dat-journal",
    };
    ScriptedBoxes boxes;
    std::string journal;
    Manage([&](TForm12& d) {
        for (const fs::path& target : refused) {
            boxes.Answer(IDOK);
            answers = {target};
            d.Button4->Click();
            EXPECT_EQ(boxes.asked().size(), static_cast<size_t>(&target - refused + 1)) << target;
        }
        // While a transaction writes, its journal stands beside the file; another name of it is
        // refused too.
        DB->ExecSQL("begin");
        DB->ExecSQL("create table rolled_back (x)");
        ASSERT_TRUE(fs::exists("Quillmarsh.dat-journal"));
        fs::create_hard_link("Quillmarsh.dat-journal", dir / "journal-hard");
        journal = ReadFile("journal-hard");
        boxes.Answer(IDOK);
        answers = {dir / "journal-hard"};
        d.Button4->Click();
        EXPECT_EQ(ReadFile("journal-hard"), journal);
        DB->ExecSQL("rollback");
        // A name beside them takes the file as any other.
        answers = {dir / "Quillmarsh.dat.txt"};
        d.Button4->Click();
    });
    ASSERT_EQ(boxes.asked().size(), std::size(refused) + 1);
    for (const AskedBox& box : boxes.asked()) {
        EXPECT_EQ(box.text, form->Ui(205));
        EXPECT_EQ(box.caption, form->Ui(128));
    }
    struct stat after {};
    ASSERT_EQ(stat("Quillmarsh.dat", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(ReadFile("Quillmarsh.dat"), bytes);
    EXPECT_EQ(Standing("data-link"), "link");
    EXPECT_EQ(fs::read_symlink("data-link"), "Quillmarsh.dat");
    EXPECT_FALSE(fs::exists("Quillmarsh.dat-journal"));
    EXPECT_FALSE(journal.empty());
    EXPECT_EQ(ReadFile("Quillmarsh.dat.txt"), "a kettle, 24.90");
    // No file written beside any of them was left.
    EXPECT_EQ(Names(dir.path()).find(".tmp-"), std::string::npos) << Names(dir.path());
}

TEST_F(AttachedFilesDialogs, ADamagedValueIsReportedAndNeverWrittenOver) {
    WriteFile(dir / "receipt.pdf", "%PDF-1.4 receipt");
    WriteAttachedFiles(*DB, kDinnerWallet, kDeclaresGigabytes);
    OpenLedger(kRestaurants);
    SelectMove = kDinnerRestaurant;
    form->PaintBill();
    ScriptedBoxes boxes;
    Manage([&](TForm12& d) {
        // The names are listed as they stand.
        EXPECT_EQ(d.ListBox1->Items().Count(), 4);
        // Adding, removing and saving each tell the user, before any file is chosen.
        for (TButton* b : {d.Button1, d.Button2, d.Button4}) {
            boxes.Answer(IDOK);
            answers = {dir / "receipt.pdf"};
            d.ListBox1->SetItemIndex(1);
            b->Click();
            answers.clear();
        }
        ASSERT_EQ(boxes.asked().size(), 3u);
        for (const AskedBox& box : boxes.asked()) {
            EXPECT_NE(box.text.find("damaged"), AnsiString::npos) << box.text;
            EXPECT_EQ(box.caption, form->Ui(128));
        }
        EXPECT_EQ(d.ListBox1->Items().Count(), 4);
    });
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_EQ(StoredFiles(kDinnerWallet), kDeclaresGigabytes);
}

TEST_F(AttachedFilesDialogs, MovesWithFilesListEveryFileAndGoToEitherSide) {
    ModalDriver driver;
    // Without attachments: one blank line and both action buttons disabled.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm18&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(184));
        EXPECT_EQ(d.StringGrid1->Cells(0, 0), form->Ui(185));
        EXPECT_EQ(d.StringGrid1->Cells(2, 0), form->Ui(187));
        EXPECT_EQ(d.StringGrid1->RowCount(), 2);
        EXPECT_EQ(d.StringGrid1->Cells(0, 1), "");
        EXPECT_FALSE(d.Button2->Enabled());
        EXPECT_FALSE(d.Button3->Enabled());
        d.Button2->Click();
        d.Button3->Click();
    });
    form->Action(32)->trigger();
    EXPECT_TRUE(opened.empty());

    TAttachedFiles three;
    three.Add("one.txt", "1");
    three.Add("two.txt", "22");
    three.Add("three.txt", "333");
    WriteAttachedFiles(*DB, kDinnerWallet, three.Value());
    TAttachedFiles single;
    single.Add("shop.pdf", "receipt");
    WriteAttachedFiles(*DB, 7, single.Value());
    WriteAttachedFiles(*DB, 9, "");  // emptied: lists nothing
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm18&>(f);
        ASSERT_EQ(d.StringGrid1->RowCount(), 5);
        const std::vector<std::vector<AnsiString>> lines = {
            {"one.txt", "A:Money-Wallet", "S:Food-Restaurants"},
            {"two.txt", "A:Money-Wallet", "S:Food-Restaurants"},
            {"three.txt", "A:Money-Wallet", "S:Food-Restaurants"},
            {"shop.pdf", "A:Money-Wallet", "S:Food-Groceries"}};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(d.StringGrid1->Cells(c, r + 1), lines[r][c]);
        EXPECT_EQ(d.StringGrid1->Row(), 1);
        EXPECT_EQ(d.StringGrid1->Col(), 0);
        EXPECT_TRUE(d.Button3->Enabled());
        EXPECT_FALSE(d.Button2->Enabled());
        // Opening a file twice makes two whole copies; a file standing under its name in the
        // temporary folder is left as it is.
        d.StringGrid1->SetRow(3);
        WriteFile(dir / "tmp" / "three.txt", "stale and longer");
        d.Button3->Click();
        d.Button3->Click();
        EXPECT_EQ(ReadFile(dir / "tmp" / "three.txt"), "stale and longer");
        // From the file column going to the move does nothing.
        d.Button2->Click();
        EXPECT_EQ(HeadIndex, 0);
        d.StringGrid1->SetCol(2);
        EXPECT_TRUE(d.Button2->Enabled());
        EXPECT_FALSE(d.Button3->Enabled());
        d.Button2->Click();
        EXPECT_NE(d.ModalResult(), mrNone);
    });
    form->Action(32)->trigger();
    ASSERT_EQ(opened.size(), 2u);
    for (const QUrl& url : opened) {
        const fs::path copy = url.toLocalFile().toStdString();
        EXPECT_EQ(copy.filename(), "three.txt");
        EXPECT_EQ(ReadFile(copy), "333");
    }
    EXPECT_NE(opened[0].toString().toStdString(), opened[1].toString().toStdString());
    // The destination's ledger is opened with the twin row selected and shown.
    ASSERT_EQ(Head.HeadTabs.size(), 2u);
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(CurrentTab().Id, kRestaurants);
    EXPECT_EQ(CurrentTab().Caption, "Restaurants");
    EXPECT_EQ(HeadButtons.ButtonGroup, 0);
    EXPECT_EQ(SelectMove, kDinnerRestaurant);
    ASSERT_FALSE(Ledger.Rows.empty());
    EXPECT_EQ(Ledger.Rows[Ledger.CurRow].Id, kDinnerRestaurant);
    EXPECT_TRUE(form->Action(4)->isEnabled());  // the move commands follow the selection

    // From the source column of the groceries line: the wallet's ledger, move 7.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm18&>(f);
        d.StringGrid1->SetRow(4);
        d.StringGrid1->SetCol(1);
        d.StringGrid1->OnDblClick();
    });
    form->Action(32)->trigger();
    EXPECT_EQ(CurrentTab().Id, kWallet);
    EXPECT_EQ(SelectMove, 7);
    EXPECT_EQ(Ledger.Rows[Ledger.CurRow].Id, 7);
    // Going to an account that already has a tab reuses it.
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm18&>(f);
        d.StringGrid1->SetRow(1);
        d.StringGrid1->SetCol(2);
        d.Button2->Click();
    });
    form->Action(32)->trigger();
    EXPECT_EQ(Head.HeadTabs.size(), 3u);
    EXPECT_EQ(HeadIndex, 1);
}
