#include "bom/build_check.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

namespace detalehran::bom {

namespace {

// The line's candidates with the part the user chose for it first. A
// chosen part that has left the store is no choice any more.
void put_choice(CheckLine& out, const BomLine& line, const StockIndex& stock, const Choices& chosen) {
    out.part.reset();
    const auto choice = chosen.find(line_key(line));
    if (choice == chosen.end()) {
        if (!out.candidates.empty()) out.part = out.candidates.front().part;
        return;
    }
    if (choice->second.empty()) return;  // the user said the store has nothing for it
    const std::optional<std::size_t> part = stock.find_id(choice->second);
    if (!part) {
        if (!out.candidates.empty()) out.part = out.candidates.front().part;
        return;
    }
    std::erase_if(out.candidates, [&](const Candidate& c) { return c.part == *part; });
    out.candidates.insert(out.candidates.begin(), Candidate{*part, MatchKind::chosen});
    out.part = *part;
}

}  // namespace

BuildCheck check_build(const Bom& bom, const StockIndex& stock, const CheckOptions& options) {
    BuildCheck check;
    check.boards = options.boards;
    check.lines.reserve(bom.lines.size());
    for (std::size_t k = 0; k < bom.lines.size(); ++k) {
        CheckLine& out = check.lines.emplace_back();
        out.line = k;
        out.candidates = stock.candidates(bom.lines[k]);
        put_choice(out, bom.lines[k], stock, options.chosen);
    }
    recount(check, bom, stock, options.minimum);
    return check;
}

void recount(BuildCheck& check, const Bom& bom, const StockIndex& stock, std::optional<long long> minimum) {
    const long long boards = check.boards;
    check.matched = check.missing = check.short_lines = check.unpriced = 0;
    check.needed = check.shortfall = 0;
    check.board_cost = check.total_cost = 0;
    std::unordered_map<std::size_t, long long> taken;  // by part, over the lines so far
    for (CheckLine& out : check.lines) {
        const BomLine& line = bom.lines[out.line];
        out.needed = line.per_board * boards;
        out.in_stock = out.take = 0;
        out.below_minimum = false;
        check.needed += out.needed;
        if (!out.part) {
            ++check.missing;
            ++check.unpriced;
            out.shortfall = out.needed;
        } else {
            ++check.matched;
            const StockPart& part = stock.parts()[*out.part];
            out.in_stock = part.quantity;
            long long& used = taken[*out.part];
            const long long left = std::max(0LL, part.quantity - used);
            out.take = std::min(left, out.needed);
            out.shortfall = out.needed - out.take;
            used += out.take;
            if (part.priced) {
                check.board_cost += static_cast<__int128>(part.purchase_price) * line.per_board;
            } else {
                ++check.unpriced;
            }
        }
        if (out.shortfall > 0) ++check.short_lines;
        check.shortfall += out.shortfall;
    }
    check.total_cost = check.board_cost * boards;
    if (!minimum) return;
    // After every line took: a part two lines share ends the same for both.
    for (CheckLine& out : check.lines) {
        if (out.part) out.below_minimum = stock.parts()[*out.part].quantity - taken[*out.part] < *minimum;
    }
}

Choices choices_of(const BuildCheck& check, const Bom& bom, const StockIndex& stock) {
    Choices choices;
    for (const CheckLine& out : check.lines) {
        const std::string key = line_key(bom.lines[out.line]);
        const auto found = std::find_if(out.candidates.begin(), out.candidates.end(),
                                        [](const Candidate& c) { return c.kind != MatchKind::chosen; });
        const bool chosen_before = !out.candidates.empty() && out.candidates.front().kind == MatchKind::chosen &&
                                   out.part == out.candidates.front().part;
        if (!out.part) {
            if (!out.candidates.empty()) choices[key] = "";
        } else if (chosen_before || found == out.candidates.end() || found->part != *out.part) {
            choices[key] = stock.parts()[*out.part].id;
        }
    }
    return choices;
}

std::vector<PickRow> pick_list(const BuildCheck& check, const StockIndex& stock,
                               const std::vector<std::string>& place_order) {
    std::map<std::string, std::size_t> rank;
    for (std::size_t k = 0; k < place_order.size(); ++k) rank.try_emplace(place_order[k], k);
    std::vector<PickRow> rows;
    for (std::size_t k = 0; k < check.lines.size(); ++k) {
        const CheckLine& line = check.lines[k];
        if (line.part && line.take > 0) rows.push_back({k, *line.part, line.take});
    }
    auto key = [&](const PickRow& row) {
        const StockPart& part = stock.parts()[row.part];
        const auto at = rank.find(part.place);
        // Known places in tree order, then unknown by text, then none.
        const int group = at != rank.end() ? 0 : part.place.empty() ? 2 : 1;
        return std::make_tuple(group, at != rank.end() ? at->second : 0, std::cref(part.place), std::cref(part.name),
                               row.line);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const PickRow& a, const PickRow& b) { return key(a) < key(b); });
    return rows;
}

std::string place_shown(const std::string& path) {
    std::vector<std::string_view> names;
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t bar = rest.find('|');
        const std::string_view name = rest.substr(0, bar);
        if (!name.empty()) names.push_back(name);
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    if (names.empty()) return "—";
    if (names.size() > 1 && names.front() == "Все") names.erase(names.begin());
    std::string shown;
    for (const std::string_view name : names) {
        if (!shown.empty()) shown += " / ";
        shown += name;
    }
    return shown;
}

std::string pick_list_csv(const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                          const std::vector<PickRow>& rows, spreadsheet::CsvStyle style) {
    spreadsheet::CsvWriter writer(style);
    for (const char* caption : {"Расположение", "ID", "Название", "Взять", "Обозначения"})
        writer.text(std::string_view(caption));
    writer.end_row();
    for (const PickRow& row : rows) {
        const StockPart& part = stock.parts()[row.part];
        writer.text(place_shown(part.place));
        writer.number(part.id);
        writer.text(part.name);
        writer.number(std::to_string(row.take));
        writer.text(designators_text(bom.lines[check.lines[row.line].line].designators));
        writer.end_row();
    }
    return writer.take();
}

}  // namespace detalehran::bom
