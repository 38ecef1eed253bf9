#include "app/store/moves_in_parts.h"

#include <algorithm>
#include <atomic>
#include <vector>

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
    parts.AccountId = accountId;
    parts.LeastPerPart = leastPerPart;
    parts.File = TSQLiteReader::SharedFile(db);
    if (parts.File.empty()) return std::nullopt;
    TSQLiteStatement& c = db.Statement("select count(*) from bill_move where src_bill_id = ?");
    c.Bind(1, accountId);
    parts.Count = c.Step() ? c.RawInteger(0) : 0;
    c.Reset();
    // With parts forced, as the runner's own least size is, a small account is read in parts
    // too, so that the tests of every load cross the seams between parts.
    const int64_t least = PartsForced() ? 1 : leastPerPart;
    if (parts.Count < 2 * least || !HasAccountIndex(db) || !MoveIdsAreUnique(db))
        return std::nullopt;
    return parts;
}

std::string MovesSql(const char* columns) {
    return std::string("select ") + columns +
           " from bill_move where src_bill_id = ? order by ts, num, id";
}

unsigned ReadMovesInParts(const TMoveParts& where, const char* columns, const TParts& runner,
                          const std::function<size_t(unsigned part, TSQLiteReader& reader,
                                                     size_t first, size_t end)>& read) {
    const std::string sql = MovesSql(columns) + " limit ? offset ?";
    const auto count = static_cast<size_t>(where.Count);
    std::vector<char> done(kMostMoveParts, 0);
    const unsigned used =
        runner.Run(count, static_cast<size_t>(where.LeastPerPart), kMostMoveParts,
                   [&](unsigned part, size_t first, size_t end) {
                       TSQLiteReader reader(where.File, sql.c_str());
                       reader.Bind(1, where.AccountId);
                       reader.Bind(2, end == count ? -1 : static_cast<int64_t>(end - first));
                       reader.Bind(3, static_cast<int64_t>(first));
                       const size_t taken = read(part, reader, first, end);
                       done[part] = !reader.Failed() && taken == end - first;
                   });
    if (!std::all_of(done.begin(), done.begin() + used, [](char d) { return d != 0; })) return 0;
    movesReadInParts += static_cast<uint64_t>(where.Count);
    return used;
}

uint64_t MovesReadInParts() {
    return movesReadInParts;
}

}  // namespace qm
