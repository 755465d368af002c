// The main window's side of the meter link: the serial control, the link's ticks and receive
// notifications, and what the link asks of the window.
#include "mainwindow.h"

#include "logwindow.h"
#include "meterlink.h"
#include "permissionnotice.h"
#include "pickcombobox.h"
#include "porttable.h"
#include "serialportcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

void MainWindow::setupLink()
{
    msc = new SerialPortControl(this);
    msc->setObjectName(QStringLiteral("msc"));
    msc->setPortTable(m_dir.iniPath());
    m_link = std::make_unique<MeterLink>(*msc, *this);
    connect(msc, &SerialPortControl::OnComm, this, &MainWindow::linkReceive);
    // A port this user may not open is named once in the upload log, never in a message box:
    // the search itself stays quiet.
    connect(msc, &SerialPortControl::portNotice, this, &MainWindow::addLog);
    // A plugged-in cable the user may not open is worth telling in the window itself; built-in
    // ports exist whether or not a meter is there, so they keep only the log line.
    PermissionNotice *notice = m_notice;
    connect(msc, &SerialPortControl::permissionRefused, notice, [notice](const QString &device) {
        if (porttable::isPluggedIn(device))
            notice->addDevice(device);
    });
}

void MainWindow::linkTick()
{
    // While a message is open the link waits for the user: nothing acts on the state
    // that the message is about.
    if (m_message)
        return;
    m_link->tick();
}

void MainWindow::linkReceive()
{
    if (m_unloading || m_message) {
        msc->input();
        return;
    }
    m_link->onComm();
}

QString MainWindow::flashramstr() const
{
    return m_link->gathered();
}

void MainWindow::setComInfo(const QString &caption)
{
    com_info->setText(caption);
}

void MainWindow::clearLog()
{
    m_log->loglist->clear();
}

void MainWindow::addLog(const QString &line)
{
    m_log->loglist->addItem(line);
}

void MainWindow::setProgressRange(int maximum)
{
    jdt->setMaximum(maximum);
    jdt->setMinimum(0);
    jdt->setValue(0);
}

void MainWindow::stepProgress()
{
    jdt->setValue(jdt->value() + 1);
    jdt->show();
    jdt->repaint();
}

void MainWindow::hideProgress()
{
    jdt->hide();
}

void MainWindow::enableTimer()
{
    setTimer1Enabled(true);
}

void MainWindow::showMessage(const QString &text)
{
    tell(text, this);
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
    // are held off by linkTick and linkReceive until the user answers.
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Quillon"), text, QMessageBox::Ok, over);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    m_message = box;
    box->open();
}

void MainWindow::drawReport()
{
    DrawReport(newxmlfile);
}

void MainWindow::endOfUpload()
{
    Combo1->showText(QStringLiteral("9999 Day"));
    applyPeriodRule();
    DrawReport(newxmlfile);
    showValuesWindow();
}

QString MainWindow::storePath() const
{
    return newxmlfile;
}

QString MainWindow::templatePath() const
{
    return m_dir.templatePath();
}

QDateTime MainWindow::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}
