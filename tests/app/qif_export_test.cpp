// QIF export of every account and its moves.
#include "app/exchange/qif_export.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "app/store/database_file.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

// The export's texts are made on files of their own; its command runs in the window as start-up
// leaves it.
struct QifExport : HouseholdWindow {
    QifExport() : HouseholdWindow(2026, 12, 7) {
        start = {.width = 0, .height = 0, .dialogs = false};
    }
};

}  // namespace

TEST_F(QifExport, WritesTheAccountListThenOneSectionPerAccount) {
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
    EXPECT_EQ(QifExportText(*db, "dd.MM.yyyy", 45000), "!Account\r\n");
    db->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, name) values (1, 0, 2, 'G'), (2, 1, 2, "
        "'Wallet'), "
        "(3, 1, 2, 'Bank')");
    InsertMovePair(*db, 2, 3, {"20100212", "7", "Lunch", "-12.50", "12.50", "1"});
    const AnsiString text = QifExportText(*db, "dd.MM.yyyy", EncodeDate(2026, 12, 7));
    EXPECT_EQ(text,
              "!Account\r\nNBank\r\nTCash\r\n^\r\nNWallet\r\nTCash\r\n^\r\n"
              "!Account\r\nNBank\r\nTCash\r\n^\r\n!Type:Cash\r\n"
              "D07.12.2026\r\nU0.00\r\nT0.00\r\nPOpening Balance\r\nL[Bank]\r\n^\r\n"
              "D12.02.2010\r\nN7\r\nMLunch\r\nU12.5\r\nT12.5\r\nL[Wallet]\r\n^\r\n"
              "!Account\r\nNWallet\r\nTCash\r\n^\r\n!Type:Cash\r\n"
              "D07.12.2026\r\nU0.00\r\nT0.00\r\nPOpening Balance\r\nL[Wallet]\r\n^\r\n"
              "D12.02.2010\r\nN7\r\nMLunch\r\nU-12.5\r\nT-12.5\r\nL[Bank]\r\n^\r\n\r\n");
    // A stored date that is no date ends the export, naming the account, the move and the date.
    db->ExecSQL("update bill_move set ts = '2010x212' where src_bill_id = 3");
    try {
        QifExportText(*db, "yyyy-MM-dd", EncodeDate(2026, 12, 7));
        ADD_FAILURE() << "a move without a date was exported";
    } catch (const EQifExport& e) {
        EXPECT_EQ(e.Message,
                  "Account \"Bank\", the move numbered \"7\" with the note \"Lunch\": its stored "
                  "date \"2010x212\" is no date.");
    }
}

TEST_F(QifExport, FileNamesGetTheExtensionOnce) {
    EXPECT_EQ(QifFileName("a/b").string(), "a/b.qif");
    EXPECT_EQ(QifFileName("x.QiF").string(), "x.QiF");
    EXPECT_EQ(QifFileName("x.qif.txt").string(), "x.qif.txt.qif");
}

TEST_F(QifExport, TheCommandAsksBeforeReplacingAFile) {
    ASSERT_NO_FATAL_FAILURE(Open(2));
    SetFileDialogHook([](const FileDialogRequest& r) {
        EXPECT_TRUE(r.save);
        return std::vector<std::filesystem::path>{"export"};
    });
    form->Action6Execute();
    std::ifstream in("export.qif", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(written.rfind("!Account\r\nNBank\r\n", 0), 0u);
    {
        ScriptedBoxes boxes;
        boxes.Answer(IDNO, form->Ui(123));
        std::ofstream("export.qif") << "keep";
        form->Action6Execute();
    }
    std::ifstream again("export.qif");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), "keep");
    SetFileDialogHook({});
}

namespace {

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The names in the working folder other than the data file and its own.
std::vector<std::string> OtherFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("Quillmarsh", 0) != 0)
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// A move whose stored date does not convert (put there by another program), or a folder that is
// not there: the user is told why, and no file stands under the chosen name but an earlier one,
// unchanged.
TEST_F(QifExport, AFailedExportWritesNothingAndSaysWhy) {
    ASSERT_NO_FATAL_FAILURE(Open(2));
    struct Case {
        std::string chosen;
        const char* earlier;  // nullptr: no file before
        const char* stored;   // the date of the bank's first move, set by another program
        const char* because;  // what the message names below the program's text
    };
    for (const Case& c : {Case{"export", nullptr, "2026x301", "\"Bank\""},
                          Case{"export", "keep", "2026x301", "\"2026x301\""},
                          Case{"no/such/folder/export", nullptr, "20260301", "No such file"}}) {
        SCOPED_TRACE(c.chosen + " " + c.stored + (c.earlier ? " over an earlier file" : ""));
        TSQLiteDatabase("./Quillmarsh.dat")
            .ExecSQL(AnsiString("update bill_move set ts = '") + c.stored +
                     "' where id = (select min(id) from bill_move where src_bill_id = " +
                     IntToStr(kBank) + ")");
        if (c.earlier) std::ofstream(c.chosen + ".qif", std::ios::binary) << c.earlier;
        const std::vector<std::string> before = OtherFiles();
        SetFileDialogHook(
            [&](const FileDialogRequest&) { return std::vector<std::filesystem::path>{c.chosen}; });
        {
            ScriptedBoxes boxes;
            if (c.earlier) boxes.Answer(IDYES, form->Ui(123));
            boxes.Answer(IDOK);
            form->Action6Execute();
            ASSERT_EQ(boxes.asked().size(), c.earlier ? 2u : 1u);
            const AnsiString shown = boxes.asked().back().text;
            EXPECT_EQ(shown.rfind(form->Ui(198) + "\r\r", 0), 0u) << shown;
            EXPECT_NE(shown.find(c.because), AnsiString::npos) << shown;
        }
        EXPECT_EQ(OtherFiles(), before);
        if (c.earlier) {
            EXPECT_EQ(Contents(c.chosen + ".qif"), c.earlier);
        }
    }
    SetFileDialogHook({});
}

// The file appears under its name only when whole: an export killed at any moment leaves the
// earlier file or the whole new one there, never a part.
TEST(QifExportKill, KillingAnExportLeavesTheEarlierFileOrTheWholeNewOne) {
    TempDir dir;
    UseProgramFormats();
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
    db->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, name) values (1, 0, 2, 'G'), (2, 1, 2, "
        "'Wallet'), (3, 1, 2, 'Bank')");
    {
        TSQLiteTransaction t(*db);
        for (int i = 0; i < 20000; ++i)
            InsertMovePair(
                *db, 2, 3,
                {"20100212", IntToStr(i), "Note " + IntToStr(i), "-12.50", "12.50", "1"});
        t.Commit();
    }
    const AnsiString whole = QifExportText(*db, "dd.MM.yyyy", EncodeDate(2026, 12, 7));
    db.reset();
    const std::string earlier = "earlier";
    std::srand(1234);
    long long exportMicros = 0;
    int whole_seen = 0, earlier_seen = 0;
    for (int round = 0; round < 16; ++round) {
        std::ofstream("export.qif", std::ios::binary | std::ios::trunc) << earlier;
        int written[2];
        ASSERT_EQ(pipe(written), 0);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            close(written[0]);
            TSQLiteDatabase child("./Quillmarsh.dat");
            for (;;) {
                AnsiString reason;
                if (!WriteQifFile(child, "dd.MM.yyyy", EncodeDate(2026, 12, 7), "export.qif",
                                  reason))
                    _exit(7);
                if (write(written[1], "x", 1) != 1) _exit(8);
            }
        }
        close(written[1]);
        if (round == 0) {
            char byte = 0;
            ASSERT_EQ(read(written[0], &byte, 1), 1);
            exportMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        } else {
            usleep(static_cast<useconds_t>(std::rand() % (2 * exportMicros + 1)));
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(written[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the export ended by itself in round " << round;
        const std::string now = Contents("export.qif");
        if (now == earlier)
            ++earlier_seen;
        else if (now == whole)
            ++whole_seen;
        else
            ADD_FAILURE() << "round " << round << ": a part of " << now.size() << " bytes of "
                          << whole.size();
        // A temporary file the kill left behind is the only other thing there.
        for (const auto& e : std::filesystem::directory_iterator("."))
            if (e.path().filename().string().rfind(".export.qif.tmp-", 0) == 0)
                std::filesystem::remove(e.path());
    }
    EXPECT_GT(whole_seen, 0);
    EXPECT_GT(earlier_seen, 0);
}
