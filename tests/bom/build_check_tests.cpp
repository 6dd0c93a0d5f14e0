// Lines matched to parts and the check of a build: which part is best,
// how two lines share a part's stock, the cost, and the pick list's order.

#include <gtest/gtest.h>

#include "bom/build_check.h"

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

}  // namespace
}  // namespace detalehran::bom
