#include "readingstore.h"

#include "atomicfile.h"
#include "programdir.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Health data: the store and its backup are for the user alone.
constexpr QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

const QString kDataTag = QStringLiteral("Data");
const QString kListTag = QStringLiteral("xt");
const QString kItemTag = QStringLiteral("item");

// The DOM drops a text run that is whitespace only, by QChar::isSpace (so also &#32; and &#xA0;),
// while CDATA always stays. The streaming reader has to drop exactly the same runs, or the
// positions that the values window hands back would point at other readings.
bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// The text a child of xt carries: an element gives its whole text content (text and CDATA of
// all its descendants, as QDomElement::text()); a text or CDATA node its characters; a comment
// its content; a processing instruction its data.
QString nodeText(const QDomNode &node)
{
    return node.isElement() ? node.toElement().text() : node.nodeValue();
}

bool readWhole(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Every write replaces the whole file atomically; the temporary file gets the private
// permissions before it takes the store's name.
bool writeAtomically(const QString &path, const QByteArray &bytes)
{
#ifdef Q_OS_UNIX
    return writeFileAtomically(path, bytes, kPrivate);
#else
    return writeFileAtomically(path, bytes);
#endif
}

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

enum class Load
{
    Loaded,
    Missing,
    Unreadable
};

// One load of the store: the document, its first xt under the document element Data, and the
// declaration to write back.
struct StoreDocument
{
    QDomDocument doc;
    QDomElement xt;
    QByteArray declaration;
};

Load loadStore(const QString &path, StoreDocument &store)
{
    if (!QFileInfo::exists(path))
        return Load::Missing;
    QByteArray bytes;
    if (!readWhole(path, bytes) || !store.doc.setContent(bytes))
        return Load::Unreadable;
    const QDomElement data = store.doc.documentElement();
    if (data.tagName() != kDataTag)
        return Load::Unreadable;
    store.xt = data.firstChildElement(kListTag);
    if (store.xt.isNull())
        return Load::Unreadable;
    store.declaration = rawDeclaration(bytes);
    return Load::Loaded;
}

// Indent 0: every element on its own line, no leading blanks, so one reading is one line.
bool saveStore(const QString &path, StoreDocument &store)
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
    return writeAtomically(path, bytes);
}

// XML 1.0 cannot hold every character; a record line that the next load would refuse or read
// differently must not get into the store, or every later append would fail on it.
bool storesAsIs(const QString &text)
{
    if (!text.isEmpty() && isBlank(text))
        return false; // a blank-only text reads back as empty
    for (int i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool allowed =
            c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}

// Removes the children of xt picked by `doomed` (called with the child's position and node)
// and saves; saves nothing when nothing goes.
template <typename Pick> bool removeChildren(const QString &path, Pick doomed)
{
    StoreDocument store;
    switch (loadStore(path, store)) {
    case Load::Missing:
        return true; // nothing to delete, and a delete never creates the store
    case Load::Unreadable:
        return false;
    case Load::Loaded:
        break;
    }
    QList<QDomNode> removed;
    int position = 0;
    for (QDomNode child = store.xt.firstChild(); !child.isNull(); child = child.nextSibling(), ++position) {
        if (doomed(position, child))
            removed.append(child);
    }
    if (removed.isEmpty())
        return true;
    for (QDomNode &child : removed)
        store.xt.removeChild(child);
    return saveStore(path, store);
}

} // namespace

bool SaveXmlItem(const QString &recordLine, const QString &path)
{
    if (!storesAsIs(recordLine))
        return false;
    StoreDocument store;
    if (loadStore(path, store) != Load::Loaded)
        return false;
    AddXmlNode(store.xt, kItemTag, recordLine);
    return saveStore(path, store);
}

void AddXmlNode(QDomElement &parent, const QString &name, const QString &text)
{
    QDomDocument doc = parent.ownerDocument();
    QDomElement e = doc.createElement(name);
    e.appendChild(doc.createTextNode(text));
    parent.appendChild(e);
}

bool DelXmlItem(const QString &path, const QStringList &keys)
{
    QStringList used;
    for (const QString &key : keys) {
        if (!key.isEmpty())
            used.append(key);
    }
    // Plain substrings: a key with * ? [ # in it matches only those characters.
    return removeChildren(path, [&used](int, const QDomNode &child) {
        const QString text = nodeText(child);
        return std::any_of(used.cbegin(), used.cend(),
                           [&text](const QString &key) { return text.contains(key, Qt::CaseSensitive); });
    });
}

bool DelXmlItemsAt(const QString &path, const QVector<StoreItemRef> &items)
{
    return removeChildren(path, [&items](int position, const QDomNode &child) {
        return std::any_of(items.cbegin(), items.cend(), [&](const StoreItemRef &ref) {
            return ref.position == position && nodeText(child) == ref.recordLine;
        });
    });
}

StoreItems ReadStoreItems(const QString &path)
{
    StoreItems result;
    if (!QFileInfo::exists(path))
        return result;
    result.status = StoreStatus::Unreadable;
    QByteArray bytes;
    if (!readWhole(path, bytes))
        return result;

    // The same reader that QDomDocument parses with, and the same rules for which text becomes a
    // node, so positions here are positions in the DOM's childNodes of xt.
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QStringList texts;
    int depth = 0;
    bool inList = false; // inside the first xt of Data
    bool seenList = false;
    QString element; // text gathered for the current child element of xt
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 1 && reader.qualifiedName() != kDataTag)
                return result;
            if (depth == 2 && !seenList && reader.qualifiedName() == kListTag) {
                inList = true;
                seenList = true;
            } else if (inList && depth == 3) {
                element.clear();
            }
            break;
        case QXmlStreamReader::EndElement:
            if (inList && depth == 3)
                texts.append(element);
            else if (inList && depth == 2)
                inList = false;
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (inList && (reader.isCDATA() || !isBlank(reader.text()))) {
                if (depth == 2)
                    texts.append(reader.text().toString());
                else
                    element += reader.text();
            }
            break;
        case QXmlStreamReader::Comment:
            if (inList && depth == 2)
                texts.append(reader.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (inList && depth == 2)
                texts.append(reader.processingInstructionData().toString());
            break;
        default:
            break;
        }
    }
    // atEnd() also ends on an error: only a document read to its end without one counts.
    if (reader.hasError() || !seenList)
        return result;
    result.status = StoreStatus::Ok;
    result.texts = std::move(texts);
    return result;
}

StoreResetResult ResetStoreFromTemplate(const QString &storePath, const QString &templatePath)
{
    if (QFileInfo::exists(storePath)) {
        QByteArray old;
        if (!readWhole(storePath, old) || !writeAtomically(ProgramDir::backupPath(storePath), old))
            return StoreResetResult::BackupFailed;
    }
    // A template that is not an empty-able store would leave a store no append can use.
    QByteArray fresh;
    if (ReadStoreItems(templatePath).status != StoreStatus::Ok || !readWhole(templatePath, fresh))
        return StoreResetResult::TemplateFailed;
    QDir().mkpath(QFileInfo(storePath).absolutePath());
    if (!writeAtomically(storePath, fresh))
        return StoreResetResult::TemplateFailed;
    return StoreResetResult::Ok;
}
