// How result columns are described to clients: SQL types, sizes and the
// fields of SQLDescribeCol and SQLColAttribute.

#include <sqlite3.h>

#include <cctype>

#include "handles.h"
#include "result_types.h"
#include "store/store_schema.h"

namespace detalehran::odbc {

namespace {

std::string upper(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

SQLLEN display_size(const ColumnInfo& c) {
    switch (c.sql_type) {
        case SQL_BIT:
            return 1;
        case SQL_TINYINT:
            return 4;
        case SQL_SMALLINT:
            return 6;
        case SQL_INTEGER:
            return 11;
        case SQL_BIGINT:
            return 20;
        case SQL_DECIMAL:
            return 21;
        case SQL_REAL:
            return 14;
        case SQL_DOUBLE:
            return 24;
        case SQL_TYPE_TIMESTAMP:
            return 19;
        default:
            return static_cast<SQLLEN>(c.size);
    }
}

bool is_text(const ColumnInfo& c) {
    return c.sql_type == SQL_LONGVARCHAR || c.sql_type == SQL_VARCHAR || c.sql_type == SQL_WLONGVARCHAR ||
           c.sql_type == SQL_WVARCHAR || c.sql_type == SQL_CHAR || c.sql_type == SQL_WCHAR;
}

// A column of one of the statement's tables, found by SQLite's catalogue.
std::optional<ColumnInfo> table_column(sqlite3* db, const std::vector<std::string>& tables, const ColumnRef& ref) {
    auto lookup = [&](const std::string& table) -> std::optional<ColumnInfo> {
        const char* declared = nullptr;
        int not_null = 0, primary = 0;
        if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), ref.column.c_str(), &declared, nullptr, &not_null,
                                          &primary, nullptr) != SQLITE_OK) {
            return std::nullopt;
        }
        ColumnInfo c = column_of_type(declared);
        c.name = ref.column;
        c.table = table;
        c.nullable = not_null || (primary && c.kind == ValueKind::integer) ? SQL_NO_NULLS : SQL_NULLABLE;
        return c;
    };
    // A qualifier may be an alias: then the statement's tables are tried.
    if (!ref.table.empty()) {
        if (auto c = lookup(ref.table)) return c;
    }
    for (const std::string& table : tables) {
        if (auto c = lookup(table)) return c;
    }
    return std::nullopt;
}

}  // namespace

const char* type_name_of(const ColumnInfo& c) {
    switch (c.sql_type) {
        case SQL_BIT:
            return "BIT";
        case SQL_TINYINT:
            return "BYTE";
        case SQL_SMALLINT:
            return "SMALLINT";
        case SQL_INTEGER:
            return "INTEGER";
        case SQL_BIGINT:
            return "BIGINT";
        case SQL_DECIMAL:
            return "CURRENCY";
        case SQL_REAL:
            return "REAL";
        case SQL_DOUBLE:
            return "DOUBLE";
        case SQL_TYPE_TIMESTAMP:
            return "DATETIME";
        case SQL_VARCHAR:
            return "VARCHAR";
        default:
            return "LONGCHAR";
    }
}

long long octet_length_of(const ColumnInfo& c) {
    switch (c.sql_type) {
        case SQL_BIT:
        case SQL_TINYINT:
            return 1;
        case SQL_SMALLINT:
            return 2;
        case SQL_INTEGER:
        case SQL_REAL:
            return 4;
        case SQL_DECIMAL:
            return 21;
        case SQL_TYPE_TIMESTAMP:
            return sizeof(SQL_TIMESTAMP_STRUCT);
        case SQL_BIGINT:
        case SQL_DOUBLE:
            return 8;
        default:
            // Text of unbounded length: as many bytes as a length can say.
            if (c.size >= kLongTextSize) return 2147483647;
            return static_cast<long long>(c.size) * 4;  // UTF-8 takes up to four bytes a character
    }
}

ColumnInfo column_of_type(const char* declared) {
    ColumnInfo c;
    const std::string decl = upper(declared);
    auto has = [&](const char* part) { return decl.find(part) != std::string::npos; };
    if (decl.empty()) {
        c.kind = ValueKind::untyped;
        c.sql_type = SQL_LONGVARCHAR;
        c.size = kLongTextSize;
    } else if (decl == store::kMoneyType || decl == "CURRENCY") {
        c.kind = ValueKind::money;
        c.sql_type = SQL_DECIMAL;
        c.size = 19;
        c.digits = 4;
    } else if (has("INT") || decl == "BIT" || decl == "BYTE" || decl == "COUNTER" || decl == "LONG") {
        c.kind = ValueKind::integer;
        c.sql_type = decl == "BIT"                         ? SQL_BIT
                     : decl == "BYTE" || decl == "TINYINT" ? SQL_TINYINT
                     : decl == "SMALLINT"                  ? SQL_SMALLINT
                     : decl == "BIGINT"                    ? SQL_BIGINT
                                                           : SQL_INTEGER;
        c.size = c.sql_type == SQL_BIT        ? 1
                 : c.sql_type == SQL_TINYINT  ? 3
                 : c.sql_type == SQL_SMALLINT ? 5
                 : c.sql_type == SQL_BIGINT   ? 19
                                              : 10;
    } else if (has("REAL") || has("FLOA") || has("DOUB")) {
        c.kind = ValueKind::real;
        c.sql_type = decl == "REAL" ? SQL_REAL : SQL_DOUBLE;
        c.size = decl == "REAL" ? 7 : 15;
    } else if (has("DATE") || has("TIME")) {
        // Kept as ISO text; described as a timestamp.
        c.kind = ValueKind::text;
        c.sql_type = SQL_TYPE_TIMESTAMP;
        c.size = 19;
    } else {
        // Text of any length: SQLite keeps no limit, so none is promised.
        c.kind = ValueKind::text;
        c.sql_type = SQL_LONGVARCHAR;
        c.size = kLongTextSize;
    }
    return c;
}

ColumnInfo describe_result_column(sqlite3_stmt* ps, int i) {
    ColumnInfo c = column_of_type(sqlite3_column_decltype(ps, i));
    const char* name = sqlite3_column_name(ps, i);
    c.name = name ? name : "";
    const char* table = sqlite3_column_table_name(ps, i);
    c.table = table ? table : "";
    c.nullable = c.name == "ID" && c.kind == ValueKind::integer ? SQL_NO_NULLS : SQL_NULLABLE;
    return c;
}

void type_computed_columns(Stmt& stmt, const std::vector<Token>& tokens) {
    const std::vector<SelectItem> items = select_items(tokens);
    const std::size_t n = stmt.columns.size();
    std::size_t first_star = items.size(), last_star = items.size();
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (!items[k].star) continue;
        if (first_star == items.size()) first_star = k;
        last_star = k;
    }
    if (first_star == items.size() && items.size() != n) return;
    const ColumnResolver resolve = [&](const ColumnRef& ref) { return table_column(stmt.dbc->db, stmt.tables, ref); };
    for (std::size_t k = 0; k < items.size(); ++k) {
        // A star stands for columns of unknown number: items are placed
        // from the front before the first one and from the back after the
        // last one.
        std::size_t index = 0;
        if (k < first_star) {
            index = k;
        } else if (k > last_star && n >= items.size() - k) {
            index = n - (items.size() - k);
        } else {
            continue;
        }
        if (index >= n || stmt.columns[index].kind != ValueKind::untyped) continue;
        if (std::optional<ColumnInfo> typed = expression_column(items[k].tokens, resolve)) {
            typed->name = stmt.columns[index].name;
            typed->table.clear();
            stmt.columns[index] = *typed;
        }
    }
}

ColumnInfo marker_column(Stmt& stmt, std::size_t marker) {
    if (stmt.marker_refs.size() == stmt.markers.sqlite_numbers.size() && !stmt.marker_refs[marker].column.empty()) {
        if (auto c = table_column(stmt.dbc->db, stmt.tables, stmt.marker_refs[marker])) return *c;
    }
    ColumnInfo c = column_of_type("TEXT");
    c.nullable = SQL_NULLABLE_UNKNOWN;
    return c;
}

SQLRETURN describe_col(Stmt& stmt, SQLUSMALLINT col, const TextOut& name, SQLSMALLINT* name_out, SQLSMALLINT* type,
                       SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    if (col == 0 || col > stmt.columns.size()) {
        stmt.diag.add("07009", "Invalid descriptor index");
        return SQL_ERROR;
    }
    const ColumnInfo& c = stmt.columns[col - 1];
    if (type) *type = c.sql_type;
    if (size) *size = c.size;
    if (digits) *digits = c.digits;
    if (nullable) *nullable = c.nullable;
    return put_text(c.name, name, name_out, &stmt.diag);
}

SQLRETURN col_attribute(Stmt& stmt, SQLUSMALLINT col, SQLUSMALLINT field, const TextOut& text, SQLSMALLINT* text_out,
                        SQLLEN* number) {
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
        if (number) *number = static_cast<SQLLEN>(stmt.columns.size());
        return SQL_SUCCESS;
    }
    if (col == 0 || col > stmt.columns.size()) {
        stmt.diag.add("07009", "Invalid descriptor index");
        return SQL_ERROR;
    }
    const ColumnInfo& c = stmt.columns[col - 1];
    auto str = [&](const std::string& s) { return put_text(s, text, text_out, &stmt.diag); };
    auto num = [&](SQLLEN v) {
        if (number) *number = v;
        return SQL_SUCCESS;
    };
    const bool numeric = !is_text(c) && c.sql_type != SQL_TYPE_TIMESTAMP;
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
            return str(type_name_of(c));
        case SQL_DESC_LITERAL_PREFIX:
        case SQL_DESC_LITERAL_SUFFIX:
            return str(numeric ? "" : c.sql_type == SQL_TYPE_TIMESTAMP ? "#" : "'");
        case SQL_DESC_TYPE:
            return num(c.sql_type == SQL_TYPE_TIMESTAMP ? SQL_DATETIME : c.sql_type);
        case SQL_DESC_CONCISE_TYPE:
            return num(c.sql_type);
        case SQL_DESC_DATETIME_INTERVAL_CODE:
            return num(c.sql_type == SQL_TYPE_TIMESTAMP ? SQL_CODE_TIMESTAMP : 0);
        case SQL_DESC_OCTET_LENGTH:
            return num(static_cast<SQLLEN>(octet_length_of(c)));
        case SQL_COLUMN_LENGTH:
            return num(is_text(c) ? static_cast<SQLLEN>(octet_length_of(c)) : static_cast<SQLLEN>(c.size));
        case SQL_DESC_LENGTH:
        case SQL_DESC_PRECISION:
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
            return num(numeric && c.sql_type != SQL_BIT ? SQL_FALSE : SQL_TRUE);
        case SQL_DESC_CASE_SENSITIVE:
            return num(SQL_FALSE);  // text compares without regard to case
        case SQL_DESC_FIXED_PREC_SCALE:
            return num(c.kind == ValueKind::money ? SQL_TRUE : SQL_FALSE);
        case SQL_DESC_AUTO_UNIQUE_VALUE:
            return num(c.nullable == SQL_NO_NULLS ? SQL_TRUE : SQL_FALSE);
        case SQL_DESC_SEARCHABLE:
            return num(SQL_PRED_SEARCHABLE);
        case SQL_DESC_UPDATABLE:
            return num(c.table.empty() ? SQL_ATTR_READONLY : SQL_ATTR_READWRITE_UNKNOWN);
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
