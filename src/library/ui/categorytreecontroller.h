// SPDX-License-Identifier: GPL-3.0-or-later
// The command library's behaviour on the main window: the tree 树型框_分类, its click timer and
// the category and command items of the 命令(&M) menu.
#pragma once

#include "library/clickgate.h"
#include "library/ui/treewidgetitems.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Library::Ui {

// Owned by the main window, which hands in its tree, its click timer 时钟_双击判断 and the
// database; UI thread only. Every decision is made by the core operations of the command
// library; this class turns tree events and menu items into calls and results into messages.
class CategoryTreeController : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Puts text into the editor at its caret (ScriptEditor::InsertAtCaret).
        std::function<void(const QString &)> insertAtCaret;
        // Shows a description in the 命令说明 window when it is open, else in 编辑框_信息.
        std::function<void(const QString &)> showDescription;
        // The option 同时添加中文名.
        std::function<bool()> addChineseName;
        // Shows what a step that may take a while is doing ("" when it is done); optional.
        std::function<void(const QString &)> showProgress;
    };

    CategoryTreeController(QTreeWidget *tree, QTimer *clickTimer, SqlHelper &store, Hooks hooks,
                           QWidget *dialogOwner);

    // Start-up: shows the categories, expanding `rememberedCategory` with its ancestors; a
    // category's commands are read when it is first expanded or an operation needs them.
    // With `afterFirstPaint` (a large library, whose first read takes a while) the remembered
    // category is expanded, and so read, once the tree has painted, with progress shown, so
    // that the window comes up at once. Otherwise, once the tree has painted, the categories
    // without commands lose their expand arrow (the first lookup by category is quick then);
    // on a large library those on screen lose it before each paint (a short test each), and
    // all of them at the first read.
    void build(qint64 rememberedCategory, bool afterFirstPaint = false);
    // Shut-down: the item value of CurrentCategoryIndex; nullopt when nothing is selected.
    std::optional<qint64> categoryToRemember() const;
    TreeWidgetItems &items() { return m_items; }
    const ClickGate &clickGate() const { return m_gate; }

    // 命令(&M) menu.
    void addCommand();
    void modifyCommand();
    void deleteSelected();
    void copyName();
    void copyWithComment();
    void addCategory();
    void addSubCategory();
    void modifyCategoryDescription();
    void rename();
    void findCommand();

    // Tree events and the click timer's tick.
    void OnTreeSelectionChanged(ClickGate::Cause cause);
    void OnTreeDoubleClick(bool ctrlHeld);
    void OnClickTimer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addCategoryItem(bool subCategory);
    void deleteCategoryAt(int index);
    void deleteCommandAt(int index);
    void copySelected(bool withComment);
    void startClickTimer();
    void labelEdited(QTreeWidgetItem *item, int column);
    std::vector<CommandEntry> readCommandsOf(qint64 category);
    void afterFirstPaint();
    void progress(const QString &text);

    QPointer<QTreeWidget> m_tree;
    QPointer<QTimer> m_clickTimer;
    SqlHelper &m_store;
    Hooks m_hooks;
    QPointer<QWidget> m_owner;
    TreeWidgetItems m_items;
    ClickGate m_gate;
    ClickGate::Cause m_inputCause = ClickGate::Cause::Other; // the input being delivered
    QTreeWidgetItem *m_editedItem = nullptr; // the item of a running in-place edit
    QString m_labelBeforeEdit;
    bool m_applyingLabel = false;
    bool m_commandsReadOnce = false; // the first read also makes the library's lookup by category
    qint64 m_expandAfterPaint = 0;   // build(…, true): the category to expand after the first paint
    bool m_settleAfterPaint = false; // build(…, false): settle the arrows after the first paint
    bool m_settleOnScreen = false;   // build(…, true): settle the arrows on screen before each paint
};

} // namespace Qb::Library::Ui
