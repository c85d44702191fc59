// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted native platform for tests: hotkeys that another program may hold, and a pointer
// and focus that the test places.
#pragma once

#include "platform/nativeplatform.h"

#include <QString>

#include <set>
#include <utility>
#include <vector>

namespace Qb::Test {

// Behaves as a system hotkey service: a combination is held by one registration at a time,
// key 0 is no key, and `takenElsewhere` lists combinations another program holds.
class FakeGlobalHotkeys final : public Platform::GlobalHotkeys
{
public:
    struct Call
    {
        int id;
        unsigned modifiers;
        int key;
    };

    std::expected<void, Platform::HotkeyError> registerHotkey(int id, unsigned modifiers, int key) override;
    void unregisterHotkey(int id) override;
    // Presses the combination registered under `id`, as the system would report it.
    void press(int id) { emit activated(id); }

    std::vector<Call> calls;            // every registerHotkey, in order
    std::vector<int> unregistered;      // every unregisterHotkey, in order
    std::vector<Call> held;             // the registrations that succeeded and are in force
    std::set<std::pair<unsigned, int>> takenElsewhere; // {modifiers, key}
};

class FakeWindowSystem final : public Platform::WindowSystem
{
public:
    std::optional<Platform::WindowId> windowUnderPointer() override { return pointer; }
    std::optional<Platform::WindowId> focusedWindow() override { return focus; }
    bool focusIsIn(Platform::WindowId window) override { return focus == window; }
    std::optional<Platform::PointerState> pointerState() override { return pointerAt; }

    std::optional<Platform::WindowId> pointer;
    std::optional<Platform::WindowId> focus;
    std::optional<Platform::PointerState> pointerAt; // nothing: the toolkit's pointer is used
};

// Key watching driven by the test: type() delivers a press as the system would; the calls the
// program makes are recorded.
class FakeKeyWatcher final : public Platform::KeyWatcher
{
public:
    bool startRecording() override
    {
        ++starts;
        isRecording = true;
        return true;
    }
    void stopRecording() override { isRecording = false; }
    bool recording() const override { return isRecording; }
    bool withholdListKeys(bool on) override
    {
        isWithholding = on;
        return true;
    }
    bool withholdingListKeys() const override { return isWithholding; }
    void type(int key, Qt::KeyboardModifiers modifiers = {}) { emit keyPressed({key, modifiers}); }

    bool isRecording = false;
    bool isWithholding = false;
    int starts = 0;
};

class FakeNativePlatform final : public Platform::NativePlatform
{
public:
    QString name() const override { return QStringLiteral("fake"); }
    Platform::GlobalHotkeys &globalHotkeys() override { return hotkeys; }
    Platform::WindowSystem &windowSystem() override { return windows; }
    Platform::KeyWatcher &keyWatcher() override { return keys; }

    FakeGlobalHotkeys hotkeys;
    FakeWindowSystem windows;
    FakeKeyWatcher keys;
};

} // namespace Qb::Test
