#include "mainwindow.h"

#include "calendardrops.h"
#include "clsoperateini.h"
#include "datebox.h"
#include "datetext.h"
#include "linkstart.h"
#include "logwindow.h"
#include "mainform.h"
#include "meterlink.h"
#include "numbertext.h"
#include "period.h"
#include "pickcombobox.h"
#include "reportactions.h"
#include "reportview.h"
#include "serialportcontrol.h"
#include "settingwindow.h"
#include "trendchart.h"
#include "units.h"
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

MainWindow::MainWindow(const ProgramDir &programDir, QWidget *parent) : QWidget(parent), m_dir(programDir)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Quillon V2.0"));
    buildControls();
    m_log = new LogWindow(this);
    m_logSlot.hold(m_log, true);
    setupLink();
}

MainWindow::~MainWindow()
{
    Timer1->stop();
}

void MainWindow::buildControls()
{
    setupUi(this);
    m_calendars = new CalendarDrops(this, Frame1, xt_d1, xt_d2);
    Calendar1 = m_calendars->calendar1();
    Calendar2 = m_calendars->calendar2();

    connect(Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, [this] { DrawReport(newxmlfile); });
    connect(Command2, &QPushButton::clicked, this, &MainWindow::showSettingWindow);
    connect(Command3, &QPushButton::clicked, this, &MainWindow::showValuesWindow);
    connect(Command4, &QPushButton::clicked, MSChart1, &TrendChart::testButton);
    connect(m_statisticsButton, &QPushButton::clicked, this, &MainWindow::showStatisticsWindow);
    connect(MSChart1, &TrendChart::clicked, m_calendars, &CalendarDrops::hideAll);
    connect(sel_viewtype, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { onViewPicked(sel_viewtype->itemText(index)); });
    connect(unit, &PickComboBox::picked, this, &MainWindow::onUnitPicked);
    connect(xt_d1, &DateBox::dropDown, m_calendars, [this] { m_calendars->toggle(xt_d1); });
    connect(xt_d2, &DateBox::dropDown, m_calendars, [this] { m_calendars->toggle(xt_d2); });
    connect(m_calendars, &CalendarDrops::dayPicked, this, &MainWindow::onDayPicked);

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
    clsOperateINI ini;
    ini.setINIFileName(m_dir.iniPath());
    // 6: an interval of 0 or less gives no ticks at all
    Timer1->setInterval(linkStart.delayMs);
    // 7, 8
    if (!msc->setSettings(linkStart.settings))
        addLog(QStringLiteral("Line settings \"%1\" not understood; keeping %2.")
                   .arg(linkStart.settings, SerialPortControl::defaultSettings()));
    msc->setRThreshold(1);
    // 10
    unit->showText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")));
    // 11: an entry that is not in the list keeps "ALL"
    const int view =
        sel_viewtype->findText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("timesplit")));
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
        numbertext::toNumber(ini.GetIniKey(QStringLiteral("main"), QStringLiteral("logview")));
    if (logview && *logview == 1.0)
        showLogWindow();

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
    ReportView targets;
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
        if (auto *statistics = m_statisticsSlot.as<StatisticsWindow>())
            statistics->setSnapshot(snapshot);
    };
    ::DrawReport(path, targets);
}

void MainWindow::onViewPicked(const QString &text)
{
    if (const ViewRow *row = findView(text)) {
        sel_info->setText(row->caption);
        timeview = row->timeview;
    }
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
    clsOperateINI ini;
    ini.setINIFileName(m_dir.iniPath());
    if (ini.WriteIniKey(QStringLiteral("setting"), key, value) || m_toldUnreadable || ini.readable())
        return;
    m_toldUnreadable = true;
    addLog(tr("The settings in %1 could not be read; they are left as they are and nothing is saved to them.")
               .arg(QDir::toNativeSeparators(m_dir.iniPath())));
    showLogWindow();
}

void MainWindow::onDayPicked(QComboBox *box, const QDate &date)
{
    Combo1->showText(QStringLiteral("User"));
    box->setEditText(datetext::dateToBoxText(date));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_calendars->place();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    m_calendars->hideAll();
    QWidget::mousePressEvent(event);
}

void MainWindow::showSettingWindow()
{
    if (!m_settingSlot.window()) {
        auto *setting = new SettingWindow(m_dir.iniPath(), this);
        connect(setting, &SettingWindow::linkPauseRequested, this, [this] { setTimer1Enabled(false); });
        connect(setting, &SettingWindow::linkResumeRequested, this, [this] { setTimer1Enabled(true); });
        connect(setting, &SettingWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(setting, &SettingWindow::messageRequested, this,
                [this, setting](const QString &text) { tell(text, setting); });
        m_settingSlot.hold(setting);
        setting->load();
    }
    m_settingSlot.show();
}

StatisticsWindow *MainWindow::showStatisticsWindow()
{
    if (!m_statisticsSlot.window()) {
        auto *statistics = new StatisticsWindow(this);
        // The timer goes on afterwards only if it ran before: the settings window may hold it.
        connect(statistics, &StatisticsWindow::linkHoldRequested, this, [this](bool hold) {
            if (hold) {
                m_timerHeld = isTimer1Enabled();
                setTimer1Enabled(false);
            } else if (m_timerHeld) {
                setTimer1Enabled(true);
            }
        });
        statistics->setSnapshot(m_snapshot);
        statistics->setFileChooser(m_fileChooser);
        m_statisticsSlot.hold(statistics);
    }
    m_statisticsSlot.show();
    return m_statisticsSlot.as<StatisticsWindow>();
}

ValuesWindow *MainWindow::valuesWindow(bool load)
{
    if (!m_valuesSlot.window() && load && !m_unloading) {
        auto *values = new ValuesWindow(newxmlfile, this);
        connect(values, &ValuesWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(values, &ValuesWindow::csvExportRequested, this, [this, values] {
            reportactions::saveAllCsv(values, newxmlfile, m_dir.iniPath(), m_fileChooser);
        });
        m_valuesSlot.hold(values);
    }
    return m_valuesSlot.as<ValuesWindow>();
}

ValuesWindow *MainWindow::showValuesWindow()
{
    valuesWindow(true);
    m_valuesSlot.show();
    return m_valuesSlot.as<ValuesWindow>();
}

void MainWindow::showLogWindow()
{
    m_logSlot.show();
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
    for (WindowSlot *slot : {&m_logSlot, &m_settingSlot, &m_valuesSlot, &m_statisticsSlot})
        slot->close();
    if (m_message)
        m_message->close();
}
