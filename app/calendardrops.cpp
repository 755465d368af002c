#include "calendardrops.h"

#include "datetext.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLayout>
#include <QMouseEvent>
#include <QToolButton>
#include <algorithm>

namespace {

// The month arrows are the outermost tool buttons of the calendar's top bar; named, a screen
// reader says what they do.
void nameMonthArrows(QCalendarWidget *calendar)
{
    const QWidget *bar = calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar"));
    if (!bar || !bar->layout())
        return;
    QVector<QToolButton *> buttons;
    for (int i = 0; i < bar->layout()->count(); ++i) {
        if (auto *button = qobject_cast<QToolButton *>(bar->layout()->itemAt(i)->widget()))
            buttons.push_back(button);
    }
    if (buttons.size() < 2)
        return;
    buttons.front()->setAccessibleName(QStringLiteral("Previous month"));
    buttons.back()->setAccessibleName(QStringLiteral("Next month"));
}

} // namespace

CalendarDrops::CalendarDrops(QWidget *window, QWidget *band, QComboBox *box1, QComboBox *box2)
    : QObject(window), m_window(window), m_band(band), m_boxes{box1, box2}
{
    const QString names[] = {QStringLiteral("Calendar1"), QStringLiteral("Calendar2")};
    for (int i = 0; i < 2; ++i) {
        // Over the chart, just below the band, so they are not in a layout.
        auto *calendar = new QCalendarWidget(window);
        calendar->setObjectName(names[i]);
        calendar->setGridVisible(true);
        nameMonthArrows(calendar);
        calendar->hide();
        m_calendars[i] = calendar;
        QComboBox *box = m_boxes[i];
        const auto picked = [this, i, box](QDate d) {
            hide(i);
            emit dayPicked(box, d);
        };
        connect(calendar, &QCalendarWidget::clicked, this, picked);
        connect(calendar, &QCalendarWidget::activated, this, picked);
        // Escape reaches the calendar from its days when they do not use it.
        calendar->installEventFilter(this);
    }
    band->setMouseTracking(true);
    band->installEventFilter(this);
}

void CalendarDrops::toggle(QComboBox *box)
{
    QCalendarWidget *calendar = m_calendars[indexOf(box)];
    if (!calendar->isHidden()) {
        hide(indexOf(box));
        return;
    }
    // A box that does not hold a date opens on today; its text stays until a day is picked.
    const auto date = datetext::boxTextToDateTime(box->currentText());
    calendar->setSelectedDate(date ? date->date() : QDate::currentDate());
    place();
    calendar->show();
    calendar->raise();
    // The arrow keys move the day and Enter picks it, whether it was opened by key or pointer.
    calendar->setFocus(Qt::PopupFocusReason);
}

void CalendarDrops::hide(int i)
{
    QCalendarWidget *calendar = m_calendars[i];
    const QWidget *focused = QApplication::focusWidget();
    const bool hadFocus = focused && (focused == calendar || calendar->isAncestorOf(focused));
    calendar->hide();
    // The keyboard goes back to where the calendar came from, not to the next control.
    if (hadFocus)
        m_boxes[i]->setFocus(Qt::PopupFocusReason);
}

void CalendarDrops::hideAll()
{
    for (int i = 0; i < 2; ++i)
        hide(i);
}

void CalendarDrops::place()
{
    // Each calendar hangs from the bottom edge of its own date box, so the pointer's way from
    // the box's arrow into it never crosses the band's bare surface, which hides the calendars.
    for (int i = 0; i < 2; ++i) {
        QCalendarWidget *calendar = m_calendars[i];
        calendar->resize(calendar->sizeHint().expandedTo(QSize(280, 200)));
        const QPoint under = m_boxes[i]->mapTo(m_window, QPoint(0, m_boxes[i]->height()));
        calendar->move(std::clamp(under.x(), 0, std::max(0, m_window->width() - calendar->width())),
                       under.y());
    }
}

// A calendar stays open while the pointer is on its way from its date box into it: a straight
// way out of the box's side crosses a strip of the band before it reaches the calendar.
void CalendarDrops::hideAwayFrom(QPoint at)
{
    for (int i = 0; i < 2; ++i) {
        QComboBox *box = m_boxes[i];
        const QRect way =
            m_calendars[i]->geometry().united(QRect(box->mapTo(m_window, QPoint(0, 0)), box->size()));
        if (!way.contains(at))
            hide(i);
    }
}

bool CalendarDrops::eventFilter(QObject *watched, QEvent *event)
{
    for (int i = 0; i < 2; ++i) {
        if (watched == m_calendars[i] && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            hide(i);
            return true;
        }
    }
    // Only moves over the band's bare surface arrive here: Qt drops those over its controls.
    if (watched == m_band && event->type() == QEvent::MouseMove)
        hideAwayFrom(m_band->mapTo(m_window, static_cast<QMouseEvent *>(event)->position().toPoint()));
    return QObject::eventFilter(watched, event);
}
