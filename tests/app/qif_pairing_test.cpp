// Pairing the moves of a QIF file looks counterparts up by what they must match instead of
// searching every move of the correspondent. The pairs must be exactly those of the search,
// written out below as the reference, on files full of moves that look alike: one day, no
// number, the same note, moves booked against their own account, correspondents no list names.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "app/exchange/qif_import.h"

using namespace qm;

namespace {

// --- The reference: the plain search over accounts and moves. ---

int ReferenceAccount(const TImportAccounts& accounts, const AnsiString& name) {
    for (size_t i = 0; i < accounts.size(); ++i)
        if (accounts[i].Name == name) return static_cast<int>(i);
    return -1;
}

AnsiString ReferenceNegated(const AnsiString& amount) {
    if (!amount.empty() && amount[0] == '+') return "-" + amount.substr(1);
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : "-" + amount;
}

int ReferenceCounterpart(const TImportAccounts& accounts, int in, int from, int moveIndex,
                         const AnsiString& uncategorized) {
    const TImportMove& m = accounts[from].Moves[moveIndex];
    const auto& moves = accounts[in].Moves;
    for (size_t k = 0; k < moves.size(); ++k) {
        const TImportMove& c = moves[k];
        if (c.PairAccount >= 0 || (in == from && static_cast<int>(k) == moveIndex)) continue;
        const AnsiString& back = c.Corr.empty() ? uncategorized : c.Corr;
        if (c.Date == m.Date && c.Num == m.Num && c.Note == m.Note && back == accounts[from].Name)
            return static_cast<int>(k);
    }
    return -1;
}

void ReferencePairing(TImportAccounts& accounts, const AnsiString& uncategorized) {
    for (size_t a = 0; a < accounts.size(); ++a)
        for (size_t m = 0; m < accounts[a].Moves.size(); ++m) {
            if (accounts[a].Moves[m].PairAccount >= 0) continue;
            if (accounts[a].Moves[m].Corr.empty()) accounts[a].Moves[m].Corr = uncategorized;
            const AnsiString corr = accounts[a].Moves[m].Corr;
            int b = ReferenceAccount(accounts, corr);
            if (b < 0) {
                accounts.push_back({corr, 0, 0, 0, {}});
                b = static_cast<int>(accounts.size()) - 1;
            }
            int k = ReferenceCounterpart(accounts, b, static_cast<int>(a), static_cast<int>(m),
                                         uncategorized);
            if (k < 0) {
                const TImportMove& mine = accounts[a].Moves[m];
                accounts[b].Moves.push_back({mine.Date, mine.Num, mine.Note,
                                             ReferenceNegated(mine.Amount), accounts[a].Name});
                k = static_cast<int>(accounts[b].Moves.size()) - 1;
            }
            accounts[a].Moves[m].PairAccount = b;
            accounts[a].Moves[m].PairMove = k;
            accounts[b].Moves[k].PairAccount = static_cast<int>(a);
            accounts[b].Moves[k].PairMove = static_cast<int>(m);
        }
}

// Accounts whose moves look alike: few dates, numbers and notes; correspondents among the
// accounts, themselves, names no list has, and none at all.
TImportAccounts AlikeAccounts(unsigned seed, int accounts, int moves) {
    std::mt19937 random(seed);
    const char* dates[] = {"12/31'04", "01/01'05", "01/02'05"};
    const char* nums[] = {"", "", "1", "10"};
    const char* notes[] = {"", "Groceries", "Rent"};
    TImportAccounts list;
    for (int a = 0; a < accounts; ++a) list.push_back({"Account " + IntToStr(a), 0, 0, 0, {}});
    for (int i = 0; i < moves; ++i) {
        TImportMove m;
        m.Date = dates[random() % 3];
        m.Num = nums[random() % 4];
        m.Note = notes[random() % 3];
        m.Amount = (random() % 2 ? "-" : "") + IntToStr(static_cast<int>(random() % 5)) + ".50";
        const int kind = static_cast<int>(random() % 10);
        const int own = static_cast<int>(random() % accounts);
        m.Corr = kind == 0   ? AnsiString()
                 : kind == 1 ? "Unlisted " + IntToStr(static_cast<int>(random() % 3))
                 : kind == 2 ? list[own].Name
                             : "Account " + IntToStr(static_cast<int>(random() % accounts));
        list[own].Moves.push_back(m);
    }
    return list;
}

void ExpectSame(const TImportAccounts& got, const TImportAccounts& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t a = 0; a < want.size(); ++a) {
        EXPECT_EQ(got[a].Name, want[a].Name);
        ASSERT_EQ(got[a].Moves.size(), want[a].Moves.size()) << got[a].Name;
        for (size_t m = 0; m < want[a].Moves.size(); ++m) {
            const TImportMove &g = got[a].Moves[m], &w = want[a].Moves[m];
            EXPECT_EQ(g.PairAccount, w.PairAccount) << a << "/" << m;
            EXPECT_EQ(g.PairMove, w.PairMove) << a << "/" << m;
            EXPECT_EQ(g.Corr, w.Corr) << a << "/" << m;
            EXPECT_EQ(g.Amount, w.Amount) << a << "/" << m;
            EXPECT_EQ(g.Date + g.Num + g.Note, w.Date + w.Num + w.Note) << a << "/" << m;
        }
    }
}

}  // namespace

TEST(QifPairing, PairsAsTheSearchOverEveryMoveDoes) {
    int made = 0;  // counterparts the pairing had to make: the files must need some
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TImportAccounts got = AlikeAccounts(seed, 2 + seed % 7, 20 + static_cast<int>(seed) * 9);
        TImportAccounts want = got;
        PairQifMoves(got, "Uncategorized");
        ReferencePairing(want, "Uncategorized");
        SCOPED_TRACE("seed " + std::to_string(seed));
        ExpectSame(got, want);
        for (const TImportAccount& a : want) {
            made += a.Name.rfind("Unlisted", 0) == 0;
            for (const TImportMove& m : a.Moves) EXPECT_GE(m.PairAccount, 0);
        }
    }
    EXPECT_GT(made, 0);
}

// A file as the program writes it: every move stands in both accounts' sections, one day's moves
// alike, and each finds its own twin, none made up.
TEST(QifPairing, EachMoveOfTheProgramsOwnFileFindsItsTwin) {
    TImportAccounts accounts;
    for (int a = 0; a < 4; ++a) accounts.push_back({"A" + IntToStr(a), 0, 0, 0, {}});
    for (int i = 0; i < 400; ++i) {
        const int from = i % 4,
                  to = (i / 4 + 1 + i) % 4 == from ? (from + 1) % 4 : (i / 4 + 1 + i) % 4;
        const AnsiString amount = IntToStr(i) + ".25";
        accounts[from].Moves.push_back({"01/02'05", "", "Same", "-" + amount, accounts[to].Name});
        accounts[to].Moves.push_back({"01/02'05", "", "Same", amount, accounts[from].Name});
    }
    TImportAccounts want = accounts;
    PairQifMoves(accounts, "Uncategorized");
    ReferencePairing(want, "Uncategorized");
    ExpectSame(accounts, want);
    ASSERT_EQ(accounts.size(), 4u);
    size_t moves = 0;
    for (const TImportAccount& a : accounts) moves += a.Moves.size();
    EXPECT_EQ(moves, 800u);
}

// Date, number, note and the account named back are matched each as a whole: texts that read
// the same run together ("1" + "0Rent" and "10" + "Rent") are different moves.
TEST(QifPairing, TextsThatRunTogetherAreNotTheSameMove) {
    TImportAccounts got;
    got.push_back({"A", 0, 0, 0, {}});
    got.push_back({"B", 0, 0, 0, {}});
    const std::vector<std::array<const char*, 3>> alike = {
        {"1/2/2020", "1", "0Rent"}, {"1/2/2020", "10", "Rent"}, {"1/2/2020", "", "10Rent"},
        {"1/2/2020", "10Rent", ""}, {"1/2/20201", "0", "Rent"}, {"1/2/2020", "10", "Rent"}};
    for (size_t i = 0; i < alike.size(); ++i) {
        const auto& [date, num, note] = alike[i];
        got[0].Moves.push_back({date, num, note, IntToStr(static_cast<int>(i) + 1), "B"});
        // B's side in the opposite order, so that the first with each key is not the first met.
        got[1].Moves.insert(got[1].Moves.begin(),
                            {date, num, note, "-" + IntToStr(static_cast<int>(i) + 1), "A"});
    }
    TImportAccounts want = got;
    PairQifMoves(got, "Uncategorized");
    ReferencePairing(want, "Uncategorized");
    ExpectSame(got, want);
    for (const TImportMove& m : got[0].Moves) {
        const TImportMove& twin = got[1].Moves.at(m.PairMove);
        EXPECT_EQ(m.Date + "|" + m.Num + "|" + m.Note,
                  twin.Date + "|" + twin.Num + "|" + twin.Note);
    }
    EXPECT_EQ(got.size(), 2u);  // every move found a counterpart; none was made
}
