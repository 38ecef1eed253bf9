// Helpers of the control tests: colours, counts and bounding boxes of the pixels of a rendered
// picture that pass a test, and mouse events sent straight to a widget.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>

class QWidget;

#include "platform/graphics.h"

namespace qmtest {

using PixelTest = std::function<bool(qm::TColor)>;

qm::TColor At(const QImage& image, int x, int y);
// Black or nearly: every channel below 110.
bool Dark(qm::TColor c);
// Close to the colour: each channel within 60.
PixelTest Near(qm::TColor colour);
PixelTest Exactly(qm::TColor colour);
int CountWhere(const QImage& image, const QRect& area, const PixelTest& test);
int CountWhere(const QImage& image, const PixelTest& test);
// The smallest rectangle holding every pixel that passes; null when none does.
QRect BoxOf(const QImage& image, const PixelTest& test);
qm::TBitmap Filled(int width, int height, qm::TColor colour);

// Mouse events at a point of the widget: press and release of a button (the left one unless
// told), a double click, and a move with the buttons held.
void Press(QWidget* w, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void DoubleClick(QWidget* w, int x, int y);
void Move(QWidget* w, int x, int y, Qt::MouseButtons held = Qt::LeftButton);
void Release(QWidget* w, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void Enter(QWidget* w);
void Leave(QWidget* w);

}  // namespace qmtest
