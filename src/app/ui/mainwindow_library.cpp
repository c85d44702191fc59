// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's library wiring: the category tree 树型框_分类, its click timer and the
// command and category items of the 命令(&M) menu, all handled by the library's controller.
#include "app/ui/mainwindow.h"

#include "app/appcontext.h"
#include "editor/ui/scripteditor.h"
#include "library/ui/categorytreecontroller.h"
#include "resources/shellwindows.h"
#include "settings/appsettings.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>

namespace Qb::App {

namespace {

using Controller = Library::Ui::CategoryTreeController;

// 命令(&M) items the library handles, by their objectName.
const std::pair<const char *, void (Controller::*)()> LibraryItems[] = {
    {"添加", &Controller::addCommand},
    {"修改", &Controller::modifyCommand},
    {"删除", &Controller::deleteSelected},
    {"复制", &Controller::copyName},
    {"连注释复制", &Controller::copyWithComment},
    {"添加分类", &Controller::addCategory},
    {"添加子类", &Controller::addSubCategory},
    {"修改分类说明...", &Controller::modifyCategoryDescription},
    {"重命名", &Controller::rename},
    {"查找命令", &Controller::findCommand},
};

} // namespace

void MainWindow::wireLibrary()
{
    Controller::Hooks hooks{
        [this](const QString &text) { m_editor->InsertAtCaret(text); },
        [this](const QString &text) { showLibraryDescription(text); },
        [this] { return m_context.AddChineseName; },
        [this](const QString &text) { showLibraryProgress(text); },
    };
    m_library = new Controller(m_tree, m_doubleClickTimer, m_context.CommandStore, hooks, this);
    const QString commandMenu = QStringLiteral("命令(&M)");
    for (const auto &[name, handler] : LibraryItems) {
        if (QAction *action = menuAction(QString::fromUtf8(name), commandMenu))
            connect(action, &QAction::triggered, m_library, handler);
    }
}

void MainWindow::startupBuildCategoryTree()
{
    // The first read of a category's commands passes over every command once (to answer
    // lookups by category); on a library this large it is left until the window shows.
    constexpr qint64 LargeLibraryBytes = 32 * 1024 * 1024;
    const bool large = QFileInfo(m_context.DatabasePath).size() > LargeLibraryBytes;
    m_library->build(m_context.SettingsFile.readInt(Settings::Keys::Kuozhanxiang), large);
}

void MainWindow::showLibraryProgress(const QString &text)
{
    QLabel *part = m_statusParts[1];
    if (text.isEmpty()) {
        part->setText(m_statusBeforeProgress);
        return;
    }
    m_statusBeforeProgress = part->text();
    part->setText(text);
    // The step runs before the event loop gets back: paint the notice now.
    if (part->isVisible())
        part->repaint();
}

void MainWindow::showLibraryDescription(const QString &text)
{
    if (m_descriptionWindow)
        m_descriptionWindow->setDescription(text);
    else
        m_info->setPlainText(text);
}

} // namespace Qb::App
