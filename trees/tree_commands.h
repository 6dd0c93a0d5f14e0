#pragma once
// The section trees of the main window: the path tree (control kPathTree,
// column Путь) and the location tree (control kLocationTree, column
// Расположение). A tree is named by its control number.

#include <QString>
#include <optional>

#include "db/statements.h"
#include "platform/event.h"
#include "state/node_list.h"

class QTreeWidget;

namespace detalehran {
struct App;
}

namespace detalehran::trees {

enum class Click { left, right };

// Why the label editor was last opened: naming a new node or renaming one,
// in the path tree or in the location tree (the command numbers).
enum PendingEdit : int {
    kNoEdit = 0,
    kNamingSection = 8,
    kRenamingSection = 9,
    kNamingPlace = 56,
    kRenamingPlace = 57,
};

NodeList& nodes_of(App& app, int tree);
QTreeWidget* view_of(const App& app, int tree);
db::StoreColumn column_of(int tree);
// The version of the server's tree the node list was read at.
long long version_of(const App& app, int tree);
// Index of the node with that server ID, or -1.
int index_of(const NodeList& nodes, int id);
// The tree's selected node, or -1.
int selected_node(const App& app, int tree);
// Node path of the tree's selected node ("||" with none).
QString build_node_path(const App& app, int tree);

// First run: the tree gets its root and the nodes of the distinct stored
// values of its column.
void build_tree_from_values(App& app, int tree);
// Rebuilds the tree's widget from its node list, keeping what was expanded
// and selected, and sorts it.
void refresh_tree(App& app, int tree);
// Start-up, once the trees are loaded: both shown and sorted, the path
// tree's root selected and focused, the path tree the list's source.
void show_trees_at_start_up(App& app);
// Connects the trees' label editors to finish_label_edit.
void install_tree_behaviour(App& app);

int pending_edit(const App& app);
void set_pending_edit(App& app, int value);

// A click on a node: the list shows the node's items; a right click then
// opens the tree's popup menu.
void select_node(App& app, int tree, Click click);
void create_node(App& app, int tree);
void start_rename(App& app, int tree);
void delete_node(App& app, int tree);
// End of an in-place edit of node `node`; no text when it was cancelled.
void finish_label_edit(App& app, int tree, int node, const std::optional<QString>& text);
// Shows, in the tree, the node stored in the list's selected row (the root
// when no row is selected).
void reveal_item_in_tree(App& app, int tree, int column);

// Commands the router reaches, each with the event that asked for it.
void path_tree_left_click(App& app, const Event& event);
void path_tree_right_click(App& app, const Event& event);
void location_tree_left_click(App& app, const Event& event);
void location_tree_right_click(App& app, const Event& event);
void item_list_left_click(App& app, const Event& event);  // reveal the row's place and section
void reveal_selected_item(App& app, const Event& event);  // after Up or Down in the list
void create_section(App& app, const Event& event);
void rename_section(App& app, const Event& event);
void delete_section(App& app, const Event& event);
void create_place(App& app, const Event& event);
void rename_place(App& app, const Event& event);
void delete_place(App& app, const Event& event);
void cut_items(App& app, const Event& event);
void paste_items(App& app, const Event& event);
// Start-up on a team's server, when no other program of this role runs:
// the items this role cut and never pasted (its program was killed) go back
// where they were, and the user is told which.
void return_stranded_items(App& app);

}  // namespace detalehran::trees
