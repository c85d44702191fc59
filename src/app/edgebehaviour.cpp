// SPDX-License-Identifier: GPL-3.0-or-later
// The edge docking rules: shrink on the timer, expand on pointer-over or a tray click, restore
// after a drag. Arithmetic runs in 64 bits so that a huge step from the settings file cannot
// overflow; every value that reaches a rectangle lies between the window's own coordinates.
#include "app/edgebehaviour.h"

#include "app/appcontext.h"

#include <algorithm>
#include <climits>

namespace Qb::App {

namespace {

qint64 rightOf(const QRect &r)
{
    return qint64(r.x()) + r.width();
}

qint64 bottomOf(const QRect &r)
{
    return qint64(r.y()) + r.height();
}

// A window at most this small in either direction may be a strip; larger ones are never restored.
constexpr int StripLimit = 10;

} // namespace

// Marks an animation as running for the lifetime of the scope.
class EdgeBehaviour::AnimationScope
{
public:
    explicit AnimationScope(EdgeBehaviour &b)
        : m_b(b)
    {
        m_b.m_animating = true;
        m_b.m_ownPositions.clear();
    }
    ~AnimationScope() { m_b.m_animating = false; }
    AnimationScope(const AnimationScope &) = delete;
    AnimationScope &operator=(const AnimationScope &) = delete;

private:
    EdgeBehaviour &m_b;
};

EdgeBehaviour::EdgeBehaviour(AppContext &context, EdgeWindow &window)
    : m_context(context)
    , m_window(window)
{
}

void EdgeBehaviour::OnShrinkTimer()
{
    if (m_animating)
        return;
    if (m_window.minimised()) {
        m_window.setTimerRunning(false);
        return;
    }
    const QRect r = m_window.outerRect();
    const QPoint p = m_window.pointerPosition();
    if (r.x() <= p.x() && p.x() <= rightOf(r) && r.y() <= p.y() && p.y() <= bottomOf(r)) {
        m_context.LeftButtonHeld = m_window.leftButtonDown();
        return;
    }
    if (m_context.LeftButtonHeld)
        return;
    const int sw = m_window.screenWidth();
    if (rightOf(r) > sw - DockDistance)
        shrinkRight(sw);
    else if (r.x() < DockDistance)
        shrinkLeft();
    else if (r.y() < DockDistance)
        shrinkTop();
}

void EdgeBehaviour::shrinkRight(int sw)
{
    AnimationScope scope(*this);
    removeBorder();
    QRect r = m_window.outerRect();
    const qint64 stepX = m_context.ShrinkStepX;
    while (stepX > 0 && r.x() < sw - StripSize) {
        const qint64 left = r.x() + stepX;
        if (left > sw - StripSize)
            break;
        const qint64 width = r.width() - stepX;
        r = QRect(int(left), r.y(), width < StripSize ? 3 : int(width), r.height());
        if (!step(r))
            return;
    }
    endShrink(QRect(sw - StripSize, r.y(), StripSize, r.height()));
}

void EdgeBehaviour::shrinkLeft()
{
    AnimationScope scope(*this);
    removeBorder();
    QRect r = m_window.outerRect();
    r.moveLeft(0);
    apply(r);
    const qint64 stepX = m_context.ShrinkStepX;
    while (stepX > 0 && r.width() > StripSize) {
        const qint64 width = r.width() - stepX;
        if (width < StripSize)
            break;
        r.setWidth(int(width));
        if (!step(r))
            return;
    }
    r.setWidth(StripSize);
    endShrink(r);
}

void EdgeBehaviour::shrinkTop()
{
    AnimationScope scope(*this);
    removeBorder();
    QRect r = m_window.outerRect();
    r.moveTop(0);
    apply(r);
    const qint64 stepY = m_context.ShrinkStepY;
    while (stepY > 0 && r.height() > StripSize) {
        const qint64 height = r.height() - stepY;
        if (height < StripSize)
            break;
        r.setHeight(int(height));
        if (!step(r))
            return;
    }
    r.setHeight(StripSize);
    endShrink(r);
}

void EdgeBehaviour::removeBorder()
{
    m_awaitedSize = QSize();
    m_ownSizes.clear();
    m_reportedSize = QSize();
    m_window.setBorderNone(true);
    m_ownSizes.append(m_window.outerRect().size());
}

void EdgeBehaviour::endShrink(const QRect &r)
{
    apply(r);
    m_window.setTimerRunning(false);
}

void EdgeBehaviour::ExpandFromEdge(bool fromTray)
{
    if (m_animating)
        return;
    const QRect r = m_window.outerRect();
    const int sw = m_window.screenWidth();
    bool finished = true;
    if (r.x() <= 0)
        finished = expandLeft(r);
    else if (rightOf(r) >= sw)
        finished = expandRight(r, sw);
    else if (r.y() == 0)
        finished = expandTop(r);
    else
        return;
    if (finished && !fromTray && !m_window.timerRunning())
        m_window.setTimerRunning(true);
}

bool EdgeBehaviour::expandLeft(QRect r)
{
    AnimationScope scope(*this);
    r.moveLeft(0);
    apply(r);
    if (r.width() != StripSize)
        return true;
    m_window.bringToForeground();
    const qint64 normal = normalWidth();
    const qint64 stepX = m_context.ShrinkStepX;
    while (stepX > 0 && r.width() < normal) {
        const qint64 width = r.width() + stepX;
        if (width >= normal)
            break;
        r.setWidth(int(width));
        if (!step(r))
            return false;
    }
    r.setWidth(int(normal));
    apply(r);
    finishExpand();
    return true;
}

bool EdgeBehaviour::expandRight(QRect r, int sw)
{
    if (r.width() != StripSize)
        return true;
    AnimationScope scope(*this);
    m_window.bringToForeground();
    r.moveLeft(sw - 3);
    apply(r);
    const qint64 normal = normalWidth();
    const qint64 stepX = m_context.ShrinkStepX;
    const qint64 target = sw - normal;
    qint64 left = r.x();
    qint64 width = r.width();
    while (stepX > 0 && left > target) {
        left -= stepX;
        if (left <= target)
            break;
        width = std::min(width + stepX, normal);
        r = QRect(int(left), r.y(), int(width), r.height());
        if (!step(r))
            return false;
    }
    apply(QRect(int(target), r.y(), int(normal), r.height()));
    finishExpand();
    return true;
}

bool EdgeBehaviour::expandTop(QRect r)
{
    if (r.height() != StripSize)
        return true;
    AnimationScope scope(*this);
    m_window.bringToForeground();
    const qint64 normal = normalHeight();
    const qint64 stepY = m_context.ShrinkStepY;
    while (stepY > 0 && r.height() < normal) {
        const qint64 height = r.height() + stepY;
        if (height >= normal)
            break;
        r.setHeight(int(height));
        if (!step(r))
            return false;
    }
    r.setHeight(int(normal));
    apply(r);
    finishExpand();
    return true;
}

void EdgeBehaviour::finishExpand()
{
    awaitNormalSize();
    m_window.setBorderNone(false);
    // Switching always-on-top on and off raises the window and leaves it not on top.
    m_window.setAlwaysOnTop(true);
    m_window.setAlwaysOnTop(false);
}

void EdgeBehaviour::OnMainWindowMoved()
{
    if (m_animating || m_window.minimised())
        return;
    const QRect r = m_window.outerRect();
    if (r.width() >= StripLimit && r.height() >= StripLimit)
        return;
    // The window system reports the positions the edge code set one by one, some of them after
    // the animation has ended; none of them is a drag.
    if (m_ownPositions.contains(r.topLeft()))
        return;
    const int sw = m_window.screenWidth();
    const bool draggedAway = r.x() > 0 && r.y() > 0 && rightOf(r) < sw - 3;
    if (draggedAway || r.y() < 3)
        restore(r);
}

void EdgeBehaviour::restore(QRect r)
{
    if (r.width() != normalWidth())
        r.setWidth(int(normalWidth()));
    if (r.height() != normalHeight())
        r.setHeight(int(normalHeight()));
    m_ownPositions.clear();
    apply(r);
    awaitNormalSize();
    if (m_window.borderNone())
        m_window.setBorderNone(false);
    m_window.setTimerRunning(true);
}

void EdgeBehaviour::awaitNormalSize()
{
    const QSize normal(m_context.NormalWidth, m_context.NormalHeight);
    m_awaitedSize = m_reportedSize == normal ? QSize() : normal;
}

bool EdgeBehaviour::clientSizeReported(QSize client)
{
    m_reportedSize = client;
    if (!settling() || (client != m_awaitedSize && m_ownSizes.contains(client)))
        return false;
    m_awaitedSize = QSize();
    return true;
}

qint64 EdgeBehaviour::normalWidth() const
{
    return std::min<qint64>(qint64(m_context.NormalWidth) + m_window.normalBorderSize().width(), INT_MAX);
}

qint64 EdgeBehaviour::normalHeight() const
{
    return std::min<qint64>(qint64(m_context.NormalHeight) + m_window.normalBorderSize().height(), INT_MAX);
}

void EdgeBehaviour::apply(const QRect &r)
{
    if (r != m_window.outerRect()) {
        m_window.setOuterRect(r);
        m_reportedSize = QSize(); // until the window system confirms the change
    }
    // Borderless, the outer size is the client size the window system will report.
    if (m_window.borderNone() && !m_ownSizes.contains(r.size()))
        m_ownSizes.append(r.size());
    if (!m_ownPositions.contains(r.topLeft()))
        m_ownPositions.append(r.topLeft());
}

bool EdgeBehaviour::step(const QRect &r)
{
    apply(r);
    return m_window.delay(StepDelay);
}

} // namespace Qb::App
