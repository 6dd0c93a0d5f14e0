#include "tool_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "store/store_schema.h"

namespace detalehran::dbtool::testing {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "detalehran-dbtool-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

std::string slurp(FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

}  // namespace

void use_build_driver(const TempFolder& odbc) {
    std::filesystem::copy_file(std::filesystem::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini",
                               odbc.path() / "odbcinst.ini");
    ::setenv("ODBCSYSINI", odbc.str().c_str(), 1);
    ::setenv("ODBCINI", (odbc.path() / "odbc.ini").c_str(), 1);
}

ToolRun run_tool(const std::vector<std::string>& args, long file_size_limit) {
    std::vector<std::string> owned = {DETALEHRAN_DB_EXE};
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : owned) argv.push_back(arg.data());
    argv.push_back(nullptr);

    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr) throw std::runtime_error("tmpfile failed");
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(::fileno(out), STDOUT_FILENO);
        ::dup2(::fileno(err), STDERR_FILENO);
        if (file_size_limit >= 0) {
            // Ignored, the signal turns an oversize write into EFBIG as a full
            // disk would give ENOSPC; the setting survives exec.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(argv[0], argv.data());
        std::perror("execv");
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    ToolRun run;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

StoreReader::StoreReader(const std::filesystem::path& store_path) {
    if (sqlite3_open_v2(store_path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        !store::register_text_functions(db_)) {
        throw std::runtime_error("cannot open " + store_path.string() + ": " + sqlite3_errmsg(db_));
    }
}

StoreReader::~StoreReader() { sqlite3_close(db_); }

std::vector<Row> StoreReader::rows(const std::string& sql) const {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    }
    std::vector<Row> result;
    int rc = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Row row;
        for (int k = 0; k < sqlite3_column_count(stmt); ++k) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, k));
            if (text == nullptr) {
                row.emplace_back();
            } else {
                row.emplace_back(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, k))));
            }
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    return result;
}

long long StoreReader::number(const std::string& sql) const {
    const std::vector<Row> result = rows(sql);
    if (result.size() != 1 || result[0].empty() || !result[0][0]) throw std::runtime_error(sql + ": no single value");
    return std::stoll(*result[0][0]);
}

std::vector<std::string> StoreReader::column(const std::string& sql) const {
    std::vector<std::string> values;
    for (const Row& row : rows(sql)) {
        if (!row.empty() && row[0]) values.push_back(*row[0]);
    }
    return values;
}

::testing::AssertionResult is_node_path(const std::string& path, int min_depth, int max_depth) {
    const std::string root = "|Все|";
    if (path.rfind(root, 0) != 0) return ::testing::AssertionFailure() << "'" << path << "' does not start with |Все|";
    if (path.back() != '|') return ::testing::AssertionFailure() << "'" << path << "' does not end with |";
    if (path.find("||") != std::string::npos)
        return ::testing::AssertionFailure() << "'" << path << "' has an empty name";
    const int depth = node_depth(path);
    if (depth < min_depth || depth > max_depth) {
        return ::testing::AssertionFailure()
               << "'" << path << "' is " << depth << " levels deep, expected " << min_depth << ".." << max_depth;
    }
    return ::testing::AssertionSuccess();
}

int node_depth(const std::string& path) {
    // "|Все|A|B|" has four bars for two names below the root.
    return static_cast<int>(std::count(path.begin(), path.end(), '|')) - 2;
}

}  // namespace detalehran::dbtool::testing
