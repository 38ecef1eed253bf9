// The font object's size rules, and the system colours a colour with the top bit set stands for.
#include "xls/xls_font.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>

namespace qm::xls {

namespace {

constexpr int kPixelsPerInch = 96;

int MulDivRound(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// The desktop's classic scheme, used for the colours the toolkit has no role for and when no
// application object exists.
constexpr TColor kClassicScheme[31] = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
    RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
    RGB(171, 171, 171), RGB(51, 153, 255),  RGB(255, 255, 255), RGB(240, 240, 240),
    RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234),
    RGB(215, 228, 242), RGB(51, 153, 255),  RGB(240, 240, 240)};

bool ToolkitRole(unsigned index, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
    group = QPalette::Active;
    switch (index) {
        case 4:
            role = QPalette::Window;
            return true;  // menu
        case 5:
            role = QPalette::Base;
            return true;  // window
        case 7:
            role = QPalette::WindowText;
            return true;  // menu text
        case 8:
            role = QPalette::WindowText;
            return true;  // window text
        case 13:
            role = QPalette::Highlight;
            return true;  // highlight
        case 14:
            role = QPalette::HighlightedText;
            return true;  // highlighted text
        case 15:
            role = QPalette::Button;
            return true;  // button face
        case 16:
            role = QPalette::Dark;
            return true;  // button shadow
        case 17:
            group = QPalette::Disabled;
            role = QPalette::Text;
            return true;  // grey text
        case 18:
            role = QPalette::ButtonText;
            return true;  // button text
        case 20:
            role = QPalette::Light;
            return true;  // button highlight
        case 21:
            role = QPalette::Shadow;
            return true;  // dark shadow
        case 22:
            role = QPalette::Midlight;
            return true;  // light
        case 23:
            role = QPalette::ToolTipText;
            return true;  // tooltip text
        case 24:
            role = QPalette::ToolTipBase;
            return true;  // tooltip background
        default:
            return false;
    }
}

}  // namespace

void TvteXLSFont::SetSize(int points) {
    size_ = points;
    height_ = -MulDivRound(points, kPixelsPerInch, 72);
}

void TvteXLSFont::SetHeight(int pixels) {
    height_ = pixels;
    size_ = -MulDivRound(pixels, 72, kPixelsPerInch);
}

uint8_t TvteXLSFont::LogicalPitchAndFamily() const {
    switch (Pitch) {
        case TFontPitch::Fixed:
            return 1;
        case TFontPitch::Variable:
            return 2;
        default:
            return 0;
    }
}

TColor SysColorValue(TColor systemColor) {
    unsigned index = systemColor & 0x00FFFFFF;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        ToolkitRole(index, group, role)) {
        QColor c = QGuiApplication::palette().color(group, role);
        return RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                   static_cast<uint8_t>(c.blue()));
    }
    return index < std::size(kClassicScheme) ? kClassicScheme[index] : clBlack;
}

}  // namespace qm::xls
