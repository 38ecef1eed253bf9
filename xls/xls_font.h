// Colours and the font object of a cell range, as the desktop framework describes them, plus the
// exception every failure of the spreadsheet writer raises.
#pragma once

#include <cstdint>

#include "platform/ansistring.h"
#include "platform/sysutils.h"

namespace qm::xls {

// Either an RGB value (red in the low byte, then green, then blue) or, with the top bit set, a
// system colour whose number is in the low 24 bits.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clWindowText = clSystemColor | 8;  // the default colour of text

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}

// The current value of a system colour (the low 24 bits of a colour with the top bit set).
TColor SysColorValue(TColor systemColor);

// Style set of a font.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
enum class TFontPitch : uint8_t { Default, Variable, Fixed };
constexpr uint8_t DEFAULT_CHARSET = 1;

// A screen font as the framework keeps it: the point size and the pixel height are two views of
// one setting (at 96 pixels per inch), and the logical font behind it carries the character set
// and the pitch-and-family byte that a font record stores.
class TvteXLSFont {
  public:
    AnsiString Name = "Arial";
    TColor Color = clBlack;
    uint8_t Style = 0;  // TFontStyle bits
    uint8_t Charset = DEFAULT_CHARSET;
    TFontPitch Pitch = TFontPitch::Default;

    int Size() const { return size_; }
    int Height() const { return height_; }
    void SetSize(int points);
    void SetHeight(int pixels);

    bool Bold() const { return Style & fsBold; }
    bool Italic() const { return Style & fsItalic; }
    bool Underline() const { return Style & fsUnderline; }
    bool StrikeOut() const { return Style & fsStrikeOut; }

    uint8_t LogicalCharset() const { return Charset; }
    // DEFAULT_PITCH 0, FIXED_PITCH 1, VARIABLE_PITCH 2; the family part is "don't care" (0).
    uint8_t LogicalPitchAndFamily() const;

    bool operator==(const TvteXLSFont&) const = default;

  private:
    int size_ = 10;
    int height_ = -13;
};

// A failure of the spreadsheet writer: the container could not be created or written, or the
// workbook holds something the file format cannot store.
class EXLSError : public Exception {
  public:
    using Exception::Exception;
};

}  // namespace qm::xls
