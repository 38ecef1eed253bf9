// TForm12, the attached files dialog.
#include "dialogs/files_dialog.h"

#include <sqlite3.h>

#include "app/store/attached_files.h"
#include "app/store/state.h"
#include "app/window/window_calls.h"
#include "platform/application.h"
#include "platform/dialogs.h"

namespace qm {

TForm12* Form12 = nullptr;

namespace {

// Refuses a choice whose value would outgrow what the engine holds in one field, before any
// file is read into memory.
void CheckRoom(const AnsiString& value, const std::vector<std::filesystem::path>& files) {
    uintmax_t total = value.size();
    for (const auto& f : files) {
        std::error_code ec;
        const uintmax_t size = std::filesystem::file_size(f, ec);
        total += (ec ? 0 : size) + f.filename().native().size() + 24;
    }
    const int limit = sqlite3_limit(DB->Handle(), SQLITE_LIMIT_LENGTH, -1);
    if (total > static_cast<uintmax_t>(limit))
        throw Exception(
            "The chosen files are too large to be attached: one transaction can hold "
            "at most " +
            IntToStr(limit) + " bytes of files.");
}

}  // namespace

TForm12::TForm12(QWidget* parent) : TForm(parent) {
    ListBox1 = new TListBox(this);
    Button1 = new TButton(this);
    Button2 = new TButton(this);
    Button4 = new TButton(this);
    Button3 = new TButton(this);
    Button3->SetCancel(true);
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    Button4->OnClick = [this] { Button4Click(); };
    QObject::connect(ListBox1, &QListWidget::itemSelectionChanged, this,
                     [this] { SwitchButtons(); });
    OpenDialog1.MultiSelect = true;
    SaveDialog1.OverwritePrompt = true;
    Layout();
    FormCreate();
}

void TForm12::Layout() {
    setFixedSize(440, 250);
    ListBox1->SetBounds(12, 12, 300, 226);
    int y = 12;
    for (TButton* b : {Button1, Button2, Button4}) {
        b->SetBounds(324, y, 104, 28);
        y += 36;
    }
    Button3->SetBounds(324, 210, 104, 28);
}

void TForm12::FormCreate() {
    if (!Form1) return;
    SetCaption(MainWindow::Ui(128));
    Button1->SetCaption(MainWindow::Ui(129));
    Button2->SetCaption(MainWindow::Ui(130));
    Button3->SetCaption(MainWindow::Ui(131));
    Button4->SetCaption(MainWindow::Ui(137));
    OpenDialog1.Title = MainWindow::Ui(129);
    SaveDialog1.Title = MainWindow::Ui(137);
}

void TForm12::FormShow() {
    ListBox1->Items().Clear();
    moveRowId_ = DB ? AttachmentRowId(*DB, SelectMove) : -1;
    if (moveRowId_ > 0) {
        const TAttachedFiles files = TAttachedFiles::Parse(ReadAttachedFiles(*DB, moveRowId_));
        for (const auto& e : files.Entries()) ListBox1->Items().Add(e.Name);
    }
    if (ListBox1->Items().Count() > 0) ListBox1->SetItemIndex(0);
    // A move deleted meanwhile takes no files.
    Button1->SetEnabled(moveRowId_ > 0);
    SwitchButtons();
    ListBox1->SetFocus();
}

void TForm12::SwitchButtons() {
    const bool selected = ListBox1->ItemIndex() >= 0;
    Button2->SetEnabled(selected);
    Button4->SetEnabled(selected);
}

// A damaged value is shown but never changed or handed out: the user is told so instead.
bool TForm12::ReadIntact(AnsiString& value, TAttachedFiles& files) {
    value = ReadAttachedFiles(*DB, moveRowId_);
    files = TAttachedFiles::Parse(value);
    if (!files.Damaged()) return true;
    MessageBox(this, EDamagedAttachments().Message, Caption(), MB_OK | MB_ICONWARNING);
    return false;
}

void TForm12::Button1Click() {
    if (moveRowId_ <= 0) return;
    AnsiString value;
    TAttachedFiles files;
    if (!ReadIntact(value, files) || !OpenDialog1.Execute(this)) return;
    // Every name is checked before anything is read, and nothing is written unless every file
    // was read whole.
    std::vector<AnsiString> names;
    for (const auto& file : OpenDialog1.Files) {
        AnsiString name;
        if (!StorableFileName(file, name)) {
            MessageBox(this, UnstorableNameMessage(file), Caption(), MB_OK | MB_ICONWARNING);
            return;
        }
        names.push_back(name);
    }
    try {
        CheckRoom(value, OpenDialog1.Files);
        for (size_t i = 0; i < names.size(); ++i)
            files.Add(names[i], ReadWholeFile(OpenDialog1.Files[i]));
        WriteAttachedFiles(*DB, moveRowId_, files.Value());
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    for (const AnsiString& name : names) ListBox1->Items().Add(name);
    ListBox1->SetItemIndex(ListBox1->Items().Count() - 1);
    SwitchButtons();
    MarkFiles(true);
}

void TForm12::Button2Click() {
    const int k = ListBox1->ItemIndex();
    if (k < 0 || moveRowId_ <= 0) return;
    AnsiString value;
    TAttachedFiles files;
    if (!ReadIntact(value, files)) return;
    files.Remove(static_cast<size_t>(k));
    value = files.Value();
    try {
        WriteAttachedFiles(*DB, moveRowId_, value);
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    ListBox1->Items().Delete(k);
    if (ListBox1->Items().Count() > 0) ListBox1->SetItemIndex(0);
    SwitchButtons();
    ListBox1->SetFocus();
    MarkFiles(!value.empty());
}

void TForm12::Button3Click() {
    Close();
}

void TForm12::Button4Click() {
    const int k = ListBox1->ItemIndex();
    if (k < 0 || moveRowId_ <= 0) return;
    AnsiString value;
    TAttachedFiles files;
    if (!ReadIntact(value, files)) return;
    SaveDialog1.FileName = std::filesystem::path(AnsiToUtf8(ListBox1->Items()[k])).filename();
    if (!SaveDialog1.Execute(this)) return;
    try {
        // Written over, the data file would lose every move, and a journal put beside it would
        // be read back into it at the next start.
        if (!WriteWholeFile(SaveDialog1.FileName, files.Bytes(static_cast<size_t>(k))))
            MessageBox(this, MainWindow::Ui(205), Caption(), MB_OK | MB_ICONWARNING);
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

// The attachment mark of the move in the ledger shown, in the current tab's buffer, and of its
// twin in the buffer of the correspondent account's first ledger tab.
void TForm12::MarkFiles(bool has) {
    auto t = DB->GetTable("select dest_bill_id, bill_move_id from bill_move where id = " +
                          IntToStr(SelectMove));
    if (t->Eof()) return;
    const int corr = static_cast<int>(t->FieldAsInteger(0));
    const int twin = static_cast<int>(t->FieldAsInteger(1));
    for (TBillMoveRow& r : Ledger.Rows)
        if (r.Id == SelectMove) r.HasFiles = has;
    if (HeadIndex >= 0 && HeadIndex < static_cast<int>(Head.HeadTabs.size()))
        for (TBufRow& b : CurrentTab().BufRows)
            if (b.Id == SelectMove) b.HasFiles = has;
    for (THeadTab& tab : Head.HeadTabs) {
        if (tab.Kind != tkLedger || tab.Id != corr) continue;
        for (TBufRow& b : tab.BufRows)
            if (b.Id == twin) b.HasFiles = has;
        break;
    }
}

}  // namespace qm
