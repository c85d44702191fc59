// SPDX-License-Identifier: GPL-3.0-or-later
// Placing the hint list at another program's caret, as that program reports it on the
// accessibility bus, within a short wait; beside the pointer when it does not answer in time.
#pragma once

#include "platform/caretlocator.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace Qb::Editor {

// Owned by the hint controller; UI thread only. The controller has already put the window
// beside the pointer when it asks for a placement; showing the list waits for the caret at most
// AnswerWaitMs, and the list goes to the caret + (10, 20) when it is known by then. A program
// that does not answer leaves the list beside the pointer. While the list shows, its caret is
// followed: a caret that moves (the program handles the typed letter after the key was seen) is
// asked for again, and each answer newer than the last one applied moves the list, also one that
// came after the wait (a loaded machine) — a list at the caret is never moved back to the
// pointer. Nothing is applied once the list hides.
class ForeignCaret : public QObject
{
    Q_OBJECT

public:
    static constexpr int AnswerWaitMs = 50;

    ForeignCaret(Platform::CaretLocator &locator, std::function<void(QPoint)> moveWindow,
                 std::function<void()> showWindow, QObject *parent = nullptr);

    // The accessibility connection is wanted (a foreign window is the target and hints are on).
    void setWanted(bool wanted);
    // Asks for the caret of `window`'s program; the list's showing waits for the answer.
    void locate(Platform::WindowId window);
    // Shows the list now, or when the pending question is answered or its wait has passed.
    void show();
    // The list hides: nothing pending is shown, nothing more is followed.
    void cancel();
    bool waiting() const { return m_deadline.isActive(); }

private:
    void ask();
    void onFound(quint64 request, QRect cell);
    void onUnknown(quint64 request);
    void onCaretMoved();
    void settle();

    Platform::CaretLocator &m_locator;
    std::function<void(QPoint)> m_moveWindow;
    std::function<void()> m_showWindow;
    QTimer m_deadline;
    quint64 m_request = 0;  // the last question asked
    quint64 m_applied = 0;  // the last question whose answer moved the list
    Platform::WindowId m_window = 0;
    bool m_showPending = false;
    bool m_following = false;
};

} // namespace Qb::Editor
