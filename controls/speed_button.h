// A speed button: a glyph of up to five state images and a caption laid out on the face, a flat
// look that shows its edge only under the mouse, grouping (the buttons of one group index in
// one parent are exclusive), a drop-down menu, and auto-repeat while it is held down. It is the
// base of the combo edit's button and of the calculator keys.
//
// States: Up, Down (pressed while the mouse holds it), Exclusive (Down set, in a group),
// Disabled, and Inactive (a flat button without the mouse over it, only ever a paint state).
#pragma once

#include <QMenu>
#include <QPointer>
#include <memory>

#include "controls/button_glyph.h"
#include "controls/graphic_control.h"

class QMenu;

namespace qm {

class TTimer;

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TDropDownMenuPos { dmpBottom, dmpRight };

class TRxSpeedButton : public TGraphicControl {
  public:
    explicit TRxSpeedButton(QWidget* parent);
    ~TRxSpeedButton() override;

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool Down() const { return down_; }
    // In a group, setting Down raises the group's other buttons; a down button goes up only
    // with AllowAllUp; a button without a group is never down.
    void SetDown(bool down);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool on) { allowAllUp_ = on; }
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    // A flat button that, without the mouse over it, shows its normal image instead of grey.
    bool FlatStandard() const { return flatStandard_; }
    void SetFlatStandard(bool on);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle style);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    // Pixels from the edge to the glyph; -1 centres glyph and caption together.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    // Pixels between glyph and caption; -1 spreads them evenly.
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    TAlignment Alignment() const { return glyph_->Alignment(); }
    void SetAlignment(TAlignment alignment) { glyph_->SetAlignment(alignment); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    const TBitmap& Glyph() const { return glyph_->Glyph(); }
    void SetGlyph(const TBitmap& glyph) { glyph_->SetGlyph(glyph); }
    // Glyph cells side by side: up, disabled, down, exclusive, inactive.
    int NumGlyphs() const { return glyph_->NumGlyphs(); }
    void SetNumGlyphs(int count) { glyph_->SetNumGlyphs(count); }
    // Grey image while flat and not under the mouse (unless FlatStandard).
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool on);
    // The parent's picture shows under the face instead of the button colour.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool on);
    // Shown by a press, below the button or to its right; forgotten when it is destroyed.
    QMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(QMenu* menu);
    TDropDownMenuPos MenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TDropDownMenuPos position) { menuPosition_ = position; }
    // Non-zero: a click sets the form's ModalResult after OnClick.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    // Auto-repeat: clicks every RepeatInterval ms, after InitPause ms, while held down.
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool on);
    int InitPause() const { return initPause_; }
    void SetInitPause(int ms) { initPause_ = ms; }
    int RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int ms) { repeatInterval_ = ms; }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    TButtonState State() const { return state_; }
    bool MouseInside() const { return mouseInside_; }
    bool Dragging() const { return dragging_; }
    bool MenuTracking() const { return menuTracking_; }
    // The picture of the last painting.
    const TBitmap& DrawImage() const { return drawImage_; }

    // A click as the keyboard gives it: drawn pressed for 20 ms, then clicked.
    void ButtonClick();
    void Click() override;

    // Live buttons, for the resources they share.
    static int InstanceCount();

  protected:
    // Draws glyph, caption and drop-down mark in the rectangle in the given state.
    virtual void PaintGlyph(TCanvas& canvas, const TRect& rect, bool drawMark, TButtonState state);
    // The repeat timer's tick; a test may run it directly.
    void TimerExpired();
    const TTimer* RepeatTimer() const { return repeatTimer_.get(); }
    TRxButtonGlyph& ButtonGlyph() { return *glyph_; }

    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void EnabledChanged() override;

    TButtonState state_ = rbsUp;
    bool dragging_ = false;
    bool mouseInside_ = false;

  private:
    bool Inside(int x, int y) const { return x >= 0 && x < width() && y >= 0 && y <= height(); }
    void UpdateExclusive();
    void ButtonPressed(int groupIndex, TRxSpeedButton* sender);
    void ShowDropDownMenu();
    void StartRepeat();
    void StopRepeat();
    TRect DrawFrame(TCanvas& canvas, const TRect& rect, bool pressed) const;
    void FillDither(TCanvas& canvas, const TRect& rect) const;

    std::unique_ptr<TRxButtonGlyph> glyph_;
    TBitmap drawImage_;
    std::unique_ptr<TTimer> repeatTimer_;
    QPointer<QMenu> dropDownMenu_;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool flatStandard_ = false;
    TButtonStyle style_ = bsAutoDetect;
    TButtonLayout layout_ = blGlyphTop;
    int margin_ = -1;
    int spacing_ = 1;
    bool wordWrap_ = false;
    bool grayedInactive_ = true;
    bool transparent_ = false;
    bool markDropDown_ = true;
    TDropDownMenuPos menuPosition_ = dmpBottom;
    int modalResult_ = 0;
    bool allowTimer_ = false;
    int initPause_ = 500;
    int repeatInterval_ = 100;
    bool menuTracking_ = false;
};

}  // namespace qm
