// The calculator: its keys and their layouts, the engine, and the pop-up calculator.
#include "controls/calculator.h"

#include <QResizeEvent>
#include <array>
#include <cmath>

#include "controls/control_bitmaps.h"
#include "controls/number_text.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

namespace qm {
namespace {

// A key's place on the panel; no width means the layout has no such key.
struct Place {
    int x = 0, y = 0, w = 0, h = 0;
    bool Present() const { return w > 0; }
};

struct KeyDef {
    const char* caption;
    char engine;
    TColor colour;
    Place popup;
    Place dialog;
    int glyph;  // cell of "CALCBTNS" in the dialog layout, -1 for none
};

constexpr int P = 21;            // pop-up key size
constexpr int DW = 36, DH = 22;  // dialog key size
constexpr TColor kText = clBtnText;

// Indexed by kind - 1. The decimal key's caption and engine character are the process decimal
// separator, read when the key is made and clicked.
const std::array<KeyDef, kCalcKeyKinds>& KeyTable() {
    static const std::array<KeyDef, kCalcKeyKinds> table = {{
        {"0", '0', kText, {6, 75, P, P}, {47, 104, DW, DH}, -1},
        {"1", '1', kText, {6, 52, P, P}, {47, 80, DW, DH}, -1},
        {"2", '2', kText, {29, 52, P, P}, {85, 80, DW, DH}, -1},
        {"3", '3', kText, {52, 52, P, P}, {123, 80, DW, DH}, -1},
        {"4", '4', kText, {6, 29, P, P}, {47, 56, DW, DH}, -1},
        {"5", '5', kText, {29, 29, P, P}, {85, 56, DW, DH}, -1},
        {"6", '6', kText, {52, 29, P, P}, {123, 56, DW, DH}, -1},
        {"7", '7', kText, {6, 6, P, P}, {47, 32, DW, DH}, -1},
        {"8", '8', kText, {29, 6, P, P}, {85, 32, DW, DH}, -1},
        {"9", '9', kText, {52, 6, P, P}, {123, 32, DW, DH}, -1},
        {"\xB1", '_', kText, {52, 75, P, P}, {85, 104, DW, DH}, 2},
        {"", 0, kText, {29, 75, P, P}, {123, 104, DW, DH}, -1},
        {"/", '/', clPurple, {75, 6, P, P}, {161, 32, DW, DH}, -1},
        {"*", '*', clPurple, {75, 29, P, P}, {161, 56, DW, DH}, 3},
        {"-", '-', clPurple, {75, 52, P, P}, {161, 80, DW, DH}, 4},
        {"+", '+', clPurple, {75, 75, P, 44}, {161, 104, DW, DH}, 5},
        {"sqrt", 'Q', clNavy, {98, 6, 31, P}, {199, 32, DW, DH}, -1},
        {"%", '%', clNavy, {98, 29, 31, P}, {199, 56, DW, DH}, -1},
        {"1/x", 'R', clNavy, {98, 52, 31, P}, {199, 80, DW, DH}, -1},
        {"=", '=', clPurple, {98, 75, 31, 44}, {199, 104, DW, DH}, -1},
        {"<-", '\b', clMaroon, {29, 98, 44, P}, {145, 6, 44, DH}, -1},
        {"C", 'C', clMaroon, {6, 98, P, P}, {191, 6, 44, DH}, -1},
        {"MP", 0, clNavy, {}, {5, 104, DW, DH}, -1},
        {"MS", 0, clNavy, {}, {5, 80, DW, DH}, -1},
        {"MR", 0, clNavy, {}, {5, 56, DW, DH}, -1},
        {"MC", 0, clNavy, {}, {5, 32, DW, DH}, -1},
        {"", 0, kText, {}, {47, 6, DW, DH}, 1},
        {"", 0, kText, {}, {85, 6, DW, DH}, 0},
    }};
    return table;
}

const KeyDef& Def(int kind) {
    return KeyTable()[static_cast<size_t>(kind - 1)];
}

char EngineChar(int kind) {
    return kind == ckDecimal ? FormatSettings().DecimalSeparator : Def(kind).engine;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The keyboard's characters in the order of the keys' tags.
constexpr const char* kKeyString = "0123456789_./*-+Q%R=";

}  // namespace

TCalcButton::TCalcButton(QWidget* parent, int kind) : TRxSpeedButton(parent), kind_(kind) {
    Tag = kind >= 1 && kind <= ckClear ? kind - 1 : -1;
    SetStyle(bsNew);
    FontChanged();
}

void TCalcButton::FontChanged() {
    if (!fontChanging_ && kind_ >= 1 && kind_ <= kCalcKeyKinds) {
        fontChanging_ = true;
        SetFontColor(Def(kind_).colour);
        fontChanging_ = false;
    }
    TRxSpeedButton::FontChanged();
}

TCalculatorPanel::TCalculatorPanel(QWidget* parent, TCalcPanelLayout layout)
    : TPanel(parent), layout_(layout) {
    setFrameStyle(QFrame::NoFrame);
    resize(layout == clDialog ? 240 : 131, layout == clDialog ? 129 : 124);
    SetFont(TFont{"Arial", 8, clWindowText, {fsBold}});
    CreateKeys();
    if (layout == clDialog) {
        memoryPanel_ = new TPanel(this);
        memoryPanel_->setGeometry(6, 7, 34, 20);
        memoryLabel_ = new TLabel(memoryPanel_);
        memoryLabel_->SetAutoSize(false);
        memoryLabel_->setGeometry(3, 3, 26, 14);
        memoryLabel_->setAlignment(Qt::AlignCenter);
    }
    SetCtl3D(true);
}

void TCalculatorPanel::CreateKeys() {
    // The glyph strip is needed only while the dialog layout's keys are made.
    const TBitmap strip = layout_ == clDialog ? LoadControlBitmap("CALCBTNS") : TBitmap();
    for (int kind = 1; kind <= kCalcKeyKinds; ++kind) {
        const KeyDef& def = Def(kind);
        const Place& at = layout_ == clDialog ? def.dialog : def.popup;
        if (!at.Present()) continue;
        auto* key = new TCalcButton(this, kind);
        key->setGeometry(at.x, at.y, at.w, at.h);
        if (layout_ == clDialog && def.glyph >= 0) {
            TBitmap cell;
            CopyImageCell(strip, cell, 6, 1, def.glyph);
            key->SetGlyph(cell);
        } else {
            key->SetCaption(kind == ckDecimal ? AnsiString(1, EngineChar(kind)) : def.caption);
        }
        key->OnClick = [this, kind] { KeyClicked(kind); };
    }
}

TCalcButton* TCalculatorPanel::Key(int kind) const {
    for (QObject* child : children())
        if (auto* key = dynamic_cast<TCalcButton*>(child); key && key->Kind() == kind) return key;
    return nullptr;
}

void TCalculatorPanel::SetCtl3D(bool on) {
    ctl3D_ = on;
    for (int kind = 1; kind <= kCalcKeyKinds; ++kind)
        if (TCalcButton* key = Key(kind)) key->SetStyle(on ? bsNew : bsWin31);
    if (memoryPanel_) {
        memoryPanel_->setFrameStyle(on ? QFrame::Panel | QFrame::Sunken
                                       : QFrame::Box | QFrame::Plain);
        memoryPanel_->setLineWidth(1);
    }
}

void TCalculatorPanel::SetDisplayLabel(TLabel* label) {
    displayLabel_ = label;
    if (label) label->SetCaption(text_);
}

void TCalculatorPanel::SetDisplayText(const AnsiString& text) {
    if (text == text_) return;
    text_ = text;
    DisplayTextChanged();
}

void TCalculatorPanel::DisplayTextChanged() {
    if (displayLabel_) displayLabel_->SetCaption(text_);
    if (OnDisplayTextChange) OnDisplayTextChange();
}

void TCalculatorPanel::ShowNumber(long double x) {
    // The operands are 64-bit numbers: what they cannot hold is an error, not a text that no
    // later step could read back.
    if (!std::isfinite(static_cast<double>(x))) return EnterError();
    const AnsiString text = FloatToStrGeneral(x, std::max(2, precision_));
    if (text == text_) return;
    SetDisplayText(text);
    if (OnNumberShown) OnNumberShown();
}

long double TCalculatorPanel::DisplayedNumber() const {
    long double v = 0;
    if (state_ == csError || !TryStrToFloat(Trim(text_), v)) return 0;
    return v;
}

void TCalculatorPanel::StartEntry() {
    if (state_ != csFirst) return;
    state_ = csValid;
    SetDisplayText("0");
}

void TCalculatorPanel::EnterError() {
    state_ = csError;
    SetDisplayText("Error");
    if (beepOnError_) MessageBeep();
    if (OnErrorEntered) OnErrorEntered();
}

void TCalculatorPanel::ClearCalculator() {
    state_ = csFirst;
    ShowNumber(0);
    operator_ = '=';
}

void TCalculatorPanel::NewValue(long double x) {
    state_ = csFirst;
    ShowNumber(std::isfinite(static_cast<double>(x)) ? x : 0);
    operator_ = '=';
}

void TCalculatorPanel::CalcKey(char key) {
    char k = Upper(key);
    if (state_ == csError && k != 'C') k = 0;
    if (OnKeyFilter) OnKeyFilter(k);
    if (k == 0) return;
    const char dec = FormatSettings().DecimalSeparator;
    if (k == ',' || k == '.' || k == dec) return Separator();
    if (k >= '0' && k <= '9') return Digit(k);
    switch (k) {
        case '\b':
            return Backspace();
        case '_':
            return ShowNumber(-DisplayedNumber());
        case 'Q':
        case 'R': {
            if (state_ == csError) return;
            state_ = csFirst;
            const long double x = DisplayedNumber();
            if (k == 'Q' ? x < 0 : x == 0) return EnterError();
            return ShowNumber(k == 'Q' ? std::sqrt(x) : 1 / x);
        }
        case '+':
        case '-':
        case '*':
        case '/':
        case '=':
        case '%':
        case '\r':
            return Operation(k);
        case 'C':
        case 27:
            return ClearCalculator();
        case 3:
            return CopyDisplay();
        case 22:
            return PasteDisplay();
        default:
            return;
    }
}

void TCalculatorPanel::Separator() {
    StartEntry();
    const char dec = FormatSettings().DecimalSeparator;
    // A number in exponent form takes no separator, as it takes no digits.
    if (text_.find(dec) == AnsiString::npos && text_.find('E') == AnsiString::npos)
        SetDisplayText(text_ + dec);
}

void TCalculatorPanel::Digit(char k) {
    StartEntry();
    const AnsiString text = text_ == "0" ? AnsiString() : text_;
    if (text.find('E') != AnsiString::npos) return;
    const size_t limit =
        static_cast<size_t>(std::max(2, precision_)) + (!text.empty() && text[0] == '-' ? 1 : 0);
    if (text.size() < limit)
        SetDisplayText(text + k);
    else if (beepOnError_)
        MessageBeep();
}

void TCalculatorPanel::Backspace() {
    StartEntry();
    if (text_.size() == 1 || (text_.size() == 2 && text_[0] == '-')) return SetDisplayText("0");
    AnsiString text = text_.substr(0, text_.size() - 1);
    // "1E-5" loses its exponent as a whole: "1E-" would be no number.
    long double v;
    while (!text.empty() && !TryStrToFloat(text, v)) text.pop_back();
    SetDisplayText(text.empty() || text == "-" ? AnsiString("0") : text);
}

void TCalculatorPanel::Operation(char k) {
    if (state_ == csValid) {
        state_ = csFirst;
        long double y = DisplayedNumber();
        if (k == '%') {
            if (operator_ == '+' || operator_ == '-')
                y = operand_ * y / 100;
            else if (operator_ == '*' || operator_ == '/')
                y = y / 100;
        }
        switch (operator_) {
            case '+':
                ShowNumber(operand_ + y);
                break;
            case '-':
                ShowNumber(operand_ - y);
                break;
            case '*':
                ShowNumber(operand_ * y);
                break;
            case '/':
                if (y == 0)
                    EnterError();
                else
                    ShowNumber(operand_ / y);
                break;
            default:
                break;
        }
    }
    operator_ = k;
    operand_ = static_cast<double>(DisplayedNumber());
    if ((k == '\r' || k == '%' || k == '=') && OnResultReady) OnResultReady();
}

void TCalculatorPanel::CopyDisplay() {
    SetClipboardText(text_);
}

void TCalculatorPanel::PasteDisplay() {
    if (!ClipboardHasText()) return;
    long double v;
    if (TryStrToFloat(Trim(ReplaceAll(ClipboardText(), CurrencyString(), "")), v))
        ShowNumber(v);
    else
        SetDisplayText("0");
}

TCalcButton* TCalculatorPanel::FindButton(char key) const {
    const char dec = FormatSettings().DecimalSeparator;
    if (key == ',' || key == '.' || key == dec)
        key = '.';
    else if (key == '\r')
        key = '=';
    key = Upper(key);
    if (key == 0) return nullptr;
    const size_t at = AnsiString(kKeyString).find(key);
    if (at == AnsiString::npos) return nullptr;
    for (int kind = 1; kind <= kCalcKeyKinds; ++kind)
        if (TCalcButton* b = Key(kind); b && b->Tag == static_cast<int>(at)) return b;
    return nullptr;
}

void TCalculatorPanel::CalcKeyPress(char& key) {
    if (TCalcButton* button = FindButton(key)) button->ButtonClick();
}

void TCalculatorPanel::KeyClicked(int kind) {
    if (kind <= ckClear) return CalcKey(EngineChar(kind));
    if (kind <= ckMemoryClear) return MemoryKey(kind);
    if (kind == ckCancel) {
        if (OnCancelClick) OnCancelClick();
        return;
    }
    if (state_ == csError) {
        if (beepOnError_) MessageBeep();
        return;
    }
    ShowNumber(DisplayedNumber());
    if (OnOkClick) OnOkClick();
}

void TCalculatorPanel::MemoryKey(int kind) {
    if (state_ == csError) return;
    const double shown = static_cast<double>(DisplayedNumber());
    switch (kind) {
        case ckMemoryAdd:
            state_ = csFirst;
            memory_ += shown;
            break;
        case ckMemoryStore:
            state_ = csFirst;
            memory_ = shown;
            break;
        case ckMemoryRecall:
            state_ = csFirst;
            StartEntry();
            ShowNumber(memory_);
            break;
        default:
            memory_ = 0;
            break;
    }
    UpdateMemoryLabel();
}

void TCalculatorPanel::UpdateMemoryLabel() {
    if (memoryLabel_) memoryLabel_->SetCaption(memory_ != 0 ? "M" : "");
}

TLocCalculator::TLocCalculator(QWidget* parent) : TCalculatorPanel(parent, clPopup) {
    setFocusPolicy(Qt::NoFocus);
}

TPopupCalculator::TPopupCalculator(QWidget* editor) : TPopupWindow(editor) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(p);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    panel_ = new TLocCalculator(this);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel_->setLineWidth(1);
    panel_->SetPrecision(15);
    panel_->OnResultReady = [this] { ResultReady(); };
    panel_->OnDisplayTextChange = [this] { InvalidateEditor(); };
    resize(137, 127);
    panel_->setGeometry(contentsRect());
}

void TPopupCalculator::resizeEvent(QResizeEvent* event) {
    TPopupWindow::resizeEvent(event);
    panel_->setGeometry(contentsRect());
}

TPopupValue TPopupCalculator::GetValue() {
    if (panel_->State() == csError) {
        if (panel_->BeepOnError()) MessageBeep();
        return static_cast<long double>(0);
    }
    panel_->ShowNumber(panel_->DisplayedNumber());
    return panel_->DisplayedNumber();
}

void TPopupCalculator::SetValue(const TPopupValue& value) {
    long double x = 0;
    if (const auto* number = std::get_if<long double>(&value)) {
        x = *number;
    } else if (const auto* text = std::get_if<AnsiString>(&value); text && !text->empty()) {
        if (!TryStrToFloat(NormalizeNumberText(*text), x)) x = 0;
    }
    panel_->NewValue(x);
}

void TPopupCalculator::KeyPress(char& key) {
    panel_->CalcKeyPress(key);
    TPopupWindow::KeyPress(key);
}

void TPopupCalculator::ResultReady() {
    if (panel_->State() == csError) return;
    panel_->ShowNumber(panel_->DisplayedNumber());
    CloseUp(true);
}

TPopupCalculator* NewPopupCalculator(QWidget* owner, Qt::LayoutDirection direction) {
    auto* popup = new TPopupCalculator(owner);
    popup->setLayoutDirection(direction);
    return popup;
}

void ConfigurePopupCalculator(TPopupWindow* popup, int precision, bool beep) {
    auto* calculator = dynamic_cast<TPopupCalculator*>(popup);
    if (!calculator || !calculator->Panel()) return;
    calculator->Panel()->SetPrecision(std::max(2, precision));
    calculator->Panel()->SetBeepOnError(beep);
}

}  // namespace qm
