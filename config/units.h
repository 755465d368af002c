#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringView>

// The two units a glucose value is shown in. The store and every setting hold mg/dL; mmol/L is
// only ever shown, by dividing, so a value converted twice cannot drift.
namespace units {

inline constexpr double MgPerMmol = 18.0;

// The unit box's entries, as the INI file and the average caption also write them.
inline constexpr QLatin1String MmolBoxText("mmol/l");
inline constexpr QLatin1String MgdlBoxText("mg/dl");

// The unit's own name, as a document or a figure writes it.
inline constexpr QLatin1String MmolName("mmol/L");
inline constexpr QLatin1String MgdlName("mg/dL");

// The box picks mmol/L with exactly its entry's text; anything else is mg/dL.
inline bool isMmol(QStringView unitText)
{
    return unitText == MmolBoxText;
}

inline QString name(bool mmol)
{
    return mmol ? QString(MmolName) : QString(MgdlName);
}

// mg/dL as mmol/L with exactly one decimal, halves away from zero (123 -> "6.8").
QString mmolText(double mgdl);

// A range setting as the settings window shows it in the display unit: as stored, or in mmol/L
// with one decimal; a text that is no number as it stands.
QString settingShown(const QString &stored, bool mmol);
// What is stored for a range typed in the display unit: mmol/L back to whole mg/dL; a text
// that is no number as typed, for the check to refuse.
QString settingStored(const QString &typed, bool mmol);

} // namespace units
