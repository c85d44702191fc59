// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the command hints' wiring. Creates the hint controller and connects the 功能(&G)
// items 命令提示, 光标跟踪 and 添加命令提示.
#include "app/ui/mainwindow.h"

#include "app/appcontext.h"
#include "editor/ui/hintcontroller.h"
#include "editor/ui/hintentrydialog.h"
#include "editor/ui/scripteditor.h"

#include <QAction>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace Keys = Settings::Keys;

void MainWindow::wireHints()
{
    QAction *tracking = menuAction(u"光标跟踪"_s);
    m_hints = new Editor::HintController(*m_editor, m_context.CommandStore, m_context.TargetWindow,
                                         *m_context.Native, [tracking] { return tracking->isChecked(); }, this);
    m_hints->delivery().setIntoTarget([this] { return m_context.TypeIntoTarget; });
    m_hints->delivery().setMethod([this] { return Editor::textSendMethodFromSetting(m_context.TypeIntoTargetMethod); });
    connect(menuAction(u"命令提示"_s), &QAction::triggered, this, &MainWindow::ToggleHints);
    connect(tracking, &QAction::triggered, this, &MainWindow::ToggleCursorTracking);
    connect(menuAction(u"添加命令提示"_s), &QAction::triggered, this, &MainWindow::openHintEntryDialog);
}

// The item's check mark has already changed when this runs.
void MainWindow::ToggleHints(bool checked)
{
    if (checked)
        m_hints->InstallKeyboardHook();
    m_context.HintsOn = checked;
    m_hints->setHintsOn(checked);
    m_context.SettingsFile.writeBool(Keys::Mlts, checked);
}

void MainWindow::ToggleCursorTracking(bool checked)
{
    m_context.SettingsFile.writeBool(Keys::Gbgz, checked);
}

void MainWindow::openHintEntryDialog()
{
    Resources::DefinedWindow::OpenWindow<Editor::HintEntryDialog>(this, true, m_context.CommandStore);
}

} // namespace Qb::App
