#include "mainwindow.h"

#include "calendardrops.h"
#include "clsoperateini.h"
#include "datebox.h"
#include "datetext.h"
#include "history.h"
#include "linkcontroller.h"
#include "linkstatusline.h"
#include "logwindow.h"
#include "meterlink.h"
#include "numbertext.h"
#include "ownroles.h"
#include "period.h"
#include "pickcombobox.h"
#include "reportview.h"
#include "trendchart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

MainWindow::MainWindow(const ProgramDir &programDir, QWidget *parent) : QWidget(parent), m_dir(programDir)
{
    installOwnRoles();
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Quillon V2.0"));
    buildControls();
    m_log = new LogWindow(this);
    m_logSlot.hold(m_log, true);
    LinkController::Window parts;
    parts.window = this;
    parts.Timer1 = Timer1;
    parts.com_info = com_info;
    parts.jdt = jdt;
    parts.log = m_log;
    parts.notice = m_notice;
    parts.status = m_linkStatus;
    parts.drawReport = [this] { DrawReport(newxmlfile); };
    parts.endOfUpload = [this] { endOfUpload(); };
    parts.showMessage = [this](const QString &text) { tell(text, this); };
    parts.messageOpen = [this] { return !m_message.isNull(); };
    m_linkController = new LinkController(m_dir, std::move(parts));
}

MainWindow::~MainWindow()
{
    Timer1->stop();
    // Qt closes the window as it destroys it, which moves the keyboard focus: a date box left
    // then would tell this window, already half gone, of the date typed in it.
    for (DateBox *box : {xt_d1, xt_d2})
        box->disconnect(this);
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
    connect(m_historyView, &QCheckBox::clicked, this, [this](bool on) {
        writeSetting(QStringLiteral("history"), on ? QStringLiteral("1") : QStringLiteral("0"));
        DrawReport(newxmlfile);
    });
    connect(xt_d1, &DateBox::dropDown, m_calendars, [this] { m_calendars->toggle(xt_d1); });
    connect(xt_d2, &DateBox::dropDown, m_calendars, [this] { m_calendars->toggle(xt_d2); });
    connect(m_calendars, &CalendarDrops::dayPicked, this, &MainWindow::onDayPicked);
    for (DateBox *box : {xt_d1, xt_d2})
        connect(box, &DateBox::dateTyped, this, [this, box](const QDate &date) { onDayPicked(box, date); });
    // Enter in the period box draws the period typed or chosen: its dates first, as the next tick
    // would set them, then "Apply".
    connect(Combo1, &PickComboBox::entered, this, [this] {
        applyPeriodRule();
        Command1->click();
    });
    connect(m_logButton, &QToolButton::clicked, this, &MainWindow::showLogWindow);
    connect(m_linkStatus, &LinkStatusLine::logRequested, this, &MainWindow::showLogWindow);
    connect(m_helpButton, &QToolButton::clicked, this, &MainWindow::showHelpWindow);
    // Keys that work in every window of the program.
    const auto everywhere = [this](const QKeySequence &keys, auto slot) {
        auto *shortcut = new QShortcut(keys, this, this, slot);
        shortcut->setContext(Qt::ApplicationShortcut);
    };
    everywhere(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    everywhere(QKeySequence(Qt::Key_F1), [this] { showHelpWindow(); });
    everywhere(QKeySequence(Qt::CTRL | Qt::Key_L), [this] { showLogWindow(); });

    setStartingSize();
}

void MainWindow::Form_Load()
{
    // 1: the view "ALL", handled exactly as a user's pick
    sel_viewtype->setCurrentIndex(sel_viewtype->findText(QStringLiteral("ALL")));
    onViewPicked(QStringLiteral("ALL"));
    // 2, 3, 6 - 9, 12: the link's fields and command buffers, its budget and first port, the
    // timer's period and the line settings
    m_linkController->start();
    // 4
    timeview = 0;
    // 5
    clsOperateINI ini;
    ini.setINIFileName(m_dir.iniPath());
    // 10
    unit->showText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")));
    // 11: an entry that is not in the list keeps "ALL"
    const int view =
        sel_viewtype->findText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("timesplit")));
    if (view >= 0 && view != sel_viewtype->currentIndex()) {
        sel_viewtype->setCurrentIndex(view);
        onViewPicked(sel_viewtype->itemText(view));
    }
    // Off unless the person ticked it before, and only with a history to show.
    const bool historyOpen = m_linkController->history().isOpen();
    m_historyView->setEnabled(historyOpen);
    m_historyView->setChecked(historyOpen &&
                              ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("history")) == "1");
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
    m_linkController->setTimer1Enabled(enabled);
}

bool MainWindow::isTimer1Enabled() const
{
    return m_linkController->isTimer1Enabled();
}

QString MainWindow::flashramstr() const
{
    return link()->gathered();
}

void MainWindow::Timer1_Timer()
{
    if (m_unloading)
        return;
    applyPeriodRule();
    m_linkController->tick();
}

void MainWindow::applyPeriodRule()
{
    const auto dates = period::rule(Combo1->currentText(), QDate::currentDate());
    if (!dates)
        return;
    // A box the user is typing in keeps what is typed until it is left; a text that is already
    // there is not written again, which would move the cursor.
    for (auto [box, text] : {std::pair{xt_d1, dates->d1}, std::pair{xt_d2, dates->d2}}) {
        if (!box->isBeingEdited() && box->currentText() != text)
            box->setEditText(text);
    }
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
    targets.history = shownHistory();
    if (ValuesWindow *values = valuesWindow(false))
        values->setHistory(&m_linkController->history(), shownHistory() != nullptr);
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
    readOut(pjvalue);
}

ReadingHistory *MainWindow::shownHistory() const
{
    return m_historyView->isChecked() ? &m_linkController->history() : nullptr;
}

void MainWindow::onViewPicked(const QString &text)
{
    if (const ViewRow *row = findView(text)) {
        sel_info->setText(row->caption);
        readOut(sel_info);
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
    m_log->loglist->addItem(
        tr("The settings in %1 could not be read; they are left as they are and nothing is saved to them.")
            .arg(QDir::toNativeSeparators(m_dir.iniPath())));
    showLogWindow();
}

void MainWindow::onDayPicked(QComboBox *box, const QDate &date)
{
    Combo1->showText(QStringLiteral("User"));
    box->setEditText(datetext::dateToBoxText(date));
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    m_calendars->hideAll();
    QWidget::mousePressEvent(event);
}

void MainWindow::endOfUpload()
{
    Combo1->showText(QStringLiteral("9999 Day"));
    applyPeriodRule();
    DrawReport(newxmlfile);
    showValuesWindow();
}
