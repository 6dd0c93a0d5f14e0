#include "spreadsheet_commands.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>

#include "command_line.h"
#include "db/failure_text.h"
#include "inventory_folder.h"
#include "settings/settings_file.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/file_io.h"
#include "spreadsheet/reorder_list.h"
#include "spreadsheet/store_import.h"
#include "spreadsheet/store_reading.h"

namespace detalehran::dbtool {

namespace {

int failure(std::ostream& err, const std::string& message) { return report_failure(err, message); }

spreadsheet::DuplicateChoice duplicate_choice(const std::string& text) {
    if (text == "new") return spreadsheet::DuplicateChoice::add_new;
    if (text == "add") return spreadsheet::DuplicateChoice::add_quantity;
    if (text == "skip") return spreadsheet::DuplicateChoice::skip;
    throw UsageError{"--duplicates принимает new, add или skip, а не «" + text + "»"};
}

// "A/B/C" below "Все"; nothing given is "Все" itself.
std::string target_path(const Arguments& parsed, const std::string& option) {
    return parsed.value(option).value_or("|Все|");
}

std::vector<spreadsheet::ColumnChoice> column_choices(const Arguments& parsed) {
    std::vector<spreadsheet::ColumnChoice> choices;
    {
        for (const std::string& map : parsed.all("--map")) {
            const std::size_t eq = map.rfind('=');
            if (eq == std::string::npos || eq == 0) {
                throw UsageError{"--map: нужно СТОЛБЕЦ=ПОЛЕ, например --map \"Кол-во=Количество\", а не «" + map + "»"};
            }
            const std::optional<spreadsheet::Field> field = spreadsheet::field_named(map.substr(eq + 1));
            if (!field) throw UsageError{"--map: нет поля «" + map.substr(eq + 1) + "»"};
            choices.push_back({map.substr(0, eq), *field});
        }
    }
    {
        for (const std::string& column : parsed.all("--skip-column")) {
            if (column.empty()) throw UsageError{"--skip-column: не указан столбец"};
            choices.push_back({column, spreadsheet::Field::none});
        }
    }
    return choices;
}

int header_line(const Arguments& parsed) {
    const std::optional<std::string> found = parsed.value("--header-line");
    if (!found) return 0;
    const std::string& text = *found;
    int line = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), line);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || line < 1) {
        throw UsageError{"--header-line: нужен номер строки от 1, а не «" + text + "»"};
    }
    return line;
}

// Which field each column fills, for the user to check.
void report_mapping(const spreadsheet::ImportPlan& plan, std::ostream& out) {
    if (plan.header.empty()) return;
    out << "Строка заголовка: " << plan.header_line << "\n";
    const std::vector<std::size_t>& unloaded = plan.unloaded_columns;
    for (std::size_t c = 0; c < plan.header.size() && c < plan.mapping.size(); ++c) {
        out << "  " << c + 1 << ". " << spreadsheet::column_title(plan.header, c) << " → "
            << spreadsheet::field_caption(plan.mapping[c]);
        if (plan.mapping[c] == spreadsheet::Field::none) {
            if (std::find(unloaded.begin(), unloaded.end(), c) != unloaded.end()) {
                out << " (в столбце есть данные)";
            } else if (spreadsheet::numbers_rows(plan.header[c])) {
                out << " (номера деталям даёт база)";
            }
        }
        out << "\n";
    }
}

// What the user can do about a refused file, as options of this command.
std::string refusal_hint(const spreadsheet::ImportPlan& plan) {
    if (!plan.unloaded_columns.empty()) {
        const std::string& header = plan.header[plan.unloaded_columns.front()];
        const std::string column = header.empty() ? std::to_string(plan.unloaded_columns.front() + 1) : header;
        return " Скажите, что с ними делать: --map \"" + column +
               "=ПОЛЕ\" (загрузить в поле: Количество, "
               "Расположение, …, «в описание») или --skip-column \"" +
               column + "\" (не загружать).";
    }
    const bool no_name =
        std::find(plan.mapping.begin(), plan.mapping.end(), spreadsheet::Field::name) == plan.mapping.end();
    if (!plan.header.empty() && no_name) {
        return " Укажите столбец с названиями: --map \"ЗАГОЛОВОК=Название\" (или номер столбца вместо заголовка).";
    }
    return {};
}

// New nodes are listed, a few of each tree; a large file makes hundreds.
void report_nodes(const std::vector<std::string>& paths, const char* what, std::ostream& out) {
    constexpr std::size_t kListed = 10;
    for (std::size_t k = 0; k < paths.size() && k < kListed; ++k) out << what << " " << paths[k] << "\n";
    if (paths.size() > kListed) out << "… и ещё " << paths.size() - kListed << "\n";
}

void report_import(const spreadsheet::ImportPlan& plan, const std::string& file, bool dry_run, std::ostream& out,
                   std::ostream& err) {
    for (const std::string& note : spreadsheet::import_notes(plan)) out << note << "\n";
    out << (dry_run ? "Проверка без записи. " : "") << spreadsheet::import_summary(plan.counts()) << "\n";
    report_nodes(plan.created_sections, dry_run ? "Будет создан раздел" : "Создан раздел", out);
    report_nodes(plan.created_places, dry_run ? "Будет создано место хранения" : "Создано место хранения", out);
    for (const spreadsheet::Problem& problem : plan.errors) {
        err << file << ":" << problem.line << ": " << problem.reason << "\n";
    }
}

}  // namespace

int run_import(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (parsed.operands.size() != 1) throw UsageError{"import требует склад (папку или --dsn ИМЯ) и один CSV-файл"};
    spreadsheet::ImportSettings settings;
    settings.target_section = target_path(parsed, "--section");
    settings.target_place = target_path(parsed, "--place");
    if (const auto d = parsed.value("--duplicates")) settings.duplicates = duplicate_choice(*d);
    settings.columns = column_choices(parsed);
    settings.header_line = header_line(parsed);
    // A column with data is never left out unasked.
    settings.refuse_unloaded = true;
    const std::string& file = parsed.operands[0];
    const bool dry_run = parsed.has("--dry-run");
    settings.file_name = file;

    std::string error;
    spreadsheet::FileBytes bytes;
    if (!spreadsheet::read_file_bytes(file, bytes, &error)) return failure(err, error);
    db::Database database;
    settings::SettingsRecord record;
    if (!open_inventory(inventory, database, &error)) return failure(err, error);
    // On a data source the current folder's Store.ini is kept up to date
    // when it is there; none is made for it.
    const bool keep_settings = inventory.dsn.empty() || has_folder_settings(inventory.folder);
    if (!read_folder_settings(inventory.folder, database, record, &error)) return failure(err, error);
    spreadsheet::ImportOutcome outcome = spreadsheet::import_in_one_go(
        database, bytes.view(), settings, record.path_nodes, record.location_nodes, dry_run);
    const spreadsheet::ImportPlan& plan = outcome.plan;
    if (!outcome.failure.empty()) return failure(err, "ничего не загружено. " + outcome.failure);
    // What each column became, wherever the user may want to change it.
    if (dry_run || plan.refusal || !plan.unloaded_columns.empty()) report_mapping(plan, out);
    if (plan.refusal) {
        out.flush();
        return failure(err, file + (plan.refusal->line > 0 ? ":" + std::to_string(plan.refusal->line) : "") + ": " +
                                plan.refusal->reason + refusal_hint(plan));
    }
    if (outcome.stored && keep_settings) {
        record.path_nodes = plan.path_nodes;
        record.location_nodes = plan.location_nodes;
        // The items are stored; trees the file lacks are added back at the
        // program's next start.
        if (!write_folder_settings(inventory.folder, record, &error)) report_failure(err, error);
    }
    report_import(plan, file, dry_run, out, err);
    return plan.changes_store() ? kExitOk : kExitFailure;
}

int run_export(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (!parsed.operands.empty()) throw UsageError{"export берёт только склад, а не «" + parsed.operands[0] + "»"};
    const std::optional<std::string> output = parsed.value("-o");
    const spreadsheet::CsvStyle style = parsed.has("--decimal-point") ? spreadsheet::kPointStyle : spreadsheet::kCommaStyle;

    std::string error;
    db::Database database;
    if (!open_inventory(inventory, database, &error)) return failure(err, error);
    // The bytes go where they belong as they come: a file is replaced only
    // once it is whole.
    std::optional<spreadsheet::FileReplacement> file;
    if (output) {
        file.emplace(*output);
        if (!file->open()) return failure(err, file->failure());
    }
    const spreadsheet::ByteSink sink = [&](std::string_view bytes) {
        if (file) return file->write(bytes);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    };
    auto written = [&](std::size_t rows) {
        if (!file) {
            out.flush();
            return out.good() ? kExitOk : failure(err, "стандартный вывод не записан");
        }
        if (!file->commit()) return failure(err, file->failure());
        out << "Записано деталей: " << rows << ", файл " << *output << "\n";
        return kExitOk;
    };
    if (parsed.has("--reorder")) {
        settings::SettingsRecord record;
        std::vector<spreadsheet::ReorderSource> items;
        if (!read_folder_settings(inventory.folder, database, record, &error)) return failure(err, error);
        if (!spreadsheet::read_reorder_sources(database, items)) {
            return failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
        }
        const spreadsheet::ReorderList list = spreadsheet::reorder_list(items, record.minimum.toStdString());
        if (list.refusal) return failure(err, *list.refusal);
        if (!sink(spreadsheet::reorder_csv(list, style))) {
            return failure(err, file ? file->failure() : "стандартный вывод не записан");
        }
        return written(list.rows.size());
    }
    const spreadsheet::StreamedExport exported = spreadsheet::export_store(database, style, sink);
    if (!exported.read) return failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
    if (!exported.written) return failure(err, file ? file->failure() : "стандартный вывод не записан");
    return written(exported.rows);
}

}  // namespace detalehran::dbtool
