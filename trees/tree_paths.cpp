#include "trees/tree_paths.h"

#include <QTreeWidget>
#include <functional>

#include "mainwindow/control_numbers.h"
#include "state/app.h"
#include "trees/node_operations.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

namespace detalehran::trees {

namespace {

std::vector<ShownPath> shown_paths(const App& app, int tree) {
    std::vector<ShownPath> out;
    const QTreeWidget* view = view_of(app, tree);
    if (view == nullptr) return out;
    const NodeList& nodes = tree == kLocationTree ? app.location_nodes : app.path_nodes;
    std::function<void(const QTreeWidgetItem*)> walk = [&](const QTreeWidgetItem* item) {
        const QString path = build_node_path(nodes, node_of(item));
        out.push_back({path_components(path).join(QStringLiteral(" / ")), path});
        for (int c = 0; c < item->childCount(); ++c) walk(item->child(c));
    };
    for (int i = 0; i < view->topLevelItemCount(); ++i) walk(view->topLevelItem(i));
    return out;
}

QString selected_path_or_root(const App& app, int tree) {
    if (selected_node(app, tree) < 0) return QStringLiteral("|%1|").arg(QString::fromUtf8(kRootName));
    return build_node_path(app, tree);
}

}  // namespace

TreeChoices tree_choices(const App& app) {
    return {{shown_paths(app, kPathTree), selected_path_or_root(app, kPathTree)},
            {shown_paths(app, kLocationTree), selected_path_or_root(app, kLocationTree)}};
}

void adopt_nodes(App& app, const NodeList& sections, const NodeList& places,
                 const std::vector<std::string>& new_sections, const std::vector<std::string>& new_places,
                 const QString& show_section) {
    adopt_imported_nodes(app, sections, places, new_sections, new_places);
    select_tree_node(view_of(app, kPathTree), find_path_node(app.path_nodes, show_section));
    select_node(app, kPathTree, Click::left);
}

}  // namespace detalehran::trees
