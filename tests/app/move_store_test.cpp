// Move pairs in the database.
#include "app/store/move_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "app/store/database_file.h"
#include "tests/support/support.h"

using namespace qm;

namespace {
AnsiString Rows(TSQLiteDatabase& db) {
    AnsiString out;
    auto t = db.GetTable(
        "select id, src_bill_id, dest_bill_id, ts, num, note, amount, kurs, bill_move_id from "
        "bill_move order by id");
    for (; !t->Eof(); t->Next()) {
        for (int c = 0; c < 9; ++c) out += t->FieldAsString(c) + (c < 8 ? "|" : "\n");
    }
    return out;
}
}  // namespace

TEST(MoveStore, PairsPointAtEachOtherAndMirrorTheAmount) {
    qmtest::TempDir dir;
    qmtest::UseProgramFormats();
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
    MoveFields f{"20100212", "N'1", "Bob's lunch", "12.34", "-12.34", "1"};
    EXPECT_EQ(InsertMovePair(*db, 5, 7, f), 0);
    EXPECT_EQ(Rows(*db),
              "1|5|7|20100212|N'1|Bob's lunch|12,34|1|2\n"
              "2|7|5|20100212|N'1|Bob's lunch|-12,34|1|1\n");
    MoveFields g{"20100101", "", "x", "-0.05", "0.05", "1"};
    EXPECT_EQ(InsertMovePair(*db, 7, 5, g), 2);

    // Edited to another correspondent: the twin moves to the new account.
    MovePair old = ReadMovePair(*db, 1);
    EXPECT_EQ(old.twin, 2);
    EXPECT_EQ(old.owner, 5);
    EXPECT_EQ(old.corr, 7);
    UpdateMovePair(*db, 1, old, 9, {"20100213", "2", "new", "-1.00", "1.00", "1"});
    EXPECT_EQ(db->GetTable("select src_bill_id, amount, note from bill_move where id = 2")
                  ->FieldAsString(0),
              "9");
    EXPECT_EQ(
        db->GetTable("select dest_bill_id, amount from bill_move where id = 1")->FieldAsString(1),
        "-1");

    MovePair gone = DeleteMovePair(*db, 4);
    EXPECT_EQ(gone.twin, 3);
    EXPECT_EQ(db->GetTable("select count(*) from bill_move")->FieldAsInteger(0), 2);
}

TEST(MoveStore, AFailureBetweenTheTwoRowsLeavesNoHalfPair) {
    qmtest::TempDir dir;
    {
        auto db = CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c");
        // The second row of a pair (owned by account 7) cannot be written.
        db->ExecSQL(
            "CREATE TRIGGER no7 BEFORE INSERT ON bill_move WHEN NEW.src_bill_id = 7 "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    pid_t pid = fork();
    if (pid == 0) {
        TSQLiteDatabase::SetFailureHandler([](const ESQLiteException&) { _exit(9); });
        TSQLiteDatabase db("./Quillmarsh.dat");
        InsertMovePair(db, 5, 7, {"20100101", "", "", "1.00", "-1.00", "1"});
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 9);
    TSQLiteDatabase db("./Quillmarsh.dat");
    EXPECT_EQ(db.GetTable("select count(*) from bill_move")->FieldAsInteger(0), 0);
}

TEST(MoveStore, KillingTheWriterAtRandomMomentsNeverLeavesHalfAPair) {
    qmtest::TempDir dir;
    CreateDatabaseFile("./Quillmarsh.dat", "a", "b", "c").reset();
    std::srand(12345);
    for (int round = 0; round < 25; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            TSQLiteDatabase db("./Quillmarsh.dat");
            for (int i = 0;; ++i) {
                const MoveFields f{"20260101", IntToStr(i), "note", "1.00", "-1.00", "1"};
                const int n = InsertMovePair(db, 1, 2, f);
                if (i % 3 == 0) UpdateMovePair(db, n + 1, ReadMovePair(db, n + 1), 3, f);
                if (i % 5 == 0) DeleteMovePair(db, n + 2);
            }
        }
        usleep(2000 + std::rand() % 30000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        TSQLiteDatabase db("./Quillmarsh.dat");
        EXPECT_EQ(db.GetTable("PRAGMA integrity_check")->FieldAsString(0), "ok")
            << "round " << round;
        // Every row has its twin, pointing back, with the opposite amount.
        auto orphans = db.GetTable(
            "select count(*) from bill_move a left join bill_move b on b.id = a.bill_move_id "
            "where b.id is null or b.bill_move_id <> a.id or b.amount <> -a.amount or "
            "b.src_bill_id <> a.dest_bill_id or b.dest_bill_id <> a.src_bill_id");
        EXPECT_EQ(orphans->FieldAsInteger(0), 0) << "round " << round;
    }
    TSQLiteDatabase db("./Quillmarsh.dat");
    EXPECT_GT(db.GetTable("select count(*) from bill_move")->FieldAsInteger(0),
              10);  // the writer did write
}
