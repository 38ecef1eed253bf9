// QIF import: the file's lines are parsed into account lists and cash sections, each move is
// paired with its counterpart, amounts and dates are checked, and only after the user has given
// every account a type is anything written, as one transaction.
#include "app/exchange/qif_import.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "app/store/move_store.h"
#include "db/sqlite_statement.h"
#include "platform/controls.h"

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

bool IsControl(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
}

// Amount text with its thousands commas: they stand in the whole part only, the first group
// has one to three characters and every later one three, so that "12,50" (a decimal comma) is
// not read as 1250.
bool ThousandsCommasOnly(const AnsiString& text) {
    const size_t first = text.find(',');
    if (first == AnsiString::npos) return true;
    const size_t end = std::min(text.find_first_of(".eE"), text.size());
    const size_t begin = std::min(text.find_first_not_of("+-"), end);
    if (text.rfind(',') > end) return false;
    size_t group = begin;
    for (size_t comma = first; comma != AnsiString::npos && comma < end;
         comma = text.find(',', comma + 1)) {
        const size_t length = comma - group;
        if (length == 0 || length > 3 || (group != begin && length != 3)) return false;
        group = comma + 1;
    }
    return end - group == 3;
}

// Thousands commas go; what remains must read as a number once its point is the decimal
// separator. Null when the text is such an amount, with `text` and `value` set; otherwise why not.
const char* ReadAmount(const AnsiString& amount, AnsiString& text, long double& value) {
    const AnsiString trimmed = Trim(amount);
    if (!ThousandsCommasOnly(trimmed)) return "a comma that is no thousands separator";
    text = StringReplaceAll(trimmed, ",", "");
    AnsiString local = text;
    const size_t point = local.find('.');
    if (point != AnsiString::npos) local[point] = FormatSettings().DecimalSeparator;
    if (!TryStrToFloat(local, value) || !std::isfinite(static_cast<double>(value)))
        return "no number";
    // A ledger cell refuses a sum this large; the balances could not be trusted with it either.
    if (std::fabs(static_cast<double>(value)) >= 1e12) return "too large";
    return nullptr;
}

bool IsCashType(const AnsiString& type) {
    for (const char* t : {"CASH", "BANK", "CCARD", "OTH A", "OTH L"})
        if (type == t) return true;
    return false;
}

TQifRefusal NoticeOnly(int entry) {
    TQifRefusal refusal;
    refusal.Entry = entry;
    return refusal;
}

const char* const kUnclosed = "an item that no \"^\" line closes; it would be lost";
const char* const kUnknown = "a line this program does not know; it would be lost";
const char* const kSplit = "a split, which this program cannot import";

// Why the items under a header that no account list introduces would be lost.
const char* SectionReason(const AnsiString& header) {
    const AnsiString head = UpperCase(header);
    if (!Begins(head, "!TYPE:")) return "text outside any account's section; it would be lost";
    const AnsiString type = UpperCase(Trim(header.substr(6)));
    if (type == "INVST") return "an investment section, which this program cannot import";
    if (IsCashType(type)) return "a section that follows no account list; it would be lost";
    return "a section of a kind this program cannot import";
}

// One walk over the file's lines. What it reads, and what it skips, is the same whether or not
// it notes problems; noting only tells the caller the first line it could not carry faithfully.
class QifParser {
  public:
    QifParser(const std::vector<AnsiString>& lines, const std::vector<bool>* unstorable,
              TQifRefusal* refusal)
        : lines_(lines), unstorable_(unstorable), refusal_(refusal) {}

    TImportAccounts Run() {
        size_t i = 0;
        for (;;) {
            SkipToAccountList(i);
            // None left, or "!Account" as the very last line: nothing follows it.
            if (i + 1 >= lines_.size()) break;
            ++i;
            ReadAccountList(i);
            if (i >= lines_.size()) break;
            if (Begins(UpperCase(lines_[i]), "!TYPE:")) ReadSection(i);
        }
        return std::move(accounts_);
    }

  private:
    // A problem noted inside an opening item counts only if the section is read at all.
    struct Pending {
        size_t line = 0;
        const char* reason = nullptr;
    };

    void Note(size_t line, const AnsiString& reason) {
        if (!refusal_ || refusal_->Line > 0) return;
        refusal_->Line = static_cast<int>(line) + 1;
        refusal_->Text = lines_[line];
        refusal_->Reason = reason;
    }

    // Empty, blanks, or a stray end-of-file character: a line that carries nothing.
    bool Blank(size_t i) const {
        for (char c : lines_[i])
            if (static_cast<unsigned char>(c) > ' ') return false;
        return true;
    }

    // A text that goes into the database as it is read. One longer than the program's edit
    // fields take could be neither edited nor kept whole by editing its move.
    void CheckText(size_t i, const AnsiString& text, const char* field) {
        if (text.size() > static_cast<size_t>(kEditMaxLength))
            return Note(i, AnsiString("the ") + field + " is longer than " +
                               IntToStr(kEditMaxLength) +
                               " characters, the most this program takes");
        for (char c : text)
            if (IsControl(c))
                return Note(i, AnsiString("the ") + field + " holds a control character");
        if (unstorable_ && i < unstorable_->size() && (*unstorable_)[i])
            Note(i, AnsiString("the ") + field + " holds characters this program cannot store");
    }

    void SkipToAccountList(size_t& i) {
        size_t header = AnsiString::npos;  // the last header passed
        for (; i < lines_.size() && UpperCase(lines_[i]) != "!ACCOUNT"; ++i) {
            if (Begins(lines_[i], "!"))
                header = i;
            else if (!Blank(i))
                Note(header != AnsiString::npos ? header : i,
                     SectionReason(header != AnsiString::npos ? lines_[header] : lines_[i]));
        }
    }

    void SkipToHeader(size_t& i) {
        while (i < lines_.size() && !Begins(lines_[i], "!")) ++i;
    }

    // From the line after "!Account": items up to "^", whose "N" lines name accounts. Leaves `i`
    // on the line that ended the list (one beginning with "!") or at the end.
    void ReadAccountList(size_t& i) {
        const size_t n = lines_.size();
        while (i < n) {
            size_t first = AnsiString::npos;
            for (; i < n && lines_[i] != "^"; ++i) {
                const AnsiString& line = lines_[i];
                if (Blank(i)) continue;
                if (first == AnsiString::npos) first = i;
                if (line[0] == 'N') {
                    CheckText(i, line.substr(1), "account name");
                    if (FindAccount(accounts_, line.substr(1)) < 0)
                        accounts_.push_back({line.substr(1), 0, 0, 0, {}});
                } else if (line[0] == '!') {
                    Note(first, kUnclosed);
                } else if (AnsiString("TDL/$B").find(line[0]) == AnsiString::npos) {
                    Note(i, kUnknown);
                }
            }
            if (i >= n && first != AnsiString::npos) Note(first, kUnclosed);
            if (i < n) ++i;
            if (i < n && Begins(lines_[i], "!")) return;
        }
    }

    // A line of an opening item, which is read for its account only: anything there that
    // carries money or meaning would be lost.
    void CheckOpeningLine(size_t i, size_t first, Pending& pending) const {
        if (pending.reason) return;
        const AnsiString& line = lines_[i];
        const AnsiString rest = Trim(line.substr(1));
        AnsiString text;
        long double value = 0;
        if (line[0] == 'T' && !rest.empty() && (ReadAmount(rest, text, value) || value != 0))
            pending = {i, "an opening balance, which this program cannot import"};
        else if (AnsiString("SE$%").find(line[0]) != AnsiString::npos)
            pending = {i, kSplit};
        else if (line[0] == '!')
            pending = {first, kUnclosed};
        else if (AnsiString("DTUNMLPCA").find(line[0]) == AnsiString::npos)
            pending = {i, kUnknown};
    }

    // The opening item of a section names the section's account: -1 when it names none, and
    // `unlisted` when it names one that no list named. Leaves `i` after the item's "^", or where
    // the scan stopped.
    int ReadOpeningItem(size_t& i, bool& unlisted, bool& content, Pending& pending) {
        int account = -1;
        size_t first = AnsiString::npos;
        for (; i < lines_.size() && lines_[i] != "^"; ++i) {
            if (Blank(i)) continue;
            content = true;
            if (first == AnsiString::npos) first = i;
            CheckOpeningLine(i, first, pending);
            if (!Begins(lines_[i], "L[")) continue;
            account = FindAccount(accounts_, Bracketed(lines_[i]));
            if (account < 0) {
                unlisted = true;
                return -1;
            }
        }
        if (i >= lines_.size()) {
            if (content) pending = {first, kUnclosed};
            return -1;
        }
        ++i;
        return account;
    }

    void ReadMoveLine(size_t i, TImportMove& m) {
        const AnsiString& line = lines_[i];
        switch (line[0]) {
            case 'D':
                m.Date.assign(line, 1);
                break;
            case 'N':
                m.Num.assign(line, 1);
                CheckText(i, m.Num, "number");
                break;
            case 'M':
                m.Note.assign(line, 1);
                CheckText(i, m.Note, "note");
                break;
            // Blanks around an amount mean nothing; negating it later must not put one
            // between the sign and the digits.
            case 'T':
                m.Amount = Trim(line.substr(1));
                break;
            case 'L':
                if (Begins(line, "L[")) {
                    if (line.back() != ']' || line.size() < 3)
                        Note(i, "an account name that no \"]\" closes");
                    m.Corr = Bracketed(line);
                    CheckText(i, m.Corr, "account name");
                } else if (!Trim(line.substr(1)).empty()) {
                    // Booked against the uncategorized account, the move would lose it.
                    Note(i, "a category, which this program cannot import");
                }
                break;
            case 'S':
            case 'E':
            case '$':
            case '%':
                Note(i, kSplit);
                break;
            case 'U':
            case 'P':
            case 'C':
            case 'A':
                break;  // the same amount again, payee, cleared mark, address: not kept
            default:
                Note(i, kUnknown);
                break;
        }
    }

    // The moves of a section, up to a line beginning with "!" or the end; an item cut off before
    // its "^" is dropped.
    void ReadMoves(size_t& i, TImportAccount& account) {
        TImportMove m;
        size_t first = AnsiString::npos;
        for (; i < lines_.size() && !Begins(lines_[i], "!"); ++i) {
            if (lines_[i] == "^") {
                account.Moves.push_back(std::move(m));
                m = TImportMove();
                first = AnsiString::npos;
            } else if (!Blank(i)) {
                if (first == AnsiString::npos) first = i;
                ReadMoveLine(i, m);
            }
        }
        if (first != AnsiString::npos) Note(first, kUnclosed);
    }

    void ReadSection(size_t& i) {
        const size_t header = i;
        const AnsiString type = UpperCase(Trim(lines_[i].substr(6)));
        ++i;
        if (!IsCashType(type)) {
            // Investment and list sections have other fields; read as moves they would be wrong.
            const size_t from = i;
            SkipToHeader(i);
            for (size_t k = from; k < i; ++k)
                if (!Blank(k)) return Note(header, SectionReason(lines_[header]));
            return;
        }
        bool unlisted = false, content = false;
        Pending pending;
        const int account = ReadOpeningItem(i, unlisted, content, pending);
        if (account < 0) {
            const size_t from = i;
            SkipToHeader(i);
            // An opening item naming an account that no list named: the section is skipped, as
            // it always was. One that names none would lose the whole section unannounced.
            if (unlisted) return;
            bool lost = content;
            for (size_t k = from; k < i && !lost; ++k) lost = !Blank(k);
            if (pending.reason == kUnclosed)
                Note(pending.line, kUnclosed);
            else if (lost)
                Note(header, "a section whose first item names no account; it would be lost");
            return;
        }
        if (pending.reason) Note(pending.line, pending.reason);
        ReadMoves(i, accounts_[account]);
    }

    const std::vector<AnsiString>& lines_;
    const std::vector<bool>* unstorable_;
    TQifRefusal* refusal_;
    TImportAccounts accounts_;
};

AnsiString Negated(const AnsiString& amount) {
    if (!amount.empty() && amount[0] == '+') return "-" + amount.substr(1);
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : "-" + amount;
}

AnsiString WithoutSign(const AnsiString& amount) {
    return !amount.empty() && amount[0] == '-' ? amount.substr(1) : amount;
}

// Where pairing looks for counterparts: the accounts by name, and in each account its unpaired
// moves by what a counterpart must match (date, number, note and the account it names back), in
// move order. Looking a counterpart up costs as much in a file of 100,000 moves as in one of ten.
//  1. It finds what the plain search finds: the first unpaired move, in move order, with the key,
//     other than the move being paired. Moves paired later are skipped when met; a move never
//     becomes unpaired again, so a bucket's cursor passes paired moves for good.
//  2. Moves and accounts added while pairing are paired from the start (the twins made for moves
//     without a counterpart) or have none; they are never candidates and are not indexed.
class TPairingIndex {
  public:
    TPairingIndex(const TImportAccounts& accounts, const AnsiString& uncategorized)
        : uncategorized_(uncategorized), buckets_(accounts.size()), next_(accounts.size()) {
        for (size_t a = 0; a < accounts.size(); ++a) {
            names_.emplace(accounts[a].Name, static_cast<int>(a));
            buckets_[a].reserve(accounts[a].Moves.size());
            next_[a].assign(accounts[a].Moves.size(), -1);
            for (size_t k = 0; k < accounts[a].Moves.size(); ++k) {
                const TImportMove& c = accounts[a].Moves[k];
                if (c.PairAccount >= 0) continue;
                Bucket& bucket = *Find(accounts[a].Moves, buckets_[a], c, Back(c), true);
                const int move = static_cast<int>(k);
                if (bucket.head < 0)
                    bucket.head = bucket.cursor = move;
                else
                    next_[a][bucket.tail] = move;
                bucket.tail = move;
            }
        }
    }

    int Account(const AnsiString& name) const {
        auto found = names_.find(name);
        return found == names_.end() ? -1 : found->second;
    }
    void Added(const AnsiString& name, int account) { names_.emplace(name, account); }

    // The first unpaired move of `in` with the date, number and note of move `moveIndex` of
    // `from` that names `from` back, never that move itself; -1 when there is none.
    int Counterpart(const TImportAccounts& accounts, int in, int from, int moveIndex) {
        if (in >= static_cast<int>(buckets_.size())) return -1;  // an account made while pairing
        const TImportMove& m = accounts[from].Moves[moveIndex];
        const auto& moves = accounts[in].Moves;
        Bucket* found = Find(moves, buckets_[in], m, accounts[from].Name, false);
        if (!found) return -1;
        const std::vector<int>& next = next_[in];
        int& cursor = found->cursor;
        while (cursor >= 0 && moves[cursor].PairAccount >= 0) cursor = next[cursor];
        for (int k = cursor; k >= 0; k = next[k]) {
            if (moves[k].PairAccount >= 0 || (in == from && k == moveIndex)) continue;
            return k;
        }
        return -1;
    }

  private:
    // The moves of one key, in move order, linked through the account's `next_`; keys whose
    // hashes agree but whose texts do not each get their own, chained.
    struct Bucket {
        int head = -1, tail = -1;
        int cursor = -1;  // moves before it are paired
        std::unique_ptr<Bucket> other;
    };
    using Buckets = std::unordered_map<uint64_t, Bucket>;

    const AnsiString& Back(const TImportMove& c) const {
        return c.Corr.empty() ? uncategorized_ : c.Corr;
    }

    // The four texts a counterpart must match, each with its length, so that no two keys run
    // together.
    static uint64_t Hash(const TImportMove& m, const AnsiString& back) {
        uint64_t h = 1469598103934665603ull;
        for (const AnsiString* part : {&m.Date, &m.Num, &m.Note, &back})
            h = (h ^ std::hash<std::string_view>()(*part)) * 1099511628211ull + part->size();
        return h;
    }

    // The bucket of a key; with `make`, a new empty one when it has none, else null. Every
    // kept bucket holds a move at once.
    Bucket* Find(const std::vector<TImportMove>& moves, Buckets& buckets, const TImportMove& m,
                 const AnsiString& back, bool make) {
        const uint64_t h = Hash(m, back);
        auto found = buckets.find(h);
        if (found == buckets.end()) return make ? &buckets[h] : nullptr;
        Bucket* b = &found->second;
        for (;;) {
            const TImportMove& c = moves[b->head];
            if (c.Date == m.Date && c.Num == m.Num && c.Note == m.Note && Back(c) == back) return b;
            if (!b->other) break;
            b = b->other.get();
        }
        if (!make) return nullptr;
        b->other = std::make_unique<Bucket>();
        return b->other.get();
    }

    const AnsiString& uncategorized_;
    std::unordered_map<AnsiString, int> names_;
    std::vector<Buckets> buckets_;
    std::vector<std::vector<int>> next_;  // per account and move: the next of its bucket, or -1
};

void PairMove(TImportAccounts& accounts, TPairingIndex& index, int a, int m,
              const AnsiString& uncategorized) {
    if (accounts[a].Moves[m].Corr.empty()) accounts[a].Moves[m].Corr = uncategorized;
    int b = index.Account(accounts[a].Moves[m].Corr);
    if (b < 0) {
        const AnsiString corr = accounts[a].Moves[m].Corr;  // the list is about to grow
        accounts.push_back({corr, 0, 0, 0, {}});
        b = static_cast<int>(accounts.size()) - 1;
        index.Added(corr, b);
    }
    int k = index.Counterpart(accounts, b, a, m);
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

// The text keeps its point, without thousands commas: it goes into SQL as it is, and only the
// shape TryStrToFloat takes ([sign] digits [point digits] [exponent]) passes, a number literal.
bool CheckAmount(AnsiString& amount) {
    AnsiString text;
    long double value = 0;
    if (ReadAmount(amount, text, value)) return false;
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

// The import's steps for the progress bar: the pairs written, then the accounts and groups
// recalculated. Shown every thousand steps or so, and at the end.
class TQifProgress {
  public:
    TQifProgress(const TProgressStep& step, int total) : step_(step), total_(total) {}
    void Done(int steps) {
        done_ += steps;
        if (!step_ || (done_ - shown_ < 1024 && done_ < total_)) return;
        shown_ = done_;
        step_(done_, total_);
    }

  private:
    const TProgressStep& step_;
    int total_;
    int done_ = 0, shown_ = 0;
};

// The rate of a pair, as the engine computes it: the received amount over the paid one, each
// without its sign, in real arithmetic even for whole amounts ("250/100" would divide as
// integers).
const char* const kMoveInsert =
    "insert into bill_move (src_bill_id,dest_bill_id,ts,num,note,amount,kurs,bill_move_id) "
    "values (?, ?, ?, ?, ?, ?, 1.0*?/?, ?)";

// One row of a pair. The amount and the rate's two amounts are bound as the texts they were
// checked as: the column's numeric affinity, and the engine's arithmetic, read them as they read
// the same texts written into the statement.
// What the two rows of a pair share, converted once for both.
struct TPairTexts {
    std::string Num, Note;      // UTF-8, as the file stores texts
    AnsiString Received, Paid;  // the rate's two amounts, without their signs
};

TPairTexts PairTexts(const TImportMove& m, const AnsiString& mine, const AnsiString& twin) {
    const bool paid = !mine.empty() && mine[0] == '-';
    return {AnsiToUtf8(m.Num), AnsiToUtf8(m.Note), paid ? WithoutSign(twin) : mine,
            WithoutSign(paid ? mine : twin)};
}

// The two rows of a pair: the statement keeps its values from one row to the next, so the
// second row binds only what differs from the first.
void InsertPair(TSQLiteStatement& insert, int src, int dest, const TImportMove& m,
                const AnsiString& twinAmount, int firstId) {
    const TPairTexts texts = PairTexts(m, m.Amount, twinAmount);
    insert.Bind(1, src).Bind(2, dest).Bind(3, m.Date);
    insert.Bind(4, texts.Num).Bind(5, texts.Note).Bind(6, m.Amount);
    insert.Bind(7, texts.Received).Bind(8, texts.Paid);
    insert.Bind(9, firstId + 1).Run();
    insert.Bind(1, dest).Bind(2, src).Bind(6, twinAmount).Bind(9, firstId).Run();
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
        TSQLiteStatement insert(
            db,
            "insert into bill (twosign,ts,currency_id,bill_id,bill_type_id,position,name) values "
            "('FF', ?, ?, ?, ?, ?, ?)");
        for (size_t k = 0; k < items.size(); ++k) {
            TImportAccount& account = accounts.at(items[k]);
            account.Id = group + static_cast<int>(k) + 1;
            account.GroupId = group;
            account.TypeId = t;
            insert.Bind(1, today).Bind(2, mainCurrencyId).Bind(3, group).Bind(4, t);
            insert.Bind(5, static_cast<int64_t>(k) + 1).Bind(6, AnsiToUtf8(account.Name));
            insert.Run();
        }
    }
    return groups;
}

int LinkedPairs(const TImportAccounts& accounts) {
    int linked = 0;
    for (const TImportAccount& account : accounts)
        for (const TImportMove& m : account.Moves) linked += m.PairAccount >= 0;
    return linked / 2;
}

// Every linked pair once: the move's row takes the id n, its counterpart's n + 1.
void WriteImportMoves(TSQLiteDatabase& db, TImportAccounts& accounts, TQifProgress& progress) {
    int n = static_cast<int>(db.GetTable("select max(id) from bill_move")->FieldAsInteger(0)) + 1;
    TSQLiteStatement insert(db, kMoveInsert);
    for (size_t a = 0; a < accounts.size(); ++a) {
        for (size_t i = 0; i < accounts[a].Moves.size(); ++i) {
            TImportMove& m = accounts[a].Moves[i];
            if (m.PairAccount < 0) continue;
            TImportAccount& other = accounts.at(m.PairAccount);
            TImportMove& twin = other.Moves.at(m.PairMove);
            InsertPair(insert, accounts[a].Id, other.Id, m, twin.Amount, n);
            n += 2;
            twin.PairAccount = twin.PairMove = -1;
            m.PairAccount = m.PairMove = -1;
            progress.Done(1);
        }
    }
}

}  // namespace

namespace {

std::vector<AnsiString> SplitLines(std::string_view text) {
    std::vector<AnsiString> lines;
    // A line end is at most one byte in two: a file of many short lines is not moved around
    // while its vector grows.
    lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

}  // namespace

std::vector<AnsiString> SplitQifLines(const std::string& text) {
    return SplitLines(text);
}

TQifText DecodeQifText(const std::string& bytes) {
    static const std::string kByteOrderMark = "\xEF\xBB\xBF";
    const bool marked = bytes.rfind(kByteOrderMark, 0) == 0;
    const std::string_view body = std::string_view(bytes).substr(marked ? 3 : 0);
    const bool wide = std::any_of(body.begin(), body.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    // Text in a single-byte code page almost never forms valid UTF-8 sequences throughout.
    bool utf8 = marked;
    if (!utf8 && wide) {
        const QByteArray raw(body.data(), static_cast<qsizetype>(body.size()));
        utf8 = QString::fromUtf8(raw).toUtf8() == raw;
    }
    TQifText text;
    text.Lines = SplitLines(body);
    text.Unstorable.assign(text.Lines.size(), false);
    for (size_t i = 0; i < text.Lines.size() && wide; ++i) {
        AnsiString& line = text.Lines[i];
        // ASCII is the same in every code page the interface may have.
        if (std::all_of(line.begin(), line.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            continue;
        if (utf8) {
            const QString unicode = QString::fromUtf8(QByteArray::fromStdString(line));
            text.Unstorable[i] = !FitsCodePage(unicode);
            line = FromQString(unicode);
        } else {
            // A byte the code page leaves undefined would come back from the database as "?".
            text.Unstorable[i] = Utf8ToAnsi(AnsiToUtf8(line)) != line;
        }
    }
    return text;
}

AnsiString QifRefusalDetail(const TQifRefusal& refusal) {
    if (refusal.Line <= 0) return {};
    // The line as the notice can show it: no control characters, not endless.
    AnsiString shown = refusal.Text.substr(0, 80);
    for (char& c : shown)
        if (IsControl(c)) c = '?';
    if (refusal.Text.size() > 80) shown += "...";
    return "Line " + IntToStr(refusal.Line) + " \"" + shown + "\": " + refusal.Reason + ".";
}

TImportAccounts ParseQif(const std::vector<AnsiString>& lines) {
    return QifParser(lines, nullptr, nullptr).Run();
}

TImportAccounts ParseQif(const TQifText& text, TQifRefusal* refusal) {
    return QifParser(text.Lines, &text.Unstorable, refusal).Run();
}

void PairQifMoves(TImportAccounts& accounts, const AnsiString& uncategorized) {
    TPairingIndex index(accounts, uncategorized);
    // Pairing may append accounts and moves; positions stay valid, references would not.
    for (size_t a = 0; a < accounts.size(); ++a)
        for (size_t m = 0; m < accounts[a].Moves.size(); ++m)
            if (accounts[a].Moves[m].PairAccount < 0)
                PairMove(accounts, index, static_cast<int>(a), static_cast<int>(m), uncategorized);
}

bool ConvertQifMoves(TImportAccounts& accounts, bool monthFirst) {
    DateFormatGuard guard;
    // A household's moves fall on far fewer days than there are moves: each date text is read
    // once, its reading depending on nothing but the text and `monthFirst`.
    std::unordered_map<AnsiString, AnsiString> dates;
    for (TImportAccount& account : accounts)
        for (TImportMove& m : account.Moves) {
            if (!CheckAmount(m.Amount)) return false;
            auto known = dates.find(m.Date);
            if (known == dates.end()) {
                AnsiString date = m.Date;
                if (!CheckDate(date, monthFirst)) return false;
                known = dates.emplace(std::move(m.Date), std::move(date)).first;
            }
            m.Date = known->second;
        }
    return true;
}

namespace {

// What Trim takes off a line's ends: every character up to the blank.
const std::string kBlanks = [] {
    std::string blanks;
    for (int c = 1; c <= ' '; ++c) blanks += static_cast<char>(c);
    return blanks + '\0';
}();

// "!Option:MDY" or "!Option:DMY": the writer says in which order its "/" dates stand, and a
// file that says so is read so whatever the program's own display order.
bool DatesMonthFirst(const std::vector<AnsiString>& lines, bool fallback) {
    for (const AnsiString& line : lines) {
        // Only a header can be the option: the other lines, nearly all of a file, are passed
        // without being copied.
        const size_t first = line.find_first_not_of(kBlanks);
        if (first == AnsiString::npos || line[first] != '!') continue;
        const AnsiString option = UpperCase(Trim(line));
        if (option == "!OPTION:MDY") return true;
        if (option == "!OPTION:DMY") return false;
    }
    return fallback;
}

}  // namespace

bool ReadQifText(const std::string& bytes, const AnsiString& uncategorized, bool monthFirst,
                 TImportAccounts& accounts, TQifRefusal& refusal, const TProgressStep& progress) {
    const auto stage = [&](int done) {
        if (progress) progress(done, 4);
    };
    refusal = TQifRefusal();
    try {
        stage(0);
        const TQifText text = DecodeQifText(bytes);
        stage(1);
        accounts = ParseQif(text, &refusal);
        monthFirst = DatesMonthFirst(text.Lines, monthFirst);
        stage(2);
        PairQifMoves(accounts, uncategorized);
        stage(3);
    } catch (const std::exception&) {
        refusal = NoticeOnly(177);
        return false;
    }
    if (accounts.empty()) {
        refusal = NoticeOnly(176);
        return false;
    }
    if (refusal.Line > 0) {
        refusal.Entry = 177;
        return false;
    }
    if (!ConvertQifMoves(accounts, monthFirst)) {
        refusal.Entry = 177;
        return false;
    }
    return true;
}

std::vector<int> WriteQifImport(TSQLiteDatabase& db, TImportAccounts& accounts,
                                const std::array<std::vector<int>, 3>& typeItems,
                                int mainCurrencyId, const AnsiString& today,
                                const PeriodFilter& period, const TProgressStep& progress) {
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
    TQifProgress steps(progress, LinkedPairs(accounts) + static_cast<int>(accounts.size()) +
                                     static_cast<int>(groups.size()));
    WriteImportMoves(db, accounts, steps);
    for (const TImportAccount& account : accounts) {
        CalcBillAmount(db, IntToStr(account.Id), period);
        steps.Done(1);
    }
    for (int group : groups) {
        CalcBillAmount(db, IntToStr(group), period);
        steps.Done(1);
    }
    transaction.Commit();
    return groups;
}

}  // namespace qm
