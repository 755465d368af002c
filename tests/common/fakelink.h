#pragma once

// A scripted serial line and a window that records what the link asks of it, for driving the
// real link without hardware.
#include "linkhost.h"
#include "linkport.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <utility>

class FakePort : public LinkPort
{
public:
    QSet<int> missing;
    bool failWrites = false;
    int event = ComEvReceive;
    int commPortNo = 0;
    bool open = false;
    QVector<int> opened;
    QStringList writes; // as hexadecimal text, e.g. "FA0600AA"
    // Written bytes wait here until they are waited for; a close drops them, as a real port's
    // may.
    bool holdWrites = false;
    QStringList held;
    int waitedMs = -1;
    QByteArray waiting;

    void setCommPort(int port) override { commPortNo = port; }
    bool portOpen() const override { return open; }
    bool setPortOpen(bool o) override
    {
        if (o && missing.contains(commPortNo))
            return false;
        if (o)
            opened.append(commPortNo);
        else
            held.clear();
        open = o;
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        if (failWrites || !open)
            return false;
        (holdWrites ? held : writes) << QString::fromLatin1(bytes.toHex().toUpper());
        return true;
    }
    bool waitForWritten(int msecs) override
    {
        waitedMs = msecs;
        writes += std::exchange(held, QStringList());
        return open;
    }
    QByteArray input() override { return std::exchange(waiting, QByteArray()); }
    int commEvent() const override { return event; }
};

// Records what the link asks of the window, in order.
class FakeHost : public LinkHost
{
public:
    QStringList calls, log, messages, stored;
    QString caption;
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
    void setProgressRange(int maximum) override { calls << QStringLiteral("range %1").arg(maximum); }
    void stepProgress() override { calls << QStringLiteral("step"); }
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
