// Renders the main window with each report tab of the seeded household to PNG files
// ($QM_SCREENSHOT_DIR when set, else the test's folder) and checks what a picture of a finished
// report must show.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <cstdlib>

#include "app/reports/report_text.h"
#include "app/window/main_window.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/print_settings_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

std::string ShotPath(const TempDir& dir, const std::string& name) {
    const char* out = std::getenv("QM_SCREENSHOT_DIR");
    return (out && *out ? std::filesystem::path(out) : dir.path()) / name;
}

void Choose(TListBox& list, const char* item) {
    list.SetItemIndex(list.Items().IndexOf(item));
}

}  // namespace

struct ReportScreenshots : HouseholdWindow {
    ReportScreenshots() { start.height = 640; }
};

TEST_F(ReportScreenshots, EveryReportOfTheHousehold) {
    Open(60);
    const TDateTime jan1 = EncodeDate(2026, 1, 1), feb28 = EncodeDate(2026, 2, 28);
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm13&>(f);
        d.DateTimePicker1->SetDate(jan1);
        d.DateTimePicker3->SetDate(jan1);
        for (const char* a : {"Work-Salary", "Work-Bonus"})
            Choose(*d.ListBox2, a), d.Button1Click();
        for (const char* a : {"Food-Groceries", "Food-Restaurants", "Home-Rent"})
            Choose(*d.ListBox4, a), d.Button3Click();
        d.grab().save(QString::fromStdString(ShotPath(dir, "balance_dialog.png")));
        d.Button5Click();
    });
    form->Action(31)->trigger();
    form->Image().Image().save(QString::fromStdString(ShotPath(dir, "balance.png")));
    // The whole window with its print button, and the print settings it asks for.
    form->grab().save(QString::fromStdString(ShotPath(dir, "balance_window.png")));
    Form15->grab().save(QString::fromStdString(ShotPath(dir, "print_dialog.png")));
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm16&>(f);
        d.DateTimePicker1->SetDate(jan1);
        d.ComboBox1->SetItemIndex(4);
        d.grab().save(QString::fromStdString(ShotPath(dir, "table_dialog.png")));
        d.Button1Click();
    });
    form->Action(30)->trigger();
    form->Image().Image().save(QString::fromStdString(ShotPath(dir, "table.png")));
    int n = 0;
    for (int mode : {1, 2, 3, 4}) {
        driver.Then([&](TForm& f) {
            auto& d = static_cast<TForm14&>(f);
            d.DateTimePicker1->SetDate(jan1);
            d.DateTimePicker2->SetDate(feb28);
            if (mode == 2) d.RadioButton4->SetChecked(true), d.ComboBox2->SetItemIndex(2);
            if (mode == 1) d.ComboBox1->SetItemIndex(0);
            if (mode >= 3) {
                d.RadioButton2->SetChecked(true);
                d.ComboBox3->SetItemIndex(mode == 3 ? 1 : 2);
                d.CheckBox1->SetChecked(mode == 4);
                for (const char* a : {"S:Food-Groceries", "S:Food-Restaurants", "A:Money-Wallet"})
                    Choose(*d.ListBox2, a), d.SpeedButton1Click();
            }
            if (mode == 3)
                d.grab().save(QString::fromStdString(ShotPath(dir, "charts_dialog.png")));
            d.Button1Click();
        });
        form->Action(22)->trigger();
        form->Image().Image().save(
            QString::fromStdString(ShotPath(dir, "chart" + std::to_string(++n) + ".png")));
    }
}
