// What a new connection to a team's server sets up and asks: the string
// rule the statements are written for, the application name the server's
// administrator sees, what the role may do, and the mark of a running
// program.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "db/database.h"
#include "db/team_statements.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"

namespace detalehran::db {

namespace {

// The desktop's user, as the system names the one running the program.
std::string desktop_user() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "";
}

std::string literal(std::string_view table) { return "'" + schema::public_table(table) + "'"; }

// "the role has every one of these rights on the table", false when the
// table is not there (a store made by an older version).
std::string may(std::string_view table, std::initializer_list<const char*> rights) {
    std::string all;
    for (const char* right : rights) {
        all += std::string(all.empty() ? "" : " AND ") + "has_table_privilege(" + literal(table) + ", '" + right + "')";
    }
    return "CASE WHEN to_regclass(" + literal(table) + ") IS NULL THEN false ELSE " + all + " END";
}

std::string rights_query() {
    using namespace schema;
    return "SELECT CURRENT_USER, " + may(kStoreTable, {"INSERT", "UPDATE", "DELETE"}) + ", " +
           may(kParkedTable, {"INSERT", "DELETE"}) + ", " + may(kNodeTable, {"INSERT", "UPDATE", "DELETE"}) + " AND " +
           may(kTreeVersionTable, {"UPDATE"}) + ", " + may(kSettingTable, {"INSERT", "UPDATE"}) + ", " +
           may(kNodeTable, {"SELECT"}) + " AND " + may(kTreeVersionTable, {"SELECT"}) + ", to_regclass(" +
           literal(kStoreTable) + ") IS NOT NULL AND to_regclass(" + literal(kNodeTable) + ") IS NULL";
}

// True when taken; false while another program of the role holds it.
std::string take_program_mark() {
    return std::string("SELECT pg_try_advisory_lock((") + kProgramMarkClass +
           "::bigint << 32) | (SELECT oid::bigint FROM pg_roles WHERE rolname = CURRENT_USER))";
}

bool yes(const std::string& value) { return value == "1" || value == "t" || value == "true"; }

}  // namespace

bool Database::set_up_server_session() {
    // The fixed texts of the statements write their few literals as
    // standard strings, in which a backslash stands for itself; a server may
    // still be set to the old rule. A session that cannot be set so is not
    // used.
    if (!db_update(std::string("SET standard_conforming_strings = on"))) return false;
    // Only printable ASCII reaches the server's list of connections intact
    // (PostgreSQL 15 turns every other byte into "?"): the program's name
    // is given in Latin letters.
    if (!application_.empty()) {
        run_query(
            Sql{"SELECT set_config('application_name', ?, false)", {text_value(application_ + " " + desktop_user())}});
    }
    learn_rights();
    if (program_mark_ && shares_trees_ && run_query(Sql{take_program_mark(), {}})) {
        holds_mark_ = db_next_row() && yes(db_text(0));
    }
    // Nothing asked here stands in the way of working: the rights keep what
    // they are by default when the server would not say.
    forget();
    return true;
}

void Database::learn_rights() {
    rights_ = {};
    if (!run_query(Sql{rights_query(), {}}) || !db_next_row()) return;
    user_ = db_text(0);
    rights_.change_items = yes(db_text(1));
    rights_.move_items = yes(db_text(2));
    rights_.change_trees = yes(db_text(3));
    rights_.change_settings = yes(db_text(4));
    shares_trees_ = yes(db_text(5));
    outdated_ = yes(db_text(6));
    if (!shares_trees_) {
        // The trees are then each desktop's own: changing one changes only
        // the items' paths.
        rights_.change_trees = rights_.change_items;
        rights_.change_settings = true;
    }
}

}  // namespace detalehran::db
