// Budgets of spending accounts: the budget dialog's checks and keys, and the tree's create, edit
// and delete commands that write the account's budget columns.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/all_forms.h"
#include "app/budget_commands.h"
#include "app/unit1.h"
#include "dialogs/budget_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Budgets : ::testing::Test {
    TempDir dir;
    // Today lies in the budget periods below, so the tree does not move them on.
    FixedClock clock{EncodeDate(2026, 1, 4) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    ModalDriver driver;

    void SetUp() override {
        SeedHousehold(12);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        CreateDialogs();
        HeadIndex = 0;
        SelectBill = kGroceries;
        form->FormPaint();
        form->DoEnable(2);
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    AnsiString Budget(int id) {
        auto t = DB->GetTable(
            "select budget, budget_date_from, budget_date_to, budget_type, budget_amount from "
            "bill where id = " +
            IntToStr(id));
        AnsiString out;
        for (int c = 0; c < 5; ++c) out += t->FieldAsString(c) + (c < 4 ? "|" : "");
        return out;
    }
    static TForm4& Dialog(TForm& f) { return static_cast<TForm4&>(f); }
};

}  // namespace

TEST_F(Budgets, DialogRefusesNegativeAmountsAndOrdersThePeriod) {
    TForm4& d = *Form4;
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm4& b = Dialog(f);
        EXPECT_EQ(b.Tag, 0);
        EXPECT_EQ(b.DateTimePicker1->Format(), form->DateFormat);
        b.RxCalcEdit1->SetValue(-0.01L);
        boxes.Answer(IDOK, form->Ui(21));
        b.Button1Click();
        EXPECT_EQ(b.Tag, 0);
        // A zero budget is a budget; the dates are put in order.
        b.RxCalcEdit1->SetValue(0);
        b.DateTimePicker1->SetDate(EncodeDate(2026, 3, 31));
        b.DateTimePicker2->SetDate(EncodeDate(2026, 3, 1));
        b.CheckBox1->SetChecked(true);
        b.show();
        if (const char* out = std::getenv("QM_SCREENSHOTS"))
            b.grab().save(QString::fromUtf8(out) + "/budget_dialog.png");
        b.hide();
        b.Button1Click();
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 1);
    EXPECT_EQ(d.DateTimePicker1->Date(), EncodeDate(2026, 3, 1));
    EXPECT_EQ(d.DateTimePicker2->Date(), EncodeDate(2026, 3, 31));

    // Enter runs OK (one day is a period too), Esc leaves with Tag 0.
    driver.Then([](TForm& f) {
        TForm4& b = Dialog(f);
        b.DateTimePicker1->SetDate(EncodeDate(2026, 4, 2));
        b.DateTimePicker2->SetDate(EncodeDate(2026, 4, 2));
        int key = VK_RETURN;
        b.FormKeyDown(key, 0);
        EXPECT_EQ(key, 0);
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 1);
    driver.Then([](TForm& f) {
        int key = VK_ESCAPE;
        Dialog(f).FormKeyDown(key, 0);
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 0);
}

TEST_F(Budgets, DialogRefusesAnAmountTheFileCannotHold) {
    TForm4& d = *Form4;
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm4& b = Dialog(f);
        // Finite here, but infinity once written into the file.
        b.RxCalcEdit1->SetValue(1e400L);
        boxes.Answer(IDOK, form->Ui(21));
        b.Button1Click();
        EXPECT_EQ(b.Tag, 0);
        b.RxCalcEdit1->SetValue(1e300L);
        b.Button1Click();
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 1);
}

TEST_F(Budgets, CreateEditAndDeleteWriteTheAccountsBudgetColumns) {
    // The groceries account is paid 10.00 + 1.37 k on day k + 1 of January for k = 1, 2, 4, 5,
    // 7, 8, 10, 11; the other days go to the restaurants.
    EXPECT_TRUE(form->N(20)->isEnabled());
    EXPECT_FALSE(form->N(21)->isEnabled());
    driver.Then([](TForm& f) {
        TForm4& b = Dialog(f);
        EXPECT_EQ(b.RxCalcEdit1->Value(), 0);
        EXPECT_FALSE(b.CheckBox1->Checked());
        EXPECT_EQ(b.DateTimePicker1->Date(), EncodeDate(2026, 1, 4));
        b.RxCalcEdit1->SetText("1500,5");
        b.DateTimePicker1->SetDate(EncodeDate(2026, 1, 2));
        b.DateTimePicker2->SetDate(EncodeDate(2026, 1, 5));
        b.CheckBox1->SetChecked(true);
        b.Button1Click();
    });
    form->N(20)->trigger();
    // Its moves on 2, 3 and 5 January: 11.37 + 12.74 + 15.48.
    EXPECT_EQ(Budget(kGroceries), "1500,5|20260102|20260105|T|39,59");
    EXPECT_TRUE(form->N(21)->isEnabled());
    EXPECT_TRUE(form->N(22)->isEnabled());
    EXPECT_FALSE(form->N(20)->isEnabled());

    // Editing shows what is stored; Cancel keeps it.
    driver.Then([](TForm& f) {
        TForm4& b = Dialog(f);
        EXPECT_EQ(b.RxCalcEdit1->Value(), 1500.5L);
        EXPECT_TRUE(b.CheckBox1->Checked());
        EXPECT_EQ(b.DateTimePicker1->Date(), EncodeDate(2026, 1, 2));
        EXPECT_EQ(b.DateTimePicker2->Date(), EncodeDate(2026, 1, 5));
        b.RxCalcEdit1->SetValue(1);
        b.Button2Click();
    });
    form->N(21)->trigger();
    EXPECT_EQ(Budget(kGroceries), "1500,5|20260102|20260105|T|39,59");
    driver.Then([](TForm& f) {
        TForm4& b = Dialog(f);
        b.RxCalcEdit1->SetValue(80);
        b.DateTimePicker1->SetDate(EncodeDate(2026, 1, 5));
        b.DateTimePicker2->SetDate(EncodeDate(2026, 1, 3));
        b.CheckBox1->SetChecked(false);
        b.Button1Click();
    });
    form->N(21)->trigger();
    EXPECT_EQ(Budget(kGroceries), "80|20260103|20260105|F|28,22");

    // Deleting asks first and keeps the period and type for a later edit.
    ScriptedBoxes boxes;
    boxes.Answer(IDNO, form->Ui(105));
    form->N(22)->trigger();
    EXPECT_EQ(Budget(kGroceries), "80|20260103|20260105|F|28,22");
    boxes.Answer(IDYES, form->Ui(105));
    form->N(22)->trigger();
    EXPECT_EQ(boxes.asked().back().caption, form->Ui(106));
    EXPECT_EQ(Budget(kGroceries), "0|20260103|20260105|F|28,22");
    EXPECT_TRUE(form->N(20)->isEnabled());
    driver.Then([](TForm& f) {
        TForm4& b = Dialog(f);
        EXPECT_EQ(b.DateTimePicker1->Date(), EncodeDate(2026, 1, 3));
        EXPECT_EQ(b.DateTimePicker2->Date(), EncodeDate(2026, 1, 5));
        b.Button2Click();
    });
    N21Click(*form);
    EXPECT_EQ(driver.shown(), 4);
}

TEST_F(Budgets, CommandsLeaveGroupsAndMissingSelectionsAlone) {
    ScriptedBoxes boxes;  // none is expected
    // A row without stored dates opens on today.
    DB->ExecSQL("update bill set budget = 5, budget_date_from = null where id = 12");
    SelectBill = kRent;
    driver.Then([](TForm& f) {
        EXPECT_EQ(Dialog(f).DateTimePicker1->Date(), EncodeDate(2026, 1, 4));
        Dialog(f).Button2Click();
    });
    N21Click(*form);
    const AnsiString group = Budget(kFoodGroup);
    SelectBill = kFoodGroup;
    N20Click(*form);
    N22Click(*form);
    SelectBill = -1;
    N20Click(*form);
    EXPECT_EQ(Budget(kFoodGroup), group);
    EXPECT_EQ(driver.shown(), 1);
}
