#pragma once
// The reorder list: every item whose quantity the item list would colour as
// low (its integer value below the minimum's), by supplier and name, with
// how many to order, what that costs, and the sums per supplier and in all.
// It uses the minimum whether the colouring is switched on or not.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/csv_writer.h"

namespace detalehran::spreadsheet {

// An item as the reorder list needs it: texts as the store or the list has
// them (the price as ".5000", "12.5000" or "12.50").
struct ReorderSource {
    std::string supplier, name, package, quantity, purchase_price;
    std::string id;  // the item's, where the reader knows it
};

struct ReorderRow {
    std::string supplier, name, package;
    std::string quantity;        // as stored
    std::string minimum;         // the minimum's integer value
    std::string order;           // minimum minus quantity
    std::string purchase_price;  // "12.50"
    std::string sum;             // order times price, "25.00"
    bool operator==(const ReorderRow&) const = default;
};

struct SupplierTotal {
    std::string supplier;
    std::size_t first_row = 0;  // the supplier's rows are rows[first_row, first_row + row_count)
    std::size_t row_count = 0;
    std::string sum;
    bool operator==(const SupplierTotal&) const = default;
};

struct ReorderList {
    std::vector<ReorderRow> rows;
    std::vector<SupplierTotal> suppliers;
    std::string total;
    std::optional<std::string> refusal;  // sums beyond any sensible amount
};

// Suppliers and names in the Russian alphabet's order, letter case ignored,
// as the list sorts them.
ReorderList reorder_list(const std::vector<ReorderSource>& items, std::string_view minimum);

// An item with the amount to order of it, decided by the caller.
struct OrderNeed {
    ReorderSource item;
    __int128 order = 0;
    // Something the store does not hold at all (a bill's line with no
    // part): no minimum, no price and no sum to show, rather than zeros.
    bool not_stocked = false;
};

// The rows in the reorder list's order with its sums, every row showing
// the minimum's integer value: the list of any amounts to order.
ReorderList order_list(const std::vector<OrderNeed>& needs, std::string_view minimum);

// Column captions of the window and the file.
inline constexpr const char* kReorderCaptions[] = {"Поставщик", "Название", "Тип корпуса",    "Количество",
                                                   "Минимум",   "Заказать", "Цена приходная", "Сумма"};

// The list as CSV (the export's form): a row per item, after each supplier's
// items a row "Итого по поставщику" and at the end "Итого".
std::string reorder_csv(const ReorderList& list, CsvStyle style = kCommaStyle);

}  // namespace detalehran::spreadsheet
