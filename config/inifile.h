#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// The text of an INI file as lines of bytes, edited in place. Lines we do not understand are
// carried through untouched, byte for byte, so a write never disturbs the user's own edits.
class IniText
{
public:
    explicit IniText(const QByteArray &bytes = {});

    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;
    void setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    bool removeKey(const QByteArray &section, const QByteArray &key);
    bool removeSection(const QByteArray &section);
    QByteArray bytes() const;

private:
    struct SectionSpan
    {
        int header = -1; // line of "[name]"
        int end = 0;     // one past the section's last line
    };
    std::optional<SectionSpan> findSection(const QByteArray &section) const;
    int findKey(const SectionSpan &span, const QByteArray &key) const;

    QList<QByteArray> m_lines;
    QByteArray m_eol = "\n";
    bool m_finalEol = true;
};
