#pragma once
// Access expressions in SQLite's words. SQLite reads "&" as a bitwise AND,
// "+" on texts as an addition, "/" on whole numbers as a whole division
// and knows no "\", "^", Mod, #date#, TOP or ODBC's escapes: a statement
// that uses any of these is parsed with Access's precedence and written
// again with each such operator as a call of its jet_ function (see
// access_functions.h), dates as ISO text, TOP as LIMIT (ties included, as
// Jet returns them) and the escapes as what they stand for. Statements
// without them keep their text.

#include <string>
#include <vector>

#include "sql_tokens.h"

namespace detalehran::odbc {

struct ExpressionRewrite {
    bool ok = true;
    std::string sql;
    std::string error;
    // The markers became ?1, ?2 ... because TOP repeats the conditions.
    bool numbered_markers = false;
    // The columns whose LIKE was narrowed to a range (like_ranges.h).
    std::vector<std::string> like_columns;
};

// Whether the statement has anything the rewrite changes.
bool needs_access_rewrite(const std::vector<Token>& tokens);
ExpressionRewrite rewrite_access_expressions(const std::vector<Token>& tokens, bool like_ranges = true);

}  // namespace detalehran::odbc
