// SPDX-License-Identifier: GPL-3.0-or-later
// Key names, hotkey parsing, and the settings dialog's splitting and joining of hotkey texts.
#include "hotkeys/hotkeytext.h"
#include "hotkeys/keynametable.h"

#include <QSet>
#include <QTest>

using namespace Qb::Hotkeys;
using namespace Qt::StringLiterals;

class tst_HotkeyText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyCodeOf_data();
    void keyCodeOf();
    void keyNameTable_namesAreUniqueIgnoringAsciiCase();
    void parseHotkey_data();
    void parseHotkey();
    void splitHotkeyText_data();
    void splitHotkeyText();
    void composeHotkeyText_data();
    void composeHotkeyText();
};

void tst_HotkeyText::keyCodeOf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("upper letter") << u"A"_s << 65;
    QTest::newRow("lower letter") << u"z"_s << 90;
    QTest::newRow("digit 0") << u"0"_s << 48;
    QTest::newRow("digit 9") << u"9"_s << 57;
    QTest::newRow("F12") << u"F12"_s << 123;
    QTest::newRow("f12 (ASCII case ignored)") << u"f12"_s << 123;
    QTest::newRow("BA is Ba") << u"BA"_s << 8;
    QTest::newRow("退格键") << u"退格键"_s << 8;
    QTest::newRow("NumEnter") << u"NumEnter"_s << 13;
    QTest::newRow("空格键") << u"空格键"_s << 32;
    QTest::newRow("空") << u"空"_s << 32;
    QTest::newRow("single blank") << u" "_s << 32;
    QTest::newRow("←") << u"←"_s << 37;
    QTest::newRow("删除键") << u"删除键"_s << 46;
    QTest::newRow("shifted ! on key 1") << u"!"_s << 49;
    QTest::newRow("full-width ！") << u"！"_s << 49;
    QTest::newRow("shifted ( on key 9") << u"("_s << 57;
    QTest::newRow("开始菜单键") << u"开始菜单键"_s << 92;
    QTest::newRow("快捷菜单键") << u"快捷菜单键"_s << 93;
    QTest::newRow("Num0") << u"Num0"_s << 96;
    QTest::newRow("num9") << u"num9"_s << 105;
    QTest::newRow("Num+") << u"Num+"_s << 107;
    QTest::newRow("Num/") << u"Num/"_s << 111;
    QTest::newRow("ScrollLock") << u"ScrollLock"_s << 145;
    QTest::newRow("full-width ： unshifted") << u"："_s << 186;
    QTest::newRow(": shifted") << u":"_s << 186;
    QTest::newRow("+ on =") << u"+"_s << 187;
    QTest::newRow("full-width ，") << u"，"_s << 188;
    QTest::newRow("。") << u"。"_s << 190;
    QTest::newRow("·") << u"·"_s << 192;
    QTest::newRow("backslash") << u"\\"_s << 220;
    QTest::newRow("vertical bar") << u"|"_s << 220;
    QTest::newRow("straight double quote") << u"\""_s << 222;
    QTest::newRow("”") << u"”"_s << 222;
    QTest::newRow("‘") << u"‘"_s << 222;
    QTest::newRow("unknown") << u"Nope"_s << 0;
    QTest::newRow("two letters") << u"ab"_s << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("full-width letter is not a letter") << u"Ａ"_s << 0;
    QTest::newRow("full-width digits are not F12") << u"F１２"_s << 0;
}

void tst_HotkeyText::keyCodeOf()
{
    QFETCH(QString, name);
    QTEST(KeyCodeOf(name), "code");
}

void tst_HotkeyText::keyNameTable_namesAreUniqueIgnoringAsciiCase()
{
    // A second entry with the same name (in any ASCII case) could never be reached.
    QSet<QString> seen;
    for (const KeyName &k : KeyNameTable()) {
        QString folded = QString::fromUtf16(k.name);
        for (QChar &c : folded) {
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - u'a' + u'A');
        }
        QVERIFY2(!seen.contains(folded), qPrintable(folded));
        seen.insert(folded);
    }
    QCOMPARE(seen.size(), 118); // every name of the table, none lost or doubled
}

void tst_HotkeyText::parseHotkey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::newRow("Ctrl+F12") << u"Ctrl+F12"_s << true << 1 << 123;
    QTest::newRow("ctrl+f12") << u"ctrl+f12"_s << true << 1 << 123;
    QTest::newRow("ALT+A") << u"ALT+A"_s << true << 4 << 65;
    QTest::newRow("Alt+a") << u"Alt+a"_s << true << 4 << 65;
    QTest::newRow("Shift+空格键") << u"Shift+空格键"_s << true << 2 << 32;
    QTest::newRow("F9") << u"F9"_s << true << 0 << 120;
    QTest::newRow("Ctrl+Shift+F1: the Shift key, third piece ignored") << u"Ctrl+Shift+F1"_s << true << 1 << 16;
    QTest::newRow("Num+ is split") << u"Num+"_s << false << 0 << 0;
    QTest::newRow("Ctrl+Num+") << u"Ctrl+Num+"_s << true << 1 << 0;
    QTest::newRow("+ alone") << u"+"_s << false << 0 << 0;
    QTest::newRow("Ctrl+ (nothing behind)") << u"Ctrl+"_s << false << 0 << 0;
    QTest::newRow("Ctrl++ keeps the empty middle piece") << u"Ctrl++"_s << true << 1 << 0;
    QTest::newRow("+F1: empty modifier piece") << u"+F1"_s << true << 0 << 112;
    QTest::newRow("F1+F2: modifier is the key code of F1") << u"F1+F2"_s << true << 112 << 113;
    QTest::newRow("Ctrl+unknown key") << u"Ctrl+Nope"_s << true << 1 << 0;
    QTest::newRow("SHIFT+！") << u"SHIFT+！"_s << true << 2 << 49;
    QTest::newRow("Ctrl+blank") << u"Ctrl+ "_s << true << 1 << 32;
    QTest::newRow("empty text") << QString() << true << 0 << 0;
}

void tst_HotkeyText::parseHotkey()
{
    QFETCH(QString, text);
    QFETCH(bool, parsed);
    const std::optional<HotkeySpec> hotkey = ParseHotkey(text);
    QCOMPARE(hotkey.has_value(), parsed);
    if (parsed) {
        QTEST(hotkey->modifiers, "modifiers");
        QTEST(hotkey->key, "key");
    }
}

void tst_HotkeyText::splitHotkeyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("modifier");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("roundTrips"); // ComposeHotkeyText gives the text back
    QTest::newRow("Ctrl+F12") << u"Ctrl+F12"_s << u"Ctrl"_s << u"F12"_s << true;
    QTest::newRow("F12") << u"F12"_s << QString() << u"F12"_s << true;
    QTest::newRow("SHIFT+空格键") << u"SHIFT+空格键"_s << u"SHIFT"_s << u"空格键"_s << true;
    QTest::newRow("Ctrl+") << u"Ctrl+"_s << u"Ctrl"_s << QString() << true;
    QTest::newRow("Num+") << u"Num+"_s << u"Num"_s << QString() << true;
    QTest::newRow("third piece dropped") << u"Ctrl+Shift+F1"_s << u"Ctrl"_s << u"Shift"_s << false;
    QTest::newRow("empty") << QString() << QString() << QString() << true;
}

void tst_HotkeyText::splitHotkeyText()
{
    QFETCH(QString, text);
    QFETCH(QString, modifier);
    QFETCH(QString, key);
    QFETCH(bool, roundTrips);
    const auto [m, k] = SplitHotkeyText(text);
    QCOMPARE(m, modifier);
    QCOMPARE(k, key);
    QCOMPARE(ComposeHotkeyText(m, k) == text, roundTrips);
}

void tst_HotkeyText::composeHotkeyText_data()
{
    QTest::addColumn<QString>("modifier");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("空 means none") << u"空"_s << u"F12"_s << u"F12"_s;
    QTest::newRow("empty means none") << QString() << u"F8"_s << u"F8"_s;
    QTest::newRow("CTRL kept as typed") << u"CTRL"_s << u"F12"_s << u"CTRL+F12"_s;
    QTest::newRow("free text kept") << u"Win"_s << u"A"_s << u"Win+A"_s;
    QTest::newRow("empty key") << u"ALT"_s << QString() << u"ALT+"_s;
}

void tst_HotkeyText::composeHotkeyText()
{
    QFETCH(QString, modifier);
    QFETCH(QString, key);
    QTEST(ComposeHotkeyText(modifier, key), "text");
}

QTEST_GUILESS_MAIN(tst_HotkeyText)
#include "tst_hotkeytext.moc"
