// SPDX-License-Identifier: GPL-3.0-or-later
// Windows virtual-key codes as X keysyms: representative keys, and a key for every name a
// hotkey text can use.
#include "hotkeys/keynametable.h"
#include "platform/x11/x11keymap.h"

#include <QTest>

using namespace Qb::Platform;
using namespace Qt::StringLiterals;

class tst_X11Keymap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysymName_data();
    void keysymName();
    void everyKeyNameHasAKeysym();
};

void tst_X11Keymap::keysymName_data()
{
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<QString>("keysym");
    QTest::newRow("F1") << 112 << u"F1"_s;
    QTest::newRow("F12") << 123 << u"F12"_s;
    QTest::newRow("letter A grabs the key of a") << 65 << u"a"_s;
    QTest::newRow("letter Z") << 90 << u"z"_s;
    QTest::newRow("digit 0") << 48 << u"0"_s;
    QTest::newRow("digit 9") << 57 << u"9"_s;
    QTest::newRow("keypad 0") << 96 << u"KP_0"_s;
    QTest::newRow("keypad 9") << 105 << u"KP_9"_s;
    QTest::newRow("keypad +") << 107 << u"KP_Add"_s;
    QTest::newRow("space") << 32 << u"space"_s;
    QTest::newRow("Enter") << 13 << u"Return"_s;
    QTest::newRow("page up") << 33 << u"Prior"_s;
    QTest::newRow("Shift key") << 16 << u"Shift_L"_s;
    QTest::newRow("apps key") << 93 << u"Menu"_s;
    QTest::newRow("OEM_1") << 186 << u"semicolon"_s;
    QTest::newRow("OEM_5") << 220 << u"backslash"_s;
    QTest::newRow("OEM_6") << 221 << u"bracketright"_s;
    QTest::newRow("OEM_7") << 222 << u"apostrophe"_s;
    QTest::newRow("0 is no key") << 0 << QString();
    QTest::newRow("undefined code") << 7 << QString();
    QTest::newRow("beyond the table") << 255 << QString();
}

void tst_X11Keymap::keysymName()
{
    QFETCH(int, virtualKey);
    QTEST(keysymNameOfVirtualKey(virtualKey), "keysym");
}

void tst_X11Keymap::everyKeyNameHasAKeysym()
{
    for (const Qb::Hotkeys::KeyName &k : Qb::Hotkeys::KeyNameTable())
        QVERIFY2(keysymOfVirtualKey(k.code) != 0, qPrintable(QString::fromUtf16(k.name)));
    for (char16_t c : u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")
        QVERIFY2(c == 0 || keysymOfVirtualKey(c) != 0, qPrintable(QString(QChar(c))));
}

QTEST_GUILESS_MAIN(tst_X11Keymap)
#include "tst_x11keymap.moc"
