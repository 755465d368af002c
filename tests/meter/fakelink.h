#pragma once

#include "linkhost.h"
#include "linkport.h"
#include "meterlink.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <QVector>

// A scripted line: ports that are missing, bytes the meter has sent, bytes we wrote.
class FakePort : public LinkPort
{
public:
    QSet<int> missing;
    bool failWrites = false;
    int event = ComEvReceive;
    int commPortNo = 0;
    bool open = false;
    QVector<int> opened;
    QVector<QByteArray> writes;
    QByteArray waiting;

    void setCommPort(int port) override { commPortNo = port; }
    bool portOpen() const override { return open; }
    bool setPortOpen(bool o) override
    {
        if (!o) {
            open = false;
            return true;
        }
        if (missing.contains(commPortNo))
            return false;
        open = true;
        opened.append(commPortNo);
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        if (failWrites || !open)
            return false;
        writes.append(bytes);
        return true;
    }
    QByteArray input() override
    {
        const QByteArray w = waiting;
        waiting.clear();
        return w;
    }
    int commEvent() const override { return event; }

    // The writes as hexadecimal text, e.g. "FA0600AA".
    QStringList writtenHex() const
    {
        QStringList out;
        for (const QByteArray &w : writes)
            out << QString::fromLatin1(w.toHex().toUpper());
        return out;
    }
};

// Records what the link asks of the window, in order.
class FakeHost : public LinkHost
{
public:
    QStringList calls;
    QStringList log;
    QStringList messages;
    QStringList stored;
    QString caption;
    int progressMax = -1;
    int progressValue = 0;
    int resets = 0;
    StoreResetResult resetResult = StoreResetResult::Ok;
    int failAppendAt = 0; // 1-based; 0: never
    QDateTime clock = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 30));

    void setComInfo(const QString &c) override { caption = c; }
    void clearLog() override
    {
        log.clear();
        calls << QStringLiteral("clearLog");
    }
    void addLog(const QString &line) override { log << line; }
    void setProgressRange(int maximum) override
    {
        progressMax = maximum;
        progressValue = 0;
        calls << QStringLiteral("range %1").arg(maximum);
    }
    void stepProgress() override
    {
        ++progressValue;
        calls << QStringLiteral("step");
    }
    void hideProgress() override { calls << QStringLiteral("hide"); }
    void enableTimer() override { calls << QStringLiteral("timer"); }
    void showMessage(const QString &text) override
    {
        messages << text;
        calls << QStringLiteral("message");
    }
    void drawReport() override { calls << QStringLiteral("draw"); }
    void endOfUpload() override { calls << QStringLiteral("end"); }
    QString storePath() const override { return QStringLiteral("/data/TMPDATE.xml"); }
    QString templatePath() const override { return QStringLiteral("/cfg/datamb.xml"); }
    QDateTime now() const override { return clock; }
    StoreResetResult resetStore() override
    {
        ++resets;
        calls << QStringLiteral("reset");
        return resetResult;
    }
    bool appendRecord(const QString &line) override
    {
        if (failAppendAt == stored.size() + 1)
            return false;
        stored << line;
        return true;
    }
};

// A link on a fake line with every port but `meterPort` missing.
struct Rig
{
    FakePort port;
    FakeHost host;
    MeterLink link{port, host};

    explicit Rig(qint16 budget = 3, int meterPort = 1)
    {
        for (int p = 1; p <= 16; ++p) {
            if (p != meterPort)
                port.missing.insert(p);
        }
        link.init_cmds();
        link.waitload = budget;
        link.comport = qint16(meterPort);
    }

    // The meter's bytes arrive in one notification.
    void deliver(const QString &hex)
    {
        port.waiting += QByteArray::fromHex(hex.toLatin1());
        link.onComm();
    }
    void deliverAll(const QStringList &chunks)
    {
        for (const QString &c : chunks)
            deliver(c);
    }
    // Brings the link from the search to `step` the way a meter would.
    void reach(int step)
    {
        link.tick();
        if (step >= 1)
            deliver(QStringLiteral("BB"));
        if (step >= 2)
            deliver(QStringLiteral("FC5500CC"));
        if (step >= 3)
            deliver(QStringLiteral("FC5500CC"));
        port.writes.clear();
    }
};
