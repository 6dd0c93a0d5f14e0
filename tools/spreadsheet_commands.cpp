#include "spreadsheet_commands.h"

#include <QByteArray>
#include <algorithm>
#include <map>
#include <optional>
#include <ostream>

#include "command_line.h"
#include "db/failure_text.h"
#include "inventory_folder.h"
#include "settings/settings_file.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/reorder_list.h"
#include "spreadsheet/store_import.h"
#include "spreadsheet/store_reading.h"

namespace detalehran::dbtool {

namespace {

constexpr const char* kProgram = "detalehran-db";

struct UsageError {
    std::string message;
};

// Operands and "--name VALUE" / "--name=VALUE" options of one command.
struct Arguments {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
};

// `valued` options take a value, `flags` none; "--" ends the options.
Arguments parse(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                const std::vector<std::string>& flags) {
    Arguments parsed;
    bool options_done = false;
    auto known = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (std::size_t k = 2; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) throw UsageError{"an empty file or folder name"};
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (known(flags, name) && eq == std::string::npos) {
            if (parsed.flags[name]) throw UsageError{name + " given twice"};
            parsed.flags[name] = true;
        } else if (known(valued, name)) {
            if (parsed.values.count(name) != 0) throw UsageError{name + " given twice"};
            if (eq == std::string::npos && k + 1 >= args.size()) throw UsageError{name + " needs a value"};
            parsed.values[name] = eq == std::string::npos ? args[++k] : arg.substr(eq + 1);
        } else {
            throw UsageError{"unknown option '" + arg + "'"};
        }
    }
    return parsed;
}

int usage_failure(const UsageError& e, std::ostream& err) {
    err << kProgram << ": " << e.message << " (see " << kProgram << " --help)" << std::endl;
    return kExitUsage;
}

int failure(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << message << std::endl;
    return kExitFailure;
}

spreadsheet::DuplicateChoice duplicate_choice(const std::string& text) {
    if (text == "new") return spreadsheet::DuplicateChoice::add_new;
    if (text == "add") return spreadsheet::DuplicateChoice::add_quantity;
    if (text == "skip") return spreadsheet::DuplicateChoice::skip;
    throw UsageError{"--duplicates takes new, add or skip, not '" + text + "'"};
}

// "A/B/C" below "Все"; nothing given is "Все" itself.
std::string target_path(const Arguments& parsed, const std::string& option) {
    const auto found = parsed.values.find(option);
    return found == parsed.values.end() || found->second.empty() ? std::string("|Все|") : found->second;
}

// The inventory a command names: "--dsn NAME", or the folder that is its
// first operand (taken off the operands).
Inventory inventory_of(Arguments& parsed) {
    if (const auto dsn = parsed.values.find("--dsn"); dsn != parsed.values.end()) {
        if (dsn->second.empty()) throw UsageError{"--dsn needs a data source name"};
        return {".", dsn->second};
    }
    if (parsed.operands.empty()) throw UsageError{"the inventory folder or --dsn NAME is missing"};
    Inventory inventory{parsed.operands.front(), {}};
    parsed.operands.erase(parsed.operands.begin());
    return inventory;
}

std::optional<std::string> read_input(const std::string& path, std::string* error) {
    QByteArray bytes;
    const settings::FileResult read = settings::read_whole_file(path, bytes);
    if (!read.ok) {
        *error = read.reason.toStdString();
        return std::nullopt;
    }
    return bytes.toStdString();
}

// New nodes are listed, a few of each tree; a large file makes hundreds.
void report_nodes(const std::vector<std::string>& paths, const char* what, std::ostream& out) {
    constexpr std::size_t kListed = 10;
    for (std::size_t k = 0; k < paths.size() && k < kListed; ++k) out << what << " " << paths[k] << "\n";
    if (paths.size() > kListed) out << "… и ещё " << paths.size() - kListed << "\n";
}

void report_import(const spreadsheet::ImportPlan& plan, const std::string& file, bool dry_run, std::ostream& out,
                   std::ostream& err) {
    out << (dry_run ? "Проверка без записи. " : "") << spreadsheet::import_summary(plan.counts()) << "\n";
    report_nodes(plan.created_sections, dry_run ? "Будет создан раздел" : "Создан раздел", out);
    report_nodes(plan.created_places, dry_run ? "Будет создано место хранения" : "Создано место хранения", out);
    for (const spreadsheet::Problem& problem : plan.errors) {
        err << file << ":" << problem.line << ": " << problem.reason << "\n";
    }
}

}  // namespace

int run_import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments parsed;
    Inventory inventory;
    spreadsheet::ImportSettings settings;
    try {
        parsed = parse(args, {"--section", "--place", "--duplicates", "--dsn"}, {"--dry-run"});
        inventory = inventory_of(parsed);
        if (parsed.operands.size() != 1) {
            throw UsageError{"import needs the inventory (a folder or --dsn NAME) and one CSV file"};
        }
        settings.target_section = target_path(parsed, "--section");
        settings.target_place = target_path(parsed, "--place");
        if (const auto d = parsed.values.find("--duplicates"); d != parsed.values.end()) {
            settings.duplicates = duplicate_choice(d->second);
        }
    } catch (const UsageError& e) {
        return usage_failure(e, err);
    }
    const std::string& file = parsed.operands[0];
    const bool dry_run = parsed.flags["--dry-run"];

    std::string error;
    const std::optional<std::string> bytes = read_input(file, &error);
    if (!bytes) return failure(err, error);
    db::Database database;
    settings::SettingsRecord record;
    if (!open_inventory(inventory, database, &error)) return failure(err, error);
    // On a data source the current folder's Store.ini is kept up to date
    // when it is there; none is made for it.
    const bool keep_settings = inventory.dsn.empty() || has_folder_settings(inventory.folder);
    if (!read_folder_settings(inventory.folder, database, record, &error)) return failure(err, error);
    spreadsheet::ImportOutcome outcome =
        spreadsheet::import_in_one_go(database, *bytes, settings, record.path_nodes, record.location_nodes, dry_run);
    const spreadsheet::ImportPlan& plan = outcome.plan;
    if (!outcome.failure.empty()) return failure(err, "ничего не загружено. " + outcome.failure);
    if (plan.refusal) {
        return failure(err, file + (plan.refusal->line > 0 ? ":" + std::to_string(plan.refusal->line) : "") + ": " +
                                plan.refusal->reason);
    }
    if (outcome.stored && keep_settings) {
        record.path_nodes = plan.path_nodes;
        record.location_nodes = plan.location_nodes;
        // The items are stored; trees the file lacks are added back at the
        // program's next start.
        if (!write_folder_settings(inventory.folder, record, &error)) err << kProgram << ": " << error << "\n";
    }
    report_import(plan, file, dry_run, out, err);
    return plan.changes_store() ? kExitOk : kExitFailure;
}

int run_export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments parsed;
    Inventory inventory;
    try {
        parsed = parse(args, {"-o", "--output", "--dsn"}, {"--reorder"});
        inventory = inventory_of(parsed);
        if (!parsed.operands.empty())
            throw UsageError{"export takes the inventory only, not '" + parsed.operands[0] + "'"};
        if (parsed.values.count("-o") + parsed.values.count("--output") > 1) throw UsageError{"-o given twice"};
    } catch (const UsageError& e) {
        return usage_failure(e, err);
    }
    std::optional<std::string> output;
    for (const char* option : {"-o", "--output"}) {
        if (const auto o = parsed.values.find(option); o != parsed.values.end()) output = o->second;
    }

    std::string error;
    db::Database database;
    if (!open_inventory(inventory, database, &error)) return failure(err, error);
    std::string csv;
    std::size_t rows = 0;
    if (parsed.flags["--reorder"]) {
        settings::SettingsRecord record;
        std::vector<spreadsheet::ReorderSource> items;
        if (!read_folder_settings(inventory.folder, database, record, &error)) return failure(err, error);
        if (!spreadsheet::read_reorder_sources(database, items)) {
            return failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
        }
        const spreadsheet::ReorderList list = spreadsheet::reorder_list(items, record.minimum.toStdString());
        if (list.refusal) return failure(err, *list.refusal);
        csv = spreadsheet::reorder_csv(list);
        rows = list.rows.size();
    } else {
        std::vector<db::ItemValues> items;
        if (!spreadsheet::read_all_items(database, items)) {
            return failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
        }
        csv = spreadsheet::export_items(spreadsheet::all_list_columns(), items);
        rows = items.size();
    }
    if (!output) {
        out.write(csv.data(), static_cast<std::streamsize>(csv.size()));
        out.flush();
        return out.good() ? kExitOk : failure(err, "стандартный вывод не записан");
    }
    const settings::FileResult written =
        settings::replace_file(*output, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())));
    if (!written.ok) return failure(err, written.reason.toStdString());
    out << "Записано деталей: " << rows << ", файл " << *output << "\n";
    return kExitOk;
}

}  // namespace detalehran::dbtool
