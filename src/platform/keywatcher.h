// SPDX-License-Identifier: GPL-3.0-or-later
// Watching the keys typed into other programs' windows, and keeping the few keys that act on a
// shown hint list from reaching them.
#pragma once

#include <QObject>

namespace Qb::Platform {

// One key press of the display, as the watcher saw it go to whichever window had the focus.
struct WatchedKeyPress
{
    // The key as Qt names it by the character it types with the modifiers held (Qt::Key_A..Z
    // for letters whatever their case, Qt::Key_0..9 for the digits of the main keyboard), or
    // Qt::Key_unknown for a key the hints have no use for.
    int key = 0;
    // Shift, Control, Alt and Meta as held; KeypadModifier for a key of the numeric keypad.
    Qt::KeyboardModifiers modifiers;
};

// Owned by NativePlatform; UI thread only. Key presses are delivered on the UI thread, in the
// order they were typed, from the event loop (no thread, no polling). Nothing is stored or
// printed: each press exists only for the duration of the keyPressed signal.
class KeyWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~KeyWatcher() override = default;

    // Starts or stops recording every key press of the display. Recording runs only between
    // these calls. start returns false when this platform cannot watch other programs.
    virtual bool startRecording() = 0;
    virtual void stopRecording() = 0;
    virtual bool recording() const = 0;

    // While on, the digits of the main keyboard (with or without Control), the space bar and
    // Escape (with or without Shift and Control) go to this program instead of the focused
    // window, whatever lock keys are on; every other key still goes there, undelayed. Returns
    // false when some of them could not be taken (another program holds them); the others are
    // taken all the same.
    virtual bool withholdListKeys(bool on) = 0;
    virtual bool withholdingListKeys() const = 0;

Q_SIGNALS:
    void keyPressed(const Qb::Platform::WatchedKeyPress &press);
};

} // namespace Qb::Platform
