// Commands on the list's items, driven through the menus and keys of a
// started program over a real database.

#include <QAction>
#include <QItemSelectionModel>
#include <QTreeView>

#include "app/lifecycle.h"
#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "platform/working_folder.h"
#include "trees/tree_test_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

#include <filesystem>
#include <fstream>

namespace {

class ItemCommands : public TreeProgram {
protected:
    // a, b, c, d by name, with IDs 1 to 4.
    void start_with_items() {
        seed({{"a", "|Все|A|"}, {"b", "|Все|A|"}, {"c", "|Все|B|"}, {"d", "|Все|B|"}});
        start_up(app_);
    }
    void menu(int item) {
        app_.main_window->menu_item(item)->trigger();
        settle();
    }
    void check(std::initializer_list<int> rows) {
        for (int row : rows) model().set_checked(row, true);
    }
    std::vector<bool> checks() const {
        std::vector<bool> out;
        for (int r = 0; r < model().row_count(); ++r) out.push_back(model().is_checked(r));
        return out;
    }
    std::vector<std::string> stored_names() const {
        std::vector<std::string> out;
        for (const auto& r : rows("SELECT \"Название\" FROM Store ORDER BY ID")) out.push_back(r[0]);
        return out;
    }
    QTreeView* list() const { return app_.main_window->item_list(); }
    void enter_in_list() {
        Event key;
        key.kind = kCharacterMessage;
        key.code = 13;
        key.window = kMainWindow;
        key.focus_control = kItemList;
        process_event(app_, key);
    }
    int opened() const { return services_.count(ServiceKind::open); }
    QString last_opened() const {
        const ServiceCall* call = services_.last(ServiceKind::open);
        return call == nullptr ? QString() : call->text;
    }
};

}  // namespace

// Deleting -----------------------------------------------------------------

TEST_F(ItemCommands, DeleteWithNothingCheckedDoesNothingEvenWithASelectedRow) {
    start_with_items();
    app_.main_window->select_row(1);
    commands::delete_checked_items(app_, Event{});
    EXPECT_EQ(listed(), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(stored_names(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(messages(), 0);
}

TEST_F(ItemCommands, DeleteRemovesExactlyTheCheckedRowsAndTheOthersKeepTheirOrder) {
    start_with_items();
    sql("CREATE TABLE log (n INTEGER PRIMARY KEY, what TEXT);"
        "CREATE TRIGGER take AFTER DELETE ON Store BEGIN INSERT INTO log (what) VALUES (OLD.ID); END;");
    check({0, 2});
    menu(kMenuDeleteItems);
    EXPECT_EQ(listed(), (QStringList{"b", "d"}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, false}));
    EXPECT_EQ(stored_names(), (std::vector<std::string>{"b", "d"}));
    // Last row first, no question asked.
    EXPECT_EQ(rows("SELECT what FROM log ORDER BY n"), (Rows{{"3"}, {"1"}}));
    EXPECT_EQ(messages(), 0);
}

TEST_F(ItemCommands, CheckAllThenDeleteEmptiesTheListAndTheShownItemsOnly) {
    seed({{"a", "|Все|A|"}, {"b", "|Все|A|"}, {"c", "|Все|B|"}});
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
    select(kPathTree, 1);
    click(kPathTree);  // a and b
    ASSERT_EQ(listed(), (QStringList{"a", "b"}));
    app_.main_window->select_row(0);
    menu(kMenuCheckAll);
    EXPECT_EQ(checks(), (std::vector<bool>{true, true}));
    EXPECT_EQ(app_.main_window->selected_row(), -1);
    menu(kMenuDeleteItems);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(stored_names(), (std::vector<std::string>{"c"}));
    EXPECT_EQ(messages(), 0);
}

TEST_F(ItemCommands, AFailingDeleteKeepsItsRowAndIsReportedWhileTheOthersGo) {
    start_with_items();
    sql("CREATE TRIGGER no_2 BEFORE DELETE ON Store WHEN OLD.ID = 2 BEGIN SELECT RAISE(ABORT, 'занято'); END;");
    check({0, 1, 3});
    menu(kMenuDeleteItems);
    EXPECT_EQ(listed(), (QStringList{"b", "c"}));
    EXPECT_EQ(checks(), (std::vector<bool>{true, false}));
    EXPECT_EQ(stored_names(), (std::vector<std::string>{"b", "c"}));
    ASSERT_EQ(messages(), 1);
    const ServiceCall* call = services_.last(ServiceKind::message_box);
    EXPECT_EQ(call->title, "Внимание!");
    EXPECT_TRUE(call->text.contains("\nb")) << call->text.toStdString();
    EXPECT_FALSE(call->text.contains("\na")) << call->text.toStdString();
}

TEST_F(ItemCommands, ARowWithoutANumberForAnIdIsNeverSentButReported) {
    start_with_items();
    model().set_cell(1, db::kId, "2 OR 1=1");
    check({1});
    menu(kMenuDeleteItems);
    EXPECT_EQ(listed(), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(stored_names(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(messages(), 1);
}

// Checking ------------------------------------------------------------------

TEST_F(ItemCommands, CheckAndUncheckEveryRowLeaveNoSelectedRowAndNoFocusMark) {
    start_with_items();
    check({1});
    app_.main_window->select_row(2);
    menu(kMenuCheckAll);
    EXPECT_EQ(checks(), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(app_.main_window->selected_row(), -1);
    EXPECT_FALSE(list()->selectionModel()->currentIndex().isValid());
    commands::prepare_list_menu(app_);
    for (int item : {kMenuEdit, kMenuDuplicate, kMenuShowDocument}) {
        EXPECT_FALSE(app_.main_window->menu_item(item)->isEnabled()) << item;
    }

    app_.main_window->select_row(3);
    menu(kMenuUncheckAll);
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(app_.main_window->selected_row(), -1);
    EXPECT_FALSE(list()->selectionModel()->currentIndex().isValid());
    EXPECT_EQ(stored_names().size(), 4u);
}

// Web search and documents ----------------------------------------------------

TEST_F(ItemCommands, WebSearchSendsTheSelectedNameWholeAndEncoded) {
    seed({{"Диод 1N4148 & K#1+2"}});
    start_up(app_);
    app_.main_window->select_row(0);
    menu(kMenuWebSearch);
    ASSERT_EQ(opened(), 1);
    EXPECT_EQ(last_opened(),
              "https://www.google.com/webhp?hl=ru#sclient=psy&hl=ru&site=webhp&source=hp&q="
              "%D0%94%D0%B8%D0%BE%D0%B4%201N4148%20%26%20K%231%2B2");
    // Decoding gives back exactly the name.
    const QString query = last_opened().mid(last_opened().indexOf("&q=") + 3);
    EXPECT_EQ(QUrl::fromPercentEncoding(query.toLatin1()), "Диод 1N4148 & K#1+2");
}

TEST_F(ItemCommands, WebSearchWithoutASelectedRowSearchesForNothing) {
    start_with_items();
    menu(kMenuWebSearch);
    ASSERT_EQ(opened(), 1);
    EXPECT_TRUE(last_opened().endsWith("&q=")) << last_opened().toStdString();
}

TEST_F(ItemCommands, ShowDocumentOpensTheSelectedRowsDatasheetOnly) {
    start_with_items();
    std::ofstream(folder_.subfolder("Datasheet") + "c_3.pdf") << "%PDF-1.4\n";
    model().set_cell(2, db::kDatasheet, "c_3.pdf");
    app_.main_window->select_row(1);
    commands::show_document(app_, Event{});
    EXPECT_EQ(opened(), 0);  // b has none
    app_.main_window->select_row(2);
    menu(kMenuShowDocument);
    ASSERT_EQ(opened(), 1);
    EXPECT_EQ(last_opened(), datasheet_folder() + "c_3.pdf");
    EXPECT_TRUE(last_opened().startsWith(QString::fromStdString(folder_.path())));
}

// A stored name is anyone's input: only a plain document inside the folder
// opens, never a file elsewhere or one the desktop would run.
TEST_F(ItemCommands, ShowDocumentRefusesWhatIsNoPlainDocumentInTheFolder) {
    start_with_items();
    const std::string sheets = folder_.subfolder("Datasheet");
    std::ofstream(folder_.file("outside.pdf")) << "%PDF-1.4\n";
    std::ofstream(sheets + "run.pdf") << "#!/bin/sh\n";
    std::filesystem::permissions(sheets + "run.pdf", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    std::ofstream(sheets + "x.desktop") << "[Desktop Entry]\nType=Application\nExec=sh\n";
    std::ofstream(sheets + "launcher.pdf") << "[Desktop Entry]\nType=Application\nExec=sh\n";
    std::filesystem::create_symlink(folder_.file("outside.pdf"), sheets + "link.pdf");
    std::filesystem::create_directory(sheets + "folder.pdf");
    app_.main_window->select_row(0);
    for (const char* name : {"../outside.pdf", "link.pdf", "run.pdf", "x.desktop", "launcher.pdf", "folder.pdf",
                             "missing.pdf", "/etc/passwd"}) {
        SCOPED_TRACE(name);
        const int before = messages();
        model().set_cell(0, db::kDatasheet, name);
        commands::show_document(app_, Event{});
        EXPECT_EQ(opened(), 0);
        EXPECT_EQ(messages(), before + 1);
        EXPECT_TRUE(last_message().contains(QString::fromUtf8("«%1» не открыт").arg(name)))
            << last_message().toStdString();
    }
}

// Opening the editor -----------------------------------------------------------

TEST_F(ItemCommands, AddNeedsASelectedSection) {
    start_with_items();
    app_.editor_mode = EditorMode::edit;
    view(kPathTree)->clearSelection();
    menu(kMenuAdd);
    EXPECT_EQ(app_.editor_mode, EditorMode::add);
    EXPECT_EQ(messages(), 1);
    EXPECT_EQ(last_message(), "Внимание!: Не выбран раздел!");
    EXPECT_EQ(services_.last(ServiceKind::message_box)->icon, MessageIcon::none);

    select(kPathTree, 0);
    menu(kMenuAdd);
    EXPECT_EQ(app_.editor_mode, EditorMode::add);
    EXPECT_EQ(messages(), 1);
}

TEST_F(ItemCommands, EditAndDuplicateSetTheirModeOnlyWithASelectedRow) {
    start_with_items();
    list()->selectionModel()->clear();
    app_.editor_mode = EditorMode::add;
    menu(kMenuEdit);
    enter_in_list();
    commands::duplicate_item(app_, Event{});
    EXPECT_EQ(app_.editor_mode, EditorMode::add);

    app_.main_window->select_row(1);
    enter_in_list();
    EXPECT_EQ(app_.editor_mode, EditorMode::edit);
    app_.editor_mode = EditorMode::add;
    app_.main_window->setEnabled(true);
    menu(kMenuDuplicate);
    EXPECT_EQ(app_.editor_mode, EditorMode::duplicate);
    app_.editor_mode = EditorMode::add;
    app_.main_window->setEnabled(true);
    menu(kMenuEdit);
    EXPECT_EQ(app_.editor_mode, EditorMode::edit);
    EXPECT_EQ(messages(), 0);
}
