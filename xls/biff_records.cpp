// The record writers of the workbook globals and of a worksheet.
#include "xls/biff_records.h"

#include <algorithm>

#include "xls/workbook.h"

namespace qm::xls {

namespace {

void U16Record(TMemStream& s, uint16_t id, uint16_t v) {
    WriteRecord(s, id, TRecordData().U16(v));
}

void EmptyRecord(TMemStream& s, uint16_t id) {
    WriteRecord(s, id, nullptr, 0);
}

void HexRecord(TMemStream& s, const char* hex) {
    s.Write(ParseHex(hex));
}

// Text with its 16-bit character count and the option byte of uncompressed UTF-16.
TRecordData& LongText(TRecordData& d, const std::u16string& text) {
    return d.U16(static_cast<uint16_t>(text.size())).U8(1).Text16(text);
}

void MarginRecord(TMemStream& s, uint16_t id, double inches) {
    WriteRecord(s, id, TRecordData().F64(inches));
}

}  // namespace

// BOF of the workbook globals.
void WriteGlobalsBOF(TMemStream& s) {
    WriteRecord(s, 0x0809,
                TRecordData()
                    .U16(0x0600)
                    .U16(kBofWorkbookGlobals)
                    .U16(0x0DBB)
                    .U16(0x07CC)
                    .U32(0)
                    .U32(0x0600));
}

// INTERFACEHDR: the code page of the user interface.
void WriteInterfaceHdr(TMemStream& s) {
    U16Record(s, 0x00E1, 1252);
}

// MMS.
void WriteMMS(TMemStream& s) {
    U16Record(s, 0x00C1, 0);
}

// INTERFACEEND.
void WriteInterfaceEnd(TMemStream& s) {
    EmptyRecord(s, 0x00E2);
}

// WRITEACCESS: the user name as a counted UTF-16 string, the rest of the 112 bytes spaces.
void WriteWriteAccess(TMemStream& s, const std::u16string& userName) {
    TRecordData d;
    LongText(d, userName.substr(0, kMaxWriteAccessChars));
    d.Fill(112 - d.Size(), 0x20);
    WriteRecord(s, 0x005C, d);
}

// CODEPAGE.
void WriteCodePage(TMemStream& s) {
    U16Record(s, 0x0042, 1252);
}

// DSF: no double stream.
void WriteDSF(TMemStream& s) {
    U16Record(s, 0x0161, 0);
}

// EXCEL9FILE.
void WriteExcel9File(TMemStream& s) {
    EmptyRecord(s, 0x01C0);
}

// TABID: one id per sheet, in sheet order.
void WriteTabId(TMemStream& s, int sheetCount) {
    TRecordData d;
    for (int i = 0; i < sheetCount; ++i) d.U16(static_cast<uint16_t>(i));
    WriteRecord(s, 0x013D, d);
}

// FNGROUPCOUNT.
void WriteFnGroupCount(TMemStream& s) {
    U16Record(s, 0x009C, 14);
}

// WINDOWPROTECT.
void WriteWindowProtect(TMemStream& s) {
    U16Record(s, 0x0019, 0);
}

// PROTECT.
void WriteProtect(TMemStream& s) {
    U16Record(s, 0x0012, 0);
}

// PASSWORD.
void WritePassword(TMemStream& s) {
    U16Record(s, 0x0013, 0);
}

// PROT4REV.
void WriteProt4Rev(TMemStream& s) {
    U16Record(s, 0x01AF, 0);
}

// PROT4REVPASS.
void WriteProt4RevPass(TMemStream& s) {
    U16Record(s, 0x01BC, 0);
}

// WINDOW1: window position and size, scroll bars and sheet tabs shown, first sheet active.
void WriteWindow1(TMemStream& s) {
    WriteRecord(
        s, 0x003D,
        TRecordData().U16(360).U16(30).U16(7454).U16(6240).U16(0x0038).U16(0).U16(0).U16(1).U16(
            600));
}

// BACKUP.
void WriteBackup(TMemStream& s) {
    U16Record(s, 0x0040, 0);
}

// HIDEOBJ.
void WriteHideObj(TMemStream& s) {
    U16Record(s, 0x008D, 0);
}

// DATEMODE: the 1900 date system.
void WriteDateMode(TMemStream& s) {
    U16Record(s, 0x0022, 0);
}

// PRECISION.
void WritePrecision(TMemStream& s) {
    U16Record(s, 0x000E, 1);
}

// REFRESHALL.
void WriteRefreshAll(TMemStream& s) {
    U16Record(s, 0x01B7, 0);
}

// BOOKBOOL.
void WriteBookBool(TMemStream& s) {
    U16Record(s, 0x00DA, 0);
}

// FONT. The weights are 1000 and 100, which readers take as bold and normal.
void WriteFont(TMemStream& s, const TFontRecord& f) {
    TRecordData d;
    d.U16(f.HeightTwips)
        .U16(static_cast<uint16_t>((f.Italic ? 0x0002 : 0) | (f.StrikeOut ? 0x0008 : 0)))
        .U16(f.ColorIndex)
        .U16(f.Bold ? 1000 : 100)
        .U16(0)
        .U8(f.Underline ? 1 : 0)
        .U8(f.Family)
        .U8(f.Charset)
        .U8(0)
        .U8(static_cast<uint8_t>(f.Name.size()))
        .U8(1)
        .Text16(f.Name);
    WriteRecord(s, 0x0031, d);
}

// FORMAT: a number format and its index.
void WriteFormat(TMemStream& s, uint16_t index, const std::u16string& text) {
    TRecordData d;
    d.U16(index);
    WriteRecord(s, 0x041E, LongText(d, text));
}

// XF: the fifteen style formats every workbook starts with (Normal and the outline levels).
void WriteStyleXFs(TMemStream& s) {
    HexRecord(s, "e0 00 14 00 00 00 00 00 f5 ff 20 00 00 00 00 00 00 00 00 00 00 00 c0 20");
    for (int i = 0; i < 2; ++i)
        HexRecord(s, "e0 00 14 00 01 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20");
    for (int i = 0; i < 2; ++i)
        HexRecord(s, "e0 00 14 00 02 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20");
    for (int i = 0; i < 10; ++i)
        HexRecord(s, "e0 00 14 00 00 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20");
}

// XF: the style formats of the built-in number styles the STYLE records name, at indexes 16 to
// 20 in the order those records use: currency, currency [0], percent, comma, comma [0].
void WriteBuiltInStyleXFs(TMemStream& s) {
    HexRecord(s, "e0 00 14 00 01 00 2c 00 f5 ff 20 00 00 f8 00 00 00 00 00 00 00 00 c0 20");
    HexRecord(s, "e0 00 14 00 01 00 2a 00 f5 ff 20 00 00 f8 00 00 00 00 00 00 00 00 c0 20");
    HexRecord(s, "e0 00 14 00 01 00 09 00 f5 ff 20 00 00 f8 00 00 00 00 00 00 00 00 c0 20");
    HexRecord(s, "e0 00 14 00 01 00 2b 00 f5 ff 20 00 00 f8 00 00 00 00 00 00 00 00 c0 20");
    HexRecord(s, "e0 00 14 00 01 00 29 00 f5 ff 20 00 00 f8 00 00 00 00 00 00 00 00 c0 20");
}

// XF: one cell format.
void WriteXF(TMemStream& s, const TXFBody& body) {
    WriteRecord(s, 0x00E0, body.data(), body.size());
}

// PALETTE: the 56 colours as red, green, blue, 0.
void WritePalette(TMemStream& s, const std::array<uint32_t, 56>& palette) {
    TRecordData d;
    d.U16(56);
    for (uint32_t c : palette) d.U32(c & 0x00FFFFFF);
    WriteRecord(s, 0x0092, d);
}

// STYLE: the built-in styles currency, currency [0], normal, percent, comma, comma [0].
void WriteStyles(TMemStream& s) {
    HexRecord(s, "93 02 04 00 10 80 04 FF");
    HexRecord(s, "93 02 04 00 11 80 07 FF");
    HexRecord(s, "93 02 04 00 00 80 00 FF");
    HexRecord(s, "93 02 04 00 12 80 05 FF");
    HexRecord(s, "93 02 04 00 13 80 03 FF");
    HexRecord(s, "93 02 04 00 14 80 06 FF");
}

// USESELFS.
void WriteUsesElfs(TMemStream& s) {
    U16Record(s, 0x0160, 0);
}

// BOUNDSHEET: a visible worksheet, its BOF position to be filled in later.
size_t WriteBoundSheet(TMemStream& s, const std::u16string& name) {
    size_t field = s.Position() + 4;
    TRecordData d;
    d.U32(0).U16(0).U8(static_cast<uint8_t>(name.size())).U8(1).Text16(name);
    WriteRecord(s, 0x0085, d);
    return field;
}

// COUNTRY.
void WriteCountry(TMemStream& s) {
    WriteRecord(s, 0x008C, TRecordData().U16(7).U16(7));
}

// EXTSST: strings per bucket, then each bucket's stream position and offset in its record.
void WriteExtSST(TMemStream& s, uint16_t bucketSize,
                 const std::vector<std::pair<uint32_t, uint16_t>>& entries) {
    TRecordData d;
    d.U16(bucketSize);
    for (const auto& [position, offset] : entries) d.U32(position).U16(offset).U16(0);
    WriteRecord(s, 0x00FF, d);
}

// EOF.
void WriteEOF(TMemStream& s) {
    EmptyRecord(s, 0x000A);
}

TSSTBuilder::TSSTBuilder(TMemStream& stream, uint32_t stringCount)
    : out_(stream),
      start_(stream.Size()),
      bucketSize_(static_cast<uint16_t>(std::max<uint32_t>(stringCount / 128 + 1, 8))),
      stringCount_(stringCount) {
    if (out_.Position() != start_)
        throw std::logic_error("the shared strings start anywhere but at the stream's end");
    StartRecord(0x00FC);
    const uint8_t counts[8] = {};
    Append(counts, 8);
    fill_ += 8;
}

void TSSTBuilder::Append(const void* data, size_t size) {
    out_.Write(data, size);
}

void TSSTBuilder::StartRecord(uint16_t id) {
    if (fill_ > 0) CloseRecord();
    recordStart_ = out_.Size();
    uint8_t header[4];
    PutU16(header, id);
    PutU16(header + 2, 0);
    Append(header, 4);
    fill_ = 4;
}

void TSSTBuilder::CloseRecord() {
    uint8_t length[2];
    PutU16(length, static_cast<uint16_t>(fill_ - 4));
    out_.Overwrite(recordStart_ + 2, length, 2);
}

void TSSTBuilder::Reserve(size_t chars, size_t more) {
    // Each string's header, and a CONTINUE header with a repeated option byte per full record.
    const size_t bytes = chars * 2 + (stringCount_ > added_ ? stringCount_ - added_ : 0) * 3;
    out_.Reserve(out_.Size() + bytes + (bytes / kMaxRecordData + 1) * 5 + more);
}

void TSSTBuilder::Add(const char16_t* text, size_t length) {
    if (Room() < 5) StartRecord(kContinueId);
    if (added_ % bucketSize_ == 0)
        buckets_.emplace_back(static_cast<uint32_t>(out_.Size()), static_cast<uint16_t>(fill_));
    ++added_;
    uint8_t header[3];
    PutU16(header, static_cast<uint16_t>(length));
    header[2] = 1;
    Append(header, 3);
    fill_ += 3;
    auto src = reinterpret_cast<const uint8_t*>(text);
    size_t left = length * 2;
    while (left > 0) {
        size_t piece = std::min(left, Room()) & ~size_t(1);
        Append(src, piece);
        src += piece;
        left -= piece;
        fill_ += piece;
        if (left > 0 && Room() < 5) {
            StartRecord(kContinueId);
            const uint8_t option = 1;  // the rest of a string starts with its option byte again
            Append(&option, 1);
            fill_ = 5;
        }
    }
}

void TSSTBuilder::Finish() {
    CloseRecord();
    uint8_t counts[8];
    PutU32(counts, added_);
    PutU32(counts + 4, added_);
    out_.Overwrite(start_ + 4, counts, 8);
}

// BOF of a worksheet.
void WriteSheetBOF(TMemStream& s) {
    WriteRecord(s, 0x0809,
                TRecordData().U16(0x0600).U16(kBofWorksheet).U16(0x0DBB).U16(0x07CC).Fill(8, 0));
}

// INDEX: used rows and the position of each row block's DBCELL record.
size_t WriteIndex(TMemStream& s, uint32_t firstRow, uint32_t lastRowPlus1,
                  const std::vector<uint32_t>& dbcells) {
    size_t at = s.Position();
    TRecordData d;
    d.U32(0).U32(firstRow).U32(lastRowPlus1).U32(0);
    for (uint32_t p : dbcells) d.U32(p);
    WriteRecord(s, 0x020B, d);
    return at;
}

// CALCMODE: automatic.
void WriteCalcMode(TMemStream& s) {
    U16Record(s, 0x000D, 1);
}

// CALCCOUNT.
void WriteCalcCount(TMemStream& s) {
    U16Record(s, 0x000C, 100);
}

// REFMODE: A1 references.
void WriteRefMode(TMemStream& s) {
    U16Record(s, 0x000F, 1);
}

// ITERATION.
void WriteIteration(TMemStream& s) {
    U16Record(s, 0x0011, 0);
}

// DELTA: 0.001.
void WriteDelta(TMemStream& s) {
    HexRecord(s, "10 00 08 00 fc a9 f1 d2 4d 62 50 3f");
}

// SAVERECALC.
void WriteSaveRecalc(TMemStream& s) {
    U16Record(s, 0x005F, 1);
}

// PRINTHEADERS.
void WritePrintHeaders(TMemStream& s, bool on) {
    U16Record(s, 0x002A, on ? 1 : 0);
}

// PRINTGRIDLINES.
void WritePrintGridLines(TMemStream& s, bool on) {
    U16Record(s, 0x002B, on ? 1 : 0);
}

// GRIDSET.
void WriteGridSet(TMemStream& s) {
    U16Record(s, 0x0082, 1);
}

// GUTS: no outline.
void WriteGuts(TMemStream& s) {
    WriteRecord(s, 0x0080, TRecordData().Fill(8, 0));
}

// DEFAULTROWHEIGHT.
void WriteDefaultRowHeight(TMemStream& s) {
    WriteRecord(s, 0x0225, TRecordData().U16(0).U16(0x00FF));
}

// WSBOOL.
void WriteWSBool(TMemStream& s) {
    U16Record(s, 0x0081, 0x04C1);
}

// HEADER.
void WriteHeader(TMemStream& s, const std::u16string& text) {
    TRecordData d;
    WriteRecord(s, 0x0014, LongText(d, text));
}

// FOOTER.
void WriteFooter(TMemStream& s, const std::u16string& text) {
    TRecordData d;
    WriteRecord(s, 0x0015, LongText(d, text));
}

// HCENTER.
void WriteHCenter(TMemStream& s, bool on) {
    U16Record(s, 0x0083, on ? 1 : 0);
}

// VCENTER.
void WriteVCenter(TMemStream& s, bool on) {
    U16Record(s, 0x0084, on ? 1 : 0);
}

// LEFTMARGIN.
void WriteLeftMargin(TMemStream& s, double inches) {
    MarginRecord(s, 0x0026, inches);
}

// RIGHTMARGIN.
void WriteRightMargin(TMemStream& s, double inches) {
    MarginRecord(s, 0x0027, inches);
}

// TOPMARGIN.
void WriteTopMargin(TMemStream& s, double inches) {
    MarginRecord(s, 0x0028, inches);
}

// BOTTOMMARGIN.
void WriteBottomMargin(TMemStream& s, double inches) {
    MarginRecord(s, 0x0029, inches);
}

// SETUP: paper, scale, pages, orientation and print options.
void WriteSetup(TMemStream& s, const TvteXLSPageSetup& p) {
    uint16_t flags = (p.Order == 1 ? 0x01 : 0) | (p.Orientation == 0 ? 0x02 : 0) |
                     (p.BlackAndWhite ? 0x08 : 0) | (p.Draft ? 0x10 : 0) |
                     (p.PrintNotes ? 0x20 : 0) | (p.FirstPageNumber != 1 ? 0x80 : 0);
    TRecordData d;
    d.U16(p.PaperSize)
        .U16(static_cast<uint16_t>(p.Zoom))
        .U16(static_cast<uint16_t>(p.FirstPageNumber))
        .U16(static_cast<uint16_t>(p.FitToPagesWide))
        .U16(static_cast<uint16_t>(p.FitToPagesTall))
        .U16(flags)
        .U16(0)
        .U16(0)
        .F64(p.HeaderMargin)
        .F64(p.FooterMargin)
        .U16(static_cast<uint16_t>(p.Copies));
    WriteRecord(s, 0x00A1, d);
}

// DEFCOLWIDTH.
void WriteDefColWidth(TMemStream& s) {
    U16Record(s, 0x0055, 8);
}

// COLINFO: the width of one column.
void WriteColInfo(TMemStream& s, uint16_t col, uint16_t width) {
    WriteRecord(s, 0x007D, TRecordData().U16(col).U16(col).U16(width).U16(0).U16(0).U16(0));
}

// DIMENSIONS: the used area, or zeros while nothing is used.
void WriteDimensions(TMemStream& s, const TSheetDimensions& d) {
    TRecordData r;
    if (d.MinCol >= 0 && d.MinRow >= 0 && d.MaxCol >= 0 && d.MaxRow >= 0)
        r.U32(static_cast<uint32_t>(d.MinRow))
            .U32(static_cast<uint32_t>(d.MaxRow) + 1)
            .U16(static_cast<uint16_t>(d.MinCol))
            .U16(static_cast<uint16_t>(d.MaxCol + 1))
            .U16(0);
    else
        r.Fill(14, 0);
    WriteRecord(s, 0x0200, r);
}

// ROW: default height and format.
void WriteRow(TMemStream& s, uint16_t row, uint16_t firstCol, uint16_t lastColPlus1) {
    TFixedRecord<16>(0x0208)
        .U16(row)
        .U16(firstCol)
        .U16(lastColPlus1)
        .U16(0x00FF)
        .U16(0)
        .U16(0)
        .U16(0)
        .U16(0)
        .WriteTo(s);
}

// NUMBER.
void WriteNumber(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf, double value) {
    TFixedRecord<14>(0x0203).U16(row).U16(col).U16(xf).F64(value).WriteTo(s);
}

// LABELSST.
void WriteLabelSST(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf, uint32_t sst) {
    TFixedRecord<10>(0x00FD).U16(row).U16(col).U16(xf).U32(sst).WriteTo(s);
}

// MULBLANK: formatted empty cells from firstCol to lastCol of one row.
void WriteMulBlank(TMemStream& s, uint16_t row, uint16_t firstCol, uint16_t lastCol, uint16_t xf) {
    TRecordData d;
    d.U16(row).U16(firstCol);
    for (int c = firstCol; c <= lastCol; ++c) d.U16(xf);
    WriteRecord(s, 0x00BE, d.U16(lastCol));
}

// BLANK.
void WriteBlank(TMemStream& s, uint16_t row, uint16_t col, uint16_t xf) {
    TFixedRecord<6>(0x0201).U16(row).U16(col).U16(xf).WriteTo(s);
}

// DBCELL: back to the block's first ROW record, then the steps between the rows' first cells.
void WriteDBCell(TMemStream& s, uint32_t firstRowOffset, const std::vector<uint16_t>& cellOffsets) {
    TRecordData d;
    d.U32(firstRowOffset);
    for (uint16_t o : cellOffsets) d.U16(o);
    WriteRecord(s, 0x00D7, d);
}

// WINDOW2: grid lines, headers, zero values, automatic grid colour, outline symbols, shown.
void WriteWindow2(TMemStream& s, bool selected) {
    uint16_t flags = 0x04B6 | (selected ? 0x0200 : 0);
    WriteRecord(s, 0x023E, TRecordData().U16(flags).U16(0).U16(0).U16(64).Fill(10, 0));
}

// SELECTION: the first cell.
void WriteSelection(TMemStream& s) {
    WriteRecord(s, 0x001D,
                TRecordData().U8(3).U16(0).U16(0).U16(0).U16(1).U16(0).U16(0).U8(0).U8(0));
}

// MERGEDCELLS.
void WriteMergedCells(TMemStream& s, const std::vector<TMergedRange>& merges) {
    for (size_t start = 0; start < merges.size(); start += kMaxMergesPerRecord) {
        size_t n = std::min(kMaxMergesPerRecord, merges.size() - start);
        TRecordData d;
        d.U16(static_cast<uint16_t>(n));
        for (size_t i = start; i < start + n; ++i)
            d.U16(merges[i].Top).U16(merges[i].Bottom).U16(merges[i].Left).U16(merges[i].Right);
        WriteRecord(s, 0x00E5, d);
    }
}

}  // namespace qm::xls
