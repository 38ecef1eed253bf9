// Fuzz target: texts read from the file (any bytes: UTF-8 another program wrote, or no UTF-8 at
// all) and written back through the interface code page, under the code pages the interface
// takes. The input's first byte picks the code page; the rest is the stored text, then a 0 byte
// and the text as the user leaves it (in the code page), when there is one.
//
// Invariants beyond the sanitizers':
// 1. A stored text left as the code page shows it is written back byte for byte, and no change
//    is reported lost.
// 2. Any other text is written as the code page's text converted, whatever was stored.
// 3. A reported loss names a character of the stored text the code page cannot hold, at a place
//    within that text; the code page holding every stored character reports none.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/ansistring.h"

using namespace qm;
using qmfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kPages[] = {"CP1251", "CP1252", "CP1250", "CP1253"};
    SetInterfaceCodePage(kPages[data[0] % 4]);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = rest.find('\0');
    const std::string stored = rest.substr(0, split);
    const AnsiString shown = Utf8ToAnsi(stored);

    Require(WriteBackUtf8(shown, stored) == stored, "an unchanged text keeps its bytes", stored);
    Require(!LostStandIn(shown, stored), "an unchanged text loses nothing", stored);
    if (split == std::string::npos) return 0;

    const AnsiString text = rest.substr(split + 1);
    const std::string written = WriteBackUtf8(text, stored);
    Require(text == shown ? written == stored : written == AnsiToUtf8(text),
            "a changed text is written as converted", text);
    const TUnfitChar lost = LostStandIn(text, stored);
    const TUnfitChar first = FirstUnfitCharUtf8(stored);
    if (!first) Require(!lost, "a text the code page holds loses nothing", stored);
    if (lost) {
        Require(lost.Position == first.Position && lost.Code == first.Code,
                "the loss named is the first character the code page cannot hold", stored);
        // A character takes one byte or more.
        Require(lost.Position <= static_cast<int>(stored.size()), "the loss lies within the text",
                stored);
    }
    return 0;
}
