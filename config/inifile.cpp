#include "inifile.h"

namespace {

QByteArray trimmed(const QByteArray &s)
{
    return s.trimmed();
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return trimmed(a).toLower() == trimmed(b).toLower();
}

// "[name]" gives "name"; anything else is not a section line.
std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray t = trimmed(line);
    if (!t.startsWith('['))
        return std::nullopt;
    const int close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1);
}

// Blanks after the equals sign are layout; blanks at the end belong to the value.
QByteArray withoutLeadingBlanks(const QByteArray &s)
{
    qsizetype i = 0;
    while (i < s.size() && (s.at(i) == ' ' || s.at(i) == '\t'))
        ++i;
    return s.mid(i);
}

bool isComment(const QByteArray &line)
{
    const QByteArray t = trimmed(line);
    return t.startsWith(';') || t.startsWith('#');
}

} // namespace

IniText::IniText(const QByteArray &bytes)
{
    QByteArray text = bytes;
    if (text.contains("\r\n"))
        m_eol = "\r\n";
    m_finalEol = text.isEmpty() || text.endsWith('\n');
    if (text.endsWith('\n'))
        text.chop(1);
    if (text.endsWith('\r'))
        text.chop(1);
    if (bytes.isEmpty())
        return;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        m_lines.append(line);
    }
}

std::optional<IniText::SectionSpan> IniText::findSection(const QByteArray &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        QByteArray line = m_lines[i];
        if (i == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.mid(3);
        const auto name = sectionName(line);
        if (!name || !sameName(*name, section))
            continue;
        SectionSpan span;
        span.header = i;
        span.end = i + 1;
        while (span.end < m_lines.size() && !sectionName(m_lines[span.end]))
            ++span.end;
        return span;
    }
    return std::nullopt;
}

int IniText::findKey(const SectionSpan &span, const QByteArray &key) const
{
    for (int i = span.header + 1; i < span.end; ++i) {
        const QByteArray &line = m_lines[i];
        if (isComment(line))
            continue;
        const int eq = line.indexOf('=');
        if (eq > 0 && sameName(line.left(eq), key))
            return i;
    }
    return -1;
}

std::optional<QByteArray> IniText::value(const QByteArray &section, const QByteArray &key) const
{
    const auto span = findSection(section);
    if (!span)
        return std::nullopt;
    const int at = findKey(*span, key);
    if (at < 0)
        return std::nullopt;
    const QByteArray &line = m_lines[at];
    return withoutLeadingBlanks(line.mid(line.indexOf('=') + 1));
}

void IniText::setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray line = key + '=' + value;
    const auto span = findSection(section);
    if (!span) {
        if (!m_lines.isEmpty() && !trimmed(m_lines.last()).isEmpty())
            m_lines.append(QByteArray());
        m_lines.append('[' + section + ']');
        m_lines.append(line);
        m_finalEol = true;
        return;
    }
    const int at = findKey(*span, key);
    if (at >= 0) {
        m_lines[at] = line;
        return;
    }
    // A new key goes after the section's last non-blank line, so the blank line that
    // separates it from the next section stays where it was.
    int insertAt = span->end;
    while (insertAt > span->header + 1 && trimmed(m_lines[insertAt - 1]).isEmpty())
        --insertAt;
    m_lines.insert(insertAt, line);
}

bool IniText::removeKey(const QByteArray &section, const QByteArray &key)
{
    // A hand-edited file may name a key twice; once deleted, it must not read back at all.
    bool removed = false;
    for (auto span = findSection(section); span;) {
        const int at = findKey(*span, key);
        if (at < 0)
            break;
        m_lines.removeAt(at);
        removed = true;
        span = findSection(section);
    }
    return removed;
}

bool IniText::removeSection(const QByteArray &section)
{
    bool removed = false;
    while (const auto span = findSection(section)) {
        m_lines.remove(span->header, span->end - span->header);
        removed = true;
    }
    return removed;
}

QByteArray IniText::bytes() const
{
    QByteArray out;
    for (int i = 0; i < m_lines.size(); ++i) {
        out += m_lines[i];
        if (i + 1 < m_lines.size() || m_finalEol)
            out += m_eol;
    }
    return out;
}
