// Which window a modal window belongs to, and what one showing of it owes that owner. A modal
// window is transient for its owner (so a window manager keeps it above the owner and never
// lets it fall behind), is centred on it, asks for the keyboard once it is on screen (without a
// window manager nobody else gives it), and gives the keyboard back to its owner when it closes
// (without a window manager the focus would otherwise fall to the root window, and the owner's
// keys and shortcuts would be dead until the user clicked it).
#pragma once

#include <QPointer>
#include <QWidget>

namespace qm {

// The window that a modal window opened now belongs to: the modal window on top when there is
// one (a dialog opened from a dialog, or a message box while a dialog is up), else the window of
// `opener`, else the active window, else the main window (DefaultOwner). Only windows on screen
// other than `window` itself count; nullptr when there is none (a question before the main
// window is shown).
QWidget* ModalOwner(const QWidget* window, QWidget* opener = nullptr);

// One modal showing of `window` owned by `owner` (which may be null): create it before the window
// is shown, call Shown() from the window's show event, destroy it after the window has closed.
class TModalShowing {
  public:
    TModalShowing(QWidget* window, QWidget* owner);
    ~TModalShowing();
    TModalShowing(const TModalShowing&) = delete;
    TModalShowing& operator=(const TModalShowing&) = delete;

    // From the window's show event, once its size is final: centres it on the owner and asks for
    // the keyboard, which it gets as soon as it is mapped.
    void Shown();

    QWidget* Owner() const { return owner_.data(); }

  private:
    QPointer<QWidget> window_;
    QPointer<QWidget> owner_;
};

// The top-left corner of a client area of the size `client` centred on the client area of
// `owner` (so frame on frame, a window manager giving both the same decorations), with its frame
// kept inside the owner's screen.
QPoint CentredOn(const QWidget& owner, QSize client);

}  // namespace qm
