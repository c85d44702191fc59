// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the start-up steps, LoadSettings, first activation, the tray icon and shut-down.
#include "app/ui/mainwindow.h"

#include "app/appcontext.h"
#include "app/commanddatabase.h"
#include "editor/ui/hintcontroller.h"
#include "library/ui/categorytreecontroller.h"
#include "resources/shellwindows.h"
#include "resources/icons.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QLayout>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTreeWidget>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace Keys = Settings::Keys;

bool MainWindow::OnMainWindowCreated()
{
    if (!runStartup(*this))
        return false;
    m_created = true;
    // The client area takes the size LoadSettings gave the window before the first layout.
    layout()->activate();
    OnMainWindowMoved();
    OnMainWindowResized();
    return true;
}

// Start-up steps.

void MainWindow::locateSettings()
{
    m_context.SettingsPath = m_context.ProgramDirectory + u"/mlkpz.ini"_s;
    m_context.SettingsFile = Settings::AppSettings(m_context.SettingsPath);
}

void MainWindow::locateDatabase()
{
    m_context.DatabasePath = databasePathIn(m_context.ProgramDirectory);
    createDatabaseIfMissing(m_context.DatabasePath);
}

bool MainWindow::openDatabase()
{
    return openCommandDatabase(m_context.CommandStore, m_context.DatabasePath);
}

void MainWindow::buildCategoryTree()
{
    startupBuildCategoryTree();
}

void MainWindow::loadSettings()
{
    LoadSettings(m_context.SettingsFile, m_context, *this);
}

bool MainWindow::hintsOn() const
{
    return m_context.HintsOn;
}

void MainWindow::installKeyboardHook()
{
    m_hints->setHintsOn(m_context.HintsOn);
    m_hints->InstallKeyboardHook();
}

void MainWindow::subclassMainWindow()
{
    startupAttachEdge();
}

void MainWindow::addTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(Resources::mainWindowIcon(), this);
    m_tray->setObjectName(u"trayIcon"_s);
    m_tray->setToolTip(u"Quillbox"_s);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            OnTrayIconEvent(1);
        else if (reason == QSystemTrayIcon::DoubleClick)
            OnTrayIconEvent(2);
        else if (reason == QSystemTrayIcon::Context)
            OnTrayIconEvent(3);
    });
    m_tray->show();
}

void MainWindow::setCaption()
{
    setWindowTitle(u"Quillbox"_s);
}

void MainWindow::initHotkeyRegistry()
{
    startupInitHotkeyRegistry();
}

void MainWindow::registerCaptureHotkey()
{
    startupRegisterCaptureHotkey();
}

void MainWindow::restoreFileBrowser()
{
    startupRestoreFileBrowser();
}

// LoadSettings targets.

void MainWindow::loadHintWindow()
{
    m_hints->loadHintWindow();
}

void MainWindow::checkHintsItem(bool checked)
{
    menuAction(u"命令提示"_s)->setChecked(checked);
}

void MainWindow::setAlwaysOnTop(bool onTop)
{
    if (alwaysOnTop() == onTop)
        return;
    const Qt::WindowFlags flags = windowFlags();
    applyWindowFlags(onTop ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint);
}

void MainWindow::checkCursorTrackingItem(bool checked)
{
    menuAction(u"光标跟踪"_s)->setChecked(checked);
}

void MainWindow::resizeWindow(int width, int height)
{
    resize(width, height);
}

void MainWindow::moveWindow(int left, int top)
{
    move(left, top);
}

// Window-level events.

void MainWindow::OnMainWindowResized()
{
    LayoutMainWindow(LayoutMode::Full);
}

void MainWindow::OnMainWindowMoved()
{
    edgeRestoreAfterMove();
}

void MainWindow::OnShrinkTimer()
{
    edgeShrinkTick();
}

void MainWindow::OnMainWindowFirstActivated()
{
    if (m_context.SettingsFile.readBool(Keys::DescriptionWindow))
        ShowDescriptionWindow();
    Hotkeys::InitTargetWindow(m_context.TargetWindow);
}

void MainWindow::ShowDescriptionWindow()
{
    if (!m_descriptionWindow) {
        m_descriptionWindow = Resources::DefinedWindow::OpenWindow<Resources::DescriptionWindow>(this, false, m_context.SettingsFile);
        m_context.SettingsFile.writeBool(Keys::DescriptionWindow, true);
    }
    m_descriptionWindow->move(x(), y() + frameGeometry().height());
}

void MainWindow::OnTrayIconEvent(int kind)
{
    if (kind == 1) {
        if (!isVisible())
            show();
        raise();
        activateWindow();
        edgeExpandFromTray();
    } else if (kind == 3) {
        QMenu *control = menu(u"控制"_s);
        raise();
        activateWindow();
        control->popup(trayMenuPosition(QCursor::pos(), control->sizeHint()));
    }
}

void MainWindow::openSettingsWindow()
{
    openSettingsDialog();
}

void MainWindow::showAbout()
{
    Resources::DefinedWindow::OpenWindow<Resources::AboutWindow>(this, true);
}

void MainWindow::copyInfoSelection(bool all)
{
    if (all)
        m_info->selectAll();
    m_info->copy();
}

// Shut-down.

void MainWindow::OnMainWindowDestroying()
{
    m_destroyed = true;
    runShutdown(*this);
    // Ending the program takes the description window along without its may-close event, so
    // 提示窗 keeps "真" and the window comes back at the next start.
    delete m_descriptionWindow.data();
    if (m_tray)
        m_tray->hide();
    emit destroying();
}

void MainWindow::closeDatabase()
{
    m_context.CommandStore.CloseResultSet();
    m_context.CommandStore.Close();
}

bool MainWindow::treeItemSelected() const
{
    return m_library->categoryToRemember().has_value();
}

void MainWindow::rememberCurrentCategory()
{
    m_context.SettingsFile.write(Keys::Kuozhanxiang, QString::number(*m_library->categoryToRemember()));
}

bool MainWindow::keyboardHookInstalled() const
{
    return m_hints->keyboardHookInstalled();
}

void MainWindow::removeKeyboardHook()
{
    m_hints->removeKeyboardHook();
}

bool MainWindow::hintWindowLoaded() const
{
    return m_hints->hintWindowLoaded();
}

void MainWindow::destroyHintWindow()
{
    m_hints->destroyHintWindow();
}

bool MainWindow::minimised() const
{
    return isMinimized();
}

void MainWindow::storePosition()
{
    m_context.SettingsFile.writeInt(Keys::Left, x());
    m_context.SettingsFile.writeInt(Keys::Top, y());
}

} // namespace Qb::App
