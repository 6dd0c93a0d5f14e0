#include "bom/shortfall.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "itemlist/text_rules.h"

namespace detalehran::bom {

namespace {

// Ten-thousandths as the store writes money: "12.5000", "-.5000".
std::string stored_money(std::int64_t units) {
    const bool negative = units < 0;
    const unsigned long long whole = negative ? 0ULL - static_cast<unsigned long long>(units) : units;
    char text[32];
    std::snprintf(text, sizeof text, "%s%s.%04llu", negative ? "-" : "",
                  whole >= 10000 ? std::to_string(whole / 10000).c_str() : "", whole % 10000);
    return text;
}

spreadsheet::ReorderSource source_of(const StockPart& part, long long quantity) {
    return {part.supplier,
            part.name,
            part.package,
            std::to_string(quantity),
            part.priced ? stored_money(part.purchase_price) : std::string(),
            part.id};
}

// Lines with no part, one row per value and footprint, in the bill's order.
void add_missing(const Bom& bom, const BuildCheck& check, std::vector<spreadsheet::OrderNeed>& needs) {
    std::map<std::pair<std::string, std::string>, std::size_t> rows;
    for (const CheckLine& line : check.lines) {
        if (line.part || line.shortfall <= 0) continue;
        const BomLine& bom_line = bom.lines[line.line];
        const auto [at, added] = rows.try_emplace({bom_line.value, bom_line.footprint}, needs.size());
        if (added) {
            std::string name = bom_line.value + " (" + kNotInStock + ")";
            needs.push_back({{{}, std::move(name), bom_line.footprint, std::string(1, '0'), {}, {}}, 0, true});
        }
        needs[at->second].order += line.shortfall;
    }
}

struct PartUse {
    long long take = 0, shortfall = 0;
};

// What the build takes and lacks of each of its parts.
std::map<std::size_t, PartUse> part_uses(const BuildCheck& check) {
    std::map<std::size_t, PartUse> uses;
    for (const CheckLine& line : check.lines) {
        if (!line.part) continue;
        PartUse& use = uses[*line.part];
        use.take += line.take;
        use.shortfall += line.shortfall;
    }
    return uses;
}

}  // namespace

spreadsheet::ReorderList shortfall_list(const Bom& bom, const BuildCheck& check, const StockIndex& stock,
                                        std::string_view minimum) {
    std::vector<spreadsheet::OrderNeed> needs;
    for (const auto& [part, use] : part_uses(check)) {
        if (use.shortfall <= 0) continue;
        const StockPart& p = stock.parts()[part];
        needs.push_back({source_of(p, p.quantity), use.shortfall});
    }
    add_missing(bom, check, needs);
    return spreadsheet::order_list(needs, minimum);
}

spreadsheet::ReorderList merged_order_list(const std::vector<spreadsheet::ReorderSource>& items,
                                           std::string_view minimum, const Bom& bom, const BuildCheck& check,
                                           const StockIndex& stock) {
    const QString minimum_text = QString::fromUtf8(minimum.data(), static_cast<qsizetype>(minimum.size()));
    const long long least = itemlist::integer_value(minimum_text);
    const std::map<std::size_t, PartUse> uses = part_uses(check);
    std::unordered_map<std::string, const PartUse*> by_id;
    for (const auto& [part, use] : uses) by_id.emplace(stock.parts()[part].id, &use);

    std::vector<spreadsheet::OrderNeed> needs;
    auto add_build_part = [&](const StockPart& part, const PartUse& use) {
        // What the build leaves, brought up to the minimum, and what it lacks.
        const long long left = part.quantity - use.take;
        const __int128 order = static_cast<__int128>(use.shortfall) + std::max<__int128>(0, __int128{least} - left);
        if (order > 0) needs.push_back({source_of(part, left), order});
    };
    for (const spreadsheet::ReorderSource& item : items) {
        const auto build = item.id.empty() ? by_id.end() : by_id.find(item.id);
        if (build == by_id.end()) {
            const QString quantity =
                QString::fromUtf8(item.quantity.data(), static_cast<qsizetype>(item.quantity.size()));
            if (itemlist::is_low_stock(quantity, minimum_text))
                needs.push_back({item, static_cast<__int128>(least) - itemlist::integer_value(quantity)});
            continue;
        }
        const std::optional<std::size_t> part = stock.find_id(item.id);
        if (part) add_build_part(stock.parts()[*part], *build->second);
        by_id.erase(build);
    }
    // Parts of the build the items did not name (added since they were read).
    for (const auto& [part, use] : uses) {
        if (by_id.contains(stock.parts()[part].id)) add_build_part(stock.parts()[part], use);
    }
    add_missing(bom, check, needs);
    return spreadsheet::order_list(needs, minimum);
}

}  // namespace detalehran::bom
