#include "spreadsheet_windows/export_commands.h"

#include <vector>

#include "itemlist/item_list_model.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "settings/settings_file.h"
#include "spreadsheet/csv_writer.h"
#include "state/app.h"

namespace detalehran::spreadsheet_windows {

std::string shown_list_csv(App& app) {
    read_column_order(app);
    const ColumnTable& table = app.column_table;
    std::vector<int> columns;
    for (int position = 0; position < kListColumns; ++position) {
        if (table.shown[static_cast<std::size_t>(position)] != 0) {
            columns.push_back(table.order[static_cast<std::size_t>(position)]);
        }
    }
    const ItemListModel& rows = app.main_window->list_model();
    spreadsheet::CsvWriter writer(static_cast<std::size_t>(rows.row_count()) * columns.size() * 16);
    spreadsheet::write_list_header(writer, columns);
    for (int row = 0; row < rows.row_count(); ++row) {
        for (int column : columns) spreadsheet::write_list_cell(writer, column, QStringView(rows.cell(row, column)));
        writer.end_row();
    }
    return writer.take();
}

bool save_csv_file(App& app, QWidget* parent, const QString& title, const QString& suggested, const std::string& bytes,
                   std::size_t rows) {
    const std::optional<QString> path = app.platform.choose_save_file(
        parent, title, suggested, {{QStringLiteral("Таблицы CSV"), QStringLiteral("*.csv")}});
    if (!path) return false;
    const settings::FileResult written =
        settings::replace_file(path->toStdString(), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!written.ok) {
        app.platform.message_box(parent, QStringLiteral("Внимание!"),
                                 QStringLiteral("Файл не сохранён: %1.").arg(written.reason), MessageButtons::ok,
                                 MessageIcon::warning);
        return false;
    }
    app.platform.message_box(parent, title, QStringLiteral("Сохранено строк: %1.\nФайл: %2").arg(rows).arg(*path),
                             MessageButtons::ok, MessageIcon::information);
    return true;
}

void export_list(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    const std::string csv = shown_list_csv(app);
    save_csv_file(app, app.main_window, QStringLiteral("Экспорт списка в CSV"), QStringLiteral("Детали.csv"), csv,
                  static_cast<std::size_t>(app.main_window->list_model().row_count()));
}

}  // namespace detalehran::spreadsheet_windows
