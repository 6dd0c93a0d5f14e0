// Moving checked items by cut and paste through the scratch table, also when
// the database refuses a statement: no item may be lost.

#include <QAction>

#include "app/lifecycle.h"
#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "trees/tree_test_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class Moving : public TreeProgram {
protected:
    void start_with_items() {
        seed({{"a", "|Все|A|", "|Все|Шкаф|"},
              {"b", "|Все|A|", "|Все|Шкаф|"},
              {"c", "|Все|B|", "|Все|Шкаф|"},
              {"d", "|Все|B|", "|Все|Стол|"}});
        start_up(app_);
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}, {"C", 1}});
        set_nodes(kLocationTree, {{"Все", 0}, {"Шкаф", 1}, {"Стол", 1}});
        click(kPathTree);  // all four, by name
    }
    void cut(std::initializer_list<int> rows) {
        for (int row : rows) model().set_checked(row, true);
        trees::cut_items(app_, Event{});
    }
    void paste_into(int tree, int node) {
        select(tree, node);
        click(tree);
        trees::paste_items(app_, Event{});
    }
    std::vector<std::string> names(const char* table) const {
        std::vector<std::string> out;
        for (const std::string& item : stored("ID", table)) out.push_back(item.substr(0, item.find('=')));
        return out;
    }
    bool paste_enabled() {
        commands::prepare_list_menu(app_);
        return app_.main_window->menu_item(kMenuPaste)->isEnabled();
    }
};

}  // namespace

TEST_F(Moving, CutAndPasteMoveTheCheckedItemsWithEverythingButTheColumnSet) {
    start_with_items();
    const Rows before = rows("SELECT * FROM Store ORDER BY ID");
    sql("CREATE TABLE log (n INTEGER PRIMARY KEY, what TEXT);"
        "CREATE TRIGGER park AFTER INSERT ON Temp BEGIN INSERT INTO log (what) VALUES ('INSERT ' || NEW.ID); END;"
        "CREATE TRIGGER take AFTER DELETE ON Store BEGIN INSERT INTO log (what) VALUES ('DELETE ' || OLD.ID); END;");
    EXPECT_FALSE(paste_enabled());
    cut({0, 2, 3});
    EXPECT_EQ(rows("SELECT what FROM log ORDER BY n"),
              (Rows{{"INSERT 4"}, {"DELETE 4"}, {"INSERT 3"}, {"DELETE 3"}, {"INSERT 1"}, {"DELETE 1"}}));
    EXPECT_EQ(listed(), (QStringList{"b"}));
    EXPECT_EQ(names("Temp"), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_TRUE(paste_enabled());

    paste_into(kLocationTree, 2);
    Rows expected = before;
    for (int i : {0, 2, 3}) expected[static_cast<std::size_t>(i)][db::kPlace] = "|Все|Стол|";
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), expected);  // IDs and every other column kept
    EXPECT_EQ(listed(), (QStringList{"a", "c", "d"}));
    EXPECT_FALSE(paste_enabled());

    // Two cuts and one paste onto a section; then a paste onto the root.
    cut({0});  // a, of a c d
    cut({1});  // d, of c d
    paste_into(kPathTree, 3);
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|C|", "b=|Все|A|", "c=|Все|B|", "d=|Все|C|"}));
    EXPECT_EQ(stored("Расположение"),
              (std::vector<std::string>{"a=|Все|Стол|", "b=|Все|Шкаф|", "c=|Все|Стол|", "d=|Все|Стол|"}));
    cut({0});
    paste_into(kLocationTree, 0);
    EXPECT_EQ(stored("Расположение")[0], "a=|Все|");
    EXPECT_TRUE(names("Temp").empty());
    EXPECT_EQ(messages(), 0);
}

TEST_F(Moving, WhatTheDatabaseRefusesStaysWhereItWas) {
    start_with_items();
    sql("CREATE TRIGGER no_copy BEFORE INSERT ON Temp WHEN NEW.ID = 2 BEGIN SELECT RAISE(ABORT, 'полно'); END;"
        "CREATE TRIGGER no_take BEFORE DELETE ON Store WHEN OLD.ID = 3 BEGIN SELECT RAISE(ABORT, 'занят'); END;");
    cut({0, 1, 2, 3});
    EXPECT_TRUE(last_message().contains("(2)"));
    EXPECT_EQ(listed(), (QStringList{"b", "c"}));
    EXPECT_EQ(names("Store"), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(names("Temp"), (std::vector<std::string>{"a", "d"}));

    sql("CREATE TRIGGER no_return BEFORE INSERT ON Store BEGIN SELECT RAISE(ABORT, 'нет места'); END;");
    paste_into(kPathTree, 3);
    EXPECT_TRUE(last_message().contains("нет места"));
    EXPECT_EQ(names("Temp"), (std::vector<std::string>{"a", "d"}));
    EXPECT_TRUE(paste_enabled());

    sql("DROP TRIGGER no_return;"
        "CREATE TRIGGER no_empty BEFORE DELETE ON Temp BEGIN SELECT RAISE(ABORT, 'заперто'); END;");
    paste_into(kPathTree, 3);
    EXPECT_TRUE(last_message().contains("заперто"));
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|C|", "b=|Все|A|", "c=|Все|B|", "d=|Все|C|"}));

    sql("DROP TRIGGER no_empty;");  // the next paste empties what is back
    paste_into(kPathTree, 3);
    EXPECT_TRUE(names("Temp").empty());
    EXPECT_EQ(messages(), 3);

    cut({0});
    select(kPathTree, -1);
    trees::paste_items(app_, Event{});
    EXPECT_EQ(last_message(), "Внимание!: Не выбран раздел!");
    EXPECT_EQ(names("Temp"), (std::vector<std::string>{"a"}));
}
