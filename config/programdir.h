#pragma once

#include <QDir>
#include <QString>

// Where the program keeps its files, all below one program directory handed down from main().
class ProgramDir
{
public:
    explicit ProgramDir(QString dir) : m_dir(std::move(dir)) {}

    QString path() const { return m_dir; }
    QString iniPath() const { return join(QStringLiteral("cfg/sys.ini")); }
    QString storePath() const { return join(QStringLiteral("data/TMPDATE.xml")); }
    QString templatePath() const { return join(QStringLiteral("cfg/datamb.xml")); }
    QString dataDir() const { return join(QStringLiteral("data")); }
    static QString backupPath(const QString &storePath) { return storePath + QStringLiteral(".back"); }

private:
    QString join(const QString &relative) const
    {
        return QDir::toNativeSeparators(m_dir + QLatin1Char('/') + relative);
    }
    QString m_dir;
};
