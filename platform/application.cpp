// Event dispatch with the framework's error handler.
#include "platform/application.h"

#include "platform/dialogs.h"
#include "platform/sysutils.h"

namespace qm {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return false;
}

void ShowException(const std::exception& e) {
    MessageBox(nullptr, e.what(), "Quillmarsh", MB_OK | MB_ICONERROR);
}

}  // namespace qm
