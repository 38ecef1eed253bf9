// A one-line edit with a button inside its right edge. The button, or the ClickKey shortcut,
// drops a pop-up window down under the edit; closing the pop-up can hand a value back to the
// edit. The numeric edit with its calculator is built on it.
//
// Invariants:
//  1. PopupVisible holds from OpenPopup to the end of ClosePopup. Meanwhile keys stay with the
//     edit (the pop-up never takes the focus), and a mouse press anywhere but on the edit, its
//     button or the pop-up closes the pop-up without taking its value, as does losing the focus.
//  2. The Qt line edit is read-only exactly when ReadOnly is set, DirectInput is off, or an open
//     pop-up disabled typing; paste and cut go through Paste and Cut, which honour the first two.
//  3. The text changes of the line edit reach PopupChanged while the pop-up is open and
//     NotifyChange (OnChange) otherwise.
//
// Keys reach the edit after the window's dialog keys and key preview (platform/control.h); a
// key then runs KeyDown and, when it types a character, KeyPress, before the line edit's own
// handling. Enter and Esc while the pop-up is open are the edit's: they finish the pop-up and
// never reach the window's default or cancel button.
#pragma once

#include <QLineEdit>
#include <QMenu>  // the speed button header needs the whole class
#include <QPointer>
#include <cstdint>

#include "controls/helpers.h"
#include "controls/popup_window.h"
#include "controls/speed_button.h"
#include "platform/control.h"

namespace qm {

class TCustomComboEdit;

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TBorderStyle { bsNone, bsSingle };

// A key with its modifiers in 16 bits: the virtual key plus these flags.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(int key, TShiftState shift);

// The width of the desktop's vertical scroll bar, which a drop-down button takes.
inline constexpr int kSystemScrollBarWidth = 17;

// Where the pop-up of an edit at `editTopLeft` (screen coordinates) opens: under the edit, or
// above it when the screen ends first; its right or left edge lined up with the edit's by
// `align`, and kept on the screen.
TPoint PopupPosition(TPoint editTopLeft, int editWidth, int editHeight, int popupWidth,
                     int popupHeight, const TRect& screen, TPopupAlign align);

// The combo edit's button. A press while the pop-up is open closes it (accepting when
// Standard) and the click that follows is swallowed, so the press does not open it again.
class TEditButton : public TRxSpeedButton {
  public:
    TEditButton(QWidget* holder, TCustomComboEdit* edit);
    bool Standard() const { return standard_; }
    void SetStandard(bool on) { standard_ = on; }
    // Keeps the width the edit gave it (a drop-down button).
    bool FixedWidth() const { return fixedWidth_; }
    void SetFixedWidth(bool on) { fixedWidth_ = on; }
    void Click() override;

  protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

  private:
    TCustomComboEdit* edit_;
    bool standard_ = true;
    bool noAction_ = false;
    bool fixedWidth_ = false;
};

class TCustomComboEdit : public QLineEdit, public TControl {
  public:
    explicit TCustomComboEdit(QWidget* parent);
    ~TCustomComboEdit() override;

    // On every change of the text outside an open pop-up (see invariant 3).
    TNotifyEvent OnChange;
    // On every click of the button, before the pop-up opens or closes.
    TNotifyEvent OnButtonClick;

    // The line edit's text, as typed.
    AnsiString EditText() const { return FromQString(text()); }
    void SetEditText(const AnsiString& text) { setText(ToQString(text)); }
    virtual AnsiString Text() const { return EditText(); }
    virtual void SetText(const AnsiString& text) { SetEditText(text); }
    bool Modified() const { return isModified(); }
    void SetModified(bool on) { setModified(on); }
    int SelStart() const;
    int SelLength() const { return int(selectedText().size()); }
    void SelectAll() { selectAll(); }
    int MaxLength() const;
    void SetMaxLength(int length);  // 0: no limit
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    // Off: the text cannot be typed, pasted or cut; the button still works.
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool on);
    // The button works also when the edit is read-only.
    bool AlwaysEnable() const { return alwaysEnable_; }
    void SetAlwaysEnable(bool on) { alwaysEnable_ = on; }
    TShortCut ClickKey() const { return clickKey_; }
    void SetClickKey(TShortCut key) { clickKey_ = key; }
    TPopupAlign PopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TPopupAlign align) { popupAlign_ = align; }

    int ButtonWidth() const;
    // Above 1 shows the button; a width not less than the client width is ignored.
    void SetButtonWidth(int width);
    // Whether a form would store ButtonWidth: it differs from the width its glyph kind gives.
    bool ButtonWidthStored() const;
    AnsiString ButtonHint() const { return button_->Hint(); }
    void SetButtonHint(const AnsiString& hint) { button_->SetHint(hint); }
    bool ShowHint() const { return button_->ShowHint(); }
    void SetShowHint(bool on) { button_->SetShowHint(on); }
    const TBitmap& Glyph() const { return button_->Glyph(); }
    // Sets the button's picture and makes the glyph kind gkCustom.
    void SetGlyph(const TBitmap& glyph);
    // Whether a form would store Glyph: only a picture of its own.
    bool GlyphStored() const { return glyphKind_ == gkCustom; }
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int count);
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind kind);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);

    bool PopupVisible() const { return popupVisible_; }
    TPopupWindow* Popup() const { return popup_; }
    TEditButton* Button() const { return button_; }
    QWidget* ButtonHolder() const { return holder_; }

    // The button's click and the ClickKey: opens or closes the pop-up.
    void EditButtonClick();
    virtual void OpenPopup(bool disableEdit);
    // `takeFocus` off when the edit is losing the focus and must not take it back.
    virtual void ClosePopup(bool accept, bool takeFocus = true);

    // The edit's client area (inside its border), and the part of it left of the button where
    // the text shows.
    QRect ClientArea() const;
    QRect TextAreaRect() const;
    // Draws the text as the edit shows it without the focus: in the client area, aligned, and
    // from the left margin while the pop-up is open.
    void PaintDisplay(TCanvas& canvas, const AnsiString& text, TAlignment alignment);

  protected:
    // The picture of gkDefault (none here).
    virtual TBitmap DefaultGlyph() { return TBitmap(); }
    virtual void ShowPopupAt(TPoint screenPoint);
    virtual void HidePopup();
    virtual void NotifyChange();
    virtual bool CanAcceptPopupValue(const TPopupValue& /*value*/) { return true; }
    virtual void AcceptPopupValue(const TPopupValue& value);
    virtual void SetPopupValue(const TPopupValue& value);
    virtual TPopupValue GetPopupValue();
    virtual void PopupChanged() {}
    virtual bool GetReadOnly() const { return readOnly_; }
    // Every change of the line edit's text.
    virtual void Change();
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(char& key);
    // Focus moving in from or out to another control (not the window losing activation).
    virtual void DoEnter(Qt::FocusReason reason);
    virtual void DoExit();
    virtual void Paste();
    virtual void Cut();
    // True: the line edit paints itself; false: PaintDisplay with these.
    virtual bool StandardPaint() const { return true; }
    virtual AnsiString DisplayPaintText() const { return EditText(); }
    virtual TAlignment DisplayPaintAlignment() const { return taLeftJustify; }

    void SetPopup(TPopupWindow* popup) { popup_ = popup; }
    void SetEditAlignment(TAlignment alignment);
    void SetDefaultGlyphCount(int count) { defaultGlyphCount_ = count; }
    void SetCreating(bool on) { creating_ = on; }
    bool WindowFocused() const { return focused_; }
    // The edit stays entered although the focus left it (it is about to take the focus back),
    // so that its coming back is no new entering.
    void KeepEntered() { entered_ = true; }
    // Applies ReadOnly and DirectInput to the line edit.
    void ApplyReadOnly();

    bool TakeDialogKey(int key, bool focused) override;
    void LayoutChanged() override { PlaceButton(); }
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    friend class PopupMouseWatch;
    int BorderWidth() const;
    void PlaceButton();
    void RecreateGlyph();
    void ResizeButton(int width);
    void LineEditKey(QKeyEvent* event);
    void CancelMode(QWidget* sender);
    void DrawBorder(QPainter& painter) const;

    QWidget* holder_;
    TEditButton* button_;
    QObject* mouseWatch_ = nullptr;
    QPointer<TPopupWindow> popup_;
    TShortCut clickKey_ = scAlt | VK_DOWN;
    bool readOnly_ = false;
    bool directInput_ = true;
    bool alwaysEnable_ = false;
    bool autoSelect_ = true;
    TAlignment editAlignment_ = taLeftJustify;
    TPopupAlign popupAlign_ = epaRight;
    TGlyphKind glyphKind_ = gkCustom;
    TBorderStyle borderStyle_ = bsSingle;
    bool ctl3D_ = true;
    bool popupVisible_ = false;
    bool focused_ = false;
    bool entered_ = false;
    bool creating_ = false;
    int defaultGlyphCount_ = 1;
};

}  // namespace qm
