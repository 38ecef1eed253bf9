// The numeric edit: value and range, the edit and display texts, the key filter, focus and
// paste, and the calculator's result.
#include "controls/num_edit.h"

#include <QTimer>
#include <cmath>
#include <cstring>

#include "controls/control_bitmaps.h"
#include "controls/number_text.h"
#include "platform/application.h"

namespace qm {
namespace {

// The edit pattern's decimals; no value has more significant digits than this.
constexpr unsigned kMaxPatternDecimals = 255;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

long double PowerOfTen(long double n) {
    return std::exp(std::log(10.0L) * n);
}

long double NumberOf(const TPopupValue& value) {
    if (const auto* number = std::get_if<long double>(&value)) return *number;
    long double x = 0;
    if (const auto* text = std::get_if<AnsiString>(&value))
        if (!TryStrToFloat(NormalizeNumberText(*text), x)) x = 0;
    return x;
}

}  // namespace

TCustomNumEdit::TCustomNumEdit(QWidget* parent) : TCustomComboEdit(parent) {
    SetMaxLength(0);
    SetEditAlignment(taLeftJustify);
    SetDefaultGlyphCount(2);
    // Every character must pass the key filter; an input method would insert text past it.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    RefreshEditText();
    SetCreating(true);
    SetGlyphKind(gkDefault);
    SetButtonWidth(21);
    SetCreating(false);
}

TCustomNumEdit::~TCustomNumEdit() {
    if (TPopupWindow* popup = Popup()) {
        popup->OnCloseUp = nullptr;
        SetPopup(nullptr);
        delete popup;
    }
}

long double TCustomNumEdit::Value() {
    ReadEditValue();
    return value_;
}

void TCustomNumEdit::SetValue(long double value) {
    value_ = ClampValue(value, false);
    RefreshEditText();
    update();
}

void TCustomNumEdit::SetText(const AnsiString& text) {
    value_ = ClampValue(StrToFloat(NormalizeNumberText(text)), false);
    RefreshEditText();
    update();
}

void TCustomNumEdit::SetMinValue(long double value) {
    if (value == minValue_) return;
    minValue_ = value;
    SetValue(value_);
}

void TCustomNumEdit::SetMaxValue(long double value) {
    if (value == maxValue_) return;
    maxValue_ = value;
    SetValue(value_);
}

void TCustomNumEdit::SetDecimalPlaces(unsigned places) {
    if (places == decimalPlaces_) return;
    decimalPlaces_ = places;
    value_ = ClampValue(value_, false);
    RefreshEditText();
    update();
}

void TCustomNumEdit::SetDecimalPlaceRound(bool on) {
    if (on == decimalPlaceRound_) return;
    decimalPlaceRound_ = on;
    SetValue(value_);
}

void TCustomNumEdit::SetDisplayFormat(const AnsiString& format) {
    if (format == displayFormat_) return;
    displayFormat_ = format;
    update();
    RefreshEditText();
}

void TCustomNumEdit::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    update();
}

void TCustomNumEdit::SetBeepOnError(bool on) {
    if (on == beepOnError_) return;
    beepOnError_ = on;
    UpdateCalculatorSetup();
}

void TCustomNumEdit::SetZeroEmpty(bool on) {
    if (on == zeroEmpty_) return;
    zeroEmpty_ = on;
    RefreshEditText();
}

void TCustomNumEdit::SetFormatOnEditing(bool on) {
    if (on == formatOnEditing_) return;
    formatOnEditing_ = on;
    SetEditAlignment(on ? alignment_ : taLeftJustify);
    if (on && numFocused_) {
        RegroupEditText();
    } else if (numFocused_) {
        ReadEditValue();
        RefreshEditText();
    }
}

long double TCustomNumEdit::ClampValue(long double value, bool raise) const {
    if (decimalPlaceRound_) {
        // The small excess over a half keeps 1.005 (stored a little below) rounding up.
        const long double scaled = value * PowerOfTen(decimalPlaces_);
        const int sign = value > 0 ? 1 : value < 0 ? -1 : 0;
        if (std::isfinite(scaled))
            value = std::trunc(scaled + sign * 0.50000001L) *
                    PowerOfTen(-static_cast<long double>(decimalPlaces_));
    }
    long double result = value;
    if (minValue_ == maxValue_) return result;
    if (minValue_ < maxValue_) {
        if (value < minValue_) result = minValue_;
        if (value > maxValue_) result = maxValue_;
    } else if (maxValue_ == 0) {
        if (value < minValue_) result = minValue_;
    } else if (minValue_ == 0) {
        if (value > maxValue_) result = maxValue_;
    }
    if (raise && result != value) {
        const int places = static_cast<int>(std::min(decimalPlaces_, kMaxPatternDecimals));
        throw ERangeError("Value must be between " + FormatFixed(minValue_, places) + " and " +
                          FormatFixed(maxValue_, places));
    }
    return result;
}

void TCustomNumEdit::RefreshEditText() {
    const unsigned places = std::min(decimalPlaces_, kMaxPatternDecimals);
    const AnsiString pattern = places == 0 ? "0" : "0." + RepeatChar('#', int(places));
    if (value_ == 0 && zeroEmpty_)
        SetEditText("");
    else
        SetEditText(FormatFloat(pattern, ClampValue(value_, false)));
}

// The control's own rewrites of its text are no changes for OnChange.
void TCustomNumEdit::RefreshGuarded() {
    formatting_ = true;
    RefreshEditText();
    formatting_ = false;
}

void TCustomNumEdit::RevertText() {
    RefreshEditText();
    if (DirectInput()) selectAll();
}

AnsiString TCustomNumEdit::FormatDisplayText(long double value) const {
    return displayFormat_.empty() ? FloatToStr(value) : FormatFloat(displayFormat_, value);
}

AnsiString TCustomNumEdit::DisplayText() const {
    return FormatDisplayText(value_);
}

AnsiString TCustomNumEdit::DisplayPaintText() const {
    if (PopupVisible() && Popup()) return Popup()->GetPopupText();
    return DisplayText();
}

void TCustomNumEdit::ReadEditValue() {
    value_ = ClampValue(StrToFloat(NormalizeNumberText(EditText())), false);
}

void TCustomNumEdit::RegroupEditText() {
    formatting_ = true;
    AnsiString text = EditText();
    const int oldLength = static_cast<int>(text.size());
    const int caret = SelStart();
    if (!text.empty() && text != "-") text = NormalizeNumberText(text);
    text = GroupThousands(text, displayFormat_.find(',') != AnsiString::npos);
    SetEditText(text);
    if (hasFocus()) setCursorPosition(caret + static_cast<int>(text.size()) - oldLength);
    formatting_ = false;
}

TBitmap TCustomNumEdit::DefaultGlyph() {
    static const TBitmap glyph = LoadControlBitmap("CEDITBMP");
    return glyph;
}

void TCustomNumEdit::AcceptPopupValue(const TPopupValue& value) {
    TCustomComboEdit::AcceptPopupValue(value);
    SetValue(ClampValue(NumberOf(value), false));
}

void TCustomNumEdit::Change() {
    if (formatting_) return;
    if (formatOnEditing_ && numFocused_) RegroupEditText();
    TCustomComboEdit::Change();
}

bool TCustomNumEdit::IsCalculatorKey(char key) const {
    if (key == 0 || key == ThousandSeparator()) return false;
    const char up = Upper(key);
    return up == '\b' || up == '\r' || std::strchr("%*+,-./0123456789=CQR_", up) != nullptr ||
           up == FormatSettings().DecimalSeparator;
}

void TCustomNumEdit::KeyPress(char& key) {
    if (PopupVisible() && IsCalculatorKey(key)) {
        if (auto* calculator = dynamic_cast<TPopupCalculator*>(Popup())) {
            char k = key;
            key = 0;
            calculator->Panel()->CalcKeyPress(k);
            return;
        }
    }
    if ((key == '.' || key == ',') && key != ThousandSeparator())
        key = FormatSettings().DecimalSeparator;
    TCustomComboEdit::KeyPress(key);
    if (static_cast<unsigned char>(key) >= 32 && !IsAcceptableKey(key)) {
        if (beepOnError_) MessageBeep();
        key = 0;
    } else if (key == 27) {
        RevertText();
        key = 0;
    }
}

bool TCustomNumEdit::IsAcceptableKey(char key) const {
    AnsiString text = EditText();
    const size_t start = std::min(text.size(), static_cast<size_t>(std::max(0, SelStart())));
    text.erase(start, static_cast<size_t>(SelLength()));
    text.insert(start, 1, key);
    text = NormalizeNumberText(text);
    const size_t point = text.find(FormatSettings().DecimalSeparator);
    if (point != AnsiString::npos) {
        const size_t e = UpperCase(text).find('E', point + 1);
        const size_t decimals = (e == AnsiString::npos ? text.size() : e) - point - 1;
        if (decimals > decimalPlaces_) return false;
    }
    long double number;
    if (!IsValidNumberText(text, number)) return false;
    return !(minValue_ >= 0 && maxValue_ > 0 && number < 0);
}

void TCustomNumEdit::SetNumFocused(bool on) {
    if (on == numFocused_) return;
    numFocused_ = on;
    update();
    RefreshGuarded();
}

void TCustomNumEdit::DoEnter(Qt::FocusReason reason) {
    SetNumFocused(true);
    if (formatOnEditing_) RegroupEditText();
    TCustomComboEdit::DoEnter(reason);
}

void TCustomNumEdit::DoExit() {
    try {
        if (checkOnExit_) ClampValue(StrToFloat(NormalizeNumberText(EditText())), true);
        ReadEditValue();
    } catch (const Exception& e) {
        // The focus has already moved on; the edit takes it back once the move is over and
        // reports the error as the application reports any (an exception must not cross Qt's
        // event delivery).
        selectAll();
        KeepEntered();
        const AnsiString message = e.Message;
        QTimer::singleShot(0, this, [this, message] {
            if (CanFocus()) SetFocus();
            selectAll();
            ShowException(Exception(message));
        });
        return;
    }
    SetNumFocused(false);
    setCursorPosition(0);
    TCustomComboEdit::DoExit();
}

void TCustomNumEdit::Paste() {
    const AnsiString before = EditText();
    TCustomComboEdit::Paste();
    try {
        ReadEditValue();
    } catch (const Exception&) {
        SetEditText(before);
        selectAll();
        if (CanFocus()) SetFocus();
        if (beepOnError_) MessageBeep();
    }
}

void TCustomNumEdit::changeEvent(QEvent* event) {
    TCustomComboEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) update();
}

TRxCustomCalcEdit::TRxCustomCalcEdit(QWidget* parent) : TCustomNumEdit(parent) {
    SetCreating(true);
    TPopupCalculator* popup = NewPopupCalculator(this, layoutDirection());
    SetPopup(popup);
    popup->OnCloseUp = [this](TPopupWindow*, bool accept) { ClosePopup(accept); };
    UpdateCalculatorSetup();
    SetCreating(false);
}

void TRxCustomCalcEdit::UpdateCalculatorSetup() {
    ConfigurePopupCalculator(Popup(), 15, BeepOnError());
}

}  // namespace qm
