#include "server_store.h"

#include <cstdint>
#include <functional>
#include <set>

#include "db/database.h"
#include "inventory.h"

namespace detalehran::dbtool {

namespace {

// Text sorts and compares as people expect in every alphabet (the cluster's
// own C.UTF-8 would put "Ёлка" before "а").
#define DTLH_TEXT " text COLLATE \"und-x-icu\""

std::string item_columns(const char* id_declaration) {
    return "\"Название\"" DTLH_TEXT ", \"Описание\"" DTLH_TEXT ", \"Расположение\"" DTLH_TEXT
           ", \"Количество\" integer, \"Цена расходная\" numeric(19,4), \"Цена приходная\" numeric(19,4), "
           "\"Поставщик\"" DTLH_TEXT ", \"Путь\"" DTLH_TEXT ", \"Тип корпуса\"" DTLH_TEXT ", \"ID\" " +
           std::string(id_declaration) + ", \"Datasheet\"" DTLH_TEXT;
}

std::string temp_table(const std::string& role) {
    return "CREATE TABLE " + server_identifier(role) + ".\"Temp\" (" + item_columns("integer PRIMARY KEY") + ")";
}

// Parts go in a few hundred rows to a statement: one round trip each.
constexpr std::size_t kRowsPerInsert = 500;

std::string price(std::int64_t kopecks) {
    const bool negative = kopecks < 0;
    const std::uint64_t n = negative ? 0 - static_cast<std::uint64_t>(kopecks) : static_cast<std::uint64_t>(kopecks);
    const std::string cents = std::to_string(n % 100);
    return (negative ? "-" : "") + std::to_string(n / 100) + "." + (cents.size() < 2 ? "0" : "") + cents;
}

// A standard string literal: quotes doubled, backslashes as they are.
std::string literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string text_or_null(const std::string& text) { return text.empty() ? "NULL" : literal(text); }

std::string row_values(const Part& p) {
    return "(" + text_or_null(p.name) + "," + text_or_null(p.description) + "," + text_or_null(p.place) + "," +
           std::to_string(p.quantity) + "," + price(p.selling_kopecks) + "," + price(p.purchase_kopecks) + "," +
           text_or_null(p.supplier) + "," + text_or_null(p.section) + "," + text_or_null(p.package) + "," +
           text_or_null(p.datasheet) + ")";
}

class ServerFiller {
public:
    explicit ServerFiller(db::Database& database) : database_(database) {}

    bool add(const Part& part) {
        if (!part.package.empty()) packages_.insert(part.package);
        rows_ += (rows_.empty() ? "" : ",") + row_values(part);
        ++parts_;
        return ++pending_ < kRowsPerInsert || flush();
    }

    bool finish() {
        if (!flush()) return false;
        for (const std::string& package : packages_) {
            const std::string insert =
                "INSERT INTO \"Package\" VALUES (" + literal(package) + ") ON CONFLICT DO NOTHING";
            if (!database_.db_update(insert)) return false;
        }
        return true;
    }

    std::size_t parts() const { return parts_; }
    std::size_t packages() const { return packages_.size(); }

private:
    bool flush() {
        if (pending_ == 0) return true;
        const bool ok = database_.db_update(
            "INSERT INTO \"Store\" (\"Название\",\"Описание\",\"Расположение\",\"Количество\",\"Цена расходная\","
            "\"Цена приходная\",\"Поставщик\",\"Путь\",\"Тип корпуса\",\"Datasheet\") VALUES " +
            rows_);
        rows_.clear();
        pending_ = 0;
        return ok;
    }

    db::Database& database_;
    std::string rows_;
    std::size_t pending_ = 0;
    std::size_t parts_ = 0;
    std::set<std::string> packages_;
};

bool connect(db::Database& database, const std::string& dsn, std::string* error) {
    if (database.init_environment() && database.connect_data_source(dsn)) {
        if (database.dialect() == db::Dialect::postgres) return true;
        *error = "data source " + dsn + " is not a PostgreSQL server";
        return false;
    }
    *error = "cannot connect to data source " + dsn + ": " + database.last_diagnostic().text;
    return false;
}

std::string current_role(db::Database& database) {
    std::string role;
    if (database.db_query("SELECT current_user")) {
        if (database.db_next_row()) role = database.db_text(0);
        database.db_finish();
    }
    return role;
}

// Runs the statements in one transaction; on failure the first reason.
bool run_all(db::Database& database, const std::vector<std::string>& statements, const std::function<bool()>& more,
             std::string* error) {
    if (!database.begin_transaction()) {
        *error = database.last_diagnostic().text;
        return false;
    }
    bool ok = true;
    for (const std::string& statement : statements) {
        if (!(ok = database.db_update(statement))) break;
    }
    if (ok && more) ok = more();
    if (!ok) *error = database.last_diagnostic().text;
    if (!database.end_transaction(ok) && ok) {
        *error = database.last_diagnostic().text;
        ok = false;
    }
    return ok;
}

}  // namespace

std::string server_identifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::vector<std::string> server_schema_statements(const std::string& own_role) {
    return {
        "CREATE TABLE public.\"Store\" (" + item_columns("integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY") + ")",
        // A package type is one whatever its case, as on a file; a hash keeps
        // types of any length unique, where a b-tree refuses long ones.
        "CREATE TABLE public.\"Package\" (\"Тип корпуса\"" DTLH_TEXT
        " NOT NULL, CONSTRAINT \"Package_Тип корпуса\" EXCLUDE USING hash (lower(\"Тип корпуса\") WITH =))",
        "CREATE SCHEMA IF NOT EXISTS " + server_identifier(own_role) + " AUTHORIZATION " + server_identifier(own_role),
        temp_table(own_role),
    };
}

#undef DTLH_TEXT

std::vector<std::string> server_index_statements() {
    // A name, section or place is found by a part of it, case aside (ILIKE):
    // trigram indexes spare the server reading every row for that.
    std::vector<std::string> out;
    for (const char* column : {"Название", "Путь", "Расположение"}) {
        out.push_back(std::string("CREATE INDEX \"Store_") + column + "\" ON public.\"Store\" USING gin (\"" + column +
                      "\" public.gin_trgm_ops)");
    }
    return out;
}

std::vector<std::string> server_user_statements(const std::string& role) {
    const std::string r = server_identifier(role);
    return {
        "CREATE SCHEMA IF NOT EXISTS " + r + " AUTHORIZATION " + r,
        temp_table(role),
        "ALTER TABLE " + r + ".\"Temp\" OWNER TO " + r,
        "GRANT USAGE ON SCHEMA public TO " + r,
        "GRANT SELECT, INSERT, UPDATE, DELETE ON public.\"Store\", public.\"Package\" TO " + r,
    };
}

bool create_server_database(const ServerRequest& request, CreateReport* report, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    db::Database database;
    if (!connect(database, request.dsn, error)) return false;
    const std::string role = current_role(database);
    if (role.empty()) {
        *error = "cannot read the role of data source " + request.dsn;
        return false;
    }
    // The trigram extension ships with the server; a server without it, or
    // a role that may not add it, still gets a working inventory.
    const std::vector<std::string> indexes =
        database.db_update("CREATE EXTENSION IF NOT EXISTS pg_trgm SCHEMA public") ? server_index_statements()
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
        if (!filler.finish()) return false;
        // Built once the rows are in: one pass instead of one per row.
        for (const std::string& index : indexes) {
            if (!database.db_update(index)) return false;
        }
        return true;
    };
    if (!run_all(database, server_schema_statements(role), fill, error)) {
        *error = "cannot create the inventory on " + request.dsn + ": " + *error;
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

bool add_server_user(const std::string& dsn, const std::string& role, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    db::Database database;
    if (!connect(database, dsn, error)) return false;
    if (!run_all(database, server_user_statements(role), nullptr, error)) {
        *error = "cannot add user " + role + " on " + dsn + ": " + *error;
        return false;
    }
    return true;
}

}  // namespace detalehran::dbtool
