// The main window's view state: the tabs, the ledger grid with its displayed rows, each ledger
// tab's buffer of moves, the tree views, the selected account and move. Plain data, read and
// written in place by the main window's concerns and by several dialogs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

// The storage classes of the engine in the order its "order by" puts them: NULL first, then
// numbers by value (an integer and a real compared as numbers), then texts, then blobs.
enum class TStoredClass : uint8_t { Null, Integer, Real, Text, Blob };

// The texts of one move as its ledger shows them, made once when the move enters a buffer and
// shared, never changed, by the buffer row and by every displayed row made from it.
struct TMoveTexts {
    AnsiString Date;  // cell 0, "yyyymmdd"
    AnsiString Num;   // cell 1
    // Cell 1 as the file holds it, which is what orders the moves of one day ("ts, num, id"):
    // NumStored is empty for a text of the same bytes as Num (ASCII reads the same in every code
    // page, and most numbers are ASCII); otherwise it holds the stored UTF-8 or blob bytes, or
    // the eight bytes of the stored int64_t or double.
    std::string NumStored;
    TStoredClass NumClass = TStoredClass::Text;
    AnsiString Note;  // cell 2
    // Cell 3: one text per correspondent account, shared by all its moves; null for none.
    std::shared_ptr<const AnsiString> Corr;
    // The amount without its sign: cell 4 (received), or cell 5 when `Paid`.
    AnsiString Amount;
    bool Paid = false;
    // Cell 4 minus cell 5 as numbers: the ledger's sort key and the step of its running balance.
    long double Net = 0;
};

// The seven cells of a ledger row: 0 date, 1 number, 2 note, 3 correspondent, 4 received,
// 5 paid, 6 running balance. A row made from the buffer refers to its move's shared texts and
// carries the running balance as a number; the row gets seven strings of its own only when one
// is asked for to be changed, or cell 6 is read (painting and editing touch the rows on screen
// only), so a ledger of 100,000 moves keeps one copy of each text.
class TRowCells {
  public:
    TRowCells() = default;
    TRowCells(std::shared_ptr<const TMoveTexts> texts, long double balance, bool overflow);
    TRowCells(const TRowCells& other);
    TRowCells& operator=(const TRowCells& other);
    TRowCells(TRowCells&&) noexcept = default;
    TRowCells& operator=(TRowCells&&) noexcept = default;

    // A cell to read or change: the row gets its own strings first.
    AnsiString& operator[](size_t col);
    // Cell 0 to 5 to read: the shared text while the row has no strings of its own. Changes
    // nothing, so rows shared by threads can be read at once. The balance (cell 6) is made
    // from its number and read with Text(6); asking for it here raises std::out_of_range.
    const AnsiString& operator[](size_t col) const;
    static constexpr size_t size() { return 7; }
    // A cell's text without giving the row strings of its own.
    AnsiString Text(size_t col) const;
    // All seven texts, as the exports and reports take a row.
    operator std::array<AnsiString, 7>() const;

    // The running balance (cell 6): the number, and whether it is too large to show.
    long double Balance() const { return balance_; }
    bool Overflow() const { return overflow_; }
    void SetBalance(long double balance, bool overflow);
    // The move's texts; null for the new row and for rows built cell by cell.
    const std::shared_ptr<const TMoveTexts>& Texts() const { return texts_; }
    // The texts cells 0 to 5 read from, when the row has no strings of its own: a quick way to
    // walk many rows. Null otherwise (read through operator[] then).
    const TMoveTexts* SharedTexts() const { return own_ ? nullptr : texts_.get(); }
    // The row has its own strings (it was edited, or cell 6 was read).
    bool HasOwnStrings() const { return own_ != nullptr; }
    // The row's amount in hundredths as the running balance adds it, kept beside the balance so
    // that a pass over many rows need not read each row's texts: kNoStep when none is kept (an
    // amount of 21 million or more, a displayed row) and once the row has strings of its own.
    static constexpr int32_t kNoStep = INT32_MIN;
    int32_t StepCents() const { return own_ ? kNoStep : stepCents_; }
    void KeepStepCents(int32_t cents) { stepCents_ = cents; }

  private:
    std::array<AnsiString, 7>& Own();

    std::shared_ptr<const TMoveTexts> texts_;
    long double balance_ = 0;
    bool overflow_ = false;
    int32_t stepCents_ = kNoStep;  // in the room before own_: a row takes no more memory
    std::unique_ptr<std::array<AnsiString, 7>> own_;
};

// Where each cell of a displayed row was drawn by the last ledger paint; rows that paint did not
// draw hold no rectangles.
class TCellRects {
  public:
    TCellRects() = default;
    TCellRects(const TCellRects& other);
    TCellRects& operator=(const TCellRects& other);
    TCellRects(TCellRects&&) noexcept = default;
    TCellRects& operator=(TCellRects&&) noexcept = default;

    TRect& operator[](size_t col);              // to store a rectangle
    const TRect& operator[](size_t col) const;  // empty unless drawn by the last paint

    // Empties the rectangles of every row at once, as a new ledger paint begins.
    static void ForgetAll() { ++paint_; }

  private:
    struct Drawn {
        uint64_t paint = 0;  // the paint that drew them
        std::array<TRect, 7> rects{};
    };
    bool Current() const { return drawn_ && drawn_->paint == paint_; }

    static inline uint64_t paint_ = 1;
    std::unique_ptr<Drawn> drawn_;
};

// One move of a ledger tab's account, as loaded from bill_move.
struct TBufRow {
    int Id = 0;
    int CorrBillId = 0;
    TRowCells Cells;
    bool HasFiles = false;
};

// One displayed ledger row; the last displayed row is always the empty new row (Id -1).
struct TBillMoveRow {
    int Id = 0;
    int CorrBillId = 0;
    // The stored move a new row's number and note were duplicated from, or 0.
    int CopiedFrom = 0;
    TRowCells Cells;
    TCellRects CellRects;
    bool HasFiles = false;
};

enum TTabKind : int { tkTree = 0, tkLedger = 1, tkReport = 2 };

struct THeadTab {
    AnsiString Caption;
    TRect TabRect{};
    TRect CloseRect{};
    int Id = 0;    // ledger: bill.id; report: 0 charts, 1 table, 2 balance
    int Kind = 0;  // TTabKind
    int BillTypeId = 0;
    int TopRow = 0;
    int SelMove = -1;
    bool TwoSign = false;
    bool CloseHot = false;
    AnsiString ReportText;
    std::vector<TBufRow> BufRows;
    // What the buffer functions (ledger_buffer.h) last knew of BufRows, so that keeping a large
    // buffer in step needs no walk over it: valid only while BufRows is the same vector of the
    // same length they left.
    struct TBufFacts {
        const TBufRow* rows = nullptr;
        size_t count = 0;
        bool sorted = false;     // in the order "date, number, id" all through
        size_t overflowing = 0;  // rows whose running balance shows "------"
    } BufFacts;
};

struct THead {
    std::vector<TBitmap> Glyphs;
    AnsiString FontName = "Arial";
    int FontSize = 9;
    std::vector<THeadTab> HeadTabs;
};

struct TLedgerState {
    TBitmap FilesGlyph;
    int TopRow = 0;
    int ScrollMax = 0;
    int PageRows = 0;
    TRect UpRect{}, PageUpRect{}, ThumbRect{}, PageDownRect{}, DownRect{};
    TRect GridRect{};
    AnsiString ScrollCode;
    AnsiString AmountCaption1, AmountCaption2;
    bool Editing = false;
    bool CaretOn = false;
    int CurRow = 0;
    int CurCol = 0;
    int CaretPos = 1;
    int TextX = -10000;
    int SelStart = 1;
    int SelLength = 2;
    // The in-place editors' selection anchor and the note completion. No mouse selection is
    // being dragged until a press in a cell starts one: the pointer crossing a ledger just opened
    // by a double click, before the button comes up, must not select text in the current cell.
    int SelAnchor = -1;
    AnsiString NoteTyped;
    std::vector<TBillMoveRow> Rows;
};

// One row of a tree pane: a group or, under an open group, one of its accounts.
struct TBillTreeRow {
    int Id = 0;
    int OpenState = 0;  // group: 1 open, otherwise closed; account: -1
    int ExpanderKind =
        0;  // 0 open group, 1 closed group, 2 empty group, 3 inner account, 4 last account
    AnsiString Name;
    AnsiString CurrencyName;
    AnsiString AmountText;
    long double Budget = 0;
    long double BudgetUsed = 0;
    AnsiString BudgetDateFrom, BudgetDateTo;
    AnsiString BudgetType;
    TRect ExpanderRect{};
    TRect TextRect{};
};

struct TBillTypeView {
    int TypeId = 0;
    int Scroll = 0;
    int ScrollMax = 0;
    int Page = 0;
    int CurrencyWidth = 0;
    int AmountWidth = 0;
    TRect UpRect{}, PageUpRect{}, ThumbRect{}, PageDownRect{}, DownRect{};
    TRect BodyRect{};
    AnsiString TypeName;
    AnsiString ScrollCode;
    long double Total = 0;
    std::vector<TBillTreeRow> Rows;
};

struct THeadButton {
    TRect Rect{};
    AnsiString Caption;
    AnsiString Caption2;
    bool Enabled = true;
    bool Hot = false;
    bool Pressed = false;
    TBitmap Glyph;
    TBitmap DisabledGlyph;
};

struct THeadButtons {
    int ButtonGroup = -1;  // 0 the ledger's buttons, 1 the tree's, -1 none
    TBitmap HeadBarBitmap;
    std::array<std::vector<THeadButton>, 2> Groups;
};

// Layout shared by painting, the mouse and the reports.
inline constexpr int ScrollBarWidth = 16;
extern int TabStripTop;
extern int ContentTop;

// Glyphs cut at start-up: tree rows by ExpanderKind, and the thirteen scroll-bar pictures
// (0 up, 1 track, 2 thumb, 3 down, 4-6 hovered, 7-9 pressed, 10-12 disabled).
extern std::vector<TBitmap> TreeGlyphs;
extern std::vector<TBitmap> ScrollGlyphs;

extern THead Head;
extern TLedgerState Ledger;
extern std::vector<TBillTypeView> BillTypeViews;
extern THeadButtons HeadButtons;

extern int HeadIndex;
extern int SelectBill;
extern int SelectMove;
extern AnsiString LastDate;
extern bool FilterEnabled;
extern int SortMode;
extern bool BalanceOverflowShown;
extern std::array<AnsiString, 7> BillColumnCaptions;
extern std::array<int, 7> BillColumnWidths;

inline THeadTab& CurrentTab() {
    return Head.HeadTabs.at(HeadIndex);
}

// Back to the values the program starts with (tests start each case from them).
void ResetMainWindowState();

}  // namespace qm
