// The compound-file container and the save: failure codes and messages, refused stream names,
// and what is left on disk after a failure.
#include "xls/ole_storage.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "tests/support/support.h"
#include "tests/xls/xls_test_util.h"
#include "xls/excel_writer.h"

using namespace qm::xls;

namespace {

constexpr uint32_t kMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

std::string Contents(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string SaveError(TvteXLSWorkbook& book, const std::filesystem::path& p) {
    try {
        TvteExcelWriter().Save(&book, p);
    } catch (const EXLSError& e) {
        return e.Message;
    }
    return "saved";
}

}  // namespace

// The save says the system's reason; the storage calls give their status codes.
TEST(OleStorage, StorageFailuresAreReportedWithTheSystemsReasonAndTheirStatusCodes) {
    qmtest::TempDir dir;
    TvteXLSWorkbook book;
    book.AddSheet()->Range(0, 0, 0, 0)->SetValue(1);
    EXPECT_EQ(SaveError(book, dir / "missing" / "a.xls"), std::strerror(ENOENT));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(SaveError(book, dir / "folder"), std::strerror(EISDIR));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));

    std::unique_ptr<TOleStorage> storage;
    std::ofstream(dir / "there") << "x";
    std::string reason;
    EXPECT_EQ(StgCreateDocfile(dir / "there", STGM_READWRITE, storage, &reason),
              STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(reason, std::strerror(EEXIST));
    EXPECT_EQ(StgCreateDocfile(dir / "new", 0x40000, storage), STG_E_INVALIDFLAG);
    EXPECT_EQ(storage, nullptr);
    EXPECT_EQ(Contents(dir / "there"), "x");
}

TEST(OleStorage, RefusedStreamNamesLeaveAnEmptyCompoundFile) {
    qmtest::TempDir dir;
    {
        std::unique_ptr<TOleStorage> storage;
        ASSERT_EQ(StgCreateDocfile(dir / "empty.cf", kMode, storage), S_OK);
        std::unique_ptr<TOleStream> stream;
        EXPECT_EQ(storage->CreateStream(std::string(32, 'w'), kMode, stream), STG_E_INVALIDNAME);
        EXPECT_EQ(storage->CreateStream("a/b", kMode, stream), STG_E_INVALIDNAME);
        EXPECT_EQ(storage->CreateStream("", kMode, stream), STG_E_INVALIDNAME);
        EXPECT_EQ(stream, nullptr);
    }
    QJsonObject back = xlstest::ReadBack(dir / "empty.cf");
    QJsonObject container = back["container"].toObject();
    EXPECT_TRUE(container["defect"].isNull());
    EXPECT_TRUE(container["streams"].toArray().isEmpty());

    std::unique_ptr<TOleStorage> storage;
    ASSERT_EQ(StgCreateDocfile(dir / "two.cf", kMode, storage), S_OK);
    std::unique_ptr<TOleStream> a, b;
    EXPECT_EQ(storage->CreateStream(std::string(31, 'w'), kMode, a), S_OK);
    EXPECT_EQ(storage->CreateStream(std::string(31, 'w'), kMode, b), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(a->Write("abc", 3), S_OK);
    EXPECT_EQ(storage->Commit(), S_OK);
    EXPECT_EQ(a->Write("abc", 3), STG_E_REVERTED);
}

TEST(OleStorage, AFailedSaveLeavesAnEarlierFileAsItWasAndASuccessfulOneReplacesIt) {
    qmtest::TempDir dir;
    std::ofstream(dir / "book.xls") << "earlier";
    TvteXLSWorkbook book;
    TvteXLSWorksheet* sheet = book.AddSheet();
    sheet->Range(0, 0, 0, 0)->SetValue(AnsiString("kept?"));
    sheet->Col(0)->Width = 70000;
    EXPECT_EQ(SaveError(book, dir / "book.xls"),
              "Column width 70000 is outside what a worksheet can hold (0 to 65280)");
    EXPECT_EQ(Contents(dir / "book.xls"), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    sheet->Col(0)->Width = 7000;
    EXPECT_EQ(SaveError(book, dir / "book.xls"), "saved");
    QJsonObject back = xlstest::ReadBack(dir / "book.xls");
    EXPECT_EQ(back["container"].toObject()["streams"].toArray(), QJsonArray{"Workbook"});
    QJsonObject sheetBack = back["book"].toObject()["sheets"].toArray()[0].toObject();
    EXPECT_EQ(sheetBack["cells"].toArray()[0].toArray()[3].toString(), "kept?");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
