// The glyph sets the main window paints with, cut from the carried images at start-up.
#include "app/unit1.h"

namespace qm {

void TForm1::LoadGlyphSets() {}

}  // namespace qm
