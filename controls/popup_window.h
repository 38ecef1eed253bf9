// The base of the windows a combo edit drops down under itself: a bordered top-level window that
// never takes the focus, so that keys stay with the edit while it is open, and that hands a
// value back to the edit when it closes up.
#pragma once

#include <QFrame>
#include <functional>
#include <variant>

#include "platform/ansistring.h"
#include "platform/graphics.h"

namespace qm {

// A value crossing the pop-up: none (null), a number or a text.
using TPopupValue = std::variant<std::monostate, long double, AnsiString>;
// The value as text: empty for null, the general number text (FloatToStr) for a number.
AnsiString PopupValueText(const TPopupValue& value);
bool PopupValueIsNull(const TPopupValue& value);

class TPopupWindow : public QFrame {
  public:
    // The pop-up belongs to the edit it serves and is destroyed with it at the latest.
    explicit TPopupWindow(QWidget* editor);

    QWidget* Editor() const { return editor_; }
    // Called by CloseUp; the combo edit points it at its ClosePopup.
    std::function<void(TPopupWindow* sender, bool accept)> OnCloseUp;

    virtual TPopupValue GetValue() = 0;
    virtual void SetValue(const TPopupValue& value) = 0;
    virtual void CloseUp(bool accept);
    // The text the edit shows in place of its own while the pop-up is open.
    virtual AnsiString GetPopupText() const { return {}; }
    // Puts the window at the screen point, above every other window, without activating it.
    virtual void ShowAt(TPoint screenPoint);
    void HidePopup();
    // A key the edit hands over while the pop-up is open.
    virtual void KeyPress(char& key);

    // Repaints the edit's text area now (left of a combo edit's button).
    void InvalidateEditor();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QWidget* editor_;
};

}  // namespace qm
