#pragma once

#include <QRgb>

// The charts' colours, each named once for the window's chart and the PDF's pages. Each line's
// colour keeps a contrast ratio of at least 3:1 (WCAG's figure for graphics) against the plot's
// background, whatever the platform's theme: the ratios are given beside them.
namespace chartcolours {

constexpr QRgb PlotBackground = 0xffffffff;
constexpr QRgb Readings = 0xff1f5fbf;   // blue, 6.1:1; the readings' line and markers, the PDF's dots
constexpr QRgb NormalHigh = 0xffb35900; // amber, 4.8:1, dashed
constexpr QRgb NormalLow = 0xffc62828;  // red, 5.6:1, dash-dotted

} // namespace chartcolours
