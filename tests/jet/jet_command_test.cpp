// `detalehran-db convert` as a user runs it: what it prints, its exit codes,
// and that a refused conversion writes nothing.

#include <gtest/gtest.h>

#include <filesystem>

#include "jet_test_support.h"

namespace detalehran::jet::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun convert(const std::string& arguments) {
    ToolRun run;
    run.output = dtest::run_command(std::string(DETALEHRAN_DB_EXE) + " convert " + arguments, "", &run.status);
    return run;
}

std::vector<fx::Table> small_inventory() {
    fx::Table store{"Store", fx::item_columns(), {}};
    store.rows.push_back({text("BC547"), kNull, text("|Все|"), number(10), number(25000), number(12000), kNull,
                          text("|Все|"), text("TO-92"), number(3), kNull});
    fx::Table temp{"Temp", fx::item_columns(), {}};
    temp.rows.push_back({text("LM358"), kNull, text("|Все|"), number(1), kNull, kNull, kNull, text("|Все|"),
                         text("DIP-8"), number(9), kNull});
    return {store, fx::package_table({"TO-92", "DIP-8"}), temp};
}

TEST(JetCommand, ConvertsAndSaysWhat) {
    const std::string folder = dtest::new_folder("command");
    ASSERT_TRUE(write_checked_fixture(folder + "old.mdb", small_inventory()));
    fs::create_directory(folder + "new");
    const ToolRun run = convert("'" + folder + "old.mdb' '" + folder + "new'");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "Converted " + folder + "old.mdb (Jet 4) into " + folder +
                              "new/Store.mdb: 1 items, 2 package types, 1 parked items returned\n"
                              "New items will be numbered from 10\n");
    EXPECT_EQ(query_store(folder + "new/Store.mdb", "SELECT [ID] FROM [Store] ORDER BY [ID]"),
              (dtest::Rows{{dtest::Cell("3")}, {dtest::Cell("9")}}));
}

TEST(JetCommand, FailsWithOneLineAndWritesNothing) {
    const std::string folder = dtest::new_folder("command");
    ASSERT_TRUE(write_checked_fixture(folder + "old.mdb", small_inventory()));
    const std::string bytes = dtest::read_file(folder + "old.mdb");
    dtest::write_file(folder + "cut.mdb", bytes.substr(0, bytes.size() / 2 + 10));
    dtest::write_file(folder + "text.mdb", "not a database");
    fs::create_directory(folder + "new");
    fs::create_directory(folder + "full");
    dtest::write_file(folder + "full/Store.mdb", "mine");

    const struct {
        std::string arguments;
        int status;
        std::string says;
    } cases[] = {
        {"'" + folder + "cut.mdb' '" + folder + "new'", 1, "cut short"},
        {"'" + folder + "text.mdb' '" + folder + "new'", 1, "not an Access"},
        {"'" + folder + "missing.mdb' '" + folder + "new'", 1, "not found"},
        {"'" + folder + "old.mdb' '" + folder + "full'", 1, "already exists"},
        {"'" + folder + "old.mdb' '" + folder + "nowhere'", 1, "Cannot reach folder"},
        {"'" + folder + "old.mdb'", 2, "--help"},
        {"--replace '" + folder + "old.mdb' '" + folder + "new'", 2, "unknown option"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = convert(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_TRUE(fs::is_empty(folder + "new"));
    }
    EXPECT_EQ(dtest::read_file(folder + "full/Store.mdb"), "mine");
    EXPECT_EQ(dtest::read_file(folder + "cut.mdb"), bytes.substr(0, bytes.size() / 2 + 10));
}

}  // namespace
}  // namespace detalehran::jet::testing
