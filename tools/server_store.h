#pragma once
// Setting up an inventory on a PostgreSQL server, reached through a
// configured ODBC data source: the shared tables Store and Package, and
// each user's own Temp in a schema named after the user's role, which the
// server's default search path ("$user", public) finds first.

#include <cstddef>
#include <string>
#include <vector>

#include "store_writer.h"

namespace detalehran::dbtool {

struct ServerRequest {
    std::string dsn;
    Content content = Content::empty;
    std::size_t part_count = 0;  // for Content::generated
};

// The statements that make the shared tables, and the calling role's Temp.
std::vector<std::string> server_schema_statements(const std::string& own_role);
// The indexes that let the server find items by a part of a text; they
// need the pg_trgm extension.
std::vector<std::string> server_index_statements();
// The statements that give an existing role its schema with Temp and the
// rights on the shared tables.
std::vector<std::string> server_user_statements(const std::string& role);
// A name in double quotes, inner double quotes doubled.
std::string server_identifier(const std::string& name);

// Creates the tables (and the parts asked for) in one transaction: on
// failure nothing is left behind and *error says why.
bool create_server_database(const ServerRequest& request, CreateReport* report, std::string* error);
bool add_server_user(const std::string& dsn, const std::string& role, std::string* error);

}  // namespace detalehran::dbtool
