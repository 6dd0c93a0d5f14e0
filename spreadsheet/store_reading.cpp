#include "spreadsheet/store_reading.h"

#include <iterator>

namespace detalehran::spreadsheet {

namespace {

// Runs the query and hands every row to read; false when it failed or broke off.
template <typename Read>
bool read_rows(db::Database& database, const db::Statement& query, Read read) {
    if (!database.db_query(query)) return false;
    while (database.db_next_row()) read();
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

}  // namespace

bool read_all_items(db::Database& database, std::vector<db::ItemValues>& items) {
    return read_rows(database, db::kSelectItemsById, [&] {
        db::ItemValues& item = items.emplace_back();
        // In the columns' order of SELECT *.
        std::string* const texts[] = {
            &item.name,     &item.description,  &item.place,   &item.quantity, &item.price,    &item.purchase_price,
            &item.supplier, &item.section_path, &item.package, &item.id,       &item.datasheet};
        for (int column = 0; column < static_cast<int>(std::size(texts)); ++column) {
            database.db_text(column, *texts[column]);
        }
    });
}

bool read_reorder_sources(db::Database& database, std::vector<ReorderSource>& items) {
    return read_rows(database, db::kSelectReorderSources, [&] {
        ReorderSource& item = items.emplace_back();
        database.db_text(0, item.supplier);
        database.db_text(1, item.name);
        database.db_text(2, item.package);
        database.db_text(3, item.quantity);
        database.db_text(4, item.purchase_price);
    });
}

}  // namespace detalehran::spreadsheet
