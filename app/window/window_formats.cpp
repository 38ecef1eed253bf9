// Date formats and the window caption.
#include "app/window/window_formats.h"

#include "platform/sysutils.h"

namespace qm {

AnsiString DateFormatOf(int index) {
    const char* formats[] = {"MM/dd/yyyy", "dd/MM/yyyy", "dd.MM.yyyy", "yyyy-MM-dd"};
    return index >= 1 && index <= 4 ? formats[index - 1] : "dd.MM.yyyy";
}

void ApplyProcessDateFormat(int index) {
    const AnsiString format = DateFormatOf(index);
    TFormatSettings& fs = FormatSettings();
    fs.DateSeparator = format[0] == 'y' ? format[4] : format[2];
    fs.ShortDateFormat = format;
    fs.LongDateFormat = format;
    fs.TimeSeparator = ':';
}

AnsiString WindowCaption(const AnsiString& title) {
    AnsiString caption = "Quillmarsh 1.5";
    if (!title.empty()) caption += " - " + title;
    return caption;
}

}  // namespace qm
