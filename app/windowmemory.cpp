#include "windowmemory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

namespace windowmemory {

namespace {
const QString GeometryKey = QStringLiteral("main/geometry");
} // namespace

QString file(const QString &stateDir)
{
    return QDir(stateDir).filePath(QStringLiteral("window.ini"));
}

bool restore(QWidget *window, const QString &file)
{
    if (!QFileInfo(file).isFile())
        return false;
    const QSettings state(file, QSettings::IniFormat);
    // restoreGeometry moves a window whose screen is gone back onto one that is there.
    return window->restoreGeometry(state.value(GeometryKey).toByteArray());
}

bool save(const QWidget *window, const QString &file)
{
    const QString dir = QFileInfo(file).absolutePath();
    if (!QFileInfo(dir).isDir()) {
        if (!QDir().mkpath(dir))
            return false;
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSettings state(file, QSettings::IniFormat);
    state.setValue(GeometryKey, window->saveGeometry());
    state.sync();
    return state.status() == QSettings::NoError;
}

} // namespace windowmemory
