// Fuzz target: the ledger's date cell as the user edits it, on the main window (offscreen, on a
// file of its own). Each input picks one of the four date formats and the new row's date (as
// the settings dialog and the last saved row leave them), and is then a sequence of keys and
// clicks on the new row: digits, Home, End, Left, Right, Backspace, Delete, Tab, Shift+Tab, Esc,
// and a click somewhere along the date cell (its right end opens the calendar).
//
// Invariants beyond the sanitizers':
// 1. The date cell is only ever overwritten: it never grows past its eight characters.
// 2. Once its half-typed field is completed (Tab), the cell holds the format's short form: two
//    digits per field, the format's separators, a month 01 to 12 and a day 01 to 31. (Whether
//    day and month make a date is checked when the row is saved: a month completed from one
//    digit after a day of 31 can leave "31.06.26", which saving refuses with a notice.)
#include <QApplication>
#include <QMouseEvent>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/account_store.h"
#include "app/database_file.h"
#include "app/unit1.h"
#include "app/window_formats.h"
#include "fuzz/fuzz_support.h"
#include "platform/control.h"
#include "platform/keystate.h"

using namespace qm;
using qmfuzz::Require;

namespace {

TForm1* form = nullptr;

void Press(char key) {
    form->FormKeyPress(key);
}

void Down(int vk) {
    form->FormKeyDown(vk, 0);
}

AnsiString& DateCell() {
    return Ledger.Rows.at(Ledger.CurRow).Cells[0];
}

// A click along the date cell of the current row, `eighths` of its width from its left.
void ClickDateCell(int eighths) {
    if (Ledger.Rows.empty()) return;
    const TRect r = Ledger.Rows.at(Ledger.CurRow).CellRects[0];
    const QPointF at(r.Left + (r.Right - r.Left) * eighths / 8.0, (r.Top + r.Bottom) / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, form->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, form->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form, &press);
    QApplication::sendEvent(form, &release);
}

// As the settings dialog sets a format; the new row then takes `date`.
void UseFormat(int index, TDateTime date) {
    form->DateFormatIndex = index;
    form->DateFormat = DateFormatOf(index);
    ApplyProcessDateFormat(index);
    LastDate = FormatDateTime(form->DateFormat, date);
    // Esc drops the row's edit and rebuilds the ledger in the new format.
    Press(27);
}

void Apply(uint8_t b) {
    const int op = b % 20;
    if (op <= 9) return Press(static_cast<char>('0' + op));
    switch (op) {
        case 10:
            return Down(VK_HOME);
        case 11:
            return Down(VK_END);
        case 12:
            return Down(VK_LEFT);
        case 13:
            return Down(VK_RIGHT);
        case 14:
            return Down(VK_DELETE);
        case 15:
            return Press(8);
        case 16:
            return Press('\t');
        case 17:
            SetSideKeyForTests(TSideKey::LeftShift, true);
            Press('\t');
            return SetSideKeyForTests(TSideKey::LeftShift, false);
        case 18:
            return Press(27);
        default:
            return ClickDateCell(b / 20 % 9);
    }
}

int Field(const AnsiString& cell, int start) {
    return (cell[start] - '0') * 10 + (cell[start + 1] - '0');
}

void CheckDateCell() {
    const AnsiString& cell = DateCell();
    Require(cell.size() <= 8, "the date cell never grows past eight characters", cell);
    if (Ledger.CurCol == 0) Press('\t');  // completes a half-typed field
    const AnsiString& done = DateCell();
    const char sep = FormatSettings().DateSeparator;
    bool shape = done.size() == 8 && done[2] == sep && done[5] == sep;
    for (int i : {0, 1, 3, 4, 6, 7}) shape = shape && done[i] >= '0' && done[i] <= '9';
    Require(shape, "a completed date cell has the format's short form", done);
    // Field starts by format: month first (1), year first (4), else day first.
    const int index = form->DateFormatIndex;
    const int month = Field(done, index == 1 ? 0 : 3);
    const int day = Field(done, index == 1 ? 3 : index == 4 ? 6 : 0);
    Require(month >= 1 && month <= 12, "a completed date cell has a month 01 to 12", done);
    Require(day >= 1 && day <= 31, "a completed date cell has a day 01 to 31", done);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::filesystem::path runtime = qmfuzz::ScratchFolder() / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // Never destroyed: Qt's objects do not survive being torn down by the exit handlers.
    new QApplication(*argc, *argv);
    std::filesystem::current_path(qmfuzz::ScratchFolder());
    qmfuzz::UseProgramSettings();
    qmfuzz::AbortOnDatabaseFailure();
    int wallet = 0;
    {
        auto db = CreateDatabaseFile(kDatabaseFileName, "Income", "Assets", "Spending");
        const int money = InsertGroup(*db, {"Money", 2, 1, false});
        wallet = InsertAccount(*db, {"Wallet", 2, money, 1, true, false});
        InsertAccount(*db, {"Bank", 2, money, 1, true, false});
    }
    form = new TForm1();
    Require(form->StartupComplete(), "the main window starts on the file");
    form->resize(800, 300);  // the smallest window: every key paints it
    THeadTab tab;
    tab.Kind = tkLedger;
    tab.Id = wallet;
    tab.BillTypeId = 2;
    tab.TwoSign = true;
    Head.HeadTabs.push_back(tab);
    form->SwitchToTab(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Within about 90 years either side of 15 March 2026.
    const int days = static_cast<int16_t>(data[1] | data[2] << 8);
    UseFormat(1 + data[0] % 4, EncodeDate(2026, 3, 15) + days);
    for (size_t i = 3; i < size && i < 40; ++i) {
        Apply(data[i]);
        if (Ledger.CurCol == 0 && !Ledger.Rows.empty())
            Require(DateCell().size() <= 8, "the date cell never grows past eight characters",
                    DateCell());
    }
    CheckDateCell();
    ReleaseAllSideKeys();
    return 0;
}
