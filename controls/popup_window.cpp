// The pop-up window base: showing without activation, closing up with or without acceptance.
#include "controls/popup_window.h"

#include <QMouseEvent>

#include "controls/combo_edit.h"
#include "platform/sysutils.h"

namespace qm {

AnsiString PopupValueText(const TPopupValue& value) {
    if (const auto* number = std::get_if<long double>(&value)) return FloatToStr(*number);
    if (const auto* text = std::get_if<AnsiString>(&value)) return *text;
    return {};
}

bool PopupValueIsNull(const TPopupValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

TPopupWindow::TPopupWindow(QWidget* editor)
    : QFrame(editor, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      editor_(editor) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ToQColor(clBlack));
    setPalette(p);
    hide();
}

void TPopupWindow::CloseUp(bool accept) {
    if (OnCloseUp) OnCloseUp(this, accept);
}

void TPopupWindow::ShowAt(TPoint screenPoint) {
    move(screenPoint.X, screenPoint.Y);
    // A newly shown window stands above the others; this kind never takes the activation.
    show();
}

void TPopupWindow::HidePopup() {
    hide();
}

void TPopupWindow::KeyPress(char& /*key*/) {}

void TPopupWindow::InvalidateEditor() {
    if (!editor_) return;
    if (auto* combo = dynamic_cast<TCustomComboEdit*>(editor_))
        combo->repaint(combo->TextAreaRect());
    else
        editor_->repaint();
}

void TPopupWindow::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    CloseUp(contentsRect().contains(event->position().toPoint()));
}

}  // namespace qm
