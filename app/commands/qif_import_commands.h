// The QIF import command of the main menu: the file dialog, reading, the mapping dialog that
// gives every account a type, and writing.
#pragma once

namespace qm {

class TForm1;

// The import command: file dialog, reading, the mapping dialog, writing.
void Action5Execute(TForm1& form);

// Connects and enables Action5. Runs once per window; later calls do nothing.
void ConnectQifImportCommands(TForm1& form);

}  // namespace qm
