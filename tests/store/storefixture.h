#pragma once

// A throw-away program directory: cfg/datamb.xml is the installed template, data/ starts empty.

#include "programdir.h"
#include "readingstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

inline int posixMode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
#endif

#ifdef Q_OS_LINUX
#include "filesizelimit.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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
    QString store() const { return m_dir.storePath(); }
    QString backup() const { return ProgramDir::backupPath(m_dir.storePath()); }
    QString templ() const { return m_dir.templatePath(); }
    QString dataDir() const { return m_dir.dataDir(); }

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
    // Left-over temporary files: everything in data/ but the store and its backup.
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
        int flags = 0;
        bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }
    QString m_path;
    bool m_on = false;
};
#endif

// Makes saves fail for root too until lifted: "disk full" (a file-size limit on this process,
// the test log included when stdout is a file, so lift before comparing) or "immutable" `path`.
class Obstacle
{
public:
    Obstacle(const QString &how, const QString &path)
    {
#ifdef Q_OS_LINUX
        if (how == QLatin1String("disk full")) {
            m_full.emplace(16);
            m_on = true;
        } else if (how == QLatin1String("immutable")) {
            m_on = m_locked.emplace(path).on();
        }
#else
        Q_UNUSED(how);
        Q_UNUSED(path);
#endif
    }
    bool on() const
    {
        return m_on;
    }
    void lift()
    {
#ifdef Q_OS_LINUX
        m_full.reset();
        m_locked.reset();
#endif
    }

private:
#ifdef Q_OS_LINUX
    std::optional<FileSizeLimit> m_full;
    std::optional<ImmutablePath> m_locked;
#endif
    bool m_on = false;
};
