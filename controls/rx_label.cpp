// The shadowed label: text drawing, automatic size, accelerator and mouse tracking.
#include "controls/rx_label.h"

#include <QApplication>
#include <QKeySequence>
#include <QShortcutEvent>
#include <algorithm>

namespace qm {
namespace {

TRect Union(const TRect& a, const TRect& b) {
    return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
}

unsigned AlignmentFlag(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return DT_RIGHT;
        case taCenter:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

}  // namespace

int DrawShadowText(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned flags,
                   int shadowSize, TColor shadowColor, TShadowPosition position) {
    const int s = shadowSize;
    TRect shadow = rect;
    switch (position) {
        case spLeftTop:
            shadow = OffsetRect(rect, -s, -s);
            break;
        case spLeftBottom:
            shadow = OffsetRect(rect, -s, s);
            break;
        case spRightBottom:
            shadow = OffsetRect(rect, s, s);
            break;
        case spRightTop:
            shadow = OffsetRect(rect, s, -s);
            break;
    }
    if (s == 0) return DrawText(canvas, text, rect, flags);
    const TColor textColor = canvas.Font.Color;
    canvas.Font.Color = shadowColor;
    int height = DrawText(canvas, text, shadow, flags);
    if (s > 0) height += s;
    canvas.Font.Color = textColor;
    DrawText(canvas, text, rect, flags);
    rect = Union(rect, shadow);
    return height;
}

TRxCustomLabel::TRxCustomLabel(QWidget* parent) : TGraphicControl(parent) {
    resize(65, 17);
    QObject::connect(qApp, &QApplication::focusChanged, this,
                     [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

TRxCustomLabel::~TRxCustomLabel() = default;

void TRxCustomLabel::SetFocusControl(QWidget* control) {
    focusControl_ = control;
    QWidget* focus = QApplication::focusWidget();
    focused_ = control && focus && (focus == control || control->isAncestorOf(focus));
    Invalidate();
}

void TRxCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TRxCustomLabel::SetAutoSize(bool on) {
    if (on == autoSize_) return;
    autoSize_ = on;
    AdjustBounds();
}

void TRxCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TRxCustomLabel::SetShadowColor(TColor color) {
    if (color == shadowColor_) return;
    shadowColor_ = color;
    Invalidate();
}

void TRxCustomLabel::SetShadowSize(uint8_t size) {
    if (size == shadowSize_) return;
    shadowSize_ = size;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShadowPos(TShadowPosition position) {
    if (position == shadowPos_) return;
    shadowPos_ = position;
    Invalidate();
}

void TRxCustomLabel::SetWordWrap(bool on) {
    if (on == wordWrap_) return;
    wordWrap_ = on;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShowAccelChar(bool on) {
    if (on == showAccelChar_) return;
    showAccelChar_ = on;
    UpdateShortcut();
    Invalidate();
}

void TRxCustomLabel::SetShowFocus(bool on) {
    if (on == showFocus_) return;
    showFocus_ = on;
    Invalidate();
}

void TRxCustomLabel::SetTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    Invalidate();
}

void TRxCustomLabel::DoDrawText(TCanvas& canvas, TRect& rect, unsigned flags) {
    AnsiString text = GetLabelText();
    // An empty label still measures one line high.
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (layoutDirection() == Qt::RightToLeft) {
        if (flags & DT_RIGHT)
            flags &= ~DT_RIGHT;
        else if (!(flags & DT_CENTER))
            flags |= DT_RIGHT;
        flags |= DT_RTLREADING;
    }
    canvas.Font = Font();
    canvas.Font.Color = GetDefaultFontColor();
    int size = shadowSize_;
    TShadowPosition position = shadowPos_;
    TColor shadow = shadowColor_;
    if (!Enabled()) {
        if (size == 0 && NewStyleControls) {
            size = 1;
            position = spRightBottom;
        }
        canvas.Font.Color = clGrayText;
        shadow = clBtnHighlight;
    }
    DrawShadowText(canvas, text, rect, flags, size, shadow, position);
}

TRect TRxCustomLabel::TextRect() const {
    TRect r = ClientRect();
    r.Left += leftMargin_ + 1;
    r.Right -= rightMargin_ + 1;
    return r;
}

void TRxCustomLabel::Paint(TCanvas& canvas) {
    if (!transparent_) {
        canvas.Brush = TBrush{Color(), bsSolid};
        canvas.FillRect(ClientRect());
    }
    canvas.Brush.Style = bsClear;
    TRect r = TextRect();
    const unsigned flags =
        DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0u) | AlignmentFlag(alignment_);
    if (layout_ != tlTop) {
        TRect measured = r;
        DoDrawText(canvas, measured, flags | DT_CALCRECT);
        const int free = height() - measured.Bottom;
        r = OffsetRect(r, 0, layout_ == tlBottom ? free : free / 2);
    }
    DoDrawText(canvas, r, flags);
    if (showFocus_ && focusControl_ && focused_) {
        canvas.Brush = TBrush{Color(), bsSolid};
        DrawFocusRect(canvas, Rect(r.Left - 1, r.Top, r.Right + 1, r.Bottom));
    }
}

void TRxCustomLabel::AdjustBounds() {
    if (!autoSize_) return;
    TBitmap screen(1, 1);
    TRect r = TextRect();
    DoDrawText(screen.Canvas(), r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0u));
    r.Left -= leftMargin_ + 1;
    r.Right += rightMargin_ + 1;
    TAlignment alignment = alignment_;
    if (layoutDirection() == Qt::RightToLeft && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    int left = Left();
    if (alignment == taRightJustify) left += Width() - r.Right;
    SetBounds(left, Top(), r.Right, r.Bottom);
}

void TRxCustomLabel::TextChanged() {
    AdjustBounds();
    UpdateShortcut();
    Invalidate();
}

void TRxCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

bool TRxCustomLabel::ControlCanFocus() const {
    if (!focusControl_) return false;
    if (auto* control = dynamic_cast<TControl*>(focusControl_.data()))
        return control->CanFocus() && focusControl_->focusPolicy() != Qt::NoFocus;
    return focusControl_->isEnabled() && !focusControl_->isHidden() &&
           focusControl_->focusPolicy() != Qt::NoFocus;
}

bool TRxCustomLabel::DialogChar(char key) {
    if (!focusControl_ || !Enabled() || !showAccelChar_ || !IsAccel(key, GetLabelText()))
        return false;
    if (!ControlCanFocus()) return false;
    focusControl_->setFocus(Qt::ShortcutFocusReason);
    return true;
}

void TRxCustomLabel::UpdateShortcut() {
    if (shortcutId_ != 0) releaseShortcut(shortcutId_);
    shortcutId_ = 0;
    const char accel = showAccelChar_ ? AccelChar(GetLabelText()) : 0;
    if (accel != 0)
        shortcutId_ = grabShortcut(QKeySequence::mnemonic(ToQString(AnsiString("&") + accel)),
                                   Qt::WindowShortcut);
}

bool TRxCustomLabel::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == shortcutId_) {
            DialogChar(AccelChar(GetLabelText()));
            return true;
        }
    }
    return TGraphicControl::event(event);
}

void TRxCustomLabel::FocusChanged(QWidget* now) {
    const bool focused =
        focusControl_ && now && (now == focusControl_ || focusControl_->isAncestorOf(now));
    if (focused == focused_) return;
    focused_ = focused;
    if (showFocus_) Invalidate();
}

void TRxCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) dragging_ = true;
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TRxCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) dragging_ = false;
    TGraphicControl::MouseUp(button, shift, x, y);
    // A leave held back while the button was down happens now.
    if (!rect().contains(x, y)) MouseLeave();
}

void TRxCustomLabel::MouseEnter() {
    if (!Enabled() || mouseInside_ || !OwnsActiveWindow()) return;
    mouseInside_ = true;
    if (OnMouseEnter) OnMouseEnter();
}

void TRxCustomLabel::MouseLeave() {
    if (!mouseInside_ || dragging_) return;
    mouseInside_ = false;
    if (OnMouseLeave) OnMouseLeave();
}

}  // namespace qm
