// The workbook model: sheets, ranges and their replacement rule, columns, names.
#include "xls/workbook.h"

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_set>
#include <utility>

#include "platform/part_sizes.h"

namespace qm::xls {

namespace {

AnsiString KeepAndTrim(const AnsiString& s, size_t keep) {
    return Trim(s.substr(0, keep));
}

void CheckRow(int32_t row) {
    if (row < 0 || row >= kMaxRows)
        throw EXLSError("Row " + std::to_string(row) +
                        " is outside the rows a worksheet can hold (0 to 65535)");
}

void CheckCol(int32_t col) {
    if (col < 0 || col >= kMaxCols)
        throw EXLSError("Column " + std::to_string(col) +
                        " is outside the columns a worksheet can hold (0 to 255)");
}

bool Overlaps(const TvteXLSRange& r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return r.Left() <= right && left <= r.Right() && r.Top() <= bottom && top <= r.Bottom();
}

}  // namespace

TvteXLSBorder& TvteXLSBorders::Border(int i) {
    if (i < 0 || i > 5)
        throw EXLSError("Border " + std::to_string(i) + " is not one of the six borders (0 to 5)");
    return borders_[i];
}

const TvteXLSBorder& TvteXLSBorders::Border(int i) const {
    return const_cast<TvteXLSBorders*>(this)->Border(i);
}

TvteXLSRange::TvteXLSRange(TvteXLSWorksheet* sheet, int32_t left, int32_t top, int32_t right,
                           int32_t bottom)
    : worksheet_(sheet),
      left_(static_cast<uint16_t>(left)),
      top_(static_cast<uint16_t>(top)),
      right_(static_cast<uint16_t>(right)),
      bottom_(static_cast<uint16_t>(bottom)) {}

const TvteXLSFormat& TvteXLSRange::Format() const {
    static const TvteXLSFormat kDefault;
    return format_ ? *format_ : kDefault;
}

TvteXLSFormat& TvteXLSRange::Format() {
    if (!ownFormat_) {
        if (!worksheet_) throw EXLSError("A range without a sheet has no format to change");
        format_ = worksheet_->AddFormat(std::as_const(*this).Format());
        ownFormat_ = true;
    }
    // The sheet made it for this range alone and keeps it unchanged for no one else.
    return const_cast<TvteXLSFormat&>(*format_);
}

void TvteXLSRange::ShareFormat(const TvteXLSFormat* format) {
    format_ = format;
    ownFormat_ = false;
}

void TvteXLSRange::SetValue(TVariant v) {
    if (v.VarType() == TVarType::String) {
        // Most texts hold no line break: kept as they came, without building them again.
        const bool breaks = v.AnsiText().find('\r') != AnsiString::npos;
        if (breaks) v = TVariant(StringReplaceAll(v.AnsiText(), "\r\n", "\n"));
        if (v.AnsiText().size() > static_cast<size_t>(kMaxCellText))
            throw EXLSError("A cell text of " + std::to_string(v.AnsiText().size()) +
                            " characters is longer than a cell can hold (32767)");
        value_ = std::move(v);
    } else if (v.VarType() == TVarType::OleStr) {
        std::u16string s;
        const std::u16string& w = v.WideText();
        s.reserve(w.size());
        for (size_t i = 0; i < w.size(); ++i)
            if (!(w[i] == u'\r' && i + 1 < w.size() && w[i + 1] == u'\n')) s += w[i];
        if (s.size() > static_cast<size_t>(kMaxCellText))
            throw EXLSError("A cell text of " + std::to_string(s.size()) +
                            " characters is longer than a cell can hold (32767)");
        value_ = TVariant(std::move(s));
    } else {
        value_ = std::move(v);
    }
}

TvteXLSWorksheet::TvteXLSWorksheet(TvteXLSWorkbook* workbook) : workbook_(workbook) {
    int n = workbook ? workbook->SheetCount() + 1 : 1;
    auto taken = [&](const AnsiString& name) {
        if (!workbook) return false;
        for (int i = 0; i < workbook->SheetCount(); ++i)
            if (UpperCase(workbook->Sheet(i)->Name()) == UpperCase(name)) return true;
        return false;
    };
    while (taken("Sheet" + std::to_string(n))) ++n;
    name_ = "Sheet" + std::to_string(n);
}

void TvteXLSWorksheet::SetName(const AnsiString& name) {
    name_ = KeepAndTrim(name, 31);
}

int TvteXLSWorksheet::GetIndex() const {
    if (!workbook_) return -1;
    for (int i = 0; i < workbook_->SheetCount(); ++i)
        if (workbook_->Sheet(i) == this) return i;
    return -1;
}

const std::vector<TvteXLSRange*>& TvteXLSWorksheet::RangesInRow(int32_t row) const {
    static const std::vector<TvteXLSRange*> none;
    if (row < 0 || static_cast<size_t>(row) >= rowIndex_.size()) return none;
    return rowIndex_[row];
}

TvteXLSRange* TvteXLSWorksheet::Range(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    CheckCol(left);
    CheckCol(right);
    CheckRow(top);
    CheckRow(bottom);
    if (left > right || top > bottom) throw EXLSError("A range must not end before it begins");
    for (TvteXLSRange* r : RangesInRow(top))
        if (r->Left() == left && r->Top() == top && r->Right() == right && r->Bottom() == bottom)
            return r;
    RemoveOverlapping(left, top, right, bottom);

    TvteXLSRange* range = NewRange(left, top, right, bottom);
    ranges_.push_back(range);
    if (rowIndex_.size() <= static_cast<size_t>(bottom)) rowIndex_.resize(bottom + 1);
    for (int32_t row = top; row <= bottom; ++row) {
        // A row mostly holds a handful of cells: room for them at once, not grown cell by cell.
        if (rowIndex_[row].capacity() == 0) rowIndex_[row].reserve(8);
        rowIndex_[row].push_back(range);
    }

    ExtendCols(left, right);
    if (dims_.MinRow == -1 || dims_.MinRow > top) dims_.MinRow = top;
    if (dims_.MaxRow == -1 || dims_.MaxRow < bottom) dims_.MaxRow = bottom;
    return range;
}

static_assert(alignof(TvteXLSRange) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
// A sheet holds a range per cell: the fields are laid out to fit this on the 64-bit systems the
// program is built for, and a change that grows it should be a choice.
static_assert(sizeof(void*) != 8 || sizeof(TvteXLSRange) == 64);

TvteXLSWorksheet::TSlotBlock::TSlotBlock(size_t room)
    : slots(static_cast<TvteXLSRange*>(::operator new(room * sizeof(TvteXLSRange)))),
      capacity(room) {}

TvteXLSWorksheet::TSlotBlock::~TSlotBlock() {
    std::destroy_n(slots, made);
    ::operator delete(slots);
}

TvteXLSRange* TvteXLSWorksheet::NewRange(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!lastBlockOpen_ || slotBlocks_.back()->made == slotBlocks_.back()->capacity) {
        const size_t last = lastBlockOpen_ ? slotBlocks_.back()->capacity : 0;
        const size_t size = std::min<size_t>(last == 0 ? 16 : last * 2, 4096);
        slotBlocks_.push_back(std::make_unique<TSlotBlock>(size));
        lastBlockOpen_ = true;
    }
    TSlotBlock& block = *slotBlocks_.back();
    TvteXLSRange* range =
        new (&block.slots[block.made]) TvteXLSRange(this, left, top, right, bottom);
    ++block.made;
    return range;
}

std::vector<TvteXLSRange*> TvteXLSWorksheet::AddCells(int32_t left, int32_t top, int32_t right,
                                                      int32_t bottom, const TParts& runner) {
    CheckCol(left);
    CheckCol(right);
    CheckRow(top);
    CheckRow(bottom);
    if (left > right || top > bottom) throw EXLSError("A range must not end before it begins");
    const auto width = static_cast<size_t>(right - left + 1);
    const auto height = static_cast<size_t>(bottom - top + 1);
    // The room is taken before the sheet changes.
    auto block = std::make_unique<TSlotBlock>(width * height);
    std::vector<TvteXLSRange*> cells(width * height);
    slotBlocks_.reserve(slotBlocks_.size() + 1);
    ranges_.reserve(ranges_.size() + cells.size());
    if (rowIndex_.size() <= static_cast<size_t>(bottom)) rowIndex_.resize(bottom + 1);
    RemoveOverlapping(left, top, right, bottom);
    for (size_t row = 0; row < height; ++row) {
        auto& inRow = rowIndex_[static_cast<size_t>(top) + row];
        inRow.reserve(inRow.size() + width);
    }
    // Nothing below allocates, and each part touches only its own rows.
    runner.Run(height, partsizes::kLeastCellRows, partsizes::kMost,
               [&](unsigned, size_t first, size_t end) {
                   for (size_t row = first; row < end; ++row) {
                       const auto r = static_cast<int32_t>(top + row);
                       auto& inRow = rowIndex_[static_cast<size_t>(r)];
                       for (size_t col = 0; col < width; ++col) {
                           const auto c = static_cast<int32_t>(left + col);
                           const size_t at = row * width + col;
                           cells[at] = new (&block->slots[at]) TvteXLSRange(this, c, r, c, r);
                           inRow.push_back(cells[at]);
                       }
                   }
               });
    block->made = width * height;
    ranges_.insert(ranges_.end(), cells.begin(), cells.end());
    slotBlocks_.push_back(std::move(block));
    // The blocks that NewRange fills go on after this one.
    lastBlockOpen_ = false;
    ExtendCols(left, right);
    if (dims_.MinRow == -1 || dims_.MinRow > top) dims_.MinRow = top;
    if (dims_.MaxRow == -1 || dims_.MaxRow < bottom) dims_.MaxRow = bottom;
    return cells;
}

void TvteXLSWorksheet::RemoveOverlapping(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    // A new range mostly overlaps nothing: that is found without building the set.
    bool any = false;
    for (int32_t row = top; row <= bottom && !any; ++row)
        for (TvteXLSRange* r : RangesInRow(row))
            any = any || Overlaps(*r, left, top, right, bottom);
    if (!any) return;
    std::unordered_set<const TvteXLSRange*> doomed;
    for (int32_t row = top; row <= bottom; ++row)
        for (TvteXLSRange* r : RangesInRow(row))
            if (Overlaps(*r, left, top, right, bottom)) doomed.insert(r);
    if (doomed.empty()) return;
    for (const TvteXLSRange* r : doomed)
        for (int32_t row = r->Top(); row <= r->Bottom(); ++row) std::erase(rowIndex_[row], r);
    std::erase_if(ranges_, [&](TvteXLSRange* range) {
        if (doomed.count(range) == 0) return false;
        range->SetValue(TVariant());
        return true;
    });
}

void TvteXLSWorksheet::ExtendCols(int32_t left, int32_t right) {
    if (dims_.MinCol == -1 || dims_.MinCol > left) dims_.MinCol = left;
    if (dims_.MaxCol == -1 || dims_.MaxCol < right) dims_.MaxCol = right;
}

const TvteXLSFormat* TvteXLSWorksheet::AddFormat(const TvteXLSFormat& format) {
    return &formats_.emplace_back(format);
}

TvteXLSCol* TvteXLSWorksheet::Col(int32_t index) {
    for (const auto& c : cols_)
        if (c->Index() == index) return c.get();
    CheckCol(index);
    cols_.push_back(std::make_unique<TvteXLSCol>(index));
    ExtendCols(index, index);
    return cols_.back().get();
}

void TvteXLSWorkbook::SetUserName(const AnsiString& name) {
    userName_ = KeepAndTrim(name, 66);
}

TvteXLSWorksheet* TvteXLSWorkbook::AddSheet() {
    sheets_.push_back(std::make_unique<TvteXLSWorksheet>(this));
    return sheets_.back().get();
}

}  // namespace qm::xls
