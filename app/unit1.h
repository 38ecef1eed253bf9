// TForm1, the main window. One class in several source files, one per concern: start-up and
// settings (startup.cpp), ... . The window-free logic it calls lives in plain functions beside it.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "db/sqlite_table3.h"
#include "platform/ansistring.h"

class QMenuBar;

namespace qm {

class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // Start-up ended the program (the user declined to create or upgrade the file, or the file
    // has another layout): the caller ends the process without running the message loop.
    bool Terminated() const { return terminated_; }

    std::vector<AnsiString> UiStrings;
    AnsiString Title;
    bool DbFailed = false;
    int BackupCount = 1;
    int BackupDate = 0;

    QMenuBar* ActionMainMenuBar1 = nullptr;

    const AnsiString& Ui(int index) const;

private:
    void FormCreate();
    void FormDestroy();
    bool OpenDatabase();  // false: the program ends
    void InstallDatabaseFailureExit();
    void UpdateCaption();

    bool terminated_ = false;
    bool startupComplete_ = false;
};

extern TForm1* Form1;
// The one open database, owned by the main window from start-up to shut-down.
extern std::unique_ptr<TSQLiteDatabase> DB;

}  // namespace qm
