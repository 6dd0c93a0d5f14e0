// Moving items between sections: a cut parks the checked items in [Temp], a
// paste stamps them with the path of the list source tree's selected node
// and brings them back into [Store]. An item is in one of the two tables at
// every moment, whatever statement fails.

#include <algorithm>

#include "state/app.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
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
    // [Temp] loses only what is safely back in [Store].
    if (!update_done(app, db::stamp_parked(column, path)) || !update_done(app, db::kReturnParked)) {
        warn(app, paste_failed_message(diagnostic_text(app)));
        return;
    }
    if (!update_done(app, db::kDropReturnedParked)) warn(app, paste_not_emptied_message(diagnostic_text(app)));
    const int remembered = window->selected_row();
    itemlist::show_item_list(app, db::select_items_under(column, path));
    window->select_row(remembered);
}

}  // namespace detalehran::trees
