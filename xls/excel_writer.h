// Stores a workbook as a BIFF8 file: the stream "Workbook" of a compound file. The whole stream is
// built in memory (globals, then each sheet, with the sheets' offsets patched in place) and handed
// to the container in one write, so nothing is written when the workbook cannot be stored.
//
// Invariants while a save runs:
//  1. Every range has a TRangeInfo in RangeInfo, in sheet order then range order, and its
//     WriterData is that record's position; both are gone when the save ends, however it ends.
//  2. Cell format index 15 is the default cell format, 16 to 20 the built-in number styles, and
//     the cell formats of ranges follow from 21 on.
//  3. Each BOUNDSHEET offset ends up holding the stream position of its sheet's BOF record.
//
// Threads: the writer starts none. Its long passes (the survey of the ranges, the row blocks)
// are cut into runs as the TParts it was made with runs them, by
// default all on the calling thread. While runs are under way the workbook and the tables built
// before them are read-only; run p writes only its own slot of the per-run results and the
// RangeInfo entries of its own ranges, and the runs' results are joined in order afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "xls/biff_records.h"
#include "xls/biff_stream.h"
#include "xls/text16.h"
#include "xls/workbook.h"

namespace qm::xls {

constexpr uint32_t kNoString = 0xFFFFFFFF;

// What the writer decided for one range.
struct TRangeInfo {
    uint32_t XF = 0;
    uint32_t SST = kNoString;
    uint32_t Font = 0;
    uint32_t Format = 0;
};

class TvteCustomWriter {
  public:
    virtual ~TvteCustomWriter() = default;
    virtual void Save(TvteXLSWorkbook* workbook, const std::filesystem::path& fileName);
};

class TvteExcelWriter : public TvteCustomWriter {
  public:
    // `parts` decides whether the long passes of a save run side by side.
    explicit TvteExcelWriter(TParts parts = TParts());

    // Raises EXLSError for anything the file format cannot hold, before the file is touched, and
    // when the file cannot be created, written or completed, with the reason alone (the
    // system's, such as "No space left on device", where the system refused), not the file's
    // name. Then an earlier file of that name is as it was.
    void Save(TvteXLSWorkbook* workbook, const std::filesystem::path& fileName) override;

    // The whole workbook stream, written at the stream's position.
    void WriteWorkbook(TMemStream& stream, TvteXLSWorkbook* workbook);
    // One worksheet substream, BOF to EOF; leaves the position at the end of the stream. Only
    // valid while WriteWorkbook runs.
    void WriteSheet(TMemStream& stream, TvteXLSWorksheet* sheet);
    // The cell records of one range in one row. Only valid while WriteWorkbook runs.
    void WriteCell(TMemStream& cells, const TvteXLSRange& range, int32_t row) const;

    // Write into the stream of the running WriteWorkbook; outside it they raise EXLSError.
    void WriteRecord(uint16_t id, const uint8_t* data, size_t length);
    void WriteHexRecord(const std::string& text);
    // Palette position (0..55) of a colour, taking a free position for a new colour.
    int GetColorIndex(TColor color);

    struct TSheetPosition {
        uint32_t Bof = 0;
        size_t BoundSheetField = 0;
    };

    int32_t StreamStart = 0;
    TvteXLSWorkbook* Workbook = nullptr;
    std::vector<TColor> UsedColors;
    std::vector<TRangeInfo> RangeInfo;
    std::array<uint32_t, 56> Palette{};
    bool PaletteChanged = false;
    std::vector<TSheetPosition> SheetPositions;

  private:
    void RequireSave() const;
    void Prepare(TvteXLSWorkbook* workbook);
    void Finish();
    void WriteGlobals();
    void Survey();
    size_t FontPosition(const TvteXLSFont& font, size_t last);
    uint16_t FormatIndex(const AnsiString& text);
    void WriteFonts();
    void WriteFormats();
    void WriteXFs();
    TXFBody BuildXF(const TvteXLSRange& range, const TRangeInfo& info);
    uint16_t BorderColorIndex(const TvteXLSBorder& b);
    void WriteBoundSheets();
    void WriteSST();
    // The text of a shared string, added at the end of `out`.
    void AppendValueText(const TVariant& v, std::u16string& out) const;

    void WriteSheetSettings(TMemStream& s, const TvteXLSWorksheet& sheet);
    void WriteRowBlocks(TMemStream& s, const TvteXLSWorksheet& sheet,
                        std::vector<uint32_t>& dbcells);
    // One block of rows at the stream's end; returns the position of its DBCELL record.
    size_t WriteRowBlock(TMemStream& s, const TvteXLSWorksheet& sheet, size_t block) const;
    void WriteMerges(TMemStream& s, const TvteXLSWorksheet& sheet);

    TParts parts_;
    TMemStream* stream_ = nullptr;
    std::optional<TCodePageTable> codePage_;
    std::vector<TvteXLSRange*> ranges_;  // all ranges, in RangeInfo order
    // What the survey of the ranges found: the font table, the number formats (built-in ones
    // first, then each new text of the ranges with the text it came from), and the number of
    // the shared strings (numbered in the order of their ranges) with their length in all.
    struct TFormatEntry {
        uint16_t Index;
        std::u16string Text;
        AnsiString Source;
    };
    std::vector<TvteXLSFont> fonts_;
    std::vector<TFormatEntry> formats_;
    size_t textCount_ = 0, textChars_ = 0;
};

}  // namespace qm::xls
