#pragma once
// What a build lacks, as an order list in the reorder list's form (its
// columns, its sums per supplier and its CSV), and the reorder list with
// the build planned in. Pure: no windows, no database.

#include <string_view>

#include "bom/build_check.h"
#include "spreadsheet/reorder_list.h"

namespace detalehran::bom {

// A row per line that lacks anything: its part's supplier, name, package,
// stock and purchase price, "Заказать" the shortfall; a line with no part
// under no supplier, named by its value and footprint with "нет на
// складе". Two lines of one part are one row. By supplier and name as the
// reorder list sorts.
spreadsheet::ReorderList shortfall_list(const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                                        std::string_view minimum);

// The reorder list as it stands after the build, with what the build
// lacks: a part of the build is ordered for its shortfall and up to the
// minimum from what the build leaves (quantity − take); every other part
// below the minimum as the reorder list has it (`items`, the store's
// items as the reorder list reads them, with their IDs). A part is one
// row; a part of the build shows as its quantity what the build leaves.
spreadsheet::ReorderList merged_order_list(const std::vector<spreadsheet::ReorderSource>& items,
                                           std::string_view minimum, const Bom& bom, const BuildCheck& check,
                                           const StockIndex& stock);

}  // namespace detalehran::bom
