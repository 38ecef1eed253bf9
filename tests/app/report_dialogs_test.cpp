// The report dialogs on the seeded household: the exact report texts they hand to the window,
// the report tab they add, and their lists, limits and corrections.
#include <gtest/gtest.h>

#include <QAction>
#include <QLocale>
#include <cstring>

#include "app/all_forms.h"
#include "app/move_store.h"
#include "app/report_text.h"
#include "app/unit1.h"
#include "dialogs/balance_report_dialog.h"
#include "dialogs/charts_report_dialog.h"
#include "dialogs/print_settings_dialog.h"
#include "dialogs/table_report_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

// Report texts written readably: | is character 1, ^ character 2, # character 3, @ character 4
// and ~ the line end (character 13).
AnsiString R(std::string s) {
    static const char kFrom[] = "|^#@~", kTo[] = "\1\2\3\4\r";
    for (char& c : s)
        if (const char* p = c ? std::strchr(kFrom, c) : nullptr) c = kTo[p - kFrom];
    return s;
}

std::vector<AnsiString> Items(const TStrings& items) {
    std::vector<AnsiString> v;
    for (int i = 0; i < items.Count(); ++i) v.push_back(items[i]);
    return v;
}

void Choose(TListBox& list, const AnsiString& item) {
    list.SetItemIndex(list.Items().IndexOf(item));
    ASSERT_GE(list.ItemIndex(), 0) << item;
}

struct ReportDialogs : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    ModalDriver driver;
    void SetUp() override {
        SeedHousehold(30);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(900, 600);
        CreateDialogs();
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    // Opens a report dialog through its menu command and runs `act` on it.
    template <typename Form>
    void Run(int action, std::function<void(Form&)> act) {
        driver.Then([act](TForm& f) { act(static_cast<Form&>(f)); });
        form->Action(action)->trigger();
    }
    const THeadTab& LastTab() const { return Head.HeadTabs.back(); }
};

void Period(TDateTimePicker& from, TDateTimePicker& to, TDateTime a, TDateTime b) {
    from.SetDate(a);
    to.SetDate(b);
}

}  // namespace

TEST_F(ReportDialogs, BalanceReportSumsBothSectionsInChoiceOrder) {
    const size_t tabs = Head.HeadTabs.size();
    Run<TForm13>(31, [](TForm13& d) {
        EXPECT_EQ(d.Caption(), "Balance");
        EXPECT_EQ(d.GroupBox1->Caption(), Form1->Ui(142));
        EXPECT_EQ(d.GroupBox2->Caption(), Form1->Ui(143));
        EXPECT_EQ(d.Button5->Caption(), Form1->Ui(144));
        EXPECT_EQ(Items(d.ListBox2->Items()),
                  (std::vector<AnsiString>{"Work-Bonus", "Work-Salary"}));
        EXPECT_EQ(Items(d.ListBox4->Items()),
                  (std::vector<AnsiString>{"Food-Groceries", "Food-Restaurants", "Home-Rent"}));
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        EXPECT_EQ(d.DateTimePicker1->Date(), EncodeDate(2026, 3, 15));
        EXPECT_EQ(d.DateTimePicker3->Format(), "dd.MM.yyyy");
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 31));
        Period(*d.DateTimePicker3, *d.DateTimePicker4, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 31));
        Choose(*d.ListBox2, "Work-Salary");
        d.SpeedButton1->Click();
        Choose(*d.ListBox2, "Work-Bonus");
        d.Button1Click();
        // Spending in the order chosen: Rent, Restaurants, Groceries.
        for (const char* item : {"Home-Rent", "Food-Restaurants", "Food-Groceries"}) {
            Choose(*d.ListBox4, item);
            d.Button3Click();
        }
        EXPECT_EQ(d.ChosenIds3, (std::vector<int>{kRent, kRestaurants, kGroceries}));
        EXPECT_EQ(d.ListBox4->Items().Count(), 0);
        d.Button5->Click();
    });
    ASSERT_EQ(Head.HeadTabs.size(), tabs + 1);
    EXPECT_EQ(LastTab().ReportText, R("^Income|^01.01.2026 - 31.01.2026~"
                                      "Work-Salary|2500,00~"
                                      "Work-Bonus|0,00~"
                                      "#^Total income|^2500,00~"
                                      "@^Expenses|^01.01.2026 - 31.01.2026~"
                                      "Home-Rent|0,00~"
                                      "Food-Restaurants|284,95~"
                                      "Food-Groceries|512,91~"
                                      "#^Total expenses|^797,86~"
                                      "@#^Balance|^1702,14~"));
    EXPECT_EQ(LastTab().Kind, tkReport);
    EXPECT_EQ(LastTab().Id, riBalance);
    EXPECT_EQ(LastTab().Caption, form->Ui(141));
    EXPECT_EQ(HeadIndex, static_cast<int>(tabs));
    EXPECT_EQ(HeadButtons.ButtonGroup, -1);
    EXPECT_FALSE(form->Panel1->Visible());
    EXPECT_TRUE(form->Button1->Visible());
}

TEST_F(ReportDialogs, BalanceReportPeriodEdgesRatesAndEmptySections) {
    DB->ExecSQL("update bill set currency_id = 2 where id = " + IntToStr(kRent));
    InsertMovePair(*DB, kRent, kBank, {"20260105", "7", "Rent", "300.004", "-300.004", "1"});
    const size_t tabs = Head.HeadTabs.size();
    // A section without accounts builds nothing and keeps the dialog open.
    Run<TForm13>(31, [](TForm13& d) {
        Choose(*d.ListBox2, "Work-Salary");
        d.Button1Click();
        d.Button5Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        d.Button6Click();
    });
    EXPECT_EQ(Head.HeadTabs.size(), tabs);
    // Moves on the first and last day count; an end before the start becomes the start; a
    // currency at rate 2 doubles its amounts; the entry moved back goes to the end.
    Run<TForm13>(31, [](TForm13& d) {
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 2, 1),
               EncodeDate(2026, 1, 1));
        Period(*d.DateTimePicker3, *d.DateTimePicker4, EncodeDate(2026, 1, 4),
               EncodeDate(2026, 1, 5));
        Choose(*d.ListBox2, "Work-Bonus");
        d.Button1Click();
        Choose(*d.ListBox1, "Work-Bonus");
        d.Button2Click();
        EXPECT_EQ(Items(d.ListBox2->Items()),
                  (std::vector<AnsiString>{"Work-Salary", "Work-Bonus"}));
        EXPECT_EQ(d.AvailableIds1, (std::vector<int>{kSalary, kBonus}));
        Choose(*d.ListBox2, "Work-Bonus");
        d.Button1Click();
        for (const char* item : {"Home-Rent", "Food-Restaurants", "Food-Groceries"}) {
            Choose(*d.ListBox4, item);
            d.Button3Click();
        }
        // Nothing selected: the button only focuses the list.
        d.Button3Click();
        EXPECT_EQ(d.ChosenIds3.size(), 3u);
        d.Button5Click();
        EXPECT_EQ(d.DateTimePicker2->Date(), EncodeDate(2026, 2, 1));
    });
    EXPECT_EQ(LastTab().ReportText, R("^Income|^01.02.2026 - 01.02.2026~"
                                      "Work-Bonus|0,00~"
                                      "#^Total income|^0,00~"
                                      "@^Expenses|^04.01.2026 - 05.01.2026~"
                                      "Home-Rent|600,00~"
                                      "Food-Restaurants|14,11~"
                                      "Food-Groceries|15,48~"
                                      "#^Total expenses|^629,59~"
                                      "@#^Balance|^-629,59~"));
}

TEST_F(ReportDialogs, TableReportListsMovesSumsAndDifference) {
    Run<TForm16>(30, [](TForm16& d) {
        EXPECT_EQ(d.Caption(), Form1->Ui(57));
        EXPECT_EQ(d.Label2->Caption(), Form1->Ui(119));
        EXPECT_EQ(Items(d.ComboBox1->Items()),
                  (std::vector<AnsiString>{
                      "I:Work-Bonus", "I:Work-Salary", "A:Money-Bank", "A:Money-Euro card",
                      "A:Money-Wallet", "S:Food-Groceries", "S:Food-Restaurants", "S:Home-Rent"}));
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 0);
        EXPECT_EQ(d.BillTypes, (std::vector<int>{1, 1, 2, 2, 2, 3, 3, 3}));
        d.ComboBox1->SetItemIndex(4);
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 3));
        d.Button1->Click();
    });
    // Ordered by date, then by number as text ("100" before "2").
    EXPECT_EQ(LastTab().ReportText, R("01.01.2026 - 03.01.2026~A:Money-Wallet~"
                                      "Date|Number|Description|Income|Expense~"
                                      "01.01.2026|100|Dinner out||10~"
                                      "01.01.2026|2|Cash withdrawal|400|~"
                                      "02.01.2026|101|Weekly shop||11,37~"
                                      "03.01.2026|102|Weekly shop||12,74~"
                                      "Difference: 365,89||Total|400|34,11~"));
    EXPECT_EQ(LastTab().Id, riTable);
    EXPECT_EQ(LastTab().Caption, form->Ui(57));
    EXPECT_EQ(HeadIndex, static_cast<int>(Head.HeadTabs.size()) - 1);

    // An income account: the difference is the fifth column less the fourth. The pickers keep
    // the last dates; a move of -12,5 goes to the fifth column without its sign.
    InsertMovePair(*DB, kSalary, kBank, {"20260103", "5", "Correction", "-12.50", "12.50", "1"});
    InsertMovePair(*DB, kSalary, kBank, {"20260104", "6", "Outside", "-1.00", "1.00", "1"});
    Run<TForm16>(30, [](TForm16& d) {
        EXPECT_EQ(d.DateTimePicker2->Date(), EncodeDate(2026, 1, 3));
        d.ComboBox1->SetItemIndex(1);
        d.Button1Click();
    });
    EXPECT_EQ(LastTab().ReportText, R("01.01.2026 - 03.01.2026~I:Work-Salary~"
                                      "Date|Number|Description|Refund|Income~"
                                      "01.01.2026|1|January salary||2500~"
                                      "03.01.2026|5|Correction||12,5~"
                                      "Difference: 2512,5||Total|0|2512,5~"));
    // A period given backwards lists nothing; the sums are all 0.
    Run<TForm16>(30, [](TForm16& d) {
        d.ComboBox1->SetItemIndex(7);
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 2, 1),
               EncodeDate(2026, 1, 1));
        d.Button1Click();
    });
    EXPECT_EQ(LastTab().ReportText, R("01.02.2026 - 01.01.2026~S:Home-Rent~"
                                      "Date|Number|Description|Expense|Refund~"
                                      "Difference: 0||Total|0|0~"));
}

TEST_F(ReportDialogs, ChartsReportPies) {
    InsertMovePair(*DB, kEuroCard, kBank, {"20260110", "9", "Top up", "50.00", "-50.00", "1"});
    Run<TForm14>(22, [](TForm14& d) {
        EXPECT_EQ(Items(d.ComboBox1->Items()),
                  (std::vector<AnsiString>{"Assets", "Income", "Spending"}));
        EXPECT_EQ(Items(d.ComboBox2->Items()),
                  (std::vector<AnsiString>{"A:Money", "I:Work", "S:Food", "S:Home", "S:Travel"}));
        EXPECT_EQ(d.ListBox2->Items()[0], "A:Money-Bank");
        EXPECT_EQ(Items(d.ComboBox3->Items()),
                  (std::vector<AnsiString>{"days", "weeks", "months", "years"}));
        EXPECT_EQ(d.ComboBox4->Items()[1].empty(), false);
        EXPECT_TRUE(d.RadioButton1->Checked());
        EXPECT_TRUE(d.RadioButton3->Checked());
        EXPECT_TRUE(d.ComboBox1->Enabled());
        EXPECT_FALSE(d.ComboBox2->Enabled());
        EXPECT_FALSE(d.ListBox1->Enabled());
        EXPECT_EQ(d.ListBox1->Color(), clBtnFace);
        EXPECT_FALSE(d.CheckBox1->Enabled());
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 31));
        d.ComboBox1->SetItemIndex(2);
        d.Button1->Click();
    });
    EXPECT_EQ(LastTab().ReportText, R("|01.01.2026 - 31.01.2026~Spending~"
                                      "Food|797,86~Home|0,00~Travel|0,00~"));
    EXPECT_EQ(LastTab().Id, riCharts);
    EXPECT_EQ(LastTab().Caption, form->Ui(139));
    Run<TForm14>(22, [](TForm14& d) {
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 31));
        d.ComboBox1->SetItemIndex(1);
        d.Button1Click();
    });
    // Income shows with its sign reversed.
    EXPECT_EQ(LastTab().ReportText, R("|01.01.2026 - 31.01.2026~Income~Work|2500,00~"));
    Run<TForm14>(22, [](TForm14& d) {
        Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
               EncodeDate(2026, 1, 31));
        d.RadioButton4->SetChecked(true);
        EXPECT_TRUE(d.ComboBox2->Enabled());
        EXPECT_FALSE(d.ComboBox1->Enabled());
        EXPECT_EQ(d.ComboBox1->Color(), clBtnFace);
        d.ComboBox2->SetItemIndex(0);
        d.Button1Click();
    });
    // Accounts in the order of the table; the card's euros at rate 2; a negative value stays.
    EXPECT_EQ(LastTab().ReportText, R("^01.01.2026 - 31.01.2026~A:Money~"
                                      "Wallet|-397,86~Bank|2050,00~Euro card|100,00~"));
}

TEST_F(ReportDialogs, ChartsReportTimeSeries) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto timeChart = [&](int bucket, int by, bool bars, TDateTime a, TDateTime b,
                         std::vector<const char*> accounts) {
        Run<TForm14>(22, [&](TForm14& d) {
            d.RadioButton2->SetChecked(true);
            EXPECT_TRUE(d.ListBox2->Enabled());
            EXPECT_EQ(d.ListBox2->Color(), clWindow);
            EXPECT_FALSE(d.RadioButton3->Enabled());
            d.ComboBox3->SetItemIndex(bucket);
            d.ComboBox4->SetItemIndex(by);
            d.CheckBox1->SetChecked(bars);
            Period(*d.DateTimePicker1, *d.DateTimePicker2, a, b);
            for (const char* item : accounts) {
                Choose(*d.ListBox2, item);
                d.SpeedButton1Click();
            }
            d.Button1Click();
        });
        return LastTab().ReportText;
    };
    EXPECT_EQ(timeChart(2, 0, false, EncodeDate(2026, 1, 1), EncodeDate(2026, 2, 28),
                        {"S:Food-Groceries", "I:Work-Salary"}),
              R("#01.01.2026 - 28.02.2026~Grouped by months~"
                "512,91^98,09|2500,00^0,00~Groceries|Salary~Jan|Feb~"));
    // By balances the first bucket holds every move before the start.
    EXPECT_EQ(timeChart(2, 1, true, EncodeDate(2026, 1, 15), EncodeDate(2026, 2, 28),
                        {"S:Food-Groceries"}),
              R("@15.01.2026 - 28.02.2026~Grouped by months~512,91^611,00~Groceries~Jan|Feb~"));
    EXPECT_EQ(
        timeChart(0, 0, false, EncodeDate(2026, 1, 1), EncodeDate(2026, 1, 3), {"A:Money-Wallet"}),
        R("#01.01.2026 - 03.01.2026~Grouped by days~390,00^-11,37^-12,74~Wallet~"
          "01.01.2026|02.01.2026|03.01.2026~"));
    // A Sunday start: weeks count from the Monday before; Monday's move is in week 1.
    EXPECT_EQ(timeChart(1, 0, false, EncodeDate(2026, 1, 4), EncodeDate(2026, 1, 12),
                        {"S:Food-Restaurants"}),
              R("#04.01.2026 - 12.01.2026~Grouped by weeks~14,11^40,55^0,00~Restaurants~"
                "29.12.2025|05.01.2026|12.01.2026~"));
    // One day by days: one bucket, one label; a period given backwards is turned round.
    EXPECT_EQ(timeChart(0, 0, false, EncodeDate(2026, 1, 4), EncodeDate(2026, 1, 4),
                        {"S:Food-Restaurants"}),
              R("#04.01.2026 - 04.01.2026~Grouped by days~14,11~Restaurants~04.01.2026~"));
    EXPECT_EQ(timeChart(3, 0, false, EncodeDate(2026, 2, 1), EncodeDate(2025, 12, 1),
                        {"S:Food-Restaurants"}),
              R("#01.12.2025 - 01.02.2026~Grouped by years~0,00^284,95~Restaurants~2025|2026~"));
    QLocale::setDefault(QLocale::system());
}

TEST_F(ReportDialogs, MonthLabelsTheCodePageCannotHoldFallBackToEnglishNames) {
    const std::string page = InterfaceCodePage();
    auto labels = [&](const QLocale& locale, const char* codePage) {
        QLocale::setDefault(locale);
        SetInterfaceCodePage(codePage);
        Run<TForm14>(22, [&](TForm14& d) {
            d.RadioButton2->SetChecked(true);
            d.ComboBox3->SetItemIndex(2);
            Period(*d.DateTimePicker1, *d.DateTimePicker2, EncodeDate(2026, 1, 1),
                   EncodeDate(2026, 2, 28));
            Choose(*d.ListBox2, "S:Food-Groceries");
            d.SpeedButton1Click();
            d.Button1Click();
        });
        const AnsiString& text = LastTab().ReportText;
        return text.substr(text.rfind('\r', text.size() - 2) + 1);
    };
    auto names = [](const QLocale& locale) {
        return FromQString(locale.monthName(1, QLocale::ShortFormat)) + "\1" +
               FromQString(locale.monthName(2, QLocale::ShortFormat)) + "\r";
    };
    // Japanese names are no Western code page's: the labels are not left as "?".
    const AnsiString japanese = labels(QLocale(QLocale::Japanese, QLocale::Japan), "CP1252");
    EXPECT_EQ(japanese, names(QLocale::c()));
    // Names the code page holds are the desktop's own.
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const AnsiString cyrillic = labels(russian, "CP1251");
    EXPECT_EQ(cyrillic, names(russian));
    EXPECT_NE(cyrillic, names(QLocale::c()));
    SetInterfaceCodePage(page);
    QLocale::setDefault(QLocale::system());
}

TEST_F(ReportDialogs, ChartsDialogLimitsChoiceToFiveAndBuildsNothingWithoutAccounts) {
    const size_t tabs = Head.HeadTabs.size();
    Run<TForm14>(22, [](TForm14& d) {
        d.RadioButton2->SetChecked(true);
        d.Button1Click();  // no account chosen
        EXPECT_EQ(d.ModalResult(), mrNone);
        for (int i = 0; i < 7; ++i) {
            d.ListBox2->SetItemIndex(0);
            d.SpeedButton1Click();
        }
        EXPECT_EQ(d.ListBox1->Items().Count(), 5);
        EXPECT_EQ(d.ChosenIds.size(), 5u);
        EXPECT_EQ(d.ListBox2->Items().Count(), 3);
        EXPECT_EQ(d.AvailableIds.size(), 3u);
        d.ListBox1->SetItemIndex(0);
        const AnsiString first = d.ListBox1->Items()[0];
        d.SpeedButton2Click();
        EXPECT_EQ(d.ListBox2->Items()[3], first);
        d.Button2Click();
    });
    EXPECT_EQ(Head.HeadTabs.size(), tabs);
    // Reopening starts afresh: nothing chosen, pies, today.
    Run<TForm14>(22, [](TForm14& d) {
        EXPECT_EQ(d.ListBox1->Items().Count(), 0);
        EXPECT_EQ(d.ListBox2->Items().Count(), 8);
        EXPECT_TRUE(d.RadioButton1->Checked());
        EXPECT_EQ(d.DateTimePicker2->Date(), EncodeDate(2026, 3, 15));
        d.Button2Click();
    });
}

TEST_F(ReportDialogs, BucketFunctions) {
    const TDateTime sunday = EncodeDate(2026, 1, 4);
    EXPECT_EQ(TForm14::Days(sunday + 0.9, EncodeDate(2026, 1, 6) + 0.1), 2);
    EXPECT_EQ(TForm14::Weeks(sunday, EncodeDate(2026, 1, 4)), 0);
    EXPECT_EQ(TForm14::Weeks(sunday, EncodeDate(2026, 1, 5)), 1);
    EXPECT_EQ(TForm14::Weeks(sunday, EncodeDate(2026, 1, 11)), 1);
    EXPECT_EQ(TForm14::Weeks(sunday, EncodeDate(2026, 1, 12)), 2);
    EXPECT_EQ(TForm14::Months(EncodeDate(2025, 11, 30), EncodeDate(2026, 2, 1)), 3);
    EXPECT_EQ(TForm14::Years(EncodeDate(2025, 12, 31), EncodeDate(2026, 1, 1)), 1);
}

TEST_F(ReportDialogs, PrintSettingsKeepValuesAndHoldCopiesAtOne) {
    TForm15& d = *Form15;
    EXPECT_EQ(d.Caption(), form->Ui(159));
    EXPECT_EQ(d.GroupBox1->Caption(), " " + form->Ui(161) + " ");
    EXPECT_EQ(d.Label6->Caption(), form->Ui(147));
    for (TSpinEdit* s : {d.SpinEdit1, d.SpinEdit2, d.SpinEdit3, d.SpinEdit4})
        EXPECT_EQ(s->Value(), 10);
    EXPECT_EQ(d.SpinEdit5->Value(), 1);
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm15&>(f);
        EXPECT_EQ(d.Tag, 0);
        EXPECT_EQ(d.ComboBox1->Items().Count(), d.PrinterNames.size());
        EXPECT_EQ(d.ComboBox1->ItemIndex(), d.PrinterNames.isEmpty() ? -1 : 0);
        d.SpinEdit5->SetValue(0);
        EXPECT_EQ(d.SpinEdit5->Value(), 1);
        d.SpinEdit5->SetValue(-4);
        EXPECT_EQ(d.SpinEdit5->Value(), 1);
        d.SpinEdit5->SetValue(3);
        d.SpinEdit1->SetValue(-5);
        d.Button1->Click();
    });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 1);
    // Cancel or the close box: Tag 0; the values stay for the next showing.
    driver.Then([](TForm& f) { static_cast<TForm15&>(f).Button2->Click(); });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 0);
    driver.Then([](TForm& f) { f.close(); });
    d.ShowModal();
    EXPECT_EQ(d.Tag, 0);
    EXPECT_EQ(d.SpinEdit5->Value(), 3);
    EXPECT_EQ(d.SpinEdit1->Value(), -5);
}

TEST_F(ReportDialogs, ReportCommandAsksBeforeLeavingAnEditedRow) {
    THeadTab ledger;
    ledger.Kind = tkLedger;
    ledger.Id = kWallet;
    ledger.BillTypeId = 2;
    ledger.Caption = "Wallet";
    Head.HeadTabs.push_back(ledger);
    form->SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    Ledger.Editing = true;
    ScriptedBoxes boxes;
    boxes.Answer(IDCANCEL);
    form->Action(30)->trigger();  // cancelled: no dialog
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_TRUE(Ledger.Editing);
    boxes.Answer(IDNO);
    Run<TForm16>(30, [](TForm16& d) { d.Button1Click(); });
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(CurrentTab().Kind, tkReport);
}
