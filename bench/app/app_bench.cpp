// Loading and painting a large household: the ledger load of one account with many moves, one
// tree paint and one ledger paint. Sizes: QM_BENCH_MOVES (default 1,000,000 moves in all) and
// QM_BENCH_BIG (default 100,000 of them in one account).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "app/database_file.h"
#include "app/ledger_buffer.h"
#include "app/unit1.h"
#include "platform/dialogs.h"

using namespace qm;

namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Builds the file through SQL: 3 types x 10 groups x 10 accounts, moves spread over them, and
// one account holding `big` of them.
void BuildDatabase(int moves, int big) {
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "Income", "Assets", "Spending");
    TSQLiteTransaction tr(*db);
    int id = 1;
    for (int type = 1; type <= 3; ++type)
        for (int g = 0; g < 10; ++g) {
            const int group = id++;
            db->ExecSQL(
                "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, isopen, "
                "twosign, "
                "amount) values (" +
                IntToStr(group) + ",0," + IntToStr(type) + ",1,'Group " + IntToStr(g) + "'," +
                IntToStr(g) + ",1,'TF',0)");
            for (int a = 0; a < 10; ++a)
                db->ExecSQL(
                    "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, "
                    "isopen, "
                    "twosign, amount) values (" +
                    IntToStr(id++) + "," + IntToStr(group) + "," + IntToStr(type) + ",1,'Account " +
                    IntToStr(a) + "'," + IntToStr(a) + ",0,'TF',0)");
        }
    const int bigAccount = 2;
    for (int i = 0; i < moves / 2; ++i) {
        const int src = i < big ? bigAccount : 3 + i % 300;
        const int dest = 13 + i % 200;
        const AnsiString date = "2026" + AnsiString(i % 12 < 9 ? "0" : "") + IntToStr(1 + i % 12) +
                                "1" + IntToStr(i % 9);
        const AnsiString a = IntToStr(1 + i % 997) + ".25";
        const AnsiString n = IntToStr(2 * i);
        db->ExecSQL("insert into bill_move values ('1'," + IntToStr(2 * i + 2) + ",'" + n + "',-" +
                    a + "," + IntToStr(dest) + "," + IntToStr(2 * i + 1) + ",'note'," +
                    IntToStr(src) + ",'" + date + "',NULL)");
        db->ExecSQL("insert into bill_move values ('1'," + IntToStr(2 * i + 1) + ",'" + n + "'," +
                    a + "," + IntToStr(src) + "," + IntToStr(2 * i + 2) + ",'note'," +
                    IntToStr(dest) + ",'" + date + "',NULL)");
    }
    db->ExecSQL("create index if not exists bill_move_src on bill_move (src_bill_id, ts, num, id)");
    tr.Commit();
}

struct Fixture {
    std::filesystem::path dir;
    std::unique_ptr<TForm1> form;
    Fixture() {
        dir = std::filesystem::temp_directory_path() / "qm-bench";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        BuildDatabase(EnvInt("QM_BENCH_MOVES", 1000000), EnvInt("QM_BENCH_BIG", 100000));
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
    tab.Id = 2;
    tab.BillTypeId = 1;
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
    tab.Id = 2;
    tab.BillTypeId = 1;
    tab.Caption = "Account 0";
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
