// detalehran-db bom on the demo inventory: lines matched to the demo's
// parts, the CSV and the pick list, and the refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

class BomCommand : public ::testing::Test {
protected:
    void SetUp() override {
        use_build_driver(odbc_);
        ASSERT_EQ(run_tool({"create", folder_.str(), "--demo"}).exit_code, 0);
    }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(files_.path() / name, std::ios::binary) << text;
        return (files_.path() / name).string();
    }

    // The CSV's data rows, each as its cells (no cell of these holds ";").
    static std::vector<std::vector<std::string>> rows(const std::string& csv) {
        std::vector<std::vector<std::string>> out;
        std::size_t pos = csv.find("\r\n") + 2;  // past the header
        while (pos < csv.size()) {
            const std::size_t end = csv.find("\r\n", pos);
            std::vector<std::string>& cells = out.emplace_back();
            const std::string row = csv.substr(pos, end - pos);
            for (std::size_t from = 0;;) {
                const std::size_t semi = row.find(';', from);
                std::string cell = row.substr(from, semi - from);
                if (cell.size() >= 2 && cell.front() == '"') cell = cell.substr(1, cell.size() - 2);
                cells.push_back(cell);
                if (semi == std::string::npos) break;
                from = semi + 1;
            }
            pos = end + 2;
        }
        return out;
    }

    TempFolder odbc_;
    TempFolder folder_;
    TempFolder files_;
};

TEST_F(BomCommand, LinesMatchTheDemoPartsByValuePackageAndNumber) {
    const std::string bom = write("board.csv",
                                  "Reference,Value,Footprint\n"
                                  "\"R1, R2, R5-R8\",4k7,Resistor_SMD:R_0805_2012Metric\n"
                                  "C1-C3,0.1uF,Capacitor_SMD:C_0603_1608Metric\n"
                                  "U1,NE555,Package_DIP:DIP-8_W7.62mm\n"
                                  "J1,USB4105-GF-A,Connector_USB:USB_C_Receptacle\n");
    const ToolRun run = run_tool({"bom", folder_.str(), bom, "--boards", "5", "--csv"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::string header =
        "\xEF\xBB\xBFОбозначения;Номинал;Корпус;На плату;Нужно;ID;Название;На складе;Не хватает\r\n";
    EXPECT_EQ(run.out.substr(0, header.size()), header);
    const auto lines = rows(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    struct Expected {
        const char* designators;
        const char* per_board;
        const char* needed;
        const char* name_start;
    };
    const Expected expected[] = {
        {"R1, R2, R5-R8", "6", "30", "Резистор 4,7 кОм 0805"},
        {"C1-C3", "3", "15", "Конденсатор 100 нФ 50 В X7R 0603"},
        {"U1", "1", "5", "Таймер NE555"},
        {"J1", "1", "5", "нет на складе"},
    };
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::vector<std::string>& cells = lines[k];
        ASSERT_EQ(cells.size(), 9u) << k;
        EXPECT_EQ(cells[0], expected[k].designators);
        EXPECT_EQ(cells[3], expected[k].per_board);
        EXPECT_EQ(cells[4], expected[k].needed);
        EXPECT_EQ(cells[6], expected[k].name_start);
        // Short is what the stock lacks of the need.
        const long long short_by = std::max(0LL, std::stoll(cells[4]) - std::stoll(cells[7]));
        EXPECT_EQ(std::stoll(cells[8]), short_by) << cells[6];
    }
    EXPECT_EQ(lines[3][5], "");

    // The table for people ends with the totals and the cost.
    const ToolRun table = run_tool({"bom", folder_.str(), bom});
    ASSERT_EQ(table.exit_code, 0) << table.err;
    EXPECT_NE(table.out.find("Найдено на складе строк: 3 из 4; нет на складе: 1"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("Стоимость деталей одной платы: "), std::string::npos) << table.out;
}

TEST_F(BomCommand, PickListFollowsThePlaceTree) {
    const std::string schematic = "/usr/share/kicad/demos/pic_programmer/pic_programmer.kicad_sch";
    if (!std::filesystem::exists(schematic)) GTEST_SKIP() << "kicad-demos is not installed";
    // The place tree puts the first cabinet before the SMD cassettes, which
    // their texts' order would not; the rest of the tree comes from the store.
    std::ofstream(folder_.path() / "Store.ini")
        << "[TreeLocation]\r\n0|Все|0|\r\n1|Шкаф 1|1|\r\n2|Кассетница SMD|1|\r\n";
    const ToolRun run = run_tool({"bom", folder_.str(), schematic, "--pick-list", "--csv"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = rows(run.out);
    std::size_t last_cabinet = 0, first_cassette = lines.size();
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k][0].starts_with("Шкаф 1 / ")) last_cabinet = k;
        if (lines[k][0].starts_with("Кассетница SMD / ")) first_cassette = std::min(first_cassette, k);
    }
    ASSERT_LT(first_cassette, lines.size()) << run.out;
    EXPECT_LT(last_cabinet, first_cassette) << run.out;
    // 10K on the axial footprint of R1-R7 is the through-hole resistor, not
    // a chip; the row takes what the store has of the 7.
    const auto resistors =
        std::find_if(lines.begin(), lines.end(), [](const auto& cells) { return cells[4] == "R1-R7"; });
    ASSERT_NE(resistors, lines.end()) << run.out;
    EXPECT_EQ((*resistors)[2], "Резистор 10 кОм 0,25 Вт");
    EXPECT_GE(std::stoi((*resistors)[3]), 1);
    EXPECT_LE(std::stoi((*resistors)[3]), 7);
}

TEST_F(BomCommand, BadInputIsRefused) {
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        const char* says;
    };
    const std::string good = write("good.csv", "Value;Qty\n10k;1\n");
    const Case cases[] = {
        {{"bom", folder_.str(), write("novalue.csv", "Reference;Qty\nR1;1\n")}, 1, "нет столбца номиналов"},
        {{"bom", folder_.str(), write("bad.kicad_sch", "(kicad_sch (symbol")}, 1, "повреждена"},
        {{"bom", folder_.str(), good, "--boards", "0"}, 2, "--boards требует целого числа"},
        {{"bom", folder_.str()}, 2, "нужны склад"},
        {{"bom", folder_.str(), good, good}, 2, "файл спецификации один"},
        {{"bom", (folder_.path() / "nowhere").string(), good}, 1, ""},
        {{"bom", folder_.str(), "--project", "Нет такого"}, 1, "проекта «Нет такого» на складе нет"},
        {{"bom", folder_.str(), "--project", "Плата А", "--save-project", "Б"}, 2, "--save-project"},
        {{"bom", folder_.str(), good, "--shortfall", "--take"}, 2, "выберите одно"},
    };
    for (const Case& c : cases) {
        const ToolRun run = run_tool(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

}  // namespace
}  // namespace detalehran::dbtool::testing

namespace detalehran::dbtool::testing {
namespace {

// Taking a build's parts out: refused as a whole while anything is short,
// one operation of the history when not, and its revert puts every part back.
TEST_F(BomCommand, TakingABuildOutIsOneOperationThatARevertTakesBack) {
    const std::string short_bom = write("short.csv",
                                        "Reference,Value,Footprint\n"
                                        "R1-R4,4k7,Resistor_SMD:R_0805_2012Metric\n"
                                        "U1,NE555,Package_DIP:DIP-8_W7.62mm\n"
                                        "J1,USB4105-GF-A,Connector_USB:USB_C_Receptacle\n");
    const std::string bom = write("board.csv",
                                  "Reference,Value,Footprint\n"
                                  "R1-R4,4k7,Resistor_SMD:R_0805_2012Metric\n"
                                  "U1,NE555,Package_DIP:DIP-8_W7.62mm\n");
    // Per line: ID and what is in stock.
    const auto stock = [&] {
        const ToolRun run = run_tool({"bom", folder_.str(), bom, "--boards", "2", "--csv"});
        EXPECT_EQ(run.exit_code, 0) << run.err;
        std::vector<std::pair<std::string, long long>> out;
        for (const auto& cells : rows(run.out)) out.emplace_back(cells[5], std::stoll(cells[7]));
        return out;
    };
    const auto before = stock();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_GE(before[0].second, 8);
    ASSERT_GE(before[1].second, 2);

    const ToolRun refused = run_tool({"bom", folder_.str(), short_bom, "--boards", "2", "--take"});
    EXPECT_NE(refused.exit_code, 0);
    EXPECT_NE(refused.err.find("сборка не списана: не хватает 2 шт."), std::string::npos) << refused.err;
    EXPECT_EQ(stock(), before);

    const ToolRun taken = run_tool({"bom", folder_.str(), bom, "--boards", "2", "--take"});
    ASSERT_EQ(taken.exit_code, 0) << taken.err;
    EXPECT_NE(taken.out.find("Списано на сборку board × 2: деталей 2, штук 10."), std::string::npos) << taken.out;
    const auto after = stock();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].second, before[0].second - 8);
    EXPECT_EQ(after[1].second, before[1].second - 2);

    const ToolRun history = run_tool({"history", folder_.str()});
    EXPECT_NE(history.out.find("Операция 1, "), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("Сборка board × 2"), std::string::npos) << history.out;
    ASSERT_EQ(run_tool({"revert", folder_.str(), "1"}).exit_code, 0);
    EXPECT_EQ(stock(), before);
}

}  // namespace
}  // namespace detalehran::dbtool::testing

namespace detalehran::dbtool::testing {
namespace {

// A project keeps the file's lines and N; checked alone it gives the same
// table as the file, and its shortfall is an order list by supplier.
TEST_F(BomCommand, SavedProjectIsCheckedAloneAndOrdersItsShortfall) {
    const std::string bom = write("board.csv",
                                  "Reference,Value,Footprint\n"
                                  "R1-R4,4k7,Resistor_SMD:R_0805_2012Metric\n"
                                  "J1,USB4105-GF-A,Connector_USB:USB_C_Receptacle\n");
    const ToolRun saved = run_tool({"bom", folder_.str(), bom, "--boards", "3", "--save-project", "Плата А"});
    ASSERT_EQ(saved.exit_code, 0) << saved.err;
    EXPECT_NE(saved.out.find("Проект «Плата А» сохранён: строк 2, плат 3"), std::string::npos) << saved.out;

    const ToolRun from_file = run_tool({"bom", folder_.str(), bom, "--boards", "3", "--csv"});
    const ToolRun from_project = run_tool({"bom", folder_.str(), "--project", "ПЛАТА а", "--csv"});
    ASSERT_EQ(from_project.exit_code, 0) << from_project.err;
    EXPECT_EQ(from_project.out, from_file.out);

    const ToolRun shortfall = run_tool({"bom", folder_.str(), "--project", "Плата А", "--shortfall", "--csv"});
    ASSERT_EQ(shortfall.exit_code, 0) << shortfall.err;
    EXPECT_EQ(shortfall.out.substr(0, shortfall.out.find("\r\n")),
              "\xEF\xBB\xBFПоставщик;Название;Тип корпуса;Количество;Минимум;Заказать;Цена приходная;Сумма");
    const auto lines = rows(shortfall.out);
    ASSERT_EQ(lines.size(), 3u) << shortfall.out;
    EXPECT_EQ(lines[0][1], "USB4105-GF-A (нет на складе)");
    EXPECT_EQ(lines[0][5], "3");
    EXPECT_EQ(lines[1][1], "Итого по поставщику");
    EXPECT_EQ(lines[2][0], "Итого");
}

}  // namespace
}  // namespace detalehran::dbtool::testing
