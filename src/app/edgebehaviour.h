// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's edge docking: when it slides into a strip at a screen edge, how the strip
// slides out again, and when a strip that was dragged away gets its normal size back.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace Qb::App {

struct AppContext;

// What the edge rules read from and do to the main window. Rectangles are the window's outer
// (frame) rectangle in screen pixels: right = left + width, bottom = top + height.
class EdgeWindow
{
public:
    virtual ~EdgeWindow() = default;
    virtual QRect outerRect() const = 0;
    virtual void setOuterRect(const QRect &rect) = 0;
    virtual bool minimised() const = 0;
    // None while shrunk; otherwise the normal, resizable border.
    virtual bool borderNone() const = 0;
    virtual void setBorderNone(bool none) = 0;
    // 时钟_收缩: running at 50 ms, or stopped.
    virtual bool timerRunning() const = 0;
    virtual void setTimerRunning(bool running) = 0;
    // The pointer's screen position and whether the left button is held down, read at the
    // moment of the call wherever the pointer is.
    virtual QPoint pointerPosition() const = 0;
    virtual bool leftButtonDown() const = 0;
    // Width of the primary screen in pixels (SW).
    virtual int screenWidth() const = 0;
    // What the normal, resizable border adds to the client area's width and height (0 x 0 where
    // the window system draws no frame). NormalWidth and NormalHeight count the client area, so
    // the normal outer size is theirs plus this.
    virtual QSize normalBorderSize() const = 0;
    virtual void bringToForeground() = 0;
    virtual void setAlwaysOnTop(bool onTop) = 0;
    // Delay: processes pending events for at least `ms` milliseconds. False when the window went
    // away meanwhile (the program is ending): the caller then stops touching it.
    virtual bool delay(int ms) = 0;
};

// The edge behaviour of one main window. Owned by the window's edge controller; UI thread only.
// The step sizes and the normal size are read from the context at each call, so a resize of the
// normal window is followed at once. An expand or restore ends at the normal outer size
// (NormalWidth x NormalHeight plus the normal border), so that once the border is back the client
// area has exactly its stored size.
//
// Animations process pending events between their steps, so these handlers can be re-entered:
// a shrink or expand that starts while another animation runs is ignored, and moves reported
// while an animation runs are its own. A move that reports a position the last animation set is
// an echo of that change (the window system confirms moves later, some after the animation has
// ended), not a drag.
//
// Sizes settle the same way. Once an expand or restore has given the border back, the window
// system may still report sizes the edge code set while the window was borderless (a late
// confirmation of an animation step, or a window manager framing the window at its old size
// before it applies the new one). Until the normal client size has been reported, such a window
// is settling and its size is not stored; a report of any other size (one the window manager or
// the user chose) also ends the settling, so it never outlasts the expand.
//
// A step of 0 or less (收缩速度 edited by hand) cannot make an animation progress: the animation
// then ends at once at its final rectangle.
class EdgeBehaviour
{
public:
    EdgeBehaviour(AppContext &context, EdgeWindow &window);

    // A tick of 时钟_收缩: shrinks to the right, left or top edge (in this order) once the pointer
    // has left the window, unless the left button was held at the last reading inside it.
    void OnShrinkTimer();
    // The pointer passed over the window (fromTray false) or the tray icon was clicked (true):
    // slides a strip out to the normal size; then, unless fromTray, restarts a stopped timer
    // when the window lies at left <= 0, at the right edge or at top = 0.
    void ExpandFromEdge(bool fromTray);
    // The window moved: a strip dragged away from its edge gets its normal size and border back.
    void OnMainWindowMoved();

    // The window system reported this client size (a change it confirmed, not one the program
    // asked for). True when the report ended the settling.
    bool clientSizeReported(QSize client);
    // While true, a layout pass does not store the window size.
    bool settling() const { return m_awaitedSize.isValid(); }

    bool animating() const { return m_animating; }

    // Pixels between a window and the screen edge within which it docks.
    static constexpr int DockDistance = 5;
    // Width (or height) of a shrunk strip.
    static constexpr int StripSize = 2;
    // Milliseconds between two animation steps.
    static constexpr int StepDelay = 10;

private:
    class AnimationScope;

    void shrinkRight(int sw);
    void shrinkLeft();
    void shrinkTop();
    bool expandLeft(QRect r);
    bool expandRight(QRect r, int sw);
    bool expandTop(QRect r);
    void finishExpand();
    void restore(QRect r);
    void awaitNormalSize();
    qint64 normalWidth() const;
    qint64 normalHeight() const;
    void removeBorder();
    void endShrink(const QRect &r);
    void apply(const QRect &r);
    bool step(const QRect &r);

    AppContext &m_context;
    EdgeWindow &m_window;
    bool m_animating = false;
    QList<QPoint> m_ownPositions; // positions set by the last animation or restore
    QList<QSize> m_ownSizes;      // sizes set while borderless, since the border last went
    QSize m_reportedSize;         // the client size the window system last reported, unless
                                  // the edge code has changed the size since
    QSize m_awaitedSize;          // while settling: the normal client size; invalid otherwise
};

} // namespace Qb::App
