// Ledger buffers and displayed rows.
//
// Threads: a load in parts (LoadBuffer with a runner side by side) starts no thread itself.
// While its parts run, the lookups (rows with files, correspondents, today) are read-only; part
// p writes only its own rows of the buffer, sized before the parts start, and its own repairs;
// the balance pass and the repairs' writes follow on the calling thread.
#include "app/store/ledger_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "app/store/money_text.h"
#include "app/store/moves_in_parts.h"
#include "db/sqlite_reader.h"
#include "db/sqlite_statement.h"
#include "platform/part_sizes.h"

namespace qm {
namespace {

constexpr long double kBalanceLimit = 1e12L;

bool AllDigits(const AnsiString& s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Text from the database in the interface code page. ASCII reads the same in both, and most
// texts of a ledger are ASCII, so they skip the conversion.
void AssignFromUtf8(AnsiString& out, std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) {
            out = Utf8ToAnsi(std::string(bytes));
            return;
        }
    out.assign(bytes.data(), bytes.size());
}

AnsiString FromUtf8(std::string_view bytes) {
    AnsiString out;
    AssignFromUtf8(out, bytes);
    return out;
}

// Cells 4 and 5 from a signed amount text, received in 4, paid (without its sign) in 5, and
// the number the two stand for.
void SetAmount(TMoveTexts& t, const AnsiString& text) {
    t.Paid = !text.empty() && text[0] == '-';
    t.Amount = t.Paid ? text.substr(1) : text;
    t.Net = t.Paid ? 0 - AmountValue(t.Amount) : AmountValue(t.Amount) - 0;
}

// The same for an amount as stored, shown in hundredths. Below 2^53 hundredths the text reads
// back as exactly hundredths / 100 (both are the number nearest to the same decimal), so the
// number needs no reading of the text.
void SetStoredAmount(TMoveTexts& t, long double value) {
    const long double cents = RoundHalfEven(value * 100);
    if (std::fabs(cents) >= 9007199254740992.0L) {
        SetAmount(t, CentsText(value, ','));
        return;
    }
    t.Paid = cents < 0;
    t.Amount = HundredthsText(std::fabs(cents), ',');
    t.Net = cents == 0 ? 0 : cents / 100;
}

// Cell 4 minus cell 5 as numbers.
long double NetOf(const TRowCells& cells) {
    if (cells.Texts() && !cells.HasOwnStrings()) return cells.Texts()->Net;
    // A row whose cells were changed one by one: read as they stand.
    return AmountValue(cells[4]) - AmountValue(cells[5]);
}

// The hundredths a row's texts add to the running balance, where a row can keep them.
int32_t StepCentsOf(const TMoveTexts& t) {
    const long double cents = RoundHalfEven(t.Net * 100);
    return std::fabs(cents) < 2147483647.0L ? static_cast<int32_t>(cents) : TRowCells::kNoStep;
}

// One step of the running balance: the row's amount cut to hundredths, with the account's sign.
// A zero kept reads as +0 where the texts' could give -0; either leaves a sum as it was.
long double BalanceStep(const TRowCells& cells, int billTypeId) {
    const int32_t kept = cells.StepCents();
    const long double d = kept != TRowCells::kNoStep ? static_cast<long double>(kept) / 100
                                                     : RoundHalfEven(NetOf(cells) * 100) / 100;
    return billTypeId == 1 ? -d : d;
}

bool IsAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

// Cell 1 and its order from the stored number: `type` is the engine's typeof() of it and
// `bytes` its text (a NULL reads as no bytes). `readNumber` gives the stored number of an
// integer or a real, read after the bytes (reading it may convert the engine's copy of them).
template <class ReadNumber>
void SetStoredNum(TMoveTexts& t, std::string_view type, std::string_view bytes,
                  ReadNumber&& readNumber) {
    AssignFromUtf8(t.Num, bytes);
    t.NumStored.clear();
    const char kind = type.empty() ? 't' : type[0];
    if (kind == 'n') {
        t.NumClass = TStoredClass::Null;
    } else if (kind == 'i' || kind == 'r') {
        t.NumClass = kind == 'i' ? TStoredClass::Integer : TStoredClass::Real;
        const auto [whole, real] = readNumber();
        char stored[8];
        if (kind == 'i')
            std::memcpy(stored, &whole, 8);
        else
            std::memcpy(stored, &real, 8);
        t.NumStored.assign(stored, 8);
    } else {
        t.NumClass = kind == 'b' ? TStoredClass::Blob : TStoredClass::Text;
        if (t.NumClass == TStoredClass::Blob || !IsAscii(bytes)) t.NumStored.assign(bytes);
    }
}

// A number as the engine orders it among the moves of one day.
struct TNumKey {
    TStoredClass cls;
    std::string_view bytes;  // the stored bytes, or the eight bytes of a stored number
};

TNumKey NumKeyOf(const TBufRow& r, std::string& scratch) {
    if (const TMoveTexts* t = r.Cells.SharedTexts()) {
        if (t->NumClass == TStoredClass::Text && t->NumStored.empty()) return {t->NumClass, t->Num};
        return {t->NumClass, t->NumStored};
    }
    // A row whose cells were changed one by one: its number as a save would store it.
    scratch = AnsiToUtf8(r.Cells[1]);
    return {TStoredClass::Text, scratch};
}

long double StoredNumber(const TNumKey& k) {
    if (k.cls == TStoredClass::Integer) {
        int64_t v;
        std::memcpy(&v, k.bytes.data(), 8);
        return static_cast<long double>(v);
    }
    double v;
    std::memcpy(&v, k.bytes.data(), 8);
    return v;
}

// Below zero, zero or above as `a` comes before, with or after `b` in the engine's order:
// the classes first; numbers by value (long double holds every int64_t and every double
// exactly); texts and blobs byte by byte, a shorter one first where one begins the other.
int CompareNums(const TNumKey& a, const TNumKey& b) {
    auto rank = [](TStoredClass c) { return c == TStoredClass::Real ? 1 : static_cast<int>(c); };
    if (rank(a.cls) != rank(b.cls)) return rank(a.cls) < rank(b.cls) ? -1 : 1;
    if (a.cls == TStoredClass::Null) return 0;
    if (rank(a.cls) == 1) {
        const long double x = StoredNumber(a), y = StoredNumber(b);
        return x < y ? -1 : y < x ? 1 : 0;
    }
    return a.bytes.compare(b.bytes);  // as unsigned bytes, as the engine's memcmp
}

// The order a buffer keeps: date, number, id, the number as the engine orders the stored one,
// so that a kept buffer and a fresh load agree whatever the interface code page.
bool SortsBefore(const TBufRow& a, const TBufRow& b) {
    const TMoveTexts* ta = a.Cells.SharedTexts();
    const TMoveTexts* tb = b.Cells.SharedTexts();
    const AnsiString& da = ta ? ta->Date : a.Cells[0];
    const AnsiString& db = tb ? tb->Date : b.Cells[0];
    if (da != db) return da < db;
    std::string scratchA, scratchB;
    const int num = CompareNums(NumKeyOf(a, scratchA), NumKeyOf(b, scratchB));
    if (num != 0) return num < 0;
    return a.Id < b.Id;
}

// The facts of a buffer, from what they were when it was left as it is, or else by a walk.
THeadTab::TBufFacts& Facts(THeadTab& tab) {
    auto& f = tab.BufFacts;
    const auto& buf = tab.BufRows;
    if (f.rows != buf.data() || f.count != buf.size()) {
        f.sorted = std::is_sorted(buf.begin(), buf.end(), SortsBefore);
        f.overflowing = static_cast<size_t>(std::count_if(
            buf.begin(), buf.end(), [](const TBufRow& r) { return r.Cells.Overflow(); }));
    }
    return f;
}

void Remember(THeadTab& tab) {
    tab.BufFacts.rows = tab.BufRows.data();
    tab.BufFacts.count = tab.BufRows.size();
}

// The running balance from buffer row `first` on, continuing from the number before it. Facts
// must hold for the rows before `first`; they are brought up to date for the rest.
bool RunningBalanceFrom(THeadTab& tab, size_t first, THeadTab::TBufFacts& facts) {
    auto& buf = tab.BufRows;
    first = std::min(first, buf.size());
    long double balance = first > 0 ? buf[first - 1].Cells.Balance() : 0;
    for (size_t i = first; i < buf.size(); ++i) {
        TRowCells& cells = buf[i].Cells;
        balance += BalanceStep(cells, tab.BillTypeId);
        const bool over = std::fabs(balance) >= kBalanceLimit;
        if (over != cells.Overflow()) facts.overflowing += over ? 1 : -1;
        cells.SetBalance(balance, over);
    }
    Remember(tab);
    return facts.overflowing > 0;
}

// The texts of one load, made together: a block of rows, and one count of owners for all of
// them, rather than one allocation per move.
class TextsArena {
  public:
    // A fresh slot to fill, and the pointer that shares it.
    std::pair<TMoveTexts*, std::shared_ptr<const TMoveTexts>> Add() {
        if (!block_ || used_ == kBlock) {
            block_ = std::shared_ptr<TMoveTexts[]>(new TMoveTexts[kBlock]);
            used_ = 0;
        }
        TMoveTexts* slot = &block_[used_++];
        return {slot, std::shared_ptr<const TMoveTexts>(block_, slot)};
    }

  private:
    static constexpr size_t kBlock = 1024;
    std::shared_ptr<TMoveTexts[]> block_;
    size_t used_ = kBlock;
};

// "T:Group-Account" of every account, one text each, read at once: the ledger's rows share them.
std::unordered_map<int64_t, std::shared_ptr<const AnsiString>> AllCorrespondents(
    TSQLiteDatabase& db) {
    std::unordered_map<int64_t, std::shared_ptr<const AnsiString>> texts;
    TSQLiteStatement& t = db.Statement(
        "select b.id, bt.name, bb.name, b.name from bill b, bill bb, bill_type bt where b.bill_id "
        "= bb.id and b.bill_type_id = bt.id");
    while (t.Step()) {
        const AnsiString type = FromUtf8(t.RawText(1));
        texts.emplace(t.RawInteger(0), std::make_shared<const AnsiString>(
                                           type.substr(0, 1) + ":" + FromUtf8(t.RawText(2)) + "-" +
                                           FromUtf8(t.RawText(3))));
    }
    return texts;
}

// Ids of the rows that carry files: few, and found through their own index.
std::unordered_set<int> RowsWithFiles(TSQLiteDatabase& db) {
    std::unordered_set<int> ids;
    TSQLiteStatement& q = db.Statement(
        "select id from bill_move where files is not null and files <> '' and length(files) > 0");
    while (q.Step()) ids.insert(static_cast<int>(q.RawInteger(0)));
    return ids;
}

// A whole number as the database layer reads a NUMERIC column: the stored value truncated (a
// NULL reads as 0.0, as it does there).
template <class Query>
int NumericInt(const Query& q, int col) {
    return static_cast<int>(static_cast<int64_t>(q.RawDouble(col)));
}

}  // namespace

AnsiString CorrespondentText(TSQLiteDatabase& db, int billId) {
    TSQLiteStatement& t = db.Statement(
        "select bt.name, bb.name, b.name from bill b, bill bb, bill_type bt where b.bill_id = "
        "bb.id and b.bill_type_id = bt.id and b.id = ?");
    t.Bind(1, billId);
    if (!t.Step()) return {};
    const AnsiString type = FromUtf8(t.RawText(0));
    AnsiString text =
        type.substr(0, 1) + ":" + FromUtf8(t.RawText(1)) + "-" + FromUtf8(t.RawText(2));
    t.Reset();
    return text;
}

namespace {

constexpr const char* kMovesColumns =
    "id, ts, amount, note, dest_bill_id, num, bill_move_id, typeof(num)";

// What every row of a load looks up, built once before the rows are read.
struct TLoadLookups {
    std::unordered_set<int> withFiles;
    std::unordered_map<int64_t, std::shared_ptr<const AnsiString>> correspondents;
    std::shared_ptr<const AnsiString> noCorrespondent = std::make_shared<const AnsiString>();
    AnsiString today;
};

// The rows of one part of a load, with the dates it found to repair (move and twin).
struct TLoadPart {
    TextsArena arena;
    std::vector<std::pair<int, int>> repairs;
};

// One move from the current row of `t` (the columns of the moves statement); the balance is
// left to the fold over all rows.
template <class Query>
void ReadMove(const Query& t, const TLoadLookups& lookups, TLoadPart& part, TBufRow& row) {
    row.Id = static_cast<int>(t.RawInteger(0));
    row.CorrBillId = NumericInt(t, 4);
    const int twin = NumericInt(t, 6);
    // Attachments live on the row of the pair with the smaller id.
    row.HasFiles = lookups.withFiles.count(std::min(row.Id, twin)) > 0;
    auto [texts, shared] = part.arena.Add();
    const std::string_view ts = t.RawText(1);
    // The century is always 20: a year stored as 1999 reads as 2099 and is not written back.
    texts->Date = "20";
    if (ts.size() > 2) texts->Date.append(ts.data() + 2, ts.size() - 2);
    if (!AllDigits(texts->Date)) {
        texts->Date = lookups.today;
        part.repairs.emplace_back(row.Id, twin);
    }
    const auto corr = lookups.correspondents.find(row.CorrBillId);
    texts->Corr = corr == lookups.correspondents.end() ? lookups.noCorrespondent : corr->second;
    // A NULL amount reads as 0.0, which is what its empty text counts as.
    SetStoredAmount(*texts, StoredAmountValue(t.RawDouble(2)));
    AssignFromUtf8(texts->Note, t.RawText(3));
    SetStoredNum(*texts, t.RawText(7), t.RawText(5),
                 [&] { return std::pair(t.RawInteger(5), t.RawDouble(5)); });
    row.Cells = TRowCells(std::move(shared), 0, false);
    row.Cells.KeepStepCents(StepCentsOf(*texts));
}

// A large account is read in parts side by side, each on a connection of its own, straight
// into its place in the buffer: the engine's time for the rows is most of a load. False when
// the rows are read the usual way instead: a small account, a file other connections cannot
// read as this one sees it, or any part that failed.
bool ReadMovesInParts(TSQLiteDatabase& db, THeadTab& tab, const TLoadLookups& lookups,
                      const TParts& runner, std::vector<TLoadPart>& parts) {
    if (!runner.IsSideBySide()) return false;
    const std::optional<TMoveParts> where =
        AccountMovesInParts(db, tab.Id, partsizes::kLeastMovesPerRead);
    if (!where) return false;
    // Room for a few more rows, as the displayed rows keep: the first save into a buffer of
    // exactly its rows moved all of them to new storage (10-20 ms for 300,000).
    const auto count = static_cast<size_t>(where->Count);
    tab.BufRows.reserve(count + count / 16 + 1);
    tab.BufRows.resize(count);
    parts.resize(kMostMoveParts);
    const unsigned used =
        ReadMovesInParts(*where, kMovesColumns, runner,
                         [&](unsigned p, TSQLiteReader& reader, size_t first, size_t end) {
                             size_t at = first;
                             for (; reader.Step(); ++at) {
                                 if (at == end)
                                     return at - first + 1;  // a move past the account's end
                                 ReadMove(reader, lookups, parts[p], tab.BufRows[at]);
                             }
                             return at - first;
                         });
    parts.resize(used);
    if (used == 0) tab.BufRows.clear();
    return used > 0;
}

}  // namespace

bool LoadBuffer(TSQLiteDatabase& db, THeadTab& tab, const AnsiString& today, const TParts& runner) {
    tab.BufRows.clear();
    // Rows that carry files, and correspondent names, are looked up once per load rather than
    // once per move.
    TLoadLookups lookups;
    lookups.withFiles = RowsWithFiles(db);
    lookups.correspondents = AllCorrespondents(db);
    lookups.today = today;
    std::vector<TLoadPart> parts;
    if (!ReadMovesInParts(db, tab, lookups, runner, parts)) {
        parts.resize(1);
        TSQLiteStatement& t = db.Statement(MovesSql(kMovesColumns));
        t.Bind(1, tab.Id);
        while (t.Step()) ReadMove(t, lookups, parts[0], tab.BufRows.emplace_back());
    }
    long double balance = 0;
    bool overflow = false;
    for (TBufRow& row : tab.BufRows) {
        balance += BalanceStep(row.Cells, tab.BillTypeId);
        const bool over = std::fabs(balance) >= kBalanceLimit;
        overflow = overflow || over;
        row.Cells.SetBalance(balance, over);
    }
    THeadTab::TBufFacts& facts = tab.BufFacts;
    facts.sorted = std::is_sorted(tab.BufRows.begin(), tab.BufRows.end(), SortsBefore);
    facts.overflowing =
        static_cast<size_t>(std::count_if(tab.BufRows.begin(), tab.BufRows.end(),
                                          [](const TBufRow& r) { return r.Cells.Overflow(); }));
    Remember(tab);
    // The repairs change the rows the query walks, so they wait until it has finished.
    for (const TLoadPart& part : parts)
        for (const auto& [id, twin] : part.repairs) {
            TSQLiteStatement& u = db.Statement("update bill_move set ts = ? where id in (?, ?)");
            u.Bind(1, today).Bind(2, id).Bind(3, twin).Run();
        }
    return overflow;
}

bool BillMoveCalcSum(THeadTab& tab) {
    return RunningBalanceFrom(tab, 0, Facts(tab));
}

std::vector<TBillMoveRow> BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period,
                                             int sortMode, const AnsiString& lastDate) {
    std::vector<TBillMoveRow> rows;
    BuildDisplayedRows(tab, period, sortMode, lastDate, rows);
    return rows;
}

void BuildDisplayedRows(const THeadTab& tab, const PeriodFilter& period, int sortMode,
                        const AnsiString& lastDate, std::vector<TBillMoveRow>& rows) {
    std::vector<const TBufRow*> chosen;
    chosen.reserve(tab.BufRows.size());
    for (const TBufRow& buf : tab.BufRows) {
        const TMoveTexts* t = buf.Cells.SharedTexts();
        const AnsiString& date = t ? t->Date : buf.Cells[0];
        if (period.on && !(period.from <= date && date <= period.to)) continue;
        chosen.push_back(&buf);
    }
    if (sortMode == 1 || sortMode == 2) {
        // Each row goes before the first row whose key is not less than its own, so equal keys
        // come out in reverse buffer order: a stable sort of the reversed rows.
        std::reverse(chosen.begin(), chosen.end());
        if (sortMode == 1) {
            std::stable_sort(chosen.begin(), chosen.end(), [](const TBufRow* a, const TBufRow* b) {
                return a->Cells[2] < b->Cells[2];
            });
        } else {
            std::vector<std::pair<long double, const TBufRow*>> keyed;
            keyed.reserve(chosen.size());
            for (const TBufRow* r : chosen) keyed.emplace_back(NetOf(r->Cells), r);
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (size_t i = 0; i < keyed.size(); ++i) chosen[i] = keyed[i].second;
        }
    }
    rows.clear();
    // Room for a few more rows: a save adds one, and a vector of 100,000 rows that grows by
    // exactly one is moved to new storage, twice its size held for a moment, on every save.
    if (rows.capacity() < chosen.size() + 1) rows.reserve(chosen.size() + 1 + chosen.size() / 16);
    for (const TBufRow* buf : chosen) {
        TBillMoveRow& row = rows.emplace_back();
        row.Id = buf->Id;
        row.CorrBillId = buf->CorrBillId;
        // The move's texts are shared; a buffer row whose cells were changed one by one (never
        // by the program itself) is copied as it stands.
        if (buf->Cells.Texts() && !buf->Cells.HasOwnStrings())
            row.Cells = TRowCells(buf->Cells.Texts(), buf->Cells.Balance(), buf->Cells.Overflow());
        else
            row.Cells = buf->Cells;
        row.HasFiles = buf->HasFiles;
    }
    rows.emplace_back();
    TBillMoveRow& fresh = rows.back();
    fresh.Id = -1;
    fresh.Cells[0] = lastDate;
}

THeadTab* LoadedLedgerTab(std::vector<THeadTab>& tabs, int accountId) {
    for (THeadTab& tab : tabs)
        if (tab.Kind == tkLedger && tab.Id == accountId && !tab.BufRows.empty()) return &tab;
    return nullptr;
}

namespace {

// Cell 1 of a stored move read back as a load reads it: the column's affinity may have made
// the typed text a number. `typed` stands for a move the file does not hold.
void ReadStoredNum(TSQLiteDatabase& db, int moveId, const AnsiString& typed, TMoveTexts& t) {
    TSQLiteStatement& q = db.Statement("select num, typeof(num) from bill_move where id = ?");
    q.Bind(1, moveId);
    if (!q.Step()) {
        const std::string stored = AnsiToUtf8(typed);
        SetStoredNum(t, "text", stored, [] { return std::pair<int64_t, double>(0, 0); });
        return;
    }
    SetStoredNum(t, q.RawText(1), q.RawText(0),
                 [&] { return std::pair(q.RawInteger(0), q.RawDouble(0)); });
    q.Reset();
}

// The row a stored move gets in a buffer.
TBufRow StoredRow(TSQLiteDatabase& db, int moveId, int corrId, const AnsiString& date,
                  const AnsiString& num, const AnsiString& note, const AnsiString& amount) {
    auto texts = std::make_shared<TMoveTexts>();
    texts->Date = date;
    ReadStoredNum(db, moveId, num, *texts);
    texts->Note = note;
    texts->Corr = std::make_shared<const AnsiString>(CorrespondentText(db, corrId));
    SetAmount(*texts, StringReplaceAll(amount, ".", ","));
    TBufRow row;
    row.Id = moveId;
    row.CorrBillId = corrId;
    const int32_t step = StepCentsOf(*texts);
    row.Cells = TRowCells(std::move(texts), 0, false);
    row.Cells.KeepStepCents(step);
    return row;
}

// Puts `row` where the buffer's order puts it.
bool InsertRow(THeadTab* tab, TBufRow row) {
    auto& buf = tab->BufRows;
    // The first row that sorts at or after the move. In a buffer in order all through that is
    // where the order puts it; otherwise (dates read with another century, or repaired) every
    // row is looked at.
    THeadTab::TBufFacts& facts = Facts(*tab);
    auto pos = facts.sorted ? std::lower_bound(buf.begin(), buf.end(), row, SortsBefore)
                            : std::find_if(buf.begin(), buf.end(),
                                           [&](const TBufRow& r) { return !SortsBefore(r, row); });
    const size_t index = static_cast<size_t>(pos - buf.begin());
    buf.insert(pos, std::move(row));
    return RunningBalanceFrom(*tab, index, facts);
}

}  // namespace

bool InsertBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId,
                  int corrId, const AnsiString& date, const AnsiString& num, const AnsiString& note,
                  const AnsiString& amount) {
    THeadTab* tab = LoadedLedgerTab(tabs, accountId);
    if (!tab) return false;
    return InsertRow(tab, StoredRow(db, moveId, corrId, date, num, note, amount));
}

bool ReplaceBufRow(TSQLiteDatabase& db, std::vector<THeadTab>& tabs, int accountId, int moveId,
                   int corrId, const AnsiString& date, const AnsiString& num,
                   const AnsiString& note, const AnsiString& amount) {
    THeadTab* tab = LoadedLedgerTab(tabs, accountId);
    if (!tab) return false;
    TBufRow row = StoredRow(db, moveId, corrId, date, num, note, amount);
    auto& buf = tab->BufRows;
    auto it =
        std::find_if(buf.begin(), buf.end(), [&](const TBufRow& r) { return r.Id == moveId; });
    if (it == buf.end()) return InsertRow(tab, std::move(row));
    const size_t index = static_cast<size_t>(it - buf.begin());
    THeadTab::TBufFacts& facts = Facts(*tab);
    if (it->Cells.Overflow()) --facts.overflowing;
    // In a buffer in order, the row keeps its place when it still sorts after the row before it
    // and not after the row behind it: the place an insert would find once it was taken out.
    const bool keepsPlace = facts.sorted && (index == 0 || SortsBefore(buf[index - 1], row)) &&
                            (index + 1 == buf.size() || !SortsBefore(buf[index + 1], row));
    if (!keepsPlace) {
        buf.erase(it);
        RunningBalanceFrom(*tab, index, facts);
        return InsertRow(tab, std::move(row));
    }
    *it = std::move(row);
    return RunningBalanceFrom(*tab, index, facts);
}

bool DelBufRow(std::vector<THeadTab>& tabs, int accountId, int moveId) {
    THeadTab* tab = LoadedLedgerTab(tabs, accountId);
    if (!tab) return false;
    auto& buf = tab->BufRows;
    auto it =
        std::find_if(buf.begin(), buf.end(), [&](const TBufRow& r) { return r.Id == moveId; });
    if (it == buf.end()) return false;
    const size_t index = static_cast<size_t>(it - buf.begin());
    THeadTab::TBufFacts& facts = Facts(*tab);
    if (it->Cells.Overflow()) --facts.overflowing;
    buf.erase(it);
    // Taking a row out leaves the others in the order they were.
    return RunningBalanceFrom(*tab, index, facts);
}

}  // namespace qm
