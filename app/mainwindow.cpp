#include "mainwindow.h"

#include "clsoperateini.h"
#include "datebox.h"
#include "datetext.h"
#include "drawreport.h"
#include "linkstart.h"
#include "logwindow.h"
#include "meterlink.h"
#include "numbertext.h"
#include "period.h"
#include "pickcombobox.h"
#include "reportactions.h"
#include "serialportcontrol.h"
#include "settingwindow.h"
#include "trendchart.h"
#include "valueswindow.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QStringList PeriodEntries = {
    QStringLiteral("1 Day"),  QStringLiteral("7 Day"),   QStringLiteral("14 Day"),
    QStringLiteral("21 Day"), QStringLiteral("30 Day"),  QStringLiteral("60 Day"),
    QStringLiteral("90 Day"), QStringLiteral("180 Day"), QStringLiteral("User")};

struct ViewRow
{
    QString entry;
    QString caption;
    qint16 timeview;
};

const ViewRow ViewTable[] = {
    {QStringLiteral("Glucose Morning Trend"), QStringLiteral("Glucose Morning Trend [04:00-11:00] "), 1},
    {QStringLiteral("Glucose Noon Trend"), QStringLiteral("Glucose  Noon  Trend  [11:00-16:00] "), 2},
    {QStringLiteral("Glucose Night Trend"), QStringLiteral("Glucose  Night  Trend [16:00-04:00] "), 3},
    {QStringLiteral("ALL"), QStringLiteral("Glucose Day Trend[00:00-24:00] "), 0},
};

QLabel *bandLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAutoFillBackground(false);
    return label;
}

} // namespace

MainWindow::MainWindow(const ProgramDir &programDir, QWidget *parent)
    : QWidget(parent), m_dir(programDir), m_ini(std::make_unique<clsOperateINI>())
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Quillon V2.0"));
    buildControls();
    m_log = new LogWindow(this);
    setupLink();
}

MainWindow::~MainWindow()
{
    Timer1->stop();
}

void MainWindow::buildControls()
{
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAutoFillBackground(true);
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    QPalette band = Frame1->palette();
    band.setColor(QPalette::Window, band.color(QPalette::Highlight));
    band.setColor(QPalette::WindowText, band.color(QPalette::HighlightedText));
    Frame1->setPalette(band);

    Label1 = bandLabel(QStringLiteral("Corvane"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"), 24);
    title.setBold(true);
    Label1->setFont(title);

    auto *Label2 = bandLabel(QStringLiteral("Report"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Combo1 = new PickComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems(PeriodEntries);
    Combo1->showText(QStringLiteral("7 Day"));
    Combo1->setMinimumContentsLength(8);
    auto *Label4 = bandLabel(QStringLiteral("and"), Frame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    sel_viewtype = new QComboBox(Frame1);
    sel_viewtype->setObjectName(QStringLiteral("sel_viewtype"));
    for (const ViewRow &row : ViewTable)
        sel_viewtype->addItem(row.entry);
    sel_viewtype->setCurrentIndex(-1); // no selection until the start picks "ALL"
    auto *Label8 = bandLabel(QStringLiteral("Unit"), Frame1);
    Label8->setObjectName(QStringLiteral("Label8"));
    unit = new PickComboBox(Frame1);
    unit->setObjectName(QStringLiteral("unit"));
    unit->addItems({QStringLiteral("mmol/l"), QStringLiteral("mg/dl")});
    unit->showText(QStringLiteral("mg/dl"));
    unit->setMinimumContentsLength(6);

    auto *Label3 = bandLabel(QStringLiteral("Form"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    xt_d1 = new DateBox(Frame1);
    xt_d1->setObjectName(QStringLiteral("xt_d1"));
    xt_d1->setEditText(QStringLiteral("xt_d1"));
    xt_d1->setMinimumContentsLength(10);
    auto *Label5 = bandLabel(QStringLiteral("To"), Frame1);
    Label5->setObjectName(QStringLiteral("Label5"));
    xt_d2 = new DateBox(Frame1);
    xt_d2->setObjectName(QStringLiteral("xt_d2"));
    xt_d2->setEditText(QStringLiteral("xt_d2"));
    xt_d2->setMinimumContentsLength(10);

    Command1 = new QPushButton(QStringLiteral("Apply"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command3 = new QPushButton(QStringLiteral("ModifyData"), Frame1);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command2 = new QPushButton(QStringLiteral("Setting"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command4 = new QPushButton(QStringLiteral("test"), Frame1);
    Command4->setObjectName(QStringLiteral("Command4"));
    m_statisticsButton = new QPushButton(QStringLiteral("Statistics"), Frame1);
    m_statisticsButton->setObjectName(QStringLiteral("statisticsButton"));

    com_info = bandLabel(QStringLiteral("OFF COMM"), Frame1);
    com_info->setObjectName(QStringLiteral("com_info"));
    sel_info = bandLabel(QString(), Frame1);
    sel_info->setObjectName(QStringLiteral("sel_info"));
    sel_info->setAlignment(Qt::AlignCenter);
    pjvalue = bandLabel(QStringLiteral("xxxx"), Frame1);
    pjvalue->setObjectName(QStringLiteral("pjvalue"));
    pjvalue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *row1 = new QHBoxLayout;
    row1->addWidget(Label2);
    row1->addWidget(Combo1);
    row1->addWidget(Label4);
    row1->addWidget(sel_viewtype);
    row1->addWidget(Label8);
    row1->addWidget(unit);
    row1->addStretch(1);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(Label3);
    row2->addWidget(xt_d1);
    row2->addWidget(Label5);
    row2->addWidget(xt_d2);
    row2->addStretch(1);
    row2->addWidget(Command1);
    row2->addWidget(Command3);
    row2->addWidget(Command2);
    row2->addWidget(Command4);
    row2->addWidget(m_statisticsButton);
    auto *row3 = new QHBoxLayout;
    row3->addWidget(com_info, 1);
    row3->addWidget(sel_info, 2);
    row3->addWidget(pjvalue, 1);

    auto *bandLayout = new QGridLayout(Frame1);
    bandLayout->setContentsMargins(10, 8, 10, 8);
    bandLayout->setHorizontalSpacing(16);
    bandLayout->addWidget(Label1, 0, 0, 2, 1, Qt::AlignVCenter);
    bandLayout->addLayout(row1, 0, 1);
    bandLayout->addLayout(row2, 1, 1);
    bandLayout->addLayout(row3, 2, 0, 1, 2);
    bandLayout->setColumnStretch(1, 1);

    // Label6 lies in the chart's own area, behind it: hiding the chart uncovers it.
    auto *chartArea = new QWidget(this);
    auto *chartLayout = new QGridLayout(chartArea);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    Label6 = new QLabel(QStringLiteral("No Graphic Data "), chartArea);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setFont(QFont(QStringLiteral("Arial"), 15));
    QPalette light = Label6->palette();
    light.setColor(QPalette::WindowText, QColor(0x66, 0x99, 0xdd));
    Label6->setPalette(light);
    MSChart1 = new TrendChart(chartArea);
    MSChart1->hide();
    chartLayout->addWidget(Label6, 0, 0);
    chartLayout->addWidget(MSChart1, 0, 0);

    jdt = new QProgressBar(this);
    jdt->setObjectName(QStringLiteral("jdt"));
    jdt->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(6);
    layout->addWidget(Frame1);
    layout->addWidget(chartArea, 1);
    layout->addWidget(jdt);

    // The calendars pop up over the chart, just below the band, so they are not in a layout.
    Calendar1 = new QCalendarWidget(this);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar2 = new QCalendarWidget(this);
    Calendar2->setObjectName(QStringLiteral("Calendar2"));
    for (QCalendarWidget *calendar : {Calendar1, Calendar2}) {
        calendar->setGridVisible(true);
        calendar->hide();
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);

    connect(Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, [this] { DrawReport(newxmlfile); });
    connect(Command2, &QPushButton::clicked, this, &MainWindow::showSettingWindow);
    connect(Command3, &QPushButton::clicked, this, &MainWindow::showValuesWindow);
    connect(Command4, &QPushButton::clicked, MSChart1, &TrendChart::testButton);
    connect(m_statisticsButton, &QPushButton::clicked, this, &MainWindow::showStatisticsWindow);
    connect(MSChart1, &TrendChart::clicked, this, &MainWindow::hideCalendars);
    connect(sel_viewtype, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { onViewPicked(sel_viewtype->itemText(index)); });
    connect(unit, &PickComboBox::picked, this, &MainWindow::onUnitPicked);
    connect(xt_d1, &DateBox::dropDown, this, [this] { toggleCalendar(Calendar1, xt_d1); });
    connect(xt_d2, &DateBox::dropDown, this, [this] { toggleCalendar(Calendar2, xt_d2); });
    for (auto [calendar, box] : {std::pair{Calendar1, xt_d1}, std::pair{Calendar2, xt_d2}}) {
        connect(calendar, &QCalendarWidget::clicked, this,
                [this, calendar = calendar, box = box](QDate d) { onDayPicked(calendar, box, d); });
        connect(calendar, &QCalendarWidget::activated, this,
                [this, calendar = calendar, box = box](QDate d) { onDayPicked(calendar, box, d); });
    }

    resize(1000, 640);
}

void MainWindow::Form_Load()
{
    // 1: the view "ALL", handled exactly as a user's pick
    sel_viewtype->setCurrentIndex(sel_viewtype->findText(QStringLiteral("ALL")));
    onViewPicked(QStringLiteral("ALL"));
    // 2, 3, 9, 12: the link's fields and command buffers, its budget and first port
    const LinkStart linkStart = readLinkStart(m_dir.iniPath());
    m_link->start(linkStart);
    // 4
    timeview = 0;
    // 5
    m_ini = std::make_unique<clsOperateINI>();
    m_ini->setINIFileName(m_dir.iniPath());
    // 6: an interval of 0 or less gives no ticks at all
    Timer1->setInterval(linkStart.delayMs);
    // 7, 8
    if (!msc->setSettings(linkStart.settings))
        addLog(QStringLiteral("Line settings \"%1\" not understood; keeping %2.")
                   .arg(linkStart.settings, SerialPortControl::defaultSettings()));
    msc->setRThreshold(1);
    // 10
    unit->showText(m_ini->GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")));
    // 11: an entry that is not in the list keeps "ALL"
    const int view =
        sel_viewtype->findText(m_ini->GetIniKey(QStringLiteral("setting"), QStringLiteral("timesplit")));
    if (view >= 0 && view != sel_viewtype->currentIndex()) {
        sel_viewtype->setCurrentIndex(view);
        onViewPicked(sel_viewtype->itemText(view));
    }
    // 13 - 16
    com_info->setText(QStringLiteral("OFF COMM"));
    pjvalue->setText(QString());
    if (Combo1->currentText() != QLatin1String("User"))
        applyPeriodRule();
    newxmlfile = m_dir.storePath();
    // 17
    DrawReport(newxmlfile);
    // 18
    const auto logview =
        numbertext::toNumber(m_ini->GetIniKey(QStringLiteral("main"), QStringLiteral("logview")));
    if (logview && *logview == 1.0) {
        placeOver(m_log, QPoint(width() / 4, height() / 4));
        m_log->show();
    }

    startLink();
    setTimer1Enabled(true);
}

void MainWindow::setTimer1Enabled(bool enabled)
{
    if (m_unloading)
        enabled = false;
    m_timerEnabled = enabled;
    // A QTimer with interval 0 would fire on every pass of the event loop.
    if (enabled && Timer1->interval() > 0)
        Timer1->start();
    else
        Timer1->stop();
}

void MainWindow::Timer1_Timer()
{
    if (m_unloading)
        return;
    applyPeriodRule();
    linkTick();
}

void MainWindow::applyPeriodRule()
{
    const auto dates = period::rule(Combo1->currentText(), QDate::currentDate());
    if (!dates)
        return;
    xt_d1->setEditText(dates->d1);
    xt_d2->setEditText(dates->d2);
}

void MainWindow::DrawReport(const QString &path)
{
    ReportTargets targets;
    targets.unit = unit;
    targets.xt_d1 = xt_d1;
    targets.xt_d2 = xt_d2;
    targets.sel_viewtype = sel_viewtype;
    targets.timeview = &timeview;
    targets.MSChart1 = MSChart1;
    targets.pjvalue = pjvalue;
    targets.iniPath = m_dir.iniPath();
    targets.vlist = [this]() -> ValuesListModel * {
        ValuesWindow *values = valuesWindow(true);
        return values ? values->model() : nullptr;
    };
    targets.reported = [this](const ReportSnapshot &snapshot) {
        m_snapshot = snapshot;
        if (m_statistics)
            m_statistics->setSnapshot(snapshot);
    };
    ::DrawReport(path, targets);
}

void MainWindow::onViewPicked(const QString &text)
{
    for (const ViewRow &row : ViewTable) {
        if (row.entry == text) {
            sel_info->setText(row.caption);
            timeview = row.timeview;
        }
    }
    m_ini = std::make_unique<clsOperateINI>();
    m_ini->setINIFileName(m_dir.iniPath());
    writeSetting(QStringLiteral("timesplit"), text);
}

void MainWindow::onUnitPicked()
{
    writeSetting(QStringLiteral("unit"), unit->currentText());
    DrawReport(newxmlfile);
}

// A settings file that exists but cannot be read is left as it is by every write; the user
// hears of it once, in the log window, rather than finding the settings gone later.
void MainWindow::writeSetting(const QString &key, const QString &value)
{
    if (m_ini->WriteIniKey(QStringLiteral("setting"), key, value) || m_toldUnreadable || m_ini->readable())
        return;
    m_toldUnreadable = true;
    addLog(tr("The settings in %1 could not be read; they are left as they are and nothing is saved to them.")
               .arg(QDir::toNativeSeparators(m_dir.iniPath())));
    placeOver(m_log, QPoint(width() / 4, height() / 4));
    m_log->show();
}

void MainWindow::toggleCalendar(QCalendarWidget *calendar, QComboBox *box)
{
    if (!calendar->isHidden()) {
        calendar->hide();
        return;
    }
    // A box that does not hold a date opens on today; its text stays until a day is picked.
    const auto date = datetext::boxTextToDateTime(box->currentText());
    calendar->setSelectedDate(date ? date->date() : QDate::currentDate());
    placeCalendars();
    calendar->show();
    calendar->raise();
}

void MainWindow::onDayPicked(QCalendarWidget *calendar, QComboBox *box, const QDate &date)
{
    calendar->hide();
    Combo1->showText(QStringLiteral("User"));
    box->setEditText(datetext::dateToBoxText(date));
}

void MainWindow::hideCalendars()
{
    Calendar1->hide();
    Calendar2->hide();
}

// A calendar stays open while the pointer is on its way from its date box into it: a straight
// way out of the box's side crosses a strip of the band before it reaches the calendar.
void MainWindow::hideCalendarsAwayFrom(QPoint at)
{
    for (auto [calendar, box] : {std::pair{Calendar1, xt_d1}, std::pair{Calendar2, xt_d2}}) {
        const QRect way = calendar->geometry().united(QRect(box->mapTo(this, QPoint(0, 0)), box->size()));
        if (!way.contains(at))
            calendar->hide();
    }
}

void MainWindow::placeCalendars()
{
    // Each calendar hangs from the bottom edge of its own date box, so the pointer's way from
    // the box's arrow into it never crosses the band's bare surface, which hides the calendars.
    for (auto [calendar, box] : {std::pair{Calendar1, xt_d1}, std::pair{Calendar2, xt_d2}}) {
        calendar->resize(calendar->sizeHint().expandedTo(QSize(280, 200)));
        const QPoint under = box->mapTo(this, QPoint(0, box->height()));
        calendar->move(std::clamp(under.x(), 0, std::max(0, width() - calendar->width())), under.y());
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCalendars();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    hideCalendars();
    QWidget::mousePressEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Only moves over the band's bare surface arrive here: Qt drops those over its controls.
    if (watched == Frame1 && event->type() == QEvent::MouseMove)
        hideCalendarsAwayFrom(Frame1->mapTo(this, static_cast<QMouseEvent *>(event)->position().toPoint()));
    // A closed window is gone for us at once, although Qt deletes it a little later: the next
    // opening loads a fresh one.
    if (event->type() == QEvent::Close) {
        if (watched == m_setting)
            m_setting.clear();
        else if (watched == m_values)
            m_values.clear();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showSettingWindow()
{
    if (!m_setting) {
        m_setting = new SettingWindow(m_dir.iniPath(), this);
        m_setting->installEventFilter(this);
        connect(m_setting, &SettingWindow::linkPauseRequested, this, [this] { setTimer1Enabled(false); });
        connect(m_setting, &SettingWindow::linkResumeRequested, this, [this] { setTimer1Enabled(true); });
        connect(m_setting, &SettingWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(m_setting, &SettingWindow::messageRequested, this,
                [this](const QString &text) { tell(text, m_setting); });
        m_setting->load();
    }
    if (!m_setting->isVisible())
        placeOver(m_setting, QPoint(0, 0));
    m_setting->show();
    m_setting->raise();
    m_setting->activateWindow();
}

StatisticsWindow *MainWindow::showStatisticsWindow()
{
    if (!m_statistics) {
        m_statistics = new StatisticsWindow(this);
        // The timer goes on afterwards only if it ran before: the settings window may hold it.
        connect(m_statistics, &StatisticsWindow::linkHoldRequested, this, [this](bool hold) {
            if (hold) {
                m_timerHeld = isTimer1Enabled();
                setTimer1Enabled(false);
            } else if (m_timerHeld) {
                setTimer1Enabled(true);
            }
        });
        m_statistics->setSnapshot(m_snapshot);
        placeOver(m_statistics, QPoint(width() / 4, height() / 8));
    }
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
    return m_statistics;
}

ValuesWindow *MainWindow::valuesWindow(bool load)
{
    if (!m_values && load && !m_unloading) {
        m_values = new ValuesWindow(newxmlfile, this);
        m_values->installEventFilter(this);
        connect(m_values, &ValuesWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(m_values, &ValuesWindow::csvExportRequested, this,
                [this] { reportactions::saveAllCsv(m_values, newxmlfile, m_dir.iniPath()); });
    }
    return m_values;
}

ValuesWindow *MainWindow::showValuesWindow()
{
    ValuesWindow *values = valuesWindow(true);
    if (values) {
        if (!values->isVisible())
            placeOver(values, QPoint(width() / 6, height() / 10));
        values->show();
        values->raise();
        values->activateWindow();
    }
    return values;
}

// A window opened from here first shows over the main window, shifted by offset from its
// centre, rather than wherever the window system puts new windows.
void MainWindow::placeOver(QWidget *window, QPoint offset)
{
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QRect main = frameGeometry();
    QRect r(QPoint(0, 0), window->size());
    r.moveCenter(main.center() + offset);
    window->move(r.topLeft());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void MainWindow::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // No tick may run during or after the unload, whatever the windows closed below ask for.
    m_unloading = true;
    m_timerEnabled = false;
    Timer1->stop();
    m_log->close();
    if (SettingWindow *setting = m_setting)
        setting->close();
    if (ValuesWindow *values = m_values)
        values->close();
    if (StatisticsWindow *statistics = m_statistics)
        statistics->close();
    if (m_message)
        m_message->close();
}
