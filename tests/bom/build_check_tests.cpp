// Lines matched to parts and the check of a build: which part is best,
// how two lines share a part's stock, the cost, and the pick list's order.

#include <gtest/gtest.h>

#include "bom/build_check.h"
#include "bom/shortfall.h"

namespace detalehran::bom {
namespace {

StockPart part(const char* id, const char* name, const char* package, long long quantity, const char* place,
               std::int64_t price) {
    return {id, name, package, place, "", quantity, price, price > 0};
}

std::vector<StockPart> shelf() {
    return {
        part("1", "Резистор 10 кОм 0805", "0805", 50, "|Все|Шкаф|Полка 2|", 10000),
        part("2", "Резистор 10 кОм 0805", "0805", 500, "|Все|Шкаф|Полка 1|", 10000),
        part("3", "Резистор 10 кОм 0603", "0603", 900, "|Все|Шкаф|Полка 1|", 5000),
        part("4", "Таймер NE555", "DIP-8", 3, "|Все|Касса|", 250000),
        part("5", "Таймер NE555DR", "SOIC-8", 100, "|Все|Касса|", 0),
        part("6", "Конденсатор 100 нФ 0603", "0603", 10, "", 2000),
        part("7", "Резистор 10 кОм 0,25 Вт", "0207", 20, "|Все|Шкаф|Полка 2|", 3000),
    };
}

TEST(StockMatch, CandidatesBestFirst) {
    const StockIndex stock(shelf());
    struct Case {
        BomLine line;
        std::vector<std::string> ids;  // best first
    };
    const Case cases[] = {
        // The same part twice: the larger stock first.
        {{{"R1"}, "10k", "R_0805_2012Metric", "", 1}, {"2", "1"}},
        // A through-hole footprint with no package the values know rules out chips.
        {{{"R1"}, "10K", "Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal", "", 1}, {"7"}},
        // A bare number is a resistance after "R".
        {{{"R1"}, "10000", "R_0603_1608Metric", "", 1}, {"3"}},
        // By part number: the package tells NE555 from NE555DR; with no
        // package both, the exact number first.
        {{{"U1"}, "NE555", "Package_DIP:DIP-8_W7.62mm", "", 1}, {"4"}},
        {{{"U1"}, "NE555", "", "", 1}, {"4", "5"}},
        // The number's own part first, then the family it belongs to.
        {{{"U1"}, "Timer", "", "NE555DR", 1}, {"5", "4"}},
        {{{"U1"}, "NE555P", "DIP-8", "", 1}, {"4"}},
        {{{"C1"}, "0.1uF", "C_0603", "", 1}, {"6"}},
        {{{"C1"}, "0.1uF", "C_0805", "", 1}, {}},
        {{{"J1"}, "Conn_01x02", "", "", 1}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> ids;
        for (const Candidate& candidate : stock.candidates(c.line)) ids.push_back(stock.parts()[candidate.part].id);
        EXPECT_EQ(ids, c.ids) << c.line.value << " " << c.line.footprint;
    }
}

TEST(BuildCheck, NeedsShortfallCostAndPickOrder) {
    const StockIndex stock(shelf());
    Bom bom;
    bom.lines = {
        {{"R1", "R2"}, "10k", "0603", "", 2},
        // Two lines on one part share its 3 timers: the first takes 2.
        {{"U1"}, "NE555", "DIP-8", "", 1},
        {{"U2"}, "NE555", "DIP-8", "", 1},
        {{"C1", "C2", "C3"}, "100n", "0603", "", 3},
        {{"J1"}, "USB-C", "", "", 1},
    };
    const BuildCheck check = check_build(bom, stock, 2);
    ASSERT_EQ(check.lines.size(), 5u);
    struct Expected {
        long long needed, take, shortfall;
    };
    const Expected expected[] = {{4, 4, 0}, {2, 2, 0}, {2, 1, 1}, {6, 6, 0}, {2, 0, 2}};
    for (std::size_t k = 0; k < check.lines.size(); ++k) {
        EXPECT_EQ(check.lines[k].needed, expected[k].needed) << k;
        EXPECT_EQ(check.lines[k].take, expected[k].take) << k;
        EXPECT_EQ(check.lines[k].shortfall, expected[k].shortfall) << k;
    }
    EXPECT_FALSE(check.lines[4].part.has_value());
    EXPECT_EQ(check.matched, 4u);
    EXPECT_EQ(check.missing, 1u);
    EXPECT_EQ(check.short_lines, 2u);
    EXPECT_EQ(check.shortfall, 3);
    // One board: 2 × 0.50 + 2 × 25.00 + 3 × 0.20 = 51.60; the connector has no part.
    EXPECT_EQ(static_cast<long long>(check.board_cost), 516000);
    EXPECT_EQ(static_cast<long long>(check.total_cost), 1032000);
    EXPECT_EQ(check.unpriced, 1u);

    // The tree's order, not the text's: "Шкаф" before "Касса"; no place last.
    const std::vector<std::string> places = {"|Все|", "|Все|Шкаф|", "|Все|Шкаф|Полка 1|", "|Все|Касса|"};
    std::vector<std::size_t> lines;
    for (const PickRow& row : pick_list(check, stock, places)) lines.push_back(row.line);
    EXPECT_EQ(lines, (std::vector<std::size_t>{0, 1, 2, 3}));
}

std::vector<std::string> candidate_ids(const CheckLine& line, const StockIndex& stock) {
    std::vector<std::string> ids;
    for (const Candidate& candidate : line.candidates) ids.push_back(stock.parts()[candidate.part].id);
    return ids;
}

TEST(BuildCheck, ARememberedChoiceComesBeforeNumberAndValue) {
    const StockIndex stock(shelf());
    const BomLine resistor{{"R1"}, "10k", "R_0805_2012Metric", "", 1};
    const BomLine timer{{"U1"}, "NE555", "DIP-8", "", 1};
    struct Case {
        BomLine line;
        const char* chosen;  // nullptr: no choice for the line
        const char* part;    // nullptr: "нет на складе"
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {resistor, nullptr, "2", {"2", "1"}},
        // The chosen part first, once, though the search found it too.
        {resistor, "1", "1", {"1", "2"}},
        // Even a part that fits neither value nor package.
        {resistor, "3", "3", {"3", "2", "1"}},
        // An empty choice: the user said the store has nothing for it.
        {resistor, "", nullptr, {"2", "1"}},
        // A chosen part that left the store is no choice.
        {resistor, "99", "2", {"2", "1"}},
        {timer, "5", "5", {"5", "4"}},
    };
    for (const Case& c : cases) {
        Bom bom;
        bom.lines = {c.line};
        CheckOptions options{.boards = 2, .chosen = {}, .minimum = std::nullopt};
        if (c.chosen != nullptr) options.chosen[line_key(c.line)] = c.chosen;
        const BuildCheck check = check_build(bom, stock, options);
        const CheckLine& line = check.lines.at(0);
        EXPECT_EQ(candidate_ids(line, stock), c.ids) << c.line.value << " " << (c.chosen ? c.chosen : "-");
        ASSERT_EQ(line.part.has_value(), c.part != nullptr) << c.line.value;
        if (c.part != nullptr) EXPECT_EQ(stock.parts()[*line.part].id, c.part);
        EXPECT_EQ(line.shortfall, c.part != nullptr ? 0 : 2);
        // The check stands for the same choices, so a project keeps them.
        EXPECT_EQ(choices_of(check, bom, stock),
                  c.chosen != nullptr && std::string(c.chosen) != "99" ? options.chosen : Choices{});
    }
}

TEST(BuildCheck, RecountAfterAChangedPartAndBoards) {
    const StockIndex stock(shelf());
    Bom bom;
    // Both lines find the 3 timers of ID 4 first; the second may take ID 5.
    bom.lines = {{{"U1"}, "NE555", "DIP-8", "", 1}, {{"U2"}, "NE555", "", "", 1}};
    BuildCheck check = check_build(bom, stock, CheckOptions{.boards = 1, .chosen = {}, .minimum = 1});
    const std::size_t part4 = *stock.find_id("4"), part5 = *stock.find_id("5");
    ASSERT_EQ(check.lines[1].part, part4);
    struct Step {
        std::size_t second_part;
        long long boards;
        long long take0, take1, short1;
        bool flagged;  // ID 4 ends below the minimum of 1
    };
    const Step steps[] = {
        {part5, 3, 3, 3, 0, true},
        {part4, 3, 3, 0, 3, true},
        {part4, 1, 1, 1, 0, false},
        {part5, 2, 2, 2, 0, false},
    };
    for (const Step& step : steps) {
        check.lines[1].part = step.second_part;
        check.boards = step.boards;
        recount(check, bom, stock, 1);
        EXPECT_EQ(check.lines[0].take, step.take0) << step.boards;
        EXPECT_EQ(check.lines[1].take, step.take1) << step.boards;
        EXPECT_EQ(check.lines[1].shortfall, step.short1) << step.boards;
        EXPECT_EQ(check.shortfall, step.short1);
        EXPECT_EQ(check.short_lines, step.short1 > 0 ? 1u : 0u);
        EXPECT_EQ(check.lines[0].below_minimum, step.flagged) << step.boards;
        EXPECT_EQ(check.lines[1].below_minimum, step.flagged && step.second_part == part4) << step.boards;
        // One 25.00 timer per board on the first line; ID 5 on the second has no price.
        EXPECT_EQ(static_cast<long long>(check.total_cost),
                  step.boards * (step.second_part == part4 ? 500000 : 250000));
        // The recounted check is the one its choices give.
        const BuildCheck again = check_build(
            bom, stock, CheckOptions{.boards = step.boards, .chosen = choices_of(check, bom, stock), .minimum = 1});
        EXPECT_EQ(again.lines[1].part, check.lines[1].part);
        EXPECT_EQ(again.lines[1].take, check.lines[1].take);
    }
}

std::vector<std::string> cells(const spreadsheet::ReorderList& list) {
    std::vector<std::string> out;
    for (const spreadsheet::ReorderRow& row : list.rows)
        out.push_back(row.supplier + "|" + row.name + "|" + row.quantity + "|" + row.order + "|" + row.sum);
    return out;
}

TEST(Shortfall, OrderListsByShortfallAndByTheMinimum) {
    const StockIndex stock({
        {"1", "Резистор 10 кОм 0805", "0805", "", "Компэл", 50, 10000, true},
        {"4", "Таймер NE555", "DIP-8", "", "Платан", 3, 250000, true},
        {"6", "Конденсатор 100 нФ 0603", "0603", "", "Компэл", 8, 2000, true},
        {"8", "Диод 1N4148", "SOD-123", "", "ЭФО", 2, 1000, true},
    });
    Bom bom;
    bom.lines = {
        {{"R1", "R2", "R3", "R4"}, "10k", "0805", "", 4},
        {{"U1"}, "NE555", "DIP-8", "", 1},
        {{"U2"}, "NE555", "DIP-8", "", 1},
        {{"C1", "C2"}, "100n", "0603", "", 2},
        {{"J1"}, "USB-C", "", "", 1},
    };
    // Two boards: 8 resistors of 50, 2 + 1 of the 3 timers (one short), 4
    // capacitors of 8, no connector (2 short).
    const BuildCheck check = check_build(bom, stock, 2);
    ASSERT_EQ(check.shortfall, 3);

    const spreadsheet::ReorderList shortfall = shortfall_list(bom, check, stock, "5");
    EXPECT_EQ(cells(shortfall), (std::vector<std::string>{
                                    "|USB-C (нет на складе)|0|2|",
                                    "Платан|Таймер NE555|3|1|25.00",
                                }));
    EXPECT_EQ(shortfall.total, "25.00");
    ASSERT_EQ(shortfall.suppliers.size(), 2u);

    // After the build: the timers end at 0 (ordered 1 short + 5 to the
    // minimum), the capacitors at 4 (1 to the minimum), the resistors at 42
    // (none); the diode was low before (3 to the minimum).
    std::vector<spreadsheet::ReorderSource> items;
    for (const StockPart& part : stock.parts()) {
        items.push_back({part.supplier, part.name, part.package, std::to_string(part.quantity), "", part.id});
    }
    items[3].purchase_price = ".1000";
    const spreadsheet::ReorderList merged = merged_order_list(items, "5", bom, check, stock);
    EXPECT_EQ(cells(merged), (std::vector<std::string>{
                                 "|USB-C (нет на складе)|0|2|",
                                 "Компэл|Конденсатор 100 нФ 0603|4|1|0.20",
                                 "Платан|Таймер NE555|0|6|150.00",
                                 "ЭФО|Диод 1N4148|2|3|0.30",
                             }));
    EXPECT_EQ(merged.total, "150.50");
    ASSERT_EQ(merged.suppliers.size(), 4u);
    EXPECT_EQ(merged.suppliers[2].sum, "150.00");
}

}  // namespace
}  // namespace detalehran::bom

namespace detalehran::bom {
namespace {

TEST(PickList, PlacesShowWithoutTheRootAndItsBars) {
    const std::pair<const char*, const char*> cases[] = {
        {"|Все|Шкаф 1|Полка 3|", "Шкаф 1 / Полка 3"},
        {"|Все|", "Все"},  // the root alone is still a place
        {"Склад", "Склад"},
        {"", "—"},
        {"||", "—"},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(place_shown(path), shown) << path;
}

}  // namespace
}  // namespace detalehran::bom
