// The history window and the undo through the real program on a real store
// file: what the program's commands leave in the history, how the window
// shows it, filters and pages it, and how a change is taken back.

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

#include "app/lifecycle.h"
#include "history_windows/history_window.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "trees/tree_test_fixture.h"

namespace detalehran::testing {
namespace {

using history_windows::HistoryWindow;

class HistoryWindowTest : public TreeProgram {
protected:
    void SetUp() override {
        seed({{"Резистор 4,7 кОм", "|Все|A|"}, {"Конденсатор 100 нФ", "|Все|A|"}, {"Таймер NE555", "|Все|B|"}});
        start_up(app_);
        set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
    }
    void menu(int item) {
        process_event(app_, Event{kMenuEvent, kMainWindow, item});
        settle();
    }
    void press(int control) {
        process_event(app_, Event{kControlEvent, kHistoryWindow, control, kLeftClick});
        settle();
    }
    HistoryWindow* window() const { return history_windows::history_window(app_); }
    QString cell(const QTableWidget* table, int row, int column) const {
        const QTableWidgetItem* item = table->item(row, column);
        return item == nullptr ? QString() : item->text();
    }
    QStringList column_of(const QTableWidget* table, int column) const {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) out << cell(table, r, column);
        return out;
    }
    // Checks the list's rows whose names are given.
    void check(const QStringList& names) {
        for (int r = 0; r < model().row_count(); ++r) model().set_checked(r, names.contains(model().cell(r, db::kName)));
    }
    void show_all() {
        select(kPathTree, 0);
        click(kPathTree);
    }
    void delete_checked(const QStringList& names) {
        show_all();
        check(names);
        menu(kMenuDeleteItems);
    }
};

TEST_F(HistoryWindowTest, TheProgramsCommandsAreListedNewestFirstWithTheirFields) {
    delete_checked({"Таймер NE555"});
    show_all();
    check({"Резистор 4,7 кОм", "Конденсатор 100 нФ"});
    menu(kMenuCut);
    select(kPathTree, 2);
    click(kPathTree);
    menu(kMenuPaste);

    menu(kMenuHistory);
    ASSERT_NE(window(), nullptr);
    QTableWidget* operations = window()->operations();
    // The seed's three inserts (one operation each) under the program's three.
    ASSERT_EQ(operations->rowCount(), 6);
    EXPECT_EQ(column_of(operations, 3).mid(0, 3),
              (QStringList{"Вставка деталей в «|Все|B|»", "Вырезание деталей: 2", "Удаление детали «Таймер NE555»"}));
    // The paste stamps, returns and drops each part: three rows a part.
    EXPECT_EQ(column_of(operations, 4).mid(0, 3), (QStringList{"6", "4", "1"}));
    EXPECT_FALSE(cell(operations, 0, 2).isEmpty());

    // The deletion's every field, as it was.
    operations->selectRow(2);
    settle();
    const QTableWidget* changes = window()->changes();
    const QStringList fields = column_of(changes, 2);
    const int name = static_cast<int>(fields.indexOf("Название"));
    ASSERT_GE(name, 0);
    EXPECT_EQ(cell(changes, name, 3), "Таймер NE555");
    EXPECT_EQ(cell(changes, name, 4), "—");
    EXPECT_EQ(cell(changes, name, 1), "удаление");
    press(kHistoryClose);
    EXPECT_EQ(window(), nullptr);
}

TEST_F(HistoryWindowTest, UndoTakesTheOwnLastChangeBackAndARevertInTheWayIsRefused) {
    const Rows before = rows("SELECT * FROM Store ORDER BY ID");
    delete_checked({"Таймер NE555", "Резистор 4,7 кОм"});
    ASSERT_EQ(rows("SELECT ID FROM Store").size(), 1u);

    services_.message_answers = {MessageAnswer::yes};
    menu(kMenuUndo);
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), before);  // with their IDs
    EXPECT_TRUE(app_.main_window->status_text().contains("Отменено"));
    EXPECT_EQ(listed().size(), 3);

    // The next undo takes back the next older change, not the undo itself.
    services_.message_answers = {MessageAnswer::no};
    menu(kMenuUndo);
    EXPECT_TRUE(last_message().contains("детали 3")) << last_message().toStdString();  // the seed's insert, declined
    EXPECT_EQ(rows("SELECT * FROM Store ORDER BY ID"), before);

    // An older operation whose rows a later one changed is not reverted.
    sql("UPDATE Store SET \"Количество\" = 99 WHERE ID = 2");
    menu(kMenuHistory);
    ASSERT_NE(window(), nullptr);
    QTableWidget* operations = window()->operations();
    // Newest first: that update, the undo, the deletion, the seed's three inserts.
    ASSERT_EQ(operations->rowCount(), 6);
    operations->selectRow(4);  // the insert of part 2
    settle();
    services_.message_answers = {MessageAnswer::yes};
    const int shown = messages();
    press(kHistoryRevert);
    EXPECT_EQ(messages(), shown + 2);
    EXPECT_TRUE(last_message().contains("нельзя отменить")) << last_message().toStdString();
    EXPECT_TRUE(last_message().contains("№" + cell(operations, 0, 0))) << last_message().toStdString();
    EXPECT_EQ(rows("SELECT \"Количество\" FROM Store WHERE ID = 2"), (Rows{{"99"}}));
}

TEST_F(HistoryWindowTest, ThePartsHistoryFiltersAndPages) {
    // 120 quantity changes of one part, by another client.
    for (int k = 1; k <= 120; ++k) sql("UPDATE Store SET \"Количество\" = " + std::to_string(k) + " WHERE ID = 1");

    show_all();
    check({});
    app_.main_window->select_row(-1);
    menu(kMenuItemsHistory);
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(last_message().contains("Отметьте или выделите"));

    check({"Конденсатор 100 нФ"});
    menu(kMenuItemsHistory);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(window()->operations()->rowCount(), 1);  // its insert only
    EXPECT_TRUE(static_cast<QLabel*>(window()->control(kHistoryCaption))->text().contains("(1)"));
    press(kHistoryClose);

    check({"Резистор 4,7 кОм"});
    menu(kMenuItemsHistory);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(window()->operations()->rowCount(), 100);
    EXPECT_TRUE(window()->control(kHistoryMore)->isEnabled());
    press(kHistoryMore);
    EXPECT_EQ(window()->operations()->rowCount(), 121);
    EXPECT_FALSE(window()->control(kHistoryMore)->isEnabled());

    // A wrong day is named; nothing of the list changes.
    window()->field(kHistorySince)->setText("32.13.2026");
    const int shown = messages();
    press(kHistoryShow);
    EXPECT_EQ(messages(), shown + 1);
    EXPECT_TRUE(last_message().contains("«С»"));
    EXPECT_EQ(window()->operations()->rowCount(), 121);

    // Days around today take in everything; a day before it nothing.
    const QDate today = QDate::currentDate();
    window()->field(kHistorySince)->setText(today.addDays(-1).toString("dd.MM.yyyy"));
    window()->field(kHistoryUntil)->setText(today.toString("dd.MM.yyyy"));
    press(kHistoryShow);
    EXPECT_EQ(window()->operations()->rowCount(), 100);
    window()->field(kHistoryUntil)->setText(today.addDays(-1).toString("dd.MM.yyyy"));
    press(kHistoryShow);
    EXPECT_EQ(window()->operations()->rowCount(), 0);
    EXPECT_FALSE(window()->control(kHistoryMore)->isEnabled());
}

TEST_F(HistoryWindowTest, AStoreWithoutHistoryWorksAndSaysSo) {
    app_.database.close_store();
    delete app_.main_window;
    app_.main_window = nullptr;
    sql("DROP TABLE History; DROP TABLE HistoryOperations;");
    start_up(app_);
    EXPECT_TRUE(app_.main_window->status_text().contains("не хранит историю"));

    delete_checked({"Таймер NE555"});
    EXPECT_EQ(rows("SELECT ID FROM Store").size(), 2u);
    const int shown = messages();
    for (int item : {kMenuHistory, kMenuUndo}) {
        menu(item);
        EXPECT_EQ(window(), nullptr);
    }
    EXPECT_EQ(messages(), shown + 2);
    EXPECT_TRUE(last_message().contains("не хранит историю"));
}

}  // namespace
}  // namespace detalehran::testing
