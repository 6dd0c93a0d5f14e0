// The detalehran-db executable as a user runs it: files made, files refused,
// exit codes and messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "store/store_schema.h"
#include "tool_test_support.h"

namespace detalehran::dbtool::testing {
namespace {

namespace fs = std::filesystem;

bool is_one_line(const std::string& text) {
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(CreateCommand, MakesEmptyStoreWithThreeTablesAndDatasheetFolder) {
    TempFolder dir;
    const ToolRun run = run_tool({"create", dir.str()});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const fs::path store = dir.path() / "Store.mdb";
    EXPECT_NE(run.out.find(store.string()), std::string::npos) << run.out;
    EXPECT_EQ(store::probe_file(store.string()), store::FileKind::ours);
    EXPECT_TRUE(fs::is_directory(dir.path() / "Datasheet"));
    EXPECT_TRUE(fs::is_empty(dir.path() / "Datasheet"));

    const StoreReader reader(store);
    EXPECT_EQ(reader.column("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                            "ORDER BY name"),
              (std::vector<std::string>{"History", "HistoryOperations", "Package", "Project", "ProjectLine", "Store",
                                        "Temp"}));
    EXPECT_EQ(reader.number("SELECT count(*) FROM Store"), 0);
    EXPECT_EQ(reader.number("SELECT count(*) FROM Package"), 0);
    EXPECT_EQ(reader.number("SELECT count(*) FROM Temp"), 0);
}

TEST(CreateCommand, AcceptsFolderWithTrailingSlashAndExistingDatasheetFolder) {
    TempFolder dir;
    fs::create_directory(dir.path() / "Datasheet");
    std::ofstream(dir.path() / "Datasheet" / "LM7805.pdf") << "my own copy";

    const ToolRun run = run_tool({"create", dir.str() + "/", "--demo"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "Store.mdb"));
    // The user's file stays; the other demo datasheets are added beside it.
    EXPECT_EQ(read_file(dir.path() / "Datasheet" / "LM7805.pdf"), "my own copy");
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "Datasheet" / "NE555.pdf"));
}

TEST(CreateCommand, RefusesToReplaceExistingStore) {
    TempFolder dir;
    ASSERT_EQ(run_tool({"create", dir.str(), "--demo"}).exit_code, 0);
    const fs::path store = dir.path() / "Store.mdb";
    const std::string before = read_file(store);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"create", dir.str()},
                                                 std::vector<std::string>{"create", dir.str(), "--parts", "10"}}) {
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(is_one_line(run.err)) << run.err;
        EXPECT_NE(run.err.find("уже существует"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(read_file(store), before);
}

TEST(CreateCommand, ReportsMissingFolderOrFileInsteadOfFolder) {
    TempFolder dir;
    std::ofstream(dir.path() / "plain-file") << "x";
    const std::set<std::string> before = entries(dir.path());

    const ToolRun missing = run_tool({"create", (dir.path() / "no-such-folder").string(), "--demo"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(is_one_line(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find("no-such-folder"), std::string::npos) << missing.err;

    const ToolRun file = run_tool({"create", (dir.path() / "plain-file").string()});
    EXPECT_EQ(file.exit_code, 1);
    EXPECT_TRUE(is_one_line(file.err)) << file.err;
    EXPECT_NE(file.err.find("plain-file"), std::string::npos) << file.err;

    EXPECT_EQ(entries(dir.path()), before);
}

TEST(CreateCommand, RemovesStoreWhenDatasheetFolderCannotBeMade) {
    TempFolder dir;
    std::ofstream(dir.path() / "Datasheet") << "a file where the folder belongs";
    const ToolRun run = run_tool({"create", dir.str(), "--demo"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(is_one_line(run.err)) << run.err;
    EXPECT_NE(run.err.find("Datasheet"), std::string::npos) << run.err;
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"Datasheet"});
}

TEST(CreateCommand, FullDiskLeavesNothingBehind) {
    TempFolder dir;
    // 20 000 parts need megabytes; the limit stops the fill part-way.
    const ToolRun run = run_tool({"create", dir.str(), "--parts", "20000"}, 256 * 1024);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(is_one_line(run.err)) << run.err;
    EXPECT_NE(run.err.find("Store.mdb"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(entries(dir.path()).empty()) << "left behind: " << *entries(dir.path()).begin();
}

TEST(CreateCommand, RejectsBadArgumentsWithoutTouchingTheFolder) {
    TempFolder dir;
    TempFolder other;
    const std::string d = dir.str();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"make", d},
        {"create"},
        {"create", d, "--parts"},
        {"create", d, "--parts", "abc"},
        {"create", d, "--parts", "0"},
        {"create", d, "--parts", "-5"},
        {"create", d, "--parts", "12x"},
        {"create", d, "--parts", "99999999999999999999999"},
        {"create", d, "--parts="},
        {"create", d, "--demo", "--parts", "5"},
        {"create", d, "--demo", "--demo"},
        {"create", d, "--bogus"},
        {"create", d, other.str()},
        {"create", ""},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const std::string& arg : args) shown += " '" + arg + "'";
        SCOPED_TRACE("arguments:" + shown);
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_TRUE(is_one_line(run.err)) << run.err;
        EXPECT_EQ(run.err.rfind("detalehran-db: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(fs::is_empty(other.path()));
}

TEST(CreateCommand, HelpPrintsUsageAndCreatesNothing) {
    TempFolder dir;
    for (const auto& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{"create", dir.str(), "-h"}}) {
        const ToolRun run = run_tool(args);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find("detalehran-db create {DIR | --dsn ИМЯ}"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("--parts N"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("--demo"), std::string::npos) << run.out;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(CreateCommand, PartsOptionTakesEitherSpellingAndAnyPosition) {
    TempFolder before;
    TempFolder after;
    ASSERT_EQ(run_tool({"create", "--parts=25", before.str()}).exit_code, 0);
    ASSERT_EQ(run_tool({"create", after.str(), "--parts", "25"}).exit_code, 0);
    EXPECT_EQ(StoreReader(before.path() / "Store.mdb").number("SELECT count(*) FROM Store"), 25);
    EXPECT_EQ(StoreReader(after.path() / "Store.mdb").number("SELECT count(*) FROM Store"), 25);
}


// One parser for every command: "--opt value" and "--opt=value" alike, a
// flag takes no value, an option given once may not come twice; and each
// command's help names its synopsis, every option it takes and the exit
// codes.
TEST(CommandLine, EveryCommandParsesBothSpellingsAndHasItsOwnHelp) {
    TempFolder dir;
    const std::string d = dir.str();
    const struct {
        std::vector<std::string> args;
        int exit_code;
        const char* says;
    } cases[] = {
        {{"create", "--dsn=НетТакого"}, 1, "НетТакого"},
        {{"create", "--dsn", "НетТакого", "--demo"}, 1, "НетТакого"},
        {{"add-user", "--dsn=НетТакого", "anna"}, 1, "НетТакого"},
        {{"export", "--dsn=НетТакого", "--output=" + d + "/a.csv"}, 1, "НетТакого"},
        {{"export", d, "-o", d + "/a.csv", "--output", d + "/b.csv"}, 2, "указан дважды"},
        {{"create", d, "--demo=да"}, 2, "не принимает значения"},
        {{"create", d, "--dsn=НетТакого"}, 2, "либо папку, либо --dsn"},
        {{"import", d}, 2, "один CSV-файл"},
        {{"convert", "--allow-missing=Путь", d}, 2, "convert нужны"},
        {{"frobnicate"}, 2, "неизвестная команда «frobnicate»"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += " " + arg;
        SCOPED_TRACE(shown);
        const ToolRun run = run_tool(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        // A mistake in the command line is one line; a refusal may add the
        // driver's own words below its Russian reason.
        if (c.exit_code == 2) {
            EXPECT_TRUE(is_one_line(run.err)) << run.err;
        }
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));

    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"create", {"--dsn", "--demo", "--parts"}},
        {"add-user", {"--dsn"}},
        {"convert", {"--allow-missing"}},
        {"import", {"--dsn", "--section", "--place", "--duplicates", "--dry-run"}},
        {"export", {"--dsn", "-o, --output", "--reorder"}},
    };
    for (const auto& [command, options] : commands) {
        SCOPED_TRACE(command);
        const ToolRun help = run_tool({command, "--help"});
        EXPECT_EQ(help.exit_code, 0);
        EXPECT_NE(help.out.find("Использование: detalehran-db " + command), std::string::npos) << help.out;
        for (const std::string& option : options) EXPECT_NE(help.out.find("  " + option), std::string::npos) << option;
        EXPECT_NE(help.out.find("Коды завершения"), std::string::npos) << help.out;
    }
}

}  // namespace
}  // namespace detalehran::dbtool::testing
