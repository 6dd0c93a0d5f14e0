// The same inventory of 100,000 parts in a Store.mdb file and on a
// PostgreSQL server over the loopback, measured side by side in one run:
// start-up until the list is filled, a section click, a search and saving a
// part, through the real windows; also a section of 30,000 parts and the
// root "Все" (every part). Each figure is the best of three; every
// start-up is a program started afresh. Run it inside a throwaway cluster:
//
//   pg_virtualenv -- <build>/bench/bench_server [--parts N]

#include <QApplication>
#include <QLineEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "app/lifecycle.h"
#include "bench_support.h"
#include "db/database.h"
#include "db/statements.h"
#include "editor/item_editor.h"
#include "editor/item_editor_window.h"
#include "inventory.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "server_store.h"
#include "settings/settings_format.h"
#include "state/app.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

namespace fs = std::filesystem;
using namespace detalehran;
using namespace detalehran::bench;

namespace {

constexpr int kRuns = 3;
constexpr const char* kTerm = "MMBT";
// The large section: the first parts by ID moved into it, in both stores.
constexpr const char* kLargeSection = "Большой раздел";
constexpr int kLargeParts = 30000;

std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : fallback;
}

void settle() {
    for (int i = 0; i < 2; ++i) QCoreApplication::processEvents();
}

// The tree a user would have built for these paths, as in Store.ini.
NodeList tree_of(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    NodeList nodes{{QString::fromUtf8(kRootName), 0}};
    std::vector<std::string> open;
    for (const std::string& path : paths) {
        const QStringList names = QString::fromStdString(path).split('|', Qt::SkipEmptyParts).mid(1);
        std::size_t same = 0;
        while (same < open.size() && same < static_cast<std::size_t>(names.size()) &&
               open[same] == names[static_cast<qsizetype>(same)].toStdString()) {
            ++same;
        }
        open.resize(same);
        for (qsizetype i = static_cast<qsizetype>(same); i < names.size(); ++i) {
            nodes.push_back({names[i], static_cast<int>(i + 1)});
            open.push_back(names[i].toStdString());
        }
    }
    return nodes;
}

// One program's figures: started in this process on the folder's data source.
int measure() {
    int argc = 1;
    char name[] = "bench_server";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QuietServices services;
    App app(services);
    const auto started = Clock::now();
    start_up(app);
    app.main_window->show();
    settle();
    app.main_window->repaint();
    const double start_up_ms = ms_since(started);
    ItemListModel& model = app.main_window->list_model();
    // Past the rows shown at once (a million parts) the rest comes while the
    // program waits: start-up counts until the first rows show, the figures
    // after it see the whole list, and a click's figure lasts until every
    // row is in.
    auto wait_for_every_row = [&model] {
        while (model.rows_pending()) QCoreApplication::processEvents();
    };
    wait_for_every_row();
    const int all_rows = model.row_count();

    // The section with the most parts of its own.
    std::map<QString, int> counts;
    for (int r = 0; r < model.row_count(); ++r) ++counts[model.cell(r, db::kSectionPath)];
    counts.erase(QString::fromUtf8("|Все|%1|").arg(QString::fromUtf8(kLargeSection)));
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    const QString section = most->first.section('|', -2, -2);
    const NodeList& nodes = trees::nodes_of(app, kPathTree);
    int node = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].name == section) node = static_cast<int>(i);
    }
    QTreeWidget* tree = trees::view_of(app, kPathTree);
    auto click = [&](int n) {
        trees::select_tree_node(tree, n);
        trees::select_node(app, kPathTree, trees::Click::left);
        app.main_window->item_list()->repaint();
        wait_for_every_row();
    };
    double section_ms = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        click(0);
        const auto start = Clock::now();
        click(node);
        section_ms = std::min(section_ms, ms_since(start));
    }
    const int section_rows = model.row_count();
    const auto best_click = [&](int n) {
        double best = 1e300;
        for (int i = 0; i < kRuns; ++i) {
            click(n == 0 ? node : 0);
            const auto start = Clock::now();
            click(n);
            best = std::min(best, ms_since(start));
        }
        return best;
    };
    int large = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].name == QString::fromUtf8(kLargeSection)) large = static_cast<int>(i);
    }
    if (large == 0) return 1;
    const double large_ms = best_click(large);
    const int large_rows = model.row_count();
    const double all_ms = best_click(0);
    const int every_row = model.row_count();

    app.main_window->search_field()->setText(kTerm);
    const double search_ms = best_of(kRuns, [&] {
        itemlist::search_by_name(app, Event{});
        app.main_window->item_list()->repaint();
    });
    const int found = model.row_count();

    // Saving a new part: from "ОК" until the list shows it.
    click(node);
    double save_ms = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        editor::open_item_editor(app, EditorMode::add);
        settle();
        editor::ItemEditorWindow* window = editor::item_editor_window(app);
        if (window == nullptr) return 1;
        window->set_value(db::kName, QString::fromUtf8("Новая деталь %1").arg(i));
        window->set_value(db::kQuantity, "10");
        trees::select_tree_node(window->location_tree(), 1);
        process_event(app, Event{kControlEvent, kEditorWindow, kEditorLocationTree, kLeftClick});
        const int before = model.row_count();
        const auto start = Clock::now();
        process_event(app, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
        settle();
        app.main_window->item_list()->repaint();
        save_ms = std::min(save_ms, ms_since(start));
        if (model.row_count() != before + 1 || editor::item_editor_window(app) != nullptr) return 1;
    }
    std::printf("%s %d %.1f %d %.1f %d %.1f %.1f %d %.1f %d %.1f\n", app.database.serves_file() ? "file" : "server",
                all_rows, start_up_ms, section_rows, section_ms, found, search_ms, save_ms, large_rows, large_ms,
                every_row, all_ms);
    app.database.close_store();
    std::fflush(stdout);
    std::_Exit(0);
}

struct Figures {
    int rows = 0, section_rows = 0, found = 0, large_rows = 0, every_row = 0;
    double start_up = 1e300, section = 1e300, search = 1e300, save = 1e300, large = 1e300, all = 1e300;
};

// Runs this program afresh in the folder, kRuns times, keeping the best.
Figures run_programs(const fs::path& folder) {
    Figures best;
    for (int i = 0; i < kRuns; ++i) {
        const std::string command = "cd '" + folder.string() + "' && ODBCSYSINI='" + folder.string() + "' ODBCINI='" +
                                    (folder / "odbc.ini").string() + "' /proc/" + std::to_string(getpid()) +
                                    "/exe --measure";
        FILE* child = ::popen(command.c_str(), "r");
        char kind[16] = {};
        Figures f;
        const int got = child == nullptr
                            ? 0
                            : std::fscanf(child, "%15s %d %lf %d %lf %d %lf %lf %d %lf %d %lf", kind, &f.rows,
                                          &f.start_up, &f.section_rows, &f.section, &f.found, &f.search, &f.save,
                                          &f.large_rows, &f.large, &f.every_row, &f.all);
        if (child == nullptr || ::pclose(child) != 0 || got != 12) {
            std::fprintf(stderr, "a measured program in %s failed\n", folder.c_str());
            std::exit(1);
        }
        if (i == 0) {  // later runs also see the parts the earlier ones saved
            best.rows = f.rows;
            best.section_rows = f.section_rows;
            best.found = f.found;
            best.large_rows = f.large_rows;
            best.every_row = f.every_row;
        }
        best.large = std::min(best.large, f.large);
        best.all = std::min(best.all, f.all);
        best.start_up = std::min(best.start_up, f.start_up);
        best.section = std::min(best.section, f.section);
        best.search = std::min(best.search, f.search);
        best.save = std::min(best.save, f.save);
    }
    return best;
}

void write_settings(const fs::path& folder) {
    dbtool::BulkGenerator generator;
    settings::SettingsRecord record;
    std::vector<std::string> sections = generator.sections();
    sections.push_back(std::string("|Все|") + kLargeSection + "|");
    record.path_nodes = tree_of(sections);
    record.location_nodes = tree_of(generator.places());
    std::ofstream(folder / "Store.ini", std::ios::binary) << settings::settings_text(record).toStdString();
    fs::create_directories(folder / "Datasheet");
}

std::string dsn_section(const std::string& name, const std::string& database) {
    return "[" + name + "]\nDriver = PostgreSQL Unicode\nServername = " + env_or("PGHOST", "localhost") +
           "\nPort = " + env_or("PGPORT", "5432") + "\nDatabase = " + database +
           "\nUsername = " + env_or("PGUSER", "postgres") + "\nPassword = " + env_or("PGPASSWORD", "") + "\n\n";
}

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--measure") return measure();
    if (std::getenv("PGHOST") == nullptr) {
        std::fprintf(stderr, "no server: run as  pg_virtualenv -- %s\n", argv[0]);
        return 1;
    }
    std::size_t parts = 0;
    const fs::path file_folder =
        generated_store_folder("detalehran-server-bench-file", parts_argument(argc, argv, 100000), &parts);
    write_settings(file_folder);
    const fs::path server_folder = file_folder.string() + "-server";
    fs::create_directories(server_folder);
    write_settings(server_folder);
    for (const fs::path& folder : {file_folder, server_folder}) {
        std::ofstream(folder / "odbcinst.ini", std::ios::app)
            << "\n[PostgreSQL Unicode]\nDriver = " DETALEHRAN_PSQLODBC "\n";
    }

    // The same parts on the server, in a database of this run's own.
    const std::string database = "detalehran_bench_" + std::to_string(getpid());
    std::ofstream(file_folder / "odbc.ini", std::ios::app)
        << dsn_section("Admin", env_or("PGDATABASE", "postgres")) << dsn_section("Bench", database);
    std::ofstream(server_folder / "odbc.ini") << dsn_section("Store", database);
    db::Database admin;
    const std::string drop = "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)";
    if (!admin.init_environment() || !admin.connect_data_source("Admin") || !admin.db_update(drop) ||
        !admin.db_update("CREATE DATABASE " + database)) {
        std::fprintf(stderr, "cannot make the server database: %s\n", admin.last_diagnostic().text.c_str());
        return 1;
    }
    const auto start = Clock::now();
    std::string error;
    if (!dbtool::create_server_database({"Bench", dbtool::Content::generated, parts}, nullptr, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("the same %zu parts on the server built in %.0f ms\n", parts, ms_since(start));
    // The large section, the same parts in both stores.
    const std::string large_path = std::string("'|Все|") + kLargeSection + "|'";
    const std::string limit = " <= " + std::to_string(kLargeParts);
    db::Database file_store, server_store;
    if (!file_store.init_environment() || !file_store.open_file((file_folder / db::kDatabaseFile).string()) ||
        !file_store.db_update("UPDATE [Store] SET [Путь] = " + large_path + " WHERE [ID]" + limit) ||
        !server_store.init_environment() || !server_store.connect_data_source("Bench") ||
        !server_store.db_update("UPDATE \"Store\" SET \"Путь\" = " + large_path + " WHERE \"ID\"" + limit)) {
        std::fprintf(stderr, "cannot make the large section: %s %s\n", file_store.last_diagnostic().text.c_str(),
                     server_store.last_diagnostic().text.c_str());
        return 1;
    }
    file_store.close_store();
    server_store.close_store();

    const Figures file = run_programs(file_folder);
    const Figures server = run_programs(server_folder);
    std::printf("\n%-40s %10s %10s %7s\n", "best of 3", "file", "server", "ratio");
    const auto line = [](const std::string& what, double f, double s, const char* target, bool met) {
        std::printf("%-40s %7.1f ms %7.1f ms %7.2f  %s: %s\n", what.c_str(), f, s, s / f, target, verdict(met));
    };
    line("start-up until the list shows " + std::to_string(server.rows), file.start_up, server.start_up, "within 2x",
         server.start_up <= 2 * file.start_up);
    line("section click (" + std::to_string(server.section_rows) + " parts)", file.section, server.section, "within 2x",
         server.section <= 2 * file.section);
    line(std::string("search \"") + kTerm + "\" (" + std::to_string(server.found) + " parts)", file.search,
         server.search, "within 2x", server.search <= 2 * file.search);
    line("section click (" + std::to_string(server.large_rows) + " parts)", file.large, server.large, "within 1.5x",
         server.large <= 1.5 * file.large);
    line("\"Все\" click (" + std::to_string(server.every_row) + " parts)", file.all, server.all, "within 1.5x",
         server.all <= 1.5 * file.all);
    line("save a new part until the list shows it", file.save, server.save, "server below 50 ms", server.save < 50);

    admin.db_update(drop);
    admin.close_store();
    remove_folder(file_folder);
    remove_folder(server_folder);
    return 0;
}
