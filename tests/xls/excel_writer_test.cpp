// The workbook stream as built in memory: order of records, fonts, formats, cell formats, colours,
// shared strings, sheet offsets, and each worksheet's cells, row blocks and merged ranges.
#include "xls/excel_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/xls/xls_test_util.h"

using namespace qm::xls;
using xlstest::Record;

namespace {

struct Built {
    Bytes stream;
    std::vector<Record> records;
    std::vector<Record> With(uint16_t id) const { return xlstest::RecordsWithId(records, id); }
    // The records of one sheet, BOF to EOF, found through its BOUNDSHEET offset.
    std::vector<Record> Sheet(int i) const {
        uint32_t bof = With(0x0085).at(i).U32(0);
        std::vector<Record> out;
        auto it = std::find_if(records.begin(), records.end(),
                               [&](const Record& r) { return r.Position == bof; });
        for (; it != records.end(); ++it) {
            out.push_back(*it);
            if (it->Id == 0x000A) break;
        }
        return out;
    }
};

Built Build(TvteXLSWorkbook& book) {
    TMemStream s;
    TvteExcelWriter().WriteWorkbook(s, &book);
    return {s.Data(), xlstest::Records(s.Data())};
}

std::vector<uint16_t> Ids(const std::vector<Record>& records) {
    std::vector<uint16_t> ids;
    for (const Record& r : records) ids.push_back(r.Id);
    return ids;
}

// The value or blank cell record at a cell.
const Record* CellAt(const std::vector<Record>& sheet, uint16_t row, uint16_t col) {
    for (const Record& r : sheet)
        if ((r.Id == 0x0203 || r.Id == 0x00FD || r.Id == 0x0201) && r.U16(0) == row &&
            r.U16(2) == col)
            return &r;
    return nullptr;
}

uint16_t XFAt(const std::vector<Record>& sheet, uint16_t row, uint16_t col) {
    const Record* r = CellAt(sheet, row, col);
    EXPECT_NE(r, nullptr) << "no cell at " << row << "," << col;
    return r ? r->U16(4) : 0;
}

std::vector<uint16_t> Repeat(uint16_t id, int n) {
    return std::vector<uint16_t>(n, id);
}

}  // namespace

TEST(ExcelWriter, GlobalsAndSheetRecordsComeInTheirOrder) {
    TvteXLSWorkbook book;
    book.AddSheet()->Range(0, 0, 0, 0)->SetValue(AnsiString("text"));
    Built b = Build(book);
    std::vector<uint16_t> expected = {
        0x0809, 0x00E1, 0x00C1, 0x00E2, 0x005C, 0x0042, 0x0161, 0x01C0, 0x013D, 0x009C, 0x0019,
        0x0012, 0x0013, 0x01AF, 0x01BC, 0x003D, 0x0040, 0x008D, 0x0022, 0x000E, 0x01B7, 0x00DA};
    for (auto part :
         {Repeat(0x0031, 5), Repeat(0x041E, 8), Repeat(0x00E0, 15 + 1 + 5 + 1), Repeat(0x0293, 6)})
        expected.insert(expected.end(), part.begin(), part.end());
    for (uint16_t id : {0x0160, 0x0085, 0x008C, 0x00FC, 0x00FF, 0x000A}) expected.push_back(id);
    for (uint16_t id :
         {0x0809, 0x020B, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A, 0x002B,
          0x0082, 0x0080, 0x0225, 0x0081, 0x0083, 0x0084, 0x0026, 0x0027, 0x0028, 0x0029,
          0x00A1, 0x0055, 0x0200, 0x0208, 0x00FD, 0x00D7, 0x023E, 0x001D, 0x000A})
        expected.push_back(id);
    EXPECT_EQ(Ids(b.records), expected);
    EXPECT_EQ(b.With(0x0085).at(0).U32(0), b.Sheet(0).front().Position);
}

TEST(ExcelWriter, WorkbookWithoutTextHasNoSharedStrings) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->SetValue(1.25);
    sheet->Range(1, 0, 1, 0)->SetValue(TVariant::Currency(-25000));
    Built b = Build(book);
    EXPECT_TRUE(b.With(0x00FC).empty());
    EXPECT_TRUE(b.With(0x00FF).empty());
    auto numbers = xlstest::RecordsWithId(b.Sheet(0), 0x0203);
    ASSERT_EQ(numbers.size(), 2u);
    double v;
    std::memcpy(&v, numbers[1].Data.data() + 6, 8);
    EXPECT_DOUBLE_EQ(v, -2.5);
}

TEST(ExcelWriter, RangeFontsFollowTheFourDefaultsFromIndexFive) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->SetValue(1);
    sheet->Range(1, 0, 1, 0)->Format().Font.Style = fsBold;
    sheet->Range(2, 0, 2, 0)->SetValue(2);  // same font as the first
    TvteXLSRange* own = sheet->Range(3, 0, 3, 0);
    own->Format().Font.Name = "Courier New";
    own->Format().Font.SetSize(12);
    own->Format().Font.Style = fsItalic | fsUnderline | fsStrikeOut;
    own->Format().Font.Color = clRed;
    TvteXLSRange* likeDefault = sheet->Range(4, 0, 4, 0);
    likeDefault->Format().Font.Color = clWindowText;  // equal to the four defaults

    Built b = Build(book);
    auto fonts = b.With(0x0031);
    ASSERT_EQ(fonts.size(), 7u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(xlstest::Hex(fonts[i].Data),
                  "c8 00 00 00 08 00 64 00 00 00 00 00 01 00 05 01 41 00 72 00 69 00 61 00 6c 00");
    }
    EXPECT_EQ(fonts[4].U16(4), 8);     // black
    EXPECT_EQ(fonts[5].U16(6), 1000);  // bold
    EXPECT_EQ(fonts[6].U16(0), 240);
    EXPECT_EQ(fonts[6].U16(2), 0x000A);
    EXPECT_EQ(fonts[6].U16(4), 10);  // red
    EXPECT_EQ(fonts[6].Data[10], 1);

    auto xfs = b.With(0x00E0);
    auto sheetRecords = b.Sheet(0);
    auto fontOf = [&](uint16_t col) { return xfs.at(XFAt(sheetRecords, 0, col)).U16(0); };
    EXPECT_EQ(fontOf(0), 5);
    EXPECT_EQ(fontOf(1), 6);
    EXPECT_EQ(fontOf(2), 5);
    EXPECT_EQ(fontOf(3), 7);
    EXPECT_EQ(fontOf(4), 1);
}

TEST(ExcelWriter, NumberFormatsAreMatchedIgnoringCaseOrAddedFromFifty) {
    std::string previous = qm::InterfaceCodePage();
    qm::SetInterfaceCodePage("CP1251");
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->Format().NumberFormat = "0.00";
    sheet->Range(0, 1, 0, 1)->Format().NumberFormat = "dd.mm.yyyy";
    sheet->Range(0, 2, 0, 2)->Format().NumberFormat = "0.00";
    sheet->Range(0, 3, 0, 3)->Format().NumberFormat =
        qm::Utf8ToAnsi("#,##0\"р.\";[RED]\\-#,##0\"Р.\"");
    sheet->Range(0, 4, 0, 4)->Format().NumberFormat = "DD.MM.YYYY";
    sheet->Range(0, 5, 0, 5);
    Built b = Build(book);
    qm::SetInterfaceCodePage(previous);

    auto formats = b.With(0x041E);
    ASSERT_EQ(formats.size(), 10u);
    const uint16_t indexes[] = {5, 6, 7, 8, 42, 41, 44, 43, 50, 51};
    for (size_t i = 0; i < formats.size(); ++i) EXPECT_EQ(formats[i].U16(0), indexes[i]);
    EXPECT_EQ(
        xlstest::Hex(formats[0].Data),
        "05 00 15 00 01 23 00 2c 00 23 00 23 00 30 00 22 00 40 04 2e 00 22 00 3b 00 5c 00 2d 00 "
        "23 00 2c 00 23 00 23 00 30 00 22 00 40 04 2e 00 22 00");
    EXPECT_EQ(xlstest::Hex(formats[8].Data), "32 00 04 00 01 30 00 2e 00 30 00 30 00");
    auto xfs = b.With(0x00E0);
    auto records = b.Sheet(0);
    auto formatOf = [&](uint16_t row) { return xfs.at(XFAt(records, row, 0)).U16(2); };
    EXPECT_EQ(formatOf(0), 50);
    EXPECT_EQ(formatOf(1), 51);
    EXPECT_EQ(formatOf(2), 50);
    EXPECT_EQ(formatOf(3), 6);
    EXPECT_EQ(formatOf(4), 51);
    EXPECT_EQ(formatOf(5), 0);
}

TEST(ExcelWriter, EqualCellFormatsAreSharedAndMergedRangesGetTheirOwn) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->SetValue(1);
    sheet->Range(1, 0, 1, 0)->SetValue(AnsiString("x"));
    sheet->Range(0, 1, 1, 1)->SetValue(2);  // two cells, otherwise alike
    Built b = Build(book);
    auto xfs = b.With(0x00E0);
    ASSERT_EQ(xfs.size(), 15u + 1 + 5 + 2);
    auto records = b.Sheet(0);
    EXPECT_EQ(XFAt(records, 0, 0), 21);
    EXPECT_EQ(XFAt(records, 0, 1), 21);
    EXPECT_EQ(XFAt(records, 1, 0), 22);
    EXPECT_EQ(XFAt(records, 1, 1), 22);
    EXPECT_EQ(xfs[21].Data[8], 0);
    EXPECT_EQ(xfs[22].Data[8], 0x20);
    EXPECT_EQ(xlstest::Hex(xfs[15].Data),
              "00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 c0 20");
    EXPECT_EQ(xlstest::Hex(xfs[21].Data),
              "05 00 00 00 01 00 20 00 00 7c 00 00 00 00 00 00 00 00 08 04");
    // The STYLE records name style formats, never cell formats.
    for (const Record& style : b.With(0x0293)) {
        uint16_t xf = style.U16(0) & 0x0FFF;
        EXPECT_EQ(xfs.at(xf).U16(4) & 0x0004, 0x0004) << "STYLE points at cell format " << xf;
    }
}

TEST(ExcelWriter, CellFormatCarriesAlignmentBordersAndFill) {
    TvteXLSWorkbook book;
    TvteXLSRange* r = book.AddSheet()->Range(0, 0, 0, 0);
    r->Format().HorizontalAlignment = 3;
    r->Format().WrapText = true;
    r->Format().VerticalAlignment = 1;
    r->Format().Rotation = 90;
    auto set = [&](int i, uint8_t style, TColor color) {
        r->Format().Borders.Border(i).LineStyle = style;
        r->Format().Borders.Border(i).Color = color;
    };
    set(bdLeft, 1, clRed);
    set(bdRight, 2, clBlue);
    set(bdTop, 3, clLime);
    set(bdBottom, 6, clBlack);
    set(bdDiagonalUp, 4, clRed);
    set(bdDiagonalDown, 1, clGreen);
    r->Format().FillPattern = 1;
    r->Format().FillForeColor = clYellow;
    r->Format().FillBackColor = clWhite;
    Built b = Build(book);
    EXPECT_EQ(xlstest::Hex(b.With(0x00E0).at(21).Data),
              "05 00 00 00 01 00 1b 5a 00 7c 21 63 0a c6 0b 84 82 04 8d 04");
    EXPECT_TRUE(b.With(0x0092).empty());  // only palette colours were used

    // Only the other diagonal: its colour and style fill the diagonal fields.
    r->Format().Borders.Border(bdDiagonalUp).LineStyle = 0;
    r->Format().FillPattern = 0;
    b = Build(book);
    const Record xf = b.With(0x00E0).at(21);
    EXPECT_EQ(xf.U16(12) & 0xC000, 0x4000);
    EXPECT_EQ((xf.U32(14) >> 14) & 0x7F, 17u);  // green
    EXPECT_EQ((xf.U32(14) >> 21) & 0x0F, 1u);
    EXPECT_EQ(xf.U32(14) >> 26, 0u);
}

TEST(ExcelWriter, NewColoursTakeFreePalettePositions) {
    TvteExcelWriter w;
    EXPECT_EQ(w.GetColorIndex(clBlack), 0);
    EXPECT_EQ(w.GetColorIndex(clRed), 2);
    EXPECT_EQ(w.GetColorIndex(clWindowText), w.GetColorIndex(SysColorValue(clWindowText)));
    EXPECT_FALSE(w.PaletteChanged);
    EXPECT_EQ(w.GetColorIndex(RGB(0x99, 0x99, 0xFF)), 16);  // already there; now in use
    EXPECT_EQ(w.GetColorIndex(RGB(1, 2, 3)), 17);
    EXPECT_EQ(w.Palette[17], RGB(1, 2, 3));
    EXPECT_TRUE(w.PaletteChanged);
    EXPECT_EQ(w.GetColorIndex(RGB(1, 2, 3)), 17);
    // Positions holding a standard colour are never given away; when none is left, white.
    int last = 0;
    for (uint8_t i = 0; i < 30; ++i) last = w.GetColorIndex(RGB(10, 20, i));
    EXPECT_EQ(last, 55);
    EXPECT_EQ(w.GetColorIndex(RGB(200, 100, 50)), 1);
    EXPECT_EQ(w.Palette[1], clWhite);

    TvteXLSWorkbook book;
    TvteXLSRange* r = book.AddSheet()->Range(0, 0, 0, 0);
    r->Format().FillPattern = 1;
    r->Format().FillForeColor = RGB(1, 2, 3);
    r->Format().Borders.Border(bdTop).LineStyle = 1;
    r->Format().Borders.Border(bdTop).Color = RGB(4, 5, 6);
    Built b = Build(book);
    auto palettes = b.With(0x0092);
    ASSERT_EQ(palettes.size(), 1u);
    EXPECT_EQ(palettes[0].U32(2 + 16 * 4), RGB(4, 5, 6));
    EXPECT_EQ(palettes[0].U32(2 + 17 * 4), RGB(1, 2, 3));
    const Record xf = b.With(0x00E0).at(21);
    EXPECT_EQ(xf.U32(14) & 0x7F, 24u);
    EXPECT_EQ(xf.U16(18) & 0x7F, 25);
}

TEST(ExcelWriter, EveryTextRangeGetsItsOwnSharedString) {
    qm::FormatSettings().ShortDateFormat = "dd.mm.yyyy";
    qm::FormatSettings().DateSeparator = '.';
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->SetValue(AnsiString("same"));
    sheet->Range(0, 1, 0, 1)->SetValue(AnsiString("same"));
    sheet->Range(0, 2, 0, 2)->SetValue(AnsiString(""));
    sheet->Range(0, 3, 0, 3);  // no value
    sheet->Range(0, 4, 0, 4)->SetValue(true);
    sheet->Range(0, 5, 0, 5)->SetValue(TVariant::Date(qm::EncodeDate(2023, 12, 31)));
    sheet->Range(0, 6, 0, 6)->SetValue(std::u16string(u"ш"));
    Built b = Build(book);
    auto records = b.Sheet(0);
    auto sstOf = [&](uint16_t row) {
        const Record* r = CellAt(records, row, 0);
        return r && r->Id == 0x00FD ? static_cast<int>(r->U32(6)) : -1;
    };
    EXPECT_EQ(sstOf(0), 0);
    EXPECT_EQ(sstOf(1), 1);
    EXPECT_EQ(CellAt(records, 2, 0)->Id, 0x0201);  // empty text: a formatted empty cell
    EXPECT_EQ(CellAt(records, 3, 0)->Id, 0x0201);
    EXPECT_EQ(sstOf(4), 2);
    EXPECT_EQ(sstOf(5), 3);
    EXPECT_EQ(sstOf(6), 4);
    const Record sst = b.With(0x00FC).at(0);
    EXPECT_EQ(sst.U32(0), 5u);
    EXPECT_EQ(sst.U32(4), 5u);
    std::string hex = xlstest::Hex(sst.Data);
    EXPECT_NE(hex.find("04 00 01 54 00 72 00 75 00 65 00"), std::string::npos);        // True
    EXPECT_NE(hex.find("0a 00 01 33 00 31 00 2e 00 31 00 32 00"), std::string::npos);  // 31.12...
    EXPECT_NE(hex.find("01 00 01 48 04"), std::string::npos);
}

TEST(ExcelWriter, ExtSstEntriesPointAtStringHeaders) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    for (int i = 0; i < 1500; ++i)
        sheet->Range(0, i, 0, i)->SetValue(AnsiString(20 + i % 7, 'a' + i % 26));
    Built b = Build(book);
    auto ext = b.With(0x00FF).at(0);
    uint16_t bucket = ext.U16(0);
    EXPECT_EQ(bucket, 1500 / 128 + 1);
    size_t entries = (ext.Data.size() - 2) / 8;
    EXPECT_EQ(entries, (1500 + bucket - 1) / bucket);
    for (size_t e = 0; e < entries; ++e) {
        uint32_t pos = ext.U32(2 + e * 8);
        uint16_t offset = ext.U16(6 + e * 8);
        int stringIndex = static_cast<int>(e * bucket);
        EXPECT_EQ(b.stream[pos] | b.stream[pos + 1] << 8, 20 + stringIndex % 7);
        EXPECT_EQ(b.stream[pos + 3], 'a' + stringIndex % 26);
        bool recordStart = std::any_of(b.records.begin(), b.records.end(), [&](const Record& r) {
            return r.Position == pos - offset && (r.Id == 0x00FC || r.Id == 0x003C);
        });
        EXPECT_TRUE(recordStart) << "bucket " << e;
    }
}

TEST(ExcelWriter, BoundSheetOffsetsPointAtEachSheetsBof) {
    TvteXLSWorkbook book;
    for (int i = 0; i < 3; ++i) book.AddSheet()->Range(0, i, 1, i + 40)->SetValue(i);
    book.Sheet(1)->SetName("Second");
    Built b = Build(book);
    auto bounds = b.With(0x0085);
    ASSERT_EQ(bounds.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        auto sheet = b.Sheet(i);
        ASSERT_FALSE(sheet.empty());
        EXPECT_EQ(sheet.front().Id, 0x0809);
        EXPECT_EQ(sheet.front().U16(2), 0x0010);
        EXPECT_EQ(sheet.back().Id, 0x000A);
        EXPECT_EQ(XFAt(sheet, static_cast<uint16_t>(i), 0), 21);
        bool selected = xlstest::RecordsWithId(sheet, 0x023E).at(0).U16(0) & 0x0200;
        EXPECT_EQ(selected, i == 0);
    }
    EXPECT_EQ(xlstest::Hex(bounds[1].Data).substr(18), "06 01 53 00 65 00 63 00 6f 00 6e 00 64 00");
    EXPECT_EQ(xlstest::Hex(b.With(0x013D).at(0).Data), "00 00 01 00 02 00");
}

TEST(ExcelWriter, ARangeWritesItsValueInTheTopLeftCellAndBlanksElsewhere) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(3, 2, 3, 2)->SetValue(4.5);
    Built b = Build(book);
    auto records = b.Sheet(0);
    auto cells = [](const std::vector<Record>& rs) {
        std::vector<uint16_t> ids;
        bool in = false;
        for (const Record& r : rs) {
            if (r.Id == 0x00D7) in = false;
            if (in) ids.push_back(r.Id);
            if (r.Id == 0x0200) in = true;
        }
        return ids;
    };
    EXPECT_EQ(cells(records), (std::vector<uint16_t>{0x0208, 0x0203}));
    EXPECT_TRUE(xlstest::RecordsWithId(records, 0x00E5).empty());

    TvteXLSWorkbook book2;
    book2.AddSheet()->Range(1, 0, 2, 2)->SetValue(AnsiString("merged"));
    records = Build(book2).Sheet(0);
    EXPECT_EQ(cells(records),
              (std::vector<uint16_t>{0x0208, 0x0208, 0x0208, 0x00FD, 0x0201, 0x00BE, 0x00BE}));
    auto rows = xlstest::RecordsWithId(records, 0x0208);
    for (const Record& row : rows) {
        EXPECT_EQ(row.U16(2), 1);
        EXPECT_EQ(row.U16(4), 3);
    }
    auto mul = xlstest::RecordsWithId(records, 0x00BE);
    EXPECT_EQ(xlstest::Hex(mul[0].Data), "01 00 01 00 15 00 15 00 02 00");
    EXPECT_EQ(xlstest::Hex(mul[1].Data), "02 00 01 00 15 00 15 00 02 00");
    EXPECT_EQ(xlstest::Hex(xlstest::RecordsWithId(records, 0x0201)[0].Data), "00 00 02 00 15 00");
    EXPECT_EQ(xlstest::Hex(xlstest::RecordsWithId(records, 0x00E5)[0].Data),
              "01 00 00 00 02 00 01 00 02 00");
}

TEST(ExcelWriter, RowsGoInBlocksOf32WhoseDbcellRecordsLeadToEachRowsFirstCell) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    for (int row = 2; row <= 34; ++row) {
        if (row == 5) continue;  // a row no range touches
        sheet->Range(1, row, 1, row)->SetValue(row);
        sheet->Range(3, row, 4, row)->SetValue(AnsiString("t"));
    }
    Built b = Build(book);
    auto records = b.Sheet(0);
    auto index = xlstest::RecordsWithId(records, 0x020B).at(0);
    auto dbcells = xlstest::RecordsWithId(records, 0x00D7);
    ASSERT_EQ(dbcells.size(), 2u);
    EXPECT_EQ(index.U32(4), 2u);
    EXPECT_EQ(index.U32(8), 35u);
    ASSERT_EQ(index.Data.size(), 16u + 8);
    EXPECT_EQ(index.U32(16), dbcells[0].Position);
    EXPECT_EQ(index.U32(20), dbcells[1].Position);

    auto rows = xlstest::RecordsWithId(records, 0x0208);
    ASSERT_EQ(rows.size(), 33u);
    EXPECT_EQ(rows[3].U16(0), 5);
    EXPECT_EQ(rows[3].U16(2), 0);
    EXPECT_EQ(rows[3].U16(4), 0);
    EXPECT_EQ(rows[0].U16(2), 1);
    EXPECT_EQ(rows[0].U16(4), 5);
    // The second block holds one ROW record, directly after the first block's DBCELL.
    EXPECT_EQ(rows[32].Position, dbcells[0].Position + 4 + dbcells[0].Data.size());

    // Follow the offsets: back to the first ROW record, then from its end to each row's first cell.
    for (size_t blk = 0; blk < 2; ++blk) {
        const Record& db = dbcells[blk];
        size_t firstRow = db.Position - db.U32(0);
        EXPECT_EQ(firstRow, rows[blk * 32].Position);
        size_t at = firstRow + 20;
        std::vector<uint16_t> expectedRows;
        for (int r = blk == 0 ? 2 : 34; r <= (blk == 0 ? 33 : 34); ++r)
            if (r != 5) expectedRows.push_back(static_cast<uint16_t>(r));
        ASSERT_EQ((db.Data.size() - 4) / 2, expectedRows.size());
        for (size_t i = 0; i < expectedRows.size(); ++i) {
            at += db.U16(4 + i * 2);
            auto cell = std::find_if(records.begin(), records.end(),
                                     [&](const Record& r) { return r.Position == at; });
            ASSERT_NE(cell, records.end());
            EXPECT_EQ(cell->Id, 0x0203);
            EXPECT_EQ(cell->U16(0), expectedRows[i]);
            EXPECT_EQ(cell->U16(2), 1);
        }
    }
}

TEST(ExcelWriter, SheetWithoutRangesHasNoRowsCellsOrMerges) {
    TvteXLSWorkbook book;
    book.AddSheet()->Col(2)->Width = 4000;
    book.AddSheet()->Range(0, 0, 1, 0);
    Built b = Build(book);
    auto records = b.Sheet(0);
    EXPECT_EQ(xlstest::Hex(xlstest::RecordsWithId(records, 0x0200).at(0).Data),
              "00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(xlstest::Hex(xlstest::RecordsWithId(records, 0x020B).at(0).Data),
              "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    for (uint16_t id : {0x0208, 0x00D7, 0x00E5})
        EXPECT_TRUE(xlstest::RecordsWithId(records, id).empty());
    EXPECT_EQ(xlstest::Hex(xlstest::RecordsWithId(records, 0x007D).at(0).Data),
              "02 00 02 00 a0 0f 00 00 00 00 00 00");
    EXPECT_EQ(xlstest::RecordsWithId(b.Sheet(1), 0x00E5).size(), 1u);
}

TEST(ExcelWriter, HeaderAndFooterAreBuiltFromTheirNonEmptyParts) {
    TvteXLSWorkbook book;
    TvteXLSPageSetup& p = book.AddSheet()->PageSetup;
    p.LeftHeader = "L";
    p.RightHeader = "R";
    p.CenterFooter = "Page";
    auto header = xlstest::RecordsWithId(Build(book).Sheet(0), 0x0014);
    ASSERT_EQ(header.size(), 1u);
    EXPECT_EQ(xlstest::Hex(header[0].Data), "06 00 01 26 00 4c 00 4c 00 26 00 52 00 52 00");
    auto footer = xlstest::RecordsWithId(Build(book).Sheet(0), 0x0015);
    EXPECT_EQ(xlstest::Hex(footer.at(0).Data), "06 00 01 26 00 43 00 50 00 61 00 67 00 65 00");
    p = TvteXLSPageSetup();
    auto sheet = Build(book).Sheet(0);
    EXPECT_TRUE(xlstest::RecordsWithId(sheet, 0x0014).empty());
    EXPECT_TRUE(xlstest::RecordsWithId(sheet, 0x0015).empty());
}

TEST(ExcelWriter, WhatTheFileCannotHoldIsRefusedAndTheRangesAreLeftClean) {
    auto failure = [](auto spoil) {
        TvteXLSWorkbook book;
        TvteXLSWorksheet* sheet = book.AddSheet();
        TvteXLSRange* r = sheet->Range(0, 0, 0, 0);
        r->SetValue(AnsiString("x"));
        spoil(*sheet, *r);
        TMemStream s;
        try {
            TvteExcelWriter().WriteWorkbook(s, &book);
        } catch (const EXLSError& e) {
            EXPECT_EQ(r->WriterData, kNoWriterData);
            return e.Message;
        }
        return std::string("no error");
    };
    EXPECT_EQ(failure([](auto& s, auto&) { s.Col(1)->Width = 65281; }),
              "Column width 65281 is outside what a worksheet can hold (0 to 65280)");
    EXPECT_EQ(failure([](auto& s, auto&) { s.Col(1)->Width = -1; }),
              "Column width -1 is outside what a worksheet can hold (0 to 65280)");
    EXPECT_EQ(failure([](auto& s, auto&) { s.PageSetup.CenterHeader = std::string(254, 'h'); }),
              "The page header of 256 characters is longer than a page header can hold (255)");
    EXPECT_EQ(failure([](auto& s, auto&) { s.PageSetup.LeftFooter = std::string(300, 'f'); }),
              "The page footer of 302 characters is longer than a page footer can hold (255)");
    EXPECT_EQ(failure([](auto&, auto& r) { r.Format().FillPattern = 19; }),
              "Fill pattern 19 is not one a cell format can hold (0 to 18)");
    EXPECT_EQ(
        failure([](auto&, auto& r) { r.Format().Font.Name = std::string(256, 'n'); }).substr(0, 15),
        "The font name \"");
    EXPECT_EQ(failure([](auto&, auto& r) {
                  r.Format().NumberFormat = std::string(256, '0');
              }).substr(0, 19),
              "The number format \"");
    EXPECT_EQ(failure([](auto& s, auto&) { s.PageSetup.CenterHeader = std::string(253, 'h'); }),
              "no error");
    EXPECT_EQ(failure([](auto& s, auto&) { s.Col(1)->Width = 65280; }), "no error");
}

TEST(ExcelWriter, RecordsCannotBeWrittenOutsideAWorkbook) {
    TvteExcelWriter w;
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSRange* r = sheet->Range(0, 0, 0, 0);
    TMemStream s;
    EXPECT_THROW(w.WriteRecord(0x000A, nullptr, 0), EXLSError);
    EXPECT_THROW(w.WriteHexRecord("0a 00 00 00"), EXLSError);
    EXPECT_THROW(w.WriteSheet(s, sheet), EXLSError);
    EXPECT_THROW(w.WriteCell(s, *r, 0), EXLSError);
    EXPECT_EQ(s.Size(), 0u);
    // A writer can be used again after a save.
    w.WriteWorkbook(s, &book);
    TMemStream again;
    w.WriteWorkbook(again, &book);
    EXPECT_EQ(again.Data(), s.Data());
}

// Along a column, cells that differ in any one part of their format get their own cell format,
// the same one a cell with that format alone gets, and cells alike share one.
TEST(ExcelWriter, EveryPartOfACellFormatTellsCellsOfAColumnApart) {
    const std::vector<std::pair<const char*, std::function<void(TvteXLSRange&)>>> changes = {
        {"left line", [](TvteXLSRange& r) { r.Format().Borders.Border(bdLeft).LineStyle = 2; }},
        {"right colour", [](TvteXLSRange& r) { r.Format().Borders.Border(bdRight).Color = clRed; }},
        {"top colour",
         [](TvteXLSRange& r) { r.Format().Borders.Border(bdTop).Color = RGB(1, 2, 3); }},
        {"bottom line", [](TvteXLSRange& r) { r.Format().Borders.Border(bdBottom).LineStyle = 6; }},
        {"diagonal",
         [](TvteXLSRange& r) { r.Format().Borders.Border(bdDiagonalUp).LineStyle = 1; }},
        {"diagonal colour",
         [](TvteXLSRange& r) {
             r.Format().Borders.Border(bdDiagonalDown).LineStyle = 1;
             r.Format().Borders.Border(bdDiagonalDown).Color = clBlue;
         }},
        {"horizontal", [](TvteXLSRange& r) { r.Format().HorizontalAlignment = 3; }},
        {"vertical", [](TvteXLSRange& r) { r.Format().VerticalAlignment = 0; }},
        {"wrap", [](TvteXLSRange& r) { r.Format().WrapText = true; }},
        {"rotation", [](TvteXLSRange& r) { r.Format().Rotation = 45; }},
        {"fill", [](TvteXLSRange& r) { r.Format().FillPattern = 2; }},
        {"fill fore", [](TvteXLSRange& r) { r.Format().FillForeColor = clAqua; }},
        {"fill back", [](TvteXLSRange& r) { r.Format().FillBackColor = RGB(9, 8, 7); }},
        {"font", [](TvteXLSRange& r) { r.Format().Font.Style = fsItalic; }},
        {"number format", [](TvteXLSRange& r) { r.Format().NumberFormat = "0.000"; }},
    };
    // Every line thin, so that a line's colour shows in the record.
    auto framed = [](TvteXLSRange& r) {
        for (int b = bdBottom; b <= bdTop; ++b) r.Format().Borders.Border(b).LineStyle = 1;
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        // The same two formats in a sheet of two cells.
        TvteXLSWorkbook pair;
        TvteXLSWorksheet& two = *pair.AddSheet();
        framed(*two.Range(0, 0, 0, 0));
        two.Range(0, 0, 0, 0)->SetValue(1);
        TvteXLSRange& single = *two.Range(0, 1, 0, 1);
        framed(single);
        change(single);
        single.SetValue(1);
        Built small = Build(pair);
        const Bytes expected = small.With(0x00E0).at(XFAt(small.Sheet(0), 1, 0)).Data;

        TvteXLSWorkbook book;
        TvteXLSWorksheet& sheet = *book.AddSheet();
        for (int row = 0; row < 6; ++row) {
            TvteXLSRange& r = *sheet.Range(0, row, 0, row);
            framed(r);
            if (row % 2 == 1) change(r);
            r.SetValue(row);
        }
        TvteXLSRange& other = *sheet.Range(1, 3, 1, 3);  // the changed format, another column
        framed(other);
        change(other);
        other.SetValue(7);
        Built b = Build(book);
        const auto records = b.Sheet(0);
        const auto xfs = b.With(0x00E0);
        const uint16_t plain = XFAt(records, 0, 0), changed = XFAt(records, 1, 0);
        EXPECT_NE(plain, changed);
        for (uint16_t row = 2; row < 6; ++row)
            EXPECT_EQ(XFAt(records, row, 0), row % 2 ? changed : plain) << "row " << row;
        EXPECT_EQ(XFAt(records, 3, 1), changed);
        EXPECT_EQ(xlstest::Hex(xfs.at(changed).Data), xlstest::Hex(expected));
        EXPECT_EQ(xfs.size(), 15u + 1 + 5 + 2);
    }
}

// A sheet's ranges shown in shared formats are written byte for byte as the same ranges each
// given the same format of its own, the range changed after sharing included.
TEST(ExcelWriter, RangesSharingAFormatAreWrittenAsRangesWithFormatsOfTheirOwn) {
    auto dressed = [](TvteXLSFormat& f, int kind) {
        f.Borders.Border(bdBottom).LineStyle = static_cast<uint8_t>(1 + kind % 2);
        f.Borders.Border(bdLeft).Color = kind == 2 ? clRed : clBlack;
        if (kind >= 1) f.NumberFormat = kind == 1 ? "0.00" : "0.000";
        if (kind == 2) f.Font.Style = fsItalic;
        if (kind == 3) f.Font.Name = "Courier New";
    };
    auto value = [](int i) {
        return i % 3 == 0 ? TVariant(AnsiString("t") + std::to_string(i)) : TVariant(i * 1.5);
    };
    constexpr int kRows = 40, kCols = 4;
    TvteXLSWorkbook own, shared;
    TvteXLSWorksheet* a = own.AddSheet();
    TvteXLSWorksheet* b = shared.AddSheet();
    std::vector<const TvteXLSFormat*> formats;
    for (int kind = 0; kind < kCols; ++kind) {
        TvteXLSFormat f;
        dressed(f, kind);
        formats.push_back(b->AddFormat(f));
    }
    const std::vector<TvteXLSRange*> cellsA = a->AddCells(0, 0, kCols - 1, kRows - 1);
    const std::vector<TvteXLSRange*> cellsB = b->AddCells(0, 0, kCols - 1, kRows - 1);
    for (int i = 0; i < kRows * kCols; ++i) {
        dressed(cellsA[i]->Format(), i % kCols);
        cellsA[i]->SetValue(value(i));
        cellsB[i]->ShareFormat(formats[i % kCols]);
        cellsB[i]->SetValue(value(i));
    }
    cellsA[5]->Format().HorizontalAlignment = 3;
    cellsB[5]->Format().HorizontalAlignment = 3;
    const Built written = Build(own), sharing = Build(shared);
    EXPECT_EQ(xlstest::Hex(sharing.stream), xlstest::Hex(written.stream));
    EXPECT_EQ(XFAt(sharing.Sheet(0), 1, 1), XFAt(written.Sheet(0), 1, 1));
    EXPECT_NE(XFAt(sharing.Sheet(0), 1, 1), XFAt(sharing.Sheet(0), 2, 1));
}
