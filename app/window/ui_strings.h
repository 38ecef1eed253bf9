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
inline constexpr int UiStringCount = 207;

// The notice that refuses a typed or imported text holding a character the interface code page
// cannot hold, with "%1" for the field's caption, "%2" for the character and "%3" for its place.
inline constexpr int kUnfitTextNotice = 195;
// That notice filled in from its entry: the caption loses a trailing ":" and blanks, the
// character is given by its Unicode name (the code page cannot show it).
AnsiString UnfitTextNotice(const AnsiString& entry, const AnsiString& field, const TUnfitChar& bad);

// Reads the table the program carries as a resource, in the interface code page. Throws
// Exception when the table is damaged.
std::vector<AnsiString> LoadUiStrings();

// Parses the carried form: UTF-8 text, one entry per line as "NNN<TAB>text" with the indices
// 0 to UiStringCount - 1 in order; the two characters "\n" in a text stand for a line break
// (character 13). Throws Exception on a missing, repeated or misplaced index.
std::vector<AnsiString> ParseUiStrings(const std::string& utf8);

}  // namespace qm
