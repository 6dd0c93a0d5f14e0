#pragma once
// Turns a statement of the Access (Jet) dialect into SQLite's: brackets for
// identifiers, "DELETE * FROM", double-quoted text literals, and only the
// kinds of statement that dialect has.

#include <string>
#include <string_view>

namespace detalehran::odbc {

enum class StatementKind { select, insert, update, delete_rows, ddl };

struct Translation {
    bool ok = false;
    std::string sql;    // SQLite text when ok
    std::string error;  // reason when not ok
    StatementKind kind = StatementKind::select;
};

Translation translate_statement(std::string_view jet_sql);

}  // namespace detalehran::odbc
