// The main window's start-up and shut-down: texts, the database file, settings, window state.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QResizeEvent>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "app/store/attached_files.h"
#include "app/store/balances.h"
#include "app/store/database_file.h"
#include "app/window/main_window.h"
#include "app/window/ui_strings.h"
#include "app/window/window_formats.h"
#include "db/journal_guard.h"
#include "db/sqlite_reader.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/window_keys.h"

namespace qm {

// Held from before the data file is first read until DB is closed: the one copy of the program
// that works on the file. Defined before DB so that it is destroyed after it on every way out,
// std::exit after a database failure included: closing the lock's descriptor drops every record
// lock this process holds on the file, the engine's own with them, and the engine may still roll
// a transaction back as its connection closes.
TFileLock DataFileLock;
TForm1* Form1 = nullptr;
std::unique_ptr<TSQLiteDatabase> DB;

TForm1::TForm1() {
    Form1 = this;
    SetDefaultOwner(this);
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

namespace {

// A path as the user reads it in a message: absolute, without "." steps or a trailing slash.
std::string ShownPath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path shown = std::filesystem::absolute(path, ec);
    if (ec) shown = path;
    shown = shown.lexically_normal();
    if (!shown.has_filename() && shown != shown.root_path()) shown = shown.parent_path();
    return shown.string();
}

// Why the data file is not worked on: the message's entry, the file or folder it names, and the
// system's reason. No entry: nothing stands in the way.
struct Refusal {
    int entry = 0;
    std::string where;
    std::string reason;
};

// The daily copies and their rotation go beside the name; the engine keeps its journal beside
// the file itself, which is elsewhere where the name is a link (it follows every link to find
// that folder). The first of the two this user cannot write refuses the file.
Refusal UnwritableFolder(const std::filesystem::path& name) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(name, ec);
    if (ec) return {201, ShownPath(name), ec.message()};
    const std::filesystem::path here = name.has_parent_path() ? name.parent_path() : ".";
    for (const std::filesystem::path& folder : {here, target.parent_path()}) {
        if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            return {202, ShownPath(folder), std::strerror(errno)};
    }
    return {};
}

// The newest daily copy beside the data file (the lowest number: the rotation moves older
// copies up), or empty where none stands. Only a copy the program could have made counts, as for
// a journal: another user's file planted under a copy's name in a shared folder is no copy to go
// on from.
std::string NewestCopy() {
    for (int i = 1; i <= kMaxBackupCount; ++i) {
        const std::string copy = kDatabaseFileName + std::to_string(i);
        struct stat st {};
        if (::lstat(copy.c_str(), &st) == 0 && UnfitBeside(st, kDatabaseFileName).empty())
            return ShownPath(copy);
    }
    return {};
}

// `entry` with "%1" as the data file and "%2" as its newest copy. Where no copy stands, the
// sentences from the one naming it on are left out. One pass, so that a path holding "%2" stays
// as it is.
AnsiString NotADataFileText(AnsiString entry) {
    const std::string copy = NewestCopy();
    const size_t copyNamed = entry.find("%2");
    if (copy.empty() && copyNamed != AnsiString::npos) {
        const size_t sentence = entry.rfind(". ", copyNamed);
        entry.erase(sentence == AnsiString::npos ? 0 : sentence + 1);
    }
    const std::string file = ShownPath(kDatabaseFileName);
    AnsiString text;
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '%' && i + 1 < entry.size() && (entry[i + 1] == '1' || entry[i + 1] == '2'))
            text += entry[++i] == '1' ? file : copy;
        else
            text += entry[i];
    }
    return text;
}

}  // namespace

AnsiString TForm1::DatabaseFailureText(const ESQLiteException& e) const {
    // A journal refused by the database layer is named, with why: removing it is what the user
    // can do, and the engine's words ("access permission denied") would say neither.
    TRefusedJournal journal;
    if (RefusedJournalFailure(e, journal))
        return Ui(204) + "\r\r" + journal.Path + ": " + journal.Reason;
    // Another program's lock is what the user can act on; the engine's words for it follow.
    const AnsiString reason = FailureReason(e);
    // The engine found bytes it cannot read as a database where the data file should be: the
    // user can act on that (set the file aside, go on from a copy), as on another program's lock.
    if (IsDamagedFileFailure(e.EngineCode))
        return Ui(179) + "\r\r" + NotADataFileText(Ui(203)) + "\r\r" + reason;
    return Ui(179) + "\r\r" + (IsBusyFailure(e) ? Ui(200) + "\r\r" + reason : reason);
}

void TForm1::InstallDatabaseFailureExit() {
    // A failed statement leaves the data in a state the program cannot reason about: tell the
    // user and end at once, writing no settings. An open transaction rolls back as the
    // connection closes on the way out. The engine's reason (a full disk, a file another program
    // keeps locked) goes below the program's own words: it is what the user can act on.
    TSQLiteDatabase::SetFailureHandler([this](const ESQLiteException& e) {
        DbFailed = true;
        std::fprintf(stderr, "%s\n", e.Message.c_str());
        // At the end of a session the window is already closed: the message stands alone.
        MessageBox(isVisible() ? this : nullptr, DatabaseFailureText(e), Ui(180),
                   MB_OK | MB_ICONERROR);
        std::exit(EXIT_FAILURE);
    });
}

bool TForm1::OpenDatabase() {
    const int today = static_cast<int>(Date());
    // A folder, a device or a link to nothing under the file's name: the file is not missing,
    // and creating one over it would fail or hide where the data went.
    const auto refuseWhatIsNotAFile = [this] {
        if (FileExists(kDatabaseFileName) || !PathExists(kDatabaseFileName)) return false;
        MessageBox(this, Ui(192), "Quillmarsh", MB_OK | MB_ICONERROR);
        return true;
    };
    if (refuseWhatIsNotAFile()) return false;
    // What a creation killed on a file system without links left under the file's name: the
    // file is missing, and the user is asked again.
    RemoveKilledClaim(kDatabaseFileName);
    if (!FileExists(kDatabaseFileName)) {
        if (MessageBox(this, Ui(87), Ui(88), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
        DB = CreateDatabaseFile(kDatabaseFileName, Ui(89), Ui(90), Ui(91), DataFileLock);
        BackupCount = 1;
        BackupDate = 0;
        // Null: another copy asked at the same moment and put its file in place first. That
        // file is opened as any existing one, and that copy's lock ends this one; but what took
        // the name while the question was up is checked as at any start.
        if (!DB && refuseWhatIsNotAFile()) return false;
    }
    LayoutCheck layout;
    if (DB) {
        layout = CheckLayout(*DB);
    } else if (!OpenExistingFile(today, layout)) {
        return false;
    }
    if (!layout.matches) {
        MessageBox(this, Ui(92), "Quillmarsh", MB_OK | MB_ICONERROR);
        DB.reset();
        return false;
    }
    const struct {
        bool needed;
        char which;
    } upgrades[] = {
        {layout.needUpgradeA, 'A'}, {layout.needUpgradeB, 'B'}, {layout.needUpgradeC, 'C'}};
    for (const auto& u : upgrades) {
        if (!u.needed) continue;
        if (MessageBox(this, Ui(107), Ui(134), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            DB.reset();
            return false;
        }
        RunUpgrade(*DB, u.which, u.which == 'A' && !layout.needUpgradeB);
    }
    if (layout.needUpgradeA || layout.needUpgradeB || layout.needUpgradeC) {
        // Upgrades rebuild tables; on a file whose structure is damaged the result can be
        // other than the layout they make, and the program must not go on writing to it.
        const LayoutCheck after = CheckLayout(*DB);
        if (!after.matches || after.needUpgradeA || after.needUpgradeB || after.needUpgradeC) {
            MessageBox(this, Ui(92), "Quillmarsh", MB_OK | MB_ICONERROR);
            DB.reset();
            return false;
        }
    }
    return true;
}

bool TForm1::OpenExistingFile(int today, LayoutCheck& layout) {
    // Before anything is read or written, the leftovers of a backup included: they may be
    // another copy's copy in the making.
    if (!LockDataFile()) return false;
    DB = std::make_unique<TSQLiteDatabase>(kDatabaseFileName);
    // A file of another program (or an empty one) is refused before its settings are read and
    // before anything is written beside it.
    layout = CheckLayout(*DB);
    if (!layout.matches) return true;
    RemoveBackupLeftovers(kDatabaseFileName);
    RemoveCreationLeftovers(kDatabaseFileName);
    BackupCount = ReadBackupCount(*DB);
    BackupDate = ReadBackupDate(*DB, today);
    // The copy is made now, before anything writes to the file; waiting for the disk to hold
    // it, and putting it in place, are left to a worker once the window is up.
    const BackupOutcome backup =
        CopyForBackup(DB, kDatabaseFileName, BackupCount, BackupDate, today);
    // The live file is untouched and the old copies are kept; the next start tries again.
    if (backup.failed)
        MessageBox(this, Ui(193) + "\r\r" + backup.error, "Quillmarsh", MB_OK | MB_ICONWARNING);
    backupCopy_ = backup.copy;
    backupDay_ = today;
    return true;
}

bool TForm1::LockDataFile() {
    std::string error;
    const TFileLock::Result result = DataFileLock.Acquire(kDatabaseFileName, &error);
    if (result == TFileLock::kHeld) {
        // Another copy works on the file; this one ends without writing anything.
        MessageBox(this, Ui(196), "Quillmarsh", MB_OK | MB_ICONERROR);
        return false;
    }
    if (result == TFileLock::kNotAFile) {
        // A link to a pipe or a device, or one put under the name since the start looked.
        MessageBox(this, Ui(192), "Quillmarsh", MB_OK | MB_ICONERROR);
        return false;
    }
    // A file this user cannot read or write, or a folder the program cannot write in, is not
    // worked on at all: every step after this one writes, the daily copy and its rotation first.
    Refusal refusal;
    if (result == TFileLock::kUnopened)
        refusal = {201, ShownPath(kDatabaseFileName), error};
    else if (DataFileLock.WriteError() != 0)
        refusal = {199, ShownPath(kDatabaseFileName), std::strerror(DataFileLock.WriteError())};
    else
        refusal = UnwritableFolder(kDatabaseFileName);
    if (refusal.entry != 0) {
        // Let go before the message waits for the user: the owner's copy may start meanwhile.
        DataFileLock.Release();
        MessageBox(this, Ui(refusal.entry) + "\r\r" + refusal.where + ": " + refusal.reason,
                   "Quillmarsh", MB_OK | MB_ICONERROR);
        return false;
    }
    if (result == TFileLock::kUnlocked) {
        // A file system without locks: the engine's own locking is all there is.
        std::fprintf(stderr, "%s: not locked: %s\n", kDatabaseFileName, error.c_str());
    }
    return true;
}

void TForm1::StartPlacingBackup() {
    if (backupCopy_.empty()) return;
    placing_ = std::async(std::launch::async,
                          [this, count = BackupCount, copy = std::exchange(backupCopy_, {})] {
                              BackupOutcome outcome = PlaceBackup(kDatabaseFileName, count, copy);
                              QMetaObject::invokeMethod(
                                  this, [this] { CollectBackup(false); }, Qt::QueuedConnection);
                              return outcome;
                          });
}

void TForm1::CollectBackup(bool wait) {
    if (!placing_.valid()) return;
    if (!wait && placing_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    if (!wait && databaseBusy_) {
        // The indexes are being built in one long transaction: the date waits for its end.
        QTimer::singleShot(100, this, [this] { CollectBackup(false); });
        return;
    }
    const BackupOutcome backup = placing_.get();
    if (backup.copied) {
        BackupDate = backupDay_;
        // Written at once, so that a crash later today does not push the copies along again.
        if (DB && !DbFailed) StoreBackupDate(*DB, BackupDate);
    } else if (backup.failed && !wait) {
        MessageBox(this, Ui(193) + "\r\r" + backup.error, "Quillmarsh", MB_OK | MB_ICONWARNING);
    } else if (backup.damaged) {
        TellDamagedCopy(backup.error);
    }
}

void TForm1::TellDamagedCopy(const AnsiString& findings) {
    // Told even at the close: the user must know before relying on the file or its copies.
    MessageBox(isVisible() ? this : nullptr, NotADataFileText(Ui(206)) + "\r\r" + findings,
               "Quillmarsh", MB_OK | MB_ICONWARNING);
    // The copy was the file as the start found it: the file is checked the same way, and a
    // damaged one is left as a failure of the file in use would leave it, without a write more.
    std::string live;
    if (!DB || DbFailed || !QuickCheck(TSQLiteReader::SharedFile(*DB), live) || live.empty())
        return;
    DbFailed = true;
    MessageBox(isVisible() ? this : nullptr,
               Ui(179) + "\r\r" + NotADataFileText(Ui(203)) + "\r\r" + live, Ui(180),
               MB_OK | MB_ICONERROR);
    std::exit(EXIT_FAILURE);
}

namespace {
// Above this many moves, building the indexes takes long enough to need the progress bar.
constexpr int64_t kIndexRowsWithoutProgress = 100000;

// The indexes only make the program faster: without room for them it works without them, says
// so with the system's reason, and tries again at the next start.
void TellIndexesNotBuilt(TForm1& form, const AnsiString& reason) {
    MessageBox(&form, form.Ui(197) + "\r\r" + reason, "Quillmarsh", MB_OK | MB_ICONWARNING);
}
}  // namespace

void TForm1::PrepareIndexes() {
    if (MissingIndexes(*DB).empty()) return;
    if (MoveRowsEstimate(*DB) <= kIndexRowsWithoutProgress) {
        AnsiString reason;
        if (!EnsureIndexes(*DB, {}, &reason)) TellIndexesNotBuilt(*this, reason);
        return;
    }
    databaseBusy_ = true;
}

void TForm1::CreateIndexesWithProgress() {
    if (!databaseBusy_ || !DB) return;
    // The period bar holds the progress bar; a report tab hides it until the work is done.
    Panel1->SetVisible(true);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetVisible(true);
    AnsiString reason;
    const bool built = EnsureIndexes(
        *DB,
        [this](int position, int max) {
            ProgressBar1->SetMax(max);
            ProgressBar1->SetPosition(position);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        },
        &reason);
    ProgressBar1->SetVisible(false);
    databaseBusy_ = false;
    if (!built) TellIndexesNotBuilt(*this, reason);
    UpdateReportControls();
    FormPaint();
}

void TForm1::DisableAfterFailedStartup() {
    // Every command but Exit needs the database, which is not open: the window only shows
    // that it is there and can be closed.
    for (int n = 1; n < static_cast<int>(actions_.size()); ++n)
        if (actions_[n] && n != 7) actions_[n]->setEnabled(false);
    for (QAction* item : items_)
        if (item) item->setEnabled(false);
    Panel1->setEnabled(false);
    Button1->SetVisible(false);
    UpdateCaption();
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    HeadButtons.ButtonGroup = -1;
    GlyphBitmap.reset();
}

void TForm1::CreateControls() {
    setMinimumSize(800, 300);  // the window is never smaller than this
    ActionMainMenuBar1 = new QMenuBar(this);
    Panel1 = new TPanel(this);
    CheckBox1 = new TCheckBox(Panel1);
    Label1 = new TLabel(Panel1);
    Label2 = new TLabel(Panel1);
    DateTimePicker1 = new TDateTimePicker(Panel1);
    Label3 = new TLabel(Panel1);
    DateTimePicker2 = new TDateTimePicker(Panel1);
    ProgressBar1 = new TProgressBar(Panel1);
    ProgressBar1->SetVisible(false);
    Button1 = new TButton(this);
    ListBox1 = new TListBox(this);
    ListBox1->SetVisible(false);
    Panel2 = new TPanel(this);
    MonthCalendar1 = new TMonthCalendar(Panel2);
    Panel2->SetVisible(false);
    MonthCalendar1->OnClick = [this] { MonthCalendar1Click(); };
    CreateInputControls();
    // The drop-down list, the calendar and the print button have the keys while they are
    // shown; hidden, they give them back to the window.
    KeepKeysInWindow(this);
    CheckBox1->OnClick = [this] { CheckBox1Click(); };
    // The print button has the focus on a report tab; the keys that switch and move tabs still
    // belong to the window.
    Button1->OnKeyDown = [this](int& key, TShiftState shift) {
        if ((key == VK_LEFT || key == VK_RIGHT) && (shift & ssCtrl)) FormKeyDown(key, shift);
    };
    for (TDateTimePicker* p : {DateTimePicker1, DateTimePicker2}) {
        p->OnCloseUp = [this] { CheckBox1Click(); };
        p->OnKeyDown = [this](int& key, TShiftState shift) { DateTimePicker1KeyDown(key, shift); };
    }
    CreateActions();
}

void TForm1::SetCaptions() {
    Label1->SetCaption(Ui(38));
    Label2->SetCaption(Ui(16));
    Label3->SetCaption(Ui(17));
    CreatePopupMenus();
    CreateMainMenu();
    BillColumnCaptions[0] = Ui(30);
    BillColumnCaptions[1] = Ui(31);
    BillColumnCaptions[2] = Ui(32);
    BillColumnCaptions[3] = Ui(84);
    BillColumnCaptions[6] = Ui(85);
    CreateHeadButtons();
}

void TForm1::LayoutBars() {
    const int mb = ActionMainMenuBar1->sizeHint().height();
    ActionMainMenuBar1->setGeometry(0, 0, width(), mb);
    const int h = Panel1Height();
    Panel1->SetBounds(0, height() - h, width(), h);
    int x = 8;
    auto place = [&](TControl* c, QWidget* w, int wide) {
        c->SetBounds(x, (h - w->sizeHint().height()) / 2, wide, w->sizeHint().height());
        x += wide + 6;
    };
    place(CheckBox1, CheckBox1, 20);
    Label1->adjustSize();
    place(Label1, Label1, Label1->width());
    Label2->adjustSize();
    place(Label2, Label2, Label2->width());
    place(DateTimePicker1, DateTimePicker1, 110);
    Label3->adjustSize();
    place(Label3, Label3, Label3->width());
    place(DateTimePicker2, DateTimePicker2, 110);
    ProgressBar1->SetBounds(x + 10, (h - 16) / 2, std::max(50, width() - x - 30), 16);
    // Report tabs have no header buttons: the print button sits in that empty band, clear of
    // the report view and its scroll bar.
    Button1->SetBounds(8, mb + 12, 120, 30);
}

int TForm1::Panel1Height() const {
    return 32;
}

void TForm1::UpdateReportControls() {
    const bool report = CurrentTab().Kind == tkReport;
    Panel1->SetVisible(!report);
    Button1->SetVisible(report);
    Button1->SetCaption(Ui(158));
}

void TForm1::SettleDateFormat() {
    // A choice made in the settings dialog lasts: the desktop's format serves only when none
    // was stored.
    if (storedDateFormatIndex_ >= 1 && storedDateFormatIndex_ <= 4) {
        DateFormatIndex = storedDateFormatIndex_;
        return;
    }
    AnsiString p = LowerCase(SystemShortDateFormat());
    p = StringReplaceAll(p, "mm", "m");
    p = StringReplaceAll(p, "dd", "d");
    p = StringReplaceAll(StringReplaceAll(p, "yy", "y"), "yy", "y");
    if (p == "m/d/y")
        DateFormatIndex = 1;
    else if (p == "d/m/y")
        DateFormatIndex = 2;
    else if (p == "d.m.y")
        DateFormatIndex = 3;
    else if (p == "y-m-d")
        DateFormatIndex = 4;
    else
        DateFormatIndex = 3;
}

void TForm1::ApplyDateFormat() {
    DateFormat = DateFormatOf(DateFormatIndex);
    DateTimePicker1->SetFormat(DateFormat);
    DateTimePicker2->SetFormat(DateFormat);
    ApplyProcessDateFormat(DateFormatIndex);
    FormatSettings().DecimalSeparator = ',';
    LastDate = FormatDateTime(DateFormat, Date());
}

void TForm1::UpdateCaption() {
    setWindowTitle(ToQString(WindowCaption(Title)));
}

void TForm1::FormCreate() {
    ResetMainWindowState();
    DbFailed = false;
    UiStrings = LoadUiStrings();
    CreateControls();
    SetCaptions();
    ConnectAllCommands(*this);
    // Step 4: layout and the tree tab.
    GlyphBitmap.reset();
    DB.reset();
    TabStripTop = 100;
    ContentTop += TabStripTop;
    THeadTab tree;
    tree.Kind = tkTree;
    tree.Caption = Ui(56);
    Head.HeadTabs.push_back(tree);
    BillTypeViews.resize(3);
    // Step 5: the period pickers and defaults.
    for (TDateTimePicker* p : {DateTimePicker1, DateTimePicker2}) {
        p->SetDate(Date());
        p->SetEnabled(false);
        p->SetColor(clBtnFace);
    }
    TitleInReports = false;
    Title = Ui(86);
    MainCurrencyId = -1;
    InstallDatabaseFailureExit();
    move(204, 120);
    resize(800, 446);
    try {
        const bool opened = OpenDatabase();
        // Only a file the program accepts is written to; a refused one still gets its copy.
        if (opened) {
            StartPlacingBackup();
        } else if (!backupCopy_.empty()) {
            PlaceBackup(kDatabaseFileName, BackupCount, std::exchange(backupCopy_, {}));
        }
        if (!opened) {
            terminated_ = true;
            return;
        }
        RemoveEndedCopies();
        PrepareIndexes();
        ReadSettings();
        FinishStartup();
        startupComplete_ = true;
        if (databaseBusy_)
            QMetaObject::invokeMethod(
                this, [this] { CreateIndexesWithProgress(); }, Qt::QueuedConnection);
    } catch (const std::exception& e) {
        // The remaining steps are skipped; the window stays blank and, since the settings were
        // not all read, none are written back at the end.
        ShowException(e);
        DisableAfterFailedStartup();
    }
}

void TForm1::FinishStartup() {
    if (HeadIndex < 0 || HeadIndex >= static_cast<int>(Head.HeadTabs.size())) HeadIndex = 0;
    UpdateReportControls();
    SettleDateFormat();
    // Step 10: the tab strip's surface and the glyphs.
    GlyphBitmap = std::make_unique<TBitmap>(50000, 50);
    LoadGlyphSets();
    Head.FontName = "Arial";
    Head.FontSize = 9;
    const int kind = CurrentTab().Kind;
    HeadButtons.ButtonGroup = kind == tkTree ? 1 : kind == tkLedger ? 0 : -1;
    // Step 11: command enabling.
    if (kind == tkTree) {
        int mode = 3;
        if (SelectBill > 0) {
            auto t = DB->GetTable("select bill_id from bill where id = " + IntToStr(SelectBill));
            if (!t->Eof()) mode = t->FieldAsString(0) == "0" ? 1 : 2;
        }
        DoEnable(mode);
    } else if (kind == tkLedger) {
        DoEnable(4);
    }
    Ledger.CurCol = 0;
    Ledger.CaretPos = 1;
    Ledger.SelStart = 1;
    Ledger.SelLength = 2;
    FilterEnabled = true;
    // The file holds its balances as the program left them, over the period the settings
    // restored (stored with them): a save brings those it touches up to date from the change
    // alone.
    balancesPeriod_ = PeriodInBoxes();
    TrustStoredBalances(*DB, Period());
    UpdateCaption();
    // The tree and the reports convert totals into the main currency: a stored id that names
    // no currency (deleted, or damaged) is treated as none stored.
    if (MainCurrencyId != -1 &&
        DB->GetTable("select id from currency where id = " + IntToStr(MainCurrencyId))->Eof())
        MainCurrencyId = -1;
    if (MainCurrencyId == -1) {
        auto t = DB->GetTable("select id from currency order by id limit 0,1");
        if (!t->Eof()) MainCurrencyId = static_cast<int>(t->FieldAsInteger(0));
    }
    TCanvas& canvas = Canvas();
    canvas.Font = TFont();
    canvas.Font.Name = "Arial";
    canvas.Font.Size = 9;
    BillColumnWidths[0] = canvas.TextWidth("10.10.2010 ") + 4;
    ApplyDateFormat();
    // The window itself takes the keys, as after the period recalculation: were its first
    // control (the period check box) given them when the window is activated, arrows would
    // move nothing and Space would recalculate every balance.
    setFocus();
}

void TForm1::FormDestroy() {
    // A failure from here on (a full disk, another program's lock on the file) is told as every
    // other one is, and the settings stay as they were.
    CollectBackup(true);
    if (!DbFailed && DB && startupComplete_) WriteSettings();
    TSQLiteDatabase::SetFailureHandler({});
    // The connection first: its lock on the file goes with it, not before.
    DB.reset();
    DataFileLock.Release();
    GlyphBitmap.reset();
}

void TForm1::resizeEvent(QResizeEvent* e) {
    if (ActionMainMenuBar1) {
        layoutSize_ = e->size();
        LayoutBars();
    }
    TPaintedWidget::resizeEvent(e);
}

void TForm1::Repaint() {
    FormPaint();
}

}  // namespace qm
