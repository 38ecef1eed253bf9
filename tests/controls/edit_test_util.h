// Shared setup of the edit and calculator tests: the program's number formats with a blank as
// thousands separator, counted beeps, an instant clock for the keys' pressed look, and an active
// window to type into.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "controls/helpers.h"
#include "controls/number_text.h"
#include "platform/dialogs.h"
#include "tests/support/support.h"

namespace qmtest {

class EditEnvironment {
  public:
    EditEnvironment() {
        UseProgramFormats();
        qm::SetThousandSeparatorForTests(' ');
        qm::SetCurrencyStringForTests("$");
        qm::SetBeepHookForTests([this] { ++beeps; });
        // Each reading moves the clock on, so a key drawn pressed for 20 ms takes no real time.
        qm::SetTickCountForTests([this] { return clock += 5; });
    }
    ~EditEnvironment() {
        qm::SetThousandSeparatorForTests(std::nullopt);
        qm::SetCurrencyStringForTests(std::nullopt);
        qm::SetBeepHookForTests({});
        qm::SetTickCountForTests({});
        qm::FormatSettings().DecimalSeparator = '.';
    }
    EditEnvironment(const EditEnvironment&) = delete;
    EditEnvironment& operator=(const EditEnvironment&) = delete;

    int beeps = 0;
    uint32_t clock = 0;
};

// Shows the window and makes it the active one, so that focus and keys work.
inline void Activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    window.activateWindow();
    QApplication::processEvents();
}

}  // namespace qmtest
