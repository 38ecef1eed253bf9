// The main window's unit-level state and its start values.
#include "app/store/state.h"

#include <stdexcept>
#include <string>

#include "app/store/money_text.h"

namespace qm {

namespace {
const AnsiString kNoText;
const TRect kNoRect{};
}  // namespace

TRowCells::TRowCells(std::shared_ptr<const TMoveTexts> texts, long double balance, bool overflow)
    : texts_(std::move(texts)), balance_(balance), overflow_(overflow) {}

TRowCells::TRowCells(const TRowCells& other)
    : texts_(other.texts_),
      balance_(other.balance_),
      overflow_(other.overflow_),
      stepCents_(other.stepCents_),
      own_(other.own_ ? std::make_unique<std::array<AnsiString, 7>>(*other.own_) : nullptr) {}

TRowCells& TRowCells::operator=(const TRowCells& other) {
    if (this != &other) *this = TRowCells(other);
    return *this;
}

std::array<AnsiString, 7>& TRowCells::Own() {
    if (!own_) {
        own_ = std::make_unique<std::array<AnsiString, 7>>();
        if (texts_) {
            auto& c = *own_;
            c[0] = texts_->Date;
            c[1] = texts_->Num;
            c[2] = texts_->Note;
            if (texts_->Corr) c[3] = *texts_->Corr;
            c[texts_->Paid ? 5 : 4] = texts_->Amount;
            c[6] = overflow_ ? AnsiString("------") : CentsText(balance_, ',');
        }
    }
    return *own_;
}

AnsiString& TRowCells::operator[](size_t col) {
    if (col >= 7) throw std::out_of_range("ledger cell " + std::to_string(col));
    return Own()[col];
}

const AnsiString& TRowCells::operator[](size_t col) const {
    if (col >= 6) throw std::out_of_range("ledger cell " + std::to_string(col) + " to read");
    if (own_) return (*own_)[col];
    if (!texts_) return kNoText;
    switch (col) {
        case 0:
            return texts_->Date;
        case 1:
            return texts_->Num;
        case 2:
            return texts_->Note;
        case 3:
            return texts_->Corr ? *texts_->Corr : kNoText;
        case 4:
            return texts_->Paid ? kNoText : texts_->Amount;
        default:
            return texts_->Paid ? texts_->Amount : kNoText;
    }
}

AnsiString TRowCells::Text(size_t col) const {
    if (own_ && col == 6) return (*own_)[6];
    if (col != 6) return (*this)[col];
    if (!texts_) return AnsiString();
    return overflow_ ? AnsiString("------") : CentsText(balance_, ',');
}

TRowCells::operator std::array<AnsiString, 7>() const {
    std::array<AnsiString, 7> cells;
    for (size_t col = 0; col < 7; ++col) cells[col] = Text(col);
    return cells;
}

void TRowCells::SetBalance(long double balance, bool overflow) {
    balance_ = balance;
    overflow_ = overflow;
    if (own_ && texts_) (*own_)[6] = overflow ? AnsiString("------") : CentsText(balance, ',');
}

TCellRects::TCellRects(const TCellRects& other)
    : drawn_(other.drawn_ ? std::make_unique<Drawn>(*other.drawn_) : nullptr) {}

TCellRects& TCellRects::operator=(const TCellRects& other) {
    if (this != &other) *this = TCellRects(other);
    return *this;
}

TRect& TCellRects::operator[](size_t col) {
    if (col >= 7) throw std::out_of_range("ledger cell " + std::to_string(col));
    if (!drawn_) drawn_ = std::make_unique<Drawn>();
    if (drawn_->paint != paint_) *drawn_ = Drawn{paint_, {}};
    return drawn_->rects[col];
}

const TRect& TCellRects::operator[](size_t col) const {
    if (col >= 7) throw std::out_of_range("ledger cell " + std::to_string(col));
    return Current() ? drawn_->rects[col] : kNoRect;
}

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
