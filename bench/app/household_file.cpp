// Writes the benchmarks' large household file. The rows go in through the engine's own C
// interface with prepared statements (the program's writers would take hours for a million
// moves); the schema, the seed rows and the balances come from the program itself, so the file
// is what a user's file would be.
#include "bench/app/household_file.h"

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <random>
#include <stdexcept>
#include <string>

#include "app/store/balances.h"
#include "app/store/database_file.h"

namespace qm::bench {
namespace {

constexpr int kGroupsPerType = 7;
constexpr int kAccountsPerGroup = 10;

const std::array<const char*, 24> kNotes = {
    "Groceries",       "Rent",       "Electricity bill", "Salary",        "Fuel",
    "Pharmacy",        "Bakery",     "Internet",         "Phone",         "Cinema",
    "Books",           "Water bill", "Car insurance",    "Gift",          "Restaurant",
    "Train tickets",   "Haircut",    "School fees",      "Garden centre", "Hardware store",
    "Cash withdrawal", "Savings",    "Interest",         "Refund"};

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt); }
    void Run(sqlite3* db) {
        if (sqlite3_step(stmt) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(stmt);
    }
};

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "sqlite3_exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::string DateText(std::chrono::sys_days day) {
    const std::chrono::year_month_day ymd{day};
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return text;
}

// Ids: type t (1..3), group g (0..6) and account a (0..9) in creation order.
int GroupId(int type, int group) {
    return 1 + ((type - 1) * kGroupsPerType + group) * (kAccountsPerGroup + 1);
}
int AccountId(int type, int group, int account) {
    return GroupId(type, group) + 1 + account;
}

void WriteTrees(sqlite3* db) {
    Statement insert(
        db,
        "insert into bill (twosign, budget_type, budget, budget_date_to, budget_date_from, "
        "budget_amount, amount, currency_id, ts, isopen, bill_type_id, bill_id, id, name, "
        "position) values (?, '0', 0, '', '', 0, 0, 1, '20190101120000', ?, ?, ?, ?, ?, ?)");
    const char* typeNames[] = {"Income", "Assets", "Spending"};
    for (int type = 1; type <= 3; ++type)
        for (int g = 0; g < kGroupsPerType; ++g) {
            const std::string groupName =
                std::string(typeNames[type - 1]) + " group " + std::to_string(g + 1);
            sqlite3_bind_text(insert.stmt, 1, "FF", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert.stmt, 2, 1);
            sqlite3_bind_int(insert.stmt, 3, type);
            sqlite3_bind_int(insert.stmt, 4, 0);
            sqlite3_bind_int(insert.stmt, 5, GroupId(type, g));
            sqlite3_bind_text(insert.stmt, 6, groupName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert.stmt, 7, g);
            insert.Run(db);
            for (int a = 0; a < kAccountsPerGroup; ++a) {
                const std::string name = groupName + " account " + std::to_string(a + 1);
                sqlite3_bind_text(insert.stmt, 1, "TF", -1, SQLITE_STATIC);
                sqlite3_bind_int(insert.stmt, 2, 0);
                sqlite3_bind_int(insert.stmt, 3, type);
                sqlite3_bind_int(insert.stmt, 4, GroupId(type, g));
                sqlite3_bind_int(insert.stmt, 5, AccountId(type, g, a));
                sqlite3_bind_text(insert.stmt, 6, name.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(insert.stmt, 7, a);
                insert.Run(db);
            }
        }
}

// Payer and payee of move i: the big account pays or is paid for its share, the rest flows from
// income to assets, from assets to spending and between assets, as a household's money does.
std::pair<int, int> Parties(int i, const HouseholdSize& size, std::mt19937& random) {
    auto pick = [&](int type) {
        return AccountId(type, static_cast<int>(random() % kGroupsPerType),
                         static_cast<int>(random() % kAccountsPerGroup));
    };
    // The big account's moves are spread evenly over the years: exactly `bigMoves` values of i
    // move the quotient below to its next whole number. So are the second's.
    auto takes = [&](int count) {
        return static_cast<long long>(i) * count / size.moves !=
               static_cast<long long>(i + 1) * count / size.moves;
    };
    const bool second = size.secondMoves > 0 && takes(size.secondMoves);
    if (takes(size.bigMoves)) {
        if (second) return std::pair{SecondBigAccountId, BigAccountId};
        return random() % 4 == 0 ? std::pair{pick(1), BigAccountId}
                                 : std::pair{BigAccountId, pick(3)};
    }
    if (second)
        return random() % 4 == 0 ? std::pair{pick(1), SecondBigAccountId}
                                 : std::pair{SecondBigAccountId, pick(3)};
    int payer = 0, payee = 0;
    do {
        switch (random() % 20) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
                payer = pick(1), payee = pick(2);
                break;
            case 5:
            case 6:
            case 7:
                payer = pick(2), payee = pick(2);
                break;
            default:
                payer = pick(2), payee = pick(3);
        }
    } while (
        payer == payee || payer == BigAccountId || payee == BigAccountId ||
        (size.secondMoves > 0 && (payer == SecondBigAccountId || payee == SecondBigAccountId)));
    return {payer, payee};
}

void WriteMoves(sqlite3* db, const HouseholdSize& size) {
    Statement insert(
        db,
        "insert into bill_move (kurs, bill_move_id, num, amount, dest_bill_id, id, note, "
        "src_bill_id, ts, files) values ('1', ?, ?, ?, ?, ?, ?, ?, ?, NULL)");
    std::mt19937 random(20261207);
    const std::chrono::sys_days first = std::chrono::year{2019} / 1 / 1;
    const int days = (std::chrono::sys_days{std::chrono::year{2026} / 12 / 6} - first).count();
    for (int i = 0; i < size.moves; ++i) {
        const auto [payer, payee] = Parties(i, size, random);
        const std::string date =
            DateText(first + std::chrono::days{static_cast<long long>(i) * days / size.moves});
        const double amount = static_cast<double>(100 + random() % 50000) / 100;
        const std::string num = i % 10 == 0 ? std::to_string(1000 + i / 10) : std::string();
        const std::string note =
            std::string(kNotes[random() % kNotes.size()]) + " " + std::to_string(i % 97);
        const int id = 2 * i + 1;
        const struct {
            int owner, other, id, twin;
            double amount;
        } rows[] = {{payer, payee, id, id + 1, -amount}, {payee, payer, id + 1, id, amount}};
        for (const auto& row : rows) {
            sqlite3_bind_int(insert.stmt, 1, row.twin);
            sqlite3_bind_text(insert.stmt, 2, num.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert.stmt, 3, row.amount);
            sqlite3_bind_int(insert.stmt, 4, row.other);
            sqlite3_bind_int(insert.stmt, 5, row.id);
            sqlite3_bind_text(insert.stmt, 6, note.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert.stmt, 7, row.owner);
            sqlite3_bind_text(insert.stmt, 8, date.c_str(), -1, SQLITE_TRANSIENT);
            insert.Run(db);
        }
    }
}

}  // namespace

int WriteHouseholdFile(const std::filesystem::path& path, const HouseholdSize& size) {
    std::filesystem::remove(path);
    auto file = CreateDatabaseFile(path.string(), "Income", "Assets", "Spending");
    sqlite3* db = file->Handle();
    Exec(db, "begin");
    WriteTrees(db);
    WriteMoves(db, size);
    Exec(db, "commit");
    // The program's own recalculation writes the balances; it needs an index to finish in
    // seconds rather than minutes, and the index goes again so that the file has none.
    Exec(db, "create index bench_recalc on bill_move (src_bill_id)");
    RecalculateAllBalances(*file, PeriodFilter{}, {});
    Exec(db, "drop index bench_recalc");
    Exec(db, "vacuum");
    return 3 * kGroupsPerType * kAccountsPerGroup;
}

}  // namespace qm::bench
