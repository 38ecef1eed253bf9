// Loading the user-interface texts from the program's resources.
#include "app/ui_strings.h"

#include <QFile>
#include <mutex>

#include "platform/sysutils.h"

// The resource file is compiled into a static library, whose registration object the linker
// would drop unless something refers to it; Q_INIT_RESOURCE must stand outside any namespace.
static void InitProgramResources() {
    Q_INIT_RESOURCE(resources);
}

namespace qm {
namespace {

// Index and text of one "NNN<TAB>text" line; throws when the index is not `expected`.
AnsiString ParseLine(std::string line, int expected) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t tab = line.find('\t');
    int64_t index = -1;
    if (tab == std::string::npos || tab == 0 || !TryStrToInt(line.substr(0, tab), index) ||
        line.find_first_not_of("0123456789") != tab || index != expected) {
        throw Exception("User-interface texts: entry " + IntToStr(expected) +
                        " is missing or out of order");
    }
    return StringReplaceAll(Utf8ToAnsi(line.substr(tab + 1)), "\\n", "\r");
}

}  // namespace

std::vector<AnsiString> ParseUiStrings(const std::string& utf8) {
    std::vector<AnsiString> entries;
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t end = utf8.find('\n', pos);
        if (end == std::string::npos) end = utf8.size();
        if (static_cast<int>(entries.size()) == UiStringCount)
            throw Exception("User-interface texts: more than " + IntToStr(UiStringCount) +
                            " entries");
        entries.push_back(ParseLine(utf8.substr(pos, end - pos), static_cast<int>(entries.size())));
        pos = end + 1;
    }
    if (static_cast<int>(entries.size()) != UiStringCount)
        throw Exception("User-interface texts: " + IntToStr(UiStringCount) + " entries expected, " +
                        IntToStr(static_cast<int64_t>(entries.size())) + " found");
    return entries;
}

AnsiString UnfitTextNotice(const AnsiString& entry, const AnsiString& field,
                           const TUnfitChar& bad) {
    AnsiString caption = field;
    while (!caption.empty() && (caption.back() == ':' || caption.back() == ' ')) caption.pop_back();
    // One pass, so that a caption holding "%2" stays as it is.
    const AnsiString args[] = {caption, UnicodeName(bad.Code), IntToStr(bad.Position)};
    AnsiString text;
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '%' && i + 1 < entry.size() && entry[i + 1] >= '1' && entry[i + 1] <= '3')
            text += args[entry[++i] - '1'];
        else
            text += entry[i];
    }
    return text;
}

std::vector<AnsiString> LoadUiStrings() {
    static std::once_flag registered;
    std::call_once(registered, InitProgramResources);
    QFile file(QStringLiteral(":/uistrings.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception("User-interface texts: the resource cannot be read");
    QByteArray data = file.readAll();
    return ParseUiStrings(std::string(data.constData(), static_cast<size_t>(data.size())));
}

}  // namespace qm
