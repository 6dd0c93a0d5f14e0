#pragma once
// A started program in a temporary folder with a real database, and a direct
// SQLite door to the same file for seeding, looking and making statements
// fail (by triggers that refuse them).

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include "support/statement_trace.h"
#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "db/statements.h"
#include "itemlist/item_list_model.h"
#include "store/store_schema.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace detalehran::testing {

using Rows = std::vector<std::vector<std::string>>;

struct StoredItem {
    std::string name, section = "|Все|", place = "|Все|";
};

// "Все/0 A/1 B/2": a node list in order, with levels.
inline QString tree_text(const NodeList& nodes) {
    QStringList out;
    for (const TreeNode& node : nodes) out << node.name + "/" + QString::number(node.level);
    return out.join(' ');
}

class TreeProgram : public ::testing::Test {
protected:
    TreeProgram() : app_(services_) {
        test_application();
        folder_.create_store();
    }
    ~TreeProgram() override {
        app_.database.close_store();
        delete app_.main_window;
    }

    // Items get IDs 1, 2, ... in the order given.
    void seed(const std::vector<StoredItem>& items) {
        for (const StoredItem& i : items) {
            sql("INSERT INTO Store VALUES (" + detalehran::testing::sql_literal(i.name) + ",'описание'," + detalehran::testing::sql_literal(i.place) +
                ",7,'1.5','0.25','Поставщик'," + detalehran::testing::sql_literal(i.section) + ",'SOT-23',NULL,'')");
        }
    }
    void sql(const std::string& text) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        ASSERT_TRUE(store::register_text_functions(db));
        sqlite3_busy_timeout(db, 2000);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    Rows rows(const std::string& query) const {
        Rows out;
        sqlite3* db = nullptr;
        sqlite3_open_v2(folder_.file("Store.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        store::register_text_functions(db);
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr), SQLITE_OK) << query;
        while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
            auto& row = out.emplace_back();
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                row.emplace_back(text != nullptr ? text : "<null>");
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return out;
    }
    // "name=value" of every item of a table, by ID, for one column.
    std::vector<std::string> stored(const char* column, const char* table = "Store") const {
        std::vector<std::string> out;
        for (const auto& r :
             rows(std::string("SELECT \"Название\", \"") + column + "\" FROM " + table + " ORDER BY ID"))
            out.push_back(r[0] + "=" + r[1]);
        return out;
    }

    QTreeWidget* view(int tree) const { return trees::view_of(app_, tree); }
    QString nodes(int tree) { return tree_text(trees::nodes_of(app_, tree)); }
    void set_nodes(int tree, const NodeList& nodes) {
        trees::nodes_of(app_, tree) = nodes;
        trees::show_nodes(view(tree), nodes, {}, 0);
    }
    void select(int tree, int node) { trees::select_tree_node(view(tree), node); }
    // A click as the router delivers it; a right click's popup is closed.
    void click(int tree, trees::Click how = trees::Click::left) {
        trees::select_node(app_, tree, how);
        for (int menu : {kPathTreeMenu, kLocationTreeMenu}) app_.main_window->popup_menu(menu)->hide();
    }
    QLineEdit* editor(int tree) const {
        for (QLineEdit* line : view(tree)->findChildren<QLineEdit*>()) {
            if (line->isVisible()) return line;
        }
        return nullptr;
    }
    ItemListModel& model() const { return app_.main_window->list_model(); }
    QStringList listed(int column = db::kName) const {
        QStringList out;
        for (int r = 0; r < model().row_count(); ++r) out << model().cell(r, column);
        return out;
    }
    int messages() const { return services_.count(ServiceKind::message_box); }
    QString last_message() const {
        const ServiceCall* call = services_.last(ServiceKind::message_box);
        return call == nullptr ? QString() : call->title + ": " + call->text;
    }
    QString settings_text() const { return QString::fromStdString(read_file(folder_.file("Store.ini"))); }
    // The label editor commits through queued calls, one after the other.
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    TestFolder folder_;
    ScriptedServices services_;
    App app_;
};

}  // namespace detalehran::testing
