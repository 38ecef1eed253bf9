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
    title->Font.Style = fsBold;
    title->Font.SetSize(14);
    title->HorizontalAlignment = 2;

    TvteXLSRange* amount = sheet->Range(1, 2, 1, 2);
    amount->SetValue(-1234.5);
    amount->NumberFormat = "0.00";
    amount->Borders.Border(bdBottom).LineStyle = 1;
    amount->Borders.Border(bdBottom).Color = clRed;

    TvteXLSRange* note = sheet->Range(0, 2, 0, 2);
    note->SetValue(AnsiString("a\r\nb"));
    note->WrapText = true;

    AnsiString longText;
    while (longText.size() < 9000) longText += FromUtf8("Длинный текст примечания. ");
    sheet->Range(2, 2, 3, 3)->SetValue(longText);
    sheet->Range(0, 4, 0, 4);  // a formatted empty cell
    sheet->Range(3, 5, 3, 5)->SetValue(7);
    sheet->PageSetup.Orientation = 1;
    sheet->PageSetup.CenterHeader = FromUtf8("Отчёт");

    TMemStream built;
    TvteExcelWriter().WriteWorkbook(built, &book);
    TvteExcelWriter().Save(&book, dir / "one.xls");
    QJsonObject back = xlstest::ReadBack(dir / "one.xls", dir / "stream.bin");
    ASSERT_FALSE(back.isEmpty());
    ExpectCleanContainer(back, built.Data(), dir / "stream.bin");

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
