// Modal showing with the framework's rules over QDialog.
#include "platform/forms.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "platform/modal_owner.h"

namespace qm {
namespace {
TForm::ModalDriver& Driver() {
    static TForm::ModalDriver driver;
    return driver;
}
}  // namespace

TForm::TForm(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

void TForm::SetModalDriver(ModalDriver driver) {
    Driver() = std::move(driver);
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (result != mrNone && showing_ && isVisible()) done(result);
}

int TForm::ShowModal() {
    modalResult_ = mrNone;
    showing_ = true;
    FormShow();
    if (Driver()) {
        Driver()(*this);
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
    } else if (modalResult_ == mrNone) {
        TModalShowing owned(this, ModalOwner(this));
        modal_ = &owned;
        struct Reset {
            TModalShowing*& slot;
            ~Reset() { slot = nullptr; }
        } reset{modal_};
        exec();
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
    }
    showing_ = false;
    return modalResult_;
}

void TForm::SetCaption(const AnsiString& caption) {
    setWindowTitle(ToQString(caption));
}
AnsiString TForm::Caption() const {
    return FromQString(windowTitle());
}

void TForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (modal_ && !e->spontaneous()) modal_->Shown();
}

void TForm::closeEvent(QCloseEvent* e) {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    QDialog::closeEvent(e);
}

void TForm::reject() {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    QDialog::reject();
}

}  // namespace qm
