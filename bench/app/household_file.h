// A large household file for the benchmarks, in the program's own table layout and with no index:
// what a user's file looks like after years of use, before the program adds anything of its own.
#pragma once

#include <filesystem>

namespace qm::bench {

struct HouseholdSize {
    int moves = 1000000;    // move pairs in all (each is two bill_move rows)
    int bigMoves = 100000;  // of them, owned by the one big account (BigAccountId)
    int secondMoves = 0;    // and by a second big account (SecondBigAccountId), where not 0
};

// The account whose ledger holds `bigMoves` moves.
inline constexpr int BigAccountId = 79;
// The account that holds `secondMoves` moves: the first account of the second group of assets.
// Where both big accounts would take a move, it goes between the two.
inline constexpr int SecondBigAccountId = 90;

// Writes `path` (replacing it): the schema and seed rows as the program creates them, three trees
// of 7 groups with 10 accounts each, the moves spread over eight years, and every stored balance
// as the program's own recalculation leaves it. Returns the number of accounts.
int WriteHouseholdFile(const std::filesystem::path& path, const HouseholdSize& size);

}  // namespace qm::bench
