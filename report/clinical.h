#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>
#include <array>
#include <optional>

// What a clinician reads first: the consensus bands, the day's pattern hour by hour, the
// time-of-day windows with the night split in two, and every low. Decided on mg/dL values
// (the meter's Low and High already counted at its limits), so no count depends on the unit.
namespace clinical {

enum Band
{
    VeryLow,
    Low,
    InRange,
    High,
    VeryHigh,
    BandCount
};
Band band(double mgdl);
// "< 54 mg/dL" … "> 13.9 mmol/L": the edges as clinics print them, not converted on the fly.
QString bandRange(Band b, bool mmol);
QString bandName(Band b);

// Whole percent shares that add up to 100 (largest remainder); all 0 when there is nothing.
std::array<int, BandCount> shares(const std::array<int, BandCount> &counts);

constexpr double LowLevel = 70;      // mg/dL: a reading below is a low
constexpr int SpreadMinReadings = 5; // an hour with fewer shows its points alone

// The 10th, 25th, 50th, 75th and 90th percentile, linear between the sorted values.
using Spread = std::array<double, 5>;
Spread spread(QVector<double> values);

struct Hour
{
    QVector<double> values; // mg/dL, as taken
    std::optional<Spread> spread;
};

// Time-of-day windows of the document: the view's three, with the night split at 22:00.
enum Window
{
    Morning,
    Noon,
    Evening,
    Overnight,
    WindowCount
};
Window window(int hour);
QString windowName(Window w);
QString windowHours(Window w);

struct WindowFigures
{
    QVector<double> values;
    int lows = 0;
};

struct LowReading
{
    std::optional<QDate> date;
    std::optional<QTime> time;
    double mgdl = 0;
    bool meterLow = false; // the meter showed "Low"
    std::optional<Window> window;
};

struct Pattern
{
    std::array<Hour, 24> hours;
    std::array<WindowFigures, WindowCount> windows;
    QVector<LowReading> lows; // most recent first
};

struct Taken
{
    double mgdl = 0; // counted value
    bool meterLow = false;
    std::optional<QDate> date;
    std::optional<QTime> time;
    std::optional<double> hourValue;
};
Pattern pattern(const QVector<Taken> &period);

} // namespace clinical
