// The demo inventory read back from the file, as the program would show it.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <set>

#include "store_writer.h"
#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

namespace fs = std::filesystem;

class DemoInventory : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(create_database({dir_.str(), Content::demo, 0}, &report_, &error)) << error;
        reader_ = std::make_unique<StoreReader>(dir_.path() / "Store.mdb");
    }

    TempFolder dir_;
    CreateReport report_;
    std::unique_ptr<StoreReader> reader_;
};

TEST_F(DemoInventory, HasAFewHundredPartsNumberedFromOne) {
    const long long count = reader_->number("SELECT count(*) FROM Store");
    EXPECT_GE(count, 300);
    EXPECT_LE(count, 400);
    EXPECT_EQ(static_cast<long long>(report_.parts), count);
    EXPECT_EQ(reader_->number("SELECT min(ID) FROM Store"), 1);
    EXPECT_EQ(reader_->number("SELECT max(ID) FROM Store"), count);
    EXPECT_EQ(reader_->number("SELECT count(*) FROM Temp"), 0);
}

TEST_F(DemoInventory, SectionAndPlacePathsAreWellFormedAndNested) {
    std::set<int> section_depths;
    std::set<int> place_depths;
    for (const Row& row : reader_->rows("SELECT Путь, Расположение FROM Store")) {
        ASSERT_TRUE(row[0] && row[1]);
        EXPECT_TRUE(is_node_path(*row[0], 2, 3));
        EXPECT_TRUE(is_node_path(*row[1], 2, 3));
        section_depths.insert(node_depth(*row[0]));
        place_depths.insert(node_depth(*row[1]));
    }
    EXPECT_EQ(section_depths, (std::set<int>{2, 3}));
    EXPECT_EQ(place_depths, (std::set<int>{2, 3}));
    EXPECT_GE(reader_->number("SELECT count(DISTINCT Путь) FROM Store"), 15);
    EXPECT_GE(reader_->number("SELECT count(DISTINCT Расположение) FROM Store"), 10);
    EXPECT_GE(reader_->number("SELECT count(*) FROM Store WHERE Путь = '|Все|Пассивные компоненты|Резисторы|SMD|'"), 1);
}

TEST_F(DemoInventory, EveryDatasheetNamedIsAPdfInTheDatasheetFolder) {
    const std::vector<std::string> names =
        reader_->column("SELECT DISTINCT Datasheet FROM Store WHERE Datasheet IS NOT NULL");
    EXPECT_GE(names.size(), 10u);
    EXPECT_EQ(report_.datasheets, names.size());
    std::set<std::string> on_disk;
    for (const auto& entry : fs::directory_iterator(dir_.path() / "Datasheet")) {
        on_disk.insert(entry.path().filename().string());
    }
    EXPECT_EQ(on_disk, std::set<std::string>(names.begin(), names.end()));

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name.find('/'), std::string::npos);
        const std::string pdf = read_file(dir_.path() / "Datasheet" / name);
        ASSERT_GT(pdf.size(), 100u);
        EXPECT_EQ(pdf.rfind("%PDF-1.", 0), 0u);
        EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
        // A viewer starts from startxref: it must point at the table.
        const std::size_t mark = pdf.rfind("startxref\n");
        ASSERT_NE(mark, std::string::npos);
        const std::size_t xref = std::stoul(pdf.substr(mark + 10));
        EXPECT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
        EXPECT_EQ(pdf.compare(xref + 5, 4, "0 6\n"), 0);
        EXPECT_EQ(pdf.compare(std::stoul(pdf.substr(xref + 29, 10)), 8, "1 0 obj\n"), 0);
    }
    EXPECT_GE(reader_->number("SELECT count(*) FROM Store WHERE Datasheet = 'LM7805.pdf' AND "
                              "Название = 'Стабилизатор LM7805'"),
              1);
}

TEST_F(DemoInventory, AboutOnePartInTenIsRunningLow) {
    const long long count = reader_->number("SELECT count(*) FROM Store");
    const long long low = reader_->number("SELECT count(*) FROM Store WHERE Количество < 5");
    EXPECT_GE(low, count / 20);
    EXPECT_LE(low, count / 5);
    EXPECT_EQ(reader_->number("SELECT count(*) FROM Store WHERE Количество IS NULL OR Количество < 0"), 0);
}

TEST_F(DemoInventory, PackagesAreListedOnceEachAndMatchTheParts) {
    const std::vector<std::string> listed = reader_->column("SELECT \"Тип корпуса\" FROM Package");
    const std::set<std::string> distinct(listed.begin(), listed.end());
    EXPECT_EQ(distinct.size(), listed.size());
    EXPECT_EQ(report_.packages, listed.size());
    const std::vector<std::string> used = reader_->column("SELECT \"Тип корпуса\" FROM Store");
    EXPECT_EQ(std::set<std::string>(used.begin(), used.end()), distinct);
    for (const char* package : {"0805", "0603", "SOT-23", "TO-220", "DIP-8", "SOIC-8", "LQFP-48"}) {
        EXPECT_EQ(distinct.count(package), 1u) << package;
    }
}

TEST_F(DemoInventory, PricesAreRublesAndKopecksWithPurchaseBelowSelling) {
    int with_kopecks = 0;
    int rows = 0;
    for (const Row& row : reader_->rows("SELECT \"Цена расходная\", \"Цена приходная\", typeof(\"Цена расходная\") "
                                        "FROM Store")) {
        ++rows;
        ASSERT_TRUE(row[0] && row[1]);
        const double selling = std::stod(*row[0]);
        const double purchase = std::stod(*row[1]);
        EXPECT_NE(*row[2], "text");
        EXPECT_GT(purchase, 0.0);
        EXPECT_LT(purchase, selling);
        for (const double price : {selling, purchase}) {
            EXPECT_NEAR(price * 100, std::round(price * 100), 1e-6) << price;
        }
        if (std::round(selling * 100) != std::round(selling) * 100) ++with_kopecks;
    }
    EXPECT_GT(with_kopecks, rows / 2);
}

TEST_F(DemoInventory, NamesAreUniqueAndSuppliersVaried) {
    const std::vector<std::string> names = reader_->column("SELECT Название FROM Store");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (const char* name :
         {"Резистор 10 кОм 0805", "Конденсатор 100 нФ 50 В X7R 0603", "Микроконтроллер STM32F103C8T6",
          "Стабилизатор LM7805", "Светодиод красный 3 мм", "Разъём PLS-40"}) {
        EXPECT_EQ(reader_->number(std::string("SELECT count(*) FROM Store WHERE Название = '") + name + "'"), 1)
            << name;
    }
    const std::vector<std::string> suppliers = reader_->column("SELECT DISTINCT Поставщик FROM Store");
    EXPECT_GE(suppliers.size(), 5u);
    EXPECT_EQ(reader_->number("SELECT count(*) FROM Store WHERE Описание IS NULL OR Поставщик IS NULL"), 0);
}

TEST_F(DemoInventory, IsTheSameOnEveryRun) {
    TempFolder again;
    std::string error;
    ASSERT_TRUE(create_database({again.str(), Content::demo, 0}, nullptr, &error)) << error;
    const std::string dump = "SELECT * FROM Store ORDER BY ID";
    EXPECT_EQ(StoreReader(again.path() / "Store.mdb").rows(dump), reader_->rows(dump));
    EXPECT_EQ(read_file(again.path() / "Datasheet" / "STM32F103C8T6.pdf"),
              read_file(dir_.path() / "Datasheet" / "STM32F103C8T6.pdf"));
}

}  // namespace
}  // namespace detalehran::dbtool::testing
