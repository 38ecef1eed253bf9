// The table of user-interface texts (captions, menu items, questions and notices), indexed by
// number, that every form reads.
#pragma once

#include <string>
#include <vector>

#include "platform/ansistring.h"

namespace qm {

// Number of entries the program uses: 0 to UiStringCount - 1. Entries from 190 on are this
// program's own messages, for input it refuses and work it cannot do, where the original texts
// have none.
inline constexpr int UiStringCount = 195;

// Reads the table the program carries as a resource, in the interface code page. Throws
// Exception when the table is damaged.
std::vector<AnsiString> LoadUiStrings();

// Parses the carried form: UTF-8 text, one entry per line as "NNN<TAB>text" with the indices
// 0 to UiStringCount - 1 in order; the two characters "\n" in a text stand for a line break
// (character 13). Throws Exception on a missing, repeated or misplaced index.
std::vector<AnsiString> ParseUiStrings(const std::string& utf8);

}  // namespace qm
