// Export and import of 100 000 generated parts with detalehran-db, side by
// side in one run: the export against `sqlite3 -csv Store.mdb "SELECT *
// FROM Store"`, and importing that export into an empty store against
// SQLite's C API inserting the same parts into an empty store of the same
// schema (four indexes with their collation, the checks, the auto-number):
// what storing them costs before any code of ours runs. Our side is a whole
// process, timed from start to exit, the file read, checked and planned
// included. Prints the best of three of the elapsed time and of the
// processor time (user and system), and their ratios against the targets.
// For scale, the shell's `.import` of the same file into a bare table.
//
//   bench_csv_exchange [--parts N] [--runs N]

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "schema/store_columns.h"
#include "store/store_schema.h"

namespace {

// The columns in the store's own order: name, description, place, quantity,
// the two prices, supplier, section, package, datasheet.
const std::string kInsert = detalehran::schema::insert_with_markers(
    detalehran::schema::Quote::double_quotes, detalehran::schema::kStoreTable, detalehran::schema::WithId::no);


namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Timing {
    double elapsed_ms = 1e300;
    double cpu_ms = 1e300;
    long faults = 0;  // minor page faults of the best run by processor time
};

// Runs the program with its output to a file (or nowhere); false when it
// did not end with exit code 0.
bool run(std::vector<std::string> args, const std::string& output, Timing& best) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return false;
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    best.elapsed_ms = std::min(best.elapsed_ms, elapsed);
    if (ms(usage.ru_utime) + ms(usage.ru_stime) < best.cpu_ms) best.faults = usage.ru_minflt;
    best.cpu_ms = std::min(best.cpu_ms, ms(usage.ru_utime) + ms(usage.ru_stime));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::fprintf(stderr, "%s failed\n", args[0].c_str());
    return false;
}

void line(const char* what, const char* against, const Timing& ours, const Timing& theirs, double target) {
    const double ratio = ours.elapsed_ms / theirs.elapsed_ms;
    std::printf("%-7s detalehran-db %8.1f ms (processor %8.1f ms)   %-14s %8.1f ms (processor %8.1f ms)\n", what,
                ours.elapsed_ms, ours.cpu_ms, against, theirs.elapsed_ms, theirs.cpu_ms);
    std::printf("        ratio %.2f (processor %.2f)   target at most %.2f   %s   (page faults %ld and %ld)\n", ratio,
                ours.cpu_ms / theirs.cpu_ms, target, ratio <= target ? "met" : "MISSED", ours.faults, theirs.faults);
}

double cpu_ms_of_self(long* faults = nullptr) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    if (faults != nullptr) *faults = usage.ru_minflt;
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

using Rows = std::vector<std::vector<std::string>>;

Rows stored_rows(const std::string& store) {
    Rows rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, "SELECT * FROM Store ORDER BY ID", -1, &query, nullptr);
    while (sqlite3_step(query) == SQLITE_ROW) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < 11; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, c));
            row.emplace_back(text != nullptr ? text : "");
        }
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return rows;
}

// The rows inserted into an empty store in one transaction with one
// prepared statement and typed values.
bool insert_alone(const fs::path& path, const Rows& rows, Timing& best) {
    std::string error;
    if (!detalehran::store::create_store_file(path.string(), &error)) return false;
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    const auto start = Clock::now();
    long faults_before = 0;
    const double cpu = cpu_ms_of_self(&faults_before);
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              detalehran::store::register_text_functions(db) &&
              // The page cache the driver gives a transaction.
              sqlite3_exec(db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(db, kInsert.c_str(), -1, &insert, nullptr) == SQLITE_OK;
    static constexpr int kColumn[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10};
    for (std::size_t r = 0; ok && r < rows.size(); ++r) {
        for (int m = 0; m < 10; ++m) {
            const std::string& v = rows[r][static_cast<std::size_t>(kColumn[m])];
            if (m == 3) {
                sqlite3_bind_int64(insert, m + 1, std::atoll(v.c_str()));
            } else if (m == 4 || m == 5) {
                sqlite3_bind_double(insert, m + 1, std::atof(v.c_str()));
            } else {
                sqlite3_bind_text(insert, m + 1, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
            }
        }
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    best.elapsed_ms =
        std::min(best.elapsed_ms, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    long faults_after = 0;
    const double used = cpu_ms_of_self(&faults_after) - cpu;
    if (used < best.cpu_ms) best.faults = faults_after - faults_before;
    best.cpu_ms = std::min(best.cpu_ms, used);
    return ok;
}

std::size_t lines_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

}  // namespace

int main(int argc, char** argv) {
    std::string parts = "100000";
    int runs = 3;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (std::strcmp(argv[k], "--parts") == 0) parts = argv[k + 1];
        if (std::strcmp(argv[k], "--runs") == 0) runs = std::atoi(argv[k + 1]);
    }
    std::string pattern = (fs::temp_directory_path() / "detalehran-csv-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path folder = pattern;
    // The tool names the driver of the build; it never writes a data source.
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", folder / "odbcinst.ini");
    ::setenv("ODBCSYSINI", folder.c_str(), 1);
    ::setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    const std::string tool = DETALEHRAN_DB_EXE;

    const fs::path source = folder / "source";
    fs::create_directory(source);
    Timing unused;
    bool ok = run({tool, "create", source.string(), "--parts", parts}, "", unused);
    const std::string store = (source / "Store.mdb").string();
    const fs::path ours_csv = folder / "export.csv", theirs_csv = folder / "sqlite3.csv";

    Timing export_ours, export_theirs, import_ours, import_theirs, insert_floor;
    for (int r = 0; ok && r < runs; ++r) {
        ok = run({"sqlite3", "-csv", store, "SELECT * FROM Store"}, theirs_csv.string(), export_theirs) &&
             run({tool, "export", source.string(), "-o", ours_csv.string()}, "", export_ours);
    }
    const Rows rows = stored_rows(store);
    // Side by side, run after run, so that a busy machine weighs on both alike.
    for (int r = 0; ok && r < runs; ++r) {
        const fs::path alone = folder / ("alone" + std::to_string(r) + ".mdb");
        ok = insert_alone(alone, rows, insert_floor);
        fs::remove(alone);
        const fs::path target = folder / ("import" + std::to_string(r));
        const fs::path table = folder / ("table" + std::to_string(r) + ".db");
        fs::create_directory(target);
        ok = run({tool, "create", target.string()}, "", unused) &&
             run({"sqlite3", table.string(), "-cmd", ".mode csv", "-cmd", ".separator ;",
                  ".import " + ours_csv.string() + " Store"},
                 "", import_theirs) &&
             run({tool, "import", target.string(), ours_csv.string()}, "", import_ours);
    }
    if (ok) {
        std::printf("%s parts, %zu lines exported (%.1f MB), best of %d runs:\n", parts.c_str(), lines_of(ours_csv),
                    static_cast<double>(fs::file_size(ours_csv)) / 1e6, runs);
        line("export", "sqlite3 -csv", export_ours, export_theirs, 1.5);
        line("import", "SQLite C API", import_ours, insert_floor, 1.25);
        std::printf("for scale: the sqlite3 shell's .import into a bare table %8.1f ms (processor %8.1f ms)\n",
                    import_theirs.elapsed_ms, import_theirs.cpu_ms);
    }
    fs::remove_all(folder);
    return ok ? 0 : 1;
}
