// The sizes at which the program's long passes are cut into parts side by side (ForEachPart,
// platform/parallel.h): the fewest items a part takes, and the most parts. Each was chosen from
// the benchmarks of bench/ (docs/performance.md, "One pool"); a pass that gained less than a
// fifth of its benchmark's time from parts runs as a plain loop and has no entry here: the
// export's cells laid out and filled (reports_bench, export of 60,000 rows: 372-367 ms in parts,
// 437-426 ms with the filling in one part, no steady difference with both in one part), the
// writer's survey and row blocks (xls_bench, BM_Save65000x7/1: 247-270 ms in parts, 250-312 ms
// with the survey in one part, 202-254 ms with the row blocks in one part) and the table report's
// widths (reports_bench: 312-330 ms in parts, 260-292 ms in one).
#pragma once

#include <cstddef>

namespace qm::partsizes {

// The most parts any pass is cut into: the 8 cores of the machine the figures below come from;
// every part costs its own buffers (and for the moves its own connection).
constexpr unsigned kMost = 8;

// Moves of one account read on read-only connections of their own (the ledger load, the table
// report, the export's load). app_bench, BM_OpenBigLedger on the household of 1,000,000 moves:
// the 100,000-move ledger opened in 86 ms in parts against 159 ms in one read (0.44x against
// 1.38x the engine's one query); below 12,000 moves a part's own connection and its skip
// through the index cost about as much as its share of the rows saves.
constexpr size_t kLeastMovesPerRead = 12000;

// Shared strings converted to UTF-16 by runs. xls_bench, BM_Save65000x7/1 (the export's shape,
// 65,000 rows of 7 cells): 247-270 ms with the runs, 378-417 ms with the strings in one run.
constexpr size_t kLeastSharedStrings = 16384;

}  // namespace qm::partsizes
