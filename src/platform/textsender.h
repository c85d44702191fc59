// SPDX-License-Identifier: GPL-3.0-or-later
// Putting text into another program's window as if the user had typed it there: the command
// hints' remainder when it is to land where the user types.
#pragma once

#include "platform/windowsystem.h"

#include <QObject>
#include <QString>

namespace Qb::Platform {

// How the text reaches the window.
enum class TextSendMethod {
    // Key presses of the current keyboard layout; characters the layout has no key for go
    // through a key mapped for them for the moment. Works in every program.
    Typing,
    // The clipboard and the program's paste key (Ctrl+V, Ctrl+Shift+V in a terminal); the
    // clipboard's earlier contents are put back afterwards.
    Paste,
};

// Owned by NativePlatform; UI thread only. Sending never blocks the event loop for long: a long
// text goes out in parts from the event loop. Texts given while one is still being sent follow
// it in order. The text is never stored beyond the send, written anywhere or printed.
class TextSender : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~TextSender() override = default;

    // Sends `text` to `window`, which is expected to hold the keyboard focus. "\r\n" and "\n"
    // arrive as one Return, "\t" as Tab. The keys the user holds or has locked (Shift, Caps
    // Lock) do not change what arrives and are as before afterwards. Returns false when this
    // platform cannot send to other programs (nothing is sent).
    virtual bool sendText(WindowId window, const QString &text, TextSendMethod method) = 0;
    // True from a sendText until everything given has been sent.
    virtual bool sending() const = 0;

Q_SIGNALS:
    // Everything given so far has been sent (or dropped because the window went away).
    void idle();
};

} // namespace Qb::Platform
