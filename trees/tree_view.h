#pragma once
// Showing a node list in a tree widget. Every widget item carries the index
// of its node, so the display order can differ from the list's order; after a
// change of the list the widget is rebuilt from it.

#include <QLocale>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

#include "state/node_list.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace detalehran::trees {

// Node index of a widget item, or -1.
int node_of(const QTreeWidgetItem* item);
QTreeWidgetItem* item_of(const QTreeWidget* view, int index);

// Rebuilds the widget's items from the list in list order, expanding the
// given nodes and selecting one (or none).
void show_nodes(QTreeWidget* view, const NodeList& nodes, const std::vector<int>& expanded = {}, int selected = -1);
std::vector<int> expanded_nodes(const QTreeWidget* view);
// The selected node, or -1.
int selected_node(const QTreeWidget* view);
// Makes node i the only selected node and the current one; -1 clears.
void select_tree_node(QTreeWidget* view, int index);

// Sorts the children of every node, and the top level, by name without
// regard to letter case, in the order of the locale's language (Russian
// under the C locale). Only the display changes; the node list keeps its
// order.
void sort_tree(QTreeWidget* view, const QLocale& locale = QLocale());
// Replaces the target list by a copy of the source and shows it (nothing is
// expanded).
void copy_tree(const NodeList& source, NodeList& target, QTreeWidget* target_view);
// Expands the nodes along a stored path and selects the deepest one found:
// the root for an empty path, the last known node for a path the tree lacks.
void reveal_path(QTreeWidget* view, const NodeList& nodes, const QString& path);

// In-place editor of node names. The widget never takes the edited text
// itself: the text goes to `finish` once the editor has closed, with the
// edited node's index; a cancelled edit reports nothing.
class NodeNameDelegate : public QStyledItemDelegate {
public:
    using Finish = std::function<void(int node, const QString& text)>;
    NodeNameDelegate(Finish finish, QObject* parent);
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    Finish finish_;
};

}  // namespace detalehran::trees
