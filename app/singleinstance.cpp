#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int AnswerWaitMs = 2000;
const QByteArray ShowRequest = QByteArrayLiteral("show\n");
const QByteArray ShownAnswer = QByteArrayLiteral("shown\n");

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

} // namespace

SingleInstance::SingleInstance(const QString &dataDir, QObject *parent)
    : QObject(parent), m_lockPath(QDir(dataDir).filePath(QStringLiteral("quillon.lock"))), m_lock(m_lockPath)
{
    // The socket is named after the folder, not placed in it: socket paths are short. It goes
    // into the user's private runtime folder when there is one, else into the temporary folder.
    const QString folder = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash((folder.isEmpty() ? dataDir : folder).toUtf8(), QCryptographicHash::Sha1);
    const QString name =
        QStringLiteral("quillon-%1-%2").arg(userTag(), QString::fromLatin1(hash.toHex().left(16)));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    m_serverName = QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir() ? runtime + u'/' + name : name;
    // Only a lock whose process is gone counts as stale, never one that is merely old: a
    // program may run for weeks.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (!m_lock.tryLock(0))
        return m_lock.error() == QLockFile::LockFailedError ? Claim::AlreadyRunning : Claim::NoLock;
    // Holding the lock, any socket of that name is a crashed copy's leftover.
    QLocalServer::removeServer(m_serverName);
    m_server.listen(m_serverName);
    return Claim::First;
}

bool SingleInstance::askRunningCopyToShow()
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(AnswerWaitMs))
        return false;
    socket.write(ShowRequest);
    if (!socket.waitForBytesWritten(AnswerWaitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(AnswerWaitMs))
            return false;
    }
    return socket.readLine() == ShownAnswer;
}

qint64 SingleInstance::holderPid() const
{
    qint64 pid = 0;
    QString host, app;
    return m_lock.getLockInfo(&pid, &host, &app) ? pid : 0;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < ShowRequest.size())
                return;
            if (socket->readLine() == ShowRequest) {
                emit showRequested();
                socket->write(ShownAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
