// What a kill in the middle of a cut leaves behind, met by the next start:
// the item copied into Temp and not yet taken from Store. (The random kills
// of crash_tests.cpp find this state now and then; here it is made on
// purpose.)

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

class InterruptedCut : public TreeProgram {
protected:
    // a (1) and b (2) stored; b's cut was killed after its copy was made.
    void start_after_the_kill() {
        seed({{"a", "|Все|A|"}, {"b", "|Все|A|"}});
        sql("INSERT INTO Temp SELECT * FROM Store WHERE ID = 2");
        start_up(app_);
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
        click(kPathTree);
    }
    int row_of(const QString& name) const { return static_cast<int>(listed().indexOf(name)); }
    void menu_on(const QString& name, int item) {
        model().set_checked(row_of(name), true);
        process_event(app_, Event{kMenuEvent, kMainWindow, item});
    }
    std::vector<std::string> names(const char* table) const {
        std::vector<std::string> out;
        for (const auto& row : rows(std::string("SELECT \"Название\" FROM ") + table + " ORDER BY ID"))
            out.push_back(row[0]);
        return out;
    }
};

}  // namespace

TEST_F(InterruptedCut, TheItemCanBeCutAgainAfterTheRestart) {
    start_after_the_kill();
    EXPECT_EQ(names("Temp"), std::vector<std::string>{});
    menu_on("b", kMenuCut);
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
    EXPECT_EQ(names("Store"), std::vector<std::string>{"a"});
    EXPECT_EQ(names("Temp"), std::vector<std::string>{"b"});
    select(kPathTree, 2);
    click(kPathTree);
    process_event(app_, Event{kMenuEvent, kMainWindow, kMenuPaste});
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|A|", "b=|Все|B|"}));
}

TEST_F(InterruptedCut, ADeletedItemDoesNotComeBackAtTheClose) {
    start_after_the_kill();
    menu_on("b", kMenuDeleteItems);
    EXPECT_EQ(names("Store"), std::vector<std::string>{"a"});
    shut_down(app_);
    EXPECT_EQ(names("Store"), std::vector<std::string>{"a"});
    EXPECT_EQ(names("Temp"), std::vector<std::string>{});
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
}
