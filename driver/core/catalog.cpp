#include <sqlite3.h>

#include <cctype>

#include "catalog_support.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace catalog {

namespace {

ColumnInfo result_column(const char* name, SQLSMALLINT type) {
    ColumnInfo c = column_of_type(type == SQL_VARCHAR ? "TEXT" : "INTEGER");
    c.name = name;
    c.sql_type = type;
    c.size = type == SQL_VARCHAR ? 128 : type == SQL_SMALLINT ? 5 : 10;
    c.nullable = SQL_NULLABLE;
    return c;
}

bool listed(std::initializer_list<int> list, int i) {
    for (int k : list) {
        if (k == i) return true;
    }
    return false;
}

}  // namespace

void start_result(Stmt& stmt, std::initializer_list<const char*> names, std::initializer_list<int> small,
                  std::initializer_list<int> integers) {
    release_statement(stmt);
    int i = 0;
    for (const char* name : names) {
        const SQLSMALLINT type = listed(small, i) ? SQL_SMALLINT : listed(integers, i) ? SQL_INTEGER : SQL_VARCHAR;
        stmt.columns.push_back(result_column(name, type));
        ++i;
    }
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.row_pos = 0;
    stmt.executed = true;
}

bool pattern_matches(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return true;
    return store::LikePattern(pattern, U'\\').matches(name);
}

std::vector<Table> user_tables(sqlite3* db) {
    std::vector<Table> tables;
    sqlite3_stmt* ps = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT name, type FROM sqlite_master WHERE type IN ('table','view') "
                           "AND name NOT GLOB 'sqlite_*' ORDER BY name",
                           -1, &ps, nullptr) == SQLITE_OK) {
        while (sqlite3_step(ps) == SQLITE_ROW) {
            const std::string_view type(reinterpret_cast<const char*>(sqlite3_column_text(ps, 1)));
            tables.push_back(
                {reinterpret_cast<const char*>(sqlite3_column_text(ps, 0)), type == "view" ? "VIEW" : "TABLE"});
        }
    }
    sqlite3_finalize(ps);
    return tables;
}

std::string table_named(sqlite3* db, std::string_view name) {
    for (const Table& t : user_tables(db)) {
        if (store::compare_folded(t.name, name) == 0) return t.name;
    }
    return {};
}

}  // namespace catalog

using namespace catalog;

namespace {

bool type_listed(std::string_view list, std::string_view type) {
    if (list.empty() || list == "%") return true;
    std::string upper_list;
    for (char c : list) upper_list += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper_list.find(type) != std::string::npos;
}

}  // namespace

SQLRETURN list_tables(Stmt& stmt, std::string_view catalog, std::string_view schema, std::string_view table_pattern,
                      std::string_view type_list) {
    start_result(stmt, {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}, {});
    // The special listings: a file has no catalogs and no schemas, and its
    // tables are of two types.
    const bool others_empty = table_pattern.empty();
    if (catalog == SQL_ALL_CATALOGS && schema.empty() && others_empty) return SQL_SUCCESS;
    if (schema == SQL_ALL_SCHEMAS && catalog.empty() && others_empty) return SQL_SUCCESS;
    if (type_list == SQL_ALL_TABLE_TYPES && catalog.empty() && schema.empty() && others_empty) {
        for (const char* type : {"TABLE", "VIEW"}) stmt.rows.push_back({null(), null(), null(), text(type), null()});
        return SQL_SUCCESS;
    }
    for (const Table& t : user_tables(stmt.dbc->db)) {
        if (!pattern_matches(table_pattern, t.name) || !type_listed(type_list, t.type)) continue;
        stmt.rows.push_back({null(), null(), text(t.name), text(t.type), null()});
    }
    return SQL_SUCCESS;
}

SQLRETURN list_columns(Stmt& stmt, std::string_view table_pattern, std::string_view column_pattern) {
    start_result(stmt,
                 {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME", "COLUMN_SIZE",
                  "BUFFER_LENGTH", "DECIMAL_DIGITS", "NUM_PREC_RADIX", "NULLABLE", "REMARKS", "COLUMN_DEF",
                  "SQL_DATA_TYPE", "SQL_DATETIME_SUB", "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE"},
                 {4, 8, 9, 10, 13, 14}, {6, 7, 15, 16});
    sqlite3* db = stmt.dbc->db;
    for (const Table& t : user_tables(db)) {
        const std::string& table = t.name;
        if (!pattern_matches(table_pattern, table)) continue;
        sqlite3_stmt* ps = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)", -1, &ps, nullptr) !=
            SQLITE_OK) {
            continue;
        }
        sqlite3_bind_text(ps, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        int position = 0;
        while (sqlite3_step(ps) == SQLITE_ROW) {
            ++position;
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(ps, 0));
            if (!pattern_matches(column_pattern, name)) continue;
            const ColumnInfo c = column_of_type(reinterpret_cast<const char*>(sqlite3_column_text(ps, 1)));
            const bool not_null =
                sqlite3_column_int(ps, 2) != 0 || (sqlite3_column_int(ps, 3) != 0 && c.kind == ValueKind::integer);
            const bool numeric =
                c.kind == ValueKind::integer || c.kind == ValueKind::money || c.kind == ValueKind::real;
            const bool datetime = c.sql_type == SQL_TYPE_TIMESTAMP;
            stmt.rows.push_back({null(), null(), text(table), text(name), number(c.sql_type), text(type_name_of(c)),
                                 number(static_cast<long long>(c.size)), number(octet_length_of(c)),
                                 numeric || datetime ? number(c.digits) : null(), numeric ? number(10) : null(),
                                 number(not_null ? SQL_NO_NULLS : SQL_NULLABLE), null(), null(),
                                 number(datetime ? SQL_DATETIME : c.sql_type),
                                 datetime ? number(SQL_CODE_TIMESTAMP) : null(),
                                 numeric || datetime ? null() : number(octet_length_of(c)), number(position),
                                 text(not_null ? "NO" : "YES")});
        }
        sqlite3_finalize(ps);
    }
    return SQL_SUCCESS;
}

SQLRETURN list_type_info(Stmt& stmt, SQLSMALLINT data_type) {
    start_result(stmt,
                 {"TYPE_NAME", "DATA_TYPE", "COLUMN_SIZE", "LITERAL_PREFIX", "LITERAL_SUFFIX", "CREATE_PARAMS",
                  "NULLABLE", "CASE_SENSITIVE", "SEARCHABLE", "UNSIGNED_ATTRIBUTE", "FIXED_PREC_SCALE",
                  "AUTO_UNIQUE_VALUE", "LOCAL_TYPE_NAME", "MINIMUM_SCALE", "MAXIMUM_SCALE", "SQL_DATA_TYPE",
                  "SQL_DATETIME_SUB", "NUM_PREC_RADIX", "INTERVAL_PRECISION"},
                 {1, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 18}, {2, 17});
    enum Family { text_type, number_type, date_type };
    struct Type {
        const char* name;
        SQLSMALLINT type;
        long long size;
        Family family;
        int scale;
        bool auto_unique;
    };
    // Every type a column or a parameter may have, in SQL data type order
    // as clients expect; text of every kind is kept alike, without a limit.
    static constexpr long long kLong = kLongTextSize;
    static constexpr Type kTypes[] = {
        {"NTEXT", SQL_WLONGVARCHAR, kLong, text_type, 0, false},
        {"NVARCHAR", SQL_WVARCHAR, 255, text_type, 0, false},
        {"NCHAR", SQL_WCHAR, 255, text_type, 0, false},
        {"BIT", SQL_BIT, 1, number_type, 0, false},
        {"BYTE", SQL_TINYINT, 3, number_type, 0, false},
        {"BIGINT", SQL_BIGINT, 19, number_type, 0, false},
        {"LONGCHAR", SQL_LONGVARCHAR, kLong, text_type, 0, false},
        {"CHAR", SQL_CHAR, 255, text_type, 0, false},
        {"CURRENCY", SQL_DECIMAL, 19, number_type, 4, false},
        {"COUNTER", SQL_INTEGER, 10, number_type, 0, true},
        {"INTEGER", SQL_INTEGER, 10, number_type, 0, false},
        {"SMALLINT", SQL_SMALLINT, 5, number_type, 0, false},
        {"REAL", SQL_REAL, 7, number_type, 0, false},
        {"DOUBLE", SQL_DOUBLE, 15, number_type, 0, false},
        {"VARCHAR", SQL_VARCHAR, 255, text_type, 0, false},
        {"DATETIME", SQL_TYPE_TIMESTAMP, 19, date_type, 0, false},
    };
    for (const Type& t : kTypes) {
        if (data_type != SQL_ALL_TYPES && data_type != t.type) continue;
        const bool is_text = t.family == text_type;
        const bool is_number = t.family == number_type;
        const bool sized = is_text && t.size != kLong;
        stmt.rows.push_back({text(t.name), number(t.type), number(t.size),
                             is_text                 ? text("'")
                             : t.family == date_type ? text("#")
                                                     : null(),
                             is_text                 ? text("'")
                             : t.family == date_type ? text("#")
                                                     : null(),
                             sized ? text("max length") : null(), number(t.auto_unique ? SQL_NO_NULLS : SQL_NULLABLE),
                             number(SQL_FALSE), number(is_text ? SQL_SEARCHABLE : SQL_PRED_BASIC),
                             is_number ? number(t.type == SQL_BIT ? SQL_TRUE : SQL_FALSE) : null(),
                             number(t.scale == 4 ? SQL_TRUE : SQL_FALSE),
                             is_number ? number(t.auto_unique ? SQL_TRUE : SQL_FALSE) : null(), text(t.name),
                             is_number ? number(t.scale) : null(), is_number ? number(t.scale) : null(),
                             number(t.family == date_type ? SQL_DATETIME : t.type),
                             t.family == date_type ? number(SQL_CODE_TIMESTAMP) : null(),
                             is_number ? number(10) : null(), null()});
    }
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
