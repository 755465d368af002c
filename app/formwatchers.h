#pragma once

#include <QObject>
#include <functional>

class QLabel;
class QWidget;

// Small watchers that keep a part of the main window's form in step with another.

// "No Graphic Data " lies behind the chart and shows while the chart is hidden. It is hidden
// while the chart covers it, or a screen reader would read it beside a chart that has data.
class ChartCover : public QObject
{
public:
    ChartCover(QWidget *chart, QLabel *behind);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_behind;
};

// Calls `fit` now and whenever the watched widget's font changes, as with the platform's setting.
class FontFollower : public QObject
{
public:
    FontFollower(QWidget *watched, std::function<void()> fit);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_fit;
};
