// Renders the settings, about, find, attached files and moves-with-files dialogs, filled from the
// seeded household, to PNG files ($QM_SCREENSHOT_DIR when set, else the test's folder), and checks
// that every control lies inside its window and every caption fits its control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <cstdlib>

#include "app/store/attached_files.h"
#include "app/window/main_window.h"
#include "dialogs/files_dialog.h"
#include "dialogs/find_dialog.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

void CheckAndSave(TForm& form, const TempDir& dir, const std::string& name) {
    const QRect window = form.rect();
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&form) || !dynamic_cast<TControl*>(w)) continue;
        const QRect box(w->mapTo(&form, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window.contains(box)) << name << ": " << w->metaObject()->className();
        if (dynamic_cast<QAbstractButton*>(w) || dynamic_cast<QLabel*>(w)) {
            const auto* label = dynamic_cast<QLabel*>(w);
            const int need = label && label->wordWrap() ? label->heightForWidth(w->width())
                                                        : w->sizeHint().height();
            EXPECT_LE(need, w->height() + 2) << name << ": " << w->metaObject()->className();
            if (!label || !label->wordWrap()) {
                EXPECT_LE(w->sizeHint().width(), w->width() + 2)
                    << name << ": "
                    << FromQString(label ? label->text()
                                         : static_cast<QAbstractButton*>(w)->text());
            }
        }
    }
    const char* out = std::getenv("QM_SCREENSHOT_DIR");
    const std::filesystem::path folder = out && *out ? std::filesystem::path(out) : dir.path();
    EXPECT_TRUE(form.grab().save(QString::fromStdString((folder / (name + ".png")).string())));
}

}  // namespace

struct SmallDialogScreenshots : HouseholdWindow {
    SmallDialogScreenshots() { start.width = start.height = 0; }
};

TEST_F(SmallDialogScreenshots, EveryControlFitsItsWindow) {
    Open(3);
    TAttachedFiles files;
    for (const char* name : {"receipt-2026-01-01.pdf", "photo of the bill.jpg", "notes.txt"})
        files.Add(name, "bytes");
    WriteAttachedFiles(*DB, 5, files.Value());
    OpenLedger(kRestaurants);
    SelectMove = 6;
    Form11->Edit1->SetText("Dinner");

    for (const char* name : {"settings", "about", "find", "files", "moves_with_files"})
        driver.Then([&, name](TForm& f) {
            CheckAndSave(f, dir, name);
            f.Close();
        });
    for (int action : {13, 26, 11}) form->Action(action)->trigger();
    form->FilesMenuClick(-1);
    form->Action(32)->trigger();
    EXPECT_EQ(driver.shown(), 5);
}
