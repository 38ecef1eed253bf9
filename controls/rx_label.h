// A label that draws its caption with an offset shadow, word wrap, vertical layout and optional
// transparency, and can size itself to its text. The main window shows the full text of a
// cut-off ledger cell in one (shadow size 0, word wrap, automatic height).
#pragma once

#include <QPointer>

#include "controls/draw_text.h"
#include "controls/graphic_control.h"
#include "controls/helpers.h"

namespace qm {

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws the text first in the shadow colour in the rectangle moved by the shadow size towards
// `position`, then in the canvas font colour in the rectangle itself. Returns the shadow
// drawing's height plus the size (when positive); the rectangle becomes the union of both, which
// is how a measuring call (DT_CALCRECT) reports the size of the shadowed text. A size of 0 draws
// the text once: shadow and text coincide, and drawing smoothed text twice would only blur it.
int DrawShadowText(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned flags,
                   int shadowSize, TColor shadowColor, TShadowPosition position);

class TRxCustomLabel : public TGraphicControl {
  public:
    explicit TRxCustomLabel(QWidget* parent);
    ~TRxCustomLabel() override;

    // The control that the caption's accelerator focuses; forgotten when it is destroyed.
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    uint8_t ShadowSize() const { return shadowSize_; }
    void SetShadowSize(uint8_t size);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition position);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool on);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool on);
    // Transparent: the parent shows through wherever the text does not draw.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);

    bool MouseInside() const { return mouseInside_; }
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // An accelerator character typed in the window: focuses the focus control when the caption
    // marks this key and the control can take the focus; true when the key was so used.
    bool DialogChar(char key);

  protected:
    virtual TColor GetDefaultFontColor() const { return Font().Color; }
    virtual AnsiString GetLabelText() const { return Caption(); }

    // Draws (or with DT_CALCRECT measures) the label text in the rectangle.
    void DoDrawText(TCanvas& canvas, TRect& rect, unsigned flags);
    // Fits width and height to the text when AutoSize is on.
    void AdjustBounds();

    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void TextChanged() override;
    void FontChanged() override;
    bool event(QEvent* event) override;

    // Pixels kept free at the sides of the text; 0 here, for labels that draw more.
    int leftMargin_ = 0;
    int rightMargin_ = 0;

  private:
    TRect TextRect() const;
    void FocusChanged(QWidget* now);
    void UpdateShortcut();
    bool ControlCanFocus() const;

    QPointer<QWidget> focusControl_;
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TTextLayout layout_ = tlTop;
    TColor shadowColor_ = clBtnHighlight;
    uint8_t shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool showFocus_ = false;
    bool focused_ = false;
    bool mouseInside_ = false;
    bool dragging_ = false;
    bool transparent_ = false;
    int shortcutId_ = 0;
};

// The label as forms use it; all behaviour is the custom label's.
class TRxLabel : public TRxCustomLabel {
  public:
    using TRxCustomLabel::TRxCustomLabel;
};

}  // namespace qm
