// SPDX-License-Identifier: GPL-3.0-or-later
// The draggable splitter bar.
#include "app/ui/splitterbar.h"

#include <QMouseEvent>
#include <QPainter>

namespace Qb::App {

SplitterBar::SplitterBar(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent)
    , m_orientation(orientation)
{
    setCursor(orientation == Qt::Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    setAttribute(Qt::WA_Hover);
}

int SplitterBar::along(QPoint point) const
{
    return m_orientation == Qt::Vertical ? point.x() : point.y();
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_grabOffset = along(event->position().toPoint());
    m_dragPosition = along(pos());
    update();
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_dragPosition = along(mapToParent(event->position().toPoint())) - m_grabOffset;
    update();
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    m_dragPosition = along(mapToParent(event->position().toPoint())) - m_grabOffset;
    update();
    emit moved(m_dragPosition);
}

void SplitterBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(m_dragging ? QPalette::Mid : QPalette::Button));
}

} // namespace Qb::App
