#pragma once
// The driver's environment, connection and statement handles.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dialect.h"
#include "diagnostics.h"

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
};

struct Dbc {
    Tag tag = Tag::dbc;
    Env* env = nullptr;
    Diagnostics diag;
    sqlite3* db = nullptr;
    std::string dsn;
    std::string path;
    std::vector<Stmt*> statements;
    SQLUINTEGER login_timeout = 0;
    // Whether a table numbers its rows itself (an auto-number ID), by name.
    std::map<std::string, bool> auto_numbered;
};

// How a column's values are shown as text and described to clients.
enum class ValueKind : std::uint8_t { text, integer, money, real, untyped };

struct ColumnInfo {
    std::string name;
    std::string table;
    ValueKind kind = ValueKind::untyped;
    SQLSMALLINT sql_type = SQL_VARCHAR;
    SQLULEN size = 255;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
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
    std::vector<ColumnInfo> columns;

    // Cursor. A live cursor reads straight from SQLite; before any other
    // statement of the connection writes, it is turned into a buffered one
    // (its current and remaining rows copied) so that SQLite can commit the
    // write at once instead of at the end of the reading.
    enum class Cursor { closed, live, buffered } cursor = Cursor::closed;
    bool prefetched = false;  // live: SQLite holds a row not yet handed out
    bool on_row = false;      // a row is current
    bool handed_out = false;  // some row has been fetched since execution
    std::vector<Row> rows;    // buffered rows; rows[row_pos] is current
    std::size_t row_pos = 0;

    // Live cursor: the current row's values in text form, made on first
    // request and kept while the row is current.
    std::vector<CellView> live_views;
    std::vector<std::string> live_formatted;  // backing of numbers' views
    std::vector<std::uint8_t> live_ready;
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
    SQLULEN* rows_fetched_ptr = nullptr;
    SQLUSMALLINT* row_status_ptr = nullptr;
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
SQLRETURN driver_connect(Dbc& dbc, std::string_view in, SQLCHAR* out, SQLSMALLINT out_len, SQLSMALLINT* out_used);
SQLRETURN disconnect(Dbc& dbc);
SQLRETURN set_connect_attr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value);
SQLRETURN get_connect_attr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len, SQLINTEGER* out_len);
SQLRETURN get_info(Dbc& dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT len, SQLSMALLINT* out_len);

// Statements (statement.cpp).
SQLRETURN prepare(Stmt& stmt, std::string_view sql);
SQLRETURN execute(Stmt& stmt);
SQLRETURN close_cursor(Stmt& stmt);
void release_statement(Stmt& stmt);
// Buffers the rows of every other live cursor of the connection.
void detach_readers(Dbc& dbc, const Stmt* except);
// Description of a column from its declared SQLite type (null: none).
ColumnInfo column_of_type(const char* declared);
SQLRETURN set_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value);
SQLRETURN get_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len, SQLINTEGER* out_len);
SQLRETURN describe_col(Stmt& stmt, SQLUSMALLINT col, SQLCHAR* name, SQLSMALLINT name_len, SQLSMALLINT* name_out,
                       SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable);
SQLRETURN col_attribute(Stmt& stmt, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text, SQLSMALLINT text_len,
                        SQLSMALLINT* text_out, SQLLEN* number);

// Fetching (fetch.cpp).
SQLRETURN fetch(Stmt& stmt, SQLSMALLINT orientation);
SQLRETURN get_data(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator);
SQLRETURN bind_col(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target, SQLLEN buffer_len,
                   SQLLEN* indicator);
// Copies the live cursor's current and remaining rows into stmt.rows.
void buffer_rest(Stmt& stmt);

// Catalog functions (catalog.cpp).
SQLRETURN list_tables(Stmt& stmt, std::string_view table_pattern, std::string_view type_list);
SQLRETURN list_columns(Stmt& stmt, std::string_view table_pattern, std::string_view column_pattern);
SQLRETURN list_type_info(Stmt& stmt, SQLSMALLINT data_type);

// Text of an ODBC string argument given with a length or SQL_NTS.
std::string_view arg_string(const SQLCHAR* text, SQLINTEGER len);

}  // namespace detalehran::odbc
