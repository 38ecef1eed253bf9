// The glyph sets the main window paints with, cut from the carried images at start-up.
#include "app/window/glyphs.h"
#include "app/window/main_window.h"

namespace qm {

void TForm1::LoadGlyphSets() {
    TreeGlyphs = LoadTreeGlyphs();
    ScrollGlyphs = LoadScrollGlyphs();
    Head.Glyphs = LoadHeadGlyphs();
    Ledger.FilesGlyph = LoadFilesGlyph();
    HeadButtons.HeadBarBitmap = LoadHeadBarBitmap();
    auto buttons = LoadButtonGlyphs();
    for (int g = 0; g < 2; ++g)
        for (size_t b = 0; b < HeadButtons.Groups[g].size() && b < buttons[g].size(); ++b) {
            HeadButtons.Groups[g][b].Glyph = buttons[g][b].Glyph;
            HeadButtons.Groups[g][b].DisabledGlyph = buttons[g][b].DisabledGlyph;
        }
}

}  // namespace qm
