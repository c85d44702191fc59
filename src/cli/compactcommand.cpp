// SPDX-License-Identifier: GPL-3.0-or-later
// quillbox-mdb compact: a copy of the library holding only its live rows, checked before it
// replaces the original (or lands at OUT). A large library takes seconds: on a terminal the
// current step and its share done are shown on standard error, and Ctrl+C stops the
// compaction cleanly (the original unchanged, no temporary file left).
#include "cli/command.h"

#include "jet/write/compactor.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace Qb::Cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

// SIGINT and SIGTERM only set a flag while it lives; the compaction polls it between units.
class InterruptGuard
{
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }

private:
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

const char *stepName(Jet::CompactStep step)
{
    switch (step) {
    case Jet::CompactStep::CheckOriginal: return "checking the library";
    case Jet::CompactStep::Copy: return "reading";
    case Jet::CompactStep::Rewrite: return "rewriting the rows";
    case Jet::CompactStep::CheckCopy: return "checking the copy";
    case Jet::CompactStep::Write: return "writing";
    case Jet::CompactStep::CheckWritten: return "checking the written file";
    }
    return "";
}

// One status line on a terminal, redrawn at most ten times a second and at each new step.
class ProgressLine
{
public:
    bool update(Jet::CompactStep step, std::uint64_t done, std::uint64_t total)
    {
        if (!m_shown)
            return !g_interrupted;
        const auto now = std::chrono::steady_clock::now();
        if (step == m_step && now - m_drawn < std::chrono::milliseconds(100))
            return !g_interrupted;
        m_step = step;
        m_drawn = now;
        const int percent = total ? int(done * 100 / total) : 0;
        std::fprintf(stderr, "\r\033[Kcompact: step %d of %d, %s %d%%", int(step) + 1, Jet::CompactStepCount,
                     stepName(step), percent);
        return !g_interrupted;
    }
    ~ProgressLine()
    {
        if (m_shown && m_drawn != std::chrono::steady_clock::time_point())
            std::fprintf(stderr, "\r\033[K");
    }

private:
    bool m_shown = isatty(STDERR_FILENO) == 1;
    Jet::CompactStep m_step = Jet::CompactStep::CheckOriginal;
    std::chrono::steady_clock::time_point m_drawn;
};

int runCompact(const Arguments &args)
{
    const std::string out = args.positional.size() > 1 ? args.positional[1] : std::string();
    InterruptGuard interrupts;
    Jet::Result<Jet::CompactReport> report;
    {
        ProgressLine line;
        report = Jet::compactFile(args.positional[0], out, args.password,
                                  [&line](Jet::CompactStep step, std::uint64_t done, std::uint64_t total) {
                                      return line.update(step, done, total);
                                  });
    }
    if (!report)
        return failWith(report.error());
    for (const std::string &table : report->keptAsIs)
        std::printf("kept as it is: %s\n", table.c_str());
    std::printf("%llu rows; %u pages (%llu bytes) before, %u pages (%llu bytes) after\n",
                static_cast<unsigned long long>(report->rows), report->pagesBefore,
                static_cast<unsigned long long>(report->pagesBefore) * 4096, report->pagesAfter,
                static_cast<unsigned long long>(report->pagesAfter) * 4096);
    return ExitOk;
}

} // namespace

void addCompactCommand(std::vector<Command> &commands)
{
    commands.push_back({"compact", "compact FILE [OUT]", 1, 2, runCompact});
}

} // namespace Qb::Cli
