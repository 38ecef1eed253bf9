// QIF import: the file's lines are parsed into account lists and cash sections, each move is
// paired with its counterpart, amounts and dates are checked, and only after the user has given
// every account a type is anything written, as one transaction.
#include "app/qif_import.h"

#include <QAction>
#include <cmath>
#include <cstdio>

#include "app/move_store.h"
#include "app/unit1.h"
#include "dialogs/qif_mapping_dialog.h"
#include "platform/dialogs.h"
#include "platform/filedialogs.h"

namespace qm {

namespace {

bool Begins(const AnsiString& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// The text between "L[" and the line's last character.
AnsiString Bracketed(const AnsiString& line) {
    return line.size() > 3 ? line.substr(2, line.size() - 3) : AnsiString();
}

int FindAccount(const TImportAccounts& accounts, const AnsiString& name) {
    for (size_t i = 0; i < accounts.size(); ++i)
        if (accounts[i].Name == name) return static_cast<int>(i);
    return -1;
}

// From the line after "!Account": items up to "^", whose "N" lines name accounts. Leaves `i`
// on the line that ended the list (one beginning with "!") or at the end.
void ReadAccountList(const std::vector<AnsiString>& lines, size_t& i, TImportAccounts& accounts) {
    const size_t n = lines.size();
    while (i < n) {
        for (; i < n && lines[i] != "^"; ++i)
            if (Begins(lines[i], "N") && FindAccount(accounts, lines[i].substr(1)) < 0)
                accounts.push_back({lines[i].substr(1), 0, 0, 0, {}});
        if (i < n) ++i;
        if (i < n && Begins(lines[i], "!")) return;
    }
}

// The opening item of a section names the section's account; -1 when it names none that is
// listed. Leaves `i` after the item's "^", or where the scan stopped.
int ReadOpeningItem(const std::vector<AnsiString>& lines, size_t& i,
                    const TImportAccounts& accounts) {
    int account = -1;
    for (; i < lines.size() && lines[i] != "^"; ++i) {
        if (!Begins(lines[i], "L[")) continue;
        account = FindAccount(accounts, Bracketed(lines[i]));
        if (account < 0) return -1;
    }
    if (i >= lines.size()) return -1;
    ++i;
    return account;
}

void ReadMoveLine(const AnsiString& line, TImportMove& m) {
    if (Begins(line, "L[")) {
        m.Corr = Bracketed(line);
    } else if (!line.empty()) {
        const AnsiString rest = line.substr(1);
        switch (line[0]) {
            case 'D':
                m.Date = rest;
                break;
            case 'N':
                m.Num = rest;
                break;
            case 'M':
                m.Note = rest;
                break;
            // Blanks around an amount mean nothing; negating it later must not put one
            // between the sign and the digits.
            case 'T':
                m.Amount = Trim(rest);
                break;
            default:
                break;  // "U", "P" and the rest are not used
        }
    }
}

// The moves of a section, up to a line beginning with "!" or the end; an item cut off before
// its "^" is dropped.
void ReadMoves(const std::vector<AnsiString>& lines, size_t& i, TImportAccount& account) {
    TImportMove m;
    for (; i < lines.size() && !Begins(lines[i], "!"); ++i) {
        if (lines[i] == "^") {
            account.Moves.push_back(m);
            m = TImportMove();
        } else {
            ReadMoveLine(lines[i], m);
        }
    }
}

void ReadSection(const std::vector<AnsiString>& lines, size_t& i, TImportAccounts& accounts) {
    ++i;
    const int account = ReadOpeningItem(lines, i, accounts);
    if (account < 0) {
        while (i < lines.size() && !Begins(lines[i], "!")) ++i;
        return;
    }
    ReadMoves(lines, i, accounts[account]);
}

AnsiString Negated(const AnsiString& amount) {
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : "-" + amount;
}

AnsiString WithoutSign(const AnsiString& amount) {
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : amount;
}

// The first unpaired move of `in` with the date, number and note of `m` (of account `from`)
// that names `from` back: moves of one day often have no number or note, and one of them must
// not take the twin of another account's move. Never `m` itself, so that a move booked against
// its own account gets a counterpart of its own.
int FindCounterpart(const TImportAccounts& accounts, int in, int from, int moveIndex,
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

void PairMove(TImportAccounts& accounts, int a, int m, const AnsiString& uncategorized) {
    if (accounts[a].Moves[m].Corr.empty()) accounts[a].Moves[m].Corr = uncategorized;
    const AnsiString corr = accounts[a].Moves[m].Corr;
    int b = FindAccount(accounts, corr);
    if (b < 0) {
        accounts.push_back({corr, 0, 0, 0, {}});
        b = static_cast<int>(accounts.size()) - 1;
    }
    int k = FindCounterpart(accounts, b, a, m, uncategorized);
    if (k < 0) {
        const TImportMove& mine = accounts[a].Moves[m];
        TImportMove twin{mine.Date, mine.Num, mine.Note, Negated(mine.Amount), accounts[a].Name};
        accounts[b].Moves.push_back(twin);
        k = static_cast<int>(accounts[b].Moves.size()) - 1;
    }
    TImportMove& mine = accounts[a].Moves[m];
    TImportMove& twin = accounts[b].Moves[k];
    mine.PairAccount = b;
    mine.PairMove = k;
    twin.PairAccount = a;
    twin.PairMove = m;
}

// Thousands commas go; what remains must read as a number once its point is the decimal
// comma. The text keeps its point: it goes into SQL as it is, so only a finite number passes.
bool CheckAmount(AnsiString& amount) {
    const AnsiString text = StringReplaceAll(Trim(amount), ",", "");
    AnsiString local = text;
    const size_t point = local.find('.');
    if (point != AnsiString::npos) local[point] = ',';
    long double value = 0;
    if (!TryStrToFloat(local, value) || !std::isfinite(static_cast<double>(value))) return false;
    amount = text;
    return true;
}

// The date parser reads the text under a short date format chosen from the text itself. Blanks
// padding a field ("12/ 5' 4", as some writers pad a one-digit year) are skipped.
bool CheckDate(AnsiString& date, bool monthFirst) {
    AnsiString text = StringReplaceAll(date, " ", "");
    TFormatSettings& fs = FormatSettings();
    const size_t apostrophe = text.find('\'');
    if (apostrophe != AnsiString::npos) {
        text[apostrophe] = '/';
        fs.ShortDateFormat = "m/d/y";
        fs.DateSeparator = '/';
    } else if (text.find('/') != AnsiString::npos) {
        fs.ShortDateFormat = monthFirst ? "m/d/y" : "d/m/y";
        fs.DateSeparator = '/';
    } else if (text.find('-') == AnsiString::npos) {
        fs.ShortDateFormat = "d.m.y";
        fs.DateSeparator = '.';
    } else {
        fs.ShortDateFormat = "y-m-d";
        fs.DateSeparator = '-';
    }
    TDateTime value = 0;
    if (!TryStrToDate(text, value)) return false;
    date = DateToYmd(value);
    return true;
}

// Puts the process-wide short date format and date separator back, however the checks end.
class DateFormatGuard {
  public:
    DateFormatGuard()
        : format_(FormatSettings().ShortDateFormat), separator_(FormatSettings().DateSeparator) {}
    ~DateFormatGuard() {
        FormatSettings().ShortDateFormat = format_;
        FormatSettings().DateSeparator = separator_;
    }
    DateFormatGuard(const DateFormatGuard&) = delete;
    DateFormatGuard& operator=(const DateFormatGuard&) = delete;

  private:
    AnsiString format_;
    char separator_;
};

AnsiString Quotient(const AnsiString& a, const AnsiString& b) {
    // Real arithmetic even for whole amounts ("250/100" would divide as integers).
    return "1.0*" + a + "/" + b;
}

// The rate of a pair, as the engine computes it: the received amount over the paid one.
AnsiString RateOf(const AnsiString& mine, const AnsiString& twin) {
    if (!mine.empty() && mine[0] == '-') return Quotient(WithoutSign(twin), WithoutSign(mine));
    return Quotient(mine, WithoutSign(twin));
}

AnsiString MoveInsert(int src, int dest, const TImportMove& m, const AnsiString& amount,
                      const AnsiString& rate, int twin) {
    return "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,"
           "bill_move_id) values (" +
           IntToStr(src) + ", " + IntToStr(dest) + ", '" + m.Date + "', '" + SqlText(m.Num) +
           "', '" + SqlText(m.Note) + "', " + amount + ", " + rate + ", " + IntToStr(twin) + ")";
}

// One group "Import" per type that got accounts, its position past every position of its type
// (accounts' included), and its accounts in assignment order.
std::vector<int> CreateImportGroups(TSQLiteDatabase& db, TImportAccounts& accounts,
                                    const std::array<std::vector<int>, 3>& typeItems,
                                    int mainCurrencyId, const AnsiString& today) {
    std::vector<int> groups;
    const AnsiString currency = IntToStr(mainCurrencyId);
    for (int t = 1; t <= 3; ++t) {
        const std::vector<int>& items = typeItems[t - 1];
        if (items.empty()) continue;
        const AnsiString type = IntToStr(t);
        const int64_t position =
            db.GetTable("select max(position) from bill where bill_type_id = " + type)
                ->FieldAsInteger(0) +
            1;
        db.ExecSQL(
            "insert into bill (isopen,twosign,ts,currency_id,bill_id,bill_type_id,position,name) "
            "values (1,'FF','" +
            today + "'," + currency + ",0," + type + "," + IntToStr(position) + ",'Import')");
        const int group =
            static_cast<int>(db.GetTable("select max(id) from bill")->FieldAsInteger(0));
        groups.push_back(group);
        for (size_t k = 0; k < items.size(); ++k) {
            TImportAccount& account = accounts.at(items[k]);
            account.Id = group + static_cast<int>(k) + 1;
            account.GroupId = group;
            account.TypeId = t;
            db.ExecSQL(
                "insert into bill (twosign,ts,currency_id,bill_id,bill_type_id,position,name) "
                "values ('FF','" +
                today + "'," + currency + "," + IntToStr(group) + "," + type + "," +
                IntToStr(static_cast<int64_t>(k) + 1) + ",'" + SqlText(account.Name) + "')");
        }
    }
    return groups;
}

// Every linked pair once: the move's row takes the id n, its counterpart's n + 1.
void WriteImportMoves(TSQLiteDatabase& db, TImportAccounts& accounts) {
    int n = static_cast<int>(db.GetTable("select max(id) from bill_move")->FieldAsInteger(0)) + 1;
    for (size_t a = 0; a < accounts.size(); ++a) {
        for (size_t i = 0; i < accounts[a].Moves.size(); ++i) {
            TImportMove& m = accounts[a].Moves[i];
            if (m.PairAccount < 0) continue;
            TImportAccount& other = accounts.at(m.PairAccount);
            TImportMove& twin = other.Moves.at(m.PairMove);
            const AnsiString rate = RateOf(m.Amount, twin.Amount);
            db.ExecSQL(MoveInsert(accounts[a].Id, other.Id, m, m.Amount, rate, n + 1));
            db.ExecSQL(MoveInsert(other.Id, accounts[a].Id, m, twin.Amount, rate, n));
            n += 2;
            twin.PairAccount = twin.PairMove = -1;
            m.PairAccount = m.PairMove = -1;
        }
    }
}

}  // namespace

std::vector<AnsiString> SplitQifLines(const std::string& text) {
    std::vector<AnsiString> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TImportAccounts ParseQif(const std::vector<AnsiString>& lines) {
    TImportAccounts accounts;
    size_t i = 0;
    for (;;) {
        while (i < lines.size() && UpperCase(lines[i]) != "!ACCOUNT") ++i;
        // None left, or "!Account" as the very last line: nothing follows it.
        if (i + 1 >= lines.size()) break;
        ++i;
        ReadAccountList(lines, i, accounts);
        if (i >= lines.size()) break;
        if (Begins(UpperCase(lines[i]), "!TYPE:")) ReadSection(lines, i, accounts);
    }
    return accounts;
}

void PairQifMoves(TImportAccounts& accounts, const AnsiString& uncategorized) {
    // Pairing may append accounts and moves; positions stay valid, references would not.
    for (size_t a = 0; a < accounts.size(); ++a)
        for (size_t m = 0; m < accounts[a].Moves.size(); ++m)
            if (accounts[a].Moves[m].PairAccount < 0)
                PairMove(accounts, static_cast<int>(a), static_cast<int>(m), uncategorized);
}

bool ConvertQifMoves(TImportAccounts& accounts, bool monthFirst) {
    DateFormatGuard guard;
    for (TImportAccount& account : accounts)
        for (TImportMove& m : account.Moves)
            if (!CheckAmount(m.Amount) || !CheckDate(m.Date, monthFirst)) return false;
    return true;
}

std::vector<int> WriteQifImport(TSQLiteDatabase& db, TImportAccounts& accounts,
                                const std::array<std::vector<int>, 3>& typeItems,
                                int mainCurrencyId, const AnsiString& today,
                                const PeriodFilter& period) {
    std::vector<int> assigned(accounts.size(), 0);
    for (const auto& items : typeItems)
        for (int position : items) ++assigned.at(position);
    for (int count : assigned)
        if (count != 1) throw Exception("Every imported account needs exactly one type");
    // A failure anywhere below leaves the file as it was: no group without its accounts, no
    // half of a pair, no balance that counts moves which are not there.
    TSQLiteTransaction transaction(db);
    const std::vector<int> groups =
        CreateImportGroups(db, accounts, typeItems, mainCurrencyId, today);
    WriteImportMoves(db, accounts);
    for (const TImportAccount& account : accounts) CalcBillAmount(db, IntToStr(account.Id), period);
    for (int group : groups) CalcBillAmount(db, IntToStr(group), period);
    transaction.Commit();
    return groups;
}

namespace {

// Also a name that opens but cannot be read (a folder) fails here, not later as an empty file.
bool ReadQifFile(const std::filesystem::path& file, std::vector<AnsiString>& lines) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return false;
    std::string text;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) return false;
    lines = SplitQifLines(text);
    return true;
}

void Notice(TForm1& form, int entry) {
    MessageBox(&form, form.Ui(entry), form.Ui(172), MB_OK | MB_ICONWARNING);
}

// Reading, pairing and checking; false once the user has been told why nothing is imported.
bool ReadImport(TForm1& form, const std::filesystem::path& file, TImportAccounts& accounts) {
    try {
        std::vector<AnsiString> lines;
        if (!ReadQifFile(file, lines)) throw Exception("The file cannot be read");
        accounts = ParseQif(lines);
        PairQifMoves(accounts, form.Ui(174));
    } catch (const std::exception&) {
        Notice(form, 177);
        return false;
    }
    if (accounts.empty()) {
        Notice(form, 176);
        return false;
    }
    // Our own export writes the display format; month first it must be read month first.
    if (!ConvertQifMoves(accounts, UpperCase(form.DateFormat).rfind("MM/", 0) == 0)) {
        Notice(form, 177);
        return false;
    }
    return true;
}

bool AskTypes(TForm17& dialog, const TImportAccounts& accounts) {
    dialog.FreeItems.clear();
    dialog.ListBox2->Items().Clear();
    for (size_t i = 0; i < accounts.size(); ++i) {
        dialog.FreeItems.push_back(static_cast<int>(i));
        dialog.ListBox2->Items().Add(accounts[i].Name);
    }
    dialog.ShowModal();
    return dialog.Tag == 1;
}

// New accounts may take the ids of deleted ones; a buffer loaded under such an id is stale.
void ForgetLedgers(const TImportAccounts& accounts) {
    for (THeadTab& tab : Head.HeadTabs) {
        if (tab.Kind != tkLedger) continue;
        for (const TImportAccount& account : accounts)
            if (tab.Id == account.Id) tab.BufRows.clear();
    }
    Ledger.Rows.clear();
}

}  // namespace

void Action5Execute(TForm1& form) {
    if (!DB || !Form17) return;
    TOpenDialog OpenDialog1;
    OpenDialog1.Title = form.Ui(172);
    OpenDialog1.Filter = "*.qif|*.qif";
    if (!OpenDialog1.Execute(&form)) return;
    TImportAccounts accounts;
    if (!ReadImport(form, OpenDialog1.FileName, accounts)) return;
    if (!AskTypes(*Form17, accounts)) return;
    WriteQifImport(*DB, accounts, Form17->TypeItems, form.MainCurrencyId, DateToYmd(Date()),
                   form.Period());
    ForgetLedgers(accounts);
    form.FormPaint();
}

void ConnectQifImportCommands(TForm1& form) {
    static const char* const kConnected = "qmQifImportConnected";
    if (form.property(kConnected).toBool()) return;
    form.setProperty(kConnected, true);
    TForm1* f = &form;
    // Importing is always possible; no situation of the window switches it.
    form.Action(5)->setEnabled(true);
    QObject::connect(form.Action(5), &QAction::triggered, f, [f] { Action5Execute(*f); });
}

}  // namespace qm
