#include "labelwidth.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <vector>

namespace {

// Up to this many labels each one is simply measured.
constexpr qsizetype MeasureEachLimit = 256;
// Labels checked against the shaper besides the widest ones, spread over the whole table.
constexpr qsizetype CheckedSpread = 32;
constexpr qsizetype CheckedWidest = 16;

double measureEach(const QFontMetricsF &metrics, const QStringList &labels)
{
    double widest = 0;
    for (const QString &label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    return widest;
}

} // namespace

// The widest label as the font measures it. Measuring a label shapes it afresh, which for tens
// of thousands of labels costs more than the whole rest of the report. The labels are short and
// use a handful of characters, so a label's width is taken as its characters' advances plus the
// kerning of each adjacent pair, from a table measured once for the characters present. Advances
// are whole 64ths of a pixel, so the sums are exact. The table is checked against the shaper on
// the widest labels and on a spread of others: a font that shapes these characters any other
// way is caught there, and then every label is measured after all.
double widestLabel(const QFontMetricsF &metrics, const QStringList &labels)
{
    const qsizetype n = labels.size();
    if (n <= MeasureEachLimit)
        return measureEach(metrics, labels);

    // Printable ASCII only: beyond it lie marks, surrogates and scripts that shape in context.
    constexpr char16_t First = 0x20;
    constexpr char16_t Last = 0x7e;
    std::array<int, Last + 1> slot;
    slot.fill(-1);
    QString chars;
    for (const QString &label : labels) {
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            if (u < First || u > Last)
                return measureEach(metrics, labels);
            if (slot[u] < 0) {
                slot[u] = int(chars.size());
                chars.append(c);
            }
        }
    }
    const qsizetype k = chars.size();
    std::vector<double> advance(size_t(k), 0.0);
    std::vector<double> kerning(size_t(k * k), 0.0);
    for (qsizetype a = 0; a < k; ++a)
        advance[size_t(a)] = metrics.horizontalAdvance(QString(chars.at(a)));
    for (qsizetype a = 0; a < k; ++a) {
        for (qsizetype b = 0; b < k; ++b) {
            const QString pair = QString(chars.at(a)) + chars.at(b);
            kerning[size_t(a * k + b)] =
                metrics.horizontalAdvance(pair) - advance[size_t(a)] - advance[size_t(b)];
        }
    }
    auto modelled = [&](const QString &label) {
        double width = 0;
        int previous = -1;
        for (const QChar c : label) {
            const int s = slot[c.unicode()];
            width += advance[size_t(s)];
            if (previous >= 0)
                width += kerning[size_t(previous * k + s)];
            previous = s;
        }
        return width;
    };

    std::vector<double> widths(static_cast<size_t>(n));
    double widest = 0;
    for (qsizetype i = 0; i < n; ++i) {
        widths[size_t(i)] = modelled(labels.at(i));
        widest = std::max(widest, widths[size_t(i)]);
    }
    auto agrees = [&](qsizetype i) { return metrics.horizontalAdvance(labels.at(i)) == widths[size_t(i)]; };
    qsizetype checkedWidest = 0;
    for (qsizetype i = 0; i < n && checkedWidest < CheckedWidest; ++i) {
        if (widths[size_t(i)] == widest) {
            if (!agrees(i))
                return measureEach(metrics, labels);
            ++checkedWidest;
        }
    }
    for (qsizetype c = 0; c < CheckedSpread; ++c) {
        if (!agrees(c * (n - 1) / (CheckedSpread - 1)))
            return measureEach(metrics, labels);
    }
    return widest;
}
