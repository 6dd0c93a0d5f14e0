// The roles of a team's store that leave it, and the items cuts left
// parked: an administrator's side of the shared Temp.

#include <optional>

#include "db/failure_text.h"
#include "db/team_statements.h"
#include "schema/history_tables.h"
#include "schema/project_tables.h"
#include "schema/server_tables.h"
#include "server_store.h"

namespace detalehran::dbtool {

namespace {

bool yes(const std::string& value) { return value == "1" || value == "t" || value == "true"; }

std::string reason(db::Database& database) { return db::failure_text(database.last_diagnostic()); }

std::optional<bool> ask(db::Database& database, const db::Statement& query) {
    if (!database.db_query(query)) return std::nullopt;
    std::optional<bool> answer;
    if (database.db_next_row()) answer = yes(database.db_text(0));
    database.db_finish();
    return answer;
}

bool read_parked(db::Database& database, std::vector<ParkedPart>& parts) {
    if (!database.db_query(db::kSelectEveryParked)) return false;
    while (database.db_next_row()) {
        ParkedPart& part = parts.emplace_back();
        part.role = database.db_text(0);
        part.id = database.db_text(1);
        part.name = database.db_text(2);
        part.section = database.db_text(3);
        part.place = database.db_text(4);
    }
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

std::vector<ParkedPart> of_role(const std::vector<ParkedPart>& parts, const std::string& role) {
    std::vector<ParkedPart> out;
    for (const ParkedPart& part : parts) {
        if (part.role == role) out.push_back(part);
    }
    return out;
}

// Holds the role's mark while its parked items go back, so that no program
// of the role starts pasting them meanwhile; false, said why, while one is
// connected.
bool take_mark(db::Database& database, const std::string& role, std::string* error) {
    const std::optional<bool> taken = ask(database, db::take_program_mark_of(role));
    if (!taken) {
        *error = reason(database);
        return false;
    }
    if (!*taken) {
        *error = "программа роли " + role +
                 " сейчас работает со складом: закройте её (вырезанное она вернёт сама) и повторите";
        return false;
    }
    return true;
}

// Returns the role's parked items in one transaction; the lists say which
// came back and which stayed (their ID is taken in Store meanwhile).
bool give_back(db::Database& database, const std::string& role, const std::vector<std::string>& then,
               std::vector<ParkedPart>* returned, std::vector<ParkedPart>* kept, std::string* error) {
    std::vector<ParkedPart> before;
    if (!read_parked(database, before) || !database.begin_transaction()) {
        *error = reason(database);
        return false;
    }
    bool ok =
        (database.db_update(db::return_parked_of(role)) || database.last_diagnostic().sqlstate == db::kNoRowMatched) &&
        (database.db_update(db::drop_returned_parked_of(role)) ||
         database.last_diagnostic().sqlstate == db::kNoRowMatched);
    for (std::size_t k = 0; ok && k < then.size(); ++k) ok = database.db_update(then[k]);
    if (!ok) *error = reason(database);
    if (!database.end_transaction(ok)) {
        if (ok) *error = reason(database);
        return false;
    }
    std::vector<ParkedPart> after;
    if (!read_parked(database, after)) {
        *error = reason(database);
        return false;
    }
    const std::vector<ParkedPart> still = of_role(after, role);
    for (const ParkedPart& part : of_role(before, role)) {
        bool stayed = false;
        for (const ParkedPart& left : still) stayed = stayed || left.id == part.id;
        if (stayed && kept != nullptr) kept->push_back(part);
        if (!stayed && returned != nullptr) returned->push_back(part);
    }
    return true;
}

// The role's rights on the store, the history's and the projects' included
// when the store keeps them.
std::optional<std::vector<std::string>> revokes_of(db::Database& database, const std::string& role) {
    std::vector<std::string> out = schema::postgres_revokes(role);
    for (const std::string_view table :
         {schema::kOperationTable, schema::kHistoryTable, schema::kProjectTable, schema::kProjectLineTable}) {
        const std::optional<bool> exists = ask(database, db::select_table_exists(table));
        if (!exists) return std::nullopt;
        if (*exists) out.push_back("REVOKE ALL ON " + schema::public_table(table) + " FROM " +
                                   schema::quoted(schema::Quote::double_quotes, role));
    }
    return out;
}

}  // namespace

bool list_parked(const std::string& dsn, ParkedList* list, std::string* error) {
    db::Database database;
    if (!connect_server(database, dsn, error)) return false;
    if (!read_parked(database, list->parts)) {
        *error = reason(database);
        return false;
    }
    for (const ParkedPart& part : list->parts) {
        if (!list->running_roles.empty() && list->running_roles.back() == part.role) continue;
        const std::optional<bool> running = ask(database, db::select_program_running(part.role));
        if (running.value_or(false)) list->running_roles.push_back(part.role);
    }
    return true;
}

bool return_parked(const std::string& dsn, const std::string& role, std::vector<ParkedPart>* returned,
                   std::vector<ParkedPart>* kept, std::string* error) {
    db::Database database;
    if (!connect_server(database, dsn, error) || !take_mark(database, role, error)) return false;
    const bool ok = give_back(database, role, {}, returned, kept, error);
    ask(database, db::release_program_mark_of(role));
    return ok;
}

bool remove_server_user(const std::string& dsn, const std::string& role, std::vector<ParkedPart>* returned,
                        std::vector<ParkedPart>* kept, std::string* error) {
    db::Database database;
    if (!connect_server(database, dsn, error)) return false;
    if (role == database.user_name()) {
        *error = "роль " + role + " — владелец склада на " + dsn + ": её права не отнимаются";
        return false;
    }
    const auto revokes = revokes_of(database, role);
    if (!revokes) {
        *error = reason(database);
        return false;
    }
    if (!take_mark(database, role, error)) return false;
    const bool ok = give_back(database, role, *revokes, returned, kept, error);
    ask(database, db::release_program_mark_of(role));
    if (!ok) *error = "роль " + role + " не удалена со склада " + dsn + ": " + *error;
    return ok;
}

}  // namespace detalehran::dbtool
