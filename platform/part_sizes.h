// The sizes at which the program's long passes are cut into parts side by side (ForEachPart,
// platform/parallel.h): the fewest items a part takes, and the most parts. Each was chosen from
// the benchmarks of bench/ on the household of 1,000,000 moves (docs/performance.md, "The work
// in parts"); a pass that gained less than a fifth of its benchmark's time from parts runs as a
// plain loop and has no entry here.
#pragma once

#include <cstddef>

namespace qm::partsizes {

// The most parts any pass is cut into: past eight the passes below gained nothing measurable
// on the 8-core machine of the benchmarks, and every part costs its own buffers.
constexpr unsigned kMost = 8;

// Moves of one account read on read-only connections of their own (the ledger load, the table
// report, the export's load). Opening the 100,000-move ledger: 86 ms in parts against 159 ms
// in one read; below 12,000 moves a part's own connection and its skip through the index cost
// more than its share of the rows saves.
constexpr size_t kLeastMovesPerRead = 12000;

// The export's rows, each into its seven cells (texts, numbers parsed from the amount texts,
// borders). A run of 4,096 rows takes about 4 ms, the cost of handing parts out in the noise.
constexpr size_t kLeastExportRows = 4096;

// The cells the export lays out at once (AddCells), rows of seven: a row's cells are made and
// listed in its row's index by the part that owns the row.
constexpr size_t kLeastCellRows = 1024;

// Shared strings converted to UTF-16 by runs.
constexpr size_t kLeastSharedStrings = 16384;

// Rows of the table report measured by runs, each with a font of its own.
constexpr size_t kLeastMeasuredRows = 8192;

}  // namespace qm::partsizes
