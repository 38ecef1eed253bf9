// The generated household.
#include "tests/app/generated_household.h"

#include <QDate>
#include <algorithm>
#include <numeric>
#include <random>

#include "app/store/balances.h"
#include "app/store/database_file.h"
#include "db/sqlite_statement.h"

using namespace qm;

namespace qmtest {

namespace {

int GroupId(const GeneratedHousehold& size, int type, int group) {
    return 10 + ((type - 1) * size.groupsPerType + group) * (size.accountsPerGroup + 1);
}

void WriteAccounts(TSQLiteDatabase& db, const GeneratedHousehold& size) {
    db.ExecSQL("insert into currency values (3, 'EUR', 2, 'Euro', '20240101000000', '3')");
    db.ExecSQL(
        "insert into currency values (0.0333333333333333, 'RUB', 3, 'Ruble', '20240101000000', "
        "'1/30')");
    TSQLiteStatement insert(db,
                            "insert into bill (id, bill_id, bill_type_id, currency_id, name, "
                            "position, isopen, twosign, budget, amount, ts) values (?, ?, ?, ?, "
                            "?, ?, 1, 'TF', 0, 0, '20240101000000')");
    const char* types[] = {"Income", "Assets", "Spending"};
    for (int type = 1; type <= 3; ++type)
        for (int g = 0; g < size.groupsPerType; ++g) {
            const int group = GroupId(size, type, g);
            // Group names out of alphabetical order, so that listing them sorts them.
            const AnsiString groupName =
                AnsiString(types[type - 1]) + " " + static_cast<char>('C' - g % 3) + IntToStr(g);
            insert.Bind(1, group).Bind(2, 0).Bind(3, type).Bind(4, 1).Bind(5, groupName);
            insert.Bind(6, g).Run();
            for (int a = 0; a < size.accountsPerGroup; ++a) {
                insert.Bind(1, GeneratedAccountId(size, type, g, a)).Bind(2, group).Bind(3, type);
                insert.Bind(4, 1 + (a + g) % 3).Bind(5, groupName + " account " + IntToStr(a));
                insert.Bind(6, a).Run();
            }
        }
}

AnsiString AmountText(std::mt19937& random) {
    const int cents = 1 + static_cast<int>(random() % 80000);
    AnsiString text =
        IntToStr(cents / 100) + "." + (cents % 100 < 10 ? "0" : "") + IntToStr(cents % 100);
    switch (random() % 8) {
        case 0:
            return text + "5";  // half a cent
        case 1:
            return IntToStr(cents / 100);  // a whole amount, stored as an integer
        default:
            return text;
    }
}

void WriteMoves(TSQLiteDatabase& db, const GeneratedHousehold& size) {
    std::mt19937 random(size.seed);
    std::vector<int> order(size.moves);
    std::iota(order.begin(), order.end(), 0);
    // Entered out of date order: the row ids do not follow the dates.
    std::shuffle(order.begin(), order.end(), random);
    TSQLiteStatement insert(db,
                            "insert into bill_move (id, src_bill_id, dest_bill_id, ts, num, note, "
                            "amount, kurs, bill_move_id) values (?, ?, ?, ?, ?, ?, ?, '1', ?)");
    const char* notes[] = {"Groceries", "Rent", "Café", "Salary", "Fuel", "Gift"};
    const QDate first(2024, 1, 1);
    int id = 1;
    for (int i : order) {
        auto pick = [&](int type) {
            return GeneratedAccountId(size, type, static_cast<int>(random() % size.groupsPerType),
                                      static_cast<int>(random() % size.accountsPerGroup));
        };
        const int kind = static_cast<int>(random() % 10);
        const int payer = kind < 3 ? pick(1) : pick(2);
        int payee = kind < 3 ? pick(2) : kind < 5 ? pick(2) : pick(3);
        if (payee == payer) payee = pick(3);
        const AnsiString date = FromQString(
            first.addDays(static_cast<qint64>(i) * 1095 / size.moves).toString("yyyyMMdd"));
        const AnsiString amount = AmountText(random);
        const AnsiString num =
            i % 4 == 0 ? AnsiString() : IntToStr(static_cast<int>(random() % 300));
        const AnsiString note = notes[random() % 6] + AnsiString(" ") + IntToStr(i % 11);
        const struct {
            int owner, other;
            AnsiString amount;
        } rows[] = {{payer, payee, "-" + amount}, {payee, payer, amount}};
        for (int r = 0; r < 2; ++r) {
            insert.Bind(1, id + r).Bind(2, rows[r].owner).Bind(3, rows[r].other).Bind(4, date);
            insert.Bind(5, num).Bind(6, note).Bind(7, rows[r].amount).Bind(8, id + 1 - r).Run();
        }
        id += 2;
    }
}

}  // namespace

int GeneratedAccountId(const GeneratedHousehold& size, int type, int group, int account) {
    return GroupId(size, type, group) + 1 + account;
}

void WriteGeneratedHousehold(const GeneratedHousehold& size,
                             const std::vector<std::string>& extra) {
    auto db = CreateDatabaseFile("./Quillmarsh.dat", "Income", "Assets", "Spending");
    {
        TSQLiteTransaction transaction(*db);
        WriteAccounts(*db, size);
        WriteMoves(*db, size);
        transaction.Commit();
    }
    RecalculateAllBalances(*db, {}, {});
    for (const std::string& sql : extra) db->ExecSQL(sql);
}

}  // namespace qmtest
