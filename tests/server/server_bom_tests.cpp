// Bills of materials on a team's server: projects kept under the rights of
// the roles (and brought to a store made before them), and builds taken out
// by two roles at the same moment.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "db/projects.h"
#include "schema/project_tables.h"
#include "server/server_fixture.h"

extern char** environ;

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ServerBom : public ServerProgram {
protected:
    void insert_part(const std::string& name, const std::string& package, int quantity) {
        look_.sql(
            "INSERT INTO \"Store\" (\"Название\",\"Количество\",\"Цена приходная\",\"Поставщик\",\"Тип корпуса\","
            "\"Путь\",\"Расположение\") VALUES (" +
            sql_literal(name) + "," + std::to_string(quantity) + ",0.25,'Платан'," + sql_literal(package) +
            ",'|Все|','|Все|')");
    }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(folder_.file(name), std::ios::binary) << text;
        return folder_.file(name);
    }

    // detalehran-db started as a process of its own; its output goes to a
    // file of the folder.
    pid_t spawn(const std::vector<std::string>& args, const std::string& log) {
        std::vector<char*> argv;
        std::string program = DETALEHRAN_DBTOOL;
        argv.push_back(program.data());
        std::vector<std::string> words = args;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string path = folder_.file(log);
        posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static int exit_code(pid_t pid) {
        int status = 0;
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
};

TEST_F(ServerBom, ProjectsFollowTheRolesRightsAndAnOlderStoreGainsThem) {
    const std::string member = create_store("member");
    const std::string reader = add_role("reader", true);
    Door member_door, reader_door;
    ASSERT_TRUE(member_door.open(member)) << member_door.database().last_diagnostic().text;
    ASSERT_TRUE(reader_door.open(reader)) << reader_door.database().last_diagnostic().text;
    db::Database& m = member_door.database();

    const db::Project board{0,
                            "Плата Ё",
                            4,
                            "board.csv",
                            {{"R1,R2", "4k7", "R_0805", "", 2, "1", false}, {"J1", "USB-C", "", "", 1, "", true}}};
    const std::optional<long long> id = db::save_project(m, board);
    ASSERT_TRUE(id.has_value()) << m.last_diagnostic().text;
    // Letter case ignored in Cyrillic too: the same project, replaced.
    const db::Project smaller{0, "ПЛАТА ё", 2, "board.csv", {{"C1", "100n", "C_0603", "", 1, "", false}}};
    EXPECT_EQ(db::save_project(m, smaller), id) << m.last_diagnostic().text;
    std::optional<db::Project> loaded = db::find_project(m, "плата Ё");
    ASSERT_TRUE(loaded.has_value()) << m.last_diagnostic().text;
    EXPECT_EQ(loaded->boards, 2);
    ASSERT_EQ(loaded->lines.size(), 1u);
    EXPECT_EQ(loaded->lines[0].value, "100n");
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "ProjectLine")"), "1");

    const std::optional<long long> other = db::save_project(m, {0, "Усилитель", 1, "", {}});
    ASSERT_TRUE(other.has_value()) << m.last_diagnostic().text;
    EXPECT_FALSE(db::rename_project(m, *other, "плата ё"));
    EXPECT_TRUE(db::rename_project(m, *other, "Блок питания")) << m.last_diagnostic().text;

    // A reader reads the projects and changes none.
    std::vector<db::ProjectSummary> list;
    ASSERT_TRUE(db::list_projects(reader_door.database(), list)) << reader_door.database().last_diagnostic().text;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Блок питания");
    EXPECT_EQ(list[1].lines, 1);
    EXPECT_FALSE(db::save_project(reader_door.database(), {0, "Чужой", 1, "", {}}).has_value());

    ASSERT_TRUE(db::delete_project(m, *id)) << m.last_diagnostic().text;
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "ProjectLine")"), "0");

    // A role removed reads no more.
    std::ostringstream out, err;
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "remove-user", "--dsn", "Look", reader}, out, err), 0)
        << err.str();
    EXPECT_FALSE(db::list_projects(reader_door.database(), list));

    // A store made before projects gains them, its member's rights with them.
    look_.sql(R"(DROP TABLE "ProjectLine", "Project")");
    ASSERT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("Project и ProjectLine"), std::string::npos) << out.str();
    EXPECT_TRUE(db::save_project(m, board).has_value()) << m.last_diagnostic().text;
}

TEST_F(ServerBom, TwoRolesTakingOverlappingBuildsAtOnceNeverOvertake) {
    const std::string first = create_store("first");
    const std::string second = add_role("second");
    insert_part("Резистор 10 кОм 0805", "0805", 10);
    insert_part("Таймер NE555", "DIP-8", 7);
    insert_part("Конденсатор 100 нФ 0603", "0603", 9);
    // Both need the timers; each board of either takes one, and each
    // takes its other part by two.
    const std::string amplifier =
        write("amplifier.csv", "Reference,Value,Footprint\nR1-R2,10k,R_0805\nU1,NE555,DIP-8\n");
    const std::string blinker = write("blinker.csv", "Reference,Value,Footprint\nU1,NE555,DIP-8\nC1-C2,100n,C_0603\n");
    using Need = std::map<std::string, long long>;  // by part name, for 2 boards
    const Need amplifier_need{{"Резистор 10 кОм 0805", 4}, {"Таймер NE555", 2}};
    const Need blinker_need{{"Таймер NE555", 2}, {"Конденсатор 100 нФ 0603", 4}};

    Need expected{{"Резистор 10 кОм 0805", 10}, {"Таймер NE555", 7}, {"Конденсатор 100 нФ 0603", 9}};
    int built = 0;
    for (int round = 0; round < 4; ++round) {
        const pid_t a = spawn({"bom", "--dsn", first, amplifier, "--boards", "2", "--take"}, "a.log");
        const pid_t b = spawn({"bom", "--dsn", second, blinker, "--boards", "2", "--take"}, "b.log");
        const int a_code = exit_code(a), b_code = exit_code(b);
        // A build either took all it needs or nothing: a refusal says why.
        for (const auto& [code, need, log] :
             {std::tuple{a_code, &amplifier_need, "a.log"}, std::tuple{b_code, &blinker_need, "b.log"}}) {
            const std::string said = read_file(folder_.file(log));
            ASSERT_TRUE(code == 0 || code == 1) << said;
            if (code != 0) {
                EXPECT_NE(said.find("сборка не списана"), std::string::npos) << said;
                continue;
            }
            ++built;
            for (const auto& [name, pieces] : *need) expected[name] -= pieces;
        }
    }
    RecordProperty("builds_taken", built);
    // The first round cannot lose both builds; the timers allow three.
    EXPECT_GE(built, 1);
    EXPECT_LE(built, 3);
    for (const auto& [name, quantity] : expected) {
        EXPECT_GE(quantity, 0) << name;
        EXPECT_EQ(look_.value("SELECT \"Количество\" FROM \"Store\" WHERE \"Название\" = " + sql_literal(name)),
                  std::to_string(quantity))
            << name;
    }
}

}  // namespace
