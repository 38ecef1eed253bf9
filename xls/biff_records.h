// One writer per BIFF8 record: each takes plain values, builds the record's exact bytes and writes
// them framed at the stream's position. The writer of the workbook calls them in the file's order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xls/biff_stream.h"

namespace qm::xls {

class TvteXLSPageSetup;
struct TSheetDimensions;

constexpr uint16_t kBofWorkbookGlobals = 0x0005;
constexpr uint16_t kBofWorksheet = 0x0010;

// Built-in style cell formats added after the default cell format; cell formats of ranges follow.
constexpr int kStyleXFCount = 15;
constexpr int kBuiltInStyleXFCount = 5;

using TXFBody = std::array<uint8_t, 20>;

struct TFontRecord {
    uint16_t HeightTwips = 200;
    bool Italic = false;
    bool StrikeOut = false;
    bool Bold = false;
    bool Underline = false;
    uint16_t ColorIndex = 8;
    uint8_t Family = 0;
    uint8_t Charset = 1;
    std::u16string Name;
};

struct TMergedRange {
    uint16_t Top, Bottom, Left, Right;
};

// The most merged ranges one MERGEDCELLS record may list.
constexpr size_t kMaxMergesPerRecord = 1026;
// The most characters of the user name the WRITEACCESS record holds.
constexpr size_t kMaxWriteAccessChars = 54;

// --- workbook globals ---
void WriteGlobalsBOF(TMemStream& s);
void WriteInterfaceHdr(TMemStream& s);
void WriteMMS(TMemStream& s);
void WriteInterfaceEnd(TMemStream& s);
void WriteWriteAccess(TMemStream& s, const std::u16string& userName);
void WriteCodePage(TMemStream& s);
void WriteDSF(TMemStream& s);
void WriteExcel9File(TMemStream& s);
void WriteTabId(TMemStream& s, int sheetCount);
void WriteFnGroupCount(TMemStream& s);
void WriteWindowProtect(TMemStream& s);
void WriteProtect(TMemStream& s);
void WritePassword(TMemStream& s);
void WriteProt4Rev(TMemStream& s);
void WriteProt4RevPass(TMemStream& s);
void WriteWindow1(TMemStream& s);
void WriteBackup(TMemStream& s);
void WriteHideObj(TMemStream& s);
void WriteDateMode(TMemStream& s);
void WritePrecision(TMemStream& s);
void WriteRefreshAll(TMemStream& s);
void WriteBookBool(TMemStream& s);
void WriteFont(TMemStream& s, const TFontRecord& f);
void WriteFormat(TMemStream& s, uint16_t index, const std::u16string& text);
void WriteStyleXFs(TMemStream& s);
void WriteBuiltInStyleXFs(TMemStream& s);
void WriteXF(TMemStream& s, const TXFBody& body);
void WritePalette(TMemStream& s, const std::array<uint32_t, 56>& palette);
void WriteStyles(TMemStream& s);
void WriteUsesElfs(TMemStream& s);
// Returns the stream position of the offset field, to be patched with the sheet's BOF position.
size_t WriteBoundSheet(TMemStream& s, const std::u16string& name);
void WriteCountry(TMemStream& s);
void WriteExtSST(TMemStream& s, uint16_t bucketSize,
                 const std::vector<std::pair<uint32_t, uint16_t>>& entries);
void WriteEOF(TMemStream& s);

// The shared string table with its own CONTINUE records, and the positions of every
// bucketSize-th string for EXTSST. The records go straight onto the end of the stream, so that a
// table of megabytes is not held twice while it is copied in.
class TSSTBuilder {
  public:
    // The SST record starts at the stream's end, where its position must be.
    TSSTBuilder(TMemStream& stream, uint32_t stringCount);
    void Add(const char16_t* text, size_t length);
    // The stream's room for strings of `chars` characters in all, added after this, and `more`
    // bytes that follow the table.
    void Reserve(size_t chars, size_t more = 0);
    // Fills in the counts; the records end at the stream's end.
    void Finish();
    uint16_t BucketSize() const { return bucketSize_; }
    const std::vector<std::pair<uint32_t, uint16_t>>& Buckets() const { return buckets_; }

  private:
    void StartRecord(uint16_t id);
    void CloseRecord();
    void Append(const void* data, size_t size);
    size_t Room() const { return kMaxRecordData + 4 - fill_; }

    TMemStream& out_;
    size_t start_;
    uint16_t bucketSize_;
    uint32_t stringCount_;
    uint32_t added_ = 0;
    size_t recordStart_ = 0;
    size_t fill_ = 0;  // of the current record, counting its 4-byte header
    std::vector<std::pair<uint32_t, uint16_t>> buckets_;
};

// --- worksheet ---
void WriteSheetBOF(TMemStream& s);
// Returns the stream position of the record, for rewriting it once the DBCELL positions are known.
size_t WriteIndex(TMemStream& s, uint32_t firstRow, uint32_t lastRowPlus1,
                  const std::vector<uint32_t>& dbcells);
void WriteCalcMode(TMemStream& s);
void WriteCalcCount(TMemStream& s);
void WriteRefMode(TMemStream& s);
void WriteIteration(TMemStream& s);
void WriteDelta(TMemStream& s);
void WriteSaveRecalc(TMemStream& s);
void WritePrintHeaders(TMemStream& s, bool on);
void WritePrintGridLines(TMemStream& s, bool on);
void WriteGridSet(TMemStream& s);
void WriteGuts(TMemStream& s);
void WriteDefaultRowHeight(TMemStream& s);
void WriteWSBool(TMemStream& s);
void WriteHeader(TMemStream& s, const std::u16string& text);
void WriteFooter(TMemStream& s, const std::u16string& text);
void WriteHCenter(TMemStream& s, bool on);
void WriteVCenter(TMemStream& s, bool on);
void WriteLeftMargin(TMemStream& s, double inches);
void WriteRightMargin(TMemStream& s, double inches);
void WriteTopMargin(TMemStream& s, double inches);
void WriteBottomMargin(TMemStream& s, double inches);
void WriteSetup(TMemStream& s, const TvteXLSPageSetup& p);
void WriteDefColWidth(TMemStream& s);
void WriteColInfo(TMemStream& s, uint16_t col, uint16_t width);
void WriteDimensions(TMemStream& s, const TSheetDimensions& d);
void WriteRow(TMemStream& s, uint16_t row, uint16_t firstCol, uint16_t lastColPlus1);
void WriteNumber(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf, double value);
void WriteLabelSST(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf, uint32_t sst);
void WriteMulBlank(TMemStream& s, uint16_t row, uint16_t firstCol, uint16_t lastCol, uint16_t xf);
void WriteBlank(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf);
void WriteDBCell(TMemStream& s, uint32_t firstRowOffset, const std::vector<uint16_t>& cellOffsets);
void WriteWindow2(TMemStream& s, bool selected);
void WriteSelection(TMemStream& s);
// As many records as the list needs, each with at most kMaxMergesPerRecord ranges.
void WriteMergedCells(TMemStream& s, const std::vector<TMergedRange>& merges);

}  // namespace qm::xls
