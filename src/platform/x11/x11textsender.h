// SPDX-License-Identifier: GPL-3.0-or-later
// Text sent into another program's window on X11: XTest key presses of the current layout, or
// the clipboard and the program's paste key.
#pragma once

#include "platform/keystrokeplan.h"
#include "platform/textsender.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <memory>
#include <unordered_map>

class QMimeData;

namespace Qb::Platform {

class X11Connection;

// Works on a connection of its own. A send waits until the keys that chose it (the digit) are
// released, sets the user's modifiers aside, types up to a few hundred keys per pass of the
// event loop and puts the modifiers back; the keycodes lent to characters the layout has no
// key for are emptied again a moment after the last of them was pressed.
class X11TextSender final : public TextSender
{
    Q_OBJECT

public:
    explicit X11TextSender(std::unique_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~X11TextSender() override;

    bool sendText(WindowId window, const QString &text, TextSendMethod method) override;
    bool sending() const override { return !m_jobs.empty(); }

Q_SIGNALS:
    // The key presses just made (of the text, Shift and the modifiers put back), before the
    // server reports them to anyone watching the keyboard.
    void pressesSent(int count);

private:
    struct Job
    {
        WindowId window = 0;
        QString text;                      // for pasting
        std::vector<KeySymbol> keysyms;    // for typing
        TextSendMethod method = TextSendMethod::Typing;
        std::size_t next = 0;
        bool started = false;
        std::int64_t waitingSince = 0;
    };

    void step();
    bool startJob(Job &job);
    void typeSome(Job &job);
    void finishJob();
    void paste(Job &job);
    void restoreClipboard();

    bool nonModifierKeyDown();
    void readLayout();
    ModifierState readModifiers();
    void apply(const std::vector<ModifierStep> &steps);
    void pressKey(KeyCode keycode, bool shift);
    void fakeKey(KeyCode keycode, bool down);
    void reportPresses();
    void mapKey(KeyCode keycode, KeySymbol keysym);
    void emptySpareKeys();
    bool isTerminal(WindowId window);

    std::unique_ptr<X11Connection> m_connection;
    std::deque<Job> m_jobs;
    QTimer m_stepTimer;
    QTimer m_emptyTimer;                   // empties the lent keycodes
    QElapsedTimer m_clock;
    ModifierState m_saved;
    std::unordered_map<KeySymbol, LayoutKey> m_layout;
    std::vector<KeyCode> m_modifierKeys;
    KeyCode m_shiftKey = 0;
    int m_keysymsPerKeycode = 0;
    std::unique_ptr<SpareKeycodes> m_spare;
    // The paste in progress: the user's clipboard contents, put back once the window took ours.
    std::unique_ptr<QMimeData> m_savedClipboard;
    bool m_pasting = false;
    int m_presses = 0;                     // made since the last pressesSent
    QTimer m_pasteTimer;
};

} // namespace Qb::Platform
