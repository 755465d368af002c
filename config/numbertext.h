#pragma once

#include <QString>
#include <optional>

// Text-to-number conversions used on settings and stored texts. Each caller picks the one its
// rule asks for; they differ on purpose (rounding, range, what a bad text means).
namespace numbertext {

// The whole text (blanks around it allowed) as a finite number; nullopt when it is not one.
std::optional<double> toNumber(const QString &text);

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double v);
// Rounds halves away from zero (2.5 -> 3, -2.5 -> -3).
double roundHalfAway(double v);

// The whole text as a whole number within 16 or 32 bits, halves to the even neighbour;
// nullopt for an empty text, a text that is not a number, or one out of range.
std::optional<qint16> toInt16(const QString &text);
std::optional<qint32> toInt32(const QString &text);

// The number a text begins with: blanks anywhere are skipped, reading stops at the first
// character that cannot continue the number, and a text without one gives 0 ("45 Day" -> 45).
double leadingNumberSkippingBlanks(const QString &text);
// Like the above, but only leading blanks are skipped ("1 2" -> 1).
double leadingNumber(const QString &text);

// v with exactly one decimal, halves away from zero ("5.6", "-0.5", "101.0").
QString oneDecimal(double v);

} // namespace numbertext
