#pragma once

#include <QObject>
#include <QPoint>

class QCalendarWidget;
class QComboBox;
class QDate;
class QWidget;

// The two date boxes' calendars: each drops from the bottom edge of its own box over the
// chart, opens on the box's date, and is hidden again by a pick, a click elsewhere or the
// pointer leaving the way between box and calendar. A pick is told as dayPicked.
class CalendarDrops : public QObject
{
    Q_OBJECT
public:
    // `window` holds the calendars; `band` is the surface whose bare moves hide them.
    CalendarDrops(QWidget *window, QWidget *band, QComboBox *box1, QComboBox *box2);

    QCalendarWidget *calendar1() const { return m_calendars[0]; }
    QCalendarWidget *calendar2() const { return m_calendars[1]; }
    // Opens the box's calendar, or hides it when it is open.
    void toggle(QComboBox *box);
    void hideAll();
    // Keeps each calendar under its box after the window changed its size.
    void place();

signals:
    void dayPicked(QComboBox *box, const QDate &date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hideAwayFrom(QPoint at);
    // Hides calendar i; the keyboard focus it held goes back to its date box.
    void hide(int i);
    int indexOf(QComboBox *box) const { return box == m_boxes[1] ? 1 : 0; }

    QWidget *m_window;
    QWidget *m_band;
    QComboBox *m_boxes[2];
    QCalendarWidget *m_calendars[2];
};
