// The header: the band of command buttons for the current tab's kind, and the strip of tabs,
// composed off-screen in GlyphBitmap and copied to the window in one step.
#include <QMenuBar>

#include "app/unit1.h"

namespace qm {

namespace {
const TColor kBand = RGB(173, 201, 240);
const TColor kDisabledText = RGB(141, 169, 208);
const TColor kTabText = RGB(30, 30, 30);
const TColor kStripLine = RGB(145, 155, 156);

int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}
}  // namespace

void TForm1::CreateHeadButtons() {
    // Texts split at the first line break into the two caption lines.
    auto make = [this](int entry) {
        THeadButton b;
        const AnsiString& t = Ui(entry);
        const size_t br = t.find('\r');
        b.Caption = t.substr(0, br);
        if (br != AnsiString::npos) b.Caption2 = t.substr(br + 1);
        return b;
    };
    HeadButtons.Groups[0].clear();
    HeadButtons.Groups[1].clear();
    HeadButtons.Groups[0].push_back(make(59));
    for (int e = 72; e <= 76; ++e) HeadButtons.Groups[0].push_back(make(e));
    for (int e = 77; e <= 83; ++e) HeadButtons.Groups[1].push_back(make(e));
}

void TForm1::PaintHead() {
    if (!GlyphBitmap) return;
    SyncLayout();
    TCanvas& c = Canvas();
    c.Font.Name = "Arial";
    c.Font.Size = 9;
    c.Font.Style = {};
    c.Font.Color = RGB(0, 0, 0);
    c.Brush.Style = bsSolid;
    const int MB = ActionMainMenuBar1->height();
    const int Y0 = MB + HeadBarBitmap().Height();
    if (!HeadBarBitmap().Empty()) c.StretchDraw(Rect(0, MB, ClientWidth(), Y0), HeadBarBitmap());
    const int LH = c.TextHeight("1") + 1;
    c.Brush.Color = kBand;
    int buttonsBottom = Y0;
    if (HeadButtons.ButtonGroup >= 0) {
        c.FillRect(Rect(0, Y0, 5, Y0 + 1));
        int x = 5;
        for (THeadButton& b : HeadButtons.Groups[HeadButtons.ButtonGroup]) {
            x = PaintHeadButton(b, x, Y0, LH);
            buttonsBottom = std::max(buttonsBottom, b.Rect.Bottom);
        }
        c.Brush.Color = kBand;
        c.FillRect(Rect(0, Y0, 5, buttonsBottom));
        c.FillRect(Rect(x, Y0, ClientWidth(), buttonsBottom));
    }
    c.FillRect(Rect(0, buttonsBottom, ClientWidth(), TabStripTop));
    PaintTabStrip();
}

int TForm1::PaintHeadButton(THeadButton& b, int x, int Y0, int LH) {
    TCanvas& c = Canvas();
    const TBitmap& glyph = b.Enabled ? b.Glyph : b.DisabledGlyph;
    const int BW = std::max(c.TextWidth(b.Caption), c.TextWidth(b.Caption2)) + 16;
    b.Rect = Rect(x, Y0, x + BW + 4, Y0 + glyph.Height() + 6 + 2 * LH);
    const TRect inner = Rect(b.Rect.Left + 1, b.Rect.Top + 1, b.Rect.Right - 1, b.Rect.Bottom - 1);
    c.Brush.Color = kBand;
    c.FillRect(inner);
    if (!glyph.Empty()) c.Draw(Round(x + (BW + 4 - glyph.Width()) / 2.0), Y0 + 4, glyph);
    const int line2 = inner.Bottom - LH - 1;
    const int line1 = line2 - LH;
    auto text = [&](const AnsiString& t, int top) {
        const int tx = Round(x + (BW + 4 - c.TextWidth(t)) / 2.0);
        if (b.Enabled) {
            c.Font.Color = RGB(0, 0, 0);
            c.TextOut(tx, top, t);
            return;
        }
        c.Brush.Style = bsClear;
        c.Font.Color = RGB(255, 255, 255);
        c.TextOut(tx + 1, top + 1, t);
        c.Font.Color = kDisabledText;
        c.TextOut(tx, top, t);
        c.Brush.Style = bsSolid;
    };
    text(b.Caption, line1);
    text(b.Caption2, line2);
    c.Font.Color = RGB(0, 0, 0);
    const TColor light = RGB(255, 255, 255), dark = RGB(128, 128, 128);
    TColor topLeft = kBand, bottomRight = kBand;
    if (b.Hot && b.Pressed)
        topLeft = dark, bottomRight = light;
    else if (b.Hot)
        topLeft = light, bottomRight = dark;
    const TRect& r = b.Rect;
    c.Pen.Color = topLeft;
    c.MoveTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.Pen.Color = bottomRight;
    c.MoveTo(r.Right - 1, r.Top);
    c.LineTo(r.Right - 1, r.Bottom - 1);
    c.LineTo(r.Left - 1, r.Bottom - 1);
    return r.Right;
}

void TForm1::PaintTabStrip() {
    if (Head.Glyphs.size() < 13) return;
    TCanvas& g = GlyphBitmap->Canvas();
    const int SH = ContentTop - TabStripTop;
    g.Brush.Style = bsSolid;
    g.Brush.Color = kBand;
    g.Font.Name = Head.FontName;
    g.Font.Size = Head.FontSize;
    g.Font.Color = kTabText;
    auto& tabs = Head.HeadTabs;
    // Only what can reach the window is cleared: the tabs, and a window's width beyond them
    // (where an overflowing strip is shifted from). Clearing all 50000 pixels of the surface
    // cost more than drawing the strip, on every repaint of the header.
    int extent = 0;
    for (size_t i = 0; i < tabs.size(); ++i) {
        const int base = static_cast<int>(i) == HeadIndex ? 5 : 0;
        g.Font.Style = i == 0 ? TFontStyles{fsBold} : TFontStyles{};
        extent += Head.Glyphs[base].Width() +
                  Head.Glyphs[10 + std::clamp(tabs[i].Kind, 0, 2)].Width() +
                  g.TextWidth(" " + tabs[i].Caption + " ") +
                  (i > 0 ? Head.Glyphs[base + (tabs[i].CloseHot ? 3 : 4)].Width() : 0) +
                  Head.Glyphs[base + 2].Width();
    }
    const int used = std::min(GlyphBitmap->Width(), extent + ClientWidth());
    g.FillRect(Rect(0, 0, used, GlyphBitmap->Height()));
    g.Pen.Color = kStripLine;
    g.MoveTo(0, SH - 1);
    g.LineTo(used, SH - 1);
    int x = 0;
    for (size_t i = 0; i < tabs.size(); ++i) {
        THeadTab& tab = tabs[i];
        const int base = static_cast<int>(i) == HeadIndex ? 5 : 0;
        const TBitmap& leftG = Head.Glyphs[base];
        const TBitmap& midG = Head.Glyphs[base + 1];
        const TBitmap& rightG = Head.Glyphs[base + 2];
        const TBitmap& closeG = Head.Glyphs[base + (tab.CloseHot ? 3 : 4)];
        const TBitmap& icon = Head.Glyphs[10 + std::clamp(tab.Kind, 0, 2)];
        g.Font.Style = i == 0 ? TFontStyles{fsBold} : TFontStyles{};
        const AnsiString text = " " + tab.Caption + " ";
        const int start = x;
        g.Draw(x, 0, leftG);
        const int TX = x + leftG.Width();
        x = TX + icon.Width() + g.TextWidth(text) + (i > 0 ? closeG.Width() : 0);
        g.StretchDraw(Rect(TX, 0, x, SH), midG);
        g.Draw(TX, Round((SH - icon.Height()) / 2.0), icon);
        g.Brush.Style = bsClear;
        g.TextOut(TX + icon.Width(), Round((SH - g.TextHeight(text)) / 2.0), text);
        g.Brush.Style = bsSolid;
        g.Draw(x, 0, rightG);
        if (i > 0) {
            const int cy = Round((SH - closeG.Height()) / 2.0);
            g.Draw(x - closeG.Width(), cy, closeG);
            tab.CloseRect =
                Rect(x - closeG.Width(), cy + TabStripTop, x, cy + closeG.Height() + TabStripTop);
        } else {
            tab.CloseRect = {};
        }
        x += rightG.Width();
        tab.TabRect = Rect(start, TabStripTop, x, ContentTop);
    }
    FitTabStrip(SH);
    Canvas().CopyRect(Rect(0, TabStripTop, ClientWidth(), ContentTop), *GlyphBitmap,
                      Rect(0, 0, ClientWidth(), SH));
}

void TForm1::FitTabStrip(int SH) {
    auto& tabs = Head.HeadTabs;
    const int lastTab = static_cast<int>(tabs.size()) - 1;
    const int A = ClientWidth() - Head.Glyphs[0].Width() - Head.Glyphs[2].Width() - 8;
    if (HeadIndex > 0) FirstTab = std::min(FirstTab, HeadIndex);
    FirstTab = std::max(FirstTab, 1);
    FirstTab = std::min(FirstTab, std::max(lastTab, 1));
    bool overflowing = false;
    if (tabs.size() >= 2) {
        const int cur = std::max(HeadIndex, 0);
        while (FirstTab < lastTab &&
               tabs[cur].TabRect.Right + tabs[1].TabRect.Left - tabs[FirstTab].TabRect.Left > A)
            ++FirstTab;
        while (FirstTab > 1 && tabs[lastTab].TabRect.Right + tabs[1].TabRect.Left -
                                       tabs[FirstTab - 1].TabRect.Left <
                                   A)
            --FirstTab;
    }
    TCanvas& g = GlyphBitmap->Canvas();
    if (FirstTab > 1 && FirstTab <= lastTab) {
        const int shift = tabs[FirstTab].TabRect.Left - tabs[1].TabRect.Left;
        g.CopyRect(Rect(tabs[1].TabRect.Left, 0, GlyphBitmap->Width() - shift, SH), g,
                   Rect(tabs[FirstTab].TabRect.Left, 0, GlyphBitmap->Width(), SH));
        for (int i = FirstTab; i <= lastTab; ++i) {
            tabs[i].TabRect = OffsetRect(tabs[i].TabRect, -shift, 0);
            tabs[i].CloseRect = OffsetRect(tabs[i].CloseRect, -shift, 0);
        }
        for (int i = 1; i < FirstTab; ++i) tabs[i].TabRect = tabs[i].CloseRect = {};
        overflowing = true;
    }
    g.Brush.Color = kBand;
    for (int i = std::max(FirstTab, 1); i <= lastTab; ++i) {
        if (tabs[i].TabRect.Right <= A) continue;
        if (!tabs[i].TabRect.IsEmpty())
            g.FillRect(Rect(tabs[i].TabRect.Left, 0, GlyphBitmap->Width(), SH));
        tabs[i].TabRect = tabs[i].CloseRect = {};
        overflowing = true;
    }
    if (!overflowing) return;
    // The tab-list button at the right end of the strip.
    const int w0 = Head.Glyphs[0].Width();
    g.Draw(A, 0, Head.Glyphs[0]);
    g.FillRect(Rect(A + w0, 0, A + w0 + 1, SH));
    g.StretchDraw(Rect(A + w0 + 1, 0, A + w0 + 6, SH), Head.Glyphs[1]);
    g.Draw(A + w0 + 6, 0, Head.Glyphs[2]);
    g.Brush.Color = kStripLine;
    g.Pen.Color = kStripLine;
    g.Polygon({{A + w0, 6}, {A + w0 + 5, 11}, {A + w0, 16}});
}

}  // namespace qm
