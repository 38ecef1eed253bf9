// Desktop services: the shell's "open" of a file or a web address with the user's chosen
// program, behind a hook for tests, and the clipboard's text.
#pragma once

#include <QUrl>
#include <filesystem>
#include <functional>

#include "platform/ansistring.h"

namespace qm {

// Opens a document with the program the desktop associates with it; a relative path is taken
// from the working folder. False when nothing could open it.
bool ShellOpenFile(const std::filesystem::path& file);
// Opens a web address ("https://...", or "www.example.org" taken as http).
bool ShellOpenAddress(const AnsiString& address);

// The URL the desktop is asked to open, for a file or an address.
QUrl ShellFileUrl(const std::filesystem::path& file);
QUrl ShellAddressUrl(const AnsiString& address);

// With a hook set nothing is opened; the hook's answer is returned. An empty hook restores the
// desktop.
using ShellOpenHook = std::function<bool(const QUrl& url)>;
void SetShellOpenHook(ShellOpenHook hook);

bool ClipboardHasText();
// In the interface code page, where a character it cannot hold becomes "?": check
// ClipboardUnfitChar first wherever the text is kept.
AnsiString ClipboardText();
TUnfitChar ClipboardUnfitChar();
void SetClipboardText(const AnsiString& text);

}  // namespace qm
