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

// A character of a Unicode text that the interface code page cannot hold. Every text the user
// types or imports is checked with FirstUnfitChar before it is converted, so that such a text is
// refused instead of being stored with "?" in place of the character.
struct TUnfitChar {
    // The character's place in the text, counted in characters from 1 as the program counts
    // them; 0 when the code page holds every character.
    int Position = 0;
    // The character; U+FFFD for a byte sequence that is no UTF-8 or a lone surrogate.
    char32_t Code = 0;
    explicit operator bool() const { return Position > 0; }
};
TUnfitChar FirstUnfitChar(const QString& text);
// The same for UTF-8 text, such as a line of an imported file.
TUnfitChar FirstUnfitCharUtf8(const std::string& text);
// True when every character of s can be held in the interface code page.
bool FitsCodePage(const QString& s);
// A character named so that every code page can show the name: "U+4E2D", "U+1F600".
AnsiString UnicodeName(char32_t code);

// Texts read from the file (UTF-8) and written back. The code page shows a stored character it
// cannot hold as "?", so a text read, left alone and converted back would lose that character.
//
// The UTF-8 to write for `text` in place of `stored`, the text the file held there: the stored
// bytes themselves while `text` still reads as the code page showed them (Utf8ToAnsi(stored)),
// otherwise `text` converted. Touches nothing.
std::string WriteBackUtf8(const AnsiString& text, const std::string& stored);
// The stored character that a change of such a text may lose: none while the code page holds
// every character of `stored`, while `text` is unchanged (written back as stored) or while `text`
// holds no "?" at all (no stand-in can be left); otherwise the first character of `stored` the
// code page cannot hold, with its place in `stored`.
TUnfitChar LostStandIn(const AnsiString& text, const std::string& stored);

}  // namespace qm
