// The in-memory workbook that the spreadsheet export fills and the BIFF8 writer stores: sheets of
// rectangular cell ranges (one value and one format each), column widths and a page setup. It
// knows nothing of files. Rows and columns count from 0.
//
// Invariants:
//  1. No two ranges of a sheet share a cell; a new range removes every range it overlaps.
//  2. A sheet's dimensions only grow: removed ranges stay covered.
//  3. Bounds stay within what a worksheet can hold (rows 0..65535, columns 0..255), and a cell text
//     within 32767 characters; anything beyond is refused with EXLSError, never wrapped.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/parallel.h"
#include "xls/variant.h"
#include "xls/xls_font.h"

namespace qm::xls {

constexpr int32_t kMaxRows = 65536;
constexpr int32_t kMaxCols = 256;
constexpr int32_t kMaxCellText = 32767;

class TvteXLSWorkbook;
class TvteXLSWorksheet;

constexpr uint32_t kNoWriterData = 0xFFFFFFFF;

class TvteXLSBorder {
  public:
    TColor Color = clBlack;
    uint8_t LineStyle = 0;  // 0 none, 1 thin, 2 medium, 3 dashed, 4 dotted, 5 thick, 6 double, ...
    uint8_t Weight = 0;     // kept for callers; the file takes the line style only
};

// Positions of the six borders.
enum TBorderIndex {
    bdDiagonalDown = 0,
    bdDiagonalUp = 1,
    bdBottom = 2,
    bdLeft = 3,
    bdRight = 4,
    bdTop = 5
};

class TvteXLSBorders {
  public:
    // The border at position i (0..5); any other position raises EXLSError.
    TvteXLSBorder& Border(int i);
    const TvteXLSBorder& Border(int i) const;

  private:
    TvteXLSBorder borders_[6];
};

// Everything a range shows its value with: borders, font, alignment, number format and fill.
class TvteXLSFormat {
  public:
    TvteXLSBorders Borders;
    TvteXLSFont Font;
    uint8_t HorizontalAlignment =
        0;  // 0 general, 1 left, 2 centre, 3 right, 4 fill, 5 justify, 6 across
    uint8_t VerticalAlignment = 2;  // 0 top, 1 centre, 2 bottom, 3 justify
    bool WrapText = false;
    uint8_t Rotation = 0;
    AnsiString NumberFormat;  // empty: the general format
    int32_t FillPattern = 0;  // 0 no fill, 1..18 the file format's fill patterns
    TColor FillForeColor = clBlack;
    TColor FillBackColor = clBlack;
};

// A rectangle of cells with one value and one format. The format is shared: ranges start with
// the default one or one of the sheet's formats (ShareFormat), and a range gets a format of its
// own the first time it is changed through Format(). A sheet of hundreds of thousands of cells
// in a handful of formats then holds each format once, not once per cell.
class TvteXLSRange {
  public:
    TvteXLSRange(TvteXLSWorksheet* sheet, int32_t left, int32_t top, int32_t right, int32_t bottom);
    TvteXLSRange(const TvteXLSRange&) = delete;
    TvteXLSRange& operator=(const TvteXLSRange&) = delete;

    TvteXLSWorksheet* Worksheet() const { return worksheet_; }
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Right() const { return right_; }
    int32_t Bottom() const { return bottom_; }
    bool IsSingleCell() const { return left_ == right_ && top_ == bottom_; }

    // The format to read.
    const TvteXLSFormat& Format() const;
    // The format to change: a copy of its own for this range first, unless it has one already
    // (made by the sheet, so not for ranges of one sheet on several threads at once). Raises
    // EXLSError for a range that belongs to no sheet.
    TvteXLSFormat& Format();
    // Shows the range in `format`, one of its sheet's formats (TvteXLSWorksheet::AddFormat), or
    // in the default format for null, without a copy; changes this range only.
    void ShareFormat(const TvteXLSFormat* format);

    const TVariant& Value() const { return value_; }
    // Texts are stored with every CR LF pair turned into LF; a text longer than a cell can hold
    // raises EXLSError.
    void SetValue(TVariant v);
    // False only for the numeric kinds; empty values, dates and Booleans count as text.
    bool IsText() const { return !value_.IsNumeric(); }

  private:
    // The fields are in the order that packs them into 64 bytes: a sheet of hundreds of
    // thousands of cells holds one range per cell.
    TvteXLSWorksheet* worksheet_;
    const TvteXLSFormat* format_ = nullptr;  // null: the default format
    // Bounds fit in 16 bits (rows 0..65535, columns 0..255).
    uint16_t left_, top_, right_, bottom_;
    [[no_unique_address]] TVariant value_;
    bool ownFormat_ = false;  // format_ was made for this range alone

  public:
    // Set by the writer during a save to the position of its own record for this range in its
    // RangeInfo; kNoWriterData otherwise.
    uint32_t WriterData = kNoWriterData;
};

class TvteXLSCol {
  public:
    explicit TvteXLSCol(int32_t index) : index_(index) {}
    int32_t Index() const { return index_; }
    int32_t Width = 2048;  // in 1/256 of a character width

  private:
    int32_t index_;
};

class TvteXLSPageSetup {
  public:
    bool BlackAndWhite = false;
    AnsiString CenterFooter, CenterHeader;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    bool Draft = false;
    int32_t FirstPageNumber = 1;
    int32_t FitToPagesTall = 1;
    int32_t FitToPagesWide = 1;
    AnsiString LeftFooter, LeftHeader;
    uint8_t Order = 0;        // 1: over, then down
    uint8_t Orientation = 0;  // 0 portrait, anything else landscape
    uint8_t PaperSize = 9;    // A4
    bool PrintGridLines = false;
    bool PrintHeaders = false;
    bool PrintNotes = false;
    AnsiString RightFooter, RightHeader;
    double LeftMargin = 2.0;
    double RightMargin = 2.0;
    double TopMargin = 2.5;
    double BottomMargin = 2.5;
    double FooterMargin = 0.0;
    double HeaderMargin = 0.0;
    int32_t Zoom = 100;
    int32_t Copies = 0;
};

// The used area of a sheet; -1 while unset.
struct TSheetDimensions {
    int32_t MinCol = -1;
    int32_t MinRow = -1;
    int32_t MaxCol = -1;
    int32_t MaxRow = -1;
};

class TvteXLSWorksheet {
  public:
    explicit TvteXLSWorksheet(TvteXLSWorkbook* workbook);
    TvteXLSWorksheet(const TvteXLSWorksheet&) = delete;
    TvteXLSWorksheet& operator=(const TvteXLSWorksheet&) = delete;

    TvteXLSWorkbook* Workbook() const { return workbook_; }
    const AnsiString& Name() const { return name_; }
    // Keeps the first 31 characters, then trims blanks and control characters at both ends.
    void SetName(const AnsiString& name);
    int GetIndex() const;

    TvteXLSPageSetup PageSetup;
    const TSheetDimensions& Dimensions() const { return dims_; }

    // The range with exactly these bounds, or a new one that replaces every range it overlaps.
    TvteXLSRange* Range(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // A new single-cell range for every cell of the rectangle, row by row and left to right, in
    // the order the sheet keeps them, after every range the rectangle overlaps is removed: a
    // large table laid out at once. Its rows' cells are made in parts as `runner` runs them (by
    // default all here); each part writes only its own rows' cells and row lists, which are
    // given their room before the parts start. Bounds are checked as Range checks them.
    std::vector<TvteXLSRange*> AddCells(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                        const TParts& runner = TParts());
    int RangeCount() const { return static_cast<int>(ranges_.size()); }
    TvteXLSRange* RangeAt(int i) const { return ranges_.at(i); }
    // The ranges that touch a row, in no particular order.
    const std::vector<TvteXLSRange*>& RangesInRow(int32_t row) const;

    // A copy of `format` kept by the sheet as long as the sheet lives, for its ranges to share
    // (TvteXLSRange::ShareFormat); returns the copy.
    const TvteXLSFormat* AddFormat(const TvteXLSFormat& format);

    // The first column object with this index, or a new one of width 2048.
    TvteXLSCol* Col(int32_t index);
    int ColCount() const { return static_cast<int>(cols_.size()); }
    TvteXLSCol* ColAt(int i) const { return cols_.at(i).get(); }

  private:
    void RemoveOverlapping(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void ExtendCols(int32_t left, int32_t right);

    TvteXLSWorkbook* workbook_;
    AnsiString name_;
    // Ranges live side by side in the order they were made, so that the writer's passes over a
    // sheet of hundreds of thousands of cells read memory in sequence and the sheet frees them in
    // a few blocks. A replaced range leaves the sheet's lists and lets its value go; its place
    // stays unused until the sheet ends.
    // Room for ranges, made in place from the start on, and the number of them made so far.
    class TSlotBlock {
      public:
        explicit TSlotBlock(size_t capacity);
        ~TSlotBlock();
        TSlotBlock(const TSlotBlock&) = delete;
        TSlotBlock& operator=(const TSlotBlock&) = delete;
        TvteXLSRange* slots;
        size_t capacity;
        size_t made = 0;
    };
    TvteXLSRange* NewRange(int32_t left, int32_t top, int32_t right, int32_t bottom);
    std::vector<std::unique_ptr<TSlotBlock>> slotBlocks_;  // each twice the last, up to a limit
    bool lastBlockOpen_ = false;  // whether NewRange may go on filling the last block
    std::vector<TvteXLSRange*> ranges_;
    std::vector<std::unique_ptr<TvteXLSCol>> cols_;
    std::deque<TvteXLSFormat> formats_;  // every format shared or changed; never moved
    TSheetDimensions dims_;
    // Ranges by row, so that finding and replacing ranges does not scan the whole sheet.
    std::vector<std::vector<TvteXLSRange*>> rowIndex_;
};

class TvteXLSWorkbook {
  public:
    TvteXLSWorkbook() = default;
    ~TvteXLSWorkbook() { Clear(); }
    TvteXLSWorkbook(const TvteXLSWorkbook&) = delete;
    TvteXLSWorkbook& operator=(const TvteXLSWorkbook&) = delete;

    // The last user who saved the file.
    const AnsiString& UserName() const { return userName_; }
    // Keeps the first 66 characters, then trims blanks and control characters at both ends.
    void SetUserName(const AnsiString& name);

    TvteXLSWorksheet* AddSheet();
    int SheetCount() const { return static_cast<int>(sheets_.size()); }
    TvteXLSWorksheet* Sheet(int i) const { return sheets_.at(i).get(); }
    void Clear() { sheets_.clear(); }

  private:
    AnsiString userName_ = "Wrenfield";
    std::vector<std::unique_ptr<TvteXLSWorksheet>> sheets_;
};

}  // namespace qm::xls
