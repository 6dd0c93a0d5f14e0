// What the store's history costs and how fast it is read: an import of
// 100 000 parts and 1 000 single saves on a store with history and on one
// whose history was dropped, side by side; then reading pages of a history
// of 1 000 000 rows made directly with SQL.
// Run it directly: `<build>/bench/bench_history [--parts N]`.

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "db/database.h"
#include "db/history.h"
#include "db/operation.h"
#include "db/statements.h"
#include "spreadsheet/store_import.h"
#include "store/store_schema.h"

namespace {

namespace fs = std::filesystem;
using namespace detalehran;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

void exec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        !store::register_text_functions(db) || sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        fail(std::string("sqlite: ") + (error ? error : sqlite3_errmsg(db)));
    }
    sqlite3_close(db);
}

// A new store; without history its tables and triggers are dropped.
std::string new_store(const fs::path& folder, const std::string& name, bool history) {
    const std::string path = (folder / name).string();
    std::string error;
    fs::remove(path);
    if (!store::create_store_file(path, &error)) fail(error);
    if (!history) {
        std::string drop = "DROP TABLE \"History\"; DROP TABLE \"HistoryOperations\";";
        for (const char* table : {"Store", "Package", "Temp"}) {
            for (const char* kind : {"insert", "update", "delete"})
                drop += std::string("DROP TRIGGER \"History_") + table + "_" + kind + "\";";
        }
        exec(path, drop);
    }
    return path;
}

void open(db::Database& database, const std::string& path) {
    if (!database.init_environment() || !database.open_file(path)) fail("cannot open " + path);
}

std::string parts_csv(std::size_t parts) {
    std::string csv = "Название;Описание;Тип корпуса;Количество;Цена;Поставщик\n";
    for (std::size_t k = 0; k < parts; ++k) {
        csv += "Резистор " + std::to_string(k) + " Ом;Толстоплёночный, 0,125 Вт;R_0805_" + std::to_string(k % 40) +
               ";" + std::to_string(k % 500) + ";" + std::to_string(k % 97) + ",25;ЭФО\n";
    }
    return csv;
}

double import_ms(const fs::path& folder, bool history, const std::string& csv) {
    const std::string path = new_store(folder, history ? "with.mdb" : "without.mdb", history);
    db::Database database;
    open(database, path);
    const NodeList root = {{QString::fromUtf8(kRootName), 0}};
    spreadsheet::ImportSettings settings;
    settings.file_name = "parts.csv";
    const auto start = Clock::now();
    if (!spreadsheet::import_in_one_go(database, csv, settings, root, root, false).stored) fail("import failed");
    return ms_since(start);
}

double saves_ms(const fs::path& folder, bool history, int saves) {
    const std::string path = new_store(folder, history ? "saves-with.mdb" : "saves-without.mdb", history);
    db::Database database;
    open(database, path);
    db::ItemValues item;
    item.name = "Резистор 4,7 кОм";
    item.quantity = "0";
    item.price = "1.5000";
    item.purchase_price = ".5000";
    item.section_path = item.place = "|Все|";
    std::string id;
    if (!database.db_insert(db::insert_item(item), id)) fail("insert failed");
    item.id = id;
    const auto start = Clock::now();
    for (int k = 0; k < saves; ++k) {
        db::ItemValues next = item;
        next.quantity = std::to_string(k + 1);
        const bool saved = db::run_operation(database, "Изменение детали " + id,
                                             [&] { return database.db_update(db::update_item(next, item)); });
        if (!saved) fail("save failed: " + database.last_diagnostic().text);
        item = next;
    }
    return ms_since(start);
}

template <typename F>
double best_ms(int runs, F&& work) {
    double best = 1e300;
    for (int k = 0; k < runs; ++k) {
        const auto start = Clock::now();
        work();
        best = std::min(best, ms_since(start));
    }
    return best;
}

void read_large_history(const fs::path& folder) {
    const std::string path = new_store(folder, "history.mdb", true);
    // 100 000 operations of 10 rows each over 1 000 days, by 10 authors.
    const auto start = Clock::now();
    exec(path,
         "BEGIN;"
         "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 100000) "
         "INSERT INTO \"HistoryOperations\" (\"ID\", \"Caption\", \"Changed\", \"Who\", \"Txn\") SELECT k, "
         "CASE WHEN k % 100 = 0 THEN 'Импорт parts' || k || '.csv' ELSE 'Изменение детали ' || (k % 100000) END, "
         "strftime('%Y-%m-%d %H:%M:%S', '2020-01-01', '+' || (k * 864) || ' seconds'), "
         "'user' || (k % 10) || ' (detalehran)', k FROM n;"
         "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 1000000) "
         "INSERT INTO \"History\" (\"Operation\", \"TableName\", \"Kind\", \"ItemID\", \"Before\", \"After\") SELECT "
         "(k + 9) / 10, 'Store', 'update', (k * 7919) % 100000 + 1, '{\"Количество\":\"' || (k % 50) || '\"}', "
         "'{\"Количество\":\"' || (k % 50 + 1) || '\"}' FROM n;"
         "COMMIT;");
    std::printf("history of 1 000 000 rows made in %.0f ms\n", ms_since(start));

    db::Database database;
    open(database, path);
    struct Case {
        const char* what;
        db::HistoryFilter filter;
    };
    db::HistoryFilter first, author, part, day, text, page;
    author.who = "user3 (detalehran)";
    part.item_ids = {"4242"};
    day.since = day.until = "2020-06-15";
    text.text = "импорт";
    page.before_id = "50000";
    for (const Case& c : {Case{"first page", first}, Case{"one author", author}, Case{"one part", part},
                          Case{"one day", day}, Case{"caption text", text}, Case{"a page in the middle", page}}) {
        std::vector<db::OperationRecord> ops;
        const double ms = best_ms(5, [&] {
            if (!db::read_operations(database, c.filter, ops)) fail("read failed: " + database.last_diagnostic().text);
        });
        std::printf("read_operations, %-22s %8.2f ms  (%zu operations)\n", (std::string(c.what) + ":").c_str(), ms,
                    ops.size());
    }
    std::vector<db::ChangeRecord> changes;
    const double changes_ms = best_ms(5, [&] { db::read_changes(database, "77777", changes); });
    std::printf("read_changes of one operation:          %8.2f ms  (%zu rows)\n", changes_ms, changes.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t parts = 100000;
    for (int k = 1; k + 1 < argc; ++k) {
        if (std::string(argv[k]) == "--parts") parts = std::strtoul(argv[k + 1], nullptr, 10);
    }
    const fs::path folder = fs::temp_directory_path() / ("history-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", folder / "odbcinst.ini");
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);

    const std::string csv = parts_csv(parts);
    double with = 1e300, without = 1e300;
    for (int run = 0; run < 3; ++run) {
        without = std::min(without, import_ms(folder, false, csv));
        with = std::min(with, import_ms(folder, true, csv));
    }
    std::printf("import of %zu parts: without history %8.0f ms, with %8.0f ms, ratio %.2f (target 1.30)\n", parts,
                without, with, with / without);

    const int saves = 1000;
    with = without = 1e300;
    for (int run = 0; run < 3; ++run) {
        without = std::min(without, saves_ms(folder, false, saves));
        with = std::min(with, saves_ms(folder, true, saves));
    }
    std::printf("%d single saves:      without history %8.0f ms, with %8.0f ms, ratio %.2f (target 1.10)\n", saves,
                without, with, with / without);

    read_large_history(folder);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
