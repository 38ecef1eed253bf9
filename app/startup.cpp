// The main window's start-up and shut-down: texts, the database file, settings, window state.
#include <QMenuBar>
#include <cstdlib>

#include "app/database_file.h"
#include "app/ui_strings.h"
#include "app/unit1.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace qm {

TForm1* Form1 = nullptr;
std::unique_ptr<TSQLiteDatabase> DB;

TForm1::TForm1() {
    Form1 = this;
    SetDefaultOwner(this);
    ActionMainMenuBar1 = new QMenuBar(this);
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    if (Form1 == this) Form1 = nullptr;
}

const AnsiString& TForm1::Ui(int index) const {
    static const AnsiString empty;
    return index >= 0 && static_cast<size_t>(index) < UiStrings.size() ? UiStrings[index] : empty;
}

void TForm1::InstallDatabaseFailureExit() {
    // A failed statement leaves the data in a state the program cannot reason about: tell the
    // user and end at once, writing no settings. An open transaction rolls back with the process.
    TSQLiteDatabase::SetFailureHandler([this](const ESQLiteException& e) {
        DbFailed = true;
        std::fprintf(stderr, "%s\n", e.Message.c_str());
        MessageBox(this, Ui(179), Ui(180), MB_OK | MB_ICONERROR);
        std::exit(EXIT_FAILURE);
    });
}

bool TForm1::OpenDatabase() {
    const int today = static_cast<int>(Date());
    if (!FileExists(kDatabaseFileName)) {
        if (MessageBox(this, Ui(87), Ui(88), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
        DB = CreateDatabaseFile(kDatabaseFileName, Ui(89), Ui(90), Ui(91));
        BackupCount = 1;
        BackupDate = 0;
    } else {
        DB = std::make_unique<TSQLiteDatabase>(kDatabaseFileName);
        BackupCount = ReadBackupCount(*DB);
        BackupDate = ReadBackupDate(*DB, today);
        DailyBackup(DB, kDatabaseFileName, BackupCount, BackupDate, today);
    }
    LayoutCheck layout = CheckLayout(*DB);
    if (!layout.matches) {
        MessageBox(this, Ui(92), "Quillmarsh", MB_OK | MB_ICONERROR);
        DB.reset();
        return false;
    }
    const struct {
        bool needed;
        char which;
    } upgrades[] = {{layout.needUpgradeA, 'A'}, {layout.needUpgradeB, 'B'}, {layout.needUpgradeC, 'C'}};
    for (const auto& u : upgrades) {
        if (!u.needed) continue;
        if (MessageBox(this, Ui(107), Ui(134), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            DB.reset();
            return false;
        }
        RunUpgrade(*DB, u.which, u.which == 'A' && !layout.needUpgradeB);
    }
    return true;
}

void TForm1::UpdateCaption() {
    AnsiString caption = "Quillmarsh 1.5";
    if (!Title.empty()) caption += " - " + Title;
    setWindowTitle(ToQString(caption));
}

void TForm1::FormCreate() {
    DbFailed = false;
    UiStrings = LoadUiStrings();
    InstallDatabaseFailureExit();
    Title = Ui(86);
    try {
        if (!OpenDatabase()) {
            terminated_ = true;
            return;
        }
        UpdateCaption();
        startupComplete_ = true;
    } catch (const std::exception& e) {
        // The remaining start-up steps are skipped; the window stays blank and, since the
        // settings were never read, none are written back at the end.
        ShowException(e);
    }
}

void TForm1::FormDestroy() {
    if (DbFailed || !DB || !startupComplete_) {
        DB.reset();
        return;
    }
    DB.reset();
}

}  // namespace qm
