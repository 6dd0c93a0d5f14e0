#include <sqlite3.h>

#include <cctype>

#include "handles.h"
#include "store/store_schema.h"

namespace detalehran::odbc {

namespace {

std::string upper(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

ColumnInfo describe(sqlite3_stmt* ps, int i) {
    ColumnInfo c = column_of_type(sqlite3_column_decltype(ps, i));
    const char* name = sqlite3_column_name(ps, i);
    c.name = name ? name : "";
    const char* table = sqlite3_column_table_name(ps, i);
    c.table = table ? table : "";
    c.nullable = c.name == "ID" && c.kind == ValueKind::integer ? SQL_NO_NULLS : SQL_NULLABLE;
    return c;
}

}  // namespace

ColumnInfo column_of_type(const char* declared) {
    ColumnInfo c;
    const std::string decl = upper(declared);
    if (decl.empty()) {
        c.kind = ValueKind::untyped;
    } else if (decl == store::kMoneyType || decl == "CURRENCY") {
        c.kind = ValueKind::money;
        c.sql_type = SQL_DECIMAL;
        c.size = 19;
        c.digits = 4;
    } else if (decl.find("INT") != std::string::npos) {
        c.kind = ValueKind::integer;
        c.sql_type = SQL_INTEGER;
        c.size = 10;
    } else if (decl.find("REAL") != std::string::npos || decl.find("FLOA") != std::string::npos ||
               decl.find("DOUB") != std::string::npos) {
        c.kind = ValueKind::real;
        c.sql_type = SQL_DOUBLE;
        c.size = 15;
    } else {
        c.kind = ValueKind::text;
    }
    return c;
}

namespace {

// True when nothing but blanks, semicolons and comments follows. The rest is
// scanned, never compiled: SQLite applies a PRAGMA while compiling it. It is
// scanned to its given end: SQLite stops reading at a NUL byte, and whatever
// a NUL hides must not be dropped unseen. NULs that only end the text (a
// length that counts the terminator) hide nothing.
bool only_trailing_noise(std::string_view rest) {
    for (std::size_t i = 0; i < rest.size();) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c == 0) {
            return rest.find_first_not_of('\0', i) == std::string_view::npos;
        } else if (c == ';' || c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
            // SQLite's own blanks; a vertical tab is no blank to it.
            ++i;
        } else if (rest.substr(i, 2) == "--") {
            while (i < rest.size() && rest[i] != '\n') ++i;
        } else if (rest.substr(i, 2) == "/*") {
            const std::size_t close = rest.find("*/", i + 2);
            if (close == std::string_view::npos) return true;  // an open comment runs to the end
            i = close + 2;
        } else {
            return false;
        }
    }
    return true;
}

// Whether rows inserted into a table get their number from SQLite: a single
// integer primary key, as the auto-number ID of Store and Temp is.
bool numbers_its_rows(Dbc& dbc, const std::string& table) {
    if (const auto it = dbc.auto_numbered.find(table); it != dbc.auto_numbered.end()) return it->second;
    sqlite3_stmt* ps = nullptr;
    bool numbered = false;
    if (sqlite3_prepare_v2(dbc.db,
                           "SELECT sum(pk > 0) = 1 AND sum(pk = 1 AND upper(type) = 'INTEGER') = 1 "
                           "FROM pragma_table_info(?1)",
                           -1, &ps, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(ps, 1, table.c_str(), static_cast<int>(table.size()), SQLITE_STATIC);
        numbered = sqlite3_step(ps) == SQLITE_ROW && sqlite3_column_int(ps, 0) == 1;
    }
    sqlite3_finalize(ps);
    dbc.auto_numbered.emplace(table, numbered);
    return numbered;
}

SQLLEN display_size(const ColumnInfo& c) {
    switch (c.sql_type) {
        case SQL_INTEGER:
            return 11;
        case SQL_DECIMAL:
            return 21;
        case SQL_DOUBLE:
            return 24;
        default:
            return static_cast<SQLLEN>(c.size);
    }
}

const char* type_name(const ColumnInfo& c) {
    switch (c.sql_type) {
        case SQL_INTEGER:
            return "INTEGER";
        case SQL_DECIMAL:
            return "CURRENCY";
        case SQL_DOUBLE:
            return "DOUBLE";
        default:
            return "VARCHAR";
    }
}

}  // namespace

SQLRETURN close_cursor(Stmt& stmt) {
    if (stmt.prepared != nullptr && stmt.cursor == Stmt::Cursor::live) sqlite3_reset(stmt.prepared);
    stmt.cursor = Stmt::Cursor::closed;
    stmt.prefetched = false;
    stmt.on_row = false;
    stmt.handed_out = false;
    stmt.rows.clear();
    stmt.rows.shrink_to_fit();
    stmt.row_pos = 0;
    stmt.piece_column = -1;
    return SQL_SUCCESS;
}

void release_statement(Stmt& stmt) {
    close_cursor(stmt);
    sqlite3_finalize(stmt.prepared);
    stmt.prepared = nullptr;
    stmt.executed = false;
    stmt.columns.clear();
    stmt.command = Command::none;
    stmt.keeps_identity = false;
}

void detach_readers(Dbc& dbc, const Stmt* except) {
    for (Stmt* other : dbc.statements) {
        if (other != except && other->cursor == Stmt::Cursor::live) buffer_rest(*other);
    }
}

SQLRETURN prepare(Stmt& stmt, std::string_view sql) {
    release_statement(stmt);
    const Translation t = translate_statement(sql);
    if (!t.ok) {
        stmt.diag.add("42000", t.error);
        return SQL_ERROR;
    }
    sqlite3* db = stmt.dbc->db;
    sqlite3_stmt* ps = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, t.sql.c_str(), static_cast<int>(t.sql.size()), &ps, &tail);
    if (rc != SQLITE_OK) return sqlite_failure(stmt.diag, db, rc);
    if (ps == nullptr) {
        stmt.diag.add("42000", "Invalid SQL statement: the text holds no statement");
        return SQL_ERROR;
    }
    // One statement per call, as Jet takes it: nothing may ride along.
    if (!only_trailing_noise(std::string_view(t.sql).substr(static_cast<std::size_t>(tail - t.sql.c_str())))) {
        sqlite3_finalize(ps);
        stmt.diag.add("42000", "Characters found after end of SQL statement");
        return SQL_ERROR;
    }
    stmt.prepared = ps;
    stmt.kind = t.kind;
    stmt.command = t.command;
    stmt.keeps_identity = t.kind == StatementKind::insert && !numbers_its_rows(*stmt.dbc, t.target);
    const int n = sqlite3_column_count(ps);
    stmt.columns.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) stmt.columns.push_back(describe(ps, i));
    if (t.command == Command::identity) {
        stmt.columns[0] = column_of_type("INTEGER");
        stmt.columns[0].name = sqlite3_column_name(ps, 0);
        stmt.columns[0].nullable = SQL_NO_NULLS;
    }
    stmt.live_views.assign(static_cast<std::size_t>(n), CellView{});
    stmt.live_formatted.assign(static_cast<std::size_t>(n), std::string{});
    stmt.live_ready.assign(static_cast<std::size_t>(n), 0);
    return SQL_SUCCESS;
}

SQLRETURN execute(Stmt& stmt) {
    if (stmt.prepared == nullptr) {
        stmt.diag.add("HY010", "Function sequence error: no statement prepared");
        return SQL_ERROR;
    }
    close_cursor(stmt);
    Dbc& dbc = *stmt.dbc;
    sqlite3_stmt* ps = stmt.prepared;
    // A write must commit when it ends, which SQLite does only when no other
    // statement is still reading.
    if (!sqlite3_stmt_readonly(ps)) detach_readers(dbc, &stmt);
    const sqlite3_int64 before = sqlite3_total_changes64(dbc.db);
    // SELECT @@IDENTITY answers with SQLite's last inserted row number; only
    // rows that got an auto-number may change it, as in Jet.
    const sqlite3_int64 identity = sqlite3_last_insert_rowid(dbc.db);
    int rc = sqlite3_step(ps);
    stmt.executed = true;
    if (!stmt.columns.empty()) {
        if (rc == SQLITE_ROW) {
            stmt.cursor = Stmt::Cursor::live;
            stmt.prefetched = true;
        } else if (rc == SQLITE_DONE) {
            sqlite3_reset(ps);
            stmt.cursor = Stmt::Cursor::buffered;  // an empty result
        } else {
            const SQLRETURN err = sqlite_failure(stmt.diag, dbc.db, rc);
            sqlite3_reset(ps);
            return err;
        }
        stmt.row_count = -1;
        stmt.diag.row_count = -1;
        return SQL_SUCCESS;
    }
    while (rc == SQLITE_ROW) rc = sqlite3_step(ps);
    if (rc != SQLITE_DONE || stmt.keeps_identity) sqlite3_set_last_insert_rowid(dbc.db, identity);
    if (rc != SQLITE_DONE) {
        const SQLRETURN err = sqlite_failure(stmt.diag, dbc.db, rc);
        sqlite3_reset(ps);
        return err;
    }
    sqlite3_reset(ps);
    if (stmt.kind == StatementKind::ddl) dbc.auto_numbered.clear();
    stmt.row_count = static_cast<SQLLEN>(sqlite3_total_changes64(dbc.db) - before);
    stmt.diag.row_count = stmt.row_count;
    if (stmt.row_count == 0 && (stmt.kind == StatementKind::update || stmt.kind == StatementKind::delete_rows)) {
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

SQLRETURN set_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value) {
    const auto number = reinterpret_cast<SQLULEN>(value);
    switch (attr) {
        case SQL_ATTR_CURSOR_TYPE:
            if (number == SQL_CURSOR_FORWARD_ONLY || number == SQL_CURSOR_DYNAMIC) {
                stmt.cursor_type = number;
                return SQL_SUCCESS;
            }
            stmt.cursor_type = SQL_CURSOR_DYNAMIC;
            stmt.diag.add("01S02", "Option value changed: the cursor is dynamic");
            return SQL_SUCCESS_WITH_INFO;
        case SQL_ATTR_CURSOR_SCROLLABLE:
            stmt.cursor_type = number == SQL_SCROLLABLE ? SQL_CURSOR_DYNAMIC : SQL_CURSOR_FORWARD_ONLY;
            return SQL_SUCCESS;
        case SQL_ATTR_CONCURRENCY:
            stmt.concurrency = number;
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE:
            if (number == 1) return SQL_SUCCESS;
            stmt.diag.add("01S02", "Option value changed: rows are fetched one at a time");
            return SQL_SUCCESS_WITH_INFO;
        case SQL_ATTR_ROWS_FETCHED_PTR:
            stmt.rows_fetched_ptr = static_cast<SQLULEN*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_STATUS_PTR:
            stmt.row_status_ptr = static_cast<SQLUSMALLINT*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_MAX_ROWS:
            stmt.max_rows = number;
            return SQL_SUCCESS;
        case SQL_ATTR_QUERY_TIMEOUT:
            stmt.query_timeout = number;
            return SQL_SUCCESS;
        default:
            return SQL_SUCCESS;
    }
}

SQLRETURN get_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER, SQLINTEGER* out_len) {
    auto put = [&](SQLULEN v) {
        if (value) *static_cast<SQLULEN*>(value) = v;
        if (out_len) *out_len = sizeof(SQLULEN);
        return SQL_SUCCESS;
    };
    auto put_pointer = [&](void* p) {
        if (value) *static_cast<SQLPOINTER*>(value) = p;
        if (out_len) *out_len = sizeof(SQLPOINTER);
        return SQL_SUCCESS;
    };
    switch (attr) {
        case SQL_ATTR_APP_ROW_DESC:
            return put_pointer(&stmt.descriptors[0]);
        case SQL_ATTR_APP_PARAM_DESC:
            return put_pointer(&stmt.descriptors[1]);
        case SQL_ATTR_IMP_ROW_DESC:
            return put_pointer(&stmt.descriptors[2]);
        case SQL_ATTR_IMP_PARAM_DESC:
            return put_pointer(&stmt.descriptors[3]);
        case SQL_ATTR_CURSOR_TYPE:
            return put(stmt.cursor_type);
        case SQL_ATTR_CURSOR_SCROLLABLE:
            return put(stmt.cursor_type == SQL_CURSOR_DYNAMIC ? SQL_SCROLLABLE : SQL_NONSCROLLABLE);
        case SQL_ATTR_CURSOR_SENSITIVITY:
            return put(SQL_SENSITIVE);
        case SQL_ATTR_CONCURRENCY:
            return put(stmt.concurrency);
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE:
            return put(1);
        case SQL_ATTR_ROWS_FETCHED_PTR:
            return put_pointer(stmt.rows_fetched_ptr);
        case SQL_ATTR_ROW_STATUS_PTR:
            return put_pointer(stmt.row_status_ptr);
        case SQL_ATTR_MAX_ROWS:
            return put(stmt.max_rows);
        case SQL_ATTR_QUERY_TIMEOUT:
            return put(stmt.query_timeout);
        case SQL_ATTR_ROW_NUMBER:
            return put(0);
        case SQL_ATTR_USE_BOOKMARKS:
            return put(SQL_UB_OFF);
        case SQL_ATTR_ASYNC_ENABLE:
            return put(SQL_ASYNC_ENABLE_OFF);
        default:
            return put(0);
    }
}

SQLRETURN describe_col(Stmt& stmt, SQLUSMALLINT col, SQLCHAR* name, SQLSMALLINT name_len, SQLSMALLINT* name_out,
                       SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    if (col == 0 || col > stmt.columns.size()) {
        stmt.diag.add("07009", "Invalid descriptor index");
        return SQL_ERROR;
    }
    const ColumnInfo& c = stmt.columns[col - 1];
    if (type) *type = c.sql_type;
    if (size) *size = c.size;
    if (digits) *digits = c.digits;
    if (nullable) *nullable = c.nullable;
    return copy_out_small(c.name, name, name_len, name_out, &stmt.diag);
}

SQLRETURN col_attribute(Stmt& stmt, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text, SQLSMALLINT text_len,
                        SQLSMALLINT* text_out, SQLLEN* number) {
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
        if (number) *number = static_cast<SQLLEN>(stmt.columns.size());
        return SQL_SUCCESS;
    }
    if (col == 0 || col > stmt.columns.size()) {
        stmt.diag.add("07009", "Invalid descriptor index");
        return SQL_ERROR;
    }
    const ColumnInfo& c = stmt.columns[col - 1];
    auto str = [&](const std::string& s) {
        return copy_out_small(s, static_cast<SQLCHAR*>(text), text_len, text_out, &stmt.diag);
    };
    auto num = [&](SQLLEN v) {
        if (number) *number = v;
        return SQL_SUCCESS;
    };
    const bool numeric = c.sql_type != SQL_VARCHAR;
    switch (field) {
        case SQL_DESC_NAME:
        case SQL_DESC_LABEL:
        case SQL_DESC_BASE_COLUMN_NAME:
        case SQL_COLUMN_NAME:
            return str(c.name);
        case SQL_DESC_TABLE_NAME:
        case SQL_DESC_BASE_TABLE_NAME:
            return str(c.table);
        case SQL_DESC_CATALOG_NAME:
        case SQL_DESC_SCHEMA_NAME:
            return str("");
        case SQL_DESC_TYPE_NAME:
        case SQL_DESC_LOCAL_TYPE_NAME:
            return str(type_name(c));
        case SQL_DESC_LITERAL_PREFIX:
        case SQL_DESC_LITERAL_SUFFIX:
            return str(numeric ? "" : "'");
        case SQL_DESC_TYPE:
        case SQL_DESC_CONCISE_TYPE:
            return num(c.sql_type);
        case SQL_DESC_LENGTH:
        case SQL_DESC_OCTET_LENGTH:
        case SQL_DESC_PRECISION:
        case SQL_COLUMN_LENGTH:
        case SQL_COLUMN_PRECISION:
            return num(static_cast<SQLLEN>(c.size));
        case SQL_DESC_SCALE:
        case SQL_COLUMN_SCALE:
            return num(c.digits);
        case SQL_DESC_DISPLAY_SIZE:
            return num(display_size(c));
        case SQL_DESC_NULLABLE:
        case SQL_COLUMN_NULLABLE:
            return num(c.nullable);
        case SQL_DESC_UNSIGNED:
            return num(numeric ? SQL_FALSE : SQL_TRUE);
        case SQL_DESC_CASE_SENSITIVE:
            return num(SQL_FALSE);  // text compares without regard to case
        case SQL_DESC_FIXED_PREC_SCALE:
            return num(c.kind == ValueKind::money ? SQL_TRUE : SQL_FALSE);
        case SQL_DESC_AUTO_UNIQUE_VALUE:
            return num(c.nullable == SQL_NO_NULLS ? SQL_TRUE : SQL_FALSE);
        case SQL_DESC_SEARCHABLE:
            return num(SQL_PRED_SEARCHABLE);
        case SQL_DESC_UPDATABLE:
            return num(SQL_ATTR_READWRITE_UNKNOWN);
        case SQL_DESC_NUM_PREC_RADIX:
            return num(numeric ? 10 : 0);
        case SQL_DESC_UNNAMED:
            return num(c.name.empty() ? SQL_UNNAMED : SQL_NAMED);
        default:
            stmt.diag.add("HY091", "Invalid descriptor field identifier");
            return SQL_ERROR;
    }
}

}  // namespace detalehran::odbc
