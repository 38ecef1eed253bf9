// The self-drawing control base: painting through a 96-dpi picture and the framework's mouse
// arguments.
#include "controls/graphic_control.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace qm {
namespace {

// 96 dots per inch in dots per metre, the resolution the canvas sizes fonts by.
constexpr int kScreenDotsPerMetre = 3780;

}  // namespace

TGraphicControl::TGraphicControl(QWidget* parent)
    : QWidget(parent), TControl(this, QPalette::Window) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void TGraphicControl::SetCaption(const AnsiString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    TextChanged();
}

TColor TGraphicControl::Color() const {
    if (color_) return *color_;
    QWidget* parent = parentWidget();
    if (auto* control = dynamic_cast<TGraphicControl*>(parent)) return control->Color();
    if (TControl* control = TControl::Owning(parent)) return control->Color();
    return parent ? FromQColor(parent->palette().color(parent->backgroundRole())) : clBtnFace;
}

void TGraphicControl::SetColor(TColor color) {
    color_ = color;
    update();
}

void TGraphicControl::SetFont(const TFont& font) {
    ownFont_ = true;
    TControl::SetFont(font);
    FontChanged();
}

void TGraphicControl::SetFontColor(TColor color) {
    if (ownFont_) {
        TFont font = Font();
        font.Color = color;
        SetFont(font);
        return;
    }
    QPalette p = palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, ToQColor(color));
    setPalette(p);
    FontChanged();
}

AnsiString TGraphicControl::Hint() const {
    return FromQString(toolTip());
}

void TGraphicControl::SetHint(const AnsiString& hint) {
    setToolTip(ToQString(hint));
}

void TGraphicControl::Click() {
    if (OnClick) OnClick();
}

void TGraphicControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(button, shift, x, y);
}

void TGraphicControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(shift, x, y);
}

void TGraphicControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(button, shift, x, y);
}

void TGraphicControl::paintEvent(QPaintEvent* event) {
    if (width() <= 0 || height() <= 0) return;
    QImage picture(width(), height(), QImage::Format_ARGB32_Premultiplied);
    picture.setDotsPerMeterX(kScreenDotsPerMetre);
    picture.setDotsPerMeterY(kScreenDotsPerMetre);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        TCanvas canvas(&painter);
        Paint(canvas);
    }
    QPainter screen(this);
    screen.drawImage(event->rect(), picture, event->rect());
}

void TGraphicControl::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const TMouseButton button = MouseButtonOf(*event);
    if (button == TMouseButton::mbLeft) clicked_ = clickEvents_;
    MouseDown(button, ShiftStateOf(*event), at.x(), at.y());
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick && MouseButtonOf(*event) == TMouseButton::mbLeft) OnDblClick();
    const QPoint at = event->position().toPoint();
    const TMouseButton button = MouseButtonOf(*event);
    if (button == TMouseButton::mbLeft) clicked_ = clickEvents_;
    MouseDown(button, ShiftStateOf(*event), at.x(), at.y());
}

void TGraphicControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    MouseMove(ShiftStateOf(*event), at.x(), at.y());
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const TMouseButton button = MouseButtonOf(*event);
    if (button == TMouseButton::mbLeft && clicked_) {
        clicked_ = false;
        if (rect().contains(at)) Click();
    }
    MouseUp(button, ShiftStateOf(*event), at.x(), at.y());
}

void TGraphicControl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    MouseEnter();
}

void TGraphicControl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    MouseLeave();
}

void TGraphicControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
        case QEvent::FontChange:
            FontChanged();
            break;
        case QEvent::EnabledChange:
            EnabledChanged();
            break;
        case QEvent::PaletteChange:
            update();
            break;
        default:
            break;
    }
}

bool TGraphicControl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !showHint_) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace qm
