// The code page table.
#include "xls/text16.h"

#include <QString>

namespace qm::xls {

TCodePageTable::TCodePageTable() {
    for (int b = 0; b < 256; ++b) {
        QString q = ToQString(AnsiString(1, static_cast<char>(b)));
        map_[b] = q.size() == 1 ? static_cast<char16_t>(q.at(0).unicode()) : u'?';
    }
}

void TCodePageTable::AppendTo(std::u16string& out, const AnsiString& s) const {
    size_t at = out.size();
    out.resize(at + s.size());
    for (size_t i = 0; i < s.size(); ++i) out[at + i] = map_[static_cast<unsigned char>(s[i])];
}

std::u16string TCodePageTable::Convert(const AnsiString& s) const {
    std::u16string out;
    AppendTo(out, s);
    return out;
}

}  // namespace qm::xls
