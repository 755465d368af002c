#include "singleinstance.h"

#include "ownership.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int AnswerWaitMs = 2000;
const QByteArray ShowRequest = QByteArrayLiteral("show\n");
const QByteArray ShownAnswer = QByteArrayLiteral("shown\n");

// Without a runtime folder of the user's own, the socket's folder is one the program makes below
// the temporary folder. Its name can be guessed, so it is used only when it is the user's alone:
// another account that made it first could otherwise listen in it, or answer for this program.
QString socketFolder(QString *problem)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return runtime;
    const QString folder = QDir::temp().filePath(QStringLiteral("quillon-%1").arg(::geteuid()));
    ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU);
    struct stat st;
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0) {
        *problem = QStringLiteral("cannot make the folder %1 for the socket that a second start talks to")
                       .arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    const QString refusal = ownership::folderRefusal(folder);
    if (!refusal.isEmpty() || (st.st_mode & (S_IRWXG | S_IRWXO))) {
        *problem = QStringLiteral("not listening for a second start: %1")
                       .arg(refusal.isEmpty() ? QStringLiteral("the folder %1 can be read by others")
                                                    .arg(QDir::toNativeSeparators(folder))
                                              : refusal.section(QLatin1Char('\n'), 0, 0));
        return QString();
    }
    return folder;
}

} // namespace

SingleInstance::SingleInstance(const QString &dataDir, const QString &lockPath, QObject *parent)
    : QObject(parent), m_lockPath(lockPath), m_lock(m_lockPath)
{
    // The socket is named after the folder, not placed in it: socket paths are short.
    const QString canonical = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash((canonical.isEmpty() ? dataDir : canonical).toUtf8(),
                                                     QCryptographicHash::Sha1);
    const QString folder = socketFolder(&m_socketProblem);
    if (!folder.isEmpty())
        m_serverName = folder + QStringLiteral("/quillon-") + QString::fromLatin1(hash.toHex().left(16));
    // Only a lock whose process is gone counts as stale, never one that is merely old: a
    // program may run for weeks.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError)
            return Claim::NoLock;
        const QString host = holderHost();
        return host.isEmpty() || host == QSysInfo::machineHostName() ? Claim::AlreadyRunning
                                                                     : Claim::HeldElsewhere;
    }
    listen();
    return Claim::First;
}

bool SingleInstance::takeOver()
{
    if (!m_lock.removeStaleLockFile() || !m_lock.tryLock(0))
        return false;
    listen();
    return true;
}

void SingleInstance::listen()
{
    if (m_serverName.isEmpty())
        return;
    // Holding the lock, any socket of that name in the user's own folder is a crashed copy's
    // leftover.
    QLocalServer::removeServer(m_serverName);
    if (!m_server.listen(m_serverName))
        m_socketProblem = QStringLiteral("not listening for a second start on %1: %2")
                              .arg(QDir::toNativeSeparators(m_serverName), m_server.errorString());
}

bool SingleInstance::askRunningCopyToShow()
{
    if (m_serverName.isEmpty())
        return false;
    // One deadline for the whole exchange, and an answer no longer than the one expected: a
    // copy that hangs or babbles must not keep this start waiting or growing.
    const QDeadlineTimer deadline(AnswerWaitMs);
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(ShowRequest);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (socket.bytesAvailable() == 0 &&
            (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))))
            return false;
        answer += socket.read(ShownAnswer.size() - answer.size());
        if (answer.size() >= ShownAnswer.size() && !answer.endsWith('\n'))
            return false;
    }
    return answer == ShownAnswer;
}

qint64 SingleInstance::holderPid() const
{
    qint64 pid = 0;
    QString host, app;
    return m_lock.getLockInfo(&pid, &host, &app) ? pid : 0;
}

QString SingleInstance::holderHost() const
{
    qint64 pid = 0;
    QString host, app;
    return m_lock.getLockInfo(&pid, &host, &app) ? host : QString();
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < ShowRequest.size())
                return;
            if (socket->readLine(ShowRequest.size() + 1) == ShowRequest) {
                emit showRequested();
                socket->write(ShownAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
