#pragma once

// Stores that look like a real meter's: values of about 40 to 400 mg/dL, a few readings a day
// at the times people measure, now and then a control-solution or temperature mark, over a date
// range that fits the count.

#include <QByteArray>
#include <QStringList>

namespace bench {

// `count` record lines in upload order (oldest first), the same for the same seed. They end on
// 2026-5-6; a count that would reach back before 2010 (the meter's first year) packs the days
// more densely instead.
QStringList realisticReadings(int count, quint32 seed = 20260506);

// The store holding these lines exactly as the program writes it, from the installed template.
QByteArray storeBytes(const QStringList &lines);

} // namespace bench
