// The trees across starts: built from the stored paths on a first start,
// restored from the settings file after a close, shown sorted with the root
// selected; cut items are back in the store.

#include <QAction>
#include <filesystem>

#include "app/lifecycle.h"
#include "store_writer.h"
#include "trees/node_operations.h"

#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "trees/tree_test_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

TEST_F(TreeProgram, AFirstStartBuildsTheTreesFromTheStoredPathsAndWritesThem) {
    seed({{"r", "|Все|Резисторы|SMD|", "|Все|Шкаф 1|Ящик 3|"},
          {"v", "|Все|Резисторы|Выводные|", "|Все|Шкаф 1|"},
          {"e", "|Все|Ёмкости|"},
          {"d", "|Все|Дроссели|"}});
    start_up(app_);
    EXPECT_EQ(nodes(kPathTree), "Все/0 Дроссели/1 Резисторы/1 SMD/2 Выводные/2 Ёмкости/1");
    EXPECT_EQ(nodes(kLocationTree), "Все/0 Шкаф 1/1 Ящик 3/2");
    EXPECT_TRUE(
        settings_text().startsWith("[TreeItems]\r\n0|Все|0|\r\n1|Дроссели|1|\r\n2|Резисторы|1|\r\n3|SMD|2|\r\n"
                                   "4|Выводные|2|\r\n5|Ёмкости|1|\r\n[TreeLocation]\r\n0|Все|0|\r\n"
                                   "1|Шкаф 1|1|\r\n2|Ящик 3|2|\r\n"));
    const QTreeWidgetItem* root = view(kPathTree)->topLevelItem(0);
    EXPECT_EQ(root->child(0)->text(0) + root->child(1)->text(0) + root->child(2)->text(0), "ДросселиЁмкостиРезисторы");
    EXPECT_EQ(trees::selected_node(view(kPathTree)), 0);
    EXPECT_EQ(app_.list_source_tree, kPathTree);
}

TEST_F(TreeProgram, AfterCloseAndStartTheTreesAreBackAndNothingCutIsLost) {
    seed({{"r", "|Все|Резисторы|", "|Все|Шкаф|"}, {"s", "|Все|Резисторы|", "|Все|Шкаф|"}});
    start_up(app_);
    select(kPathTree, 1);
    trees::create_section(app_, Event{});
    trees::finish_label_edit(app_, kPathTree, 2, QString("Пустой"));
    trees::create_place(app_, Event{});
    trees::finish_label_edit(app_, kLocationTree, 1, QString("Полка"));
    const QString sections = nodes(kPathTree), places = nodes(kLocationTree);
    click(kPathTree);
    model().set_checked(0, true);
    trees::cut_items(app_, Event{});
    Event close;
    close.kind = kCloseEvent;
    close.window = kMainWindow;
    process_event(app_, close);
    shut_down(app_);
    delete app_.main_window;

    ScriptedServices services;
    App again(services);
    start_up(again);
    EXPECT_EQ(tree_text(again.path_nodes), sections);
    EXPECT_EQ(tree_text(again.location_nodes), places);
    EXPECT_EQ(sections, "Все/0 Резисторы/1 Пустой/2");
    EXPECT_EQ(trees::selected_node(again.main_window->path_tree()), 0);
    EXPECT_EQ(again.main_window->list_model().row_count(), 2);
    commands::prepare_list_menu(again);
    EXPECT_FALSE(again.main_window->menu_item(kMenuPaste)->isEnabled());
    again.database.close_store();
    delete again.main_window;
}

// The database tool's inventories follow the trees' rule of one name per
// level, so a first start turns every stored path into a node of its own.
class GeneratedStoreTrees : public TreeProgram, public ::testing::WithParamInterface<dbtool::Content> {};

TEST_P(GeneratedStoreTrees, EveryStoredPathIsANodeAfterTheFirstStart) {
    std::filesystem::remove(folder_.file("Store.mdb"));
    std::string error;
    ASSERT_TRUE(dbtool::create_database({folder_.path(), GetParam(), 3000}, nullptr, &error)) << error;
    start_up(app_);
    for (const db::StoreColumn column : {db::kSectionPath, db::kPlace}) {
        const NodeList& nodes = trees::nodes_of(app_, column == db::kPlace ? kLocationTree : kPathTree);
        int paths = 0;
        for (const auto& row : rows(db::select_distinct_paths(column).text(db::Dialect::jet))) {
            const QString path = QString::fromStdString(row[0]);
            EXPECT_EQ(trees::build_node_path(nodes, trees::find_path_node(nodes, path)), path);
            ++paths;
        }
        EXPECT_GT(paths, 10) << column;
    }
}

INSTANTIATE_TEST_SUITE_P(Tool, GeneratedStoreTrees,
                         ::testing::Values(dbtool::Content::demo, dbtool::Content::generated),
                         [](const auto& info) { return info.param == dbtool::Content::demo ? "Demo" : "Generated"; });
