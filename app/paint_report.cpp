// Report tabs in the window.
#include "app/unit1.h"

namespace qm {

void TForm1::PaintReport() {
    // The report views come with the report dialogs; until then a report tab shows its frame.
    TCanvas& c = Canvas();
    c.Brush.Style = bsSolid;
    c.Brush.Color = RGB(240, 240, 234);
    c.FillRect(Rect(0, ContentTop, ClientWidth(), ClientHeight()));
}

}  // namespace qm
