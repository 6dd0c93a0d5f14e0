// detalehran-db history and revert on a store changed by the tool's import.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

class HistoryCommand : public ::testing::Test {
protected:
    void SetUp() override {
        use_build_driver(odbc_);
        ASSERT_EQ(run_tool({"create", folder_.str(), "--demo"}).exit_code, 0);
        const std::filesystem::path csv = folder_.path() / "parts.csv";
        std::ofstream(csv) << "Название;Тип корпуса;Количество\nДиод;SOD-123;4\n";
        const ToolRun import = run_tool({"import", folder_.str(), csv.string(), "--duplicates", "skip"});
        ASSERT_EQ(import.exit_code, 0) << import.err;
    }

    TempFolder odbc_;
    TempFolder folder_;
};

TEST_F(HistoryCommand, ListsRevertsAndPrunes) {
    // The demo's fill is no change; the import is the one operation.
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        std::vector<std::string> expected;  // parts of the output, in order
    };
    const std::string dir = folder_.str();
    const std::vector<Case> cases = {
        {{"history", dir}, 0, {"Операция 1, ", " UTC, ", "(detalehran-db): Импорт parts.csv: 1 деталь\n",
                               "  деталь 350 «Диод»: добавление\n", "  тип корпуса «SOD-123»: добавление\n",
                               "Операций: 1\n"}},
        {{"history", dir, "--csv", "--item", "350"}, 0,
         {"Операция;Время (UTC);Автор;Описание;Что;Изменение;ID;Столбец;Было;Стало\r\n",
          ";Импорт parts.csv: 1 деталь;деталь;добавление;350;Название;;Диод\r\n"}},
        {{"history", dir, "--item", "1"}, 0, {"Операций: 0\n"}},
        {{"revert", dir, "1"}, 0, {"Операция 1 отменена операцией 2.\n"}},
        {{"revert", dir, "1"}, 1, {"операцию 1 нельзя отменить: операция 1 уже отменена операцией 2"}},
        {{"revert", dir, "2"}, 0, {"Операция 2 отменена операцией 3.\n"}},
        {{"revert", dir, "1"}, 1, {"уже отменена"}},
        {{"history", dir, "--since", "2000-01-01", "--until", "2000-12-31"}, 0, {"Операций: 0\n"}},
        {{"history", dir}, 0, {"Операция 3, ", "Отмена: Отмена: Импорт parts.csv: 1 деталь (отменяет операцию 2)",
                               "Операций: 3\n"}},
        // A day that is no day prunes nothing: the three stay for the prune below.
        {{"history", dir, "--prune-before", "2026-13-45"}, 2, {"ГГГГ-ММ-ДД", "«2026-13-45»"}},
        {{"history", dir, "--prune-before", "2000-01-01"}, 0, {"Удалено операций старше 2000-01-01: 0\n"}},
        {{"history", dir, "--prune-before", "2999-01-01"}, 0, {"Удалено операций старше 2999-01-01: 3\n"}},
        {{"history", dir, "--since", "вчера"}, 2, {"ГГГГ-ММ-ДД"}},
        {{"revert", dir}, 2, {"номер операции"}},
    };
    for (const Case& c : cases) {
        const ToolRun run = run_tool(c.args);
        const std::string text = run.out + run.err;
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 2 ? c.args[2] : "") + ": " + text);
        EXPECT_EQ(run.exit_code, c.exit_code);
        std::size_t at = 0;
        for (const std::string& part : c.expected) {
            at = text.find(part, at);
            ASSERT_NE(at, std::string::npos) << part;
        }
    }
}

TEST_F(HistoryCommand, RevertNamesTheLaterOperationThatBlocksIt) {
    const std::string script =
        "import pyodbc, sys\n"
        "c = pyodbc.connect('DRIVER={Microsoft Access Driver (*.mdb)};DBQ=' + sys.argv[1])\n"
        "c.execute('SELECT history_caption(?, NULL)', 'Пересчёт')\n"
        "c.execute('UPDATE [Store] SET [Количество] = 1 WHERE [ID] = 350')\n"
        "c.commit()\n";
    const std::string command =
        std::string("env ") + DETALEHRAN_CHILD_ENV + " /usr/bin/python3 -c \"" + script + "\" '" + (folder_.path() / "Store.mdb").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const ToolRun run = run_tool({"revert", folder_.str(), "1"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("позже изменила операция 2 ("), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" (python3), «Пересчёт»). Сначала отмените её."), std::string::npos) << run.err;
}

}  // namespace
}  // namespace detalehran::dbtool::testing
