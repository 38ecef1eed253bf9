// Storing, editing, deleting, duplicating moves from the ledger, and going to the correspondent.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/window/main_window.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

using namespace qm;
using namespace qmtest;

namespace {

struct MoveCommands : HouseholdWindow {
    MoveCommands() : HouseholdWindow(2026, 12, 7) { start.dialogs = false; }
    // The household with `moves` moves, and the ledger of `account` current.
    void OpenAccount(int account, int moves = 0) {
        Open(moves);
        OpenTab(account);
    }
    void OpenTab(int account) {
        for (size_t i = 0; i < Head.HeadTabs.size(); ++i)
            if (Head.HeadTabs[i].Kind == tkLedger && Head.HeadTabs[i].Id == account) {
                HeadIndex = static_cast<int>(i);
                Ledger.Rows.clear();
                form->FormPaint();
                return;
            }
        THeadTab tab;
        tab.Kind = tkLedger;
        tab.Id = account;
        tab.BillTypeId =
            DB->GetTable("select bill_type_id from bill where id = " + IntToStr(account))
                ->FieldAsInteger(0);
        tab.TwoSign = true;
        Head.HeadTabs.push_back(tab);
        HeadIndex = static_cast<int>(Head.HeadTabs.size()) - 1;
        SelectMove = -1;
        Ledger.Rows.clear();
        form->FormPaint();
    }
    // Types a row into the new row and stores it.
    bool Enter(const char* date, const char* num, const char* note, int corr, const char* in,
               const char* out) {
        TBillMoveRow& row = Ledger.Rows.back();
        row.Cells[0] = date;
        row.Cells[1] = num;
        row.Cells[2] = note;
        row.CorrBillId = corr;
        row.Cells[4] = in;
        row.Cells[5] = out;
        Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
        Ledger.Editing = true;
        return form->Save();
    }
    AnsiString Moves() {
        AnsiString out;
        auto t = DB->GetTable(
            "select id, src_bill_id, dest_bill_id, ts, num, note, amount, kurs, bill_move_id "
            "from bill_move order by id");
        for (; !t->Eof(); t->Next())
            for (int c = 0; c < 9; ++c) out += t->FieldAsString(c) + (c < 8 ? "|" : "\n");
        return out;
    }
    AnsiString Amount(int id) {
        return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
    }
};

// Another program takes an exclusive lock on the file and keeps it for `millis`; returns once it
// holds the lock, with the holder's process id.
pid_t HoldFileLocked(int millis) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        const bool locked =
            sqlite3_open("./Quillmarsh.dat", &db) == SQLITE_OK &&
            sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
        const char c = locked ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        usleep(static_cast<useconds_t>(millis) * 1000);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        _exit(0);
    }
    char c = 'n';
    (void)!read(ready[0], &c, 1);
    close(ready[0]);
    close(ready[1]);
    return c == 'y' ? pid : -1;
}

}  // namespace

TEST_F(MoveCommands, AFileLockedForAMomentIsWaitedForAndALongerLockEndsTheProgramSayingWhy) {
    OpenAccount(kWallet);
    const auto started = std::chrono::steady_clock::now();
    const pid_t holder = HoldFileLocked(1000);
    ASSERT_GT(holder, 0);
    EXPECT_TRUE(Enter("05.03.26", "L1", "while locked", kRestaurants, "", "7"));
    // The save waited for the lock, so it cannot have ended before the holder let go.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move where num = 'L1'")->FieldAsInteger(0),
              2);
    const auto& kept = CurrentTab().BufRows;
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                            [](const TBufRow& r) { return r.Cells[1] == "L1"; }),
              1);
    // The program goes on: the next row is stored as usual.
    EXPECT_TRUE(Enter("06.03.26", "L2", "", kRestaurants, "", "1"));

    // A lock held past the wait ends the program as every database failure does, and the
    // message says why in words the user can act on, the engine's own below them.
    EXPECT_EXIT(
        {
            SetMessageBoxHook([](QWidget*, const AnsiString& text, const AnsiString&, int) {
                std::fprintf(stderr, "box: %s\n", text.c_str());
                return IDOK;
            });
            const pid_t longer = HoldFileLocked(kBusyTimeoutMs + 1500);
            Enter("07.03.26", "L3", "", kRestaurants, "", "1");
            if (longer > 0) kill(longer, SIGKILL);
            std::exit(0);
        },
        ::testing::ExitedWithCode(EXIT_FAILURE),
        "box: A database error[^\n]*\r\rThe database file is in use by another program[^\r]*"
        "\r\rSQLite is Busy");
}

TEST_F(MoveCommands, ANewRowIsStoredAsALinkedPairAndBalancesFollow) {
    OpenAccount(kWallet);
    DB->ExecSQL("delete from bill_move");
    CurrentTab().BufRows.clear();
    Ledger.Rows.clear();
    form->FormPaint();
    ASSERT_TRUE(Enter("05.03.26", "A1", "Bob's lunch", kRestaurants, "", "12,34"));
    EXPECT_EQ(
        Moves(),
        "1|5|10|20260305|A1|Bob's lunch|-12,34|1|2\n2|10|5|20260305|A1|Bob's lunch|12,34|1|1\n");
    EXPECT_EQ(Amount(kWallet), "-12,34");
    EXPECT_EQ(Amount(kRestaurants), "12,34");
    EXPECT_EQ(Amount(kFoodGroup), "12,34");
    EXPECT_EQ(LastDate, "05.03.2026");
    EXPECT_FALSE(Ledger.Editing);
    // The ledger is rebuilt from its buffer: the stored row and the new row.
    form->PaintBill();
    ASSERT_EQ(Ledger.Rows.size(), 2u);
    EXPECT_EQ(Ledger.Rows[0].Cells[5], "12,34");
    EXPECT_EQ(Ledger.Rows[0].Cells[6], "-12,34");
    // The new row is the selected one (no move selected): its date is ready for editing.
    EXPECT_EQ(Ledger.Rows[1].Cells[0], "05.03.26");

    // A received amount given as an expression; the wallet gets 0.05 from the bank.
    ASSERT_TRUE(Enter("06.03.26", "", "", kBank, "0,1-0,05", ""));
    EXPECT_EQ(DB->GetTable("select amount from bill_move where id = 3")->FieldAsString(0), "0,05");
    EXPECT_EQ(DB->GetTable("select amount from bill_move where id = 4")->FieldAsString(0), "-0,05");
}

TEST_F(MoveCommands, RowsWithoutCorrespondentOrValidDateStayInEdit) {
    OpenAccount(kWallet);
    const AnsiString before = Moves();
    ScriptedBoxes boxes;
    boxes.Answer(IDOK, form->Ui(102));
    EXPECT_FALSE(Enter("05.03.26", "", "", 0, "1", ""));
    EXPECT_EQ(Ledger.CurCol, 3);
    boxes.Answer(IDOK, form->Ui(190));
    EXPECT_FALSE(Enter("31.02.26", "", "", kBank, "1", ""));
    EXPECT_EQ(Ledger.CurCol, 0);
    boxes.Answer(IDOK, form->Ui(100));
    EXPECT_FALSE(Enter("05.03.26", "", "", kBank, "1000000000000", ""));
    EXPECT_EQ(Ledger.CurCol, 4);
    boxes.Answer(IDOK);
    EXPECT_FALSE(
        Enter("05.03.26", "", "", kBank, "", "1x"));  // no number: the conversion's message
    EXPECT_EQ(Ledger.CurCol, 5);
    EXPECT_EQ(Moves(), before);
}

TEST_F(MoveCommands, AnAmountTheFileCannotHoldIsRefusedAndAHugeOneIsStoredAsANumber) {
    OpenAccount(kWallet);
    const AnsiString before = Moves();
    ScriptedBoxes boxes;
    // A sum has no lower limit, but a pasted "-1E400" is beyond every number the file holds.
    boxes.Answer(IDOK, form->Ui(100));
    EXPECT_FALSE(Enter("05.03.26", "", "", kBank, "-1E400", ""));
    EXPECT_EQ(Ledger.CurCol, 4);
    EXPECT_TRUE(Ledger.Editing);
    EXPECT_EQ(Moves(), before);

    // Twenty digits: the pair, both accounts and their group are written as numbers.
    ASSERT_TRUE(Enter("05.03.26", "", "", kBank, "-11111111111111111111", ""));
    auto pair = DB->GetTable(
        "select typeof(amount), amount from bill_move where id > (select max(id) - 2 from "
        "bill_move) order by id");
    ASSERT_EQ(pair->Count(), 2);
    EXPECT_EQ(pair->FieldAsString(0), "real");
    EXPECT_EQ(pair->FieldAsString(1), "-1,11111111111111E19");
    pair->Next();
    EXPECT_EQ(pair->FieldAsString(1), "1,11111111111111E19");
    // Each balance is what its moves (or, for the group, its accounts) add up to.
    const auto balance = [](int id) {
        return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsDouble(0);
    };
    const auto moves = [](int id) {
        return DB->GetTable("select sum(amount) from bill_move where src_bill_id = " + IntToStr(id))
            ->FieldAsDouble(0);
    };
    for (int id : {kWallet, kBank}) {
        EXPECT_LT(std::fabs(moves(id)), 1e20) << id;
        EXPECT_GT(std::fabs(moves(id)), 1e19) << id;
        EXPECT_DOUBLE_EQ(balance(id), moves(id)) << id;
    }
    EXPECT_DOUBLE_EQ(balance(kCashGroup),
                     balance(kWallet) + balance(kBank) + 2 * balance(kEuroCard));
}

TEST_F(MoveCommands, EqualRatesAreStoredDirectlyAndOtherRatesNeedTheDialog) {
    OpenAccount(kWallet);
    DB->ExecSQL("delete from bill_move");
    DB->ExecSQL("insert into currency values (1, 'GBP', 3, 'Pound', '', '1')");
    DB->ExecSQL("update bill set currency_id = 3 where id = " + IntToStr(kBank));
    Ledger.Rows.clear();
    form->FormPaint();
    EXPECT_TRUE(Enter("05.03.26", "", "", kBank, "1", ""));  // USD and GBP both at rate 1
    int asked = 0;
    form->MoveDialog = [&](int mode) {
        ++asked;
        EXPECT_EQ(mode, 1);
        return true;
    };
    EXPECT_TRUE(Enter("05.03.26", "", "", kEuroCard, "1", ""));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), 2);
}

TEST_F(MoveCommands, EditingMovesTheTwinToTheNewCorrespondent) {
    OpenAccount(kWallet);
    OpenTab(kGroceries);  // loaded, so it follows
    OpenTab(kWallet);
    DB->ExecSQL("delete from bill_move");
    for (THeadTab& t : Head.HeadTabs) t.BufRows.clear();
    OpenTab(kGroceries);
    OpenTab(kWallet);
    ASSERT_TRUE(Enter("05.03.26", "1", "shop", kGroceries, "", "20"));
    OpenTab(kGroceries);
    ASSERT_EQ(Head.HeadTabs[HeadIndex].BufRows.size(), 1u);
    OpenTab(kWallet);
    SelectMove = 1;
    form->PaintBill();
    Ledger.Rows[Ledger.CurRow].CorrBillId = kRestaurants;
    Ledger.Rows[Ledger.CurRow].Cells[2] = "dinner";
    ASSERT_TRUE(form->Save());
    EXPECT_EQ(Moves(), "1|5|10|20260305|1|dinner|-20|1|2\n2|10|5|20260305|1|dinner|20|1|1\n");
    EXPECT_EQ(Amount(kGroceries), "0");
    EXPECT_EQ(Amount(kRestaurants), "20");
    EXPECT_EQ(Amount(kWallet), "-20");
    for (const THeadTab& t : Head.HeadTabs) {
        if (t.Id == kGroceries) {
            EXPECT_TRUE(t.BufRows.empty());
        }
    }
}

TEST_F(MoveCommands, DeleteDuplicateAndGoToTheCorrespondent) {
    OpenAccount(kWallet, 3);
    SelectMove = Ledger.Rows[1].Id;
    form->PaintBill();
    const int twin = static_cast<int>(
        DB->GetTable("select bill_move_id from bill_move where id = " + IntToStr(SelectMove))
            ->FieldAsInteger(0));
    const size_t tabs = Head.HeadTabs.size();
    form->BillKorr();
    EXPECT_EQ(Head.HeadTabs.size(), tabs + 1);
    EXPECT_EQ(CurrentTab().Id, kBank);
    EXPECT_EQ(SelectMove, twin);
    EXPECT_EQ(Ledger.Rows[Ledger.CurRow].Id, twin);
    form->BillKorr();  // back: the wallet's tab is already open and is reused
    EXPECT_EQ(Head.HeadTabs.size(), tabs + 1);
    EXPECT_EQ(CurrentTab().Id, kWallet);

    // Duplicate: the new row takes the cells and correspondent; nothing is written yet.
    const long long count = DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0);
    const TBillMoveRow source = Ledger.Rows[Ledger.CurRow];
    form->Action20Execute();
    EXPECT_TRUE(Ledger.Editing);
    EXPECT_EQ(SelectMove, -1);
    EXPECT_EQ(Ledger.Rows.back().CorrBillId, source.CorrBillId);
    EXPECT_EQ(Ledger.Rows.back().Cells[2], source.Cells[2]);
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), count);
    EXPECT_TRUE(form->Action(3)->isEnabled());

    // Delete asks OK/Cancel; Cancel keeps everything.
    Ledger.Editing = false;
    Ledger.Rows.clear();
    SelectMove = source.Id;
    form->PaintBill();
    ScriptedBoxes boxes;
    boxes.Answer(IDCANCEL, form->Ui(103));
    form->Action21Execute();
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), count);
    boxes.Answer(IDOK, form->Ui(103));
    form->Action21Execute();
    EXPECT_EQ(DB->GetTable("select count(*) from bill_move")->FieldAsInteger(0), count - 2);
    EXPECT_EQ(SelectMove, -1);
    // The row deleted was the cash withdrawal of 400; the three shops remain.
    EXPECT_EQ(Amount(kWallet), "-34,11");
    EXPECT_EQ(Amount(kBank), "2500");
}
