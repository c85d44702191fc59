// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's edge wiring: docking into a strip at a screen edge and sliding out again,
// handled by the edge controller.
#include "app/ui/mainwindow.h"

#include "app/ui/edgecontroller.h"

#include <QWindow>

namespace Qb::App {

void MainWindow::wireEdge()
{
    m_edge = new EdgeController(*this, m_context, *m_shrinkTimer, [this](bool onTop) { setAlwaysOnTop(onTop); });
    m_edge->setObjectName(QStringLiteral("edgeController"));
    connect(m_edge, &EdgeController::sizeSettled, this, &MainWindow::storeNormalSize);
}

void MainWindow::startupAttachEdge()
{
    m_edge->attach();
}

void MainWindow::edgeShrinkTick()
{
    m_edge->OnShrinkTimer();
}

void MainWindow::edgeRestoreAfterMove()
{
    m_edge->OnMainWindowMoved();
}

void MainWindow::edgeExpandFromTray()
{
    m_edge->ExpandFromEdge(true);
}

void MainWindow::applyWindowFlags(Qt::WindowFlags flags)
{
    QWindow *native = windowHandle();
    if (native && testAttribute(Qt::WA_WState_Created)) {
        overrideWindowFlags(flags);
        native->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

} // namespace Qb::App
