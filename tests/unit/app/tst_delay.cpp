// SPDX-License-Identifier: GPL-3.0-or-later
// Delay: it waits longer than asked, serves events and timers meanwhile, and lets a quit end it.
#include "app/delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qb::App;

class tst_Delay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void delay_waitsAndServesEvents_data();
    void delay_waitsAndServesEvents();
    void delay_quitEndsIt();
};

void tst_Delay::delay_waitsAndServesEvents_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("10 ms, an animation step") << 10;
    QTest::newRow("40 ms") << 40;
}

void tst_Delay::delay_waitsAndServesEvents()
{
    QFETCH(int, ms);
    bool queuedRan = false;
    int ticks = 0;
    QMetaObject::invokeMethod(this, [&] { queuedRan = true; }, Qt::QueuedConnection);
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(0);
    QElapsedTimer clock;
    clock.start();
    Delay(ms);
    QVERIFY(clock.elapsed() > ms);
    QVERIFY(queuedRan);
    QVERIFY(ticks > 0);
}

void tst_Delay::delay_quitEndsIt()
{
    // An animation step in the running application; the program is asked to end meanwhile. The
    // wait ends early instead of running its time out while every event loop refuses to start.
    qint64 waited = -1;
    QTimer::singleShot(0, qApp, [&] {
        QElapsedTimer clock;
        clock.start();
        Delay(60000);
        waited = clock.elapsed();
    });
    QTimer::singleShot(20, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QVERIFY(waited >= 0);
    QVERIFY(waited < 30000);
}

QTEST_GUILESS_MAIN(tst_Delay)
#include "tst_delay.moc"
