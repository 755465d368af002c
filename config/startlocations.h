#pragma once

#include "programdir.h"

#include <QStringList>

// Where one start of the program keeps its files.
//
// Portable: the executable's folder holds cfg/sys.ini (the build folder, a copied program
// folder), or the user names a program directory on the command line. Everything lives below
// that one folder.
//
// Installed: otherwise. The user's settings are $XDG_CONFIG_HOME/quillon/sys.ini and the store
// $XDG_DATA_HOME/quillon/TMPDATE.xml (~/.config and ~/.local/share when unset); the template is
// the installation's read-only datamb.xml. The installation is found from the executable
// (../share/quillon), so an unpacked package runs from any root, and nothing is written there.
namespace startlocations {

enum class Mode
{
    Portable,
    Installed
};

struct Locations
{
    Mode mode;
    ProgramDir dir;
    // Where missing settings (and a portable folder's template) are copied from.
    QString defaultsDir;
};

// The installation's defaults for an executable in exeDir.
QString installedDefaultsDir(const QString &exeDir);
// The user's folders, from the XDG base directories. A relative XDG value is ignored, as the
// base directory rules ask.
QString userConfigDir();
QString userDataDir();
// Where the program keeps what is neither a setting nor data, such as the main window's size and
// place: $XDG_STATE_HOME/quillon (~/.local/state/quillon when unset), whatever the mode.
QString userStateDir();

// programDir: the folder named on the command line, or empty.
Locations resolve(const QString &exeDir, const QString &programDir);

// Why these locations must not be used, one complete message each with how to mend it; empty
// when they may. A folder (the program folder, cfg/ and data/, or the installed folders) that
// another account owns or can write is refused, and so is a symbolic link at the settings, the
// template, the store, its backup or the lock. Looked at before prepare() writes anything.
QStringList refusals(const Locations &locations);

// Makes the locations ready: creates the folders that are missing (0700) and copies in the
// settings, and a portable folder's template, that are missing. Existing files are never
// touched, so the user's settings survive every later start and every upgrade. Returns one
// line per thing that could not be done; empty when everything is in place. A folder chain that
// cannot be made whole is taken back, leaving no half of it behind.
QStringList prepare(const Locations &locations);

} // namespace startlocations
