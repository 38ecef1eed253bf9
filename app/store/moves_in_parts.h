// The moves of one large account read in parts side by side, each part on a read-only
// connection of its own, in the ledger's order ("order by ts, num, id"): the engine's time for
// the rows is most of what opening a ledger or a report over the account costs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/sqlite_table3.h"

namespace qm {

// Where and how many: the file other connections read, and the account's moves.
struct TMoveParts {
    std::string File;
    int64_t Count = 0;
};

// Whether the account's moves can be read in parts of at least `leastPerPart` moves that join
// up exactly as one read gives them: null for a small account, a file other connections cannot
// read as `db` sees it (held in memory, or inside a transaction), one without the program's
// index on the account (each part would sort the account), or one whose moves do not each have
// an id of their own (the order of equal keys would be the engine's to choose).
std::optional<TMoveParts> AccountMovesInParts(TSQLiteDatabase& db, int accountId,
                                              int64_t leastPerPart);

// The statement of a part: `columns` of the account's moves in the ledger's order, with the
// account, the number of moves (-1: all that follow) and the moves to skip as its parameters.
std::string MovesPartSql(const char* columns);

// Moves read in parts so far in this process, for checks that the parts were used; a reader of
// parts notes its moves once every part has succeeded.
uint64_t MovesReadInParts();
void NoteMovesReadInParts(int64_t moves);

}  // namespace qm
