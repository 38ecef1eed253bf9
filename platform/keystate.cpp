// Tracking the side keys from native key symbols (X11 keysyms: Shift_L 0xffe1, Shift_R 0xffe2,
// Control_L 0xffe3, Control_R 0xffe4); the state is dropped when the application loses focus.
#include "platform/keystate.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

namespace qm {

namespace {

bool g_keys[4] = {false, false, false, false};

int Index(TSideKey k) {
    return static_cast<int>(k);
}

class Tracker : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
            auto* k = static_cast<QKeyEvent*>(e);
            const bool down = e->type() == QEvent::KeyPress;
            switch (k->nativeVirtualKey()) {
                case 0xffe1:
                    g_keys[Index(TSideKey::LeftShift)] = down;
                    break;
                case 0xffe2:
                    g_keys[Index(TSideKey::RightShift)] = down;
                    break;
                case 0xffe3:
                    g_keys[Index(TSideKey::LeftCtrl)] = down;
                    break;
                case 0xffe4:
                    g_keys[Index(TSideKey::RightCtrl)] = down;
                    break;
                default:
                    // Platforms without native symbols: a plain Shift or Ctrl counts as the left
                    // key.
                    if (k->nativeVirtualKey() == 0 && k->key() == Qt::Key_Shift)
                        g_keys[Index(TSideKey::LeftShift)] = down;
                    if (k->nativeVirtualKey() == 0 && k->key() == Qt::Key_Control)
                        g_keys[Index(TSideKey::LeftCtrl)] = down;
                    break;
            }
        } else if (e->type() == QEvent::ApplicationDeactivate) {
            ReleaseAllSideKeys();
        }
        return QObject::eventFilter(watched, e);
    }
};

}  // namespace

bool SideKeyDown(TSideKey key) {
    return g_keys[Index(key)];
}
bool ShiftDown() {
    return SideKeyDown(TSideKey::LeftShift) || SideKeyDown(TSideKey::RightShift);
}
bool CtrlDown() {
    return SideKeyDown(TSideKey::LeftCtrl) || SideKeyDown(TSideKey::RightCtrl);
}

void SetSideKeyForTests(TSideKey key, bool down) {
    g_keys[Index(key)] = down;
}

void ReleaseAllSideKeys() {
    for (bool& k : g_keys) k = false;
}

void InstallSideKeyTracker(QObject* application) {
    static bool installed = false;
    if (installed || !application) return;
    installed = true;
    application->installEventFilter(new Tracker(application));
}

}  // namespace qm
