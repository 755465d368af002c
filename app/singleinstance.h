#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

// One running copy per program directory (per user, when installed): two copies would run two
// meter links and write one store. The claim is a lock file beside the store; a copy that
// crashed leaves a lock whose process is gone, and the next start takes it over. The running
// copy listens on a local socket, so a second start can ask it to show its window.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim
    {
        First,          // this copy runs; showRequested() comes when another start asks
        AlreadyRunning, // another live copy holds the lock
        NoLock          // the lock file cannot be written: run unguarded
    };

    explicit SingleInstance(const QString &dataDir, QObject *parent = nullptr);

    Claim claim();
    // For a second start: asks the running copy to bring its window forward. True once it has
    // confirmed.
    bool askRunningCopyToShow();
    // The process holding the lock, 0 when unknown.
    qint64 holderPid() const;
    QString lockPath() const { return m_lockPath; }

signals:
    void showRequested();

private:
    void onConnection();

    QString m_lockPath;
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer m_server;
};
