#include "trees/tree_view.h"

#include <QCollator>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <optional>

#include "trees/node_operations.h"

namespace detalehran::trees {

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;

// A widget item that sorts by a collation key computed just before a sort.
class NodeItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    std::optional<QCollatorSortKey> key;

    bool operator<(const QTreeWidgetItem& other) const override {
        const auto* node = dynamic_cast<const NodeItem*>(&other);
        if (key && node != nullptr && node->key) return key->compare(*node->key) < 0;
        return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

int node_of(const QTreeWidgetItem* item) {
    if (item == nullptr) return -1;
    const QVariant value = item->data(0, kNodeRole);
    return value.isValid() ? value.toInt() : -1;
}

QTreeWidgetItem* item_of(const QTreeWidget* view, int index) {
    if (view == nullptr || index < 0) return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(view)); *it != nullptr; ++it) {
        if (node_of(*it) == index) return *it;
    }
    return nullptr;
}

void show_nodes(QTreeWidget* view, const NodeList& nodes, const std::vector<int>& expanded, int selected) {
    if (view == nullptr) return;
    view->clear();
    std::vector<QTreeWidgetItem*> items(nodes.size(), nullptr);
    for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
        const int parent = parent_of(nodes, i);
        NodeItem* item = parent >= 0 ? new NodeItem(items[static_cast<std::size_t>(parent)]) : new NodeItem(view);
        item->setText(0, nodes[static_cast<std::size_t>(i)].name);
        item->setData(0, kNodeRole, i);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        items[static_cast<std::size_t>(i)] = item;
    }
    for (int index : expanded) {
        if (index < 0 || index >= static_cast<int>(items.size())) continue;
        items[static_cast<std::size_t>(index)]->setExpanded(true);
    }
    select_tree_node(view, selected);
}

std::vector<int> expanded_nodes(const QTreeWidget* view) {
    std::vector<int> out;
    if (view == nullptr) return out;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(view)); *it != nullptr; ++it) {
        if ((*it)->isExpanded()) out.push_back(node_of(*it));
    }
    return out;
}

int selected_node(const QTreeWidget* view) {
    if (view == nullptr) return -1;
    const QList<QTreeWidgetItem*> selected = view->selectedItems();
    return selected.isEmpty() ? -1 : node_of(selected.first());
}

void select_tree_node(QTreeWidget* view, int index) {
    if (view == nullptr) return;
    view->clearSelection();
    QTreeWidgetItem* item = item_of(view, index);
    if (item == nullptr) return;
    view->setCurrentItem(item);
    item->setSelected(true);
}

void sort_tree(QTreeWidget* view, const QLocale& locale) {
    if (view == nullptr) return;
    // Under the C locale the collator compares code points ("Ё" before
    // "А"); the names, Russian like all the program's texts, sort as Russian.
    const bool plain = locale.language() == QLocale::C;
    QCollator collator(plain ? QLocale(QLocale::Russian, QLocale::Russia) : locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    for (QTreeWidgetItemIterator it(view); *it != nullptr; ++it) {
        if (auto* item = dynamic_cast<NodeItem*>(*it)) item->key = collator.sortKey(item->text(0));
    }
    // The model sorts stably and keeps expanded states and the selection.
    view->sortItems(0, Qt::AscendingOrder);
    for (QTreeWidgetItemIterator it(view); *it != nullptr; ++it) {
        if (auto* item = dynamic_cast<NodeItem*>(*it)) item->key.reset();
    }
}

void copy_tree(const NodeList& source, NodeList& target, QTreeWidget* target_view) {
    target.clear();
    for (int i = 0; i < static_cast<int>(source.size()); ++i)
        insert_node(target, i, source[static_cast<std::size_t>(i)]);
    show_nodes(target_view, target);
}

void reveal_path(QTreeWidget* view, const NodeList& nodes, const QString& path) {
    if (view == nullptr) return;
    view->clearSelection();
    std::vector<int> passed;
    const int found = find_path_node(nodes, path, &passed);
    for (int index : passed) {
        if (QTreeWidgetItem* item = item_of(view, index)) item->setExpanded(true);
    }
    select_tree_node(view, found);
    if (QTreeWidgetItem* item = item_of(view, found)) view->scrollToItem(item);
}

NodeNameDelegate::NodeNameDelegate(Finish finish, QObject* parent)
    : QStyledItemDelegate(parent), finish_(std::move(finish)) {}

void NodeNameDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    const auto* line = qobject_cast<const QLineEdit*>(editor);
    if (line == nullptr || !finish_) return;
    const QString text = line->text();
    const int node = index.data(kNodeRole).isValid() ? index.data(kNodeRole).toInt() : -1;
    // The view is still closing its editor here; the program changes the
    // tree only after that, from the event loop.
    QMetaObject::invokeMethod(
        const_cast<NodeNameDelegate*>(this), [finish = finish_, node, text] { finish(node, text); },
        Qt::QueuedConnection);
}

}  // namespace detalehran::trees
