// SPDX-License-Identifier: GPL-3.0-or-later
// HintWindow: the small floating list of command hints. It draws what the hint state machine
// gives it and hands mouse clicks back; it never takes the keyboard focus.
#pragma once

#include "editor/hintstatemachine.h"

#include <QPixmap>
#include <QWidget>

namespace Qb::Editor {

// The drawing panel 画板1: shows a copy of the hidden surface, turns clicks on a line into a
// choice and clicks elsewhere into moving the window.
class HintPanel : public QWidget
{
    Q_OBJECT

public:
    HintPanel(HintStateMachine &machine, QWidget *parent);

    // Replaces the shown picture.
    void showSurface(const QPixmap &surface);
    // Draws the outlines of the ten hit rectangles over the shown picture.
    void drawOutlines();
    const QPixmap &shown() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    HintStateMachine &m_machine;
    QPixmap m_shown;
    std::optional<QPoint> m_dragOffset; // pointer position in the window while moving it
};

// Borderless, always on top, not in the taskbar, 160 × 176, created centred at the bottom of
// the screen. Between lists it is hidden (which is what "fully transparent" means here: no
// compositor needed, and mouse input goes to the windows below). Owned by the hint controller;
// UI thread only.
class HintWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HintWindow(HintStateMachine &machine);

    // DrawHintPage's drawing: the lines on the hidden surface, then the surface onto 画板1.
    void drawPage(const QList<HintLine> &lines);
    // Shows the list without taking the focus from the window being typed in.
    void showList();
    HintPanel *panel() const { return m_panel; }
    // The font of the lines: 宋体 (or the CJK font that stands in for it), bold, 16 px high.
    static QFont lineFont();

private:
    HintPanel *m_panel;
    QPixmap m_surface;
};

} // namespace Qb::Editor
