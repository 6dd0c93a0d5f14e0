#pragma once
// The driver's core over an inventory database in memory: the same schema,
// text rules and connection settings as a Store.mdb the driver opens, without
// a file or the driver manager. Statements go through the driver's own
// prepare, execute, fetch and get_data, as the program's db_update and
// db_query send them (the text as a C string, cut at its first NUL).

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/handles.h"

namespace detalehran::fuzz {

using Cell = std::optional<std::string>;  // nullopt: NULL
using Row = std::vector<Cell>;
using Rows = std::vector<Row>;

// A value bound to a "?" marker as text, received as the SQL type given.
struct Param {
    std::string text;
    SQLSMALLINT sql_type = SQL_VARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT decimals = 0;
};

struct Outcome {
    SQLRETURN rc = SQL_ERROR;
    std::string sqlstate;  // of the first diagnostic record, if any
    std::string message;
    bool ok() const { return SQL_SUCCEEDED(rc); }
    std::string describe() const;
};

class MemoryStore {
public:
    // step_budget: SQLite virtual machine steps one call may take before it
    // is interrupted (0: no limit), so that a hostile query cannot hang.
    explicit MemoryStore(int step_budget = 0);
    ~MemoryStore();
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    sqlite3* db() const { return db_; }
    odbc::Dbc& dbc() { return *dbc_; }

    // Empties the three tables and restarts the IDs.
    void empty_tables();
    // Whatever the statements between these two do is undone by the second.
    void begin_scratch();
    void end_scratch();

    // Database::db_update: prepare and execute on a fresh statement, with
    // the values bound to its markers.
    Outcome update(const std::string& statement, const std::vector<Param>& params = {});
    // Database::db_query followed by db_next_row and db_text of every column
    // (pieces of 4096 bytes), NULL kept apart from the empty text.
    Outcome query(const std::string& statement, Rows& rows, const std::vector<Param>& params = {});

private:
    static int on_progress(void* self);
    void bind(odbc::Stmt& stmt, const std::vector<Param>& params, std::vector<SQLLEN>& lengths);
    void run_sql(const char* sql);

    sqlite3* db_ = nullptr;
    SQLHANDLE env_ = SQL_NULL_HANDLE;
    odbc::Dbc* dbc_ = nullptr;
    int step_budget_ = 0;
    int steps_left_ = 0;
};

// Reads the current row's column as db_text does, in pieces of `piece`
// bytes; nullopt for NULL. Checks that the pieces add up to the length the
// first call announced.
Cell read_text(odbc::Stmt& stmt, int column, SQLLEN piece = 4096);

}  // namespace detalehran::fuzz
