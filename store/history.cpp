#include "history.h"

#include "recordline.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr auto kStamp = "yyyy-MM-dd HH:mm:ss";
// The files SQLite may keep beside a database; they belong to it and go aside with it.
constexpr const char *kCompanions[] = {"", "-wal", "-shm", "-journal"};

QString stamp(const QDateTime &t)
{
    return t.toString(QLatin1String(kStamp));
}

// "2012-5-6 9:5:00" read by hand: a format string parse costs more than the rest of an import.
QVariant takenOf(const QString &dateText)
{
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2}) (\\d{1,2}):(\\d{1,2}):(\\d{1,2})$"));
    const QRegularExpressionMatch m = shape.match(dateText.trimmed());
    const auto n = [&m](int i) { return m.capturedView(i).toInt(); };
    const QDateTime t =
        m.hasMatch() ? QDateTime(QDate(n(1), n(2), n(3)), QTime(n(4), n(5), n(6))) : QDateTime();
    return t.isValid() ? QVariant(stamp(t)) : QVariant(QMetaType::fromType<QString>());
}

// The schema file's sections, by version number.
QList<QStringList> schemaSteps()
{
    QFile file(QStringLiteral(":/store/history.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> steps;
    QString statement;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("-- version "))) {
            steps.append(QStringList());
            continue;
        }
        const QString code = line.section(QLatin1String("--"), 0, 0).trimmed();
        if (code.isEmpty() || steps.isEmpty())
            continue;
        statement += code + QLatin1Char(' ');
        if (code.endsWith(QLatin1Char(';'))) {
            steps.last().append(statement.trimmed());
            statement.clear();
        }
    }
    return steps;
}
} // namespace

ReadingHistory::ReadingHistory()
{
    static QAtomicInt made;
    m_connection = QStringLiteral("quillon-history-%1").arg(made.fetchAndAddRelaxed(1));
}

ReadingHistory::~ReadingHistory()
{
    close();
}

QString ReadingHistory::pathBeside(const QString &storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("history.sqlite"));
}

bool ReadingHistory::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

void ReadingHistory::close()
{
    m_insert.reset();
    m_count.reset();
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool ReadingHistory::fail(const QString &what, const QString &error)
{
    m_error = what + QLatin1String(": ") + error;
    return false;
}

ReadingHistory::Opened ReadingHistory::open(const QString &storePath, const QDateTime &now)
{
    close();
    m_path = pathBeside(storePath);
    m_damagedPath.clear();
    m_error.clear();
    const QFileInfo info(m_path);
    const bool existed = info.exists() || info.isSymLink();
    // A link at our name could point anywhere: it is treated as a file we cannot trust.
    if (existed && (info.isSymLink() || !openFile() || !healthy() || !migrate())) {
        close();
        moveAside(now);
        if (m_damagedPath.isEmpty())
            return Opened::Failed;
    }
    if (!existed || !m_damagedPath.isEmpty()) {
        // Made private before SQLite writes a byte of health data into it; SQLite gives its
        // journal files the same mode.
        const int fd =
            ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0)
            return fail(QStringLiteral("Cannot create %1").arg(m_path),
                        QString::fromLocal8Bit(strerror(errno))),
                   Opened::Failed;
        ::close(fd);
        if (!openFile() || !migrate())
            return close(), Opened::Failed;
    }
    // Health data: a history someone opened to others is made private again.
    if (!QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner))
        return fail(QStringLiteral("Cannot make %1 private").arg(m_path), QString()), close(), Opened::Failed;
    // Prepared once: an upload or an import runs them for every reading.
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    m_insert = std::make_unique<QSqlQuery>(db);
    m_count = std::make_unique<QSqlQuery>(db);
    if (!m_insert->prepare(
            QStringLiteral("INSERT OR IGNORE INTO readings(line, taken, value_mgdl, ctrl, temp, "
                           "arrived, upload_id) VALUES(?, ?, ?, ?, ?, ?, ?)")) ||
        !m_count->prepare(QStringLiteral("UPDATE uploads SET received = received + ? WHERE id = ?")))
        return fail(QStringLiteral("Cannot use %1").arg(m_path), m_insert->lastError().text()), close(),
               Opened::Failed;
    // No upload yet, not even an import: a new history, or one whose first import was cut off.
    QSqlQuery any(db);
    if (!any.exec(QStringLiteral("SELECT EXISTS(SELECT 1 FROM uploads)")) || !any.next())
        return fail(QStringLiteral("Cannot read %1").arg(m_path), any.lastError().text()), close(),
               Opened::Failed;
    const bool fresh = !any.value(0).toBool();
    if (fresh && (!import(storePath, now) || !import(storePath + QStringLiteral(".back"), now)))
        return close(), Opened::Failed;
    return !m_damagedPath.isEmpty() ? Opened::Rebuilt : fresh ? Opened::Created : Opened::Existing;
}

bool ReadingHistory::openFile()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    if (!db.open())
        return fail(QStringLiteral("Cannot open %1").arg(m_path), db.lastError().text());
    QSqlQuery q(db);
    // WAL: a reading's commit is one flush of the log, and a reader never blocks the upload. A
    // report reads every row: with SQLite's small default cache it would read pages over again.
    for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON",
                               "PRAGMA cache_size=-32768"})
        if (!q.exec(QLatin1String(pragma)))
            return fail(QStringLiteral("Cannot use %1").arg(m_path), q.lastError().text());
    return true;
}

bool ReadingHistory::healthy()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
        return fail(QStringLiteral("%1 is not a readable database").arg(m_path), q.lastError().text());
    if (q.value(0).toString() != QLatin1String("ok"))
        return fail(QStringLiteral("%1 failed its check").arg(m_path), q.value(0).toString());
    return true;
}

bool ReadingHistory::migrate()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(QStringLiteral("Cannot read the version of %1").arg(m_path), q.lastError().text());
    const int version = q.value(0).toInt();
    const QList<QStringList> steps = schemaSteps();
    if (steps.isEmpty())
        return fail(QStringLiteral("No schema"), QStringLiteral("the program lacks history.sql"));
    // A history from a newer program is not ours to change; it is kept aside and rebuilt.
    if (version > steps.size())
        return fail(QStringLiteral("%1 is of a newer version").arg(m_path), QString::number(version));
    for (int step = version; step < steps.size(); ++step) {
        if (!db.transaction())
            return fail(QStringLiteral("Cannot change %1").arg(m_path), db.lastError().text());
        for (const QString &statement : steps[step])
            if (!q.exec(statement))
                return db.rollback(),
                       fail(QStringLiteral("Cannot change %1").arg(m_path), q.lastError().text());
        // A pragma takes no bound value; the number is ours, not the person's.
        if (!q.exec(QStringLiteral("PRAGMA user_version=%1").arg(step + 1)) || !db.commit())
            return db.rollback(), fail(QStringLiteral("Cannot change %1").arg(m_path), q.lastError().text());
    }
    return true;
}

void ReadingHistory::moveAside(const QDateTime &now)
{
    QString aside = m_path + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = m_path + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                QStringLiteral("-%1").arg(n);
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(aside).constData()) != 0) {
        fail(QStringLiteral("Cannot move %1 aside").arg(m_path), QString::fromLocal8Bit(strerror(errno)));
        return;
    }
    m_damagedPath = aside;
    // A log left beside the old file must not be played into the new one.
    for (const char *companion : kCompanions)
        if (*companion && QFileInfo::exists(m_path + QLatin1String(companion)))
            ::rename(QFile::encodeName(m_path + QLatin1String(companion)).constData(),
                     QFile::encodeName(aside + QLatin1String(companion)).constData());
}

bool ReadingHistory::import(const QString &file, const QDateTime &now)
{
    const StoreItems items = ReadStoreItems(file);
    if (items.status != StoreStatus::Ok || items.texts.isEmpty())
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // The import can be done again from the same files, so it is one transaction, not one a line.
    if (!db.transaction())
        return fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text());
    const qint64 upload = beginUpload(QFileInfo(file).fileName(), now);
    bool ok = upload >= 0;
    for (const QString &line : items.texts)
        ok = ok && insert(line, upload, now);
    ok = ok && count(upload, int(items.texts.size()));
    ok = ok && endUpload(upload, now, QStringLiteral("imported"));
    if (ok && !db.commit())
        ok = fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text());
    if (!ok)
        db.rollback();
    return ok;
}

qint64 ReadingHistory::beginUpload(const QString &port, const QDateTime &start)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO uploads(started, port) VALUES(?, ?)"));
    q.addBindValue(stamp(start));
    q.addBindValue(port);
    if (!q.exec())
        return fail(QStringLiteral("Cannot write %1").arg(m_path), q.lastError().text()), -1;
    return q.lastInsertId().toLongLong();
}

bool ReadingHistory::endUpload(qint64 upload, const QDateTime &end, const QString &outcome)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE uploads SET ended = ?, outcome = ? WHERE id = ?"));
    q.addBindValue(stamp(end));
    q.addBindValue(outcome);
    q.addBindValue(upload);
    return q.exec() || fail(QStringLiteral("Cannot write %1").arg(m_path), q.lastError().text());
}

bool ReadingHistory::insert(const QString &recordLine, qint64 upload, const QDateTime &arrived)
{
    const RecordFields fields = recordFields(recordLine);
    for (const QVariant &value :
         {QVariant(recordLine), takenOf(fields.dateText), QVariant(fields.valueText.trimmed()),
          QVariant(fields.ctrlMark), QVariant(fields.tempMark), QVariant(stamp(arrived)),
          upload >= 0 ? QVariant(upload) : QVariant(QMetaType::fromType<qint64>())})
        m_insert->addBindValue(value);
    return m_insert->exec() ||
           fail(QStringLiteral("Cannot write %1").arg(m_path), m_insert->lastError().text());
}

// The upload's count is of readings received, held before or not.
bool ReadingHistory::count(qint64 upload, int received)
{
    m_count->addBindValue(received);
    m_count->addBindValue(upload);
    return m_count->exec() ||
           fail(QStringLiteral("Cannot write %1").arg(m_path), m_count->lastError().text());
}

bool ReadingHistory::addReading(const QString &recordLine, qint64 upload, const QDateTime &arrived)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Each reading of an upload is committed on its own: what arrived stays whatever comes next.
    if (!m_insert || !db.transaction())
        return fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text());
    const bool written = insert(recordLine, upload, arrived) && count(upload, 1);
    if (written && db.commit())
        return true;
    if (written)
        fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text());
    db.rollback();
    return false;
}

bool ReadingHistory::markDeleted(const QStringList &recordLines)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text());
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE readings SET deleted = 1 WHERE line = ?"));
    for (const QString &line : recordLines) {
        q.addBindValue(line);
        if (!q.exec())
            return db.rollback(), fail(QStringLiteral("Cannot write %1").arg(m_path), q.lastError().text());
    }
    return db.commit() ||
           (db.rollback(), fail(QStringLiteral("Cannot write %1").arg(m_path), db.lastError().text()));
}

StoreItems ReadingHistory::items() const
{
    StoreItems items;
    if (!isOpen())
        return items;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    // Two walks rather than one sort: the dated readings come in the date index's order.
    for (const char *select :
         {"SELECT line FROM readings WHERE taken IS NOT NULL AND deleted = 0 ORDER BY taken, id",
          "SELECT line FROM readings WHERE taken IS NULL AND deleted = 0 ORDER BY id"}) {
        if (!q.exec(QLatin1String(select)))
            return {StoreStatus::Unreadable, {}};
        while (q.next())
            items.texts.append(q.value(0).toString());
    }
    items.status = StoreStatus::Ok;
    return items;
}

QDate ReadingHistory::firstDate() const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!isOpen() || !q.exec(QStringLiteral("SELECT min(taken) FROM readings WHERE deleted = 0")) ||
        !q.next())
        return {};
    return QDateTime::fromString(q.value(0).toString(), QLatin1String(kStamp)).date();
}
