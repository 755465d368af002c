#include "readingstore.h"

#include "appendcache.h"
#include "atomicfile.h"
#include "nolink.h"
#include "programdir.h"
#include "storedocument.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Health data: the store and its backup are for the user alone.
constexpr QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// About a thousand record lines; beyond that the byte array grows geometrically by itself.
constexpr qsizetype kSpliceHeadroom = 64 * 1024;

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
    QFile file;
    if (!nolink::openForReading(file, path))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Every write replaces the whole file atomically; the temporary file gets the private
// permissions before it takes the store's name.
bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(path, bytes, kPrivate);
}

// The layout the program writes a store in, read without the general XML reader: the template's
// declaration, one item to a line, printable ASCII between the tags. Nothing when the bytes are
// anything else, down to a blank item or a character a reader would resolve (an entity), or
// refuse ("]]>"); those go to the XML reader.
std::optional<QStringList> readProgramLayout(QByteArrayView bytes)
{
    constexpr QByteArrayView Head("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n");
    constexpr QByteArrayView Tail("</xt>\n</Data>\n");
    constexpr QByteArrayView Open("<item>");
    constexpr QByteArrayView Close("</item>\n");
    if (!bytes.startsWith(Head) || !bytes.endsWith(Tail) || bytes.size() < Head.size() + Tail.size())
        return std::nullopt;
    QByteArrayView rest = bytes.sliced(Head.size(), bytes.size() - Head.size() - Tail.size());
    QStringList texts;
    while (!rest.isEmpty()) {
        if (!rest.startsWith(Open))
            return std::nullopt;
        rest = rest.sliced(Open.size());
        qsizetype length = 0;
        bool blank = true;
        for (; length < rest.size() && rest.at(length) != '<'; ++length) {
            const char c = rest.at(length);
            if (c < 0x20 || c > 0x7e || c == '&' || c == '>')
                return std::nullopt;
            blank = blank && c == ' ';
        }
        if (length > 0 && blank)
            return std::nullopt;
        const QByteArrayView text = rest.first(length);
        rest = rest.sliced(length);
        if (!rest.startsWith(Close))
            return std::nullopt;
        rest = rest.sliced(Close.size());
        texts.append(QString::fromLatin1(text));
    }
    return texts;
}

// The entries of a store's bytes, by the one rule every operation counts them by; nothing when
// the bytes are no store.
std::optional<QStringList> readEntries(const QByteArray &bytes)
{
    if (std::optional<QStringList> texts = readProgramLayout(bytes))
        return texts;
    // The same reader that QDomDocument parses with, and the same rules for which text becomes a
    // node, so positions here are positions in the DOM's childNodes of xt.
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QStringList texts;
    int depth = 0;
    bool inList = false; // inside the first xt of Data
    bool seenList = false;
    bool seenRoot = false;
    QString element; // text gathered for the current child element of xt
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            seenRoot = true;
            if (depth == 1 && reader.qualifiedName() != StoreTags::data)
                return std::nullopt;
            if (depth == 2 && !seenList && reader.qualifiedName() == StoreTags::list) {
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
        case QXmlStreamReader::DTD:
            // The DOM refuses a DOCTYPE past the prolog: a store that reads here but cannot be
            // loaded there would show readings that can never be deleted.
            if (seenRoot)
                return std::nullopt;
            break;
        default:
            break;
        }
    }
    // atEnd() also ends on an error: only a document read to its end without one counts.
    if (reader.hasError() || !seenList)
        return std::nullopt;
    return texts;
}

// The entries the DOM holds now, counted as readEntries counts them in the saved bytes.
QStringList domEntries(const QDomElement &xt)
{
    QStringList texts;
    for (QDomNode child = xt.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isText() && !child.isCDATASection() && isBlank(child.nodeValue()))
            continue;
        texts.append(nodeText(child));
    }
    return texts;
}

// The bytes to save, only when they read back as exactly the entries the DOM holds. A store
// with odd content (text beside items, processing instructions, a declared encoding other than
// UTF-8) can serialise into something that reads differently: two texts joined by a delete, a
// line break after an instruction, a store that no longer parses. Such an edit is refused and
// the file stays as it was, rather than silently changing what the user's store holds.
std::optional<QByteArray> checkedBytes(StoreDocument &store)
{
    const QStringList expected = domEntries(store.xt);
    QByteArray bytes = serializeStore(store);
    if (readEntries(bytes) != expected)
        return std::nullopt;
    return bytes;
}

enum class Load
{
    Loaded,
    Missing,
    Unreadable
};

Load loadStore(const QString &path, StoreDocument &store)
{
    if (!QFileInfo::exists(path))
        return Load::Missing;
    QByteArray bytes;
    if (!readWhole(path, bytes) || !parseStore(bytes, store))
        return Load::Unreadable;
    return Load::Loaded;
}

bool saveStore(const QString &path, StoreDocument &store)
{
    const std::optional<QByteArray> bytes = checkedBytes(store);
    return bytes && writeAtomically(path, *bytes);
}

// The file as our own commit left it, or nothing when it is no longer (or cannot be shown to
// be) the bytes we wrote. Taken right after the commit, before anyone else is likely to write.
std::optional<FileStamp> stampOfOurs(const QString &path, const QByteArray &bytes)
{
    const std::optional<FileStamp> stamp = FileStamp::of(path);
    if (!stamp || stamp->size != bytes.size())
        return std::nullopt;
    return stamp;
}

// The quick append: the item's line spliced into the bytes our last append wrote, which gives
// exactly what a full load, append and save would write. Nothing when the store is not provably
// those bytes; the caller then does the full load.
std::optional<bool> appendToSaved(const QString &recordLine, const QString &path)
{
    std::optional<SavedStore> saved = appendCache().take(path);
    if (!saved)
        return std::nullopt;
    const QByteArray line = serializeItem(recordLine);
    saved->bytes.insert(saved->insertAt, line);
    if (!writeAtomically(path, saved->bytes))
        return false; // the file is as it was; the next append loads it in full
    const std::optional<FileStamp> stamp = stampOfOurs(path, saved->bytes);
    if (stamp && itemLineIsStable(line)) {
        saved->stamp = *stamp;
        saved->insertAt += line.size();
        appendCache().keep(std::move(*saved));
    }
    return true;
}

// The full append: load, add, save; then find out whether the next append may splice.
bool appendByLoading(const QString &recordLine, const QString &path)
{
    StoreDocument store;
    if (loadStore(path, store) != Load::Loaded)
        return false;
    AddXmlNode(store.xt, StoreTags::item, recordLine);
    std::optional<QByteArray> checked = checkedBytes(store);
    if (!checked || !writeAtomically(path, *checked))
        return false;
    QByteArray bytes = std::move(*checked);
    const std::optional<FileStamp> stamp = stampOfOurs(path, bytes);
    if (!stamp)
        return true;
    if (const std::optional<qsizetype> insertAt = provenInsertPoint(bytes)) {
        // Room for the lines of the appends to come, so that they do not copy the whole store.
        bytes.reserve(bytes.size() + kSpliceHeadroom);
        appendCache().keep({path, *stamp, std::move(bytes), *insertAt});
    }
    return true;
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
    appendCache().forget(); // the store is about to change under it
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
    if (const std::optional<bool> appended = appendToSaved(recordLine, path))
        return *appended;
    return appendByLoading(recordLine, path);
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

bool DelXmlItemsAt(const QString &path, const QVector<StoreItemRef> &items, int *notFound)
{
    qsizetype found = 0;
    const bool done = removeChildren(path, [&items, &found](int position, const QDomNode &child) {
        const auto matching = std::count_if(items.cbegin(), items.cend(), [&](const StoreItemRef &ref) {
            return ref.position == position && nodeText(child) == ref.recordLine;
        });
        found += matching;
        return matching > 0;
    });
    if (notFound)
        *notFound = done ? int(items.size() - found) : 0;
    return done;
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
    if (std::optional<QStringList> texts = readEntries(bytes)) {
        result.status = StoreStatus::Ok;
        result.texts = std::move(*texts);
    }
    return result;
}

StoreResetResult ResetStoreFromTemplate(const QString &storePath, const QString &templatePath)
{
    appendCache().forget(); // the store is about to change under it
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
