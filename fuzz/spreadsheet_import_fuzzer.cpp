// Any bytes as a spreadsheet's CSV file, through decoding, reading and the
// import plan. The first byte picks the duplicates choice and the targets;
// the rest is the file.
//
// What the code promises: decoded text is UTF-8 without NUL or control
// characters, its damaged lines listed once each in order; records come with
// increasing line numbers inside the file; a refused file plans nothing;
// every data line ends up in at most one of added, merged, skipped or
// errors, in line order, and none above the header or the totals line;
// items handed to a sink as they are planned are the items the plan holds;
// and the accepted items, written by the export in either style and planned
// again into the grown trees, come back unchanged without creating a node.

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>

#include "fuzz_check.h"
#include "spreadsheet/csv_reader.h"
#include "spreadsheet/csv_writer.h"
#include "spreadsheet/import_plan.h"
#include "spreadsheet/text_decoding.h"

namespace {

using namespace detalehran;
using namespace detalehran::spreadsheet;
using detalehran::fuzz::shown;

NodeList tree(std::initializer_list<std::pair<const char*, int>> nodes) {
    NodeList list;
    for (const auto& [name, level] : nodes) list.push_back({QString::fromUtf8(name), level});
    return list;
}

int line_count(std::string_view text) { return line_of_offset(text, text.size()); }

void check_decoded(const DecodedText& decoded) {
    if (decoded.refusal) {
        FUZZ_CHECK(decoded.text.empty() && !decoded.refusal->reason.empty(), "refusal with text or no reason");
        return;
    }
    const std::string text(decoded.text);
    FUZZ_CHECK(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString() == text,
               "decoded text is not UTF-8: " + shown(text));
    int last = 0;
    const int lines = line_count(text);
    for (const Problem& problem : decoded.line_problems) {
        FUZZ_CHECK(problem.line > last && problem.line <= lines && !problem.reason.empty(),
                   "line problem " + std::to_string(problem.line) + " after " + std::to_string(last));
        last = problem.line;
    }
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        FUZZ_CHECK(b >= 0x20 || b == '\t' || b == '\r' || b == '\n', "control character kept: " + shown(text));
    }
}

// Line numbers grow and stay inside the file.
void check_records(std::string_view text, char separator) {
    int last = 0;
    const int lines = line_count(text);
    const auto problem = read_csv(text, separator, [&](int line, std::span<const std::string_view>) {
        FUZZ_CHECK(line > last && line <= lines, "record line " + std::to_string(line) + " after " +
                                                     std::to_string(last) + " of " + std::to_string(lines));
        last = line;
        return true;
    });
    if (problem) FUZZ_CHECK(problem->line >= 1 && problem->line <= lines, "problem outside the file");
}

std::string describe(const db::ItemValues& v) {
    std::string out;
    for (const int column : all_list_columns()) out += shown(item_column_text(v, column)) + " ";
    return out;
}

void check_plan(const ImportPlan& plan, std::string_view text) {
    if (plan.refusal) {
        FUZZ_CHECK(
            !plan.changes_store() && plan.errors.empty() && plan.skipped_lines.empty() && plan.merged_lines.empty(),
            "a refused file plans something: " + plan.refusal->reason);
        return;
    }
    std::vector<int> lines;
    for (const PlannedItem& item : plan.new_items) lines.push_back(item.line);
    for (const std::vector<int>* more : {&plan.merged_lines, &plan.skipped_lines}) {
        FUZZ_CHECK(std::is_sorted(more->begin(), more->end()), std::string("lines out of order"));
        lines.insert(lines.end(), more->begin(), more->end());
    }
    FUZZ_CHECK(std::is_sorted(plan.errors.begin(), plan.errors.end(),
                              [](const Problem& a, const Problem& b) { return a.line < b.line; }),
               std::string("errors out of order"));
    for (const Problem& e : plan.errors) lines.push_back(e.line);
    const std::set<int> distinct(lines.begin(), lines.end());
    FUZZ_CHECK(distinct.size() == lines.size(), std::string("a line planned twice"));
    const int last_line = line_count(text);
    for (const int line : lines) {
        FUZZ_CHECK(line > plan.header_line && line <= last_line, "line " + std::to_string(line) + " outside");
        FUZZ_CHECK(line != plan.total_line, "the totals line planned");
    }
    for (const std::size_t column : plan.unloaded_columns) {
        FUZZ_CHECK(column < plan.mapping.size() && plan.mapping[column] == Field::none, "a loaded column listed");
    }
}

// The items a sink takes are the ones the plan holds, in order.
void check_streamed(std::string_view bytes, const ImportSettings& settings, const NodeList& sections,
                    const NodeList& places, const ImportPlan& plan) {
    if (settings.duplicates == DuplicateChoice::add_quantity) return;
    std::vector<std::pair<int, db::ItemValues>> taken;
    const ImportPlan streamed =
        plan_import(bytes, settings, sections, places, {}, [&](int line, const db::ItemValues& v) {
            taken.emplace_back(line, v);
            return true;
        });
    FUZZ_CHECK(streamed.refusal.has_value() == plan.refusal.has_value(), std::string("streaming changed the refusal"));
    if (plan.refusal || settings.duplicates != DuplicateChoice::add_new) return;
    FUZZ_CHECK(taken.size() == plan.new_items.size() && streamed.counts() == plan.counts(),
               std::string("streaming changed the items"));
    for (std::size_t k = 0; k < taken.size(); ++k) {
        FUZZ_CHECK(
            taken[k].first == plan.new_items[k].line && describe(taken[k].second) == describe(plan.new_items[k].values),
            "streamed " + describe(taken[k].second) + "planned " + describe(plan.new_items[k].values));
    }
}

// Exported and planned again into the trees that now hold every node.
void check_round_trip(const ImportPlan& plan, CsvStyle style) {
    if (plan.refusal || plan.new_items.empty()) return;
    std::vector<db::ItemValues> items;
    for (const PlannedItem& item : plan.new_items) items.push_back(item.values);
    const std::string csv = export_items(all_list_columns(), items, style);
    const ImportPlan again = plan_import(csv, {}, plan.path_nodes, plan.location_nodes);
    FUZZ_CHECK(!again.refusal, "exported items refused: " + (again.refusal ? again.refusal->reason : ""));
    FUZZ_CHECK(again.errors.empty(), "exported line refused: " + again.errors.front().reason);
    FUZZ_CHECK(again.new_items.size() == items.size(), std::string("items lost in the round trip"));
    for (std::size_t k = 0; k < items.size(); ++k) {
        const db::ItemValues& back = again.new_items[k].values;
        bool same = true;
        for (const int column : all_list_columns())
            same = same && item_column_text(back, column) == item_column_text(items[k], column);
        FUZZ_CHECK(same, "round trip changed " + describe(items[k]) + "into " + describe(back));
    }
    FUZZ_CHECK(again.created_sections.empty() && again.created_places.empty(), std::string("round trip made nodes"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const DecodedText decoded = decode_spreadsheet_text(bytes);
    check_decoded(decoded);
    if (!decoded.refusal) check_records(decoded.text, detect_separator(decoded.text));

    static const NodeList sections = tree({{"Все", 0}, {"Резисторы", 1}, {"SMD", 2}, {"Конденсаторы", 1}});
    static const NodeList places = tree({{"Все", 0}, {"Шкаф", 1}, {"Полка", 2}});
    ImportSettings settings;
    settings.duplicates = static_cast<DuplicateChoice>(control % 3);
    if (control & 4) settings.target_section = "Резисторы/Новый";
    if (control & 8) settings.target_place = "|Все|Шкаф|Полка|";
    if (control & 16) settings.separator = kSeparators[(control >> 5) % 3];
    DuplicateIndex stored;
    stored.add_stored("1", "|Все|Резисторы|", "R", "0805", "10");
    stored.add_stored("2", "|Все|", "C", "", "2147483647");

    if (control & 128) settings.refuse_unloaded = true;
    const ImportPlan plan = plan_import(bytes, settings, sections, places, stored);
    check_plan(plan, decoded.text);
    if (settings.duplicates == DuplicateChoice::add_new) check_streamed(bytes, settings, sections, places, plan);
    check_round_trip(plan, kCommaStyle);
    check_round_trip(plan, kPointStyle);
    return 0;
}
