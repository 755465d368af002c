#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>
#include <QVector>

// The reading store: one XML file, <Data><xt><item>record line</item>...</xt></Data>.
// The file on disk is the only state; every operation loads it and saves it whole.

// Appends one reading; false when the store cannot be loaded (or lacks Data/xt) or the save
// fails. The file is then left exactly as it was.
bool SaveXmlItem(const QString &recordLine, const QString &path);

// Appends <name>text</name> as the last child of parent, in the parent's own document.
void AddXmlNode(QDomElement &parent, const QString &name, const QString &text);

// Removes every reading whose record line contains one of the non-empty keys (plain,
// case-sensitive substrings). A missing store is left missing. False on failure.
bool DelXmlItem(const QString &path, const QStringList &keys);

// What the report reads: the text of every child node of xt, in document order.
enum class StoreStatus
{
    Ok,
    Missing,   // no file at the path
    Unreadable // not XML, or no Data or no xt
};
struct StoreItems
{
    StoreStatus status = StoreStatus::Missing;
    QStringList texts;
};
StoreItems ReadStoreItems(const QString &path);

// One reading picked by its place in the store (0-based, store order) and the record line the
// caller saw there.
struct StoreItemRef
{
    int position = -1;
    QString recordLine;
};
// Removes exactly these readings. A reading whose text is no longer what the caller saw is
// left in place. False when the store cannot be loaded or saved; the file is then unchanged.
bool DelXmlItemsAt(const QString &path, const QVector<StoreItemRef> &items);

// The start of an upload: the store is copied to its backup (path + ".back"), then the
// template is copied over the store. Both copies are readable by the user alone.
enum class StoreResetResult
{
    Ok,
    BackupFailed,  // a store exists but could not be copied: the store is untouched
    TemplateFailed // the template could not be copied: the store is kept or in the backup
};
StoreResetResult ResetStoreFromTemplate(const QString &storePath, const QString &templatePath);
