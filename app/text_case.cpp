// Upper-casing interface texts one byte at a time. The interface code page holds one character
// per byte, and upper-casing maps each character on its own (no mapping looks at its
// neighbours), so the upper-cased text is the upper-cased bytes one after another: a table of
// the 256 bytes, made through Unicode once per code page, replaces a conversion per text.
#include "app/text_case.h"

#include <array>

namespace qm {
namespace {

const std::array<AnsiString, 256>& UpperTable() {
    static std::string page;
    static std::array<AnsiString, 256> table;
    if (page != InterfaceCodePage()) {
        page = InterfaceCodePage();
        for (int b = 0; b < 256; ++b)
            table[b] = FromQString(ToQString(AnsiString(1, static_cast<char>(b))).toUpper());
    }
    return table;
}

}  // namespace

AnsiString UpperCaseAnsi(const AnsiString& text) {
    const auto& table = UpperTable();
    AnsiString upper;
    upper.reserve(text.size());
    for (unsigned char c : text) upper += table[c];
    return upper;
}

bool StartsWithUpperCased(const AnsiString& text, size_t prefixLength,
                          const AnsiString& upperPrefix) {
    if (text.size() < prefixLength) return false;
    const auto& table = UpperTable();
    size_t at = 0;
    for (size_t i = 0; i < prefixLength; ++i) {
        const AnsiString& u = table[static_cast<unsigned char>(text[i])];
        if (upperPrefix.compare(at, u.size(), u) != 0) return false;
        at += u.size();
    }
    return at == upperPrefix.size();
}

bool StartsWithNoCase(const AnsiString& text, const AnsiString& prefix) {
    return StartsWithUpperCased(text, prefix.size(), UpperCaseAnsi(prefix));
}

}  // namespace qm
