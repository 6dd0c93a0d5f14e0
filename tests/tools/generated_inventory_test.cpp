// Generated inventories for benchmarks: exact sizes, full coverage of the
// section and place trees, and data that looks like a real inventory.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "store_writer.h"
#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

std::unique_ptr<StoreReader> generate(const TempFolder& dir, std::size_t parts) {
    std::string error;
    CreateReport report;
    if (!create_database({dir.str(), Content::generated, parts}, &report, &error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    EXPECT_EQ(report.parts, parts);
    EXPECT_EQ(report.datasheets, 0u);
    return std::make_unique<StoreReader>(dir.path() / "Store.mdb");
}

TEST(GeneratedInventory, ThousandPartsSpreadOverEverySectionAndPlace) {
    TempFolder dir;
    const auto reader = generate(dir, 1000);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->number("SELECT count(*) FROM Store"), 1000);
    EXPECT_EQ(reader->number("SELECT count(DISTINCT Путь) FROM Store"), 500);
    EXPECT_EQ(reader->number("SELECT count(DISTINCT Расположение) FROM Store"), 300);
    for (const Row& row : reader->rows("SELECT DISTINCT Путь FROM Store")) EXPECT_TRUE(is_node_path(*row[0], 3, 3));
    for (const Row& row : reader->rows("SELECT DISTINCT Расположение FROM Store")) {
        EXPECT_TRUE(is_node_path(*row[0], 3, 3));
    }
    // Sections group into a few top-level branches, as a user would sort them.
    std::set<std::string> tops;
    for (const std::string& path : reader->column("SELECT DISTINCT Путь FROM Store")) {
        tops.insert(path.substr(0, path.find('|', std::string("|Все|").size())));
    }
    EXPECT_GE(tops.size(), 4u);
    EXPECT_LE(tops.size(), 8u);
}

TEST(GeneratedInventory, FewPartsUseAsManySectionsAndPlaces) {
    TempFolder dir;
    const auto reader = generate(dir, 37);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->number("SELECT count(*) FROM Store"), 37);
    EXPECT_EQ(reader->number("SELECT count(DISTINCT Путь) FROM Store"), 37);
    EXPECT_EQ(reader->number("SELECT count(DISTINCT Расположение) FROM Store"), 37);
}

TEST(GeneratedInventory, RowsLookLikeARealInventory) {
    TempFolder dir;
    const auto reader = generate(dir, 3000);
    ASSERT_TRUE(reader);
    const std::vector<std::string> names = reader->column("SELECT Название FROM Store");
    ASSERT_EQ(names.size(), 3000u);
    EXPECT_GT(std::set<std::string>(names.begin(), names.end()).size(), 1500u);
    EXPECT_EQ(reader->number("SELECT count(*) FROM Store WHERE \"Цена приходная\" <= 0 OR "
                             "\"Цена приходная\" >= \"Цена расходная\""),
              0);
    const long long low = reader->number("SELECT count(*) FROM Store WHERE Количество < 5");
    EXPECT_GT(low, 150);
    EXPECT_LT(low, 600);
    EXPECT_EQ(reader->number("SELECT count(*) FROM Store WHERE Описание IS NULL OR Поставщик IS NULL"), 0);

    const std::vector<std::string> listed = reader->column("SELECT \"Тип корпуса\" FROM Package");
    const std::vector<std::string> used = reader->column("SELECT \"Тип корпуса\" FROM Store");
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), listed.size());
    EXPECT_EQ(std::set<std::string>(used.begin(), used.end()), std::set<std::string>(listed.begin(), listed.end()));
    EXPECT_GE(listed.size(), 40u);
}

TEST(GeneratedInventory, SameCountGivesTheSameRows) {
    TempFolder first;
    TempFolder second;
    const auto a = generate(first, 600);
    const auto b = generate(second, 600);
    ASSERT_TRUE(a && b);
    const std::string dump = "SELECT * FROM Store ORDER BY ID";
    EXPECT_EQ(a->rows(dump), b->rows(dump));
}

}  // namespace
}  // namespace detalehran::dbtool::testing
