#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The chart told in words for a screen reader: its description is made only when a reader asks
// for it, once for each report. Working the words out reads every charted reading again, which
// for tens of thousands of readings costs more than drawing them; a person without a reader
// never pays for it.
// A child of the chart, so that it outlives the chart's interface, which goes as the chart does.
class ChartWords : public QObject
{
public:
    explicit ChartWords(QWidget *chart);

    // Words for the report just drawn, worked out on a reader's first question; a listening
    // reader is told they changed.
    void setSource(std::function<QString()> words);
    QString text();

private:
    QWidget *m_chart;
    std::function<QString()> m_source;
    std::optional<QString> m_text;
};
