// One ordinary session from start to close through the program's own
// commands. Built with the sanitizers, it is also the leak check of a whole
// session: the leak checker runs when the process ends.

#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "editor/editor_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class OrdinarySession : public EditorProgram {
protected:
    std::vector<std::string> in(const char* table) const { return stored("Путь", table); }
};

TEST_F(OrdinarySession, StartAddEditCutPasteAndCloseKeepEveryItem) {
    start_with_items();
    ASSERT_EQ(listed(), (QStringList{"a", "b"}));

    // Add a part in section A on Шкаф.
    select(kPathTree, 1);
    click(kPathTree);
    open(EditorMode::add);
    ASSERT_NE(window(), nullptr);
    type(kEditorName, "LM317");
    type(kEditorDescription, QString::fromUtf8("стабилизатор"));
    type(kEditorQuantity, "12");
    pick_place(1);
    press_ok();
    ASSERT_EQ(window(), nullptr) << last_message().toStdString();
    EXPECT_EQ(listed(), (QStringList{"a", "LM317"}));

    // Edit it.
    open(EditorMode::edit, 1);
    type(kEditorName, "LM317T");
    press_ok();
    ASSERT_EQ(window(), nullptr) << last_message().toStdString();
    EXPECT_EQ(listed(), (QStringList{"a", "LM317T"}));

    // Cut both parts of A and paste them into B.
    model().set_checked(0, true);
    model().set_checked(1, true);
    trees::cut_items(app_, Event{});
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(in("Temp").size(), 2u);
    select(kPathTree, 2);
    click(kPathTree);
    trees::paste_items(app_, Event{});
    EXPECT_EQ(in("Temp"), std::vector<std::string>{});
    EXPECT_EQ(in("Store"), (std::vector<std::string>{"a=|Все|B|", "b=|Все|B|", "LM317T=|Все|B|"}));

    // Close the main window: the scratch table is empty, the settings saved.
    shut_down(app_);
    EXPECT_EQ(in("Store").size(), 3u);
    EXPECT_TRUE(in("Temp").empty());
    EXPECT_TRUE(settings_text().contains(QString::fromUtf8("[TreeItems]")));
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
}

}  // namespace
