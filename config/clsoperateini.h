#pragma once

#include <QFileDevice>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// Reads and writes one value at a time in an INI file. Nothing is cached: every read goes to
// the file and every write reaches it at once, so two instances always agree.
//
// Values keep their commas ("9600,n,8,1" stays one text), names match case-insensitively,
// and a write touches only the one line it is about: comments, unknown keys and their order
// stay as the user left them. Writes are atomic, so a crash never leaves half a file.
class clsOperateINI
{
public:
    // The longest value a read gives back; longer ones are cut.
    static constexpr int MaxValueLength = 1023;

    // Joins a directory and a relative part with exactly one separator between them.
    void CreateIni(const QString &strdrv, const QString &strDir);
    // Returns false when the file could not be written, or when it exists but could not be
    // read: it is then left exactly as it was. Callers that do not care may ignore it, as the
    // settings window does.
    bool WriteIniKey(const QString &strSection, const QString &strKey, const QString &strValue) const;
    // Several keys of one section in a single atomic write; `permissions`, when given, are set
    // on the file as it is replaced (health data makes the whole file private).
    bool WriteIniKeys(const QString &strSection, const QList<QPair<QString, QString>> &keys,
                      std::optional<QFileDevice::Permissions> permissions = std::nullopt) const;
    // "" when the file, the section or the key is missing, or the file cannot be read. Leading
    // blanks are dropped; trailing ones are part of the value.
    QString GetIniKey(const QString &strSection, const QString &strKey) const;
    void setINIFileName(const QString &New_IniPath) { m_path = New_IniPath; }
    QString INIFileName() const { return m_path; }
    // False when the file exists but cannot be read, so that no write could keep its settings.
    bool readable() const;
    bool DelIniKey(const QString &SectionName, const QString &KeyWord) const;
    bool DelIniSec(const QString &SectionName) const;

private:
    QString m_path;
};
