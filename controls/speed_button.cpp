// The speed button: painting through its own off-screen picture, the mouse, grouping, the
// drop-down menu and auto-repeat.
#include "controls/speed_button.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {
namespace {

int instances = 0;
// The dither of button face and highlight that an exclusive (down) button is filled with;
// shared by all buttons, freed with the last one.
QImage* ditherPattern = nullptr;

QImage MakeDither() {
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, ToQColor((x + y) % 2 == 0 ? clBtnHighlight : clBtnFace).rgb());
    return pattern;
}

TRect Inflated(const TRect& r, int d) {
    return Rect(r.Left - d, r.Top - d, r.Right + d, r.Bottom + d);
}

// Top and left lines in one colour, bottom and right lines in the other.
void Edge(TCanvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight) {
    canvas.Brush = TBrush{topLeft, bsSolid};
    canvas.FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
    canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
    canvas.Brush = TBrush{bottomRight, bsSolid};
    canvas.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    canvas.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
}

// While the drop-down menu is open: a press inside the button that closes the menu is not
// replayed to the button, so that it does not open the menu again at once.
class NoReplayInside : public QObject {
  public:
    NoReplayInside(QMenu* menu, QWidget* button) : menu_(menu), button_(button) {
        menu_->installEventFilter(this);
    }
    ~NoReplayInside() override {
        if (menu_) menu_->removeEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (watched == menu_ && button_ &&
            (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint global = mouse->globalPosition().toPoint();
            if (!menu_->rect().contains(menu_->mapFromGlobal(global)) &&
                button_->rect().contains(button_->mapFromGlobal(global)))
                menu_->setAttribute(Qt::WA_NoMouseReplay);
        }
        return false;
    }

  private:
    QPointer<QMenu> menu_;
    QPointer<QWidget> button_;
};

}  // namespace

TRxSpeedButton::TRxSpeedButton(QWidget* parent)
    : TGraphicControl(parent), glyph_(std::make_unique<TRxButtonGlyph>()) {
    resize(25, 25);
    SetClickEvents(false);
    SetShowHint(true);
    glyph_->OnChange = [this] { Invalidate(); };
    if (instances++ == 0) ditherPattern = new QImage(MakeDither());
}

TRxSpeedButton::~TRxSpeedButton() {
    repeatTimer_.reset();
    if (--instances == 0) {
        delete ditherPattern;
        ditherPattern = nullptr;
    }
}

int TRxSpeedButton::InstanceCount() {
    return instances;
}

void TRxSpeedButton::SetGroupIndex(int index) {
    if (index == groupIndex_) return;
    groupIndex_ = index;
    UpdateExclusive();
}

void TRxSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0) down = false;
    if (down == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = down;
    if (Enabled()) state_ = down ? rbsExclusive : rbsUp;
    Invalidate();
    if (down) UpdateExclusive();
}

void TRxSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !parentWidget()) return;
    for (QObject* child : parentWidget()->children())
        if (auto* button = dynamic_cast<TRxSpeedButton*>(child))
            button->ButtonPressed(groupIndex_, this);
}

void TRxSpeedButton::ButtonPressed(int groupIndex, TRxSpeedButton* sender) {
    if (sender == this || groupIndex != groupIndex_ || !sender->down_ || !down_) return;
    down_ = false;
    if (Enabled()) state_ = rbsUp;
    Invalidate();
}

void TRxSpeedButton::SetFlat(bool on) {
    if (on == flat_) return;
    flat_ = on;
    Invalidate();
}

void TRxSpeedButton::SetFlatStandard(bool on) {
    if (on == flatStandard_) return;
    flatStandard_ = on;
    Invalidate();
}

void TRxSpeedButton::SetStyle(TButtonStyle style) {
    if (style == style_) return;
    style_ = style;
    Invalidate();
}

void TRxSpeedButton::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TRxSpeedButton::SetMargin(int margin) {
    if (margin == margin_ || margin < -1) return;
    margin_ = margin;
    Invalidate();
}

void TRxSpeedButton::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    Invalidate();
}

void TRxSpeedButton::SetWordWrap(bool on) {
    if (on == wordWrap_) return;
    wordWrap_ = on;
    Invalidate();
}

void TRxSpeedButton::SetGrayedInactive(bool on) {
    if (on == grayedInactive_) return;
    grayedInactive_ = on;
    Invalidate();
}

void TRxSpeedButton::SetTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    Invalidate();
}

void TRxSpeedButton::SetMarkDropDown(bool on) {
    if (on == markDropDown_) return;
    markDropDown_ = on;
    Invalidate();
}

void TRxSpeedButton::SetDropDownMenu(QMenu* menu) {
    dropDownMenu_ = menu;
    Invalidate();
}

void TRxSpeedButton::SetAllowTimer(bool on) {
    allowTimer_ = on;
    // Stopped, not freed: a click handler may turn repeating off from inside a tick.
    if (!on) StopRepeat();
}

TRect TRxSpeedButton::DrawFrame(TCanvas& canvas, const TRect& rect, bool pressed) const {
    if (flat_) {
        Edge(canvas, rect, pressed ? clBtnShadow : clBtnHighlight,
             pressed ? clBtnHighlight : clBtnShadow);
        return Inflated(rect, -2);
    }
    if (style_ == bsWin31 || (style_ == bsAutoDetect && !NewStyleControls)) {
        canvas.Brush = TBrush{clBlack, bsSolid};
        canvas.FrameRect(rect);
        const TRect inner = Inflated(rect, -1);
        if (pressed)
            Edge(canvas, inner, clBtnShadow, clBtnFace);
        else
            Edge(canvas, inner, clBtnHighlight, clBtnShadow);
        return Inflated(rect, -2);
    }
    if (pressed) {
        Edge(canvas, rect, clBtnShadow, clBtnHighlight);
        Edge(canvas, Inflated(rect, -1), cl3DDkShadow, cl3DLight);
    } else {
        Edge(canvas, rect, clBtnHighlight, cl3DDkShadow);
        Edge(canvas, Inflated(rect, -1), cl3DLight, clBtnShadow);
    }
    return Inflated(rect, -2);
}

void TRxSpeedButton::FillDither(TCanvas& canvas, const TRect& rect) const {
    QPainter* p = canvas.Painter();
    if (!p || rect.IsEmpty() || !ditherPattern) return;
    p->fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), QBrush(*ditherPattern));
}

void TRxSpeedButton::Paint(TCanvas& canvas) {
    if (!Enabled()) {
        state_ = rbsDisabled;
        dragging_ = false;
    } else if (state_ == rbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? rbsExclusive : rbsUp;
    }
    const TButtonState paintState = flat_ && !mouseInside_ ? rbsInactive : state_;
    drawImage_.SetSize(width(), height());
    TCanvas& c = drawImage_.Canvas();
    TRect r = ClientRect();
    if (transparent_) {
        PaintParentImage(this, c);
    } else {
        c.Brush = TBrush{clBtnFace, bsSolid};
        c.FillRect(r);
    }
    const bool pressed = state_ == rbsDown || state_ == rbsExclusive;
    if (paintState != rbsInactive || state_ == rbsExclusive)
        r = DrawFrame(c, r, pressed);
    else
        r = Inflated(r, -2);
    if (state_ == rbsExclusive && !transparent_ && (!flat_ || paintState == rbsInactive))
        FillDither(c, r);
    if (pressed) r = OffsetRect(r, 1, 1);
    TButtonState glyphState = state_ == rbsDisabled || !grayedInactive_ ? state_ : paintState;
    if (flatStandard_ && glyphState == rbsInactive) glyphState = rbsExclusive;
    c.Font = Font();
    PaintGlyph(c, r, markDropDown_ && dropDownMenu_, glyphState);
    c.End();
    canvas.Draw(0, 0, drawImage_);
}

void TRxSpeedButton::PaintGlyph(TCanvas& canvas, const TRect& rect, bool drawMark,
                                TButtonState state) {
    glyph_->Draw(canvas, rect, Caption(), layout_, margin_, spacing_, drawMark, state, wordWrap_,
                 layoutDirection() == Qt::RightToLeft);
}

void TRxSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (menuTracking_ || button != TMouseButton::mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = rbsDown;
        Repaint();
    }
    dragging_ = true;
    if (dropDownMenu_) ShowDropDownMenu();
    if (allowTimer_ && dragging_) StartRepeat();
}

void TRxSpeedButton::ShowDropDownMenu() {
    QPointer<TRxSpeedButton> self(this);
    QMenu* menu = dropDownMenu_;
    const QPoint at = menuPosition_ == dmpBottom ? QPoint(0, height()) : QPoint(width(), 0);
    menuTracking_ = true;
    {
        NoReplayInside guard(menu, this);
        menu->exec(mapToGlobal(at));
    }
    if (!self) return;
    menuTracking_ = false;
    SwallowMessage(this, QEvent::MouseButtonPress);
    SwallowMessage(this, QEvent::MouseButtonDblClick);
    // The menu took the release: the press ends here, without a click.
    dragging_ = false;
    if (Enabled()) state_ = down_ ? rbsExclusive : rbsUp;
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) MouseLeave();
    Repaint();
}

void TRxSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) return;
    TButtonState state = down_ ? rbsExclusive : rbsUp;
    if (Inside(x, y)) state = down_ ? rbsExclusive : rbsDown;
    if (state == state_) return;
    state_ = state;
    Invalidate();
}

void TRxSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    QPointer<TRxSpeedButton> self(this);
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!self || !dragging_ || button != TMouseButton::mbLeft) return;
    dragging_ = false;
    StopRepeat();
    const bool inside = Inside(x, y);
    if (groupIndex_ == 0) {
        state_ = rbsUp;
        Invalidate();
    } else if (inside) {
        SetDown(!down_);
    } else {
        if (down_) state_ = rbsExclusive;
        Invalidate();
    }
    if (inside) Click();
    if (self && !rect().contains(x, y)) MouseLeave();
}

void TRxSpeedButton::Click() {
    QPointer<TRxSpeedButton> self(this);
    TGraphicControl::Click();
    if (!self || modalResult_ == 0) return;
    if (auto* form = dynamic_cast<TForm*>(window())) form->SetModalResult(modalResult_);
}

void TRxSpeedButton::ButtonClick() {
    if (menuTracking_ || !Enabled()) return;
    QPointer<TRxSpeedButton> self(this);
    if (state_ == rbsUp) {
        state_ = rbsDown;
        Repaint();
    }
    const uint32_t start = GetTickCount();
    while (GetTickCount() - start < 20) {
    }
    if (groupIndex_ == 0) {
        Click();
        if (!self) return;
        state_ = rbsUp;
        Repaint();
        return;
    }
    // A down button that may not go up stays drawn down.
    state_ = down_ ? rbsExclusive : rbsUp;
    SetDown(!down_);
    Click();
}

void TRxSpeedButton::StartRepeat() {
    if (!repeatTimer_) {
        repeatTimer_ = std::make_unique<TTimer>(nullptr);
        repeatTimer_->OnTimer = [this] { TimerExpired(); };
    }
    repeatTimer_->SetEnabled(false);
    repeatTimer_->SetInterval(initPause_);
    repeatTimer_->SetEnabled(true);
}

void TRxSpeedButton::StopRepeat() {
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
}

void TRxSpeedButton::TimerExpired() {
    if (!repeatTimer_) return;
    repeatTimer_->SetInterval(repeatInterval_);
    if (state_ != rbsDown || !dragging_) return;
    try {
        Click();
    } catch (...) {
        repeatTimer_->SetEnabled(false);
        throw;
    }
}

void TRxSpeedButton::MouseEnter() {
    if (!Enabled() || mouseInside_ || !OwnsActiveWindow()) return;
    mouseInside_ = true;
    if (flat_) Invalidate();
    if (OnMouseEnter) OnMouseEnter();
}

void TRxSpeedButton::MouseLeave() {
    if (!mouseInside_ || dragging_) return;
    mouseInside_ = false;
    if (flat_) Invalidate();
    if (OnMouseLeave) OnMouseLeave();
}

void TRxSpeedButton::EnabledChanged() {
    if (!Enabled()) {
        state_ = rbsDisabled;
        dragging_ = false;
        StopRepeat();
    } else if (state_ == rbsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? rbsExclusive : rbsUp;
    }
    Invalidate();
}

}  // namespace qm
