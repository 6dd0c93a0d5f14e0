// Commands of the item list: the search by name, reading the list again and
// the list's font.

#include <QFont>
#include <QLineEdit>
#include <QSet>
#include <QTreeView>

#include "db/statements.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "itemlist/quantity_field.h"
#include "itemlist/sorter/column_sorter.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::itemlist {

void search_by_name(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    // "%" and "_" typed by the user stay pattern characters; "[" does not.
    app.list_node_id = 0;
    show_search(app, app.main_window->search_field()->text());
}

void refresh_item_list(App& app, const Event&) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    // A quantity being typed is written first: its row is about to change.
    if (QuantityField* field = open_quantity_field(app)) field->commit();
    ItemListModel& rows = window->list_model();
    const int selected = window->selected_row();
    const QString selected_id = selected < 0 ? QString() : rows.cell(selected, db::kId);
    QSet<QString> checked;
    for (int row = 0; row < rows.row_count(); ++row) {
        if (rows.is_checked(row)) checked.insert(rows.cell(row, db::kId));
    }
    const auto sort = app.sorter ? app.sorter->shown_sort(kItemList) : std::nullopt;

    if (app.list_search) {
        show_search(app, *app.list_search);
    } else {
        show_item_list(app, app.list_statement.value_or(db::kSelectAllItems));
    }

    if (sort) app.sorter->sort_again(kItemList, sort->first, sort->second);
    for (int row = 0; row < rows.row_count(); ++row) {
        const QString id = rows.cell(row, db::kId);
        if (checked.contains(id)) rows.set_checked(row, true);
        if (!selected_id.isEmpty() && id == selected_id) {
            window->select_row(row);
            window->item_list()->scrollTo(rows.index(row, 0));
        }
    }
}

QFont font_of(const ListFontRecord& record) {
    QFont font(record.face);
    if (record.points > 0) font.setPointSize(record.points);
    font.setBold((record.style & 256) != 0);
    font.setItalic((record.style & 512) != 0);
    font.setUnderline((record.style & 4) != 0);
    font.setStrikeOut((record.style & 8) != 0);
    return font;
}

void choose_list_font(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    const FontChoice initial{app.list_font.face, app.list_font.points, app.list_font.style};
    const std::optional<FontChoice> chosen = app.platform.choose_font(app.main_window, initial);
    if (!chosen) return;
    app.list_font = ListFontRecord{chosen->face, chosen->points, chosen->style};
    app.main_window->item_list()->setFont(font_of(app.list_font));
}

}  // namespace detalehran::itemlist
