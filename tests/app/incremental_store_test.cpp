// Saving, editing, deleting and duplicating moves, with the period filter on and off, store what
// a recalculation that reads everything afresh stores, and leave the open ledgers as loading
// them afresh would: in a household with a budget, accounts and groups in another currency, and
// the two rows of a move shown in two open tabs.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/store/ledger_buffer.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

struct IncrementalStore : HouseholdWindow {
    IncrementalStore() : HouseholdWindow(2026, 12, 7) { start.dialogs = false; }

    void SetUp() override {
        Seed(40);
        {
            TSQLiteDatabase db("./Quillmarsh.dat");
            // A budget over the spring, and the food group kept in euros.
            db.ExecSQL(
                "update bill set budget = 500, budget_type = 'F', budget_date_from = '20260301', "
                "budget_date_to = '20260531' where id = " +
                IntToStr(kRestaurants));
            db.ExecSQL("update bill set currency_id = 2 where id = " + IntToStr(kFoodGroup));
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        for (int account : {kRestaurants, kWallet}) ShowLedger(account);
    }

    // Makes the ledger of `account` current, appending its tab the first time, and paints it.
    void ShowLedger(int account) {
        for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
            if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == account) {
                HeadIndex = static_cast<int>(i);
                Ledger.Rows.clear();
                form->FormPaint();
                return;
            }
        Head.HeadTabs.push_back(LedgerTabOf(account, true));
        HeadIndex = static_cast<int>(Head.HeadTabs.size()) - 1;
        SelectMove = -1;
        Ledger.Rows.clear();
        form->FormPaint();
    }

    bool EnterNew(const char* date, int corr, const char* in, const char* out) {
        SelectMove = -1;
        form->PaintBill();
        TBillMoveRow& row = Ledger.Rows.back();
        row.Cells[0] = date;
        row.Cells[2] = "typed";
        row.CorrBillId = corr;
        row.Cells[4] = in;
        row.Cells[5] = out;
        Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
        Ledger.Editing = true;
        return form->Save();
    }

    // The n-th move of the current ledger whose correspondent is `corr`, made current.
    int Select(int corr, int n = 0) {
        for (const TBillMoveRow& row : std::as_const(Ledger.Rows))
            if (row.Id > 0 && row.CorrBillId == corr && n-- == 0) {
                SelectMove = row.Id;
                form->PaintBill();
                return row.Id;
            }
        ADD_FAILURE() << "no move with correspondent " << corr;
        return -1;
    }

    static AnsiString Bills(TSQLiteDatabase& db, bool accountsOnly) {
        AnsiString out;
        auto t = db.GetTable(
            "select id, typeof(amount), amount, typeof(budget_amount), budget_amount from bill " +
            AnsiString(accountsOnly ? "where bill_id <> 0 " : "") + "order by id");
        for (; !t->Eof(); t->Next())
            for (int c = 0; c < 5; ++c) out += t->FieldAsString(c) + (c < 4 ? "|" : "\n");
        return out;
    }

    // The accounts a step recalculated, recalculated again from the file alone on a copy of it,
    // store the same texts; and every open ledger holds what loading it afresh gives.
    void ExpectAsRecalculated(std::initializer_list<int> touched, bool accountsOnly = false,
                              bool ledgers = true) {
        std::filesystem::copy_file("Quillmarsh.dat", "check.dat",
                                   std::filesystem::copy_options::overwrite_existing);
        {
            TSQLiteDatabase check("check.dat");
            for (int id : touched) CalcBillAmount(check, IntToStr(id), form->Period());
            EXPECT_EQ(Bills(*DB, accountsOnly), Bills(check, accountsOnly));
        }
        for (const THeadTab& tab : Head.HeadTabs) {
            if (!ledgers || tab.Kind != tkLedger || tab.BufRows.empty()) continue;
            THeadTab fresh = tab;
            fresh.BufRows.clear();
            LoadBuffer(*DB, fresh, "20261207");
            ASSERT_EQ(tab.BufRows.size(), fresh.BufRows.size()) << tab.Id;
            for (size_t r = 0; r < tab.BufRows.size(); ++r) {
                ASSERT_EQ(tab.BufRows[r].Id, fresh.BufRows[r].Id) << tab.Id;
                for (size_t c = 0; c < 7; ++c)
                    ASSERT_EQ(tab.BufRows[r].Cells.Text(c), fresh.BufRows[r].Cells.Text(c))
                        << tab.Id << " " << r << " " << c;
            }
            if (&tab != &CurrentTab()) continue;
            const auto rows = BuildDisplayedRows(fresh, form->Period(), SortMode, LastDate);
            ASSERT_EQ(Ledger.Rows.size(), rows.size());
            for (size_t r = 0; r < rows.size(); ++r) {
                ASSERT_EQ(std::as_const(Ledger.Rows)[r].Id, rows[r].Id);
                for (size_t c = 1; c < 7; ++c)
                    ASSERT_EQ(std::as_const(Ledger.Rows)[r].Cells.Text(c), rows[r].Cells.Text(c));
            }
        }
    }
};

}  // namespace

TEST_F(IncrementalStore, EveryChangeStoresWhatAFreshRecalculationStores) {
    ScriptedBoxes boxes;
    // New moves, with the restaurants' ledger open beside the wallet's.
    ASSERT_TRUE(EnterNew("05.03.26", kRestaurants, "", "12,34"));
    ExpectAsRecalculated({kWallet, kRestaurants});
    ASSERT_TRUE(EnterNew("06.03.26", kGroceries, "", "0,05"));
    ASSERT_TRUE(EnterNew("06.03.26", kBonus, "1000000,01", ""));
    ExpectAsRecalculated({kWallet, kGroceries, kBonus});

    // A move edited to another correspondent and amount: the old one loses it.
    Select(kRestaurants, 2);
    TBillMoveRow& row = Ledger.Rows[Ledger.CurRow];
    row.CorrBillId = kBank;
    row.Cells[4] = "7,77";
    row.Cells[5].clear();
    Ledger.Editing = true;
    ASSERT_TRUE(form->Save());
    ExpectAsRecalculated({kWallet, kRestaurants, kBank});

    // Deleted, and duplicated into a new move.
    Select(kGroceries, 1);
    boxes.Answer(IDOK, form->Ui(103));
    form->Action21Execute();
    ExpectAsRecalculated({kWallet, kGroceries});
    Select(kRestaurants, 1);
    form->Action20Execute();
    Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
    ASSERT_TRUE(form->Save());
    ExpectAsRecalculated({kWallet, kRestaurants});

    // With the period filter on, moves inside and outside the period, and an edit.
    form->DateTimePicker1->SetDate(EncodeDate(2026, 2, 1));
    form->DateTimePicker2->SetDate(EncodeDate(2026, 3, 31));
    form->CheckBox1->SetChecked(true);
    ExpectAsRecalculated(
        {kSalary, kBonus, kWallet, kBank, kEuroCard, kGroceries, kRestaurants, kRent}, true);
    ASSERT_TRUE(EnterNew("10.03.26", kRestaurants, "", "3,00"));
    ASSERT_TRUE(EnterNew("10.09.26", kRestaurants, "", "4,00"));
    ExpectAsRecalculated({kWallet, kRestaurants});
    Select(kRestaurants);
    Ledger.Rows[Ledger.CurRow].Cells[5] = "99,99";
    Ledger.Rows[Ledger.CurRow].Cells[4].clear();
    Ledger.Editing = true;
    ASSERT_TRUE(form->Save());
    ExpectAsRecalculated({kWallet, kRestaurants});

    // And off again; then the restaurants' own ledger stores a move back to the wallet.
    form->CheckBox1->SetChecked(false);
    ASSERT_TRUE(EnterNew("11.03.26", kGroceries, "1,00", ""));
    ExpectAsRecalculated({kWallet, kGroceries});
    ShowLedger(kRestaurants);
    ASSERT_TRUE(EnterNew("12.03.26", kWallet, "2,50", ""));
    ExpectAsRecalculated({kWallet, kRestaurants});
}

TEST_F(IncrementalStore, ChangesMadeElsewhereAreReadBeforeTheNextRecalculation) {
    ASSERT_TRUE(EnterNew("05.03.26", kRestaurants, "", "1,00"));
    // Another connection changes one of the wallet's moves; the next save must count it (the
    // open ledger, read once, does not see it).
    {
        TSQLiteDatabase other("./Quillmarsh.dat");
        other.ExecSQL(
            "update bill_move set amount = amount - 1000 where id = (select min(id) "
            "from bill_move where src_bill_id = " +
            IntToStr(kWallet) + ")");
    }
    ASSERT_TRUE(EnterNew("06.03.26", kRestaurants, "", "2,00"));
    ExpectAsRecalculated({kWallet, kRestaurants}, false, false);

    // A change rolled back leaves nothing of itself in what the next save stores.
    const AnsiString before = Bills(*DB, false);
    {
        TSQLiteTransaction tr(*DB);
        SaveNewMove(*DB, kWallet, kRent, {"20260307", "", "", "-5.00", "5.00"}, {});
        EXPECT_NE(Bills(*DB, false), before);
    }
    EXPECT_EQ(Bills(*DB, false), before);
    SaveNewMove(*DB, kWallet, kRent, {"20260308", "", "", "-7.00", "7.00"}, {});
    ExpectAsRecalculated({kWallet, kRent}, false, false);
}
