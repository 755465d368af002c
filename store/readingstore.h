#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>

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
