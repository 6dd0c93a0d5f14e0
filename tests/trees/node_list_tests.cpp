// The node list without a database: structure, paths, the name rule,
// building from stored paths, the display order and the node statements.

#include <gtest/gtest.h>

#include "trees/node_operations.h"
#include "trees/tree_test_fixture.h"

using namespace detalehran;
using namespace detalehran::trees;
using detalehran::testing::tree_text;

namespace {

// Все > Резисторы > (SMD, Выводные); Все > Конденсаторы > SMD1
const NodeList kSample{{"Все", 0}, {"Резисторы", 1}, {"SMD", 2}, {"Выводные", 2}, {"Конденсаторы", 1}, {"SMD1", 2}};

NodeList inserted(int at, TreeNode node) {
    NodeList nodes = kSample;
    insert_node(nodes, at, std::move(node));
    return nodes;
}

NodeList built(const QStringList& values) {
    NodeList nodes;
    build_tree_from_values(nodes, values);
    return nodes;
}

}  // namespace

TEST(NodeList, InsertionRemovalAndParents) {
    EXPECT_EQ(parent_of(kSample, 5), 4);
    EXPECT_EQ(parent_of(kSample, 0), -1);
    EXPECT_EQ(parent_of(inserted(3, {"N", 3}), 3), 2);  // deeper: first child of the node before
    EXPECT_EQ(parent_of(inserted(3, {"N", 2}), 3), 1);  // level: its sibling
    EXPECT_EQ(parent_of(inserted(4, {"N", 1}), 4), 0);  // higher: sibling of the right ancestor
    EXPECT_EQ(inserted(2, {"N", 7})[2].level, 2);       // never more than one below the node before

    NodeList nodes = kSample;
    EXPECT_EQ(remove_node(nodes, 1), 3);
    EXPECT_EQ(tree_text(nodes), "Все/0 Конденсаторы/1 SMD1/2");
    EXPECT_EQ(remove_node(nodes, 0), 0);
}

TEST(NodeList, NodePaths) {
    EXPECT_EQ(build_node_path(kSample, 0), "|Все|");
    EXPECT_EQ(build_node_path(kSample, 3), "|Все|Резисторы|Выводные|");
    EXPECT_EQ(build_node_path(kSample, -1), "||");
    EXPECT_EQ(path_components("|Все|A|открыт"), (QStringList{"Все", "A"}));
    EXPECT_EQ(replace_path_component("|Все|A|B|C|", 2, "X"), "|Все|A|X|C|");
}

TEST(NodeList, NameRuleAndAutomaticNames) {
    EXPECT_TRUE(name_taken_at_level(kSample, "SMD", 2, 5));   // under another parent
    EXPECT_TRUE(name_taken_at_level(kSample, "smd", 2, 5));   // the database ignores case
    EXPECT_FALSE(name_taken_at_level(kSample, "SMD", 2, 2));  // the node itself
    EXPECT_FALSE(node_exists_at_level(kSample, "SMD", 1));

    NodeList nodes = kSample;
    EXPECT_EQ(automatic_name(nodes, 2, 1), "Новый раздел");
    insert_node(nodes, 6, {"Новый раздел", 2});
    EXPECT_EQ(automatic_name(nodes, 2, 1), "Новый раздел #1");
    insert_node(nodes, 7, {"Новый раздел #1", 2});
    EXPECT_EQ(automatic_name(nodes, 2, 1), "Новый раздел #2");

    EXPECT_TRUE(name_refusal("A_B [100%]").isEmpty());
    for (const char* name : {"A|B", "две\nстроки", "Все"}) EXPECT_FALSE(name_refusal(name).isEmpty()) << name;
}

TEST(NodeList, BuildingFromStoredPaths) {
    EXPECT_EQ(tree_text(built({"|Все|Резисторы|SMD|"})), "Все/0 Резисторы/1 SMD/2");
    // Rows in any order; empty values and the root alone add nothing.
    EXPECT_EQ(tree_text(built({"|Все|Резисторы|SMD|", "|Все|Конденсаторы|SMD1|", "", "|Все|", "|Все|Резисторы|"})),
              "Все/0 Конденсаторы/1 SMD1/2 Резисторы/1 SMD/2");
    // Outside the root, or a second X on level 2, adds only what comes first.
    EXPECT_EQ(tree_text(built({"|Все|A|X|", "|Все|B|X|Y|", "|Другой|C|", "|Все||D|", "|Все|a|Z|"})),
              "Все/0 A/1 X/2 Z/2 B/1");
}

TEST(NodeList, FindingAStoredPathFollowsParents) {
    std::vector<int> passed;
    EXPECT_EQ(find_path_node(kSample, "|все|резисторы|выводные|", &passed), 3);
    EXPECT_EQ(passed, (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(find_path_node(kSample, ""), 0);
    EXPECT_EQ(find_path_node(kSample, "|Все|Резисторы|SMD1|"), 1);  // SMD1 is not Резисторы' child
    EXPECT_EQ(find_path_node(kSample, "|Все|Нет|SMD|"), 0);
}

TEST(NodeList, SortingChangesOnlyTheDisplay) {
    detalehran::testing::test_application();
    const NodeList nodes{{"Все", 0}, {"резисторы", 1}, {"SMD", 2}, {"Выводные", 2}, {"Ёмкости", 1}, {"Дроссели", 1}};
    QTreeWidget view;
    show_nodes(&view, nodes, {1}, 2);
    sort_tree(&view, QLocale(QLocale::Russian, QLocale::Russia));
    const QTreeWidgetItem* root = view.topLevelItem(0);
    QStringList shown;
    for (const QTreeWidgetItem* item :
         {root->child(0), root->child(1), root->child(2), root->child(2)->child(0), root->child(2)->child(1)}) {
        shown << item->text(0) + "=" + QString::number(node_of(item));
    }
    // Ё with Е; case ignored; Cyrillic before Latin in Russian.
    EXPECT_EQ(shown, (QStringList{"Дроссели=5", "Ёмкости=4", "резисторы=1", "Выводные=3", "SMD=2"}));
    EXPECT_TRUE(item_of(&view, 1)->isExpanded());
    EXPECT_EQ(selected_node(&view), 2);
}

TEST(NodeStatements, ANodesItemsAreThoseWhosePathStartsWithItsPathTakenLiterally) {
    using db::Dialect;
    using db::Wildcards;
    EXPECT_EQ(db::like_escaped(Dialect::jet, "|A_B|100%|[x]|\\", Wildcards::literal), "|A[_]B|100[%]|[[]x]|\\");
    EXPECT_EQ(db::like_escaped(Dialect::postgres, "|A_B|100%|[x]|\\", Wildcards::literal),
              "|A\\_B|100\\%|[x]|\\\\");
    EXPECT_EQ(db::like_escaped(Dialect::jet, "5%_[", Wildcards::keep), "5%_[[]");
    EXPECT_EQ(db::like_escaped(Dialect::postgres, "5%_\\", Wildcards::keep), "5%_\\\\");
    const db::Statement select = db::select_items_under(db::kSectionPath, "|Все|O'Neil_1|");
    EXPECT_EQ(select.text(Dialect::jet), "SELECT * FROM [Store] WHERE [Путь] LIKE ? ORDER BY [Название]");
    EXPECT_EQ(select.values(Dialect::jet), (std::vector{db::text_value("|Все|O'Neil[_]1|%")}));
    EXPECT_EQ(select.text(Dialect::postgres), R"(SELECT * FROM "Store" WHERE "Путь" ILIKE ? ORDER BY "Название")");
    EXPECT_EQ(select.values(Dialect::postgres), (std::vector{db::text_value("|Все|O'Neil\\_1|%")}));
    EXPECT_EQ(db::delete_items_under(db::kPlace, "|Все|Шкаф|").text(Dialect::jet),
              "DELETE * FROM [Store] WHERE [Расположение] LIKE ?");
}
