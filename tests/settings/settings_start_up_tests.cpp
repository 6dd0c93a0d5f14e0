// Store.ini end to end: the program started, changed, closed and started
// again in a temporary working folder.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <memory>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "settings/settings_examples.h"
#include "settings/settings_file.h"
#include "settings/settings_format.h"
#include "settings/settings_store.h"
#include "store/store_schema.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

namespace detalehran::settings {
namespace {

using detalehran::testing::file_exists;
using detalehran::testing::read_file;
using detalehran::testing::ScriptedServices;
using detalehran::testing::ServiceKind;
using detalehran::testing::TestFolder;
namespace fs = std::filesystem;

QString u(const char* text) { return QString::fromUtf8(text); }

void add_item(const std::string& database, const char* name, const char* place, const char* section) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_TRUE(store::register_text_functions(db));
    const std::string sql = std::string(
                                "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],"
                                "[Цена расходная],[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet])"
                                "VALUES ('") +
                            name + "','','" + place + "',3,1,1,'','" + section + "','','')";
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

QStringList names_shown(const QTreeWidget* tree) {
    QStringList names;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it != nullptr; ++it) names.append((*it)->text(0));
    names.sort();
    return names;
}

QStringList names_of(const NodeList& nodes) {
    QStringList names;
    for (const TreeNode& node : nodes) names.append(node.name);
    names.sort();
    return names;
}

std::array<int, kListColumns> visual_order(const MainWindow* window) {
    std::array<int, kListColumns> order{};
    for (int p = 0; p < kListColumns; ++p)
        order[static_cast<std::size_t>(p)] = window->item_list()->header()->logicalIndex(p);
    return order;
}

class SettingsRun : public ::testing::Test {
protected:
    SettingsRun() { detalehran::testing::test_application(); }
    ~SettingsRun() override { discard(); }

    App& start() {
        discard();
        app_ = std::make_unique<App>(services_);
        app_->end_process = [this](int code) { ended_with_ = code; };
        start_up(*app_);
        return *app_;
    }
    // Closing the main window, as its close box does, and the shutdown.
    void close() {
        Event close;
        close.kind = kCloseEvent;
        close.window = kMainWindow;
        process_event(*app_, close);
        ASSERT_TRUE(app_->loop_ended);
        shut_down(*app_);
        discard();
    }
    void discard() {
        if (app_) delete app_->main_window;
        app_.reset();
    }
    MainWindow& window() { return *app_->main_window; }
    QHeaderView& header() { return *window().item_list()->header(); }
    std::string ini() const { return folder_.file("Store.ini"); }
    void write_ini(const QByteArray& bytes) const { std::ofstream(ini(), std::ios::binary) << bytes.toStdString(); }
    SettingsRecord stored() const { return read_settings(settings_lines(QByteArray::fromStdString(read_file(ini())))); }
    int messages() const { return services_.count(ServiceKind::message_box); }

    TestFolder folder_;
    ScriptedServices services_;
    std::unique_ptr<App> app_;
    int ended_with_ = -1;
};

TEST_F(SettingsRun, FirstStartWritesTheDefaultsAndTheTreesOfTheStoredPaths) {
    folder_.create_store();
    add_item(folder_.file("Store.mdb"), "R1", "|Все|Шкаф 1|Ящик 3|", "|Все|Резисторы|SMD|");
    add_item(folder_.file("Store.mdb"), "C1", "|Все|Шкаф 1|", "|Все|Конденсаторы|");
    ASSERT_EQ(settings_file_size(), -1);
    App& app = start();
    EXPECT_EQ(messages(), 0);
    ASSERT_GT(settings_file_size(), 0);

    const SettingsRecord file = stored();
    const NodeList sections{{u("Все"), 0}, {u("Конденсаторы"), 1}, {u("Резисторы"), 1}, {"SMD", 2}};
    const NodeList places{{u("Все"), 0}, {u("Шкаф 1"), 1}, {u("Ящик 3"), 2}};
    EXPECT_EQ(file.path_nodes, sections);
    EXPECT_EQ(file.location_nodes, places);
    EXPECT_EQ(app.path_nodes, sections);
    EXPECT_EQ(names_shown(window().path_tree()), names_of(sections));
    EXPECT_EQ(names_shown(window().location_tree()), names_of(places));

    const SettingsRecord defaults;
    EXPECT_EQ(file.columns.order, defaults.columns.order);
    EXPECT_EQ(file.columns.shown, defaults.columns.shown);
    EXPECT_EQ(file.column_widths, (std::array<int, kStoredWidths>{200, 300, 0, 100, 100, 100, 100}));
    EXPECT_EQ(file.tree_splitter_position, 250);
    EXPECT_EQ(file.main_splitter_position, 150);
    EXPECT_EQ(file.font_face, "MS Sans Serif");
    EXPECT_EQ(file.font_points, 8);
    EXPECT_EQ(file.font_style, 0);
    EXPECT_EQ(file.highlight_on, 0);
    EXPECT_EQ(file.minimum, "5");
    EXPECT_EQ(file.colour, 255);
    EXPECT_EQ(app.highlight.colour_saved, 255);
    // Read back and applied like any other start, then the list was filled.
    EXPECT_EQ(visual_order(&window()), defaults.columns.order);
    EXPECT_EQ(window().list_model().row_count(), 2);
}

TEST_F(SettingsRun, WrittenFileIsTheExampleWithTheProgramsOwnRectanglesAndReadsBack) {
    folder_.create_store();
    App& app = start();
    app.path_nodes = example_sections();
    app.location_nodes = example_places();
    ASSERT_TRUE(save_settings(app));

    // The example's illustrative rectangles become the program's own.
    const MainWindow& w = window();
    const auto rect = [](int x, int y, const QRect& size) {
        return QStringLiteral("x=%1\r\ny=%2\r\nwidth=%3\r\nheight=%4\r\n")
            .arg(x)
            .arg(y)
            .arg(size.width())
            .arg(size.height())
            .toUtf8();
    };
    const auto own = [&rect](const QWidget* c) { return rect(c->x(), c->y(), c->geometry()); };
    QByteArray expected = example_file();
    expected.replace("x=303\r\ny=112\r\nwidth=800\r\nheight=550\r\n",
                     rect(w.frameGeometry().x(), w.frameGeometry().y(), w.geometry()));
    expected.replace("x=2\r\ny=23\r\nwidth=106\r\nheight=505\r\n", own(w.tree_splitter()));
    expected.replace("x=2\r\ny=23\r\nwidth=796\r\nheight=505\r\n", own(w.main_splitter()));
    expected.replace("x=110\r\ny=25\r\nwidth=689\r\nheight=500\r\n", own(w.item_list()));
    EXPECT_EQ(QString::fromUtf8(QByteArray::fromStdString(read_file(ini()))), QString::fromUtf8(expected));
    // The window as created; the file holds its outer corner, beyond the frame.
    EXPECT_EQ(w.geometry().topLeft(), QPoint(303, 112));
    EXPECT_EQ(w.geometry().width(), 800);

    const NodeList sections = app.path_nodes;
    const NodeList places = app.location_nodes;
    const ColumnTable columns = app.column_table;
    close();
    App& again = start();
    EXPECT_EQ(again.path_nodes, sections);
    EXPECT_EQ(again.location_nodes, places);
    EXPECT_EQ(again.column_table.order, columns.order);
    EXPECT_EQ(again.column_table.shown, columns.shown);
    EXPECT_EQ(again.highlight.on, 0);
    EXPECT_EQ(again.highlight.minimum, "5");
    EXPECT_EQ(again.highlight.colour, 255);
    EXPECT_EQ(names_shown(window().path_tree()), names_of(sections));
}

TEST_F(SettingsRun, RestartRestoresTreesColumnsWidthsSplittersAndTheHighlightRule) {
    folder_.create_store();
    add_item(folder_.file("Store.mdb"), "R1", "|Все|Шкаф 1|", "|Все|Резисторы|");
    App& app = start();
    // Sections and places that hold no item live only in the file.
    app.path_nodes.push_back({u("Пустой раздел"), 1});
    app.path_nodes.push_back({u("Ещё глубже"), 2});
    app.location_nodes.push_back({u("Полка"), 1});
    // Тип корпуса dragged to the right end, Количество hidden, Описание
    // hidden and then dragged open again.
    header().moveSection(header().visualIndex(8), kListColumns - 1);
    itemlist::hide_column(app, 3);
    itemlist::hide_column(app, 1);
    header().resizeSection(1, 50);
    header().resizeSection(0, 260);
    header().resizeSection(6, 70);
    set_splitter_position(window().main_splitter(), 210);
    set_splitter_position(window().tree_splitter(), 300);
    app.highlight.on = 1;
    app.highlight.minimum = "12";
    app.highlight.colour = 0x00FF00;
    read_column_order(app);
    const ColumnTable columns = app.column_table;
    const NodeList sections = app.path_nodes;
    const NodeList places = app.location_nodes;
    close();
    EXPECT_EQ(stored().column_widths[1], 0);

    App& again = start();
    EXPECT_EQ(messages(), 0);
    EXPECT_EQ(again.path_nodes, sections);
    EXPECT_EQ(again.location_nodes, places);
    EXPECT_TRUE(names_shown(window().path_tree()).contains(u("Ещё глубже")));
    EXPECT_TRUE(names_shown(window().location_tree()).contains(u("Полка")));
    EXPECT_EQ(again.column_table.order, columns.order);
    EXPECT_EQ(again.column_table.shown, columns.shown);
    EXPECT_EQ(visual_order(&window()), columns.order);
    EXPECT_EQ(visual_order(&window())[kListColumns - 1], 8);
    EXPECT_EQ(header().sectionSize(3), 0);
    EXPECT_EQ(header().sectionSize(1), 0);
    EXPECT_EQ(header().sectionSize(0), 260);
    EXPECT_EQ(header().sectionSize(6), 70);
    EXPECT_EQ(header().sectionSize(4), 100);
    EXPECT_EQ(window().main_splitter()->sizes().value(0), 210);
    EXPECT_EQ(window().tree_splitter()->sizes().value(0), 300);
    EXPECT_EQ(again.highlight.on, 1);
    EXPECT_EQ(again.highlight.minimum, "12");
    EXPECT_EQ(again.highlight.colour, 0x00FF00);
    EXPECT_EQ(again.highlight.on_saved, 1);
    EXPECT_EQ(again.highlight.minimum_saved, "12");
    EXPECT_EQ(again.highlight.colour_saved, 0x00FF00);
}

TEST_F(SettingsRun, ExitWritesNothing) {
    folder_.create_store();
    App& app = start();
    fs::remove(ini());
    app.path_nodes.push_back({u("Новый раздел"), 1});
    Event exit;
    exit.kind = kMenuEvent;
    exit.window = kMainWindow;
    exit.control = kMenuExit;
    process_event(app, exit);
    EXPECT_EQ(ended_with_, 0);
    EXPECT_FALSE(file_exists(ini()));
    EXPECT_FALSE(file_exists(ini() + ".tmp"));
}

TEST_F(SettingsRun, FontAndWindowRectangleOfTheFileAreNotApplied) {
    folder_.create_store();
    SettingsRecord record;
    record.path_nodes = {{u("Все"), 0}};
    record.location_nodes = {{u("Все"), 0}};
    record.font_face = "Arial";
    record.font_points = 20;
    record.font_style = 256;
    record.window_state = kWindowMaximized;
    record.window = {10, 20, 640, 480};
    write_ini(settings_text(record));
    App& app = start();
    EXPECT_EQ(app.list_font.face, "MS Sans Serif");
    EXPECT_EQ(app.list_font.points, 8);
    EXPECT_EQ(app.list_font.style, 0);
    EXPECT_FALSE(window().isMaximized());
    EXPECT_EQ(window().geometry(), QRect(303, 112, 800, window().geometry().height()));
}

TEST_F(SettingsRun, EmptyOrRootlessTreeSectionsGetTheirRootsAndAWindows1251FileReads) {
    folder_.create_store();
    // "1|Шкаф|1|" in Windows-1251, with no root before it.
    write_ini(
        QByteArray("[TreeItems]\r\n[TreeLocation]\r\n1|\xD8\xEA\xE0\xF4|1|\r\n[ListIconFont]\r\n"
                   "[ColumnsQuerry]\r\n0;1;2;\r\n[ColumnsHidden]\r\n1;1;1;1;1;1;1;1;1;1;1;\r\n"
                   "[String_Min]\r\nQuanity=7=8\r\n"));
    App& app = start();
    EXPECT_EQ(messages(), 0);
    EXPECT_EQ(app.path_nodes, (NodeList{{u("Все"), 0}}));
    EXPECT_EQ(app.location_nodes, (NodeList{{u("Все"), 0}, {u("Шкаф"), 1}}));
    EXPECT_EQ(names_shown(window().location_tree()), QStringList({u("Все"), u("Шкаф")}));
    // A damaged order row leaves the list's order; the other sections apply.
    EXPECT_EQ(app.column_table.order, ColumnTable{}.order);
    EXPECT_EQ(visual_order(&window()), ColumnTable{}.order);
    EXPECT_EQ(app.column_table.shown, (std::array<int, kListColumns>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(app.highlight.minimum, "7");
    EXPECT_EQ(app.highlight.colour, 255);

    // The next save writes UTF-8 with both roots.
    close();
    const QByteArray text = QByteArray::fromStdString(read_file(ini()));
    EXPECT_TRUE(text.startsWith(u("[TreeItems]\r\n0|Все|0|\r\n[TreeLocation]\r\n0|Все|0|\r\n1|Шкаф|1|\r\n").toUtf8()));
}

TEST_F(SettingsRun, AnUnreadableFileCostsNoTreeAndIsKeptBeside) {
    folder_.create_store();
    fs::create_directory(ini());
    std::ofstream(ini() + "/old") << "x";
    App& app = start();
    ASSERT_EQ(messages(), 1);
    const auto* box = services_.last(ServiceKind::message_box);
    EXPECT_EQ(box->title, u("Внимание!"));
    EXPECT_TRUE(box->text.contains("Store.ini.unreadable")) << box->text.toStdString();
    EXPECT_EQ(app.path_nodes, (NodeList{{u("Все"), 0}}));
    EXPECT_EQ(app.location_nodes, (NodeList{{u("Все"), 0}}));
    EXPECT_EQ(names_shown(window().path_tree()), QStringList({u("Все")}));
    EXPECT_EQ(app.column_table.order, ColumnTable{}.order);
    EXPECT_EQ(app.highlight.minimum, "5");

    app.path_nodes.push_back({u("Резисторы"), 1});
    close();
    EXPECT_EQ(messages(), 1);
    EXPECT_EQ(stored().path_nodes, (NodeList{{u("Все"), 0}, {u("Резисторы"), 1}}));
    EXPECT_EQ(read_file(ini() + ".unreadable/old"), "x");
}

TEST_F(SettingsRun, AFailedSaveIsReportedOnceAndNeverCostsTheOldFile) {
    folder_.create_store();
    fs::create_directory(ini() + ".tmp");  // no temporary copy can be made
    App& app = start();
    // The first start says so once and goes on with the defaults.
    ASSERT_EQ(messages(), 1);
    EXPECT_EQ(services_.last(ServiceKind::message_box)->title, u("Внимание!"));
    EXPECT_FALSE(file_exists(ini()));
    EXPECT_EQ(app.path_nodes, (NodeList{{u("Все"), 0}}));

    fs::remove(ini() + ".tmp");
    ASSERT_TRUE(save_settings(app));
    const std::string before = read_file(ini());
    fs::create_directory(ini() + ".tmp");
    app.path_nodes.push_back({u("Резисторы"), 1});
    EXPECT_FALSE(save_settings(app));
    ASSERT_EQ(messages(), 2);
    const auto* box = services_.last(ServiceKind::message_box);
    EXPECT_EQ(box->title, u("Внимание!"));
    EXPECT_EQ(box->buttons, MessageButtons::ok);
    EXPECT_TRUE(box->text.contains("Store.ini")) << box->text.toStdString();
    EXPECT_EQ(read_file(ini()), before);

    // At shutdown nobody is asked; the old file stays whole.
    close();
    EXPECT_EQ(messages(), 2);
    EXPECT_EQ(read_file(ini()), before);
}

// A run killed between a rename's item rewrites and its settings save, or a
// file written while the database was away, must not hide stored items.
TEST_F(SettingsRun, StoredSectionsAndPlacesTheFileLacksComeBackAsNodes) {
    folder_.create_store();
    add_item(folder_.file("Store.mdb"), "R1", "|Все|Шкаф|Ящик 2|", "|Все|Резисторы|SMD|");
    add_item(folder_.file("Store.mdb"), "C1", "|Все|Шкаф|", "|Все|Конденсаторы|");
    write_ini(u("[TreeItems]\r\n0|Все|0|\r\n1|Резисторы|1|\r\n[TreeLocation]\r\n0|Все|0|\r\n").toUtf8());
    App& app = start();
    EXPECT_EQ(messages(), 0);
    EXPECT_EQ(names_of(app.path_nodes), QStringList({u("SMD"), u("Все"), u("Конденсаторы"), u("Резисторы")}));
    EXPECT_EQ(names_shown(window().path_tree()), names_of(app.path_nodes));
    EXPECT_EQ(app.location_nodes, (NodeList{{u("Все"), 0}, {u("Шкаф"), 1}, {u("Ящик 2"), 2}}));
    close();
    EXPECT_EQ(names_of(stored().path_nodes), QStringList({u("SMD"), u("Все"), u("Конденсаторы"), u("Резисторы")}));
}

TEST_F(SettingsRun, FirstStartWithoutADatabaseWritesTheRootsAlone) {
    start();
    EXPECT_EQ(stored().path_nodes, (NodeList{{u("Все"), 0}}));
    EXPECT_EQ(stored().location_nodes, (NodeList{{u("Все"), 0}}));
    EXPECT_EQ(names_shown(window().path_tree()), QStringList({u("Все")}));
}

}  // namespace
}  // namespace detalehran::settings
