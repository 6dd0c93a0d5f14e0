#include "inventory_folder.h"

#include <QStringList>

#include "db/failure_text.h"
#include "db/statements.h"
#include "settings/settings_file.h"
#include "trees/node_operations.h"

namespace detalehran::dbtool {

namespace {

std::string store_path(const std::string& folder) { return db::with_trailing_slash(folder) + db::kDatabaseFile; }
std::string settings_path(const std::string& folder) {
    return db::with_trailing_slash(folder) + settings::kSettingsFile;
}

std::string one_line(std::string text) {
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    return text;
}

std::string database_reason(const db::Database& database) {
    return one_line(db::failure_text(database.last_diagnostic()));
}

// Adds the nodes of the stored paths a tree lacks.
bool complete_tree(db::Database& database, db::StoreColumn column, NodeList& nodes) {
    QStringList values;
    if (!database.db_query(db::select_distinct_paths(column))) return false;
    while (database.db_next_row()) values << QString::fromStdString(database.db_text(0));
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    trees::build_tree_from_values(nodes, values);
    return complete;
}

}  // namespace

Inventory take_inventory(Arguments& args) {
    if (const auto dsn = args.value("--dsn")) return {".", *dsn};
    if (args.operands.empty()) throw UsageError{"не указан склад: папка или --dsn ИМЯ"};
    Inventory inventory{args.operands.front(), {}};
    args.operands.erase(args.operands.begin());
    return inventory;
}

bool open_inventory(const Inventory& inventory, db::Database& database, std::string* error) {
    if (!inventory.dsn.empty()) {
        if (!database.init_environment() || !database.connect_data_source(inventory.dsn)) {
            *error = "источник данных " + inventory.dsn + ": " + database_reason(database);
            return false;
        }
        return true;
    }
    const std::string path = store_path(inventory.folder);
    if (settings::file_size_or_missing(path) < 0) {
        *error = "в папке " + inventory.folder + " нет файла " + db::kDatabaseFile;
        return false;
    }
    if (!database.init_environment() || !database.open_file(path)) {
        *error = path + ": " + database_reason(database);
        return false;
    }
    return true;
}

bool has_folder_settings(const std::string& folder) {
    return settings::file_size_or_missing(settings_path(folder)) >= 0;
}

bool read_folder_settings(const std::string& folder, db::Database& database, settings::SettingsRecord& record,
                          std::string* error) {
    const std::string path = settings_path(folder);
    record = settings::SettingsRecord{};
    if (has_folder_settings(folder)) {
        QByteArray bytes;
        const settings::FileResult read = settings::read_whole_file(path, bytes);
        if (!read.ok) {
            *error = read.reason.toStdString();
            return false;
        }
        record = settings::read_settings(settings::settings_lines(bytes));
    }
    settings::mend_tree(record.path_nodes);
    settings::mend_tree(record.location_nodes);
    if (!complete_tree(database, db::kSectionPath, record.path_nodes) ||
        !complete_tree(database, db::kPlace, record.location_nodes)) {
        *error = "разделы деталей не прочитаны: " + database_reason(database);
        return false;
    }
    return true;
}

bool write_folder_settings(const std::string& folder, const settings::SettingsRecord& record, std::string* error) {
    const settings::FileResult written = settings::replace_file(settings_path(folder), settings::settings_text(record));
    if (!written.ok) *error = written.reason.toStdString();
    return written.ok;
}

}  // namespace detalehran::dbtool
