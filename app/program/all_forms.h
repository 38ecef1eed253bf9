// The dialog forms, created once after the main window, in the order of their numbers, and kept
// for the whole run.
#pragma once

namespace qm {

void CreateDialogs();
void DestroyDialogs();

}  // namespace qm
