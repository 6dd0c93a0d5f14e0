#pragma once
// Numbers as people type them into a spreadsheet, and as the store keeps
// them. Money is counted exactly in ten-thousandths; no binary floating
// point anywhere, so nothing drifts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace detalehran::spreadsheet {

// A cell read as a number: the text for the store, or why it is none (in
// words that follow the field's name, e.g. "«12р» — не число").
struct NumberText {
    std::string text;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Quantities are whole and not negative, and fit the store's 32-bit column.
inline constexpr std::int64_t kMaxQuantity = 2147483647;

// How a cell with one comma and three digits after it ("1,250", "12,500")
// reads: the comma a decimal one (1,25), a thousands separator (1250), or
// unclear, which makes the cell an error naming both readings. Only these
// cells depend on it; "1,5" and "1,250.50" read the one way they can.
enum class CommaReading { decimal, thousands, unclear };

// What a number cell shows of the way its column writes numbers.
enum class NumberForm {
    other,           // no separator, blanks only, or no number
    unclear_comma,   // "1,250": decimal or thousands
    decimal_comma,   // "1,5", "0,250", "1.000,50"
    grouping_comma,  // "1,250,000", "1,250.50"
    decimal_point,   // "12.5"
};
NumberForm number_form(std::string_view cell);

// A quantity cell: digits, in groups of three apart by blanks or no-break
// spaces ("1 000"), or by "." or "," where one of them comes more than once
// ("1.000.000"); a single "." or "," is a decimal separator and so no whole
// number. An empty cell is 0. Gives the plain digits ("1000").
NumberText quantity_from_cell(std::string_view cell, CommaReading commas = CommaReading::decimal);
// A price cell: a decimal comma or point ("12,50", "12.5", ",5"), thousands
// grouped as for quantities ("1 000,50", "1.000,50", "1,000.50"), at most
// four decimals, below 100 000 000 000 (so that the store, which keeps
// amounts as binary floating point, reads every digit back). Gives the
// store's money text ("12.5000", ".5000"); an empty
// cell is ".0000".
NumberText price_from_cell(std::string_view cell, CommaReading commas = CommaReading::decimal);

// Money in ten-thousandths from a stored price (".5000", "12.5000",
// "-.2500") or one the list shows ("12.50"); nullopt for anything else. The
// empty text is 0.
std::optional<std::int64_t> money_units(std::string_view text);
// The store's money text of an amount: "12.5000", ".5000", ".0000".
std::string stored_money_text(std::int64_t units);
// An amount as a spreadsheet reads it: a leading zero, the decimal
// separator and two to four decimals ("12.50", "0,1234", "-0.25").
std::string spreadsheet_money_text(__int128 units, char decimal_separator = '.');

// Decimal digits of a whole number, "-" in front when negative.
std::string integer_text(__int128 value);

// A cell quoted in a message, cut to a readable length.
std::string quoted_cell(std::string_view cell);

}  // namespace detalehran::spreadsheet
