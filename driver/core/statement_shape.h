#pragma once
// What a statement's tokens say beyond its text: the tables it names, the
// column each parameter marker stands for, and the expressions of a
// SELECT's result columns. The driver describes parameters and computed
// columns from these.

#include <string>
#include <vector>

#include "sql_tokens.h"

namespace detalehran::odbc {

// A column as a statement names it; table is empty unless qualified.
struct ColumnRef {
    std::string table;
    std::string column;
    bool assigned = false;  // a marker's value is stored into it
};

// The tables after FROM and JOIN, and the table INSERT INTO and UPDATE
// write to, in the order named.
std::vector<std::string> named_tables(const std::vector<Token>& tokens);

// For each "?" marker in order, the column it is compared with or assigned
// to ([c] = ?, ? < [c], [c] LIKE ?, SET [c] = ?, the VALUES of INSERT INTO
// t ([c], ...)); an empty column where the statement does not say. The
// last two are marked assigned.
std::vector<ColumnRef> marker_columns(const std::vector<Token>& tokens);

// One item of a SELECT list: its solid tokens, without an "AS name".
struct SelectItem {
    std::vector<const Token*> tokens;
    bool star = false;  // * or t.*
};
// The items of the (first) SELECT list; empty for other statements.
std::vector<SelectItem> select_items(const std::vector<Token>& tokens);

}  // namespace detalehran::odbc
