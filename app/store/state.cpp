// The main window's unit-level state and its start values.
#include "app/store/state.h"

namespace qm {

int TabStripTop = 0;
int ContentTop = 23;

std::vector<TBitmap> TreeGlyphs;
std::vector<TBitmap> ScrollGlyphs;
THead Head;
TLedgerState Ledger;
std::vector<TBillTypeView> BillTypeViews;
THeadButtons HeadButtons;

int HeadIndex = 0;
int SelectBill = -1;
int SelectMove = -1;
AnsiString LastDate;
bool FilterEnabled = false;
int SortMode = 0;
bool BalanceOverflowShown = false;
std::array<AnsiString, 7> BillColumnCaptions;
std::array<int, 7> BillColumnWidths = {80, 55, 200, 200, 85, 85, 85};

void ResetMainWindowState() {
    TabStripTop = 0;
    ContentTop = 23;
    Head = THead();
    TreeGlyphs.clear();
    ScrollGlyphs.clear();
    Ledger = TLedgerState();
    BillTypeViews.clear();
    HeadButtons = THeadButtons();
    HeadIndex = 0;
    SelectBill = -1;
    SelectMove = -1;
    LastDate.clear();
    FilterEnabled = false;
    SortMode = 0;
    BalanceOverflowShown = false;
    BillColumnCaptions = {};
    BillColumnWidths = {80, 55, 200, 200, 85, 85, 85};
}

}  // namespace qm
