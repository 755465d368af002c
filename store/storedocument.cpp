#include "storedocument.h"

namespace {

// The XML declaration exactly as the file has it. QDomDocument would rewrite it (single quotes),
// and the store keeps the declaration of the template it was made from.
QByteArray rawDeclaration(const QByteArray &bytes)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const int start = bytes.startsWith(bom) ? bom.size() : 0;
    if (bytes.mid(start, 5) != "<?xml")
        return {};
    const int end = bytes.indexOf("?>", start);
    return end < 0 ? QByteArray() : bytes.mid(start, end + 2 - start);
}

} // namespace

bool parseStore(const QByteArray &bytes, StoreDocument &store)
{
    if (!store.doc.setContent(bytes))
        return false;
    const QDomElement data = store.doc.documentElement();
    if (data.tagName() != StoreTags::data)
        return false;
    store.xt = data.firstChildElement(StoreTags::list);
    if (store.xt.isNull())
        return false;
    store.declaration = rawDeclaration(bytes);
    return true;
}

// Indent 0: every element on its own line, no leading blanks, so one reading is one line.
QByteArray serializeStore(StoreDocument &store)
{
    QByteArray bytes;
    const QDomNode first = store.doc.firstChild();
    if (!store.declaration.isEmpty() && first.isProcessingInstruction() && first.nodeName() == "xml") {
        store.doc.removeChild(first);
        bytes = store.declaration + '\n';
    }
    // toByteArray() writes UTF-8 whatever the declaration says; record lines are ASCII, which
    // reads the same in any ASCII-based encoding a template could declare.
    bytes += store.doc.toByteArray(0);
    return bytes;
}

// The DOM's own writer does the escaping, so the quick append escapes exactly as a full save.
// At indent 0 an element's bytes do not depend on where it stands.
QByteArray serializeItem(const QString &text)
{
    QDomDocument doc;
    QDomElement item = doc.createElement(StoreTags::item);
    item.appendChild(doc.createTextNode(text));
    doc.appendChild(item);
    return doc.toByteArray(0);
}
