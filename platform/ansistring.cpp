// Code page conversions with iconv; the code page follows the locale like the desktop's ANSI page.
#include "platform/ansistring.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <stdexcept>

namespace qm {
namespace {

std::string& CodePageSlot() {
    static std::string page = [] {
        const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
        for (const char* n : names) {
            const char* v = std::getenv(n);
            if (v && *v) return CodePageForLocale(v);
        }
        return std::string("CP1252");
    }();
    return page;
}

// The Windows code pages the interface may have, and UTF-8, all hold ASCII as it is.
bool KeepsAscii(const std::string& name) {
    return name == "UTF-8" || name.rfind("CP125", 0) == 0;
}

bool Ascii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Converts with iconv; an unconvertible or invalid input character becomes '?'. ASCII text,
// most of what is converted (a report's dates and amounts, most names and notes), is the same
// text in every code page here and is taken as it is, without opening a converter for it.
std::string Convert(const std::string& in, const std::string& from, const std::string& to) {
    if (in.empty()) return {};
    if (KeepsAscii(from) && KeepsAscii(to) && Ascii(in)) return in;
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open " + from + "->" + to);
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: skip one input character and write '?'.
        size_t skip = 1;
        if (from == "UTF-8") {
            unsigned char c = static_cast<unsigned char>(*src);
            skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            skip = std::min(skip, srcLeft);
        }
        src += skip;
        srcLeft -= skip;
        if (dstLeft < 4) {
            size_t used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
        *dst++ = '?';
        --dstLeft;
    }
    out.resize(dst - out.data());
    iconv_close(cd);
    return out;
}

}  // namespace

std::string CodePageForLocale(const std::string& locale) {
    std::string lang = locale.substr(0, locale.find_first_of("_.@"));
    std::transform(lang.begin(), lang.end(), lang.begin(), ::tolower);
    static const char* cyrillic[] = {"ru", "uk", "be", "bg", "sr", "mk",
                                     "kk", "ky", "tt", "mn", "ba", "sah"};
    static const char* central[] = {"pl", "cs", "sk", "hu", "sl", "hr", "ro", "sq", "bs"};
    for (const char* l : cyrillic)
        if (lang == l) return "CP1251";
    for (const char* l : central)
        if (lang == l) return "CP1250";
    if (lang == "el") return "CP1253";
    if (lang == "tr" || lang == "az") return "CP1254";
    if (lang == "he") return "CP1255";
    if (lang == "ar" || lang == "fa" || lang == "ur") return "CP1256";
    if (lang == "et" || lang == "lv" || lang == "lt") return "CP1257";
    if (lang == "vi") return "CP1258";
    return "CP1252";
}

const std::string& InterfaceCodePage() {
    return CodePageSlot();
}
void SetInterfaceCodePage(const std::string& name) {
    CodePageSlot() = name;
}

std::string AnsiToUtf8(const AnsiString& s) {
    return Convert(s, InterfaceCodePage(), "UTF-8");
}
AnsiString Utf8ToAnsi(const std::string& s) {
    return Convert(s, "UTF-8", InterfaceCodePage());
}

QString ToQString(const AnsiString& s) {
    return QString::fromStdString(AnsiToUtf8(s));
}
AnsiString FromQString(const QString& s) {
    return Utf8ToAnsi(s.toStdString());
}

bool FitsCodePage(const QString& s) {
    return ToQString(FromQString(s)) == s;
}

}  // namespace qm
