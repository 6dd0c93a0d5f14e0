// Commands on the items of the list: opening the item editor, deleting the
// checked rows, checking and unchecking every row, the web search and the
// selected item's document.

#include "app/item_commands.h"

#include <QItemSelectionModel>
#include <QStringList>
#include <QTreeView>
#include <QUrl>

#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"
#include "editor/item_editor.h"
#include "itemlist/datasheets.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/access.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"
#include "trees/tree_commands.h"

namespace detalehran::commands {

namespace {

// The search engine's page and query keys; the name follows, percent-encoded.
const char* const kWebSearchAddress = "https://www.google.com/webhp?hl=ru#sclient=psy&hl=ru&site=webhp&source=hp&q=";

bool is_number(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

void warn(App& app, const QString& text) {
    app.platform.message_box(app.main_window, QStringLiteral("Внимание!"), text, MessageButtons::ok,
                             MessageIcon::warning);
}

// A cell of the selected row; empty with none selected.
QString selected_cell(const App& app, int column) {
    const int row = app.main_window->selected_row();
    return row < 0 ? QString() : app.main_window->list_model().cell(row, column);
}

// The list shows no selected row and no focus mark.
void clear_selection(App& app) {
    QTreeView* list = app.main_window->item_list();
    list->selectionModel()->clear();
}

void set_every_check(App& app, bool checked) {
    ItemListModel& rows = app.main_window->list_model();
    for (int row = 0; row < rows.row_count(); ++row) rows.set_checked(row, checked);
    clear_selection(app);
}

}  // namespace

void prepare_list_menu(App& app) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    const ItemListModel& model = window->list_model();
    const int selected = window->selected_row();

    const bool named = selected >= 0 && !model.cell(selected, db::kName).isEmpty();
    for (int item : {kMenuShowDocument, kMenuEdit, kMenuDeleteItems, kMenuCut, kMenuDuplicate}) {
        window->set_item_enabled(item, named);
    }
    if (named) window->set_item_enabled(kMenuPaste, false);

    // Cut and delete act on the checked rows.
    for (int row = 0; row < model.row_count(); ++row) {
        const bool checked = model.is_checked(row);
        window->set_item_enabled(kMenuCut, checked);
        window->set_item_enabled(kMenuDeleteItems, checked);
        if (checked) break;
    }

    // Paste needs rows waiting in Temp from an earlier cut.
    bool waiting = false;
    if (app.database.db_query(db::kSelectParked)) {
        if (app.database.db_first_row()) waiting = !app.database.db_text(0).empty();
        app.database.db_finish();
    }
    window->set_item_enabled(kMenuPaste, waiting);

    window->set_item_enabled(kMenuShowDocument, selected >= 0 && !model.cell(selected, db::kDatasheet).isEmpty());
    show_access(app);
}

void list_right_click(App& app, const Event&) {
    prepare_list_menu(app);
    show_popup(app, kItemListMenu);
}

void exit_at_once(App& app, const Event&) {
    // Nothing is saved or closed: the data source stays registered and the
    // scratch table keeps what was cut. Every statement has already committed.
    if (app.end_process) app.end_process(0);
}

void add_item(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    app.editor_mode = EditorMode::add;
    if (trees::selected_node(app, kPathTree) < 0) {
        app.platform.message_box(app.main_window, QStringLiteral("Внимание!"), QStringLiteral("Не выбран раздел!"),
                                 MessageButtons::ok, MessageIcon::none);
        return;
    }
    editor::open_item_editor(app, EditorMode::add);
}

void edit_item(App& app, const Event&) {
    if (app.main_window == nullptr || app.main_window->selected_row() < 0) return;
    app.editor_mode = EditorMode::edit;
    editor::open_item_editor(app, EditorMode::edit);
}

void edit_item_from_list(App& app, const Event& event) { edit_item(app, event); }

void duplicate_item(App& app, const Event&) {
    // The menu item is disabled without a selected row; the editor would
    // have nothing to fill its fields from.
    if (app.main_window == nullptr || app.main_window->selected_row() < 0) return;
    app.editor_mode = EditorMode::duplicate;
    editor::open_item_editor(app, EditorMode::duplicate);
}

void show_document(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    itemlist::open_document(app, selected_cell(app, db::kDatasheet));
}

void web_search(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    // Encoded whole, so that blanks, "&", "#", "+" and Cyrillic letters reach
    // the engine as the one name they are part of.
    const QByteArray name = QUrl::toPercentEncoding(selected_cell(app, db::kName));
    app.platform.open_with_default_program(QString::fromLatin1(kWebSearchAddress) + QString::fromLatin1(name));
}

void check_all_rows(App& app, const Event&) {
    if (app.main_window != nullptr) set_every_check(app, true);
}

void uncheck_all_rows(App& app, const Event&) {
    if (app.main_window != nullptr) set_every_check(app, false);
}

void delete_checked_items(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    ItemListModel& rows = app.main_window->list_model();
    std::vector<int> checked;
    QStringList kept;
    // From the last row up, so the rows still to go keep their indexes.
    for (int row = rows.row_count() - 1; row >= 0; --row) {
        if (!rows.is_checked(row)) continue;
        if (is_number(rows.cell(row, db::kId))) {
            checked.push_back(row);
        } else {
            kept.prepend(rows.cell(row, db::kName));
        }
    }
    std::string reason;
    if (!checked.empty()) {
        // One operation of the history, taken back by one undo. An item the
        // database refuses to let go stays, the others go (a failed statement
        // is undone alone: by our driver, and by the server's driver at its
        // usual level of rollback; at another level the whole operation is
        // rolled back and reported). An item someone else deleted meanwhile
        // is gone just as well. The list never shows what is not stored:
        // rows go once the operation is stored.
        std::vector<int> gone;
        const QString caption = checked.size() == 1
                                    ? QStringLiteral("Удаление детали «%1»").arg(rows.cell(checked.front(), db::kName))
                                    : QStringLiteral("Удаление деталей: %1").arg(checked.size());
        const bool stored = db::run_operation(app.database, caption.toStdString(), [&] {
            for (int row : checked) {
                const std::string id = rows.cell(row, db::kId).toStdString();
                if (app.database.db_update(db::delete_item(id)) ||
                    app.database.last_diagnostic().sqlstate == db::kNoRowMatched) {
                    gone.push_back(row);
                } else {
                    kept.prepend(rows.cell(row, db::kName));
                    reason = db::failure_text(app.database.last_diagnostic());
                }
            }
            return true;
        });
        if (stored) {
            for (int row : gone) rows.remove_row(row);
        } else {
            reason = db::failure_text(app.database.last_diagnostic());
            kept.clear();
            for (int row = rows.row_count() - 1; row >= 0; --row) {
                if (rows.is_checked(row)) kept.prepend(rows.cell(row, db::kName));
            }
        }
    }
    if (kept.isEmpty()) return;
    QString text = QStringLiteral("Не удалось удалить:\n") + kept.join('\n');
    if (!reason.empty()) text += QStringLiteral("\n\n") + QString::fromStdString(reason);
    warn(app, text);
}

}  // namespace detalehran::commands
