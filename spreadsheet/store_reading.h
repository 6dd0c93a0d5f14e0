#pragma once
// What an export and the reorder list read from the store.

#include <vector>

#include "db/database.h"
#include "db/statements.h"
#include "spreadsheet/reorder_list.h"

namespace detalehran::spreadsheet {

// Every stored item, in the order they were added. False when the store
// could not be read whole; the reason is the database's last diagnostic.
bool read_all_items(db::Database& database, std::vector<db::ItemValues>& items);
// Supplier, name, package, quantity and purchase price of every item.
bool read_reorder_sources(db::Database& database, std::vector<ReorderSource>& items);

}  // namespace detalehran::spreadsheet
