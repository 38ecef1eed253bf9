// The main window's small commands: the clipboard on the current ledger cell, the calendar
// pick, the help file and web page, and opening an attached file.
#include "app/store/attached_files.h"
#include "app/window/main_window.h"
#include "controls/number_text.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace qm {

namespace {
bool AllDigits(const AnsiString& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}
}  // namespace

AnsiString* TForm1::CurrentCell() {
    if (CurrentTab().Kind != tkLedger) return nullptr;
    if (Ledger.CurRow < 0 || Ledger.CurRow >= static_cast<int>(Ledger.Rows.size())) return nullptr;
    if (Ledger.CurCol < 0 || Ledger.CurCol > 6) return nullptr;
    return &Ledger.Rows[Ledger.CurRow].Cells[Ledger.CurCol];
}

void TForm1::DeleteSelection() {
    AnsiString* cell = CurrentCell();
    if (!cell || Ledger.SelLength == 0) return;
    const int start = std::clamp(Ledger.SelStart, 1, static_cast<int>(cell->size()) + 1);
    const int length = std::min(Ledger.SelLength, static_cast<int>(cell->size()) - start + 1);
    cell->erase(start - 1, std::max(length, 0));
    if (start + Ledger.SelLength <= Ledger.CaretPos)
        Ledger.CaretPos -= Ledger.SelLength;
    else if (start < Ledger.CaretPos)
        Ledger.CaretPos = start;
    Ledger.SelLength = 0;
}

void TForm1::Action8Execute() {
    // Copy and paste act only on ledger tabs: a report tab has no rows.
    AnsiString* cell = CurrentCell();
    if (!cell || Ledger.SelLength <= 0 || Ledger.SelStart < 1) return;
    SetClipboardText(
        cell->substr(std::min<size_t>(Ledger.SelStart - 1, cell->size()), Ledger.SelLength));
}

void TForm1::Action9Execute() {
    if (!CurrentCell() || Ledger.CurCol == 0 || Ledger.CurCol == 4 || Ledger.CurCol == 5) return;
    Action8Execute();
    DeleteSelection();
    Ledger.Editing = true;
    PaintBill();
}

void TForm1::Action10Execute() {
    AnsiString* cell = CurrentCell();
    if (!ClipboardHasText() || !cell || Ledger.CurCol == 0) return;
    const AnsiString copy = *cell;
    const bool amount = Ledger.CurCol == 4 || Ledger.CurCol == 5;
    // A character the code page cannot hold would come in as "?": refused as typing it is, with
    // the cell as it was. The amount cells refuse every text but digits quietly below.
    if (!amount && ClipboardUnfitChar()) {
        MessageBeep();
        return;
    }
    DeleteSelection();
    if (amount && !cell->empty()) {
        *cell = copy;
        return;
    }
    AnsiString text;
    for (char c : ClipboardText())
        if (c != '\n' && c != '\r' && c != '\t') text += c;
    if (amount && !AllDigits(text)) {
        *cell = copy;
        return;
    }
    const int caret = std::clamp(Ledger.CaretPos, 1, static_cast<int>(cell->size()) + 1);
    cell->insert(caret - 1, text);
    Ledger.CaretPos = caret;
    Ledger.SelStart = caret;
    Ledger.SelLength = static_cast<int>(text.size());
    Ledger.Editing = true;
    PaintBill();
}

void TForm1::MonthCalendar1Click() {
    AnsiString* cell = CurrentCell();
    if (!cell) return;
    *cell = FormatDateTime(DateFormat, MonthCalendar1->Date());
    Ledger.Editing = true;
    DoEnable(5);
    PaintBill();
    Panel2->SetVisible(false);
}

void TForm1::Action24Execute() {
    ShellOpenFile(std::filesystem::path(".") / "help.chm");
}
void TForm1::Action25Execute() {
    ShellOpenAddress(Ui(125));
}

void TForm1::FilesMenuClick(int tag) {
    if (SelectMove == -1) return;
    if (tag == -1) {
        if (FilesDialog) FilesDialog();
        return;
    }
    const int holder = AttachmentRowId(*DB, SelectMove);
    if (holder < 0) return;
    const AnsiString value = ReadAttachedFiles(*DB, holder);
    const size_t split = value.find('\x01');
    if (split == AnsiString::npos) return;
    const AnsiString index = value.substr(0, split) + '\x02';
    const AnsiString data = value.substr(split + 1);
    size_t pos = 0, offset = 0;
    for (int k = 0; pos < index.size(); ++k) {
        const size_t nameEnd = index.find('\x03', pos);
        const size_t sizeEnd = index.find('\x02', pos);
        if (nameEnd == AnsiString::npos || sizeEnd == AnsiString::npos || nameEnd > sizeEnd) return;
        const AnsiString name = index.substr(pos, nameEnd - pos);
        const size_t size =
            static_cast<size_t>(StrToIntDef(index.substr(nameEnd + 1, sizeEnd - nameEnd - 1), 0));
        if (k == tag) {
            OpenAttachedFile(name, data.substr(std::min(offset, data.size()), size));
            return;
        }
        offset += size;
        pos = sizeEnd + 1;
    }
}

void TForm1::OpenAttachedFile(const AnsiString& name, const AnsiString& bytes) {
    // A plain file name only, so a stored name cannot point outside the temporary folder; a copy
    // that cannot be written is reported rather than opened stale.
    try {
        ShellOpenFile(WriteTempCopy(name, bytes));
    } catch (const Exception& e) {
        MessageBox(this, e.Message, "Quillmarsh", MB_OK | MB_ICONERROR);
    }
}

}  // namespace qm
