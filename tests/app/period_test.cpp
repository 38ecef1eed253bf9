// The period filter bar: recalculating every balance for a period, from the window.
#include <gtest/gtest.h>

#include "app/unit1.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {
AnsiString Amount(int id) {
    return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
}
}  // namespace

TEST(PeriodFilter, TurningItOnRecalculatesForThePeriodAndOffForEverything) {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
    SeedHousehold(30);
    TForm1 form;
    ASSERT_TRUE(form.StartupComplete());
    EXPECT_EQ(Amount(kBank), "2100");
    // From after to: the to date follows the from date when the filter goes on.
    form.DateTimePicker1->SetDate(EncodeDate(2026, 1, 2));
    form.DateTimePicker2->SetDate(EncodeDate(2026, 1, 1));
    form.CheckBox1->SetChecked(true);  // fires the click, as the user's would
    EXPECT_EQ(DateToYmd(form.DateTimePicker2->Date()), "20260102");
    EXPECT_TRUE(form.DateTimePicker1->Enabled());
    EXPECT_EQ(Amount(kBank), "0");  // its moves are all on the first
    // The wallet's move on the second: -11.37 (paid).
    EXPECT_EQ(Amount(kWallet), "-11,37");
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    // Pickers: Enter recalculates for the new period.
    form.DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
    int key = VK_RETURN;
    form.DateTimePicker1KeyDown(key, 0);
    EXPECT_EQ(Amount(kBank), "2100");
    form.CheckBox1->SetChecked(false);
    EXPECT_FALSE(form.DateTimePicker2->Enabled());
    EXPECT_EQ(Amount(kRestaurants), "284,95");
}

TEST(PeriodFilter, NothingIsRecalculatedBeforeStartUpHasFinished) {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
    SeedHousehold(3);
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("insert into param (name, value) values ('date-filter', '2030010120300101')");
        db.ExecSQL("update bill set amount = 12345 where id = " + IntToStr(kBank));
    }
    TForm1 form;
    ASSERT_TRUE(form.StartupComplete());
    EXPECT_TRUE(form.CheckBox1->Checked());
    EXPECT_EQ(Amount(kBank), "12345");  // restoring the filter did not recompute
}

TEST(PeriodFilter, ARecalculationThatFailsChangesNothingAndTheFilterStaysUsable) {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
    SeedHousehold(3);
    {
        // Two moves whose sum the file cannot hold as a number.
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("update bill_move set amount = 1.7e308 where id in (3, 5)");
    }
    TForm1 form;
    ASSERT_TRUE(form.StartupComplete());
    const AnsiString bank = Amount(kBank), wallet = Amount(kWallet);
    int key = VK_RETURN;
    EXPECT_THROW(form.DateTimePicker1KeyDown(key, 0), Exception);
    // Rolled back as a whole: nothing is left zeroed.
    EXPECT_EQ(Amount(kBank), bank);
    EXPECT_EQ(Amount(kWallet), wallet);
    EXPECT_TRUE(form.ProgressBar1->isHidden());
    // With the moves mended, the next recalculation runs.
    DB->ExecSQL("update bill_move set amount = -1 where id in (3, 5)");
    form.DateTimePicker1KeyDown(key, 0);
    EXPECT_EQ(Amount(kWallet), "-26,11");  // -1 - 1 - 11.37 - 12.74
}
