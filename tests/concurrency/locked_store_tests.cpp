// Another program holds Store.mdb locked while the program's commands run:
// each command waits for the lock a little, then returns, tells the user
// why it failed, keeps what was typed and loses no item; once the lock is
// gone the same command succeeds. Every lock wait costs two seconds, so the
// cases are grouped: two waits at most per test.

#include <QAction>
#include <QPushButton>
#include <algorithm>
#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include "app/lifecycle.h"
#include "app/item_commands.h"
#include "concurrency/other_program.h"
#include "editor/editor_fixture.h"
#include "support/statement_trace.h"
#include "itemlist/quantity_field.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

const char* const kLocked = "database is locked";

class LockedStore : public EditorProgram {
protected:
    void hold(OtherProgram::Lock lock) {
        ASSERT_TRUE(other_.hold(folder_.file("Store.mdb"), lock)) << other_.error();
    }
    void release() { ASSERT_TRUE(other_.release()); }
    void trace_statements() {
        detalehran::testing::trace_into(app_.database, statements_);
    }
    std::vector<detalehran::testing::TracedStatement> take_statements() {
        std::vector<detalehran::testing::TracedStatement> out = std::move(statements_);
        statements_.clear();
        return out;
    }
    static bool starts_with(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }
    // Everything the file holds; read only while no other program locks it.
    Rows everything() const {
        Rows all;
        for (const char* query : {"SELECT * FROM Store ORDER BY ID", "SELECT * FROM Temp ORDER BY ID",
                                  "SELECT * FROM Package ORDER BY 1", "SELECT name, sql FROM sqlite_master ORDER BY 1"}) {
            for (auto& row : rows(query)) all.push_back(std::move(row));
            all.push_back({"--"});
        }
        return all;
    }
    // The last message box is the command's failure, with the database's
    // reason in it.
    void expect_told(const QString& start, int messages_before) {
        EXPECT_EQ(messages(), messages_before + 1);
        EXPECT_TRUE(last_message().startsWith("Внимание!: " + start)) << last_message().toStdString();
        // The user's words first, the driver's after them.
        EXPECT_TRUE(last_message().contains("База данных занята другой программой")) << last_message().toStdString();
        EXPECT_TRUE(last_message().contains(kLocked)) << last_message().toStdString();
    }
    int row_of_id(int id) const {
        for (int r = 0; r < model().row_count(); ++r) {
            if (model().cell(r, db::kId) == QString::number(id)) return r;
        }
        return -1;
    }
    void menu(int item) {
        commands::prepare_list_menu(app_);  // as a right click on the list does
        take_statements();
        app_.main_window->menu_item(item)->trigger();
        settle();
    }
    // Names of the items in a table, by ID.
    std::vector<std::string> names_in(const char* table) const {
        std::vector<std::string> out;
        for (const std::string& item : stored("ID", table)) out.push_back(item.substr(0, item.find('=')));
        return out;
    }

    OtherProgram other_;
    std::vector<detalehran::testing::TracedStatement> statements_;
};

}  // namespace

TEST_F(LockedStore, SavingTheItemEditorFailsWithAMessageKeepsWhatWasTypedAndSavesOnceFree) {
    start_with_items();
    trace_statements();

    // A new item.
    Rows before = everything();
    open(EditorMode::add);
    type(kEditorName, "новая деталь");
    type(kEditorDescription, "под замком");
    pick_place(1);
    int told = messages();
    hold(OtherProgram::Lock::write);
    take_statements();
    press_ok();
    std::vector<detalehran::testing::TracedStatement> sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);  // nothing is read or added after the failed write
    EXPECT_TRUE(starts_with(sent[0].text, "INSERT INTO [Store]"));
    ASSERT_NE(window(), nullptr);
    expect_told("Деталь не сохранена.\n", told);
    EXPECT_EQ(window()->value(db::kName), "новая деталь");
    EXPECT_EQ(window()->value(db::kDescription), "под замком");
    EXPECT_EQ(window()->value(db::kPlace), "|Все|Шкаф|");
    EXPECT_EQ(listed(), (QStringList{"a", "b"}));
    release();
    EXPECT_EQ(everything(), before);

    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(messages(), told + 1);
    EXPECT_EQ(listed(), (QStringList{"a", "b", "новая деталь"}));
    EXPECT_EQ(stored("Описание"), (std::vector<std::string>{"a=описание", "b=описание", "новая деталь=под замком"}));

    // An edit.
    before = everything();
    open(EditorMode::edit, row_of_id(1));
    type(kEditorName, "переименована");
    told = messages();
    hold(OtherProgram::Lock::write);
    take_statements();
    press_ok();
    sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(starts_with(sent[0].text, "UPDATE [Store] SET"));
    ASSERT_NE(window(), nullptr);
    expect_told("Деталь не сохранена.\n", told);
    EXPECT_EQ(window()->value(db::kName), "переименована");
    EXPECT_EQ(model().cell(row_of_id(1), db::kName), "a");
    release();
    EXPECT_EQ(everything(), before);

    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(messages(), told + 1);
    EXPECT_EQ(model().cell(row_of_id(1), db::kName), "переименована");
    EXPECT_EQ(stored("Количество")[0], "переименована=7");
}

TEST_F(LockedStore, AQuantityChangeAndADeleteFailWithAMessageAndKeepTheRowUntilFree) {
    start_with_items();
    app_.main_window->resize(1200, 600);
    QTreeView* list = app_.main_window->item_list();
    list->header()->resizeSection(db::kQuantity, 100);
    trace_statements();
    // The in-place quantity field of the item's row, opened by a double click.
    auto change_quantity = [&](int id, const char* digits) {
        const QModelIndex index = list->model()->index(row_of_id(id), db::kQuantity);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        itemlist::QuantityField* field = itemlist::open_quantity_field(app_);
        ASSERT_NE(field, nullptr);
        field->selectAll();
        QTest::keyClicks(field, digits);
        take_statements();
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
    };

    const Rows before = everything();
    int told = messages();
    hold(OtherProgram::Lock::write);
    change_quantity(1, "42");
    std::vector<detalehran::testing::TracedStatement> sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(starts_with(sent[0].text, "UPDATE [Store] SET [Количество] = ?") && sent[0].values.front() == "42");
    expect_told("Количество не сохранено.", told);
    EXPECT_EQ(model().cell(row_of_id(1), db::kQuantity), "7");

    model().set_checked(row_of_id(2), true);
    told = messages();
    menu(kMenuDeleteItems);
    sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (detalehran::testing::TracedStatement{"DELETE FROM [Store] WHERE [ID] =?", {"2"}}));
    expect_told("Не удалось удалить:\nb\n\n", told);
    EXPECT_EQ(listed(), (QStringList{"a", "b"}));
    release();
    EXPECT_EQ(everything(), before);

    told = messages();
    change_quantity(1, "42");
    EXPECT_EQ(model().cell(row_of_id(1), db::kQuantity), "42");
    menu(kMenuDeleteItems);
    EXPECT_EQ(listed(), (QStringList{"a"}));
    EXPECT_EQ(stored("Количество"), (std::vector<std::string>{"a=42"}));
    EXPECT_EQ(messages(), told);
}

TEST_F(LockedStore, CutAndPasteUnderALockLoseNoItem) {
    seed({{"a", "|Все|A|"}, {"b", "|Все|A|"}, {"c", "|Все|B|"}});
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"B", 1}});
    click(kPathTree);
    trace_statements();
    const std::vector<std::string> everyone{"a", "b", "c"};
    auto every_item_once = [&] {
        std::vector<std::string> all = names_in("Store");
        for (const std::string& parked : names_in("Temp")) all.push_back(parked);
        std::sort(all.begin(), all.end());
        return all;
    };

    // The cut.
    Rows before = everything();
    model().set_checked(row_of_id(1), true);
    int told = messages();
    hold(OtherProgram::Lock::write);
    menu(kMenuCut);
    std::vector<detalehran::testing::TracedStatement> sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);  // the copy failed: the original is not touched
    EXPECT_TRUE(starts_with(sent[0].text, "INSERT INTO [Temp]"));
    expect_told("Не удалось вырезать позиции (1):", told);
    EXPECT_EQ(listed(), (QStringList{"a", "b", "c"}));
    release();
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(names_in("Temp"), std::vector<std::string>{});

    menu(kMenuCut);
    EXPECT_EQ(listed(), (QStringList{"b", "c"}));
    EXPECT_EQ(names_in("Temp"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(every_item_once(), everyone);

    // The paste.
    before = everything();
    select(kPathTree, 2);
    click(kPathTree);
    told = messages();
    hold(OtherProgram::Lock::write);
    menu(kMenuPaste);
    sent = take_statements();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(starts_with(sent[0].text, "UPDATE [Temp] SET"));
    expect_told("Не удалось вставить вырезанные позиции:", told);
    EXPECT_EQ(listed(), (QStringList{"c"}));
    release();
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(every_item_once(), everyone);

    menu(kMenuPaste);
    EXPECT_EQ(messages(), told + 1);
    EXPECT_EQ(listed(), (QStringList{"a", "c"}));
    EXPECT_EQ(names_in("Temp"), std::vector<std::string>{});
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|B|", "b=|Все|A|", "c=|Все|B|"}));
}

TEST_F(LockedStore, ASectionRenameUnderALockKeepsTheOldNameAndEveryPath) {
    seed({{"a", "|Все|A|"}, {"b", "|Все|A|Глубже|"}, {"c", "|Все|B|"}});
    start_up(app_);
    set_nodes(kPathTree, {{"Все", 0}, {"A", 1}, {"Глубже", 2}, {"B", 1}});
    trace_statements();
    auto rename_a = [&](const QString& name) {
        select(kPathTree, 1);
        click(kPathTree);
        app_.main_window->menu_item(kMenuRenameSection)->trigger();
        settle();
        QLineEdit* line = editor(kPathTree);
        ASSERT_NE(line, nullptr);
        line->setText(name);
        take_statements();
        QTest::keyClick(line, Qt::Key_Return);
        settle();
    };

    const Rows before = everything();
    const QString settings_before = settings_text();
    const int told = messages();
    hold(OtherProgram::Lock::write);
    rename_a("Резисторы");
    const std::vector<detalehran::testing::TracedStatement> sent = take_statements();
    // The items are read (a write lock lets others read); the first rewrite
    // fails, so no other is tried and none needs its old path back.
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(starts_with(sent[0].text, "SELECT [ID], [Путь] FROM [Store]"));
    EXPECT_EQ(sent[1], (detalehran::testing::TracedStatement{"UPDATE [Store] SET [Путь] = ? WHERE [ID] = ?",
                                                                {"|Все|Резисторы|", "1"}}));
    expect_told("Не удалось записать новое имя раздела", told);
    EXPECT_FALSE(last_message().contains("Не удалось вернуть"));
    EXPECT_EQ(trees::nodes_of(app_, kPathTree)[1].name, "A");
    EXPECT_EQ(listed(db::kSectionPath), (QStringList{"|Все|A|", "|Все|A|Глубже|"}));
    release();
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(settings_text(), settings_before);

    rename_a("Резисторы");
    EXPECT_EQ(messages(), told + 1);
    EXPECT_EQ(trees::nodes_of(app_, kPathTree)[1].name, "Резисторы");
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|Резисторы|", "b=|Все|Резисторы|Глубже|", "c=|Все|B|"}));
}

TEST_F(LockedStore, UnderAWriteLockTheListAndTheEditorListsAreReadWhole) {
    sql("INSERT INTO Package VALUES ('TO-92')");
    start_with_items();
    trace_statements();
    hold(OtherProgram::Lock::write);
    // Readers see what is committed; the other program's write is not.
    select(kPathTree, 0);
    click(kPathTree);
    EXPECT_EQ(listed(), (QStringList{"a", "b"}));
    app_.main_window->search_field()->setText("b");
    app_.main_window->search_button()->click();
    settle();
    EXPECT_EQ(listed(), (QStringList{"b"}));
    open(EditorMode::edit, 0);
    ASSERT_NE(window(), nullptr);
    ASSERT_EQ(window()->package_box()->count(), 1);
    EXPECT_EQ(window()->package_box()->itemText(0), "TO-92");
    EXPECT_EQ(window()->supplier_box()->count(), 1);
    press_control(kEditorCancel);
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
    release();
}

TEST_F(LockedStore, UnderAnExclusiveLockAListThatCannotBeReadIsReportedNotShownAsComplete) {
    start_with_items();
    trace_statements();
    const int told = messages();
    hold(OtherProgram::Lock::exclusive);
    select(kPathTree, 1);
    click(kPathTree);
    EXPECT_EQ(take_statements().size(), 1u);
    expect_told("Список деталей не прочитан из базы данных полностью", told);
    EXPECT_EQ(model().row_count(), 0);

    app_.main_window->search_field()->setText("a");
    app_.main_window->search_button()->click();
    settle();
    EXPECT_EQ(take_statements().size(), 1u);
    expect_told("Список деталей не прочитан из базы данных полностью", told + 1);
    release();

    select(kPathTree, 0);
    click(kPathTree);
    EXPECT_EQ(listed(), (QStringList{"a", "b"}));
    EXPECT_EQ(messages(), told + 2);
}
