// A household generated row by row in the file's own layout, larger and less tidy than the seeded
// one: accounts in three currencies, moves entered out of date order, amounts with a third
// decimal (half cents among them), and dates over three years.
#pragma once

#include <string>
#include <vector>

namespace qmtest {

struct GeneratedHousehold {
    int groupsPerType = 3;
    int accountsPerGroup = 4;
    int moves = 3000;
    unsigned seed = 1;
};

// Account ids of the generated household: type 1..3, group 0.., account 0.. .
int GeneratedAccountId(const GeneratedHousehold& size, int type, int group, int account);

// Writes ./Quillmarsh.dat (replacing it) with the program's schema and the generated rows, and
// recalculates the stored balances. Extra statements run last (an index, for instance).
void WriteGeneratedHousehold(const GeneratedHousehold& size,
                             const std::vector<std::string>& extra = {});

}  // namespace qmtest
