// The tables of projects. A file declares its texts with the collation
// that folds every alphabet, so that "= ?" and the unique name ignore
// letter case; a server compares lower() of the name. Neither records
// projects in the history: they are the user's notes, not the stock.

#include "schema/project_tables.h"

#include "schema/server_tables.h"
#include "schema/store_columns.h"

namespace detalehran::schema {

namespace {

std::string q(std::string_view name) { return quoted(Quote::double_quotes, name); }

std::string line_columns(std::string_view text, std::string_view number) {
    const std::string t(text), n(number);
    return q("Position") + " " + n + " NOT NULL, " + q("Designators") + t + ", " + q("Value") + t + ", " +
           q("Footprint") + t + ", " + q("PartNumber") + t + ", " + q("PerBoard") + " " + n + " NOT NULL, " +
           q("ItemID") + " " + n + ", " + q("NoneChosen") + " integer NOT NULL DEFAULT 0";
}

}  // namespace

std::vector<std::string> sqlite_project_statements() {
    const std::string project = q(kProjectTable), line = q(kProjectLineTable);
    constexpr std::string_view kText = " TEXT COLLATE JETCI";
    return {
        // AUTOINCREMENT: a deleted project's number is not given to the next.
        "CREATE TABLE IF NOT EXISTS " + project + " (" + q("ID") + " INTEGER PRIMARY KEY AUTOINCREMENT, " + q("Name") +
            std::string(kText) + " NOT NULL UNIQUE, " + q("Boards") + " INTEGER NOT NULL DEFAULT 1, " + q("Source") +
            std::string(kText) + ", " + q("Changed") + " TEXT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS " + line + " (" + q("ID") + " INTEGER PRIMARY KEY, " + q("Project") +
            " INTEGER NOT NULL, " + line_columns(kText, "INTEGER") + ")",
        "CREATE INDEX IF NOT EXISTS " + q("ProjectLine_Project") + " ON " + line + " (" + q("Project") + ", " +
            q("Position") + ")",
        // The driver's connections keep SQLite's foreign keys off.
        "CREATE TRIGGER IF NOT EXISTS " + q("Project_delete") + " AFTER DELETE ON " + project + " BEGIN DELETE FROM " +
            line + " WHERE " + q("Project") + " = OLD." + q("ID") + "; END",
    };
}

std::vector<std::string> postgres_project_statements() {
    const std::string project = public_table(kProjectTable), line = public_table(kProjectLineTable);
    constexpr std::string_view kText = " text COLLATE \"und-x-icu\"";
    return {
        "CREATE TABLE IF NOT EXISTS " + project + " (" + q("ID") +
            " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " + q("Name") + std::string(kText) + " NOT NULL, " +
            q("Boards") + " bigint NOT NULL DEFAULT 1, " + q("Source") + std::string(kText) + ", " + q("Changed") +
            " text NOT NULL)",
        "CREATE UNIQUE INDEX IF NOT EXISTS " + q("Project_Name") + " ON " + project + " (lower(" + q("Name") + "))",
        "CREATE TABLE IF NOT EXISTS " + line + " (" + q("ID") + " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " +
            q("Project") + " bigint NOT NULL REFERENCES " + project + " ON DELETE CASCADE, " +
            line_columns(kText, "bigint") + ")",
        "CREATE INDEX IF NOT EXISTS " + q("ProjectLine_Project") + " ON " + line + " (" + q("Project") + ", " +
            q("Position") + ")",
    };
}

std::vector<std::string> postgres_project_grants(std::string_view role, bool writer) {
    const std::string tables = public_table(kProjectTable) + ", " + public_table(kProjectLineTable);
    return {"GRANT " + std::string(writer ? "SELECT, INSERT, UPDATE, DELETE" : "SELECT") + " ON " + tables + " TO " +
            q(role)};
}

}  // namespace detalehran::schema
