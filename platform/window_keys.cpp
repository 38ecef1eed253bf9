// The window that takes the keys back from a hidden control.
#include "platform/window_keys.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace qm {
namespace {

class KeysBack : public QObject {
  public:
    explicit KeysBack(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        // The hidden control itself gets the event first, before Qt looks for a next control.
        if (e->type() != QEvent::Hide || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        if (w == window_ || !w->isHidden() || w->window() != window_ || !window_->isVisible())
            return false;
        QWidget* focus = window_->focusWidget();
        if (focus && (focus == w || w->isAncestorOf(focus)))
            window_->setFocus(Qt::OtherFocusReason);
        return false;
    }

  private:
    QWidget* window_;
};

}  // namespace

void KeepKeysInWindow(QWidget* window) {
    qApp->installEventFilter(new KeysBack(window));
}

}  // namespace qm
