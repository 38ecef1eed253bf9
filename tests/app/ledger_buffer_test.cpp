// Ledger buffers: loading, running balance, displayed rows, and keeping in step.
#include "app/store/ledger_buffer.h"

#include <gtest/gtest.h>

#include "app/store/database_file.h"
#include "app/store/moves_in_parts.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

struct LedgerDb : ::testing::Test {
    qmtest::TempDir dir;
    std::unique_ptr<TSQLiteDatabase> db;
    std::vector<THeadTab> tabs;
    void SetUp() override {
        qmtest::UseProgramFormats();
        db = CreateDatabaseFile("./Quillmarsh.dat", "Assets", "Income", "Spending");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name) values (1, 0, 2, 1, "
            "'Cash')");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name) values (2, 1, 2, 1, "
            "'Wallet')");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name) values (3, 0, 3, 1, "
            "'Food')");
        db->ExecSQL(
            "insert into bill (id, bill_id, bill_type_id, currency_id, name) values (4, 3, 3, 1, "
            "'Lunch')");
        tabs.resize(2);
        tabs[1].Kind = tkLedger;
        tabs[1].Id = 2;
        tabs[1].BillTypeId = 2;
    }
    void AddPair(int id, const char* ts, const char* num, const char* note, const char* amount) {
        const AnsiString a = amount;
        const AnsiString b = a[0] == '-' ? a.substr(1) : "-" + a;
        db->ExecSQL("insert into bill_move values ('1', " + IntToStr(id + 1) + ", '" + num + "', " +
                    a + ", 4, " + IntToStr(id) + ", '" + note + "', 2, '" + ts + "', NULL)");
        db->ExecSQL("insert into bill_move values ('1', " + IntToStr(id) + ", '" + num + "', " + b +
                    ", 2, " + IntToStr(id + 1) + ", '" + note + "', 4, '" + ts + "', NULL)");
    }
};

}  // namespace

TEST_F(LedgerDb, LoadsMovesInDateNumberIdOrderWithRunningBalance) {
    AddPair(1, "20100105", "2", "b", "-12.34");
    AddPair(3, "20100105", "1", "a", "0");
    AddPair(5, "19990101", "", "old", "100");
    EXPECT_FALSE(LoadBuffer(*db, tabs[1], "20261207"));
    const auto& buf = tabs[1].BufRows;
    ASSERT_EQ(buf.size(), 3u);
    EXPECT_EQ(buf[0].Cells[0], "20990101");  // the century is always 20
    EXPECT_EQ(buf[0].Id, 5);
    EXPECT_EQ(buf[1].Id, 3);
    EXPECT_EQ(buf[1].Cells[4], "0,00");
    EXPECT_EQ(buf[1].Cells[5], "");
    EXPECT_EQ(buf[2].Cells[4], "");
    EXPECT_EQ(buf[2].Cells[5], "12,34");
    EXPECT_EQ(buf[2].Cells[3], "S:Food-Lunch");
    EXPECT_EQ(buf[2].Cells.Text(6), "87,66");
    // The 1999 date is shown, not written back.
    EXPECT_EQ(db->GetTable("select ts from bill_move where id = 5")->FieldAsString(0), "19990101");

    // Type 1 counts the other way round.
    tabs[1].BillTypeId = 1;
    BillMoveCalcSum(tabs[1]);
    EXPECT_EQ(tabs[1].BufRows[2].Cells[6], "-87,66");
}

TEST_F(LedgerDb, RepairsDatesWithLettersInBothRowsAndFlagsAttachments) {
    AddPair(1, "2010x105", "", "", "5");
    AddPair(3, "20100101", "", "", "5");
    AddPair(5, "20100102", "", "", "5");
    db->UpdateBlob("update bill_move set files = ? where id = 3",
                   "f\x03"
                   "1\x01x");
    db->UpdateBlob("update bill_move set files = ? where id = 5", "");  // all files removed
    LoadBuffer(*db, tabs[1], "20261207");
    const auto& buf = tabs[1].BufRows;
    ASSERT_EQ(buf.size(), 3u);
    EXPECT_EQ(buf[2].Cells[0], "20261207");
    EXPECT_EQ(
        db->GetTable("select count(*) from bill_move where ts = '20261207'")->FieldAsInteger(0), 2);
    EXPECT_TRUE(buf[0].HasFiles);
    EXPECT_FALSE(buf[1].HasFiles);
}

TEST_F(LedgerDb, DisplayedRowsFilterSortAndEndWithTheNewRow) {
    AddPair(1, "20100101", "", "same", "1");
    AddPair(3, "20100102", "", "same", "-3");
    AddPair(5, "20100103", "", "same", "2");
    AddPair(7, "20100104", "", "apple", "9");
    LoadBuffer(*db, tabs[1], "20261207");

    auto rows = BuildDisplayedRows(tabs[1], {true, "20100102", "20100103"}, 0, "07.12.2026");
    ASSERT_EQ(rows.size(), 3u);  // both bounds are inside
    EXPECT_EQ(rows[0].Id, 3);
    EXPECT_EQ(rows[2].Id, -1);
    EXPECT_EQ(rows[2].Cells[0], "07.12.2026");
    EXPECT_EQ(rows[2].CorrBillId, 0);

    rows = BuildDisplayedRows(tabs[1], {}, 1, "");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].Id, 7);  // "apple" first, then equal texts in reverse date order
    EXPECT_EQ(rows[1].Id, 5);
    EXPECT_EQ(rows[2].Id, 3);
    EXPECT_EQ(rows[3].Id, 1);

    rows = BuildDisplayedRows(tabs[1], {}, 2, "");
    EXPECT_EQ(rows[0].Id, 3);  // -3, 1, 2, 9
    EXPECT_EQ(rows[1].Id, 1);
    EXPECT_EQ(rows[3].Id, 7);

    THeadTab empty;
    empty.Kind = tkLedger;
    EXPECT_EQ(BuildDisplayedRows(empty, {}, 0, "x").size(), 1u);
}

TEST_F(LedgerDb, OverflowingBalanceShowsDashes) {
    AddPair(1, "20100101", "", "", "999999999999");
    AddPair(3, "20100102", "", "", "1");
    AddPair(5, "20100103", "", "", "-5");
    EXPECT_TRUE(LoadBuffer(*db, tabs[1], "20261207"));
    EXPECT_EQ(tabs[1].BufRows[0].Cells[6], "999999999999,00");
    EXPECT_EQ(tabs[1].BufRows[1].Cells[6], "------");
    EXPECT_EQ(tabs[1].BufRows[2].Cells[6], "999999999995,00");
}

TEST_F(LedgerDb, InsertAndDeleteKeepOnlyTheFirstLoadedTabInStep) {
    AddPair(1, "20100101", "1", "", "1");
    AddPair(3, "20100103", "1", "", "2");
    tabs.push_back(tabs[1]);  // a second tab of the same account
    LoadBuffer(*db, tabs[1], "20261207");
    LoadBuffer(*db, tabs[2], "20261207");
    THeadTab never;
    never.Kind = tkLedger;
    never.Id = 4;
    tabs.push_back(never);

    InsertBufRow(*db, tabs, 2, 9, 4, "20100102", "5", "mid", "-0.05");
    InsertBufRow(*db, tabs, 4, 10, 2, "20100102", "5", "mid", "0.05");
    ASSERT_EQ(tabs[1].BufRows.size(), 3u);
    EXPECT_EQ(tabs[1].BufRows[1].Id, 9);
    EXPECT_EQ(tabs[1].BufRows[1].Cells[5], "0,05");
    EXPECT_EQ(tabs[1].BufRows[1].Cells[3], "S:Food-Lunch");
    EXPECT_EQ(tabs[1].BufRows[2].Cells[6], "2,95");
    EXPECT_EQ(tabs[2].BufRows.size(), 2u);
    EXPECT_TRUE(tabs[3].BufRows.empty());  // never shown: read from the database when it is

    // Same date and number: the id decides.
    InsertBufRow(*db, tabs, 2, 2, 4, "20100101", "1", "", "1.00");
    EXPECT_EQ(tabs[1].BufRows[1].Id, 2);

    DelBufRow(tabs, 2, 9);
    EXPECT_EQ(tabs[1].BufRows.size(), 3u);
    EXPECT_EQ(tabs[1].BufRows[2].Cells[6], "4,00");
    DelBufRow(tabs, 2, 12345);
    EXPECT_EQ(tabs[1].BufRows.size(), 3u);
}

// A large account is read in parts on connections of their own. The rows must join up exactly:
// ties of date and number, dates to repair at the seams, the old century, NULL amounts, files
// and a correspondent that no longer exists, against the same load read in one piece (inside a
// transaction, which other connections cannot see into).
TEST_F(LedgerDb, ALargeAccountReadInPartsGivesTheSameBufferAsOneRead) {
    qmtest::ForcedParts forced;
    db->ExecSQL("begin");
    db->ExecSQL(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 49999) "
        "insert into bill_move (kurs, bill_move_id, num, amount, dest_bill_id, id, note, "
        "src_bill_id, ts) select '1', 2 * i + 11, case when i % 7 = 0 then '' else i % 3 end, "
        "case when i % 101 = 0 then null else (i % 200 - 100) * 1.005 end, "
        "case when i % 53 = 0 then 99 else 4 end, 2 * i + 10, 'note ' || (i % 11), 2, "
        "case when i % 997 = 0 then '2010x1' || (i % 10) when i % 389 = 0 then '1999' || "
        "printf('%04d', i % 1200) else '2010' || printf('%04d', 101 + (i / 40) % 1100) end "
        "from n");
    db->ExecSQL(
        "insert into bill_move (kurs, bill_move_id, num, amount, dest_bill_id, id, note, "
        "src_bill_id, ts) select kurs, id, num, -amount, 2, bill_move_id, note, dest_bill_id, ts "
        "from bill_move where src_bill_id = 2");
    db->ExecSQL("update bill_move set files = 'f' where id % 31 = 0 and src_bill_id = 2");
    db->ExecSQL("commit");

    // Read in one piece, inside a transaction: a copy of every row, and the repairs undone.
    db->ExecSQL("begin");
    const uint64_t before = MovesReadInParts();
    const bool overflowOne = LoadBuffer(*db, tabs[1], "20261207", TParts::SideBySide());
    EXPECT_EQ(MovesReadInParts(), before);
    std::vector<std::array<AnsiString, 7>> one;
    std::vector<std::array<int, 3>> oneIds;
    for (const TBufRow& r : tabs[1].BufRows) {
        one.push_back(r.Cells);
        oneIds.push_back({r.Id, r.CorrBillId, r.HasFiles});
    }
    db->ExecSQL("rollback");
    ASSERT_EQ(one.size(), 50000u);
    const int64_t toRepair =
        db->GetTable("select count(*) from bill_move where ts like '%x%'")->FieldAsInteger(0);
    EXPECT_EQ(toRepair, 2 * 51);

    // The parts need the program's index on the account to find their first rows.
    EnsureIndexes(*db);
    const bool overflowParts = LoadBuffer(*db, tabs[1], "20261207", TParts::SideBySide());
    EXPECT_EQ(MovesReadInParts(), before + 50000);
    EXPECT_EQ(overflowParts, overflowOne);
    const auto& buf = tabs[1].BufRows;
    ASSERT_EQ(buf.size(), one.size());
    for (size_t i = 0; i < buf.size(); ++i) {
        const std::array<AnsiString, 7> cells = buf[i].Cells;
        const std::array<int, 3> ids{buf[i].Id, buf[i].CorrBillId, buf[i].HasFiles};
        ASSERT_EQ(cells, one[i]) << "row " << i;
        ASSERT_EQ(ids, oneIds[i]) << "row " << i;
    }
    // The repairs of every part were written, to both rows of each pair.
    EXPECT_EQ(
        db->GetTable("select count(*) from bill_move where ts = '20261207'")->FieldAsInteger(0),
        toRepair);
    EXPECT_EQ(db->GetTable("select count(*) from bill_move where ts like '%x%'")->FieldAsInteger(0),
              0);

    db->ExecSQL("drop index bill_move_by_account");
    LoadBuffer(*db, tabs[1], "20261207", TParts::SideBySide());
    EXPECT_EQ(MovesReadInParts(), before + 50000);
    EXPECT_EQ(tabs[1].BufRows.size(), 50000u);
}

// With parts forced even a small account is read in parts, so that every load's test crosses
// their seams; the buffer is the one a read in one piece gives.
TEST_F(LedgerDb, WithPartsForcedASmallAccountIsReadInPartsAsInOne) {
    AddPair(1, "20100105", "2", "b", "-12.34");
    AddPair(3, "20100105", "1", "a", "0");
    AddPair(5, "19990101", "", "old", "100");
    AddPair(7, "20100107", "", "c", "7.5");
    EnsureIndexes(*db);
    std::vector<std::vector<std::array<AnsiString, 7>>> loads;
    for (bool force : {false, true}) {
        const bool was = ForceParts(force);
        const uint64_t before = MovesReadInParts();
        LoadBuffer(*db, tabs[1], "20261207");
        ForceParts(was);
        EXPECT_EQ(MovesReadInParts() - before, force ? tabs[1].BufRows.size() : 0u);
        loads.emplace_back();
        for (const TBufRow& r : tabs[1].BufRows) loads.back().push_back(r.Cells);
    }
    EXPECT_EQ(loads[0].size(), 4u);
    EXPECT_EQ(loads[0], loads[1]);
}
