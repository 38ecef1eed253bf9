// The base of the controls that draw themselves with a canvas: the label and the speed button.
//
// The desktop framework draws such controls on their parent's surface without a window of
// their own. Here each is a QWidget, because Qt routes mouse, enter and leave events only to
// widgets; it paints into a 96-dpi picture that starts transparent, so a control that leaves
// pixels undrawn shows its parent through them as the framework's transparent controls do, and
// text has the same size as everywhere else the program draws.
//
// Mouse events reach the virtual MouseDown, MouseMove and MouseUp with the framework's
// arguments; the second press of a double click arrives as a MouseDown with ssDouble. Moves are
// reported also while no button is held. Enter and leave arrive as MouseEnter and MouseLeave.
#pragma once

#include <QWidget>

#include "platform/control.h"
#include "platform/graphics.h"

namespace qm {

class TGraphicControl : public QWidget, public TControl {
  public:
    explicit TGraphicControl(QWidget* parent);

    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& caption);

    // The background: its own once set, else the parent's. Set it here rather than through
    // TControl, which would also make Qt fill the background under a transparent control.
    TColor Color() const;
    void SetColor(TColor color);
    // The parent's font until a font is set here (through this class, which keeps track).
    bool ParentFont() const { return !ownFont_; }
    void SetFont(const TFont& font);
    // The text colour alone, keeping the font (and the parent's font while it is inherited).
    void SetFontColor(TColor color);

    AnsiString Hint() const;
    void SetHint(const AnsiString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }

    int Tag = 0;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    std::function<void(TShiftState shift, int x, int y)> OnMouseMove;

    // Draws the control on the canvas, origin at its top-left corner (a test draws it into a
    // bitmap this way).
    void PaintTo(TCanvas& canvas) { Paint(canvas); }
    TRect ClientRect() const { return Rect(0, 0, width(), height()); }
    // Schedules a repaint / repaints at once.
    void Invalidate() { update(); }
    void Repaint() { repaint(); }

  protected:
    virtual void Paint(TCanvas& canvas) = 0;
    virtual void Click();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    // The caption, the font (also an inherited one) or the enabled state changed.
    virtual void TextChanged() { update(); }
    virtual void FontChanged() { update(); }
    virtual void EnabledChanged() { update(); }

    // A left press and release inside run Click (the framework's click-events style); off for
    // a control that decides its clicks itself.
    void SetClickEvents(bool on) { clickEvents_ = on; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    AnsiString caption_;
    std::optional<TColor> color_;
    bool ownFont_ = false;
    bool showHint_ = false;
    bool clickEvents_ = true;
    bool clicked_ = false;
};

}  // namespace qm
