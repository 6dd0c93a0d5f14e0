#include <sqlite3.h>

#include <cctype>

#include "handles.h"
#include "store/text_fold.h"

namespace detalehran::odbc {

namespace {

Cell text(std::string s) { return Cell{false, std::move(s)}; }
Cell number(long long v) { return Cell{false, std::to_string(v)}; }
Cell null() { return Cell{}; }

ColumnInfo result_column(const char* name, SQLSMALLINT type = SQL_VARCHAR) {
    ColumnInfo c = column_of_type(type == SQL_VARCHAR ? "TEXT" : "INTEGER");
    c.name = name;
    c.sql_type = type;
    c.size = type == SQL_VARCHAR ? 128 : type == SQL_SMALLINT ? 5 : 10;
    c.nullable = SQL_NULLABLE;
    return c;
}

// Starts a built result with the given column names; all text unless listed
// in numeric.
void start_result(Stmt& stmt, std::initializer_list<const char*> names, std::initializer_list<int> numeric) {
    release_statement(stmt);
    int i = 0;
    for (const char* name : names) {
        bool is_number = false;
        for (int k : numeric) is_number = is_number || k == i;
        stmt.columns.push_back(result_column(name, is_number ? SQL_SMALLINT : SQL_VARCHAR));
        ++i;
    }
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.row_pos = 0;
    stmt.executed = true;
}

// ODBC search patterns: "%" and "_" with "\" as escape; empty matches all.
bool pattern_matches(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return true;
    return store::LikePattern(pattern, U'\\').matches(name);
}

std::vector<std::string> user_tables(sqlite3* db, std::vector<std::string>* types) {
    std::vector<std::string> names;
    sqlite3_stmt* ps = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT name, type FROM sqlite_master WHERE type IN ('table','view') "
                           "AND name NOT GLOB 'sqlite_*' ORDER BY name",
                           -1, &ps, nullptr) == SQLITE_OK) {
        while (sqlite3_step(ps) == SQLITE_ROW) {
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(ps, 0)));
            if (types) {
                types->emplace_back(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(ps, 1))) == "view"
                                        ? "VIEW"
                                        : "TABLE");
            }
        }
    }
    sqlite3_finalize(ps);
    return names;
}

bool type_listed(std::string_view list, std::string_view type) {
    if (list.empty() || list == "%") return true;
    std::string upper_list;
    for (char c : list) upper_list += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper_list.find(type) != std::string::npos;
}

}  // namespace

SQLRETURN list_tables(Stmt& stmt, std::string_view table_pattern, std::string_view type_list) {
    start_result(stmt, {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}, {});
    std::vector<std::string> types;
    const std::vector<std::string> names = user_tables(stmt.dbc->db, &types);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!pattern_matches(table_pattern, names[i]) || !type_listed(type_list, types[i])) continue;
        stmt.rows.push_back({null(), null(), text(names[i]), text(types[i]), null()});
    }
    return SQL_SUCCESS;
}

SQLRETURN list_columns(Stmt& stmt, std::string_view table_pattern, std::string_view column_pattern) {
    start_result(stmt,
                 {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME", "COLUMN_SIZE",
                  "BUFFER_LENGTH", "DECIMAL_DIGITS", "NUM_PREC_RADIX", "NULLABLE", "REMARKS", "COLUMN_DEF",
                  "SQL_DATA_TYPE", "SQL_DATETIME_SUB", "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE"},
                 {4, 6, 7, 8, 9, 10, 13, 14, 15, 16});
    sqlite3* db = stmt.dbc->db;
    for (const std::string& table : user_tables(db, nullptr)) {
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
            const bool not_null = sqlite3_column_int(ps, 2) != 0 || (sqlite3_column_int(ps, 3) != 0 && c.kind == ValueKind::integer);
            const char* type_name = c.sql_type == SQL_INTEGER   ? "INTEGER"
                                    : c.sql_type == SQL_DECIMAL ? "CURRENCY"
                                    : c.sql_type == SQL_DOUBLE  ? "DOUBLE"
                                                                : "VARCHAR";
            const bool numeric = c.sql_type != SQL_VARCHAR;
            stmt.rows.push_back({null(), null(), text(table), text(name), number(c.sql_type), text(type_name),
                                 number(static_cast<long long>(c.size)),
                                 number(static_cast<long long>(numeric ? (c.sql_type == SQL_DECIMAL ? 19 : 4) : c.size)),
                                 numeric ? number(c.digits) : null(), numeric ? number(10) : null(),
                                 number(not_null ? SQL_NO_NULLS : SQL_NULLABLE), null(), null(), number(c.sql_type),
                                 null(), numeric ? null() : number(static_cast<long long>(c.size)), number(position),
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
                 {1, 2, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18});
    struct Type {
        const char* name;
        SQLSMALLINT type;
        long long size;
        bool text;
        int scale;
    };
    // In SQL data type order, as clients expect.
    static constexpr Type kTypes[] = {{"CURRENCY", SQL_DECIMAL, 19, false, 4},
                                      {"INTEGER", SQL_INTEGER, 10, false, 0},
                                      {"DOUBLE", SQL_DOUBLE, 15, false, 0},
                                      {"VARCHAR", SQL_VARCHAR, 255, true, 0}};
    for (const Type& t : kTypes) {
        if (data_type != SQL_ALL_TYPES && data_type != t.type) continue;
        stmt.rows.push_back({text(t.name), number(t.type), number(t.size), t.text ? text("'") : null(),
                             t.text ? text("'") : null(), t.text ? text("max length") : null(), number(SQL_NULLABLE),
                             number(SQL_FALSE), number(SQL_SEARCHABLE), t.text ? null() : number(SQL_FALSE),
                             number(t.scale == 4 ? SQL_TRUE : SQL_FALSE), t.text ? null() : number(SQL_FALSE),
                             text(t.name), t.text ? null() : number(t.scale), t.text ? null() : number(t.scale),
                             number(t.type), null(), t.text ? null() : number(10), null()});
    }
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
