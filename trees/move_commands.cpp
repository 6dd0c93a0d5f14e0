// Moving items between sections: a cut parks the checked items in [Temp], a
// paste stamps them with the path of the list source tree's selected node
// and brings them back into [Store]. An item is in one of the two tables at
// every moment, whatever statement fails.

#include <algorithm>
#include <map>

#include "db/operation.h"
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

// Moves one stored item into [Temp], inside the cut's operation: the copy
// must exist before the original goes, and a failure of either leaves the
// item where it was (a failed statement is undone alone, its copy by us).
bool park(App& app, const std::string& id) {
    if (!app.database.db_update(db::park_item(id))) return false;
    if (update_done(app, db::delete_stored_item(id))) return true;
    // Should the copy not leave [Temp] again, the paste brings back only
    // IDs that are free in [Store].
    const db::Diagnostic why = app.database.last_diagnostic();
    update_done(app, db::unpark_item(id));
    app.database.restore_diagnostic(why);
    return false;
}

}  // namespace

void cut_items(App& app, const Event&) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    ItemListModel& model = window->list_model();
    std::vector<int> checked;
    int failed = 0;
    // From the last row up, so the rows still to go keep their index.
    for (int row = model.row_count() - 1; row >= 0; --row) {
        if (!model.is_checked(row)) continue;
        if (is_id(model.cell(row, db::kId).toStdString())) {
            checked.push_back(row);
        } else {
            ++failed;
        }
    }
    QString why;
    if (!checked.empty()) {
        // One operation of the history for every item moved; an item that
        // cannot move stays where it was, the others move.
        std::vector<int> moved;
        const QString caption = QString::fromUtf8("Вырезание деталей: %1").arg(checked.size());
        const bool cut = db::run_operation(app.database, caption.toStdString(), [&] {
            for (int row : checked) {
                if (park(app, model.cell(row, db::kId).toStdString())) {
                    moved.push_back(row);
                } else {
                    ++failed;
                    why = diagnostic_text(app);
                }
            }
            return true;
        });
        if (cut) {
            for (int row : moved) model.remove_row(row);
        } else {
            why = diagnostic_text(app);
            failed += static_cast<int>(moved.size());
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
    // Stamped, returned and dropped from [Temp] as one operation, so that
    // its undo finds the items where the cut left them.
    QString not_emptied;
    const PathWrite written =
        write_with_current_trees(app, QString::fromUtf8("Вставка деталей в «%1»").arg(QString::fromStdString(path)).toStdString(), [&] {
            if (!update_done(app, db::stamp_parked(column, path)) || !update_done(app, db::kReturnParked)) return false;
            if (!update_done(app, db::kDropReturnedParked)) not_emptied = diagnostic_text(app);
            return true;
        });
    if (written == PathWrite::trees_changed) return;
    if (written == PathWrite::failed) {
        warn(app, paste_failed_message(diagnostic_text(app)));
        return;
    }
    if (!not_emptied.isEmpty()) warn(app, paste_not_emptied_message(not_emptied));
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
