// Typed texts that the interface code page cannot hold are refused where a form takes them: a
// notice names the field and the character, and the text stays as typed, instead of being
// stored with "?" in place of the character.
#pragma once

#include <initializer_list>
#include <utility>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

// The refusal notice (from the texts table) for `bad` in the field captioned `field`, shown as a
// warning box with the caption `title`.
void NoticeUnfitText(QWidget* owner, const AnsiString& title, const AnsiString& field,
                     const TUnfitChar& bad);

// Selects the character at `position` (counted in characters from 1) of an edit's text.
void SelectCharacter(QLineEdit& edit, int position);

// True when the code page holds every character of the edits' texts, an edit that still shows
// its stored text (TEdit::SetStoredText) unchanged passing as it is. Otherwise the first edit
// that holds one it cannot is named in the notice by its caption (an entry of the texts table)
// and takes the focus with that character selected; the caller then stores nothing.
bool TextsFit(TForm& form, std::initializer_list<std::pair<TEdit*, int>> fields);

}  // namespace qm
