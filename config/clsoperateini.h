#pragma once

#include <QString>

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
    // Returns false only when the file could not be written; callers that do not care may
    // ignore it, as the settings window does.
    bool WriteIniKey(const QString &strSection, const QString &strKey, const QString &strValue) const;
    // "" when the file, the section or the key is missing.
    QString GetIniKey(const QString &strSection, const QString &strKey) const;
    void setINIFileName(const QString &New_IniPath) { m_path = New_IniPath; }
    QString INIFileName() const { return m_path; }
    bool DelIniKey(const QString &SectionName, const QString &KeyWord) const;
    bool DelIniSec(const QString &SectionName) const;

private:
    QString m_path;
};
