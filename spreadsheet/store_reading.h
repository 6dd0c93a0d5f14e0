#pragma once
// What an export and the reorder list read from the store.

#include <functional>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/statements.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/reorder_list.h"

namespace detalehran::spreadsheet {

// Every stored item, in the order they were added. False when the store
// could not be read whole; the reason is the database's last diagnostic.
bool read_all_items(db::Database& database, std::vector<db::ItemValues>& items);
// Supplier, name, package, quantity and purchase price of every item.
bool read_reorder_sources(db::Database& database, std::vector<ReorderSource>& items);

// Where an export's bytes go, a piece at a time; false when they could not
// be written.
using ByteSink = std::function<bool(std::string_view)>;

struct StreamedExport {
    std::size_t rows = 0;
    bool read = true;     // false: the store was not read whole (the database's last diagnostic says why)
    bool written = true;  // false: the sink refused a piece
};

// Every stored item in all the list's columns, in the order they were
// added, header first, as export_items writes them: each row goes on to the
// sink as it is read, nothing of the store is held.
StreamedExport export_store(db::Database& database, CsvStyle style, const ByteSink& sink);

}  // namespace detalehran::spreadsheet
