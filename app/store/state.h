// The main window's view state: the tabs, the ledger grid with its displayed rows, each ledger
// tab's buffer of moves, the tree views, the selected account and move. Plain data, read and
// written in place by the main window's concerns and by several dialogs.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

// One move of a ledger tab's account, as loaded from bill_move.
struct TBufRow {
    int Id = 0;
    int CorrBillId = 0;
    // 0 date "yyyymmdd", 1 number, 2 note, 3 correspondent, 4 received, 5 paid, 6 running balance
    std::array<AnsiString, 7> Cells;
    bool HasFiles = false;
};

// One displayed ledger row; the last displayed row is always the empty new row (Id -1).
struct TBillMoveRow {
    int Id = 0;
    int CorrBillId = 0;
    std::array<AnsiString, 7> Cells;
    std::array<TRect, 7> CellRects{};
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
    // The in-place editors' selection anchor and the note completion.
    int SelAnchor = 1;
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
