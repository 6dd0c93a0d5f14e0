#pragma once
// Types of computed result columns, which SQLite leaves undeclared, worked
// out from their expressions as Jet types them: counts and other whole
// numbers as integers, amounts of money as money, other numbers as floating
// point, text as text.

#include <functional>
#include <optional>
#include <vector>

#include "handles.h"
#include "statement_shape.h"

namespace detalehran::odbc {

// The description of a named column, if the statement's tables have it.
using ColumnResolver = std::function<std::optional<ColumnInfo>(const ColumnRef&)>;

// The description of an expression's value; nullopt where it cannot be
// told (the column then stays untyped text).
std::optional<ColumnInfo> expression_column(const std::vector<const Token*>& expression,
                                            const ColumnResolver& resolve);

}  // namespace detalehran::odbc
