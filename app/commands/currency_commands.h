// The currencies command: the currencies dialog from the main menu and the tree's header.
#pragma once

namespace qm {

class TForm1;

// Connects Action17 to the currencies dialog. Runs once per window; later calls do nothing.
void ConnectCurrencyCommands(TForm1& form);

}  // namespace qm
