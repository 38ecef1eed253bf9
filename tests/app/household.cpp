// The seeded household.
#include "tests/app/household.h"

#include <filesystem>

#include "app/program/all_forms.h"
#include "app/store/balances.h"
#include "app/store/database_file.h"
#include "app/store/move_store.h"
#include "platform/dialogs.h"

using namespace qm;

namespace qmtest {

namespace {
void Bill(TSQLiteDatabase& db, int id, int group, int type, int currency, const char* name,
          int position, const char* twosign = "TF") {
    db.ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, isopen, "
        "twosign, "
        "budget, amount, ts) values (" +
        IntToStr(id) + "," + IntToStr(group) + "," + IntToStr(type) + "," + IntToStr(currency) +
        ",'" + SqlText(name) + "'," + IntToStr(position) + ",1,'" + twosign +
        "',0,0,'20260101000000')");
}
}  // namespace

void SeedHousehold(int moves) {
    // A fresh household each time, over whatever file the test left.
    for (const char* leftover : {"./Quillmarsh.dat", "./Quillmarsh.dat-journal"})
        std::filesystem::remove(leftover);
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "Income", "Assets", "Spending");
    db->ExecSQL("update currency set name = 'Dollar', short_name = 'USD' where id = 1");
    db->ExecSQL("insert into currency values (2, 'EUR', 2, 'Euro', '20260101000000', '2')");
    Bill(*db, kSalaryGroup, 0, 1, 1, "Work", 1);
    Bill(*db, kSalary, kSalaryGroup, 1, 1, "Salary", 1);
    Bill(*db, kBonus, kSalaryGroup, 1, 1, "Bonus", 2);
    Bill(*db, kCashGroup, 0, 2, 1, "Money", 1);
    Bill(*db, kWallet, kCashGroup, 2, 1, "Wallet", 1);
    Bill(*db, kBank, kCashGroup, 2, 1, "Bank", 2);
    Bill(*db, kEuroCard, kCashGroup, 2, 2, "Euro card", 3);
    Bill(*db, kFoodGroup, 0, 3, 1, "Food", 1);
    Bill(*db, kGroceries, kFoodGroup, 3, 1, "Groceries", 1);
    Bill(*db, kRestaurants, kFoodGroup, 3, 1, "Restaurants", 2);
    Bill(*db, kHomeGroup, 0, 3, 1, "Home", 2);
    Bill(*db, kRent, kHomeGroup, 3, 1, "Rent", 1);
    Bill(*db, kEmptyGroup, 0, 3, 1, "Travel", 3);
    InsertMovePair(*db, kBank, kSalary,
                   {"20260101", "1", "January salary", "2500.00", "-2500.00", "1"});
    InsertMovePair(*db, kWallet, kBank,
                   {"20260101", "2", "Cash withdrawal", "400.00", "-400.00", "1"});
    for (int i = 0; i < moves; ++i) {
        const int target = i % 3 == 0 ? kRestaurants : kGroceries;
        const AnsiString cents = IntToStr(1000 + 137 * i);
        const AnsiString amount =
            cents.substr(0, cents.size() - 2) + "." + cents.substr(cents.size() - 2);
        int day = 1 + i % 28, month = 1 + i / 28;
        char date[16];
        std::snprintf(date, sizeof date, "2026%02d%02d", month, day);
        InsertMovePair(*db, kWallet, target,
                       {date, IntToStr(100 + i), i % 3 == 0 ? "Dinner out" : "Weekly shop",
                        "-" + amount, amount, "1"});
    }
    for (int id : {kSalary, kBonus, kWallet, kBank, kEuroCard, kGroceries, kRestaurants, kRent})
        CalcBillAmount(*db, IntToStr(id), {});
    for (int id : {kSalaryGroup, kCashGroup, kFoodGroup, kHomeGroup, kEmptyGroup})
        CalcBillAmount(*db, IntToStr(id), {});
}

HouseholdWindow::HouseholdWindow(int year, int month, int day)
    : clock(EncodeDate(year, month, day) + 0.5, "dd.MM.yyyy") {}

void HouseholdWindow::TearDown() {
    Close();
}

void HouseholdWindow::Close() {
    DestroyDialogs();
    form.reset();
}

void HouseholdWindow::Open(int moves) {
    Seed(moves);
    Start();
}

void HouseholdWindow::Seed(int moves) {
    SeedHousehold(moves);
}

void HouseholdWindow::Start() {
    if (std::filesystem::exists("./Quillmarsh.dat")) {
        form = std::make_unique<TForm1>();
    } else {
        ScriptedBoxes create;
        create.Answer(IDYES);
        form = std::make_unique<TForm1>();
    }
    ASSERT_TRUE(form->StartupComplete());
    if (start.width > 0 && start.height > 0) form->resize(start.width, start.height);
    if (start.dialogs) CreateDialogs();
    if (start.paint) form->FormPaint();
}

THeadTab HouseholdWindow::LedgerTabOf(int account, bool twoSign) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = account;
    tab.BillTypeId = static_cast<int>(
        DB->GetTable("select bill_type_id from bill where id = " + IntToStr(account))
            ->FieldAsInteger(0));
    tab.TwoSign = twoSign;
    return tab;
}

int HouseholdWindow::OpenLedger(int account, bool twoSign) {
    Head.HeadTabs.push_back(LedgerTabOf(account, twoSign));
    form->SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    return HeadIndex;
}

}  // namespace qmtest
