#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

// The store held as a DOM, and the one definition of the bytes a store is written as. Every save
// goes through serializeStore, so the full save and the quick append can be held to each other.

namespace StoreTags {
inline const QString data = QStringLiteral("Data");
inline const QString list = QStringLiteral("xt");
inline const QString item = QStringLiteral("item");
} // namespace StoreTags

// One load of the store: the document, its first xt under the document element Data, and the
// declaration to write back.
struct StoreDocument
{
    QDomDocument doc;
    QDomElement xt;
    QByteArray declaration;
};

// False when the bytes are not XML or lack Data or its xt.
bool parseStore(const QByteArray &bytes, StoreDocument &store);

// UTF-8, one element per line without indentation, '\n' line ends, and the declaration byte for
// byte as it was read. Takes the declaration node out of the document on the way.
QByteArray serializeStore(StoreDocument &store);

// One <item> holding `text`, as serializeStore writes it inside xt, line end included.
QByteArray serializeItem(const QString &text);
