// SPDX-License-Identifier: GPL-3.0-or-later
// Typing benchmark: characters per second of the hints' typing method (X11TextSender) for a
// 2,000-character remainder, beside `xdotool type` of the same text into the same window in the
// same run, each timed until the window has received the last character, and whether what
// arrived is exactly the text. The text comes from a fixed seed: letters, digits, punctuation,
// spaces, line breaks, tabs and a few Chinese characters.
// Usage: qb-bench-typing <qb-testclient> [rounds]   (under an X server, QT_QPA_PLATFORM=xcb)
#include "platform/x11/x11connection.h"
#include "platform/x11/x11textsender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString benchText(int length, bool chinese)
{
    const QString pieces[] = {u"print("_s, u"value"_s, u"items"_s, u"len"_s, u"打印"_s, u"中文字"_s,
                              u"x = 1; "_s, u"[a, b]"_s, u" "_s, u"\n"_s, u"\t"_s, u"{'k': 2}"_s,
                              u"Return"_s, u"#!"_s, u"ok."_s, u"$_-+*/<>?@"_s};
    quint32 seed = 19;
    QString text;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        const QString &piece = pieces[(seed >> 16) % std::size(pieces)];
        if (chinese || piece.front().unicode() < 0x80)
            text += piece;
    }
    text.truncate(length);
    return text;
}

// What the test client logged, as text: one keysym name per line.
QString received(const QString &log)
{
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const KeySym keysym = XStringToKeysym(line.constData());
        if (keysym == XK_Return || keysym == XK_Linefeed) // xdotool types a line break as Linefeed
            text += u'\n';
        else if (keysym == XK_Tab)
            text += u'\t';
        else if (keysym >= 0x20 && keysym <= 0xff)
            text += QChar(char16_t(keysym));
        else if (keysym >= 0x1000000 && keysym <= 0x110ffff)
            text += QString::fromUcs4(std::u32string(1, char32_t(keysym - 0x1000000)).data(), 1);
    }
    return text;
}

// Waits (serving the event loop) until the log holds `expected` characters or nothing came for
// two seconds; the milliseconds until the last arrival.
double untilArrived(const QString &log, qsizetype expected, QElapsedTimer &clock)
{
    double last = 0;
    qsizetype seen = -1;
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qsizetype now = received(log).size();
        if (now != seen) {
            seen = now;
            last = double(clock.nsecsElapsed()) / 1e6;
            quiet.restart();
        }
        if (seen >= expected)
            break;
        QThread::msleep(2);
    }
    return last;
}

struct Result
{
    double ms = 0;
    bool exact = false;
};

// Where the arrived text first differs from the sent one, for the report.
QString firstDifference(const QString &sent, const QString &got)
{
    qsizetype i = 0;
    while (i < sent.size() && i < got.size() && sent[i] == got[i])
        ++i;
    if (i == sent.size() && i == got.size())
        return {};
    return u"at %1 of %2 (got %3 characters): sent \"%4\", got \"%5\""_s.arg(i).arg(sent.size()).arg(got.size())
        .arg(sent.mid(i, 8).toHtmlEscaped(), got.mid(i, 8).toHtmlEscaped());
}

void report(const char *what, const std::vector<Result> &runs, qsizetype chars, double reference)
{
    std::vector<double> ms;
    int exact = 0;
    for (const Result &r : runs) {
        ms.push_back(r.ms);
        exact += r.exact;
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double cps = double(chars) * 1000.0 / median;
    std::printf("%-28s %8.0f ms  %7.0f chars/s  exact %d/%zu", what, median, cps, exact, runs.size());
    if (reference > 0)
        std::printf("  ratio %.2f", cps / reference);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qb-bench-typing <qb-testclient> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir;
    const QString log = dir.filePath(u"keys"_s);
    QProcess client;
    client.start(QString::fromLocal8Bit(argv[1]), {u"--title"_s, u"Typing Bench"_s, u"--geometry"_s,
                                                     u"400x300+100+100"_s, u"--keys"_s, log, u"--focus"_s});
    if (!client.waitForReadyRead(10000)) {
        std::fprintf(stderr, "qb-bench-typing: the test client did not start\n");
        return 1;
    }
    const Qb::Platform::WindowId window = client.readAllStandardOutput().trimmed().toULongLong();
    Qb::Platform::X11TextSender sender(Qb::Platform::X11Connection::open());
    QFile loadavg(u"/proc/loadavg"_s);
    loadavg.open(QIODevice::ReadOnly);
    std::printf("load %s", loadavg.readAll().constData());
    for (const bool chinese : {false, true}) {
        const QString text = benchText(2000, chinese);
        std::vector<Result> ours, xdotool, xdotoolFast;
        QString difference;
        for (int round = 0; round < rounds; ++round) {
            QFile::resize(log, 0);
            QElapsedTimer clock;
            clock.start();
            sender.sendText(window, text, Qb::Platform::TextSendMethod::Typing);
            ours.push_back({untilArrived(log, text.size(), clock), received(log) == text});
            if (!ours.back().exact)
                difference = u"Quillbox: "_s + firstDifference(text, received(log));
            for (auto [runs, delay] : {std::pair{&xdotool, "12"}, std::pair{&xdotoolFast, "0"}}) {
                QFile::resize(log, 0);
                clock.restart();
                QProcess type;
                type.start(u"xdotool"_s, {u"type"_s, u"--delay"_s, QString::fromLatin1(delay), u"--"_s, text});
                runs->push_back({untilArrived(log, text.size(), clock), received(log) == text});
                type.waitForFinished();
                if (!runs->back().exact && difference.isEmpty())
                    difference = u"xdotool --delay "_s + QString::fromLatin1(delay) + u": "_s
                        + firstDifference(text, received(log));
            }
        }
        std::printf("\n%lld characters, %s, %d rounds (medians; ratio: chars/s against xdotool's default)\n",
                    qlonglong(text.size()), chinese ? "with Chinese" : "ASCII, line breaks and tabs only", rounds);
        std::vector<double> refMs;
        for (const Result &r : xdotool)
            refMs.push_back(r.ms);
        std::sort(refMs.begin(), refMs.end());
        const double reference = double(text.size()) * 1000.0 / refMs[refMs.size() / 2];
        report("xdotool type (12 ms delay)", xdotool, text.size(), 0);
        report("xdotool type --delay 0", xdotoolFast, text.size(), reference);
        report("Quillbox typing", ours, text.size(), reference);
        if (!difference.isEmpty())
            std::printf("  first difference seen: %s\n", qPrintable(difference));
    }
    client.kill();
    client.waitForFinished();
    return 0;
}
