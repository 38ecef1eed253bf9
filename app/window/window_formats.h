// The display date formats the program offers, the process-wide formats they set, and the main
// window's caption: shared by start-up and the settings dialog.
#pragma once

#include "platform/ansistring.h"

namespace qm {

// The pattern of date format index 1 to 4; any other index gives "dd.MM.yyyy".
AnsiString DateFormatOf(int index);
// Sets the process-wide short and long date formats, date and time separators for the index.
void ApplyProcessDateFormat(int index);
// "Quillmarsh 1.5", then " - " and the title when there is one.
AnsiString WindowCaption(const AnsiString& title);

}  // namespace qm
