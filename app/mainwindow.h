#pragma once

#include "linkcontroller.h"
#include "mainform.h"
#include "programdir.h"
#include "reportactions.h"
#include "reportsnapshot.h"
#include "settingwindow.h"
#include "statisticswindow.h"
#include "valueswindow.h"
#include "windowslot.h"

#include <QMessageBox>

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QCalendarWidget;
class ReadingHistory;
class CalendarDrops;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class DateBox;
class PickComboBox;
class LogWindow;
class MeterLink;
class SerialPortControl;
class TrendChart;

// The main window: the report's header band and chart, and the owner of the meter link.
class MainWindow : public QWidget, private MainForm
{
    Q_OBJECT
public:
    explicit MainWindow(const ProgramDir &programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start: reads the settings, sets the dates, draws the first report and starts the
    // link timer.
    void Form_Load();
    void DrawReport(const QString &path);
    // The period rule on the date boxes; "User" leaves them alone.
    void applyPeriodRule();
    void Timer1_Timer();
    bool isTimer1Enabled() const;
    void setTimer1Enabled(bool enabled);

    // Shows (loading first if needed) the secondary windows.
    void showSettingWindow();
    ValuesWindow *showValuesWindow();
    ValuesWindow *valuesWindow(bool load);
    StatisticsWindow *showStatisticsWindow();
    LogWindow *logWindow() const { return m_log; }
    SettingWindow *settingWindow() const { return m_settingSlot.as<SettingWindow>(); }
    void showLogWindow();
    QWidget *showHelpWindow();
    QWidget *showAboutWindow();
    // Puts the window where the state file says it was, and keeps its size and place there when
    // it closes. Without a call nothing is kept.
    void rememberGeometryIn(const QString &stateFile);
    MeterLink *link() const { return m_linkController->link(); }
    SerialPortControl *serialControl() const { return m_linkController->serialControl(); }

    // Where the link's and the settings window's messages go. By default a message box that
    // does not block; tests hand in a recorder.
    void setMessageSink(std::function<void(const QString &)> sink) { m_messageSink = std::move(sink); }
    // Where documents are saved: the file dialog by default; tests hand in their answer.
    void setFileChooser(reportactions::FileChooser choose) { m_fileChooser = std::move(choose); }
    // The link's clock; the computer's by default.
    void setClock(std::function<QDateTime()> clock) { m_linkController->setClock(std::move(clock)); }

    QString newxmlfile;
    qint16 timeview = 0;
    QString flashramstr() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    void setStartingSize();
    void fitHeight();
    void fitScreen();
    QRect room() const;
    bool m_fittedToScreen = false;
    void buildControls();
    void onViewPicked(const QString &text);
    void onUnitPicked();
    void writeSetting(const QString &key, const QString &value);
    // The history when "All uploads" is ticked, else none: the report reads the store.
    ReadingHistory *shownHistory() const;
    void onDayPicked(QComboBox *box, const QDate &date);
    void tell(const QString &text, QWidget *over);
    void endOfUpload();
    void Form_Unload();

    ProgramDir m_dir;

    CalendarDrops *m_calendars;
    QCalendarWidget *Calendar1;
    QCalendarWidget *Calendar2;

    LogWindow *m_log;
    WindowSlot m_logSlot{this, {0.25, 0.25}};
    WindowSlot m_settingSlot{this, {0, 0}};
    WindowSlot m_valuesSlot{this, {1.0 / 6, 0.1}};
    WindowSlot m_statisticsSlot{this, {0.25, 0.125}};
    WindowSlot m_helpSlot{this, {0.2, 0}};
    WindowSlot m_aboutSlot{this, {0, 0}};
    QString m_geometryFile;
    ReportSnapshot m_snapshot; // what the last report showed
    bool m_timerHeld = false;  // the link timer was running when a document began
    LinkController *m_linkController;
    QPointer<QMessageBox> m_message;
    std::function<void(const QString &)> m_messageSink;
    reportactions::FileChooser m_fileChooser;

    bool m_unloading = false;
    bool m_unloaded = false;
    bool m_toldUnreadable = false;
};
