// The date controls: a date picker with a drop-down calendar, and a month calendar. Dates are the
// program's day numbers (TDateTime); a picker holds the date only.
#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QDateEdit>

#include "platform/control.h"
#include "platform/sysutils.h"

namespace qm {

// Day numbers and calendar dates; the time of day is dropped.
QDate QDateOf(TDateTime d);
TDateTime DateOf(const QDate& date);

// As a desktop date control: a click into the text selects the field under it (day, month or
// year), so that typed digits replace that field and then move on to the next; the arrow keys
// step the selected field. Every key that reaches the control ends there: one it has no use
// for (Enter, Esc) does not go on to the window's own key handlers.
class TDateTimePicker : public QDateEdit, public TControl {
  public:
    explicit TDateTimePicker(QWidget* parent);
    ~TDateTimePicker() override;
    // When the drop-down calendar closes, after a chosen date has been set.
    TNotifyEvent OnCloseUp;
    TDateTime Date() const { return DateOf(date()); }
    void SetDate(TDateTime d) { setDate(QDateOf(d)); }
    // Day "d"/"dd", month "M"/"MM", year "yy"/"yyyy"; other characters stand as they are.
    AnsiString Format() const { return FromQString(displayFormat()); }
    void SetFormat(const AnsiString& format);
    AnsiString Text() const { return FromQString(text()); }

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QObject* closeUpWatch_ = nullptr;
};

// Clicks on a day reach OnClick; clicks on the title and its arrows only turn the month.
class TMonthCalendar : public QCalendarWidget, public TControl {
  public:
    explicit TMonthCalendar(QWidget* parent);
    TNotifyEvent OnClick;
    TDateTime Date() const { return DateOf(selectedDate()); }
    void SetDate(TDateTime d) { setSelectedDate(QDateOf(d)); }
};

}  // namespace qm
