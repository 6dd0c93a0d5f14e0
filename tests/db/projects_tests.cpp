// Projects kept in a store file through the database layer and the real
// driver: saved, replaced under a name in any letter case, loaded, renamed
// and deleted with their lines; and a file made before them gains them.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/projects.h"
#include "support/test_environment.h"

namespace detalehran::db {
namespace {

using testing::TestFolder;

void exec(const TestFolder& folder, const std::string& text) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string lines_text(const Project& project) {
    std::string out;
    for (const ProjectLine& l : project.lines) {
        out += l.designators + "|" + l.value + "|" + l.footprint + "|" + l.part_number + "|" +
               std::to_string(l.per_board) + "|" + l.item_id + "|" + (l.none_chosen ? "none" : "") + ";";
    }
    return out;
}

TEST(Projects, SaveReplaceLoadRenameDeleteOnAFileMadeBeforeThem) {
    TestFolder folder;
    folder.create_store();
    // A store of the history's version, before projects.
    exec(folder, "DROP TABLE \"ProjectLine\"; DROP TABLE \"Project\";");
    Database database;
    ASSERT_TRUE(database.init_environment());
    ASSERT_TRUE(database.open_file(folder.file("Store.mdb"))) << database.last_diagnostic().text;
    std::vector<ProjectSummary> list;
    ASSERT_TRUE(list_projects(database, list)) << database.last_diagnostic().text;
    EXPECT_TRUE(list.empty());

    Project board{0,
                  "Плата А",
                  5,
                  "/home/u/a.csv",
                  {{"R1,R2", "4k7", "R_0805", "", 2, "7", false}, {"J1", "USB-C", "", "USB4105", 1, "", true}}};
    const std::optional<long long> id = save_project(database, board);
    ASSERT_TRUE(id.has_value()) << database.last_diagnostic().text;
    std::optional<Project> loaded = find_project(database, "плата а");
    ASSERT_TRUE(loaded.has_value()) << database.last_diagnostic().text;
    EXPECT_EQ(loaded->id, *id);
    EXPECT_EQ(loaded->boards, 5);
    EXPECT_EQ(loaded->source, "/home/u/a.csv");
    EXPECT_EQ(lines_text(*loaded), "R1,R2|4k7|R_0805||2|7|;J1|USB-C||USB4105|1||none;");

    // The same name in other letters' case is the same project, replaced.
    const Project replaced{0, "ПЛАТА А", 3, "b.kicad_sch", {{"C1", "100n", "C_0603", "", 1, "", false}}};
    EXPECT_EQ(save_project(database, replaced), id);
    loaded = load_project(database, *id);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->name, "ПЛАТА А");
    EXPECT_EQ(loaded->boards, 3);
    EXPECT_EQ(lines_text(*loaded), "C1|100n|C_0603||1||;");

    const std::optional<long long> other = save_project(database, {0, "Блок питания", 1, "", {}});
    ASSERT_TRUE(other.has_value());
    EXPECT_NE(*other, *id);
    EXPECT_FALSE(rename_project(database, *other, "плата а"));
    ASSERT_TRUE(rename_project(database, *other, "Усилитель")) << database.last_diagnostic().text;
    ASSERT_TRUE(list_projects(database, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "ПЛАТА А");
    EXPECT_EQ(list[0].lines, 1);
    EXPECT_EQ(list[1].name, "Усилитель");
    EXPECT_EQ(list[1].lines, 0);
    EXPECT_EQ(list[1].changed.size(), 19u);

    ASSERT_TRUE(delete_project(database, *id)) << database.last_diagnostic().text;
    EXPECT_FALSE(load_project(database, *id).has_value());
    EXPECT_TRUE(database.last_diagnostic().empty());
    // Its lines went with it.
    ASSERT_TRUE(database.db_query(std::string("SELECT count(*) FROM ProjectLine")));
    ASSERT_TRUE(database.db_first_row());
    EXPECT_EQ(database.db_int(0), 0);
    database.db_finish();
}

}  // namespace
}  // namespace detalehran::db
