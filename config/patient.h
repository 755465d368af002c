#pragma once

#include <QString>

// Who a report is about, as the person typed it in the statistics window. Health data: kept in
// sys.ini's [patient] section alone, and the file is made private when it is written.
struct Patient
{
    QString name;
    QString birthDate;
    QString identifier;

    bool isEmpty() const { return name.isEmpty() && birthDate.isEmpty() && identifier.isEmpty(); }
    bool operator==(const Patient &o) const
    {
        return name == o.name && birthDate == o.birthDate && identifier == o.identifier;
    }
};

namespace patient {

Patient read(const QString &iniPath);
// False when the file could not be written; an empty patient never adds a section.
bool write(const QString &iniPath, const Patient &patient);
// "Name · born 1960-01-02 · ID 123", leaving out what is not known; "" for nobody.
QString line(const Patient &patient);

} // namespace patient
