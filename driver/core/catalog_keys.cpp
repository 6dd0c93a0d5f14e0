// The catalog functions an office suite needs before it lets a table be
// edited: keys, indexes, the row identifier, foreign keys and privileges,
// and the (empty) lists of procedures.

#include <sqlite3.h>

#include <algorithm>

#include "catalog_support.h"

namespace detalehran::odbc {

using namespace catalog;

namespace {

// Access names a table's key so.
constexpr const char* kPrimaryKeyName = "PrimaryKey";

struct KeyColumn {
    std::string name;
    std::string declared;
};

// The primary key's columns of a table, in key order.
std::vector<KeyColumn> primary_key(sqlite3* db, const std::string& table) {
    std::vector<KeyColumn> out;
    sqlite3_stmt* ps = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk", -1, &ps,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(ps, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(ps) == SQLITE_ROW) {
            out.push_back({reinterpret_cast<const char*>(sqlite3_column_text(ps, 0)),
                           reinterpret_cast<const char*>(sqlite3_column_text(ps, 1))});
        }
    }
    sqlite3_finalize(ps);
    return out;
}

long long row_count(sqlite3* db, const std::string& table) {
    std::string sql = "SELECT count(*) FROM \"";
    for (char c : table) sql += c == '"' ? std::string("\"\"") : std::string(1, c);
    sql += "\"";
    sqlite3_stmt* ps = nullptr;
    long long n = 0;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &ps, nullptr) == SQLITE_OK && sqlite3_step(ps) == SQLITE_ROW) {
        n = sqlite3_column_int64(ps, 0);
    }
    sqlite3_finalize(ps);
    return n;
}

struct Index {
    std::string name;
    bool unique = false;
    std::vector<std::string> columns;
};

// The table's indexes as a client sees them: SQLite's own index of a key
// and the integer key SQLite keeps without an index both appear as the
// index PrimaryKey.
std::vector<Index> indexes(sqlite3* db, const std::string& table) {
    std::vector<Index> out;
    bool key_listed = false;
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name, \"unique\", origin FROM pragma_index_list(?1) WHERE partial = 0", -1,
                           &list, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(list, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(list) == SQLITE_ROW) {
            Index index;
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(list, 0));
            const std::string_view origin(reinterpret_cast<const char*>(sqlite3_column_text(list, 2)));
            index.name = origin == "pk" ? kPrimaryKeyName : name;
            key_listed = key_listed || origin == "pk";
            index.unique = sqlite3_column_int(list, 1) != 0;
            sqlite3_stmt* info = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno", -1, &info, nullptr) ==
                SQLITE_OK) {
                sqlite3_bind_text(info, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                while (sqlite3_step(info) == SQLITE_ROW) {
                    const auto* column = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
                    index.columns.emplace_back(column ? column : "");
                }
            }
            sqlite3_finalize(info);
            out.push_back(std::move(index));
        }
    }
    sqlite3_finalize(list);
    if (!key_listed) {
        const std::vector<KeyColumn> key = primary_key(db, table);
        if (!key.empty()) {
            Index index{kPrimaryKeyName, true, {}};
            for (const KeyColumn& k : key) index.columns.push_back(k.name);
            out.push_back(std::move(index));
        }
    }
    // Unique indexes first, then by name, as ODBC orders them.
    std::stable_sort(out.begin(), out.end(),
                     [](const Index& a, const Index& b) { return a.unique != b.unique ? a.unique : a.name < b.name; });
    return out;
}

// The table of a catalog function that names one table; an empty result
// for a table that does not exist.
std::string named_table(Stmt& stmt, std::string_view name) { return table_named(stmt.dbc->db, name); }

}  // namespace

SQLRETURN primary_keys(Stmt& stmt, std::string_view table_name) {
    start_result(stmt, {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME", "KEY_SEQ", "PK_NAME"}, {4});
    const std::string table = named_table(stmt, table_name);
    if (table.empty()) return SQL_SUCCESS;
    int seq = 0;
    for (const KeyColumn& k : primary_key(stmt.dbc->db, table)) {
        stmt.rows.push_back({null(), null(), text(table), text(k.name), number(++seq), text(kPrimaryKeyName)});
    }
    return SQL_SUCCESS;
}

SQLRETURN statistics(Stmt& stmt, std::string_view table_name, SQLUSMALLINT unique, SQLUSMALLINT accuracy) {
    start_result(stmt,
                 {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "NON_UNIQUE", "INDEX_QUALIFIER", "INDEX_NAME", "TYPE",
                  "ORDINAL_POSITION", "COLUMN_NAME", "ASC_OR_DESC", "CARDINALITY", "PAGES", "FILTER_CONDITION"},
                 {3, 6, 7}, {10, 11});
    const std::string table = named_table(stmt, table_name);
    if (table.empty()) return SQL_SUCCESS;
    sqlite3* db = stmt.dbc->db;
    const Cell cardinality = accuracy == SQL_ENSURE ? number(row_count(db, table)) : null();
    stmt.rows.push_back({null(), null(), text(table), null(), null(), null(), number(SQL_TABLE_STAT), null(), null(),
                         null(), cardinality, null(), null()});
    for (const Index& index : indexes(db, table)) {
        if (unique == SQL_INDEX_UNIQUE && !index.unique) continue;
        int position = 0;
        for (const std::string& column : index.columns) {
            stmt.rows.push_back({null(), null(), text(table), number(index.unique ? SQL_FALSE : SQL_TRUE), null(),
                                 text(index.name), number(SQL_INDEX_OTHER), number(++position), text(column), text("A"),
                                 null(), null(), null()});
        }
    }
    return SQL_SUCCESS;
}

SQLRETURN special_columns(Stmt& stmt, SQLUSMALLINT identifier, std::string_view table_name) {
    start_result(stmt,
                 {"SCOPE", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME", "COLUMN_SIZE", "BUFFER_LENGTH", "DECIMAL_DIGITS",
                  "PSEUDO_COLUMN"},
                 {0, 2, 6, 7}, {4, 5});
    const std::string table = named_table(stmt, table_name);
    // No column changes by itself on an update: nothing for SQL_ROWVER.
    if (table.empty() || identifier != SQL_BEST_ROWID) return SQL_SUCCESS;
    for (const KeyColumn& k : primary_key(stmt.dbc->db, table)) {
        const ColumnInfo c = column_of_type(k.declared.c_str());
        stmt.rows.push_back({number(SQL_SCOPE_SESSION), text(k.name), number(c.sql_type), text(type_name_of(c)),
                             number(static_cast<long long>(c.size)), number(octet_length_of(c)), number(c.digits),
                             number(SQL_PC_NOT_PSEUDO)});
    }
    return SQL_SUCCESS;
}

SQLRETURN foreign_keys(Stmt& stmt, std::string_view pk_table, std::string_view fk_table) {
    start_result(stmt,
                 {"PKTABLE_CAT", "PKTABLE_SCHEM", "PKTABLE_NAME", "PKCOLUMN_NAME", "FKTABLE_CAT", "FKTABLE_SCHEM",
                  "FKTABLE_NAME", "FKCOLUMN_NAME", "KEY_SEQ", "UPDATE_RULE", "DELETE_RULE", "FK_NAME", "PK_NAME",
                  "DEFERRABILITY"},
                 {8, 9, 10, 13});
    sqlite3* db = stmt.dbc->db;
    const std::string wanted_pk = pk_table.empty() ? std::string() : table_named(db, pk_table);
    const std::string wanted_fk = fk_table.empty() ? std::string() : table_named(db, fk_table);
    if ((!pk_table.empty() && wanted_pk.empty()) || (!fk_table.empty() && wanted_fk.empty())) return SQL_SUCCESS;
    auto rule = [](std::string_view r) -> long long {
        if (r == "CASCADE") return SQL_CASCADE;
        if (r == "SET NULL") return SQL_SET_NULL;
        if (r == "SET DEFAULT") return SQL_SET_DEFAULT;
        if (r == "RESTRICT") return SQL_RESTRICT;
        return SQL_NO_ACTION;
    };
    for (const Table& t : user_tables(db)) {
        if (!wanted_fk.empty() && t.name != wanted_fk) continue;
        sqlite3_stmt* ps = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT \"table\", \"to\", \"from\", seq, on_update, on_delete, id "
                               "FROM pragma_foreign_key_list(?1) ORDER BY id, seq",
                               -1, &ps, nullptr) != SQLITE_OK) {
            continue;
        }
        sqlite3_bind_text(ps, 1, t.name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(ps) == SQLITE_ROW) {
            auto col = [&](int i) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(ps, i));
                return std::string(p ? p : "");
            };
            const std::string parent = table_named(db, col(0));
            if (!wanted_pk.empty() && parent != wanted_pk) continue;
            std::string parent_column = col(1);
            if (parent_column.empty()) {
                const std::vector<KeyColumn> key = primary_key(db, parent);
                const auto seq = static_cast<std::size_t>(sqlite3_column_int(ps, 3));
                if (seq < key.size()) parent_column = key[seq].name;
            }
            stmt.rows.push_back({null(), null(), text(parent), text(parent_column), null(), null(), text(t.name),
                                 text(col(2)), number(sqlite3_column_int(ps, 3) + 1), number(rule(col(4))),
                                 number(rule(col(5))), text(t.name + "_" + std::to_string(sqlite3_column_int(ps, 6))),
                                 text(kPrimaryKeyName), number(SQL_NOT_DEFERRABLE)});
        }
        sqlite3_finalize(ps);
    }
    return SQL_SUCCESS;
}

SQLRETURN table_privileges(Stmt& stmt, std::string_view table_pattern) {
    start_result(stmt, {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "GRANTOR", "GRANTEE", "PRIVILEGE", "IS_GRANTABLE"},
                 {});
    sqlite3* db = stmt.dbc->db;
    const bool read_only = sqlite3_db_readonly(db, "main") == 1;
    for (const Table& t : user_tables(db)) {
        if (!pattern_matches(table_pattern, t.name)) continue;
        for (const char* privilege : {"DELETE", "INSERT", "REFERENCES", "SELECT", "UPDATE"}) {
            const std::string_view p(privilege);
            if ((read_only || t.type == "VIEW") && p != "SELECT" && p != "REFERENCES") continue;
            stmt.rows.push_back({null(), null(), text(t.name), null(), text(kUser), text(privilege), text("YES")});
        }
    }
    return SQL_SUCCESS;
}

SQLRETURN column_privileges(Stmt& stmt, std::string_view table_name, std::string_view column_pattern) {
    start_result(
        stmt,
        {"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME", "GRANTOR", "GRANTEE", "PRIVILEGE", "IS_GRANTABLE"},
        {});
    sqlite3* db = stmt.dbc->db;
    const std::string table = named_table(stmt, table_name);
    if (table.empty()) return SQL_SUCCESS;
    const bool read_only = sqlite3_db_readonly(db, "main") == 1;
    sqlite3_stmt* ps = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1) ORDER BY name", -1, &ps, nullptr) != SQLITE_OK) {
        return SQL_SUCCESS;
    }
    sqlite3_bind_text(ps, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(ps) == SQLITE_ROW) {
        const std::string column = reinterpret_cast<const char*>(sqlite3_column_text(ps, 0));
        if (!pattern_matches(column_pattern, column)) continue;
        for (const char* privilege : {"INSERT", "REFERENCES", "SELECT", "UPDATE"}) {
            const std::string_view p(privilege);
            if (read_only && p != "SELECT" && p != "REFERENCES") continue;
            stmt.rows.push_back(
                {null(), null(), text(table), text(column), null(), text(kUser), text(privilege), text("YES")});
        }
    }
    sqlite3_finalize(ps);
    return SQL_SUCCESS;
}

SQLRETURN procedures(Stmt& stmt) {
    start_result(stmt,
                 {"PROCEDURE_CAT", "PROCEDURE_SCHEM", "PROCEDURE_NAME", "NUM_INPUT_PARAMS", "NUM_OUTPUT_PARAMS",
                  "NUM_RESULT_SETS", "REMARKS", "PROCEDURE_TYPE"},
                 {7}, {3, 4, 5});
    return SQL_SUCCESS;
}

SQLRETURN procedure_columns(Stmt& stmt) {
    start_result(
        stmt,
        {"PROCEDURE_CAT", "PROCEDURE_SCHEM", "PROCEDURE_NAME", "COLUMN_NAME", "COLUMN_TYPE", "DATA_TYPE", "TYPE_NAME",
         "COLUMN_SIZE", "BUFFER_LENGTH", "DECIMAL_DIGITS", "NUM_PREC_RADIX", "NULLABLE", "REMARKS", "COLUMN_DEF",
         "SQL_DATA_TYPE", "SQL_DATETIME_SUB", "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE"},
        {4, 5, 9, 10, 11, 14, 15}, {7, 8, 16, 17});
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
