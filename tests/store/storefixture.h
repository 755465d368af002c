#pragma once

// A throw-away program directory for the store tests: cfg/datamb.xml is the installed template
// from the source tree, data/ starts empty.

#include "programdir.h"
#include "readingstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

// The permission bits as ls shows them, 0600 for private.
inline int posixMode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
#endif

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QString sourceTemplatePath()
{
    return QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml");
}

// A record line as the frame parser builds it; `n` makes every one different.
inline QString recordLine(int n, const QString &dateTime = QStringLiteral("2012-5-6 9:5:00"))
{
    return QStringLiteral("%1,%2,mg/dL,-,-").arg(n).arg(dateTime);
}

class StoreFixture
{
public:
    StoreFixture() : m_dir(m_tmp.path())
    {
        QDir(m_tmp.path()).mkpath(QStringLiteral("cfg"));
        QDir(m_tmp.path()).mkpath(QStringLiteral("data"));
        QFile::copy(sourceTemplatePath(), m_dir.templatePath());
    }
    bool valid() const { return m_tmp.isValid() && QFileInfo::exists(m_dir.templatePath()); }
    QString store() const { return m_dir.storePath(); }
    QString backup() const { return ProgramDir::backupPath(m_dir.storePath()); }
    QString templ() const { return m_dir.templatePath(); }
    QString dataDir() const { return m_dir.dataDir(); }
    QString root() const { return m_dir.path(); }

    // The store as an upload leaves it after these readings.
    bool fill(const QStringList &lines) const
    {
        if (ResetStoreFromTemplate(store(), templ()) != StoreResetResult::Ok)
            return false;
        for (const QString &line : lines) {
            if (!SaveXmlItem(line, store()))
                return false;
        }
        return true;
    }
    QStringList texts() const { return ReadStoreItems(store()).texts; }
    // Everything in data/ but the store and its backup: left-over temporary files.
    QStringList strays() const
    {
        QStringList names = QDir(dataDir()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("TMPDATE.xml"));
        names.removeAll(QStringLiteral("TMPDATE.xml.back"));
        return names;
    }

private:
    QTemporaryDir m_tmp;
    ProgramDir m_dir;
};

#ifdef Q_OS_LINUX
// Root writes through permission bits, but not into or over an immutable file or folder (chattr +i).
class ImmutablePath
{
public:
    explicit ImmutablePath(const QString &path) : m_path(path) { m_on = set(true); }
    ~ImmutablePath()
    {
        if (m_on)
            set(false);
    }
    bool on() const { return m_on; }

private:
    bool set(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }
    QString m_path;
    bool m_on = false;
};

// A full disk, for root too: no file of this process may grow beyond `bytes`. That includes the
// test log when stdout is a regular file (ctest gives a pipe), so keep the scope short.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // write() then fails with EFBIG
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_on = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool on() const { return m_on; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_on = false;
};
#endif
