// SPDX-License-Identifier: GPL-3.0-or-later
// Timing helpers of the widget benchmarks: wall-clock and processor time of a run, the median
// of several runs, and Qt's offscreen platform unless the caller chose one.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <functional>
#include <vector>

#include <sys/resource.h>

namespace QbBench {

// Milliseconds of wall-clock time and of processor time (this process and the children it
// waited for).
struct Timing
{
    double wall = 0;
    double cpu = 0;
};

inline double cpuMs()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        for (const timeval &t : {usage.ru_utime, usage.ru_stime})
            total += double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    }
    return total;
}

inline Timing measure(const std::function<void()> &run)
{
    QElapsedTimer timer;
    const double cpuStart = cpuMs();
    timer.start();
    run();
    return {double(timer.nsecsElapsed()) / 1e6, cpuMs() - cpuStart};
}

// The medians of `rounds` runs (REQUIRES: rounds > 0), wall and processor time each on its own.
inline Timing median(int rounds, const std::function<void()> &run)
{
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int i = 0; i < rounds; ++i) {
        const Timing t = measure(run);
        walls.push_back(t.wall);
        cpus.push_back(t.cpu);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

// Before the application object: widgets on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise, so that a benchmark runs without a display.
inline void useOffscreenUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The value of "--runs N" among the program's arguments (at least 1), or `fallback`.
inline int runsArgument(const QStringList &args, int fallback)
{
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    return at > 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : fallback;
}

} // namespace QbBench
