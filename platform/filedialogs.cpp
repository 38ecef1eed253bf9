// The open and save dialogs over QFileDialog.
#include "platform/filedialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QShowEvent>

#include "platform/modal_owner.h"

namespace qm {
namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

QString PathText(const std::filesystem::path& p) {
    return QFile::decodeName(p.native().c_str());
}

std::filesystem::path TextPath(const QString& s) {
    return std::filesystem::path(QFile::encodeName(s).toStdString());
}

// A file dialog that belongs to the window that asked, as the forms do.
class OwnedFileDialog : public QFileDialog {
  public:
    OwnedFileDialog(QWidget* owner, const QString& title)
        : QFileDialog(owner, title), showing_(this, owner) {}

  protected:
    void showEvent(QShowEvent* e) override {
        QFileDialog::showEvent(e);
        if (!e->spontaneous()) showing_.Shown();
    }

  private:
    TModalShowing showing_;
};

std::vector<std::filesystem::path> RunDialog(const FileDialogRequest& r) {
    OwnedFileDialog dialog(ModalOwner(nullptr, r.owner), ToQString(r.title));
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!r.save && r.multiSelect ? QFileDialog::ExistingFiles
                                                : QFileDialog::AnyFile);
    if (!r.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtNameFilters(r.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!r.fileName.empty()) dialog.selectFile(PathText(r.fileName));
    std::vector<std::filesystem::path> chosen;
    if (dialog.exec() != QDialog::Accepted) return chosen;
    for (const QString& f : dialog.selectedFiles()) chosen.push_back(TextPath(f));
    return chosen;
}

std::vector<std::filesystem::path> Ask(const FileDialogRequest& r) {
    std::vector<std::filesystem::path> chosen = Hook() ? Hook()(r) : RunDialog(r);
    for (auto& p : chosen) p = WithDefaultExt(p, r.defaultExt);
    return chosen;
}

}  // namespace

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

QStringList QtNameFilters(const AnsiString& filter) {
    const QStringList parts = ToQString(filter).split(QChar('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QChar(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        out << parts[i].trimmed() + " (" + patterns.join(QChar(' ')) + ")";
    }
    return out;
}

std::filesystem::path WithDefaultExt(const std::filesystem::path& p, const AnsiString& ext) {
    if (ext.empty() || p.empty() || p.has_extension()) return p;
    std::filesystem::path out = p;
    out += "." + AnsiToUtf8(ext[0] == '.' ? ext.substr(1) : ext);
    return out;
}

bool TOpenDialog::Execute(QWidget* owner) {
    FileDialogRequest r;
    r.title = Title;
    r.filter = Filter;
    r.defaultExt = DefaultExt;
    r.fileName = FileName;
    r.multiSelect = MultiSelect;
    r.owner = owner;
    std::vector<std::filesystem::path> chosen = Ask(r);
    if (chosen.empty()) return false;
    Files = std::move(chosen);
    FileName = Files.front();
    return true;
}

bool TSaveDialog::Execute(QWidget* owner) {
    FileDialogRequest r;
    r.save = true;
    r.title = Title;
    r.filter = Filter;
    r.defaultExt = DefaultExt;
    r.fileName = FileName;
    r.overwritePrompt = OverwritePrompt;
    r.owner = owner;
    std::vector<std::filesystem::path> chosen = Ask(r);
    if (chosen.empty()) return false;
    FileName = chosen.front();
    return true;
}

}  // namespace qm
