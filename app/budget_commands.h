// The budget commands of the tree's pop-up menu: create, edit and delete the budget of the
// selected account, through the budget dialog.
#pragma once

#include "app/balances.h"

namespace qm {

class TForm1;

struct BudgetFields {
    long double amount = 0;
    AnsiString from, to;  // "yyyymmdd"
    bool renew = false;   // budget_type "T"
};

// Writes the budget columns of account `id` and recalculates its budget use and its group, as
// one transaction.
void WriteBudget(TSQLiteDatabase& db, int id, const BudgetFields& f, const PeriodFilter& period);

// Moves the budget period of account `id` on to `from` .. `to` ("yyyymmdd") and recalculates
// its budget use and its group, as one transaction.
void WriteBudgetPeriod(TSQLiteDatabase& db, int id, const AnsiString& from, const AnsiString& to,
                       const PeriodFilter& period);

void N20Click(TForm1& form);  // create budget
void N21Click(TForm1& form);  // edit budget
void N22Click(TForm1& form);  // delete budget

// Connects the pop-up items N20, N21 and N22; DoEnable decides when they are offered. Runs once
// per window; later calls do nothing.
void ConnectBudgetCommands(TForm1& form);

}  // namespace qm
