// Picture and mouse helpers of the control tests.
#include "tests/controls/control_test_util.h"

#include <QColor>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>

namespace qmtest {

qm::TColor At(const QImage& image, int x, int y) {
    return qm::FromQColor(QColor(image.pixel(x, y)));
}

bool Dark(qm::TColor c) {
    return c.r < 110 && c.g < 110 && c.b < 110;
}

PixelTest Near(qm::TColor colour) {
    return [colour](qm::TColor c) {
        return std::abs(c.r - colour.r) <= 60 && std::abs(c.g - colour.g) <= 60 &&
               std::abs(c.b - colour.b) <= 60;
    };
}

PixelTest Exactly(qm::TColor colour) {
    return [colour](qm::TColor c) { return c == colour; };
}

int CountWhere(const QImage& image, const QRect& area, const PixelTest& test) {
    int n = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) n += test(At(image, x, y)) ? 1 : 0;
    return n;
}

int CountWhere(const QImage& image, const PixelTest& test) {
    return CountWhere(image, image.rect(), test);
}

QRect BoxOf(const QImage& image, const PixelTest& test) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(At(image, x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

qm::TBitmap Filled(int width, int height, qm::TColor colour) {
    qm::TBitmap bitmap(width, height);
    bitmap.Canvas().Brush = qm::TBrush{colour, qm::bsSolid};
    bitmap.Canvas().FillRect(qm::Rect(0, 0, width, height));
    return bitmap;
}

namespace {

void Send(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button,
          Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent e(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace

void Press(QWidget* w, int x, int y, Qt::MouseButton button) {
    Send(w, QEvent::MouseButtonPress, x, y, button, button);
}

void DoubleClick(QWidget* w, int x, int y) {
    Send(w, QEvent::MouseButtonDblClick, x, y, Qt::LeftButton, Qt::LeftButton);
}

void Move(QWidget* w, int x, int y, Qt::MouseButtons held) {
    Send(w, QEvent::MouseMove, x, y, Qt::NoButton, held);
}

void Release(QWidget* w, int x, int y, Qt::MouseButton button) {
    Send(w, QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
}

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &e);
}

void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace qmtest
