// The main window's size on the screen: whole on it at a large font and a high scale, and never
// lower than its band and chart need.
#include "mainwindow.h"

#include "calendardrops.h"
#include "screenroom.h"
#include "trendchart.h"

#include <QLayout>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace {
// The smallest size at which the chart still has room for its axes and their labels, and the
// least it gives way to a band that a large font has made tall.
constexpr QSize MinimumChartSize(560, 300);
constexpr int LowestChart = 120;
constexpr QSize StartingSize(1000, 640);
} // namespace

// The room inside the window's frame that the screen has for it.
QRect MainWindow::room() const
{
    return screen()->availableGeometry().marginsRemoved(screenroom::frameOf(this));
}

void MainWindow::setStartingSize()
{
    // Neither beyond a small or highly scaled screen (960 by 540 at 200 %).
    const QSize screenRoom = room().size();
    MSChart1->parentWidget()->setMinimumSize(
        MinimumChartSize.boundedTo(QSize(screenRoom.width(), screenRoom.height() / 2)));
    resize(StartingSize.boundedTo(screenRoom));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_calendars->place();
    fitHeight();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once the window system has given the window its frame, the frame is known.
    if (!m_fittedToScreen) {
        m_fittedToScreen = true;
        QTimer::singleShot(0, this, &MainWindow::fitScreen);
    }
}

bool MainWindow::event(QEvent *event)
{
    const bool done = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) // as after a change of font
        fitHeight();
    return done;
}

// The band's rows wrap in a narrow window or at a large font, and take more lines: the window is
// never lower than they need at its width, so nothing in it is squeezed and cut. When band and
// chart together would need more than the screen's height, the chart gives way, down to a floor:
// the whole window stays on the screen.
void MainWindow::fitHeight()
{
    QWidget *chartArea = MSChart1->parentWidget();
    const int screenHeight = room().height();
    const int others = layout()->totalMinimumHeightForWidth(width()) - chartArea->minimumHeight();
    const int chart =
        std::clamp(screenHeight - others, std::min(LowestChart, MinimumChartSize.height()),
                   std::max(LowestChart, std::min(MinimumChartSize.height(), screenHeight / 2)));
    if (chartArea->minimumHeight() != chart)
        chartArea->setMinimumHeight(chart);
    setMinimumHeight(others + chart);
}

// A window bigger than the screen, or partly beyond its edges, is made to fit it, frame and all.
void MainWindow::fitScreen()
{
    const QRect screenRoom = room();
    if (screenRoom.contains(geometry()))
        return;
    const QRect r = screenroom::keptWithin(geometry(), screenRoom);
    resize(r.size());
    move(r.topLeft() - (geometry().topLeft() - pos()));
}
