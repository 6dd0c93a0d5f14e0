#pragma once
// A LIKE with a fixed start ("|Все|Резисторы|%", how the program asks for
// the items of a section or a place) read through the column's index: the
// case-insensitive LIKE is a function SQLite cannot look up by itself, so
// "c LIKE p" becomes
//   (c >= jet_like_floor(p) AND c < jet_like_ceiling(p) AND c LIKE p)
// with the bounds under the store's collation. The LIKE stays, so the rows
// are exactly those of the LIKE alone; the range only spares reading the
// others. Applied in conditions (WHERE, ON, HAVING) to a column compared
// with a marker or with a literal that has a fixed start, and kept only
// where that column is text under the store's collation (like_ranges_fit).

#include <optional>
#include <string>
#include <vector>

#include "sql_tokens.h"

struct sqlite3;

namespace detalehran::odbc {

// like_range_pays(table, column, pattern), registered on every connection
// (register_like_ranges): whether a query reads the rows of the pattern's
// range of an index or the whole table in its own order. A query that
// narrows holds both forms, each guarded by it.
inline constexpr const char* kRangePaysFunction = "like_range_pays";
bool register_like_ranges(sqlite3* db);

// The narrowed form of "column LIKE pattern", both as SQLite text.
std::string like_with_range(const std::string& column, const std::string& pattern);

// Whether a pattern operand can narrow: a marker (its value comes only at
// execution) or a text literal with a fixed start.
bool pattern_may_narrow(const Token& pattern);

// A word that is a keyword where a column could stand.
bool is_condition_keyword(const Token& t);

struct RangedText {
    std::string sql;
    bool numbered_markers = false;     // the markers became ?1, ?2 ...
    std::vector<std::string> columns;  // the columns narrowed, unquoted
};

// A statement kept as written otherwise, with each LIKE that fits narrowed;
// nullopt when none does.
std::optional<RangedText> with_like_ranges(const std::vector<Token>& tokens);

// Whether every narrowed column is, in each of the statement's tables that
// has it, text under the store's collation: elsewhere the range would
// compare otherwise than the LIKE matches, and the statement is prepared
// without ranges.
bool like_ranges_fit(sqlite3* db, const std::vector<std::string>& tables, const std::vector<std::string>& columns);

}  // namespace detalehran::odbc
