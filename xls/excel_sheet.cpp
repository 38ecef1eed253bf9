// A worksheet substream: settings and page setup, the cells in blocks of 32 rows each closed by a
// DBCELL record and indexed from the INDEX record, then window, selection and merged cells.
#include <algorithm>

#include "platform/part_sizes.h"
#include "xls/excel_writer.h"

namespace qm::xls {

namespace {

constexpr int32_t kRowsPerBlock = 32;
constexpr size_t kMaxHeaderChars = 255;
constexpr int32_t kMaxColumnWidth = 65280;

AnsiString HeaderText(const AnsiString& left, const AnsiString& center, const AnsiString& right) {
    AnsiString t;
    if (!left.empty()) t += "&L" + left;
    if (!center.empty()) t += "&C" + center;
    if (!right.empty()) t += "&R" + right;
    return t;
}

void CheckHeader(const std::u16string& text, const char* what) {
    if (text.size() > kMaxHeaderChars)
        throw EXLSError(std::string("The page ") + what + " of " + std::to_string(text.size()) +
                        " characters is longer than a page " + what + " can hold (255)");
}

}  // namespace

void TvteExcelWriter::WriteSheet(TMemStream& s, TvteXLSWorksheet* sheet) {
    RequireSave();
    const TSheetDimensions& d = sheet->Dimensions();
    bool hasRows = d.MinRow >= 0 && d.MaxRow >= 0;
    size_t blocks = hasRows ? (d.MaxRow - d.MinRow + kRowsPerBlock) / kRowsPerBlock : 0;
    std::vector<uint32_t> dbcells(blocks, 0);
    uint32_t firstRow = hasRows ? static_cast<uint32_t>(d.MinRow) : 0;
    uint32_t lastRowPlus1 = hasRows ? static_cast<uint32_t>(d.MaxRow) + 1 : 0;

    WriteSheetBOF(s);
    size_t index = WriteIndex(s, firstRow, lastRowPlus1, dbcells);
    WriteSheetSettings(s, *sheet);
    WriteDimensions(s, d);
    if (hasRows) {
        WriteRowBlocks(s, *sheet, dbcells);
        s.Seek(index);
        WriteIndex(s, firstRow, lastRowPlus1, dbcells);
        s.Seek(s.Size());
    }
    WriteWindow2(s, sheet->GetIndex() == 0);
    WriteSelection(s);
    WriteMerges(s, *sheet);
    WriteEOF(s);
}

void TvteExcelWriter::WriteSheetSettings(TMemStream& s, const TvteXLSWorksheet& sheet) {
    const TvteXLSPageSetup& p = sheet.PageSetup;
    WriteCalcMode(s);
    WriteCalcCount(s);
    WriteRefMode(s);
    WriteIteration(s);
    WriteDelta(s);
    WriteSaveRecalc(s);
    WritePrintHeaders(s, p.PrintHeaders);
    WritePrintGridLines(s, p.PrintGridLines);
    WriteGridSet(s);
    WriteGuts(s);
    WriteDefaultRowHeight(s);
    WriteWSBool(s);
    std::u16string header =
        codePage_->Convert(HeaderText(p.LeftHeader, p.CenterHeader, p.RightHeader));
    std::u16string footer =
        codePage_->Convert(HeaderText(p.LeftFooter, p.CenterFooter, p.RightFooter));
    CheckHeader(header, "header");
    CheckHeader(footer, "footer");
    if (!header.empty()) WriteHeader(s, header);
    if (!footer.empty()) WriteFooter(s, footer);
    WriteHCenter(s, p.CenterHorizontally);
    WriteVCenter(s, p.CenterVertically);
    WriteLeftMargin(s, p.LeftMargin);
    WriteRightMargin(s, p.RightMargin);
    WriteTopMargin(s, p.TopMargin);
    WriteBottomMargin(s, p.BottomMargin);
    WriteSetup(s, p);
    WriteDefColWidth(s);
    for (int i = 0; i < sheet.ColCount(); ++i) {
        const TvteXLSCol* col = sheet.ColAt(i);
        if (col->Width < 0 || col->Width > kMaxColumnWidth)
            throw EXLSError("Column width " + std::to_string(col->Width) +
                            " is outside what a worksheet can hold (0 to 65280)");
        WriteColInfo(s, static_cast<uint16_t>(col->Index()), static_cast<uint16_t>(col->Width));
    }
}

// Rows go out in blocks: the block's ROW records, then all its cells, then its DBCELL record,
// which points back to the first ROW record and steps from one row's first cell to the next. A
// block refers only to its own bytes, so runs of blocks are written side by side, each into a
// buffer of its own, and joined in order. That goes a round of runs at a time, the buffers kept
// from round to round: a large sheet's cell records are then never held twice, once in the
// buffers and once in the stream.
void TvteExcelWriter::WriteRowBlocks(TMemStream& s, const TvteXLSWorksheet& sheet,
                                     std::vector<uint32_t>& dbcells) {
    struct TPart {
        TMemStream bytes;
        std::vector<size_t> dbcells;  // positions in `bytes`
    };
    std::vector<TPart> parts(partsizes::kMost);
    size_t block = 0;
    while (block < dbcells.size()) {
        const size_t round = std::min(dbcells.size() - block, partsizes::kRowBlocksPerRound);
        const size_t roundStart = block;
        const unsigned used = parts_.Run(
            round, partsizes::kLeastRowBlocks, partsizes::kMost,
            [&](unsigned p, size_t first, size_t end) {
                TPart& part = parts[p];
                part.bytes.Clear();
                part.dbcells.clear();
                for (size_t b = first; b < end; ++b)
                    part.dbcells.push_back(WriteRowBlock(part.bytes, sheet, roundStart + b));
            });
        for (unsigned p = 0; p < used; ++p) {
            const size_t start = s.Position();
            for (size_t at : parts[p].dbcells)
                dbcells[block++] = static_cast<uint32_t>(start + at - StreamStart);
            s.Write(parts[p].bytes.Data());
        }
    }
}

size_t TvteExcelWriter::WriteRowBlock(TMemStream& s, const TvteXLSWorksheet& sheet,
                                      size_t block) const {
    const TSheetDimensions& d = sheet.Dimensions();
    const int32_t first = d.MinRow + static_cast<int32_t>(block) * kRowsPerBlock;
    const int32_t last = std::min(d.MaxRow, first + kRowsPerBlock - 1);
    TMemStream cells;
    std::vector<size_t> rowFirstCells;  // in `cells`, the first cell record of each row with cells
    std::vector<const TvteXLSRange*> inRow;
    const size_t blockStart = s.Position();
    size_t firstRowEnd = 0;
    for (int32_t r = first; r <= last; ++r) {
        const auto& touching = sheet.RangesInRow(r);
        inRow.assign(touching.begin(), touching.end());
        std::sort(inRow.begin(), inRow.end(), [](auto a, auto b) { return a->Left() < b->Left(); });
        WriteRow(s, static_cast<uint16_t>(r),
                 inRow.empty() ? 0 : static_cast<uint16_t>(inRow.front()->Left()),
                 inRow.empty() ? 0 : static_cast<uint16_t>(inRow.back()->Right() + 1));
        if (r == first) firstRowEnd = s.Position();
        size_t before = cells.Size();
        for (const TvteXLSRange* range : inRow) WriteCell(cells, *range, r);
        if (cells.Size() > before) rowFirstCells.push_back(before);
    }
    const size_t cellsStart = s.Position();
    s.Write(cells.Data());
    const size_t dbcell = s.Position();
    std::vector<uint16_t> offsets;
    for (size_t i = 0; i < rowFirstCells.size(); ++i)
        offsets.push_back(static_cast<uint16_t>(i == 0 ? cellsStart + rowFirstCells[0] - firstRowEnd
                                                       : rowFirstCells[i] - rowFirstCells[i - 1]));
    WriteDBCell(s, static_cast<uint32_t>(dbcell - blockStart), offsets);
    return dbcell;
}

void TvteExcelWriter::WriteCell(TMemStream& cells, const TvteXLSRange& range, int32_t row) const {
    if (range.WriterData >= RangeInfo.size())
        throw EXLSError("A range can only be written as part of its workbook");
    const TRangeInfo& info = RangeInfo[range.WriterData];
    auto xf = static_cast<uint16_t>(info.XF);
    auto r = static_cast<uint16_t>(row);
    int32_t c = range.Left();
    if (row == range.Top()) {
        if (!range.IsText())
            WriteNumber(cells, r, static_cast<uint16_t>(c), xf, range.Value().AsDouble());
        else if (info.SST != kNoString)
            WriteLabelSST(cells, r, static_cast<uint16_t>(c), xf, info.SST);
        else  // a text range showing no text: a formatted empty cell
            WriteBlank(cells, r, static_cast<uint16_t>(c), xf);
        ++c;
    }
    if (c < range.Right())
        WriteMulBlank(cells, r, static_cast<uint16_t>(c), static_cast<uint16_t>(range.Right()), xf);
    else if (c == range.Right())
        WriteBlank(cells, r, static_cast<uint16_t>(c), xf);
}

void TvteExcelWriter::WriteMerges(TMemStream& s, const TvteXLSWorksheet& sheet) {
    std::vector<TMergedRange> merges;
    for (int i = 0; i < sheet.RangeCount(); ++i) {
        const TvteXLSRange* r = sheet.RangeAt(i);
        if (r->IsSingleCell()) continue;
        merges.push_back({static_cast<uint16_t>(r->Top()), static_cast<uint16_t>(r->Bottom()),
                          static_cast<uint16_t>(r->Left()), static_cast<uint16_t>(r->Right())});
    }
    WriteMergedCells(s, merges);
}

}  // namespace qm::xls
