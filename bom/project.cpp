#include "bom/project.h"

namespace detalehran::bom {

db::Project to_project(const std::string& name, const std::string& source, const Bom& bom, const BuildCheck& check,
                       const StockIndex& stock) {
    const Choices choices = choices_of(check, bom, stock);
    db::Project project;
    project.name = name;
    project.boards = check.boards;
    project.source = source;
    project.lines.reserve(bom.lines.size());
    for (const BomLine& line : bom.lines) {
        db::ProjectLine& out = project.lines.emplace_back();
        for (const std::string& designator : line.designators) {
            if (!out.designators.empty()) out.designators += ',';
            out.designators += designator;
        }
        out.value = line.value;
        out.footprint = line.footprint;
        out.part_number = line.part_number;
        out.per_board = line.per_board;
        if (const auto choice = choices.find(line_key(line)); choice != choices.end()) {
            out.item_id = choice->second;
            out.none_chosen = choice->second.empty();
        }
    }
    return project;
}

Bom bom_of(const db::Project& project) {
    Bom bom;
    bom.name = project.name;
    bom.lines.reserve(project.lines.size());
    for (const db::ProjectLine& line : project.lines) {
        BomLine& out = bom.lines.emplace_back();
        // Stored as the bill had them: each designator, a comma between.
        std::size_t from = 0;
        while (from < line.designators.size()) {
            std::size_t comma = line.designators.find(',', from);
            if (comma == std::string::npos) comma = line.designators.size();
            if (comma > from) out.designators.push_back(line.designators.substr(from, comma - from));
            from = comma + 1;
        }
        out.value = line.value;
        out.footprint = line.footprint;
        out.part_number = line.part_number;
        out.per_board = line.per_board;
    }
    return bom;
}

Choices choices_of(const db::Project& project) {
    Choices choices;
    for (const db::ProjectLine& line : project.lines) {
        if (line.item_id.empty() && !line.none_chosen) continue;
        BomLine key_line;
        key_line.value = line.value;
        key_line.footprint = line.footprint;
        key_line.part_number = line.part_number;
        choices[line_key(key_line)] = line.item_id;
    }
    return choices;
}

}  // namespace detalehran::bom
