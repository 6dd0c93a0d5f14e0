#pragma once
// Operations on a node list that need no widget: its structure, node paths,
// the name rule and building a tree from stored paths. Nodes are addressed by
// their index in the list; -1 means no node.

#include <QString>
#include <QStringList>

#include "state/node_list.h"

namespace detalehran::trees {

inline constexpr const char* kAutomaticName = "Новый раздел";

// Index of the parent of node i: the nearest node before it with a lower
// level; -1 for the root or an index out of range.
int parent_of(const NodeList& nodes, int index);
// One past the last node of node i's subtree.
int subtree_end(const NodeList& nodes, int index);
// Inserts at index p; the node becomes the first child of node p - 1 when it
// is deeper, a following sibling when it is level with it, and a following
// sibling of the right ancestor when it is higher. The level is kept within
// one below node p - 1, so the list stays a valid pre-order.
void insert_node(NodeList& nodes, int index, TreeNode node);
// Removes node i with its whole subtree; returns how many nodes went. The
// root (index 0) is never removed.
int remove_node(NodeList& nodes, int index);

// "|Все|Резисторы|SMD|" for node i; "||" for no node.
QString build_node_path(const NodeList& nodes, int index);
// Whether a node other than `except` has this name on this level. Letter
// case is ignored: the database matches paths without regard to it, so two
// names that differ only in case would share their items.
bool name_taken_at_level(const NodeList& nodes, const QString& name, int level, int except);
bool node_exists_at_level(const NodeList& nodes, const QString& name, int level);
// "Новый раздел", or "Новый раздел #n" with the first free n, for a new
// child on this level.
QString automatic_name(const NodeList& nodes, int level, int except);
// Why a name cannot be given to a node, or an empty text when it can. Names
// are stored between "|" in every path and on one line in the settings file.
QString name_refusal(const QString& name);

// The names between the separators of a node path, the root's first.
QStringList path_components(const QString& path);
// The path with the component at `level` (the root's is level 0) replaced.
QString replace_path_component(const QString& path, int level, const QString& name);
// Node for a stored path: each component is looked for among the children of
// the node reached so far. Returns the deepest node reached (the root for an
// empty path, -1 for an empty list) and, in *passed, the nodes on the way.
int find_path_node(const NodeList& nodes, const QString& path, std::vector<int>* passed = nullptr);

// First-run building from the distinct stored values of one column. The
// list is given its root when empty. Values are taken in case-folded text
// order, so every node is added below its own parent; a value that does not
// start at the root, or that would put a name on a level where another
// parent already holds it, adds only what comes before that point.
void build_tree_from_values(NodeList& nodes, QStringList values);

}  // namespace detalehran::trees
