// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the engine benchmarks (plain C++, no Qt): the machine's load, printed beside the
// figures since other processes share it, and this process's processor time.
#pragma once

#include <ctime>
#include <fstream>
#include <string>

namespace QbBench {

// The one-minute load average from /proc/loadavg.
inline std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one;
}

// Milliseconds of processor time this process has used.
inline double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

} // namespace QbBench
