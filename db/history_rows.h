#pragma once
// What db/history.cpp and db/history_revert.cpp share: the history's
// statements in both dialects and the reading of their rows. For the
// history's own files only.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/history.h"
#include "db/statement_builder.h"

namespace detalehran::db::history_rows {

// A history table: on a server the one of the public schema.
Build& table(Build& b, std::string_view name);
// "table"."column".
Build& qualified(Build& b, std::string_view table_name, std::string_view column);

// The columns every operation row is read with, in order: ID, caption,
// time, author, reverts and the count of its rows.
void operation_columns(Build& b);
// Reads the current row of a query made with operation_columns.
OperationRecord read_operation_row(Database& database);

// A JSON object of column -> text or null, as the history keeps row values.
// Members that are neither are kept as their raw text; a text that is no
// object gives no members.
using Members = std::vector<std::pair<std::string, std::optional<std::string>>>;
Members parse_values(std::string_view json);

// The package type a Package row names, before or after the change.
std::string package_name(const ChangeRecord& change);

}  // namespace detalehran::db::history_rows
