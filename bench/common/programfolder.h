#pragma once

// A program directory laid out as the installed one (cfg/sys.ini, cfg/datamb.xml, data/), for
// benchmarks that run the real window code or the real executable against it.

#include <QByteArray>
#include <QString>

namespace bench {

// The installed settings, cfg/sys.ini of the source tree.
QByteArray installedIni();

// `ini` with `key` of `section` set to `value`: replaced where the section has it, else added
// at the section's start (and the section at the end when there is none).
QByteArray withIniKey(const QByteArray &ini, const QByteArray &section, const QByteArray &key,
                      const QByteArray &value);

// Creates `dir` with cfg/sys.ini = `ini`, the installed template and data/; writes the store
// when `store` is not empty. Throws bench::Failure when something cannot be written.
void layOutProgramDir(const QString &dir, const QByteArray &ini, const QByteArray &store);

} // namespace bench
