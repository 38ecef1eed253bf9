// The settings dialog through the main window's settings command: what it shows, what OK writes
// into the window and the process-wide formats, and what Cancel leaves alone.
#include "dialogs/settings_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>

#include "app/all_forms.h"
#include "app/unit1.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct SettingsDialog : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    void SetUp() override {
        SeedHousehold(2);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        CreateDialogs();
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    // Runs the settings command with `action` on the shown dialog.
    void Settings(std::function<void(TForm8&)> action) {
        ModalDriver driver;
        driver.Then([&](TForm& f) { action(static_cast<TForm8&>(f)); });
        form->Action(13)->trigger();
        EXPECT_EQ(driver.shown(), 1);
    }
    static void Type(TForm8& d, const char* text) {
        d.SpinEdit1->findChild<QLineEdit*>()->setText(text);
    }
    static AnsiString Setting(const TForm1& f, const AnsiString& name) {
        for (const auto& [key, value] : f.SettingsRows())
            if (key == name) return value;
        return "(none)";
    }
};

}  // namespace

TEST_F(SettingsDialog, ShowsTheWindowsSettingsWithItsCaptions) {
    form->Title = "Our house";
    form->TitleInReports = true;
    form->NegativeRed = true;
    form->MainCurrencyId = 2;
    form->BackupCount = 4;
    form->DateFormatIndex = 2;
    EXPECT_TRUE(form->Action(13)->isEnabled());
    Settings([&](TForm8& d) {
        EXPECT_EQ(d.Caption(), form->Ui(64));
        EXPECT_EQ(d.Label1->Caption(), form->Ui(109));
        EXPECT_EQ(d.CheckBox1->Caption(), form->Ui(110));
        EXPECT_EQ(d.Label2->Caption(), form->Ui(111));
        EXPECT_EQ(d.CheckBox2->Caption(), form->Ui(112));
        EXPECT_EQ(d.CheckBox3->Caption(), form->Ui(113));
        EXPECT_EQ(d.GroupBox1->Caption(), " " + form->Ui(114) + " ");
        EXPECT_EQ(d.RadioButton1->Caption(), "07/31/2005  " + form->Ui(115));
        EXPECT_EQ(d.RadioButton4->Caption(), "2005-07-31  " + form->Ui(118));
        EXPECT_EQ(d.Label3->Caption(), form->Ui(140));
        EXPECT_EQ(d.Button1->Caption(), form->Ui(5));
        EXPECT_EQ(d.Button2->Caption(), form->Ui(6));
        EXPECT_EQ(d.Edit1->Text(), "Our house");
        EXPECT_TRUE(d.CheckBox1->Checked());
        EXPECT_FALSE(d.CheckBox2->Checked());
        EXPECT_TRUE(d.CheckBox3->Checked());
        EXPECT_TRUE(d.RadioButton2->Checked());
        EXPECT_FALSE(d.RadioButton3->Checked());
        ASSERT_EQ(d.ComboBox1->Items().Count(), 2);
        EXPECT_EQ(d.ComboBox1->Items()[0], "Dollar USD");
        EXPECT_EQ(d.ComboBox1->Items()[1], "Euro EUR");
        EXPECT_EQ(d.CurrencyIds, (std::vector<int>{1, 2}));
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 1);
        EXPECT_EQ(d.SpinEdit1->Value(), 4);
        d.Button2->Click();
    });
    // An unknown index checks the d.m.y format.
    form->DateFormatIndex = 9;
    Settings([](TForm8& d) {
        EXPECT_TRUE(d.RadioButton3->Checked());
        d.Button2->Click();
    });
}

TEST_F(SettingsDialog, OkWritesTheWindowFieldsFormatsAndCaption) {
    LastDate = "31.07.2005";
    const int tab = static_cast<int>(Head.HeadTabs.size());
    THeadTab ledger;
    ledger.Kind = tkLedger;
    ledger.Id = kWallet;
    ledger.BillTypeId = 2;
    Head.HeadTabs.push_back(ledger);
    form->SwitchToTab(tab);
    ASSERT_FALSE(Ledger.Rows.empty());
    // The new row, selected, shows its date in the short form of the format.
    EXPECT_EQ(Ledger.Rows.back().Cells[0], "31.07.05");
    Settings([](TForm8& d) {
        d.Edit1->SetText("Smith's budget");
        d.CheckBox1->SetChecked(true);
        d.CheckBox2->SetChecked(true);
        d.CheckBox3->SetChecked(true);
        d.ComboBox1->SetItemIndex(1);
        d.RadioButton4->SetChecked(true);
        d.SpinEdit1->SetValue(7);
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrOk);
    });
    EXPECT_EQ(form->Title, "Smith's budget");
    EXPECT_EQ(form->windowTitle().toStdString(), "Quillmarsh 1.5 - Smith's budget");
    EXPECT_TRUE(form->TitleInReports);
    EXPECT_TRUE(form->TwoDecimals);
    EXPECT_TRUE(form->NegativeRed);
    EXPECT_EQ(form->MainCurrencyId, 2);
    EXPECT_EQ(form->BackupCount, 7);
    EXPECT_EQ(form->DateFormatIndex, 4);
    EXPECT_EQ(form->DateFormat, "yyyy-MM-dd");
    EXPECT_EQ(LastDate, "2005-07-31");
    EXPECT_EQ(FormatSettings().DateSeparator, '-');
    EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy-MM-dd");
    EXPECT_EQ(FormatSettings().LongDateFormat, "yyyy-MM-dd");
    EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
    EXPECT_EQ(form->DateTimePicker1->Format(), "yyyy-MM-dd");
    EXPECT_EQ(form->DateTimePicker2->Format(), "yyyy-MM-dd");
    EXPECT_EQ(StrToDate("2026-02-03"), EncodeDate(2026, 2, 3));
    // The ledger was rebuilt in the new format when the window repainted.
    ASSERT_FALSE(Ledger.Rows.empty());
    EXPECT_EQ(Ledger.Rows.back().Cells[0], "05-07-31");
    // Shut-down writes what OK stored.
    EXPECT_EQ(Setting(*form, "settings-title"), "Smith's budget");
    EXPECT_EQ(Setting(*form, "settings-dateformat"), "4");
    EXPECT_EQ(Setting(*form, "settings-currmain_id"), "2");
    EXPECT_EQ(Setting(*form, "reserv-count"), "7");
    EXPECT_EQ(Setting(*form, "settings-minusredbol"), "true");

    // Back to m/d/y with an empty title: the slash and the bare caption.
    Settings([](TForm8& d) {
        d.Edit1->SetText("");
        d.RadioButton1->SetChecked(true);
        d.Button1->Click();
    });
    EXPECT_EQ(form->windowTitle().toStdString(), "Quillmarsh 1.5");
    EXPECT_EQ(LastDate, "07/31/2005");
    EXPECT_EQ(FormatSettings().DateSeparator, '/');
}

TEST_F(SettingsDialog, CancelAndRefusedInputStoreNothing) {
    const AnsiString lastDate = LastDate;
    form->MainCurrencyId = -1;
    Settings([](TForm8& d) {
        // Without a main currency the first listed becomes it, even when cancelled.
        EXPECT_EQ(d.ComboBox1->ItemIndex(), 0);
        d.Edit1->SetText("changed");
        d.RadioButton1->SetChecked(true);
        d.CheckBox2->SetChecked(true);
        d.Button2->Click();
    });
    EXPECT_EQ(form->MainCurrencyId, 1);
    EXPECT_NE(form->Title, "changed");
    EXPECT_EQ(form->DateFormatIndex, 3);
    EXPECT_FALSE(form->TwoDecimals);
    EXPECT_EQ(LastDate, lastDate);
    EXPECT_EQ(FormatSettings().DateSeparator, '.');

    // The backup count is at least one, whatever is typed, and stays within reason.
    Settings([](TForm8& d) {
        for (const char* typed : {"0", "-3", "", "x", " "}) {
            Type(d, typed);
            EXPECT_EQ(d.SpinEdit1->Value(), 1) << '"' << typed << '"';
        }
        Type(d, "12");
        EXPECT_EQ(d.SpinEdit1->Value(), 12);
        Type(d, "5000000");
        EXPECT_EQ(d.SpinEdit1->Value(), 999);
        Type(d, "0");
        d.Button1->Click();
    });
    EXPECT_EQ(form->BackupCount, 1);

    // A new row date that does not read under the format in force: the error is shown and
    // nothing is stored.
    LastDate = "not a date";
    ScriptedBoxes boxes;
    boxes.Answer(IDOK);
    Settings([](TForm8& d) {
        d.Edit1->SetText("never stored");
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        d.Button2->Click();
    });
    EXPECT_NE(form->Title, "never stored");

    // With no currency at all OK leaves the main currency as it was.
    LastDate = lastDate;
    DB->ExecSQL("delete from currency");
    Settings([](TForm8& d) {
        EXPECT_EQ(d.ComboBox1->ItemIndex(), -1);
        d.Button1->Click();
    });
    EXPECT_EQ(form->MainCurrencyId, 1);
}

TEST_F(SettingsDialog, AnEditedRowIsSettledBeforeTheLedgerIsRebuilt) {
    THeadTab ledger;
    ledger.Kind = tkLedger;
    ledger.Id = kWallet;
    ledger.BillTypeId = 2;
    Head.HeadTabs.push_back(ledger);
    form->SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    Ledger.Rows.back().Cells[1] = "typed";
    Ledger.Editing = true;
    ScriptedBoxes boxes;
    ModalDriver driver;
    // Cancel keeps the edit and opens nothing.
    boxes.Answer(IDCANCEL, form->Ui(98));
    form->Action(13)->trigger();
    EXPECT_EQ(driver.shown(), 0);
    EXPECT_TRUE(Ledger.Editing);
    EXPECT_EQ(Ledger.Rows.back().Cells[1], "typed");
    // No drops it, then the dialog opens.
    boxes.Answer(IDNO, form->Ui(98));
    driver.Then([](TForm& d) { static_cast<TForm8&>(d).Button1->Click(); });
    form->Action(13)->trigger();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_FALSE(Ledger.Editing);
    EXPECT_EQ(Ledger.Rows.back().Cells[1], "");
}

TEST_F(SettingsDialog, ATitleTheCodePageCannotHoldIsRefusedAndNothingIsStored) {
    form->Title = "Our house";
    const QString caption = form->windowTitle();
    ScriptedBoxes boxes;
    boxes.Answer(IDOK);
    Settings([](TForm8& d) {
        d.Edit1->selectAll();
        TypeText(d.Edit1, QString::fromUtf8("Our house 🏠"));
        d.RadioButton4->SetChecked(true);
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        EXPECT_EQ(d.Edit1->selectedText(), QString::fromUtf8("🏠"));
        d.Button2->Click();
    });
    EXPECT_EQ(form->Title, "Our house");
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(form->DateFormatIndex, 3);
    EXPECT_EQ(Setting(*form, "settings-title"), "Our house");
    ASSERT_EQ(boxes.asked().size(), 1u);
    AnsiString field = form->Ui(109);
    while (!field.empty() && (field.back() == ':' || field.back() == ' ')) field.pop_back();
    EXPECT_NE(boxes.asked()[0].text.find("\"" + field + "\""), AnsiString::npos);
    EXPECT_NE(boxes.asked()[0].text.find("U+1F3E0"), AnsiString::npos);

    // A title the code page holds is taken, accents and all.
    const QString maison = QString::fromUtf8("Maison Café");
    Settings([&](TForm8& d) {
        d.Edit1->selectAll();
        TypeText(d.Edit1, maison);
        d.Button1->Click();
    });
    EXPECT_EQ(form->Title, FromQString(maison));
    EXPECT_TRUE(form->windowTitle().endsWith(maison));
}
