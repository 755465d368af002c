// Started by bench_start as the floor of a start: a bare Qt Widgets window with an empty chart,
// up to its first paint. It prints "painted" when that paint is done and exits.

#include "firstpaint.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>
#include <QtCharts/QChartView>

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
