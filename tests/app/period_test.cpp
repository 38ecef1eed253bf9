// The period filter bar: recalculating every balance for a period, from the window.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "app/window/main_window.h"
#include "tests/app/household.h"
#include "tests/support/support.h"

// The suite shares its name with qm::PeriodFilter, so the program's names come one by one.
using qm::DateToYmd;
using qm::DB;
using qm::EncodeDate;
using qm::Exception;
using qm::Head;
using qm::IntToStr;
using qm::Ledger;
using qm::TForm1;
using qm::THeadTab;
using qm::tkLedger;
using qm::TSQLiteDatabase;
using qm::VK_RETURN;
using qmtest::HouseholdWindow;
using qmtest::kBank;
using qmtest::kRestaurants;
using qmtest::kWallet;

namespace {

AnsiString Amount(int id) {
    return DB->GetTable("select amount from bill where id = " + IntToStr(id))->FieldAsString(0);
}

std::string Sqlite3(const std::string& sql) {
    std::string out;
    qmtest::RunCommand("sqlite3 ./Quillmarsh.dat \"" + sql + "\"", &out);
    return out;
}

// Every stored balance that is not the sum of its moves over the period the file's settings
// name, worked out by the sqlite3 shell from the rows alone: an account's to the hundredth (an
// income's negated), a group's as its accounts' sums in its currency, within a cent an account
// for the rounding of each conversion. Empty while every balance holds.
std::string BalancesOffTheStoredPeriod() {
    return Sqlite3(
        "with per(f, t, filtered) as (select substr(value, 1, 8), substr(value, 9, 8), "
        "length(value) > 8 from param where name = 'date-filter'), "
        "acc(id, s) as (select b.id, (case b.bill_type_id when 1 then -1 else 1 end) * "
        "(select total(m.amount) from bill_move m, per where m.src_bill_id = b.id and "
        "(not filtered or m.ts between f and t)) from bill b where b.bill_id <> 0), "
        "grp(id, s, n) as (select a.bill_id, total(acc.s * ca.kurs / cg.kurs), count(*) from acc "
        "join bill a using (id) join currency ca on ca.id = a.currency_id join bill g on g.id = "
        "a.bill_id join currency cg on cg.id = g.currency_id group by a.bill_id) "
        "select id || ': ' || amount || ' for ' || s from bill join acc using (id) "
        "where abs(amount - s) > 0.001 union all "
        "select id || ': ' || amount || ' for ' || ifnull(s, 0) from bill left join grp using (id) "
        "where bill_id = 0 and abs(amount - ifnull(s, 0)) > 0.01 * ifnull(n, 1)");
}

// One move typed into the wallet's ledger and stored as Enter stores it; true when it was.
bool SaveAMove(TForm1& form) {
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = kWallet;
    tab.BillTypeId = 2;
    Head.HeadTabs.push_back(tab);
    form.SwitchToTab(static_cast<int>(Head.HeadTabs.size()) - 1);
    if (Ledger.Rows.empty()) return false;
    qm::TBillMoveRow& row = Ledger.Rows.back();
    row.Cells[0] = "08.01.26";
    row.Cells[2] = "Lunch";
    row.CorrBillId = kRestaurants;
    row.Cells[5] = "7";
    Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
    Ledger.Editing = true;
    return form.Save();
}

}  // namespace

struct PeriodFilter : HouseholdWindow {
    PeriodFilter() : HouseholdWindow(2026, 12, 7) {
        start = {.width = 0, .height = 0, .dialogs = false};
    }
};

TEST_F(PeriodFilter, TurningItOnRecalculatesForThePeriodAndOffForEverything) {
    Open(30);
    EXPECT_EQ(Amount(kBank), "2100");
    // From after to: the to date follows the from date when the filter goes on.
    form->DateTimePicker1->SetDate(EncodeDate(2026, 1, 2));
    form->DateTimePicker2->SetDate(EncodeDate(2026, 1, 1));
    form->CheckBox1->SetChecked(true);  // fires the click, as the user's would
    EXPECT_EQ(DateToYmd(form->DateTimePicker2->Date()), "20260102");
    EXPECT_TRUE(form->DateTimePicker1->Enabled());
    EXPECT_EQ(Amount(kBank), "0");  // its moves are all on the first
    // The wallet's move on the second: -11.37 (paid).
    EXPECT_EQ(Amount(kWallet), "-11,37");
    EXPECT_TRUE(form->ProgressBar1->isHidden());
    // Pickers: Enter recalculates for the new period.
    form->DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
    int key = VK_RETURN;
    form->DateTimePicker1KeyDown(key, 0);
    EXPECT_EQ(Amount(kBank), "2100");
    form->CheckBox1->SetChecked(false);
    EXPECT_FALSE(form->DateTimePicker2->Enabled());
    EXPECT_EQ(Amount(kRestaurants), "284,95");
}

TEST_F(PeriodFilter, NothingIsRecalculatedBeforeStartUpHasFinished) {
    Seed(3);
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("insert into param (name, value) values ('date-filter', '2030010120300101')");
        db.ExecSQL("update bill set amount = 12345 where id = " + IntToStr(kBank));
    }
    Start();
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(Amount(kBank), "12345");  // restoring the filter did not recompute
}

TEST_F(PeriodFilter, ARecalculationThatFailsChangesNothingAndTheFilterStaysUsable) {
    Seed(3);
    {
        // Two moves whose sum the file cannot hold as a number.
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("update bill_move set amount = 1.7e308 where id in (3, 5)");
    }
    Start();
    const AnsiString bank = Amount(kBank), wallet = Amount(kWallet);
    int key = VK_RETURN;
    EXPECT_THROW(form->DateTimePicker1KeyDown(key, 0), Exception);
    // Rolled back as a whole: nothing is left zeroed.
    EXPECT_EQ(Amount(kBank), bank);
    EXPECT_EQ(Amount(kWallet), wallet);
    EXPECT_TRUE(form->ProgressBar1->isHidden());
    // With the moves mended, the next recalculation runs.
    DB->ExecSQL("update bill_move set amount = -1 where id in (3, 5)");
    form->DateTimePicker1KeyDown(key, 0);
    EXPECT_EQ(Amount(kWallet), "-26,11");  // -1 - 1 - 11.37 - 12.74
}

TEST_F(PeriodFilter, AStartAfterAKillRestoresThePeriodItsStoredBalancesCount) {
    // A session on a file whose filter is on for 1 to 10 January, with that period's balances,
    // changes the period one way or another and is killed or closed; the next start saves one
    // move. The file then names the period `stored`, and every balance is counted over it.
    const auto typed = [](TForm1& f) { f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 5)); };
    const struct {
        const char* how;
        std::function<void(TForm1&)> change;
        bool saves, killed;
        std::string stored;
    } sessions[] = {
        {"the check box", [](TForm1& f) { f.CheckBox1->SetChecked(false); }, false, true,
         "20260101"},
        {"Enter in a date box",
         [](TForm1& f) {
             f.DateTimePicker1->SetDate(EncodeDate(2026, 1, 3));
             int key = VK_RETURN;
             f.DateTimePicker1KeyDown(key, 0);
         },
         false, true, "2026010320260110"},
        {"the calendar closing",
         [](TForm1& f) {
             f.DateTimePicker2->SetDate(EncodeDate(2026, 1, 20));
             f.DateTimePicker2->OnCloseUp();
         },
         false, true, "2026010120260120"},
        // A date typed and never applied counts no balance: the save counts under the period
        // applied, and that is the period kept.
        {"a date typed, a move saved, killed", typed, true, true, "2026010120260110"},
        {"a date typed, a move saved, closed", typed, true, false, "2026010120260110"},
    };
    for (const auto& s : sessions) {
        SCOPED_TRACE(s.how);
        Open(30);
        form->DateTimePicker1->SetDate(EncodeDate(2026, 1, 1));
        form->DateTimePicker2->SetDate(EncodeDate(2026, 1, 10));
        form->CheckBox1->SetChecked(true);
        Close();
        const pid_t pid = fork();
        if (pid == 0) {
            auto window = std::make_unique<TForm1>();
            if (!window->StartupComplete()) _exit(1);
            s.change(*window);
            if (s.saves && !SaveAMove(*window)) _exit(1);
            if (s.killed) kill(getpid(), SIGKILL);
            window.reset();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(s.killed ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                             : WIFEXITED(status) && WEXITSTATUS(status) == 0);
        Start();
        ASSERT_TRUE(SaveAMove(*form));
        Close();
        EXPECT_EQ(Sqlite3("select value from param where name = 'date-filter'"), s.stored + "\n");
        EXPECT_EQ(BalancesOffTheStoredPeriod(), "");
    }
}
