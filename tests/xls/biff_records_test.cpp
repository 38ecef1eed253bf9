// Byte-exact checks of every record writer, the record framing and the shared string table.
#include "xls/biff_records.h"

#include <gtest/gtest.h>

#include "tests/xls/xls_test_util.h"
#include "xls/workbook.h"

using namespace qm::xls;
using xlstest::HexOf;

namespace {

std::string Spaces(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += " 20";
    return s;
}

std::string Zeros(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += " 00";
    return s;
}

}  // namespace

TEST(BiffRecords, FixedRecordsOfTheWorkbookGlobals) {
    struct Case {
        void (*write)(TMemStream&);
        const char* hex;
    };
    const Case cases[] = {
        {WriteGlobalsBOF, "09 08 10 00 00 06 05 00 bb 0d cc 07 00 00 00 00 00 06 00 00"},
        {WriteInterfaceHdr, "e1 00 02 00 e4 04"},
        {WriteMMS, "c1 00 02 00 00 00"},
        {WriteInterfaceEnd, "e2 00 00 00"},
        {WriteCodePage, "42 00 02 00 e4 04"},
        {WriteDSF, "61 01 02 00 00 00"},
        {WriteExcel9File, "c0 01 00 00"},
        {WriteFnGroupCount, "9c 00 02 00 0e 00"},
        {WriteWindowProtect, "19 00 02 00 00 00"},
        {WriteProtect, "12 00 02 00 00 00"},
        {WritePassword, "13 00 02 00 00 00"},
        {WriteProt4Rev, "af 01 02 00 00 00"},
        {WriteProt4RevPass, "bc 01 02 00 00 00"},
        {WriteWindow1, "3d 00 12 00 68 01 1e 00 1e 1d 60 18 38 00 00 00 00 00 01 00 58 02"},
        {WriteBackup, "40 00 02 00 00 00"},
        {WriteHideObj, "8d 00 02 00 00 00"},
        {WriteDateMode, "22 00 02 00 00 00"},
        {WritePrecision, "0e 00 02 00 01 00"},
        {WriteRefreshAll, "b7 01 02 00 00 00"},
        {WriteBookBool, "da 00 02 00 00 00"},
        {WriteStyles,
         "93 02 04 00 10 80 04 ff 93 02 04 00 11 80 07 ff 93 02 04 00 00 80 00 ff "
         "93 02 04 00 12 80 05 ff 93 02 04 00 13 80 03 ff 93 02 04 00 14 80 06 ff"},
        {WriteUsesElfs, "60 01 02 00 00 00"},
        {WriteCountry, "8c 00 04 00 07 00 07 00"},
        {WriteEOF, "0a 00 00 00"},
    };
    for (const Case& c : cases) EXPECT_EQ(HexOf(c.write), c.hex);
}

TEST(BiffRecords, FixedRecordsOfAWorksheet) {
    struct Case {
        void (*write)(TMemStream&);
        const char* hex;
    };
    const Case cases[] = {
        {WriteSheetBOF, "09 08 10 00 00 06 10 00 bb 0d cc 07 00 00 00 00 00 00 00 00"},
        {WriteCalcMode, "0d 00 02 00 01 00"},
        {WriteCalcCount, "0c 00 02 00 64 00"},
        {WriteRefMode, "0f 00 02 00 01 00"},
        {WriteIteration, "11 00 02 00 00 00"},
        {WriteDelta, "10 00 08 00 fc a9 f1 d2 4d 62 50 3f"},
        {WriteSaveRecalc, "5f 00 02 00 01 00"},
        {WriteGridSet, "82 00 02 00 01 00"},
        {WriteGuts, "80 00 08 00 00 00 00 00 00 00 00 00"},
        {WriteDefaultRowHeight, "25 02 04 00 00 00 ff 00"},
        {WriteWSBool, "81 00 02 00 c1 04"},
        {WriteDefColWidth, "55 00 02 00 08 00"},
        {WriteSelection, "1d 00 0f 00 03 00 00 00 00 00 00 01 00 00 00 00 00 00 00"},
    };
    for (const Case& c : cases) EXPECT_EQ(HexOf(c.write), c.hex);
    EXPECT_EQ(HexOf([](auto& s) { WritePrintHeaders(s, true); }), "2a 00 02 00 01 00");
    EXPECT_EQ(HexOf([](auto& s) { WritePrintHeaders(s, false); }), "2a 00 02 00 00 00");
    EXPECT_EQ(HexOf([](auto& s) { WritePrintGridLines(s, true); }), "2b 00 02 00 01 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteHCenter(s, true); }), "83 00 02 00 01 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteVCenter(s, false); }), "84 00 02 00 00 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteLeftMargin(s, 2.0); }),
              "26 00 08 00 00 00 00 00 00 00 00 40");
    EXPECT_EQ(HexOf([](auto& s) { WriteRightMargin(s, 2.0); }),
              "27 00 08 00 00 00 00 00 00 00 00 40");
    EXPECT_EQ(HexOf([](auto& s) { WriteTopMargin(s, 2.5); }),
              "28 00 08 00 00 00 00 00 00 00 04 40");
    EXPECT_EQ(HexOf([](auto& s) { WriteBottomMargin(s, 0.5); }),
              "29 00 08 00 00 00 00 00 00 00 e0 3f");
}

TEST(BiffRecords, WriteAccessHoldsACountedNameInOneHundredTwelveBytes) {
    EXPECT_EQ(HexOf([](auto& s) { WriteWriteAccess(s, u"Ann"); }),
              "5c 00 70 00 03 00 01 41 00 6e 00 6e 00" + Spaces(103));
    std::u16string sixty(60, u'z');
    std::string hex = HexOf([&](auto& s) { WriteWriteAccess(s, sixty); });
    std::string zs;
    for (int i = 0; i < 54; ++i) zs += " 7a 00";
    EXPECT_EQ(hex, "5c 00 70 00 36 00 01" + zs + Spaces(1));
    EXPECT_EQ(HexOf([](auto& s) { WriteWriteAccess(s, u""); }),
              "5c 00 70 00 00 00 01" + Spaces(109));
}

TEST(BiffRecords, SheetListRecords) {
    EXPECT_EQ(HexOf([](auto& s) { WriteTabId(s, 3); }), "3d 01 06 00 00 00 01 00 02 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteTabId(s, 0); }), "3d 01 00 00");
    TMemStream s;
    s.Write("xyz", 3);
    size_t field = WriteBoundSheet(s, u"Лист");
    EXPECT_EQ(field, 7u);
    EXPECT_EQ(xlstest::Hex(Bytes(s.Data().begin() + 3, s.Data().end())),
              "85 00 10 00 00 00 00 00 00 00 04 01 1b 04 38 04 41 04 42 04");
}

TEST(BiffRecords, FontRecordCarriesStyleColourFamilyAndName) {
    TFontRecord f;
    f.HeightTwips = 280;
    f.Italic = f.StrikeOut = f.Bold = f.Underline = true;
    f.ColorIndex = 10;
    f.Family = 2;
    f.Charset = 204;
    f.Name = u"Ab";
    EXPECT_EQ(HexOf([&](auto& s) { WriteFont(s, f); }),
              "31 00 14 00 18 01 0a 00 0a 00 e8 03 00 00 01 02 cc 00 02 01 41 00 62 00");
    TFontRecord plain;
    plain.Name = u"Arial";
    EXPECT_EQ(HexOf([&](auto& s) { WriteFont(s, plain); }),
              "31 00 1a 00 c8 00 00 00 08 00 64 00 00 00 00 00 01 00 05 01 "
              "41 00 72 00 69 00 61 00 6c 00");
}

TEST(BiffRecords, FormatAndCellFormatRecords) {
    EXPECT_EQ(HexOf([](auto& s) { WriteFormat(s, 50, u"0.0"); }),
              "1e 04 0b 00 32 00 03 00 01 30 00 2e 00 30 00");
    TXFBody body{};
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(HexOf([&](auto& s) { WriteXF(s, body); }),
              "e0 00 14 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14");

    std::string styles = HexOf(WriteStyleXFs);
    const std::string normal =
        "e0 00 14 00 00 00 00 00 f5 ff 20 00 00 00 00 00 00 00 00 00 00 00 c0 20";
    const std::string font1 =
        "e0 00 14 00 01 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20";
    const std::string font2 =
        "e0 00 14 00 02 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20";
    const std::string font0 =
        "e0 00 14 00 00 00 00 00 f5 ff 20 00 00 f4 00 00 00 00 00 00 00 00 c0 20";
    std::string expected = normal + " " + font1 + " " + font1 + " " + font2 + " " + font2;
    for (int i = 0; i < 10; ++i) expected += " " + font0;
    EXPECT_EQ(styles, expected);

    // The five built-in number styles: currency, currency [0], percent, comma, comma [0].
    auto records = xlstest::Records(xlstest::BytesOf(WriteBuiltInStyleXFs));
    ASSERT_EQ(records.size(), 5u);
    const uint16_t formats[] = {44, 42, 9, 43, 41};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(records[i].Id, 0x00E0);
        EXPECT_EQ(records[i].U16(0), 1);           // font
        EXPECT_EQ(records[i].U16(2), formats[i]);  // number format
        EXPECT_EQ(records[i].U16(4), 0xFFF5);      // a style format, locked
    }
}

TEST(BiffRecords, PaletteHoldsFiftySixColoursAsRedGreenBlueZero) {
    std::array<uint32_t, 56> palette{};
    palette[0] = 0x00332211;
    palette[55] = 0xFF665544;  // the top byte is not stored
    std::string hex = HexOf([&](auto& s) { WritePalette(s, palette); });
    EXPECT_EQ(hex, "92 00 e2 00 38 00 11 22 33 00" + Zeros(54 * 4) + " 44 55 66 00");
}

TEST(BiffRecords, ExtSstListsBucketPositions) {
    EXPECT_EQ(HexOf([](auto& s) {
                  WriteExtSST(s, 8, {{100, 12}, {70000, 4}});
              }),
              "ff 00 12 00 08 00 64 00 00 00 0c 00 00 00 70 11 01 00 04 00 00 00");
}

TEST(BiffRecords, IndexAndDimensions) {
    TMemStream s;
    s.Write("ab", 2);
    EXPECT_EQ(WriteIndex(s, 5, 40, {0x100, 0x2000}), 2u);
    EXPECT_EQ(
        xlstest::Hex(Bytes(s.Data().begin() + 2, s.Data().end())),
        "0b 02 18 00 00 00 00 00 05 00 00 00 28 00 00 00 00 00 00 00 00 01 00 00 00 20 00 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteIndex(s, 0, 0, {}); }), "0b 02 10 00" + Zeros(16));
    TSheetDimensions d{1, 2, 3, 300};
    EXPECT_EQ(HexOf([&](auto& s) { WriteDimensions(s, d); }),
              "00 02 0e 00 02 00 00 00 2d 01 00 00 01 00 04 00 00 00");
    for (TSheetDimensions partial : {TSheetDimensions{}, TSheetDimensions{0, -1, 5, -1}})
        EXPECT_EQ(HexOf([&](auto& s) { WriteDimensions(s, partial); }), "00 02 0e 00" + Zeros(14));
}

TEST(BiffRecords, HeaderFooterAndColumnWidth) {
    EXPECT_EQ(HexOf([](auto& s) { WriteHeader(s, u"&CA"); }),
              "14 00 09 00 03 00 01 26 00 43 00 41 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteFooter(s, u"&Rж"); }),
              "15 00 09 00 03 00 01 26 00 52 00 36 04");
    EXPECT_EQ(HexOf([](auto& s) { WriteColInfo(s, 3, 3000); }),
              "7d 00 0c 00 03 00 03 00 b8 0b 00 00 00 00 00 00");
}

TEST(BiffRecords, SetupTakesPaperScalePagesAndOptionFlags) {
    TvteXLSPageSetup p;
    EXPECT_EQ(HexOf([&](auto& s) { WriteSetup(s, p); }),
              "a1 00 22 00 09 00 64 00 01 00 01 00 01 00 02 00 00 00 00 00" + Zeros(16) + " 00 00");
    p.PaperSize = 8;
    p.Zoom = 85;
    p.FirstPageNumber = 3;
    p.FitToPagesWide = 2;
    p.FitToPagesTall = 4;
    p.Order = 1;
    p.Orientation = 1;
    p.BlackAndWhite = p.Draft = p.PrintNotes = true;
    p.HeaderMargin = 0.5;
    p.FooterMargin = 0.25;
    p.Copies = 2;
    EXPECT_EQ(HexOf([&](auto& s) { WriteSetup(s, p); }),
              "a1 00 22 00 08 00 55 00 03 00 02 00 04 00 b9 00 00 00 00 00 "
              "00 00 00 00 00 00 e0 3f 00 00 00 00 00 00 d0 3f 02 00");
    p.Order = 2;  // only 1 means over, then down
    p.Orientation = 0;
    p.BlackAndWhite = p.Draft = p.PrintNotes = false;
    p.FirstPageNumber = 1;
    std::string hex = HexOf([&](auto& s) { WriteSetup(s, p); });
    EXPECT_EQ(hex.substr(14 * 3, 5), "02 00");
}

TEST(BiffRecords, RowAndCellRecords) {
    EXPECT_EQ(HexOf([](auto& s) { WriteRow(s, 5, 1, 4); }),
              "08 02 10 00 05 00 01 00 04 00 ff 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteNumber(s, 1, 2, 21, 1.5); }),
              "03 02 0e 00 01 00 02 00 15 00 00 00 00 00 00 00 f8 3f");
    EXPECT_EQ(HexOf([](auto& s) { WriteLabelSST(s, 1, 2, 21, 70000); }),
              "fd 00 0a 00 01 00 02 00 15 00 70 11 01 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteMulBlank(s, 3, 1, 3, 22); }),
              "be 00 0c 00 03 00 01 00 16 00 16 00 16 00 03 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteBlank(s, 3, 4, 22); }), "01 02 06 00 03 00 04 00 16 00");
    EXPECT_EQ(HexOf([](auto& s) {
                  WriteDBCell(s, 0x1234, {20, 300});
              }),
              "d7 00 08 00 34 12 00 00 14 00 2c 01");
}

TEST(BiffRecords, Window2IsEighteenBytesAndMarksTheSelectedSheet) {
    EXPECT_EQ(HexOf([](auto& s) { WriteWindow2(s, true); }),
              "3e 02 12 00 b6 06 00 00 00 00 40 00" + Zeros(10));
    EXPECT_EQ(HexOf([](auto& s) { WriteWindow2(s, false); }),
              "3e 02 12 00 b6 04 00 00 00 00 40 00" + Zeros(10));
}

TEST(BiffRecords, MergedCellsAreSplitIntoRecordsOfAtMost1026Ranges) {
    EXPECT_EQ(HexOf([](auto& s) {
                  WriteMergedCells(s, {{1, 2, 3, 4}});
              }),
              "e5 00 0a 00 01 00 01 00 02 00 03 00 04 00");
    EXPECT_EQ(HexOf([](auto& s) { WriteMergedCells(s, {}); }), "");
    std::vector<TMergedRange> many;
    for (uint16_t i = 0; i < 1027; ++i) many.push_back({i, i, 0, 1});
    TMemStream s;
    WriteMergedCells(s, many);
    auto records = xlstest::Records(s.Data());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Id, 0x00E5);
    EXPECT_EQ(records[0].U16(0), 1026);
    EXPECT_EQ(records[0].Data.size(), 2u + 1026 * 8);
    EXPECT_EQ(records[1].Id, 0x00E5);
    EXPECT_EQ(records[1].U16(0), 1);
    EXPECT_EQ(records[1].U16(2), 1026);
}

TEST(BiffRecords, LongRecordsGoOnInContinueRecords) {
    auto framed = [](size_t length) {
        Bytes data(length);
        for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(i * 7);
        TMemStream s;
        WriteRecord(s, 0x1234, data.data(), data.size());
        return std::make_pair(data, s.Data());
    };
    auto [empty, emptyOut] = framed(0);
    EXPECT_EQ(xlstest::Hex(emptyOut), "34 12 00 00");
    auto [exact, exactOut] = framed(8224);
    auto records = xlstest::Records(exactOut);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Data, exact);
    auto [over, overOut] = framed(2 * 8224 + 1);
    records = xlstest::Records(overOut);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Id, 0x1234);
    EXPECT_EQ(records[1].Id, 0x003C);
    EXPECT_EQ(records[2].Id, 0x003C);
    EXPECT_EQ(records[0].Data.size(), 8224u);
    EXPECT_EQ(records[1].Data.size(), 8224u);
    EXPECT_EQ(records[2].Data.size(), 1u);
    Bytes joined;
    for (auto& r : records) joined.insert(joined.end(), r.Data.begin(), r.Data.end());
    EXPECT_EQ(joined, over);
}

TEST(BiffRecords, HexTextGivesOneBytePerRunOfDigits) {
    EXPECT_EQ(ParseHex("e0 00 14 00"), (Bytes{0xe0, 0x00, 0x14, 0x00}));
    EXPECT_EQ(ParseHex("E0 0a  Ff"), (Bytes{0xe0, 0x0a, 0xff}));
    EXPECT_EQ(ParseHex("1 2"), (Bytes{0x01, 0x02}));
    EXPECT_EQ(ParseHex("abc"), (Bytes{0xbc}));
    EXPECT_EQ(ParseHex("  "), Bytes{});
    EXPECT_EQ(ParseHex("x0fy-10"), (Bytes{0x0f, 0x10}));
}

TEST(BiffRecords, SharedStringsAreCountedAndBucketed) {
    // The table goes onto the end of a stream that holds the records before it.
    TMemStream stream;
    const Bytes before(1000, 0xAA);
    stream.Write(before);
    TSSTBuilder sst(stream, 2);
    sst.Add(u"ab", 2);
    sst.Add(u"Я", 1);
    sst.Finish();
    EXPECT_EQ(Bytes(stream.Data().begin(), stream.Data().begin() + 1000), before);
    EXPECT_EQ(xlstest::Hex(Bytes(stream.Data().begin() + 1000, stream.Data().end())),
              "fc 00 14 00 02 00 00 00 02 00 00 00 02 00 01 61 00 62 00 01 00 01 2f 04");
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(sst.BucketSize(), 8);
    ASSERT_EQ(sst.Buckets().size(), 1u);
    EXPECT_EQ(sst.Buckets()[0], std::make_pair(1012u, uint16_t{12}));

    // More than 1023 strings: buckets grow so that there are at most 128 of them.
    TMemStream manyStream;
    TSSTBuilder many(manyStream, 2000);
    for (int i = 0; i < 2000; ++i) many.Add(u"x", 1);
    many.Finish();
    EXPECT_EQ(many.BucketSize(), 16);
    EXPECT_EQ(many.Buckets().size(), 125u);
}

// Counts and record lengths are filled in afterwards, over bytes already written: only there,
// and without moving the position the next record is written at.
TEST(BiffRecords, BytesAreOverwrittenOnlyWhereTheStreamHoldsThem) {
    const uint8_t two[2] = {0xEE, 0xFF};
    struct Case {
        size_t at, size;
        const char* after;  // empty: refused
    };
    for (const Case& c : {Case{0, 2, "ee ff 03 04"}, Case{2, 2, "01 02 ee ff"},
                          Case{3, 1, "01 02 03 ee"}, Case{3, 2, ""}, Case{5, 0, ""}}) {
        TMemStream s;
        s.Write(Bytes{1, 2, 3, 4});
        s.Seek(1);
        if (*c.after) {
            s.Overwrite(c.at, two, c.size);
            EXPECT_EQ(xlstest::Hex(s.Data()), c.after) << c.at;
        } else {
            EXPECT_THROW(s.Overwrite(c.at, two, c.size), std::logic_error) << c.at;
            EXPECT_EQ(xlstest::Hex(s.Data()), "01 02 03 04");
        }
        EXPECT_EQ(s.Position(), 1u);
    }
    // A table begun anywhere but at the stream's end would overwrite what follows it.
    TMemStream s;
    s.Write(Bytes{1, 2, 3});
    s.Seek(1);
    EXPECT_THROW(TSSTBuilder(s, 1), std::logic_error);
}

TEST(BiffRecords, AStringLongerThanTheRoomLeftGoesOnInAContinueRecordWithItsOptionByte) {
    TMemStream stream;
    TSSTBuilder sst(stream, 2);
    sst.Add(u"a", 1);                     // record fill 12 + 5 = 17
    std::u16string big(6000, u'\u0416');  // header at fill 17, characters from 20
    sst.Add(big.data(), big.size());
    sst.Finish();
    auto records = xlstest::Records(stream.Data());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Id, 0x00FC);
    EXPECT_EQ(records[0].Data.size() + 4, 8228u);  // filled to the limit
    EXPECT_EQ(records[1].Id, 0x003C);
    EXPECT_EQ(records[1].Data[0], 1);  // uncompressed again
    EXPECT_EQ(records[1].Data.size(), 1 + 12000 - 8208u);
    EXPECT_EQ(records[0].U16(13), 6000);  // the long string's character count
    EXPECT_EQ(records[0].Data[15], 1);
    EXPECT_EQ(records[0].U16(16), 0x0416);
    EXPECT_EQ(records[1].U16(1), 0x0416);
}

TEST(BiffRecords, AStringIsNotStartedInTheLastFourBytesOfARecord) {
    TMemStream stream;
    TSSTBuilder sst(stream, 3);
    std::u16string filler(4105, u'f');  // 12 + 3 + 8210 = 8225: three bytes of room left
    sst.Add(filler.data(), filler.size());
    sst.Add(u"next", 4);
    sst.Add(u"z", 1);
    sst.Finish();
    auto records = xlstest::Records(stream.Data());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Data.size(), 8221u);
    EXPECT_EQ(records[1].Id, 0x003C);
    // The next string starts with its own header, no extra option byte.
    EXPECT_EQ(xlstest::Hex(records[1].Data), "04 00 01 6e 00 65 00 78 00 74 00 01 00 01 7a 00");
    EXPECT_EQ(records[0].U32(0), 3u);
    EXPECT_EQ(records[0].U32(4), 3u);
}

// A record of fixed length goes out whole, header first, and only once every byte is given.
TEST(BiffRecords, FixedRecordsGoOutOnlyWithExactlyTheirBytes) {
    EXPECT_EQ(HexOf([](TMemStream& s) {
                  TFixedRecord<10>(0x00FD).U16(3).U16(0x0102).U16(21).U32(0x0A0B0C0D).WriteTo(s);
              }),
              "fd 00 0a 00 03 00 02 01 15 00 0d 0c 0b 0a");
    TMemStream s;
    EXPECT_THROW(TFixedRecord<6>(0x0201).U16(1).U16(2).WriteTo(s), std::logic_error);
    EXPECT_THROW(TFixedRecord<6>(0x0201).U16(1).U16(2).U32(3), std::logic_error);
    EXPECT_EQ(s.Size(), 0u);
}
