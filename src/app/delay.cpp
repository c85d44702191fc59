// SPDX-License-Identifier: GPL-3.0-or-later
// Delay through a nested event loop that a precise timer ends: it sleeps in the event loop
// instead of spinning, and wakes for every event that arrives meanwhile.
#include "app/delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace Qb::App {

void Delay(int ms)
{
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents();
    // The clock is read once per round: read again for the interval, it may have passed `ms` on a
    // loaded machine, and a timer with a negative interval never starts, leaving the loop to wait
    // for good.
    for (qint64 elapsed = clock.elapsed(); elapsed <= ms; elapsed = clock.elapsed()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(ms - elapsed + 1));
        // exec() returns at once once the application has been asked to quit.
        if (loop.exec() != 0)
            return;
    }
}

} // namespace Qb::App
