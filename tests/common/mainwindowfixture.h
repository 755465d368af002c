#pragma once

#include "clsoperateini.h"
#include "mainwindow.h"
#include "tempprogramdir.h"

#include <QtTest>
#include <memory>

// The real main window started on a throw-away program directory, and what tests look at.
class MainWindowFixture
{
public:
    // A null ini starts with no settings file at all.
    MainWindow *start(const QByteArray &ini = TempProgramDir::installedIni())
    {
        m_main.reset();
        m_dir = std::make_unique<TempProgramDir>();
        if (ini.isNull())
            QFile::remove(m_dir->iniPath());
        else
            m_dir->writeIni(ini);
        m_main = std::make_unique<MainWindow>(ProgramDir(m_dir->path()));
        m_main->Form_Load();
        return m_main.get();
    }
    void reset()
    {
        m_main.reset();
        m_dir.reset();
    }

    MainWindow *main() const { return m_main.get(); }
    TempProgramDir &dir() const { return *m_dir; }

    template <typename T> T *child(const char *name) const
    {
        T *w = m_main->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString iniValue(const char *section, const char *key) const
    {
        clsOperateINI ini;
        ini.setINIFileName(m_dir->iniPath());
        return ini.GetIniKey(QLatin1String(section), QLatin1String(key));
    }

    // The installed settings with one key replaced, or removed for a null value.
    static QByteArray installedIniWith(const QString &section, const QString &key, const QString &value)
    {
        TempProgramDir scratch;
        clsOperateINI ini;
        ini.setINIFileName(scratch.iniPath());
        if (value.isNull())
            ini.DelIniKey(section, key);
        else
            ini.WriteIniKey(section, key, value);
        return scratch.readFile(QStringLiteral("cfg/sys.ini"));
    }

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MainWindow> m_main;
};
