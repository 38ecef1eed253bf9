// One paint of the window showing a ledger row, and one showing a table report line, whose note
// is ten million characters long (/1), against the same with a short note (/0): the long note
// must cost about what the short one does, since no more of it can show. The note is written
// into the file by the engine directly, as another program would; the window is started on it
// (offscreen, 1000 x 600) and painted once before the timed paints. Medians of five runs:
//   build/bench/app/long_text_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/program/all_forms.h"
#include "app/store/database_file.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "dialogs/table_report_dialog.h"
#include "platform/dialogs.h"
#include "platform/forms.h"

using namespace qm;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWallet = 2, kShop = 3;

// A folder of its own with a file of two accounts and one move between them, its note short or
// ten million characters long; the window started on it.
class Window {
  public:
    explicit Window(bool longNote) {
        dir_ = fs::temp_directory_path() / ("qm-long-text-bench-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "runtime");
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
        fs::current_path(dir_);
        {
            auto db = CreateDatabaseFile("./Quillmarsh.dat", "Assets", "Income", "Spending");
            db->ExecSQL(
                "insert into bill (id, bill_id, bill_type_id, name, currency_id, twosign) values "
                "(1, 0, 2, 'Money', 1, 'TT'), (2, 1, 2, 'Wallet', 1, 'TT'), (3, 1, 2, 'Shop', 1, "
                "'TT')");
            InsertMovePair(*db, kWallet, kShop, {"20260301", "1", "Bread", "-2.50", "2.50", "1"});
            db->ExecSQL(longNote ? "update bill_move set note = 'Bread ' || "
                                   "replace(hex(zeroblob(5000000)), '0', 'n')"
                                 : "update bill_move set note = 'Bread and milk'");
        }
        SetMessageBoxHook(
            [](QWidget*, const AnsiString&, const AnsiString&, int) { return IDYES; });
        form_ = std::make_unique<TForm1>();
        CreateDialogs();
        form_->resize(1000, 600);
        form_->show();
        QApplication::processEvents();
    }
    ~Window() {
        DestroyDialogs();
        form_.reset();
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }
    TForm1& form() { return *form_; }

    // Paints the window `state` asks for, one paint a run, after a first paint untimed.
    void TimePaints(benchmark::State& state) {
        form_->FormPaint();
        for (auto _ : state) {
            const auto start = Clock::now();
            form_->FormPaint();
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        }
    }

  private:
    fs::path dir_;
    std::unique_ptr<TForm1> form_;
};

void BM_LedgerRowPaint(benchmark::State& state) {
    Window w(state.range(0) != 0);
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = kWallet;
    tab.BillTypeId = 2;
    tab.TwoSign = true;
    Head.HeadTabs.push_back(tab);
    w.form().SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    w.TimePaints(state);
}
BENCHMARK(BM_LedgerRowPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TableReportLinePaint(benchmark::State& state) {
    Window w(state.range(0) != 0);
    TForm::SetModalDriver([](TForm& f) {
        auto& d = static_cast<TForm16&>(f);
        for (int i = 0; i < d.ComboBox1->Items().Count(); ++i)
            if (d.BillIds[static_cast<size_t>(i)] == kWallet) d.ComboBox1->SetItemIndex(i);
        d.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        d.DateTimePicker2->SetDate(EncodeDate(2026, 12, 31));
        d.Button1Click();
    });
    w.form().Action(30)->trigger();
    TForm::SetModalDriver({});
    if (CurrentTab().Kind != tkReport) state.SkipWithError("no report tab");
    w.TimePaints(state);
}
BENCHMARK(BM_TableReportLinePaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
