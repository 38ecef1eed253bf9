// The program's own commands on a large household, timed through the main window as a user
// meets them, from the action to the finished repaint: start-up (a later start of the day, the
// first start of a day with its backup copy, and the first start ever on a file without the
// program's indexes), opening the big ledger, a keystroke in a cell, switching between the tree
// and the ledger, saving, editing, duplicating and deleting a move, the period filter; and the
// peak memory of the real program after it opened the big ledger, and after a session of reports
// and an export on top of that. Where the engine answers the
// same query or runs the same statements on its own, that time is measured in the same run and
// reported beside it ("engine_ms") with the ratio.
//
// Sizes: QM_BENCH_MOVES (default 1,000,000 moves) and QM_BENCH_BIG (default 100,000 of them in
// one account); QM_BENCH_SECOND gives the correspondent of the saves (SecondBigAccountId) that
// many moves of its own, so that both accounts of every saved, edited, deleted and duplicated
// move are large. The household is written once per size into QM_BENCH_CACHE (default
// /tmp/qm-bench-cache), as the generator makes it and as the program's first start leaves it,
// and copied for every run. Run:  build/bench/app/app_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "app/program/all_forms.h"
#include "app/store/database_file.h"
#include "app/window/main_window.h"
#include "bench/app/household_file.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/export_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "platform/forms.h"

using namespace qm;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

bench::HouseholdSize Size() {
    return {EnvInt("QM_BENCH_MOVES", 1000000), EnvInt("QM_BENCH_BIG", 100000),
            EnvInt("QM_BENCH_SECOND", 0)};
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

fs::path CacheDir() {
    const char* v = std::getenv("QM_BENCH_CACHE");
    const fs::path dir = v && *v ? fs::path(v) : fs::temp_directory_path() / "qm-bench-cache";
    fs::create_directories(dir);
    return dir;
}

std::string SizeName() {
    const bench::HouseholdSize s = Size();
    return "household-" + std::to_string(s.moves) + "-" + std::to_string(s.bigMoves) +
           (s.secondMoves > 0 ? "-" + std::to_string(s.secondMoves) : "");
}

// The household as the generator writes it: the tables only, no index.
fs::path PlainFile() {
    const fs::path file = CacheDir() / (SizeName() + ".dat");
    if (!fs::exists(file)) {
        const fs::path building = CacheDir() / (SizeName() + ".building");
        bench::WriteHouseholdFile(building, Size());
        fs::rename(building, file);
    }
    return file;
}

// The same file as the program's first start leaves it: with the program's own indexes.
fs::path IndexedFile() {
    // Named for the index layout too, so that a changed layout is built again.
    const fs::path file = CacheDir() / (SizeName() + "-indexed-2.dat");
    if (!fs::exists(file)) {
        const fs::path building = CacheDir() / (SizeName() + "-indexed.building");
        fs::copy_file(PlainFile(), building, fs::copy_options::overwrite_existing);
        {
            TSQLiteDatabase db(building.string());
            EnsureIndexes(db);
        }
        fs::rename(building, file);
    }
    return file;
}

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite3_exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

using Settings = std::vector<std::pair<std::string, std::string>>;

// A private working folder holding a copy of a household with the given settings rows.
struct Folder {
    fs::path dir;
    explicit Folder(const fs::path& household, const Settings& settings) {
        static int serial = 0;
        dir = fs::temp_directory_path() /
              ("qm-bench-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(household, dir / "Quillmarsh.dat");
        sqlite3* db = nullptr;
        sqlite3_open((dir / "Quillmarsh.dat").c_str(), &db);
        for (const auto& [name, value] : settings)
            Exec(db, "insert into param (name, value) values ('" + name + "', '" + value + "')");
        sqlite3_close(db);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

int Today() {
    return static_cast<int>(Date());
}

// The window starts on the tree with the big account selected; no backup on this start unless
// `firstOfDay`.
Settings StartSettings(bool firstOfDay, bool ledgerShown = false) {
    Settings s = {{"reserv-date", std::to_string(Today() - (firstOfDay ? 1 : 0))},
                  {"select-bill", std::to_string(bench::BigAccountId)},
                  {"window-width", "1200"},
                  {"window-height", "800"}};
    if (ledgerShown) {
        s.push_back({"head-bill-001", std::to_string(bench::BigAccountId) + ":1"});
        s.push_back({"head-index", "1"});
    }
    return s;
}

// Lets the window copy its picture to the screen: the end of a repaint as a user sees it.
void Flush() {
    QApplication::processEvents();
}

// The main window on a working folder, as main() makes it.
struct Program {
    std::unique_ptr<Folder> folder;
    std::unique_ptr<TForm1> form;
    Program(const fs::path& household, const Settings& settings)
        : folder(std::make_unique<Folder>(household, settings)) {
        fs::current_path(folder->dir);
        form = std::make_unique<TForm1>();
        CreateDialogs();
        form->resize(1200, 800);
        form->show();
        Flush();
        while (form->DatabaseBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ~Program() {
        DestroyDialogs();
        form.reset();
        fs::current_path(fs::temp_directory_path());
    }
};

// The time of each timed action of one run; the run reports their median ("median_ms"), which
// a stray stall of the shared machine or of the disk does not move as it moves the mean.
struct Samples {
    std::vector<double> ms;
    void Add(benchmark::State& state, double seconds) {
        state.SetIterationTime(seconds);
        ms.push_back(seconds * 1000);
    }
    double Report(benchmark::State& state, const char* counter = "median_ms") {
        if (ms.empty()) return 0;
        std::sort(ms.begin(), ms.end());
        const size_t n = ms.size();
        const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
        state.counters[counter] = median;
        return median;
    }
};

void Key(TForm1& form, char key) {
    form.FormKeyPress(key);
    Flush();
}

// ---- Start-up ----

// Beside the start, the first action right after it (Enter opens the big ledger, "ledger_ms")
// and a close right after that ("close_ms"): on the first start of a day both meet the worker
// that checks and places the day's copy, and the close waits for it.
void StartUp(benchmark::State& state, const fs::path& household, bool firstOfDay) {
    Samples samples, ledger, close;
    for (auto _ : state) {
        Folder folder(household, StartSettings(firstOfDay));
        fs::current_path(folder.dir);
        const auto t0 = Clock::now();
        auto form = std::make_unique<TForm1>();
        CreateDialogs();
        form->resize(1200, 800);
        form->show();
        Flush();
        while (form->DatabaseBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        Flush();
        samples.Add(state, Seconds(t0));
        auto t1 = Clock::now();
        Key(*form, '\r');  // Enter on the selected account opens its ledger
        ledger.ms.push_back(Seconds(t1) * 1000);
        DestroyDialogs();
        t1 = Clock::now();
        form.reset();
        close.ms.push_back(Seconds(t1) * 1000);
        fs::current_path(fs::temp_directory_path());
    }
    samples.Report(state);
    ledger.Report(state, "ledger_ms");
    close.Report(state, "close_ms");
}

void BM_StartUp(benchmark::State& state) {
    StartUp(state, IndexedFile(), false);
}
BENCHMARK(BM_StartUp)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(5);

void BM_StartUpFirstOfDay(benchmark::State& state) {
    StartUp(state, IndexedFile(), true);
}
BENCHMARK(BM_StartUpFirstOfDay)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(5);

// The first start on a file the program has never opened: the backup, then the indexes built
// with the progress bar, to the painted window.
void BM_StartUpBuildingIndexes(benchmark::State& state) {
    StartUp(state, PlainFile(), true);
}
BENCHMARK(BM_StartUpBuildingIndexes)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

// ---- The big ledger ----

const char* const kLedgerQuery =
    "select id, ts, amount, note, dest_bill_id, num, bill_move_id from bill_move where "
    "src_bill_id = ? order by ts, num, id";

// The engine alone: the ledger's query, every column of every row read.
double EngineLedgerSeconds(sqlite3* db, int account) {
    const auto t0 = Clock::now();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kLedgerQuery, -1, &stmt, nullptr);
    sqlite3_bind_int(stmt, 1, account);
    int64_t sink = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        sink += sqlite3_column_int64(stmt, 0);
        sink += sqlite3_column_bytes(stmt, 1) + (sqlite3_column_text(stmt, 1) ? 1 : 0);
        sink += static_cast<int64_t>(sqlite3_column_double(stmt, 2));
        sink += sqlite3_column_bytes(stmt, 3) + (sqlite3_column_text(stmt, 3) ? 1 : 0);
        sink += static_cast<int64_t>(sqlite3_column_double(stmt, 4));
        sink += sqlite3_column_bytes(stmt, 5) + (sqlite3_column_text(stmt, 5) ? 1 : 0);
        sink += static_cast<int64_t>(sqlite3_column_double(stmt, 6));
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sink);
    return Seconds(t0);
}

int TabOf(int account) {
    for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
        if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == account)
            return static_cast<int>(i);
    return -1;
}

void KeyDown(TForm1& form, int key, TShiftState shift = {}) {
    form.FormKeyDown(key, shift);
    Flush();
}

// The engine's time is taken in every iteration too, before the opening in one and after it in
// the next, and each opening is set against the engine's time beside it ("ratio", the median of
// the iterations' ratios): the shared machine's load moves both alike.
void BM_OpenBigLedger(benchmark::State& state) {
    Samples samples, engine;
    std::vector<double> ratios;
    Program p(IndexedFile(), StartSettings(false));
    int turn = 0;
    for (auto _ : state) {
        // Back to the tree with the ledger closed: the next opening reads the account afresh.
        if (int tab = TabOf(bench::BigAccountId); tab > 0) p.form->CloseTab(tab);
        SelectBill = bench::BigAccountId;
        p.form->SwitchToTab(0);
        Flush();
        const bool engineFirst = ++turn % 2 == 1;
        double alone = engineFirst ? EngineLedgerSeconds(DB->Handle(), bench::BigAccountId) : 0;
        const auto t0 = Clock::now();
        Key(*p.form, '\r');  // Enter on the selected account opens its ledger
        const double program = Seconds(t0);
        samples.Add(state, program);
        if (!engineFirst) alone = EngineLedgerSeconds(DB->Handle(), bench::BigAccountId);
        engine.ms.push_back(alone * 1000);
        ratios.push_back(program / alone);
    }
    state.counters["rows"] = static_cast<double>(Ledger.Rows.size());
    std::sort(engine.ms.begin(), engine.ms.end());
    state.counters["engine_ms"] = engine.ms[engine.ms.size() / 2];
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
    samples.Report(state);
}
BENCHMARK(BM_OpenBigLedger)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7)
    ->Repetitions(5);

// A window with the big ledger open and its new row current.
struct LedgerProgram : Program {
    LedgerProgram() : Program(IndexedFile(), StartSettings(false, true)) {
        SelectMove = -1;
        form->PaintBill();
        Flush();
    }
};

// Switching with Ctrl+Left to the tree and Ctrl+Right back to the ledger.
void BM_SwitchTab(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const bool toTree = state.range(0) == 0;
    for (auto _ : state) {
        if (!toTree) KeyDown(*p.form, VK_LEFT, ssCtrl);
        const auto t0 = Clock::now();
        KeyDown(*p.form, toTree ? VK_LEFT : VK_RIGHT, ssCtrl);
        samples.Add(state, Seconds(t0));
        if (toTree) KeyDown(*p.form, VK_RIGHT, ssCtrl);
    }
    samples.Report(state);
}
BENCHMARK(BM_SwitchTab)
    ->ArgName("to_ledger")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20)
    ->Repetitions(5);

// One character typed into the new row: in the note cell (with the completion searching every
// row above for an earlier note, none of which begins with it) or in an amount cell.
void BM_Keystroke(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const int col = static_cast<int>(state.range(0));
    Ledger.CurCol = col;
    Ledger.CaretPos = 1;
    Ledger.SelLength = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        Key(*p.form, col == 2 ? 'Q' : '7');
        samples.Add(state, Seconds(t0));
        Key(*p.form, 8);  // Backspace
    }
    samples.Report(state);
}
BENCHMARK(BM_Keystroke)
    ->ArgName("column")
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20)
    ->Repetitions(5);

// The engine alone: the statements of one save in one transaction, the pair inserted and the
// four balances written; the rows go again afterwards, outside the time.
double EngineSaveSeconds(sqlite3* db, int account, int corr) {
    const auto t0 = Clock::now();
    Exec(db, "begin");
    for (const auto& [src, dest, amount] :
         {std::tuple{account, corr, "-1.00"}, std::tuple{corr, account, "1.00"}})
        Exec(db,
             "insert into bill_move (src_bill_id, dest_bill_id, ts, num, note, amount, kurs, "
             "bill_move_id) values (" +
                 std::to_string(src) + ", " + std::to_string(dest) +
                 ", '20261207', '', "
                 "'engine', " +
                 amount + ", 1, 0)");
    for (int id : {account, corr})
        Exec(db, "update bill set amount = amount, budget_amount = budget_amount where id in (" +
                     std::to_string(id) +
                     ", (select bill_id from bill where id = " + std::to_string(id) + "))");
    Exec(db, "commit");
    const double seconds = Seconds(t0);
    Exec(db, "delete from bill_move where note = 'engine' and ts = '20261207'");
    return seconds;
}

// The correspondent of the saves: the first account of the next group of assets.
constexpr int kCorr = bench::SecondBigAccountId;

// The engine alone: `statements` in one transaction, committed.
double EngineSeconds(sqlite3* db, const std::vector<std::string>& statements) {
    const auto t0 = Clock::now();
    Exec(db, "begin");
    for (const std::string& sql : statements) Exec(db, sql);
    Exec(db, "commit");
    return Seconds(t0);
}

// The balances' statements of a change to moves of `accounts`: each account's row and its
// group's written.
std::vector<std::string> BalanceStatements(std::initializer_list<int> accounts) {
    std::vector<std::string> out;
    for (int id : accounts)
        out.push_back(
            "update bill set amount = amount, budget_amount = budget_amount where id in (" +
            std::to_string(id) + ", (select bill_id from bill where id = " + std::to_string(id) +
            "))");
    return out;
}

// The twin of a stored move.
int TwinOf(sqlite3* db, int move) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select bill_move_id from bill_move where id = ?", -1, &stmt, nullptr);
    sqlite3_bind_int(stmt, 1, move);
    const int twin = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return twin;
}

// The engine alone on the statements of an edit of `move` (every column the edit writes written
// again as it is) and of its deletion (the rows put back afterwards, outside the time): the
// median of five of each.
std::pair<double, double> EngineEditAndDeleteMs(sqlite3* db, int move) {
    const std::string pair =
        "(" + std::to_string(move) + ", " + std::to_string(TwinOf(db, move)) + ")";
    std::vector<double> edits, deletes;
    std::vector<std::string> edit = {
        "update bill_move set ts = ts, num = num, note = note, kurs = kurs where id in " + pair,
        "update bill_move set src_bill_id = src_bill_id, dest_bill_id = dest_bill_id, amount = "
        "amount where id in " +
            pair};
    std::vector<std::string> remove = {"delete from bill_move where id in " + pair};
    for (auto* list : {&edit, &remove})
        for (const std::string& sql : BalanceStatements({bench::BigAccountId, kCorr}))
            list->push_back(sql);
    Exec(db, "create temp table if not exists engine_rows as select * from bill_move where 0");
    for (int i = 0; i < 5; ++i) {
        edits.push_back(EngineSeconds(db, edit) * 1000);
        Exec(db, "insert into engine_rows select * from bill_move where id in " + pair);
        deletes.push_back(EngineSeconds(db, remove) * 1000);
        Exec(db, "insert into bill_move select * from engine_rows; delete from engine_rows");
    }
    std::sort(edits.begin(), edits.end());
    std::sort(deletes.begin(), deletes.end());
    return {edits[2], deletes[2]};
}

void FillNewRow(const AnsiString& amount) {
    TBillMoveRow& row = Ledger.Rows.back();
    Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
    row.Cells[1] = "B1";
    row.Cells[2] = "Bench";
    row.CorrBillId = kCorr;
    row.Cells[3] = "A:Assets group 2-Assets group 2 account 1";
    row.Cells[5] = amount;
    Ledger.Editing = true;
}

// Enter on a typed new row: the pair stored, both balances and groups recalculated, the ledger
// repainted. The engine's own time for the same statements is taken after the saves (its rows
// would otherwise be changes the program did not make, which it must read the sums afresh for).
void BM_SaveNewMove(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const auto save = [&] {
        SelectMove = -1;
        p.form->PaintBill();
        FillNewRow("12,34");
        const auto t0 = Clock::now();
        Key(*p.form, '\r');
        return Seconds(t0);
    };
    // The first save of a session reads the two accounts' moves for their sums.
    state.counters["first_ms"] = save() * 1000;
    for (auto _ : state) samples.Add(state, save());
    double engine = 0;
    for (int i = 0; i < 10; ++i)
        engine += EngineSaveSeconds(DB->Handle(), bench::BigAccountId, kCorr);
    state.counters["engine_ms"] = engine * 1000 / 10;
    state.counters["ratio"] = samples.Report(state) / (engine * 1000 / 10);
}
BENCHMARK(BM_SaveNewMove)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(5);

// A move in the middle of the big ledger, made current: the middle one of those with the
// correspondent of the saves where there are any (with a second big account both of its accounts
// are large).
void SelectMiddleMove(TForm1& form) {
    std::vector<int> withCorr;
    for (const TBillMoveRow& row : std::as_const(Ledger.Rows))
        if (row.Id > 0 && row.CorrBillId == kCorr) withCorr.push_back(row.Id);
    SelectMove =
        withCorr.empty() ? Ledger.Rows[Ledger.Rows.size() / 2].Id : withCorr[withCorr.size() / 2];
    form.PaintBill();
}

// The engine's times for an edit and a deletion of the move SelectMiddleMove makes current.
void ReportEngineEditAndDelete(benchmark::State& state, TForm1& form, double programMs, bool edit) {
    SelectMiddleMove(form);
    const auto [editMs, deleteMs] = EngineEditAndDeleteMs(DB->Handle(), SelectMove);
    const double engine = edit ? editMs : deleteMs;
    state.counters["engine_ms"] = engine;
    state.counters["ratio"] = programMs / engine;
}

// Changing the amount of a stored move in the middle of the ledger and pressing Enter.
void BM_EditMove(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    int turn = 0;
    const auto edit = [&] {
        SelectMiddleMove(*p.form);
        TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
        row.Cells[4].clear();
        row.Cells[5] = ++turn % 2 ? "11,11" : "22,22";
        Ledger.Editing = true;
        const auto t0 = Clock::now();
        Key(*p.form, '\r');
        return Seconds(t0);
    };
    state.counters["first_ms"] = edit() * 1000;
    for (auto _ : state) samples.Add(state, edit());
    ReportEngineEditAndDelete(state, *p.form, samples.Report(state), true);
}
BENCHMARK(BM_EditMove)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(5);

// Deleting the selected move (the question answered OK).
void BM_DeleteMove(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const auto remove = [&] {
        SelectMiddleMove(*p.form);
        const auto t0 = Clock::now();
        p.form->Action21Execute();
        Flush();
        return Seconds(t0);
    };
    state.counters["first_ms"] = remove() * 1000;
    for (auto _ : state) samples.Add(state, remove());
    ReportEngineEditAndDelete(state, *p.form, samples.Report(state), false);
}
BENCHMARK(BM_DeleteMove)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(5);

// Duplicating the selected move into the new row and storing the copy.
void BM_DuplicateMove(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const auto duplicate = [&] {
        SelectMiddleMove(*p.form);
        const auto t0 = Clock::now();
        p.form->Action20Execute();
        Key(*p.form, '\r');
        return Seconds(t0);
    };
    state.counters["first_ms"] = duplicate() * 1000;
    for (auto _ : state) samples.Add(state, duplicate());
    double engine = 0;
    for (int i = 0; i < 10; ++i)
        engine += EngineSaveSeconds(DB->Handle(), bench::BigAccountId, kCorr);
    state.counters["engine_ms"] = engine * 1000 / 10;
    state.counters["ratio"] = samples.Report(state) / (engine * 1000 / 10);
}
BENCHMARK(BM_DuplicateMove)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(5);

// The engine alone: one pass over every move, amounts and dates read, as a new period needs.
double EnginePeriodSeconds(sqlite3* db) {
    const auto t0 = Clock::now();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select src_bill_id, amount, ts from bill_move order by id", -1, &stmt,
                       nullptr);
    double sink = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        sink += sqlite3_column_double(stmt, 0) + sqlite3_column_double(stmt, 1) +
                sqlite3_column_bytes(stmt, 2);
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sink);
    return Seconds(t0);
}

// Turning the period filter on (one year) and off again, with the big ledger shown: every
// balance recalculated and the ledger rebuilt.
void BM_PeriodFilter(benchmark::State& state) {
    Samples samples;
    LedgerProgram p;
    const bool on = state.range(0) == 1;
    p.form->DateTimePicker1->SetDate(EncodeDate(2024, 1, 1));
    p.form->DateTimePicker2->SetDate(EncodeDate(2024, 12, 31));
    Samples engine;
    for (auto _ : state) {
        if (!on) p.form->CheckBox1->SetChecked(true);
        engine.ms.push_back(EnginePeriodSeconds(DB->Handle()) * 1000);
        const auto t0 = Clock::now();
        p.form->CheckBox1->SetChecked(on);  // fires the click, as a user's does
        Flush();
        samples.Add(state, Seconds(t0));
        if (on) p.form->CheckBox1->SetChecked(false);
    }
    std::sort(engine.ms.begin(), engine.ms.end());
    const double alone = engine.ms[engine.ms.size() / 2];
    state.counters["engine_ms"] = alone;
    state.counters["ratio"] = samples.Report(state) / alone;
}
BENCHMARK(BM_PeriodFilter)
    ->ArgName("on")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(5);

// ---- The real program as a process ----

long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::atol(field.c_str());
        if (i == 15) stime = std::atol(field.c_str());
    }
    return utime + stime;
}

// A "VmHWM:"-like line of /proc/PID/status, in megabytes.
double StatusMegabytes(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size()) / 1024.0;
    return -1;
}

// Starts the program in `folder` without a display and with a runtime folder of its own (the
// single-instance lock lives there), waits until it has painted its window and gone quiet, and
// reads its peak and present memory. The time is from the start to the quiet (a rough figure:
// the quiet is noticed within a poll).
struct ProcessFigures {
    double seconds = 0, peakMb = 0, rssMb = 0;
};
ProcessFigures RunProgram(const fs::path& folder) {
    const fs::path runtime = folder / "runtime";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        execl(QM_PROGRAM, QM_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    // Quiet: less than a tenth of a second of processor time over the last second (the caret
    // still blinks twice a second).
    std::vector<long> samples;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        samples.push_back(CpuTicks(pid));
        if (samples.size() > 20 && samples.back() >= 0 &&
            samples.back() - samples[samples.size() - 21] < sysconf(_SC_CLK_TCK) / 10)
            break;
    }
    ProcessFigures f;
    f.seconds = Seconds(t0) - 1.0;  // the quiet second itself
    f.peakMb = StatusMegabytes(pid, "VmHWM:");
    f.rssMb = StatusMegabytes(pid, "VmRSS:");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return f;
}

// The real program started with the big ledger as its current tab (as a user left it): peak
// memory after the ledger is open; and started on the tree, for comparison.
void BM_ProgramMemory(benchmark::State& state) {
    const bool ledger = state.range(0) == 1;
    ProcessFigures last;
    for (auto _ : state) {
        Folder folder(IndexedFile(), StartSettings(false, ledger));
        last = RunProgram(folder.dir);
        state.SetIterationTime(last.seconds);
    }
    state.counters["peak_MB"] = last.peakMb;
    state.counters["rss_MB"] = last.rssMb;
}
BENCHMARK(BM_ProgramMemory)
    ->ArgName("big_ledger")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

// ---- A session of reports and an export, as a process ----

// Runs a menu command whose modal dialog `act` drives, and lets the window repaint.
template <typename Form>
void Command(TForm1& form, int action, const std::function<void(Form&)>& act) {
    TForm::SetModalDriver([&](TForm& f) { act(static_cast<Form&>(f)); });
    form.Action(action)->trigger();
    Flush();
    TForm::SetModalDriver({});
}

int ItemOf(const std::vector<int>& ids, int id) {
    return static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin());
}

const TDateTime kFirstDay = EncodeDate(2019, 1, 1);
const TDateTime kLastDay = EncodeDate(2026, 12, 31);

// The day of the big account's 60,000th move: the export's period ends there.
TDateTime ExportLastDay() {
    return YmdToDate(DB->GetTable("select ts from bill_move where src_bill_id = " +
                                  IntToStr(bench::BigAccountId) +
                                  " order by ts limit 1 offset 59999")
                         ->FieldAsString(0));
}

// One step of the session after another, each leaving its report tab open as a user would:
// the balance of every income and spending account, the big account's table, a pie of the
// assets groups over all moves, and an export of 60,000 of the big account's moves. Prints
// the peak and present resident size after opening and after each step, in megabytes.
int RunSession() {
    Program p(IndexedFile(), StartSettings(false, true));
    auto figures = [](const char* step) {
        const pid_t self = getpid();
        std::printf("%s %.1f %.1f\n", step, StatusMegabytes(self, "VmHWM:"),
                    StatusMegabytes(self, "VmRSS:"));
    };
    figures("ledger");
    Command<TForm13>(*p.form, 31, [](TForm13& d) {
        for (TDateTimePicker* from : {d.DateTimePicker1, d.DateTimePicker3})
            from->SetDate(kFirstDay);
        for (TDateTimePicker* to : {d.DateTimePicker2, d.DateTimePicker4}) to->SetDate(kLastDay);
        for (TListBox* list : {d.ListBox2, d.ListBox4})
            while (list->Items().Count() > 0) {
                list->SetItemIndex(0);
                list == d.ListBox2 ? d.Button1Click() : d.Button3Click();
            }
        d.Button5Click();
    });
    figures("balance");
    Command<TForm16>(*p.form, 30, [](TForm16& d) {
        d.ComboBox1->SetItemIndex(ItemOf(d.BillIds, bench::BigAccountId));
        d.DateTimePicker1->SetDate(kFirstDay);
        d.DateTimePicker2->SetDate(kLastDay);
        d.Button1Click();
    });
    figures("table");
    Command<TForm14>(*p.form, 22, [](TForm14& d) {
        d.DateTimePicker1->SetDate(kFirstDay);
        d.DateTimePicker2->SetDate(kLastDay);
        d.ComboBox1->SetItemIndex(d.ComboBox1->Items().IndexOf("Assets"));
        d.Button1Click();
    });
    figures("chart");
    const fs::path target = p.folder->dir / "moves.xls";
    SetFileDialogHook([&](const FileDialogRequest&) { return std::vector<fs::path>{target}; });
    const TDateTime last = ExportLastDay();
    Command<TForm9>(*p.form, 23, [&](TForm9& d) {
        d.ComboBox1->SetItemIndex(ItemOf(d.AccountIds, bench::BigAccountId));
        d.DateTimePicker1->SetDate(kFirstDay);
        d.DateTimePicker2->SetDate(last);
        d.Button1Click();
    });
    SetFileDialogHook({});
    // The window goes quiet as it would in front of a user.
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QApplication::processEvents();
    }
    figures(fs::exists(target) ? "export" : "no-export");
    std::fflush(stdout);
    return 0;
}

// The session above in a process of its own (this program started again with QM_BENCH_SESSION
// set), so that its peak is its own: peak and present resident size after each step.
void BM_SessionMemory(benchmark::State& state) {
    std::map<std::string, std::pair<double, double>> steps;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const std::string command =
            "QM_BENCH_SESSION=1 '" + fs::read_symlink("/proc/self/exe").string() + "' 2>/dev/null";
        FILE* child = popen(command.c_str(), "r");
        if (!child) throw std::runtime_error("cannot start the session");
        char step[32];
        double peak = 0, rss = 0;
        while (std::fscanf(child, "%31s %lf %lf", step, &peak, &rss) == 3)
            steps[step] = {peak, rss};
        pclose(child);
        state.SetIterationTime(Seconds(t0));
    }
    if (steps.count("export") == 0) state.SkipWithError("the export made no file");
    for (const char* step : {"ledger", "balance", "table", "chart", "export"}) {
        state.counters[std::string(step) + "_peak_MB"] = steps[step].first;
        if (std::string(step) == "export") state.counters["export_rss_MB"] = steps[step].second;
    }
}
BENCHMARK(BM_SessionMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A runtime folder of its own, as every start of the program gets one.
    const fs::path runtime =
        fs::temp_directory_path() / ("qm-bench-runtime-" + std::to_string(getpid()));
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    QApplication app(argc, argv);
    // Message boxes (none is expected) are answered at once instead of waiting for a click.
    SetMessageBoxHook([](QWidget*, const AnsiString&, const AnsiString&, int) { return IDOK; });
    if (std::getenv("QM_BENCH_SESSION")) {
        const int code = RunSession();
        fs::remove_all(runtime);
        return code;
    }
    benchmark::Initialize(&argc, argv);
    IndexedFile();  // made before any figure is taken
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(runtime);
    return 0;
}
