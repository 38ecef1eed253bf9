// A window that takes the keys itself when no control should have them, as the framework's form
// does once its active control is cleared.
#pragma once

class QWidget;

namespace qm {

// From now on, when a control of `window` that holds the window's focus is hidden (a drop-down
// list or calendar that closes, the print button of a report view), the focus goes back to the
// window itself rather than staying on the hidden control or moving on to the window's next
// control. Lives as long as the window.
void KeepKeysInWindow(QWidget* window);

}  // namespace qm
