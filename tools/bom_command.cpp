#include "bom_command.h"

#include <charconv>
#include <ostream>

#include "bom/bom_file.h"
#include "bom/build_check.h"
#include "bom/build_take.h"
#include "bom/project.h"
#include "bom/shortfall.h"
#include "bom/stock_reading.h"
#include "command_line.h"
#include "db/failure_text.h"
#include "db/projects.h"
#include "inventory_folder.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/number_text.h"
#include "spreadsheet/reorder_list.h"
#include "spreadsheet/store_reading.h"
#include "trees/node_operations.h"

namespace detalehran::dbtool {

namespace {

long long board_count(const Arguments& parsed) {
    const std::optional<std::string> text = parsed.value("--boards");
    if (!text) return 1;
    long long boards = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), boards);
    if (error != std::errc() || end != text->data() + text->size() || boards < 1 || boards > bom::kMaxBoards) {
        throw UsageError{"--boards требует целого числа плат от 1 до " + std::to_string(bom::kMaxBoards) + ", а не «" +
                         *text + "»"};
    }
    return boards;
}

std::string money(__int128 units, char decimal) { return spreadsheet::spreadsheet_money_text(units, decimal); }

void print_check(const bom::Bom& bom, const bom::BuildCheck& check, const bom::StockIndex& stock, bool csv,
                 std::ostream& out) {
    const auto& parts = stock.parts();
    if (csv) {
        spreadsheet::CsvWriter writer;
        for (const char* caption :
             {"Обозначения", "Номинал", "Корпус", "На плату", "Нужно", "ID", "Название", "На складе", "Не хватает"})
            writer.text(std::string_view(caption));
        writer.end_row();
        for (const bom::CheckLine& line : check.lines) {
            const bom::BomLine& bom_line = bom.lines[line.line];
            writer.text(bom::designators_text(bom_line.designators));
            writer.text(bom_line.value);
            writer.text(bom_line.footprint);
            writer.number(std::to_string(bom_line.per_board));
            writer.number(std::to_string(line.needed));
            writer.number(line.part ? parts[*line.part].id : "");
            writer.text(line.part ? parts[*line.part].name : bom::kNotInStock);
            writer.number(std::to_string(line.in_stock));
            writer.number(std::to_string(line.shortfall));
            writer.end_row();
        }
        out << writer.bytes();
        return;
    }
    out << "Спецификация " << bom.name << ": строк " << bom.lines.size() << ", плат " << check.boards << "\n";
    out << "Обозначения\tНоминал\tКорпус\tНа плату\tНужно\tID\tДеталь\tНа складе\tРасположение\tНе хватает\n";
    for (const bom::CheckLine& line : check.lines) {
        const bom::BomLine& bom_line = bom.lines[line.line];
        out << bom::designators_text(bom_line.designators) << '\t' << bom_line.value << '\t' << bom_line.footprint
            << '\t' << bom_line.per_board << '\t' << line.needed << '\t';
        if (line.part) {
            const bom::StockPart& part = parts[*line.part];
            out << part.id << '\t' << part.name << '\t' << line.in_stock << '\t' << bom::place_shown(part.place)
                << '\t';
        } else {
            out << "—\t" << bom::kNotInStock << "\t0\t—\t";
        }
        out << line.shortfall << '\n';
    }
    out << "Найдено на складе строк: " << check.matched << " из " << check.lines.size()
        << "; нет на складе: " << check.missing << "; не хватает деталей по строкам: " << check.short_lines << "\n";
    out << "Деталей нужно: " << check.needed << ", не хватает: " << check.shortfall << "\n";
    out << "Стоимость деталей одной платы: " << money(check.board_cost, ',') << ", плат " << check.boards << ": "
        << money(check.total_cost, ',');
    if (check.unpriced > 0) out << " (без строк, у которых нет детали или цены: " << check.unpriced << ")";
    out << "\n";
}

void print_pick_list(const bom::Bom& bom, const bom::BuildCheck& check, const bom::StockIndex& stock,
                     const std::vector<bom::PickRow>& rows, bool csv, std::ostream& out) {
    const auto& parts = stock.parts();
    if (csv) {
        out << bom::pick_list_csv(bom, check, stock, rows);
        return;
    }
    out << "Сборка " << bom.name << " × " << check.boards << ": что взять, по местам хранения\n";
    out << "Расположение\tID\tДеталь\tВзять\tОбозначения\n";
    for (const bom::PickRow& row : rows) {
        const bom::StockPart& part = parts[row.part];
        out << bom::place_shown(part.place) << '\t' << part.id << '\t' << part.name << '\t' << row.take << '\t'
            << bom::designators_text(bom.lines[check.lines[row.line].line].designators) << '\n';
    }
    if (check.short_lines > 0) {
        out << "Не хватает деталей по строкам: " << check.short_lines << " (нет на складе: " << check.missing
            << "); подробно — без --pick-list\n";
    }
}

int take_parts(db::Database& database, const bom::Bom& bom, const bom::BuildCheck& check, const bom::StockIndex& stock,
               bool available_only, std::ostream& out, std::ostream& err) {
    const bom::TakeResult taken = bom::take_build(database, bom, check, stock, available_only);
    switch (taken.outcome) {
        case bom::TakeResult::Outcome::done:
            out << "Списано на сборку " << bom.name << " × " << check.boards << ": деталей " << taken.parts << ", штук "
                << taken.pieces << ". Отменить: detalehran-db history, затем revert\n";
            return kExitOk;
        case bom::TakeResult::Outcome::short_refused:
            return report_failure(err,
                                  "сборка не списана: " + taken.reason + " (списать то, что есть: --take-available)");
        default:
            return report_failure(err, "сборка не списана: " + taken.reason);
    }
}

// The place tree's paths in its order, from the folder's Store.ini.
bool place_order(const Inventory& inventory, db::Database& database, std::vector<std::string>& paths,
                 std::string* error) {
    settings::SettingsRecord record;
    if (!read_folder_settings(inventory.folder, database, record, error)) return false;
    for (int k = 0; k < static_cast<int>(record.location_nodes.size()); ++k)
        paths.push_back(trees::build_node_path(record.location_nodes, k).toStdString());
    return true;
}

// Which of the outputs and actions was asked for; at most one.
enum class Action { check, pick_list, shortfall, merge_reorder, take, take_available };

Action action_of(const Arguments& parsed) {
    Action action = Action::check;
    int given = 0;
    const std::pair<const char*, Action> options[] = {{"--pick-list", Action::pick_list},
                                                      {"--shortfall", Action::shortfall},
                                                      {"--merge-reorder", Action::merge_reorder},
                                                      {"--take", Action::take},
                                                      {"--take-available", Action::take_available}};
    for (const auto& [option, meant] : options) {
        if (!parsed.has(option)) continue;
        action = meant;
        ++given;
    }
    if (given > 1) {
        throw UsageError{"bom: выберите одно из --pick-list, --shortfall, --merge-reorder, --take, --take-available"};
    }
    return action;
}

// The minimum the reorder list orders to, from the folder's Store.ini or
// the team's settings.
bool minimum_of(const Inventory& inventory, db::Database& database, std::string& minimum, std::string* error) {
    settings::SettingsRecord record;
    if (!read_folder_settings(inventory.folder, database, record, error)) return false;
    minimum = record.minimum.toStdString();
    return true;
}

bool print_order_list(const spreadsheet::ReorderList& list, bool csv, std::ostream& out, std::ostream& err) {
    if (list.refusal) {
        report_failure(err, *list.refusal);
        return false;
    }
    if (csv) {
        out << spreadsheet::reorder_csv(list);
        return true;
    }
    bool first = true;
    for (const char* caption : spreadsheet::kReorderCaptions) {
        out << (first ? "" : "\t") << caption;
        first = false;
    }
    out << '\n';
    for (const spreadsheet::SupplierTotal& group : list.suppliers) {
        for (std::size_t r = group.first_row; r < group.first_row + group.row_count; ++r) {
            const spreadsheet::ReorderRow& row = list.rows[r];
            out << (row.supplier.empty() ? "—" : row.supplier) << '\t' << row.name << '\t' << row.package << '\t'
                << row.quantity << '\t' << row.minimum << '\t' << row.order << '\t' << row.purchase_price << '\t'
                << row.sum << '\n';
        }
        out << "Итого по поставщику " << (group.supplier.empty() ? "—" : group.supplier) << ": " << group.sum << '\n';
    }
    out << "Итого: " << list.total << '\n';
    return true;
}

}  // namespace

int run_bom(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    const std::optional<std::string> project_name = parsed.value("--project");
    const std::optional<std::string> save_name = parsed.value("--save-project");
    if (parsed.operands.size() > 1) {
        throw UsageError{"bom: файл спецификации один, а не «" + parsed.operands[1] + "»"};
    }
    if (parsed.operands.empty() && !project_name) {
        throw UsageError{"bom: нужны склад (папка или --dsn ИМЯ) и файл спецификации или --project ИМЯ"};
    }
    if (save_name && parsed.operands.empty()) {
        throw UsageError{"bom: --save-project сохраняет спецификацию из файла: укажите ФАЙЛ"};
    }
    for (const std::optional<std::string>* name : {&project_name, &save_name}) {
        if (*name && (*name)->empty()) throw UsageError{"bom: у проекта должно быть имя"};
    }
    const Action action = action_of(parsed);
    const bool csv = parsed.has("--csv");
    // 0: not given, the project's or one.
    const long long boards_given = parsed.has("--boards") ? board_count(parsed) : 0;

    // The file first: a bad one is refused before the store is opened.
    bom::BomReading reading;
    if (!parsed.operands.empty()) {
        reading = bom::read_bom_file(parsed.operands[0]);
        if (!reading.ok()) return report_failure(err, reading.error);
    }

    std::string error;
    db::Database database;
    if (!open_inventory(inventory, database, &error)) return report_failure(err, error);
    bom::CheckOptions options;
    options.boards = boards_given > 0 ? boards_given : 1;
    if (project_name) {
        const std::optional<db::Project> project = db::find_project(database, *project_name);
        if (!project) {
            if (!database.last_diagnostic().empty()) {
                return report_failure(err, "проекты не прочитаны: " + db::failure_text(database.last_diagnostic()));
            }
            return report_failure(err, "проекта «" + *project_name + "» на складе нет");
        }
        options.chosen = bom::choices_of(*project);
        if (boards_given == 0) options.boards = project->boards;
        if (parsed.operands.empty()) reading.bom = bom::bom_of(*project);
    }
    const bom::Bom& bill = reading.bom;

    std::vector<bom::StockPart> parts;
    if (!bom::read_stock(database, parts)) {
        return report_failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
    }
    const bom::StockIndex stock(std::move(parts));
    const bom::BuildCheck check = bom::check_build(bill, stock, options);

    if (save_name) {
        const db::Project project = bom::to_project(*save_name, parsed.operands[0], bill, check, stock);
        if (!db::save_project(database, project)) {
            return report_failure(
                err, "проект «" + *save_name + "» не сохранён: " + db::failure_text(database.last_diagnostic()));
        }
        if (!csv)
            out << "Проект «" << *save_name << "» сохранён: строк " << bill.lines.size() << ", плат " << check.boards
                << "\n";
    }
    switch (action) {
        case Action::check:
            print_check(bill, check, stock, csv, out);
            break;
        case Action::take:
        case Action::take_available: {
            print_check(bill, check, stock, csv, out);
            const int code = take_parts(database, bill, check, stock, action == Action::take_available, out, err);
            if (code != kExitOk) return code;
            break;
        }
        case Action::pick_list: {
            std::vector<std::string> places;
            if (!place_order(inventory, database, places, &error)) return report_failure(err, error);
            print_pick_list(bill, check, stock, bom::pick_list(check, stock, places), csv, out);
            break;
        }
        case Action::shortfall:
        case Action::merge_reorder: {
            std::string minimum;
            if (!minimum_of(inventory, database, minimum, &error)) return report_failure(err, error);
            spreadsheet::ReorderList list;
            if (action == Action::shortfall) {
                list = bom::shortfall_list(bill, check, stock, minimum);
            } else {
                std::vector<spreadsheet::ReorderSource> items;
                if (!spreadsheet::read_reorder_sources(database, items)) {
                    return report_failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
                }
                list = bom::merged_order_list(items, minimum, bill, check, stock);
            }
            if (!print_order_list(list, csv, out, err)) return kExitFailure;
            break;
        }
    }
    out.flush();
    return out.good() ? kExitOk : kExitFailure;
}

}  // namespace detalehran::dbtool
