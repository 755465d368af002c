#pragma once

// A scripted serial line and a window that records what the link asks of it, in order.
#include "linkhost.h"
#include "linkport.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <utility>

class FakePort : public LinkPort
{
public:
    QSet<int> missing;
    bool failWrites = false, open = false;
    bool holdWrites = false; // written bytes wait in `held` until waited for; a close drops them
    int event = ComEvReceive, commPortNo = 0, waitedMs = -1;
    QList<int> opened;
    QStringList writes, held; // as hexadecimal text, e.g. "FA0600AA"
    QByteArray waiting;

    void setCommPort(int port) override { commPortNo = port; }
    bool portOpen() const override { return open; }
    bool setPortOpen(bool o) override
    {
        if (o && missing.contains(commPortNo))
            return false;
        o ? opened.append(commPortNo) : held.clear();
        open = o;
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        if (!failWrites && open)
            (holdWrites ? held : writes) << QString::fromLatin1(bytes.toHex().toUpper());
        return !failWrites && open;
    }
    bool waitForWritten(int msecs) override
    {
        writes += std::exchange(held, QStringList());
        return waitedMs = msecs, open;
    }
    QByteArray input() override { return std::exchange(waiting, QByteArray()); }
    int commEvent() const override { return event; }
};

class FakeHost : public LinkHost
{
public:
    QStringList calls, log, messages, stored;
    QString caption;
    StoreResetResult resetResult = StoreResetResult::Ok;
    int failAppendAt = 0; // 1-based; 0: never
    QDateTime clock = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 30));

    void setComInfo(const QString &c) override { caption = c; }
    void clearLog() override { log.clear(), calls << "clearLog"; }
    void addLog(const QString &line) override { log << line; }
    void setProgressRange(int maximum) override { calls << QStringLiteral("range %1").arg(maximum); }
    void stepProgress() override { calls << "step"; }
    void hideProgress() override { calls << "hide"; }
    void enableTimer() override { calls << "timer"; }
    void showMessage(const QString &text) override { messages << text, calls << "message"; }
    void drawReport() override { calls << "draw"; }
    void endOfUpload() override { calls << "end"; }
    QString storePath() const override { return "/data/TMPDATE.xml"; }
    QString templatePath() const override { return "/cfg/datamb.xml"; }
    QDateTime now() const override { return clock; }
    // An answer is seen in the step's change; a round ended is a call of its own.
    void searchRoundEnded() override { calls << "round"; }
    StoreResetResult resetStore() override
    {
        calls << "reset";
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
