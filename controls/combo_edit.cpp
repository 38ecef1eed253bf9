// The combo edit: its button and layout, the pop-up's opening and closing, keys, mouse, focus
// and the painting of its text without the focus.
#include "controls/combo_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <algorithm>

#include "controls/control_bitmaps.h"

namespace qm {
namespace {

// The edit's own margin left of its text, as the desktop's edit keeps it.
constexpr int kEditLeftMargin = 1;
constexpr int kDefaultButtonWidth = 21;
// 96 dots per inch in dots per metre, the resolution the canvas sizes fonts by.
constexpr int kScreenDotsPerMetre = 3780;

// The caret is 1 pixel wide, 2 for a bold font; everything else is the application's style.
class CaretStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth) return widget && widget->font().bold() ? 2 : 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* SharedCaretStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new CaretStyle(QStyleFactory::create(qApp->style()->name()));
        style->setParent(qApp);
    }
    return style;
}

// The character a key types in the interface code page, as the platform's key order sees it;
// false for keys that type none. Ctrl with a letter types its control character (Ctrl+V is
// character 22), whichever text the event carries.
bool TypedChar(const QKeyEvent& e, char& c) {
    if (e.text().isEmpty() || e.key() == Qt::Key_Delete || (e.modifiers() & Qt::AltModifier))
        return false;
    const AnsiString s = FromQString(e.text());
    if (s.size() != 1) return false;
    c = s[0];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if ((e.modifiers() & Qt::ControlModifier) && letter) c = static_cast<char>(c & 0x1F);
    return true;
}

// Three 2 x 2 dots, centred, on the see-through colour of glyphs.
TBitmap EllipsisBitmap(int buttonWidth) {
    const int width = Max(1, buttonWidth - 6);
    TBitmap b(width, 4);
    TCanvas& c = b.Canvas();
    c.Brush = TBrush{clFuchsia, bsSolid};
    c.FillRect(Rect(0, 0, width, 4));
    const int gap = Min(Max(1, (width - 6) / 2), 3);
    const int left = (width - 6 - 2 * gap) / 2;
    c.Brush.Color = clBlack;
    for (int i = 0; i < 3; ++i) {
        const int x = left + i * (gap + 2);
        c.FillRect(Rect(x, 1, x + 2, 3));
    }
    return b;
}

Qt::Alignment QtAlignment(TAlignment a) {
    switch (a) {
        case taRightJustify:
            return Qt::AlignRight | Qt::AlignVCenter;
        case taCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

// While the pop-up is open: a mouse press anywhere in the application goes to the edit, which
// closes the pop-up unless the press is on the edit, its button or the pop-up; so does a move
// of the edit's window, which would leave the pop-up behind.
class PopupMouseWatch : public QObject {
  public:
    explicit PopupMouseWatch(TCustomComboEdit* edit) : QObject(edit), edit_(edit) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::NonClientAreaMouseButtonPress:
                edit_->CancelMode(widget);
                break;
            case QEvent::Move:
                if (widget == edit_->window()) edit_->CancelMode(widget);
                break;
            default:
                break;
        }
        return false;
    }

  private:
    TCustomComboEdit* edit_;
};

TShortCut ShortCut(int key, TShiftState shift) {
    TShortCut sc = static_cast<TShortCut>(key & 0xFF);
    if (shift & ssShift) sc |= scShift;
    if (shift & ssCtrl) sc |= scCtrl;
    if (shift & ssAlt) sc |= scAlt;
    return sc;
}

TPoint PopupPosition(TPoint editTopLeft, int editWidth, int editHeight, int popupWidth,
                     int popupHeight, const TRect& screen, TPopupAlign align) {
    const TPoint p = editTopLeft;
    int y = p.Y + editHeight;
    if (screen.Bottom < y + popupHeight) y = p.Y - popupHeight;
    int x;
    if (align == epaRight) {
        x = p.X - (popupWidth - editWidth);
        if (x < screen.Left) x = p.X;
    } else {
        x = p.X;
        if (screen.Right < x + popupWidth) x = p.X - (popupWidth - editWidth);
    }
    if (x < screen.Left)
        x = screen.Left;
    else if (x + popupWidth > screen.Right)
        x = screen.Right - popupWidth;
    return {x, y};
}

TEditButton::TEditButton(QWidget* holder, TCustomComboEdit* edit)
    : TRxSpeedButton(holder), edit_(edit) {
    // The hint shows when the edit's ShowHint is on (off by default).
    SetShowHint(false);
}

void TEditButton::Click() {
    if (noAction_) {
        noAction_ = false;
        return;
    }
    TRxSpeedButton::Click();
}

void TEditButton::Paint(TCanvas& canvas) {
    TRxSpeedButton::Paint(canvas);
    if (state_ == rbsDown) return;
    // The button's left edge merges into the edit's text area.
    canvas.Pen = TPen{NewStyleControls ? clBtnFace : clBtnShadow, 1, psSolid};
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, height() - 1);
    canvas.Pen.Color = clBtnHighlight;
    canvas.MoveTo(1, 1);
    canvas.LineTo(1, height() - 2);
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        noAction_ = edit_->Popup() && edit_->PopupVisible();
        if (!edit_->PopupVisible()) {
            if ((edit_->focusPolicy() & Qt::TabFocus) && edit_->CanFocus() && !edit_->hasFocus())
                edit_->setFocus(Qt::MouseFocusReason);
        } else {
            edit_->ClosePopup(standard_);
        }
    }
    TRxSpeedButton::MouseDown(button, shift, x, y);
}

TCustomComboEdit::TCustomComboEdit(QWidget* parent)
    : QLineEdit(parent), TControl(this, QPalette::Base) {
    creating_ = true;
    setFrame(false);
    // Dropped text would pass by the checks that typing and pasting go through.
    setAcceptDrops(false);
    setStyle(SharedCaretStyle());
    holder_ = new QWidget(this);
    holder_->setFocusPolicy(Qt::NoFocus);
    holder_->resize(kDefaultButtonWidth, 17);
    button_ = new TEditButton(holder_, this);
    button_->setGeometry(0, 0, kDefaultButtonWidth, 17);
    button_->OnClick = [this] { EditButtonClick(); };
    mouseWatch_ = new PopupMouseWatch(this);
    QObject::connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
    resize(121, 21);
    PlaceButton();
    creating_ = false;
}

TCustomComboEdit::~TCustomComboEdit() {
    qApp->removeEventFilter(mouseWatch_);
}

int TCustomComboEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TCustomComboEdit::MaxLength() const {
    return maxLength() == 32767 ? 0 : maxLength();
}

void TCustomComboEdit::SetMaxLength(int length) {
    setMaxLength(length <= 0 ? 32767 : length);
}

void TCustomComboEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    ApplyReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool on) {
    directInput_ = on;
    ApplyReadOnly();
}

void TCustomComboEdit::ApplyReadOnly() {
    setReadOnly(readOnly_ || !directInput_);
}

void TCustomComboEdit::SetEditAlignment(TAlignment alignment) {
    editAlignment_ = alignment;
    setAlignment(QtAlignment(alignment));
}

int TCustomComboEdit::BorderWidth() const {
    if (borderStyle_ == bsNone) return 0;
    return ctl3D_ ? 2 : 1;
}

QRect TCustomComboEdit::ClientArea() const {
    const int b = BorderWidth();
    return QRect(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}

QRect TCustomComboEdit::TextAreaRect() const {
    const QRect c = ClientArea();
    return QRect(c.left(), c.top(), std::max(0, c.width() - holder_->width() - 2), c.height() + 1);
}

void TCustomComboEdit::PlaceButton() {
    const int bw = button_->width();
    const QRect c = ClientArea();
    QRect h;  // in client coordinates
    if (borderStyle_ == bsSingle && ctl3D_)
        h = QRect(c.width() - bw, 0, bw, c.height());
    else if (borderStyle_ == bsSingle)
        h = QRect(width() - bw - 2, 2, bw, height() - 4);
    else
        h = QRect(width() - bw, 0, bw, height());
    holder_->setGeometry(h.translated(c.topLeft()));
    button_->setGeometry(0, 0, bw, std::max(0, h.height()));
    const int b = BorderWidth();
    setTextMargins(b, b, width() - (c.left() + c.width() - holder_->width()), b);
}

int TCustomComboEdit::ButtonWidth() const {
    return button_->width();
}

void TCustomComboEdit::ResizeButton(int width) {
    holder_->resize(width, holder_->height());
    button_->resize(width, button_->height());
    PlaceButton();
}

void TCustomComboEdit::SetButtonWidth(int width) {
    width = std::max(0, width);
    if (width == ButtonWidth()) return;
    holder_->setVisible(width > 1);
    const int limit = parentWidget() ? ClientArea().width() : this->width();
    if (!creating_ && width >= limit) return;
    ResizeButton(width);
    button_->SetFixedWidth(false);
    RecreateGlyph();
}

bool TCustomComboEdit::ButtonWidthStored() const {
    int standard = kDefaultButtonWidth;
    if (glyphKind_ == gkDefault && !Glyph().Empty())
        standard = Max(Glyph().Width() / NumGlyphs() + 6, kDefaultButtonWidth);
    else if (glyphKind_ == gkDropDown)
        standard = kSystemScrollBarWidth;
    return ButtonWidth() != standard;
}

void TCustomComboEdit::SetGlyph(const TBitmap& glyph) {
    button_->SetGlyph(glyph);
    glyphKind_ = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int count) {
    if (glyphKind_ == gkDropDown || glyphKind_ == gkEllipsis)
        button_->SetNumGlyphs(1);
    else if (glyphKind_ == gkDefault)
        button_->SetNumGlyphs(defaultGlyphCount_);
    else
        button_->SetNumGlyphs(count);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind) {
    if (kind == glyphKind_) return;
    glyphKind_ = kind;
    RecreateGlyph();
    if (kind == gkDefault && !Glyph().Empty()) {
        SetButtonWidth(Max(Glyph().Width() / NumGlyphs() + 6, ButtonWidth()));
    } else if (kind == gkDropDown) {
        SetButtonWidth(kSystemScrollBarWidth);
        button_->SetFixedWidth(true);
    }
}

void TCustomComboEdit::RecreateGlyph() {
    switch (glyphKind_) {
        case gkDefault:
            button_->SetGlyph(DefaultGlyph());
            SetNumGlyphs(defaultGlyphCount_);
            break;
        case gkDropDown:
            button_->SetGlyph(DropDownArrowBitmap());
            SetNumGlyphs(1);
            break;
        case gkEllipsis:
            button_->SetGlyph(EllipsisBitmap(ButtonWidth()));
            SetNumGlyphs(1);
            break;
        case gkCustom:
            break;
    }
}

void TCustomComboEdit::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
    PlaceButton();
    update();
}

void TCustomComboEdit::SetCtl3D(bool on) {
    ctl3D_ = on;
    PlaceButton();
    update();
}

void TCustomComboEdit::EditButtonClick() {
    if (GetReadOnly() && !alwaysEnable_) return;
    QPointer<TCustomComboEdit> self(this);
    if (OnButtonClick) OnButtonClick();
    if (!self || !popup_) return;
    if (popupVisible_)
        ClosePopup(true);
    else
        OpenPopup(true);
}

void TCustomComboEdit::OpenPopup(bool disableEdit) {
    if (!popup_ || GetReadOnly() || popupVisible_) return;
    const QPoint at = mapToGlobal(QPoint(0, 0));
    const QRect s = screen() ? screen()->geometry() : QRect(0, 0, 800, 600);
    const TPoint p = PopupPosition(
        {at.x(), at.y()}, width(), height(), popup_->width(), popup_->height(),
        Rect(s.left(), s.top(), s.left() + s.width(), s.top() + s.height()), popupAlign_);
    SetPopupValue(text().isEmpty() ? TPopupValue{} : TPopupValue{EditText()});
    if (CanFocus()) setFocus(Qt::OtherFocusReason);
    ShowPopupAt(p);
    popupVisible_ = true;
    if (disableEdit) setReadOnly(true);
    qApp->installEventFilter(mouseWatch_);
    update();
}

void TCustomComboEdit::ClosePopup(bool accept, bool takeFocus) {
    if (!popup_ || !popupVisible_) return;
    QPointer<TCustomComboEdit> self(this);
    qApp->removeEventFilter(mouseWatch_);
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    const TPopupValue value = GetPopupValue();
    HidePopup();
    if (takeFocus && CanFocus()) setFocus(Qt::OtherFocusReason);
    ApplyReadOnly();
    update();
    if (accept && CanAcceptPopupValue(value) && !GetReadOnly()) {
        AcceptPopupValue(value);
        if (!self) return;
        if (focused_) selectAll();
    }
    popupVisible_ = false;
}

void TCustomComboEdit::CancelMode(QWidget* sender) {
    if (!popupVisible_ || !sender || sender == this || isAncestorOf(sender)) return;
    if (popup_ && (sender == popup_ || popup_->isAncestorOf(sender))) return;
    ClosePopup(false);
}

void TCustomComboEdit::ShowPopupAt(TPoint screenPoint) {
    if (popup_) popup_->ShowAt(screenPoint);
}

void TCustomComboEdit::HidePopup() {
    if (popup_) popup_->HidePopup();
}

void TCustomComboEdit::NotifyChange() {
    if (OnChange) OnChange();
}

void TCustomComboEdit::AcceptPopupValue(const TPopupValue& value) {
    const AnsiString text = PopupValueText(value);
    if (EditText() == text) return;
    SetEditText(text);
    setModified(true);
    // The pop-up is hidden by now, so the notification below and later rewrites reach OnChange.
    popupVisible_ = popup_ && popup_->isVisible();
    NotifyChange();
}

void TCustomComboEdit::SetPopupValue(const TPopupValue& value) {
    if (popup_) popup_->SetValue(value);
}

TPopupValue TCustomComboEdit::GetPopupValue() {
    if (popup_) return popup_->GetValue();
    return EditText();
}

void TCustomComboEdit::Change() {
    if (popupVisible_)
        PopupChanged();
    else
        NotifyChange();
}

void TCustomComboEdit::KeyDown(int& key, TShiftState shift) {
    // The window's key preview has had these already (platform/control.h); the line edit must
    // not act on them.
    if ((shift & ssCtrl) && (key == VK_RETURN || key == VK_TAB)) {
        key = 0;
        return;
    }
    if (ShortCut(key, shift) == clickKey_ && ButtonWidth() > 0) {
        EditButtonClick();
        key = 0;
    }
}

void TCustomComboEdit::KeyPress(char& key) {
    if (key == '\r' || key == 27 || (key == '\n' && popupVisible_)) {
        if (popupVisible_) {
            ClosePopup(key != 27);
            key = 0;
            return;
        }
        // The window offered Enter to its default button before the edit saw it.
        if (key == '\r') key = 0;
    }
    if (key == '\t' || key == '\n') key = 0;
}

bool TCustomComboEdit::TakeDialogKey(int key, bool focused) {
    if (!focused || !popupVisible_ || (key != VK_RETURN && key != VK_ESCAPE)) return false;
    QPointer<TCustomComboEdit> self(this);
    int k = key;
    if (OnKeyDown) OnKeyDown(k, 0);
    if (!self || k == 0) return true;
    KeyDown(k, 0);
    if (!self || k == 0) return true;
    char c = static_cast<char>(key);
    if (OnKeyPress) OnKeyPress(c);
    if (!self || c == 0) return true;
    KeyPress(c);
    return true;
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event) {
    QPointer<TCustomComboEdit> self(this);
    int key = VirtualKeyOf(*event);
    if (key != 0) {
        KeyDown(key, ShiftStateOf(*event));
        if (!self) return;
        if (key == 0) return event->accept();
    }
    char c;
    if (TypedChar(*event, c)) {
        const char typed = c;
        KeyPress(c);
        if (!self) return;
        if (c == 0) return event->accept();
        if (c != typed) {
            QKeyEvent copy(QEvent::KeyPress, Qt::Key_unknown, event->modifiers(),
                           ToQString(AnsiString(1, c)));
            LineEditKey(&copy);
            event->setAccepted(copy.isAccepted());
            return;
        }
    }
    LineEditKey(event);
}

void TCustomComboEdit::LineEditKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        event->accept();
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
        event->accept();
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

void TCustomComboEdit::Paste() {
    if (directInput_ && !readOnly_) paste();
}

void TCustomComboEdit::Cut() {
    if (directInput_ && !readOnly_) cut();
}

void TCustomComboEdit::mousePressEvent(QMouseEvent* event) {
    if (popup_ && event->button() == Qt::LeftButton) {
        QPointer<TCustomComboEdit> self(this);
        if (CanFocus()) setFocus(Qt::MouseFocusReason);
        if (focused_ && popupVisible_) ClosePopup(false);
        if (!self) return;
    }
    QLineEdit::mousePressEvent(event);
}

void TCustomComboEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button's selection paste would pass by Paste and its checks.
    if (event->button() == Qt::MiddleButton) return event->accept();
    QLineEdit::mouseReleaseEvent(event);
}

void TCustomComboEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            QObject::connect(action, &QAction::triggered, this, [this] { Paste(); });
        } else if (action->objectName() == QLatin1String("edit-cut")) {
            action->disconnect();
            QObject::connect(action, &QAction::triggered, this, [this] { Cut(); });
        }
    }
    QPointer<QMenu> guard(menu);
    menu->exec(event->globalPos());
    delete guard;
}

void TCustomComboEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    focused_ = true;
    if (entered_) return;
    entered_ = true;
    DoEnter(event->reason());
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    focused_ = false;
    ClosePopup(false, false);
    const Qt::FocusReason reason = event->reason();
    // The window losing activation (another window, a menu) leaves the edit entered, as the
    // desktop keeps the window's focused control.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !entered_)
        return;
    entered_ = false;
    DoExit();
}

void TCustomComboEdit::DoEnter(Qt::FocusReason reason) {
    if (autoSelect_ && reason != Qt::MouseFocusReason) selectAll();
}

void TCustomComboEdit::DoExit() {}

void TCustomComboEdit::hideEvent(QHideEvent* event) {
    ClosePopup(false, false);
    QLineEdit::hideEvent(event);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int minimum = QFontMetrics(font()).height() + 4 + 1;
    if (height() < minimum) {
        resize(width(), minimum);
        return;
    }
    PlaceButton();
}

void TCustomComboEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    switch (event->type()) {
        case QEvent::EnabledChange:
            button_->SetEnabled(isEnabled());
            update();
            break;
        case QEvent::FontChange:
            PlaceButton();
            update();
            break;
        case QEvent::LayoutDirectionChange:
            if (popup_) popup_->setLayoutDirection(layoutDirection());
            break;
        default:
            break;
    }
}

void TCustomComboEdit::PaintDisplay(TCanvas& canvas, const AnsiString& text, TAlignment alignment) {
    const QRect c = ClientArea();
    TRect r = Rect(c.left(), c.top(), c.left() + c.width(), c.top() + c.height());
    // The control's own colour, also while disabled (Qt's palette would grey it).
    const TColor colour = FromQColor(palette().color(QPalette::Active, QPalette::Base));
    canvas.Font = Font();
    if (!isEnabled() && colour != clGrayText) canvas.Font.Color = clGrayText;
    if (borderStyle_ == bsSingle && !ctl3D_) {
        canvas.Brush = TBrush{clBlack, bsSolid};
        canvas.FrameRect(r);
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
    canvas.Brush = TBrush{colour, bsSolid};
    canvas.FillRect(r);
    const int inset = borderStyle_ == bsNone ? 0 : ctl3D_ ? 1 : 2;
    const int left = kEditLeftMargin + inset, top = inset;
    const bool hasButton = !holder_->isHidden();
    const int bw = hasButton ? holder_->width() : 0;
    const int w = canvas.TextWidth(text) + (hasButton ? 1 : 0);
    int x = left;
    if (!popupVisible_ && alignment == taRightJustify) x = c.width() - bw - w - left - 2;
    if (!popupVisible_ && alignment == taCenter) x = (c.width() - bw - w) / 2;
    // A text too wide for the field shows its start (a number its sign) and loses its end.
    x = std::max(x, left);
    canvas.TextRect(Rect(r.Left, r.Top, std::max(r.Left, r.Right - bw), r.Bottom), c.left() + x,
                    c.top() + top, text);
}

void TCustomComboEdit::DrawBorder(QPainter& p) const {
    if (borderStyle_ == bsNone) return;
    const int w = width(), h = height();
    auto edge = [&p](const QRect& r, TColor topLeft, TColor bottomRight) {
        p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), ToQColor(topLeft));
        p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), ToQColor(topLeft));
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), ToQColor(bottomRight));
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), ToQColor(bottomRight));
    };
    if (!ctl3D_) {
        p.setPen(ToQColor(clBlack));
        p.drawRect(0, 0, w - 1, h - 1);
        return;
    }
    edge(QRect(0, 0, w, h), clBtnShadow, clBtnHighlight);
    edge(QRect(1, 1, w - 2, h - 2), cl3DDkShadow, cl3DLight);
}

void TCustomComboEdit::paintEvent(QPaintEvent* event) {
    if (StandardPaint() && !PaintingCopy(this)) {
        QLineEdit::paintEvent(event);
    } else if (width() > 0 && height() > 0) {
        QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
        picture.setDotsPerMeterX(kScreenDotsPerMetre);
        picture.setDotsPerMeterY(kScreenDotsPerMetre);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            TCanvas canvas(&painter);
            PaintDisplay(canvas, DisplayPaintText(), DisplayPaintAlignment());
        }
        QPainter(this).drawImage(0, 0, picture);
    }
    QPainter painter(this);
    DrawBorder(painter);
}

}  // namespace qm
