// The base every standard control shares: bounds in pixels, visibility, enabled state, focus,
// colour and font, the key and focus events, and the framework's order of delivering a key.
//
// A key pressed in a window that holds our controls goes, in this order:
//   1. Dialog keys. Enter (without Shift, Ctrl or Alt) clicks the focused TButton, or else the
//      window's visible, enabled Default button; Esc clicks its visible, enabled Cancel button.
//      A key so used goes nowhere else: no OnKeyDown, no OnKeyPress, not to the control.
//   2. The window's key preview OnKeyDown (SetKeyPreview), then the control's OnKeyDown. Setting
//      the key to 0 ends the key there.
//   3. For a key that types a character: the preview OnKeyPress, then the control's OnKeyPress.
//      Setting the character to 0 drops it; another character is typed in its place.
//   4. The control's own handling (Qt's).
// So one Enter has one effect: a form whose OnKeyDown runs OK on Enter while OK is also its
// Default button gets OK once, from the button; its handler sees Enter only when no button
// takes it (the default button disabled or hidden).
#pragma once

#include <QPalette>
#include <functional>
#include <optional>

#include "platform/ansistring.h"
#include "platform/graphics.h"

class QKeyEvent;
class QMouseEvent;
class QWidget;

namespace qm {

// Modifier and mouse-button state as key and mouse events report it.
using TShiftState = unsigned;
enum : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Virtual key codes of the desktop the program was designed for; letters and digits are their
// upper-case ASCII codes.
enum : int {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_F1 = 112,
    VK_F3 = 114
};

// The virtual key of a Qt key event (US key positions for punctuation); 0 when it has none.
int VirtualKeyOf(const QKeyEvent& e);
TShiftState ShiftStateOf(const QKeyEvent& e);
TShiftState ShiftStateOf(const QMouseEvent& e);
TMouseButton MouseButtonOf(const QMouseEvent& e);

using TNotifyEvent = std::function<void()>;
using TKeyEvent = std::function<void(int& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(char& key)>;
using TMouseEvent = std::function<void(TMouseButton button, TShiftState shift, int x, int y)>;

class TControl {
  public:
    virtual ~TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    // Focus moving between controls of one window; not when the window itself loses focus.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Pixels relative to the parent's client area.
    void SetBounds(int left, int top, int width, int height);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }

    // The control's own flags, whatever its parents are.
    bool Visible() const;
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const;
    void SetEnabled(bool enabled);
    // Visible and enabled, with every parent up to the window.
    bool CanFocus() const;
    void SetFocus();
    bool Focused() const;

    // The background (clWindow for edits and lists, clBtnFace for the others by default).
    TColor Color() const;
    void SetColor(TColor color);
    // Sizes in points at the screen's 96 pixels per inch, as the canvas draws them, so that
    // text fits the forms' pixel layouts on any screen. The colour is the text's.
    TFont Font() const;
    void SetFont(const TFont& font);

    QWidget* Widget() const { return widget_; }
    // The control that a widget belongs to: the widget itself or its nearest ancestor within
    // its window that is a control (a grid owns its cell editor); nullptr when none.
    static TControl* Owning(QWidget* w);

  protected:
    // `background` is the palette role the control's Color paints (Base for edits and lists,
    // Window for labels, panels and boxes).
    TControl(QWidget* self, QPalette::ColorRole background);
    // Bounds or font changed; an auto-sized label fits itself again.
    virtual void LayoutChanged() {}
    // Step 1 of a key's way: a button takes Enter or Esc here (`focused`: it has the focus).
    virtual bool TakeDialogKey(int /*key*/, bool /*focused*/) { return false; }

  private:
    friend class KeyDispatch;
    QWidget* widget_;
    QPalette::ColorRole background_;
    std::optional<TFont> font_;
};

// The window's own key handlers, which see keys before the focused control (the framework's
// KeyPreview). Set once per window; an empty handler set turns the preview off.
struct TKeyPreview {
    TKeyEvent OnKeyDown = nullptr;
    TKeyPressEvent OnKeyPress = nullptr;
};
void SetKeyPreview(QWidget* window, TKeyPreview preview);

}  // namespace qm
