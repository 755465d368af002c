// A process killed at any instant of an append leaves a store that loads and holds every
// reading appended before, or those and the one being appended.

#include "appenderline.h"
#include "storefixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

class tst_StoreKill : public QObject
{
    Q_OBJECT

private slots:
    void killedAppenderLeavesWholeStore();
};

void tst_StoreKill::killedAppenderLeavesWholeStore()
{
    constexpr int trials = 250;
    constexpr int maxDelayUs = 12000; // the appender's start-up takes a few ms of this
    constexpr int resetAbove = 300;   // keep the store small so every trial is quick

    StoreFixture fx;
    QVERIFY(fx.fill({}));
    QRandomGenerator random(20120506);
    int killedWithReadings = 0;

    for (int trial = 0; trial < trials; ++trial) {
        const int before = fx.texts().size();
        QProcess appender;
        appender.start(QStringLiteral(STORE_APPENDER), {fx.store(), QString::number(before)});
        QVERIFY(appender.waitForStarted());
        // Every other trial waits for the first append to return, so that the kills land among
        // the appends however slowly the appender starts (a checked build starts slowly).
        if (trial % 2 == 1)
            appender.waitForReadyRead(10000);
        QThread::usleep(random.bounded(maxDelayUs));
        appender.kill(); // SIGKILL
        QVERIFY(appender.waitForFinished());

        // One line per append that had returned before the kill (each line is one atomic write).
        const int appended = int(appender.readAllStandardOutput().count('\n'));

        const StoreItems after = ReadStoreItems(fx.store());
        const int count = after.texts.size();
        const QString at = QStringLiteral("trial %1: %2 before, %3 reported, %4 in the store");
        QVERIFY2(after.status == StoreStatus::Ok,
                 qPrintable(at.arg(trial).arg(before).arg(appended).arg(count)));
        QVERIFY2(count - before - appended == 0 || count - before - appended == 1,
                 qPrintable(at.arg(trial).arg(before).arg(appended).arg(count)));
        for (int i = 0; i < count; ++i)
            QCOMPARE(after.texts.at(i), appenderLine(i));
        if (count > before)
            ++killedWithReadings;
        if (count > resetAbove)
            QVERIFY(fx.fill({}));
    }
    // The kills must have landed among the appends, not only before the first one.
    QVERIFY2(killedWithReadings > trials / 4, qPrintable(QString::number(killedWithReadings)));
}

QTEST_GUILESS_MAIN(tst_StoreKill)
#include "tst_storekill.moc"
