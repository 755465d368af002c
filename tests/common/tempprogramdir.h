#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A throw-away program directory laid out as the installed one: cfg/sys.ini, cfg/datamb.xml
// and data/. Tests run the real program code against it.
class TempProgramDir
{
    QTemporaryDir m_dir;

public:
    TempProgramDir()
    {
        for (const char *folder : {"cfg", "data"})
            QDir(path()).mkpath(folder);
        writeFile("cfg/datamb.xml", readPath(QUILLON_SOURCE_DIR "/cfg/datamb.xml"));
        writeIni(installedIni());
    }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }
    QString iniPath() const { return filePath("cfg/sys.ini"); }
    QString storePath() const { return filePath("data/TMPDATE.xml"); }

    static QByteArray installedIni() { return readPath(QUILLON_SOURCE_DIR "/cfg/sys.ini"); }
    void writeIni(const QByteArray &text) const { writeFile("cfg/sys.ini", text); }
    void writeFile(const QString &relative, const QByteArray &bytes) const
    {
        QFile file(filePath(relative));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    QByteArray readFile(const QString &relative) const { return readPath(filePath(relative)); }
    static QByteArray readPath(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
