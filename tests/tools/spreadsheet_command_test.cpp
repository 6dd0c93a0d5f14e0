// detalehran-db import and export as a user runs them: what they print,
// their exit codes, and what they leave in the folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SpreadsheetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        // The tool finds the build's driver; the user's data sources file
        // must stay as it is (here: not there).
        fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", odbc_.path() / "odbcinst.ini");
        ::setenv("ODBCSYSINI", odbc_.str().c_str(), 1);
        ::setenv("ODBCINI", (odbc_.path() / "odbc.ini").c_str(), 1);
        ASSERT_EQ(run_tool({"create", dir_.str()}).exit_code, 0);
    }
    void TearDown() override { EXPECT_FALSE(fs::exists(odbc_.path() / "odbc.ini")); }

    std::string file(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_.path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    long long stored(const std::string& where = "1") {
        return StoreReader(dir_.path() / "Store.mdb").number("SELECT count(*) FROM Store WHERE " + where);
    }

    TempFolder odbc_;
    TempFolder dir_;
};

TEST_F(SpreadsheetCommand, ImportStoresTheGoodLinesAndListsTheOthers) {
    // As a spreadsheet in a Russian locale saves it: ";" and CR LF.
    const std::string csv = file("parts.csv",
                                 "Название;Раздел;Количество;Цена\r\n"
                                 "Резистор 1к;Пассивные/Резисторы;1 000;12,50\r\n"
                                 "Диод;;5;1\r\n"
                                 "Транзистор;;2,5;1\r\n");
    const ToolRun run = run_tool({"import", dir_.str(), csv, "--place", "Шкаф/Ящик 1", "--duplicates", "add"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Добавлено: 2, добавлено к количеству: 0, пропущено: 0, с ошибками: 1.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Создан раздел |Все|Пассивные|Резисторы|")) << run.out;
    EXPECT_EQ(run.err, csv + ":4: Количество: «2,5» — не целое число\n");
    EXPECT_EQ(stored("\"Путь\" = '|Все|Пассивные|Резисторы|' AND \"Количество\" = 1000 AND \"Цена расходная\" = 12.5"),
              1);
    EXPECT_EQ(stored("\"Путь\" = '|Все|' AND \"Расположение\" = '|Все|Шкаф|Ящик 1|'"), 1);
    const std::string ini = read_file(dir_.path() / "Store.ini");
    EXPECT_TRUE(contains(ini, "|Резисторы|2|\r\n")) << ini;
    EXPECT_TRUE(contains(ini, "|Ящик 1|2|\r\n")) << ini;

    // The same again, merged into what is there.
    const ToolRun again = run_tool({"import", dir_.str(), csv, "--place", "Шкаф/Ящик 1", "--duplicates", "add"});
    EXPECT_EQ(again.exit_code, 0) << again.err;
    EXPECT_TRUE(contains(again.out, "Добавлено: 0, добавлено к количеству: 2")) << again.out;
    EXPECT_EQ(stored("\"Название\" = 'Диод' AND \"Количество\" = 10"), 1);
}

TEST_F(SpreadsheetCommand, NothingStoredIsAFailureAndADryRunStoresNothing) {
    const struct {
        const char* what;
        std::vector<std::string> options;
        std::string bytes;
        int exit_code;
        const char* says;
    } cases[] = {
        {"dry run", {"--dry-run"}, "Название\nДиод\n", 0, "Проверка без записи. Добавлено: 1"},
        {"every line wrong", {}, "Название;Количество\nДиод;много\n", 1, "с ошибками: 1."},
        {"empty file", {}, "", 1, "Файл пуст."},
        {"no known column", {}, "Foo;Bar\n1;2\n", 1, "ни одного известного"},
        {"no name column", {}, "Part Number;Qty\nX;1\n", 1, "  1. «Part Number» → в описание\n"},
        {"no name column, the way out", {}, "Part Number;Qty\nX;1\n", 1, "--map \"ЗАГОЛОВОК=Название\""},
        {"binary file",
         {},
         std::string("\x7F"
                     "ELF\x02\x01\0\0",
                     8),
         1,
         "нулевой байт"},
        {"target breaking the naming rule", {"--section", "A|B"}, "Название\nДиод\n", 1, "Раздел для загрузки"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"import", dir_.str(), file("in.csv", c.bytes)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.out << run.err;
        EXPECT_TRUE(contains(run.out + run.err, c.says)) << run.out << run.err;
        EXPECT_EQ(stored(), 0);
        EXPECT_FALSE(fs::exists(dir_.path() / "Store.ini"));
    }
}

// A column that holds data is never left out unasked: the file is refused,
// naming it, until --map or --skip-column says what to do with it.
TEST_F(SpreadsheetCommand, AColumnWithDataIsLoadedOrSkippedOnlyWhenTold) {
    const std::string csv = file("склад.csv",
                                 "Остатки склада на 01.12.2024;;;;\r\n"
                                 "Наименование;Кол-во;Полка;Производитель;Цена, руб.\r\n"
                                 "Резистор 1к;10;А-1;Yageo;0,10\r\n"
                                 "Диод;5;;;1,20\r\n"
                                 "Итого;15;;;\r\n");
    const ToolRun refused = run_tool({"import", dir_.str(), csv});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_TRUE(contains(refused.err, "Столбец не загружается: «Полка».")) << refused.err;
    EXPECT_TRUE(contains(refused.err, "--skip-column \"Полка\"")) << refused.err;
    EXPECT_TRUE(contains(refused.out, "  3. «Полка» → не загружать (в столбце есть данные)\n")) << refused.out;
    EXPECT_EQ(stored(), 0);

    const ToolRun dry = run_tool({"import", dir_.str(), csv, "--map", "Полка=Расположение", "--dry-run"});
    EXPECT_EQ(dry.exit_code, 0) << dry.err;
    EXPECT_TRUE(contains(dry.out,
                         "Строка заголовка: 2\n"
                         "  1. «Наименование» → Название\n"
                         "  2. «Кол-во» → Количество\n"
                         "  3. «Полка» → Расположение\n"
                         "  4. «Производитель» → в описание\n"
                         "  5. «Цена, руб.» → Цена\n"))
        << dry.out;
    EXPECT_TRUE(contains(dry.out,
                         "Строка 1 над строкой заголовка не загружается.\n"
                         "Строка 5 — строка итогов, она не загружается.\n"))
        << dry.out;
    EXPECT_EQ(stored(), 0);

    const ToolRun skipped = run_tool({"import", dir_.str(), csv, "--skip-column", "3"});
    EXPECT_EQ(skipped.exit_code, 0) << skipped.err;
    EXPECT_EQ(stored("\"Описание\" = 'Производитель: Yageo' AND \"Количество\" = 10 AND \"Цена расходная\" = 0.1"), 1);
    EXPECT_EQ(stored("\"Расположение\" = '|Все|'"), 2);
    const ToolRun mapped = run_tool({"import", dir_.str(), csv, "--map=Полка=Расположение", "--header-line", "2"});
    EXPECT_EQ(mapped.exit_code, 0) << mapped.err;
    EXPECT_EQ(stored("\"Расположение\" = '|Все|А-1|'"), 1);

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--map", "Полка"}, {"--map", "Полка=Склад"}, {"--header-line", "0"}}) {
        std::vector<std::string> args = {"import", dir_.str(), csv};
        args.insert(args.end(), wrong.begin(), wrong.end());
        EXPECT_EQ(run_tool(args).exit_code, 2) << wrong[1];
    }
    const ToolRun unknown = run_tool({"import", dir_.str(), csv, "--skip-column", "Ящик"});
    EXPECT_EQ(unknown.exit_code, 1);
    EXPECT_TRUE(contains(unknown.err, "нет столбца «Ящик»")) << unknown.err;
}

TEST_F(SpreadsheetCommand, WrongArgumentsAreUsageErrors) {
    const std::string csv = file("in.csv", "Название\nДиод\n");
    const std::vector<std::string> cases[] = {
        {"import", dir_.str()},
        {"import", dir_.str(), csv, "--duplicates", "merge"},
        {"import", dir_.str(), csv, "--sections", "A"},
        {"export"},
        {"export", dir_.str(), "-o"},
        {"export", "--dsn", "Store", dir_.str()},
        {"import", "--dsn", "Store"},
    };
    for (const auto& args : cases) {
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, 2) << args.back();
        EXPECT_TRUE(contains(run.err, "--help")) << run.err;
    }
    const ToolRun missing = run_tool({"export", (dir_.path() / "нет").string()});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(contains(missing.err, "нет файла Store.mdb")) << missing.err;
}

TEST_F(SpreadsheetCommand, ExportWritesTheStoreOrTheReorderList) {
    ASSERT_EQ(run_tool({"import", dir_.str(),
                        file("in.csv",
                             "Название;Поставщик;Количество;Цена приходная\n"
                             "=A1;Элитан;2;1,5\nМного;Элитан;100;1\n")})
                  .exit_code,
              0);
    const ToolRun whole = run_tool({"export", dir_.str()});
    EXPECT_EQ(whole.exit_code, 0) << whole.err;
    EXPECT_EQ(whole.out,
              "\xEF\xBB\xBFНазвание;Описание;Расположение;Количество;Цена;Цена приходная;Поставщик;Путь;Тип корпуса;"
              "ID;Datasheet\r\n"
              "'=A1;;|Все|;2;0,00;1,50;Элитан;|Все|;;1;\r\n"
              "Много;;|Все|;100;0,00;1,00;Элитан;|Все|;;2;\r\n");
    // For other locales: the decimal point, and "," between cells.
    const ToolRun points = run_tool({"export", dir_.str(), "--decimal-point"});
    EXPECT_EQ(points.exit_code, 0) << points.err;
    EXPECT_TRUE(contains(points.out, "\r\n'=A1,,|Все|,2,0.00,1.50,Элитан,|Все|,,1,\r\n")) << points.out;
    // Written to a file only whole: a file that cannot be made leaves nothing.
    const ToolRun nowhere = run_tool({"export", dir_.str(), "-o", (dir_.path() / "нет" / "x.csv").string()});
    EXPECT_EQ(nowhere.exit_code, 1);
    EXPECT_TRUE(contains(nowhere.err, "не удалось создать")) << nowhere.err;

    // The minimum of Store.ini, 5 by default.
    const fs::path list = dir_.path() / "заказ.csv";
    const ToolRun reorder = run_tool({"export", dir_.str(), "--reorder", "-o", list.string()});
    EXPECT_EQ(reorder.exit_code, 0) << reorder.err;
    EXPECT_TRUE(contains(reorder.out, "Записано деталей: 1")) << reorder.out;
    EXPECT_TRUE(contains(read_file(list), "Элитан;'=A1;;2;5;3;1,50;4,50\r\n")) << read_file(list);
    ASSERT_EQ(run_tool({"export", dir_.str(), "--reorder", "--decimal-point", "-o", list.string()}).exit_code, 0);
    EXPECT_TRUE(contains(read_file(list), "Элитан,'=A1,,2,5,3,1.50,4.50\r\n")) << read_file(list);
}

}  // namespace
}  // namespace detalehran::dbtool::testing
