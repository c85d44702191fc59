// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-startup: time from process start to the first paint of the main window.
//   qb-bench-startup QUILLBOX LIBRARY.mdb [--runs N]
// Each run starts QUILLBOX on a fresh temporary program directory (QUILLBOX_HOME) with
// QUILLBOX_REPORT_FIRST_PAINT set, so the program prints the steady-clock time of its first paint
// and ends. Two cases: an empty library (created by the program itself at its first start) and a
// copy of LIBRARY.mdb. Prints the median and the slowest run of each case against the goal.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr double GoalSeconds = 0.5;

// One start; the seconds from starting the process to its first paint, or nothing on failure.
std::optional<double> measureOnce(const QString &program, const QString &library)
{
    QTemporaryDir home;
    if (!library.isEmpty() && !QFile::copy(library, home.filePath(QStringLiteral("qbxdb.mdb"))))
        return std::nullopt;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLBOX_HOME"), home.path());
    env.insert(QStringLiteral("QUILLBOX_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    const auto start = std::chrono::steady_clock::now().time_since_epoch();
    process.start(program, {});
    if (!process.waitForFinished(30000))
        return std::nullopt;
    const QByteArray out = process.readAllStandardOutput();
    const qsizetype at = out.indexOf("first-paint ");
    if (at < 0)
        return std::nullopt;
    const long long painted = out.mid(at + 12).trimmed().split('\n').first().toLongLong();
    return double(painted - std::chrono::nanoseconds(start).count()) / 1e9;
}

bool runCase(const char *name, const QString &program, const QString &library, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto t = measureOnce(program, library);
        if (!t) {
            std::printf("%-34s run %d failed (no first paint reported)\n", name, i + 1);
            return false;
        }
        times.push_back(*t);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const bool ok = median < GoalSeconds;
    std::printf("%-34s median %.3f s, slowest %.3f s over %d runs (goal < %.1f s): %s\n", name, median,
                times.back(), runs, GoalSeconds, ok ? "met" : "NOT met");
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: qb-bench-startup QUILLBOX LIBRARY.mdb [--runs N]\n");
        return 2;
    }
    int runs = 7;
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = std::max(1, args.at(i + 1).toInt());
    const bool empty = runCase("start-up, empty library", args.at(1), QString(), runs);
    const bool large = runCase("start-up, 500 categories/10000 cmds", args.at(1), args.at(2), runs);
    return empty && large ? 0 : 1;
}
