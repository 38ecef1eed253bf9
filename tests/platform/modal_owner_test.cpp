// Modal windows and their owners, with real modal loops on the offscreen platform: a form, a
// form opened from it, a message box and a file dialog each belong to the window on top when
// they open, sit centred on it, have the keyboard while they are up, and hand it back on closing.
#include "platform/modal_owner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "platform/dialogs.h"
#include "platform/filedialogs.h"
#include "platform/forms.h"
#include "tests/support/support.h"

namespace {

using namespace qm;

// Lets queued window-system events (activation, focus) arrive; true once `done` holds.
bool Settle(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

bool Active(QWidget* w) {
    return Settle([w] { return QApplication::activeWindow() == w; });
}

// What a modal window looked like while it was up.
struct Seen {
    QWindow* transientParent = nullptr;
    QPoint centre;
    bool active = false;
};

Seen Look(QWidget* w) {
    Seen s;
    s.active = Active(w);
    s.transientParent = w->windowHandle() ? w->windowHandle()->transientParent() : nullptr;
    s.centre = w->geometry().center();
    return s;
}

// Real modal loops for the life of the object: no scripted forms, boxes or file dialogs.
struct RealModalLoops {
    RealModalLoops() {
        qmtest::EnsureApp();
        TForm::SetModalDriver({});
        SetMessageBoxHook({});
        SetFileDialogHook({});
    }
    ~RealModalLoops() { qmtest::InstallUnexpectedDialogGuards(); }
};

struct Owner {
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    Owner() {
        window.setGeometry(60, 50, 600, 420);
        window.show();
        window.activateWindow();
        edit->setFocus();
    }
};

// Runs `inside` from the modal loop of whatever modal window opens next.
void WhenUp(std::function<void()> inside) {
    QTimer::singleShot(0, [inside = std::move(inside)] {
        Settle([] { return QApplication::activeModalWidget() != nullptr; });
        inside();
    });
}

TEST(ModalOwner, FormsOpenedFromAWindowOrAFormBelongToItAndHandTheKeysBack) {
    RealModalLoops loops;
    Owner owner;
    ASSERT_TRUE(Active(&owner.window));
    TForm form, inner;
    form.setFixedSize(240, 120);
    inner.setFixedSize(100, 60);
    Seen formSeen, innerSeen;
    bool formActiveAgain = false;
    WhenUp([&] {
        formSeen = Look(&form);
        WhenUp([&] {
            innerSeen = Look(&inner);
            inner.SetModalResult(mrOk);
        });
        inner.ShowModal();
        formActiveAgain = Active(&form);
        form.SetModalResult(mrOk);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);

    EXPECT_EQ(formSeen.transientParent, owner.window.windowHandle());
    EXPECT_EQ(formSeen.centre, owner.window.geometry().center());
    EXPECT_TRUE(formSeen.active);
    // A form opened from a form belongs to that form, not to the main window.
    EXPECT_EQ(innerSeen.transientParent, form.windowHandle());
    EXPECT_EQ(innerSeen.centre, form.geometry().center());
    EXPECT_TRUE(innerSeen.active);
    EXPECT_TRUE(formActiveAgain);
    // Closed, the owner has the keys again, in the control that had them.
    EXPECT_TRUE(Active(&owner.window));
    EXPECT_EQ(QApplication::focusWidget(), owner.edit);
}

TEST(ModalOwner, MessageBoxesAndFileDialogsBelongToTheModalWindowOnTop) {
    RealModalLoops loops;
    Owner owner;
    ASSERT_TRUE(Active(&owner.window));
    SetDefaultOwner(&owner.window);
    TForm form;
    form.setFixedSize(300, 200);
    Seen boxSeen, fileSeen;
    int answer = 0;
    bool chosen = true;
    bool formActiveAfterBox = false, formActiveAfterFile = false;
    WhenUp([&] {
        ASSERT_TRUE(Active(&form));
        // Asked for the main window while the form is up: the box goes over the form.
        WhenUp([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            boxSeen = Look(box);
            box->button(QMessageBox::Ok)->click();
        });
        answer = MessageBox(&owner.window, "Saved.", "Quillmarsh", MB_OK);
        formActiveAfterBox = Active(&form);
        WhenUp([&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fileSeen = Look(dialog);
            dialog->reject();
        });
        TOpenDialog open;
        chosen = open.Execute(nullptr);
        formActiveAfterFile = Active(&form);
        form.SetModalResult(mrCancel);
    });
    form.ShowModal();
    SetDefaultOwner(nullptr);

    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(boxSeen.transientParent, form.windowHandle());
    EXPECT_EQ(boxSeen.centre, form.geometry().center());
    EXPECT_TRUE(boxSeen.active);
    EXPECT_TRUE(formActiveAfterBox);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(fileSeen.transientParent, form.windowHandle());
    EXPECT_TRUE(fileSeen.active);
    EXPECT_TRUE(formActiveAfterFile);
    EXPECT_TRUE(Active(&owner.window));
}

TEST(ModalOwner, OwnerIsTheWindowOnScreenNearestTheUserAndCentringKeepsToTheScreen) {
    qmtest::EnsureApp();
    QWidget hidden, shown, other;
    auto* child = new QWidget(&shown);
    shown.setGeometry(0, 0, 300, 200);
    // Nothing on screen: no owner, whatever the opener.
    EXPECT_EQ(ModalOwner(&other, &hidden), nullptr);
    shown.show();
    // The opener's window, not the control that asked.
    EXPECT_EQ(ModalOwner(&other, child), &shown);
    // A window never owns itself.
    EXPECT_EQ(ModalOwner(&shown, child), nullptr);
    // Centred on the owner's client area; a window larger than the owner near the screen's
    // corner is kept on the screen.
    const QRect area = shown.geometry();
    EXPECT_EQ(CentredOn(shown, QSize(100, 50)), area.topLeft() + QPoint(100, 75));
    const QPoint frameToClient = area.topLeft() - shown.frameGeometry().topLeft();
    EXPECT_EQ(CentredOn(shown, QSize(500, 400)),
              shown.screen()->availableGeometry().topLeft() + frameToClient);
}

}  // namespace
