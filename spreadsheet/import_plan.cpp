#include "spreadsheet/import_plan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>

#include "spreadsheet/csv_reader.h"
#include "spreadsheet/formula_guard.h"
#include "spreadsheet/node_path_resolver.h"
#include "spreadsheet/number_text.h"

namespace detalehran::spreadsheet {

namespace {

bool is_blank(std::string_view cell) {
    return std::all_of(cell.begin(), cell.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

bool blank_record(std::span<const std::string_view> cells) { return std::all_of(cells.begin(), cells.end(), is_blank); }

// A planned quantity: plain digits that fit the store's column.
std::int64_t quantity_of(const std::string& digits) {
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// A document is a file name inside the datasheet folder, never a way out of it.
bool safe_document_name(std::string_view name) {
    return name.find_first_of("/\\") == std::string_view::npos && name != "." && name != "..";
}

// A line's cells by the field they fill; empty for fields no column fills.
using FieldCells = std::array<std::string_view, std::size(kLoadedFields) + 1>;
constexpr std::size_t kSection = static_cast<std::size_t>(Field::section);
constexpr std::size_t kPlace = static_cast<std::size_t>(Field::place);

// The reasons a line is refused, each after its field's name.
class LineErrors {
public:
    void add(Field field, const std::string& reason) {
        if (!text_.empty()) text_ += "; ";
        if (field != Field::none) text_ += std::string(field_caption(field)) + ": ";
        text_ += reason;
    }
    bool empty() const { return text_.empty(); }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

// Everything of an item but its paths.
db::ItemValues item_values(const FieldCells& cells, LineErrors& errors) {
    auto cell = [&](Field field) { return cells[static_cast<std::size_t>(field)]; };
    db::ItemValues v;
    v.name = cell(Field::name);
    if (is_blank(v.name)) errors.add(Field::name, "не указано");
    v.description = cell(Field::description);
    v.supplier = cell(Field::supplier);
    v.package = cell(Field::package);
    v.datasheet = cell(Field::datasheet);
    if (!safe_document_name(v.datasheet)) {
        errors.add(Field::datasheet, quoted_cell(v.datasheet) + " — имя файла не может содержать «/» или «\\»");
    }
    const NumberText quantity = quantity_from_cell(cell(Field::quantity));
    if (!quantity.ok()) errors.add(Field::quantity, quantity.error);
    v.quantity = quantity.text;
    for (auto [field, target] : {std::pair{Field::price, &v.price}, {Field::purchase_price, &v.purchase_price}}) {
        NumberText price = price_from_cell(cell(field));
        if (!price.ok()) errors.add(field, price.error);
        *target = std::move(price.text);
    }
    return v;
}

class Planner {
public:
    Planner(ImportPlan& plan, const ImportSettings& settings, const NodeList& path_nodes,
            const NodeList& location_nodes, DuplicateIndex& index)
        : plan_(plan), settings_(settings), sections_(path_nodes), places_(location_nodes), index_(index) {}

    // False when the record was the header and the mapping is refused.
    bool take(int line, std::span<const std::string_view> cells) {
        if (blank_record(cells)) return true;
        if (plan_.header_line == 0) return take_header(line, cells);
        if (plan_.preview.size() < kPreviewRows) {
            plan_.preview.push_back({line, std::vector<std::string>(cells.begin(), cells.end())});
        }
        take_line(line, cells);
        return true;
    }

    std::optional<Problem> check_targets() {
        for (auto [resolver, target, what] : {std::tuple{&sections_, &settings_.target_section, "Раздел"},
                                              std::tuple{&places_, &settings_.target_place, "Расположение"}}) {
            const NodePathResolver::Resolution r = resolver->resolve(*target);
            if (r.error) return Problem{0, std::string(what) + " для загрузки: " + *r.error + "."};
        }
        return std::nullopt;
    }

    void finish() {
        plan_.path_nodes = sections_.node_list();
        plan_.location_nodes = places_.node_list();
        plan_.created_sections = sections_.created_paths();
        plan_.created_places = places_.created_paths();
    }

private:
    bool take_header(int line, std::span<const std::string_view> cells) {
        plan_.header_line = line;
        plan_.header.assign(cells.begin(), cells.end());
        plan_.mapping = settings_.mapping.empty() ? map_header(plan_.header) : settings_.mapping;
        // Columns the mapping does not reach are not loaded.
        if (plan_.mapping.size() < plan_.header.size()) plan_.mapping.resize(plan_.header.size(), Field::none);
        if (auto refusal = mapping_refusal(plan_.mapping)) {
            plan_.refusal = std::move(refusal);
            return false;
        }
        return true;
    }

    void take_line(int line, std::span<const std::string_view> cells) {
        LineErrors errors;
        const std::size_t columns = plan_.mapping.size();
        if (cells.size() > columns &&
            !std::all_of(cells.begin() + static_cast<std::ptrdiff_t>(columns), cells.end(), is_blank)) {
            errors.add(Field::none, "ячеек (" + std::to_string(cells.size()) + ") больше, чем столбцов в заголовке (" +
                                        std::to_string(columns) + ")");
        }
        FieldCells cell{};
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
            cell[static_cast<std::size_t>(plan_.mapping[c])] = unguarded_cell(cells[c]);
        }
        db::ItemValues v = item_values(cell, errors);
        const NodePathResolver::Resolution section = resolve(sections_, cell[kSection], settings_.target_section);
        if (section.error) errors.add(Field::section, *section.error);
        const NodePathResolver::Resolution place = resolve(places_, cell[kPlace], settings_.target_place);
        if (place.error) errors.add(Field::place, *place.error);
        if (!errors.empty()) {
            plan_.errors.push_back({line, errors.take()});
            return;
        }
        v.section_path = section.path;
        v.place = place.path;
        if (settings_.duplicates != DuplicateChoice::add_new && take_duplicate(line, v)) return;

        sections_.create(section);
        places_.create(place);
        const int index = static_cast<int>(plan_.new_items.size());
        if (settings_.duplicates != DuplicateChoice::add_new) {
            index_.add_planned(index, v.section_path, v.name, v.package, quantity_of(v.quantity));
        }
        plan_.new_items.push_back({line, std::move(v)});
    }

    static NodePathResolver::Resolution resolve(NodePathResolver& resolver, std::string_view cell,
                                                const std::string& target) {
        return resolver.resolve(is_blank(cell) ? std::string_view(target) : cell);
    }

    // Whether the line duplicates an item and was merged or skipped.
    bool take_duplicate(int line, const db::ItemValues& v) {
        DuplicateIndex::Entry* entry = index_.find(v.section_path, v.name, v.package);
        if (entry == nullptr) return false;
        if (settings_.duplicates == DuplicateChoice::skip) {
            plan_.skipped_lines.push_back(line);
            return true;
        }
        const std::int64_t sum = entry->quantity + quantity_of(v.quantity);
        if (sum > kMaxQuantity) {
            plan_.errors.push_back({line, std::string(field_caption(Field::quantity)) + ": вместе с имеющимися (" +
                                              std::to_string(entry->quantity) + ") больше " +
                                              std::to_string(kMaxQuantity)});
            return true;
        }
        entry->quantity = sum;
        if (entry->planned >= 0) {
            plan_.new_items[static_cast<std::size_t>(entry->planned)].values.quantity = std::to_string(sum);
        } else {
            auto [at, added] = merge_of_.try_emplace(entry->id, plan_.merges.size());
            if (added) plan_.merges.push_back({entry->id, {}, {}});
            QuantityMerge& merge = plan_.merges[at->second];
            merge.quantity = std::to_string(sum);
            merge.lines.push_back(line);
        }
        plan_.merged_lines.push_back(line);
        return true;
    }

    ImportPlan& plan_;
    const ImportSettings& settings_;
    NodePathResolver sections_;
    NodePathResolver places_;
    DuplicateIndex& index_;
    std::unordered_map<std::string, std::size_t> merge_of_;
};

// A refused file plans nothing, whatever lines came before the problem.
ImportPlan& refuse(ImportPlan& plan, Problem problem) {
    ImportPlan refused;
    refused.refusal = std::move(problem);
    refused.encoding = plan.encoding;
    refused.separator = plan.separator;
    refused.header_line = plan.header_line;
    refused.header = std::move(plan.header);
    refused.mapping = std::move(plan.mapping);
    plan = std::move(refused);
    return plan;
}

}  // namespace

ImportCounts ImportPlan::counts() const {
    return {static_cast<int>(new_items.size()), static_cast<int>(merged_lines.size()),
            static_cast<int>(skipped_lines.size()), static_cast<int>(errors.size())};
}

ImportPlan plan_import(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
                       const NodeList& location_nodes, DuplicateIndex existing) {
    ImportPlan plan;
    DecodedText decoded = decode_spreadsheet_text(bytes, settings.encoding);
    plan.encoding = decoded.encoding;
    if (decoded.refusal) return refuse(plan, std::move(*decoded.refusal));
    plan.separator = settings.separator.value_or(detect_separator(decoded.text));

    Planner planner(plan, settings, path_nodes, location_nodes, existing);
    if (auto refusal = planner.check_targets()) return refuse(plan, std::move(*refusal));
    std::optional<Problem> stopped =
        read_csv(decoded.text, plan.separator,
                 [&](int line, std::span<const std::string_view> cells) { return planner.take(line, cells); });
    if (plan.refusal) return refuse(plan, std::move(*plan.refusal));
    if (stopped) return refuse(plan, std::move(*stopped));
    if (plan.header_line == 0) return refuse(plan, {0, "Файл пуст."});
    if (plan.preview.empty()) return refuse(plan, {0, "В файле только строка заголовка, деталей в нём нет."});
    planner.finish();
    return plan;
}

std::string import_summary(const ImportCounts& counts) {
    return "Добавлено: " + std::to_string(counts.added) + ", добавлено к количеству: " + std::to_string(counts.merged) +
           ", пропущено: " + std::to_string(counts.skipped) + ", с ошибками: " + std::to_string(counts.errors) + ".";
}

}  // namespace detalehran::spreadsheet
