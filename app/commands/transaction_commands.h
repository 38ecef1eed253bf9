// The transaction dialog's commands: create and edit a move, and the ledger's hand-over of rows
// between currencies of different rates.
#pragma once

namespace qm {

class TForm1;

// Connects Action19 (create move) and Action4 (edit move) to the transaction dialog and installs
// the window's MoveDialog hook. Runs once per window; later calls do nothing.
void ConnectTransactionCommands(TForm1& form);

}  // namespace qm
