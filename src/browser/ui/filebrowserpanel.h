// SPDX-License-Identifier: GPL-3.0-or-later
// FileBrowserPanel: the 脚本 page of the main window's tab control, listing a local directory.
#pragma once

#include "browser/ui/fileiconlist.h"
#include "settings/appsettings.h"

#include <QObject>
#include <QString>

#include <functional>

class QComboBox;
class QPushButton;
class QTreeWidget;

namespace Qb::Browser::Ui {

// Drives three controls the main window owns: 本地目录框 (the current directory as its text, the
// remembered directories as its list), 浏览钮 and 上传文件框 (rows of name, image and size). Owned
// by the main window; borrows the settings, which are assigned at start-up after construction.
// UI thread only. Nothing here shows a message except a row whose file has gone meanwhile.
class FileBrowserPanel : public QObject
{
    Q_OBJECT

public:
    // Opens a ".py" file in the editor (the editor's OpenScript); false when it did not.
    using ScriptOpener = std::function<bool(const QString &path)>;
    // Hands any other file to the desktop's "open" action; false when nothing was started.
    using SystemOpener = std::function<bool(const QString &path)>;
    // The folder picker: returns the chosen directory, "" when cancelled.
    using DirectoryChooser = std::function<QString(const QString &title, const QString &start)>;
    using Notifier = std::function<void(const QString &text)>;

    // Item data role of a row's image index in 上传文件框's first column.
    static constexpr int ImageIndexRole = Qt::UserRole;

    FileBrowserPanel(QComboBox *directoryBox, QPushButton *browseButton, QTreeWidget *fileList,
                     const Settings::AppSettings &settings, ScriptOpener openScript,
                     QObject *parent = nullptr);

    // Replace the desktop's dialogs and launcher (tests, other desktops).
    void setDirectoryChooser(DirectoryChooser chooser) { m_chooser = std::move(chooser); }
    void setSystemOpener(SystemOpener opener) { m_openWithSystem = std::move(opener); }
    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }

    // Start-up: the history from [shuji] 本地目录 into 本地目录框, then ListDirectory.
    void RestoreFileBrowser();
    // Rebuilds 上传文件框 from the text of 本地目录框. A directory that does not exist or cannot
    // be read gives an empty list, without a message.
    void ListDirectory();
    // 浏览钮: the folder picker "选择本地目录"; a chosen directory is listed and remembered.
    void OnBrowseClicked();
    // Writes the history: the current directory first, at most 12 entries.
    void SaveDirectoryHistory();
    // 上传文件框 double click on the selected row: a directory is entered (not remembered), a
    // ".py" file (exactly that, case-sensitive) opens in the editor, any other file goes to the
    // desktop. Paths are built from the directory that was listed, so a row always means the
    // file it shows even after 本地目录框's text was changed.
    void OnFileListDoubleClick();
    // Picking an entry of 本地目录框's drop-down list only changes its text; the list follows at
    // the next ListDirectory.
    void OnDirectoryListSelected(int index);

    const FileIconList &images() const { return m_images; }
    // The directory the rows belong to, ending with "/".
    QString listedBase() const { return m_listedBase; }

private:
    QString chooseWithDialog(const QString &title, const QString &start) const;
    void notifyWithMessageBox(const QString &text) const;
    void openFileRow(const QString &path, const QString &name);

    QComboBox *m_directoryBox;
    QTreeWidget *m_fileList;
    const Settings::AppSettings &m_settings;
    ScriptOpener m_openScript;
    SystemOpener m_openWithSystem;
    DirectoryChooser m_chooser;
    Notifier m_notifier;
    FileIconList m_images;
    QString m_listedBase;
};

// The desktop's "open" action for a file: the platform's document launcher, or xdg-open when
// the platform plugin has none (offscreen, minimal). False when neither could be started.
bool openWithDesktop(const QString &path);

} // namespace Qb::Browser::Ui
