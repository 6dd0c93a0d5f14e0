// Moving items between sections: a cut parks the checked items in [Temp], a
// paste stamps them with the path of the list source tree's selected node
// and brings them back into [Store]. An item is in one of the two tables at
// every moment, whatever statement fails.

#include <algorithm>
#include <map>

#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/main_window.h"
#include "state/app.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"
#include "trees/tree_messages.h"

namespace detalehran::trees {

namespace {

// IDs go into statements bare, so only a plain number is taken.
bool is_id(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Moves one stored item into [Temp]; true when it left [Store].
bool park(App& app, const std::string& id, QString& why) {
    // The copy must exist before the original goes; no row copied means the
    // item is no longer stored, and nothing is moved.
    if (!app.database.db_update(db::park_item(id))) {
        why = diagnostic_text(app);
        return false;
    }
    if (update_done(app, db::delete_stored_item(id))) return true;
    why = diagnostic_text(app);
    // The item stays where it was: its copy leaves [Temp] again. Should that
    // fail too, the paste brings back only IDs that are free in [Store].
    update_done(app, db::unpark_item(id));
    return false;
}

}  // namespace

void cut_items(App& app, const Event&) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    ItemListModel& model = window->list_model();
    int failed = 0;
    QString why;
    // From the last row up, so the rows still to visit keep their index.
    for (int row = model.row_count() - 1; row >= 0; --row) {
        if (!model.is_checked(row)) continue;
        const std::string id = model.cell(row, db::kId).toStdString();
        if (is_id(id) && park(app, id, why)) {
            model.remove_row(row);
        } else {
            ++failed;
        }
    }
    if (failed > 0) warn(app, cut_failed_message(why, failed));
}

void paste_items(App& app, const Event&) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    const int tree = app.list_source_tree;
    if (selected_node(app, tree) < 0) {
        warn(app, no_section_message());
        return;
    }
    const std::string path = build_node_path(app, tree).toStdString();
    const db::StoreColumn column = column_of(tree);
    // [Temp] loses only what is safely back in [Store], and on a server
    // only under a path the trees still have.
    const PathWrite written = write_with_current_trees(
        app, [&] { return update_done(app, db::stamp_parked(column, path)) && update_done(app, db::kReturnParked); });
    if (written == PathWrite::trees_changed) return;
    if (written == PathWrite::failed) {
        warn(app, paste_failed_message(diagnostic_text(app)));
        return;
    }
    if (!update_done(app, db::kDropReturnedParked)) warn(app, paste_not_emptied_message(diagnostic_text(app)));
    const int remembered = window->selected_row();
    itemlist::show_item_list(app, db::select_items_under(column, path));
    window->select_row(remembered);
}

namespace {

// The names of this role's parked items by ID; nothing when unread.
std::map<std::string, QString> own_parked(App& app) {
    std::map<std::string, QString> out;
    if (!app.database.db_query(db::kSelectParked)) return out;
    while (app.database.db_next_row()) {
        out[app.database.db_text(db::kId)] = QString::fromStdString(app.database.db_text(db::kName));
    }
    app.database.db_finish();
    return out;
}

}  // namespace

void return_stranded_items(App& app) {
    if (!app.database.is_open() || !app.database.shares_trees() || !app.database.holds_program_mark()) return;
    const std::map<std::string, QString> parked = own_parked(app);
    if (parked.empty()) return;
    // Only what is back in [Store] leaves [Temp]; an item whose ID is taken
    // meanwhile stays there for a paste.
    if (!update_done(app, db::kReturnParked) || !update_done(app, db::kDropReturnedParked)) {
        warn(app, stranded_not_returned_message(diagnostic_text(app)));
        return;
    }
    const std::map<std::string, QString> left = own_parked(app);
    QStringList names;
    for (const auto& [id, name] : parked) {
        if (!left.contains(id)) names << QString::fromUtf8("«%1»").arg(name);
    }
    if (!names.isEmpty()) warn(app, stranded_returned_message(names));
}

}  // namespace detalehran::trees
