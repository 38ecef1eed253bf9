// Reading a QIF file (the shape our own export writes, and the like shape of other programs)
// into accounts and paired moves, and writing them as "Import" groups, accounts and move pairs
// once the user has given every account a type.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "app/store/balances.h"
#include "app/store/progress.h"
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

// A file's lines in the interface code page. A file is plain text in that code page, as the
// export writes it; one that is valid UTF-8 with characters beyond ASCII (or that opens with the
// UTF-8 byte order mark) was written by a program that writes UTF-8, and is converted. A line
// holding a character the code page cannot hold (or a byte it leaves undefined) is marked:
// converting it would turn that character into "?".
struct TQifText {
    std::vector<AnsiString> Lines;
    std::vector<bool> Unstorable;  // parallel to Lines
};
TQifText DecodeQifText(const std::string& bytes);

// Why a file is not imported: the notice to show (UiStrings entry 176 when it names no account,
// 177 when it cannot be imported as it is) and, where one line is to blame, that line (numbered
// from 1; 0 for none), its text and what is wrong with it.
struct TQifRefusal {
    int Entry = 0;
    int Line = 0;
    AnsiString Text;
    AnsiString Reason;
};
// The second line of the notice, naming the line; empty when no line is to blame.
AnsiString QifRefusalDetail(const TQifRefusal& refusal);

// Account lists and cash sections. A section whose opening item names an account no list named
// is skipped; an item not closed by "^" is dropped.
TImportAccounts ParseQif(const std::vector<AnsiString>& lines);
// The same reading, noting in `refusal` (when given) the first line whose content the import
// cannot carry faithfully: a split, a category, an opening balance, a section of another kind or
// of no account, an item that no "^" closes, a line it does not know, a text with a control
// character or with a character the code page cannot hold.
TImportAccounts ParseQif(const TQifText& text, TQifRefusal* refusal);

// Links every move with its counterpart in the correspondent account: the first unpaired move
// there with the same date, number and note that names this account back. Where there is none,
// one is made with the negated amount; an unknown correspondent becomes a new account, a move
// without one is booked against `uncategorized`.
void PairQifMoves(TImportAccounts& accounts, const AnsiString& uncategorized);

// Checks every amount (thousands commas dropped) and turns every date into "yyyymmdd"; the date
// style follows the text: "12/31'04" month first, "31/12/2004", "31.12.2004", "2004-12-31".
// With `monthFirst` (the program shows dates month first, and so writes them into its own QIF
// files) "12/31/2004" is read month first too. False at the first value that is no amount or
// no date, or at an amount of 10^12 or more either way (a ledger cell refuses such a sum, and
// the balances could not hold them), or whose commas are no thousands separators (a decimal
// comma would otherwise multiply the amount). The process-wide short date format and date separator
// are the same afterwards.
bool ConvertQifMoves(TImportAccounts& accounts, bool monthFirst = false);

// Everything the import does before it asks for the accounts' types, without a window: the
// file's bytes are decoded, parsed, paired and checked. False when the file is refused; then
// `refusal` says why and `accounts` is not to be written. `uncategorized` names the account of
// moves without a correspondent; `monthFirst` as for ConvertQifMoves, unless the file says the
// order of its dates ("!Option:MDY", "!Option:DMY"). `progress` steps through the four stages.
bool ReadQifText(const std::string& bytes, const AnsiString& uncategorized, bool monthFirst,
                 TImportAccounts& accounts, TQifRefusal& refusal,
                 const TProgressStep& progress = {});

// Writes, as one transaction, a group "Import" per type that got accounts (`typeItems[t - 1]`:
// positions in `accounts`, in order), the accounts, every pair once, and the recalculated
// balances. Returns the new groups' ids. Raises Exception before writing anything when an
// account has no type.
// `progress` steps through the pairs written and the accounts recalculated.
std::vector<int> WriteQifImport(TSQLiteDatabase& db, TImportAccounts& accounts,
                                const std::array<std::vector<int>, 3>& typeItems,
                                int mainCurrencyId, const AnsiString& today,
                                const PeriodFilter& period, const TProgressStep& progress = {});

}  // namespace qm
