#pragma once
// Turns a statement of the Access (Jet) dialect into SQLite's: brackets for
// identifiers, "DELETE * FROM", double-quoted text literals, Jet's own
// statements, and only the kinds of statement that dialect has.

#include <string>
#include <string_view>

namespace detalehran::odbc {

enum class StatementKind { select, insert, update, delete_rows, ddl };

// Statements of Jet that are no plain SQL for SQLite.
enum class Command {
    none,
    identity,  // SELECT @@IDENTITY: the last auto-number this connection inserted
};

struct Translation {
    bool ok = false;
    std::string sql;    // SQLite text when ok
    std::string error;  // reason when not ok
    StatementKind kind = StatementKind::select;
    Command command = Command::none;
    std::string target;  // INSERT: the table written to
};

Translation translate_statement(std::string_view jet_sql);

}  // namespace detalehran::odbc
