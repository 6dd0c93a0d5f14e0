// The tree commands of a started program against a real database.

#include <QTest>

#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "trees/tree_test_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;
using trees::Click;
using trees::finish_label_edit;

namespace {

const QString kDuplicate = "Внимание!: Такой раздел уже существует!";
const QString kRootRefused = "Внимание!: Невозможно изменить/удалить корневой раздел!";

// Names with pattern characters, and a deeper section repeating one.
const NodeList kSections{{"Все", 0},   {"A_B", 1}, {"Глубже", 2}, {"AxB", 1},
                         {"Other", 1}, {"A_B", 2}, {"O'Neil", 1}, {"100%", 1}};

class TreeCommands : public TreeProgram {
protected:
    void start_with_sections() {
        seed({{"a1", "|Все|A_B|", "|Все|Шкаф_1|"},
              {"a2", "|Все|A_B|Глубже|"},
              {"x1", "|Все|AxB|", "|Все|ШкафX1|"},
              {"r1", "|Все|Other|A_B|"},
              {"q1", "|Все|O'Neil|"},
              {"p1", "|Все|100%|"},
              {"p2", "|Все|1000|"}});
        start_up(app_);
        set_nodes(kPathTree, kSections);
        set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф_1", 1}, {"ШкафX1", 1}});
    }
    QStringList listed_after_click(int tree, int node, Click how = Click::left) {
        select(tree, node);
        click(tree, how);
        return listed();
    }
    void rename(int tree, int node, const QString& name) {
        select(tree, node);
        click(tree, Click::right);
        tree == kPathTree ? trees::rename_section(app_, Event{}) : trees::rename_place(app_, Event{});
        finish_label_edit(app_, tree, node, name);
    }
};

}  // namespace

TEST_F(TreeCommands, ClickingANodeListsTheItemsWhosePathStartsWithItsPath) {
    start_with_sections();
    EXPECT_EQ(listed_after_click(kPathTree, 1), (QStringList{"a1", "a2"}));
    EXPECT_EQ(listed_after_click(kPathTree, 5), (QStringList{"r1"}));
    EXPECT_EQ(listed_after_click(kPathTree, 6), (QStringList{"q1"}));
    EXPECT_EQ(listed_after_click(kPathTree, 7), (QStringList{"p1"}));
    EXPECT_EQ(app_.list_source_tree, kPathTree);
    EXPECT_EQ(listed_after_click(kLocationTree, 1, Click::right), (QStringList{"a1"}));
    EXPECT_EQ(app_.list_source_tree, kLocationTree);

    // A left click selects the remembered row index again; a right click not.
    EXPECT_EQ(listed_after_click(kLocationTree, 0).size(), 7);
    app_.main_window->select_row(1);
    listed_after_click(kPathTree, 0);
    EXPECT_EQ(app_.main_window->selected_row(), 1);
    listed_after_click(kPathTree, 0, Click::right);
    EXPECT_EQ(app_.main_window->selected_row(), -1);
    EXPECT_EQ(messages(), 0);

    // With the mouse, the node under the pointer is selected first.
    QTreeWidget* tree = view(kPathTree);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(trees::item_of(tree, 6)).center());
    settle();
    EXPECT_TRUE(app_.main_window->popup_menu(kPathTreeMenu)->isVisible());
    app_.main_window->popup_menu(kPathTreeMenu)->hide();
    EXPECT_EQ(listed(), (QStringList{"q1"}));
}

TEST_F(TreeCommands, ANewNodeIsNamedAutomaticallyThenByItsEditor) {
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}, {"Новый раздел", 2}});
    const QString saved = settings_text();
    select(kPathTree, 1);
    trees::create_section(app_, Event{});
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 Новый раздел #1/2 B/1 Новый раздел/2");
    EXPECT_EQ(trees::pending_edit(app_), trees::kNamingSection);
    ASSERT_NE(editor(kPathTree), nullptr);
    QTest::keyClick(editor(kPathTree), Qt::Key_Escape);
    settle();
    EXPECT_EQ(settings_text(), saved);  // a cancelled name is not saved

    select(kPathTree, 1);
    trees::create_section(app_, Event{});
    ASSERT_NE(editor(kPathTree), nullptr);
    editor(kPathTree)->setText("Резисторы");
    QTest::keyClick(editor(kPathTree), Qt::Key_Return);
    settle();
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 Резисторы/2 Новый раздел #1/2 B/1 Новый раздел/2");
    EXPECT_EQ(trees::item_of(view(kPathTree), 2)->text(0), "Резисторы");
    EXPECT_TRUE(settings_text().contains("2|Резисторы|2|\r\n3|Новый раздел #1|2|"));

    // An end of edit counts only in the tree it was opened for, and not
    // when empty or cancelled.
    finish_label_edit(app_, kLocationTree, 0, QString("Полка"));
    finish_label_edit(app_, kPathTree, 3, QString());
    finish_label_edit(app_, kPathTree, 3, std::nullopt);
    EXPECT_EQ(nodes(kLocationTree), "Все/0");
    EXPECT_EQ(trees::nodes_of(app_, kPathTree)[3].name, "Новый раздел #1");
    EXPECT_EQ(messages(), 0);
}

TEST_F(TreeCommands, RefusedNamesAndTheRootChangeNothing) {
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"X", 2}, {"B", 1}, {"Y", 2}, {"Все", 2}});
    const QString saved = settings_text();
    for (int node : {0, 5}) {
        select(kPathTree, node);
        trees::rename_section(app_, Event{});
        EXPECT_EQ(last_message(), kRootRefused);
        trees::delete_section(app_, Event{});
        EXPECT_EQ(last_message(), kRootRefused);
    }
    EXPECT_EQ(editor(kPathTree), nullptr);
    rename(kPathTree, 4, "X");  // on level 2 under another parent
    EXPECT_EQ(last_message(), kDuplicate);
    finish_label_edit(app_, kPathTree, 4, QString("x"));
    EXPECT_EQ(last_message(), kDuplicate);
    finish_label_edit(app_, kPathTree, 4, QString("Y|Z"));
    EXPECT_TRUE(last_message().startsWith("Внимание!: ") && last_message().contains("|"));
    EXPECT_EQ(messages(), 7);
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 X/2 B/1 Y/2 Все/2");
    EXPECT_EQ(settings_text(), saved);
}

TEST_F(TreeCommands, RenamingRewritesThePathsOfTheNodesItemsOnly) {
    start_with_sections();
    rename(kPathTree, 1, "Новый'Б");
    EXPECT_EQ(stored("Путь"),
              (std::vector<std::string>{"a1=|Все|Новый'Б|", "a2=|Все|Новый'Б|Глубже|", "x1=|Все|AxB|",
                                        "r1=|Все|Other|A_B|", "q1=|Все|O'Neil|", "p1=|Все|100%|", "p2=|Все|1000|"}));
    EXPECT_EQ(listed(db::kSectionPath), (QStringList{"|Все|Новый'Б|", "|Все|Новый'Б|Глубже|"}));
    EXPECT_TRUE(settings_text().contains("1|Новый'Б|1|"));

    rename(kLocationTree, 1, "Шкаф 2");
    EXPECT_EQ(stored("Расположение")[0], "a1=|Все|Шкаф 2|");
    EXPECT_EQ(stored("Расположение")[2], "x1=|Все|ШкафX1|");
    EXPECT_EQ(stored("Путь")[0], "a1=|Все|Новый'Б|");

    // Its own name is accepted, and saved.
    std::remove(folder_.file("Store.ini").c_str());
    rename(kPathTree, 2, "Глубже");
    EXPECT_TRUE(settings_text().contains("2|Глубже|2|"));
    EXPECT_EQ(messages(), 0);
}

TEST_F(TreeCommands, DeletingAsksOnlyWhenItemsGoAndTakesOnlyTheNodesItems) {
    start_with_sections();
    set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф", 1}, {"Полка", 2}, {"Стол", 1}});
    select(kLocationTree, 1);
    click(kLocationTree, Click::right);
    trees::delete_place(app_, Event{});
    EXPECT_EQ(messages(), 0);
    EXPECT_EQ(nodes(kLocationTree), "Все/0 Стол/1");

    select(kPathTree, 1);
    click(kPathTree, Click::right);
    services_.message_answers = {MessageAnswer::no, MessageAnswer::yes};
    trees::delete_section(app_, Event{});
    EXPECT_EQ(services_.last(ServiceKind::message_box)->buttons, MessageButtons::yes_no);
    EXPECT_EQ(nodes(kPathTree), tree_text(kSections));
    EXPECT_EQ(stored("Путь").size(), 7u);
    trees::delete_section(app_, Event{});
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"x1=|Все|AxB|", "r1=|Все|Other|A_B|", "q1=|Все|O'Neil|",
                                                        "p1=|Все|100%|", "p2=|Все|1000|"}));
    EXPECT_EQ(nodes(kPathTree), "Все/0 AxB/1 Other/1 A_B/2 O'Neil/1 100%/1");
    EXPECT_EQ(model().row_count(), 0);
    EXPECT_EQ(trees::selected_node(view(kPathTree)), 0);
    EXPECT_FALSE(settings_text().contains("Глубже"));
    EXPECT_EQ(messages(), 2);
}

TEST_F(TreeCommands, WhenTheDatabaseRefusesTheTreeKeepsWhatIsStored) {
    seed({{"a1", "|Все|A|"}, {"a2", "|Все|A|B|"}, {"a3", "|Все|A|"}});
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 2}});
    const QString saved = settings_text();
    sql("CREATE TRIGGER no_2 BEFORE UPDATE ON Store WHEN OLD.ID = 2 BEGIN SELECT RAISE(ABORT, 'занято'); END;");
    rename(kPathTree, 1, "C");
    EXPECT_TRUE(last_message().contains("занято"));
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 B/2");
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a1=|Все|A|", "a2=|Все|A|B|", "a3=|Все|A|"}));
    EXPECT_EQ(listed(db::kSectionPath), (QStringList{"|Все|A|", "|Все|A|B|", "|Все|A|"}));

    sql("CREATE TRIGGER no_delete BEFORE DELETE ON Store BEGIN SELECT RAISE(ABORT, 'нет'); END;");
    services_.message_answers = {MessageAnswer::yes};
    trees::delete_section(app_, Event{});
    EXPECT_TRUE(last_message().contains("нет"));
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 B/2");
    EXPECT_EQ(stored("Путь").size(), 3u);

    app_.database.close_store();  // unknown items: nothing is renamed or deleted
    trees::delete_section(app_, Event{});
    finish_label_edit(app_, kPathTree, 1, QString("C"));
    EXPECT_EQ(messages(), 5);
    EXPECT_EQ(nodes(kPathTree), "Все/0 A/1 B/2");
    EXPECT_EQ(settings_text(), saved);
}

TEST_F(TreeCommands, AClickOnARowRevealsItsPlaceAndSection) {
    seed({{"r", "|Все|A|B|", "|Все|Шкаф|Ящик|"}, {"s", "|Все|A|", "|Все|Шкаф|"}});
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 2}, {"C", 1}});
    set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф", 1}, {"Ящик", 2}});
    listed_after_click(kPathTree, 3);  // empty: no row to reveal
    trees::item_list_left_click(app_, Event{});
    EXPECT_EQ(trees::selected_node(view(kPathTree)), 3);

    listed_after_click(kPathTree, 0);
    app_.main_window->select_row(0);
    trees::item_list_left_click(app_, Event{});
    EXPECT_EQ(trees::selected_node(view(kPathTree)), 2);
    EXPECT_EQ(trees::selected_node(view(kLocationTree)), 2);
    EXPECT_TRUE(trees::item_of(view(kPathTree), 1)->isExpanded());
    EXPECT_EQ(model().row_count(), 2);

    app_.main_window->select_row(-1);  // Up or Down with no row: the roots
    trees::reveal_selected_item(app_, Event{});
    EXPECT_EQ(trees::selected_node(view(kPathTree)), 0);
    EXPECT_EQ(trees::selected_node(view(kLocationTree)), 0);
}
