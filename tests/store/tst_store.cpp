// The reading store on real files; damaged stores, failed saves and killed appends leave it whole.

#include "appendcache.h"
#include "filesizelimit.h"
#include "history.h"
#include "programdir.h"
#include "readingstore.h"
#include "rows.h"

#include <QProcess>
#include <QRandomGenerator>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kMinute = QStringLiteral("2012-5-6 9:5:00");
const QString kTemplate = QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml");
constexpr int Editable = 0, Refused = 1, Damaged = 2;
using B = QByteArray;
using Ints = QList<int>;
using S = QStringList;

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool isPrivate(const QString &path) // read and written by the owner alone
{
    return (QFile::permissions(path) & QFile::Permissions(0x7077)) == (QFile::ReadOwner | QFile::WriteOwner);
}

// A record line as the frame parser builds it; `n` makes every one different.
QString recordLine(int n, const QString &dateTime = kMinute)
{
    return QStringLiteral("%1,%2,mg/dL,-,-").arg(n).arg(dateTime);
}

// Root writes through permission bits, but renames over no append-only file: a commit that fails.
struct AppendOnly
{
    explicit AppendOnly(const QString &file) : path(file) {}
    ~AppendOnly() { QProcess::execute("chattr", {"-a", path}); }
    QString path;
    bool on = QProcess::execute("chattr", {"+a", path}) == 0;
};

// A throw-away program directory: cfg/datamb.xml is the installed template, data/ starts empty.
struct StoreFixture
{
    QTemporaryDir tmp;
    ProgramDir dir{tmp.path()};
    bool made = QDir().mkpath(dir.dataDir()) && QDir().mkpath(dir.configDir()) &&
                QFile::copy(kTemplate, dir.templatePath());
    QString store() const { return dir.storePath(); }
    QString backup() const { return ProgramDir::backupPath(dir.storePath()); }
    QString templ() const { return dir.templatePath(); }
    bool fill(const QStringList &lines) const // the store as an upload of these readings leaves it
    {
        bool ok = ResetStoreFromTemplate(store(), templ()) == StoreResetResult::Ok;
        for (const QString &line : lines)
            ok = ok && SaveXmlItem(line, store());
        return ok;
    }
    QStringList texts() const { return ReadStoreItems(store()).texts; }
    bool open() const { return QFile::setPermissions(store(), QFile::Permissions(0x6644)); }
    // Files in data/: no temporary file may be left beside the store and its backup.
    int files() const { return QDir(dir.dataDir()).entryList(QDir::Files | QDir::Hidden).size(); }
    QString history() const { return ReadingHistory::pathBeside(store()); }
    // Two fills: what was the store becomes the backup.
    bool fillBoth(const QStringList &backup, const QStringList &lines) const
    {
        return fill(backup) && fill(lines);
    }
};

using Opened = ReadingHistory::Opened;
const QDateTime kArrival(QDate(2026, 12, 7), QTime(8, 0));
// Readings of one day at hour h, value v; listed by date whatever order they came in.
QString at(int hour, int value = 100, const char *marks = "-,-")
{
    return QStringLiteral("%1,2012-5-6 %2:5:00,mg/dL,%3").arg(value).arg(hour).arg(marks);
}
} // namespace

class tst_Store : public QObject
{
    Q_OBJECT

private slots:
    void goldenBytesAndOrder()
    {
        StoreFixture fx;
        QVERIFY(fx.fill({recordLine(123)}));
        QCOMPARE(fileBytes(fx.store()), fileBytes(QUILLON_SOURCE_DIR "/tests/store/golden/one_reading.xml"));
        QVERIFY(SaveXmlItem(recordLine(2), fx.store()) && SaveXmlItem(recordLine(1), fx.store()));
        QCOMPARE(fx.texts(), S({recordLine(123), recordLine(2), recordLine(1)}));
        QVERIFY(DelXmlItem(fx.store(), {kMinute})); // all readings out again: the template's bytes
        QCOMPARE(fileBytes(fx.store()), fileBytes(fx.templ()));
    }

    // A line is stored as it is, read back and picked by its text, or refused with the file kept.
    void lines_data()
    {
        columns<QString, bool>("line", "stored");
        // clang-format off
        row("empty", QString(), true);
        row("markup characters, non-ASCII", QStringLiteral("<item>&amp;\"'</item>]]>µ€\U0001D11E"), true);
        row("line ends, tab, edge blanks", QStringLiteral("  a\r\nb\rc\n\td  "), true);
        row("control character", QStringLiteral("123,\x01"), false);
        row("lone surrogate", QString(QChar(0xD800)) + QStringLiteral("1"), false);
        row("blanks only", QStringLiteral(" \t "), false);
        // clang-format on
    }
    // The append takes the quick path here (touching the store first would not); the delete makes
    // private a store that was opened to all.
    void lines()
    {
        const auto [line, stored] = cells<QString, bool>("line", "stored");
        StoreFixture fx;
        QVERIFY(fx.fill({recordLine(7)}));
        const B before = fileBytes(fx.store());
        QCOMPARE(SaveXmlItem(line, fx.store()), stored);
        QCOMPARE(fileBytes(fx.store()) == before, !stored);
        if (!stored)
            return;
        QCOMPARE(fx.texts(), S({recordLine(7), line}));
        QVERIFY(isPrivate(fx.store()) && fx.open());
        QVERIFY(DelXmlItemsAt(fx.store(), {{1, line}})); // the values window hands the text back
        QVERIFY(fx.texts() == S({recordLine(7)}) && isPrivate(fx.store()));
    }

    // Refused: saving there would change entries no edit touched (unparseable, text re-encoded).
    void readAndDamage_data()
    {
        columns<B, int, S>("xml", "edits", "texts");
        // clang-format off
        row("template", fileBytes(kTemplate), Editable, S());
        row("indented, CRLF", B("<Data>\r\n  <xt>\r\n    <item>a</item>\r\n\t<item>b</item>\r\n  </xt>\r\n</Data>\r\n"), Editable, S({"a", "b"}));
        row("every kind of child", B("<Data><xt> <item>a&amp;b</item> text <![CDATA[cd]]> <!-- com --> <?pi data?> <other>x<y> </y><y>y</y><!--no--><![CDATA[ ]]></other> &#32;&#xA0; <item> </item> <item/></xt></Data>"), Editable, S({"a&b", " text ", "cd", " com ", "data", "xy ", "", ""}));
        row("first xt only", B("<Data><xt><item>a</item></xt><xt><item>b</item></xt></Data>"), Editable, S({"a"}));
        row("xt after other", B("<Data><xs><item>x</item></xs><xt><item>a</item></xt></Data>"), Editable, S({"a"}));
        row("prolog and DTD entity", B("<?xml version=\"1.0\"?><!-- c --><!DOCTYPE Data [<!ENTITY e \"xyz\">]><Data><xt><item>1&e;2</item></xt></Data><!-- after -->"), Editable, S({"1xyz2"}));
        row("BOM", B("\xEF\xBB\xBF<Data><xt><item>a</item></xt></Data>"), Editable, S({"a"}));
        row("text after a PI", B("<Data><xt><?pi d?>x</xt></Data>"), Refused, S({"d", "x"}));
        row("PI inside an item", B("<Data><xt><item>a<?pi d?>b</item></xt></Data>"), Refused, S({"ab"}));
        row("control character in a PI", B("<Data><xt><?pi\x19" "d?></xt></Data>"), Refused, S({""}));
        row("declared ISO-8859-1", B("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Data><xt><item>\xe9</item></xt></Data>"), Refused, S({"é"}));
        // The layout the program writes, read without the XML reader unless a text needs it.
        const B head("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n"), tail("</xt>\n</Data>\n");
        row("program's layout", head + "<item>1,2012-5-6 9:5:00,mg/dL,-,-</item>\n<item></item>\n<item> a b </item>\n" + tail, Editable, S({"1,2012-5-6 9:5:00,mg/dL,-,-", "", " a b "}));
        row("program's layout: an entity", head + "<item>a&amp;b</item>\n" + tail, Editable, S({"a&b"}));
        row("program's layout: blank, tab", head + "<item>  </item>\n<item>\t</item>\n" + tail, Editable, S({"", ""}));
        row("program's layout: ]]> in a text", head + "<item>a]]>b</item>\n" + tail, Damaged, S());
        row("program's layout: cut in the tail", head + "<item>a</item>\n</xt>\n</Da", Damaged, S());
        row("store is a folder", B(), Damaged, S());
        row("empty file", B(""), Damaged, S());
        row("truncated", B("<Data>\n<xt>\n<item>1</item>\n<item>2</it"), Damaged, S());
        row("junk after Data", B("<Data><xt/></Data>junk"), Damaged, S());
        row("no xt", B("<Data><xs/></Data>"), Damaged, S());
        row("DOCTYPE inside Data", B("<Data><xt><item>a</item></xt><!DOCTYPE x></Data>"), Damaged, S());
        row("undeclared entity", B("<Data><xt><item>&x;</item></xt></Data>"), Damaged, S());
        row("50 MB, damaged after the first item", B("<Data><xt><item>1</item>") + B(50 * 1024 * 1024, '<'), Damaged, S());
        // clang-format on
    }
    void readAndDamage()
    {
        const auto [xml, edits, texts] = cells<B, int, S>("xml", "edits", "texts");
        StoreFixture fx;
        QVERIFY(xml.isNull() ? QDir().mkpath(fx.store()) : writeFileBytes(fx.store(), xml));
        const StoreItems items = ReadStoreItems(fx.store());
        QCOMPARE(items.status, edits == Damaged ? StoreStatus::Unreadable : StoreStatus::Ok);
        QCOMPARE(items.texts, texts);
        if (edits != Editable) { // every edit fails, even one with nothing to do, and the bytes stay
            QVERIFY(!SaveXmlItem(recordLine(9), fx.store()));
            QVERIFY(edits == Refused || (!DelXmlItem(fx.store(), {kMinute}) && !DelXmlItem(fx.store(), {}) &&
                                         !DelXmlItemsAt(fx.store(), {{0, QString()}})));
            QCOMPARE(fileBytes(fx.store()), xml);
            return;
        }
        // The values window counts positions in what the read gives, the delete in the DOM.
        for (int i = 0; i < texts.size(); ++i) {
            QVERIFY(writeFileBytes(fx.store(), xml) && DelXmlItemsAt(fx.store(), {{i, texts.at(i)}}));
            QCOMPARE(fx.texts(), texts.mid(0, i) + texts.mid(i + 1));
        }
    }

    // By keys (substrings, no wildcards) or by place: a place whose text differs is left alone.
    void deletes_data()
    {
        columns<S, Ints, Ints, Ints>("keys", "picks", "stale", "gone"); // positions in deletes()' readings
        // clang-format off
        row("no keys", S(), Ints(), Ints(), Ints());
        row("date-time takes its whole minute, empty keys ignored", S({QString(), kMinute, QString()}), Ints(), Ints(), Ints({0, 2}));
        row("two keys", S({"2012-5-16 9:5:00", "19:5:00"}), Ints(), Ints(), Ints({1, 3}));
        row("plain substring", S({"9:5"}), Ints(), Ints(), Ints({0, 1, 2, 3}));
        row("case-sensitive", S({"MG/DL"}), Ints(), Ints(), Ints());
        row("star is no wildcard", S({"2012*9:5:00"}), Ints(), Ints(), Ints());
        row("star matches itself", S({"*"}), Ints(), Ints(), Ints({4}));
        row("place of the second of two alike", S(), Ints({2}), Ints(), Ints({2}));
        row("both alike", S(), Ints({0, 2}), Ints(), Ints({0, 2}));
        row("same place twice", S(), Ints({4, 4}), Ints(), Ints({4}));
        row("stale text kept", S(), Ints({0}), Ints({1}), Ints({0}));
        row("outside the store", S(), Ints(), Ints({-1, 60, 99}), Ints());
        row("beyond 51 rows", S(), Ints({51, 52, 59}), Ints(), Ints({51, 52, 59}));
        // clang-format on
    }
    void deletes()
    {
        const auto [keys, picks, stale, gone] = cells<S, Ints, Ints, Ints>("keys", "picks", "stale", "gone");
        // clang-format off
        S lines = {recordLine(101), recordLine(102, "2012-5-6 19:5:00"), recordLine(101), recordLine(104, "2012-5-16 9:5:00"), "1*,a", "1?,b", "[1],c"};
        // clang-format on
        while (lines.size() < 60)
            lines << QStringLiteral("x%1").arg(lines.size());
        StoreFixture fx;
        QVERIFY(fx.fill(lines));
        const B before = fileBytes(fx.store());
        QVector<StoreItemRef> refs;
        for (int p : picks)
            refs.append({p, lines.at(p)});
        for (int p : stale)
            refs.append({p, recordLine(1000 + p)});
        const bool byPlace = !refs.isEmpty();
        int notFound = -1;
        QVERIFY(byPlace ? DelXmlItemsAt(fx.store(), refs, &notFound) : DelXmlItem(fx.store(), keys));
        QCOMPARE(notFound, byPlace ? int(stale.size()) : -1);
        S expected;
        for (int i = 0; i < lines.size(); ++i)
            expected << (gone.contains(i) ? S() : S({lines.at(i)}));
        QCOMPARE(fx.texts(), expected);
        if (gone.isEmpty())
            QCOMPARE(fileBytes(fx.store()), before);
    }

    void reset_data()
    {
        columns<QString, B, StoreResetResult>("how", "templ", "result");
        const B installed = fileBytes(kTemplate);
        row("the store is backed up", QString(), installed, StoreResetResult::Ok);
        row("first upload: no store, no backup", QStringLiteral("no store"), installed, StoreResetResult::Ok);
        row("backup is a folder", QStringLiteral("folder"), installed, StoreResetResult::BackupFailed);
        row("disk full", QStringLiteral("disk full"), installed, StoreResetResult::BackupFailed);
        row("template missing", QStringLiteral("missing"), B(), StoreResetResult::TemplateFailed);
        row("template not XML", QString(), B("Data xt"), StoreResetResult::TemplateFailed);
        row("template without xt", QString(), B("<Data/>"), StoreResetResult::TemplateFailed);
        row("store cannot be replaced", QStringLiteral("append-only"), installed,
            StoreResetResult::TemplateFailed);
    }
    void reset()
    {
        const auto [how, templ, result] = cells<QString, B, StoreResetResult>("how", "templ", "result");
        StoreFixture fx;
        const B previous = "an older backup, bigger than the store that replaces it .........";
        QVERIFY(how == "folder" ? QDir().mkpath(fx.backup()) : writeFileBytes(fx.backup(), previous));
        QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
        const B old = how == "no store" ? B() : fileBytes(fx.store());
        if (how == "no store")
            QVERIFY(QDir(fx.dir.dataDir()).removeRecursively());
        QVERIFY(how == "missing" ? QFile::remove(fx.templ()) : writeFileBytes(fx.templ(), templ));
        std::optional<FileSizeLimit> full;
        if (how == "disk full")
            full.emplace(16);
        std::optional<AppendOnly> locked; // a backup is written, but no new store
        if (how == "append-only" && !locked.emplace(fx.store()).on)
            QSKIP("needs chattr");
        const StoreResetResult got = ResetStoreFromTemplate(fx.store(), fx.templ());
        // Nor does an append or a delete on the full disk harm the store (the test log too: lift first).
        const bool saved = full && (SaveXmlItem(recordLine(9), fx.store()) ||
                                    DelXmlItemsAt(fx.store(), {{0, recordLine(1)}}));
        full.reset();
        QVERIFY(!saved);
        QCOMPARE(got, result);
        QCOMPARE(fileBytes(fx.store()), result == StoreResetResult::Ok ? templ : old);
        QCOMPARE(fileBytes(fx.backup()),
                 result == StoreResetResult::BackupFailed ? (how == "folder" ? B() : previous) : old);
        QCOMPARE(QFileInfo::exists(fx.backup()), how != "no store");
        QVERIFY(isPrivate(fx.store()));
        QVERIFY(result == StoreResetResult::BackupFailed || how == "no store" || isPrivate(fx.backup()));
        QCOMPARE(fx.files(), QFileInfo(fx.backup()).isFile() ? 2 : 1);
    }

    void splicedEqualsFullSave_data()
    {
        columns<B>("templ");
        // clang-format off
        row("installed", fileBytes(kTemplate));
        row("indented, CRLF, single quotes", B("<?xml version='1.0' encoding='utf-8'?>\r\n<Data>\r\n  <xt>\r\n  </xt>\r\n</Data>\r\n"));
        row("attributes", B("<Data v=\"1\"><xt a=\"x&amp;y\" b='&lt;/xt>'/></Data>"));
        row("xt ends in text", B("<Data><xt><!-- c -->text &amp; more</xt></Data>\n"));
        row("decoys before and after", B("<?xml version=\"1.0\"?>\n<!-- <xt/> --><Data><xs><xt/></xs><!-- </xt> --><xt/><xt><item>other</item></xt><after>&lt;/xt&gt;</after></Data><!-- tail -->\n"));
        row("DOCTYPE with entity", B("<!DOCTYPE Data [<!ENTITY e \"xyz\">]><Data><xt><item>1&e;2</item></xt></Data>"));
        row("BOM", B("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><Data><xt/></Data>"));
        // clang-format on
    }
    // The quick append splices its line into the bytes it wrote last instead of loading the store:
    // one store takes the appends so, the other is loaded in full before each; both stay equal.
    void splicedEqualsFullSave()
    {
        const auto [templ] = cells<B>("templ");
        StoreFixture quick, full;
        QVERIFY(writeFileBytes(quick.templ(), templ) && writeFileBytes(full.templ(), templ));
        QVERIFY(quick.fill({}) && full.fill({}));
        const S lines = {recordLine(1),  "<item>&amp;\"'</item>]]>",          QString(),     "a\r\nb\rc\n\td",
                         "</xt></Data>", QStringLiteral("123,µ€,\U0001D11E"), recordLine(2), QString(),
                         recordLine(3)};
        int spliced = 0;
        QList<B> quickBytes;
        for (const QString &line : lines) {
            if (std::optional<SavedStore> saved = appendCache().take(quick.store()))
                appendCache().keep(std::move(*saved)), ++spliced; // it would splice, not load
            QVERIFY(SaveXmlItem(line, quick.store()));
            quickBytes << fileBytes(quick.store());
        }
        for (int i = 0; i < lines.size(); ++i) {
            appendCache().take(full.store()); // forgotten: loaded in full, as a store we did not write
            QVERIFY(SaveXmlItem(lines.at(i), full.store()));
            QCOMPARE(fileBytes(full.store()), quickBytes.at(i));
        }
        QCOMPARE(quick.files(), 1);
        if (templ == fileBytes(kTemplate))
            QVERIFY(spliced >= lines.size() / 2);
    }

    // Even with every stamp as it was (an edit within a clock tick), only the file's bytes are spliced into.
    void savedStoreMustMatchTheFile()
    {
        StoreFixture fx;
        const B onDisk = "<Data>\n<xt>\n<item>1</item>\n</xt>\n</Data>\n";
        const auto stamp = writeFileBytes(fx.store(), onDisk) ? FileStamp::of(fx.store()) : std::nullopt;
        QVERIFY(stamp);
        for (const B &remembered : {onDisk, B(onDisk).replace("1", "2"), onDisk.chopped(1)}) {
            appendCache().keep({fx.store(), *stamp, remembered, remembered.indexOf("</xt>")});
            QCOMPARE(bool(appendCache().take(fx.store())), remembered == onDisk);
            QVERIFY(!appendCache().take(fx.store())); // handed out or dropped, never twice
        }
        appendCache().keep({fx.store() + ".other", *stamp, onDisk, onDisk.indexOf("</xt>")});
        QVERIFY(!appendCache().take(fx.store()));
    }

    // A first start imports the store, then its backup; a damaged history is kept aside and rebuilt.
    void historyOpens_data()
    {
        columns<S, S, B, Opened, S>("backup", "store", "file", "opened", "items");
        const B notSqlite("<Data><xt/></Data>"), damaged = B("SQLite format 3", 16) + B(4080, '\xff');
        // clang-format off
        row("no store yet", S(), S(), B(), Opened::Created, S());
        row("store then backup, each reading once", S({at(9), at(7)}), S({at(8), at(9)}), B(), Opened::Created, S({at(7), at(8), at(9)}));
        row("other marks, other value: other readings", S({at(9, 100, "Ctrl,-")}), S({at(9), at(9, 101)}), B(), Opened::Created, S({at(9), at(9, 101), at(9, 100, "Ctrl,-")}));
        row("unreadable dates last, told apart by text", S({"5,someday,mg/dL,-,-"}), S({"5,someday,mg/dL,-,-", "5,never,mg/dL,-,-", at(9)}), B(), Opened::Created, S({at(9), "5,someday,mg/dL,-,-", "5,never,mg/dL,-,-"}));
        row("empty file: made anew", S(), S({at(9)}), B(""), Opened::Created, S({at(9)}));
        row("not a database: kept aside", S({at(7)}), S({at(9)}), notSqlite, Opened::Rebuilt, S({at(7), at(9)}));
        row("damaged: kept aside", S(), S({at(9)}), damaged, Opened::Rebuilt, S({at(9)}));
        // clang-format on
    }
    void historyOpens()
    {
        const auto [backup, store, file, opened, items] =
            cells<S, S, B, Opened, S>("backup", "store", "file", "opened", "items");
        StoreFixture fx;
        QVERIFY(fx.fillBoth(backup, store) && (file.isNull() || writeFileBytes(fx.history(), file)));
        ReadingHistory history;
        QCOMPARE(history.open(fx.store(), kArrival), opened);
        QCOMPARE(history.items().texts, items);
        QVERIFY(isPrivate(fx.history()));
        QCOMPARE(history.damagedPath().endsWith(".damaged-20261207-080000"), opened == Opened::Rebuilt);
        QVERIFY(opened != Opened::Rebuilt || fileBytes(history.damagedPath()) == file);
        history.close(); // opened again it is as it was; with nothing imported, it looks again
        QCOMPARE(history.open(fx.store(), kArrival), items.isEmpty() ? Opened::Created : Opened::Existing);
        QCOMPARE(history.items().texts, items);
    }

    // Uploads add what is new; a deleted reading stays deleted whatever later uploads send.
    void historyUploads_data()
    {
        columns<QList<S>, S, S>("uploads", "deleted", "items"); // deleted after the first upload
        // clang-format off
        row("two small uploads keep every reading", QList<S>({{at(9), at(8)}, {at(10)}}), S(), S({at(8), at(9), at(10)}));
        row("sent again: once", QList<S>({{at(9), at(8)}, {at(8), at(9)}}), S(), S({at(8), at(9)}));
        row("deleted: not brought back", QList<S>({{at(9), at(8)}, {at(9), at(8)}}), S({at(9)}), S({at(8)}));
        row("deleting an unknown line", QList<S>({{at(9)}}), S({at(1)}), S({at(9)}));
        // clang-format on
    }
    void historyUploads()
    {
        const auto [uploads, deleted, items] = cells<QList<S>, S, S>("uploads", "deleted", "items");
        StoreFixture fx;
        ReadingHistory history;
        QCOMPARE(history.open(fx.store(), kArrival), Opened::Created);
        for (const S &lines : uploads) {
            const qint64 upload = history.beginUpload("/dev/ttyUSB0", kArrival);
            for (const QString &line : lines)
                QVERIFY(history.addReading(line, upload, kArrival));
            QVERIFY(history.endUpload(upload, kArrival, "Upload succeeded") &&
                    (&lines != &uploads.first() || history.markDeleted(deleted)));
        }
        QCOMPARE(history.items().texts, items);
        QCOMPARE(history.firstDate(), QDate(2012, 5, 6));
        {
            const FileSizeLimit full(1); // a full disk: the reading is refused, nothing held is lost
            QVERIFY(!history.addReading(at(1), -1, kArrival) && !history.lastError().isEmpty());
        }
        QCOMPARE(history.items().texts, items);
    }

    // Killed at any instant of an append, a store loads and holds all it held, those appended, or one more.
    void killedAppendLeavesWholeStore()
    {
        if (!QCoreApplication::arguments().contains(QTest::currentTestFunction()))
            QSKIP("runs alone, as tst_storekill");
        StoreFixture fx;
        QVERIFY(fx.fill({}));
        QRandomGenerator random(20120506);
        int killedWithReadings = 0;
        for (int trial = 0; trial < 250; ++trial) {
            const int before = fx.texts().size();
            int appended[2]; // the child writes a byte after each append that returned
            QVERIFY(::pipe(appended) == 0);
            const pid_t pid = ::fork();
            if (pid == 0) { // the child appends until it is killed
                for (int n = before;; ++n) {
                    if (!SaveXmlItem(recordLine(n), fx.store()) || ::write(appended[1], "+", 1) != 1)
                        ::_exit(1);
                }
            }
            QVERIFY(pid > 0);
            ::close(appended[1]);
            char bytes[256]; // every other kill waits for an append to return, however slow the start
            int count = trial % 2 == 1 && ::read(appended[0], bytes, 1) == 1 ? 1 : 0, status = 0;
            ::usleep(random.bounded(4000));
            ::kill(pid, SIGKILL);
            QVERIFY(::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status));
            for (ssize_t got; (got = ::read(appended[0], bytes, sizeof bytes)) > 0;)
                count += int(got);
            ::close(appended[0]);
            const StoreItems after = ReadStoreItems(fx.store());
            QCOMPARE(after.status, StoreStatus::Ok);
            QVERIFY(after.texts.size() == before + count || after.texts.size() == before + count + 1);
            for (int i = 0; i < after.texts.size(); ++i)
                QCOMPARE(after.texts.at(i), recordLine(i));
            killedWithReadings += after.texts.size() > before ? 1 : 0;
            if (after.texts.size() > 300) // keeps every trial quick
                QVERIFY(fx.fill({}));
        }
        QVERIFY(killedWithReadings > 250 / 4); // the kills landed among the appends
    }

    // Killed at any instant of an upload, the history opens as it was and holds every reading
    // committed before the kill, perhaps one more, in the order they came.
    void killedUploadLeavesHistory()
    {
        if (!QCoreApplication::arguments().contains(QTest::currentTestFunction()))
            QSKIP("runs alone, as tst_historykill");
        StoreFixture fx;
        QRandomGenerator random(20261207);
        int killedWithReadings = 0;
        for (int trial = 0; trial < 120; ++trial) {
            qsizetype before = 0;
            { // no connection may cross the fork
                ReadingHistory history;
                QVERIFY(history.open(fx.store()) != Opened::Failed);
                before = history.items().texts.size();
            }
            int committed[2];
            QVERIFY(::pipe(committed) == 0);
            const pid_t pid = ::fork();
            if (pid == 0) {
                ReadingHistory history;
                if (history.open(fx.store()) == Opened::Failed)
                    ::_exit(1);
                const qint64 upload = history.beginUpload("/dev/ttyUSB0", kArrival);
                for (int n = int(before);; ++n)
                    if (!history.addReading(recordLine(n), upload, kArrival) ||
                        ::write(committed[1], "+", 1) != 1)
                        ::_exit(1);
            }
            QVERIFY(pid > 0);
            ::close(committed[1]);
            char bytes[256];
            int count = trial % 2 == 1 && ::read(committed[0], bytes, 1) == 1 ? 1 : 0, status = 0;
            ::usleep(random.bounded(20000));
            ::kill(pid, SIGKILL);
            QVERIFY(::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status));
            for (ssize_t got; (got = ::read(committed[0], bytes, sizeof bytes)) > 0;)
                count += int(got);
            ::close(committed[0]);
            ReadingHistory history;
            const Opened opened = history.open(fx.store()); // never damaged; new when no upload began
            QVERIFY(opened == Opened::Existing || opened == Opened::Created);
            const S after = history.items().texts;
            QVERIFY(after.size() == before + count || after.size() == before + count + 1);
            for (int i = 0; i < after.size(); ++i)
                QCOMPARE(after.at(i), recordLine(i));
            killedWithReadings += after.size() > before ? 1 : 0;
        }
        QVERIFY(killedWithReadings > 120 / 4);
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
