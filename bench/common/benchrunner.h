#pragma once

// A small harness for cases that are judged against a floor taken in the same run. On a shared
// machine absolute times are noise; the ratio of a case to the bare minimum of the same work,
// measured back to back, is not.
//
// Each case prints one tab-separated RESULT line; bench/run gathers them from every benchmark
// executable into one table.

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class QTemporaryDir;

namespace bench {

using Nanoseconds = std::chrono::nanoseconds;

template <typename Work> Nanoseconds timed(Work &&work)
{
    const auto start = std::chrono::steady_clock::now();
    std::forward<Work>(work)();
    return std::chrono::duration_cast<Nanoseconds>(std::chrono::steady_clock::now() - start);
}

// Thrown by a case whose work did not do what it should: a benchmark of wrong work is worthless.
struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// One sample of a ratio case: the work and its floor, measured back to back so that both see
// the same machine.
struct Pair
{
    Nanoseconds work{};
    Nanoseconds floor{};
};

// Passes when the work takes at most maxRatio times its floor: the median, over the samples, of
// each sample's work divided by its floor. A maxRatio of 0 shows the figures without a target.
struct RatioCase
{
    std::string name;
    double maxRatio = 0;
    std::function<Pair()> sample; // untimed set-up inside; throws Failure on wrong results
    bool smoke = false;           // also run by the smoke test: keep such cases small
    int samples = 0;              // 0: the runner's count
};

// Passes when the measured value is at most `limit` (peak memory and the like).
struct LimitCase
{
    std::string name;
    std::string unit;
    double limit = 0;
    std::function<double()> measure;
    bool smoke = false;
};

class Runner
{
public:
    // Options: --samples N, --filter TEXT (cases whose name contains it), --dir PATH (where the
    // cases put their files), --smoke (only the smoke cases, few samples, targets not enforced),
    // --verbose (every sample on stderr).
    Runner(int argc, char **argv);

    bool smoke() const { return m_smoke; }
    // A fresh folder for the cases' files, removed when the runner goes.
    QString workDir() const { return m_workDir; }

    void add(RatioCase ratioCase) { m_ratioCases.push_back(std::move(ratioCase)); }
    void add(LimitCase limitCase) { m_limitCases.push_back(std::move(limitCase)); }

    // Runs the cases, prints their RESULT lines, and gives the exit code: 0 all targets met (or
    // smoke), 1 a target missed, 2 a case failed or bad options.
    int run();

    ~Runner();

private:
    bool selected(const std::string &name, bool smokeCase) const;

    int m_samples = 21;
    bool m_smoke = false;
    bool m_verbose = false;
    bool m_badOptions = false;
    std::string m_filter;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_workDir;
    std::vector<RatioCase> m_ratioCases;
    std::vector<LimitCase> m_limitCases;
};

} // namespace bench
