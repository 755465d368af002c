#pragma once

// The bare minimum of work that the program's operations do, to measure them against.

#include <QByteArray>
#include <QString>

namespace bench {

// Replaces the file at `path` with `bytes` the plainest way that is still atomic and durable as
// the store's saves are: write a temporary file beside it (made private on creation), flush its
// data to the disk with fdatasync as the store's save does, close, rename over. False on any
// failure.
bool replaceFileBare(const QString &path, const QByteArray &bytes);

// Waits until the file system that holds `path` has written out everything pending, so that a
// timed write does not pay for the flushes of the writes before it. During an upload the appends
// are a timer tick apart, and the disk has settled between them too.
void settleDisk(const QString &path);

} // namespace bench
