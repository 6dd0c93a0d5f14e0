#include "bom/stock_reading.h"

#include <charconv>

#include "db/statements.h"
#include "spreadsheet/number_text.h"

namespace detalehran::bom {

bool read_stock(db::Database& database, std::vector<StockPart>& parts) {
    if (!database.db_query(db::kSelectBomSources)) return false;
    std::string quantity, price;
    while (database.db_next_row()) {
        StockPart& part = parts.emplace_back();
        database.db_text(0, part.id);
        database.db_text(1, part.name);
        database.db_text(2, part.package);
        database.db_text(3, quantity);
        database.db_text(4, part.place);
        database.db_text(5, price);
        database.db_text(6, part.supplier);
        // An empty quantity is none in stock.
        std::from_chars(quantity.data(), quantity.data() + quantity.size(), part.quantity);
        if (const auto units = spreadsheet::money_units(price); units && !price.empty()) {
            part.purchase_price = *units;
            part.priced = true;
        }
    }
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

}  // namespace detalehran::bom
