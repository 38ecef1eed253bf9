// The simple standard controls over their Qt widgets: label, button, edit, check box, radio
// button, group box, panel, spin edit, progress bar and timer.
#include "platform/controls.h"

#include <QPointer>
#include <algorithm>
#include <climits>

#include "platform/forms.h"

namespace qm {
namespace {

// Texts carry line breaks as character 13; Qt breaks at character 10.
QString LabelText(const AnsiString& caption) {
    QString s = ToQString(caption);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QChar('\r'), QChar('\n'));
    return s;
}

TForm* ParentForm(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (auto* form = dynamic_cast<TForm*>(w)) return form;
    return nullptr;
}

}  // namespace

TLabel::TLabel(QWidget* parent) : QLabel(parent), TControl(this, QPalette::Window) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TLabel::SetCaption(const AnsiString& caption) {
    caption_ = caption;
    setText(LabelText(caption));
    LayoutChanged();
}

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    LayoutChanged();
}

void TLabel::SetWordWrap(bool on) {
    setWordWrap(on);
    LayoutChanged();
}

void TLabel::LayoutChanged() {
    if (!autoSize_) return;
    if (wordWrap())
        resize(width(), heightForWidth(width()));
    else
        resize(sizeHint());
}

TButton::TButton(QWidget* parent) : QPushButton(parent), TControl(this, QPalette::Button) {
    // Enter is ours to route (control.h); Qt's dialog must not click a button by itself.
    setAutoDefault(false);
    QObject::connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

void TButton::SetDefault(bool on) {
    default_ = on;
    setDefault(on);  // the look only; Enter is routed in control.cpp
}

void TButton::Click() {
    QPointer<QPushButton> guard(this);
    if (OnClick) OnClick();
    if (!guard || modalResult_ == 0) return;
    if (TForm* form = ParentForm(this)) form->SetModalResult(modalResult_);
}

bool TButton::TakeDialogKey(int key, bool focused) {
    if ((key == VK_RETURN && (focused || default_)) || (key == VK_ESCAPE && cancel_)) {
        Click();
        return true;
    }
    return false;
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent), TControl(this, QPalette::Base) {
    QObject::connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) OnChange();
    });
}

AnsiString TEdit::Text() const {
    return FromQString(ShowsStoredText() ? stored_->whole : text());
}

void TEdit::SetText(const AnsiString& text) {
    stored_.reset();
    setText(ToQString(text));
}

void TEdit::SetStoredText(const std::string& utf8) {
    const QString text = QString::fromStdString(utf8);
    setText(text);
    stored_ = TStored{text, this->text()};
}

bool TEdit::ShowsStoredText() const {
    return stored_ && stored_->shown == text();
}

int TEdit::MaxLength() const {
    return maxLength() == kEditMaxLength ? 0 : maxLength();
}
void TEdit::SetMaxLength(int length) {
    setMaxLength(length <= 0 ? kEditMaxLength : length);
}

int TEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent), TControl(this, QPalette::Window) {
    QObject::connect(this, &QCheckBox::toggled, this, [this] {
        if (OnClick) OnClick();
    });
}

TRadioButton::TRadioButton(QWidget* parent)
    : QRadioButton(parent), TControl(this, QPalette::Window) {
    // Exclusion is ours: among the direct children of one parent, and Checked can be cleared.
    setAutoExclusive(false);
}

void TRadioButton::SetChecked(bool checked) {
    if (isChecked() == checked) return;
    setChecked(checked);
    if (!checked) return;
    if (QWidget* parent = parentWidget()) {
        for (QObject* sibling : parent->children()) {
            auto* radio = dynamic_cast<TRadioButton*>(sibling);
            if (radio && radio != this) radio->setChecked(false);
        }
    }
    if (OnClick) OnClick();
}

void TRadioButton::nextCheckState() {
    if (!isChecked()) SetChecked(true);
}

TGroupBox::TGroupBox(QWidget* parent) : QGroupBox(parent), TControl(this, QPalette::Window) {}

TPanel::TPanel(QWidget* parent) : QFrame(parent), TControl(this, QPalette::Window) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
}

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent), TControl(this, QPalette::Base) {
    ApplyRange();
    setValue(0);
    notified_ = lineEdit()->text();
    // Typing reaches the line edit's signal (every text, numbers or not); the arrows and
    // setValue reach the spin box's. Both end in one notification per distinct text.
    QObject::connect(lineEdit(), &QLineEdit::textChanged, this, [this] { TextChanged(); });
    QObject::connect(this, &QSpinBox::textChanged, this, [this] { TextChanged(); });
}

AnsiString TSpinEdit::Text() const {
    return FromQString(lineEdit()->text());
}

int TSpinEdit::Value() const {
    bool ok = false;
    int v = lineEdit()->text().trimmed().toInt(&ok);
    return ok ? Bounded(v) : min_;
}

void TSpinEdit::SetValue(int value) {
    // When the value stays, setValue still rewrites a text that is no number, but silently.
    setValue(Bounded(value));
    TextChanged();
}

void TSpinEdit::SetMinValue(int v) {
    min_ = v;
    ApplyRange();
}

void TSpinEdit::SetMaxValue(int v) {
    max_ = v;
    ApplyRange();
}

int TSpinEdit::Bounded(int v) const {
    if (min_ == max_) return v;
    return std::clamp(v, std::min(min_, max_), std::max(min_, max_));
}

void TSpinEdit::ApplyRange() {
    if (min_ == max_)
        setRange(INT_MIN, INT_MAX);
    else
        setRange(std::min(min_, max_), std::max(min_, max_));
}

void TSpinEdit::TextChanged() {
    QString now = lineEdit()->text();
    if (now == notified_) return;
    notified_ = now;
    if (OnChange) OnChange();
}

TProgressBar::TProgressBar(QWidget* parent)
    : QProgressBar(parent), TControl(this, QPalette::Window) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

TTimer::TTimer(QObject* owner) : QObject(owner) {
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (OnTimer) OnTimer();
    });
    Restart();
}

void TTimer::SetInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Restart();
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Restart();
}

void TTimer::Restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0) timer_.start(interval_);
}

}  // namespace qm
