#include "chartwords.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

constexpr char WordsProperty[] = "quillonChartWords";

// The chart as a reader meets it: a chart named by the widget, described by its words.
class ChartInterface : public QAccessibleWidget
{
public:
    ChartInterface(QWidget *chart, ChartWords *words)
        : QAccessibleWidget(chart, QAccessible::Chart), m_words(words)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Description ? m_words->text() : QAccessibleWidget::text(t);
    }

private:
    ChartWords *m_words;
};

QAccessibleInterface *chartInterface(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    const QVariant words = widget ? widget->property(WordsProperty) : QVariant();
    if (!words.isValid())
        return nullptr;
    return new ChartInterface(widget, static_cast<ChartWords *>(words.value<void *>()));
}

} // namespace

ChartWords::ChartWords(QWidget *chart) : QObject(chart), m_chart(chart)
{
    static const bool installed = [] {
        QAccessible::installFactory(chartInterface);
        return true;
    }();
    Q_UNUSED(installed);
    chart->setProperty(WordsProperty, QVariant::fromValue(static_cast<void *>(this)));
}

void ChartWords::setSource(std::function<QString()> words)
{
    m_source = std::move(words);
    m_text.reset();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(m_chart, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

QString ChartWords::text()
{
    if (!m_text)
        m_text = m_source ? m_source() : QString();
    return *m_text;
}
