// A four-function pocket calculator built from speed buttons on a panel: the keys, the display
// text and the engine (TCalculatorPanel); the panel in its pop-up layout (TLocCalculator); and
// the pop-up window that carries it under a numeric edit (TPopupCalculator), shows its display
// in the edit and closes with acceptance when the engine produces a result.
//
// The engine works left to right without precedence: 2 + 3 * 4 = gives 20. Its states:
//   First - the next digit starts a new number (after an operator, a function or a new value);
//   Valid - a number is being typed;
//   Error - "Error" is on the display (division by zero, the root of a negative number, the
//           reciprocal of zero, a result beyond the range of numbers); only "C" leaves it.
#pragma once

#include <QPointer>
#include <algorithm>

#include "controls/combo_edit.h"
#include "controls/popup_window.h"
#include "controls/speed_button.h"
#include "platform/controls.h"

namespace qm {

enum TCalcPanelLayout { clDialog, clPopup };
enum TCalcState { csFirst, csValid, csError };

// Key kinds: 1 to 10 the digits 0 to 9, then the keys below.
enum : int {
    ckSign = 11,
    ckDecimal = 12,
    ckDivide = 13,
    ckMultiply = 14,
    ckMinus = 15,
    ckPlus = 16,
    ckSqrt = 17,
    ckPercent = 18,
    ckReciprocal = 19,
    ckEquals = 20,
    ckBack = 21,
    ckClear = 22,
    ckMemoryAdd = 23,
    ckMemoryStore = 24,
    ckMemoryRecall = 25,
    ckMemoryClear = 26,
    ckOk = 27,
    ckCancel = 28,
    kCalcKeyKinds = 28
};

// One key. Its Tag is kind - 1 for the kinds 1 to 22 (the keyboard finds keys by it), else -1;
// it takes the panel's font, in the colour of its kind.
class TCalcButton : public TRxSpeedButton {
  public:
    TCalcButton(QWidget* parent, int kind);
    int Kind() const { return kind_; }

  protected:
    void FontChanged() override;

  private:
    int kind_;
    bool fontChanging_ = false;
};

class TCalculatorPanel : public TPanel {
  public:
    TCalculatorPanel(QWidget* parent, TCalcPanelLayout layout);

    TCalcPanelLayout Layout() const { return layout_; }
    // The display text.
    const AnsiString& Text() const { return text_; }
    TCalcState State() const { return state_; }
    // The pending operator (character 0 before the first clearing) and its first operand.
    char Operator() const { return operator_; }
    double Operand() const { return operand_; }
    double Memory() const { return memory_; }
    // Significant digits of the display; at least 2 are used.
    int Precision() const { return precision_; }
    void SetPrecision(int digits) { precision_ = std::clamp(digits, 0, 255); }
    bool BeepOnError() const { return beepOnError_; }
    void SetBeepOnError(bool on) { beepOnError_ = on; }
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);
    // Shows the display text as its caption too (not owned; forgotten when destroyed).
    void SetDisplayLabel(TLabel* label);

    TNotifyEvent OnErrorEntered;
    TNotifyEvent OnOkClick;
    TNotifyEvent OnCancelClick;
    // After "=", "%" or Enter, also when the result is an error.
    TNotifyEvent OnResultReady;
    TNotifyEvent OnDisplayTextChange;
    TNotifyEvent OnNumberShown;
    // Sees every engine character first; may change it or drop it (0).
    std::function<void(char& key)> OnKeyFilter;

    // The engine, for one character (see the file's head for what the keys do).
    void CalcKey(char key);
    // A typed character: clicks the key it stands for, drawn pressed for a moment; "C",
    // backspace and the memory keys are not reached from the keyboard.
    void CalcKeyPress(char& key);
    TCalcButton* FindButton(char key) const;
    // The key of a kind, or nullptr when the layout has none.
    TCalcButton* Key(int kind) const;

    void ShowNumber(long double x);
    // 0 in the Error state or for a display that is no number.
    long double DisplayedNumber() const;
    void SetDisplayText(const AnsiString& text);
    void ClearCalculator();
    // A new starting value: shown, state First, pending operator "=".
    void NewValue(long double x);
    void CopyDisplay();
    void PasteDisplay();

  protected:
    virtual void DisplayTextChanged();

  private:
    void CreateKeys();
    void KeyClicked(int kind);
    void MemoryKey(int kind);
    void Separator();
    void Digit(char key);
    void Operation(char key);
    void Backspace();
    void StartEntry();
    void EnterError();
    void UpdateMemoryLabel();

    TCalcPanelLayout layout_;
    AnsiString text_ = "0";
    TCalcState state_ = csFirst;
    char operator_ = 0;
    double operand_ = 0;
    double memory_ = 0;
    int precision_ = 15;
    bool beepOnError_ = true;
    bool ctl3D_ = true;
    TPanel* memoryPanel_ = nullptr;
    TLabel* memoryLabel_ = nullptr;
    QPointer<TLabel> displayLabel_;
};

// The panel in the pop-up layout. It never takes the focus, so that typing stays with the edit,
// while its keys still take the mouse.
class TLocCalculator : public TCalculatorPanel {
  public:
    explicit TLocCalculator(QWidget* parent);
};

class TPopupCalculator : public TPopupWindow {
  public:
    explicit TPopupCalculator(QWidget* editor);
    TLocCalculator* Panel() const { return panel_; }

    // The display's number (0, with a beep, in the Error state).
    TPopupValue GetValue() override;
    // Null or empty shows 0; a number or a number text shows it (0 when it is none).
    void SetValue(const TPopupValue& value) override;
    AnsiString GetPopupText() const override { return panel_->Text(); }
    void KeyPress(char& key) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ResultReady();
    TLocCalculator* panel_;
};

// The pop-up calculator of a numeric edit, 137 x 127 pixels.
TPopupCalculator* NewPopupCalculator(QWidget* owner, Qt::LayoutDirection direction);
// Sets the precision (at least 2) and the beep of a pop-up calculator; other pop-ups are left.
void ConfigurePopupCalculator(TPopupWindow* popup, int precision, bool beep);

}  // namespace qm
