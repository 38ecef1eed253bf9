// The self-painting window base: a picture the size of the client area, copied on paint events.
#include "platform/offscreen_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace qm {

TPaintedWidget::TPaintedWidget(QWidget* parent) : QWidget(parent) {
    // The picture covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    image_.SetSize(width(), height());
    image_.Canvas().OnChange = [this] { Refresh(); };
}

void TPaintedWidget::Refresh() {
    if (updatePending_) return;
    updatePending_ = true;
    update();
}

void TPaintedWidget::paintEvent(QPaintEvent* event) {
    updatePending_ = false;
    QPainter p(this);
    const QImage& picture = image_.Image();
    const QRect area = event->rect();
    if (!picture.isNull()) p.drawImage(area, picture, area);
    // Parts beyond the picture (only while a resize is under way) get the window colour.
    const QRegion rest = QRegion(area) - QRegion(picture.rect());
    for (const QRect& r : rest) p.fillRect(r, palette().window());
}

void TPaintedWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    image_.SetSize(width(), height());
    Repaint();
    Refresh();
}

}  // namespace qm
