// Commands on the section trees: choosing, creating, naming, renaming and
// deleting nodes, and showing the selected item's nodes.

#include "trees/tree_commands.h"

#include <QTreeWidget>
#include <map>

#include "db/operation.h"
#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "platform/services.h"
#include "settings/settings_store.h"
#include "trees/node_operations.h"
#include "trees/shared_trees.h"
#include "trees/team_trees.h"
#include "trees/tree_messages.h"
#include "trees/tree_view.h"

namespace detalehran::trees {

namespace {


std::vector<int> shifted_for_insert(std::vector<int> indexes, int at) {
    for (int& i : indexes) {
        if (i >= at) ++i;
    }
    return indexes;
}

std::vector<int> shifted_for_removal(const std::vector<int>& indexes, int first, int end) {
    std::vector<int> out;
    for (int i : indexes) {
        if (i < first) out.push_back(i);
        if (i >= end) out.push_back(i - (end - first));
    }
    return out;
}

bool is_root_name(const QString& name) { return name == QString::fromUtf8(kRootName); }

struct StoredPath {
    std::string id;
    QString path;
};

// The ID and path of every stored item of a node; false when the database
// could not say.
bool read_paths_under(App& app, int tree, const QString& node_path, std::vector<StoredPath>& out) {
    if (!app.database.db_query(db::select_paths_under(column_of(tree), node_path.toStdString()))) return false;
    while (app.database.db_next_row()) {
        out.push_back({app.database.db_text(0), QString::fromStdString(app.database.db_text(1))});
    }
    // A fetch that broke off leaves its reason behind.
    const bool complete = app.database.last_diagnostic().empty();
    app.database.db_finish();
    return complete;
}

void rewrite_list_cells(App& app, int tree, const std::map<std::string, QString>& paths) {
    if (app.main_window == nullptr || paths.empty()) return;
    ItemListModel& model = app.main_window->list_model();
    for (int row = 0; row < model.row_count(); ++row) {
        const auto found = paths.find(model.cell(row, db::kId).toStdString());
        if (found != paths.end()) model.set_cell(row, column_of(tree), found->second);
    }
}

// Gives every stored item of node `node` the new name in its path. On a
// failure the items already rewritten get their old path back, the user is
// told, and false is returned: the node keeps its old name.
bool rewrite_stored_paths(App& app, int tree, int node, const QString& name) {
    const NodeList& nodes = nodes_of(app, tree);
    const int level = nodes[static_cast<std::size_t>(node)].level;
    std::vector<StoredPath> items;
    if (!read_paths_under(app, tree, build_node_path(nodes, node), items)) {
        warn(app, rename_unread_message(diagnostic_text(app)));
        return false;
    }
    const db::StoreColumn column = column_of(tree);
    std::map<std::string, QString> rewritten;
    // One operation: a failure leaves every path as it was.
    const QString caption = QString::fromUtf8("Переименование: %1 «%2» → «%3»")
                                .arg(tree == kLocationTree ? QString::fromUtf8("место хранения") : QString::fromUtf8("раздел"),
                                     nodes[static_cast<std::size_t>(node)].name, name);
    const bool written = db::run_operation(app.database, caption.toStdString(), [&] {
        for (const StoredPath& item : items) {
            const QString path = replace_path_component(item.path, level, name);
            if (!update_done(app, db::set_item_node_path(column, path.toStdString(), item.id))) return false;
            rewritten[item.id] = path;
        }
        return true;
    });
    if (written) {
        rewrite_list_cells(app, tree, rewritten);
        return true;
    }
    warn(app, rename_failed_message(diagnostic_text(app)));
    return false;
}

// What a refused or failed change of a server's tree tells; true when done.
bool changed(App& app, TreeChange outcome, const QString& failed_message) {
    switch (outcome) {
        case TreeChange::done:
            return true;
        case TreeChange::changed_underneath:
            trees_changed_underneath(app);
            return false;
        case TreeChange::name_taken:
            reread_trees(app);
            warn(app, duplicate_message());
            return false;
        case TreeChange::failed:
            warn(app, failed_message);
            return false;
    }
    return false;
}

// The server makes the node under its automatic name at once; the label
// editor then names it, as a rename.
void create_shared(App& app, int tree, int parent, int level) {
    NodeList& nodes = nodes_of(app, tree);
    const QString name = automatic_name(nodes, level, parent);
    const int parent_id = nodes[static_cast<std::size_t>(parent)].id;
    const TreeChange outcome = create_shared_node(app.database, kind_of(tree), version_of(app, tree), parent_id, name,
                                                  level);
    if (!changed(app, outcome, create_failed_message(diagnostic_text(app))) || !reread_trees(app)) return;
    int made = -1;
    for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
        if (parent_of(nodes, i) == index_of(nodes, parent_id) && nodes[static_cast<std::size_t>(i)].name == name) made = i;
    }
    QTreeWidget* view = view_of(app, tree);
    if (made < 0 || view == nullptr) return;
    select_tree_node(view, made);
    set_pending_edit(app, tree == kLocationTree ? kNamingPlace : kNamingSection);
    QTreeWidgetItem* item = item_of(view, made);
    view->scrollToItem(item);
    view->editItem(item, 0);
}

// A server's node named anew: the node and every stored path under it in
// one transaction. False when it did not happen (the user was told).
bool rename_shared(App& app, int tree, int node, const QString& name) {
    const NodeList& nodes = nodes_of(app, tree);
    const TreeNode& edited = nodes[static_cast<std::size_t>(node)];
    const QString old_path = build_node_path(nodes, node);
    const QString new_path = replace_path_component(old_path, edited.level, name);
    const TreeChange outcome = rename_shared_node(app.database, kind_of(tree), version_of(app, tree), edited.id, name,
                                                  old_path, new_path);
    if (!changed(app, outcome, rename_failed_message(diagnostic_text(app)))) return false;
    reread_trees(app);
    list_node_again(app);
    if (app.list_statement) itemlist::show_item_list(app, *app.list_statement);
    return true;
}

}  // namespace

long long version_of(const App& app, int tree) {
    return tree == kLocationTree ? app.place_version : app.section_version;
}

int index_of(const NodeList& nodes, int id) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

NodeList& nodes_of(App& app, int tree) { return tree == kLocationTree ? app.location_nodes : app.path_nodes; }

QTreeWidget* view_of(const App& app, int tree) {
    if (app.main_window == nullptr) return nullptr;
    return tree == kLocationTree ? app.main_window->location_tree() : app.main_window->path_tree();
}

db::StoreColumn column_of(int tree) { return tree == kLocationTree ? db::kPlace : db::kSectionPath; }

int selected_node(const App& app, int tree) {
    const int index = selected_node(view_of(app, tree));
    const NodeList& nodes = tree == kLocationTree ? app.location_nodes : app.path_nodes;
    return index < static_cast<int>(nodes.size()) ? index : -1;
}

QString build_node_path(const App& app, int tree) {
    const NodeList& nodes = tree == kLocationTree ? app.location_nodes : app.path_nodes;
    return build_node_path(nodes, selected_node(app, tree));
}

void build_tree_from_values(App& app, int tree) {
    QStringList values;
    if (app.database.db_query(db::select_distinct_paths(column_of(tree)))) {
        while (app.database.db_next_row()) values << QString::fromStdString(app.database.db_text(0));
        app.database.db_finish();
    }
    NodeList& nodes = nodes_of(app, tree);
    build_tree_from_values(nodes, values);
    show_nodes(view_of(app, tree), nodes);
}

void refresh_tree(App& app, int tree) {
    QTreeWidget* view = view_of(app, tree);
    if (view == nullptr) return;
    show_nodes(view, nodes_of(app, tree), expanded_nodes(view), selected_node(view));
    sort_tree(view);
}

void show_trees_at_start_up(App& app) {
    for (int tree : {kPathTree, kLocationTree}) {
        NodeList& nodes = nodes_of(app, tree);
        if (nodes.empty()) nodes.push_back({QString::fromUtf8(kRootName), 0});
        show_nodes(view_of(app, tree), nodes);
    }
    sort_tree(view_of(app, kLocationTree));
    sort_tree(view_of(app, kPathTree));
    if (QTreeWidget* view = view_of(app, kPathTree)) {
        view->setFocus();
        select_tree_node(view, 0);
    }
    app.list_source_tree = kPathTree;
}

void install_tree_behaviour(App& app) {
    for (int tree : {kPathTree, kLocationTree}) {
        QTreeWidget* view = view_of(app, tree);
        if (view == nullptr) continue;
        // Only the commands open the editor; the widget never drags or drops.
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::NoDragDrop);
        view->setItemDelegate(new NodeNameDelegate(
            [&app, tree](int node, const QString& text) { finish_label_edit(app, tree, node, text); }, view));
    }
}

int pending_edit(const App& app) { return app.pending_edit; }

void set_pending_edit(App& app, int value) { app.pending_edit = value; }

void select_node(App& app, int tree, Click click) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    const int remembered = click == Click::left ? window->selected_row() : -1;
    const QString path = build_node_path(app, tree);
    itemlist::show_item_list(app, db::select_items_under(column_of(tree), path.toStdString()));
    app.list_source_tree = tree;
    const int node = selected_node(app, tree);
    app.list_node_id = node >= 0 ? nodes_of(app, tree)[static_cast<std::size_t>(node)].id : 0;
    if (click == Click::left) {
        window->select_row(remembered);
    } else {
        show_popup(app, tree == kLocationTree ? kLocationTreeMenu : kPathTreeMenu);
    }
}

void create_node(App& app, int tree) {
    QTreeWidget* view = view_of(app, tree);
    if (view == nullptr) return;
    NodeList& nodes = nodes_of(app, tree);
    const int parent = selected_node(app, tree);
    if (parent < 0) {
        warn(app, no_section_message());
        return;
    }
    const int level = nodes[static_cast<std::size_t>(parent)].level + 1;
    if (trees_shared(app)) {
        create_shared(app, tree, parent, level);
        return;
    }
    const int at = parent + 1;
    std::vector<int> expanded = shifted_for_insert(expanded_nodes(view), at);
    expanded.push_back(parent);
    insert_node(nodes, at, {automatic_name(nodes, level, parent), level});
    show_nodes(view, nodes, expanded, at);
    sort_tree(view);
    set_pending_edit(app, tree == kLocationTree ? kNamingPlace : kNamingSection);
    QTreeWidgetItem* item = item_of(view, at);
    view->scrollToItem(item);
    view->editItem(item, 0);
}

void start_rename(App& app, int tree) {
    QTreeWidget* view = view_of(app, tree);
    const int node = selected_node(app, tree);
    if (view == nullptr || node < 0) return;
    if (is_root_name(nodes_of(app, tree)[static_cast<std::size_t>(node)].name)) {
        warn(app, root_message());
        return;
    }
    set_pending_edit(app, tree == kLocationTree ? kRenamingPlace : kRenamingSection);
    view->editItem(item_of(view, node), 0);
}

void finish_label_edit(App& app, int tree, int node, const std::optional<QString>& text) {
    if (!text || text->isEmpty()) return;
    const int pending = pending_edit(app);
    const bool naming = pending == (tree == kLocationTree ? kNamingPlace : kNamingSection);
    const bool renaming = pending == (tree == kLocationTree ? kRenamingPlace : kRenamingSection);
    NodeList& nodes = nodes_of(app, tree);
    if ((!naming && !renaming) || node < 0 || node >= static_cast<int>(nodes.size())) return;
    TreeNode& edited = nodes[static_cast<std::size_t>(node)];
    if (renaming && is_root_name(edited.name)) {
        warn(app, root_message());
        return;
    }
    if (const QString refusal = name_refusal(*text); !refusal.isEmpty()) {
        warn(app, refusal);
        return;
    }
    if (name_taken_at_level(nodes, *text, edited.level, node)) {
        warn(app, duplicate_message());
        return;
    }
    if (trees_shared(app)) {
        rename_shared(app, tree, node, *text);
        return;
    }
    if (renaming && !rewrite_stored_paths(app, tree, node, *text)) return;
    edited.name = *text;
    refresh_tree(app, tree);
    settings::save_settings(app);
}

void delete_node(App& app, int tree) {
    QTreeWidget* view = view_of(app, tree);
    const int node = selected_node(app, tree);
    if (view == nullptr || node < 0) return;
    NodeList& nodes = nodes_of(app, tree);
    if (is_root_name(nodes[static_cast<std::size_t>(node)].name)) {
        warn(app, root_message());
        return;
    }
    // The database, not the list, says whether the node holds items.
    const QString path = build_node_path(nodes, node);
    std::vector<StoredPath> items;
    if (!read_paths_under(app, tree, path, items)) {
        warn(app, delete_unread_message(diagnostic_text(app)));
        return;
    }
    if (!items.empty() && !ask_delete(app)) return;
    if (trees_shared(app)) {
        const TreeChange outcome = delete_shared_node(app.database, kind_of(tree), version_of(app, tree),
                                                      nodes[static_cast<std::size_t>(node)].id, path, !items.empty());
        if (!changed(app, outcome, delete_failed_message(diagnostic_text(app)))) return;
        if (app.main_window != nullptr) app.main_window->list_model().clear();
        select_tree_node(view, parent_of(nodes, node));
        reread_trees(app);
        return;
    }
    if (!items.empty()) {
        const QString caption = QString::fromUtf8("Удаление: %1 «%2» с деталями")
                                    .arg(tree == kLocationTree ? QString::fromUtf8("место хранения")
                                                               : QString::fromUtf8("раздел"),
                                         path);
        if (!db::run_operation(app.database, caption.toStdString(),
                               [&] { return update_done(app, db::delete_items_under(column_of(tree), path.toStdString())); })) {
            warn(app, delete_failed_message(diagnostic_text(app)));
            return;
        }
    }
    if (app.main_window != nullptr) app.main_window->list_model().clear();
    const int parent = parent_of(nodes, node);
    const int end = subtree_end(nodes, node);
    const std::vector<int> expanded = shifted_for_removal(expanded_nodes(view), node, end);
    remove_node(nodes, node);
    show_nodes(view, nodes, expanded, parent);
    sort_tree(view);
    settings::save_settings(app);
}

void reveal_item_in_tree(App& app, int tree, int column) {
    if (app.main_window == nullptr) return;
    const int row = app.main_window->selected_row();
    const QString path = row >= 0 ? app.main_window->list_model().cell(row, column) : QString();
    reveal_path(view_of(app, tree), nodes_of(app, tree), path);
}

// Entry points of the router.

void path_tree_left_click(App& app, const Event&) { select_node(app, kPathTree, Click::left); }
void path_tree_right_click(App& app, const Event&) { select_node(app, kPathTree, Click::right); }
void location_tree_left_click(App& app, const Event&) { select_node(app, kLocationTree, Click::left); }
void location_tree_right_click(App& app, const Event&) { select_node(app, kLocationTree, Click::right); }

void item_list_left_click(App& app, const Event& event) {
    if (app.main_window == nullptr || app.main_window->selected_row() < 0) return;
    reveal_selected_item(app, event);
}

void reveal_selected_item(App& app, const Event&) {
    reveal_item_in_tree(app, kLocationTree, db::kPlace);
    reveal_item_in_tree(app, kPathTree, db::kSectionPath);
}

void create_section(App& app, const Event&) { create_node(app, kPathTree); }
void rename_section(App& app, const Event&) { start_rename(app, kPathTree); }
void delete_section(App& app, const Event&) { delete_node(app, kPathTree); }
void create_place(App& app, const Event&) { create_node(app, kLocationTree); }
void rename_place(App& app, const Event&) { start_rename(app, kLocationTree); }
void delete_place(App& app, const Event&) { delete_node(app, kLocationTree); }

}  // namespace detalehran::trees
