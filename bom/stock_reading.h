#pragma once
// The store's parts read once for matching a bill of materials.

#include <vector>

#include "bom/stock_match.h"
#include "db/database.h"

namespace detalehran::bom {

// Every item of the store; false when it could not be read whole (the
// database's last diagnostic says why).
bool read_stock(db::Database& database, std::vector<StockPart>& parts);

}  // namespace detalehran::bom
