// SPDX-License-Identifier: GPL-3.0-or-later
// Key watching on X11: the RECORD extension for the key presses of every client, passive grabs
// on the root window for the keys a shown hint list takes.
#pragma once

#include "platform/keywatcher.h"
#include "platform/x11/x11modifiers.h"

#include <memory>
#include <utility>
#include <vector>

namespace Qb::Platform {

class X11Connection;

// Two connections of its own: `control` (given; also holds the grabs, whose key events are
// dropped there because the recording reports the same presses) and a data connection that
// exists only while recording, read from the event loop through its socket. Starting and
// stopping are allowed from a keyPressed receiver. Each recorded key
// press is turned into a WatchedKeyPress by the symbol its key types with the Shift state it
// was pressed with, and handed on at once; nothing of it is kept.
class X11KeyWatcher final : public KeyWatcher
{
    Q_OBJECT

public:
    // `control` may be null (no display): then nothing can be recorded or withheld.
    explicit X11KeyWatcher(std::unique_ptr<X11Connection> control, QObject *parent = nullptr);
    ~X11KeyWatcher() override;

    bool startRecording() override;
    void stopRecording() override;
    bool recording() const override { return m_session != nullptr; }
    bool withholdListKeys(bool on) override;
    bool withholdingListKeys() const override { return m_withholding; }

    // The next `count` recorded presses are this program's own typing (X11TextSender) and are
    // not handed on. Forgotten when recording stops.
    void skipOwnPresses(int count) { m_ownPresses += count; }

private:
    friend struct X11KeyWatcherAccess;
    struct Session; // one recording: its data connection and whether it still delivers

    void keyRecorded(unsigned keycode, unsigned state);
    std::vector<std::pair<unsigned, unsigned>> listKeyGrabs() const; // keycode, mask

    std::unique_ptr<X11Connection> m_control;
    std::unique_ptr<Session> m_session;
    // Stopped recordings whose data connection may still be on the call stack (a press being
    // handed on can lead to the stop); closed from the event loop.
    std::vector<std::unique_ptr<Session>> m_retired;
    bool m_withholding = false;
    std::vector<std::pair<unsigned, unsigned>> m_grabbed; // keycode, full modifier state: in force while withholding
    X11ModifierMasks m_masks;
    int m_ownPresses = 0;
};

} // namespace Qb::Platform
