// The main window's secondary windows: each loaded on first use with what it asks of the main
// window connected, and shown by its slot; the message box; and the close that takes them all
// down with the link.
#include "mainwindow.h"

#include "helpwindow.h"
#include "history.h"
#include "porttable.h"
#include "reportactions.h"
#include "settingwindow.h"
#include "statisticswindow.h"
#include "valueswindow.h"
#include "windowmemory.h"

#include <QCloseEvent>
#include <QMessageBox>

void MainWindow::showSettingWindow()
{
    if (!m_settingSlot.window()) {
        auto *setting = new SettingWindow(m_dir.iniPath(), this);
        connect(setting, &SettingWindow::linkPauseRequested, this, [this] { setTimer1Enabled(false); });
        connect(setting, &SettingWindow::linkResumeRequested, this, [this] { setTimer1Enabled(true); });
        connect(setting, &SettingWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(setting, &SettingWindow::messageRequested, this,
                [this, setting](const QString &text) { tell(text, setting); });
        QStringList devices;
        QList<int> custom;
        for (int port = porttable::FirstPort; port <= porttable::LastPort; ++port) {
            devices << porttable::device(port, m_dir.iniPath());
            if (devices.last() != porttable::defaultDevice(port))
                custom << port;
        }
        setting->setPortDevices(devices, custom);
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
        statistics->setPaths(m_dir.iniPath(), newxmlfile);
        m_statisticsSlot.hold(statistics);
    }
    m_statisticsSlot.show();
    return m_statisticsSlot.as<StatisticsWindow>();
}

ValuesWindow *MainWindow::valuesWindow(bool load)
{
    if (!m_valuesSlot.window() && load && !m_unloading) {
        auto *values = new ValuesWindow(newxmlfile, this);
        values->setHistory(&m_linkController->history(), shownHistory() != nullptr);
        connect(values, &ValuesWindow::redrawRequested, this, [this] { DrawReport(newxmlfile); });
        connect(values, &ValuesWindow::csvExportRequested, this, [this, values] {
            const QString saved =
                reportactions::saveAllCsv(values, newxmlfile, m_dir.iniPath(), m_fileChooser, shownHistory());
            if (!saved.isEmpty())
                values->tellSaved(reportactions::savedTo(saved));
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

QWidget *MainWindow::showHelpWindow()
{
    if (!m_helpSlot.window()) {
        auto *help = new HelpWindow(m_dir, this);
        connect(help, &HelpWindow::aboutRequested, this, &MainWindow::showAboutWindow);
        m_helpSlot.hold(help);
    }
    m_helpSlot.show();
    return m_helpSlot.window();
}

QWidget *MainWindow::showAboutWindow()
{
    if (!m_aboutSlot.window())
        m_aboutSlot.hold(new AboutWindow(this));
    m_aboutSlot.show();
    return m_aboutSlot.window();
}

// `over` is the window the user returns to when the box closes.
void MainWindow::tell(const QString &text, QWidget *over)
{
    if (m_messageSink) {
        m_messageSink(text);
        return;
    }
    if (m_message)
        m_message->close();
    // Opened without a nested event loop: ticks and receive notifications keep arriving and
    // are held off by the link controller until the user answers.
    // Every message here tells of something that went wrong or needs the user: an upload that failed,
    // an empty meter, settings refused.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quillon"), text, QMessageBox::Ok, over);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    m_message = box;
    box->open();
}

void MainWindow::rememberGeometryIn(const QString &stateFile)
{
    m_geometryFile = stateFile;
    windowmemory::restore(this, stateFile);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_geometryFile.isEmpty() && !m_unloaded)
        windowmemory::save(this, m_geometryFile);
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
    m_linkController->stop();
    for (WindowSlot *slot :
         {&m_logSlot, &m_settingSlot, &m_valuesSlot, &m_statisticsSlot, &m_helpSlot, &m_aboutSlot})
        slot->close();
    if (m_message)
        m_message->close();
}
