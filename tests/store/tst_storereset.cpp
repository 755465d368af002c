// The start of an upload: backup, then the template over the store.

#include "storefixture.h"

#include <QTest>

class tst_StoreReset : public QObject
{
    Q_OBJECT

private slots:
    void firstUploadMakesTheStore();
    void storeGoesToBackup();
    void missingDataFolderIsMade();
    void badTemplateKeepsTheStore_data();
    void badTemplateKeepsTheStore();
    void backupThatCannotBeWritten();
    void backupOnFullDisk();
    void backupInReadOnlyFolder();
    void templateCopyFails();
};

void tst_StoreReset::firstUploadMakesTheStore()
{
    StoreFixture fx;
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QCOMPARE(fileBytes(fx.store()), fileBytes(sourceTemplatePath()));
    QVERIFY(!QFileInfo::exists(fx.backup()));
    QCOMPARE(fileBytes(fx.templ()), fileBytes(sourceTemplatePath())); // never rewritten
#ifdef Q_OS_UNIX
    QCOMPARE(posixMode(fx.store()), 0600);
#endif
}

void tst_StoreReset::storeGoesToBackup()
{
    StoreFixture fx;
    QVERIFY(
        writeFileBytes(fx.backup(), "an older backup, bigger than the store it will be replaced by......"));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    const QByteArray old = fileBytes(fx.store());
#ifdef Q_OS_UNIX
    const auto open =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(fx.store(), open));
    QVERIFY(QFile::setPermissions(fx.backup(), open));
#endif
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QCOMPARE(fileBytes(fx.backup()), old);
    QCOMPARE(fileBytes(fx.store()), fileBytes(fx.templ()));
    QCOMPARE(ReadStoreItems(fx.store()).texts, QStringList());
#ifdef Q_OS_UNIX
    QCOMPARE(posixMode(fx.store()), 0600);
    QCOMPARE(posixMode(fx.backup()), 0600);
#endif
    QVERIFY(fx.strays().isEmpty());
}

void tst_StoreReset::missingDataFolderIsMade()
{
    StoreFixture fx;
    QVERIFY(QDir(fx.dataDir()).removeRecursively());
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Ok);
}

void tst_StoreReset::badTemplateKeepsTheStore_data()
{
    QTest::addColumn<QByteArray>("templ");
    QTest::addColumn<bool>("present");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("not XML") << QByteArray("Data xt") << true;
    QTest::newRow("no xt") << QByteArray("<Data/>") << true;
}

void tst_StoreReset::badTemplateKeepsTheStore()
{
    QFETCH(QByteArray, templ);
    QFETCH(bool, present);
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray old = fileBytes(fx.store());
    QVERIFY(QFile::remove(fx.templ()));
    if (present)
        QVERIFY(writeFileBytes(fx.templ(), templ));
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::TemplateFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    QCOMPARE(fileBytes(fx.backup()), old);
}

void tst_StoreReset::backupThatCannotBeWritten()
{
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray old = fileBytes(fx.store());
    QVERIFY(QDir().mkpath(fx.backup())); // a folder where the backup goes
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::BackupFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    QVERIFY(fx.strays().isEmpty());
}

void tst_StoreReset::backupOnFullDisk()
{
#ifndef Q_OS_LINUX
    QSKIP("needs RLIMIT_FSIZE");
#else
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.backup(), "previous backup"));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    const QByteArray old = fileBytes(fx.store());
    {
        FileSizeLimit full(16);
        QVERIFY(full.on());
        QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::BackupFailed);
    }
    QCOMPARE(fileBytes(fx.store()), old);
    QCOMPARE(fileBytes(fx.backup()), QByteArray("previous backup"));
    QVERIFY(fx.strays().isEmpty());
#endif
}

void tst_StoreReset::backupInReadOnlyFolder()
{
#ifndef Q_OS_LINUX
    QSKIP("needs the immutable attribute");
#else
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray old = fileBytes(fx.store());
    ImmutablePath readOnly(fx.dataDir());
    if (!readOnly.on())
        QSKIP("this file system or user cannot make a folder immutable");
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::BackupFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    QVERIFY(!QFileInfo::exists(fx.backup()));
#endif
}

void tst_StoreReset::templateCopyFails()
{
#ifndef Q_OS_LINUX
    QSKIP("needs the immutable attribute");
#else
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray old = fileBytes(fx.store());
    ImmutablePath locked(fx.store()); // the backup can be written, the store cannot be replaced
    if (!locked.on())
        QSKIP("this file system or user cannot make a file immutable");
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::TemplateFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    QCOMPARE(fileBytes(fx.backup()), old);
    QVERIFY(fx.strays().isEmpty());
#endif
}

QTEST_GUILESS_MAIN(tst_StoreReset)
#include "tst_storereset.moc"
