// Reading text back from pictures: where the ink of a drawn text starts, and the shape of its
// first glyph, so that a test can tell a minus sign from a digit without knowing the font.
#pragma once

#include <QImage>
#include <QRect>
#include <algorithm>

namespace qmtest {

// A pixel of text ink: dark on any of the light backgrounds the views use.
inline bool Ink(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 100;
}

// The first glyph in `area`: the columns from the leftmost one with ink up to the next one
// without, and the rows its ink spans. Empty when the area holds no ink.
inline QRect FirstGlyph(const QImage& image, const QRect& area) {
    const QRect r = area.intersected(image.rect());
    auto rowsWithInk = [&](int x, int& top, int& bottom) {
        bool any = false;
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (Ink(image, x, y)) {
                top = any ? std::min(top, y) : y;
                bottom = any ? std::max(bottom, y) : y;
                any = true;
            }
        return any;
    };
    int x = r.left(), top = 0, bottom = 0;
    while (x <= r.right() && !rowsWithInk(x, top, bottom)) ++x;
    if (x > r.right()) return {};
    QRect glyph(x, top, 1, bottom - top + 1);
    for (int t, b; x + 1 <= r.right() && rowsWithInk(x + 1, t, b); ++x)
        glyph = glyph.united(QRect(x + 1, t, 1, b - t + 1));
    return glyph;
}

// Whether the glyph is a minus sign: a bar one or two pixels high and at least as wide; the
// first glyph of a digit is as high as the digits.
inline bool IsMinus(const QRect& glyph) {
    return !glyph.isEmpty() && glyph.height() <= 2 && glyph.width() >= 2;
}

}  // namespace qmtest
