// Loading and painting a large household: the ledger load of one account with many moves, one
// tree paint and one ledger paint, on a file with no index of the benchmark's own. Sizes:
// QM_BENCH_MOVES (default 1,000,000 moves in all) and QM_BENCH_BIG (default 100,000 of them in
// one account).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "app/store/database_file.h"
#include "app/store/ledger_buffer.h"
#include "app/window/main_window.h"
#include "bench/app/household_file.h"
#include "platform/dialogs.h"

using namespace qm;

namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

struct Fixture {
    std::filesystem::path dir;
    std::unique_ptr<TForm1> form;
    Fixture() {
        dir = std::filesystem::temp_directory_path() / "qm-bench";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        bench::WriteHouseholdFile(dir / "Quillmarsh.dat", {EnvInt("QM_BENCH_MOVES", 1000000),
                                                           EnvInt("QM_BENCH_BIG", 100000)});
        SetMessageBoxHook([](QWidget*, const AnsiString&, const AnsiString&, int) { return IDOK; });
        form = std::make_unique<TForm1>();
        form->resize(1200, 800);
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_GetBillMoveLargeAccount(benchmark::State& state) {
    Fixture& f = Shared();
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = bench::BigAccountId;
    tab.BillTypeId = 2;
    for (auto _ : state) {
        tab.BufRows.clear();
        LoadBuffer(*DB, tab, "20261207");
        benchmark::DoNotOptimize(BuildDisplayedRows(tab, {}, 0, "07.12.2026"));
    }
    state.counters["moves"] = static_cast<double>(tab.BufRows.size());
    (void)f;
}
BENCHMARK(BM_GetBillMoveLargeAccount)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintMain(benchmark::State& state) {
    Fixture& f = Shared();
    HeadIndex = 0;
    for (auto _ : state) f.form->PaintMain();
}
BENCHMARK(BM_PaintMain)->Unit(benchmark::kMillisecond);

void BM_PaintBill(benchmark::State& state) {
    Fixture& f = Shared();
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = bench::BigAccountId;
    tab.BillTypeId = 2;
    tab.Caption = "Assets group 1 account 1";
    Head.HeadTabs.push_back(tab);
    HeadIndex = static_cast<int>(Head.HeadTabs.size()) - 1;
    f.form->PaintBill();  // loads the buffer once, as the window does on first showing
    for (auto _ : state) f.form->PaintBill();
}
BENCHMARK(BM_PaintBill)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Shared().form.reset();
    return 0;
}
