// The list's search by value on the demo inventory: the search by name's
// rows in front, exactly as that search shows them, then the parts whose
// name holds the values and the package of the search text.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "support/statement_trace.h"
#include "app/lifecycle.h"
#include "db/statements.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/main_window.h"
#include "state/app.h"
#include "store_writer.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

using namespace detalehran;
using detalehran::testing::ScriptedServices;
using detalehran::testing::TestFolder;

namespace {

class ValueSearch : public ::testing::Test {
protected:
    ValueSearch() : app_(services_) {
        detalehran::testing::test_application();
        std::string error;
        EXPECT_TRUE(dbtool::create_database({folder_.path(), dbtool::Content::demo, 0}, nullptr, &error)) << error;
        start_up(app_);
    }
    ~ValueSearch() override {
        app_.database.close_store();
        delete app_.main_window;
    }

    QStringList names() {
        QStringList out;
        ItemListModel& model = app_.main_window->list_model();
        for (int r = 0; r < model.row_count(); ++r) out << model.cell(r, db::kName);
        return out;
    }
    QStringList search(const char* text) {
        app_.main_window->search_field()->setText(QString::fromUtf8(text));
        itemlist::search_by_name(app_, Event{});
        return names();
    }
    QStringList by_name_only(const char* text) {
        itemlist::fill_item_list(app_, db::select_items_by_name(text));
        return names();
    }
    void add_part(const char* name, const char* package) {
        ASSERT_TRUE(app_.database.db_update(
            std::string("INSERT INTO [Store] ([Название],[Расположение],[Количество],[Путь],[Тип корпуса]) VALUES (") +
            detalehran::testing::sql_literal(name) + ",'|Все|',1,'|Все|'," + detalehran::testing::sql_literal(package) + ")"))
            << app_.database.last_diagnostic().text;
    }

    TestFolder folder_;
    ScriptedServices services_;
    App app_;
};

TEST_F(ValueSearch, FindsThePartsThatHoldTheValuesAndThePackage) {
    struct Case {
        const char* text;
        std::vector<const char*> found;
        std::vector<const char*> not_found;
    };
    const Case cases[] = {
        {"4k7 0805", {"Резистор 4,7 кОм 0805"}, {"Резистор 4,7 кОм 0603", "Резистор 47 кОм 0805"}},
        {"0.1uF 0603", {"Конденсатор 100 нФ 50 В X7R 0603"}, {"Конденсатор 100 нФ 50 В X7R 0805"}},
        {"100n 50V", {"Конденсатор 100 нФ 50 В X7R 0603", "Конденсатор 100 нФ 50 В X7R 0805"}, {}},
        {"4u7", {"Индуктивность 4,7 мкГн 0805", "Дроссель 4,7 мкГн CD54"}, {"Дроссель 47 мкГн CD54"}},
        {"32.768kHz", {"Кварцевый резонатор 32,768 кГц"}, {}},
        {"10K",
         {"Резистор 10 кОм 0805", "Резистор 10 кОм 0603", "Резистор 10 кОм 0,25 Вт"},
         {"Резистор 100 кОм 0805", "Конденсатор 10 мкФ 16 В X5R 0805", "Резистор 10 Ом 0805"}},
    };
    for (const Case& c : cases) {
        const QStringList shown = search(c.text);
        for (const char* name : c.found) EXPECT_TRUE(shown.contains(QString::fromUtf8(name))) << c.text << ": " << name;
        for (const char* name : c.not_found)
            EXPECT_FALSE(shown.contains(QString::fromUtf8(name))) << c.text << ": " << name;
    }
    // A bare number and a word say nothing by value: the search by name alone.
    EXPECT_EQ(search("470"), by_name_only("470"));
    EXPECT_EQ(search("LM317"), by_name_only("LM317"));
}

TEST_F(ValueSearch, KeepsTheSearchByNameInFrontAndRepeatsOnRefresh) {
    add_part("Резистор 4K7 выводной", "0207");
    const QStringList text_rows = by_name_only("4,7 кОм");
    ASSERT_EQ(text_rows.size(), 3);
    EXPECT_EQ(search("4,7 кОм"), text_rows + QStringList{QString::fromUtf8("Резистор 4K7 выводной")});

    // A refresh runs the same search again and finds what was added since.
    add_part("Резистор 4.7k SMD", "1206");
    itemlist::refresh_item_list(app_, Event{});
    EXPECT_EQ(names().mid(0, 3), text_rows);
    EXPECT_TRUE(names().contains(QString::fromUtf8("Резистор 4.7k SMD")));
    EXPECT_EQ(names().size(), 5);
}

}  // namespace
