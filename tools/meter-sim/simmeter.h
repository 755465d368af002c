#pragma once

#include "simreadings.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVector>

// Faults the simulated meter can show. Steps are named wake, hello, clock, count, record, end;
// "record:K" names the K-th reading of an upload (counting from 1).
struct SimFaults
{
    // From this step on the meter says nothing until it is woken again.
    QSet<QString> silentAt;
    int silentFromRecord = 0; // 0: never
    // Bytes sent right after the answer to a step, in the same write.
    QMap<QString, QByteArray> extraAt;
    // This reading (1-based) is sent two bytes longer than a frame.
    int longRecord = 0;
};

// The meter's side of the protocol, with no I/O: bytes from the program go in, answers come out.
class SimMeter
{
public:
    struct Command
    {
        QString name; // wake, hello, clock, count, record, end or unknown
        QByteArray bytes;
    };

    SimMeter(QVector<SimReading> readings, SimFaults faults);

    // Takes the bytes the program sent; gives the answers to write, in order, and the commands
    // recognised. An incomplete command waits for the rest of its bytes.
    QVector<QByteArray> feed(const QByteArray &bytes, QVector<Command> *seen);
    int sessionsEnded() const { return m_sessionsEnded; }

private:
    QByteArray answer(const QString &step, int recordNo, const QByteArray &reply);
    QByteArray respond(const Command &command);

    QVector<SimReading> m_readings;
    SimFaults m_faults;
    QByteArray m_pending;
    bool m_awake = false;
    bool m_silent = false;
    int m_next = 0;
    int m_sessionsEnded = 0;
};
