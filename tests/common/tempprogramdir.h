#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A throw-away program directory laid out as the installed one: cfg/sys.ini, cfg/datamb.xml
// and data/. Tests run the real program code against it.
class TempProgramDir
{
public:
    TempProgramDir()
    {
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("cfg"));
        root.mkpath(QStringLiteral("data"));
        QFile::copy(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml"), filePath("cfg/datamb.xml"));
        writeIni(installedIni());
    }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString iniPath() const { return filePath(QStringLiteral("cfg/sys.ini")); }
    QString storePath() const { return filePath(QStringLiteral("data/TMPDATE.xml")); }

    static QByteArray installedIni()
    {
        QFile file(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/sys.ini"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    void writeIni(const QByteArray &text) const { writeFile(QStringLiteral("cfg/sys.ini"), text); }
    void writeFile(const QString &relative, const QByteArray &bytes) const
    {
        QFile file(filePath(relative));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    QByteArray readFile(const QString &relative) const
    {
        QFile file(filePath(relative));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }

private:
    QTemporaryDir m_dir;
};
