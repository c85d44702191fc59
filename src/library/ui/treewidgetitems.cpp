// SPDX-License-Identifier: GPL-3.0-or-later
// The tree control adapter.
#include "library/ui/treewidgetitems.h"

#include "resources/icons.h"

#include <QTreeWidget>

#include <utility>

namespace Qb::Library::Ui {

namespace {

// One icon per picture, shared by every item that shows it (an icon made per item would hold
// an engine of its own).
QIcon treeIcon(int image)
{
    static const QList<QIcon> icons = [] {
        QList<QIcon> out;
        for (const QPixmap &picture : Resources::treeImageList())
            out.append(QIcon(picture));
        return out;
    }();
    return image >= 0 && image < icons.size() ? icons[image] : QIcon();
}

void walk(QTreeWidgetItem *item, int depth, std::vector<QTreeWidgetItem *> &order, std::vector<int> &depths)
{
    order.push_back(item);
    depths.push_back(depth);
    for (int i = 0; i < item->childCount(); ++i)
        walk(item->child(i), depth + 1, order, depths);
}

} // namespace

TreeWidgetItems::TreeWidgetItems(QTreeWidget *tree, QObject *parent)
    : QObject(parent), m_tree(tree)
{
    QAbstractItemModel *model = tree->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { invalidate(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { invalidate(); });
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] { invalidate(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { invalidate(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { invalidate(); });
    // Every route that expands an item reports it here, before the view lays the children out.
    connect(tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { loadCommands(item); });
}

void TreeWidgetItems::refresh() const
{
    if (!m_dirty)
        return;
    m_order.clear();
    m_depth.clear();
    m_index.clear();
    if (m_tree) {
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            walk(m_tree->topLevelItem(i), 1, m_order, m_depth);
    }
    m_index.reserve(qsizetype(m_order.size()));
    for (size_t i = 0; i < m_order.size(); ++i)
        m_index.insert(m_order[i], int(i));
    m_dirty = false;
}

QTreeWidgetItem *TreeWidgetItems::item(int index) const
{
    refresh();
    return index >= 0 && size_t(index) < m_order.size() ? m_order[size_t(index)] : nullptr;
}

int TreeWidgetItems::indexOf(const QTreeWidgetItem *item) const
{
    refresh();
    return m_index.value(item, -1);
}

int TreeWidgetItems::count() const
{
    refresh();
    return int(m_order.size());
}

QString TreeWidgetItems::text(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i ? i->text(0) : QString();
}

void TreeWidgetItems::setText(int index, const QString &text)
{
    if (QTreeWidgetItem *i = item(index))
        i->setText(0, text);
}

int TreeWidgetItems::image(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i ? i->data(0, ImageRole).toInt() : -1;
}

qint64 TreeWidgetItems::value(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i ? i->data(0, ValueRole).toLongLong() : 0;
}

int TreeWidgetItems::parent(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i && i->parent() ? indexOf(i->parent()) : -1;
}

QTreeWidgetItem *TreeWidgetItems::makeItem(const QString &text, int image, qint64 value) const
{
    auto *i = new QTreeWidgetItem(QStringList{text});
    i->setIcon(0, treeIcon(image));
    i->setData(0, ValueRole, value);
    i->setData(0, ImageRole, image);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (value != 0) // a command's label edit would change only the screen, so only categories
        flags |= Qt::ItemIsEditable;
    i->setFlags(flags);
    return i;
}

int TreeWidgetItems::append(int parent, const QString &text, int image, qint64 value)
{
    if (!m_tree || (parent != -1 && !isValid(parent)))
        return -1;
    QTreeWidgetItem *created = makeItem(text, image, value);
    if (parent == -1)
        m_tree->addTopLevelItem(created);
    else
        item(parent)->addChild(created);
    invalidate();
    return indexOf(created);
}

bool TreeWidgetItems::remove(int index)
{
    QTreeWidgetItem *i = item(index);
    if (!i)
        return false;
    delete i;
    invalidate();
    return true;
}

int TreeWidgetItems::selection() const
{
    if (!m_tree)
        return -1;
    const QList<QTreeWidgetItem *> selected = m_tree->selectedItems();
    return selected.isEmpty() ? -1 : indexOf(selected.first());
}

void TreeWidgetItems::select(int index)
{
    if (!m_tree)
        return;
    QTreeWidgetItem *i = item(index);
    if (!i) {
        m_tree->clearSelection();
        m_tree->setCurrentItem(nullptr);
        return;
    }
    m_tree->setCurrentItem(i);
    i->setSelected(true);
    m_tree->scrollToItem(i);
}

void TreeWidgetItems::expand(int index)
{
    if (QTreeWidgetItem *i = item(index))
        i->setExpanded(true);
}

bool TreeWidgetItems::isExpanded(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i && i->isExpanded();
}

int TreeWidgetItems::depth(int index) const
{
    refresh();
    return index >= 0 && size_t(index) < m_depth.size() ? m_depth[size_t(index)] : 0;
}

bool TreeWidgetItems::commandsLoaded(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return !i || !i->data(0, PendingRole).toBool();
}

void TreeWidgetItems::ensureCommands(int index)
{
    if (QTreeWidgetItem *i = item(index))
        loadCommands(i);
}

qint64 TreeWidgetItems::commandId(int index) const
{
    const QTreeWidgetItem *i = item(index);
    return i ? i->data(0, IdRole).toLongLong() : 0;
}

void TreeWidgetItems::setPending(QTreeWidgetItem *category, bool pending)
{
    category->setData(0, PendingRole, pending ? QVariant(true) : QVariant());
    category->setChildIndicatorPolicy(pending ? QTreeWidgetItem::ShowIndicator
                                              : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TreeWidgetItems::loadCommands(QTreeWidgetItem *category)
{
    if (!category->data(0, PendingRole).toBool() || !m_source.read)
        return;
    setPending(category, false); // first, so that a nested expansion cannot read them twice
    const std::vector<CommandEntry> rows = m_source.read(category->data(0, ValueRole).toLongLong());
    QList<QTreeWidgetItem *> made;
    made.reserve(qsizetype(rows.size()));
    for (const CommandEntry &row : rows) {
        QTreeWidgetItem *command = makeItem(commandItemText(row.name, row.chineseName), CommandImage, 0);
        command->setData(0, IdRole, row.id);
        made.append(command);
    }
    category->addChildren(made);
    invalidate();
    if (!m_settled)
        settleIndicators();
}

bool TreeWidgetItems::settle(QTreeWidgetItem *category)
{
    if (category->childCount() != 0 || !category->data(0, PendingRole).toBool() || !knownEmpty(category))
        return false;
    setPending(category, false);
    return true;
}

bool TreeWidgetItems::knownEmpty(QTreeWidgetItem *category)
{
    const qint64 number = category->data(0, ValueRole).toLongLong();
    if (m_withCommands.contains(number))
        return false;
    if (m_source.any(number)) {
        m_withCommands.insert(number);
        return false;
    }
    return true;
}

void TreeWidgetItems::settleIndicators()
{
    if (std::exchange(m_settled, true))
        return;
    if (!m_source.any)
        return;
    refresh();
    for (QTreeWidgetItem *i : std::vector<QTreeWidgetItem *>(m_order))
        settle(i);
}

void TreeWidgetItems::settleOnScreen()
{
    if (m_settled || !m_source.any || !m_tree)
        return;
    const int bottom = m_tree->viewport()->height();
    bool changed = false;
    for (QTreeWidgetItem *i = m_tree->itemAt(0, 0); i && m_tree->visualItemRect(i).top() < bottom;
         i = m_tree->itemBelow(i))
        changed = settle(i) || changed;
    if (changed)
        m_tree->doItemsLayout();
}

void TreeWidgetItems::assign(const CategoryTree &tree)
{
    if (!m_tree)
        return;
    m_tree->clear();
    QList<QTreeWidgetItem *> roots;
    std::vector<QTreeWidgetItem *> created;
    std::vector<QTreeWidgetItem *> open; // the current ancestor chain, by depth
    created.reserve(tree.items().size());
    for (const CategoryTree::Item &it : tree.items()) {
        QTreeWidgetItem *made = makeItem(it.text, it.image, it.value);
        if (it.id != 0)
            made->setData(0, IdRole, it.id);
        if (it.value != 0 && !it.commandsLoaded)
            setPending(made, true);
        open.resize(size_t(it.depth - 1));
        if (open.empty())
            roots.append(made);
        else
            open.back()->addChild(made);
        open.push_back(made);
        created.push_back(made);
    }
    m_tree->addTopLevelItems(roots);
    m_settled = false;
    m_withCommands.clear();
    for (size_t i = 0; i < created.size(); ++i) {
        if (tree.items()[i].expanded)
            created[i]->setExpanded(true);
    }
    invalidate();
}

} // namespace Qb::Library::Ui
