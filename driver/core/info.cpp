#include <sqlite3.h>

#include "catalog_support.h"
#include "handles.h"
#include "odbc_escapes.h"

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
            return str("03.80");
        case SQL_ODBC_VER:
            return str("03.80.0000");
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
            return str(catalog::kUser);
        case SQL_COLLATION_SEQ:
            return str("JETCI");
        case SQL_XOPEN_CLI_YEAR:
            return str("1995");
        case SQL_CATALOG_NAME:
            return str("N");
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
            return u32(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC);
        case SQL_STATIC_CURSOR_ATTRIBUTES1:
            return u32(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE);
        case SQL_STATIC_CURSOR_ATTRIBUTES2:
            return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_CRC_EXACT | SQL_CA2_MAX_ROWS_SELECT);
        case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
            return u32(0);
        case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
            return u32(SQL_CA1_NEXT);
        case SQL_GETDATA_EXTENSIONS:
            return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
        case SQL_BOOKMARK_PERSISTENCE:
        case SQL_STRING_FUNCTIONS:
            return u32(escape_function_bits(FunctionFamily::string));
        case SQL_NUMERIC_FUNCTIONS:
            return u32(escape_function_bits(FunctionFamily::numeric));
        case SQL_TIMEDATE_FUNCTIONS:
            return u32(escape_function_bits(FunctionFamily::timedate));
        case SQL_SYSTEM_FUNCTIONS:
            return u32(escape_function_bits(FunctionFamily::system));
        case SQL_CONVERT_FUNCTIONS:
            return u32(SQL_FN_CVT_CONVERT | SQL_FN_CVT_CAST);
        case SQL_OJ_CAPABILITIES:
            return u32(SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_ALL_COMPARISON_OPS);
        case SQL_OUTER_JOINS:
            return str("Y");
        case SQL_SUBQUERIES:
            return u32(SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN | SQL_SQ_CORRELATED_SUBQUERIES);
        case SQL_UNION:
            return u32(SQL_U_UNION | SQL_U_UNION_ALL);
        case SQL_FETCH_DIRECTION:
            return u32(SQL_FD_FETCH_NEXT | SQL_FD_FETCH_FIRST | SQL_FD_FETCH_LAST | SQL_FD_FETCH_PRIOR |
                       SQL_FD_FETCH_ABSOLUTE | SQL_FD_FETCH_RELATIVE);
        case SQL_SCROLL_CONCURRENCY:
            return u32(SQL_SCCO_READ_ONLY);
        case SQL_CURSOR_SENSITIVITY:
            return u32(SQL_INSENSITIVE);
        case SQL_PARAM_ARRAY_ROW_COUNTS:
            return u32(SQL_PARC_BATCH);
        case SQL_PARAM_ARRAY_SELECTS:
            return u32(SQL_PAS_NO_SELECT);
        case SQL_BATCH_ROW_COUNT:
            return u32(SQL_BRC_ROLLED_UP);
        case SQL_AGGREGATE_FUNCTIONS:
            return u32(SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN | SQL_AF_SUM);
        case SQL_DATETIME_LITERALS:
            return u32(SQL_DL_SQL92_DATE | SQL_DL_SQL92_TIME | SQL_DL_SQL92_TIMESTAMP);
        case SQL_INSERT_STATEMENT:
            return u32(SQL_IS_INSERT_LITERALS | SQL_IS_INSERT_SEARCHED);
        case SQL_SQL92_PREDICATES:
            return u32(SQL_SP_BETWEEN | SQL_SP_COMPARISON | SQL_SP_EXISTS | SQL_SP_IN | SQL_SP_ISNOTNULL |
                       SQL_SP_ISNULL | SQL_SP_LIKE | SQL_SP_QUANTIFIED_COMPARISON);
        case SQL_SQL92_RELATIONAL_JOIN_OPERATORS:
            return u32(SQL_SRJO_INNER_JOIN | SQL_SRJO_LEFT_OUTER_JOIN | SQL_SRJO_CROSS_JOIN);
        case SQL_SQL92_VALUE_EXPRESSIONS:
            return u32(SQL_SVE_CASE | SQL_SVE_CAST | SQL_SVE_COALESCE | SQL_SVE_NULLIF);
        case SQL_SQL92_STRING_FUNCTIONS:
            return u32(SQL_SSF_LOWER | SQL_SSF_UPPER | SQL_SSF_SUBSTRING | SQL_SSF_TRIM_BOTH | SQL_SSF_TRIM_LEADING |
                       SQL_SSF_TRIM_TRAILING);
        case SQL_SQL_CONFORMANCE:
            return u32(SQL_SC_SQL92_ENTRY);
        case SQL_ODBC_INTERFACE_CONFORMANCE:
            return u32(SQL_OIC_CORE);
        case SQL_STANDARD_CLI_CONFORMANCE:
            return u32(SQL_SCC_XOPEN_CLI_VERSION1);
        case SQL_CREATE_TABLE:
            return u32(SQL_CT_CREATE_TABLE | SQL_CT_COLUMN_CONSTRAINT | SQL_CT_TABLE_CONSTRAINT);
        case SQL_DROP_TABLE:
            return u32(SQL_DT_DROP_TABLE);
        case SQL_CREATE_VIEW:
            return u32(SQL_CV_CREATE_VIEW);
        case SQL_DROP_VIEW:
            return u32(SQL_DV_DROP_VIEW);
        case SQL_DDL_INDEX:
            return u32(SQL_DI_CREATE_INDEX | SQL_DI_DROP_INDEX);
        case SQL_INDEX_KEYWORDS:
            return u32(SQL_IK_ASC | SQL_IK_DESC);
        case SQL_ALTER_TABLE:
            return u32(SQL_AT_ADD_COLUMN);
        case SQL_INFO_SCHEMA_VIEWS:
        case SQL_ALTER_DOMAIN:
        case SQL_CREATE_ASSERTION:
        case SQL_CREATE_CHARACTER_SET:
        case SQL_CREATE_COLLATION:
        case SQL_CREATE_DOMAIN:
        case SQL_CREATE_SCHEMA:
        case SQL_CREATE_TRANSLATION:
        case SQL_DROP_ASSERTION:
        case SQL_DROP_CHARACTER_SET:
        case SQL_DROP_COLLATION:
        case SQL_DROP_DOMAIN:
        case SQL_DROP_SCHEMA:
        case SQL_DROP_TRANSLATION:
        case SQL_SQL92_DATETIME_FUNCTIONS:
        case SQL_SQL92_FOREIGN_KEY_DELETE_RULE:
        case SQL_SQL92_FOREIGN_KEY_UPDATE_RULE:
        case SQL_SQL92_GRANT:
        case SQL_SQL92_NUMERIC_VALUE_FUNCTIONS:
        case SQL_SQL92_REVOKE:
        case SQL_SQL92_ROW_VALUE_CONSTRUCTOR:
        case SQL_TIMEDATE_ADD_INTERVALS:
        case SQL_TIMEDATE_DIFF_INTERVALS:
        case SQL_BATCH_SUPPORT:
        case SQL_ASYNC_DBC_FUNCTIONS:
        case SQL_ASYNC_NOTIFICATION:
        case SQL_DRIVER_AWARE_POOLING_SUPPORTED:
        case SQL_CONVERT_BIGINT:
        case SQL_CONVERT_BINARY:
        case SQL_CONVERT_BIT:
        case SQL_CONVERT_CHAR:
        case SQL_CONVERT_DATE:
        case SQL_CONVERT_DECIMAL:
        case SQL_CONVERT_DOUBLE:
        case SQL_CONVERT_FLOAT:
        case SQL_CONVERT_INTEGER:
        case SQL_CONVERT_INTERVAL_DAY_TIME:
        case SQL_CONVERT_INTERVAL_YEAR_MONTH:
        case SQL_CONVERT_LONGVARBINARY:
        case SQL_CONVERT_LONGVARCHAR:
        case SQL_CONVERT_NUMERIC:
        case SQL_CONVERT_REAL:
        case SQL_CONVERT_SMALLINT:
        case SQL_CONVERT_TIME:
        case SQL_CONVERT_TIMESTAMP:
        case SQL_CONVERT_TINYINT:
        case SQL_CONVERT_VARBINARY:
        case SQL_CONVERT_VARCHAR:
        case SQL_CONVERT_WCHAR:
        case SQL_CONVERT_WLONGVARCHAR:
        case SQL_CONVERT_WVARCHAR:
        case SQL_CONVERT_GUID:
        case SQL_DRIVER_HDESC:
        case SQL_DRIVER_HLIB:
        case SQL_DRIVER_HSTMT:
        case SQL_DRIVER_HDBC:
        case SQL_DRIVER_HENV:
            // Nothing of this applies (the driver manager answers for the
            // handles itself).
            return u32(0);
        case SQL_CATALOG_LOCATION:
        case SQL_ODBC_SAG_CLI_CONFORMANCE:
        case SQL_MAX_USER_NAME_LEN:
        case SQL_MAX_PROCEDURE_NAME_LEN:
        case SQL_MAX_COLUMNS_IN_INDEX:
        case SQL_ACTIVE_ENVIRONMENTS:
            return u16(0);
        case SQL_STATIC_SENSITIVITY:
        case SQL_LOCK_TYPES:
        case SQL_POS_OPERATIONS:
        case SQL_POSITIONED_STATEMENTS:
        case SQL_SCHEMA_USAGE:
        case SQL_CATALOG_USAGE:
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
            return u32(0);
        default:
            break;
    }
    dbc.diag.add("HY096", "Information type " + std::to_string(type) + " is not known to this driver");
    return SQL_ERROR;
}

}  // namespace detalehran::odbc
