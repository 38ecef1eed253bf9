// The currencies dialog: the grid loaded from the table, rate expressions typed and checked,
// rows added and deleted, and Save writing the table and the group totals that follow a rate.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <cctype>
#include <cstdlib>

#include "app/all_forms.h"
#include "app/move_store.h"
#include "app/unit1.h"
#include "dialogs/currencies_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Currencies : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    ModalDriver driver;

    void SetUp() override {
        SeedHousehold(0);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        CreateDialogs();
        HeadIndex = 0;
        form->FormPaint();
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    AnsiString Table() {
        AnsiString out;
        auto t =
            DB->GetTable("select id, name, short_name, kurs, kurs_str from currency order by id");
        for (; !t->Eof(); t->Next())
            for (int c = 0; c < 5; ++c)
                out += Utf8ToAnsi(t->FieldAsString(c)) + (c < 4 ? "|" : "\n");
        return out;
    }
    static AnsiString Grid(const TForm3& d) {
        AnsiString out;
        for (int r = 0; r < d.StringGrid1->RowCount(); ++r)
            for (int c = 0; c < 3; ++c) out += d.StringGrid1->Cells(c, r) + (c < 2 ? "|" : "\n");
        return out;
    }
    AnsiString Amount(int id) {
        return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
    }
    // Keys as the keyboard sends them, each a press and a release.
    static void Key(QWidget* w, int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &release);
    }
    static void Type(QWidget* w, const char* chars) {
        for (const char* c = chars; *c; ++c)
            Key(w, std::toupper(static_cast<unsigned char>(*c)), QString(QChar(*c)));
    }
    static TForm3& Dialog(TForm& f) { return static_cast<TForm3&>(f); }
    static void SetRow(TForm3& d, int row, const AnsiString& name, const AnsiString& shortName,
                       const AnsiString& rate) {
        d.StringGrid1->SetCells(0, row, name);
        d.StringGrid1->SetCells(1, row, shortName);
        d.StringGrid1->SetCells(2, row, rate);
    }
};

}  // namespace

TEST_F(Currencies, SavedRatesAreStoredBothWaysAndGroupTotalsFollow) {
    // The card holds 10 EUR, the Money group counts them at 2 USD each.
    InsertMovePair(*DB, kEuroCard, kWallet, {"20260105", "", "", "10.00", "-10.00", "1"});
    for (int id : {kEuroCard, kWallet}) form->CalcBillAmount(IntToStr(id));
    ASSERT_EQ(Amount(kCashGroup), "2510");
    DB->ExecSQL("update currency set kurs_str = '1/0.5' where id = 2");
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        EXPECT_EQ(d.Button4->text(), QString::fromUtf8("Отменить"));
        EXPECT_GE(d.StringGrid1->ColWidths(1), 49);
        EXPECT_EQ(d.StringGrid1->ColWidths(0) + d.StringGrid1->ColWidths(1), 159 + 49);
        EXPECT_EQ(d.StringGrid1->ColWidths(2), 146);
        // A stored point shows as the decimal comma.
        EXPECT_EQ(Grid(d), form->Ui(3) + "|" + form->Ui(7) + "|" + form->Ui(8) +
                               "\nDollar|USD|1\nEuro|EUR|1/0,5\n");
        EXPECT_EQ(d.RowIds, (std::vector<int>{1, 2}));
        SetRow(d, 2, "Euro", "EUR", "1/2,5");
        d.Button1Click();
        EXPECT_EQ(d.RowIds, (std::vector<int>{1, 2, -1}));
        SetRow(d, 3, "Bob's coin", "BOB", "1/30");
        d.Button1Click();
        SetRow(d, 4, "Half", "HLF", "0,5");
        d.Button3Click();
    });
    form->Action(17)->trigger();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_EQ(Table(),
              "1|Dollar|USD|1|1\n"
              "2|Euro|EUR|2,5|1/2,5\n"
              "3|Bob's coin|BOB|30|1/30\n"
              "4|Half|HLF|2|0,5\n");
    EXPECT_EQ(Amount(kCashGroup), "2515");  // 2100 + 390 + 10 x 2.5
}

TEST_F(Currencies, ABadRateAnywhereBlocksTheWholeSave) {
    const AnsiString before = Table();
    ScriptedBoxes boxes;
    for (const char* bad : {"2.5", "", "0", "1/0", "2(3)"}) {
        driver.Then([&](TForm& f) {
            TForm3& d = Dialog(f);
            SetRow(d, 1, "Dollar", "USD", "1/3");
            d.Button1Click();
            SetRow(d, 3, "Yen", "JPY", bad);
            boxes.Answer(IDOK, form->Ui(11));
            d.Button3Click();
            EXPECT_EQ(d.StringGrid1->Row(), 3);
            EXPECT_EQ(d.StringGrid1->Col(), 2);
            d.Button4Click();
        });
        form->Action(17)->trigger();
        EXPECT_EQ(Table(), before) << bad;
    }
    // Cancel drops the grid's changes: the next opening shows the table.
    driver.Then([&](TForm& f) {
        EXPECT_EQ(Grid(Dialog(f)), form->Ui(3) + "|" + form->Ui(7) + "|" + form->Ui(8) +
                                       "\nDollar|USD|1\nEuro|EUR|2\n");
        Dialog(f).Button4Click();
    });
    form->Action(17)->trigger();
}

TEST_F(Currencies, RatesWhoseStoredValueTheFileCannotHoldAreRefused) {
    // The stored value is 1 / the rate: 1E310 here, infinity once the file has it...
    AnsiString tiny = "0,0000000001";
    // ...and 1E-310 here, which the file keeps as a rate of 0 or not at all.
    AnsiString huge = "10000000000";
    AnsiString small = "0,0000000001", large = "10000000000";  // 1E300 and 1E-300 stored
    for (int i = 1; i < 31; ++i) {
        tiny += "*0,0000000001", huge += "*10000000000";
        if (i < 30) small += "*0,0000000001", large += "*10000000000";
    }
    const AnsiString before = Table();
    ScriptedBoxes boxes;
    for (const AnsiString& bad : {tiny, huge}) {
        driver.Then([&](TForm& f) {
            TForm3& d = Dialog(f);
            d.Button1Click();
            SetRow(d, 3, "Far", "FAR", bad);
            boxes.Answer(IDOK, form->Ui(11));
            d.Button3Click();
            EXPECT_EQ(d.StringGrid1->Row(), 3);
            d.Button4Click();
        });
        form->Action(17)->trigger();
        EXPECT_EQ(Table(), before);
    }
    // Far, but inside what the file holds: saved, and read back as the numbers they are.
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        d.Button1Click();
        SetRow(d, 3, "Small", "SML", small);
        d.Button1Click();
        SetRow(d, 4, "Large", "LRG", large);
        d.Button3Click();
    });
    form->Action(17)->trigger();
    auto t = DB->GetTable("select kurs from currency where id > 2 order by id");
    ASSERT_EQ(t->Count(), 2);
    EXPECT_EQ(t->FieldAsString(0), "1E300");
    t->Next();
    EXPECT_EQ(t->FieldAsString(0), "1E-300");
}

TEST_F(Currencies, DeletingSparesUsedAndLastCurrencies) {
    DB->ExecSQL("insert into currency values (1, 'YEN', 3, 'Yen', '20260101000000', '100')");
    DB->ExecSQL("insert into currency values (1, 'CHF', 4, 'Franc', '20260101000000', '1')");
    DB->ExecSQL("insert into currency values (1, 'GBP', 5, 'Pound', '20260101000000', '1')");
    // A group counts as a user of its currency.
    DB->ExecSQL(
        "insert into bill (id, bill_id, bill_type_id, currency_id, name, position, twosign) "
        "values (30, 0, 1, 5, 'Abroad', 5, 'FF')");
    form->MainCurrencyId = 4;
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        for (int row : {1, 2, 5}) {
            d.StringGrid1->SetRow(row);
            boxes.Answer(IDOK, form->Ui(10));
            d.Button2Click();
        }
        // Row 3 (the yen) goes; the rows below move up.
        d.StringGrid1->SetRow(3);
        d.Button2Click();
        EXPECT_EQ(d.DeletedIds, "3");
        EXPECT_EQ(d.RowIds, (std::vector<int>{1, 2, 4, 5}));
        EXPECT_EQ(d.StringGrid1->Cells(0, 3), "Franc");
        EXPECT_EQ(d.StringGrid1->Cells(0, 4), "Pound");
        EXPECT_EQ(d.StringGrid1->RowCount(), 5);
        // A row added and deleted again deletes nothing.
        d.Button1Click();
        d.StringGrid1->SetRow(5);
        d.Button2Click();
        EXPECT_EQ(d.DeletedIds, "3,-1");
        d.StringGrid1->SetRow(3);
        d.Button2Click();
        d.Button3Click();
    });
    form->Action(17)->trigger();
    EXPECT_EQ(Table(), "1|Dollar|USD|1|1\n2|Euro|EUR|0,5|2\n5|Pound|GBP|1|1\n");
    // The deleted main currency gives way to the first one.
    EXPECT_EQ(form->MainCurrencyId, 1);

    // The last row of the grid cannot go, even when no account uses it.
    DB->ExecSQL("delete from bill");
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        d.StringGrid1->SetRow(1);
        d.Button2Click();
        d.Button2Click();
        boxes.Answer(IDOK, form->Ui(9));
        d.Button2Click();
        EXPECT_EQ(d.StringGrid1->RowCount(), 2);
        d.Button4Click();
    });
    form->Action(17)->trigger();
    EXPECT_EQ(boxes.asked().size(), 4u);
}

TEST_F(Currencies, RateCellTakesOnlyExpressionCharactersWhileEditing) {
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        d.show();
        QApplication::setActiveWindow(&d);
        QApplication::processEvents();
        d.StringGrid1->SetRow(2);
        d.StringGrid1->SetCol(2);
        d.StringGrid1->edit(d.StringGrid1->currentIndex());
        QApplication::processEvents();
        ASSERT_TRUE(d.StringGrid1->EditorMode());
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, nullptr);
        Key(editor, Qt::Key_End);
        Key(editor, Qt::Key_Backspace, "\b");
        Type(editor, "(1.5a+2,5)*x/3-1");
        EXPECT_EQ(d.StringGrid1->Cells(2, 2), "(15+2,5)*/3-1");
        // Other columns take any text; moving on keeps what was typed.
        d.StringGrid1->SetCol(0);
        d.StringGrid1->edit(d.StringGrid1->currentIndex());
        QApplication::processEvents();
        Key(QApplication::focusWidget(), Qt::Key_End);
        Type(QApplication::focusWidget(), "x.");
        EXPECT_EQ(d.StringGrid1->Cells(0, 2), "Eurox.");
        EXPECT_EQ(d.StringGrid1->Cells(2, 2), "(15+2,5)*/3-1");
        if (const char* out = std::getenv("QM_SCREENSHOTS"))
            d.grab().save(QString::fromUtf8(out) + "/currencies_dialog.png");
        d.hide();
        d.Button4Click();
    });
    form->Action(17)->trigger();
}

TEST_F(Currencies, NamesTheCodePageCannotHoldAreRefusedAndNothingIsStored) {
    const AnsiString before = Table();
    const QString yuan = QString::fromUtf8("元");
    ScriptedBoxes boxes;
    driver.Then([&](TForm& f) {
        TForm3& d = Dialog(f);
        d.show();
        QApplication::setActiveWindow(&d);
        QApplication::processEvents();
        auto typeInCell = [&](int col, int row, const QString& text) {
            d.StringGrid1->SetRow(row);
            d.StringGrid1->SetCol(col);
            d.StringGrid1->edit(d.StringGrid1->currentIndex());
            QApplication::processEvents();
            ASSERT_TRUE(d.StringGrid1->EditorMode());
            TypeText(QApplication::focusWidget(), text);
            Key(QApplication::focusWidget(), Qt::Key_Return, "\r");
            QApplication::processEvents();
        };
        // Two new rows; the second is typed by hand with a short name the code page lacks.
        d.Button1Click();
        d.Button1Click();
        typeInCell(0, 4, "Yuan");
        typeInCell(1, 4, yuan);
        typeInCell(2, 4, "1/7");
        // Deleting the row above moves the typed text up with its row, as typed.
        d.StringGrid1->SetRow(3);
        d.Button2Click();
        ASSERT_EQ(d.StringGrid1->RowCount(), 4);
        EXPECT_EQ(d.StringGrid1->CellText(1, 3), yuan);
        boxes.Answer(IDOK);
        d.Button3Click();
        ASSERT_EQ(d.ModalResult(), mrNone) << "saved";
        EXPECT_EQ(d.StringGrid1->Row(), 3);
        EXPECT_EQ(d.StringGrid1->Col(), 1);
        // The name column is checked as well, row by row before any rate.
        typeInCell(0, 2, QString::fromUtf8("Euro € 😀"));
        boxes.Answer(IDOK);
        d.Button3Click();
        EXPECT_EQ(d.StringGrid1->Row(), 2);
        EXPECT_EQ(d.StringGrid1->Col(), 0);
        d.hide();
        d.Button4Click();
    });
    form->Action(17)->trigger();
    EXPECT_EQ(Table(), before);
    ASSERT_EQ(boxes.asked().size(), 2u);
    EXPECT_NE(boxes.asked()[0].text.find("\"" + form->Ui(7) + "\""), AnsiString::npos);
    EXPECT_NE(boxes.asked()[0].text.find("U+5143"), AnsiString::npos);
    EXPECT_NE(boxes.asked()[1].text.find("\"" + form->Ui(3) + "\""), AnsiString::npos);
    EXPECT_NE(boxes.asked()[1].text.find("U+1F600"), AnsiString::npos);
}
