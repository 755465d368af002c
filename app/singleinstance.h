#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

// One running copy per program directory (per user, when installed): two copies would run two
// meter links and write one store. The claim is a lock file beside the store; a copy that
// crashed on this computer leaves a lock whose process is gone, and the next start takes it
// over. A lock from another computer (a program folder on a stick or a network home) cannot be
// checked from here: the person decides whether to take it over. The running copy listens on a
// local socket in a folder of the user's own, so a second start can ask it to show its window.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim
    {
        First,          // this copy runs; showRequested() comes when another start asks
        AlreadyRunning, // another live copy on this computer holds the lock
        HeldElsewhere,  // a copy on another computer holds the lock, or held it when it stopped
        NoLock          // the lock file cannot be written: run unguarded
    };

    // lockPath: the lock beside the store in dataDir.
    SingleInstance(const QString &dataDir, const QString &lockPath, QObject *parent = nullptr);

    Claim claim();
    // After HeldElsewhere, when the person has decided that no copy runs there any more.
    bool takeOver();
    // For a second start: asks the running copy to bring its window forward. True once it has
    // confirmed, within a short deadline.
    bool askRunningCopyToShow();
    // The process holding the lock, 0 when unknown, and the computer it runs on.
    qint64 holderPid() const;
    QString holderHost() const;
    QString lockPath() const { return m_lockPath; }
    // Why a second start cannot reach this copy; empty when it listens.
    QString socketProblem() const { return m_socketProblem; }

signals:
    void showRequested();

private:
    void listen();
    void onConnection();

    QString m_lockPath;
    QString m_serverName;
    QString m_socketProblem;
    QLockFile m_lock;
    QLocalServer m_server;
};
