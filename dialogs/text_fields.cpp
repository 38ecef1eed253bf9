// The refusal of typed texts that the interface code page cannot hold.
#include "dialogs/text_fields.h"

#include "app/window/ui_strings.h"
#include "app/window/window_calls.h"
#include "platform/dialogs.h"

namespace qm {

void NoticeUnfitText(QWidget* owner, const AnsiString& title, const AnsiString& field,
                     const TUnfitChar& bad) {
    const AnsiString entry = Form1 ? MainWindow::Ui(kUnfitTextNotice) : AnsiString();
    MessageBox(owner, UnfitTextNotice(entry, field, bad), title, MB_OK | MB_ICONWARNING);
}

void SelectCharacter(QLineEdit& edit, int position) {
    // Positions count characters; the edit counts UTF-16 units, two for a character beyond
    // U+FFFF.
    const QString text = edit.text();
    qsizetype at = 0;
    for (int i = 1; i < position && at < text.size(); ++i)
        at += text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    if (at >= text.size()) return;
    const int length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    edit.setSelection(static_cast<int>(at), length);
}

bool TextsFit(TForm& form, std::initializer_list<std::pair<TEdit*, int>> fields) {
    for (const auto& [edit, caption] : fields) {
        const TUnfitChar bad = FirstUnfitChar(edit->text());
        // A text read from the file and left as it was is written back as stored.
        if (!bad || edit->ShowsStoredText()) continue;
        NoticeUnfitText(&form, form.Caption(), Form1 ? MainWindow::Ui(caption) : AnsiString(), bad);
        if (edit->CanFocus()) edit->SetFocus();
        SelectCharacter(*edit, bad.Position);
        return false;
    }
    return true;
}

}  // namespace qm
