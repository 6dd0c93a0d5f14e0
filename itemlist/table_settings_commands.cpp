// Commands of the table settings dialog: opening it with fresh copies of the
// highlight settings, the highlight controls, the colour, and its three ways
// of closing. It changes columns and row colours; it neither refills the
// list nor writes the settings file.

#include "itemlist/table_settings_commands.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTreeView>
#include <cstdint>

#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "itemlist/sorter/column_sorter.h"
#include "itemlist/table_settings_dialog.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::itemlist {

namespace {

constexpr int kQuantityColumn = 3;

// Every row back to the default colour, then the low-stock rows in the
// highlight colour.
void recolour_rows(App& app, bool highlight) {
    ItemListModel& rows = app.main_window->list_model();
    const std::int64_t minimum = integer_value(app.highlight.minimum);
    for (int row = 0; row < rows.row_count(); ++row) {
        const bool low = highlight && integer_value(rows.cell(row, kQuantityColumn)) < minimum;
        rows.set_row_colour(row, low ? app.highlight.colour : -1);
    }
}

// The name column's order; a list sorted by name is sorted again the new way.
void apply_value_order(App& app, bool by_value) {
    if (app.order_by_value == by_value) return;
    app.order_by_value = by_value;
    sorter::sorter_set_column_type(app, kItemList, 0, by_value ? sorter::kValueTextColumn : sorter::kTextColumn);
    const auto sort = app.sorter ? app.sorter->shown_sort(kItemList) : std::nullopt;
    if (sort && sort->first == 0) app.sorter->sort_again(kItemList, 0, sort->second);
}

}  // namespace

void open_table_settings(App& app, const Event&) {
    auto* dialog = open_modal<TableSettingsDialog>(app, [](MainWindow& main) { return new TableSettingsDialog(main); });
    if (dialog == nullptr) return;

    for (const ColumnBox& box : kColumnBoxes) {
        QCheckBox* check = dialog->check_box(box.control);
        check->setChecked(true);
        if (column_shown(app, box.column) == 0) check->setChecked(false);
    }
    QCheckBox* highlight = dialog->check_box(kSettingsHighlightBox);
    if (app.highlight.on == 0) {
        dialog->set_highlight_controls_enabled(false);
    } else {
        highlight->setChecked(true);
    }
    app.highlight.on_saved = highlight->isChecked() ? 1 : 0;
    dialog->set_minimum_text(app.highlight.minimum);
    app.highlight.minimum_saved = dialog->minimum_field()->text();
    app.highlight.colour_saved = app.highlight.colour;
    dialog->check_box(kSettingsValueOrderBox)->setChecked(app.order_by_value);
    dialog->show_centred();
}

void toggle_highlight_controls(App& app, const Event&) {
    TableSettingsDialog* dialog = table_settings_dialog(app);
    if (dialog == nullptr) return;
    dialog->set_highlight_controls_enabled(dialog->check_box(kSettingsHighlightBox)->isChecked());
}

void choose_highlight_colour(App& app, const Event&) {
    TableSettingsDialog* dialog = table_settings_dialog(app);
    const int initial = app.highlight.colour == -1 ? 0 : app.highlight.colour;
    QWidget* parent = dialog != nullptr ? static_cast<QWidget*>(dialog) : app.main_window;
    // A cancelled chooser leaves the list's default colour, not the old one.
    app.highlight.colour = app.platform.choose_colour(parent, initial).value_or(-1);
}

void table_settings_ok(App& app, const Event&) {
    TableSettingsDialog* dialog = table_settings_dialog(app);
    if (dialog == nullptr) return;
    QTreeView* list = app.main_window->item_list();
    list->setUpdatesEnabled(false);

    for (const ColumnBox& box : kColumnBoxes) {
        if (dialog->check_box(box.control)->isChecked()) {
            show_column(app, box.column);
        } else {
            hide_column(app, box.column);
        }
    }

    HighlightSettings& highlight = app.highlight;
    highlight.on = dialog->check_box(kSettingsHighlightBox)->isChecked() ? 1 : 0;
    highlight.minimum = dialog->minimum_field()->text();
    if (highlight.on == 1 && (highlight.on_saved == 0 || highlight.minimum != highlight.minimum_saved ||
                              highlight.colour != highlight.colour_saved)) {
        recolour_rows(app, true);
    } else if (highlight.on == 0 && highlight.on_saved == 1) {
        recolour_rows(app, false);
    }
    highlight.minimum_saved = highlight.minimum;
    apply_value_order(app, dialog->check_box(kSettingsValueOrderBox)->isChecked());

    list->setUpdatesEnabled(true);
    list->viewport()->update();
    leave_dialog(app, *dialog);
}

void table_settings_cancel(App& app, const Event&) {
    TableSettingsDialog* dialog = table_settings_dialog(app);
    if (dialog == nullptr) return;
    leave_dialog(app, *dialog);
    app.highlight.on = app.highlight.on_saved;
    app.highlight.minimum = app.highlight.minimum_saved;
    app.highlight.colour = app.highlight.colour_saved;
}

void close_table_settings(App& app, const Event&) {
    // Only the colour chosen meanwhile stays; the boxes and the minimum go.
    close_by_close_box(app, table_settings_dialog(app));
}

}  // namespace detalehran::itemlist
