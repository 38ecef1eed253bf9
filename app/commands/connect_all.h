// Binds the main window's commands that live outside TForm1's own files (dialog commands,
// reports, imports) to its actions, menu items and hooks. Called once from start-up, before
// command enabling runs.
#pragma once

namespace qm {

class TForm1;
void ConnectAllCommands(TForm1& form);

}  // namespace qm
