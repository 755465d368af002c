#pragma once

#include <QDir>
#include <QString>

// Where the program keeps its files. A portable program directory holds cfg/ and data/; an
// installed program keeps the settings and the store in the user's own folders and reads the
// template from the installation. Handed down from main().
class ProgramDir
{
public:
    // A portable program directory: cfg/sys.ini, cfg/datamb.xml and data/ below `dir`.
    explicit ProgramDir(const QString &dir)
        : ProgramDir(dir + QStringLiteral("/cfg"), dir + QStringLiteral("/data"),
                     dir + QStringLiteral("/cfg/datamb.xml"))
    {
        m_dir = dir;
    }
    // The settings in `configDir`, the store in `dataDir`, the read-only template elsewhere.
    static ProgramDir installed(const QString &configDir, const QString &dataDir, const QString &templatePath)
    {
        return ProgramDir(configDir, dataDir, templatePath);
    }

    // The portable program directory; empty for an installed program.
    QString path() const { return m_dir; }
    QString configDir() const { return native(m_configDir); }
    QString iniPath() const { return native(m_configDir + QStringLiteral("/sys.ini")); }
    QString storePath() const { return native(m_dataDir + QStringLiteral("/TMPDATE.xml")); }
    QString templatePath() const { return native(m_templatePath); }
    QString dataDir() const { return native(m_dataDir); }
    static QString backupPath(const QString &storePath) { return storePath + QStringLiteral(".back"); }
    // The claim of the running copy, beside the store it guards.
    QString lockPath() const { return native(m_dataDir + QStringLiteral("/quillon.lock")); }

private:
    ProgramDir(QString configDir, QString dataDir, QString templatePath)
        : m_configDir(std::move(configDir)), m_dataDir(std::move(dataDir)),
          m_templatePath(std::move(templatePath))
    {
    }
    static QString native(const QString &path) { return QDir::toNativeSeparators(path); }

    QString m_dir;
    QString m_configDir;
    QString m_dataDir;
    QString m_templatePath;
};
