// SPDX-License-Identifier: GPL-3.0-or-later
// A splitter bar: a thin control that the user drags to move the boundary between two areas.
#pragma once

#include <QWidget>

namespace Qb::App {

// The bar only reports where it was dropped; the main window's layout moves it and its
// neighbours. Owned by the main window; UI thread only.
class SplitterBar : public QWidget
{
    Q_OBJECT

public:
    SplitterBar(Qt::Orientation orientation, QWidget *parent);

    // Vertical: the bar divides left from right and is dragged sideways.
    Qt::Orientation orientation() const { return m_orientation; }

Q_SIGNALS:
    // The bar was dropped with its left (vertical bar) or top (horizontal bar) at `position`,
    // in the parent's coordinates.
    void moved(int position);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int along(QPoint point) const;

    Qt::Orientation m_orientation;
    int m_grabOffset = 0;
    bool m_dragging = false;
    int m_dragPosition = 0;
};

} // namespace Qb::App
