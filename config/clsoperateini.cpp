#include "clsoperateini.h"

#include "atomicfile.h"
#include "inifile.h"
#include "nolink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// A line break inside a name or a value would start a line of its own and so could plant a
// key the user never wrote; it is stored as a blank instead.
QByteArray oneLine(const QString &text)
{
    QString s = text;
    s.replace(u'\r', u' ');
    s.replace(u'\n', u' ');
    return s.toUtf8();
}

// The file's bytes, and none for a missing file; nullopt when the file is there but cannot be
// read whole. Taking such a file for an empty one would let the next write replace every
// setting in it with a single key.
std::optional<QByteArray> readFile(const QString &path)
{
    QFile file;
    if (!nolink::openForReading(file, path)) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return QByteArray();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The file as an INI text to edit; nullopt when it is there but cannot be read whole.
std::optional<IniText> loadIni(const QString &path)
{
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return IniText(*bytes);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(path, bytes);
}

} // namespace

void clsOperateINI::CreateIni(const QString &strdrv, const QString &strDir)
{
    QString drive = strdrv;
    QString dir = strDir;
    while (!drive.isEmpty() && isSeparator(drive.back()))
        drive.chop(1);
    while (!dir.isEmpty() && isSeparator(dir.front()))
        dir.remove(0, 1);
    m_path = drive + QDir::separator() + dir;
}

bool clsOperateINI::WriteIniKey(const QString &strSection, const QString &strKey,
                                const QString &strValue) const
{
    if (m_path.isEmpty())
        return false;
    auto ini = loadIni(m_path);
    if (!ini)
        return false;
    const QByteArray before = ini->bytes();
    ini->setValue(oneLine(strSection), oneLine(strKey), oneLine(strValue));
    const QByteArray after = ini->bytes();
    if (after == before && QFile::exists(m_path))
        return true;
    return writeFile(m_path, after);
}

bool clsOperateINI::WriteIniKeys(const QString &strSection, const QList<QPair<QString, QString>> &keys,
                                 std::optional<QFileDevice::Permissions> permissions) const
{
    if (m_path.isEmpty())
        return false;
    auto ini = loadIni(m_path);
    if (!ini)
        return false;
    for (const auto &[key, value] : keys)
        ini->setValue(oneLine(strSection), oneLine(key), oneLine(value));
    return writeFileAtomically(m_path, ini->bytes(), permissions);
}

QString clsOperateINI::GetIniKey(const QString &strSection, const QString &strKey) const
{
    if (m_path.isEmpty())
        return QString();
    const auto bytes = readFile(m_path);
    if (!bytes)
        return QString();
    const auto value = IniText(*bytes).value(strSection.toUtf8(), strKey.toUtf8());
    if (!value)
        return QString();
    // Decoded as it stands: a value that happens to begin with a byte order mark keeps it.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = QString(decode(*value)).left(MaxValueLength);
    text.remove(QChar(0));
    return text;
}

bool clsOperateINI::readable() const
{
    return readFile(m_path).has_value();
}

bool clsOperateINI::DelIniKey(const QString &SectionName, const QString &KeyWord) const
{
    auto ini = loadIni(m_path);
    if (!ini)
        return false;
    if (!ini->removeKey(SectionName.toUtf8(), KeyWord.toUtf8()))
        return true;
    return writeFile(m_path, ini->bytes());
}

bool clsOperateINI::DelIniSec(const QString &SectionName) const
{
    auto ini = loadIni(m_path);
    if (!ini)
        return false;
    if (!ini->removeSection(SectionName.toUtf8()))
        return true;
    return writeFile(m_path, ini->bytes());
}
