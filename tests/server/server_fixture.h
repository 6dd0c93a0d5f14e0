#pragma once
// Programs on a real PostgreSQL server: the throwaway cluster that
// pg_virtualenv starts around the server tests (scripts/test.sh) and
// announces through PGHOST, PGPORT, PGUSER and PGPASSWORD. Each test gets a
// database of its own on it, and roles of its own, so that tests run side by
// side; its data sources live in the test folder's odbc.ini, as a user's own
// would in ~/.odbc.ini.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMenu>
#include <QTreeView>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "app/lifecycle.h"
#include "command_line.h"
#include "db/database.h"
#include "db/statements.h"
#include "editor/item_editor.h"
#include "editor/item_editor_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "state/app.h"
#include "support/scripted_services.h"
#include "support/statement_trace.h"
#include "support/test_environment.h"
#include "trees/node_operations.h"
#include "trees/shared_trees.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

namespace detalehran::testing {

using Rows = std::vector<std::vector<std::string>>;

inline std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : fallback;
}

// A connection of the test's own, for setting up and looking.
class Door {
public:
    bool open(const std::string& dsn) { return database_.init_environment() && database_.connect_data_source(dsn); }
    void sql(const std::string& text) {
        EXPECT_TRUE(database_.db_update(text)) << text << ": " << database_.last_diagnostic().text;
    }
    // The first `columns` values of every row.
    Rows rows(const std::string& query, int columns = 1) {
        Rows out;
        EXPECT_TRUE(database_.db_query(query)) << query << ": " << database_.last_diagnostic().text;
        while (database_.db_next_row()) {
            auto& row = out.emplace_back();
            for (int c = 0; c < columns; ++c) row.push_back(database_.db_text(c));
        }
        database_.db_finish();
        return out;
    }
    std::string value(const std::string& query) {
        const Rows r = rows(query);
        return r.empty() ? "<none>" : r[0][0];
    }
    db::Database& database() { return database_; }

private:
    db::Database database_;
};

class ServerProgram : public ::testing::Test {
protected:
    ServerProgram() : app_(services_) { test_application(); }

    void SetUp() override {
        if (std::getenv("PGHOST") == nullptr) GTEST_SKIP() << "no server: run under pg_virtualenv (scripts/test.sh)";
        const std::string psqlodbc = DETALEHRAN_PSQLODBC;
        std::ofstream(folder_.file("odbcinst.ini"), std::ios::app)
            << "\n[PostgreSQL Unicode]\nDriver = " << psqlodbc << "\n";
        prefix_ = "dtlh_" + std::to_string(::getpid());
        database_ = prefix_;
        add_dsn("Admin", env_or("PGDATABASE", "postgres"), superuser(), env_or("PGPASSWORD", ""));
        add_dsn("Look", database_, superuser(), env_or("PGPASSWORD", ""));
        ASSERT_TRUE(admin_.open("Admin")) << admin_.database().last_diagnostic().text;
        admin_.sql("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
        admin_.sql("CREATE DATABASE " + database_);
        ASSERT_TRUE(look_.open("Look")) << look_.database().last_diagnostic().text;
    }

    void TearDown() override {
        if (std::getenv("PGHOST") == nullptr) return;
        app_.database.close_store();
        delete app_.main_window;
        look_.database().close_store();
        admin_.sql("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
        for (const std::string& role : roles_) admin_.sql("DROP ROLE IF EXISTS " + role);
    }

    static std::string superuser() { return env_or("PGUSER", "postgres"); }

    // A data source in the user's odbc.ini, as a desktop's would read.
    void add_dsn(const std::string& name, const std::string& database, const std::string& user,
                 const std::string& password, const std::string& port = env_or("PGPORT", "5432")) {
        std::ofstream(folder_.odbc_ini(), std::ios::app)
            << "[" << name << "]\nDriver = PostgreSQL Unicode\nServername = " << env_or("PGHOST", "localhost")
            << "\nPort = " << port << "\nDatabase = " << database << "\nUsername = " << user
            << "\nPassword = " << password << "\n\n";
    }

    // A login role (name prefix + suffix) set up with the tool; a data source
    // of the role's name reaches the test's database as that role.
    std::string add_role(const std::string& suffix, bool read_only = false) {
        const std::string role = prefix_ + "_" + suffix;
        admin_.sql("DROP ROLE IF EXISTS " + role);
        admin_.sql("CREATE ROLE " + role + " LOGIN PASSWORD 'pw-" + role + "'");
        roles_.push_back(role);
        std::ostringstream out, err;
        std::vector<std::string> command{"detalehran-db", "add-user", "--dsn", "Look", role};
        if (read_only) command.push_back("--read-only");
        EXPECT_EQ(dbtool::run_command_line(command, out, err), 0) << err.str();
        add_dsn(role, database_, role, "pw-" + role);
        return role;
    }

    // The inventory made with the tool's command line as the server's
    // owner, then the program's data source Store for a role of its own.
    std::string create_store(const std::string& role_suffix = "user") {
        std::ostringstream out, err;
        EXPECT_EQ(dbtool::run_command_line({"detalehran-db", "create", "--dsn", "Look"}, out, err), 0) << err.str();
        const std::string role = add_role(role_suffix);
        add_dsn("Store", database_, role, "pw-" + role);
        return role;
    }

    // Items with IDs 1, 2, ... in sections and places of their own.
    void seed(const std::vector<std::array<const char*, 3>>& items) {
        for (const auto& [name, section, place] : items) {
            look_.sql(std::string("INSERT INTO \"Store\" (\"Название\",\"Описание\",\"Расположение\",\"Количество\","
                                  "\"Цена расходная\",\"Цена приходная\",\"Поставщик\",\"Путь\",\"Тип корпуса\","
                                  "\"Datasheet\") VALUES (") +
                      detalehran::testing::sql_literal(name) + ",'описание'," +
                      detalehran::testing::sql_literal(place) + ",7,1.5,0.25,'Поставщик'," +
                      detalehran::testing::sql_literal(section) + ",'SOT-23','')");
        }
    }

    // Starts the program as a user would, with the statements it sends traced.
    void start() {
        trace_into(app_.database, trace_);
        start_up(app_);
    }
    // Sections A and B, places Шкаф and Стол: on the team's trees of the
    // server (siblings by name), otherwise as the settings file gives them.
    void set_trees(App& app) {
        if (trees::trees_shared(app)) {
            trees::add_shared_paths(look_.database(), schema::TreeKind::sections, {"|Все|A|", "|Все|B|"});
            trees::add_shared_paths(look_.database(), schema::TreeKind::places, {"|Все|Шкаф|", "|Все|Стол|"});
            trees::reread_trees(app);
            return;
        }
        for (const auto& [tree, nodes] : {std::pair{kPathTree, NodeList{{"Все", 0}, {"A", 1}, {"B", 1}}},
                                          std::pair{kLocationTree, NodeList{{"Все", 0}, {"Шкаф", 1}, {"Стол", 1}}}}) {
            trees::nodes_of(app, tree) = nodes;
            trees::show_nodes(trees::view_of(app, tree), nodes, {}, 0);
        }
    }
    // The index of the tree's node with that path.
    static int node(const App& app, int tree, const QString& path) {
        return trees::find_path_node(tree == kLocationTree ? app.location_nodes : app.path_nodes, path);
    }
    // A click on a node, as the router delivers it.
    static void click(App& app, int tree, int node) {
        trees::select_tree_node(trees::view_of(app, tree), node);
        trees::select_node(app, tree, trees::Click::left);
        for (int menu : {kPathTreeMenu, kLocationTreeMenu}) app.main_window->popup_menu(menu)->hide();
    }
    void click(int tree, int node) { click(app_, tree, node); }
    // A second program beside app_, as another role through its own data source.
    void start_other(App& other, const std::string& dsn) {
        ASSERT_TRUE(other.database.init_environment() && other.database.connect_data_source(dsn))
            << other.database.last_diagnostic().text;
        build_main_window(other);
        set_trees(other);
        itemlist::show_item_list(other, db::kSelectAllItems);
    }
    static QStringList listed(const App& app, int column = db::kName) {
        QStringList out;
        const ItemListModel& rows = app.main_window->list_model();
        for (int r = 0; r < rows.row_count(); ++r) out << rows.cell(r, column);
        return out;
    }
    QStringList listed(int column = db::kName) const { return listed(app_, column); }
    ItemListModel& model() const { return app_.main_window->list_model(); }
    static int row_of(const App& app, const QString& name) { return listed(app).indexOf(name); }
    // The item editor given values by column and saved with "ОК"; `place` is
    // a node of its location tree to click first. Edit and duplicate work on
    // the list's selected row.
    static void save_in_editor(App& app, EditorMode mode, const std::map<int, QString>& values, int place = -1) {
        editor::open_item_editor(app, mode);
        editor::ItemEditorWindow* window = editor::item_editor_window(app);
        ASSERT_NE(window, nullptr);
        for (const auto& [column, value] : values) window->set_value(column, value);
        if (place >= 0) {
            trees::select_tree_node(window->location_tree(), place);
            process_event(app, Event{kControlEvent, kEditorWindow, kEditorLocationTree, kLeftClick});
        }
        process_event(app, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
    }
    int messages() const { return services_.count(ServiceKind::message_box); }
    QString last_message() const {
        const ServiceCall* call = services_.last(ServiceKind::message_box);
        return call == nullptr ? QString() : call->text;
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    TestFolder folder_;
    ScriptedServices services_;
    App app_;
    Door admin_;
    Door look_;
    std::string prefix_;
    std::string database_;
    std::vector<std::string> roles_;
    std::vector<TracedStatement> trace_;
};

}  // namespace detalehran::testing
