#pragma once

#include "linkhost.h"
#include "programdir.h"

#include <QObject>
#include <functional>
#include <memory>

class QLabel;
class ReadingHistory;
class QProgressBar;
class QTimer;
class QWidget;
class LinkStatusLine;
class LogWindow;
class MeterLink;
class PermissionNotice;
class SerialPortControl;

// The meter link's place on the main window: it owns the serial control `msc` and the link,
// runs the link on the window's timer, and shows what the link tells on the window's caption,
// progress bar and log. The window keeps what belongs to the report: the period, the redraw,
// the values window, and the message box.
class LinkController : public QObject, public LinkHost
{
    Q_OBJECT
public:
    // What the link shows and asks for on the main window.
    struct Window
    {
        QWidget *window = nullptr;
        QTimer *Timer1 = nullptr;
        QLabel *com_info = nullptr;
        QProgressBar *jdt = nullptr;
        LogWindow *log = nullptr;
        PermissionNotice *notice = nullptr;
        LinkStatusLine *status = nullptr;
        std::function<void()> drawReport;
        std::function<void()> endOfUpload;
        std::function<void(const QString &)> showMessage;
        // While the window's message is open the link waits for the user: nothing acts on the
        // state that the message is about.
        std::function<bool()> messageOpen;
    };

    LinkController(const ProgramDir &programDir, Window window);
    ~LinkController() override;

    // The start: the link's fields and command buffers, its first port and budget, the timer's
    // period and the line settings, all as the settings file says; and the reading history
    // opened (made, or mended and named on the notice band).
    void start();
    // One tick of the timer, after the window's period rule.
    void tick();
    bool isTimer1Enabled() const { return m_timerEnabled; }
    void setTimer1Enabled(bool enabled);
    // The window unloads: no tick may run during or after it, whatever the windows ask for.
    void stop();

    MeterLink *link() const { return m_link.get(); }
    SerialPortControl *serialControl() const { return msc; }
    // Every reading any upload stored; not open when it could not be made.
    ReadingHistory &history() const { return *m_history; }
    // The link's clock; the computer's by default.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // LinkHost
    void setComInfo(const QString &caption) override;
    void clearLog() override;
    void addLog(const QString &line) override;
    void setProgressRange(int maximum) override;
    void stepProgress() override;
    void hideProgress() override;
    void enableTimer() override;
    void showMessage(const QString &text) override;
    void drawReport() override;
    void endOfUpload() override;
    QString storePath() const override;
    QString templatePath() const override;
    QDateTime now() const override;
    StoreResetResult resetStore() override;
    bool appendRecord(const QString &recordLine) override;
    void uploadEnded(const QString &outcome) override;
    void searchRoundEnded() override;
    void meterAnswered() override;

private:
    void historyMissed();

    void receive();

    ProgramDir m_dir;
    Window m_window;
    SerialPortControl *msc;
    std::unique_ptr<MeterLink> m_link;
    std::unique_ptr<ReadingHistory> m_history;
    std::function<QDateTime()> m_clock;
    bool m_timerEnabled = true;
    bool m_stopped = false;
    qint64 m_upload = -1; // the history's row of the upload under way
    // An upload's outcome stays on the status line until the next upload begins: a search that
    // finds nothing afterwards (the meter switched off) does not hide it.
    bool m_uploadTold = false;
};
