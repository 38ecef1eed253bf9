// Reading a QIF file (the shape our own export writes, and the like shape of other programs)
// into accounts and paired moves, and writing them as "Import" groups, accounts and move pairs
// once the user has given every account a type.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "app/balances.h"
#include "db/sqlite_table3.h"

namespace qm {

class TForm1;

// One item of an account's cash section. Texts stay as read until they are checked; then
// Date is "yyyymmdd" and Amount a number text with a point.
struct TImportMove {
    AnsiString Date, Num, Note, Amount;
    AnsiString Corr;  // the correspondent account's name
    // The counterpart: its account's position and its position among that account's moves.
    int PairAccount = -1;
    int PairMove = -1;
};

struct TImportAccount {
    AnsiString Name;
    int Id = 0;  // the bill.id it gets; 0 until written
    int TypeId = 0;
    int GroupId = 0;
    std::vector<TImportMove> Moves;
};

// Accounts in the order they were first met.
using TImportAccounts = std::vector<TImportAccount>;

// The lines of a file's text; CR LF, LF and a lone CR each end a line.
std::vector<AnsiString> SplitQifLines(const std::string& text);

// Account lists and cash sections. A section whose opening item names no listed account is
// skipped; an item not closed by "^" is dropped.
TImportAccounts ParseQif(const std::vector<AnsiString>& lines);

// Links every move with its counterpart in the correspondent account: the first unpaired move
// there with the same date, number and note that names this account back. Where there is none,
// one is made with the negated amount; an unknown correspondent becomes a new account, a move
// without one is booked against `uncategorized`.
void PairQifMoves(TImportAccounts& accounts, const AnsiString& uncategorized);

// Checks every amount (thousands commas dropped) and turns every date into "yyyymmdd"; the date
// style follows the text: "12/31'04" month first, "31/12/2004", "31.12.2004", "2004-12-31".
// With `monthFirst` (the program shows dates month first, and so writes them into its own QIF
// files) "12/31/2004" is read month first too. False at the first value that is no amount or
// no date. The process-wide short date format and date separator are the same afterwards.
bool ConvertQifMoves(TImportAccounts& accounts, bool monthFirst = false);

// Writes, as one transaction, a group "Import" per type that got accounts (`typeItems[t - 1]`:
// positions in `accounts`, in order), the accounts, every pair once, and the recalculated
// balances. Returns the new groups' ids. Raises Exception before writing anything when an
// account has no type.
std::vector<int> WriteQifImport(TSQLiteDatabase& db, TImportAccounts& accounts,
                                const std::array<std::vector<int>, 3>& typeItems,
                                int mainCurrencyId, const AnsiString& today,
                                const PeriodFilter& period);

// The import command: file dialog, reading, the mapping dialog, writing.
void Action5Execute(TForm1& form);

// Connects and enables Action5. Runs once per window; later calls do nothing.
void ConnectQifImportCommands(TForm1& form);

}  // namespace qm
