// Finding text in the ledger: the order in which cells are searched and where the walk ends, the
// find dialog and find next through the main window's commands, and the about box.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <set>

#include "app/all_forms.h"
#include "app/unit1.h"
#include "dialogs/about_dialog.h"
#include "dialogs/find_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

// `count` moves and the new row, every searched cell holding a text of its own.
std::vector<TBillMoveRow> Rows(int count) {
    std::vector<TBillMoveRow> rows(count + 1);
    for (int r = 0; r < count; ++r) {
        rows[r].Id = 100 + r;
        for (int c = 0; c < 7; ++c)
            rows[r].Cells[c] = "<" + std::to_string(r) + ":" + std::to_string(c) + ">";
    }
    rows[count].Id = -1;
    rows[count].Cells[0] = "01.01.2026";
    return rows;
}

// The cells a search from (row, col) reaches: a needle is put into one cell at a time (after
// the caret when it is the starting cell).
std::set<std::pair<int, int>> Reached(int count, int row, int col, int caret = 0) {
    std::set<std::pair<int, int>> reached;
    for (int r = 0; r <= count; ++r)
        for (int c = 0; c < 7; ++c) {
            auto rows = Rows(count);
            rows[r].Cells[c] += "needle";
            if (auto hit = FindInLedger(rows, row, col, caret, "needle")) {
                EXPECT_EQ(std::make_pair(hit->Row, hit->Col), std::make_pair(r, c));
                reached.insert({hit->Row, hit->Col});
            }
        }
    return reached;
}

std::set<std::pair<int, int>> Cells(int fromRow, int toRow, int fromCol = 1, int toCol = 5) {
    std::set<std::pair<int, int>> cells;
    for (int r = fromRow; r <= toRow; ++r)
        for (int c = fromCol; c <= toCol; ++c) cells.insert({r, c});
    return cells;
}

template <typename... Sets>
std::set<std::pair<int, int>> Join(Sets... sets) {
    std::set<std::pair<int, int>> all;
    (all.insert(sets.begin(), sets.end()), ...);
    return all;
}

}  // namespace

TEST(FindInLedger, SearchesTheNumberNoteCorrespondentAndAmountCellsOnceEach) {
    // From the date of the first row, or from the new row's date: every move's columns 1 to 5.
    EXPECT_EQ(Reached(8, 0, 0), Cells(0, 7));
    EXPECT_EQ(Reached(8, 8, 0), Cells(0, 7));
    EXPECT_EQ(Reached(8, 4, 0), Cells(0, 7));
    // From the new row at column 2, the first row is searched only from column 3 on.
    EXPECT_EQ(Reached(8, 8, 2), Join(Cells(0, 0, 3, 5), Cells(1, 7)));
    // From column 3 of row 5: the rest of the cell, the rest of the row, the rows after, the
    // rows before, and row 5's first two columns; the start of the cell itself is not
    // searched again.
    EXPECT_EQ(Reached(8, 5, 3, 3), Join(Cells(0, 7, 1, 5)));
    auto rows = Rows(8);
    rows[5].Cells[3] = "needle<5:3>";
    EXPECT_FALSE(FindInLedger(rows, 5, 3, 1, "needle"));
    rows[5].Cells[3] = "<5:3>needle";
    ASSERT_TRUE(FindInLedger(rows, 5, 3, 1, "needle"));
    EXPECT_EQ(FindInLedger(rows, 5, 3, 1, "needle")->Pos, 6);
    // A start in the running balance ends too, after every move's columns 1 to 5.
    EXPECT_EQ(Reached(8, 3, 6), Cells(0, 7));
    EXPECT_EQ(Reached(8, 7, 6), Cells(0, 7));
    // Only the new row: nothing is searched.
    EXPECT_TRUE(Reached(0, 0, 0).empty());
    EXPECT_TRUE(Reached(0, 0, 3).empty());
    // One move.
    EXPECT_EQ(Reached(1, 1, 0), Cells(0, 0));
    EXPECT_EQ(Reached(1, 0, 2, 3), Cells(0, 0));
}

TEST(FindInLedger, FindNextStepsThroughEveryOccurrenceExactly) {
    auto rows = Rows(3);
    rows[0].Cells[2] = "Tea and tea";
    rows[2].Cells[2] = "more tea";
    rows[1].Cells[3] = "Tea";
    std::vector<std::tuple<int, int, int>> hits;
    int row = 3, col = 0, caret = 1;
    for (int i = 0; i < 5; ++i) {
        auto hit = FindInLedger(rows, row, col, caret, "tea");
        ASSERT_TRUE(hit);
        hits.emplace_back(hit->Row, hit->Col, hit->Pos);
        row = hit->Row, col = hit->Col, caret = hit->Pos;
    }
    // Case-sensitive; after the last occurrence the search wraps to the first.
    EXPECT_EQ(hits, (std::vector<std::tuple<int, int, int>>{
                        {0, 2, 9}, {2, 2, 6}, {0, 2, 9}, {2, 2, 6}, {0, 2, 9}}));
    EXPECT_FALSE(FindInLedger(rows, 0, 0, 1, "TEA"));
    EXPECT_FALSE(FindInLedger(rows, 0, 0, 1, ""));
    // Two occurrences in one cell are found one after the other.
    rows[1].Cells[2] = "ab ab";
    auto first = FindInLedger(rows, 1, 1, 1, "ab");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Pos, 1);
    auto second = FindInLedger(rows, 1, 2, first->Pos, "ab");
    ASSERT_TRUE(second);
    EXPECT_EQ(std::make_tuple(second->Row, second->Col, second->Pos), std::make_tuple(1, 2, 4));
}

namespace {

struct FindCommands : ::testing::Test {
    TempDir dir;
    FixedClock clock{EncodeDate(2026, 3, 15) + 0.5, "dd.MM.yyyy"};
    std::unique_ptr<TForm1> form;
    void SetUp() override {
        SeedHousehold(6);
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->StartupComplete());
        form->resize(1000, 600);
        CreateDialogs();
    }
    void TearDown() override {
        DestroyDialogs();
        form.reset();
    }
    void OpenWallet() {
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = kWallet;
        tab.BillTypeId = 2;
        Head.HeadTabs.push_back(tab);
        form->SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    }
    static void Press(QWidget* w, Qt::Key key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &press);
    }
};

}  // namespace

TEST_F(FindCommands, FindSelectsTheTextInTheLedgerAndFindNextGoesOn) {
    ModalDriver driver;
    // Nothing to find on the tree tab.
    form->Action(11)->trigger();
    form->Action(29)->trigger();
    EXPECT_EQ(driver.shown(), 0);

    OpenWallet();
    // The wallet's rows: the withdrawal, then the dinners (moves 0, 3) and the weekly shops.
    ASSERT_EQ(Ledger.Rows.size(), 8u);
    EXPECT_TRUE(form->Action(11)->isEnabled());
    EXPECT_FALSE(form->Action(29)->isEnabled());
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm11&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(62));
        EXPECT_EQ(d.Button1->Caption(), form->Ui(62));
        EXPECT_EQ(d.Button2->Caption(), form->Ui(6));
        EXPECT_EQ(d.width(), 324);
        // An empty text does nothing and leaves the dialog open.
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        d.Edit1->SetText("shop");
        d.Button1->Click();
        EXPECT_NE(d.ModalResult(), mrNone);
    });
    form->Action(11)->trigger();
    const int firstShop = Ledger.CurRow;
    EXPECT_EQ(Ledger.Rows[firstShop].Cells[2], "Weekly shop");
    EXPECT_EQ(Ledger.CurCol, 2);
    EXPECT_EQ(Ledger.SelStart, 8);
    EXPECT_EQ(Ledger.SelLength, 4);
    EXPECT_EQ(Ledger.CaretPos, 8);
    EXPECT_EQ(SelectMove, Ledger.Rows[firstShop].Id);
    EXPECT_EQ(form->FindText, "shop");
    EXPECT_TRUE(form->Action(29)->isEnabled());
    EXPECT_TRUE(form->Action(4)->isEnabled());

    // Find next (F3) goes to each following shop without showing the dialog, then wraps.
    std::vector<int> shops;
    for (size_t r = 0; r + 1 < Ledger.Rows.size(); ++r)
        if (Ledger.Rows[r].Cells[2] == "Weekly shop") shops.push_back(static_cast<int>(r));
    ASSERT_EQ(shops.size(), 4u);
    for (size_t i = 1; i <= shops.size(); ++i) {
        form->Action(29)->trigger();
        EXPECT_EQ(Ledger.CurRow, shops[i % shops.size()]);
        EXPECT_EQ(SelectMove, Ledger.Rows[Ledger.CurRow].Id);
    }
    EXPECT_EQ(driver.shown(), 1);

    // A text found nowhere: the dialog closes and the selection stays.
    const int before = SelectMove;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm11&>(f);
        EXPECT_EQ(d.Edit1->Text(), "shop");  // kept between uses
        d.Edit1->SetText("Shop");
        d.Button1->Click();
    });
    form->Action(11)->trigger();
    EXPECT_EQ(SelectMove, before);

    // Enter in the text finds once, Escape closes without searching.
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm11&>(f);
        d.Edit1->SetText("Dinner");
        Press(d.Edit1, Qt::Key_Return, "\r");
    });
    form->Action(11)->trigger();
    EXPECT_EQ(Ledger.Rows[Ledger.CurRow].Cells[2], "Dinner out");
    const int dinner = SelectMove;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm11&>(f);
        d.Edit1->SetText("Weekly");
        Press(d.Edit1, Qt::Key_Escape, "\x1b");
        EXPECT_NE(d.ModalResult(), mrNone);
    });
    form->Action(11)->trigger();
    EXPECT_EQ(SelectMove, dinner);

    // Back on the tree tab find next does nothing.
    form->SwitchToTab(0);
    const int row = Ledger.CurRow;
    form->Action(29)->setEnabled(true);
    form->Action(29)->trigger();
    EXPECT_EQ(Ledger.CurRow, row);
    EXPECT_EQ(HeadIndex, 0);
}

TEST_F(FindCommands, AboutBoxShowsTheProgramsText) {
    EXPECT_TRUE(form->Action(26)->isEnabled());
    ModalDriver driver;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm10&>(f);
        EXPECT_EQ(d.Caption(), form->Ui(71));
        EXPECT_EQ(d.Label1->Caption(), form->Ui(124));
        EXPECT_EQ(d.Button1->Caption(), form->Ui(5));
        EXPECT_EQ(d.size(), QSize(316, 231));
        EXPECT_EQ(d.Label1->Font().Name, "Arial");
        // The whole text fits its box.
        EXPECT_LE(d.Label1->heightForWidth(d.Label1->width()), d.Label1->height());
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrOk);
    });
    form->Action(26)->trigger();
    EXPECT_EQ(driver.shown(), 1);
}

TEST_F(FindCommands, TextTheCodePageCannotHoldIsRefusedNotSearchedAsQuestionMarks) {
    // Converted, "Shop中" would be "Shop?", which this note holds.
    DB->ExecSQL(
        "update bill_move set note = 'Shop?' where id = (select max(id) from bill_move where "
        "src_bill_id = " +
        IntToStr(kWallet) + ")");
    OpenWallet();
    const int row = Ledger.CurRow, col = Ledger.CurCol, move = SelectMove;
    ScriptedBoxes boxes;
    ModalDriver driver;
    driver.Then([](TForm& f) {
        auto& d = static_cast<TForm11&>(f);
        TypeText(d.Edit1, QString::fromUtf8("Shop中"));
        d.Button1->Click();
        EXPECT_EQ(d.ModalResult(), mrNone);
        EXPECT_EQ(d.Edit1->selectedText(), QString::fromUtf8("中"));
        d.Button2->Click();
    });
    boxes.Answer(IDOK);
    form->Action(11)->trigger();
    // Find next with the text the dialog still holds is refused the same way.
    boxes.Answer(IDOK);
    form->Action(29)->setEnabled(true);
    form->Action(29)->trigger();
    EXPECT_EQ(std::make_tuple(Ledger.CurRow, Ledger.CurCol, SelectMove),
              std::make_tuple(row, col, move));
    ASSERT_EQ(boxes.asked().size(), 2u);
    for (const AskedBox& box : boxes.asked()) {
        EXPECT_NE(box.text.find("\"" + form->Ui(62) + "\""), AnsiString::npos) << box.text;
        EXPECT_NE(box.text.find("U+4E2D"), AnsiString::npos) << box.text;
    }
}
