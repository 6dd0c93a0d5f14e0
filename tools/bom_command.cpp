#include "bom_command.h"

#include <charconv>
#include <map>
#include <ostream>

#include "bom/bom_file.h"
#include "bom/build_check.h"
#include "bom/stock_reading.h"
#include "command_line.h"
#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"
#include "inventory_folder.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/number_text.h"
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
            out << part.id << '\t' << part.name << '\t' << line.in_stock << '\t' << part.place << '\t';
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
        spreadsheet::CsvWriter writer;
        for (const char* caption : {"Расположение", "ID", "Название", "Взять", "Обозначения"})
            writer.text(std::string_view(caption));
        writer.end_row();
        for (const bom::PickRow& row : rows) {
            const bom::StockPart& part = parts[row.part];
            writer.text(part.place);
            writer.number(part.id);
            writer.text(part.name);
            writer.number(std::to_string(row.take));
            writer.text(bom::designators_text(bom.lines[check.lines[row.line].line].designators));
            writer.end_row();
        }
        out << writer.bytes();
        return;
    }
    out << "Сборка " << bom.name << " × " << check.boards << ": что взять, по местам хранения\n";
    out << "Расположение\tID\tДеталь\tВзять\tОбозначения\n";
    for (const bom::PickRow& row : rows) {
        const bom::StockPart& part = parts[row.part];
        out << (part.place.empty() ? "—" : part.place) << '\t' << part.id << '\t' << part.name << '\t' << row.take
            << '\t' << bom::designators_text(bom.lines[check.lines[row.line].line].designators) << '\n';
    }
    if (check.short_lines > 0) {
        out << "Не хватает деталей по строкам: " << check.short_lines << " (нет на складе: " << check.missing
            << "); подробно — без --pick-list\n";
    }
}

// Takes the build's parts out of the store as one operation of the history
// ("Сборка pic_programmer × 5"), which one undo takes back. Each part's
// quantity is written only where it is still what the check read: a part
// someone took from meanwhile refuses the whole build, so that no quantity
// goes below zero, whoever builds at the same time.
int take_parts(db::Database& database, const bom::Bom& bom, const bom::BuildCheck& check,
               const bom::StockIndex& stock, bool available_only, std::ostream& out, std::ostream& err) {
    if (check.shortfall > 0 && !available_only) {
        return report_failure(err, "сборка не списана: не хватает " + std::to_string(check.shortfall) +
                                       " шт. в строках: " + std::to_string(check.short_lines) +
                                       " (списать то, что есть: --take-available)");
    }
    std::map<std::size_t, long long> taken;  // by part: lines that share a part take from it together
    for (const bom::CheckLine& line : check.lines) {
        if (line.part && line.take > 0) taken[*line.part] += line.take;
    }
    if (taken.empty()) return report_failure(err, "сборка не списана: на складе нет ни одной детали спецификации");
    const auto& parts = stock.parts();
    std::string changed;
    long long pieces = 0;
    const std::string caption = "Сборка " + bom.name + " × " + std::to_string(check.boards);
    const bool done = db::run_operation(database, caption, [&] {
        for (const auto& [part, take] : taken) {
            const bom::StockPart& p = parts[part];
            if (!database.db_update(
                    db::set_item_quantity(std::to_string(p.quantity - take), p.id, std::to_string(p.quantity)))) {
                if (database.last_diagnostic().sqlstate == db::kNoRowMatched) changed = p.id + " «" + p.name + "»";
                return false;
            }
            pieces += take;
        }
        return true;
    });
    if (!done) {
        if (!changed.empty()) {
            return report_failure(err, "сборка не списана: деталь " + changed +
                                           " тем временем изменили или удалили; проверьте сборку снова");
        }
        return report_failure(err, "сборка не списана: " + db::failure_text(database.last_diagnostic()));
    }
    out << "Списано на сборку " << bom.name << " × " << check.boards << ": деталей " << taken.size() << ", штук "
        << pieces << ". Отменить: detalehran-db history, затем revert\n";
    return kExitOk;
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

}  // namespace

int run_bom(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (parsed.operands.size() != 1) {
        throw UsageError{parsed.operands.empty() ? "bom: нужны склад (папка или --dsn ИМЯ) и файл спецификации"
                                                 : "bom: файл спецификации один, а не «" + parsed.operands[1] + "»"};
    }
    const long long boards = board_count(parsed);
    const bool csv = parsed.has("--csv");

    // The file first: a bad one is refused before the store is opened.
    const bom::BomReading reading = bom::read_bom_file(parsed.operands[0]);
    if (!reading.ok()) return report_failure(err, reading.error);

    std::string error;
    db::Database database;
    if (!open_inventory(inventory, database, &error)) return report_failure(err, error);
    std::vector<bom::StockPart> parts;
    if (!bom::read_stock(database, parts)) {
        return report_failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
    }
    const bom::StockIndex stock(std::move(parts));
    const bom::BuildCheck check = bom::check_build(reading.bom, stock, boards);
    const bool take = parsed.has("--take");
    const bool available_only = parsed.has("--take-available");
    if (take || available_only) {
        print_check(reading.bom, check, stock, csv, out);
        if (const int code = take_parts(database, reading.bom, check, stock, available_only, out, err); code != kExitOk)
            return code;
    } else if (parsed.has("--pick-list")) {
        std::vector<std::string> places;
        if (!place_order(inventory, database, places, &error)) return report_failure(err, error);
        print_pick_list(reading.bom, check, stock, bom::pick_list(check, stock, places), csv, out);
    } else {
        print_check(reading.bom, check, stock, csv, out);
    }
    out.flush();
    return out.good() ? kExitOk : kExitFailure;
}

}  // namespace detalehran::dbtool
