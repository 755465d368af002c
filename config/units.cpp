#include "units.h"

#include "numbertext.h"

namespace units {

QString mmolText(double mgdl)
{
    return numbertext::oneDecimal(mgdl / MgPerMmol);
}

QString settingShown(const QString &stored, bool mmol)
{
    const auto mgdl = numbertext::toNumber(stored);
    return mmol && mgdl ? mmolText(*mgdl) : stored;
}

QString settingStored(const QString &typed, bool mmol)
{
    const auto value = numbertext::toNumber(typed);
    if (!mmol || !value)
        return typed;
    return QString::number(numbertext::roundHalfAway(*value * MgPerMmol), 'f', 0);
}

} // namespace units
