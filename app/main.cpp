// Program entry: one running copy per user, the main window first, then the message loop.
#include "app/all_forms.h"
#include "app/only_one.h"
#include "app/unit1.h"
#include "controls/helpers.h"
#include "platform/application.h"

int main(int argc, char** argv) {
    // Before any window exists: a second copy ends at once, silently.
    if (!qm::IsFirstInstance(qm::kInstanceName)) return 0;

    qm::TApplication app(argc, argv);
    app.setApplicationName("Quillmarsh");
    qm::InitializeControls();
    auto* form1 = new qm::TForm1();
    if (form1->Terminated()) {
        delete form1;
        return 0;
    }
    qm::CreateDialogs();
    form1->show();
    // Without a window manager nobody else gives the new window the keyboard.
    form1->activateWindow();
    int rc = app.exec();
    qm::DestroyDialogs();
    delete form1;
    return rc;
}
