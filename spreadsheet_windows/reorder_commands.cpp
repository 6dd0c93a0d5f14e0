#include "spreadsheet_windows/reorder_commands.h"

#include "db/failure_text.h"
#include "itemlist/text_rules.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "spreadsheet/store_reading.h"
#include "spreadsheet_windows/export_commands.h"
#include "spreadsheet_windows/reorder_window.h"
#include "state/app.h"

namespace detalehran::spreadsheet_windows {

namespace {

void warn(App& app, const QString& text) {
    app.platform.message_box(app.main_window, QStringLiteral("Внимание!"), text, MessageButtons::ok,
                             MessageIcon::warning);
}

}  // namespace

void open_reorder_list(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    // Low stock by the list's own rule, whether its colouring is on or not.
    std::vector<spreadsheet::ReorderSource> items;
    if (!spreadsheet::read_reorder_sources(app.database, items)) {
        warn(app, QStringLiteral("Список для заказа не составлен: детали не прочитаны из базы данных.\n%1")
                      .arg(QString::fromStdString(db::failure_text(app.database.last_diagnostic()))));
        return;
    }
    spreadsheet::ReorderList list = spreadsheet::reorder_list(items, app.highlight.minimum.toStdString());
    if (list.refusal) {
        warn(app, QString::fromStdString(*list.refusal));
        return;
    }
    auto* window = open_modal<ReorderWindow>(app, [](MainWindow& main) { return new ReorderWindow(main); });
    if (window == nullptr) return;
    window->show_list(std::move(list), QString::number(itemlist::integer_value(app.highlight.minimum)));
    window->show_centred();
}

void save_reorder_list(App& app, const Event&) {
    ReorderWindow* window = reorder_window(app);
    if (window == nullptr) return;
    const spreadsheet::ReorderList& list = window->list();
    save_csv_file(
        app, window, QStringLiteral("Список для заказа"), QStringLiteral("Заказ.csv"), {},
        [&](const std::vector<bool>&, spreadsheet::CsvStyle style) { return spreadsheet::reorder_csv(list, style); },
        list.rows.size());
}

void close_reorder_list(App& app, const Event&) {
    if (ReorderWindow* window = reorder_window(app)) leave_dialog(app, *window);
}

void close_reorder_by_close_box(App& app, const Event&) { close_by_close_box(app, reorder_window(app)); }

}  // namespace detalehran::spreadsheet_windows
