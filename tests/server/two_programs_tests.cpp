// Two programs of two roles on one server at once: each parks its own cut
// items, their adds never share or lose an ID, and a change one of them made
// is never overwritten unseen by the other.

#include <thread>

#include "itemlist/quantity_field.h"
#include "server/server_fixture.h"
#include "trees/node_operations.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class TwoPrograms : public ServerProgram {
protected:
    void SetUp() override {
        ServerProgram::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        create_store();
        other_role_ = add_role("other");
        seed({{"a", "|Все|A|", "|Все|Шкаф|"}, {"b", "|Все|A|", "|Все|Шкаф|"}, {"c", "|Все|B|", "|Все|Стол|"}});
        start();
        set_trees(app_);
        itemlist::show_item_list(app_, db::kSelectAllItems);
        start_other(other_, other_role_);
    }
    void TearDown() override {
        other_.database.close_store();
        delete other_.main_window;
        ServerProgram::TearDown();
    }
    static void check_only(App& app, const QString& name) {
        ItemListModel& rows = app.main_window->list_model();
        for (int r = 0; r < rows.row_count(); ++r) rows.set_checked(r, rows.cell(r, db::kName) == name);
    }
    static QStringList parked(App& app) {
        QStringList out;
        if (app.database.db_query(db::kSelectParked)) {
            while (app.database.db_next_row()) out << QString::fromStdString(app.database.db_text(db::kName));
            app.database.db_finish();
        }
        return out;
    }
    Rows sections() { return look_.rows(R"(SELECT "Название", "Путь" FROM "Store" ORDER BY "Название")", 2); }

    std::string other_role_;
    ScriptedServices other_services_;
    App other_{other_services_};
};

TEST_F(TwoPrograms, EachCutsAndPastesOnlyItsOwnItems) {
    check_only(app_, "a");
    trees::cut_items(app_, Event{});
    check_only(other_, "c");
    trees::cut_items(other_, Event{});
    EXPECT_EQ(parked(app_), QStringList{"a"});
    EXPECT_EQ(parked(other_), QStringList{"c"});

    click(app_, kPathTree, 2);
    trees::paste_items(app_, Event{});
    EXPECT_EQ(parked(other_), QStringList{"c"});
    click(other_, kPathTree, 1);
    trees::paste_items(other_, Event{});
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|B|"}, {"b", "|Все|A|"}, {"c", "|Все|A|"}}));
    EXPECT_EQ(messages() + other_services_.count(ServiceKind::message_box), 0);
}

TEST_F(TwoPrograms, AThousandAddsEachAtOnceGetTheirOwnIds) {
    constexpr int kAdds = 1000;
    auto add_many = [](const std::string& dsn, const std::string& prefix, std::vector<std::string>* ids) {
        db::Database database;
        if (!database.init_environment() || !database.connect_data_source(dsn)) return;
        for (int k = 0; k < kAdds; ++k) {
            db::ItemValues v{
                prefix + std::to_string(k), "", "|Все|Шкаф|", "1", "0.00", "0.00", "", "|Все|A|", "", "", ""};
            std::string id;
            if (database.db_insert(db::insert_item(v), id)) ids->push_back(id);
        }
    };
    std::vector<std::string> mine, theirs;
    std::thread first(add_many, "Store", "m", &mine);
    std::thread second(add_many, other_role_, "t", &theirs);
    first.join();
    second.join();
    ASSERT_EQ(mine.size(), std::size_t{kAdds});
    ASSERT_EQ(theirs.size(), std::size_t{kAdds});
    std::set<std::string> ids(mine.begin(), mine.end());
    ids.insert(theirs.begin(), theirs.end());
    EXPECT_EQ(ids.size(), std::size_t{2 * kAdds});
    // Every ID returned names the item its program added.
    for (const auto& [prefix, list] : {std::pair{"m", &mine}, std::pair{"t", &theirs}}) {
        for (int k : {0, kAdds / 2, kAdds - 1}) {
            EXPECT_EQ(look_.value(R"(SELECT "Название" FROM "Store" WHERE "ID" = )" + (*list)[k]),
                      prefix + std::to_string(k));
        }
    }
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Store")"), std::to_string(2 * kAdds + 3));
}

TEST_F(TwoPrograms, AChangeMadeMeanwhileIsReportedAndShownNotOverwritten) {
    // The other program stores 3 where this one still shows 7.
    auto* theirs =
        new itemlist::QuantityField(other_, row_of(other_, "a"), other_.main_window->item_list()->viewport());
    theirs->set_text("3");
    theirs->commit();
    const int row = row_of(app_, "a");
    auto* mine = new itemlist::QuantityField(app_, row, app_.main_window->item_list()->viewport());
    mine->set_text("9");
    mine->commit();
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("сейчас сохранено количество 3")))
        << last_message().toStdString();
    EXPECT_EQ(model().cell(row, db::kQuantity), "3");
    EXPECT_EQ(look_.value(R"(SELECT "Количество" FROM "Store" WHERE "Название" = 'a')"), "3");

    // The other program may add its change to the stored quantity.
    other_services_.message_answers.push_back(MessageAnswer::yes);
    auto* again = new itemlist::QuantityField(other_, row_of(other_, "a"), other_.main_window->item_list()->viewport());
    again->set_text("5");  // the other program still shows 3
    look_.sql(R"(UPDATE "Store" SET "Количество" = 10 WHERE "Название" = 'a')");
    again->commit();
    EXPECT_EQ(look_.value(R"(SELECT "Количество" FROM "Store" WHERE "Название" = 'a')"), "12");
    EXPECT_EQ(other_.main_window->list_model().cell(row_of(other_, "a"), db::kQuantity), "12");
}

// Both opened the editor on the same item; the other one stored its change
// first. Fields only one side changed are joined, the one both changed the
// user picks; a second "ОК" stores what the editor shows.
TEST_F(TwoPrograms, AnEditorConflictJoinsFieldsAndAsksForTheOneBothChanged) {
    app_.main_window->select_row(row_of(app_, "b"));
    editor::open_item_editor(app_, EditorMode::edit);
    editor::ItemEditorWindow* mine = editor::item_editor_window(app_);
    ASSERT_NE(mine, nullptr);
    mine->set_value(db::kPrice, "2.00");
    mine->set_value(db::kSupplier, "Мой");
    other_.main_window->select_row(row_of(other_, "b"));
    save_in_editor(other_, EditorMode::edit,
                   {{db::kQuantity, "190"}, {db::kDescription, "новое"}, {db::kSupplier, "Их"}});
    ASSERT_EQ(editor::item_editor_window(other_), nullptr);

    services_.message_answers.push_back(MessageAnswer::no);  // the supplier: take the stored one
    process_event(app_, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
    ASSERT_NE(editor::item_editor_window(app_), nullptr);
    EXPECT_EQ(look_.value(R"(SELECT "Цена расходная" FROM "Store" WHERE "Название" = 'b')"), "1.5000");
    EXPECT_EQ(mine->value(db::kQuantity), "190");
    EXPECT_EQ(mine->value(db::kDescription), QString::fromUtf8("новое"));
    EXPECT_EQ(mine->value(db::kSupplier), QString::fromUtf8("Их"));
    EXPECT_EQ(mine->value(db::kPrice), "2.00");
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("Количество: 190"))) << last_message().toStdString();

    process_event(app_, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
    EXPECT_EQ(editor::item_editor_window(app_), nullptr) << last_message().toStdString();
    EXPECT_EQ(look_.rows(R"(SELECT "Количество", "Описание", "Поставщик", "Цена расходная" FROM "Store" )"
                         R"(WHERE "Название" = 'b')",
                         4),
              (Rows{{"190", "новое", "Их", "2.0000"}}));
}

// A rename by one program while the other lists the renamed section: the
// other's add under the old name is refused and the trees read again; after
// that, and after F5, both show one tree.
TEST_F(TwoPrograms, ARenameIsSeenByTheOtherAndNoItemLandsUnderTheOldName) {
    click(other_, kPathTree, 1);
    EXPECT_EQ(listed(other_), (QStringList{"a", "b"}));
    trees::select_tree_node(trees::view_of(app_, kPathTree), 1);
    trees::rename_section(app_, Event{});
    trees::finish_label_edit(app_, kPathTree, 1, QString::fromUtf8("ИС"));
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|ИС|"}, {"b", "|Все|ИС|"}, {"c", "|Все|B|"}}));

    const int before = other_services_.count(ServiceKind::message_box);
    save_in_editor(other_, EditorMode::add, {{db::kName, "d"}}, 1);
    ASSERT_NE(editor::item_editor_window(other_), nullptr);
    EXPECT_EQ(other_services_.count(ServiceKind::message_box), before + 1);
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Store" WHERE "Название" = 'd')"), "0");
    EXPECT_EQ(other_.path_nodes, app_.path_nodes);
    process_event(other_, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
    EXPECT_EQ(editor::item_editor_window(other_), nullptr);
    EXPECT_EQ(look_.value(R"(SELECT "Путь" FROM "Store" WHERE "Название" = 'd')"), "|Все|ИС|");

    process_event(other_, Event{kKeyDownMessage, kMainWindow, kItemList, 0, kKeyF5, kItemList, kMainWindow});
    EXPECT_EQ(listed(other_), (QStringList{"a", "b", "d"}));
    EXPECT_EQ(other_.path_nodes, app_.path_nodes);
}

// A node made or deleted by one program reaches the other at F5; a change
// of the other against the tree it read before is refused, not applied.
TEST_F(TwoPrograms, CreatedAndDeletedNodesReachTheOtherAtRefresh) {
    trees::select_tree_node(trees::view_of(app_, kPathTree), 0);
    trees::create_section(app_, Event{});
    const int made = trees::find_path_node(app_.path_nodes, QString::fromUtf8("|Все|Новый раздел|"));
    ASSERT_GT(made, 0) << trees::build_node_path(app_.path_nodes, 1).toStdString();
    trees::finish_label_edit(app_, kPathTree, made, QString::fromUtf8("Пустой"));

    // The other still shows the tree before: its delete is refused.
    other_services_.message_answers.push_back(MessageAnswer::yes);
    trees::select_tree_node(trees::view_of(other_, kPathTree), 2);
    trees::delete_section(other_, Event{});
    EXPECT_TRUE(
        other_services_.last(ServiceKind::message_box)->text.contains(QString::fromUtf8("другой пользователь")));
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|A|"}, {"b", "|Все|A|"}, {"c", "|Все|B|"}}));
    const auto names = [](const App& app) {
        QStringList out;
        for (const TreeNode& node : app.path_nodes) out << node.name;
        return out;
    };
    EXPECT_EQ(names(other_), (QStringList{"Все", "A", "B", "Пустой"}));

    other_services_.message_answers.push_back(MessageAnswer::yes);
    trees::select_tree_node(trees::view_of(other_, kPathTree), 2);
    trees::delete_section(other_, Event{});
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|A|"}, {"b", "|Все|A|"}}));
    process_event(app_, Event{kKeyDownMessage, kMainWindow, kItemList, 0, kKeyF5, kItemList, kMainWindow});
    EXPECT_EQ(names(app_), (QStringList{"Все", "A", "Пустой"}));
}

// A program killed between a cut and a paste: the item is "moving" for the
// other role, not deleted; the administrator sees it parked; the role's next
// program puts it back where it was and names it.
TEST_F(TwoPrograms, AKilledProgramsCutItemIsMovingMeanwhileAndBackAtItsNextStart) {
    check_only(app_, "a");
    trees::cut_items(app_, Event{});
    auto* field = new itemlist::QuantityField(other_, row_of(other_, "a"), other_.main_window->item_list()->viewport());
    field->set_text("9");
    field->commit();
    EXPECT_TRUE(other_services_.last(ServiceKind::message_box)->text.contains(QString::fromUtf8("перемещается")));
    EXPECT_GE(row_of(other_, "a"), 0);

    std::ostringstream out, err;
    EXPECT_EQ(dbtool::run_command_line({"detalehran-db", "parked", "--dsn", "Look"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("a"), std::string::npos);
    EXPECT_NE(out.str().find("сейчас работает"), std::string::npos) << out.str();

    app_.database.close_store();  // killed: no shut-down
    ScriptedServices services;
    App again(services);
    start_up(again);
    EXPECT_EQ(services.count(ServiceKind::message_box), 1);
    EXPECT_TRUE(
        services.last(ServiceKind::message_box)->text.contains(QString::fromUtf8("возвращены на свои места: «a»")))
        << services.last(ServiceKind::message_box)->text.toStdString();
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|A|"}, {"b", "|Все|A|"}, {"c", "|Все|B|"}}));
    EXPECT_TRUE(parked(again).isEmpty());
    again.database.close_store();
    delete again.main_window;
}

// The administrator returns the parked items of a role whose program is
// not running; while it runs, they are left to it.
TEST_F(TwoPrograms, TheAdministratorReturnsTheItemsOfARoleNotRunning) {
    check_only(other_, "c");
    trees::cut_items(other_, Event{});
    check_only(app_, "a");
    trees::cut_items(app_, Event{});
    const std::string store_role = app_.database.user_name();
    std::ostringstream out, err;
    EXPECT_NE(dbtool::run_command_line({"detalehran-db", "parked", "--dsn", "Look", "--return", store_role}, out, err),
              0);  // its program runs
    app_.database.close_store();
    EXPECT_EQ(dbtool::run_command_line({"detalehran-db", "parked", "--dsn", "Look", "--return", store_role}, out, err),
              0)
        << err.str();
    EXPECT_EQ(sections(), (Rows{{"a", "|Все|A|"}, {"b", "|Все|A|"}}));
    EXPECT_EQ(parked(other_), QStringList{"c"});
}

}  // namespace
