#pragma once

#include <QString>

// Folders that hold the user's settings and readings must be the user's alone, as OpenSSH asks
// of ~/.ssh: another account able to write one could replace the settings, rewrite the readings
// or plant a link where the program writes.
namespace ownership {

// Why `folder` may not hold the user's files, with the command that mends it; empty when it may,
// or when it does not exist yet (the program then makes it private) or is no folder at all. The folder is
// looked at itself, never through a link: a link there is refused. Accepted: owned by the user and not
// writable by others; writable by its group only when that group is the user's private group
// (named as the user, with no other members), as a umask of 002 makes them.
QString folderRefusal(const QString &folder);

// A path quoted for a shell, to be copied into a terminal.
QString shellQuoted(const QString &path);

} // namespace ownership
