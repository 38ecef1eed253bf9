// The sizes at which the program's long passes are cut into parts side by side (ForEachPart,
// platform/parallel.h): the fewest items a part takes, and the most parts. Each was chosen from
// the benchmarks of bench/ (docs/performance.md, "One pool"). The trivial passes (freeing the
// writer's pointers, reserving rows, copying the rows' texts, collecting merged ranges, the
// shared strings' conversion through the code page's table) run as plain loops and have no
// entry here.
//
// The export's passes (its cells laid out and filled, the writer's survey and row blocks) are
// kept together: each alone moved the export of 60,000 rows by less than a fifth, within the
// noise of a shared machine, but the export with its cells and the writer's survey and row
// blocks in one part took 424-501 ms where the build before took 265-266 ms in the same hour
// (reports_bench, interleaved runs).
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

// The export's cells laid out at once (AddCells), rows of seven, each part making its own rows'
// cells. xls_bench, BM_AddCells65000x7: 73 ms in parts, 175 ms in one.
constexpr size_t kLeastCellRows = 1024;

// The export's rows filled into their cells (texts, numbers parsed from the amount texts,
// borders). reports_bench, export of 60,000 rows: 367-372 ms in parts, 426-437 ms in one.
constexpr size_t kLeastExportRows = 4096;

// The writer's one survey of every range (font, number format, shared string). Runs of fewer
// than 32,768 ranges cost more in joining than they save. xls_bench, BM_Save65000x7/1: 247-270
// ms with the runs, 250-312 ms with the survey in one.
constexpr size_t kLeastSurveyRanges = 32768;

// Row blocks (32 rows each) written by runs into buffers of their own and joined, a round of
// runs at a time. A round of 256 blocks (8,192 rows, about a megabyte of records) is what the
// buffers hold at most, where all the runs' blocks of 60,000 rows held 7.8 MB at once; 32 blocks
// to a run. reports_bench, export of 60,000 rows, 24 runs each in turn: median 144 ms in rounds,
// 141 ms for the build before the work in parts.
constexpr size_t kLeastRowBlocks = 32;
constexpr size_t kRowBlocksPerRound = 256;

// Rows of the table report measured by runs, each with a font of its own. reports_bench, table
// report of 100,000 moves, at load average 13 to 15: 164-199 ms in runs, 206-288 ms in one; at
// load average 20 the one run was the faster (260-292 ms against 312-330 ms).
constexpr size_t kLeastMeasuredRows = 8192;

}  // namespace qm::partsizes
