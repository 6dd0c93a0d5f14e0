// The wide ("W") ODBC entry points: text arrives and leaves as UTF-16, with
// each length in characters or in bytes as ODBC says for that argument.
// unixODBC calls these for clients that use the W functions; its own
// conversion for drivers without them counts lengths in UTF-8 bytes.

#include "entry_support.h"

using namespace detalehran::odbc;

namespace {

TextOut wide_chars(void* buffer, SQLLEN capacity) { return {buffer, capacity, TextUnit::wide_chars}; }
TextOut wide_bytes(void* buffer, SQLLEN capacity) { return {buffer, capacity, TextUnit::wide_bytes}; }

}  // namespace

DTLH_EXPORT SQLRETURN SQL_API SQLConnectW(SQLHDBC d, SQLWCHAR* dsn, SQLSMALLINT dsn_len, SQLWCHAR*, SQLSMALLINT,
                                          SQLWCHAR*, SQLSMALLINT) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return connect_dsn(dbc, wide_arg(dsn, dsn_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC d, SQLHWND, SQLWCHAR* in, SQLSMALLINT in_len, SQLWCHAR* out,
                                                SQLSMALLINT out_len, SQLSMALLINT* out_used, SQLUSMALLINT) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN {
        return driver_connect(dbc, wide_arg(in, in_len), wide_chars(out, out_len), out_used);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC d, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return set_connect_attr(dbc, attr, value); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC d, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len,
                                                 SQLINTEGER* out_len) {
    return with_dbc(
        d, [&](Dbc& dbc) -> SQLRETURN { return get_connect_attr(dbc, attr, wide_bytes(value, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetInfoW(SQLHDBC d, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT len,
                                          SQLSMALLINT* out_len) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN { return get_info(dbc, type, wide_bytes(value, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC d, SQLWCHAR* in, SQLINTEGER in_len, SQLWCHAR* out,
                                            SQLINTEGER out_len, SQLINTEGER* out_used) {
    return with_dbc(d, [&](Dbc& dbc) -> SQLRETURN {
        return native_sql(dbc, wide_arg(in, in_len), wide_chars(out, out_len), out_used);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return set_stmt_attr(stmt, attr, value); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER len,
                                              SQLINTEGER* out_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return get_stmt_attr(stmt, attr, value, len, out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLPrepareW(SQLHSTMT s, SQLWCHAR* text, SQLINTEGER len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return prepare(stmt, wide_arg(text, len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT s, SQLWCHAR* text, SQLINTEGER len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        const SQLRETURN rc = prepare(stmt, wide_arg(text, len));
        return SQL_SUCCEEDED(rc) ? execute(stmt) : rc;
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT s, SQLUSMALLINT col, SQLWCHAR* name, SQLSMALLINT name_len,
                                              SQLSMALLINT* name_out, SQLSMALLINT* type, SQLULEN* size,
                                              SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return describe_col(stmt, col, wide_chars(name, name_len), name_out, type, size, digits, nullable);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT s, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text,
                                               SQLSMALLINT text_len, SQLSMALLINT* text_out, SQLLEN* number) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return col_attribute(stmt, col, field, wide_bytes(text, text_len), text_out, number);
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetCursorNameW(SQLHSTMT s, SQLWCHAR* name, SQLSMALLINT len, SQLSMALLINT* out_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return get_cursor_name(stmt, wide_chars(name, len), out_len); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSetCursorNameW(SQLHSTMT s, SQLWCHAR* name, SQLSMALLINT len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return set_cursor_name(stmt, wide_arg(name, len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLTablesW(SQLHSTMT s, SQLWCHAR* catalog, SQLSMALLINT catalog_len, SQLWCHAR* schema,
                                         SQLSMALLINT schema_len, SQLWCHAR* table, SQLSMALLINT table_len,
                                         SQLWCHAR* types, SQLSMALLINT types_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return list_tables(stmt, wide_arg(catalog, catalog_len), wide_arg(schema, schema_len),
                           wide_arg(table, table_len), wide_arg(types, types_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColumnsW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* table,
                                          SQLSMALLINT table_len, SQLWCHAR* column, SQLSMALLINT column_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return list_columns(stmt, wide_arg(table, table_len), wide_arg(column, column_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                              SQLWCHAR* table, SQLSMALLINT table_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return primary_keys(stmt, wide_arg(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                             SQLWCHAR* table, SQLSMALLINT table_len, SQLUSMALLINT unique,
                                             SQLUSMALLINT accuracy) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return statistics(stmt, wide_arg(table, table_len), unique, accuracy); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT s, SQLUSMALLINT identifier, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                                 SQLSMALLINT, SQLWCHAR* table, SQLSMALLINT table_len, SQLUSMALLINT,
                                                 SQLUSMALLINT) {
    return with_stmt(
        s, [&](Stmt& stmt) -> SQLRETURN { return special_columns(stmt, identifier, wide_arg(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                              SQLWCHAR* pk_table, SQLSMALLINT pk_len, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                              SQLSMALLINT, SQLWCHAR* fk_table, SQLSMALLINT fk_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return foreign_keys(stmt, wide_arg(pk_table, pk_len), wide_arg(fk_table, fk_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLTablePrivilegesW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                                  SQLWCHAR* table, SQLSMALLINT table_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return table_privileges(stmt, wide_arg(table, table_len)); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLColumnPrivilegesW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                                   SQLWCHAR* table, SQLSMALLINT table_len, SQLWCHAR* column,
                                                   SQLSMALLINT column_len) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN {
        return column_privileges(stmt, wide_arg(table, table_len), wide_arg(column, column_len));
    });
}

DTLH_EXPORT SQLRETURN SQL_API SQLProceduresW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                             SQLSMALLINT) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return procedures(stmt); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLProcedureColumnsW(SQLHSTMT s, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                                   SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return procedure_columns(stmt); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT s, SQLSMALLINT data_type) {
    return with_stmt(s, [&](Stmt& stmt) -> SQLRETURN { return list_type_info(stmt, data_type); });
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLWCHAR* state,
                                             SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT text_len,
                                             SQLSMALLINT* text_out) {
    const Diagnostics* diag = diagnostics_of(type, handle);
    if (diag == nullptr) return SQL_INVALID_HANDLE;
    return get_diag_rec(*diag, rec, wide_chars(state, 6), native, wide_chars(text, text_len), text_out);
}

DTLH_EXPORT SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLSMALLINT field,
                                               SQLPOINTER value, SQLSMALLINT len, SQLSMALLINT* out_len) {
    const Diagnostics* diag = diagnostics_of(type, handle);
    if (diag == nullptr) return SQL_INVALID_HANDLE;
    return get_diag_field(*diag, type, rec, field, wide_bytes(value, len), out_len);
}
