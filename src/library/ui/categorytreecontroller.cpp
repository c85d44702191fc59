// SPDX-License-Identifier: GPL-3.0-or-later
// Tree events, the click timer and the 命令(&M) menu items of the command library.
#include "library/ui/categorytreecontroller.h"

#include "platform/uitext.h"

#include "library/categoryoperations.h"
#include "library/commandeditor.h"
#include "library/commandinsertion.h"
#include "library/commandsearch.h"
#include "library/treebuilder.h"
#include "library/treerules.h"
#include "library/ui/categorydialog.h"
#include "library/ui/commanddialog.h"
#include "library/ui/librarymessages.h"

#include <QAbstractItemDelegate>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include <utility>

namespace Qb::Library::Ui {

namespace {

// Runs `step` once, from the event loop, after `widget` has first painted.
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget *widget, std::function<void()> step) : QObject(widget), m_step(std::move(step))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_step) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::exchange(m_step, nullptr)();
                deleteLater();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_step;
};

void afterPaint(QWidget *widget, std::function<void()> step)
{
    new AfterFirstPaint(widget, std::move(step));
}

} // namespace

CategoryTreeController::CategoryTreeController(QTreeWidget *tree, QTimer *clickTimer, SqlHelper &store,
                                               Hooks hooks, QWidget *dialogOwner)
    : QObject(tree), m_tree(tree), m_clickTimer(clickTimer), m_store(store), m_hooks(std::move(hooks)),
      m_owner(dialogOwner), m_items(tree)
{
    // In-place editing starts from 重命名 only.
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    connect(tree, &QTreeWidget::itemSelectionChanged, this, [this] { OnTreeSelectionChanged(m_inputCause); });
    connect(tree, &QTreeWidget::itemChanged, this, &CategoryTreeController::labelEdited);
    connect(tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { m_editedItem = nullptr; });
    m_clickTimer->setSingleShot(true);
    connect(m_clickTimer, &QTimer::timeout, this, &CategoryTreeController::OnClickTimer);
}

void CategoryTreeController::build(qint64 rememberedCategory, bool afterFirstPaint)
{
    m_items.setCommandSource({[this](qint64 n) { return readCommandsOf(n); },
                              [this](qint64 n) { return hasCommands(m_store, n); }});
    CategoryTree tree;
    buildCategoryItems(m_store, tree);
    m_expandAfterPaint = afterFirstPaint ? rememberedCategory : 0;
    m_settleAfterPaint = !afterFirstPaint;
    m_settleOnScreen = afterFirstPaint;
    if (rememberedCategory != 0 && !afterFirstPaint)
        expandWithAncestors(tree, FindItemByValue(tree, rememberedCategory));
    m_items.assign(tree);
}

void CategoryTreeController::afterFirstPaint()
{
    if (const qint64 number = std::exchange(m_expandAfterPaint, 0); number != 0)
        expandWithAncestors(m_items, FindItemByValue(m_items, number));
    if (std::exchange(m_settleAfterPaint, false))
        m_items.settleIndicators();
}

std::vector<CommandEntry> CategoryTreeController::readCommandsOf(qint64 category)
{
    // The first read also builds the library's lookup by category, one pass over every
    // command: on a large library that is the one read that takes a noticeable time.
    const bool first = !m_commandsReadOnce;
    m_commandsReadOnce = true;
    if (first)
        progress(QbText::tr("正在读取命令库…"));
    std::vector<CommandEntry> rows = readCommands(m_store, category);
    if (first)
        progress(QString());
    return rows;
}

void CategoryTreeController::progress(const QString &text)
{
    if (m_hooks.showProgress)
        m_hooks.showProgress(text);
}

std::optional<qint64> CategoryTreeController::categoryToRemember() const
{
    const int c = CurrentCategoryIndex(m_items);
    if (c < 0)
        return std::nullopt;
    return m_items.value(c);
}

bool CategoryTreeController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_tree->viewport() && type == QEvent::Paint) {
        if (m_settleOnScreen)
            m_items.settleOnScreen();
        if (m_expandAfterPaint != 0 || m_settleAfterPaint)
            QTimer::singleShot(0, this, &CategoryTreeController::afterFirstPaint);
    }
    if (watched == m_tree->viewport() && type == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        mouse->setModifiers(mouse->modifiers() & ~Qt::ControlModifier);
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_tree->viewport() && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The right button opens the menu on release and leaves the selection where it was.
        if (mouse->button() == Qt::RightButton)
            return true;
        const bool ctrlHeld = mouse->modifiers().testFlag(Qt::ControlModifier);
        // Ctrl only chooses what a double-click inserts; it must not toggle the item's selection.
        mouse->setModifiers(mouse->modifiers() & ~Qt::ControlModifier);
        if (type == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
            OnTreeDoubleClick(ctrlHeld);
        m_inputCause = ClickGate::Cause::Mouse;
    } else if (watched == m_tree && type == QEvent::KeyPress) {
        m_inputCause = ClickGate::Cause::Keyboard;
    } else {
        return QObject::eventFilter(watched, event);
    }
    // The cause holds while this input event is delivered; later changes come from elsewhere.
    QTimer::singleShot(0, this, [this] { m_inputCause = ClickGate::Cause::Other; });
    return QObject::eventFilter(watched, event);
}

void CategoryTreeController::startClickTimer()
{
    m_clickTimer->start(ClickGate::ClickDelayMs);
}

void CategoryTreeController::OnTreeSelectionChanged(ClickGate::Cause cause)
{
    if (m_gate.selectionChanged(cause))
        startClickTimer();
}

void CategoryTreeController::OnTreeDoubleClick(bool ctrlHeld)
{
    m_gate.doubleClicked();
    const bool addChinese = m_hooks.addChineseName && m_hooks.addChineseName();
    const Insertion ins = insertionFor(m_store, m_items, ctrlHeld, addChinese);
    if (ins.kind == Insertion::Kind::Error)
        showNotice(m_owner, QbText::tr("命令信息错误"));
    else if (ins.kind == Insertion::Kind::Text && m_hooks.insertAtCaret)
        m_hooks.insertAtCaret(ins.text);
}

void CategoryTreeController::OnClickTimer()
{
    m_clickTimer->stop();
    if (!m_gate.timerTicked())
        return;
    if (const std::optional<QString> text = descriptionPreview(m_store, m_items); text && m_hooks.showDescription)
        m_hooks.showDescription(*text);
}

void CategoryTreeController::addCommand()
{
    Resources::DefinedWindow::OpenWindow<CommandDialog>(m_owner, true, m_store, m_items, CommandEditor::Mode::Add);
}

void CategoryTreeController::modifyCommand()
{
    const int selected = m_items.selection();
    if (selected < 0) {
        showNotice(m_owner, QbText::tr("请选择要修改的命令"));
        return;
    }
    if (m_items.isCommand(selected))
        Resources::DefinedWindow::OpenWindow<CommandDialog>(m_owner, true, m_store, m_items,
                                                            CommandEditor::Mode::Modify);
}

void CategoryTreeController::deleteSelected()
{
    const int selected = m_items.selection();
    if (selected < 0)
        showNotice(m_owner, QbText::tr("请选择要删除的命令"));
    else if (m_items.isCategory(selected))
        deleteCategoryAt(selected);
    else
        deleteCommandAt(selected);
}

void CategoryTreeController::deleteCategoryAt(int index)
{
    const QString question = QbText::tr("确定删除分类“%1”吗?\r\n删除后其子类及其命令项也将被删除。").arg(m_items.text(index));
    if (askYesNo(m_owner, question))
        deleteCategory(m_store, m_items, index);
}

void CategoryTreeController::deleteCommandAt(int index)
{
    const QString name = StripChineseName(m_items.text(index));
    if (!askYesNo(m_owner, QbText::tr("确定删除命令“%1”吗？").arg(name)))
        return;
    const DeleteCommandResult result = deleteCommand(m_store, m_items, index);
    if (result == DeleteCommandResult::DeleteFailed)
        showNotice(m_owner, QbText::tr("删除失败"));
    else if (result == DeleteCommandResult::ItemRemoveFailed)
        showNotice(m_owner, QbText::tr("删除项目失败"));
}

void CategoryTreeController::copyName()
{
    copySelected(false);
}

void CategoryTreeController::copyWithComment()
{
    copySelected(true);
}

void CategoryTreeController::copySelected(bool withComment)
{
    const int selected = m_items.selection();
    if (selected < 0) {
        showNotice(m_owner, QbText::tr("请选择要复制的命令"));
        return;
    }
    const QString text = m_items.text(selected);
    QGuiApplication::clipboard()->setText(withComment ? text : StripChineseName(text));
}

void CategoryTreeController::addCategory()
{
    addCategoryItem(false);
}

void CategoryTreeController::addSubCategory()
{
    addCategoryItem(true);
}

void CategoryTreeController::addCategoryItem(bool subCategory)
{
    PendingCategory pending;
    Resources::DefinedWindow::OpenWindow<CategoryDialog>(m_owner, true, pending);
    const AddCategoryResult result =
        Library::addCategory(m_store, m_items, subCategory, pending.name, pending.description);
    if (result == AddCategoryResult::Failed)
        showNotice(m_owner, QbText::tr("添加失败！"));
}

void CategoryTreeController::modifyCategoryDescription()
{
    const int c = CurrentCategoryIndex(m_items);
    if (c < 0)
        return;
    const qint64 number = m_items.value(c);
    PendingCategory pending{m_items.text(c), categoryDescription(m_store, number)};
    Resources::DefinedWindow::OpenWindow<CategoryDialog>(m_owner, true, pending);
    // An emptied box (or 取消) writes nothing: a description cannot be emptied here.
    if (!pending.description.isEmpty() && !setCategoryDescription(m_store, number, pending.description))
        showNotice(m_owner, QbText::tr("修改失败！"), QMessageBox::Warning);
}

void CategoryTreeController::rename()
{
    const int c = CurrentCategoryIndex(m_items);
    if (c < 0) {
        showNotice(m_owner, QbText::tr("请选择要重命名的分类"));
        return;
    }
    m_tree->setFocus();
    m_editedItem = m_items.item(c);
    m_labelBeforeEdit = m_items.text(c); // the edited item's own text, also when a command is selected
    m_tree->editItem(m_editedItem, 0);
}

void CategoryTreeController::labelEdited(QTreeWidgetItem *item, int column)
{
    if (m_applyingLabel || column != 0 || item != m_editedItem)
        return;
    m_applyingLabel = true;
    renameCategory(m_store, m_items, m_items.indexOf(item), m_labelBeforeEdit, item->text(0));
    m_applyingLabel = false;
}

void CategoryTreeController::findCommand()
{
    QInputDialog dialog(m_owner);
    dialog.setWindowTitle(QbText::tr("请输入："));
    dialog.setLabelText(QbText::tr("输入要查找的命令："));
    dialog.setOkButtonText(QbText::tr("确认输入(&O)"));
    dialog.setCancelButtonText(QbText::tr("取消(&C)"));
    // While the user types, the library gets ready to search (on a large library that is the
    // one slow part of the first search); keys typed meanwhile wait in the queue, none is lost.
    afterPaint(&dialog, [this] { prepareCommandSearch(m_store); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    progress(QbText::tr("正在查找命令…"));
    const int found = findCommandInLibrary(m_store, m_items, dialog.textValue());
    progress(QString());
    if (found < 0) {
        showNotice(m_owner, QbText::tr("没找到命令"), QMessageBox::Information);
        return;
    }
    m_items.select(found);
    startClickTimer(); // the description follows as after a mouse click
}

} // namespace Qb::Library::Ui
