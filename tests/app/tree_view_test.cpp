// The account tree tab on a seeded household: rows, amounts, totals, budgets, and the picture.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/unit1.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/app/ink.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace qm {
inline void PrintTo(const TColor& c, std::ostream* os) {
    *os << "RGB(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}
}  // namespace qm

namespace {

struct TreeView : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    void Open() {
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        form->FormPaint();
    }
    const TBillTreeRow* Row(int view, int id) {
        for (const TBillTreeRow& r : BillTypeViews.at(view).Rows)
            if (r.Id == id) return &r;
        return nullptr;
    }
    TColor Pixel(int x, int y) { return form->Canvas().Pixels(x, y); }
};

}  // namespace

TEST_F(TreeView, RowsKindsAndAmountsFollowTheDatabase) {
    SeedHousehold(30);
    Open();
    ASSERT_EQ(BillTypeViews.size(), 3u);
    EXPECT_EQ(BillTypeViews[0].TypeName, "Income");
    // Spending: Food (open, two accounts), Home (one account), Travel (no accounts).
    const auto& spend = BillTypeViews[2].Rows;
    ASSERT_EQ(spend.size(), 6u);
    EXPECT_EQ(spend[0].Id, kFoodGroup);
    EXPECT_EQ(spend[0].ExpanderKind, 0);
    EXPECT_EQ(spend[1].ExpanderKind, 3);
    EXPECT_EQ(spend[2].ExpanderKind, 4);
    EXPECT_EQ(spend[3].Id, kHomeGroup);
    EXPECT_EQ(spend[4].ExpanderKind, 4);
    EXPECT_EQ(spend[5].ExpanderKind, 2);
    // Salary income is stored negated, 2500 paid into the bank.
    EXPECT_EQ(Row(0, kSalary)->AmountText, "2500");
    EXPECT_EQ(Row(1, kWallet)->CurrencyName, "USD");

    // A closed group hides its accounts; a group of another type's accounts counts as empty.
    DB->ExecSQL("update bill set isopen = 0 where id = " + IntToStr(kFoodGroup));
    DB->ExecSQL("update bill set bill_type_id = 2 where id = " + IntToStr(kRent));
    form->PaintMain();
    EXPECT_EQ(BillTypeViews[2].Rows[0].ExpanderKind, 1);
    EXPECT_EQ(BillTypeViews[2].Rows[1].Id, kHomeGroup);
    EXPECT_EQ(BillTypeViews[2].Rows[1].ExpanderKind, 2);
}

TEST_F(TreeView, AmountDisplayFollowsTheSettings) {
    SeedHousehold(0);
    Open();
    DB->ExecSQL("update bill set amount = 0.005 where id = " + IntToStr(kWallet));
    DB->ExecSQL("update bill set amount = -0.05 where id = " + IntToStr(kBank));
    DB->ExecSQL("update bill set amount = 1000000000000 where id = " + IntToStr(kEuroCard));
    form->TwoDecimals = true;
    ScriptedBoxes boxes;
    boxes.Answer(IDOK, form->Ui(93));
    form->PaintMain();
    EXPECT_EQ(Row(1, kWallet)->AmountText, "0,00");
    EXPECT_EQ(Row(1, kBank)->AmountText, "-0,05");
    EXPECT_EQ(Row(1, kEuroCard)->AmountText, "------");
    QApplication::processEvents();  // the overflow notice comes from the event loop
    form->PaintMain();              // ...and only once until the next click or key
    QApplication::processEvents();
    form->TwoDecimals = false;
    DB->ExecSQL("update bill set amount = 5 where id = " + IntToStr(kWallet));
    form->PaintMain();
    EXPECT_EQ(Row(1, kWallet)->AmountText, "5");
    QApplication::processEvents();
}

TEST_F(TreeView, TotalsConvertIntoTheMainCurrency) {
    SeedHousehold(0);
    Open();
    // Group Money: 100 USD in the wallet; the group itself is in USD. A EUR group of 10 adds 20.
    DB->ExecSQL("update bill set amount = 100 where id = " + IntToStr(kCashGroup));
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, isopen, amount) "
        "values "
        "(50, 0, 2, 2, 'Abroad', 5, 1, 10)");
    form->PaintMain();
    EXPECT_DOUBLE_EQ(static_cast<double>(BillTypeViews[1].Total), 120.0);
    form->MainCurrencyId = 2;
    form->PaintMain();
    EXPECT_DOUBLE_EQ(static_cast<double>(BillTypeViews[1].Total), 60.0);
}

TEST_F(TreeView, BudgetSharesAndRepeatingPeriods) {
    SeedHousehold(0);
    DB.reset();
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL(
            "update bill set budget = 100, budget_amount = 30, budget_type = 'F', budget_date_from "
            "= "
            "'20260301', budget_date_to = '20260331' where id = " +
            IntToStr(kGroceries));
        db.ExecSQL(
            "update bill set budget = 100, budget_amount = 120, budget_type = 'F', "
            "budget_date_from = "
            "'20260301', budget_date_to = '20260331' where id = " +
            IntToStr(kRestaurants));
        // Repeating, 1 to 31 January: on 15 March it has moved on to 4 March - 3 April.
        db.ExecSQL(
            "update bill set budget = 50, budget_amount = 0, budget_type = 'T', budget_date_from = "
            "'20260101', budget_date_to = '20260131' where id = " +
            IntToStr(kRent));
        // One-off and over: it ends.
        db.ExecSQL(
            "update bill set budget = 70, budget_type = 'F', budget_date_from = '20260101', "
            "budget_date_to = '20260131' where id = " +
            IntToStr(kBonus));
    }
    Open();
    EXPECT_DOUBLE_EQ(static_cast<double>(Row(2, kGroceries)->Budget), 100);
    auto bill = [](int id, const char* col) {
        return DB->GetTable(AnsiString("select ") + col + " from bill where id = " + IntToStr(id))
            ->FieldAsString(0);
    };
    EXPECT_EQ(bill(kRent, "budget_date_from"), "20260304");
    EXPECT_EQ(bill(kRent, "budget_date_to"), "20260403");
    EXPECT_EQ(bill(kBonus, "budget"), "70");  // only spending accounts carry budgets

    SelectBill = kRestaurants;
    form->PaintMain();
    EXPECT_EQ(form->BudgetRowIndex, 2);
    // Pixels: the over-budget row, selected, and the share text of the other row.
    const TBillTreeRow* r = Row(2, kRestaurants);
    EXPECT_EQ(Pixel(r->TextRect.Right - 30, r->TextRect.Top + 1), RGB(192, 153, 125));
    const TBillTreeRow* g = Row(2, kGroceries);
    EXPECT_EQ(Pixel(g->TextRect.Right - 30, g->TextRect.Top + 1), RGB(255, 255, 255));
}

TEST_F(TreeView, PictureAndStoredRectanglesMatchTheLayout) {
    SeedHousehold(0);
    Open();
    SelectBill = kBank;
    form->PaintMain();
    const int W = (form->ClientWidth() - 10) / 3;
    const int B = form->ClientHeight() - form->Panel1->height() - 10;
    EXPECT_EQ(Pixel(3, ContentTop + 60), RGB(240, 240, 234));       // left margin
    EXPECT_EQ(Pixel(W + 10, ContentTop + 60), RGB(123, 123, 120));  // pane 1 frame
    EXPECT_EQ(Pixel(W + 50, B), RGB(123, 123, 120));                // frame bottom
    EXPECT_EQ(Pixel(form->ClientWidth() - 3, ContentTop + 60), RGB(240, 240, 234));
    const TBillTreeRow* group = Row(1, kCashGroup);
    const TBillTreeRow* bank = Row(1, kBank);
    ASSERT_TRUE(group && bank);
    EXPECT_EQ(Pixel(group->TextRect.Right - 40, group->TextRect.Top + 1), RGB(208, 208, 208));
    EXPECT_EQ(Pixel(bank->TextRect.Right - 40, bank->TextRect.Top + 1), RGB(125, 153, 192));
    EXPECT_EQ(bank->TextRect.Bottom - bank->TextRect.Top, 18);
    EXPECT_TRUE(bank->ExpanderRect.IsEmpty());
    EXPECT_EQ(group->ExpanderRect.Width(), 10);
    // The scroll bar sits at the pane's right edge, with nothing to scroll.
    const TBillTypeView& v = BillTypeViews[1];
    EXPECT_EQ(v.UpRect.Right, 2 * W - 1);
    EXPECT_EQ(v.ScrollMax, 0);
    EXPECT_EQ(v.ThumbRect.Top, v.UpRect.Bottom);
    EXPECT_EQ(v.BodyRect.Left, W + 10);
}

TEST_F(TreeView, AmountsOfAnyLengthKeepTheirGapFromTheCurrency) {
    SeedHousehold(0);
    Open();
    DB->ExecSQL("update currency set short_name = 'TEST' where id = 1");
    DB->ExecSQL("update bill set amount = 13644 where id = " + IntToStr(kBank));
    DB->ExecSQL("update bill set amount = -2503.5 where id = " + IntToStr(kWallet));
    form->TwoDecimals = true;
    SelectBill = kCashGroup;
    form->PaintMain();
    TCanvas& c = form->Canvas();
    c.Font.Size = 10;  // the rows' font
    c.Font.Style = {};
    const int W = (form->ClientWidth() - 10) / 3;
    const int PR = 2 * W - 1 - ScrollBarWidth;
    const QImage& picture = form->Image().Image();
    for (int id : {kBank, kWallet}) {
        const TBillTreeRow* row = Row(1, id);
        ASSERT_TRUE(row);
        const int top = row->TextRect.Top, aw = c.TextWidth(row->AmountText);
        // The amount ends five pixels before the pane's body ends, as it always has...
        EXPECT_FALSE(FirstGlyph(picture, QRect(PR - 5 - aw, top, aw, 18)).isEmpty()) << id;
        EXPECT_TRUE(FirstGlyph(picture, QRect(PR - 5, top, 5, 18)).isEmpty()) << id;
        // ...and the currency name keeps clear of it: no ink in the four columns before it.
        EXPECT_TRUE(FirstGlyph(picture, QRect(PR - 5 - aw - 4, top, 4, 18)).isEmpty())
            << row->AmountText;
    }
    // The widest amount has the currency name right before that gap.
    const int aw = c.TextWidth(Row(1, kBank)->AmountText);
    EXPECT_FALSE(FirstGlyph(picture, QRect(PR - 5 - aw - 40, Row(1, kBank)->TextRect.Top, 36, 18))
                     .isEmpty());
}
