// A seeded household for main-window tests and screenshots: three trees with groups and
// accounts in two currencies, and moves between them; and the fixture that opens the main window
// on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/window/main_window.h"
#include "db/sqlite_table3.h"
#include "tests/support/support.h"

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

// How HouseholdWindow starts the main window, after start-up: its size, the dialogs, a paint.
struct WindowStart {
    int width = 1000, height = 600;  // 0 x 0: the size start-up gives it
    bool dialogs = true;             // the dialog forms, made after the window as the program does
    bool paint = false;              // the current tab painted once
};

// The window-level tests' set-up: a private working folder, a clock fixed at noon of one day, the
// seeded household file, the main window started on it, the dialogs, and a modal driver that
// answers each dialog in turn. A message box or a dialog that no test scripted fails the test
// (tests/support). Suites derive from it, say in their constructor how the window starts, and
// open it in their SetUp or first step, so that each test body holds only its own steps and
// checks; message boxes are scripted where a test expects them.
class HouseholdWindow : public ::testing::Test {
  protected:
    explicit HouseholdWindow(int year = 2026, int month = 3, int day = 15);
    // Close() while the folder and the clock still stand.
    void TearDown() override;

    // The household with `moves` moves, then the window on it.
    void Open(int moves);
    // Writes ./Quillmarsh.dat with the household and `moves` moves (SeedHousehold).
    void Seed(int moves);
    // Starts the window on the folder's file as it stands, as `start` says; where there is no
    // file, the window's offer to create one is answered Yes. Fails the test unless start-up ran
    // to its end.
    void Start();
    // The dialogs go, then the window (which writes its settings back into the file).
    void Close();
    // Appends a ledger tab of `account` (its type read from the file) and makes it current as a
    // click on the tab does; returns its index.
    int OpenLedger(int account, bool twoSign = false);
    // A ledger tab of `account`, its type read from the open file, not yet loaded.
    static qm::THeadTab LedgerTabOf(int account, bool twoSign = false);

    WindowStart start;
    TempDir dir;
    FixedClock clock;
    ModalDriver driver;
    std::unique_ptr<qm::TForm1> form;
};

}  // namespace qmtest
