// Interface text to UTF-16 for the file: the interface code page has one byte per character, so a
// table of its 256 characters, built once per save, converts every string without a library call.
#pragma once

#include <string>

#include "platform/ansistring.h"

namespace qm::xls {

class TCodePageTable {
  public:
    // The table of the current interface code page; a byte the page does not define becomes "?".
    TCodePageTable();
    std::u16string Convert(const AnsiString& s) const;
    void AppendTo(std::u16string& out, const AnsiString& s) const;

  private:
    char16_t map_[256];
};

}  // namespace qm::xls
