// The quick append: after our own save, an append splices its line into the bytes it wrote
// instead of loading the store. It must write exactly what a full load and save writes, and
// must load in full whenever anyone else has touched the file.

#include "appendcache.h"
#include "rows.h"
#include "storefixture.h"

#include <chrono>
#include <thread>

namespace {

bool renameOver(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Replaces the store with a byte-identical copy under a new inode: the next append has to load
// it in full, as it would any store it did not write itself.
bool copyOverStore(const QString &path)
{
    const QString copy = path + QStringLiteral(".copy");
    return writeFileBytes(copy, fileBytes(path)) && renameOver(copy, path);
}

// Whether the next append to `path` would splice rather than load.
bool spliceReady(const QString &path)
{
    std::optional<SavedStore> saved = appendCache().take(path);
    if (!saved)
        return false;
    appendCache().keep(std::move(*saved));
    return true;
}

#ifdef Q_OS_UNIX
struct Times
{
    timespec modified{}, changed{};
};

Times timesOf(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return {st.st_mtim, st.st_ctim};
}

bool setModified(const QString &path, const timespec &modified)
{
    const timespec times[2] = {modified, modified};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
#endif

// Overwrites the file's bytes in place: same inode, same size.
bool editInPlace(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size();
}

} // namespace

class tst_StoreAppend : public QObject
{
    Q_OBJECT

private slots:
    void splicedEqualsFullSave_data();
    void splicedEqualsFullSave();
    void outsideChangeForcesFullLoad_data();
    void outsideChangeForcesFullLoad();
    void outsideDamageIsNotRepaired_data();
    void outsideDamageIsNotRepaired();
    void deleteAndResetBetweenAppends();
    void failedSpliceLeavesStoreAndNextAppendLoads();
    void savedStoreMustMatchTheFile_data();
    void savedStoreMustMatchTheFile();
};

void tst_StoreAppend::splicedEqualsFullSave_data()
{
    columns<QByteArray>("templ");
    row("installed", fileBytes(sourceTemplatePath()));
    row("one line, no declaration", QByteArray("<Data><xt/></Data>"));
    row("indented, CRLF, single quotes",
        QByteArray("<?xml version='1.0' encoding='utf-8'?>\r\n<Data>\r\n  <xt>\r\n  </xt>\r\n</Data>\r\n"));
    row("attributes", QByteArray("<Data v=\"1\"><xt a=\"x&amp;y\" b='&lt;/xt>'/></Data>"));
    row("xt ends in text", QByteArray("<Data><xt><!-- c -->text &amp; more</xt></Data>\n"));
    row("xt ends in CDATA", QByteArray("<Data><xt><![CDATA[x]]></xt></Data>"));
    row("decoys before and after",
        QByteArray("<?xml version=\"1.0\"?>\n<!-- <xt/> --><Data><xs><xt/></xs><!-- </xt> -->"
                   "<xt/><xt><item>other</item></xt><after>&lt;/xt&gt;</after></Data><!-- tail -->\n"));
    row("DOCTYPE with entity",
        QByteArray("<!DOCTYPE Data [<!ENTITY e \"xyz\">]><Data><xt><item>1&e;2</item></xt></Data>"));
    row("BOM", QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><Data><xt/></Data>"));
    row("readings already there",
        QByteArray("<Data>\n<xt>\n<item>7,2012-5-6 9:5:00,mg/dL,-,-</item>\n</xt>\n</Data>\n"));
}

// Two stores take the same appends: one as an upload does, the other loaded in full before
// every append. After every append both files are the same, byte for byte.
void tst_StoreAppend::splicedEqualsFullSave()
{
    QFETCH(QByteArray, templ);
    StoreFixture quick, full;
    for (const StoreFixture *fx : {&quick, &full}) {
        QVERIFY(writeFileBytes(fx->templ(), templ));
        QVERIFY(fx->fill({}));
    }

    // One after the other: the process keeps one saved store, so two stores in turn would
    // never splice.
    int spliced = 0;
    // Markup, line ends, edge blanks, beyond ASCII, the store's own tags, and empty lines, which
    // read back as <item/>.
    const QStringList lines = {recordLine(1),
                               "<item>&amp;\"'</item>]]>",
                               recordLine(2),
                               QString(),
                               recordLine(3),
                               "a\r\nb\rc\n\td",
                               "  123,x  ",
                               QStringLiteral("123,µ€,\U0001D11E"),
                               "</xt></Data>",
                               "quillon-probe",
                               recordLine(4),
                               QString(),
                               QString(),
                               recordLine(5),
                               "65535,2099-12-31 23:59:00,mg/dL,Ctrl,TEMP",
                               recordLine(6),
                               QString(),
                               recordLine(7),
                               recordLine(8),
                               recordLine(9)};
    QList<QByteArray> quickBytes;
    for (const QString &line : lines) {
        spliced += spliceReady(quick.store()) ? 1 : 0;
        QVERIFY(SaveXmlItem(line, quick.store()));
        quickBytes.append(fileBytes(quick.store()));
#ifdef Q_OS_UNIX
        QCOMPARE(posixMode(quick.store()), 0600);
#endif
    }
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY(copyOverStore(full.store()));
        QVERIFY(SaveXmlItem(lines.at(i), full.store()));
        QVERIFY2(fileBytes(full.store()) == quickBytes.at(i), qPrintable(QString::number(i)));
    }
    QVERIFY(quick.strays().isEmpty());
    // The installed template must take the quick way after the first append (and after each
    // empty line has been read back once).
    if (templ == fileBytes(sourceTemplatePath()))
        QVERIFY(spliced >= lines.size() / 2);
}

void tst_StoreAppend::outsideChangeForcesFullLoad_data()
{
#ifdef Q_OS_UNIX
    columns<QString>("change");
    row("same size, later modification time", QStringLiteral("later"));
    row("same size, modification time put back", QStringLiteral("put back"));
    row("replaced, same size and modification time", QStringLiteral("replaced"));
    row("same size, within the same clock tick", QStringLiteral("quick"));
    row("grown", QStringLiteral("grown"));
#endif
}

// Someone else edits a reading (same length) after our last append; the next append must keep
// the edit, which it only can by loading the file.
void tst_StoreAppend::outsideChangeForcesFullLoad()
{
#ifndef Q_OS_UNIX
    QSKIP("needs POSIX file times");
#else
    QFETCH(QString, change);
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    QVERIFY(spliceReady(fx.store()));
    const QString store = fx.store();
    const Times ours = timesOf(store);
    QByteArray edited = fileBytes(store);
    edited.replace("<item>1,", "<item>8,");
    QString first = recordLine(8);
    QCOMPARE(edited.size(), fileBytes(store).size());

    if (change == QLatin1String("later")) {
        QVERIFY(editInPlace(store, edited));
        timespec later = ours.modified;
        later.tv_sec += 10;
        QVERIFY(setModified(store, later));
    } else if (change == QLatin1String("put back")) {
        // Like cp -p or rsync -t: the content changes, the modification time is restored. Only
        // the change time, which no one can set, tells; wait for the clock to tick if need be.
        for (int tries = 0; tries < 1000 && sameTime(timesOf(store).changed, ours.changed); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            QVERIFY(editInPlace(store, edited));
            QVERIFY(setModified(store, ours.modified));
        }
        QVERIFY(sameTime(timesOf(store).modified, ours.modified));
        QVERIFY(!sameTime(timesOf(store).changed, ours.changed));
    } else if (change == QLatin1String("replaced")) {
        const QString other = store + QStringLiteral(".other");
        QVERIFY(writeFileBytes(other, edited));
        QVERIFY(setModified(other, ours.modified));
        QVERIFY(renameOver(other, store));
    } else if (change == QLatin1String("quick")) {
        // No waiting: the times may well not have moved, the bytes have.
        QVERIFY(editInPlace(store, edited));
        QVERIFY(setModified(store, ours.modified));
    } else if (change == QLatin1String("grown")) {
        edited.replace("<item>8,", "<item>88,");
        first = QStringLiteral("88,2012-5-6 9:5:00,mg/dL,-,-");
        QVERIFY(writeFileBytes(store, edited));
    }

    QVERIFY(SaveXmlItem(recordLine(4), store));
    QCOMPARE(fx.texts(), QStringList({first, recordLine(2), recordLine(3), recordLine(4)}));

    // And byte for byte what a full load writes.
    StoreFixture full;
    QVERIFY(writeFileBytes(full.store(), edited));
    QVERIFY(SaveXmlItem(recordLine(4), full.store()));
    QCOMPARE(fileBytes(store), fileBytes(full.store()));
#endif
}

void tst_StoreAppend::outsideDamageIsNotRepaired_data()
{
    columns<QByteArray, QByteArray>("from", "to");
    row("end tag misspelt", QByteArray("</Data>"), QByteArray("</Date>"));
    row("xt renamed", QByteArray("<xt>"), QByteArray("<xs>"));
    row("cut short", QByteArray("</xt>\n</Data>\n"), QByteArray());
}

// A store that someone else broke after our append stays broken and untouched: the bytes we
// remember are no excuse to write over it.
void tst_StoreAppend::outsideDamageIsNotRepaired()
{
    const auto [from, to] = cells<QByteArray, QByteArray>("from", "to");
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    QVERIFY(spliceReady(fx.store()));
    QByteArray damaged = fileBytes(fx.store());
    damaged.replace(from, to);
    if (to.isEmpty())
        QVERIFY(writeFileBytes(fx.store(), damaged));
    else
        QVERIFY(editInPlace(fx.store(), damaged));
    QVERIFY(!SaveXmlItem(recordLine(3), fx.store()));
    QCOMPARE(fileBytes(fx.store()), damaged);

    // Gone altogether: nothing comes back.
    QVERIFY(QFile::remove(fx.store()));
    QVERIFY(!SaveXmlItem(recordLine(3), fx.store()));
    QVERIFY(!QFileInfo::exists(fx.store()));
}

void tst_StoreAppend::deleteAndResetBetweenAppends()
{
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    QVERIFY(DelXmlItemsAt(fx.store(), {{1, recordLine(2)}}));
    QVERIFY(SaveXmlItem(recordLine(4), fx.store()));
    QCOMPARE(fx.texts(), QStringList({recordLine(1), recordLine(3), recordLine(4)}));

    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("3,")}));
    QVERIFY(SaveXmlItem(recordLine(5), fx.store()));
    QCOMPARE(fx.texts(), QStringList({recordLine(1), recordLine(4), recordLine(5)}));

    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QVERIFY(SaveXmlItem(recordLine(6), fx.store()));
    QVERIFY(SaveXmlItem(recordLine(7), fx.store()));
    QCOMPARE(fx.texts(), QStringList({recordLine(6), recordLine(7)}));
    QCOMPARE(fileBytes(fx.backup()).count("<item>"), 3);
}

void tst_StoreAppend::failedSpliceLeavesStoreAndNextAppendLoads()
{
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    QVERIFY(spliceReady(fx.store()));
    const QByteArray before = fileBytes(fx.store());
    Obstacle full(QStringLiteral("disk full"), QString());
    if (!full.on())
        QSKIP("needs a file-size limit");
    const bool saved = SaveXmlItem(recordLine(3), fx.store());
    full.lift();
    QVERIFY(!saved);
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY(fx.strays().isEmpty());
    QVERIFY(SaveXmlItem(recordLine(4), fx.store()));
    QVERIFY(SaveXmlItem(recordLine(5), fx.store()));
    QCOMPARE(fx.texts(), QStringList({recordLine(1), recordLine(2), recordLine(4), recordLine(5)}));
}

void tst_StoreAppend::savedStoreMustMatchTheFile_data()
{
    columns<QByteArray, bool, bool>("remembered", "otherPath", "taken");
    const QByteArray onDisk = "<Data>\n<xt>\n<item>1</item>\n</xt>\n</Data>\n";
    row("the file's bytes", onDisk, false, true);
    row("one byte differs", QByteArray(onDisk).replace("1", "2"), false, false);
    row("shorter", onDisk.chopped(1), false, false);
    row("another path", onDisk, true, false);
}

// Even with every stamp as it was (an edit within one tick of the clock), bytes that are not
// the file's are never spliced into.
void tst_StoreAppend::savedStoreMustMatchTheFile()
{
    const auto [remembered, otherPath, taken] =
        cells<QByteArray, bool, bool>("remembered", "otherPath", "taken");
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), "<Data>\n<xt>\n<item>1</item>\n</xt>\n</Data>\n"));
    const std::optional<FileStamp> stamp = FileStamp::of(fx.store());
    if (!stamp)
        QSKIP("no file identity on this platform");
    const QString path = otherPath ? fx.store() + QStringLiteral(".other") : fx.store();
    appendCache().keep({path, *stamp, remembered, remembered.indexOf("</xt>")});
    const std::optional<SavedStore> saved = appendCache().take(fx.store());
    QCOMPARE(bool(saved), taken);
    QVERIFY(!appendCache().take(fx.store())); // handed out or dropped, never twice
}

QTEST_GUILESS_MAIN(tst_StoreAppend)
#include "tst_storeappend.moc"
