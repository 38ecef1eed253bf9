// The main window as the dialogs reach it: its interface texts and display settings, the period
// filter, and the few calls that bring the window in step after a dialog has changed the file or
// the selection. Dialogs include this header instead of the window's class, so that what they
// may do to the window is written down in one place.
//
// Every call but Form1 itself expects the main window to exist (Form1 not null); dialogs check
// Form1 first, as they always have, because a dialog may be made without a window in tests.
#pragma once

#include <memory>

#include "app/store/balances.h"
#include "db/sqlite_table3.h"
#include "platform/ansistring.h"

class QWidget;

namespace qm {

class TForm1;

// The main window; null until it is made and after it is gone.
extern TForm1* Form1;
// The one open database, owned by the main window from start-up to shut-down.
extern std::unique_ptr<TSQLiteDatabase> DB;

// The settings that the settings dialog shows and changes.
struct TWindowSettings {
    AnsiString Title;
    bool TitleInReports = false;
    bool TwoDecimals = false;
    bool NegativeRed = false;
    int MainCurrencyId = -1;
    int DateFormatIndex = 3;  // 1 to 4, see DateFormatOf
    int BackupCount = 1;
};

namespace MainWindow {

// The window as the owner of a message box.
QWidget* Widget();
// Entry `index` of the interface texts; empty outside the table.
const AnsiString& Ui(int index);
// The display date format, "dd.MM.yyyy" and the like.
const AnsiString& DateFormat();
// Start-up got as far as the glyph images: the window stands on a file the dialogs may read.
bool GlyphsLoaded();
// The period filter of the bar at the bottom of the window, as balances are counted under it:
// the one last applied, which the stored balances count (dates typed and not applied count none).
PeriodFilter Period();

int MainCurrencyId();
void SetMainCurrencyId(int id);

TWindowSettings Settings();
// Takes the settings in this order: the date format (the period pickers and the process-wide
// formats follow it), the title, its use in reports, the main currency, the window caption, the
// two display flags and the number of backup copies.
void ApplySettings(const TWindowSettings& settings);

// The text that find next looks for; EnableFindNext offers the command once there is one.
void SetFindText(const AnsiString& text);
void EnableFindNext();

// Repaints the current tab (FormPaint), the tree (PaintMain) or the ledger (PaintBill).
void FormPaint();
void PaintMain();
void PaintBill();
// Command enabling for one of the window's situations (1 to 5, as TForm1::DoEnable).
void DoEnable(int mode);
// After an account is gone: the selection falls back to the first row of the first tree.
void SelectionFallback();
// The question before leaving an edited ledger row; true when the caller may go on.
bool LeaveEditedRow();
// Makes tab `index` current, as a click on it does.
void SwitchToTab(int index);

}  // namespace MainWindow

}  // namespace qm
