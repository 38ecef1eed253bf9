// The common open and save dialogs, behind one hook so that tests can answer them. Chosen paths
// stay file system paths (UTF-8 here) and never pass through the interface code page.
#pragma once

#include <QStringList>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/ansistring.h"

class QWidget;

namespace qm {

struct FileDialogRequest {
    bool save = false;
    AnsiString title;
    AnsiString filter;
    AnsiString defaultExt;
    std::filesystem::path fileName;  // the name the dialog starts with
    bool multiSelect = false;
    bool overwritePrompt = false;
    QWidget* owner = nullptr;
};

// Answers a dialog: the chosen paths, or none when cancelled. An empty hook restores dialogs.
using FileDialogHook = std::function<std::vector<std::filesystem::path>(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

// Filter in the framework's form, description and pattern pairs joined by "|", patterns split by
// ";" ("QIF files|*.qif|All files|*.*"); as Qt's name filters ("QIF files (*.qif)", ...).
QStringList QtNameFilters(const AnsiString& filter);
// The default extension goes onto a chosen name that has no extension.
std::filesystem::path WithDefaultExt(const std::filesystem::path& p, const AnsiString& ext);

// Any name may be chosen, also one of a file that does not exist yet; with MultiSelect, one or
// more existing files.
class TOpenDialog {
  public:
    AnsiString Title;
    AnsiString Filter;
    AnsiString DefaultExt;
    bool MultiSelect = false;
    std::filesystem::path FileName;
    std::vector<std::filesystem::path> Files;  // every chosen file; FileName is the first
    // True when a file was chosen.
    bool Execute(QWidget* owner = nullptr);
};

class TSaveDialog {
  public:
    AnsiString Title;
    AnsiString Filter;
    AnsiString DefaultExt;
    // Ask before an existing file is chosen (off by default, as callers that ask themselves
    // need).
    bool OverwritePrompt = false;
    std::filesystem::path FileName;
    bool Execute(QWidget* owner = nullptr);
};

}  // namespace qm
