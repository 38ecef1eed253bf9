// QIF export of every account and its moves.
#include "app/exchange/qif_export.h"

#include <gtest/gtest.h>

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
    // A stored date that is no date: the hyphen line, then what was gathered.
    db->ExecSQL("update bill_move set ts = '2010x212' where src_bill_id = 3");
    const AnsiString broken = QifExportText(*db, "yyyy-MM-dd", EncodeDate(2026, 12, 7));
    EXPECT_EQ(broken, "!Account\r\nNBank\r\nTCash\r\n^\r\n-----------------\r\n");
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
