// TForm1, the main window. One class in several source files, one per concern. Its own files sit
// in app/window/: start-up and shut-down (startup.cpp), settings (settings.cpp), menus
// (main_menu.cpp), command enabling (command_enabling.cpp), the period bar (period_bar.cpp), the
// painting of the header, tree and ledger, the mouse, the keys and the in-place editors. Its
// command handlers are defined with the commands (app/commands/), its report painting with the
// reports (app/reports/paint_report.cpp) and its QIF export with the exchange
// (app/exchange/qif_export.cpp): they include this header, and it includes none of theirs. The
// window-free logic it calls lives in app/store/; dialogs see the window only through
// window_calls.h.
#pragma once

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <vector>

#include "app/store/balances.h"
#include "app/store/database_file.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "db/sqlite_table3.h"
#include "platform/ansistring.h"
#include "platform/controls.h"
#include "platform/offscreen_widget.h"

class QMenuBar;
class QMenu;
class QAction;

namespace qm {

struct MoveFields;

class TForm1 : public TPaintedWidget {
    Q_OBJECT
  public:
    TForm1();
    ~TForm1() override;

    // Start-up ended the program (the user declined to create or upgrade the file, or the file
    // has another layout): the caller ends the process without running the message loop.
    bool Terminated() const { return terminated_; }
    // Start-up ran to its end; only then are the settings written back at shut-down.
    bool StartupComplete() const { return startupComplete_; }
    // Building the program's indexes on a large file is still to come or under way.
    bool DatabaseBusy() const { return databaseBusy_; }

    // Settings and start-up state.
    std::vector<AnsiString> UiStrings;
    AnsiString Title;
    AnsiString DateFormat = "dd.MM.yyyy";
    bool TitleInReports = false;
    bool TwoDecimals = false;
    bool NegativeRed = false;
    int MainCurrencyId = -1;
    int DateFormatIndex = 3;
    int BackupCount = 1;
    int BackupDate = 0;
    std::unique_ptr<TBitmap> GlyphBitmap;
    bool DbFailed = false;

    const AnsiString& Ui(int index) const;

    // Controls of the window.
    QMenuBar* ActionMainMenuBar1 = nullptr;
    TPanel* Panel1 = nullptr;  // the period filter bar
    TCheckBox* CheckBox1 = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;
    TDateTimePicker* DateTimePicker2 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TButton* Button1 = nullptr;    // print
    TListBox* ListBox1 = nullptr;  // the correspondent drop-down of the ledger
    TPanel* Panel2 = nullptr;      // holds the calendar of the date cell
    TMonthCalendar* MonthCalendar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;

    // Action1..Action32 of the main menu and N1..N22 of the two pop-up menus.
    QAction* Action(int n) const { return actions_.at(n); }
    QAction* N(int n) const { return items_.at(n); }

    // Period filter and balances. Period() is the one the stored balances count, as last
    // applied (by the check box, Enter in a date box or its calendar closing) or restored at
    // start-up: every change to the balances counts under it. PeriodInBoxes() is the bar as it
    // stands, dates typed and not yet applied included; the ledger shows its moves.
    PeriodFilter Period() const;
    PeriodFilter PeriodInBoxes() const;
    void CalcBillAmount(const AnsiString& id);
    void CheckBox1Click();
    void DateTimePicker1KeyDown(int& key, TShiftState shift);

    // Settings rows as shut-down writes them, in order (name, value).
    std::vector<std::pair<AnsiString, AnsiString>> SettingsRows() const;
    void WriteSettings();

    // The height of the period bar at the bottom of the window.
    int Panel1Height() const;

    // Command enabling for one of five situations: 1 a group selected in the tree, 2 an
    // account, 3 a tree with nothing selected, 4 a ledger, 5 a ledger row being edited.
    void DoEnable(int mode);
    // Where SelectBill stands among its siblings: -1 first, 0 middle, 1 last, 2 the only one.
    int GetBillPosKind() const;
    int BudgetRowIndex = -1;

    // Account and group commands of the tree (app/commands/account_commands.cpp).
    void N1Click();   // edit account
    void N2Click();   // delete account
    void N3Click();   // create account
    void N8Click();   // edit group
    void N9Click();   // delete group
    void N10Click();  // create group
    void N12Click();  // move up
    void N13Click();  // move down
    // After deleting an account or a group: the first row of the first tree that has rows.
    void SelectionFallback();

    // The ledger's commands on move pairs (app/commands/move_commands.cpp).
    bool Save();
    void Action21Execute();  // delete the selected move
    void Action20Execute();  // duplicate it into the new row
    void BillKorr();         // go to the correspondent's ledger
    // The transaction dialog, when it exists, takes rows between currencies of different rates:
    // called with the dialog's mode, it returns whether the move was stored.
    std::function<bool(int mode)> MoveDialog;
    int LastCorrBillId = 0;
    void HideEditorPopups();

    void Action6Execute();  // QIF export (app/exchange/qif_export.cpp)

    // Small commands (app/commands/edit_commands.cpp).
    AnsiString* CurrentCell();  // the current ledger cell, or null off a ledger
    void DeleteSelection();
    void Action8Execute();   // copy
    void Action9Execute();   // cut
    void Action10Execute();  // paste
    void MonthCalendar1Click();
    void Action24Execute();  // help file
    void Action25Execute();  // web page
    // An entry of the attachment menu: -1 manages the files, k opens file k.
    void FilesMenuClick(int tag);
    void OpenAttachedFile(const AnsiString& name, const AnsiString& bytes);
    std::function<void()> FilesDialog;

    // --- Mouse, scroll bars and tabs (mouse.cpp) ---
    void FormMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void FormMouseMove(TShiftState shift, int x, int y);
    void FormMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void FormDblClick();
    void FormMouseWheelDown(TShiftState shift, TPoint screen);
    void FormMouseWheelUp(TShiftState shift, TPoint screen);
    void Timer1Timer();
    void HeadMenuClick(int tag);
    // Makes tab `index` current with every bookkeeping a click on the tab does.
    void SwitchToTab(int index);
    // The Yes/No/Cancel question before leaving an edited row; true when the caller may go on.
    bool LeaveEditedRow();
    bool Dragging = false;
    bool ColumnDragging = false;
    int DragIndex = 0;
    int DragX = 0;
    int DragY = 0;
    int RepeatDelay = 0;
    bool MouseHeld = false;
    bool SkipMouseDown = false;
    TPoint LastDownPoint{};
    std::array<TPoint, 6> CursorPoints{};
    bool CalendarFirstShow = true;
    std::vector<int> ListBillIds;
    TTimer* Timer1 = nullptr;  // scroll auto-repeat
    struct TReportScroll {
        int Position = 0, Maximum = 0, Page = 0;
        TRect UpRect{}, PageUpRect{}, ThumbRect{}, PageDownRect{}, DownRect{};
        AnsiString ScrollCode;
    } ReportScroll;
    void CloseTab(int index);
    QMenu* PopupMenu3 = nullptr;  // the tab list and the attached-files list

    // --- In-place editors and keyboard (keyboard.cpp, editors.cpp) ---
    void FormKeyPress(char& key);
    void FormKeyDown(int& key, TShiftState shift);
    void Timer2Timer();
    void SelDestBill(int row);
    void ListBox1MouseDown();
    void ListBox1KeyDown(int& key, TShiftState shift);
    void KeyDownText(char c);
    void KeyDownBill(char c);
    void KeyDownNum(char c);
    void KeyDownDate(char c);
    void KeySearchText();
    void KeySearchBill();
    // A date field with one digit typed gets its leading zero before the caret leaves it.
    void CompleteHalfTypedDate();
    int KeyAnchor = 1;
    bool CompletionReady = false;
    struct TCompletionCells {
        AnsiString Corr, Amount1, Amount2;
        int CorrBillId = 0;
    } CompletionCells;
    TTimer* Timer2 = nullptr;  // caret blink and the cell tooltip
    TPanel* Panel3 = nullptr;  // holds the tooltip label
    class TRxLabel* RxLabel1 = nullptr;

    // Painting: every view draws into the window's off-screen image, at any time; Qt's paint
    // event only copies that image to the screen.
    void FormPaint();
    void PaintHead();
    void PaintMain();
    void PaintBill();
    void PaintReport();
    void TextRectMy(int row, int col, TColor back);
    void DrawScroll(const TRect& R, const AnsiString& code, int& pos, int& max, TRect& upRect,
                    TRect& pageUpRect, TRect& thumbRect, TRect& pageDownRect, TRect& downRect);
    void DrawMy(TRect R, const TRect& clip, const TBitmap* bitmap, const AnsiString& text, int dx);
    AnsiString DisplayDate(const AnsiString& ymd) const;
    // Places the caret of ledger cell (row, col) at the character boundary nearest to window x.
    void SetCursorText(int row, int col, int X, int Y);
    TBitmap& HeadBarBitmap() { return HeadButtons.HeadBarBitmap; }

    // Ledger rows from the current tab's buffer (loading the buffer when it is empty).
    void GetBillMove();

    int PopupMenu1Tag = 0;    // the tree pane the tree menu was opened on
    int FirstTab = 0;         // first tab after the tree shown when the tabs do not fit
    bool KeepTopRow = false;  // the next ledger paint keeps Ledger.TopRow
    AnsiString FindText;      // the find dialog's text (find next needs one)
    AnsiString MainCurrencyShort;

    // The application-wide look at every key (Tab for the main window, F1 anywhere).
    void AppMessage(QObject* watched, QEvent* e);

  protected:
    void Repaint() override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;

  private:
    void FormCreate();
    void FinishStartup();
    void FormDestroy();
    void LoadGlyphSets();
    void CreateHeadButtons();
    void ShowBalanceOverflow();
    bool MouseDownHeader(TPoint p);
    bool MouseDownTabs(TPoint p);
    void MouseDownTree(TMouseButton button, TPoint p);
    void MouseDownLedger(TMouseButton button, TPoint p);
    void MouseDownReport(TPoint p);
    void ToggleGroup(TBillTypeView& view, size_t row);
    void StartScrollDrag(int index, const AnsiString& code, int dragY);
    TRect SeparatorRect(int x);
    void ClickCell(int row, int col, TPoint p);
    void ClickCellButtons(int row, int col, TPoint p);
    void ShowFilesMenu(TPoint p);
    bool MouseMoveHeader(TPoint p);
    void MouseMoveTree(TPoint p);
    void MouseMoveLedger(TPoint p);
    void MouseMoveReport(TPoint p);
    void DragColumn(int x);
    void RunHeadButton(int group, int index);
    void OpenSelectedBill();
    void LedgerDblClick();
    void FitColumn();
    void Wheel(int delta, TPoint screen);
    AnsiString& EditedCell();
    void MarkEdited();
    bool CommonEditingKey(char c);
    void InsertChar(char c);
    void DateFieldEnds(int& dayEnd, int& monthEnd) const;
    bool DateTextValid(const AnsiString& cell) const;
    void FixDayField(AnsiString& cell, int dayEnd);
    void CompleteDateField();
    void TabBack();
    void TabForward();
    bool CtrlKey(int& key);
    void MoveTab(int direction);
    void PageRows(int direction);
    void ArrowRow(int direction);
    void TreeKey(int key);
    void ShowCellHint();
    void PlaceCursor(int col);
    bool EvaluateAmountCell(int col);
    bool EditedDate(const AnsiString& cell, AnsiString& ymd) const;
    // False, after the refusal notice, when the row's number or note was changed from the stored
    // text of move `textsOf` in a way that would lose a character the code page cannot show.
    bool KeepsStoredCharacters(const TBillMoveRow& row, int textsOf);
    AnsiString RateText(int billId);
    bool SaveThroughMoveDialog();
    void StoreNewMove(int account, int corr, const MoveFields& f);
    void StoreEditedMove(int account, int corr, const MoveFields& f);
    // Shows a notice from the event loop, never from inside a paint.
    void ShowNoticeLater(const AnsiString& text);
    void BuildTreeViews(bool& overflow);
    void BuildTreeRows(TBillTypeView& view, size_t index, long double mainRate,
                       const AnsiString& today, bool& overflow);
    void StepBudgetPeriod(TBillTreeRow& row, const AnsiString& today);
    void PaintPane(int i, int W, int B);
    void PaintTreeRow(TBillTreeRow& row, int x, int y, int PR, int NR, int CW, int B,
                      const TRect& clip);
    int PaintHeadButton(THeadButton& b, int x, int Y0, int LH);
    void PaintTabStrip();
    void FitTabStrip(int SH);
    int PaintLedgerHeader(int H);
    int PaintLedgerRows(int headerBottom, int H, int GB);
    void PaintCellButton(const TBillMoveRow& r, int col, TRect& R);
    int PaintCurrentCell(const AnsiString& T, int W, const TRect& R, TColor back);
    void UpdateClipboardCommands();
    void CreateControls();
    void CreateInputControls();
    void CreateActions();
    // Enables an action and runs `handler` when it is triggered.
    void Connect(int action, std::function<void()> handler);
    // The three sort commands share one handler.
    void Action1Execute(QAction* chosen);
    void CreateMainMenu();
    void CreatePopupMenus();
    void SetCaptions();
    bool OpenDatabase();  // false: the program ends
    // Takes the data file's lock; false (after telling the user) when another copy holds it.
    bool LockDataFile();
    // The file that stands at start-up: locked, opened, its layout checked (`layout`), and,
    // where it is the program's, the day's backup copy made. False: the program ends.
    bool OpenExistingFile(int today, LayoutCheck& layout);
    // The program's own indexes: made at once on a small file; on a large one after the window
    // is shown, with the progress bar, while the views leave the database alone.
    void PrepareIndexes();
    void CreateIndexesWithProgress();
    void PaintWithoutDatabase();
    // After a start-up step failed: no command, key, click or timer reaches the database.
    void DisableAfterFailedStartup();
    void InstallDatabaseFailureExit();
    // The message a database failure ends the program with: the program's words, then the
    // engine's reason (for another program's lock, what that means first).
    AnsiString DatabaseFailureText(const ESQLiteException& e) const;
    void ReadSettings();
    void ApplySetting(const AnsiString& name, const AnsiString& value, int& scrollRows);
    void RestoreTab(const AnsiString& value);
    void SetDateFilter(const AnsiString& value);
    void UpdateReportControls();
    void SettleDateFormat();
    void ApplyDateFormat();
    void UpdateCaption();
    void LayoutBars();
    void SyncLayout();
    QSize layoutSize_;

    std::array<QAction*, 33> actions_{};
    std::array<QAction*, 23> items_{};
    bool terminated_ = false;
    bool startupComplete_ = false;
    bool recalculating_ = false;
    PeriodFilter balancesPeriod_;  // Period()
    // The engine is busy building indexes (or about to): painting and timers must not query.
    bool databaseBusy_ = false;
    int storedDateFormatIndex_ = 0;  // 0: none stored

    // The day's backup copy, made at start-up and placed once the system has it on the disk.
    void StartPlacingBackup();
    void CollectBackup(bool wait);
    // The day's copy failed the engine's check: the user is told what it found and which copy
    // is the newest; where the live file fails the same check, the program ends at once.
    void TellDamagedCopy(const AnsiString& findings);
    std::filesystem::path backupCopy_;  // the day's copy while it waits to be placed
    int backupDay_ = 0;
    std::future<BackupOutcome> placing_;
};

// Binds the main window's commands that live outside its own files (dialog commands, reports,
// imports) to its actions, menu items and hooks. Called once from start-up, before command
// enabling runs. Defined with the commands (app/commands/connect_all.cpp): they include the
// window, and the window includes none of them.
void ConnectAllCommands(TForm1& form);

}  // namespace qm
