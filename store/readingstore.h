#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>
#include <QVector>

// The reading store: one XML file, <Data><xt><item>record line</item>...</xt></Data>.
// The file on disk is the only state; every operation saves it whole. An append skips loading
// it when the file is provably the one our previous append wrote (appendcache.h), and then
// writes exactly the bytes that loading it would have given.
//
// The children of xt: the store is the first xt element under the document element Data. Every
// child node of that xt is one entry, in document order: an element of any name (its text is its
// whole text content, text and CDATA of all descendants), a text run or a CDATA section (its
// characters), a comment (its content) or a processing instruction (its data). A text run that is
// whitespace only is no entry, inside elements either; CDATA always is. ReadStoreItems,
// DelXmlItem and DelXmlItemsAt all count and read entries by this one rule.
//
// What gets written: UTF-8, one element per line without indentation (QDomDocument indent 0), the
// XML declaration byte for byte as the file had it (so as the template had it), '\n' line ends.
// Every write goes to a temporary file that is renamed over the target and is made 0600 before
// the rename: the store and its backup are health data. A symbolic link at the store, its backup
// or the template is never read or written through.

// Appends one reading; false when the store is missing, cannot be loaded (or lacks Data/xt), the
// save fails, or the record line would not read back as it is (characters XML 1.0 cannot hold, or
// blanks only). The file is then left exactly as it was.
bool SaveXmlItem(const QString &recordLine, const QString &path);

// Appends <name>text</name> as the last child of parent, in the parent's own document.
void AddXmlNode(QDomElement &parent, const QString &name, const QString &text);

// Removes every entry whose text contains one of the non-empty keys (plain, case-sensitive
// substrings: * ? [ # match only themselves). A missing store is left missing and counts as
// success, as does a delete that matches nothing (the file is then not rewritten). False when the
// store cannot be loaded or the save fails; the file is then unchanged.
bool DelXmlItem(const QString &path, const QStringList &keys);

// What the report reads: the text of every child node of xt, in document order. Streams the
// file (no DOM) but checks it is well-formed to its very end.
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
// left in place, and so is a position outside the store: `notFound`, when given, counts them
// (the store changed since the caller read it). False when the store cannot be loaded or saved;
// the file is then unchanged. A missing store is left missing and counts as success, with every
// reading not found.
bool DelXmlItemsAt(const QString &path, const QVector<StoreItemRef> &items, int *notFound = nullptr);

// The start of an upload: the store is copied to its backup (path + ".back"), then the
// template is copied over the store. Both copies are readable by the user alone. No store yet:
// no backup is made (an older backup stays). The template must itself read as a store (Data
// with an xt), else TemplateFailed; the store's folder is created when missing.
enum class StoreResetResult
{
    Ok,
    BackupFailed,  // a store exists but could not be copied: the store is untouched
    TemplateFailed // the template could not be copied: the store is kept or in the backup
};
StoreResetResult ResetStoreFromTemplate(const QString &storePath, const QString &templatePath);
