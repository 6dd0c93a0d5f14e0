// The item editor in its three modes against a real database: what it
// shows, what "ОК" stores and shows, and the ways it closes without saving.

#include <QApplication>

#include "editor/edit_conflict.h"
#include "editor/editor_fixture.h"
#include "support/statement_trace.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class ItemEditor : public EditorProgram {};

TEST_F(ItemEditor, OpensWithItsControlsListsAndTreeCopy) {
    start_with_items();
    sql("INSERT INTO Package VALUES ('TO-92'); INSERT INTO Package VALUES ('DIP-8');");
    select(kLocationTree, 2);
    select(kPathTree, 1);
    auto* editor = open(EditorMode::add);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Добавить/редактировать");
    EXPECT_EQ(editor->size(), QSize(676, 232));
    EXPECT_FALSE(app_.main_window->isEnabled());
    EXPECT_EQ(editor->control(kEditorName)->geometry(), QRect(100, 20, 199, 20));
    EXPECT_EQ(editor->control(kEditorPurchasePrice)->geometry(), QRect(100, 120, 100, 20));
    EXPECT_EQ(editor->control(kEditorLocationTree)->geometry(), QRect(330, 20, 340, 180));
    EXPECT_EQ(editor->control(kEditorAddDocument)->toolTip(), "Добавить Datasheet");
    for (int hidden : {kEditorPlace, kEditorSectionPath, kEditorId, kEditorDocument}) {
        EXPECT_TRUE(editor->control(hidden)->isHidden()) << hidden;
    }
    QStringList packages;
    for (int i = 0; i < editor->package_box()->count(); ++i) packages << editor->package_box()->itemText(i);
    EXPECT_EQ(packages, (QStringList{"DIP-8", "TO-92"}));
    EXPECT_EQ(editor->supplier_box()->count(), 1);
    EXPECT_EQ(editor->value(db::kQuantity), "0");
    EXPECT_EQ(editor->value(db::kPlace), "|Все|Стол|");
    EXPECT_EQ(editor->value(db::kSectionPath), "|Все|A|");
    EXPECT_EQ(tree_text(editor->nodes()), nodes(kLocationTree));
}

TEST_F(ItemEditor, AddStoresAppendsAndRevealsTheNewItem) {
    start_with_items();
    select(kPathTree, 2);
    select(kLocationTree, -1);
    open(EditorMode::add);
    EXPECT_TRUE(window()->value(db::kPlace).isEmpty());  // no place selected in the main tree
    type(kEditorName, "LM'317");
    type(kEditorDescription, "стабилизатор");
    type(kEditorQuantity, "1500");
    type(kEditorPrice, "12.5");
    set_combo(kEditorSupplier, "O'Brien");
    set_combo(kEditorPackage, "TO-220");
    press_ok();
    EXPECT_EQ(last_message(), "Внимание!: Не указан путь!");
    ASSERT_NE(window(), nullptr);
    pick_place(1);
    EXPECT_EQ(window()->value(db::kPlace), "|Все|Шкаф|");
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(app_.main_window->isEnabled());
    const Rows stored_rows = rows(
        "SELECT \"Название\",\"Описание\",\"Расположение\",\"Количество\",\"Цена расходная\",\"Цена приходная\","
        "\"Поставщик\",\"Путь\",\"Тип корпуса\",ID FROM Store WHERE ID = 3");
    ASSERT_EQ(stored_rows.size(), 1u);
    EXPECT_EQ(stored_rows[0], (std::vector<std::string>{"LM'317", "стабилизатор", "|Все|Шкаф|", "1500", "12.5", "0",
                                                        "O'Brien", "|Все|B|", "TO-220", "3"}));
    ASSERT_EQ(model().row_count(), 3);
    EXPECT_EQ(model().cell(2, db::kName), "LM'317");
    EXPECT_EQ(model().cell(2, db::kPurchasePrice), "0.00");
    EXPECT_EQ(model().cell(2, db::kSectionPath), "|Все|B|");
    EXPECT_EQ(model().cell(2, db::kId), "3");
    EXPECT_EQ(app_.main_window->selected_row(), 2);
    EXPECT_EQ(trees::selected_node(app_, kLocationTree), 1);
    EXPECT_EQ(rows("SELECT * FROM Package"), (Rows{{"TO-220"}}));
    EXPECT_TRUE(settings_text().contains("Шкаф"));
}

TEST_F(ItemEditor, EditChangingOnlyThePlaceRewritesTheRowInPlace) {
    start_with_items();
    open(EditorMode::edit, 0);
    EXPECT_EQ(window()->value(db::kName), "a");
    EXPECT_EQ(window()->value(db::kPrice), "1.50");
    // Every field shows its text from the start, however long it is.
    for (QLineEdit* shown : window()->findChildren<QLineEdit*>()) {
        EXPECT_EQ(shown->cursorPosition(), 0) << shown->text().toStdString();
    }
    EXPECT_EQ(trees::selected_node(window()->location_tree()), 1);  // the item's place shown
    pick_place(2);
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(model().cell(0, db::kPlace), "|Все|Стол|");
    EXPECT_EQ(stored("Расположение"), (std::vector<std::string>{"a=|Все|Стол|", "b=|Все|Стол|"}));
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|A|", "b=|Все|B|"}));
    EXPECT_EQ(trees::selected_node(app_, kLocationTree), 2);
    EXPECT_EQ(model().row_count(), 2);
}

TEST_F(ItemEditor, EmptiedNumbersBecomeZeroAndApostrophesSurviveEveryMode) {
    start_with_items();
    open(EditorMode::edit, 1);
    type(kEditorName, "b'1");
    type(kEditorDescription, "d'1");
    set_combo(kEditorSupplier, "s'1");
    field(kEditorPrice)->clear();
    field(kEditorPurchasePrice)->clear();
    field(kEditorQuantity)->clear();
    press_ok();
    EXPECT_EQ(model().cell(1, db::kPrice), "0.00");
    EXPECT_EQ(model().cell(1, db::kPurchasePrice), "0.00");
    EXPECT_EQ(model().cell(1, db::kQuantity), "0");
    EXPECT_EQ(rows("SELECT \"Название\",\"Описание\",\"Поставщик\",\"Количество\",\"Цена расходная\" FROM Store "
                   "WHERE ID = 2"),
              (Rows{{"b'1", "d'1", "s'1", "0", "0"}}));

    open(EditorMode::duplicate, 1);
    type(kEditorName, "c'2");
    press_ok();
    EXPECT_EQ(rows("SELECT \"Описание\",\"Поставщик\" FROM Store WHERE \"Название\" = 'c''2'"), (Rows{{"d'1", "s'1"}}));
    EXPECT_EQ(messages(), 0);
}

TEST_F(ItemEditor, DuplicateLandsInTheSelectedSectionAndTheRowShowsIt) {
    start_with_items();
    select(kPathTree, 0);
    open(EditorMode::duplicate, 0);
    type(kEditorName, "a2");
    press_ok();
    EXPECT_EQ(stored("Путь"), (std::vector<std::string>{"a=|Все|A|", "b=|Все|B|", "a2=|Все|"}));
    ASSERT_EQ(model().row_count(), 3);
    EXPECT_EQ(model().cell(2, db::kSectionPath), "|Все|");
    EXPECT_EQ(model().cell(2, db::kId), "3");
    EXPECT_EQ(model().cell(0, db::kId), "1");
}

TEST_F(ItemEditor, ANewPackageTypeSavedTwiceIsOneRowAndCanBeRemoved) {
    start_with_items();
    for (int i = 0; i < 2; ++i) {
        open(EditorMode::edit, i);
        set_combo(kEditorPackage, "QFN-16");
        press_ok();
    }
    EXPECT_EQ(rows("SELECT * FROM Package"), (Rows{{"QFN-16"}}));
    open(EditorMode::edit, 0);
    EXPECT_EQ(window()->package_box()->count(), 1);
    EXPECT_EQ(window()->package_box()->currentIndex(), 0);  // the item's type is the list's entry
    press_control(kEditorRemovePackage);
    EXPECT_TRUE(rows("SELECT * FROM Package").empty());
    EXPECT_EQ(window()->package_box()->count(), 0);
    EXPECT_EQ(stored("Тип корпуса")[0], "a=QFN-16");  // items keep the type

    // A type that is not stored goes without a word: it is gone either way.
    const int told = services_.count(detalehran::testing::ServiceKind::message_box);
    set_combo(kEditorPackage, "нет такого");
    press_control(kEditorRemovePackage);
    EXPECT_EQ(services_.count(detalehran::testing::ServiceKind::message_box), told);
}

TEST_F(ItemEditor, EscCancelAndTheCloseBoxSaveNothing) {
    start_with_items();
    const auto before = rows("SELECT * FROM Store");
    for (int way = 0; way < 3; ++way) {
        open(EditorMode::edit, 0);
        type(kEditorName, "changed");
        if (way == 0) {
            QApplication::setActiveWindow(window());  // Esc counts only in the active editor
            QTest::keyClick(field(kEditorName), Qt::Key_Escape);
        }
        if (way == 1) press_control(kEditorCancel);
        if (way == 2) press_close_box();
        settle();
        EXPECT_EQ(window(), nullptr) << way;
        EXPECT_TRUE(app_.main_window->isEnabled()) << way;
    }
    EXPECT_EQ(rows("SELECT * FROM Store"), before);
    EXPECT_EQ(model().cell(0, db::kName), "a");
}

TEST_F(ItemEditor, AFailingStatementKeepsTheEditorAndTheList) {
    start_with_items();
    sql("CREATE TRIGGER no_insert BEFORE INSERT ON Store BEGIN SELECT RAISE(ABORT, 'склад полон'); END;"
        "CREATE TRIGGER no_update BEFORE UPDATE ON Store BEGIN SELECT RAISE(ABORT, 'заперто'); END;");
    open(EditorMode::add);
    type(kEditorName, "new");
    pick_place(1);
    press_ok();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(last_message().startsWith("Внимание!: ") && last_message().contains("склад полон"));
    EXPECT_EQ(window()->value(db::kName), "new");
    EXPECT_EQ(model().row_count(), 2);
    press_control(kEditorCancel);

    open(EditorMode::edit, 0);
    type(kEditorName, "renamed");
    press_ok();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(last_message().contains("заперто"));
    EXPECT_EQ(model().cell(0, db::kName), "a");
}

// Another program changed the item, or deleted it, while it was open here:
// the save overwrites nothing unseen. The user is told what is stored, the
// row shows it, and "ОК" once more writes the values still in the editor.
TEST_F(ItemEditor, AnItemChangedOrDeletedMeanwhileIsNeverOverwrittenUnseen) {
    start_with_items();
    open(EditorMode::edit, 0);
    type(kEditorName, "renamed");
    sql("UPDATE Store SET \"Описание\" = 'новое', \"Цена расходная\" = 2.5 WHERE ID = 1");
    press_ok();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(last_message().contains("Описание: новое") && last_message().contains("Цена: 2.50"))
        << last_message().toStdString();
    EXPECT_EQ(model().cell(0, db::kDescription), "новое");
    EXPECT_EQ(stored("Название"), (std::vector<std::string>{"a=a", "b=b"}));
    press_ok();
    EXPECT_EQ(window(), nullptr);
    // The second "ОК" stores what the editor shows: the other change kept.
    EXPECT_EQ(stored("Описание"), (std::vector<std::string>{"renamed=новое", "b=описание"}));

    open(EditorMode::edit, 1);
    sql("DELETE FROM Store WHERE ID = 2");
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(last_message().contains("удалена")) << last_message().toStdString();
    EXPECT_EQ(listed(), QStringList{"renamed"});
    EXPECT_EQ(stored("Название"), (std::vector<std::string>{"renamed=renamed"}));
}

// Each field three ways (as read, the user's, stored now): what the join
// keeps, and whether the user is asked.
TEST(EditConflict, FieldsOnlyOneSideChangedJoinAndTheOthersAreAsked) {
    const struct {
        const char *read, *mine, *stored, *merged;
        bool taken, asked;
    } cases[] = {
        {"1", "1", "1", "1", false, false},  // nobody changed it
        {"1", "2", "1", "2", false, false},  // only the user
        {"1", "1", "3", "3", true, false},   // only the other
        {"1", "4", "4", "4", false, false},  // both, to the same value
        {"1", "2", "3", "2", false, true},   // both, differently: asked
        {"", "", "x", "x", true, false},     // an empty field filled meanwhile
    };
    QStringList read, mine, stored;
    for (const auto& c : cases) {
        read << c.read;
        mine << c.mine;
        stored << c.stored;
    }
    const editor::FieldMerge merge = editor::merge_fields(read, mine, stored);
    for (int column = 0; column < static_cast<int>(std::size(cases)); ++column) {
        SCOPED_TRACE(column);
        const auto& c = cases[column];
        EXPECT_EQ(merge.merged.value(column), c.merged);
        EXPECT_EQ(std::ranges::count(merge.taken, column), c.taken ? 1 : 0);
        EXPECT_EQ(std::ranges::count(merge.both, column), c.asked ? 1 : 0);
    }
}

// Texts far beyond a line edit's usual 32767 characters, as an import brings
// them: a save that changes only the quantity writes every one back whole.
TEST_F(ItemEditor, ASaveKeepsEveryCharacterOfTheFieldsNotChanged) {
    start_with_items();
    auto long_text = [](const std::string& piece, std::size_t characters) {
        std::string out;
        while (out.size() < characters) out += piece;
        return out;
    };
    const std::vector<std::string> texts = {long_text("Описание ёмкости;\n\t ", 100000 * 2), long_text("Name ", 40000),
                                            long_text(" Поставщик\r\n", 40000 * 2), long_text("SOT-23 ", 40000),
                                            long_text("ds", 40000) + ".pdf"};
    sql("UPDATE Store SET \"Описание\" = " + detalehran::testing::sql_literal(texts[0]) + ", \"Название\" = " +
        detalehran::testing::sql_literal(texts[1]) + ", \"Поставщик\" = " + detalehran::testing::sql_literal(texts[2]) +
        ", \"Тип корпуса\" = " + detalehran::testing::sql_literal(texts[3]) +
        ", Datasheet = " + detalehran::testing::sql_literal(texts[4]) + " WHERE ID = 1");
    itemlist::show_item_list(app_, db::kSelectAllItems);
    const int row = model().cell(0, db::kId) == "1" ? 0 : 1;
    open(EditorMode::edit, row);
    EXPECT_EQ(window()->value(db::kDescription).size(), QString::fromStdString(texts[0]).size());
    type(kEditorQuantity, "5");
    press_ok();
    ASSERT_EQ(window(), nullptr) << last_message().left(200).toStdString();
    const Rows stored_rows = rows(
        "SELECT \"Описание\", \"Название\", \"Поставщик\", \"Тип корпуса\", Datasheet, \"Количество\" FROM Store "
        "WHERE ID = 1");
    ASSERT_EQ(stored_rows.size(), 1u);
    for (std::size_t k = 0; k < texts.size(); ++k) {
        EXPECT_EQ(stored_rows[0][k].size(), texts[k].size()) << k;
        EXPECT_TRUE(stored_rows[0][k] == texts[k]) << k;
    }
    EXPECT_EQ(stored_rows[0][5], "5");
    EXPECT_TRUE(model().cell(row, db::kDescription).toStdString() == texts[0]);
}

TEST_F(ItemEditor, ANumberThatIsNoNumberNeverReachesTheDatabase) {
    start_with_items();
    open(EditorMode::edit, 0);
    // Text put in past the filters, as a context menu might.
    window()->set_value(db::kPurchasePrice, "1; DROP TABLE Store");
    press_ok();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(last_message().startsWith("Внимание!: ") && last_message().contains("Цена приходная"));
    window()->set_value(db::kPurchasePrice, "2.25");
    window()->set_value(db::kQuantity, "-3");
    press_ok();
    EXPECT_TRUE(last_message().contains("Количество"));
    window()->set_value(db::kQuantity, "3");
    window()->set_value(db::kPrice, "1.234");
    press_ok();
    EXPECT_TRUE(last_message().contains("Цена расходная"));
    EXPECT_EQ(messages(), 3);
    EXPECT_EQ(stored("Количество"), (std::vector<std::string>{"a=7", "b=7"}));
    window()->set_value(db::kPrice, ".5");
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(stored("Количество"), (std::vector<std::string>{"a=3", "b=7"}));
}

}  // namespace
