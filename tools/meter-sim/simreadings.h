#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

// The readings a simulated meter holds, oldest first, as the meter keeps them.
struct SimReading
{
    QDateTime when;
    int value = 0; // mg/dL, 0..65535
    bool control = false;
    bool temperature = false;

    // The 10-byte frame the meter sends for this reading.
    QByteArray frame() const;
};

namespace simreadings {

// N readings over the weeks up to `last`, a few a day at the usual times of a diabetic's day
// (fasting in the morning, after lunch and dinner, at bedtime), with the odd high and low,
// control-solution test and temperature warning. The same seed gives the same readings.
QVector<SimReading> generate(int count, const QDateTime &last, quint32 seed);

// Lines of "YYYY-MM-DD HH:MM VALUE [ctrl] [temp]"; blank lines and lines starting with # are
// skipped. nullopt with `error` set when a line is not understood.
std::optional<QVector<SimReading>> load(const QString &path, QString *error);

} // namespace simreadings
