#include "search_command.h"

#include <QString>
#include <array>
#include <ostream>

#include "command_line.h"
#include "db/failure_text.h"
#include "db/statements.h"
#include "inventory_folder.h"
#include "itemlist/value_search.h"
#include "spreadsheet/csv_writer.h"

namespace detalehran::dbtool {

namespace {

constexpr std::array<int, 5> kShown = {db::kId, db::kName, db::kPackage, db::kQuantity, db::kPlace};

using Row = std::array<std::string, kShown.size()>;

}  // namespace

int run_search(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments parsed = args;
    const Inventory inventory = take_inventory(parsed);
    if (parsed.operands.size() != 1) {
        throw UsageError{parsed.operands.empty() ? "search: нужны склад (папка или --dsn ИМЯ) и текст поиска"
                                                 : "search: текст поиска один, в кавычках: \"4k7 0805\""};
    }
    const std::string& text = parsed.operands[0];
    std::string error;
    db::Database database;
    if (!open_inventory(inventory, database, &error)) return report_failure(err, error);

    // The program's rule: the search by name's rows first, then the parts
    // found by value.
    const itemlist::ListSearch search = itemlist::list_search(QString::fromStdString(text));
    std::vector<Row> in_front, behind;
    std::string name, package, flag;
    bool read = database.db_query(search.statement);
    if (read) {
        while (database.db_next_row()) {
            Row row;
            for (std::size_t k = 0; k < kShown.size(); ++k) database.db_text(kShown[k], row[k]);
            if (search.by_value) database.db_text(kListColumns, flag);
            const itemlist::SearchPlace place = itemlist::search_place(
                search, QString::fromStdString(flag), QString::fromStdString(row[1]), QString::fromStdString(row[2]));
            if (place == itemlist::SearchPlace::in_front) in_front.push_back(std::move(row));
            if (place == itemlist::SearchPlace::behind) behind.push_back(std::move(row));
        }
        read = database.last_diagnostic().empty();
        database.db_finish();
    }
    if (!read) {
        return report_failure(err, "детали не прочитаны: " + db::failure_text(database.last_diagnostic()));
    }
    in_front.insert(in_front.end(), behind.begin(), behind.end());

    if (parsed.has("--csv")) {
        spreadsheet::CsvWriter writer;
        spreadsheet::write_list_header(writer, kShown);
        for (const Row& row : in_front) {
            for (std::size_t k = 0; k < kShown.size(); ++k) spreadsheet::write_list_cell(writer, kShown[k], row[k]);
            writer.end_row();
        }
        out << writer.bytes();
    } else {
        out << "ID\tНазвание\tТип корпуса\tКоличество\tРасположение\n";
        for (const Row& row : in_front) {
            out << row[0] << '\t' << row[1] << '\t' << row[2] << '\t' << row[3] << '\t' << row[4] << '\n';
        }
        out << "Найдено деталей: " << in_front.size() << "\n";
    }
    out.flush();
    return out.good() ? kExitOk : kExitFailure;
}

}  // namespace detalehran::dbtool
