// detalehran-db search on the demo inventory: the program's rule, the
// search by name's parts first, then those found by value.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

class SearchCommand : public ::testing::Test {
protected:
    void SetUp() override {
        use_build_driver(odbc_);
        ASSERT_EQ(run_tool({"create", folder_.str(), "--demo"}).exit_code, 0);
    }
    void TearDown() override { EXPECT_FALSE(std::filesystem::exists(odbc_.path() / "odbc.ini")); }

    TempFolder odbc_;
    TempFolder folder_;
};

TEST_F(SearchCommand, ListsThePartsFoundByNameThenByValue) {
    const ToolRun run = run_tool({"search", folder_.str(), "4k7 0805"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "ID\tНазвание\tТип корпуса\tКоличество\tРасположение");
    EXPECT_NE(run.out.find("\tРезистор 4,7 кОм 0805\t0805\t"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("0603"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Найдено деталей: 1\n"), std::string::npos) << run.out;

    // "4,7 кОм" is in three names; the search by name gives them first, in
    // name order, and a search by value has nothing to add to them.
    const ToolRun csv = run_tool({"search", folder_.str(), "4,7 кОм", "--csv"});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    const std::string expected_start = "\xEF\xBB\xBFID;Название;Тип корпуса;Количество;Расположение\r\n";
    EXPECT_EQ(csv.out.substr(0, expected_start.size()), expected_start);
    const std::size_t watt = csv.out.find(";Резистор 4,7 кОм 0,25 Вт;");
    const std::size_t chip = csv.out.find(";Резистор 4,7 кОм 0603;");
    EXPECT_LT(watt, chip);
    EXPECT_LT(chip, csv.out.find(";Резистор 4,7 кОм 0805;"));

    // A bare number says nothing by value.
    const ToolRun bare = run_tool({"search", folder_.str(), "4700"});
    EXPECT_EQ(bare.exit_code, 0);
    EXPECT_NE(bare.out.find("Найдено деталей: 0\n"), std::string::npos) << bare.out;
}

TEST_F(SearchCommand, WrongArgumentsAreUsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"search", folder_.str()},
             {"search", folder_.str(), "4k7", "0805"},
             {"search", folder_.str(), "4k7", "--csv", "--csv"},
             {"search", folder_.str(), "4k7", "--wide"},
             {"search", "--dsn", "Store", folder_.str(), "4k7"},
         }) {
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, 2) << args.back();
        EXPECT_NE(run.err.find("detalehran-db --help"), std::string::npos) << run.err;
    }
    const ToolRun missing = run_tool({"search", (folder_.path() / "nowhere").string(), "4k7"});
    EXPECT_EQ(missing.exit_code, 1) << missing.err;
}

}  // namespace
}  // namespace detalehran::dbtool::testing
