// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's browser wiring: the 脚本 page's controls, handled by the file browser panel,
// which opens ".py" files through the editor's OpenScript.
#include "app/ui/mainwindow.h"

#include "app/appcontext.h"
#include "browser/ui/filebrowserpanel.h"
#include "editor/ui/scriptfiles.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace Qb::App {

using namespace Qt::StringLiterals;

void MainWindow::wireBrowser()
{
    QWidget *page = m_fileList->parentWidget();
    auto *directoryBox = page->findChild<QComboBox *>(u"本地目录框"_s);
    auto *browseButton = page->findChild<QPushButton *>(u"浏览钮"_s);
    auto *fileList = qobject_cast<QTreeWidget *>(m_fileList);
    Q_ASSERT(directoryBox && browseButton && fileList);
    m_browser = new Browser::Ui::FileBrowserPanel(
        directoryBox, browseButton, fileList, m_context.SettingsFile,
        [this](const QString &path) { return m_scriptFiles->OpenScript(path); }, this);
}

void MainWindow::startupRestoreFileBrowser()
{
    m_browser->RestoreFileBrowser();
}

} // namespace Qb::App
