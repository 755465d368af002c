// Started by bench_start as the floor of a start: a bare Qt Widgets window with an empty chart,
// up to its first paint. It prints "painted" when that paint is done and exits.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QtCharts/QChartView>

#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                std::printf("painted\n");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QChartView(&window));
    window.resize(1000, 640); // the main window's size
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
