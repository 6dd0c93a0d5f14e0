#include "bom/build_check.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace detalehran::bom {

BuildCheck check_build(const Bom& bom, const StockIndex& stock, long long boards) {
    BuildCheck check;
    check.boards = boards;
    std::map<std::size_t, long long> taken;  // by part, over the lines so far
    for (std::size_t k = 0; k < bom.lines.size(); ++k) {
        const BomLine& line = bom.lines[k];
        CheckLine& out = check.lines.emplace_back();
        out.line = k;
        out.needed = line.per_board * boards;
        out.candidates = stock.candidates(line);
        check.needed += out.needed;
        if (out.candidates.empty()) {
            ++check.missing;
            ++check.unpriced;
            out.shortfall = out.needed;
        } else {
            ++check.matched;
            const std::size_t index = out.candidates.front().part;
            const StockPart& part = stock.parts()[index];
            out.part = index;
            out.in_stock = part.quantity;
            long long& used = taken[index];
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
    return check;
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

}  // namespace detalehran::bom
