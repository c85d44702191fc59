// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/displaychoice.h"

#include <QTest>

using Qb::App::chooseDisplay;
using Qb::App::DisplayEnvironment;
using Qb::App::DisplayProbes;
using namespace Qt::StringLiterals;

class tst_DisplayChoice : public QObject
{
    Q_OBJECT
private slots:
    // Environment in, platform or error out; the probes say whether DISPLAY answers and
    // whether Qt's Wayland plugin is installed.
    void choose_data()
    {
        QTest::addColumn<QString>("qpa");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("session");
        QTest::addColumn<bool>("x11Answers");
        QTest::addColumn<bool>("waylandPlugin");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("errorPart"); // empty: no error

        const QString none;
        QTest::newRow("nothing set") << none << none << none << none << false << true << none
                                     << u"DISPLAY and WAYLAND_DISPLAY are unset"_s;
        QTest::newRow("X11 session: Qt's default") << none << u":0"_s << none << u"x11"_s << true << true
                                                   << none << none;
        QTest::newRow("X11, not probed, failure left to Qt") << none << u":7"_s << none << none << false
                                                             << false << none << none;
        QTest::newRow("Wayland with XWayland: xcb") << none << u":0"_s << u"wayland-0"_s << u"wayland"_s << true
                                                    << true << u"xcb"_s << none;
        QTest::newRow("Wayland, DISPLAY silent: native") << none << u":0"_s << u"wayland-0"_s << none << false
                                                         << true << u"wayland"_s << none;
        QTest::newRow("Wayland, no DISPLAY: native") << none << none << u"wayland-0"_s << none << true << true
                                                     << u"wayland"_s << none;
        QTest::newRow("session type alone means Wayland") << none << u":1"_s << none << u"wayland"_s << true
                                                          << true << u"xcb"_s << none;
        QTest::newRow("Wayland, no XWayland, no plugin") << none << none << u"wayland-0"_s << none << false
                                                         << false << none << u"qt6-wayland"_s;
        QTest::newRow("Wayland, DISPLAY silent, no plugin") << none << u":3"_s << u"wayland-0"_s << none << false
                                                            << false << none << u"\":3\" does not answer"_s;
        QTest::newRow("explicit platform kept") << u"offscreen"_s << none << none << none << false << false
                                                << none << none;
        QTest::newRow("explicit wayland kept under XWayland") << u"wayland"_s << u":0"_s << u"wayland-0"_s
                                                              << none << true << true << none << none;
        QTest::newRow("explicit xcb without DISPLAY") << u"xcb"_s << none << u"wayland-0"_s << none << false
                                                      << true << none << u"DISPLAY is unset"_s;
    }
    void choose()
    {
        QFETCH(QString, qpa);
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QString, session);
        QFETCH(bool, x11Answers);
        QFETCH(bool, waylandPlugin);
        QFETCH(QString, platform);
        QFETCH(QString, errorPart);

        QStringList probed;
        const DisplayProbes probes{[&](const QString &d) { probed << d; return x11Answers; },
                                   [&] { return waylandPlugin; }};
        const auto choice = chooseDisplay(DisplayEnvironment{qpa, display, wayland, session}, probes);
        QCOMPARE(choice.platform, platform);
        if (errorPart.isEmpty())
            QVERIFY2(choice.error.isEmpty(), qPrintable(choice.error));
        else
            QVERIFY2(choice.error.contains(errorPart), qPrintable(choice.error));
        QVERIFY(!choice.error.contains(u'\n'));
        // Only a Wayland session asks whether DISPLAY answers, and only the DISPLAY it has.
        for (const QString &d : std::as_const(probed))
            QCOMPARE(d, display);
    }
};

QTEST_GUILESS_MAIN(tst_DisplayChoice)
#include "tst_displaychoice.moc"
