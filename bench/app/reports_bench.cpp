// The reports, the charts, the spreadsheet export and the QIF import timed as a user meets them:
// each command runs through the main window and its dialog (driven as the tests drive them) on
// the large household, from the action to the window painted and its events processed. Beside
// each figure stands the engine's own time for the statement the command runs, as a ratio in
// the same run ("x_engine": the command's time over the engine's).
//
// Sizes: QM_BENCH_MOVES (default 1,000,000 moves) and QM_BENCH_BIG (100,000 of them in one
// account); the household is written once per size under /tmp and copied for every run. The
// import reads a QIF file of QM_BENCH_QIF_MOVES (default 100,000) moves written by the
// program's own export, into a new file. Medians of five runs:
//   build/bench/app/reports_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QLocale>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "app/exchange/qif_export.h"
#include "app/program/all_forms.h"
#include "app/reports/report_text.h"
#include "app/store/database_file.h"
#include "app/window/main_window.h"
#include "bench/app/household_file.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/export_dialog.h"
#include "dialogs/qif_mapping_dialog.h"
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

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Writes `target` through `write` once: into a temporary name first, so that a run cut short
// leaves no half file behind for the next one to trust.
fs::path Cached(const fs::path& target, const std::function<void(const fs::path&)>& write) {
    if (fs::exists(target)) return target;
    fs::create_directories(target.parent_path());
    const fs::path partial = target.string() + ".partial-" + std::to_string(getpid());
    write(partial);
    fs::rename(partial, target);
    return target;
}

fs::path HouseholdFile(int moves, int big) {
    const fs::path file = fs::temp_directory_path() /
                          ("qm-household-" + std::to_string(moves) + "-" + std::to_string(big)) /
                          "Quillmarsh.dat";
    return Cached(file, [&](const fs::path& p) { bench::WriteHouseholdFile(p, {moves, big}); });
}

// The program's own export of a household of `moves` moves: every move stands in both of its
// accounts' sections, as a user moving from one file to another would import it.
fs::path QifFile(int moves) {
    const fs::path file =
        fs::temp_directory_path() / ("qm-household-qif-" + std::to_string(moves)) / "household.qif";
    return Cached(file, [&](const fs::path& p) {
        const fs::path db = p.string() + ".dat";
        bench::WriteHouseholdFile(db, {moves, moves / 10});
        TSQLiteDatabase source(db.string());
        std::ofstream(p, std::ios::binary)
            << QifExportText(source, "dd.MM.yyyy", EncodeDate(2026, 12, 7));
        fs::remove(db);
    });
}

// The engine alone: the statement stepped to its end, every column read as the program reads
// it, no conversion of ours. Seconds, the best of three.
double EngineSeconds(const fs::path& file, const std::vector<std::string>& statements) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + file.string());
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        for (const std::string& sql : statements) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(db));
            double sum = 0;
            size_t bytes = 0;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                    // Each value in its own storage class: no conversion the engine would not
                    // make for the program either.
                    if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                        bytes += static_cast<size_t>(sqlite3_column_bytes(stmt, c));
                    else
                        sum += sqlite3_column_double(stmt, c);
                }
            benchmark::DoNotOptimize(sum);
            benchmark::DoNotOptimize(bytes);
            sqlite3_finalize(stmt);
        }
        best = std::min(best, Seconds(start));
    }
    sqlite3_close(db);
    return best;
}

// The program started in a folder of its own on a copy of the household, its dialogs created,
// its window shown (offscreen) at a desktop size.
class Program {
  public:
    explicit Program(const fs::path& household) {
        dir_ = fs::temp_directory_path() / ("qm-reports-bench-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "runtime");
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
        fs::current_path(dir_);
        if (!household.empty()) fs::copy_file(household, dir_ / "Quillmarsh.dat");
        SetMessageBoxHook(
            [](QWidget*, const AnsiString&, const AnsiString&, int) { return IDYES; });
        form_ = std::make_unique<TForm1>();
        CreateDialogs();
        form_->resize(1200, 800);
        form_->show();
        QApplication::processEvents();
    }
    ~Program() {
        DestroyDialogs();
        form_.reset();
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }
    TForm1& form() { return *form_; }
    fs::path file() const { return dir_ / "Quillmarsh.dat"; }
    const fs::path& dir() const { return dir_; }

    // Runs a menu command whose modal dialog `act` drives, up to the repainted window.
    template <typename Form>
    double Command(int action, const std::function<void(Form&)>& act) {
        TForm::SetModalDriver([&](TForm& f) { act(static_cast<Form&>(f)); });
        const auto start = Clock::now();
        form_->Action(action)->trigger();
        QApplication::processEvents();
        const double seconds = Seconds(start);
        TForm::SetModalDriver({});
        return seconds;
    }

    // Closes the report tabs a run added.
    void CloseReports() {
        while (Head.HeadTabs.size() > 1 && Head.HeadTabs.back().Kind == tkReport)
            form_->CloseTab(static_cast<int>(Head.HeadTabs.size()) - 1);
        QApplication::processEvents();
    }

  private:
    fs::path dir_;
    std::unique_ptr<TForm1> form_;
};

int Moves() {
    return EnvInt("QM_BENCH_MOVES", 1000000);
}
int BigMoves() {
    return EnvInt("QM_BENCH_BIG", 100000);
}

// One program runs at a time: the household's, kept across the benchmarks that read it, or an
// import's.
std::unique_ptr<Program>& Running() {
    static std::unique_ptr<Program> program;
    return program;
}
bool householdRunning = false;

Program& Household() {
    if (!householdRunning) {
        Running().reset();
        Running() = std::make_unique<Program>(HouseholdFile(Moves(), BigMoves()));
        householdRunning = true;
    }
    return *Running();
}

// Every move of the household lies between these dates.
const TDateTime kFirstDay = EncodeDate(2019, 1, 1);
const TDateTime kLastDay = EncodeDate(2026, 12, 31);

void AllOf(TListBox& available, const std::function<void()>& choose) {
    while (available.Items().Count() > 0) {
        available.SetItemIndex(0);
        choose();
    }
}

// With QM_BENCH_TEXTS set to a folder, each report's text is written there under the
// benchmark's name, for comparing the texts of two builds on the same household.
void KeepText(const char* name) {
    const char* folder = std::getenv("QM_BENCH_TEXTS");
    if (!folder || !*folder || Head.HeadTabs.back().Kind != tkReport) return;
    std::ofstream(fs::path(folder) / (std::string(name) + ".txt"), std::ios::binary)
        << Head.HeadTabs.back().ReportText;
}

// The same folder gets the export's workbook and the import's rows, for the same comparison.
void KeepFile(const fs::path& file, const char* name) {
    const char* folder = std::getenv("QM_BENCH_TEXTS");
    if (!folder || !*folder || !fs::exists(file)) return;
    fs::copy_file(file, fs::path(folder) / name, fs::copy_options::overwrite_existing);
}

void KeepImportedRows() {
    const char* folder = std::getenv("QM_BENCH_TEXTS");
    if (!folder || !*folder) return;
    std::ofstream out(fs::path(folder) / "import.txt", std::ios::binary);
    for (const char* query :
         {"select * from bill order by id", "select * from bill_move order by id"}) {
        auto t = DB->GetTable(query);
        for (; !t->Eof(); t->Next()) {
            for (int c = 0; c < t->ColCount(); ++c) out << t->FieldAsString(c) << '|';
            out << '\n';
        }
    }
}

void Report(benchmark::State& state, const char* name, double engine,
            const std::function<double()> run) {
    double total = 0;
    for (auto _ : state) {
        const double seconds = run();
        state.SetIterationTime(seconds);
        total += seconds;
        state.PauseTiming();
        KeepText(name);
        Household().CloseReports();
        state.ResumeTiming();
    }
    state.counters["engine_ms"] = engine * 1000;
    state.counters["x_engine"] = total / static_cast<double>(state.iterations()) / engine;
}

// What the balance and pie reports ask the engine for: each account's moves of the period.
std::vector<std::string> PeriodMoves(const AnsiString& accounts) {
    std::vector<std::string> statements;
    auto ids = DB->GetTable("select id from bill where bill_id > 0 and " + accounts);
    for (; !ids->Eof(); ids->Next())
        statements.push_back("select id, amount from bill_move where src_bill_id = " +
                             ids->FieldAsString(0) + " and ts >= '20190101' and ts <= '20261231'");
    return statements;
}

// The balance of every income and spending account over the whole history.
void BM_BalanceReportAllAccounts(benchmark::State& state) {
    Program& p = Household();
    const double engine = EngineSeconds(p.file(), PeriodMoves("bill_type_id in (1, 3)"));
    Report(state, "balance", engine, [&] {
        return p.Command<TForm13>(31, [](TForm13& d) {
            for (TDateTimePicker* from : {d.DateTimePicker1, d.DateTimePicker3})
                from->SetDate(kFirstDay);
            for (TDateTimePicker* to : {d.DateTimePicker2, d.DateTimePicker4})
                to->SetDate(kLastDay);
            AllOf(*d.ListBox2, [&] { d.Button1Click(); });
            AllOf(*d.ListBox4, [&] { d.Button3Click(); });
            d.Button5Click();
        });
    });
}
BENCHMARK(BM_BalanceReportAllAccounts)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

int ItemOf(const std::vector<int>& ids, int id) {
    return static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin());
}

// Every move of the big account: the tab painted and the window's events processed.
void BM_TableReportBigAccount(benchmark::State& state) {
    Program& p = Household();
    const double engine = EngineSeconds(
        p.file(), {"select ts, num, note, amount from bill_move where src_bill_id = " +
                   std::to_string(bench::BigAccountId) + " order by ts, num, id"});
    // Every run ends the period a day earlier (after the last move): each text is new to the
    // window, which measures it afresh as it would a report the user had not seen.
    static int run = 0;
    Report(state, "table", engine, [&] {
        return p.Command<TForm16>(30, [](TForm16& d) {
            d.ComboBox1->SetItemIndex(ItemOf(d.BillIds, bench::BigAccountId));
            d.DateTimePicker1->SetDate(kFirstDay);
            d.DateTimePicker2->SetDate(kLastDay - run++ % 20);
            d.Button1Click();
        });
    });
}
BENCHMARK(BM_TableReportBigAccount)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// One scroll step in the middle of that report: what every click on its scroll bar costs.
void BM_TableReportScrollStep(benchmark::State& state) {
    Program& p = Household();
    p.Command<TForm16>(30, [](TForm16& d) {
        d.ComboBox1->SetItemIndex(ItemOf(d.BillIds, bench::BigAccountId));
        d.DateTimePicker1->SetDate(kFirstDay);
        d.DateTimePicker2->SetDate(kLastDay);
        d.Button1Click();
    });
    for (auto _ : state) {
        p.form().ReportScroll.Position =
            p.form().ReportScroll.Maximum / 2 + static_cast<int>(state.iterations() % 2) * 100;
        const auto start = Clock::now();
        p.form().FormPaint();
        QApplication::processEvents();
        state.SetIterationTime(Seconds(start));
    }
    p.CloseReports();
}
BENCHMARK(BM_TableReportScrollStep)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// A pie of the groups of the assets type, through which every move of the household passes.
void BM_ChartsGroupPieAllMoves(benchmark::State& state) {
    Program& p = Household();
    const double engine = EngineSeconds(p.file(), PeriodMoves("bill_type_id = 2"));
    Report(state, "group-pie", engine, [&] {
        return p.Command<TForm14>(22, [](TForm14& d) {
            d.DateTimePicker1->SetDate(kFirstDay);
            d.DateTimePicker2->SetDate(kLastDay);
            d.ComboBox1->SetItemIndex(d.ComboBox1->Items().IndexOf("Assets"));
            d.Button1Click();
        });
    });
}
BENCHMARK(BM_ChartsGroupPieAllMoves)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// A pie of the accounts of the big account's group.
void BM_ChartsAccountPieBigGroup(benchmark::State& state) {
    Program& p = Household();
    const int group = static_cast<int>(
        DB->GetTable("select bill_id from bill where id = " + IntToStr(bench::BigAccountId))
            ->FieldAsInteger(0));
    const double engine = EngineSeconds(p.file(), PeriodMoves("bill_id = " + IntToStr(group)));
    Report(state, "account-pie", engine, [&] {
        return p.Command<TForm14>(22, [&](TForm14& d) {
            d.DateTimePicker1->SetDate(kFirstDay);
            d.DateTimePicker2->SetDate(kLastDay);
            d.RadioButton4->SetChecked(true);
            d.ComboBox2->SetItemIndex(ItemOf(d.GroupIds, group));
            d.Button1Click();
        });
    });
}
BENCHMARK(BM_ChartsAccountPieBigGroup)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// Five accounts, the big one among them, by months and by balances, as bars.
void BM_ChartsTimeChartFiveAccounts(benchmark::State& state) {
    Program& p = Household();
    std::vector<std::string> statements;
    for (int id = bench::BigAccountId; id < bench::BigAccountId + 5; ++id) {
        const std::string account =
            "select id, amount, ts from bill_move where src_bill_id = " + std::to_string(id);
        statements.push_back(account + " and ts >= '20200101' and ts <= '20261231'");
        statements.push_back(account + " and ts < '20200101'");
    }
    const double engine = EngineSeconds(p.file(), statements);
    Report(state, "time-chart", engine, [&] {
        return p.Command<TForm14>(22, [](TForm14& d) {
            d.DateTimePicker1->SetDate(EncodeDate(2020, 1, 1));
            d.DateTimePicker2->SetDate(kLastDay);
            d.RadioButton2->SetChecked(true);
            for (int id : {bench::BigAccountId, bench::BigAccountId + 1, bench::BigAccountId + 2,
                           bench::BigAccountId + 3, bench::BigAccountId + 4}) {
                d.ListBox2->SetItemIndex(ItemOf(d.AvailableIds, id));
                d.SpeedButton1Click();
            }
            d.ComboBox3->SetItemIndex(2);
            d.ComboBox4->SetItemIndex(1);
            d.CheckBox1->SetChecked(true);
            d.Button1Click();
        });
    });
}
BENCHMARK(BM_ChartsTimeChartFiveAccounts)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// The big account's moves up to the day its 60,000th move falls on, into a workbook.
void BM_SpreadsheetExport60000Rows(benchmark::State& state) {
    Program& p = Household();
    const AnsiString last =
        DB->GetTable("select ts from bill_move where src_bill_id = " +
                     IntToStr(bench::BigAccountId) + " order by ts limit 1 offset 59999")
            ->FieldAsString(0);
    const double engine = EngineSeconds(
        p.file(), {"select id, ts, amount, note, dest_bill_id, num, bill_move_id from bill_move "
                   "where src_bill_id = " +
                   std::to_string(bench::BigAccountId) + " order by ts, num, id"});
    const fs::path target = p.dir() / "moves.xls";
    SetFileDialogHook([&](const FileDialogRequest&) { return std::vector<fs::path>{target}; });
    Report(state, "export", engine, [&] {
        return p.Command<TForm9>(23, [&](TForm9& d) {
            d.ComboBox1->SetItemIndex(ItemOf(d.AccountIds, bench::BigAccountId));
            d.DateTimePicker1->SetDate(kFirstDay);
            d.DateTimePicker2->SetDate(YmdToDate(last));
            d.Button1Click();
        });
    });
    SetFileDialogHook({});
    KeepFile(target, "export.xls");
    state.counters["rows"] = static_cast<double>(
        DB->GetTable("select count(*) from bill_move where src_bill_id = " +
                     IntToStr(bench::BigAccountId) + " and ts <= '" + last + "'")
            ->FieldAsInteger(0));
    state.counters["bytes"] = static_cast<double>(fs::file_size(target));
}
BENCHMARK(BM_SpreadsheetExport60000Rows)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// The engine's own insert of the same rows: one prepared statement, one transaction, into a
// file with the indexes the program's start adds, which every insert keeps up to date too.
double EngineInsertSeconds(const fs::path& source, int rows) {
    const fs::path file = fs::temp_directory_path() /
                          ("qm-reports-bench-engine-" + std::to_string(getpid()) + ".dat");
    fs::copy_file(source, file, fs::copy_options::overwrite_existing);
    {
        TSQLiteDatabase indexed(file.string());
        EnsureIndexes(indexed);
    }
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA SYNCHRONOUS=NORMAL; begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,"
                       "bill_move_id) values (?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &stmt, nullptr);
    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        sqlite3_bind_int(stmt, 1, 1 + i % 200);
        sqlite3_bind_int(stmt, 2, 1 + (i * 7) % 200);
        sqlite3_bind_text(stmt, 3, "20240101", -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 4, "1024", -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 5, "Groceries 12", -1, SQLITE_STATIC);
        sqlite3_bind_double(stmt, 6, i % 2 ? 12.5 : -12.5);
        sqlite3_bind_double(stmt, 7, 1.0);
        sqlite3_bind_int(stmt, 8, i % 2 ? i : i + 2);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    const double seconds = Seconds(start);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    fs::remove(file);
    return seconds;
}

// A new user's first import: the QIF file of a whole household into a new file, every account
// given its type in the mapping dialog; up to the repainted tree.
void BM_QifImport100000Moves(benchmark::State& state) {
    const int moves = EnvInt("QM_BENCH_QIF_MOVES", 100000);
    const fs::path qif = QifFile(moves);
    const fs::path empty = Cached(
        fs::temp_directory_path() / "qm-household-empty" / "Quillmarsh.dat",
        [](const fs::path& p) { CreateDatabaseFile(p.string(), "Income", "Assets", "Spending"); });
    const double engine = EngineInsertSeconds(empty, 2 * moves);
    SetFileDialogHook([&](const FileDialogRequest&) { return std::vector<fs::path>{qif}; });
    double total = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Running().reset();
        householdRunning = false;
        Running() = std::make_unique<Program>(empty);
        Program& p = *Running();
        state.ResumeTiming();
        const double seconds = p.Command<TForm17>(5, [](TForm17& d) {
            // Each account takes the type its name starts with.
            for (int t = 0; t < 3; ++t) {
                d.ComboBox1->SetItemIndex(t);
                const char* prefix = t == 0 ? "Income" : t == 1 ? "Assets" : "Spending";
                for (int i = d.ListBox2->Items().Count() - 1; i >= 0; --i) {
                    if (d.ListBox2->Items()[i].rfind(prefix, 0) != 0) continue;
                    d.ListBox2->SetItemIndex(i);
                    d.SpeedButton1Click();
                }
            }
            d.ComboBox1->SetItemIndex(1);
            while (d.ListBox2->Items().Count() > 0) {
                d.ListBox2->SetItemIndex(0);
                d.SpeedButton1Click();
            }
            d.Button1Click();
        });
        state.SetIterationTime(seconds);
        total += seconds;
        state.PauseTiming();
        rows = DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0);
        KeepImportedRows();
        state.ResumeTiming();
    }
    SetFileDialogHook({});
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["engine_ms"] = engine * 1000;
    state.counters["x_engine"] = total / static_cast<double>(state.iterations()) / engine;
}
BENCHMARK(BM_QifImport100000Moves)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Running().reset();
    return 0;
}
