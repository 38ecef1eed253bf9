// Stored texts the interface code page cannot show whole (Latin-1 names under code page 1251,
// Cyrillic ones under 1252): every path that reads such a text and writes it back leaves the
// stored bytes as they were when the user changed nothing, and a change that would put "?" in
// place of a stored character is refused. The bytes are read through a connection of their own.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAction>
#include <functional>

#include "app/exchange/qif_export.h"
#include "app/exchange/spreadsheet_export.h"
#include "app/store/move_store.h"
#include "app/window/main_window.h"
#include "app/window/ui_strings.h"
#include "dialogs/account_dialog.h"
#include "dialogs/currencies_dialog.h"
#include "dialogs/files_dialog.h"
#include "dialogs/group_dialog.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/transaction_dialog.h"
#include "platform/dialogs.h"
#include "tests/app/household.h"
#include "tests/support/support.h"
#include "tests/support/typing.h"

using namespace qm;
using namespace qmtest;

namespace {

struct Texts {
    const char* page;
    const char* account;  // names, number and note in UTF-8, as the file holds them
    const char* group;
    const char* currency;
    const char* shortName;
    const char* num;
    const char* note;
    const char* title;     // the title is kept in the code page's bytes: one byte is no character
    const char* lostName;  // the first character of the note the code page cannot hold
};

const Texts kTexts[] = {
    {"CP1251", "Zürich Café", "Genève", "Złoty", "zł", "½", "Crème brûlée? l'été", "Home \x98",
     "U+00E8"},
    {"CP1252", "Москва", "Дом", "Рубль", "руб", "№7", "Кафе «Пушкин»? д'Арт", "Home \x81",
     "U+041A"},
};

void PrintTo(const Texts& texts, std::ostream* out) {
    *out << texts.page;
}

// Every row of a query on a connection of its own, columns joined by "|", one line per row.
std::string Bytes(const std::string& sql) {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2("./Quillmarsh.dat", &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open";
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                out += (c ? "|" : "") + std::string(text ? text : "");
            }
            out += "\n";
        }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

class StoredTexts : public HouseholdWindow, public ::testing::WithParamInterface<Texts> {
  protected:
    void SetUp() override {
        saved_ = InterfaceCodePage();
        SetInterfaceCodePage(GetParam().page);
        Seed(3);
        Store();
        Start();
    }
    void TearDown() override {
        HouseholdWindow::TearDown();
        SetInterfaceCodePage(saved_);
    }
    // The texts go into the file as another program would have written them.
    void Store() {
        const Texts& t = GetParam();
        const auto quoted = [](const char* s) { return "'" + QuotedSqlText(s) + "'"; };
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("update bill set name = " + quoted(t.account) +
                   " where id = " + IntToStr(kGroceries));
        db.ExecSQL("update bill set name = " + quoted(t.group) +
                   " where id = " + IntToStr(kHomeGroup));
        db.ExecSQL("update currency set name = " + quoted(t.currency) +
                   ", short_name = " + quoted(t.shortName) + " where id = 1");
        move_ = static_cast<int>(
            db.GetTable("select min(id) from bill_move where src_bill_id = " + IntToStr(kWallet) +
                        " and dest_bill_id = " + IntToStr(kGroceries))
                ->FieldAsInteger(0));
        db.ExecSQL("update bill_move set num = " + quoted(t.num) + ", note = " + quoted(t.note) +
                   " where id = " + IntToStr(move_) + " or bill_move_id = " + IntToStr(move_));
        db.ExecSQL("update bill_move set files = X'" + Hex(Attachments(true)) +
                   "' where id = " + IntToStr(move_));
        db.ExecSQL("delete from param where name = 'settings-title'");
        db.ExecSQL("insert into param (name, value) values ('settings-title', " + quoted(t.title) +
                   ")");
    }
    // The move's attached files: the first named in the code page's bytes (the title's, one
    // byte no character), the second plain; `both` false: the first alone.
    static std::string Attachments(bool both) {
        const std::string first = std::string(GetParam().title) + ".txt";
        return both ? first +
                          "\x03"
                          "1\x02"
                          "b.txt\x03"
                          "1\x01"
                          "xy"
                    : first +
                          "\x03"
                          "1\x01"
                          "x";
    }
    // The wallet's ledger with the stored move selected.
    TBillMoveRow& SelectStoredMove() {
        if (CurrentTab().Kind != tkLedger) OpenLedger(kWallet);
        SelectMove = move_;
        Ledger.Rows.clear();
        form->PaintBill();
        form->DoEnable(4);
        return Ledger.Rows[Ledger.CurRow];
    }
    std::string MoveTexts(const std::string& where) {
        return Bytes("select hex(num), hex(note) from bill_move where " + where + " order by id");
    }

    std::string saved_;
    int move_ = 0;
};

INSTANTIATE_TEST_SUITE_P(CodePages, StoredTexts, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.page); });

}  // namespace

TEST_P(StoredTexts, ConfirmedUnchangedEveryPathWritesTheStoredBytesBack) {
    const Texts& t = GetParam();
    const std::string pair = "id = " + IntToStr(move_) + " or bill_move_id = " + IntToStr(move_);
    const std::string texts = Hex(t.num) + "|" + Hex(t.note) + "\n";
    struct Path {
        const char* what;
        std::string sql;       // the stored bytes the path reads and writes back
        std::string expected;  // what they are afterwards
        std::function<void()> drive;
    };
    const std::vector<Path> paths = {
        {"account dialog", "select hex(name) from bill where id = " + IntToStr(kGroceries),
         Hex(t.account) + "\n",
         [&] {
             SelectBill = kGroceries;
             driver.Then([&](TForm& f) {
                 auto& d = static_cast<TForm2&>(f);
                 // Shown whole, through Qt's own text.
                 EXPECT_EQ(d.Edit1->text(), QString::fromUtf8(t.account));
                 d.Button1->Click();
             });
             form->N1Click();
         }},
        {"group dialog", "select hex(name) from bill where id = " + IntToStr(kHomeGroup),
         Hex(t.group) + "\n",
         [&] {
             SelectBill = kHomeGroup;
             driver.Then([&](TForm& f) {
                 auto& d = static_cast<TForm6&>(f);
                 EXPECT_EQ(d.Edit1->text(), QString::fromUtf8(t.group));
                 d.Button1->Click();
             });
             form->N8Click();
         }},
        {"currencies dialog", "select hex(name), hex(short_name) from currency where id = 1",
         Hex(t.currency) + "|" + Hex(t.shortName) + "\n",
         [&] {
             driver.Then([&](TForm& f) {
                 auto& d = static_cast<TForm3&>(f);
                 EXPECT_EQ(d.StringGrid1->CellText(0, 1), QString::fromUtf8(t.currency));
                 d.Button3Click();
             });
             form->Action(17)->trigger();
         }},
        {"ledger row stored after its amount is edited",
         "select hex(num), hex(note), amount "
         "from bill_move where " +
             pair + " order by id",
         texts.substr(0, texts.size() - 1) + "|-77\n" + texts.substr(0, texts.size() - 1) + "|77\n",
         [&] {
             TBillMoveRow& row = SelectStoredMove();
             ASSERT_EQ(row.Id, move_);
             row.Cells[4] = "";
             row.Cells[5] = "77";
             Ledger.Editing = true;
             ASSERT_TRUE(form->Save());
         }},
        {"ledger row duplicated and stored",
         "select hex(num), hex(note) from bill_move where id > "
         "(select max(id) - 2 from bill_move)",
         texts + texts,
         [&] {
             SelectStoredMove();
             form->Action20Execute();
             Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
             Ledger.Rows.back().Cells[0] = "14.03.26";
             ASSERT_TRUE(form->Save());
         }},
        {"move rewritten by the transaction dialog",
         "select hex(num), hex(note) from bill_move "
         "where " +
             pair + " order by id",
         texts + texts,
         [&] {
             SelectStoredMove();
             driver.Then([&](TForm& f) {
                 auto& d = static_cast<TForm7&>(f);
                 EXPECT_EQ(d.Edit1->text(), QString::fromUtf8(t.num));
                 EXPECT_EQ(d.Edit2->text(), QString::fromUtf8(t.note));
                 d.Button1->Click();
             });
             form->Action(4)->trigger();
         }},
        {"attached files, one removed",
         "select hex(files) from bill_move where id = " + IntToStr(move_),
         Hex(Attachments(false)) + "\n",
         [&] {
             SelectStoredMove();
             driver.Then([](TForm& f) {
                 auto& d = static_cast<TForm12&>(f);
                 d.ListBox1->SetItemIndex(1);
                 d.Button2->Click();
                 d.Button3->Click();
             });
             form->FilesMenuClick(-1);
         }},
        // The title goes back into the file when the window closes.
        {"settings title", "select hex(value) from param where name = 'settings-title'",
         Hex(t.title) + "\n",
         [&] {
             driver.Then([](TForm& f) { static_cast<TForm8&>(f).Button1->Click(); });
             form->Action(13)->trigger();
             Close();
         }},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.what);
        path.drive();
        EXPECT_EQ(Bytes(path.sql), path.expected);
    }
    EXPECT_EQ(driver.shown(), 6);
}

// A note longer than an edit field takes is shown cut, and a dialog confirmed unchanged still
// writes the whole note back.
TEST_P(StoredTexts, ANoteLongerThanTheFieldTakesComesBackWhole) {
    const std::string pair = "id = " + IntToStr(move_) + " or bill_move_id = " + IntToStr(move_);
    const std::string note = GetParam().note + std::string(kEditMaxLength, 'n') + "'end";
    {
        TSQLiteDatabase db("./Quillmarsh.dat");
        db.ExecSQL("update bill_move set note = '" + QuotedSqlText(note) + "' where " + pair);
    }
    const std::string sql = "select hex(note) from bill_move where " + pair + " order by id";
    const std::string before = Bytes(sql);
    SelectStoredMove();
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm7&>(f);
        EXPECT_EQ(d.Edit2->text().size(), kEditMaxLength);
        d.Button1->Click();
    });
    form->Action(4)->trigger();
    EXPECT_EQ(driver.shown(), 1);
    EXPECT_EQ(Bytes(sql), before);
}

TEST_P(StoredTexts, AChangeKeepingAStandInIsRefusedAndNothingIsStored) {
    const Texts& t = GetParam();
    const std::string pair = "id = " + IntToStr(move_) + " or bill_move_id = " + IntToStr(move_);
    const std::string before = Bytes("select * from bill_move order by id");
    ScriptedBoxes boxes;

    // The note edited in the ledger with its "?" stand-ins kept: refused, naming the character.
    TBillMoveRow& row = SelectStoredMove();
    row.Cells[2] += " 2";
    row.Cells[5] = "77";
    Ledger.Editing = true;
    boxes.Answer(IDOK);
    EXPECT_FALSE(form->Save());
    EXPECT_EQ(Ledger.CurCol, 2);
    // Duplicated and changed the same way: refused too.
    Ledger.Editing = false;
    SelectStoredMove();
    form->Action20Execute();
    Ledger.CurRow = static_cast<int>(Ledger.Rows.size()) - 1;
    Ledger.Rows.back().Cells[0] = "14.03.26";
    Ledger.Rows.back().Cells[2] = "? " + Ledger.Rows.back().Cells[2];
    boxes.Answer(IDOK);
    EXPECT_FALSE(form->Save());
    EXPECT_EQ(Bytes("select * from bill_move order by id"), before);
    ASSERT_EQ(boxes.asked().size(), 2u);
    for (const AskedBox& box : boxes.asked()) {
        EXPECT_NE(box.text.find("\"" + form->Ui(32) + "\""), AnsiString::npos) << box.text;
        EXPECT_NE(box.text.find(t.lostName), AnsiString::npos) << box.text;
    }

    // An account name changed in the dialog, its stored characters kept: the typed check names
    // the first of them; nothing is stored.
    const std::string bill = Bytes("select * from bill order by id");
    SelectBill = kGroceries;
    driver.Then([&](TForm& f) {
        auto& d = static_cast<TForm2&>(f);
        d.Edit1->end(false);
        TypeText(d.Edit1, QString::fromUtf8(" 2"));
        boxes.Answer(IDOK);
        d.Button1->Click();
        EXPECT_EQ(f.ModalResult(), mrNone);
        d.Button2->Click();
    });
    form->N1Click();
    EXPECT_EQ(Bytes("select * from bill order by id"), bill);
    ASSERT_EQ(boxes.asked().size(), 3u);
    const char32_t first = FirstUnfitCharUtf8(t.account).Code;
    EXPECT_NE(boxes.asked()[2].text.find(UnicodeName(first)), AnsiString::npos)
        << boxes.asked()[2].text;

    // A note retyped without stand-ins is stored as typed.
    Ledger.Editing = false;
    TBillMoveRow& again = SelectStoredMove();
    again.Cells[2] = "plain";
    Ledger.Editing = true;
    ASSERT_TRUE(form->Save());
    EXPECT_EQ(Bytes("select note from bill_move where " + pair), "plain\nplain\n");
}

// The exports write the texts as the code page shows them, "?" standing in for what it cannot
// hold (the QIF file is in the code page; the spreadsheet takes the ledger's cells), and only
// read the file.
TEST_P(StoredTexts, ExportsShowTheStandInsAndLeaveTheFileAsItWas) {
    const Texts& t = GetParam();
    const auto all = [] {
        return Bytes("select * from bill order by id") +
               Bytes("select * from bill_move order by id") +
               Bytes("select * from currency order by id") +
               Bytes("select value from param where name = 'settings-title'");
    };
    const std::string before = all();
    const AnsiString qif = QifExportText(*DB, "dd.MM.yyyy", EncodeDate(2026, 3, 15));
    EXPECT_NE(qif.find("M" + Utf8ToAnsi(t.note) + "\r\n"), AnsiString::npos) << qif;
    EXPECT_NE(Utf8ToAnsi(t.note).find('?'), AnsiString::npos);
    TExportRequest request;
    request.AccountId = kWallet;
    request.BillTypeId = 2;
    request.AccountText = "A:Money-Wallet";
    request.From = EncodeDate(2026, 1, 1);
    request.To = EncodeDate(2026, 3, 15);
    request.File = "wallet.xls";
    EXPECT_EQ(ExportAccountMoves(*form, request), -1);
    EXPECT_EQ(all(), before);
}
