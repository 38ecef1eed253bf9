// The workbook model: range replacement, dimensions, names, values and the limits of a sheet.
#include "xls/workbook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qm::xls;

TEST(Workbook, SameBoundsReturnTheSameRangeWithValueAndFormatKept) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSRange* a = sheet->Range(1, 2, 3, 4);
    a->SetValue(AnsiString("kept"));
    a->Format().NumberFormat = "0.00";
    a->Format().Font.Style = fsBold;
    TvteXLSRange* again = sheet->Range(1, 2, 3, 4);
    EXPECT_EQ(again, a);
    EXPECT_EQ(again->Value(), TVariant("kept"));
    EXPECT_EQ(again->Format().NumberFormat, "0.00");
    EXPECT_TRUE(again->Format().Font.Bold());
    EXPECT_EQ(sheet->RangeCount(), 1);
    EXPECT_EQ(a->Worksheet(), sheet);
}

TEST(Workbook, NewRangeReplacesTheRangesItOverlapsButNotThoseItTouches) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSRange* first = sheet->Range(0, 0, 0, 0);
    TvteXLSRange* under = sheet->Range(2, 0, 3, 1);  // overlapped below
    under->SetValue(AnsiString("a text longer than any short-string room"));
    sheet->Range(0, 5, 1, 5);                          // overlapped at a corner cell
    TvteXLSRange* right = sheet->Range(6, 0, 6, 9);    // touches the new range's right edge
    TvteXLSRange* below = sheet->Range(1, 10, 5, 10);  // touches its bottom edge
    TvteXLSRange* last = sheet->Range(8, 8, 9, 9);

    TvteXLSRange* big = sheet->Range(1, 1, 5, 9);
    ASSERT_EQ(sheet->RangeCount(), 5);
    EXPECT_EQ(sheet->RangeAt(0), first);
    EXPECT_EQ(sheet->RangeAt(1), right);
    EXPECT_EQ(sheet->RangeAt(2), below);
    EXPECT_EQ(sheet->RangeAt(3), last);
    EXPECT_EQ(sheet->RangeAt(4), big);
    // The replaced ranges' cells now belong to the new range only.
    for (int32_t row = 1; row <= 5; ++row) {
        const auto& in = sheet->RangesInRow(row);
        EXPECT_EQ(std::count(in.begin(), in.end(), big), 1);
        for (TvteXLSRange* r : in)
            EXPECT_FALSE(r != big && r->Left() <= 5 && r->Right() >= 1 && r != right);
    }
    EXPECT_EQ(sheet->RangesInRow(0).size(), 2u);  // first and right only
    // A replaced range a caller still holds is out of the sheet and has let its value go.
    EXPECT_TRUE(under->Value().IsEmpty());
    EXPECT_EQ(under->Left(), 2);
}

TEST(Workbook, DimensionsGrowWithRangesAndColumnsAndNeverShrink) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    EXPECT_EQ(sheet->Dimensions().MinCol, -1);
    EXPECT_EQ(sheet->Dimensions().MaxRow, -1);
    sheet->Range(3, 4, 5, 6);
    sheet->Range(2, 10, 2, 12);
    TSheetDimensions d = sheet->Dimensions();
    EXPECT_EQ(d.MinCol, 2);
    EXPECT_EQ(d.MinRow, 4);
    EXPECT_EQ(d.MaxCol, 5);
    EXPECT_EQ(d.MaxRow, 12);
    sheet->Range(0, 0, 9, 20);  // replaces both
    sheet->Range(0, 0, 9, 20);
    ASSERT_EQ(sheet->RangeCount(), 1);
    sheet->Col(40);
    d = sheet->Dimensions();
    EXPECT_EQ(d.MinCol, 0);
    EXPECT_EQ(d.MinRow, 0);
    EXPECT_EQ(d.MaxCol, 40);
    EXPECT_EQ(d.MaxRow, 20);

    TvteXLSWorksheet* other = book.AddSheet();
    other->Range(7, 7, 7, 7);
    other->Range(7, 7, 8, 8);  // replaces the first; its cell stays covered
    EXPECT_EQ(other->Dimensions().MinCol, 7);
    EXPECT_EQ(other->Dimensions().MaxRow, 8);
}

TEST(Workbook, ColumnObjectsAreFoundByIndexOrMadeWithTheDefaultWidth) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSCol* c3 = sheet->Col(3);
    EXPECT_EQ(c3->Index(), 3);
    EXPECT_EQ(c3->Width, 2048);
    c3->Width = 5000;
    EXPECT_EQ(sheet->Col(3), c3);
    sheet->Col(1);
    ASSERT_EQ(sheet->ColCount(), 2);
    EXPECT_EQ(sheet->ColAt(0), c3);
    EXPECT_EQ(sheet->ColAt(1)->Index(), 1);
    EXPECT_EQ(sheet->Dimensions().MinCol, 1);
    EXPECT_EQ(sheet->Dimensions().MaxCol, 3);
    EXPECT_EQ(sheet->Dimensions().MinRow, -1);
}

TEST(Workbook, NewSheetsAreNumberedPastTakenNamesIgnoringCase) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* s1 = book.AddSheet();
    EXPECT_EQ(s1->Name(), "Sheet1");
    TvteXLSWorksheet* s2 = book.AddSheet();
    EXPECT_EQ(s2->Name(), "Sheet2");
    s2->SetName("sheet3");
    EXPECT_EQ(book.AddSheet()->Name(), "Sheet4");
    EXPECT_EQ(book.SheetCount(), 3);
    EXPECT_EQ(book.Sheet(2)->GetIndex(), 2);
    EXPECT_EQ(s1->GetIndex(), 0);
    TvteXLSWorksheet loose(nullptr);
    EXPECT_EQ(loose.GetIndex(), -1);
    book.Clear();
    EXPECT_EQ(book.SheetCount(), 0);
    EXPECT_EQ(book.AddSheet()->Name(), "Sheet1");
}

TEST(Workbook, NamesAreCutToTheirLengthThenTrimmed) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->SetName(std::string(40, 'n'));
    EXPECT_EQ(sheet->Name(), std::string(31, 'n'));
    sheet->SetName("\t name" + std::string(26, ' ') + "tail");
    EXPECT_EQ(sheet->Name(), "name");  // the blanks before the cut are trimmed away
    sheet->SetName("\x01\x1f x \x7f");
    EXPECT_EQ(sheet->Name(), "x \x7f");
    EXPECT_EQ(book.UserName(), "Wrenfield");
    book.SetUserName(std::string(70, 'u'));
    EXPECT_EQ(book.UserName(), std::string(66, 'u'));
    book.SetUserName("  Ann  ");
    EXPECT_EQ(book.UserName(), "Ann");
}

TEST(Workbook, StringValuesHaveCrLfTurnedIntoLf) {
    TvteXLSWorkbook book;
    TvteXLSRange* r = book.AddSheet()->Range(0, 0, 0, 0);
    r->SetValue(AnsiString("a\r\nb\rc\n\r\n"));
    EXPECT_EQ(r->Value(), TVariant("a\nb\rc\n\n"));
    r->SetValue(std::u16string(u"x\r\ny\r"));
    EXPECT_EQ(r->Value(), TVariant(std::u16string(u"x\ny\r")));
    r->SetValue(12.5);
    EXPECT_EQ(r->Value(), TVariant(12.5));
}

TEST(Workbook, OnlyNumericValuesAreNotText) {
    TvteXLSWorkbook book;
    TvteXLSRange* r = book.AddSheet()->Range(0, 0, 0, 0);
    EXPECT_TRUE(r->IsText());  // no value yet
    for (const TVariant& v : {TVariant(3), TVariant(2.5), TVariant::Smallint(-2), TVariant::Byte(7),
                              TVariant::Single(1.5f), TVariant::Currency(12345)}) {
        r->SetValue(v);
        EXPECT_FALSE(r->IsText());
    }
    for (const TVariant& v : {TVariant(), TVariant("t"), TVariant(std::u16string(u"w")),
                              TVariant(true), TVariant::Date(45000)}) {
        r->SetValue(v);
        EXPECT_TRUE(r->IsText());
    }
    EXPECT_DOUBLE_EQ(TVariant::Currency(12345).AsDouble(), 1.2345);
}

TEST(Workbook, ValuesShowTheTextACellShows) {
    qm::FormatSettings().ShortDateFormat = "dd.mm.yyyy";
    qm::FormatSettings().DateSeparator = '.';
    EXPECT_EQ(TVariant(true).AsText(), "True");
    EXPECT_EQ(TVariant(false).AsText(), "False");
    EXPECT_EQ(TVariant::Date(qm::EncodeDate(2024, 3, 5)).AsText(), "05.03.2024");
    EXPECT_EQ(TVariant::Date(qm::EncodeDate(2024, 3, 5) + 0.5).AsText(), "05.03.2024 12:00:00");
    EXPECT_EQ(TVariant().AsText(), "");
    EXPECT_EQ(TVariant(std::u16string(u"abc")).AsText(), "abc");
}

TEST(Workbook, BoundsAndTextsBeyondAWorksheetAreRefused) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    EXPECT_NO_THROW(sheet->Range(255, 65535, 255, 65535));
    try {
        sheet->Range(0, 65536, 0, 65536);
        FAIL() << "row 65536 accepted";
    } catch (const EXLSError& e) {
        EXPECT_EQ(e.Message, "Row 65536 is outside the rows a worksheet can hold (0 to 65535)");
    }
    try {
        sheet->Range(0, 0, 256, 0);
        FAIL() << "column 256 accepted";
    } catch (const EXLSError& e) {
        EXPECT_EQ(e.Message, "Column 256 is outside the columns a worksheet can hold (0 to 255)");
    }
    EXPECT_THROW(sheet->Range(-1, 0, 0, 0), EXLSError);
    EXPECT_THROW(sheet->Range(0, -1, 0, 0), EXLSError);
    EXPECT_THROW(sheet->Range(3, 0, 2, 0), EXLSError);
    EXPECT_THROW(sheet->Col(256), EXLSError);
    EXPECT_THROW(sheet->Col(-1), EXLSError);
    EXPECT_EQ(sheet->RangeCount(), 1);
    EXPECT_EQ(sheet->Dimensions().MaxCol, 255);

    TvteXLSRange* r = sheet->Range(0, 0, 0, 0);
    EXPECT_NO_THROW(r->SetValue(AnsiString(32767, 'x')));
    try {
        r->SetValue(AnsiString(32768, 'x'));
        FAIL() << "a text of 32768 characters accepted";
    } catch (const EXLSError& e) {
        EXPECT_EQ(e.Message,
                  "A cell text of 32768 characters is longer than a cell can hold (32767)");
    }
    EXPECT_THROW(r->SetValue(std::u16string(40000, u'x')), EXLSError);
    // CR LF pairs count once, as they are stored.
    AnsiString pairs;
    for (int i = 0; i < 20000; ++i) pairs += "\r\n";
    EXPECT_NO_THROW(r->SetValue(pairs));
    EXPECT_EQ(r->Value().AnsiText().size(), 20000u);
}

TEST(Workbook, OnlyTheSixBordersCanBeReached) {
    TvteXLSBorders b;
    for (int i = 0; i < 6; ++i) b.Border(i).LineStyle = static_cast<uint8_t>(i + 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Border(i).LineStyle, i + 1);
    for (int i : {6, 127, 128, 129, -1}) {
        try {
            b.Border(i);
            FAIL() << "border " << i << " accepted";
        } catch (const EXLSError& e) {
            EXPECT_EQ(e.Message,
                      "Border " + std::to_string(i) + " is not one of the six borders (0 to 5)");
        }
    }
}

TEST(Workbook, FontSizeAndPixelHeightFollowEachOther) {
    TvteXLSFont f;
    EXPECT_EQ(f.Name, "Arial");
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Color, clBlack);
    f.SetSize(14);
    EXPECT_EQ(f.Height(), -19);
    f.SetHeight(-16);
    EXPECT_EQ(f.Size(), 12);
    f.Pitch = TFontPitch::Fixed;
    EXPECT_EQ(f.LogicalPitchAndFamily(), 1);
    f.Pitch = TFontPitch::Variable;
    EXPECT_EQ(f.LogicalPitchAndFamily(), 2);
    EXPECT_EQ(f.LogicalCharset(), 1);
}

// Ranges stay where they were made, with their values, however many more a sheet gets, and a
// replaced one leaves the others and their order as they were.
TEST(Workbook, RangesKeepTheirPlaceAndValuesAsASheetGrows) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    std::vector<TvteXLSRange*> made;
    for (int i = 0; i < 20000; ++i) {
        made.push_back(sheet->Range(i % 7, i / 7, i % 7, i / 7));
        made.back()->SetValue(AnsiString("text of cell ") + std::to_string(i));
    }
    ASSERT_EQ(sheet->RangeCount(), 20000);
    for (int i = 0; i < 20000; i += 997) {
        EXPECT_EQ(sheet->RangeAt(i), made[i]);
        EXPECT_EQ(made[i]->Value().AnsiText(), "text of cell " + std::to_string(i));
        EXPECT_EQ(made[i]->Left(), i % 7);
        EXPECT_EQ(made[i]->Top(), i / 7);
    }
    // Row 10, columns 2 and 3, give way to one range over both.
    TvteXLSRange* wide = sheet->Range(2, 10, 3, 10);
    ASSERT_EQ(sheet->RangeCount(), 19999);
    EXPECT_EQ(sheet->RangeAt(19998), wide);
    EXPECT_EQ(sheet->RangeAt(71), made[71]);
    EXPECT_EQ(sheet->RangeAt(72), made[74]);
    EXPECT_EQ(sheet->RangeAt(19997), made[19999]);
    EXPECT_EQ(sheet->RangesInRow(10).size(), 6u);
    EXPECT_EQ(made[74]->Value().AnsiText(), "text of cell 74");
}

// Cells made at once stand where cells made one by one would: in the sheet's order, in their
// rows, within its dimensions, replacing what they overlap; ranges made afterwards go on after
// them, and bounds are refused before anything changes.
TEST(Workbook, CellsMadeAtOnceStandWhereCellsMadeOneByOneWould) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSRange* title = sheet->Range(0, 0, 3, 0);
    TvteXLSRange* overlapped = sheet->Range(1, 2, 4, 3);  // reaches into the block
    TvteXLSRange* beside = sheet->Range(5, 2, 5, 2);
    constexpr int kRows = 9000;  // enough for several parts
    const std::vector<TvteXLSRange*> cells = sheet->AddCells(0, 1, 2, kRows);
    ASSERT_EQ(cells.size(), 3u * kRows);
    ASSERT_EQ(sheet->RangeCount(), 2 + 3 * kRows);
    EXPECT_EQ(sheet->RangeAt(0), title);
    EXPECT_EQ(sheet->RangeAt(1), beside);
    for (int i = 0; i < 3 * kRows; ++i) {
        ASSERT_EQ(sheet->RangeAt(2 + i), cells[i]);
        ASSERT_EQ(cells[i]->Left(), i % 3);
        ASSERT_EQ(cells[i]->Right(), i % 3);
        ASSERT_EQ(cells[i]->Top(), 1 + i / 3);
        ASSERT_EQ(cells[i]->Bottom(), 1 + i / 3);
        ASSERT_EQ(cells[i]->Worksheet(), sheet);
        ASSERT_TRUE(cells[i]->Value().IsEmpty());
    }
    for (int row = 1; row <= kRows; ++row) {
        const auto& inRow = sheet->RangesInRow(row);
        const size_t own = row == 2 ? 4 : 3;
        ASSERT_EQ(inRow.size(), own) << row;
        ASSERT_EQ(std::count(inRow.begin(), inRow.end(), overlapped), 0);
    }
    EXPECT_EQ(sheet->Range(1, 500, 1, 500), cells[499 * 3 + 1]);  // found, not made again
    TvteXLSRange* after = sheet->Range(0, kRows + 1, 0, kRows + 1);
    EXPECT_EQ(sheet->RangeAt(sheet->RangeCount() - 1), after);
    EXPECT_EQ(sheet->Dimensions().MaxRow, kRows + 1);
    EXPECT_EQ(sheet->Dimensions().MaxCol, 5);

    const int before = sheet->RangeCount();
    EXPECT_THROW(sheet->AddCells(0, 65000, 2, 65536), EXLSError);
    EXPECT_THROW(sheet->AddCells(3, 0, 2, 0), EXLSError);
    EXPECT_EQ(sheet->RangeCount(), before);
    EXPECT_EQ(sheet->Dimensions().MaxRow, kRows + 1);
}

TEST(Workbook, ASharedFormatIsReadByItsRangesAndAChangeGoesToOneRangeAlone) {
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSFormat framed;
    framed.Borders.Border(bdTop).LineStyle = 2;
    framed.NumberFormat = "0.00";
    const TvteXLSFormat* shared = sheet->AddFormat(framed);
    const std::vector<TvteXLSRange*> cells = sheet->AddCells(0, 0, 2, 0);
    for (TvteXLSRange* cell : cells) cell->ShareFormat(shared);
    for (const TvteXLSRange* cell : cells) {
        EXPECT_EQ(&cell->Format(), shared);
        EXPECT_EQ(cell->Format().Borders.Border(bdTop).LineStyle, 2);
    }
    // The middle cell is changed: it alone gets the change, on a copy of what it showed.
    cells[1]->Format().Font.Style = fsBold;
    const TvteXLSRange& middle = *cells[1];
    EXPECT_NE(&middle.Format(), shared);
    EXPECT_TRUE(middle.Format().Font.Bold());
    EXPECT_EQ(middle.Format().NumberFormat, "0.00");
    EXPECT_EQ(middle.Format().Borders.Border(bdTop).LineStyle, 2);
    EXPECT_FALSE(shared->Font.Bold());
    for (const TvteXLSRange* other : {cells[0], cells[2]}) {
        EXPECT_EQ(&other->Format(), shared);
        EXPECT_FALSE(other->Format().Font.Bold());
    }
    // A second change keeps to the copy the range has; a new range shows the default.
    TvteXLSFormat* own = &cells[1]->Format();
    cells[1]->Format().Rotation = 45;
    EXPECT_EQ(&cells[1]->Format(), own);
    const TvteXLSRange& fresh = *sheet->Range(0, 1, 0, 1);
    EXPECT_TRUE(fresh.Format().NumberFormat.empty());
    EXPECT_EQ(fresh.Format().Borders.Border(bdTop).LineStyle, 0);
    EXPECT_EQ(fresh.Format().VerticalAlignment, 2);
}
