#pragma once
// Whether the store holds what N boards of a bill of materials need: per
// line the need, the best part and its stock and place, what is short; the
// totals and the cost of the parts by their purchase prices; and the pick
// list in the order of the storage places. Pure: no windows, no database.

#include <optional>
#include <string>
#include <vector>

#include "bom/bom.h"
#include "bom/stock_match.h"
#include "spreadsheet/csv_writer.h"

namespace detalehran::bom {

// More boards than any build makes; beyond it the counts are a typing error.
inline constexpr long long kMaxBoards = 100000;

struct CheckLine {
    std::size_t line = 0;  // index into the bill of materials
    long long needed = 0;  // per board × boards
    std::vector<Candidate> candidates;
    std::optional<std::size_t> part;  // the best candidate's part; none: "нет на складе"
    long long in_stock = 0;           // the part's quantity
    long long take = 0;               // what the store gives of the need
    long long shortfall = 0;          // what must be ordered
    // The part's stock after the build is below the minimum quantity (the
    // one the list colours by and the reorder list orders to).
    bool below_minimum = false;
};

struct BuildCheck {
    long long boards = 1;
    std::vector<CheckLine> lines;
    std::size_t matched = 0;      // lines with a part
    std::size_t missing = 0;      // lines with none
    std::size_t short_lines = 0;  // lines that lack anything, missing ones included
    long long needed = 0, shortfall = 0;
    // Purchase prices of the matched parts, in ten-thousandths.
    __int128 board_cost = 0, total_cost = 0;
    std::size_t unpriced = 0;  // lines left out of the cost: no part, or a part with no price
};

struct CheckOptions {
    long long boards = 1;
    Choices chosen;                    // a project's remembered parts, first of each line's candidates
    std::optional<long long> minimum;  // flags lines whose part ends below it; none: no flags
};

// Two lines that use the same part share its stock, the first line first.
BuildCheck check_build(const Bom& bom, const StockIndex& stock, const CheckOptions& options);
inline BuildCheck check_build(const Bom& bom, const StockIndex& stock, long long boards) {
    return check_build(bom, stock, CheckOptions{.boards = boards, .chosen = {}, .minimum = std::nullopt});
}

// The takes, shortfalls, flags, totals and costs counted again after the
// user changed lines' parts (CheckLine::part, one of its candidates or
// none) or the number of boards (BuildCheck::boards).
void recount(BuildCheck& check, const Bom& bom, const StockIndex& stock, std::optional<long long> minimum);

// The choices a check stands for: each line whose part is not its first
// found candidate's (or that has none though something was found), by
// line key; and, so that a project keeps them, every line's part that the
// user confirmed by choosing it.
Choices choices_of(const BuildCheck& check, const Bom& bom, const StockIndex& stock);

struct PickRow {
    std::size_t line = 0;  // of the check
    std::size_t part = 0;
    long long take = 0;
};

// The rows to take by, in the place tree's order (`place_order`: its node
// paths in pre-order); places not in the tree after them by their text, and
// parts with no place last. Lines with nothing to take are left out.
std::vector<PickRow> pick_list(const BuildCheck& check, const StockIndex& stock,
                               const std::vector<std::string>& place_order);

// A place's stored path ("|Все|Шкаф 1|Полка 3|") as a pick list shows it:
// "Шкаф 1 / Полка 3"; "—" for none.
std::string place_shown(const std::string& path);

// The pick list as CSV, the window's file and the tool's the same:
// "Расположение", "ID", "Название", "Взять", "Обозначения".
std::string pick_list_csv(const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                          const std::vector<PickRow>& rows, spreadsheet::CsvStyle style = spreadsheet::kCommaStyle);

// "Конденсатор 100 нФ 0603" when found, "нет на складе" when not.
inline constexpr const char* kNotInStock = "нет на складе";

}  // namespace detalehran::bom
