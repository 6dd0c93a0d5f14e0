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
                          text("|Все|"), text("TO-92"), number(3), text("bc547.pdf")});
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
    EXPECT_EQ(run.output, "Файл " + folder + "old.mdb (Jet 4) преобразован в " + folder +
                              "new/Store.mdb\n"
                              "Деталей: 1\nТипов корпуса: 2\nВырезанных деталей возвращено на склад: 1\n"
                              "Новые детали получат номера начиная с 10\n");
    EXPECT_EQ(query_store(folder + "new/Store.mdb", "SELECT [ID] FROM [Store] ORDER BY [ID]"),
              (dtest::Rows{{dtest::Cell("3")}, {dtest::Cell("9")}}));
}

// Every refusal is one line in Russian (libmdb's words, if any, indented
// below it), and nothing is written; a missing column is let go only when
// named.
TEST(JetCommand, RefusesInOneLineAndWritesNothing) {
    const std::string folder = dtest::new_folder("command");
    std::string bytes, error;
    ASSERT_TRUE(fx::build_jet4_file(small_inventory(), &bytes, &error)) << error;
    dtest::write_file(folder + "old.mdb", bytes);
    dtest::write_file(folder + "cut.mdb", bytes.substr(0, bytes.size() / 2 + 10));
    dtest::write_file(folder + "flipped.mdb", fx::field_size_flipped(bytes));
    dtest::write_file(folder + "renamed.mdb", fx::column_name_flipped(bytes, "Цена расходная"));
    dtest::write_file(folder + "text.mdb", "not a database");
    fs::create_directory(folder + "new");
    fs::create_directory(folder + "full");
    dtest::write_file(folder + "full/Store.mdb", "mine");
    const std::string in = "' '" + folder + "new'";

    const struct {
        std::string arguments;
        int status;
        std::string says;
    } cases[] = {
        {"'" + folder + "cut.mdb" + in, 1, "cut.mdb обрезан"},
        {"'" + folder + "flipped.mdb" + in, 1, "в таблице Store, строке 1, столбце «Datasheet»"},
        {"'" + folder + "renamed.mdb" + in, 1,
         "нет столбца «Цена расходная». Цены будут пустыми. Чтобы преобразовать без него, добавьте --allow-missing "
         "\"Цена расходная\""},
        {"--allow-missing 'Цена приходная' '" + folder + "renamed.mdb" + in, 1, "--allow-missing \"Цена расходная\""},
        {"'" + folder + "text.mdb" + in, 1, "text.mdb — не база данных Access"},
        {"'" + folder + "missing.mdb" + in, 1, "missing.mdb не найден"},
        {"'" + folder + "old.mdb' '" + folder + "full'", 1, "full/Store.mdb уже есть"},
        {"'" + folder + "old.mdb' '" + folder + "nowhere'", 1, "Нет доступа к папке " + folder + "nowhere"},
        {"'" + folder + "old.mdb'", 2, "--help"},
        {"--allow-missing", 2, "--allow-missing требует значения СТОЛБЕЦ"},
        {"--replace '" + folder + "old.mdb" + in, 2, "неизвестный параметр «--replace»"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = convert(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output.rfind("detalehran-db: ", 0), 0u) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        std::size_t lines = run.output[0] != ' ';
        for (std::size_t at = run.output.find('\n'); at != std::string::npos && at + 1 < run.output.size();
             at = run.output.find('\n', at + 1)) {
            lines += run.output[at + 1] != ' ';
        }
        EXPECT_EQ(lines, 1u) << run.output;
        EXPECT_TRUE(fs::is_empty(folder + "new"));
    }
    EXPECT_EQ(dtest::read_file(folder + "full/Store.mdb"), "mine");

    const ToolRun allowed = convert("--allow-missing='цена расходная' '" + folder + "renamed.mdb" + in);
    EXPECT_EQ(allowed.status, 0) << allowed.output;
    EXPECT_NE(allowed.output.find("\nПреобразовано без столбца «Цена расходная»\n"), std::string::npos)
        << allowed.output;
}

}  // namespace
}  // namespace detalehran::jet::testing
