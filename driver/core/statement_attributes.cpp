// Statement attributes and cursor names.

#include "handles.h"

namespace detalehran::odbc {

namespace {

SQLRETURN changed(Stmt& stmt, const char* what) {
    stmt.diag.add("01S02", std::string("Option value changed: ") + what);
    return SQL_SUCCESS_WITH_INFO;
}

}  // namespace

SQLRETURN set_stmt_attr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value) {
    const auto number = reinterpret_cast<SQLULEN>(value);
    switch (attr) {
        case SQL_ATTR_CURSOR_TYPE:
            // Forward-only and static cursors are what the driver has; a
            // keyset-driven or dynamic one becomes static.
            if (number == SQL_CURSOR_FORWARD_ONLY || number == SQL_CURSOR_STATIC) {
                stmt.cursor_type = number;
                return SQL_SUCCESS;
            }
            stmt.cursor_type = SQL_CURSOR_STATIC;
            return changed(stmt, "the cursor is static");
        case SQL_ATTR_CURSOR_SCROLLABLE:
            stmt.cursor_type = number == SQL_SCROLLABLE ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY;
            return SQL_SUCCESS;
        case SQL_ATTR_CURSOR_SENSITIVITY:
            if (number == SQL_INSENSITIVE) {
                stmt.cursor_type = SQL_CURSOR_STATIC;
                return SQL_SUCCESS;
            }
            if (number == SQL_UNSPECIFIED) return SQL_SUCCESS;
            return changed(stmt, "the cursor does not see changes made after its execution");
        case SQL_ATTR_CONCURRENCY:
            stmt.concurrency = SQL_CONCUR_READ_ONLY;
            if (number == SQL_CONCUR_READ_ONLY) return SQL_SUCCESS;
            return changed(stmt, "cursors are read-only; change rows with UPDATE and DELETE");
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE:
            if (number == 0) {
                stmt.diag.add("HY024", "Invalid attribute value: a rowset has at least one row");
                return SQL_ERROR;
            }
            (attr == SQL_ROWSET_SIZE ? stmt.rowset_size : stmt.row_array_size) = number;
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_BIND_TYPE:
            stmt.row_bind_type = number;
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_BIND_OFFSET_PTR:
            stmt.row_bind_offset = static_cast<SQLULEN*>(value);
            return SQL_SUCCESS;
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
            if (number == 0) {
                stmt.diag.add("HY024", "Invalid attribute value: a parameter set has at least one row");
                return SQL_ERROR;
            }
            stmt.markers.paramset_size = number;
            return SQL_SUCCESS;
        case SQL_ATTR_PARAM_BIND_TYPE:
            stmt.markers.bind_type = number;
            return SQL_SUCCESS;
        case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
            stmt.markers.offset = static_cast<SQLLEN*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_PARAM_STATUS_PTR:
            stmt.markers.status = static_cast<SQLUSMALLINT*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_PARAMS_PROCESSED_PTR:
            stmt.markers.processed = static_cast<SQLULEN*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_PARAM_OPERATION_PTR:
            stmt.markers.operation = static_cast<SQLUSMALLINT*>(value);
            return SQL_SUCCESS;
        case SQL_ATTR_USE_BOOKMARKS:
            if (number == SQL_UB_OFF) return SQL_SUCCESS;
            stmt.diag.add("HYC00", "Optional feature not implemented: bookmarks");
            return SQL_ERROR;
        case SQL_ATTR_ASYNC_ENABLE:
            if (number == SQL_ASYNC_ENABLE_OFF) return SQL_SUCCESS;
            stmt.diag.add("HYC00", "Optional feature not implemented: asynchronous execution");
            return SQL_ERROR;
        case SQL_ATTR_SIMULATE_CURSOR:
            if (number == SQL_SC_UNIQUE) return SQL_SUCCESS;
            return changed(stmt, "positioned statements touch exactly one row");
        default:
            // SQL_ATTR_NOSCAN, SQL_ATTR_RETRIEVE_DATA, SQL_ATTR_MAX_LENGTH, the
            // driver manager's own notes and the like change nothing here.
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
            return put(stmt.scrollable() ? SQL_SCROLLABLE : SQL_NONSCROLLABLE);
        case SQL_ATTR_CURSOR_SENSITIVITY:
            return put(stmt.scrollable() ? SQL_INSENSITIVE : SQL_UNSPECIFIED);
        case SQL_ATTR_CONCURRENCY:
            return put(stmt.concurrency);
        case SQL_ATTR_ROW_ARRAY_SIZE:
            return put(stmt.row_array_size);
        case SQL_ROWSET_SIZE:
            return put(stmt.rowset_size);
        case SQL_ATTR_ROW_BIND_TYPE:
            return put(stmt.row_bind_type);
        case SQL_ATTR_ROW_BIND_OFFSET_PTR:
            return put_pointer(stmt.row_bind_offset);
        case SQL_ATTR_ROWS_FETCHED_PTR:
            return put_pointer(stmt.rows_fetched_ptr);
        case SQL_ATTR_ROW_STATUS_PTR:
            return put_pointer(stmt.row_status_ptr);
        case SQL_ATTR_MAX_ROWS:
            return put(stmt.max_rows);
        case SQL_ATTR_QUERY_TIMEOUT:
            return put(stmt.query_timeout);
        case SQL_ATTR_PARAMSET_SIZE:
            return put(stmt.markers.paramset_size);
        case SQL_ATTR_PARAM_BIND_TYPE:
            return put(stmt.markers.bind_type);
        case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
            return put_pointer(stmt.markers.offset);
        case SQL_ATTR_PARAM_STATUS_PTR:
            return put_pointer(stmt.markers.status);
        case SQL_ATTR_PARAMS_PROCESSED_PTR:
            return put_pointer(stmt.markers.processed);
        case SQL_ATTR_PARAM_OPERATION_PTR:
            return put_pointer(stmt.markers.operation);
        case SQL_ATTR_ROW_NUMBER:
            return put(stmt.on_row && stmt.scrollable() ? stmt.row_pos : 0);
        case SQL_ATTR_USE_BOOKMARKS:
            return put(SQL_UB_OFF);
        case SQL_ATTR_ASYNC_ENABLE:
            return put(SQL_ASYNC_ENABLE_OFF);
        case SQL_ATTR_SIMULATE_CURSOR:
            return put(SQL_SC_UNIQUE);
        case SQL_ATTR_RETRIEVE_DATA:
            return put(SQL_RD_ON);
        case SQL_ATTR_NOSCAN:
            return put(SQL_NOSCAN_OFF);
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
