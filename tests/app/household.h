// A seeded household for main-window tests and screenshots: three trees with groups and
// accounts in two currencies, and moves between them.
#pragma once

#include "db/sqlite_table3.h"

namespace qmtest {

// Account and group ids of the seeded household.
enum HouseholdIds : int {
    kSalaryGroup = 1,
    kSalary = 2,
    kBonus = 3,  // income (type 1)
    kCashGroup = 4,
    kWallet = 5,
    kBank = 6,
    kEuroCard = 7,  // assets (type 2), the card in EUR
    kFoodGroup = 8,
    kGroceries = 9,
    kRestaurants = 10,  // spending (type 3)
    kHomeGroup = 11,
    kRent = 12,
    kEmptyGroup = 13
};

// Creates ./Quillmarsh.dat with the household; `moves` moves between the wallet and the
// spending accounts, one a day from 1 January 2026. Balances are recalculated.
void SeedHousehold(int moves = 30);

}  // namespace qmtest
