#include "trees/team_trees.h"

#include <QTreeWidget>
#include <map>

#include "db/operation.h"
#include "db/statements.h"
#include "itemlist/item_list.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "settings/settings_store.h"
#include "state/app.h"
#include "trees/node_operations.h"
#include "trees/shared_trees.h"
#include "trees/tree_commands.h"
#include "trees/tree_messages.h"
#include "trees/tree_view.h"

namespace detalehran::trees {

namespace {

constexpr int kTrees[] = {kPathTree, kLocationTree};

long long& version_of(App& app, int tree) { return tree == kLocationTree ? app.place_version : app.section_version; }

int index_of_id(const NodeList& nodes, int id) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

int id_at(const NodeList& nodes, int index) {
    return index >= 0 && index < static_cast<int>(nodes.size()) ? nodes[static_cast<std::size_t>(index)].id : 0;
}

// The tree's new nodes shown in its widget, what was expanded and selected
// kept by node ID.
void show_by_ids(App& app, int tree, NodeList fresh) {
    NodeList& nodes = nodes_of(app, tree);
    QTreeWidget* view = view_of(app, tree);
    std::vector<int> expanded_ids;
    for (int index : expanded_nodes(view)) expanded_ids.push_back(id_at(nodes, index));
    const int selected_id = id_at(nodes, selected_node(view));
    nodes = std::move(fresh);
    if (view == nullptr) return;
    std::vector<int> expanded;
    for (int id : expanded_ids) {
        if (const int index = index_of_id(nodes, id); index >= 0) expanded.push_back(index);
    }
    const int selected = index_of_id(nodes, selected_id);
    show_nodes(view, nodes, expanded, selected >= 0 || selected_id == 0 ? selected : 0);
    sort_tree(view);
}

// Every node's path of a tree, the root's left out.
QStringList paths_of(const NodeList& nodes) {
    QStringList out;
    for (int i = 1; i < static_cast<int>(nodes.size()); ++i) out << build_node_path(nodes, i);
    return out;
}

// The distinct stored paths of the tree's column; nothing when unread.
std::optional<QStringList> stored_paths(App& app, int tree) {
    QStringList values;
    if (!app.database.db_query(db::select_distinct_paths(column_of(tree)))) return std::nullopt;
    while (app.database.db_next_row()) values << QString::fromStdString(app.database.db_text(0));
    const bool complete = app.database.last_diagnostic().empty();
    app.database.db_finish();
    if (!complete) return std::nullopt;
    return values;
}

}  // namespace

bool trees_shared(const App& app) { return app.database.is_open() && app.database.shares_trees(); }

schema::TreeKind kind_of(int tree) {
    return tree == kLocationTree ? schema::TreeKind::places : schema::TreeKind::sections;
}

void load_team_trees(App& app) {
    SharedTrees shared;
    if (!read_shared_trees(app.database, shared)) {
        warn(app, trees_unread_message(diagnostic_text(app)));
        for (int tree : kTrees) nodes_of(app, tree) = {TreeNode{QString::fromUtf8(kRootName), 0}};
        return;
    }
    // What this desktop's Store.ini held before the team's trees, and the
    // paths stored items name: the nodes of either that the server lacks.
    NodeList file_nodes[2];
    settings::file_trees(file_nodes[0], file_nodes[1]);
    bool added = false;
    if (app.database.rights().change_trees) {
        for (int k = 0; k < 2; ++k) {
            const int tree = kTrees[k];
            QStringList wanted = paths_of(file_nodes[k]);
            if (const auto stored = stored_paths(app, tree)) wanted += *stored;
            NodeList would_be = shared.nodes(kind_of(tree));
            const std::size_t before = would_be.size();
            build_tree_from_values(would_be, wanted);
            if (would_be.size() != before && add_shared_paths(app.database, kind_of(tree), wanted) > 0) added = true;
        }
    }
    if (added && !read_shared_trees(app.database, shared)) {
        warn(app, trees_unread_message(diagnostic_text(app)));
        return;
    }
    app.path_nodes = shared.sections;
    app.location_nodes = shared.places;
    app.section_version = shared.section_version;
    app.place_version = shared.place_version;
}

bool reread_trees(App& app) {
    SharedTrees shared;
    if (!read_shared_trees(app.database, shared)) {
        warn(app, trees_unread_message(diagnostic_text(app)));
        return false;
    }
    show_by_ids(app, kPathTree, shared.sections);
    show_by_ids(app, kLocationTree, shared.places);
    app.section_version = shared.section_version;
    app.place_version = shared.place_version;
    return true;
}

void trees_changed_underneath(App& app, QWidget* parent) {
    reread_trees(app);
    list_node_again(app);
    warn(app, trees_changed_message(), parent);
}

bool trees_still_current(App& app) {
    if (!trees_shared(app)) return true;
    long long sections = -1;
    long long places = -1;
    if (!read_tree_versions(app.database, sections, places, true)) return false;
    return sections == app.section_version && places == app.place_version;
}

PathWrite write_with_current_trees(App& app, const std::string& caption, const std::function<bool()>& write,
                                   QWidget* parent) {
    if (app.database.in_transaction()) {
        return db::set_operation_caption(app.database, caption) && write() ? PathWrite::done : PathWrite::failed;
    }
    if (!trees_shared(app)) return db::run_operation(app.database, caption, write) ? PathWrite::done : PathWrite::failed;
    if (!app.database.begin_transaction()) return PathWrite::failed;
    if (!db::set_operation_caption(app.database, caption)) {
        app.database.end_transaction(false);
        return PathWrite::failed;
    }
    if (!trees_still_current(app)) {
        const bool unread = !app.database.last_diagnostic().empty();
        app.database.end_transaction(false);
        if (unread) return PathWrite::failed;
        trees_changed_underneath(app, parent);
        return PathWrite::trees_changed;
    }
    const bool ok = write();
    return app.database.end_transaction(ok) && ok ? PathWrite::done : PathWrite::failed;
}

void list_node_again(App& app) {
    if (app.list_node_id == 0 || !trees_shared(app)) return;
    const int tree = app.list_source_tree;
    int node = index_of_id(nodes_of(app, tree), app.list_node_id);
    if (node < 0) {
        // The node is gone: its parent's items would be a guess; all of them
        // are not.
        node = 0;
        app.list_node_id = id_at(nodes_of(app, tree), 0);
        select_tree_node(view_of(app, tree), 0);
    }
    const QString path = build_node_path(nodes_of(app, tree), node);
    app.list_statement = db::select_items_under(column_of(tree), path.toStdString());
}

void refresh_trees_and_list(App& app, const Event& event) {
    if (trees_shared(app)) {
        reread_trees(app);
        settings::read_team_settings_again(app);
        list_node_again(app);
    }
    itemlist::refresh_item_list(app, event);
}

void adopt_imported_nodes(App& app, const NodeList& sections, const NodeList& places,
                          const std::vector<std::string>& new_sections, const std::vector<std::string>& new_places) {
    if (!trees_shared(app)) {
        app.path_nodes = sections;
        app.location_nodes = places;
        refresh_tree(app, kPathTree);
        refresh_tree(app, kLocationTree);
        settings::save_settings(app);
        return;
    }
    // The items are stored: a failure here leaves only nodes missing, and
    // the next start adds them from the items' paths.
    const auto add = [&app](schema::TreeKind tree, const std::vector<std::string>& paths) {
        QStringList list;
        for (const std::string& path : paths) list << QString::fromStdString(path);
        if (!list.isEmpty() && add_shared_paths(app.database, tree, list) < 0) {
            warn(app, nodes_not_added_message(diagnostic_text(app)));
        }
    };
    add(schema::TreeKind::sections, new_sections);
    add(schema::TreeKind::places, new_places);
    reread_trees(app);
    settings::save_settings(app);
}

}  // namespace detalehran::trees
