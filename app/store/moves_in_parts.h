// The moves of one large account read in parts side by side, each part on a read-only
// connection of its own, in the ledger's order ("order by ts, num, id"): the engine's time for
// the rows is most of what opening a ledger or a report over the account costs.
//
// Threads: no thread is started here; the caller's TParts runs the parts. Each part has its own
// connection and writes only what its `read` gives it (its own rows and its own slot of any
// per-part result); the account, the file and the caller's lookups are read-only meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "db/sqlite_reader.h"
#include "db/sqlite_table3.h"
#include "platform/parallel.h"
#include "platform/part_sizes.h"

namespace qm {

// The most parts one read is cut into.
constexpr unsigned kMostMoveParts = partsizes::kMost;

// Which account, where and how many: the file other connections read, the account's moves, and
// the fewest moves a part takes.
struct TMoveParts {
    int AccountId = 0;
    std::string File;
    int64_t Count = 0;
    int64_t LeastPerPart = 0;
};

// Whether the account's moves can be read in parts of at least `leastPerPart` moves (with parts
// forced, of any size: two moves are enough) that join up exactly as one read gives them: null
// for a small account, a file other connections cannot read as `db` sees it (held in memory, or
// inside a transaction), one without the program's index on the account (each part would sort
// the account), or one whose moves do not each have an id of their own (the order of equal keys
// would be the engine's to choose).
std::optional<TMoveParts> AccountMovesInParts(TSQLiteDatabase& db, int accountId,
                                              int64_t leastPerPart);

// The statement of one read of `columns` of an account's moves in the ledger's order, the
// account its parameter.
std::string MovesSql(const char* columns);

// Reads the moves in parts as `runner` runs them. `read(part, reader, first, end)` runs on the
// part's thread with a reader standing at move `first` of `columns`, steps it, and returns how many
// moves it took; the last part's reader goes on to the account's end, so that a move too many
// shows. Returns the number of parts when every part took exactly moves [first, end) without a
// failure, 0 when any did not (the caller then reads the usual way on its own connection).
unsigned ReadMovesInParts(const TMoveParts& where, const char* columns, const TParts& runner,
                          const std::function<size_t(unsigned part, TSQLiteReader& reader,
                                                     size_t first, size_t end)>& read);

// Moves read in parts so far in this process, for checks that the parts were used.
uint64_t MovesReadInParts();

}  // namespace qm
