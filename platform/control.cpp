// The control base over QWidget and the application-wide key dispatch that gives keys the
// framework's order (see control.h).
#include "platform/control.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <unordered_map>

#include "platform/forms.h"

namespace qm {
namespace {

const std::unordered_map<int, int>& KeyTable() {
    static const std::unordered_map<int, int> table = {
        {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
        {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
        {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},        {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
        {Qt::Key_PageUp, VK_PRIOR},    {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
        {Qt::Key_Home, VK_HOME},       {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
        {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
        {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Meta, 91},          {Qt::Key_Menu, 93},
        {Qt::Key_NumLock, 144},        {Qt::Key_ScrollLock, 145},   {Qt::Key_Semicolon, 186},
        {Qt::Key_Colon, 186},          {Qt::Key_Equal, 187},        {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188},          {Qt::Key_Less, 188},         {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189},     {Qt::Key_Period, 190},       {Qt::Key_Greater, 190},
        {Qt::Key_Slash, 191},          {Qt::Key_Question, 191},     {Qt::Key_QuoteLeft, 192},
        {Qt::Key_AsciiTilde, 192},     {Qt::Key_BracketLeft, 219},  {Qt::Key_BraceLeft, 219},
        {Qt::Key_Backslash, 220},      {Qt::Key_Bar, 220},          {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221},     {Qt::Key_Apostrophe, 222},   {Qt::Key_QuoteDbl, 222},
        {Qt::Key_Exclam, '1'},         {Qt::Key_At, '2'},           {Qt::Key_NumberSign, '3'},
        {Qt::Key_Dollar, '4'},         {Qt::Key_Percent, '5'},      {Qt::Key_AsciiCircum, '6'},
        {Qt::Key_Ampersand, '7'},      {Qt::Key_Asterisk, '8'},     {Qt::Key_ParenLeft, '9'},
        {Qt::Key_ParenRight, '0'},
    };
    return table;
}

int KeypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            return 0;
    }
}

// The character a key types, in the interface code page; false for keys that type none (the
// framework sends no key press for Delete, arrows or Alt combinations).
bool TypedChar(const QKeyEvent& e, char& c) {
    if (e.text().isEmpty() || e.key() == Qt::Key_Delete || (e.modifiers() & Qt::AltModifier))
        return false;
    AnsiString s = FromQString(e.text());
    if (s.size() != 1) return false;
    c = s[0];
    return true;
}

TShiftState ModifierState(Qt::KeyboardModifiers m) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    return s;
}

// Holds a window's key preview as its child, so that it lives and dies with the window.
class PreviewHolder : public QObject {
  public:
    PreviewHolder(QObject* window, TKeyPreview preview)
        : QObject(window), preview(std::move(preview)) {}
    TKeyPreview preview;
};

PreviewHolder* PreviewOf(QWidget* window) {
    for (QObject* child : window->children())
        if (auto* holder = dynamic_cast<PreviewHolder*>(child)) return holder;
    return nullptr;
}

}  // namespace

// Sees every key press first (an application event filter), runs the framework's order and then
// hands the key, possibly with another character, to the widget as a copy of the event.
class KeyDispatch : public QObject {
  public:
    static void Ensure() {
        static KeyDispatch* dispatch = nullptr;
        if (dispatch) return;
        dispatch = new KeyDispatch(qApp);
        qApp->installEventFilter(dispatch);
        QObject::connect(qApp, &QApplication::focusChanged, dispatch, &KeyDispatch::FocusChanged);
    }

    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || e == redelivering_ || !obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        if (!TControl::Owning(w) && !PreviewOf(w->window()) && !dynamic_cast<TForm*>(w->window()))
            return false;
        Dispatch(w, *static_cast<QKeyEvent*>(e));
        // Handled here, with its copy gone to the widget and its parents; the original must not
        // travel up to the parents again.
        e->accept();
        return true;
    }

  private:
    explicit KeyDispatch(QObject* parent) : QObject(parent) {}

    void Dispatch(QWidget* receiver, QKeyEvent& e) {
        QPointer<QWidget> guard(receiver);
        int key = VirtualKeyOf(e);
        TShiftState shift = ShiftStateOf(e);
        if (ClickDialogButton(receiver, key, shift)) return;
        if (key != 0 && !KeyDown(receiver, key, shift)) return;
        if (!guard) return;
        QString text = e.text();
        char c;
        if (TypedChar(e, c)) {
            char typed = c;
            if (!KeyPress(receiver, c) || !guard) return;
            if (c != typed) text = ToQString(AnsiString(1, c));
        }
        Redeliver(receiver, e, text);
    }

    static bool ClickDialogButton(QWidget* receiver, int key, TShiftState shift) {
        if ((key != VK_RETURN && key != VK_ESCAPE) || (shift & (ssShift | ssCtrl | ssAlt)))
            return false;
        TControl* focused = TControl::Owning(receiver);
        if (focused && focused->CanFocus() && focused->TakeDialogKey(key, true)) return true;
        QWidget* window = receiver->window();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            auto* c = dynamic_cast<TControl*>(w);
            if (c && c != focused && w->window() == window && c->CanFocus() &&
                c->TakeDialogKey(key, false))
                return true;
        }
        return false;
    }

    // False when a handler ended the key (set it to 0) or destroyed the receiver.
    static bool KeyDown(QWidget* receiver, int& key, TShiftState shift) {
        QPointer<QWidget> guard(receiver);
        if (PreviewHolder* p = PreviewOf(receiver->window()); p && p->preview.OnKeyDown) {
            p->preview.OnKeyDown(key, shift);
            if (key == 0 || !guard) return false;
        }
        if (TControl* c = TControl::Owning(receiver); c && c->OnKeyDown) c->OnKeyDown(key, shift);
        return key != 0 && guard;
    }

    static bool KeyPress(QWidget* receiver, char& c) {
        QPointer<QWidget> guard(receiver);
        if (PreviewHolder* p = PreviewOf(receiver->window()); p && p->preview.OnKeyPress) {
            p->preview.OnKeyPress(c);
            if (c == 0 || !guard) return false;
        }
        if (TControl* control = TControl::Owning(receiver); control && control->OnKeyPress)
            control->OnKeyPress(c);
        return c != 0 && guard;
    }

    void Redeliver(QWidget* receiver, const QKeyEvent& e, const QString& text) {
        QKeyEvent copy(e.type(), text == e.text() ? e.key() : int(Qt::Key_unknown), e.modifiers(),
                       e.nativeScanCode(), e.nativeVirtualKey(), e.nativeModifiers(), text,
                       e.isAutoRepeat(), e.count());
        struct Mark {
            const QEvent*& slot;
            const QEvent* outer;
            ~Mark() { slot = outer; }
        } mark{redelivering_, redelivering_};
        redelivering_ = &copy;
        QCoreApplication::sendEvent(receiver, &copy);
    }

    void FocusChanged(QWidget* old, QWidget* now) {
        if (!old || !now || old->window() != now->window()) return;
        TControl* from = TControl::Owning(old);
        TControl* to = TControl::Owning(now);
        if (from == to) return;
        QPointer<QWidget> target(now);
        if (from && from->OnExit) from->OnExit();
        if (to && target && to->OnEnter) to->OnEnter();
    }

    const QEvent* redelivering_ = nullptr;
};

int VirtualKeyOf(const QKeyEvent& e) {
    int key = e.key();
    if (e.modifiers() & Qt::KeypadModifier) {
        if (int k = KeypadKey(key)) return k;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
    auto it = KeyTable().find(key);
    return it == KeyTable().end() ? 0 : it->second;
}

TShiftState ShiftStateOf(const QKeyEvent& e) {
    return ModifierState(e.modifiers());
}

TShiftState ShiftStateOf(const QMouseEvent& e) {
    TShiftState s = ModifierState(e.modifiers());
    if (e.buttons() & Qt::LeftButton) s |= ssLeft;
    if (e.buttons() & Qt::RightButton) s |= ssRight;
    if (e.buttons() & Qt::MiddleButton) s |= ssMiddle;
    if (e.type() == QEvent::MouseButtonDblClick) s |= ssDouble;
    return s;
}

TMouseButton MouseButtonOf(const QMouseEvent& e) {
    switch (e.button()) {
        case Qt::RightButton:
            return TMouseButton::mbRight;
        case Qt::MiddleButton:
            return TMouseButton::mbMiddle;
        default:
            return TMouseButton::mbLeft;
    }
}

void SetKeyPreview(QWidget* window, TKeyPreview preview) {
    KeyDispatch::Ensure();
    delete PreviewOf(window);
    if (preview.OnKeyDown || preview.OnKeyPress) new PreviewHolder(window, std::move(preview));
}

TControl::TControl(QWidget* self, QPalette::ColorRole background)
    : widget_(self), background_(background) {
    KeyDispatch::Ensure();
    // A control added to a window already on screen shows at once, as the framework's do.
    if (self->parentWidget() && self->parentWidget()->isVisible()) self->show();
}

TControl* TControl::Owning(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        if (auto* c = dynamic_cast<TControl*>(w)) return c;
        if (w->isWindow()) break;
    }
    return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    widget_->setGeometry(left, top, std::max(0, width), std::max(0, height));
    LayoutChanged();
}

int TControl::Left() const {
    return widget_->x();
}
int TControl::Top() const {
    return widget_->y();
}
int TControl::Width() const {
    return widget_->width();
}
int TControl::Height() const {
    return widget_->height();
}

bool TControl::Visible() const {
    return !widget_->isHidden();
}
void TControl::SetVisible(bool visible) {
    widget_->setVisible(visible);
}
bool TControl::Enabled() const {
    return !widget_->testAttribute(Qt::WA_ForceDisabled);
}
void TControl::SetEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}

bool TControl::CanFocus() const {
    for (const QWidget* w = widget_; w; w = w->parentWidget()) {
        if (w->isHidden() && !w->isWindow()) return false;
        if (w->testAttribute(Qt::WA_ForceDisabled)) return false;
        if (w->isWindow()) break;
    }
    return true;
}

void TControl::SetFocus() {
    widget_->setFocus(Qt::OtherFocusReason);
}

bool TControl::Focused() const {
    QWidget* f = QApplication::focusWidget();
    return f && (f == widget_ || widget_->isAncestorOf(f));
}

TColor TControl::Color() const {
    return FromQColor(widget_->palette().color(background_));
}

void TControl::SetColor(TColor color) {
    QPalette p = widget_->palette();
    p.setColor(background_, ToQColor(color));
    if (background_ == QPalette::Base) p.setColor(QPalette::Button, ToQColor(color));
    widget_->setPalette(p);
    if (background_ == QPalette::Window) widget_->setAutoFillBackground(true);
}

TFont TControl::Font() const {
    if (font_) return *font_;
    const QFont& q = widget_->font();
    TFont f;
    f.Name = FromQString(q.family());
    f.Size = q.pointSize() > 0 ? q.pointSize() : MulDiv(q.pixelSize(), 72, ScreenPixelsPerInch);
    f.Color = FromQColor(widget_->palette().color(QPalette::WindowText));
    if (q.bold()) f.Style.Include(fsBold);
    if (q.italic()) f.Style.Include(fsItalic);
    if (q.underline()) f.Style.Include(fsUnderline);
    if (q.strikeOut()) f.Style.Include(fsStrikeOut);
    return f;
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    QFont q = widget_->font();
    q.setFamily(ToQString(font.Name));
    q.setPixelSize(std::max(1, -font.Height()));
    q.setBold(font.Style.Contains(fsBold));
    q.setItalic(font.Style.Contains(fsItalic));
    q.setUnderline(font.Style.Contains(fsUnderline));
    q.setStrikeOut(font.Style.Contains(fsStrikeOut));
    widget_->setFont(q);
    QPalette p = widget_->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, ToQColor(font.Color));
    widget_->setPalette(p);
    LayoutChanged();
}

}  // namespace qm
