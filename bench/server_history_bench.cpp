// What the history costs an import on a server: the same CSV of 100,000
// generated parts imported with detalehran-db into a store that records
// it and into one whose history was taken away, each emptied before every
// run, the runs alternating. Prints the best of three of each and their
// ratio against the target (1.3). Run it inside a throwaway cluster:
//
//   pg_virtualenv -- <build>/bench/bench_server_history [--parts N] [--runs N]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "db/database.h"

namespace fs = std::filesystem;
using namespace detalehran;

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// "--name N" from the command line, or the default.
long argument(int argc, char** argv, const std::string& name, long fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) return std::max(1L, std::atol(argv[i + 1]));
    }
    return fallback;
}

std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : fallback;
}

std::string dsn_section(const std::string& name, const std::string& database) {
    return "[" + name + "]\nDriver = PostgreSQL Unicode\nServername = " + env_or("PGHOST", "localhost") +
           "\nPort = " + env_or("PGPORT", "5432") + "\nDatabase = " + database +
           "\nUsername = " + env_or("PGUSER", "postgres") + "\nPassword = " + env_or("PGPASSWORD", "") + "\n\n";
}

int tool(std::vector<std::string> args) {
    args.insert(args.begin(), "detalehran-db");
    std::ostringstream out, err;
    const int code = dbtool::run_command_line(args, out, err);
    if (code != 0) std::fprintf(stderr, "detalehran-db %s: %s\n", args[1].c_str(), err.str().c_str());
    return code;
}

bool sql(db::Database& database, const std::string& statement) {
    if (database.db_update(statement) || database.last_diagnostic().sqlstate == "02000") return true;
    std::fprintf(stderr, "%s: %s\n", statement.c_str(), database.last_diagnostic().text.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("PGHOST") == nullptr) {
        std::fprintf(stderr, "no server: run as  pg_virtualenv -- %s\n", argv[0]);
        return 1;
    }
    const long parts = argument(argc, argv, "--parts", 100000);
    const int runs = static_cast<int>(argument(argc, argv, "--runs", 3));
    const fs::path folder = fs::temp_directory_path() / ("detalehran-history-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string suffix = std::to_string(getpid());
    const std::string with = "detalehran_with_" + suffix, without = "detalehran_without_" + suffix;
    std::ofstream(folder / "odbcinst.ini") << "[PostgreSQL Unicode]\nDriver = " DETALEHRAN_PSQLODBC "\n";
    std::ofstream(folder / "odbc.ini") << dsn_section("Admin", env_or("PGDATABASE", "postgres"))
                                       << dsn_section("With", with) << dsn_section("Without", without);
    // Read once, at the first ODBC call: before it.
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);

    db::Database admin;
    if (!admin.init_environment() || !admin.connect_data_source("Admin")) {
        std::fprintf(stderr, "no connection: %s\n", admin.last_diagnostic().text.c_str());
        return 1;
    }
    for (const std::string& name : {with, without}) {
        if (!sql(admin, "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)") ||
            !sql(admin, "CREATE DATABASE " + name)) {
            return 1;
        }
    }
    // Both with the same generated parts, so that both have the trees the
    // file's paths name; the file is their export.
    const std::string csv = (folder / "parts.csv").string();
    for (const char* dsn : {"With", "Without"}) {
        if (tool({"create", "--dsn", dsn, "--parts", std::to_string(parts)}) != 0) return 1;
    }
    if (tool({"export", "--dsn", "With", "-o", csv}) != 0) return 1;

    db::Database stores[2];
    const char* names[2] = {"With", "Without"};
    for (int s = 0; s < 2; ++s) {
        if (!stores[s].init_environment() || !stores[s].connect_data_source(names[s])) return 1;
    }
    // The store made before the history: its triggers and tables gone.
    for (const char* table : {"Store", "Package", "Temp", "Node"}) {
        if (!sql(stores[1], std::string("DROP FUNCTION public.\"History_") + table + "\"() CASCADE")) return 1;
    }
    if (!sql(stores[1], "DROP TABLE \"History\", \"HistoryOperations\"")) return 1;

    double best[2] = {1e300, 1e300};
    for (int run = 0; run < runs; ++run) {
        for (int s = 0; s < 2; ++s) {
            // TRUNCATE fires no trigger: each run starts from the same empty store.
            const std::string empty = s == 0 ? "TRUNCATE \"Store\", \"Package\", \"History\", \"HistoryOperations\""
                                             : "TRUNCATE \"Store\", \"Package\"";
            if (!sql(stores[s], empty) || !sql(stores[s], "VACUUM ANALYZE")) return 1;
            const auto start = Clock::now();
            if (tool({"import", "--dsn", names[s], csv, "--duplicates", "new"}) != 0) return 1;
            best[s] = std::min(best[s], ms_since(start));
        }
    }
    db::Database& recorded = stores[0];
    std::string rows = "?";
    if (recorded.db_query(std::string("SELECT count(*) FROM \"History\""))) {
        if (recorded.db_next_row()) rows = recorded.db_text(0);
        recorded.db_finish();
    }
    std::printf("import of %ld parts on a server, best of %d\n", parts, runs);
    std::printf("  without history %9.0f ms\n", best[1]);
    std::printf("  with history    %9.0f ms  (%s rows of History)\n", best[0], rows.c_str());
    const double ratio = best[0] / best[1];
    std::printf("  ratio %.2f, target 1.3x: %s\n", ratio, ratio <= 1.3 ? "met" : "MISSED");

    for (db::Database& store : stores) store.close_store();
    for (const std::string& name : {with, without}) sql(admin, "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    admin.close_store();
    fs::remove_all(folder);
    return 0;
}
