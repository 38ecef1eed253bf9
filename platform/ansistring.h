// Interface text: 8-bit strings in the user's single-byte code page, as the program's logic counts
// characters (one byte is one character), with the conversions to UTF-8 and to Qt.
#pragma once

#include <QString>
#include <string>

using AnsiString = std::string;

namespace qm {

// The single-byte code page of the interface, e.g. "CP1252". Chosen once from the locale the way
// the desktop chooses its ANSI code page; tests may set another.
const std::string& InterfaceCodePage();
void SetInterfaceCodePage(const std::string& name);
// The code page a locale name such as "ru_RU.UTF-8" maps to.
std::string CodePageForLocale(const std::string& locale);

// A character the target cannot hold becomes "?".
std::string AnsiToUtf8(const AnsiString& s);
AnsiString Utf8ToAnsi(const std::string& s);

QString ToQString(const AnsiString& s);
AnsiString FromQString(const QString& s);
// True when every character of s can be held in the interface code page.
bool FitsCodePage(const QString& s);

}  // namespace qm
