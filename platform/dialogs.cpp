// Message boxes over QMessageBox.
#include "platform/dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QShowEvent>

#include "platform/modal_owner.h"

namespace qm {
namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

QPointer<QWidget>& Owner() {
    static QPointer<QWidget> owner;
    return owner;
}

// A box that, once its size is settled, takes its place over its owner and asks for the keys.
class OwnedBox : public QMessageBox {
  public:
    explicit OwnedBox(QWidget* owner) : QMessageBox(owner), showing_(this, owner) {}

  protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        if (!e->spontaneous()) showing_.Shown();
    }

  private:
    TModalShowing showing_;
};

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}
void SetDefaultOwner(QWidget* owner) {
    Owner() = owner;
}
QWidget* DefaultOwner() {
    return Owner().data();
}

int MessageBox(QWidget* owner, const AnsiString& text, const AnsiString& caption, int flags) {
    if (!owner) owner = DefaultOwner();
    if (Hook()) return Hook()(owner, text, caption, flags);

    // The box belongs to the window on top: one owned by a window under a modal dialog could not
    // be reached.
    OwnedBox box(ModalOwner(nullptr, owner));
    box.setWindowTitle(ToQString(caption));
    // Texts carry line breaks as character 13.
    QString body = ToQString(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QChar('\r'), QChar('\n'));
    box.setText(body);
    switch (flags & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    switch (flags & 0xF) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Cancel:
            return IDCANCEL;
        default:
            return (flags & 0xF) == MB_YESNO ? IDNO : (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
    }
}

}  // namespace qm
