#include "spreadsheet_windows/export_commands.h"

#include <algorithm>
#include <vector>

#include "itemlist/item_list_model.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "settings/settings_file.h"
#include "spreadsheet/csv_writer.h"
#include "state/app.h"

namespace detalehran::spreadsheet_windows {

namespace {

const QString kPointStyleOption =
    QStringLiteral("Десятичная точка и «,» между ячейками (для таблиц не на русском языке)");

QString added_column_option(const char* caption) {
    return QStringLiteral("Добавить столбец «%1»").arg(QString::fromUtf8(caption));
}

}  // namespace

std::string shown_list_csv(App& app, ExtraColumns extra, spreadsheet::CsvStyle style) {
    read_column_order(app);
    const ColumnTable& table = app.column_table;
    std::vector<int> columns;
    for (int position = 0; position < kListColumns; ++position) {
        if (table.shown[static_cast<std::size_t>(position)] != 0) {
            columns.push_back(table.order[static_cast<std::size_t>(position)]);
        }
    }
    auto shown = [&](int column) { return std::find(columns.begin(), columns.end(), column) != columns.end(); };
    const bool add_place = extra.place && !shown(db::kPlace);
    const bool add_section = extra.section && !shown(db::kSectionPath);
    if (add_place) columns.push_back(db::kPlace);
    if (add_section) columns.push_back(db::kSectionPath);

    const ItemListModel& rows = app.main_window->list_model();
    spreadsheet::CsvWriter writer(style, static_cast<std::size_t>(rows.row_count()) * columns.size() * 16);
    for (const int column : columns) {
        // The section's own word, which the import knows too.
        writer.text(column == db::kSectionPath && add_section ? "Раздел" : kColumnCaptions[column]);
    }
    writer.end_row();
    for (int row = 0; row < rows.row_count(); ++row) {
        for (int column : columns) spreadsheet::write_list_cell(writer, column, QStringView(rows.cell(row, column)));
        writer.end_row();
    }
    return writer.take();
}

bool save_csv_file(App& app, QWidget* parent, const QString& title, const QString& suggested,
                   const QStringList& extra_options, const CsvMaker& make, std::size_t rows) {
    QList<SaveOption> options;
    for (const QString& caption : extra_options) options.append({caption, true});
    options.append({kPointStyleOption, false});
    const std::optional<QString> path = app.platform.choose_save_file_with_options(
        parent, title, suggested, {{QStringLiteral("Таблицы CSV"), QStringLiteral("*.csv")}}, options);
    if (!path) return false;
    std::vector<bool> extra;
    for (qsizetype k = 0; k + 1 < options.size(); ++k) extra.push_back(options[k].checked);
    const spreadsheet::CsvStyle style = options.back().checked ? spreadsheet::kPointStyle : spreadsheet::kCommaStyle;
    const std::string bytes = make(extra, style);
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
    // Offered, and on unless unticked, for the columns the list hides: a
    // file without them would lose where each part is filed and lies.
    read_column_order(app);
    auto shown = [&](int column) {
        for (int position = 0; position < kListColumns; ++position) {
            const auto p = static_cast<std::size_t>(position);
            if (app.column_table.order[p] == column) return app.column_table.shown[p] != 0;
        }
        return false;
    };
    QStringList offered;
    std::vector<int> offered_columns;
    for (const auto& [column, caption] : {std::pair{db::kSectionPath, "Раздел"}, {db::kPlace, "Расположение"}}) {
        if (shown(column)) continue;
        offered << added_column_option(caption);
        offered_columns.push_back(column);
    }
    const CsvMaker make = [&](const std::vector<bool>& extra, spreadsheet::CsvStyle style) {
        ExtraColumns columns;
        for (std::size_t k = 0; k < extra.size(); ++k) {
            if (!extra[k]) continue;
            if (offered_columns[k] == db::kSectionPath) columns.section = true;
            if (offered_columns[k] == db::kPlace) columns.place = true;
        }
        return shown_list_csv(app, columns, style);
    };
    save_csv_file(app, app.main_window, QStringLiteral("Экспорт списка в CSV"), QStringLiteral("Детали.csv"), offered,
                  make, static_cast<std::size_t>(app.main_window->list_model().row_count()));
}

}  // namespace detalehran::spreadsheet_windows
