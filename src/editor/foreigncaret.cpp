// SPDX-License-Identifier: GPL-3.0-or-later
// The hint list at another program's caret.
#include "editor/foreigncaret.h"

namespace Qb::Editor {

ForeignCaret::ForeignCaret(Platform::CaretLocator &locator, std::function<void(QPoint)> moveWindow,
                           std::function<void()> showWindow, QObject *parent)
    : QObject(parent)
    , m_locator(locator)
    , m_moveWindow(std::move(moveWindow))
    , m_showWindow(std::move(showWindow))
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(AnswerWaitMs);
    connect(&m_deadline, &QTimer::timeout, this, &ForeignCaret::settle);
    connect(&m_locator, &Platform::CaretLocator::caretFound, this, &ForeignCaret::onFound);
    connect(&m_locator, &Platform::CaretLocator::caretUnknown, this, &ForeignCaret::onUnknown);
    connect(&m_locator, &Platform::CaretLocator::caretMoved, this, &ForeignCaret::onCaretMoved);
}

void ForeignCaret::setWanted(bool wanted)
{
    if (!wanted)
        cancel();
    if (wanted != m_locator.connected())
        m_locator.setConnected(wanted);
}

void ForeignCaret::locate(Platform::WindowId window)
{
    m_window = window;
    m_following = true;
    ask();
}

void ForeignCaret::ask()
{
    if (!m_locator.connected())
        return;
    ++m_request;
    // A question asked while another waits keeps the first one's deadline: a caret moving on
    // and on never holds the list back for longer.
    if (!m_deadline.isActive())
        m_deadline.start();
    m_locator.requestCaret(m_request, m_window);
}

void ForeignCaret::show()
{
    if (waiting())
        m_showPending = true;
    else
        m_showWindow();
}

void ForeignCaret::cancel()
{
    m_applied = m_request; // an answer on its way is for nobody
    m_deadline.stop();
    m_showPending = false;
    m_following = false;
}

void ForeignCaret::onFound(quint64 request, QRect cell)
{
    if (!m_following || request <= m_applied)
        return;
    m_applied = request;
    m_moveWindow(cell.topLeft() + QPoint(10, 20));
    if (waiting())
        settle();
}

void ForeignCaret::onUnknown(quint64 request)
{
    if (request == m_request && waiting())
        settle();
}

void ForeignCaret::onCaretMoved()
{
    if (m_following)
        ask();
}

void ForeignCaret::settle()
{
    m_deadline.stop();
    if (std::exchange(m_showPending, false))
        m_showWindow();
}

} // namespace Qb::Editor
