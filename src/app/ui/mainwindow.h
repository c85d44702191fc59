// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the program's one main window. It creates the controls, menus and toolbar, wires
// each action to the class that handles it, and runs the start-up and shut-down steps in the
// order that app/startupsequence.h fixes.
#pragma once

#include "app/mainlayout.h"
#include "app/startupsequence.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMenu;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class QTreeWidget;

namespace Qb::Editor {
class HintController;
class ScriptEditor;
class ScriptFiles;
class ScriptRunner;
}

namespace Qb::Resources {
class DescriptionWindow;
}

namespace Qb::Library::Ui {
class CategoryTreeController;
}

namespace Qb::Browser::Ui {
class FileBrowserPanel;
}

namespace Qb::App {

struct AppContext;
class EdgeController;
class SplitterBar;

// Owned by the application entry for the whole run; UI thread only. Controls carry their names
// as objectName (工具条1, 选择夹1, 树型框_分类, 本地目录框, 浏览钮, 上传文件框, 分隔条_纵,
// 代码编辑框1, 分隔条1, 编辑框_信息, 状态条1, 标签1, 时钟_收缩, 时钟_双击判断).
//
// Menus (objectName = caption): 文件(&W), 命令(&M), 插入(&C), 功能(&G), 帮助(&B) on the menu bar;
// 编框 and 控制 hidden; submenus 循环 and 条件. Menu actions have objectName = their caption:
//   文件(&W): 打开, 保存, 另存为
//   命令(&M): 添加 (Ctrl+T), 修改, 删除, 复制, 连注释复制, 添加分类 (Ctrl+F), 添加子类,
//            修改分类说明..., 重命名, 查找命令 (shows Ctrl+F; the key runs 添加分类), 添加关键字
//   插入(&C): 函数 (Ctrl+H), 变量 (Ctrl+B), 循环: while, for, do while; 条件: if, if…else, if…elif
//   功能(&G): 系统设置, 添加命令提示, 命令提示 (checkable), 光标跟踪 (checkable)
//   帮助(&B): 说明, 关于
//   编框: 复制, 全选复制, 在新窗口中显示;  控制: 退出
// Toolbar 工具条1, by click index (separators counted): 0 打开, 1 保存, 2 另存为, 3 separator,
// 4 剪切, 5 复制, 6 粘贴, 7 separator, 8 运行, 9 停止.
class MainWindow : public QMainWindow,
                   private StartupSteps,
                   private ShutdownSteps,
                   private LoadSettingsTarget
{
    Q_OBJECT

public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The "created" event: runs the start-up sequence, then dispatches one "moved" and one
    // "resized" event. False when the database could not be opened (nothing else has run; the
    // caller tells the user and ends the program).
    bool OnMainWindowCreated();

    // The menu action with this objectName: in the menu named `menu` when given, otherwise the
    // first in menu order (menu bar first, then 编框 and 控制). nullptr when there is none.
    QAction *menuAction(const QString &objectName, const QString &menu = QString()) const;
    QMenu *menu(const QString &objectName) const;
    // The toolbar action at click index `index` (separators counted), or nullptr.
    QAction *toolbarAction(int index) const;

    void LayoutMainWindow(LayoutMode mode);
    void ShowDescriptionWindow();
    // Tray icon events: 1 left click, 2 left double click, 3 right click or context menu.
    void OnTrayIconEvent(int kind);
    // The position at which the tray menu of `size` opens for a click at `cursor`.
    static QPoint trayMenuPosition(QPoint cursor, QSize size);

    // The border style: none while edge-shrunk, normal and resizable otherwise. Other code reads
    // a normal border as "not edge-shrunk".
    void setBorderNone(bool none);
    bool isEdgeShrunk() const;
    QSystemTrayIcon *trayIcon() const { return m_tray; }

    // editor wiring: the script file operations (OpenScript for the file browser) and the runner.
    Editor::ScriptFiles *scriptFiles() const { return m_scriptFiles; }
    Editor::ScriptRunner *scriptRunner() const { return m_scriptRunner; }

Q_SIGNALS:
    // A toolbar button was clicked; `index` counts separators.
    void toolbarButtonClicked(int index);
    // The shut-down sequence has run; the program ends.
    void destroying();

protected:
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Construction (mainwindow.cpp, mainwindow_menus.cpp).
    void createControls();
    void createCommandPage();
    void createScriptPage();
    void createTimers();
    void createMenus();
    void createHiddenMenus();
    void createToolbar();
    void wireShellActions();
    QAction *addMenuItem(QMenu *menu, const char *caption, const char *shortcut = nullptr);
    MainLayout currentLayout() const;
    void applyLayout(const MainLayout &layout);
    void placeStatusBar();
    // LayoutMainWindow's last step: stores the window size when the rules allow it.
    void storeNormalSize();
    Qt::WindowFlags normalFlags() const;

    // Window-level events (mainwindow_lifecycle.cpp).
    void OnMainWindowResized();
    void OnMainWindowMoved();
    void OnMainWindowFirstActivated();
    void OnMainWindowDestroying();
    void OnShrinkTimer();
    void popUpAtPointer(QMenu *menu, QPoint globalPos);
    void showAbout();
    void showUsageNote();
    void openSettingsWindow();
    void copyInfoSelection(bool all);

    // StartupSteps (mainwindow_lifecycle.cpp).
    void locateSettings() override;
    void locateDatabase() override;
    bool openDatabase() override;
    void buildCategoryTree() override;
    void loadSettings() override;
    bool hintsOn() const override;
    void installKeyboardHook() override;
    void subclassMainWindow() override;
    void addTrayIcon() override;
    void setCaption() override;
    void initHotkeyRegistry() override;
    void registerCaptureHotkey() override;
    void reopenLastScript() override { startupReopenLastScript(); }
    void configureEditor() override { startupConfigureEditor(); }
    void loadKeywords() override { startupLoadKeywords(); }
    void restoreFileBrowser() override;

    // LoadSettingsTarget.
    void loadHintWindow() override;
    void checkHintsItem(bool checked) override;
    void setAlwaysOnTop(bool onTop) override;
    void checkCursorTrackingItem(bool checked) override;
    void resizeWindow(int width, int height) override;
    void moveWindow(int left, int top) override;

    // ShutdownSteps.
    void closeDatabase() override;
    bool treeItemSelected() const override;
    void rememberCurrentCategory() override;
    bool keyboardHookInstalled() const override;
    void removeKeyboardHook() override;
    bool hintWindowLoaded() const override;
    void destroyHintWindow() override;
    bool minimised() const override;
    bool edgeShrunk() const override { return isEdgeShrunk(); }
    void storePosition() override;

    // Editor wiring (mainwindow_editor.cpp): connects the editor-related menu items and toolbar
    // buttons; start-up steps 12-14; asked before the window closes or a script is replaced.
    void wireEditor();
    void startupReopenLastScript();
    void startupConfigureEditor();
    void startupLoadKeywords();
    bool confirmDiscardScript();

    AppContext &m_context;
    bool m_trayHost = false;        // a tray host existed at start: the window skips the taskbar
    bool m_created = false;         // "created" has run: moves and resizes reach their handlers
    bool m_activatedOnce = false;
    bool m_destroyed = false;       // the shut-down sequence has run
    QWidget *m_client = nullptr;    // the client area; CW × CH is its size
    QToolBar *m_toolbar = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTreeWidget *m_tree = nullptr;
    QWidget *m_fileList = nullptr;
    SplitterBar *m_verticalBar = nullptr;
    SplitterBar *m_horizontalBar = nullptr;
    Editor::ScriptEditor *m_editor = nullptr;
    QTextEdit *m_info = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_statusParts[2] = {nullptr, nullptr};
    QString m_statusBeforeProgress;
    QLabel *m_hotkeyLabel = nullptr;
    QTimer *m_shrinkTimer = nullptr;
    QTimer *m_doubleClickTimer = nullptr;
    QList<QMenu *> m_menus;         // menu bar menus in order, then 编框 and 控制
    QSystemTrayIcon *m_tray = nullptr;
    QPointer<Resources::DescriptionWindow> m_descriptionWindow;

    // editor wiring (mainwindow_editor.cpp)
    void OnEditorToolbarButton(int index);
    void runScript();
    void showEditorStatus(const QString &text);
    Editor::ScriptFiles *m_scriptFiles = nullptr;
    Editor::ScriptRunner *m_scriptRunner = nullptr;

    // library wiring (mainwindow_library.cpp): the category tree and the command items of
    // 命令(&M). wireLibrary() is called once from the constructor after the controls and menus
    // exist; startupBuildCategoryTree() is the start-up step "build the category tree". The click
    // timer 时钟_双击判断 is handled by the library's controller.
    void wireLibrary();
    void startupBuildCategoryTree();
    void showLibraryDescription(const QString &text);
    // A long library step's progress in part 1 of 状态条1, painted at once; "" puts back what
    // the part showed before.
    void showLibraryProgress(const QString &text);
    Library::Ui::CategoryTreeController *m_library = nullptr;

    // hotkeys wiring (mainwindow_hotkeys.cpp): the native platform, the capture hotkey, the
    // target window and the settings dialog 系统设置. wireHotkeys() is called once from the
    // constructor after wireLibrary() and creates AppContext's native platform unless a test
    // put one there. Start-up steps 10-11, the first activation's InitTargetWindow and the
    // menu item 系统设置 forward here. setAlwaysOnTop is the one function that changes the
    // always-on-top state; alwaysOnTop() reads the window's current state.
    void wireHotkeys();
    void startupInitHotkeyRegistry();
    void startupRegisterCaptureHotkey();
    void registerCaptureHotkeyText(const QString &text);
    void OnHotkey(int id);
    void CaptureWindowUnderPointer();
    bool isOwnWindow(quint64 id) const;
    void showHotkeyStatus(const QString &text);
    bool alwaysOnTop() const;
    void openSettingsDialog();

    // edge wiring (mainwindow_edge.cpp): docking at a screen edge. wireEdge() is called once from
    // the constructor after the timers exist; startupAttachEdge() is the start-up step that
    // starts the pointer-over detection; the other three are the shrink tick, the moved event's
    // restore check and the tray click's expand.
    void wireEdge();
    void startupAttachEdge();
    void edgeShrinkTick();
    void edgeRestoreAfterMove();
    void edgeExpandFromTray();
    // Border and always-on-top changes: a window that exists natively takes its new flags in
    // place, because recreating it hides it, and under a window manager loses its place.
    void applyWindowFlags(Qt::WindowFlags flags);
    EdgeController *m_edge = nullptr;

    // browser wiring (mainwindow_browser.cpp): the 脚本 page's controls 本地目录框, 浏览钮 and
    // 上传文件框, handled by the file browser panel. wireBrowser() is called once from the
    // constructor, after wireEditor() (scripts open through its files); startupRestoreFileBrowser()
    // is the start-up step "restore the file browser".
    void wireBrowser();
    void startupRestoreFileBrowser();
    Browser::Ui::FileBrowserPanel *m_browser = nullptr;

    // command hints wiring (mainwindow_hints.cpp): the hint controller, the 功能(&G) items
    // 命令提示, 光标跟踪 and 添加命令提示. wireHints() is called once from the constructor after
    // wireHotkeys() (it needs the native platform); the start-up steps installKeyboardHook and
    // loadHintWindow and the shut-down steps on the hook and the hint window forward here.
    void wireHints();
    void ToggleHints(bool checked);
    void ToggleCursorTracking(bool checked);
    void openHintEntryDialog();
    Editor::HintController *m_hints = nullptr;
};

} // namespace Qb::App
