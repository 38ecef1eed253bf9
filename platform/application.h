// The application object: a QApplication whose event dispatch reports an exception that escapes
// a handler with a message box, as the desktop framework's default error handler does, instead
// of letting it tear through Qt's event loop.
#pragma once

#include <QApplication>

namespace qm {

class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's message the way the framework's error handler does.
void ShowException(const std::exception& e);

}  // namespace qm
