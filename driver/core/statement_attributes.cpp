// Statement attributes and cursor names.

#include "handles.h"

namespace detalehran::odbc {

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
        case SQL_ATTR_PARAMSET_SIZE:
            // Taking only the first set of an array would drop the others
            // unseen.
            if (number == 1) return SQL_SUCCESS;
            stmt.diag.add("HYC00", "Optional feature not implemented: arrays of parameter values");
            return SQL_ERROR;
        case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
            stmt.markers.offset = static_cast<SQLLEN*>(value);
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
        case SQL_ATTR_PARAMSET_SIZE:
            return put(1);
        case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
            return put_pointer(stmt.markers.offset);
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

SQLRETURN get_cursor_name(Stmt& stmt, const TextOut& name, SQLSMALLINT* name_out) {
    const std::string text = stmt.cursor_name.empty() ? "SQL_CUR" + std::to_string(stmt.number) : stmt.cursor_name;
    return put_text(text, name, name_out, &stmt.diag);
}

SQLRETURN set_cursor_name(Stmt& stmt, std::string_view name) {
    // Names of the driver's own making start with SQL_CUR.
    if (name.empty() || name.starts_with("SQL_CUR") || name.starts_with("SQLCUR")) {
        stmt.diag.add("34000", "Invalid cursor name");
        return SQL_ERROR;
    }
    for (const Stmt* other : stmt.dbc->statements) {
        if (other != &stmt && other->cursor_name == name) {
            stmt.diag.add("3C000", "Duplicate cursor name");
            return SQL_ERROR;
        }
    }
    stmt.cursor_name = std::string(name);
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
