#pragma once

#include "clsoperateini.h"
#include "mainwindow.h"
#include "tempprogramdir.h"

#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QtTest>
#include <memory>
#include <optional>

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

    // Where a person clicks to open a combo box's drop-down: the middle of its arrow.
    static QPoint arrowOf(const QComboBox *box)
    {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        option.subControls = QStyle::SC_All;
        return box->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box)
            .center();
    }
    // Moves the pointer over `window` from `from` to `to` in a straight line, in steps of at most
    // 3 pixels, as a hand does, while `holds()` is true; gives the point where it stopped being.
    template <typename Holds>
    static std::optional<QPoint> movePointerWhile(QWidget *window, QPoint from, QPoint to, Holds holds)
    {
        const QPoint d = to - from;
        const int steps = std::max(std::abs(d.x()), std::abs(d.y())) / 3 + 1;
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + d * i / steps;
            QTest::mouseMove(window, at);
            if (!holds())
                return at;
        }
        return std::nullopt;
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
