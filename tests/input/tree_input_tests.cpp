// Hostile and odd texts given to sections and storage places through the
// trees' menus and their in-place label editor: a new node's name and a
// rename. A name is kept exactly (tree, Store.ini, the stored paths of its
// items and the list) or refused with a message that changes nothing.

#include <QAction>
#include <QTreeWidgetItem>

#include "input/input_fixture.h"
#include "settings/settings_format.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

struct TreeUnderTest {
    const char* name;
    int tree;
    int column;
    const char* stored_column;
    int create_item;
    int rename_item;
    const char* deeper;  // the second-level node under node 1
};

const TreeUnderTest kTrees[] = {
    {"Sections", kPathTree, db::kSectionPath, "Путь", kMenuCreateSection, kMenuRenameSection, "Глубже"},
    {"Places", kLocationTree, db::kPlace, "Расположение", kMenuCreatePlace, kMenuRenamePlace, "Полка"},
};

enum class Outcome { stored, refused, ignored };

// What the name rule makes of a text: "|" separates names in every stored
// path, a line break or tab would split the settings file's line, "Все" is
// the root's alone; an empty text ends the edit like Esc.
Outcome expected_outcome(const QString& text) {
    if (text.isEmpty()) return Outcome::ignored;
    if (text.contains('|') || text.contains('\t') || text.contains('\n') || text == QString::fromUtf8("Все")) {
        return Outcome::refused;
    }
    return Outcome::stored;
}

class TreeInput : public InputProgram {
protected:
    void SetUp() override {
        seed({{"x1", "|Все|A|", "|Все|Шкаф|"}, {"x2", "|Все|A|Глубже|", "|Все|Шкаф|Полка|"}, {"y", "|Все|B|", "|Все|Стол|"}});
        start_up(app_);
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"Глубже", 2}, {"B", 1}});
        set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф", 1}, {"Полка", 2}, {"Стол", 1}});
        trace_statements();
    }
    void name_new_nodes(int which);
    void rename_node(int which);
    const TreeUnderTest& under_test() const { return kTrees[which_]; }
    int tree() const { return under_test().tree; }
    const TreeNode& node(int index) { return trees::nodes_of(app_, tree())[static_cast<std::size_t>(index)]; }
    void menu(int item) {
        app_.main_window->menu_item(item)->trigger();
        settle();
    }
    // The label editor the menu command opened gets the text, then Enter.
    void name_in_label_editor(const QString& text) {
        QLineEdit* line = editor(tree());
        ASSERT_NE(line, nullptr);
        put_text(line, text);
        ASSERT_EQ(line->text(), text);  // the label editor holds it whole
        QTest::keyClick(line, Qt::Key_Return);
        settle();
    }
    // The tree as a restart reads it back from Store.ini.
    NodeList tree_in_settings_file() const {
        NodeList sections, places;
        const std::string bytes = read_file(folder_.file("Store.ini"));
        settings::read_trees(settings::settings_lines(QByteArray::fromStdString(bytes)), sections, places);
        return tree() == kLocationTree ? places : sections;
    }
    std::vector<std::string> stored_paths() const {
        std::vector<std::string> out;
        for (const auto& r : rows(std::string("SELECT \"") + under_test().stored_column + "\" FROM Store ORDER BY ID"))
            out.push_back(r[0]);
        return out;
    }
    static std::vector<HostileText> texts() {
        std::vector<HostileText> out = hostile_texts();
        out.push_back({"root name", QString::fromUtf8("Все")});
        return out;
    }

    int which_ = 0;
};

}  // namespace

// A new node's name is kept exactly or refused with a message.
void TreeInput::name_new_nodes(int which) {
    which_ = which;
    for (const HostileText& input : texts()) {
        SCOPED_TRACE(input.label);
        const DatabaseSnapshot before = snapshot();
        const QString settings_before = settings_text();
        select(tree(), 0);
        take_statements();
        const int messages_before = messages();
        menu(under_test().create_item);
        const QString automatic = node(1).name;
        ASSERT_TRUE(automatic.startsWith(QString::fromUtf8("Новый раздел")));
        name_in_label_editor(input.text);

        // Naming a node is a matter of the tree and Store.ini alone.
        EXPECT_TRUE(take_statements().empty());
        EXPECT_EQ(snapshot(), before);
        switch (expected_outcome(input.text)) {
            case Outcome::stored: {
                EXPECT_EQ(messages(), messages_before) << last_message().toStdString();
                EXPECT_EQ(node(1).name, input.text);
                EXPECT_EQ(node(1).level, 1);
                EXPECT_EQ(trees::item_of(view(tree()), 1)->text(0), input.text);
                const NodeList saved = tree_in_settings_file();
                ASSERT_GT(saved.size(), 1u);
                EXPECT_EQ(saved[1].name, input.text);
                EXPECT_EQ(saved, trees::nodes_of(app_, tree()));
                // The new node lists its (no) items without a complaint.
                select(tree(), 1);
                click(tree());
                const std::vector<TracedStatement> sent = take_statements();
                ASSERT_EQ(sent.size(), 1u);
                EXPECT_EQ(shape_of(sent[0]).skeleton,
                          std::string("SELECT * FROM [Store] WHERE [") + under_test().stored_column +
                              "] LIKE ? ORDER BY [Название]");
                EXPECT_EQ(model().row_count(), 0);
                EXPECT_EQ(messages(), messages_before);
                break;
            }
            case Outcome::refused:
                EXPECT_EQ(messages(), messages_before + 1);
                EXPECT_TRUE(last_message().startsWith(QString::fromUtf8("Внимание!: Имя "))) << last_message().toStdString();
                EXPECT_EQ(node(1).name, automatic);
                EXPECT_EQ(settings_text(), settings_before);
                break;
            case Outcome::ignored:
                EXPECT_EQ(messages(), messages_before);
                EXPECT_EQ(node(1).name, automatic);
                EXPECT_EQ(settings_text(), settings_before);
                break;
        }
    }
}

// A rename rewrites the paths of the node's items exactly, or is refused
// with a message.
void TreeInput::rename_node(int which) {
    which_ = which;
    const std::string column = under_test().stored_column;
    const std::string deeper = under_test().deeper;
    for (const HostileText& input : texts()) {
        SCOPED_TRACE(input.label);
        const DatabaseSnapshot before = snapshot();
        const QString settings_before = settings_text();
        const std::vector<std::string> paths_before = stored_paths();
        const QString name_before = node(1).name;
        select(tree(), 1);
        click(tree());
        take_statements();
        const int messages_before = messages();
        menu(under_test().rename_item);
        name_in_label_editor(input.text);
        const std::vector<TracedStatement> sent = take_statements();

        if (expected_outcome(input.text) != Outcome::stored) {
            EXPECT_TRUE(sent.empty());
            EXPECT_EQ(snapshot(), before);
            EXPECT_EQ(node(1).name, name_before);
            EXPECT_EQ(settings_text(), settings_before);
            if (expected_outcome(input.text) == Outcome::refused) {
                EXPECT_EQ(messages(), messages_before + 1);
                EXPECT_TRUE(last_message().startsWith(QString::fromUtf8("Внимание!: Имя "))) << last_message().toStdString();
            } else {
                EXPECT_EQ(messages(), messages_before);
            }
            continue;
        }

        EXPECT_EQ(messages(), messages_before) << last_message().toStdString();
        const std::string name = input.text.toStdString();
        const std::string path = "|Все|" + name + "|";
        // One read of the node's items, then one update per item, each with
        // the new path and the item's ID as its values.
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(shape_of(sent[0]).skeleton,
                  "SELECT [ID], [" + column + "] FROM [Store] WHERE [" + column + "] LIKE ? ORDER BY [ID]");
        EXPECT_EQ(shape_of(sent[1]),
                  (StatementShape{"UPDATE [Store] SET [" + column + "] = ? WHERE [ID] = ?", {path, "1"}}));
        EXPECT_EQ(shape_of(sent[2]),
                  (StatementShape{"UPDATE [Store] SET [" + column + "] = ? WHERE [ID] = ?", {path + deeper + "|", "2"}}));

        EXPECT_EQ(stored_paths(), (std::vector<std::string>{path, path + deeper + "|", paths_before[2]}));
        const DatabaseSnapshot after = snapshot();
        EXPECT_EQ(after.schema, before.schema);
        EXPECT_EQ(after.temp, before.temp);
        EXPECT_EQ(after.package, before.package);
        ASSERT_EQ(after.store.size(), 3u);
        EXPECT_EQ(after.store[2], before.store[2]);
        for (int id : {0, 1}) {
            for (int c = 0; c < db::kDatasheet + 1; ++c) {
                if (c != under_test().column) {
                    EXPECT_EQ(after.store[id][c], before.store[id][c]) << c;
                }
            }
        }

        EXPECT_EQ(node(1).name, input.text);
        EXPECT_EQ(trees::item_of(view(tree()), 1)->text(0), input.text);
        const NodeList saved = tree_in_settings_file();
        ASSERT_GT(saved.size(), 1u);
        EXPECT_EQ(saved[1].name, input.text);
        // The list shows the new paths at once, and so does a fresh read.
        EXPECT_EQ(listed(under_test().column),
                  (QStringList{QString::fromStdString(path), QString::fromStdString(path + deeper + "|")}));
        select(tree(), 1);
        click(tree());
        EXPECT_EQ(listed(), (QStringList{"x1", "x2"}));
        EXPECT_EQ(listed(under_test().column),
                  (QStringList{QString::fromStdString(path), QString::fromStdString(path + deeper + "|")}));
        select(tree(), 2);
        click(tree());
        EXPECT_EQ(listed(), (QStringList{"x2"}));
    }
}

TEST_F(TreeInput, NewSectionNames) { name_new_nodes(0); }
TEST_F(TreeInput, NewPlaceNames) { name_new_nodes(1); }
TEST_F(TreeInput, SectionRenames) { rename_node(0); }
TEST_F(TreeInput, PlaceRenames) { rename_node(1); }
