#include <sqlite3.h>

#include "handles.h"

namespace detalehran::odbc {

SQLRETURN get_info(Dbc& dbc, SQLUSMALLINT type, const TextOut& value, SQLSMALLINT* out_len) {
    auto str = [&](const std::string& s) { return put_text(s, value, out_len, &dbc.diag); };
    auto u16 = [&](SQLUSMALLINT v) {
        if (value.buffer) *static_cast<SQLUSMALLINT*>(value.buffer) = v;
        if (out_len) *out_len = sizeof v;
        return SQL_SUCCESS;
    };
    auto u32 = [&](SQLUINTEGER v) {
        if (value.buffer) *static_cast<SQLUINTEGER*>(value.buffer) = v;
        if (out_len) *out_len = sizeof v;
        return SQL_SUCCESS;
    };
    switch (type) {
        case SQL_DRIVER_NAME:
            return str("libdetalehran_odbc.so");
        case SQL_DRIVER_VER:
            return str("01.00.0000");
        case SQL_DRIVER_ODBC_VER:
            return str("03.00");
        case SQL_DBMS_NAME:
            return str("ACCESS");
        case SQL_DBMS_VER:
            return str(std::string("04.00.0000 SQLite ") + sqlite3_libversion());
        case SQL_DATA_SOURCE_NAME:
            return str(dbc.dsn);
        case SQL_DATABASE_NAME:
            return str(dbc.path);
        case SQL_SERVER_NAME:
            return str("MDBLib");
        case SQL_USER_NAME:
        case SQL_CATALOG_NAME_SEPARATOR:
        case SQL_CATALOG_TERM:
        case SQL_SCHEMA_TERM:
        case SQL_PROCEDURE_TERM:
        case SQL_KEYWORDS:
        case SQL_SPECIAL_CHARACTERS:
            return str("");
        case SQL_TABLE_TERM:
            return str("table");
        case SQL_IDENTIFIER_QUOTE_CHAR:
            return str("`");
        case SQL_SEARCH_PATTERN_ESCAPE:
            return str("\\");
        case SQL_DATA_SOURCE_READ_ONLY:
        case SQL_ACCESSIBLE_TABLES:
        case SQL_ACCESSIBLE_PROCEDURES:
        case SQL_PROCEDURES:
        case SQL_MULT_RESULT_SETS:
        case SQL_NEED_LONG_DATA_LEN:
        case SQL_ROW_UPDATES:
        case SQL_MULTIPLE_ACTIVE_TXN:
        case SQL_ORDER_BY_COLUMNS_IN_SELECT:
        case SQL_INTEGRITY:
            return str("N");
        case SQL_DESCRIBE_PARAMETER:
        case SQL_EXPRESSIONS_IN_ORDERBY:
        case SQL_LIKE_ESCAPE_CLAUSE:
        case SQL_COLUMN_ALIAS:
        case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
            return str("Y");
        case SQL_CURSOR_COMMIT_BEHAVIOR:
        case SQL_CURSOR_ROLLBACK_BEHAVIOR:
            return u16(SQL_CB_PRESERVE);
        case SQL_TXN_CAPABLE:
            return u16(SQL_TC_ALL);
        case SQL_CONCAT_NULL_BEHAVIOR:
            return u16(SQL_CB_NULL);
        case SQL_NON_NULLABLE_COLUMNS:
            return u16(SQL_NNC_NON_NULL);
        case SQL_NULL_COLLATION:
            return u16(SQL_NC_LOW);
        case SQL_IDENTIFIER_CASE:
        case SQL_QUOTED_IDENTIFIER_CASE:
            return u16(SQL_IC_MIXED);
        case SQL_CORRELATION_NAME:
            return u16(SQL_CN_ANY);
        case SQL_GROUP_BY:
            return u16(SQL_GB_GROUP_BY_CONTAINS_SELECT);
        case SQL_FILE_USAGE:
            return u16(SQL_FILE_NOT_SUPPORTED);
        case SQL_ODBC_API_CONFORMANCE:
            return u16(SQL_OAC_LEVEL1);
        case SQL_ODBC_SQL_CONFORMANCE:
            return u16(SQL_OSC_MINIMUM);
        case SQL_MAX_DRIVER_CONNECTIONS:
        case SQL_MAX_CONCURRENT_ACTIVITIES:
        case SQL_MAX_COLUMN_NAME_LEN:
        case SQL_MAX_TABLE_NAME_LEN:
        case SQL_MAX_CURSOR_NAME_LEN:
        case SQL_MAX_SCHEMA_NAME_LEN:
        case SQL_MAX_CATALOG_NAME_LEN:
        case SQL_MAX_COLUMNS_IN_SELECT:
        case SQL_MAX_COLUMNS_IN_TABLE:
        case SQL_MAX_COLUMNS_IN_ORDER_BY:
        case SQL_MAX_COLUMNS_IN_GROUP_BY:
        case SQL_MAX_TABLES_IN_SELECT:
        case SQL_MAX_IDENTIFIER_LEN:
            return u16(0);
        case SQL_TXN_ISOLATION_OPTION:
        case SQL_DEFAULT_TXN_ISOLATION:
            // Reads before a transaction's first write see what others
            // committed last, as with Jet.
            return u32(SQL_TXN_READ_COMMITTED);
        case SQL_SCROLL_OPTIONS:
            return u32(SQL_SO_FORWARD_ONLY | SQL_SO_DYNAMIC);
        case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
            return u32(SQL_CA1_NEXT);
        case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
            return u32(SQL_CA1_NEXT);
        case SQL_GETDATA_EXTENSIONS:
            return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
        case SQL_BOOKMARK_PERSISTENCE:
        case SQL_STATIC_SENSITIVITY:
        case SQL_LOCK_TYPES:
        case SQL_POS_OPERATIONS:
        case SQL_POSITIONED_STATEMENTS:
        case SQL_SCROLL_CONCURRENCY:
        case SQL_TIMEDATE_FUNCTIONS:
        case SQL_SYSTEM_FUNCTIONS:
        case SQL_CONVERT_FUNCTIONS:
        case SQL_NUMERIC_FUNCTIONS:
        case SQL_STRING_FUNCTIONS:
        case SQL_SCHEMA_USAGE:
        case SQL_CATALOG_USAGE:
        case SQL_SUBQUERIES:
        case SQL_UNION:
        case SQL_ALTER_TABLE:
        case SQL_OJ_CAPABILITIES:
        case SQL_STATIC_CURSOR_ATTRIBUTES1:
        case SQL_STATIC_CURSOR_ATTRIBUTES2:
        case SQL_KEYSET_CURSOR_ATTRIBUTES1:
        case SQL_KEYSET_CURSOR_ATTRIBUTES2:
        case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
        case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        case SQL_MAX_ROW_SIZE:
        case SQL_MAX_STATEMENT_LEN:
        case SQL_MAX_CHAR_LITERAL_LEN:
        case SQL_MAX_INDEX_SIZE:
        case SQL_MAX_BINARY_LITERAL_LEN:
        case SQL_ASYNC_MODE:
        case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
        case SQL_PARAM_ARRAY_ROW_COUNTS:
        case SQL_PARAM_ARRAY_SELECTS:
            return u32(0);
        default:
            break;
    }
    dbc.diag.add("HY096", "Information type " + std::to_string(type) + " is not known to this driver");
    return SQL_ERROR;
}

}  // namespace detalehran::odbc
