#include "app/store/moves_in_parts.h"

#include <atomic>

#include "db/sqlite_reader.h"
#include "db/sqlite_statement.h"

namespace qm {

namespace {

std::atomic<uint64_t> movesReadInParts{0};

bool HasAccountIndex(TSQLiteDatabase& db) {
    TSQLiteStatement& q = db.Statement(
        "select 1 from sqlite_master where type = 'index' and name = 'bill_move_by_account'");
    const bool found = q.Step();
    q.Reset();
    return found;
}

bool MoveIdsAreUnique(TSQLiteDatabase& db) {
    TSQLiteStatement& q = db.Statement("select name, type, pk from pragma_table_info('bill_move')");
    bool idKey = false;
    int keys = 0;
    while (q.Step()) {
        if (q.RawInteger(2) == 0) continue;
        ++keys;
        idKey = q.RawText(0) == "id" && UpperCase(AnsiString(q.RawText(1))) == "INTEGER";
    }
    return keys == 1 && idKey;
}

}  // namespace

std::optional<TMoveParts> AccountMovesInParts(TSQLiteDatabase& db, int accountId,
                                              int64_t leastPerPart) {
    TMoveParts parts;
    parts.File = TSQLiteReader::SharedFile(db);
    if (parts.File.empty()) return std::nullopt;
    TSQLiteStatement& c = db.Statement("select count(*) from bill_move where src_bill_id = ?");
    c.Bind(1, accountId);
    parts.Count = c.Step() ? c.RawInteger(0) : 0;
    c.Reset();
    if (parts.Count < 2 * leastPerPart || !HasAccountIndex(db) || !MoveIdsAreUnique(db))
        return std::nullopt;
    return parts;
}

std::string MovesPartSql(const char* columns) {
    return std::string("select ") + columns +
           " from bill_move where src_bill_id = ? order by ts, num, id limit ? offset ?";
}

uint64_t MovesReadInParts() {
    return movesReadInParts;
}

void NoteMovesReadInParts(int64_t moves) {
    movesReadInParts += static_cast<uint64_t>(moves);
}

}  // namespace qm
