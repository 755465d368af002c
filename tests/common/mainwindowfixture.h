#pragma once

#include "clsoperateini.h"
#include "mainwindow.h"
#include "tempprogramdir.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QStyleOptionComboBox>
#include <QtTest>
#include <memory>

// The real main window started on a throw-away program directory, and what tests look at.
class MainWindowFixture
{
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MainWindow> m_main;

public:
    // A null ini starts with no settings file at all; a history not null is there before the start.
    MainWindow *start(const QByteArray &ini = TempProgramDir::installedIni(), const QByteArray &history = {})
    {
        reset();
        m_dir = std::make_unique<TempProgramDir>();
        ini.isNull() ? void(QFile::remove(m_dir->iniPath())) : m_dir->writeIni(ini);
        if (!history.isNull())
            m_dir->writeFile("data/history.sqlite", history);
        m_main = std::make_unique<MainWindow>(ProgramDir(m_dir->path()));
        m_main->Form_Load();
        return m_main.get();
    }
    void reset() { m_main.reset(), m_dir.reset(); }
    MainWindow *main() const { return m_main.get(); }
    TempProgramDir &dir() const { return *m_dir; }
    template <typename T> T *child(const char *name) const
    {
        if (T *w = m_main->findChild<T *>(QLatin1String(name)))
            return w;
        qFatal("no control %s", name);
    }
    QString iniValue(const char *section, const char *key) const
    {
        clsOperateINI ini;
        ini.setINIFileName(m_dir->iniPath());
        return ini.GetIniKey(section, key);
    }
    // The installed settings with the value of one key replaced.
    static QByteArray installedIniWith(const QString &key, const QString &value)
    {
        const QRegularExpression line("(^|\\n)" + key + "=[^\\n]*");
        return QString(TempProgramDir::installedIni()).replace(line, "\\1" + key + '=' + value).toUtf8();
    }

    // Where a person clicks to open a combo box's drop-down: the middle of its arrow.
    static QPoint arrowOf(const QComboBox *box)
    {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        const QStyle *style = box->style();
        return style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box).center();
    }
    // Moves the pointer over `window` from `from` to `to` in steps of at most 3 pixels, as a hand
    // does; gives whether `holds()` stayed true all the way.
    template <typename Holds>
    static bool movePointerWhile(QWidget *window, QPoint from, QPoint to, Holds holds)
    {
        const QPoint d = to - from;
        const int steps = std::max(std::abs(d.x()), std::abs(d.y())) / 3 + 1;
        for (int i = 1; i <= steps && holds(); ++i)
            QTest::mouseMove(window, from + d * i / steps);
        return holds();
    }
};
