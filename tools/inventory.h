#pragma once
// Parts as the tool writes them into a store file, and the two sources of
// them: the hand-tuned demo inventory and the bulk generator for benchmarks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "schema/money.h"

namespace detalehran::dbtool {

// One row of table Store. Prices are exact amounts, so that the demo never
// carries binary fractions like 12.4999; empty text is written as NULL.
struct Part {
    std::string name;
    std::string description;
    std::string place;  // storage place path, "|Все|Шкаф 1|Полка 2|Ящик 3|"
    int quantity = 0;
    schema::Money selling_price;
    schema::Money purchase_price;
    std::string supplier;
    std::string section;  // section path, "|Все|Пассивные компоненты|Резисторы|"
    std::string package;
    std::string datasheet;  // file name inside the Datasheet folder, no folder part
};

struct DatasheetFile {
    std::string name;
    std::string content;
};

struct DemoInventory {
    std::vector<Part> parts;
    std::vector<DatasheetFile> datasheets;
};

// The demo inventory: a few hundred parts, the same on every call.
DemoInventory make_demo_inventory();

// Turns names from below the root into a node path: {"A", "B"} gives "|Все|A|B|".
std::string node_path(const std::vector<std::string>& names);

// Generates any number of varied parts spread over kBulkSectionCount sections
// and kBulkPlaceCount storage places; part i lands in section i % 500, so the
// first 500 parts already cover every section (and the first 300 every place).
class BulkGenerator {
public:
    static constexpr std::size_t kBulkSectionCount = 500;
    static constexpr std::size_t kBulkPlaceCount = 300;

    explicit BulkGenerator(std::uint64_t seed = 20240601);

    // Fills *part with the next part; the n-th part depends only on the seed.
    void next(Part* part);

    const std::vector<std::string>& sections() const { return sections_; }
    const std::vector<std::string>& places() const { return places_; }

private:
    std::uint64_t state_;
    std::size_t index_ = 0;
    std::vector<std::string> sections_;
    std::vector<int> section_kinds_;
    std::vector<std::string> places_;
};

}  // namespace detalehran::dbtool
