// Two programs of two roles on one server at once: each parks its own cut
// items, their adds never share or lose an ID, and a change one of them made
// is never overwritten unseen by the other.

#include <thread>

#include "itemlist/quantity_field.h"
#include "server/server_fixture.h"

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

    // An editor save over a description changed meanwhile: told, shown,
    // and written only by a second "ОК".
    look_.sql(R"(UPDATE "Store" SET "Описание" = 'новое' WHERE "Название" = 'b')");
    app_.main_window->select_row(row_of(app_, "b"));
    save_in_editor(app_, EditorMode::edit, {{db::kName, "b2"}});
    ASSERT_NE(editor::item_editor_window(app_), nullptr);
    EXPECT_TRUE(last_message().contains(QString::fromUtf8("Описание: новое"))) << last_message().toStdString();
    EXPECT_EQ(model().cell(row_of(app_, "b"), db::kDescription), QString::fromUtf8("новое"));
    EXPECT_EQ(look_.value(R"(SELECT count(*) FROM "Store" WHERE "Название" = 'b2')"), "0");
    process_event(app_, Event{kControlEvent, kEditorWindow, kEditorOk, kLeftClick});
    EXPECT_EQ(editor::item_editor_window(app_), nullptr);
    EXPECT_EQ(look_.value(R"(SELECT "Описание" FROM "Store" WHERE "Название" = 'b2')"), "описание");
}

}  // namespace
