#pragma once
// What the catalog functions share: results built row by row, ODBC search
// patterns and the tables of the file.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "handles.h"

namespace detalehran::odbc::catalog {

inline Cell text(std::string s) { return Cell{false, std::move(s)}; }
inline Cell number(long long v) { return Cell{false, std::to_string(v)}; }
inline Cell null() { return Cell{}; }

// Starts a built result with the given column names: text unless listed as
// small numbers (SMALLINT) or integers.
void start_result(Stmt& stmt, std::initializer_list<const char*> names, std::initializer_list<int> small,
                  std::initializer_list<int> integers = {});

// ODBC search patterns: "%" and "_" with "\" as escape; empty matches all.
bool pattern_matches(std::string_view pattern, std::string_view name);

struct Table {
    std::string name;
    std::string type;  // TABLE or VIEW
};
std::vector<Table> user_tables(sqlite3* db);
// The table a catalog function names exactly, letter case ignored; empty
// when there is none.
std::string table_named(sqlite3* db, std::string_view name);

// The user every client works as, for privileges (SQL_USER_NAME).
inline constexpr const char* kUser = "admin";

}  // namespace detalehran::odbc::catalog
