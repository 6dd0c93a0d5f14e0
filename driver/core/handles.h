#pragma once
// The driver's environment, connection and statement handles.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "dialect.h"
#include "parameters.h"
#include "statement_shape.h"
#include "text_io.h"

struct sqlite3;
struct sqlite3_stmt;

namespace detalehran::odbc {

enum class Tag : std::uint32_t { env = 0x44454E56, dbc = 0x44444243, stmt = 0x44535443, desc = 0x44445343, dead = 0 };

struct Dbc;
struct Stmt;

struct Env {
    Tag tag = Tag::env;
    Diagnostics diag;
    SQLINTEGER odbc_version = SQL_OV_ODBC3;
    std::vector<Dbc*> connections;
};

struct Dbc {
    Tag tag = Tag::dbc;
    Env* env = nullptr;
    Diagnostics diag;
    sqlite3* db = nullptr;
    std::string dsn;
    std::string path;
    std::vector<Stmt*> statements;
    std::uint64_t statements_made = 0;
    SQLUINTEGER login_timeout = 0;
    SQLUINTEGER connection_timeout = 0;  // seconds to wait for a busy store; 0: 30
    // Whether a table numbers its rows itself (an auto-number ID), by name.
    std::map<std::string, bool> auto_numbered;
    // Transactions (transaction.cpp).
    bool autocommit = true;             // SQL_ATTR_AUTOCOMMIT
    bool explicit_transaction = false;  // after Jet's BEGIN TRANSACTION
    bool in_transaction = false;        // the driver began one in SQLite
    bool transaction_lost = false;      // SQLite rolled it back on its own
};

// Size of text columns: SQLite keeps text of any length (up to its limit
// of a value), described as Access describes its long text.
inline constexpr SQLULEN kLongTextSize = 1073741823;

// How a column's values are shown as text and described to clients.
enum class ValueKind : std::uint8_t { text, integer, money, real, untyped };

struct ColumnInfo {
    std::string name;
    std::string table;
    ValueKind kind = ValueKind::untyped;
    SQLSMALLINT sql_type = SQL_LONGVARCHAR;
    SQLULEN size = kLongTextSize;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
};

// Rows a live cursor has read ahead of the client: each value's text form
// back to back in one buffer, so that reading them takes no call into
// SQLite and no allocation for each value.
struct RowBlock {
    struct Span {
        std::size_t offset = 0;
        std::size_t size = 0;
        bool null = true;
    };
    std::string bytes;
    std::vector<Span> cells;   // row by row
    std::size_t rows = 0;      // rows in the block
    std::size_t next = 0;      // rows handed out; the current row is next - 1
    std::size_t wanted = 1;    // rows to read at the next refill
    bool sqlite_done = false;  // SQLite has no rows left (or failed)
};

// A value kept after its row left SQLite: its text form, or NULL.
struct Cell {
    bool null = true;
    std::string text;
};
using Row = std::vector<Cell>;

// A value of the current row as it is read: straight from SQLite's memory
// for text, from a formatted copy for numbers.
struct CellView {
    bool null = true;
    std::string_view text;
};

struct BoundColumn {
    SQLSMALLINT c_type = 0;
    SQLPOINTER target = nullptr;
    SQLLEN buffer_len = 0;
    SQLLEN* indicator = nullptr;
};

// Descriptor handles handed out on request; the driver keeps no fields in
// them, they exist so that the driver manager has something to hold.
struct Desc {
    Tag tag = Tag::desc;
    Stmt* owner = nullptr;
};

struct Stmt {
    Tag tag = Tag::stmt;
    Dbc* dbc = nullptr;
    Diagnostics diag;

    // Prepared statement; null for catalog results, which are built rows.
    sqlite3_stmt* prepared = nullptr;
    StatementKind kind = StatementKind::select;
    Command command = Command::none;
    // An insert into a table without an auto-number, which must leave the
    // connection's last auto-number as it was.
    bool keeps_identity = false;
    bool executed = false;
    // The tables the statement names, and the column each marker stands
    // for, to describe parameters by.
    std::vector<std::string> tables;
    std::vector<ColumnRef> marker_refs;
    Markers markers;
    std::vector<ColumnInfo> columns;

    // Cursor. A live cursor (forward-only) reads from SQLite as it goes, a
    // block of rows ahead of the client (ahead); before any other statement
    // of the connection writes, it is turned into a buffered one (its
    // current and remaining rows copied) so that SQLite can commit the
    // write at once instead of at the end of the reading. A static cursor
    // is always buffered: it keeps a copy of every row it has read, and
    // reads on from SQLite only as far as a fetch needs (sqlite_rows_left).
    enum class Cursor { closed, live, buffered } cursor = Cursor::closed;
    bool prefetched = false;        // SQLite holds a row not yet handed out
    bool sqlite_rows_left = false;  // static: SQLite has rows not yet copied
    bool on_row = false;            // a row is current
    bool handed_out = false;        // some row has been fetched since execution
    bool block_fetched = false;     // forward-only: the last fetch read several rows
    std::vector<Row> rows;          // buffered rows; rows[row_pos - 1] is current
    std::size_t row_pos = 0;        // 0 before the first row
    std::size_t rowset_rows = 0;    // rows in the last rowset fetched
    std::size_t rows_read = 0;      // rows taken from SQLite (SQL_ATTR_MAX_ROWS)

    RowBlock ahead;
    // A failure SQLite reported while reading ahead, or while a live
    // cursor's rows were copied: the fetch that reaches it reports it.
    Diagnostics deferred_failure;
    bool failure_deferred = false;
    // SQLGetData in pieces: the column being read and how far.
    int piece_column = -1;
    std::size_t piece_offset = 0;
    std::u16string wide_cache;

    SQLLEN row_count = -1;
    std::vector<BoundColumn> bindings;

    // Attributes.
    SQLULEN cursor_type = SQL_CURSOR_FORWARD_ONLY;
    SQLULEN concurrency = SQL_CONCUR_READ_ONLY;
    SQLULEN max_rows = 0;
    SQLULEN query_timeout = 0;
    std::string cursor_name;  // empty: SQL_CUR and the handle's number
    std::uint64_t number = 0;
    SQLULEN* rows_fetched_ptr = nullptr;
    SQLUSMALLINT* row_status_ptr = nullptr;
    SQLULEN row_array_size = 1;  // SQL_ATTR_ROW_ARRAY_SIZE
    SQLULEN rowset_size = 1;     // SQL_ROWSET_SIZE, for SQLExtendedFetch
    SQLULEN row_bind_type = SQL_BIND_BY_COLUMN;
    SQLULEN* row_bind_offset = nullptr;  // SQL_ATTR_ROW_BIND_OFFSET_PTR
    bool scrollable() const { return cursor_type != SQL_CURSOR_FORWARD_ONLY; }
    Desc descriptors[4];
};

template <typename T>
T* checked(SQLHANDLE h, Tag tag) {
    auto* p = static_cast<T*>(h);
    return p != nullptr && p->tag == tag ? p : nullptr;
}

SQLRETURN alloc_handle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output);
SQLRETURN free_handle(SQLSMALLINT type, SQLHANDLE handle);
Diagnostics* diagnostics_of(SQLSMALLINT type, SQLHANDLE handle);

// Connections (connection.cpp).
SQLRETURN connect_dsn(Dbc& dbc, std::string_view dsn);
SQLRETURN driver_connect(Dbc& dbc, std::string_view in, const TextOut& out, SQLSMALLINT* out_used);
SQLRETURN disconnect(Dbc& dbc);
SQLRETURN set_connect_attr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value);
// Numbers go to value.buffer; texts are put into it as its unit says.
SQLRETURN get_connect_attr(Dbc& dbc, SQLINTEGER attr, const TextOut& value, SQLINTEGER* out_len);
SQLRETURN get_info(Dbc& dbc, SQLUSMALLINT type, const TextOut& value, SQLSMALLINT* out_len);
// The statement as SQLite gets it (SQLNativeSql).
SQLRETURN native_sql(Dbc& dbc, std::string_view in, const TextOut& out, SQLINTEGER* out_len);

// Statements (statement.cpp).
SQLRETURN prepare(Stmt& stmt, std::string_view sql);
// SQLExecute: binds the markers' values, then runs the statement.
SQLRETURN execute(Stmt& stmt);
// Runs the prepared statement with the values bound.
SQLRETURN run_prepared(Stmt& stmt);
// Runs it once for each set of an array of parameter values.
SQLRETURN execute_array(Stmt& stmt);
SQLRETURN close_cursor(Stmt& stmt);
void release_statement(Stmt& stmt);
// Buffers the rows of every other live cursor of the connection.
void detach_readers(Dbc& dbc, const Stmt* except);
// Description of a column from its declared SQLite type (null: none).
ColumnInfo column_of_type(const char* declared);
// Description of a prepared statement's result column i.
ColumnInfo describe_result_column(sqlite3_stmt* ps, int i);
// Gives computed columns of a SELECT the types of their expressions.
void type_computed_columns(Stmt& stmt, const std::vector<Token>& tokens);
// The column a parameter marker stands for, or an unknown text.
ColumnInfo marker_column(Stmt& stmt, std::size_t marker);
SQLRETURN set_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value);
SQLRETURN get_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len, SQLINTEGER* out_len);
SQLRETURN describe_col(Stmt& stmt, SQLUSMALLINT col, const TextOut& name, SQLSMALLINT* name_out, SQLSMALLINT* type,
                       SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable);
SQLRETURN col_attribute(Stmt& stmt, SQLUSMALLINT col, SQLUSMALLINT field, const TextOut& text, SQLSMALLINT* text_out,
                        SQLLEN* number);
SQLRETURN get_cursor_name(Stmt& stmt, const TextOut& name, SQLSMALLINT* name_out);
SQLRETURN set_cursor_name(Stmt& stmt, std::string_view name);

// Transactions (transaction.cpp).
bool manual_commit(const Dbc& dbc);
// Before a statement that writes: begins the transaction of manual-commit
// mode, or fails if SQLite has rolled it back.
SQLRETURN begin_write(Dbc& dbc, Diagnostics& diag);
// After it: notes a transaction SQLite rolled back on its own.
void after_write(Dbc& dbc, Diagnostics& diag);
SQLRETURN end_transaction(Dbc& dbc, SQLSMALLINT completion);
SQLRETURN end_transactions(Env& env, SQLSMALLINT completion);
SQLRETURN set_autocommit(Dbc& dbc, bool on);
void roll_back_on_close(Dbc& dbc);
// BEGIN TRANSACTION, COMMIT and ROLLBACK as statements.
SQLRETURN run_transaction_command(Stmt& stmt);

// Fetching (scroll.cpp): a rowset of `rows` rows; status and count go to
// the given arrays (SQLFetchScroll passes the statement's own).
SQLRETURN fetch(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset = 0);
SQLRETURN fetch_rowset(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset, SQLULEN rows, SQLULEN* fetched,
                       SQLUSMALLINT* status);
// Rows of a result as SQLRowCount gives them: all rows of a static cursor's
// result, -1 for a forward-only one; affected rows of other statements.
SQLLEN result_row_count(Stmt& stmt);
// Reads the rest of a static cursor's rows from SQLite into stmt.rows.
SQLRETURN keep_all_rows(Stmt& stmt);
SQLRETURN get_data(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator);
SQLRETURN bind_col(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator);
// Copies the live cursor's current and remaining rows into stmt.rows.
void buffer_rest(Stmt& stmt);

// Catalog functions (catalog.cpp, catalog_keys.cpp, type_info.cpp). A file
// has no catalogs or schemas: their arguments select the special listings
// of SQLTables only.
SQLRETURN list_tables(Stmt& stmt, std::string_view catalog, std::string_view schema, std::string_view table_pattern,
                      std::string_view type_list);
SQLRETURN list_columns(Stmt& stmt, std::string_view table_pattern, std::string_view column_pattern);
SQLRETURN list_type_info(Stmt& stmt, SQLSMALLINT data_type);
SQLRETURN primary_keys(Stmt& stmt, std::string_view table);
SQLRETURN statistics(Stmt& stmt, std::string_view table, SQLUSMALLINT unique, SQLUSMALLINT accuracy);
SQLRETURN special_columns(Stmt& stmt, SQLUSMALLINT identifier, std::string_view table);
SQLRETURN foreign_keys(Stmt& stmt, std::string_view pk_table, std::string_view fk_table);
SQLRETURN table_privileges(Stmt& stmt, std::string_view table_pattern);
SQLRETURN column_privileges(Stmt& stmt, std::string_view table, std::string_view column_pattern);
SQLRETURN procedures(Stmt& stmt);
SQLRETURN procedure_columns(Stmt& stmt);
// How a column is named and sized to clients (columns.cpp).
const char* type_name_of(const ColumnInfo& c);
// Bytes a value of the column takes at most in UTF-8 text (or the size of
// its binary form for numbers).
long long octet_length_of(const ColumnInfo& c);

// Text of an ODBC string argument given with a length or SQL_NTS.
std::string_view arg_string(const SQLCHAR* text, SQLINTEGER len);

}  // namespace detalehran::odbc
