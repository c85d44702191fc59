// SPDX-License-Identifier: GPL-3.0-or-later
// Which native layer a session gets, and what it says on standard error.
#include "platform/platformchoice.h"

#include <QTest>

using namespace Qb::Platform;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Qb::Platform::PlatformKind)

class tst_PlatformChoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosePlatform_data();
    void choosePlatform();
};

void tst_PlatformChoice::choosePlatform_data()
{
    QTest::addColumn<QString>("qtPlatform");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<PlatformKind>("kind");
    QTest::addColumn<QString>("noticeMentions"); // empty: no notice at all
    QTest::newRow("X11 session") << u"xcb"_s << true << false << PlatformKind::X11 << QString();
    QTest::newRow("XWayland") << u"xcb"_s << true << true << PlatformKind::X11 << u"native Wayland windows"_s;
    QTest::newRow("xcb without a display") << u"xcb"_s << false << false << PlatformKind::Null << QString();
    QTest::newRow("Wayland") << u"wayland"_s << false << true << PlatformKind::Null << u"X11 session"_s;
    QTest::newRow("Wayland with EGL") << u"wayland-egl"_s << false << true << PlatformKind::Null << u"X11 session"_s;
    QTest::newRow("offscreen tests") << u"offscreen"_s << false << false << PlatformKind::Null << QString();
    QTest::newRow("offscreen inside Wayland") << u"offscreen"_s << false << true << PlatformKind::Null << QString();
}

void tst_PlatformChoice::choosePlatform()
{
    QFETCH(QString, qtPlatform);
    QFETCH(bool, display);
    QFETCH(bool, wayland);
    QFETCH(QString, noticeMentions);
    const PlatformChoice choice = Qb::Platform::choosePlatform(qtPlatform, display, wayland);
    QTEST(choice.kind, "kind");
    if (noticeMentions.isEmpty()) {
        QVERIFY(choice.notice.isEmpty());
    } else {
        QVERIFY2(choice.notice.contains(noticeMentions), qPrintable(choice.notice));
        QVERIFY(!choice.notice.contains(u'\n'));
    }
}

QTEST_GUILESS_MAIN(tst_PlatformChoice)
#include "tst_platformchoice.moc"
