#include "patient.h"

#include "clsoperateini.h"

#include <QStringList>

namespace patient {

namespace {
const QString Section = QStringLiteral("patient");
}

Patient read(const QString &iniPath)
{
    clsOperateINI ini;
    ini.setINIFileName(iniPath);
    return {ini.GetIniKey(Section, QStringLiteral("name")).trimmed(),
            ini.GetIniKey(Section, QStringLiteral("birthdate")).trimmed(),
            ini.GetIniKey(Section, QStringLiteral("identifier")).trimmed()};
}

bool write(const QString &iniPath, const Patient &p)
{
    if (read(iniPath) == p)
        return true;
    clsOperateINI ini;
    ini.setINIFileName(iniPath);
    return ini.WriteIniKeys(Section,
                            {{QStringLiteral("name"), p.name.trimmed()},
                             {QStringLiteral("birthdate"), p.birthDate.trimmed()},
                             {QStringLiteral("identifier"), p.identifier.trimmed()}},
                            QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString line(const Patient &p)
{
    QStringList parts;
    if (!p.name.isEmpty())
        parts << p.name;
    if (!p.birthDate.isEmpty())
        parts << QStringLiteral("born ") + p.birthDate;
    if (!p.identifier.isEmpty())
        parts << QStringLiteral("ID ") + p.identifier;
    return parts.join(QStringLiteral(" \u00b7 "));
}

} // namespace patient
