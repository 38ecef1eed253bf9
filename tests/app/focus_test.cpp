// Who has the keys in the main window: the window itself from the first moment after start,
// after the period recalculation, and after the print button of a report tab had them. Keys are
// sent to whatever widget has the focus, as the window system would send them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "app/unit1.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

// Lets queued window-system events (activation, focus) arrive; true once `done` holds.
bool Settle(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A key pressed and released where the focus is.
void Key(int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

struct Focus : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 12, 7) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    void SetUp() override {
        SeedHousehold(12);
        {
            // The last session left the wallet's ledger current, with a balance report open.
            TSQLiteDatabase db("./Quillmarsh.dat");
            db.ExecSQL("insert into param (name, value) values ('head-bill-001', '5:1')");
            db.ExecSQL(
                "insert into param (name, value) values ('head-bill-002', '2:2:Wallet' || "
                "char(1) || '1,00' || char(13))");
            db.ExecSQL("insert into param (name, value) values ('head-index', '1')");
        }
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(Settle([this] { return QApplication::activeWindow() == form.get(); }));
    }
    void TearDown() override { form.reset(); }
};

}  // namespace

TEST_F(Focus, TheWindowHasTheKeysRightAfterStart) {
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    ASSERT_EQ(HeadIndex, 1);
    const AnsiString balances =
        DB->GetTable("select group_concat(amount) from bill")->FieldAsString(0);
    // Space goes to the ledger's date cell, which ignores it; the period filter stays off.
    Key(Qt::Key_Space, {}, " ");
    EXPECT_FALSE(form->CheckBox1->Checked());
    EXPECT_EQ(DB->GetTable("select group_concat(amount) from bill")->FieldAsString(0), balances);
    // Up from the new row selects the last move; Ctrl+Left goes to the tree, Down there moves
    // the selection.
    const int last = Ledger.Rows[Ledger.Rows.size() - 2].Id;
    Key(Qt::Key_Up);
    EXPECT_EQ(SelectMove, last);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(HeadIndex, 0);
    SelectBill = kWallet;
    form->FormPaint();
    Key(Qt::Key_Down);
    EXPECT_EQ(SelectBill, kBank);
}

TEST_F(Focus, ThePeriodRecalculationHandsTheKeysToTheWindow) {
    // A click on the check box gives it the focus before it toggles.
    form->CheckBox1->SetFocus();
    form->CheckBox1->click();
    ASSERT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    // A second Space does not untick it.
    Key(Qt::Key_Space, {}, " ");
    EXPECT_TRUE(form->CheckBox1->Checked());
}

TEST_F(Focus, LeavingAReportTabHandsThePrintButtonsKeysToTheWindow) {
    form->SwitchToTab(2);
    ASSERT_EQ(QApplication::focusWidget(), form->Button1);
    // Ctrl+Left reaches the window through the print button and switches back to the ledger.
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(HeadIndex, 1);
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    // Ctrl+Right from the ledger, and back to the tree without a key or a click on the window
    // (as from the list of tabs).
    Key(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_EQ(HeadIndex, 2);
    EXPECT_EQ(QApplication::focusWidget(), form->Button1);
    form->HeadMenuClick(0);
    EXPECT_EQ(HeadIndex, 0);
    EXPECT_EQ(QApplication::focusWidget(), form.get());
}

TEST_F(Focus, AClosingDropDownListOrCalendarHandsTheKeysToTheWindow) {
    // The correspondent list takes the keys while it is open; saving with Ctrl+S closes it.
    Key(Qt::Key_Up);
    ASSERT_EQ(SelectMove, Ledger.Rows[Ledger.Rows.size() - 2].Id);
    form->SelDestBill(Ledger.CurRow);
    ASSERT_EQ(QApplication::focusWidget(), form->ListBox1);
    form->HideEditorPopups();
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    // A click on a day of the calendar gives it the keys before it closes.
    form->Panel2->SetVisible(true);
    form->MonthCalendar1->SetFocus();
    ASSERT_TRUE(form->MonthCalendar1->Focused());
    form->MonthCalendar1Click();
    EXPECT_EQ(QApplication::focusWidget(), form.get());
    // Esc drops the calendar's date, and Up (which a calendar would keep) selects the move
    // before.
    const int before = Ledger.Rows[Ledger.Rows.size() - 3].Id;
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Ledger.Editing);
    Key(Qt::Key_Up);
    EXPECT_EQ(SelectMove, before);
}
