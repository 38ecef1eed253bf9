// Time to fill and save a sheet of 65,000 rows by 7 columns, the shape of a long account export:
// date, number, two texts, two amounts with a number format, and a note.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "xls/excel_writer.h"

using namespace qm::xls;

namespace {

constexpr int kRows = 65000;

void Fill(TvteXLSWorkbook& book) {
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->SetName("Moves");
    for (int c = 0; c < 7; ++c) sheet->Col(c)->Width = 3000 + c * 256;
    for (int row = 0; row < kRows; ++row) {
        sheet->Range(0, row, 0, row)
            ->SetValue(AnsiString("2024-05-") + std::to_string(1 + row % 28));
        sheet->Range(1, row, 1, row)->SetValue(row + 1);
        sheet->Range(2, row, 2, row)->SetValue(AnsiString("Groceries and household"));
        sheet->Range(3, row, 3, row)->SetValue(AnsiString("Account ") + std::to_string(row % 40));
        TvteXLSRange* in = sheet->Range(4, row, 4, row);
        in->SetValue(row * 0.37);
        in->Format().NumberFormat = "#,##0.00";
        TvteXLSRange* out = sheet->Range(5, row, 5, row);
        out->SetValue(-row * 1.13);
        out->Format().NumberFormat = "#,##0.00";
        out->Format().Borders.Border(bdBottom).LineStyle = 1;
        sheet->Range(6, row, 6, row)
            ->SetValue(AnsiString("note for move number ") + std::to_string(row));
    }
}

std::filesystem::path Target() {
    return std::filesystem::temp_directory_path() /
           ("xls_bench_" + std::to_string(getpid()) + ".xls");
}

void BM_FillAndSave65000x7(benchmark::State& state) {
    std::filesystem::path file = Target();
    for (auto _ : state) {
        TvteXLSWorkbook book;
        Fill(book);
        TvteExcelWriter(qm::TParts::SideBySide()).Save(&book, file);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove(file);
}

// Argument 1: the writer's long passes side by side on the pool; 0: all on this thread.
qm::TParts PartsOf(const benchmark::State& state) {
    return state.range(0) != 0 ? qm::TParts::SideBySide() : qm::TParts();
}

void BM_Save65000x7(benchmark::State& state) {
    std::filesystem::path file = Target();
    TvteXLSWorkbook book;
    Fill(book);
    for (auto _ : state) TvteExcelWriter(PartsOf(state)).Save(&book, file);
    std::filesystem::remove(file);
}

// The export's layout of its cells at once, its rows made in parts (1) or here (0).
void BM_AddCells65000x7(benchmark::State& state) {
    for (auto _ : state) {
        auto book = std::make_unique<TvteXLSWorkbook>();
        benchmark::DoNotOptimize(book->AddSheet()->AddCells(0, 0, 6, kRows - 1, PartsOf(state)));
        state.PauseTiming();  // freeing the workbook is not the layout's
        book.reset();
        state.ResumeTiming();
    }
}

void BM_Fill65000x7(benchmark::State& state) {
    for (auto _ : state) {
        TvteXLSWorkbook book;
        Fill(book);
        benchmark::DoNotOptimize(book.Sheet(0)->RangeCount());
    }
}

// Freeing a filled workbook, the export's last step once its file is written: what the window
// waits for when the workbook is freed on its own thread.
void BM_Free65000x7(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TvteXLSWorkbook>();
        Fill(*book);
        state.ResumeTiming();
        book.reset();
    }
}

}  // namespace

BENCHMARK(BM_FillAndSave65000x7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save65000x7)->Unit(benchmark::kMillisecond)->Arg(0)->Arg(1);
BENCHMARK(BM_AddCells65000x7)->Unit(benchmark::kMillisecond)->Arg(0)->Arg(1);
BENCHMARK(BM_Free65000x7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fill65000x7)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
