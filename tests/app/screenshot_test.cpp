// Renders the main window for a seeded household to PNG files: the tree, a ledger with 30 moves,
// and a tab strip that overflows. The pictures go to $QM_SCREENSHOT_DIR when it is set (to look
// at them), else to the test's temporary folder; the test checks what can be checked by pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

std::string ShotPath(const TempDir& dir, const std::string& name) {
    const char* out = std::getenv("QM_SCREENSHOT_DIR");
    return (out && *out ? std::filesystem::path(out) : dir.path()) / name;
}

void OpenLedgerTab(int account, const char* caption) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = account;
    tab.BillTypeId = 2;
    tab.Caption = caption;
    tab.TwoSign = true;
    Head.HeadTabs.push_back(tab);
}

}  // namespace

struct Screenshots : HouseholdWindow {
    Screenshots() : HouseholdWindow(2026, 2, 10) {
        start = {.width = 1100, .height = 650, .dialogs = false};
    }
};

TEST_F(Screenshots, SeededHouseholdRendersTreeLedgerAndOverflowingTabs) {
    Seed(30);
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL(
            "update bill set budget = 400, budget_type = 'T', budget_date_from = '20260201', "
            "budget_date_to = '20260228' where id = " +
            IntToStr(kGroceries));
    }
    Start();
    form->TwoDecimals = true;
    SelectBill = kWallet;
    form->DoEnable(2);
    form->FormPaint();
    const QImage tree = form->Image().Image().copy();
    ASSERT_TRUE(tree.save(QString::fromStdString(ShotPath(dir, "tree.png"))));
    // The band, the strip and the view are all painted: no pixel row is left black.
    for (int y :
         {40, TabStripTop + 5, ContentTop + 30, form->height() - form->Panel1->height() - 5})
        EXPECT_NE(tree.pixelColor(form->width() / 2, y), QColor(0, 0, 0)) << "row " << y;

    OpenLedgerTab(kWallet, "Wallet");
    HeadIndex = 1;
    HeadButtons.ButtonGroup = 0;
    SelectMove = -1;
    Ledger.Rows.clear();
    form->DoEnable(4);
    form->FormPaint();
    SelectMove = Ledger.Rows[Ledger.Rows.size() - 4].Id;
    Ledger.CurCol = 2;
    form->DoEnable(4);
    form->FormPaint();
    ASSERT_TRUE(form->Image().Image().save(QString::fromStdString(ShotPath(dir, "ledger.png"))));
    EXPECT_EQ(Ledger.Rows.size(), 32u);

    const char* names[] = {"Bank",         "Euro card", "Groceries", "Restaurants",
                           "Rent",         "Salary",    "Bonus",     "Savings account",
                           "Holiday fund", "Car loan",  "Mortgage"};
    const int ids[] = {kBank,  kEuroCard, kGroceries, kRestaurants, kRent, kSalary,
                       kBonus, kBank,     kBank,      kBank,        kBank};
    for (int i = 0; i < 11; ++i) OpenLedgerTab(ids[i], names[i]);
    HeadIndex = 9;
    Ledger.Rows.clear();
    SelectMove = -1;
    form->FormPaint();
    ASSERT_TRUE(form->Image().Image().save(QString::fromStdString(ShotPath(dir, "tabs.png"))));
    // Tab 0 stays at the left, the current tab is shown, and some tabs are hidden.
    EXPECT_EQ(Head.HeadTabs[0].TabRect.Left, 0);
    EXPECT_FALSE(Head.HeadTabs[HeadIndex].TabRect.IsEmpty());
    int hidden = 0;
    for (const THeadTab& t : Head.HeadTabs) hidden += t.TabRect.IsEmpty() ? 1 : 0;
    EXPECT_GT(hidden, 0);
}
