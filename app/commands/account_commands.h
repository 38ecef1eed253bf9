// Binding the account and group commands of the tree to the main menu and the tree's pop-up menu.
#pragma once

namespace qm {

class TForm1;

// Connects Action14/15/16/18/27/28 and the pop-up items N1, N2, N3, N8, N9, N10, N12 and N13 to
// their handlers and captions the two move items; DoEnable decides which of them are enabled.
// Runs once per window; later calls do nothing.
void ConnectAccountCommands(TForm1& form);

}  // namespace qm
