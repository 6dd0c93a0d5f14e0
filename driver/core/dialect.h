#pragma once
// Turns a statement of the Access (Jet) dialect into SQLite's: brackets for
// identifiers, "DELETE * FROM", double-quoted text literals, Jet's own
// statements, and only the kinds of statement that dialect has.

#include <string>
#include <string_view>
#include <vector>

#include "sql_tokens.h"

namespace detalehran::odbc {

enum class StatementKind { select, insert, update, delete_rows, ddl };

// Statements of Jet that are no plain SQL for SQLite.
enum class Command {
    none,
    identity,  // SELECT @@IDENTITY: the last auto-number this connection inserted
    begin,     // BEGIN TRANSACTION
    commit,    // COMMIT [TRANSACTION]
    rollback,  // ROLLBACK [TRANSACTION]
};

inline bool is_transaction_command(Command c) {
    return c == Command::begin || c == Command::commit || c == Command::rollback;
}

struct Translation {
    bool ok = false;
    std::string sql;    // SQLite text when ok
    std::string error;  // reason when not ok
    StatementKind kind = StatementKind::select;
    Command command = Command::none;
    std::string target;                     // INSERT: the table written to
    std::vector<Token> tokens;              // the statement as translated, for its analyses
    std::size_t markers = 0;                // "?" parameter markers outside quoting
    bool numbered_markers = false;          // the markers became SQLite's ?1, ?2 ...
    std::vector<std::string> like_columns;  // whose LIKE reads a range of an index (like_ranges.h)
};

// like_ranges false: every LIKE as written, for a statement whose columns
// the narrowing does not fit.
Translation translate_statement(std::string_view jet_sql, bool like_ranges = true);

}  // namespace detalehran::odbc
