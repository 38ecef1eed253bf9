// Modal windows and their owners.
#include "platform/modal_owner.h"

#include <QApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/dialogs.h"

namespace qm {

QWidget* ModalOwner(const QWidget* window, QWidget* opener) {
    auto onScreen = [window](QWidget* w) {
        if (w) w = w->window();
        return w && w != window && w->isVisible() ? w : nullptr;
    };
    for (QWidget* candidate :
         {QApplication::activeModalWidget(), opener, QApplication::activeWindow(), DefaultOwner()})
        if (QWidget* w = onScreen(candidate)) return w;
    return nullptr;
}

TModalShowing::TModalShowing(QWidget* window, QWidget* owner)
    : window_(window), owner_(owner ? owner->window() : nullptr) {
    if (!window_ || !owner_ || !owner_->windowHandle()) return;
    // The native window exists from here on, so it is mapped already knowing its owner.
    window_->winId();
    if (QWindow* handle = window_->windowHandle())
        handle->setTransientParent(owner_->windowHandle());
}

TModalShowing::~TModalShowing() {
    if (owner_ && owner_->isVisible()) owner_->activateWindow();
}

void TModalShowing::Shown() {
    if (!window_) return;
    // The client area is placed (not the frame): before the window is first mapped Qt cannot
    // know the frame a window manager will give it.
    if (owner_ && owner_->isVisible())
        window_->setGeometry(QRect(CentredOn(*owner_, window_->size()), window_->size()));
    window_->activateWindow();
}

QPoint CentredOn(const QWidget& owner, QSize client) {
    const QRect area = owner.geometry();
    QPoint p(area.x() + (area.width() - client.width()) / 2,
             area.y() + (area.height() - client.height()) / 2);
    if (const QScreen* screen = owner.screen()) {
        // The frame is assumed as wide as the owner's; all of it stays on the screen.
        const QRect frame = owner.frameGeometry();
        const QMargins m(area.left() - frame.left(), area.top() - frame.top(),
                         frame.right() - area.right(), frame.bottom() - area.bottom());
        const QRect desk = screen->availableGeometry().marginsRemoved(m);
        p.setX(std::clamp(p.x(), desk.left(),
                          std::max(desk.left(), desk.right() + 1 - client.width())));
        p.setY(std::clamp(p.y(), desk.top(),
                          std::max(desk.top(), desk.bottom() + 1 - client.height())));
    }
    return p;
}

}  // namespace qm
