// SPDX-License-Identifier: GPL-3.0-or-later
// The hint window and its drawing panel.
#include "editor/ui/hintwindow.h"

#include "resources/windowdefinitions.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace Qb::Editor {

namespace {

const Resources::ControlDefinition &panelDefinition()
{
    return Resources::hintWindowDefinition().controls.front();
}

QColor background()
{
    return QColor::fromRgb(panelDefinition().background.value_or(0xECECEC));
}

} // namespace

HintPanel::HintPanel(HintStateMachine &machine, QWidget *parent)
    : QWidget(parent)
    , m_machine(machine)
{
    setObjectName(QString::fromUtf8(panelDefinition().name));
    setGeometry(panelDefinition().geometry);
    setMouseTracking(true);
    m_shown = QPixmap(size());
    m_shown.fill(background());
}

void HintPanel::showSurface(const QPixmap &surface)
{
    m_shown = surface;
    update();
}

void HintPanel::drawOutlines()
{
    QPainter painter(&m_shown);
    painter.setPen(Qt::black);
    for (int k = 1; k <= HintPageSize; ++k) {
        // Outlines cover the rectangles' edges, which belong to them.
        const QRect &r = m_machine.hitRects().rect(k);
        painter.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
    }
    update();
}

void HintPanel::paintEvent(QPaintEvent *)
{
    QPainter(this).drawPixmap(0, 0, m_shown);
}

void HintPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_machine.pointerPressed(event->position().toPoint()))
        return;
    // Anywhere but on an entry the window follows the pointer until the button is released.
    m_dragOffset = event->globalPosition().toPoint() - window()->pos();
}

void HintPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
        return;
    }
    const Qt::CursorShape wanted = m_machine.overLine(event->position().toPoint()) ? Qt::PointingHandCursor
                                                                                    : Qt::ArrowCursor;
    if (cursor().shape() != wanted)
        setCursor(wanted);
}

void HintPanel::mouseReleaseEvent(QMouseEvent *)
{
    m_dragOffset.reset();
}

void HintPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_dragOffset.reset();
    m_machine.hitRects().reset(width());
    drawOutlines();
    event->accept();
}

HintWindow::HintWindow(HintStateMachine &machine)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    const Resources::WindowDefinition &d = Resources::hintWindowDefinition();
    setObjectName(QString::fromUtf8(d.name));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(d.size);
    m_panel = new HintPanel(machine, this);
    m_surface = QPixmap(m_panel->size());
    m_surface.fill(background());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - width() / 2, area.height() - height() - 30);
    }
    machine.hitRects().reset(m_panel->width());
    m_panel->drawOutlines();
}

QFont HintWindow::lineFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(HintLineHeight);
    font.setBold(true);
    return font;
}

void HintWindow::drawPage(const QList<HintLine> &lines)
{
    m_surface.fill(background());
    QPainter painter(&m_surface);
    painter.setFont(lineFont());
    for (const HintLine &line : lines) {
        painter.setPen(QColor::fromRgb(line.colour));
        painter.drawText(QRect(line.position, QSize(m_surface.width() * 4, HintLineHeight)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line.text);
    }
    painter.end();
    m_panel->showSurface(m_surface);
}

void HintWindow::showList()
{
    show();
}

} // namespace Qb::Editor
