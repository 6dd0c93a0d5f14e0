// The narrow ODBC entry points that unixODBC calls, and those without text:
// each checks its handle, clears the handle's diagnostics and hands over to
// the driver's core. Text is UTF-8.

#include "entry_support.h"

using namespace detalehran::odbc;

DTLH_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    try {
        return alloc_handle(type, input, output);
    } catch (const std::bad_alloc&) {
        return SQL_ERROR;
    }
}

DTLH_EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return free_handle(type, handle); }

DTLH_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT s, SQLUSMALLINT option) {
    if (option == SQL_DROP) return free_handle(SQL_HANDLE_STMT, s);
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        switch (option) {
            case SQL_CLOSE:
                return close_cursor(stmt);
            case SQL_UNBIND:
                stmt.bindings.clear();
                return SQL_SUCCESS;
            case SQL_RESET_PARAMS:
                stmt.markers.bound.clear();
                return SQL_SUCCESS;
            default:
                stmt.diag.add("HY092", "Invalid attribute/option identifier");
                return SQL_ERROR;
        }
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV e, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return with<Env>(e, Tag::env, [&](Env& env) -> SQLRETURN {
        if (attr == SQL_ATTR_ODBC_VERSION) env.odbc_version = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
        return SQL_SUCCESS;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV e, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                            SQLINTEGER* out_len) {
    return with<Env>(e, Tag::env, [&](Env& env) -> SQLRETURN {
        SQLINTEGER v = 0;
        switch (attr) {
            case SQL_ATTR_ODBC_VERSION:
                v = env.odbc_version;
                break;
            case SQL_ATTR_OUTPUT_NTS:
                v = SQL_TRUE;
                break;
            case SQL_ATTR_CONNECTION_POOLING:
            case SQL_ATTR_CP_MATCH:
                break;
            default:
                env.diag.add("HY092", "Invalid attribute identifier");
                return SQL_ERROR;
        }
        if (value) *static_cast<SQLINTEGER*>(value) = v;
        if (out_len) *out_len = sizeof v;
        return SQL_SUCCESS;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC d, SQLCHAR* dsn, SQLSMALLINT dsn_len, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                         SQLSMALLINT) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return connect_dsn(dbc, arg_string(dsn, dsn_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC d, SQLHWND, SQLCHAR* in, SQLSMALLINT in_len, SQLCHAR* out,
                                               SQLSMALLINT out_len, SQLSMALLINT* out_used, SQLUSMALLINT) {
    // No dialog is ever shown: every completion mode behaves as NOPROMPT.
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN {
        return driver_connect(dbc, arg_string(in, in_len), narrow_out(out, out_len), out_used);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC d) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return disconnect(dbc); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC d, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return set_connect_attr(dbc, attr, value); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC d, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len,
                                                SQLINTEGER* out_len) {
    return with_dbc(
        d, [&](Dbc& dbc) -> SQLRETURN { return get_connect_attr(dbc, attr, narrow_out(value, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC d, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT len,
                                         SQLSMALLINT* out_len) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return get_info(dbc, type, narrow_out(value, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
    if (type == SQL_HANDLE_ENV) {
        return with<Env>(handle, Tag::env, [&](Env& env) -> SQLRETURN { return end_transactions(env, completion); });
    }
    if (type != SQL_HANDLE_DBC) return SQL_ERROR;
    return with_dbc(handle, [&](Dbc& dbc) -> SQLRETURN { return end_transaction(dbc, completion); });
}

// ODBC 2's SQLEndTran.
DTLH_EXPORT SQLRETURN SQL_API SQLTransact(SQLHENV e, SQLHDBC d, SQLUSMALLINT completion) {
    if (d != SQL_NULL_HDBC) return SQLEndTran(SQL_HANDLE_DBC, d, static_cast<SQLSMALLINT>(completion));
    return SQLEndTran(SQL_HANDLE_ENV, e, static_cast<SQLSMALLINT>(completion));
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return set_stmt_attr(stmt, attr, value); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len,
                                             SQLINTEGER* out_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return get_stmt_attr(stmt, attr, value, len, out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT s, SQLCHAR* text, SQLINTEGER len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return prepare(stmt, arg_string(text, len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT s) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return execute(stmt); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT s, SQLCHAR* text, SQLINTEGER len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        const SQLRETURN rc = prepare(stmt, arg_string(text, len));
        return SQL_SUCCEEDED(rc) ? execute(stmt) : rc;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLNativeSql(SQLHDBC d, SQLCHAR* in, SQLINTEGER in_len, SQLCHAR* out, SQLINTEGER out_len,
                                           SQLINTEGER* out_used) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN {
        return native_sql(dbc, arg_string(in, in_len), narrow_out(out, out_len), out_used);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT s, SQLSMALLINT* count) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return num_params(stmt, count); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT s, SQLUSMALLINT number, SQLSMALLINT io_type, SQLSMALLINT c_type,
                                               SQLSMALLINT sql_type, SQLULEN size, SQLSMALLINT digits, SQLPOINTER value,
                                               SQLLEN buffer_len, SQLLEN* indicator) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return bind_parameter(stmt, number, io_type, {c_type, sql_type, size, digits, value, buffer_len, indicator});
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT s, SQLUSMALLINT number, SQLSMALLINT* type, SQLULEN* size,
                                               SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return describe_param(stmt, number, type, size, digits, nullable); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLParamData(SQLHSTMT s, SQLPOINTER* token) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return param_data(stmt, token); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT s, SQLPOINTER data, SQLLEN length) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return put_data(stmt, data, length); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT s, SQLCHAR* name, SQLSMALLINT len, SQLSMALLINT* out_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return get_cursor_name(stmt, narrow_out(name, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT s, SQLCHAR* name, SQLSMALLINT len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return set_cursor_name(stmt, arg_string(name, len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT s, SQLSMALLINT* count) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        if (count) *count = static_cast<SQLSMALLINT>(stmt.columns.size());
        return SQL_SUCCESS;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT s, SQLUSMALLINT col, SQLCHAR* name, SQLSMALLINT name_len,
                                             SQLSMALLINT* name_out, SQLSMALLINT* type, SQLULEN* size,
                                             SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return describe_col(stmt, col, narrow_out(name, name_len), name_out, type, size, digits, nullable);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT s, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text,
                                              SQLSMALLINT text_len, SQLSMALLINT* text_out, SQLLEN* number) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return col_attribute(stmt, col, field, narrow_out(text, text_len), text_out, number);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT s, SQLLEN* count) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        if (count) *count = result_row_count(stmt);
        return SQL_SUCCESS;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT s) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return fetch(stmt, SQL_FETCH_NEXT); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT s, SQLSMALLINT orientation, SQLLEN offset) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return fetch(stmt, orientation, offset); });
}

// ODBC 2's block fetch: the rowset size of SQL_ROWSET_SIZE, its own count
// and status array.
DTLH_EXPORT SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT s, SQLUSMALLINT orientation, SQLLEN offset, SQLULEN* count,
                                               SQLUSMALLINT* status) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return fetch_rowset(stmt, static_cast<SQLSMALLINT>(orientation), offset, stmt.rowset_size, count, status);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT s, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target,
                                         SQLLEN buffer_len, SQLLEN* indicator) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return get_data(stmt, col, c_type, target, buffer_len, indicator); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT s, SQLUSMALLINT col, SQLSMALLINT c_type, SQLPOINTER target,
                                         SQLLEN buffer_len, SQLLEN* indicator) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return bind_col(stmt, col, c_type, target, buffer_len, indicator); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT s) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        if (stmt.cursor == Stmt::Cursor::closed) {
            stmt.diag.add("24000", "Invalid cursor state: no cursor is open");
            return SQL_ERROR;
        }
        return close_cursor(stmt);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT s) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        close_cursor(stmt);
        return SQL_NO_DATA;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT s) {
    // Statements run to their end within a call; what can be cancelled is
    // an execution waiting for parameter data.
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        cancel_data_at_execution(stmt);
        return SQL_SUCCESS;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT s, SQLCHAR* catalog, SQLSMALLINT catalog_len, SQLCHAR* schema,
                                        SQLSMALLINT schema_len, SQLCHAR* table, SQLSMALLINT table_len, SQLCHAR* types,
                                        SQLSMALLINT types_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return list_tables(stmt, arg_string(catalog, catalog_len), arg_string(schema, schema_len),
                           arg_string(table, table_len), arg_string(types, types_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR* table,
                                         SQLSMALLINT table_len, SQLCHAR* column, SQLSMALLINT column_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return list_columns(stmt, arg_string(table, table_len), arg_string(column, column_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR* table,
                                             SQLSMALLINT table_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return primary_keys(stmt, arg_string(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR* table,
                                            SQLSMALLINT table_len, SQLUSMALLINT unique, SQLUSMALLINT accuracy) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return statistics(stmt, arg_string(table, table_len), unique, accuracy); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT s, SQLUSMALLINT identifier, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                                SQLSMALLINT, SQLCHAR* table, SQLSMALLINT table_len, SQLUSMALLINT,
                                                SQLUSMALLINT) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return special_columns(stmt, identifier, arg_string(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                             SQLCHAR* pk_table, SQLSMALLINT pk_len, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                             SQLSMALLINT, SQLCHAR* fk_table, SQLSMALLINT fk_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return foreign_keys(stmt, arg_string(pk_table, pk_len), arg_string(fk_table, fk_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                 SQLCHAR* table, SQLSMALLINT table_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return table_privileges(stmt, arg_string(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                  SQLCHAR* table, SQLSMALLINT table_len, SQLCHAR* column,
                                                  SQLSMALLINT column_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return column_privileges(stmt, arg_string(table, table_len), arg_string(column, column_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLProcedures(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                            SQLSMALLINT) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return procedures(stmt); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT s, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                                  SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return procedure_columns(stmt); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT s, SQLSMALLINT data_type) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return list_type_info(stmt, data_type); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLCHAR* state,
                                            SQLINTEGER* native, SQLCHAR* text, SQLSMALLINT text_len,
                                            SQLSMALLINT* text_out) {
    const Diagnostics* diag = diagnostics_of(type, handle);
    if (diag == nullptr) return SQL_INVALID_HANDLE;
    return get_diag_rec(*diag, rec, narrow_out(state, 6), native, narrow_out(text, text_len), text_out);
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLSMALLINT field,
                                              SQLPOINTER value, SQLSMALLINT len, SQLSMALLINT* out_len) {
    const Diagnostics* diag = diagnostics_of(type, handle);
    if (diag == nullptr) return SQL_INVALID_HANDLE;
    return get_diag_field(*diag, type, rec, field, narrow_out(value, len), out_len);
}
