#include "server_store.h"

#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "db/database.h"
#include "db/failure_text.h"
#include "db/statements.h"
#include "db/team_statements.h"
#include "inventory.h"
#include "schema/history_tables.h"
#include "schema/project_tables.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"
#include "trees/shared_trees.h"

namespace detalehran::dbtool {

namespace {

// Parts go in a few hundred rows to a statement: one round trip each.
constexpr std::size_t kRowsPerInsert = 500;

// "INSERT INTO "Store" (…) VALUES (?,…),(?,…),…" for `rows` parts.
std::string insert_rows(std::size_t rows) {
    std::string one = "(";
    for (std::size_t k = 0; k < schema::insert_column_count(schema::WithId::no); ++k) one += k == 0 ? "?" : ",?";
    one += ")";
    std::string text = "INSERT INTO " + schema::quoted(schema::Quote::double_quotes, schema::kStoreTable) + " (" +
                       schema::insert_column_list(schema::Quote::double_quotes, schema::WithId::no) + ") VALUES ";
    for (std::size_t r = 0; r < rows; ++r) text += (r == 0 ? "" : ",") + one;
    return text;
}

class ServerFiller {
public:
    explicit ServerFiller(db::Database& database) : database_(database) {}

    bool add(const Part& part) {
        if (!part.package.empty()) packages_.insert(part.package);
        sections_.insert(part.section);
        places_.insert(part.place);
        db::ItemValues& v = pending_.emplace_back();
        v.name = part.name;
        v.description = part.description;
        v.place = part.place;
        v.quantity = std::to_string(part.quantity);
        v.price = part.selling_price.decimal_text();
        v.purchase_price = part.purchase_price.decimal_text();
        v.supplier = part.supplier;
        v.section_path = part.section;
        v.package = part.package;
        v.datasheet = part.datasheet;
        ++parts_;
        return pending_.size() < kRowsPerInsert || flush();
    }

    bool finish() {
        if (!flush()) return false;
        for (const std::string& package : packages_) {
            if (!database_.db_update(db::insert_package(package))) return false;
        }
        return true;
    }

    std::size_t parts() const { return parts_; }
    std::size_t packages() const { return packages_.size(); }
    // The trees get a node for every path the parts name.
    bool add_tree_nodes() {
        const auto list = [](const std::set<std::string>& paths) {
            QStringList out;
            for (const std::string& path : paths) out << QString::fromStdString(path);
            return out;
        };
        return trees::add_shared_paths(database_, schema::TreeKind::sections, list(sections_)) >= 0 &&
               trees::add_shared_paths(database_, schema::TreeKind::places, list(places_)) >= 0;
    }

private:
    bool flush() {
        if (pending_.empty()) return true;
        // One statement prepared for a whole batch, and one for the rest.
        if (prepared_rows_ != pending_.size()) {
            std::vector<db::Value::Type> types;
            for (std::size_t r = 0; r < pending_.size(); ++r) {
                for (db::Value::Type t : db::insert_marker_types()) types.push_back(t);
            }
            if (!database_.prepare_update(insert_rows(pending_.size()), std::move(types))) return false;
            prepared_rows_ = pending_.size();
        }
        std::vector<std::string_view> values;
        for (const db::ItemValues& v : pending_) {
            for (std::string_view value : db::insert_marker_values(v)) values.push_back(value);
        }
        // An empty text is stored as NULL, as in a file made by the tool.
        const auto nulls = std::make_unique<bool[]>(values.size());
        for (std::size_t k = 0; k < values.size(); ++k) nulls[k] = values[k].empty();
        const bool ok = database_.execute_prepared(values, std::span<const bool>(nulls.get(), values.size()));
        pending_.clear();
        return ok;
    }

    db::Database& database_;
    std::vector<db::ItemValues> pending_;
    std::size_t prepared_rows_ = 0;
    std::size_t parts_ = 0;
    std::set<std::string> packages_;
    std::set<std::string> sections_;
    std::set<std::string> places_;
};

// Runs the statements in one transaction, then `more`; on failure the first
// reason.
bool run_all(db::Database& database, const std::vector<std::string>& statements, const std::function<bool()>& more,
             std::string* error) {
    if (!database.begin_transaction()) {
        *error = db::failure_text(database.last_diagnostic());
        return false;
    }
    bool ok = true;
    for (const std::string& statement : statements) {
        if (!(ok = database.db_update(statement))) break;
    }
    if (ok && more) ok = more();
    if (!ok) *error = db::failure_text(database.last_diagnostic());
    if (!database.end_transaction(ok) && ok) {
        *error = db::failure_text(database.last_diagnostic());
        ok = false;
    }
    return ok;
}

bool yes(const std::string& value) { return value == "1" || value == "t" || value == "true"; }

// The first column of every row, or nothing when the query failed.
std::optional<std::vector<std::string>> column(db::Database& database, const db::Statement& query, int index = 0) {
    if (!database.db_query(query)) return std::nullopt;
    std::vector<std::string> out;
    while (database.db_next_row()) out.push_back(database.db_text(index));
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    if (!complete) return std::nullopt;
    return out;
}

bool table_exists(db::Database& database, std::string_view table) {
    const auto found = column(database, db::select_table_exists(table));
    return found && !found->empty() && yes(found->front());
}

std::string reason(db::Database& database) { return db::failure_text(database.last_diagnostic()); }

// Every role other than the owner with a right on Store, and whether it
// may change items.
std::optional<std::vector<std::pair<std::string, bool>>> store_users(db::Database& database) {
    if (!database.db_query(db::kSelectStoreUsers)) return std::nullopt;
    std::vector<std::pair<std::string, bool>> users;
    while (database.db_next_row()) users.emplace_back(database.db_text(0), yes(database.db_text(1)));
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    if (!complete) return std::nullopt;
    return users;
}

// The roles that used a store made before the team's tables get the same
// rights on them: a member where it may change items, else a reader.
bool grant_old_users(db::Database& database, std::vector<std::string>& said) {
    const auto users = store_users(database);
    if (!users) return false;
    for (const auto& [role, member] : *users) {
        for (const std::string& grant :
             schema::postgres_grants(role, member ? schema::Access::member : schema::Access::reader)) {
            if (!database.db_update(grant)) return false;
        }
        said.push_back("права на новые таблицы получила роль " + role + (member ? "" : " (только чтение)"));
    }
    return true;
}

bool has_history_tables(db::Database& database) {
    return table_exists(database, schema::kOperationTable) && table_exists(database, schema::kHistoryTable);
}

// The history's tables and triggers, and every role that uses the store
// reads it.
bool add_history(db::Database& database, std::vector<std::string>* said) {
    for (const std::string& statement : schema::postgres_history_statements()) {
        if (!database.db_update(statement)) return false;
    }
    const auto users = store_users(database);
    if (!users) return false;
    for (const auto& [role, member] : *users) {
        for (const std::string& grant : schema::postgres_history_grants(role)) {
            if (!database.db_update(grant)) return false;
        }
    }
    if (said != nullptr) said->push_back("добавлена история изменений (таблицы History и HistoryOperations)");
    return true;
}

bool has_project_tables(db::Database& database) {
    return table_exists(database, schema::kProjectTable) && table_exists(database, schema::kProjectLineTable);
}

// The projects' tables, and every role that uses the store reads them, a
// member writes them too. Projects are no change of the stock: no history.
bool add_projects(db::Database& database, std::vector<std::string>* said) {
    for (const std::string& statement : schema::postgres_project_statements()) {
        if (!database.db_update(statement)) return false;
    }
    const auto users = store_users(database);
    if (!users) return false;
    for (const auto& [role, member] : *users) {
        for (const std::string& grant : schema::postgres_project_grants(role, member)) {
            if (!database.db_update(grant)) return false;
        }
    }
    if (said != nullptr) said->push_back("добавлены проекты спецификаций (таблицы Project и ProjectLine)");
    return true;
}

std::vector<std::string> creating_statements() {
    std::vector<std::string> out{schema::postgres_store_table(), schema::postgres_package_table()};
    for (const schema::ServerTable& table : schema::postgres_team_tables()) {
        out.insert(out.end(), table.create.begin(), table.create.end());
    }
    for (std::string& statement : schema::postgres_project_statements()) out.push_back(std::move(statement));
    return out;
}

bool create_new(db::Database& database, const ServerRequest& request, CreateReport* report, std::string* error) {
    // The trigram extension ships with the server; a server without it, or
    // a role that may not add it, still gets a working inventory.
    const std::vector<std::string> indexes = database.db_update("CREATE EXTENSION IF NOT EXISTS pg_trgm SCHEMA public")
                                                 ? schema::postgres_part_indexes()
                                                 : std::vector<std::string>{};
    ServerFiller filler(database);
    auto fill = [&]() {
        if (request.content == Content::demo) {
            for (const Part& part : make_demo_inventory().parts) {
                if (!filler.add(part)) return false;
            }
        } else if (request.content == Content::generated) {
            BulkGenerator generator;
            Part part;
            for (std::size_t k = 0; k < request.part_count; ++k) {
                generator.next(&part);
                if (!filler.add(part)) return false;
            }
        }
        if (!filler.finish() || !filler.add_tree_nodes()) return false;
        // Built once the rows are in: one pass instead of one per row.
        for (const std::string& index : indexes) {
            if (!database.db_update(index)) return false;
        }
        // Recording starts after the fill: a new store's first parts are no
        // change anyone would take back.
        return add_history(database, nullptr);
    };
    if (!run_all(database, creating_statements(), fill, error)) {
        *error = "склад на " + request.dsn + " не создан: " + *error;
        return false;
    }
    if (report) {
        *report = CreateReport{};
        report->store_path = request.dsn;
        report->parts = filler.parts();
        report->packages = filler.packages();
    }
    return true;
}

// Each role's old Temp (in its own schema) goes into the shared one. A
// table the owner may not read is left, and said so: its owner or a
// superuser brings it over by running the same command.
bool move_old_parked_tables(db::Database& database, std::vector<std::string>& said) {
    const auto schemas = column(database, db::kSelectOldParkedTables);
    if (!schemas) return false;
    for (const std::string& role : *schemas) {
        if (!database.db_update(std::string("SAVEPOINT old_temp"))) return false;
        const bool moved = (database.db_update(db::move_old_parked(role)) ||
                            database.last_diagnostic().sqlstate == db::kNoRowMatched) &&
                           (database.db_update(db::empty_old_parked(role)) ||
                            database.last_diagnostic().sqlstate == db::kNoRowMatched);
        if (moved) {
            said.push_back("вырезанные детали роли " + role + " перенесены в общую таблицу Temp");
            if (!database.db_update(std::string("RELEASE SAVEPOINT old_temp"))) return false;
            continue;
        }
        said.push_back("таблицу Temp в схеме " + role + " прочитать нельзя (" +
                       db::failure_text(database.last_diagnostic()) +
                       "); повторите команду от имени её владельца или суперпользователя");
        if (!database.db_update(std::string("ROLLBACK TO SAVEPOINT old_temp"))) return false;
    }
    return true;
}

// Adds what a store made by an older version lacks, in one transaction.
bool upgrade(db::Database& database, const ServerRequest& request, std::vector<std::string>& said, std::string* error) {
    std::vector<std::string> statements;
    for (const schema::ServerTable& table : schema::postgres_team_tables()) {
        if (table_exists(database, table.name)) continue;
        statements.insert(statements.end(), table.create.begin(), table.create.end());
        said.push_back("добавлена таблица " + std::string(table.name));
    }
    const bool history = !has_history_tables(database);
    const bool projects = !has_project_tables(database);
    if (statements.empty() && !history && !projects) return true;
    auto complete = [&]() {
        if (!statements.empty()) {
            for (const schema::TreeKind tree : {schema::TreeKind::sections, schema::TreeKind::places}) {
                const auto paths = column(database, db::select_distinct_paths(trees::path_column(tree)));
                if (!paths) return false;
                QStringList values;
                for (const std::string& path : *paths) values << QString::fromStdString(path);
                const int added = trees::add_shared_paths(database, tree, values);
                if (added < 0) return false;
                said.push_back((tree == schema::TreeKind::sections ? "разделов по путям деталей: "
                                                                   : "мест хранения по путям деталей: ") +
                               std::to_string(added));
            }
            if (!grant_old_users(database, said) || !move_old_parked_tables(database, said)) return false;
        }
        if (projects && !add_projects(database, &said)) return false;
        // Last, so that the trees and parked items brought over are not
        // recorded as changes.
        return !history || add_history(database, &said);
    };
    if (!run_all(database, statements, complete, error)) {
        *error = "склад на " + request.dsn + " не обновлён: " + *error;
        said.clear();
        return false;
    }
    return true;
}

}  // namespace

bool connect_server(db::Database& database, const std::string& dsn, std::string* error) {
    if (database.init_environment() && database.connect_data_source(dsn)) {
        if (database.dialect() == db::Dialect::postgres) return true;
        *error = "источник данных " + dsn + " — не сервер PostgreSQL";
        return false;
    }
    *error =
        "нет соединения с источником данных " + dsn + ": " + db::connection_failure_text(database.last_diagnostic());
    return false;
}

bool create_server_database(const ServerRequest& request, CreateReport* report, std::string* error,
                            ServerCreation* creation) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    ServerCreation ignored;
    if (creation == nullptr) creation = &ignored;
    *creation = {};
    db::Database database;
    if (!connect_server(database, request.dsn, error)) return false;
    if (!table_exists(database, schema::kStoreTable)) return create_new(database, request, report, error);
    creation->existed = true;
    if (request.content != Content::empty) {
        *error = "на " + request.dsn + " склад уже есть: --demo и --parts заполняют только новый";
        return false;
    }
    if (report) {
        *report = CreateReport{};
        report->store_path = request.dsn;
    }
    return upgrade(database, request, creation->upgraded, error);
}

bool add_server_user(const std::string& dsn, const std::string& role, schema::Access access, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    db::Database database;
    if (!connect_server(database, dsn, error)) return false;
    if (role == database.user_name()) {
        *error = "роль " + role + " — владелец склада на " + dsn + ": все права у неё уже есть";
        return false;
    }
    const auto exists = column(database, db::select_role_exists(role));
    if (!exists || exists->empty() || !yes(exists->front())) {
        *error = exists ? "на сервере нет роли " + role + ": её создаёт администратор сервера (createuser " + role + ")"
                        : reason(database);
        return false;
    }
    for (const std::string_view table : schema::granted_tables()) {
        if (table_exists(database, table)) continue;
        *error = table == schema::kStoreTable
                     ? "на " + dsn + " нет склада: сначала выполните detalehran-db create --dsn " + dsn
                     : "склад на " + dsn +
                           " создан прежней версией: обновите его командой detalehran-db create --dsn " + dsn;
        return false;
    }
    // A reader that was a member loses the rights to change first.
    std::vector<std::string> statements = schema::postgres_revokes(role);
    for (std::string& grant : schema::postgres_grants(role, access)) statements.push_back(std::move(grant));
    // A store whose history was dropped by hand still takes new roles.
    if (has_history_tables(database)) {
        for (std::string& grant : schema::postgres_history_grants(role)) statements.push_back(std::move(grant));
    }
    if (has_project_tables(database)) {
        for (std::string& grant : schema::postgres_project_grants(role, access == schema::Access::member))
            statements.push_back(std::move(grant));
    }
    if (!run_all(database, statements, nullptr, error)) {
        *error = "роль " + role + " не добавлена на " + dsn + ": " + *error;
        return false;
    }
    return true;
}

}  // namespace detalehran::dbtool
