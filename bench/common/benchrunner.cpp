#include "benchrunner.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace bench {
namespace {

constexpr int kSmokeSamples = 2;

double milliseconds(Nanoseconds t)
{
    return std::chrono::duration<double, std::milli>(t).count();
}

Nanoseconds median(std::vector<Nanoseconds> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The median of work/floor over the pairs rather than the ratio of the medians: a pair is timed
// back to back, so a disk that is busy for a while (other processes flushing) slows both halves
// of one pair, where it could slow the work's median and not the floor's.
double pairedRatio(const std::vector<Nanoseconds> &work, const std::vector<Nanoseconds> &floor)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < work.size() && i < floor.size(); ++i) {
        if (floor[i].count() > 0)
            ratios.push_back(double(work[i].count()) / double(floor[i].count()));
    }
    if (ratios.empty())
        return 0;
    std::sort(ratios.begin(), ratios.end());
    const size_t mid = ratios.size() / 2;
    return ratios.size() % 2 ? ratios[mid] : (ratios[mid - 1] + ratios[mid]) / 2;
}

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// One line per case, fields separated by tabs: the format bench/run reads.
void printResult(const std::string &name, const std::string &median, const std::string &floor,
                 const std::string &ratio, const std::string &target, const std::string &verdict)
{
    std::printf("RESULT\t%s\t%s\t%s\t%s\t%s\t%s\n", name.c_str(), median.c_str(), floor.c_str(),
                ratio.c_str(), target.c_str(), verdict.c_str());
    std::fflush(stdout);
}

} // namespace

Runner::Runner(int argc, char **argv)
{
    QString dir;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--smoke") == 0) {
            m_smoke = true;
        } else if (std::strcmp(argv[i], "--verbose") == 0) {
            m_verbose = true;
        } else if (std::strcmp(argv[i], "--samples") == 0 && hasValue) {
            m_samples = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--filter") == 0 && hasValue) {
            m_filter = argv[++i];
        } else if (std::strcmp(argv[i], "--dir") == 0 && hasValue) {
            dir = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "unknown option %s\n"
                         "options: --samples N  --filter TEXT  --dir PATH  --smoke  --verbose\n",
                         argv[i]);
            m_badOptions = true;
        }
    }
    if (m_smoke)
        m_samples = kSmokeSamples;
    m_folder = std::make_unique<QTemporaryDir>((dir.isEmpty() ? QDir::tempPath() : dir) +
                                               QStringLiteral("/quillon-bench-XXXXXX"));
    if (!m_folder->isValid()) {
        std::fprintf(stderr, "cannot make a work folder: %s\n", qPrintable(m_folder->errorString()));
        m_badOptions = true;
    }
    m_workDir = m_folder->path();
}

Runner::~Runner() = default;

bool Runner::selected(const std::string &name, bool smokeCase) const
{
    if (m_smoke && !smokeCase)
        return false;
    return m_filter.empty() || name.find(m_filter) != std::string::npos;
}

int Runner::run()
{
    if (m_badOptions)
        return 2;
    bool missed = false;
    bool failed = false;

    for (const RatioCase &c : m_ratioCases) {
        if (!selected(c.name, c.smoke))
            continue;
        const int samples = m_smoke ? m_samples : (c.samples > 0 ? c.samples : m_samples);
        std::fprintf(stderr, "%s: %d samples\n", c.name.c_str(), samples);
        std::vector<Nanoseconds> work;
        std::vector<Nanoseconds> floor;
        try {
            if (!m_smoke)
                c.sample(); // warm-up: page cache, allocator, lazy symbol binding
            for (int i = 0; i < samples; ++i) {
                const Pair pair = c.sample();
                work.push_back(pair.work);
                floor.push_back(pair.floor);
                if (m_verbose)
                    std::fprintf(stderr, "  work %.3f ms  floor %.3f ms\n", milliseconds(pair.work),
                                 milliseconds(pair.floor));
            }
        } catch (const std::exception &e) {
            failed = true;
            printResult(c.name, "-", "-", "-", "-", std::string("FAILED: ") + e.what());
            continue;
        }
        const double workMs = milliseconds(median(work));
        const double floorMs = milliseconds(median(floor));
        const double ratio = pairedRatio(work, floor);
        std::string target = "-";
        std::string verdict = "-";
        if (c.maxRatio > 0) {
            target = format("<= %gx", c.maxRatio);
            const bool met = ratio > 0 && ratio <= c.maxRatio;
            verdict = met ? "ok" : "MISS";
            missed = missed || !met;
        }
        printResult(c.name, format("%.3f ms", workMs), format("%.3f ms", floorMs), format("%.2fx", ratio),
                    target, verdict);
    }

    for (const LimitCase &c : m_limitCases) {
        if (!selected(c.name, c.smoke))
            continue;
        std::fprintf(stderr, "%s\n", c.name.c_str());
        double value = 0;
        try {
            value = c.measure();
        } catch (const std::exception &e) {
            failed = true;
            printResult(c.name, "-", "-", "-", "-", std::string("FAILED: ") + e.what());
            continue;
        }
        const bool met = value <= c.limit;
        missed = missed || !met;
        printResult(c.name, format("%.1f ", value) + c.unit, "-", "-", format("<= %g ", c.limit) + c.unit,
                    met ? "ok" : "MISS");
    }

    if (failed)
        return 2;
    // Smoke runs prove the cases still work; two samples say nothing about speed.
    return missed && !m_smoke ? 1 : 0;
}

} // namespace bench
