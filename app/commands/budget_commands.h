// The budget commands of the tree's pop-up menu: create, edit and delete the budget of the
// selected account, through the budget dialog.
#pragma once

namespace qm {

class TForm1;

void N20Click(TForm1& form);  // create budget
void N21Click(TForm1& form);  // edit budget
void N22Click(TForm1& form);  // delete budget

// Connects the pop-up items N20, N21 and N22; DoEnable decides when they are offered. Runs once
// per window; later calls do nothing.
void ConnectBudgetCommands(TForm1& form);

}  // namespace qm
