// The account, group and account deletion dialogs on their own: captions, lists, keys and results.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "app/window/main_window.h"
#include "dialogs/account_delete_dialog.h"
#include "dialogs/account_dialog.h"
#include "dialogs/group_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

void Press(QWidget* w, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

std::vector<AnsiString> Items(const TComboBox& list) {
    std::vector<AnsiString> items;
    for (int i = 0; i < list.Items().Count(); ++i) items.push_back(list.Items()[i]);
    return items;
}

struct AccountDialogs : HouseholdWindow {
    AccountDialogs() { start.width = start.height = 0; }
    void SetUp() override { Open(0); }
};

}  // namespace

TEST_F(AccountDialogs, AccountDialogCaptionsListsAndPreselection) {
    TForm2& d = *Form2;
    EXPECT_EQ(d.Label3->Caption(), form->Ui(0) + ": ");
    EXPECT_EQ(d.Label4->Caption(), form->Ui(1) + ": ");
    EXPECT_EQ(d.Label5->Caption(), form->Ui(2) + ": ");
    EXPECT_EQ(d.Label2->Caption(), form->Ui(3) + ": ");
    EXPECT_EQ(d.CheckBox2->Caption(), form->Ui(4));
    EXPECT_EQ(d.CheckBox1->Caption(), form->Ui(167));
    EXPECT_EQ(d.Button1->Caption(), form->Ui(5));
    EXPECT_EQ(d.Button2->Caption(), form->Ui(6));
    EXPECT_TRUE(d.Button1->Default());
    EXPECT_EQ(Items(*d.ComboBox1), (std::vector<AnsiString>{"Income", "Assets", "Spending"}));
    EXPECT_EQ(d.TypeIds, (std::vector<int>{1, 2, 3}));

    // Groups follow the type, in position order; the preselected one or else the first.
    d.ComboBox1->SetItemIndex(2);
    d.GroupId = qmtest::kHomeGroup;
    d.ComboBox1Change();
    EXPECT_EQ(Items(*d.ComboBox2), (std::vector<AnsiString>{"Food", "Home", "Travel"}));
    EXPECT_EQ(d.ComboBox2->ItemIndex(), 1);
    d.GroupId = 0;
    d.ComboBox1Change();
    EXPECT_EQ(d.ComboBox2->ItemIndex(), 0);
    // A type without groups leaves the list empty, without selection.
    DB->ExecSQL("delete from bill where bill_type_id = 1");
    d.ComboBox1->SetItemIndex(0);
    d.ComboBox1Change();
    EXPECT_EQ(d.ComboBox2->Items().Count(), 0);
    EXPECT_EQ(d.ComboBox2->ItemIndex(), -1);

    // The currency list is rebuilt at each opening; an unknown currency selects the first.
    ModalDriver driver;
    d.CurrencyId = 2;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        EXPECT_EQ(Items(*d.ComboBox3), (std::vector<AnsiString>{"Dollar USD", "Euro EUR"}));
        EXPECT_EQ(d.CurrencyIds, (std::vector<int>{1, 2}));
        EXPECT_EQ(d.ComboBox3->ItemIndex(), 1);
    });
    d.ShowModal();
    d.CurrencyId = 99;
    driver.Then([](TForm& f) { EXPECT_EQ(static_cast<TForm2&>(f).ComboBox3->ItemIndex(), 0); });
    d.ShowModal();
    DB->ExecSQL("delete from currency");
    driver.Then([](TForm& f) {
        EXPECT_EQ(static_cast<TForm2&>(f).ComboBox3->Items().Count(), 0);
        EXPECT_EQ(static_cast<TForm2&>(f).ComboBox3->ItemIndex(), -1);
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, -1);
}

TEST_F(AccountDialogs, EnterIsOkOnceAndEscapeCancels) {
    ModalDriver driver;
    Form2->ComboBox1->SetItemIndex(1);
    Form2->ComboBox1Change();
    Form6->ComboBox1->SetItemIndex(1);
    for (TForm* f : {static_cast<TForm*>(Form2), static_cast<TForm*>(Form6)}) {
        int clicks = 0;
        driver.Then([&](TForm& shown) {
            TEdit* edit = &shown == Form2 ? Form2->Edit1 : Form6->Edit1;
            TButton* ok = &shown == Form2 ? Form2->Button1 : Form6->Button1;
            auto previous = ok->OnClick;
            ok->OnClick = [&clicks, previous] {
                ++clicks;
                previous();
            };
            Press(edit, Qt::Key_Return);
            ok->OnClick = previous;
        });
        f->ShowModal();
        EXPECT_EQ(f->Tag, 0);
        EXPECT_EQ(clicks, 1);
        driver.Then([&](TForm& shown) {
            Press(&shown == Form2 ? Form2->Edit1 : Form6->Edit1, Qt::Key_Escape);
        });
        f->ShowModal();
        EXPECT_EQ(f->Tag, -1);
    }
    // The group dialog's Cancel after an earlier OK reports -1; closing the window as well.
    driver.Then([](TForm& f) { static_cast<TForm6&>(f).Button1->Click(); })
        .Then([](TForm& f) { static_cast<TForm6&>(f).Button2->Click(); })
        .Then([](TForm&) {});
    Form6->ShowModal();
    EXPECT_EQ(Form6->Tag, 0);
    Form6->ShowModal();
    EXPECT_EQ(Form6->Tag, -1);
    Form6->ShowModal();
    EXPECT_EQ(Form6->Tag, -1);
}

TEST_F(AccountDialogs, GroupAndDeletionDialogCaptions) {
    TForm6& g = *Form6;
    EXPECT_EQ(g.Label3->Caption(), form->Ui(0) + ": ");
    EXPECT_EQ(g.Label5->Caption(), form->Ui(2) + ": ");
    EXPECT_EQ(g.Label2->Caption(), form->Ui(3) + ": ");
    EXPECT_EQ(g.CheckBox1->Caption(), form->Ui(167));
    EXPECT_EQ(g.Button1->Caption(), form->Ui(5));
    EXPECT_EQ(g.Button2->Caption(), form->Ui(6));
    EXPECT_EQ(g.TypeIds, (std::vector<int>{1, 2, 3}));

    TForm5& d = *Form5;
    EXPECT_EQ(d.Caption(), form->Ui(22));
    EXPECT_EQ(d.Label1->Caption(), form->Ui(23));
    EXPECT_EQ(d.Button3->Caption(), form->Ui(24));
    EXPECT_EQ(d.Button2->Caption(), form->Ui(25));
    EXPECT_EQ(d.Button1->Caption(), form->Ui(6));
    // The target list: the other accounts of the type, groups and accounts by name, with
    // apostrophes kept; with no other account, moving is not offered.
    DB->ExecSQL("update bill set name = 'Bob''s' where id = " + IntToStr(kRestaurants));
    SelectBill = kRent;
    ModalDriver driver;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm5&>(f);
        EXPECT_EQ(Items(*d.ComboBox1),
                  (std::vector<AnsiString>{"S:Food-Bob's", "S:Food-Groceries"}));
        EXPECT_EQ(d.TargetIds, (std::vector<int>{kRestaurants, kGroceries}));
        EXPECT_TRUE(d.Button3->Enabled());
        d.Button1->Click();
    });
    d.ShowModal();
    DB->ExecSQL("delete from bill where id in (9, 10)");
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm5&>(f);
        EXPECT_EQ(d.ComboBox1->ItemIndex(), -1);
        EXPECT_FALSE(d.Button3->Enabled());
        d.Button3->Click();  // a click in code still must not index the empty list
        d.Button1->Click();
    });
    d.ShowModal();
    EXPECT_EQ(DB->GetTable("select count(*) from bill where id = 12")->FieldAsInteger(0), 1);
}
