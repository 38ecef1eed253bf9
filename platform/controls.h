// The standard controls the forms are built from, one thin class each over its Qt widget, with
// the properties the forms use in AnsiString texts and the framework's event rules, which differ
// from Qt's signals: code that sets an edit's text, a spin edit's value or a check box's or radio
// button's Checked fires OnChange or OnClick as a user's change would, while setting a list's
// ItemIndex fires nothing. The lists, the grid and the date controls have headers of their own,
// included here so that a form needs only this one.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <optional>
#include <string>

#include "platform/control.h"
#include "platform/dates.h"
#include "platform/grid.h"
#include "platform/lists.h"

namespace qm {

class TLabel : public QLabel, public TControl {
  public:
    explicit TLabel(QWidget* parent);
    AnsiString Caption() const { return caption_; }
    // Character 13 (alone or before 10) breaks the line.
    void SetCaption(const AnsiString& caption);
    // On (the default), the label takes the size of its text; with WordWrap only its height.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return wordWrap(); }
    void SetWordWrap(bool on);

  protected:
    void LayoutChanged() override;

  private:
    AnsiString caption_;
    bool autoSize_ = true;
};

class TButton : public QPushButton, public TControl {
  public:
    explicit TButton(QWidget* parent);
    TNotifyEvent OnClick;
    AnsiString Caption() const { return FromQString(text()); }
    void SetCaption(const AnsiString& caption) { setText(ToQString(caption)); }
    // Enter clicks the Default button unless another button has the focus; Esc clicks the
    // Cancel button (see control.h for the whole order).
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }
    // Non-zero: a click sets the owning form's ModalResult after OnClick has run.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    // A click as the user's, also when the button is disabled (as the framework's Click).
    void Click();

  protected:
    bool TakeDialogKey(int key, bool focused) override;

  private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

// The most characters a one-line edit field takes (Qt's own limit for its line edits): the
// longest number, note or account name the user can type or edit in the program's dialogs.
inline constexpr int kEditMaxLength = 32767;

class TEdit : public QLineEdit, public TControl {
  public:
    explicit TEdit(QWidget* parent);
    // On every change of the text, by the user or by SetText.
    TNotifyEvent OnChange;
    // The text shown; while a stored text is shown unchanged, that whole text, also where it is
    // longer than the edit takes and the edit shows its first kEditMaxLength characters.
    AnsiString Text() const;
    void SetText(const AnsiString& text);
    // Shows a text read from the file (UTF-8) whole, through Qt's own Unicode, also where the
    // interface code page cannot hold a character of it, and remembers it until the next
    // SetText or SetStoredText.
    void SetStoredText(const std::string& utf8);
    // True while the edit shows the text SetStoredText gave it, unchanged: Text() then reads as
    // the code page shows the stored text, which is written back as it was stored.
    bool ShowsStoredText() const;
    int MaxLength() const;
    void SetMaxLength(int length);  // 0: kEditMaxLength
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }
    // Character positions from 0 (one byte is one character).
    int SelStart() const;
    void SetSelStart(int start) { setCursorPosition(start); }
    int SelLength() const { return int(selectedText().size()); }
    void SetSelLength(int length) { setSelection(SelStart(), length); }
    void SelectAll() { selectAll(); }

  private:
    struct TStored {
        QString whole;  // as read from the file
        QString shown;  // as the edit took it: no longer than its maximum length
    };
    std::optional<TStored> stored_;
};

class TCheckBox : public QCheckBox, public TControl {
  public:
    explicit TCheckBox(QWidget* parent);
    // On every change of Checked, by the user or by SetChecked.
    TNotifyEvent OnClick;
    AnsiString Caption() const { return FromQString(text()); }
    void SetCaption(const AnsiString& caption) { setText(ToQString(caption)); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
};

// Radio buttons exclude each other among the radio buttons of one parent.
class TRadioButton : public QRadioButton, public TControl {
  public:
    explicit TRadioButton(QWidget* parent);
    // When the button becomes checked, by the user or by SetChecked(true); the others of its
    // parent are already unchecked then. A click on a checked button fires nothing.
    TNotifyEvent OnClick;
    AnsiString Caption() const { return FromQString(text()); }
    void SetCaption(const AnsiString& caption) { setText(ToQString(caption)); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);

  protected:
    void nextCheckState() override;
};

class TGroupBox : public QGroupBox, public TControl {
  public:
    explicit TGroupBox(QWidget* parent);
    AnsiString Caption() const { return FromQString(title()); }
    void SetCaption(const AnsiString& caption) { setTitle(ToQString(caption)); }
};

// A raised container, e.g. a bar of controls or a pop-up holder.
class TPanel : public QFrame, public TControl {
  public:
    explicit TPanel(QWidget* parent);
};

class TSpinEdit : public QSpinBox, public TControl {
  public:
    explicit TSpinEdit(QWidget* parent);
    // On every change of the text: typing (also to a text that is no number), the arrows, or
    // SetValue.
    TNotifyEvent OnChange;
    AnsiString Text() const;
    // The number in the text; MinValue when the text is no number. Within the bounds when they
    // differ; equal bounds (both 0 by default) mean no bounds.
    int Value() const;
    void SetValue(int value);
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void SetMinValue(int v);
    void SetMaxValue(int v);

  private:
    int Bounded(int v) const;
    void ApplyRange();
    void TextChanged();
    int min_ = 0;
    int max_ = 0;
    QString notified_;
};

class TProgressBar : public QProgressBar, public TControl {
  public:
    explicit TProgressBar(QWidget* parent);
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetMin(int v) { setMinimum(v); }
    void SetMax(int v) { setMaximum(v); }
    void SetPosition(int v) { setValue(v); }
};

// Runs OnTimer every Interval milliseconds while Enabled (on at creation). Turning Enabled off
// and on, or changing Interval, starts the period afresh.
class TTimer : public QObject {
  public:
    explicit TTimer(QObject* owner);
    TNotifyEvent OnTimer;
    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

  private:
    void Restart();
    QTimer timer_;
    int interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace qm
