#pragma once
// Helpers for the database tool tests: scratch folders, running the real
// executable, and reading a store file back through SQLite.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace detalehran::dbtool::testing {

// A fresh folder under the system temp folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// The build's driver for the tool, and the user's data sources in `odbc`:
// nothing written anywhere else. Before the first ODBC call of the process.
void use_build_driver(const TempFolder& odbc);

struct ToolRun {
    int exit_code = -1;  // -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs detalehran-db with args (without the program name). A non-negative
// file_size_limit caps the size of any file the tool writes, which makes it
// meet a full disk at that size.
ToolRun run_tool(const std::vector<std::string>& args, long file_size_limit = -1);

std::string read_file(const std::filesystem::path& path);

using Row = std::vector<std::optional<std::string>>;

// Read-only view of a store file, with the collation the schema needs.
class StoreReader {
public:
    explicit StoreReader(const std::filesystem::path& store_path);
    ~StoreReader();
    StoreReader(const StoreReader&) = delete;
    StoreReader& operator=(const StoreReader&) = delete;

    std::vector<Row> rows(const std::string& sql) const;
    long long number(const std::string& sql) const;
    // Values of the first column, NULLs left out.
    std::vector<std::string> column(const std::string& sql) const;

private:
    sqlite3* db_ = nullptr;
};

// "|Все|A|B|" with min_depth..max_depth names below the root, none empty.
::testing::AssertionResult is_node_path(const std::string& path, int min_depth, int max_depth);

// Number of names below the root in a well-formed node path.
int node_depth(const std::string& path);

}  // namespace detalehran::dbtool::testing
