// SPDX-License-Identifier: GPL-3.0-or-later
// The tree control adapter.
#include "library/ui/treewidgetitems.h"

#include "resources/icons.h"

#include <QTreeWidget>

namespace Qb::Library::Ui {

namespace {

QIcon treeIcon(int image)
{
    static const QList<QPixmap> images = Resources::treeImageList();
    return image >= 0 && image < images.size() ? QIcon(images[image]) : QIcon();
}

void walk(QTreeWidgetItem *item, std::vector<QTreeWidgetItem *> &order)
{
    order.push_back(item);
    for (int i = 0; i < item->childCount(); ++i)
        walk(item->child(i), order);
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
}

void TreeWidgetItems::refresh() const
{
    if (!m_dirty)
        return;
    m_order.clear();
    m_index.clear();
    if (m_tree) {
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            walk(m_tree->topLevelItem(i), m_order);
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
        open.resize(size_t(it.depth - 1));
        if (open.empty())
            roots.append(made);
        else
            open.back()->addChild(made);
        open.push_back(made);
        created.push_back(made);
    }
    m_tree->addTopLevelItems(roots);
    for (size_t i = 0; i < created.size(); ++i) {
        if (tree.items()[i].expanded)
            created[i]->setExpanded(true);
    }
    invalidate();
}

} // namespace Qb::Library::Ui
