// SPDX-License-Identifier: GPL-3.0-or-later
// Where another program's text caret is, as that program reports it on the accessibility bus.
#pragma once

#include "platform/windowsystem.h"

#include <QObject>
#include <QRect>

namespace Qb::Platform {

// Owned by NativePlatform; UI thread only. Nothing here ever waits for another program: every
// question is asked asynchronously and its answer, if any, arrives later from the event loop.
// The connection to the accessibility bus exists only between setConnected(true) and
// setConnected(false); the texts of other programs are never read, only caret positions.
class CaretLocator : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~CaretLocator() override = default;

    // Joins or leaves the accessibility bus. Joining takes effect later (the bus's address is
    // asked for first); until then requests are answered with caretUnknown.
    virtual void setConnected(bool on) = 0;
    virtual bool connected() const = 0;

    // Asks where the caret of the text with the keyboard focus lies, provided that text belongs
    // to the program that shows `window`. Answered by caretFound or caretUnknown with the same
    // `request`, never from within this call; a program that does not reply may leave it
    // unanswered.
    virtual void requestCaret(quint64 request, WindowId window) = 0;

Q_SIGNALS:
    // The character cell at the caret, in screen pixels (its left edge is the caret).
    void caretFound(quint64 request, QRect cell);
    void caretUnknown(quint64 request);
    // The caret of the focused text moved, in whichever program.
    void caretMoved();
};

} // namespace Qb::Platform
