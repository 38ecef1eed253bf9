// Code page conversions with iconv; the code page follows the locale like the desktop's ANSI page.
#include "platform/ansistring.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
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

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Tells whether the interface code page holds a character: it must convert to one byte without
// loss and back to the same character.
class CodePageProbe {
  public:
    CodePageProbe() = default;
    CodePageProbe(const CodePageProbe&) = delete;
    CodePageProbe& operator=(const CodePageProbe&) = delete;
    ~CodePageProbe() {
        if (to_ != kNone) iconv_close(to_);
        if (back_ != kNone) iconv_close(back_);
    }

    bool Holds(char32_t code) {
        // Every code page the interface uses keeps ASCII as it is.
        if (code < 0x80) return true;
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        Open();
        const std::string utf8 = EncodeUtf8(code);
        char one[8];
        if (!Run(to_, utf8.data(), utf8.size(), one, sizeof one, 1)) return false;
        char again[8];
        return Run(back_, one, 1, again, sizeof again, utf8.size()) &&
               std::string(again, utf8.size()) == utf8;
    }

  private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

    void Open() {
        if (to_ != kNone) return;
        to_ = iconv_open(InterfaceCodePage().c_str(), "UTF-8");
        back_ = iconv_open("UTF-8", InterfaceCodePage().c_str());
        if (to_ == kNone || back_ == kNone)
            throw std::runtime_error("iconv_open " + InterfaceCodePage());
    }

    // Converts all of `in` into exactly `expected` bytes, with no character replaced.
    static bool Run(iconv_t cd, const char* in, size_t inSize, char* out, size_t outSize,
                    size_t expected) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        char* dst = out;
        size_t srcLeft = inSize, dstLeft = outSize;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        return r == 0 && srcLeft == 0 && outSize - dstLeft == expected;
    }

    static std::string EncodeUtf8(char32_t c) {
        std::string s;
        if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (c >> 18));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        s += static_cast<char>(0x80 | (c & 0x3F));
        return s;
    }

    iconv_t to_ = kNone;
    iconv_t back_ = kNone;
};

// The code point of the UTF-8 sequence at `pos`, moving `pos` past it; kReplacement, moving one
// byte on, where the bytes are no well-formed UTF-8 (overlong forms and surrogates included).
char32_t DecodeUtf8(const std::string& s, size_t& pos) {
    const auto byte = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    int length = 0;
    char32_t code = 0, least = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > s.size()) {
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return code;
}

}  // namespace

TUnfitChar FirstUnfitChar(const QString& text) {
    CodePageProbe probe;
    int position = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        ++position;
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
            ++i;
        } else if (c.isSurrogate()) {
            return {position, kReplacement};
        }
        if (!probe.Holds(code)) return {position, code};
    }
    return {};
}

TUnfitChar FirstUnfitCharUtf8(const std::string& text) {
    CodePageProbe probe;
    int position = 0;
    for (size_t pos = 0; pos < text.size();) {
        ++position;
        const char32_t code = DecodeUtf8(text, pos);
        if (code == kReplacement || !probe.Holds(code)) return {position, code};
    }
    return {};
}

bool FitsCodePage(const QString& s) {
    return !FirstUnfitChar(s);
}

std::string WriteBackUtf8(const AnsiString& text, const std::string& stored) {
    return Utf8ToAnsi(stored) == text ? stored : AnsiToUtf8(text);
}

TUnfitChar LostStandIn(const AnsiString& text, const std::string& stored) {
    const TUnfitChar lost = FirstUnfitCharUtf8(stored);
    if (!lost || Utf8ToAnsi(stored) == text) return {};
    // Any "?" of the changed text may be a stand-in the user kept: a question mark of the stored
    // text's own cannot be told from one, so only a text without any is stored as typed.
    return text.find('?') == AnsiString::npos ? TUnfitChar() : lost;
}

AnsiString UnicodeName(char32_t code) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
    return name;
}

}  // namespace qm
