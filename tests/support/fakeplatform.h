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

// Text sending that records what was sent, to which window and how, in order.
class FakeTextSender final : public Platform::TextSender
{
public:
    struct Sent
    {
        Platform::WindowId window;
        QString text;
        Platform::TextSendMethod method;
    };
    bool sendText(Platform::WindowId window, const QString &text, Platform::TextSendMethod method) override
    {
        sent.push_back({window, text, method});
        return true;
    }
    bool sending() const override { return false; }

    std::vector<Sent> sent;
};

// Caret questions answered by the test: each request is kept until the test answers it (or
// never, as a program that does not reply).
class FakeCaretLocator final : public Platform::CaretLocator
{
public:
    void setConnected(bool on) override
    {
        isConnected = on;
        ++connectionChanges;
    }
    bool connected() const override { return isConnected; }
    void requestCaret(quint64 request, Platform::WindowId window) override { requests.push_back({request, window}); }
    // Answers the latest request with the cell at `topLeft` (or as unknown).
    void answer(QPoint topLeft) { emit caretFound(requests.back().first, QRect(topLeft, QSize(8, 16))); }
    void answerUnknown() { emit caretUnknown(requests.back().first); }
    void moveCaret() { emit caretMoved(); }

    bool isConnected = false;
    int connectionChanges = 0;
    std::vector<std::pair<quint64, Platform::WindowId>> requests;
};

// Input method services whose report the test sets.
class FakeInputMethodMonitor final : public Platform::InputMethodMonitor
{
public:
    void setWatching(bool on) override { isWatching = on; }
    bool watching() const override { return isWatching; }
    Platform::InputMethodReport report() const override { return current; }
    void refresh() override { ++refreshes; }
    void set(const Platform::InputMethodReport &report)
    {
        current = report;
        emit reportChanged(current);
    }

    bool isWatching = false;
    int refreshes = 0;
    Platform::InputMethodReport current;
};

class FakeNativePlatform final : public Platform::NativePlatform
{
public:
    QString name() const override { return QStringLiteral("fake"); }
    Platform::GlobalHotkeys &globalHotkeys() override { return hotkeys; }
    Platform::WindowSystem &windowSystem() override { return windows; }
    Platform::KeyWatcher &keyWatcher() override { return keys; }
    Platform::TextSender &textSender() override { return text; }
    Platform::CaretLocator &caretLocator() override { return carets; }
    Platform::InputMethodMonitor &inputMethodMonitor() override { return inputMethods; }

    FakeGlobalHotkeys hotkeys;
    FakeWindowSystem windows;
    FakeKeyWatcher keys;
    FakeTextSender text;
    FakeCaretLocator carets;
    FakeInputMethodMonitor inputMethods;
};

} // namespace Qb::Test
