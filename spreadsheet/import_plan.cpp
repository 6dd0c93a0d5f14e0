#include "spreadsheet/import_plan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <tuple>
#include <unordered_map>

#include "spreadsheet/csv_reader.h"
#include "spreadsheet/file_layout.h"
#include "spreadsheet/formula_guard.h"
#include "spreadsheet/node_path_resolver.h"
#include "spreadsheet/number_text.h"

namespace detalehran::spreadsheet {

namespace {

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

// Line breaks inside a record's cells: the record ends that many lines
// below the one it starts on.
int breaks_inside(std::span<const std::string_view> cells) {
    int breaks = 0;
    for (const std::string_view cell : cells) {
        for (std::size_t i = 0; i < cell.size(); ++i) {
            if (cell[i] == '\n' || (cell[i] == '\r' && (i + 1 >= cell.size() || cell[i + 1] != '\n'))) ++breaks;
        }
    }
    return breaks;
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

struct NumberReadings {
    CommaReading quantity = CommaReading::decimal;
    CommaReading price = CommaReading::decimal;
    CommaReading purchase_price = CommaReading::decimal;
};

// Everything of an item but its paths, into `v`, whose texts may be those
// of the line before (their room is used again).
void fill_item_values(const FieldCells& cells, const NumberReadings& commas, LineErrors& errors, db::ItemValues& v) {
    auto cell = [&](Field field) { return cells[static_cast<std::size_t>(field)]; };
    v.name = cell(Field::name);
    if (is_blank(v.name)) errors.add(Field::name, "не указано");
    v.description = cell(Field::description);
    v.supplier = cell(Field::supplier);
    v.package = cell(Field::package);
    v.datasheet = cell(Field::datasheet);
    if (!safe_document_name(v.datasheet)) {
        errors.add(Field::datasheet, quoted_cell(v.datasheet) + " — имя файла не может содержать «/» или «\\»");
    }
    const NumberText quantity = quantity_from_cell(cell(Field::quantity), commas.quantity);
    if (!quantity.ok()) errors.add(Field::quantity, quantity.error);
    v.quantity = quantity.text;
    for (auto [field, target, reading] :
         {std::tuple{Field::price, &v.price, commas.price},
          std::tuple{Field::purchase_price, &v.purchase_price, commas.purchase_price}}) {
        NumberText price = price_from_cell(cell(field), reading);
        if (!price.ok()) errors.add(field, price.error);
        *target = std::move(price.text);
    }
}

// The file's decoding problems, handed to the records they fall in.
class DecodingProblems {
public:
    explicit DecodingProblems(const std::vector<Problem>& problems) : problems_(problems) {}
    // The first problem on the record's lines, or null.
    const Problem* in_record(int line, std::span<const std::string_view> cells) {
        while (next_ < problems_.size() && problems_[next_].line < line) ++next_;
        if (next_ >= problems_.size()) return nullptr;
        const Problem& problem = problems_[next_];
        if (problem.line != line && problem.line > line + breaks_inside(cells)) return nullptr;
        return &problem;
    }

private:
    const std::vector<Problem>& problems_;
    std::size_t next_ = 0;
};

class Planner {
public:
    Planner(ImportPlan& plan, const ImportSettings& settings, const NodeList& path_nodes,
            const NodeList& location_nodes, DuplicateIndex& index, const std::vector<Problem>& decoding,
            const ItemSink& sink)
        : plan_(plan),
          settings_(settings),
          sections_(path_nodes),
          places_(location_nodes),
          index_(index),
          decoding_(decoding),
          sink_(sink && settings.duplicates != DuplicateChoice::add_quantity ? &sink : nullptr) {}

    // The header's columns; false when the mapping is refused.
    bool take_header(std::vector<bool> chosen) {
        for (std::size_t c = 0; c < plan_.mapping.size(); ++c) {
            const Field field = plan_.mapping[c];
            if (field == Field::note) notes_.push_back(c);
            if (field == Field::none && !chosen[c] && !numbers_rows(plan_.header[c])) watched_.push_back(c);
        }
        has_data_.assign(plan_.mapping.size(), false);
        if (auto refusal = mapping_refusal(plan_.mapping)) {
            plan_.refusal = std::move(refusal);
            return false;
        }
        return true;
    }

    // A line that names a section or a place is a part (one may well be
    // called "Итого"), never a sum of the lines above it.
    bool names_a_node(std::span<const std::string_view> cells) const {
        for (std::size_t c = 0; c < cells.size() && c < plan_.mapping.size(); ++c) {
            const Field field = plan_.mapping[c];
            if ((field == Field::section || field == Field::place) && !is_blank(cells[c])) return true;
        }
        return false;
    }

    void set_commas(const std::vector<CommaReading>& columns) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const Field field = plan_.mapping[c];
            if (field == Field::quantity) commas_.quantity = columns[c];
            if (field == Field::price) commas_.price = columns[c];
            if (field == Field::purchase_price) commas_.purchase_price = columns[c];
        }
    }

    // False when the sink stopped the reading.
    bool take(int line, std::span<const std::string_view> cells) {
        if (line <= plan_.header_line || blank_record(cells)) return true;
        if (plan_.preview.size() < kPreviewRows) {
            plan_.preview.push_back({line, std::vector<std::string>(cells.begin(), cells.end())});
        }
        // A totals line counts as one only at the very end: it waits for
        // the next record.
        if (totals_line_ && !take_line(totals_line_, totals_cells_)) return false;
        totals_line_ = 0;
        if (is_totals_record(cells) && !names_a_node(cells)) {
            totals_line_ = line;
            totals_owned_.assign(cells.begin(), cells.end());
            totals_cells_.assign(totals_owned_.begin(), totals_owned_.end());
            return true;
        }
        return take_line(line, cells);
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
        plan_.total_line = totals_line_;
        for (const std::size_t c : watched_) {
            if (has_data_[c]) plan_.unloaded_columns.push_back(c);
        }
        plan_.path_nodes = sections_.node_list();
        plan_.location_nodes = places_.node_list();
        plan_.created_sections = sections_.created_paths();
        plan_.created_places = places_.created_paths();
    }

private:
    bool take_line(int line, std::span<const std::string_view> cells) {
        for (const std::size_t c : watched_) {
            if (!has_data_[c] && c < cells.size() && !is_blank(cells[c])) {
                has_data_[c] = true;
                // The file will be refused: nothing more to store.
                refused_ = settings_.refuse_unloaded;
            }
        }
        if (const Problem* problem = decoding_.in_record(line, cells)) {
            const std::string where = problem->line == line ? "" : "строка " + std::to_string(problem->line) + ": ";
            plan_.errors.push_back({line, where + problem->reason});
            return true;
        }
        LineErrors errors;
        const std::size_t columns = plan_.mapping.size();
        if (cells.size() > columns &&
            !std::all_of(cells.begin() + static_cast<std::ptrdiff_t>(columns), cells.end(), is_blank)) {
            errors.add(Field::none, "ячеек (" + std::to_string(cells.size()) + ") больше, чем столбцов в заголовке (" +
                                        std::to_string(columns) + ")");
        }
        FieldCells cell{};
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
            const Field field = plan_.mapping[c];
            if (field != Field::note) cell[static_cast<std::size_t>(field)] = unguarded_cell(cells[c]);
        }
        db::ItemValues& v = values_;
        fill_item_values(cell, commas_, errors, v);
        add_notes(v.description, cells);
        const NodePathResolver::Resolution& section = resolve(sections_, cell[kSection], settings_.target_section);
        if (section.error) errors.add(Field::section, *section.error);
        const NodePathResolver::Resolution& place = resolve(places_, cell[kPlace], settings_.target_place);
        if (place.error) errors.add(Field::place, *place.error);
        if (!errors.empty()) {
            plan_.errors.push_back({line, errors.take()});
            return true;
        }
        v.section_path = section.path;
        v.place = place.path;
        if (settings_.duplicates != DuplicateChoice::add_new && take_duplicate(line, v)) return true;

        sections_.create(section);
        places_.create(place);
        const int index = static_cast<int>(plan_.new_items.size()) + plan_.streamed_items;
        if (settings_.duplicates != DuplicateChoice::add_new) {
            index_.add_planned(index, v.section_path, v.name, v.package, quantity_of(v.quantity));
        }
        if (sink_ == nullptr) {
            plan_.new_items.push_back({line, std::move(v)});
            return true;
        }
        ++plan_.streamed_items;
        return refused_ || (*sink_)(line, v);
    }

    // "Производитель: X; Артикул: Y" after the description, so that columns
    // without a field of their own are kept.
    void add_notes(std::string& description, std::span<const std::string_view> cells) const {
        for (const std::size_t c : notes_) {
            if (c >= cells.size() || is_blank(cells[c])) continue;
            if (!description.empty()) description += "; ";
            const std::string& label = plan_.header[c];
            if (!is_blank(label)) description.append(label).append(": ");
            description += unguarded_cell(cells[c]);
        }
    }

    static const NodePathResolver::Resolution& resolve(NodePathResolver& resolver, std::string_view cell,
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
    DecodingProblems decoding_;
    const ItemSink* sink_;
    db::ItemValues values_;  // the line's values; with a sink the same texts line after line
    bool refused_ = false;
    NumberReadings commas_;
    std::vector<std::size_t> notes_;    // columns that go into the description
    std::vector<std::size_t> watched_;  // columns left out unasked
    std::vector<bool> has_data_;
    int totals_line_ = 0;
    std::vector<std::string> totals_owned_;
    std::vector<std::string_view> totals_cells_;
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
    refused.preview = std::move(plan.preview);
    refused.first_records = std::move(plan.first_records);
    refused.lines_above_header = std::move(plan.lines_above_header);
    refused.total_line = plan.total_line;
    refused.unloaded_columns = std::move(plan.unloaded_columns);
    refused.comma_notes = std::move(plan.comma_notes);
    plan = std::move(refused);
    return plan;
}

// The first data lines as read, for a file whose columns cannot be loaded
// as they are: the user chooses them looking at these.
void fill_preview(ImportPlan& plan, std::string_view text) {
    (void)read_csv(text, plan.separator, [&](int line, std::span<const std::string_view> cells) {
        if (line > plan.header_line && !blank_record(cells)) {
            plan.preview.push_back({line, std::vector<std::string>(cells.begin(), cells.end())});
        }
        return plan.preview.size() < kPreviewRows;
    });
}

std::string line_list(const std::vector<int>& lines) {
    if (lines.size() == 1) return "Строка " + std::to_string(lines[0]);
    if (lines.back() - lines.front() + 1 == static_cast<int>(lines.size())) {
        return "Строки " + std::to_string(lines.front()) + "–" + std::to_string(lines.back());
    }
    std::string text = "Строки ";
    for (std::size_t k = 0; k < lines.size(); ++k) text += (k > 0 ? ", " : "") + std::to_string(lines[k]);
    return text;
}

}  // namespace

ImportCounts ImportPlan::counts() const {
    return {static_cast<int>(new_items.size()) + streamed_items, static_cast<int>(merged_lines.size()),
            static_cast<int>(skipped_lines.size()), static_cast<int>(errors.size())};
}

ImportPlan plan_import(std::string_view bytes, const ImportSettings& settings, const NodeList& path_nodes,
                       const NodeList& location_nodes, DuplicateIndex existing, const ItemSink& sink) {
    ImportPlan plan;
    const DecodedText decoded = decode_spreadsheet_text(bytes, settings.encoding);
    plan.encoding = decoded.encoding;
    if (decoded.refusal) return refuse(plan, *decoded.refusal);
    const std::string_view text = decoded.text;
    plan.separator = settings.separator.value_or(detect_separator(text));

    HeaderRecord header = find_header(text, plan.separator, settings.header_line);
    for (FileRecord& record : header.first_records)
        plan.first_records.push_back({record.line, std::move(record.cells)});
    if (header.problem) return refuse(plan, std::move(*header.problem));
    if (header.line == 0) return refuse(plan, {0, "Файл пуст."});
    plan.header_line = header.line;
    plan.header = std::move(header.cells);
    plan.lines_above_header = std::move(header.lines_above);
    plan.mapping = settings.mapping.empty() ? map_header(plan.header) : settings.mapping;
    // Columns the mapping does not reach are not loaded.
    if (plan.mapping.size() < plan.header.size()) plan.mapping.resize(plan.header.size(), Field::none);
    std::vector<bool> chosen;
    if (auto problem = apply_column_choices(plan.header, settings.columns, plan.mapping, chosen)) {
        fill_preview(plan, text);
        return refuse(plan, std::move(*problem));
    }
    chosen.resize(plan.mapping.size(), false);

    Planner planner(plan, settings, path_nodes, location_nodes, existing, decoded.line_problems, sink);
    if (!planner.take_header(chosen)) {
        fill_preview(plan, text);
        return refuse(plan, std::move(*plan.refusal));
    }
    if (auto refusal = planner.check_targets()) return refuse(plan, std::move(*refusal));
    CommaDecisions commas = decide_commas(text, plan.separator, plan.header_line, plan.header, plan.mapping);
    planner.set_commas(commas.columns);
    plan.comma_notes = std::move(commas.notes);
    // As many items as lines at most: no growing on the way.
    if (!sink) plan.new_items.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    bool sink_stopped = false;
    std::optional<Problem> stopped =
        read_csv(text, plan.separator, [&](int line, std::span<const std::string_view> cells) {
            sink_stopped = !planner.take(line, cells);
            return !sink_stopped;
        });
    if (stopped) return refuse(plan, std::move(*stopped));
    if (sink_stopped) return plan;
    planner.finish();
    if (plan.preview.empty()) return refuse(plan, {0, "В файле только строка заголовка, деталей в нём нет."});
    if (settings.refuse_unloaded && !plan.unloaded_columns.empty()) {
        return refuse(plan, {0, unloaded_columns_text(plan)});
    }
    return plan;
}

std::string import_summary(const ImportCounts& counts) {
    return "Добавлено: " + std::to_string(counts.added) + ", добавлено к количеству: " + std::to_string(counts.merged) +
           ", пропущено: " + std::to_string(counts.skipped) + ", с ошибками: " + std::to_string(counts.errors) + ".";
}

std::string unloaded_columns_text(const ImportPlan& plan) {
    if (plan.unloaded_columns.empty()) return {};
    std::string text = plan.unloaded_columns.size() == 1 ? "Столбец не загружается: " : "Столбцы не загружаются: ";
    for (std::size_t k = 0; k < plan.unloaded_columns.size(); ++k) {
        text += (k > 0 ? ", " : "") + column_title(plan.header, plan.unloaded_columns[k]);
    }
    return text + ".";
}

std::vector<std::string> import_notes(const ImportPlan& plan) {
    std::vector<std::string> notes;
    if (!plan.lines_above_header.empty()) {
        const bool one = plan.lines_above_header.size() == 1;
        notes.push_back(line_list(plan.lines_above_header) +
                        (one ? " над строкой заголовка не загружается." : " над строкой заголовка не загружаются."));
    }
    if (plan.total_line > 0) {
        notes.push_back("Строка " + std::to_string(plan.total_line) + " — строка итогов, она не загружается.");
    }
    if (!plan.unloaded_columns.empty()) notes.push_back(unloaded_columns_text(plan));
    notes.insert(notes.end(), plan.comma_notes.begin(), plan.comma_notes.end());
    return notes;
}

}  // namespace detalehran::spreadsheet
