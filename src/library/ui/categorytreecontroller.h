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
    };

    CategoryTreeController(QTreeWidget *tree, QTimer *clickTimer, SqlHelper &store, Hooks hooks,
                           QWidget *dialogOwner);

    // Start-up: builds the whole tree from the database, expanding `rememberedCategory`.
    void build(qint64 rememberedCategory);
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
};

} // namespace Qb::Library::Ui
