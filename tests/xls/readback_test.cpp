// Whole workbooks saved to files and read back by olefile (the container) and xlrd (the content).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <fstream>

#include "tests/support/support.h"
#include "tests/xls/xls_test_util.h"
#include "xls/excel_writer.h"

using namespace qm::xls;

namespace {

// Switches the interface code page for one test.
class CodePage {
  public:
    explicit CodePage(const std::string& page) : previous_(qm::InterfaceCodePage()) {
        qm::SetInterfaceCodePage(page);
    }
    ~CodePage() { qm::SetInterfaceCodePage(previous_); }

  private:
    std::string previous_;
};

AnsiString FromUtf8(const char* s) {
    return qm::Utf8ToAnsi(s);
}

QString Str(const QJsonValue& v) {
    return v.toString();
}

qm::xls::Bytes ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return qm::xls::Bytes(std::istreambuf_iterator<char>(in), {});
}

// The container holds exactly the one stream, without defects, and its bytes are those built.
void ExpectCleanContainer(const QJsonObject& back, const qm::xls::Bytes& built,
                          const std::filesystem::path& copy) {
    QJsonObject c = back["container"].toObject();
    EXPECT_TRUE(c["defect"].isNull()) << Str(c["defect"]).toStdString();
    EXPECT_EQ(c["streams"].toArray(), QJsonArray{"Workbook"});
    EXPECT_TRUE(c["issues"].toArray().isEmpty());
    EXPECT_EQ(ReadFile(copy), built);
    EXPECT_FALSE(back.contains("book_error")) << Str(back["book_error"]).toStdString();
    EXPECT_EQ(Str(back["book"].toObject()["log"]), QString()) << "xlrd complained";
}

// Saves the workbook as `name` in `dir` by a writer with `parts` and reads it back, the
// container checked as above against the stream as built in memory, which `built` receives.
QJsonObject SaveAndReadBack(TvteXLSWorkbook& book, const std::filesystem::path& dir,
                            const char* name, TMemStream& built, qm::TParts parts = qm::TParts()) {
    TvteExcelWriter(parts).WriteWorkbook(built, &book);
    TvteExcelWriter(parts).Save(&book, dir / name);
    QJsonObject back = xlstest::ReadBack(dir / name, dir / "stream.bin");
    if (!back.isEmpty()) ExpectCleanContainer(back, built.Data(), dir / "stream.bin");
    return back;
}

// Cell [row, col] of a read-back sheet: [row, col, ctype, value, xf].
QJsonArray Cell(const QJsonObject& sheet, int row, int col) {
    for (const QJsonValue& v : sheet["cells"].toArray()) {
        QJsonArray c = v.toArray();
        if (c[0].toInt() == row && c[1].toInt() == col) return c;
    }
    return {};
}

constexpr int kText = 1, kNumber = 2, kBlank = 6;

}  // namespace

TEST(ReadBack, OneSheetWithEveryKindOfContentReadsBackAsWritten) {
    CodePage cp("CP1251");
    qmtest::TempDir dir;
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->SetName(FromUtf8("Движения"));
    sheet->Col(0)->Width = 3000;
    sheet->Col(2)->Width = 9000;

    TvteXLSRange* title = sheet->Range(0, 0, 3, 0);
    title->SetValue(FromUtf8("Выписка по счёту"));
    title->Format().Font.Style = fsBold;
    title->Format().Font.SetSize(14);
    title->Format().HorizontalAlignment = 2;

    TvteXLSRange* amount = sheet->Range(1, 2, 1, 2);
    amount->SetValue(-1234.5);
    amount->Format().NumberFormat = "0.00";
    amount->Format().Borders.Border(bdBottom).LineStyle = 1;
    amount->Format().Borders.Border(bdBottom).Color = clRed;

    TvteXLSRange* note = sheet->Range(0, 2, 0, 2);
    note->SetValue(AnsiString("a\r\nb"));
    note->Format().WrapText = true;

    AnsiString longText;
    while (longText.size() < 9000) longText += FromUtf8("Длинный текст примечания. ");
    sheet->Range(2, 2, 3, 3)->SetValue(longText);
    sheet->Range(0, 4, 0, 4);  // a formatted empty cell
    sheet->Range(3, 5, 3, 5)->SetValue(7);
    sheet->PageSetup.Orientation = 1;
    sheet->PageSetup.CenterHeader = FromUtf8("Отчёт");

    TMemStream built;
    QJsonObject back = SaveAndReadBack(book, dir.path(), "one.xls", built);
    ASSERT_FALSE(back.isEmpty());

    QJsonObject b = back["book"].toObject();
    EXPECT_EQ(Str(b["user_name"]), "Wrenfield");
    ASSERT_EQ(b["sheets"].toArray().size(), 1);
    QJsonObject s = b["sheets"].toArray()[0].toObject();
    EXPECT_EQ(Str(s["name"]), QString::fromUtf8("Движения"));
    EXPECT_EQ(s["nrows"].toInt(), 6);
    EXPECT_EQ(s["ncols"].toInt(), 4);

    QJsonArray c = Cell(s, 0, 0);
    EXPECT_EQ(c[2].toInt(), kText);
    EXPECT_EQ(Str(c[3]), QString::fromUtf8("Выписка по счёту"));
    EXPECT_EQ(Cell(s, 0, 3)[2].toInt(), kBlank);
    EXPECT_EQ(Cell(s, 2, 1)[2].toInt(), kNumber);
    EXPECT_DOUBLE_EQ(Cell(s, 2, 1)[3].toDouble(), -1234.5);
    EXPECT_EQ(Str(Cell(s, 2, 0)[3]), "a\nb");
    EXPECT_EQ(Str(Cell(s, 2, 2)[3]), qm::ToQString(longText));
    EXPECT_EQ(Cell(s, 3, 3)[2].toInt(), kBlank);
    EXPECT_EQ(Cell(s, 4, 0)[2].toInt(), kBlank);
    EXPECT_DOUBLE_EQ(Cell(s, 5, 3)[3].toDouble(), 7.0);
    EXPECT_EQ(s["merged"].toArray(), (QJsonArray{QJsonArray{0, 1, 0, 4}, QJsonArray{2, 4, 2, 4}}));
    EXPECT_EQ(s["widths"].toObject()["0"].toInt(), 3000);
    EXPECT_EQ(s["widths"].toObject()["2"].toInt(), 9000);
    EXPECT_TRUE(s["selected"].toBool());

    QJsonArray xfs = b["xfs"].toArray();
    QJsonArray fonts = b["fonts"].toArray();
    QJsonObject titleXf = xfs[Cell(s, 0, 0)[4].toInt()].toObject();
    QJsonObject titleFont = fonts[titleXf["font"].toInt()].toObject();
    EXPECT_EQ(titleXf["halign"].toInt(), 2);
    EXPECT_EQ(Str(titleFont["name"]), "Arial");
    EXPECT_EQ(titleFont["height"].toInt(), 280);
    EXPECT_EQ(titleFont["weight"].toInt(), 1000);
    EXPECT_EQ(titleFont["colour_index"].toInt(), 8);
    QJsonObject amountXf = xfs[Cell(s, 2, 1)[4].toInt()].toObject();
    EXPECT_EQ(Str(b["formats"].toObject()[QString::number(amountXf["format"].toInt())]), "0.00");
    EXPECT_EQ(amountXf["border"].toObject()["bottom"].toArray(), (QJsonArray{1, 10}));
    EXPECT_EQ(fonts[amountXf["font"].toInt()].toObject()["weight"].toInt(), 100);
    EXPECT_TRUE(xfs[Cell(s, 2, 0)[4].toInt()].toObject()["wrap"].toInt());
}

TEST(ReadBack, SeveralSheetsKeepTheirNamesCellsFontsAndFormats) {
    CodePage cp("CP1251");
    qmtest::TempDir dir;
    TvteXLSWorkbook book;
    const char* names[] = {"Доходы", "Expenses", "Итоги 2024"};
    for (int i = 0; i < 3; ++i) {
        TvteXLSWorksheet* sheet = book.AddSheet();
        sheet->SetName(FromUtf8(names[i]));
        sheet->Col(1)->Width = 2560 * (i + 1);
        for (int row = 0; row < 40 + i; ++row) {
            TvteXLSRange* label = sheet->Range(0, row, 0, row);
            label->SetValue(FromUtf8("Счёт ") + std::to_string(row));
            TvteXLSRange* value = sheet->Range(1, row, 1, row);
            value->SetValue(row * 1.5 + i);
            value->Format().NumberFormat = i == 1 ? "#,##0.00" : "0.0";
        }
        TvteXLSRange* total = sheet->Range(0, 45, 1, 46);
        total->SetValue(FromUtf8("Итого"));
        total->Format().Font.Style = fsBold | fsItalic | fsUnderline;
        total->Format().Font.Name = "Times New Roman";
    }
    book.SetUserName(FromUtf8("Пользователь"));
    TMemStream built;
    QJsonObject back = SaveAndReadBack(book, dir.path(), "three.xls", built);
    ASSERT_FALSE(back.isEmpty());

    QJsonObject b = back["book"].toObject();
    EXPECT_EQ(Str(b["user_name"]), QString::fromUtf8("Пользователь"));
    QJsonArray sheets = b["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QJsonObject s = sheets[i].toObject();
        EXPECT_EQ(Str(s["name"]), QString::fromUtf8(names[i]));
        EXPECT_EQ(s["nrows"].toInt(), 47);
        EXPECT_EQ(s["selected"].toBool(), i == 0);
        EXPECT_EQ(s["widths"].toObject()["1"].toInt(), 2560 * (i + 1));
        // One range: a list holding one list (braces around one array alone would copy it
        // under clang).
        EXPECT_EQ(s["merged"].toArray(), QJsonArray{QJsonValue(QJsonArray({45, 47, 0, 2}))});
        for (int row = 0; row < 40 + i; ++row) {
            EXPECT_EQ(Str(Cell(s, row, 0)[3]), QString::fromUtf8("Счёт ") + QString::number(row));
            EXPECT_EQ(Cell(s, row, 1)[2].toInt(), kNumber);
            EXPECT_DOUBLE_EQ(Cell(s, row, 1)[3].toDouble(), row * 1.5 + i);
        }
        QJsonObject numberXf = b["xfs"].toArray()[Cell(s, 0, 1)[4].toInt()].toObject();
        EXPECT_EQ(Str(b["formats"].toObject()[QString::number(numberXf["format"].toInt())]),
                  i == 1 ? "#,##0.00" : "0.0");
        QJsonObject totalXf = b["xfs"].toArray()[Cell(s, 45, 0)[4].toInt()].toObject();
        QJsonObject font = b["fonts"].toArray()[totalXf["font"].toInt()].toObject();
        EXPECT_EQ(Str(font["name"]), "Times New Roman");
        EXPECT_EQ(font["weight"].toInt(), 1000);
        EXPECT_EQ(font["italic"].toInt(), 1);
        EXPECT_EQ(font["underline"].toInt(), 1);
        EXPECT_EQ(Str(Cell(s, 45, 0)[3]), QString::fromUtf8("Итого"));
    }
    // The built-in number styles are style formats with the formats their names promise.
    QJsonObject styles = b["styles"].toObject();
    QJsonArray xfs = b["xfs"].toArray();
    for (auto [name, format] : {std::pair{"Currency", 44},
                                {"Currency [0]", 42},
                                {"Percent", 9},
                                {"Comma", 43},
                                {"Comma [0]", 41},
                                {"Normal", 0}}) {
        QJsonObject xf = xfs[styles[name].toArray()[1].toInt()].toObject();
        EXPECT_EQ(xf["is_style"].toInt(), 1) << name;
        EXPECT_EQ(xf["format"].toInt(), format) << name;
    }
    EXPECT_EQ(Str(b["formats"].toObject()["6"]),
              QString::fromUtf8("#,##0\"р.\";[Red]\\-#,##0\"р.\""));
}

TEST(ReadBack, ManyAndLongStringsAcrossContinueRecordsAndTheLastRow) {
    qmtest::TempDir dir;
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    std::vector<QString> expected;
    for (int row = 0; row < 3000; ++row) {
        AnsiString text = "row " + std::to_string(row) + " " + AnsiString(row % 50, 'x');
        if (row % 500 == 7) text = AnsiString(32767, static_cast<char>('A' + row % 26));
        sheet->Range(0, row, 0, row)->SetValue(text);
        expected.push_back(QString::fromStdString(text));
    }
    sheet->Range(255, 65535, 255, 65535)->SetValue(AnsiString("last"));
    TMemStream built;
    QJsonObject back = SaveAndReadBack(book, dir.path(), "strings.xls", built);
    ASSERT_FALSE(back.isEmpty());
    QJsonObject s = back["book"].toObject()["sheets"].toArray()[0].toObject();
    EXPECT_EQ(s["nrows"].toInt(), 65536);
    EXPECT_EQ(s["ncols"].toInt(), 256);
    EXPECT_EQ(Str(Cell(s, 65535, 255)[3]), "last");
    QJsonArray cells = s["cells"].toArray();
    int checked = 0;
    for (const QJsonValue& v : cells) {
        QJsonArray c = v.toArray();
        if (c[1].toInt() != 0) continue;
        EXPECT_EQ(c[3].toString(), expected.at(c[0].toInt())) << "row " << c[0].toInt();
        ++checked;
    }
    EXPECT_EQ(checked, 3000);
    EXPECT_GT(xlstest::RecordsWithId(xlstest::Records(built.Data()), 0x003C).size(), 10u);
}

TEST(ReadBack, ColoursOutsideTheDefaultPaletteAreStoredInIt) {
    qmtest::TempDir dir;
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    TvteXLSRange* plain = sheet->Range(0, 0, 0, 0);
    plain->SetValue(1);
    TvteExcelWriter().Save(&book, dir / "default.xls");
    QJsonObject colours =
        xlstest::ReadBack(dir / "default.xls")["book"].toObject()["colours"].toObject();
    TvteExcelWriter defaults;
    for (int p = 0; p < 56; ++p) {
        QJsonArray rgb = colours[QString::number(p + 8)].toArray();
        uint32_t c = defaults.Palette[p];
        EXPECT_EQ(rgb, (QJsonArray{int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)}))
            << p + 8;
    }

    TvteXLSRange* coloured = sheet->Range(1, 0, 1, 0);
    coloured->SetValue(AnsiString("c"));
    coloured->Format().Font.Color = RGB(0x12, 0x34, 0x56);
    coloured->Format().FillPattern = 1;
    coloured->Format().FillForeColor = RGB(0xAB, 0xCD, 0xEF);
    coloured->Format().Borders.Border(bdTop).LineStyle = 2;
    coloured->Format().Borders.Border(bdTop).Color = clBlue;
    TvteExcelWriter().Save(&book, dir / "coloured.xls");
    QJsonObject b = xlstest::ReadBack(dir / "coloured.xls")["book"].toObject();
    EXPECT_EQ(Str(b["log"]), QString());
    QJsonObject s = b["sheets"].toArray()[0].toObject();
    QJsonObject xf = b["xfs"].toArray()[Cell(s, 0, 1)[4].toInt()].toObject();
    QJsonObject font = b["fonts"].toArray()[xf["font"].toInt()].toObject();
    auto rgbOf = [&](int index) {
        return b["colours"].toObject()[QString::number(index)].toArray();
    };
    EXPECT_EQ(rgbOf(font["colour_index"].toInt()), (QJsonArray{0x12, 0x34, 0x56}));
    EXPECT_EQ(xf["pattern"].toInt(), 1);
    EXPECT_EQ(rgbOf(xf["fore"].toInt()), (QJsonArray{0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(xf["border"].toObject()["top"].toArray(), (QJsonArray{2, 12}));
}

// A sheet large enough that the writer reads its ranges in several runs side by side and writes
// its row blocks in several rounds of runs. Fonts and number formats first met in a later run,
// or met again there, must get the numbers one pass from the start gives them; every string must
// land on its own cell; every block must be found through the INDEX record.
TEST(ReadBack, ALargeSheetWrittenInRunsReadsBackCellByCell) {
    qmtest::TempDir dir;
    qmtest::ForcedParts forced;
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    constexpr int kRows = 22000;
    auto textOf = [](int row) {
        return "move " + std::to_string(row * 7 % 1000) + "/" + std::to_string(row);
    };
    auto formatOf = [](int row) -> AnsiString {
        if (row >= 21000) return "0.000";
        if (row >= 18000 && row % 2 == 0) return "dd.mm.yyyy";  // the same format as below
        if (row >= 12000 && row % 3 == 0) return "DD.MM.YYYY";
        return "0.00";
    };
    const std::vector<TvteXLSRange*> cells =
        sheet->AddCells(0, 0, 2, kRows - 1, qm::TParts::SideBySide());
    for (int row = 0; row < kRows; ++row) {
        TvteXLSRange& text = *cells[row * 3];
        text.SetValue(AnsiString(textOf(row)));
        if (row == 5 || row == 20001) text.Format().Font.Style = fsItalic;
        if (row >= 15000 && row % 1000 == 0) text.Format().Font.Style = fsBold;
        TvteXLSRange& amount = *cells[row * 3 + 1];
        amount.SetValue(row * 0.25);
        amount.Format().NumberFormat = formatOf(row);
        cells[row * 3 + 2]->SetValue(AnsiString(row % 4 == 0 ? "" : "x" + std::to_string(row)));
    }
    sheet->Range(0, kRows, 2, kRows + 1)->SetValue(AnsiString("end"));
    TMemStream built, inOnePass;
    QJsonObject back =
        SaveAndReadBack(book, dir.path(), "large.xls", built, qm::TParts::SideBySide());
    ASSERT_FALSE(back.isEmpty());
    TvteExcelWriter().WriteWorkbook(inOnePass, &book);
    EXPECT_TRUE(built.Data() == inOnePass.Data()) << "the runs join up otherwise than one pass";

    QJsonObject b = back["book"].toObject();
    QJsonArray xfs = b["xfs"].toArray();
    QJsonArray fonts = b["fonts"].toArray();
    QJsonObject formats = b["formats"].toObject();
    QJsonObject s = b["sheets"].toArray()[0].toObject();
    EXPECT_EQ(s["merged"].toArray(), QJsonArray{QJsonValue(QJsonArray({kRows, kRows + 2, 0, 3}))});
    std::map<std::pair<int, int>, QJsonArray> byPlace;
    for (const QJsonValue& v : s["cells"].toArray()) {
        QJsonArray c = v.toArray();
        byPlace[{c[0].toInt(), c[1].toInt()}] = c;
    }
    // Fonts in the order they were first met, after the four defaults and the index 4 the file
    // leaves out: the ranges' own, italic, then bold.
    ASSERT_EQ(fonts.size(), 8);
    EXPECT_EQ(fonts[6].toObject()["italic"].toInt(), 1);
    EXPECT_EQ(fonts[7].toObject()["weight"].toInt(), 1000);
    int mismatches = 0;
    for (int row = 0; row < kRows && mismatches < 5; ++row) {
        const QJsonArray text = byPlace[{row, 0}];
        const QJsonObject textFont =
            fonts[xfs[text[4].toInt()].toObject()["font"].toInt()].toObject();
        const bool italic = row == 5 || row == 20001;
        const bool bold = row >= 15000 && row % 1000 == 0;
        const QJsonArray amount = byPlace[{row, 1}];
        const QJsonArray other = byPlace[{row, 2}];
        const bool same =
            text[3].toString() == QString::fromStdString(textOf(row)) &&
            textFont["italic"].toInt() == (italic ? 1 : 0) &&
            textFont["weight"].toInt() == (bold ? 1000 : 100) &&
            amount[3].toDouble() == row * 0.25 &&
            formats[QString::number(xfs[amount[4].toInt()].toObject()["format"].toInt())]
                    .toString()
                    .toUpper() == QString::fromStdString(formatOf(row)).toUpper() &&
            (row % 4 == 0 ? other[2].toInt() == kBlank
                          : other[3].toString() == "x" + QString::number(row));
        if (!same) {
            ADD_FAILURE() << "row " << row;
            ++mismatches;
        }
    }
    // One format for both spellings of the date format, numbered in the order first met.
    EXPECT_EQ(formats["50"].toString(), "0.00");
    EXPECT_EQ(formats["51"].toString(), "DD.MM.YYYY");
    EXPECT_EQ(formats["52"].toString(), "0.000");
    EXPECT_TRUE(formats["53"].isNull());

    auto records = xlstest::Records(built.Data());
    auto index = xlstest::RecordsWithId(records, 0x020B).at(0);
    auto dbcells = xlstest::RecordsWithId(records, 0x00D7);
    ASSERT_EQ(dbcells.size(), static_cast<size_t>((kRows + 2 + 31) / 32));
    ASSERT_EQ(index.Data.size(), 16 + 4 * dbcells.size());
    for (size_t i = 0; i < dbcells.size(); ++i)
        ASSERT_EQ(index.U32(16 + 4 * i), dbcells[i].Position) << "block " << i;
}
