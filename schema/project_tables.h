#pragma once
// The tables of projects (db/projects.h), the same columns on both engines:
// Project (ID, Name, Boards, Source, Changed) and ProjectLine (ID, Project,
// Position, Designators, Value, Footprint, PartNumber, PerBoard, ItemID,
// NoneChosen), a project's lines deleted with it. A store made before them
// gains them: a file at its first connection, a server at `create --dsn`.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::schema {

inline constexpr std::string_view kProjectTable = "Project";
inline constexpr std::string_view kProjectLineTable = "ProjectLine";

// Each statement "IF NOT EXISTS".
std::vector<std::string> sqlite_project_statements();
std::vector<std::string> postgres_project_statements();
// Members of the team read and write projects; readers read them.
std::vector<std::string> postgres_project_grants(std::string_view role, bool writer);

}  // namespace detalehran::schema
