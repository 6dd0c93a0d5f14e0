#include "db/projects.h"

#include <charconv>
#include <ctime>

#include "db/statement_builder.h"
#include "schema/project_tables.h"

namespace detalehran::db {

namespace {

using schema::kProjectLineTable;
using schema::kProjectTable;

Build& table(Build& b, std::string_view name) { return b.jet() ? b.name(name) : b.shared(name); }

Build& column(Build& b, std::string_view table_name, std::string_view column_name) {
    table(b, table_name) << ".";
    return b.name(column_name);
}

// A name compared as the store compares names: the file's collation folds
// every alphabet, a server folds with lower().
Build& name_is(Build& b, const std::string& name) {
    if (b.jet()) {
        b.name("Name") << " = ";
        return b.bind_text(name);
    }
    b << "lower(";
    b.name("Name") << ") = lower(";
    return b.bind_text(name) << ")";
}

std::string utc_now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[20];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

long long number(const std::string& text) {
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

Statement select_projects(const std::string* id) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        for (const std::string_view c : {"ID", "Name", "Boards", "Source", "Changed"})
            column(b, kProjectTable, c) << ", ";
        b << "(SELECT count(*) FROM ";
        table(b, kProjectLineTable) << " WHERE ";
        column(b, kProjectLineTable, "Project") << " = ";
        column(b, kProjectTable, "ID") << ") FROM ";
        table(b, kProjectTable);
        if (id != nullptr) {
            b << " WHERE ";
            column(b, kProjectTable, "ID") << " = ";
            b.bind_integer(*id);
        }
        b << " ORDER BY ";
        column(b, kProjectTable, "Name");
    });
}

Statement select_lines(const std::string& id) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        bool first = true;
        for (const std::string_view c :
             {"Designators", "Value", "Footprint", "PartNumber", "PerBoard", "ItemID", "NoneChosen"}) {
            if (!first) b << ", ";
            first = false;
            b.name(c);
        }
        b << " FROM ";
        table(b, kProjectLineTable) << " WHERE ";
        b.name("Project") << " = ";
        b.bind_integer(id) << " ORDER BY ";
        b.name("Position");
    });
}

Statement select_id_of(const std::string& name) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        b.name("ID") << " FROM ";
        table(b, kProjectTable) << " WHERE ";
        name_is(b, name);
    });
}

Statement insert_project(const Project& project, const std::string& changed) {
    return in_both([&](Build& b) {
        b << "INSERT INTO ";
        table(b, kProjectTable) << " (";
        b.name("Name") << ", ";
        b.name("Boards") << ", ";
        b.name("Source") << ", ";
        b.name("Changed") << ") VALUES (";
        b.bind_text(project.name) << ", ";
        b.bind_integer(std::to_string(project.boards)) << ", ";
        b.bind_text(project.source) << ", ";
        b.bind_text(changed) << ")";
        if (!b.jet()) {
            b << " RETURNING ";
            b.name("ID");
        }
    });
}

// UPDATE Project SET … WHERE ID = id; `project` null: the name only.
Statement update_project(const std::string& id, const std::string& name, const Project* project,
                         const std::string& changed) {
    return in_both([&](Build& b) {
        b << "UPDATE ";
        table(b, kProjectTable) << " SET ";
        b.name("Name") << " = ";
        b.bind_text(name) << ", ";
        if (project != nullptr) {
            b.name("Boards") << " = ";
            b.bind_integer(std::to_string(project->boards)) << ", ";
            b.name("Source") << " = ";
            b.bind_text(project->source) << ", ";
        }
        b.name("Changed") << " = ";
        b.bind_text(changed) << " WHERE ";
        b.name("ID") << " = ";
        b.bind_integer(id);
    });
}

Statement delete_rows(std::string_view table_name, std::string_view key, const std::string& id) {
    return in_both([&](Build& b) {
        b << (b.jet() ? "DELETE * FROM " : "DELETE FROM ");
        table(b, table_name) << " WHERE ";
        b.name(key) << " = ";
        b.bind_integer(id);
    });
}

Statement insert_line_with_markers() {
    return in_both([&](Build& b) {
        b << "INSERT INTO ";
        table(b, kProjectLineTable) << " (";
        bool first = true;
        for (const std::string_view c : {"Project", "Position", "Designators", "Value", "Footprint", "PartNumber",
                                         "PerBoard", "ItemID", "NoneChosen"}) {
            if (!first) b << ", ";
            first = false;
            b.name(c);
        }
        b << ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
    });
}

bool store_lines(Database& database, const std::string& id, const std::vector<ProjectLine>& lines) {
    if (lines.empty()) return true;
    using T = Value::Type;
    if (!database.prepare_update(insert_line_with_markers(), {T::integer, T::integer, T::text, T::text, T::text,
                                                              T::text, T::integer, T::integer, T::integer})) {
        return false;
    }
    bool ok = true;
    for (std::size_t k = 0; ok && k < lines.size(); ++k) {
        const ProjectLine& line = lines[k];
        const std::string position = std::to_string(k), per_board = std::to_string(line.per_board);
        const std::string_view values[] = {id,         position,       line.designators,
                                           line.value, line.footprint, line.part_number,
                                           per_board,  line.item_id,   line.none_chosen ? "1" : "0"};
        const bool nulls[] = {false, false, false, false, false, false, false, line.item_id.empty(), false};
        ok = database.execute_prepared(values, nulls);
    }
    database.finish_prepared();
    return ok;
}

// Runs `body` in a transaction of its own, or in the caller's.
template <typename Body>
bool in_transaction(Database& database, Body body) {
    if (database.in_transaction()) return body();
    if (!database.begin_transaction()) return false;
    const bool ok = body();
    if (!ok) {
        const Diagnostic why = database.last_diagnostic();
        database.end_transaction(false);
        database.restore_diagnostic(why);
        return false;
    }
    return database.end_transaction(true);
}

bool read_summaries(Database& database, const Statement& query, std::vector<ProjectSummary>& out) {
    if (!database.db_query(query)) return false;
    std::string id, boards, lines;
    while (database.db_next_row()) {
        ProjectSummary& project = out.emplace_back();
        database.db_text(0, id);
        database.db_text(1, project.name);
        database.db_text(2, boards);
        database.db_text(3, project.source);
        database.db_text(4, project.changed);
        database.db_text(5, lines);
        project.id = number(id);
        project.boards = number(boards);
        project.lines = number(lines);
    }
    const bool ok = database.last_diagnostic().empty();
    database.db_finish();
    return ok;
}

}  // namespace

bool list_projects(Database& database, std::vector<ProjectSummary>& out) {
    out.clear();
    return read_summaries(database, select_projects(nullptr), out);
}

std::optional<Project> load_project(Database& database, long long id) {
    const std::string key = std::to_string(id);
    std::vector<ProjectSummary> found;
    if (!read_summaries(database, select_projects(&key), found) || found.empty()) return std::nullopt;
    Project project;
    project.id = found.front().id;
    project.name = found.front().name;
    project.boards = found.front().boards;
    project.source = found.front().source;
    if (!database.db_query(select_lines(key))) return std::nullopt;
    std::string per_board, none;
    while (database.db_next_row()) {
        ProjectLine& line = project.lines.emplace_back();
        database.db_text(0, line.designators);
        database.db_text(1, line.value);
        database.db_text(2, line.footprint);
        database.db_text(3, line.part_number);
        database.db_text(4, per_board);
        database.db_text(5, line.item_id);
        database.db_text(6, none);
        line.per_board = number(per_board);
        line.none_chosen = number(none) != 0;
    }
    const bool ok = database.last_diagnostic().empty();
    database.db_finish();
    if (!ok) return std::nullopt;
    return project;
}

std::optional<Project> find_project(Database& database, const std::string& name) {
    if (!database.db_query(select_id_of(name))) return std::nullopt;
    std::string id;
    if (database.db_first_row()) database.db_text(0, id);
    database.db_finish();
    if (id.empty()) return std::nullopt;
    return load_project(database, number(id));
}

std::optional<long long> save_project(Database& database, const Project& project) {
    const std::string changed = utc_now();
    std::string id;
    const bool ok = in_transaction(database, [&] {
        if (!database.db_query(select_id_of(project.name))) return false;
        if (database.db_first_row()) database.db_text(0, id);
        database.db_finish();
        if (id.empty()) {
            if (!database.db_insert(insert_project(project, changed), id)) return false;
            if (id.empty()) return false;
        } else {
            if (!database.db_update(update_project(id, project.name, &project, changed))) return false;
            // A project with no lines is no failure to replace.
            if (!database.db_update(delete_rows(kProjectLineTable, "Project", id)) &&
                database.last_diagnostic().sqlstate != kNoRowMatched) {
                return false;
            }
        }
        return store_lines(database, id, project.lines);
    });
    if (!ok) return std::nullopt;
    return number(id);
}

bool rename_project(Database& database, long long id, const std::string& name) {
    return database.db_update(update_project(std::to_string(id), name, nullptr, utc_now()));
}

bool delete_project(Database& database, long long id) {
    // A server's lines go with the project by its foreign key, a file's by
    // its trigger.
    return database.db_update(delete_rows(kProjectTable, "ID", std::to_string(id)));
}

}  // namespace detalehran::db
