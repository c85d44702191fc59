// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-startup: start-up of the main window with libraries of growing size, beside Geany.
//   qb-bench-startup QUILLBOX [--library NAME=FILE.mdb[=N]]... [--geany GEANY] [--runs N]
// (=N: the category numbered N is remembered as expanded, [xitong] kuozhanxiang.)
// Each run starts the program on a fresh temporary program directory (QUILLBOX_HOME, holding a
// copy of the library; without one the program creates an empty library) and watches the X
// server for the map of a top-level window carrying the process's _NET_WM_PID: "mapped" is the
// time from starting the process to that map. "Idle" is the time until the process stopped
// using the processor (its CPU time, read every 5 ms, grew by under 3 ms in 300 ms), "CPU" the processor
// time it used until then (the figure to compare on a loaded machine). "Peak" is the
// process's resident-set high-water mark (VmHWM) once idle. Geany runs the same way with a
// temporary configuration directory. Prints the median of each case and the ratios the goals
// name for the largest library without a remembered category: within 1.2 x the empty library and
// at most 0.5 x Geany's empty start,
// peak memory at most 70 MB. Needs a display (the bench target runs it under xvfb-run).
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0, Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(t - t0).count();
}

struct Sample
{
    double mappedMs = 0;
    double idleMs = 0;
    double peakMb = 0;
    double cpuMs = 0; // processor time until idle
};

// Nanoseconds the process has run on a processor (/proc/PID/schedstat), -1 when gone.
long long cpuNs(pid_t pid)
{
    FILE *f = std::fopen(("/proc/" + std::to_string(pid) + "/schedstat").c_str(), "r");
    if (!f)
        return -1;
    long long ns = -1;
    if (std::fscanf(f, "%lld", &ns) != 1)
        ns = -1;
    std::fclose(f);
    return ns;
}

double peakMb(pid_t pid)
{
    FILE *f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!f)
        return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb / 1024.0;
}

bool windowOf(Display *dpy, Window w, pid_t pid)
{
    static const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    bool ours = false;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data && count == 1)
        ours = pid_t(*reinterpret_cast<unsigned long *>(data)) == pid;
    if (data)
        XFree(data);
    return ours;
}

// Waits for the map of a top-level window of `pid`; false after 20 s.
bool waitForMap(Display *dpy, pid_t pid)
{
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == MapNotify && !e.xmap.override_redirect && windowOf(dpy, e.xmap.window, pid))
                return true;
        }
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&fd, 1, 5);
    }
    return false;
}

std::optional<Sample> runOnce(Display *dpy, const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envText;
    for (char **e = environ; *e; ++e)
        envText.emplace_back(*e);
    envText.insert(envText.end(), env.begin(), env.end());
    std::vector<char *> envp;
    for (std::string &e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, True);
    pid_t pid = 0;
    const auto t0 = Clock::now();
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
        return std::nullopt;
    std::optional<Sample> result;
    if (waitForMap(dpy, pid)) {
        Sample s;
        s.mappedMs = msSince(t0, Clock::now());
        // Idle: the first moment from which the process used under 3 ms of processor time in
        // the following 300 ms (its 50 ms timers keep it from ever using none).
        struct Point { Clock::time_point at; long long cpu; };
        std::vector<Point> points{{Clock::now(), cpuNs(pid)}};
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        std::optional<Point> idle;
        for (size_t from = 0; !idle && points.back().cpu >= 0 && Clock::now() < deadline;) {
            usleep(5000);
            points.push_back({Clock::now(), cpuNs(pid)});
            while (from + 1 < points.size() && msSince(points[from + 1].at, points.back().at) >= 300)
                ++from;
            if (msSince(points[from].at, points.back().at) >= 300 && points.back().cpu - points[from].cpu < 3'000'000)
                idle = points[from];
        }
        if (!idle)
            idle = points.back();
        s.idleMs = std::max(s.mappedMs, msSince(t0, idle->at));
        s.cpuMs = double(idle->cpu) / 1e6;
        s.peakMb = peakMb(pid);
        result = s;
    }
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(10000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    XSelectInput(dpy, DefaultRootWindow(dpy), NoEventMask);
    return result;
}

struct Case
{
    std::string name;
    std::vector<std::string> argv;
    std::string library; // copied into the program directory; "" = none
    bool geany = false;
    std::string remembered; // [xitong] kuozhanxiang written to mlkpz.ini; "" = none
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::optional<Sample> medianOf(Display *dpy, const Case &c, int runs)
{
    std::vector<double> mapped, idle, peak, cpu;
    for (int r = 0; r < runs; ++r) {
        QTemporaryDir home;
        std::vector<std::string> env;
        if (c.geany) {
            env.push_back("HOME=" + home.path().toStdString());
        } else {
            env.push_back("QUILLBOX_HOME=" + home.path().toStdString());
            env.push_back("QT_QPA_PLATFORM=xcb");
            env.push_back("XDG_RUNTIME_DIR=" + home.path().toStdString());
        }
        if (!c.library.empty()
            && !QFile::copy(QString::fromStdString(c.library), home.filePath(QStringLiteral("qbxdb.mdb"))))
            return std::nullopt;
        if (!c.remembered.empty()) {
            QFile ini(home.filePath(QStringLiteral("mlkpz.ini")));
            if (!ini.open(QIODevice::WriteOnly) || ini.write(("[xitong]\nkuozhanxiang=" + c.remembered + "\n").c_str()) < 0)
                return std::nullopt;
        }
        std::vector<std::string> argv = c.argv;
        if (c.geany)
            argv.insert(argv.end(), {"-i", "-c", home.filePath(QStringLiteral("geany")).toStdString()});
        const std::optional<Sample> s = runOnce(dpy, argv, env);
        if (!s) {
            std::printf("%-28s run %d: no window mapped\n", c.name.c_str(), r + 1);
            return std::nullopt;
        }
        mapped.push_back(s->mappedMs);
        idle.push_back(s->idleMs);
        peak.push_back(s->peakMb);
        cpu.push_back(s->cpuMs);
    }
    const Sample m{median(mapped), median(idle), median(peak), median(cpu)};
    std::printf("%-22s mapped %6.1f ms  idle %6.1f ms  CPU %6.1f ms  peak %5.1f MB  (median of %d)\n",
                c.name.c_str(), m.mappedMs, m.idleMs, m.cpuMs, m.peakMb, runs);
    std::fflush(stdout);
    return m;
}

void ratio(const char *what, double value, double reference, double goal, bool atMost)
{
    const double r = value / reference;
    std::printf("  %-44s %.2f (goal %s %.2f: %s)\n", what, r, atMost ? "<=" : "<", goal,
                r <= goal ? "met" : "NOT met");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: qb-bench-startup QUILLBOX [--library NAME=FILE]... [--geany GEANY] [--runs N]\n");
        return 2;
    }
    int runs = 5;
    std::vector<Case> cases{{"empty library", {args[1].toStdString()}, "", false, ""}};
    std::string geany;
    for (qsizetype i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--runs")
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == u"--geany")
            geany = args[i + 1].toStdString();
        else if (args[i] == u"--library") {
            // NAME=FILE, or NAME=FILE=N with the category numbered N remembered as expanded
            const QStringList kv = args[i + 1].split(u'=');
            cases.push_back({kv.value(0).toStdString(), {args[1].toStdString()}, kv.value(1).toStdString(), false,
                             kv.value(2).toStdString()});
        }
    }
    if (!geany.empty())
        cases.push_back({"Geany, empty start", {geany}, "", true, ""});
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "qb-bench-startup: no display\n");
        return 1;
    }
    std::vector<std::optional<Sample>> results;
    for (const Case &c : cases)
        results.push_back(medianOf(dpy, c, runs));
    XCloseDisplay(dpy);
    const std::optional<Sample> empty = results.front();
    std::optional<Sample> largest;
    for (size_t i = 1; i < cases.size(); ++i)
        if (!cases[i].library.empty() && cases[i].remembered.empty())
            largest = results[i];
    const Sample *geanyResult = geany.empty() || !results.back() ? nullptr : &*results.back();
    if (empty && largest) {
        std::printf("largest library beside the empty one:\n");
        ratio("mapped / empty library's mapped", largest->mappedMs, empty->mappedMs, 1.2, true);
        ratio("idle / empty library's idle", largest->idleMs, empty->idleMs, 1.2, true);
        ratio("CPU / empty library's CPU", largest->cpuMs, empty->cpuMs, 1.2, true);
        if (geanyResult) {
            ratio("mapped / Geany's mapped", largest->mappedMs, geanyResult->mappedMs, 0.5, true);
            ratio("idle / Geany's idle", largest->idleMs, geanyResult->idleMs, 0.5, true);
            ratio("CPU / Geany's CPU", largest->cpuMs, geanyResult->cpuMs, 0.5, true);
        }
        std::printf("  %-44s %.1f MB (goal <= 70 MB: %s)\n", "peak memory", largest->peakMb,
                    largest->peakMb <= 70 ? "met" : "NOT met");
    }
    return std::all_of(results.begin(), results.end(), [](const auto &r) { return r.has_value(); }) ? 0 : 1;
}
