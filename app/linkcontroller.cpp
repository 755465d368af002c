#include "linkcontroller.h"

#include "history.h"
#include "linkmessages.h"
#include "linkstart.h"
#include "linkstatusline.h"
#include "logwindow.h"
#include "meterlink.h"
#include "permissionnotice.h"
#include "porttable.h"
#include "serialportcontrol.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

LinkController::LinkController(const ProgramDir &programDir, Window window)
    : QObject(window.window), m_dir(programDir), m_window(std::move(window)),
      msc(new SerialPortControl(this)), m_history(std::make_unique<ReadingHistory>())
{
    msc->setObjectName(QStringLiteral("msc"));
    msc->setPortTable(m_dir.iniPath());
    m_link = std::make_unique<MeterLink>(*msc, *this);
    connect(msc, &SerialPortControl::OnComm, this, &LinkController::receive);
    // A port this user may not open is named once in the upload log, never in a message box:
    // the search itself stays quiet.
    connect(msc, &SerialPortControl::portNotice, this, &LinkController::addLog);
    // A plugged-in cable the user may not open is worth telling in the window itself; built-in
    // ports exist whether or not a meter is there, so they keep only the log line.
    PermissionNotice *notice = m_window.notice;
    connect(msc, &SerialPortControl::permissionRefused, notice, [notice](const QString &device) {
        if (porttable::isPluggedIn(device))
            notice->addDevice(device);
    });
}

LinkController::~LinkController() = default;

void LinkController::start()
{
    const LinkStart linkStart = readLinkStart(m_dir.iniPath());
    m_link->start(linkStart);
    // An interval of 0 or less gives no ticks at all.
    m_window.Timer1->setInterval(linkStart.delayMs);
    if (!msc->setSettings(linkStart.settings))
        addLog(QStringLiteral("Line settings \"%1\" not understood; keeping %2.")
                   .arg(linkStart.settings, SerialPortControl::defaultSettings()));
    msc->setRThreshold(1);
    switch (m_history->open(m_dir.storePath(), now())) {
    case ReadingHistory::Opened::Existing:
    case ReadingHistory::Opened::Created:
        return;
    case ReadingHistory::Opened::Rebuilt:
        return m_window.notice->setHistoryText(
            QStringLiteral("The reading history could not be read. It was kept as %1 and made again from the "
                           "store and its backup.")
                .arg(m_history->damagedPath()));
    case ReadingHistory::Opened::Failed:
        return m_window.notice->setHistoryText(
            QStringLiteral("The reading history cannot be opened (%1); uploads fill the store alone.")
                .arg(m_history->lastError()));
    }
}

void LinkController::tick()
{
    if (m_stopped || m_window.messageOpen())
        return;
    m_link->tick();
}

void LinkController::receive()
{
    if (m_stopped || m_window.messageOpen()) {
        msc->input();
        return;
    }
    m_link->onComm();
}

void LinkController::setTimer1Enabled(bool enabled)
{
    if (m_stopped)
        enabled = false;
    m_timerEnabled = enabled;
    // A QTimer with interval 0 would fire on every pass of the event loop.
    if (enabled && m_window.Timer1->interval() > 0)
        m_window.Timer1->start();
    else
        m_window.Timer1->stop();
}

void LinkController::stop()
{
    m_stopped = true;
    setTimer1Enabled(false);
}

void LinkController::setComInfo(const QString &caption)
{
    m_window.com_info->setText(caption);
}

void LinkController::clearLog()
{
    m_window.log->loglist->clear();
}

void LinkController::addLog(const QString &line)
{
    m_window.log->loglist->addItem(line);
}

void LinkController::setProgressRange(int maximum)
{
    m_window.jdt->setMaximum(maximum);
    m_window.jdt->setMinimum(0);
    m_window.jdt->setValue(0);
    // The bar runs to one more than the count, so that it is never full before the end.
    m_window.jdt->setFormat(linkmessages::readingOf(maximum - 1));
    m_window.jdt->setAccessibleDescription(linkmessages::readingsDone(0, maximum - 1));
    m_window.jdt->setTextVisible(true);
}

void LinkController::stepProgress()
{
    m_window.jdt->setValue(m_window.jdt->value() + 1);
    // A reader says a bar's value as a share of its maximum, which runs one past the count.
    m_window.jdt->setAccessibleDescription(
        linkmessages::readingsDone(m_window.jdt->value(), m_window.jdt->maximum() - 1));
    m_window.jdt->show();
    m_window.jdt->repaint();
}

void LinkController::hideProgress()
{
    m_window.jdt->hide();
}

void LinkController::enableTimer()
{
    setTimer1Enabled(true);
}

void LinkController::showMessage(const QString &text)
{
    m_window.showMessage(text);
}

void LinkController::drawReport()
{
    m_window.drawReport();
}

void LinkController::endOfUpload()
{
    // What an upload ended by a refused reading kept, too: the readings stored before it.
    m_window.status->say(linkmessages::uploaded(m_link->announced() - m_link->remaining(), now().time()));
    m_uploadTold = true;
    m_window.endOfUpload();
}

void LinkController::searchRoundEnded()
{
    if (!m_uploadTold)
        m_window.status->say(linkmessages::noMeterFound());
}

void LinkController::meterAnswered()
{
    m_uploadTold = false;
    m_window.status->clear();
}

QString LinkController::storePath() const
{
    return m_dir.storePath();
}

QString LinkController::templatePath() const
{
    return m_dir.templatePath();
}

QDateTime LinkController::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

// The history is a second copy: when it cannot be written the upload goes on, filling the store.
StoreResetResult LinkController::resetStore()
{
    const StoreResetResult result = LinkHost::resetStore();
    if (result == StoreResetResult::Ok && m_history->isOpen()) {
        m_upload = m_history->beginUpload(msc->device(), now());
        if (m_upload < 0)
            historyMissed();
    }
    return result;
}

bool LinkController::appendRecord(const QString &recordLine)
{
    if (!LinkHost::appendRecord(recordLine))
        return false;
    if (m_upload >= 0 && !m_history->addReading(recordLine, m_upload, now()))
        historyMissed();
    return true;
}

void LinkController::uploadEnded(const QString &outcome)
{
    if (m_upload < 0)
        return;
    if (!m_history->endUpload(m_upload, now(), outcome.isEmpty() ? QStringLiteral("complete") : outcome))
        historyMissed();
    m_upload = -1;
}

void LinkController::historyMissed()
{
    m_upload = -1;
    addLog(QStringLiteral("History not written: ") + m_history->lastError());
    m_window.notice->setHistoryText(
        QStringLiteral("The reading history %1 could not be written and missed this upload; the readings "
                       "are in the store as always.")
            .arg(m_history->path()));
}
