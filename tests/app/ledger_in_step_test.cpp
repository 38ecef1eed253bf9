// A buffer kept in step move by move holds what loading it afresh gives, in order or not, and
// the displayed rows come in the order the ledger's insertion rules put them, sharing the
// buffer's texts until a row is changed.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <tuple>

#include "app/store/database_file.h"
#include "app/store/ledger_buffer.h"
#include "app/store/money_text.h"
#include "app/store/move_store.h"
#include "platform/parallel.h"
#include "tests/support/support.h"

using namespace qm;

namespace {

struct LedgerInStep : ::testing::Test {
    qmtest::TempDir dir;
    std::unique_ptr<TSQLiteDatabase> db;
    std::vector<THeadTab> tabs;
    std::mt19937 random{5};

    void SetUp() override {
        qmtest::UseProgramFormats();
        db = CreateDatabaseFile("./Quillmarsh.dat", "Assets", "Income", "Spending");
        EnsureIndexes(*db);
        for (int id = 1; id <= 4; ++id)
            db->ExecSQL("insert into bill (id, bill_id, bill_type_id, currency_id, name) values (" +
                        IntToStr(id) + ", " + (id == 1 ? "0" : "1") + ", 2, 1, 'b" + IntToStr(id) +
                        "')");
        tabs.resize(3);
        for (int i : {1, 2}) {
            tabs[i].Kind = tkLedger;
            tabs[i].Id = i + 1;  // accounts 2 and 3, the two sides of most moves
            tabs[i].BillTypeId = i == 1 ? 1 : 2;
        }
    }

    MoveFields RandomMove() {
        static const char* const dates[] = {"20100105", "20100105", "20100107", "20100101",
                                            "20110101"};
        MoveFields f;
        f.date = dates[random() % 5];
        f.num = random() % 3 ? AnsiString() : IntToStr(random() % 5);
        f.note = random() % 2 ? "same" : "n" + IntToStr(random() % 7);
        const long long cents = static_cast<long long>(random() % 20000) - 10000;
        f.amountA = CentsText(cents / 100.0L, '.');
        f.amountB = CentsText(-cents / 100.0L, '.');
        return f;
    }

    // What a save does to the buffers: the pair stored, then each row inserted into its ledger.
    void Store(int account, int corr, const MoveFields& f) {
        const int n = InsertMovePair(*db, account, corr, f);
        InsertBufRow(*db, tabs, account, n + 1, corr, f.date, f.num, f.note, f.amountA);
        InsertBufRow(*db, tabs, corr, n + 2, account, f.date, f.num, f.note, f.amountB);
    }

    void ExpectAsLoaded(const THeadTab& kept) {
        THeadTab fresh;
        fresh.Kind = tkLedger;
        fresh.Id = kept.Id;
        fresh.BillTypeId = kept.BillTypeId;
        LoadBuffer(*db, fresh, "20261207");
        ASSERT_EQ(kept.BufRows.size(), fresh.BufRows.size());
        for (size_t r = 0; r < fresh.BufRows.size(); ++r) {
            const TBufRow &a = kept.BufRows[r], &b = fresh.BufRows[r];
            ASSERT_EQ(a.Id, b.Id) << r;
            ASSERT_EQ(a.CorrBillId, b.CorrBillId) << r;
            for (size_t c = 0; c < 7; ++c) ASSERT_EQ(a.Cells.Text(c), b.Cells.Text(c)) << r << c;
        }
    }
};

// The rows in the order the ledger's rules give: each buffer row in turn goes before the first
// displayed row whose key is not less than its own.
std::vector<int> InsertionOrder(const THeadTab& tab, const PeriodFilter& period, int sortMode) {
    std::vector<const TBufRow*> shown;
    for (const TBufRow& row : tab.BufRows) {
        const AnsiString date = row.Cells[0];
        if (period.on && !(period.from <= date && date <= period.to)) continue;
        auto key = [&](const TBufRow* r) {
            return AmountValue(r->Cells[4]) - AmountValue(r->Cells[5]);
        };
        auto at = shown.end();
        if (sortMode == 1)
            at = std::find_if(shown.begin(), shown.end(),
                              [&](const TBufRow* r) { return !(r->Cells[2] < row.Cells[2]); });
        else if (sortMode == 2)
            at = std::find_if(shown.begin(), shown.end(),
                              [&](const TBufRow* r) { return !(key(r) < key(&row)); });
        shown.insert(at, &row);
    }
    std::vector<int> ids;
    for (const TBufRow* r : shown) ids.push_back(r->Id);
    return ids;
}

}  // namespace

TEST_F(LedgerInStep, StoredAndDeletedMovesLeaveTheBuffersAsAFreshLoadWould) {
    for (int i = 0; i < 40; ++i) Store(2, 3, RandomMove());
    LoadBuffer(*db, tabs[1], "20261207");
    LoadBuffer(*db, tabs[2], "20261207");
    for (int step = 0; step < 200; ++step) {
        const int kind = static_cast<int>(random() % 4);
        if (kind < 2 || tabs[1].BufRows.empty()) {
            Store(kind == 0 ? 2 : 3, kind == 0 ? 3 : 2, RandomMove());
        } else if (kind == 3) {
            // An edit as the ledger stores one; half of them keep the row's day and number, and
            // so its place.
            const TBufRow& row = tabs[1].BufRows[random() % tabs[1].BufRows.size()];
            const int move = row.Id;
            MoveFields f = RandomMove();
            if (random() % 2) {
                f.date = AnsiString(row.Cells.SharedTexts()->Date);
                f.num = row.Cells.Text(1);
            }
            const MovePair old = ReadMovePair(*db, move);
            UpdateMovePair(*db, move, old, 3, f);
            ReplaceBufRow(*db, tabs, 2, move, 3, f.date, f.num, f.note, f.amountA);
            ReplaceBufRow(*db, tabs, 3, old.twin, 2, f.date, f.num, f.note, f.amountB);
        } else {
            const int move = tabs[1].BufRows[random() % tabs[1].BufRows.size()].Id;
            const MovePair p = DeleteMovePair(*db, move);
            DelBufRow(tabs, p.owner, move);
            DelBufRow(tabs, p.corr, p.twin);
        }
        if (step % 25 == 24) {
            ExpectAsLoaded(tabs[1]);
            ExpectAsLoaded(tabs[2]);
        }
    }
    // Balances beyond the limit, and back under it, as a fresh load counts them.
    Store(2, 3, {"20120101", "", "big", "999999999999.00", "-999999999999.00", "1"});
    EXPECT_TRUE(BillMoveCalcSum(tabs[2]));
    ExpectAsLoaded(tabs[2]);
    DelBufRow(tabs, 3, tabs[2].BufRows.back().Id);
    EXPECT_FALSE(BillMoveCalcSum(tabs[2]));
    // A buffer put back from elsewhere (as the spreadsheet export puts one back) is looked at
    // afresh, not trusted from before: the next move still goes to its place in it.
    const std::vector<TBufRow> earlier = tabs[1].BufRows;
    Store(2, 4, RandomMove());
    tabs[1].BufRows = earlier;
    Store(2, 4, RandomMove());
    const auto& buf = tabs[1].BufRows;
    ASSERT_EQ(buf.size(), earlier.size() + 1);
    EXPECT_TRUE(std::is_sorted(buf.begin(), buf.end(), [](const TBufRow& a, const TBufRow& b) {
        return std::make_tuple(a.Cells.Text(0), a.Cells.Text(1), a.Id) <
               std::make_tuple(b.Cells.Text(0), b.Cells.Text(1), b.Id);
    }));
    THeadTab counted = tabs[1];
    BillMoveCalcSum(counted);
    for (size_t r = 0; r < buf.size(); ++r)
        ASSERT_EQ(buf[r].Cells.Text(6), counted.BufRows[r].Cells.Text(6));
}

TEST_F(LedgerInStep, AMoveGoesBeforeTheFirstRowNotSortingBeforeItInABufferOutOfOrder) {
    for (int i = 0; i < 30; ++i) Store(2, 3, RandomMove());
    // A date of 1999 reads as 2099: that row stands first, out of the order of its cells.
    Store(2, 3, {"19991231", "", "old", "1.00", "-1.00", "1"});
    LoadBuffer(*db, tabs[1], "20261207");
    ASSERT_EQ(tabs[1].BufRows.front().Cells[0], "20991231");
    for (int step = 0; step < 60; ++step) {
        const MoveFields f = RandomMove();
        Store(2, 3, f);
        const auto& buf = tabs[1].BufRows;
        const int id = MaxMoveId(*db) - 1;
        const auto at =
            std::find_if(buf.begin(), buf.end(), [&](const TBufRow& r) { return r.Id == id; });
        ASSERT_NE(at, buf.end());
        auto key = [](const TBufRow& r) {
            return std::make_tuple(r.Cells.Text(0), r.Cells.Text(1), r.Id);
        };
        for (auto r = buf.begin(); r != at; ++r) ASSERT_LT(key(*r), key(*at)) << step;
        if (at + 1 != buf.end()) {
            ASSERT_FALSE(key(*(at + 1)) < key(*at)) << step;
        }
        // The running balance from the changed row on is what a full count gives.
        THeadTab counted = tabs[1];
        BillMoveCalcSum(counted);
        for (size_t r = 0; r < buf.size(); ++r)
            ASSERT_EQ(buf[r].Cells.Text(6), counted.BufRows[r].Cells.Text(6)) << step;
    }
}

TEST_F(LedgerInStep, DisplayedRowsComeInTheInsertionOrderAndShareTheBuffersTexts) {
    for (int i = 0; i < 120; ++i) Store(2, 3, RandomMove());
    LoadBuffer(*db, tabs[1], "20261207");
    for (int sortMode : {0, 1, 2})
        for (const PeriodFilter& period :
             {PeriodFilter{}, PeriodFilter{true, "20100105", "20100107"}}) {
            const std::vector<TBillMoveRow> rows =
                BuildDisplayedRows(tabs[1], period, sortMode, "07.12.2026");
            const std::vector<int> expected = InsertionOrder(tabs[1], period, sortMode);
            ASSERT_EQ(rows.size(), expected.size() + 1);
            for (size_t r = 0; r < expected.size(); ++r) ASSERT_EQ(rows[r].Id, expected[r]) << r;
            EXPECT_EQ(rows.back().Id, -1);
            EXPECT_EQ(rows.back().Cells[0], "07.12.2026");
        }
    std::vector<TBillMoveRow> rows = BuildDisplayedRows(tabs[1], {}, 0, "");
    const TBufRow& source = tabs[1].BufRows[7];
    ASSERT_EQ(rows[7].Id, source.Id);
    EXPECT_EQ(rows[7].Cells.Texts(), source.Cells.Texts());
    EXPECT_FALSE(rows[7].Cells.HasOwnStrings());
    // Typing into a displayed row changes that row alone.
    const AnsiString before = source.Cells.Text(2);
    rows[7].Cells[2] += "!";
    EXPECT_EQ(rows[7].Cells[2], before + "!");
    EXPECT_EQ(source.Cells.Text(2), before);
    EXPECT_EQ(rows[7].Cells[6], source.Cells.Text(6));
    // Rectangles are those of the last paint only.
    rows[3].CellRects[2] = Rect(1, 2, 3, 4);
    EXPECT_EQ(std::as_const(rows[3]).CellRects[2].Right, 3);
    TCellRects::ForgetAll();
    EXPECT_TRUE(std::as_const(rows[3]).CellRects[2].IsEmpty());
    EXPECT_TRUE(std::as_const(rows[4]).CellRects[2].IsEmpty());
}

// Numbers outside ASCII, empty ones, NULLs, blobs and (in a file whose number column has no text
// affinity) stored numbers: a day's moves, saved and edited in any order under either code page,
// stand in the kept buffers as a fresh load puts them, with the same running balances.
TEST_F(LedgerInStep, NumbersKeepTheFilesOrderWhateverTheCodePage) {
    const std::string savedPage = InterfaceCodePage();
    const char* const typed[] = {"é", "€", "Ж", "a", "", "10", "9", "?", "A", "010"};
    for (const char* page : {"CP1252", "CP1251"})
        for (const char* numType : {"TEXT", "NUMERIC"}) {
            SCOPED_TRACE(std::string(page) + " " + numType);
            SetInterfaceCodePage(page);
            db->ExecSQL("drop table bill_move");
            db->ExecSQL(std::string("create table bill_move (kurs TEXT, bill_move_id NUMERIC, ") +
                        "num " + numType + ", amount NUMERIC, dest_bill_id NUMERIC, id INTEGER " +
                        "PRIMARY KEY, note TEXT, src_bill_id NUMERIC, ts TEXT, files BLOB)");
            EnsureIndexes(*db);
            // Left by another session, QIF file or program: texts either code page may not
            // hold, a NULL beside an empty text, a blob, numbers written as numbers.
            const char* const stored[] = {"char(1046)", "char(233)", "''",  "NULL", "x'C3A9'",
                                          "x''",        "7",         "9.5", "'8'",  "char(8364)"};
            int id = 0;
            for (const char* num : stored) {
                for (int side = 0; side < 2; ++side, ++id)
                    db->ExecSQL("insert into bill_move values ('1', " +
                                IntToStr(side ? id : id + 2) + ", " + num + ", " +
                                (side ? "-" : "") + IntToStr(id + 1) + ", " + (side ? "2" : "3") +
                                ", " + IntToStr(id + 1) + ", 'left', " + (side ? "3" : "2") +
                                ", '20100105', NULL)");
            }
            for (int i : {1, 2}) LoadBuffer(*db, tabs[i], "20261207");
            std::vector<std::pair<int, MoveFields>> mine;  // row A's id and what it holds
            for (int step = 0; step < 60; ++step) {
                MoveFields f = RandomMove();
                f.date = random() % 4 ? "20100105" : "20100106";
                f.num = Utf8ToAnsi(typed[random() % std::size(typed)]);
                if (mine.empty() || random() % 3) {
                    const int n = MaxMoveId(*db);
                    Store(2, 3, f);
                    mine.emplace_back(n + 1, f);
                } else {
                    // An edit as the ledger stores one.
                    auto& [move, held] = mine[random() % mine.size()];
                    held.num = f.num;
                    if (random() % 2) held.date = f.date;
                    const MovePair old = ReadMovePair(*db, move);
                    UpdateMovePair(*db, move, old, 3, held);
                    ReplaceBufRow(*db, tabs, 2, move, 3, held.date, held.num, held.note,
                                  held.amountA);
                    ReplaceBufRow(*db, tabs, 3, old.twin, 2, held.date, held.num, held.note,
                                  held.amountB);
                }
                ExpectAsLoaded(tabs[1]);
                ExpectAsLoaded(tabs[2]);
            }
            for (int i : {1, 2}) tabs[i].BufRows.clear();
        }
    SetInterfaceCodePage(savedPage);
}

// Rows are read by the parts of an export or a report at once: reading one, through any of its
// const accessors, changes nothing of it, and the balance is made from its number each time.
TEST_F(LedgerInStep, ReadingARowChangesNothingOfItFromManyThreadsAtOnce) {
    for (int i = 0; i < 40; ++i) Store(2, 3, RandomMove());
    LoadBuffer(*db, tabs[1], "20261207");
    const std::vector<TBillMoveRow> rows = BuildDisplayedRows(tabs[1], {}, 0, "07.12.2026");
    std::vector<std::array<AnsiString, 7>> expected;
    for (const TBillMoveRow& r : rows) expected.push_back(r.Cells);
    qmtest::ForcedParts forced;
    std::atomic<int> wrong{0};
    ForEachPart(rows.size() * 50, 1, 8, [&](unsigned, size_t first, size_t end) {
        for (size_t i = first; i < end; ++i) {
            const TRowCells& cells = rows[i % rows.size()].Cells;
            for (size_t col = 0; col < 6; ++col)
                wrong += cells[col] != expected[i % rows.size()][col];
            wrong += cells.Text(6) != expected[i % rows.size()][6];
        }
    });
    EXPECT_EQ(wrong, 0);
    for (size_t i = 0; i + 1 < rows.size(); ++i) {  // the last, the new row, has its own
        EXPECT_FALSE(rows[i].Cells.HasOwnStrings()) << i;
        EXPECT_THROW(rows[i].Cells[6], std::out_of_range) << i;
    }
}
