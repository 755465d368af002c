#include "helpwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString path(const QString &p)
{
    return QStringLiteral("<code>%1</code>").arg(QDir::toNativeSeparators(p).toHtmlEscaped());
}

QString helpHtml(const ProgramDir &dir)
{
    const QString keys[][2] = {
        {QStringLiteral("F1"), QStringLiteral("this help")},
        {QStringLiteral("Tab"), QStringLiteral("the next control, in the order they are seen; on the chart a "
                                               "screen reader tells the trend in words")},
        {QStringLiteral("Ctrl+L"), QStringLiteral("the upload log")},
        {QStringLiteral("Ctrl+Q"), QStringLiteral("quit")},
        {QStringLiteral("Alt+A, Alt+M, Alt+S, Alt+T"),
         QStringLiteral("Apply, ModifyData, Setting, Statistics")},
        {QStringLiteral("Enter in Report"), QStringLiteral("draws the report of the period typed or chosen")},
        {QStringLiteral("Alt+Down in a date box"),
         QStringLiteral("opens the calendar: the arrow keys move the day, Enter picks it, Escape closes it")},
        {QStringLiteral("Space, Delete"),
         QStringLiteral("in the values list: tick or untick the current row; delete the ticked readings")},
        {QStringLiteral("Enter, Escape"),
         QStringLiteral("in the settings: save; close without saving. Escape closes the other windows too")},
    };
    QString keyRows;
    for (const auto &k : keys)
        keyRows += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>").arg(k[0], k[1]);

    return QStringLiteral(
               "<h3>Quillon</h3>"
               "<p>Quillon looks for your blood-glucose meter on serial ports 1 to 16, sets its clock, "
               "uploads its readings and shows their trend. Each upload replaces the readings on this "
               "computer with the meter's and keeps the ones before as a backup.</p>"
               "<h4>The controls</h4><ul>"
               "<li><b>Report</b>: the period, in days back from today; <b>User</b> keeps the two dates "
               "picked below.</li>"
               "<li><b>and</b>: the time of day: morning (04:00&ndash;11:00), noon (11:00&ndash;16:00), "
               "night "
               "(16:00&ndash;04:00) or ALL.</li>"
               "<li><b>Unit</b>: mg/dl or mmol/l; picking one redraws at once.</li>"
               "<li><b>Form</b> and <b>To</b>: the last and the first day of the report. Type a date or "
               "pick it in the calendar.</li>"
               "<li><b>Apply</b>: draws the report of these choices.</li>"
               "<li><b>ModifyData</b>: lists every stored reading; tick readings and delete them.</li>"
               "<li><b>Setting</b>: the normal range, the chart's value axis and the meter's port. The "
               "search for the meter pauses while it is open.</li>"
               "<li><b>Statistics</b>: the figures of the report, the selected readings as CSV, the "
               "report as PDF, and printing.</li>"
               "<li><b>Log</b>: the upload log, with every port tried.</li></ul>"
               "<h4>Where the files are</h4><ul>"
               "<li>Settings: %1</li><li>Readings: %2</li><li>The readings before the last upload: %3</li>"
               "</ul>"
               "<h4>When no meter is found</h4>"
               "<p>Connect the meter's cable and switch the meter on. Ports 1&ndash;4 are "
               "<code>/dev/ttyUSB0</code>&ndash;<code>3</code>, 5&ndash;8 <code>/dev/ttyACM0</code>&ndash;"
               "<code>3</code>, 9&ndash;16 <code>/dev/ttyS0</code>&ndash;<code>7</code>. Serial devices "
               "usually belong to the group <b>dialout</b>; if yours cannot be opened, run "
               "<code>sudo usermod -aG dialout $USER</code>, then log out and back in.</p>"
               "<h4>Keys</h4><table>%4</table>"
               "<p>More in the manual page: <code>man quillon</code>.</p>")
        .arg(path(dir.iniPath()), path(dir.storePath()), path(ProgramDir::backupPath(dir.storePath())),
             keyRows);
}

} // namespace

HelpWindow::HelpWindow(const ProgramDir &dir, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Quillon Help"));
    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("helpText"));
    m_text->setHtml(helpHtml(dir));
    auto *about = new QPushButton(QStringLiteral("&About Quillon"), this);
    about->setObjectName(QStringLiteral("aboutButton"));
    about->setToolTip(QStringLiteral("The version, the licence and the project's page"));
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("closeHelp"));
    close->setToolTip(QStringLiteral("Close the help (Esc)"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(about);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
    connect(about, &QPushButton::clicked, this, &HelpWindow::aboutRequested);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    resize(560, 520);
}

QString HelpWindow::text() const
{
    return m_text->toPlainText();
}

QString AboutWindow::version()
{
    const QString v = QCoreApplication::applicationVersion();
    return v.isEmpty() ? QStringLiteral(QUILLON_VERSION) : v;
}

QString AboutWindow::homepage()
{
    return QStringLiteral(QUILLON_HOMEPAGE);
}

AboutWindow::AboutWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("About Quillon"));
    auto *text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    text->setText(QStringLiteral("<h3>Quillon %1</h3>"
                                 "<p>A desktop companion for a blood-glucose meter.</p>"
                                 "<p>Licence: GPL-3.0-or-later (the GNU General Public License, version 3 "
                                 "or any later version).<br>There is no warranty.</p>"
                                 "<p><a href=\"%2\">%2</a></p>")
                      .arg(version().toHtmlEscaped(), homepage().toHtmlEscaped()));
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("closeAbout"));
    close->setToolTip(QStringLiteral("Close this window (Esc)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}
