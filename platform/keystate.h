// The left and right Shift and Ctrl keys told apart. Qt reports modifiers only; the program asks
// for the left keys on their own (only the left Shift makes Tab go backwards), so key presses and
// releases are tracked by their native key symbols. Tests set the state directly.
#pragma once

class QObject;

namespace qm {

enum class TSideKey { LeftShift, RightShift, LeftCtrl, RightCtrl };

bool SideKeyDown(TSideKey key);
// Either key of the pair.
bool ShiftDown();
bool CtrlDown();

// For tests: the state of one key until it is set again or all are released.
void SetSideKeyForTests(TSideKey key, bool down);
void ReleaseAllSideKeys();

// Watches the application's key events (installed once on the application object).
void InstallSideKeyTracker(QObject* application);

}  // namespace qm
