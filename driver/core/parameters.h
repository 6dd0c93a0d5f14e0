#pragma once
// Parameter markers ("?"): what a client binds to them, how the bound
// values reach SQLite at each execution, and data sent at execution time
// (SQLParamData and SQLPutData).

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

namespace detalehran::odbc {

struct Stmt;

// A marker's binding as SQLBindParameter gives it.
struct ParamBinding {
    SQLSMALLINT c_type = 0;
    SQLSMALLINT sql_type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLPOINTER value = nullptr;
    SQLLEN buffer_len = 0;
    SQLLEN* indicator = nullptr;
};

// How exactly a marker's value must reach SQLite. Decimals must keep every
// digit where the client sends them as exact numbers (SQL_DECIMAL,
// SQL_NUMERIC, SQL_C_NUMERIC) or compares them with a money column; an
// amount stored into a money column must also fit its four decimals and
// its range.
enum class Exactness : unsigned char { none, digits, amount };

// The markers of a prepared statement and the state of an execution that
// waits for data.
struct Markers {
    std::vector<int> sqlite_numbers;                 // SQLite's number of each marker
    std::vector<Exactness> exactness;                // by marker, from the column it stands for
    std::vector<std::optional<ParamBinding>> bound;  // by marker
    SQLLEN* offset = nullptr;                        // SQL_ATTR_PARAM_BIND_OFFSET_PTR
    // Arrays of parameter values: how many sets, how they lie in memory,
    // and where the outcome of each set goes.
    SQLULEN paramset_size = 1;
    SQLULEN bind_type = SQL_PARAM_BIND_BY_COLUMN;
    SQLUSMALLINT* status = nullptr;     // SQL_ATTR_PARAM_STATUS_PTR
    SQLULEN* processed = nullptr;       // SQL_ATTR_PARAMS_PROCESSED_PTR
    SQLUSMALLINT* operation = nullptr;  // SQL_ATTR_PARAM_OPERATION_PTR
    std::size_t set = 0;                // the set being bound
    // Data at execution: the markers still waiting, the one being sent and
    // what has arrived for each (nullopt: NULL).
    bool need_data = false;
    std::vector<std::size_t> waiting;
    std::size_t next_waiting = 0;
    std::optional<std::size_t> sending;
    std::vector<std::optional<std::string>> sent;
    // Wide text turned into UTF-8 on its way to SQLite, which copies it.
    std::string utf8_scratch;
};

SQLRETURN bind_parameter(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT io_type, const ParamBinding& binding);
SQLRETURN num_params(Stmt& stmt, SQLSMALLINT* count);
SQLRETURN describe_param(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                         SQLSMALLINT* nullable);
SQLRETURN param_data(Stmt& stmt, SQLPOINTER* token);
SQLRETURN put_data(Stmt& stmt, SQLPOINTER data, SQLLEN length);

// Gives up an execution that waits for parameter data (SQLCancel).
void cancel_data_at_execution(Stmt& stmt);

// At execution: binds every marker's value, or returns SQL_NEED_DATA when
// some are sent at execution time, or fails (07002 for an unbound marker).
SQLRETURN bind_markers(Stmt& stmt);

}  // namespace detalehran::odbc
