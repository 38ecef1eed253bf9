// The base of every dialog form: a Tag for the outcome, a ModalResult that closes the form when
// set, and ShowModal, behind a hook so that tests drive a form without a nested event loop. A form
// shown modally belongs to the window that opened it (see modal_owner.h).
#pragma once

#include <QDialog>
#include <functional>

#include "platform/ansistring.h"

namespace qm {

class TModalShowing;

enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class TForm : public QDialog {
    Q_OBJECT
  public:
    explicit TForm(QWidget* parent = nullptr);

    int Tag = 0;

    int ModalResult() const { return modalResult_; }
    // A non-zero result ends a modal showing, as a button's modal result does.
    void SetModalResult(int result);
    // Runs FormShow, then the modal loop (or the test driver); returns the ModalResult. On screen
    // the form is owned by the window that opened it, centred on it, and hands the keyboard back
    // to it when it closes.
    int ShowModal();
    void Close() { SetModalResult(mrCancel); }
    bool Showing() const { return showing_; }

    void SetCaption(const AnsiString& caption);
    AnsiString Caption() const;

    // Test drivers: called in place of the modal loop with the form shown; the driver acts on
    // the form's controls and sets ModalResult. An empty driver restores real modal loops.
    using ModalDriver = std::function<void(TForm& form)>;
    static void SetModalDriver(ModalDriver driver);

  protected:
    // The form's OnShow handler; runs each time before the form becomes visible.
    virtual void FormShow() {}
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

  private:
    int modalResult_ = mrNone;
    bool showing_ = false;
    TModalShowing* modal_ = nullptr;  // while the modal loop runs
};

}  // namespace qm
