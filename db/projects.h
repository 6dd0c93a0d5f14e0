#pragma once
// Projects: a board's bill of materials kept in the store with the parts
// the user chose for its lines and the number of boards, so that the next
// build of the same board starts from them. The same tables and calls on
// a file and on a server (schema/project_tables.h); nothing here shows a
// window.

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"

namespace detalehran::db {

struct ProjectLine {
    std::string designators;  // "R1,R2,R5": each designator, a comma between
    std::string value, footprint, part_number;
    long long per_board = 0;
    // The part the user chose for the line, or empty: none chosen (the
    // check finds one). `none_chosen` true with an empty ID: the user said
    // the store has nothing for the line.
    std::string item_id;
    bool none_chosen = false;
};

struct ProjectSummary {
    long long id = 0;
    std::string name;
    long long boards = 1;
    std::string source;   // the file the bill was read from, as the user chose it
    std::string changed;  // UTC, "YYYY-MM-DD HH:MM:SS"
    long long lines = 0;
};

struct Project {
    long long id = 0;  // 0: not stored yet
    std::string name;  // unique in the store, letter case ignored
    long long boards = 1;
    std::string source;
    std::vector<ProjectLine> lines;  // in the bill's order
};

// Every project, by name.
bool list_projects(Database& database, std::vector<ProjectSummary>& out);
// The project of this ID; nothing when there is none (or it could not be
// read: the diagnostic says which).
std::optional<Project> load_project(Database& database, long long id);
std::optional<Project> find_project(Database& database, const std::string& name);
// Stores the project under its name, in one transaction: a project of that
// name gets these lines, boards and source in place of its own; else a new
// one. The ID it is stored under, or nothing (the diagnostic says why).
std::optional<long long> save_project(Database& database, const Project& project);
bool rename_project(Database& database, long long id, const std::string& name);
bool delete_project(Database& database, long long id);

}  // namespace detalehran::db
