// The date controls over QDateEdit and QCalendarWidget.
#include "platform/dates.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <cmath>

namespace qm {
namespace {

const QDate& DayZero() {
    static const QDate zero(1899, 12, 30);
    return zero;
}

// Reports the hiding of a picker's drop-down calendar.
class CloseUpWatch : public QObject {
  public:
    CloseUpWatch(QObject* popup, TDateTimePicker* picker) : QObject(popup), picker_(picker) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide && picker_->OnCloseUp) picker_->OnCloseUp();
        return false;
    }

  private:
    TDateTimePicker* picker_;
};

// Selects the field a click went into, once the click has placed the caret there. A drag that
// selected text itself keeps its selection.
class FieldOnClick : public QObject {
  public:
    FieldOnClick(QLineEdit* edit, TDateTimePicker* picker) : QObject(edit), picker_(picker) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton &&
            !static_cast<QLineEdit*>(watched)->hasSelectedText())
            picker_->setSelectedSection(picker_->currentSection());
        return false;
    }

  private:
    TDateTimePicker* picker_;
};

}  // namespace

QDate QDateOf(TDateTime d) {
    // The day is the whole part, towards zero: -1.5 is noon of 29 December 1899.
    return DayZero().addDays(static_cast<qint64>(std::trunc(d)));
}

TDateTime DateOf(const QDate& date) {
    return static_cast<TDateTime>(DayZero().daysTo(date));
}

TDateTimePicker::TDateTimePicker(QWidget* parent)
    : QDateEdit(parent), TControl(this, QPalette::Base) {
    setCalendarPopup(true);
    setDate(QDate::currentDate());
    // The drop-down is made once, with the first request for its calendar.
    if (QCalendarWidget* calendar = calendarWidget()) {
        QWidget* popup = calendar->window();
        closeUpWatch_ = new CloseUpWatch(popup, this);
        popup->installEventFilter(closeUpWatch_);
    }
    lineEdit()->installEventFilter(new FieldOnClick(lineEdit(), this));
}

void TDateTimePicker::keyPressEvent(QKeyEvent* e) {
    QDateEdit::keyPressEvent(e);
    // The spin box passes Enter on to its parents after using it; the window behind must not
    // take it a second time (on the tree tab it would open the selected account).
    e->accept();
}

TDateTimePicker::~TDateTimePicker() {
    delete closeUpWatch_;
}

void TDateTimePicker::SetFormat(const AnsiString& format) {
    setDisplayFormat(ToQString(format));
}

TMonthCalendar::TMonthCalendar(QWidget* parent)
    : QCalendarWidget(parent), TControl(this, QPalette::Base) {
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    QObject::connect(this, &QCalendarWidget::clicked, this, [this] {
        if (OnClick) OnClick();
    });
}

}  // namespace qm
