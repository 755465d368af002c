#pragma once

#include "readingstore.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

class QSqlQuery;

// Every reading any upload brought, in one SQLite file beside the store (history.sqlite).
// The store keeps only the last upload; this keeps them all, each reading once, and remembers
// the ones the person deleted so that no later upload brings them back here.
//
// Durability: synchronous=FULL and a transaction per reading during an upload, so a kill or a
// pulled cable keeps every reading that arrived. A file that is not a database or fails
// quick_check is renamed aside (history.sqlite.damaged-<date-time>), never deleted, and a new
// history is built from the store and then its backup; so is a first start without a history.
class ReadingHistory
{
public:
    enum class Opened
    {
        Existing, // the history as it was
        Created,  // none yet: made and filled from the store and its backup
        Rebuilt,  // damaged: kept aside at damagedPath(), then made as Created
        Failed    // cannot be made or written: lastError() says why
    };

    ReadingHistory();
    ~ReadingHistory();
    ReadingHistory(const ReadingHistory &) = delete;
    ReadingHistory &operator=(const ReadingHistory &) = delete;

    static QString pathBeside(const QString &storePath);

    // Opens the history beside the store, making, mending and filling it as above.
    Opened open(const QString &storePath, const QDateTime &now = QDateTime::currentDateTime());
    bool isOpen() const;
    void close();
    QString path() const { return m_path; }
    QString damagedPath() const { return m_damagedPath; }
    QString lastError() const { return m_error; }

    // An upload's row; -1 when it cannot be written.
    qint64 beginUpload(const QString &port, const QDateTime &start);
    bool endUpload(qint64 upload, const QDateTime &end, const QString &outcome);
    // One reading in its own transaction; a reading already held is no error.
    bool addReading(const QString &recordLine, qint64 upload, const QDateTime &arrived);
    // Marks every held reading with one of these record lines deleted.
    bool markDeleted(const QStringList &recordLines);

    // The record lines of the readings not deleted, by date (unreadable dates last, then by
    // arrival), in the struct the report reads a store into.
    StoreItems items() const;
    // The earliest readable date among them; null when there is none.
    QDate firstDate() const;

private:
    bool openFile();
    bool migrate();
    bool healthy();
    void moveAside(const QDateTime &now);
    bool import(const QString &file, const QDateTime &now);
    bool fail(const QString &what, const QString &error);
    bool insert(const QString &recordLine, qint64 upload, const QDateTime &arrived);
    bool count(qint64 upload, int received);

    QString m_connection;
    QString m_path;
    QString m_damagedPath;
    QString m_error;
    std::unique_ptr<QSqlQuery> m_insert;
    std::unique_ptr<QSqlQuery> m_count;
};
