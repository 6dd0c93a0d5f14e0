#pragma once
// An inventory on a PostgreSQL server, reached through a configured ODBC
// data source of the role that owns it: the shared tables (schema/
// store_columns.h, schema/server_tables.h), bringing a store made by an
// older version up to date, the roles that work with it, and the items
// their cuts left parked.

#include <cstddef>
#include <string>
#include <vector>

#include "db/database.h"
#include "schema/server_tables.h"
#include "store_writer.h"

namespace detalehran::dbtool {

struct ServerRequest {
    std::string dsn;
    Content content = Content::empty;
    std::size_t part_count = 0;  // for Content::generated
};

// Connects to a server's data source; false, with a one-line reason in
// *error, when it cannot be reached or is no PostgreSQL server.
bool connect_server(db::Database& database, const std::string& dsn, std::string* error);

// Creates the store with the trees of its parts (and the parts asked for)
// in one transaction: on failure nothing is left behind and *error says
// why. On a server that has a store already, made by an older version, it
// adds what that store lacks instead (the shared tables, the trees of its
// stored paths, the rights of the roles that used it, the items they left
// parked) and says so in *creation; a store that lacks nothing is left as
// it is.
struct ServerCreation {
    bool existed = false;               // the store was there: brought up to date
    std::vector<std::string> upgraded;  // what was added to it, one line each
};
bool create_server_database(const ServerRequest& request, CreateReport* report, std::string* error,
                            ServerCreation* creation = nullptr);

// Gives an existing role the rights of a member or a reader; running it
// again changes nothing (or turns a member into a reader and back).
bool add_server_user(const std::string& dsn, const std::string& role, schema::Access access, std::string* error);

// An item a role cut and has not pasted.
struct ParkedPart {
    std::string role, id, name, section, place;
};

// Takes the role's rights on the store, after its parked items went back
// (those whose ID is free in Store; the others stay, listed in *kept).
// Refused while a program of the role is connected.
bool remove_server_user(const std::string& dsn, const std::string& role, std::vector<ParkedPart>* returned,
                        std::vector<ParkedPart>* kept, std::string* error);

// Every parked item, with whether its role's program is connected now.
struct ParkedList {
    std::vector<ParkedPart> parts;
    std::vector<std::string> running_roles;
};
bool list_parked(const std::string& dsn, ParkedList* list, std::string* error);
// The role's parked items back into Store; refused while a program of the
// role is connected (it would still paste them).
bool return_parked(const std::string& dsn, const std::string& role, std::vector<ParkedPart>* returned,
                   std::vector<ParkedPart>* kept, std::string* error);

}  // namespace detalehran::dbtool
