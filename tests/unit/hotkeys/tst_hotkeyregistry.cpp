// SPDX-License-Identifier: GPL-3.0-or-later
// The hotkey registry against a fake platform: ids, names, failed entries, the modifier
// translation, re-initialisation and the relay of presses.
#include "hotkeys/hotkeyregistry.h"
#include "support/fakeplatform.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qb::Hotkeys;
using namespace Qt::StringLiterals;
using Qb::Platform::HotkeyError;
using Qb::Test::FakeGlobalHotkeys;
namespace Mod = Qb::Platform::HotkeyModifier;

Q_DECLARE_METATYPE(std::optional<HotkeyError>)

namespace {

const QString Capture = CaptureWindowName.toString();

QList<int> ids(const HotkeyRegistry &registry)
{
    QList<int> out;
    for (const HotkeyEntry &e : registry.entries())
        out << e.id;
    return out;
}

} // namespace

class tst_HotkeyRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ids_countEveryAttemptAndFailuresStoreZero();
    void nameOf_data();
    void nameOf();
    void translateModifiers_data();
    void translateModifiers();
    void registerHotkeyText_data();
    void registerHotkeyText();
    void changedHotkeys_allStayActive();
    void init_withdrawsEarlierEntriesAndKeepsCounting();
    void presses_relayedFromTheBoundPlatformOnly();
};

void tst_HotkeyRegistry::ids_countEveryAttemptAndFailuresStoreZero()
{
    FakeGlobalHotkeys hotkeys;
    hotkeys.takenElsewhere.insert({Mod::Control, 122});
    HotkeyRegistry registry;
    registry.Init(&hotkeys);
    QCOMPARE(registry.Register(1, 123, Capture), 0x80E9);
    QCOMPARE(registry.Register(1, 123, Capture), std::unexpected(HotkeyError::AlreadyHeld));
    QCOMPARE(registry.Register(1, 122, Capture), std::unexpected(HotkeyError::Taken));
    QCOMPARE(registry.Register(0, 119, u"other"_s), 0x80EC);
    QCOMPARE(ids(registry), (QList<int>{0x80E9, 0, 0, 0x80EC}));
    // The failed attempts used their ids too.
    QCOMPARE(hotkeys.calls.size(), 4u);
    QCOMPARE(hotkeys.calls[2].id, 0x80EB);
    QCOMPARE(registry.entries()[1].name, Capture);
}

void tst_HotkeyRegistry::nameOf_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("first entry") << 0x80E9 << Capture;
    QTest::newRow("second name") << 0x80EB << u"other"_s;
    QTest::newRow("a failed attempt's id is not kept") << 0x80EA << QString();
    QTest::newRow("unknown id") << 7 << QString();
}

void tst_HotkeyRegistry::nameOf()
{
    QFETCH(int, id);
    FakeGlobalHotkeys hotkeys;
    HotkeyRegistry registry;
    registry.Init(&hotkeys);
    registry.Register(1, 123, Capture);
    registry.Register(1, 0, Capture);
    registry.Register(0, 119, u"other"_s);
    QTEST(registry.NameOf(id), "name");
}

void tst_HotkeyRegistry::translateModifiers_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<unsigned>("flags");
    QTest::newRow("none") << 0 << 0u;
    QTest::newRow("Ctrl") << 1 << Mod::Control;
    QTest::newRow("Shift") << 2 << Mod::Shift;
    QTest::newRow("Alt") << 4 << Mod::Alt;
    QTest::newRow("Ctrl+Shift") << 3 << (Mod::Control | Mod::Shift);
    QTest::newRow("Ctrl+Alt") << 5 << (Mod::Control | Mod::Alt);
    QTest::newRow("Shift+Alt") << 6 << (Mod::Shift | Mod::Alt);
    QTest::newRow("7 unchanged") << 7 << 7u;
    QTest::newRow("a key code unchanged") << 112 << 112u;
}

void tst_HotkeyRegistry::translateModifiers()
{
    QFETCH(int, modifiers);
    QTEST(HotkeyRegistry::translateModifiers(modifiers), "flags");
}

void tst_HotkeyRegistry::registerHotkeyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("attempted");      // an entry was added
    QTest::addColumn<std::optional<HotkeyError>>("error");
    QTest::addColumn<int>("calls");           // platform registrations asked for
    QTest::addColumn<unsigned>("modifiers");  // of the last call
    QTest::addColumn<int>("key");
    using E = std::optional<HotkeyError>;
    QTest::newRow("Ctrl+F12") << u"Ctrl+F12"_s << true << E() << 1 << Mod::Control << 123;
    QTest::newRow("ALT+A") << u"ALT+A"_s << true << E() << 1 << Mod::Alt << 65;
    QTest::newRow("F8 alone") << u"F8"_s << true << E() << 1 << 0u << 119;
    QTest::newRow("Ctrl+ registers nothing") << u"Ctrl+"_s << false << E() << 0 << 0u << 0;
    QTest::newRow("unknown key handed on as 0") << u"Ctrl+Nope"_s << true << E(HotkeyError::UnknownKey) << 1
                                                << Mod::Control << 0;
    QTest::newRow("F1+F2 refused before the platform") << u"F1+F2"_s << true << E(HotkeyError::UnsupportedModifiers)
                                                       << 0 << 0u << 0;
    QTest::newRow("taken by another program") << u"Shift+F11"_s << true << E(HotkeyError::Taken) << 1 << Mod::Shift
                                              << 122;
}

void tst_HotkeyRegistry::registerHotkeyText()
{
    QFETCH(QString, text);
    QFETCH(bool, attempted);
    QFETCH(std::optional<HotkeyError>, error);
    QFETCH(int, calls);
    FakeGlobalHotkeys hotkeys;
    hotkeys.takenElsewhere.insert({Mod::Shift, 122});
    HotkeyRegistry registry;
    registry.Init(&hotkeys);
    const TextRegistration result = RegisterHotkeyText(registry, text, Capture);
    QCOMPARE(result.has_value(), attempted);
    QCOMPARE(int(registry.entries().size()), attempted ? 1 : 0);
    if (attempted) {
        QCOMPARE(result->has_value(), !error);
        if (error)
            QCOMPARE(result->error(), *error);
        QCOMPARE(registry.entries().front().id, error ? 0 : 0x80E9);
        QCOMPARE(registry.entries().front().name, Capture);
    }
    QCOMPARE(int(hotkeys.calls.size()), calls);
    if (calls > 0) {
        QTEST(hotkeys.calls.back().modifiers, "modifiers");
        QTEST(hotkeys.calls.back().key, "key");
    }
}

void tst_HotkeyRegistry::changedHotkeys_allStayActive()
{
    // Start-up, then two confirmed settings dialogs: nothing is withdrawn, so all three work;
    // confirming a combination already in force adds a failed entry and keeps the first.
    FakeGlobalHotkeys hotkeys;
    HotkeyRegistry registry;
    registry.Init(&hotkeys);
    RegisterHotkeyText(registry, u"Ctrl+F12"_s, Capture);
    RegisterHotkeyText(registry, u"F8"_s, Capture);
    RegisterHotkeyText(registry, u"Alt+F7"_s, Capture);
    RegisterHotkeyText(registry, u"ctrl+f12"_s, Capture);
    QCOMPARE(hotkeys.held.size(), 3u);
    QVERIFY(hotkeys.unregistered.empty());
    QCOMPARE(ids(registry), (QList<int>{0x80E9, 0x80EA, 0x80EB, 0}));
    for (int id : {0x80E9, 0x80EA, 0x80EB})
        QCOMPARE(registry.NameOf(id), Capture);
}

void tst_HotkeyRegistry::init_withdrawsEarlierEntriesAndKeepsCounting()
{
    FakeGlobalHotkeys hotkeys;
    HotkeyRegistry registry;
    registry.Init(&hotkeys);
    registry.Register(1, 123, Capture);
    registry.Register(1, 0, Capture);
    registry.Register(0, 119, Capture);
    registry.Init(&hotkeys);
    // Only the registrations that succeeded are given back.
    QCOMPARE(hotkeys.unregistered, (std::vector<int>{0x80E9, 0x80EB}));
    QVERIFY(registry.entries().empty());
    QVERIFY(hotkeys.held.empty());
    QCOMPARE(registry.Register(1, 123, Capture), 0x80EC);
}

void tst_HotkeyRegistry::presses_relayedFromTheBoundPlatformOnly()
{
    FakeGlobalHotkeys first;
    FakeGlobalHotkeys second;
    HotkeyRegistry registry;
    QSignalSpy pressed(&registry, &HotkeyRegistry::activated);
    registry.Init(&first);
    const int id = *registry.Register(1, 123, Capture);
    first.press(id);
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(pressed.at(0).at(0).toInt(), id);
    registry.Init(&second);
    first.press(id);
    second.press(42);
    QCOMPARE(pressed.size(), 2);
    QCOMPARE(pressed.at(1).at(0).toInt(), 42);
    QCOMPARE(registry.NameOf(42), QString()); // unknown ids reach OnHotkey and do nothing there
}

QTEST_GUILESS_MAIN(tst_HotkeyRegistry)
#include "tst_hotkeyregistry.moc"
