#include "formwatchers.h"

#include <QEvent>
#include <QLabel>

ChartCover::ChartCover(QWidget *chart, QLabel *behind) : QObject(chart), m_behind(behind)
{
    chart->installEventFilter(this);
    m_behind->setVisible(chart->isHidden());
}

bool ChartCover::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        m_behind->setVisible(event->type() == QEvent::HideToParent);
    return false;
}

FontFollower::FontFollower(QWidget *watched, std::function<void()> fit)
    : QObject(watched), m_fit(std::move(fit))
{
    watched->installEventFilter(this);
    m_fit();
}

bool FontFollower::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_fit();
    return false;
}
