// The numeric edit: a combo edit that holds a floating-point Value, takes only keystrokes after
// which its text is still a number, shows the value formatted by DisplayFormat while it does not
// have the focus, and drops down the pop-up calculator from its button; a result taken from the
// calculator becomes the new value. The amount fields of the budget and transaction dialogs.
//
// Texts:
//   edit text    - what the line edit holds while focused: the value in the pattern "0" or
//                  "0." with DecimalPlaces "#" (empty for 0 with ZeroEmpty), then as typed;
//   display text - what the control paints without the focus: the value in DisplayFormat;
//                  while the calculator is open, the calculator's display.
// The stored value follows the edit text when it is read back: on reading Value, on leaving the
// edit and after a paste.
#pragma once

#include "controls/calculator.h"
#include "controls/combo_edit.h"
#include "platform/sysutils.h"

namespace qm {

// A value outside MinValue and MaxValue when the edit checks the range on leaving.
class ERangeError : public Exception {
  public:
    using Exception::Exception;
};

class TCustomNumEdit : public TCustomComboEdit {
  public:
    explicit TCustomNumEdit(QWidget* parent);
    ~TCustomNumEdit() override;

    // Reads the edit text back first: EConvertError when it is no number.
    long double Value();
    void SetValue(long double value);
    // Equal bounds (the default 0 and 0) mean no range; MinValue > MaxValue means one bound:
    // only MinValue when MaxValue is 0, only MaxValue when MinValue is 0, else none.
    long double MinValue() const { return minValue_; }
    void SetMinValue(long double value);
    long double MaxValue() const { return maxValue_; }
    void SetMaxValue(long double value);
    unsigned DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(unsigned places);
    bool DecimalPlaceRound() const { return decimalPlaceRound_; }
    void SetDecimalPlaceRound(bool on);
    const AnsiString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& format);
    // Whether a form would store DisplayFormat: it differs from the default ",0.##".
    bool DisplayFormatStored() const { return displayFormat_ != DefaultDisplayFormat(); }
    // Of the display text without the focus.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool BeepOnError() const { return beepOnError_; }
    void SetBeepOnError(bool on);
    bool CheckOnExit() const { return checkOnExit_; }
    void SetCheckOnExit(bool on) { checkOnExit_ = on; }
    bool ZeroEmpty() const { return zeroEmpty_; }
    void SetZeroEmpty(bool on);
    bool FormatOnEditing() const { return formatOnEditing_; }
    void SetFormatOnEditing(bool on);

    // The edit text as it is; writing it sets the value from the text's number.
    AnsiString Text() const override { return EditText(); }
    void SetText(const AnsiString& text) override;
    void Clear() { SetText(""); }
    // Back to the stored value, all selected.
    virtual void RevertText();
    // The edit has the focus (between entering and leaving).
    bool EditFocused() const { return numFocused_; }
    virtual AnsiString DisplayText() const;
    AnsiString FormatDisplayText(long double value) const;

    // The candidate rounded (DecimalPlaceRound) and kept within the range; with `raise`, a value
    // outside it throws ERangeError instead.
    long double ClampValue(long double value, bool raise) const;
    // Whether the key, typed in place of the selection, leaves a number text.
    virtual bool IsAcceptableKey(char key) const;

  protected:
    virtual void RefreshEditText();
    virtual AnsiString DefaultDisplayFormat() const { return ",0.##"; }
    virtual void UpdateCalculatorSetup() {}
    // The value from the edit text: EConvertError when it is no number.
    void ReadEditValue();
    void RegroupEditText();

    TBitmap DefaultGlyph() override;
    void AcceptPopupValue(const TPopupValue& value) override;
    void Change() override;
    void KeyPress(char& key) override;
    void DoEnter(Qt::FocusReason reason) override;
    void DoExit() override;
    void Paste() override;
    bool StandardPaint() const override { return numFocused_ && !PopupVisible(); }
    AnsiString DisplayPaintText() const override;
    TAlignment DisplayPaintAlignment() const override { return alignment_; }
    void changeEvent(QEvent* event) override;

  private:
    void SetNumFocused(bool on);
    bool IsCalculatorKey(char key) const;
    void RefreshGuarded();

    TAlignment alignment_ = taRightJustify;
    bool numFocused_ = false;
    long double value_ = 0;
    long double minValue_ = 0;
    long double maxValue_ = 0;
    unsigned decimalPlaces_ = 2;
    bool beepOnError_ = true;
    bool checkOnExit_ = false;
    bool zeroEmpty_ = true;
    bool formatOnEditing_ = false;
    bool formatting_ = false;
    AnsiString displayFormat_ = ",0.##";
    bool decimalPlaceRound_ = false;
};

// The numeric edit with its pop-up calculator (precision 15, BeepOnError handed on).
class TRxCustomCalcEdit : public TCustomNumEdit {
  public:
    explicit TRxCustomCalcEdit(QWidget* parent);
    TPopupCalculator* Calculator() const { return dynamic_cast<TPopupCalculator*>(Popup()); }

  protected:
    void UpdateCalculatorSetup() override;
};

class TRxCalcEdit : public TRxCustomCalcEdit {
  public:
    using TRxCustomCalcEdit::TRxCustomCalcEdit;
};

}  // namespace qm
