// Filling the item list, searching, the low-stock highlight, hiding and
// showing columns, and the list's own double-click handling, against a real
// database in a temporary folder.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "support/statement_trace.h"
#include "state/app.h"
#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "db/statements.h"
#include "itemlist/item_list_model.h"
#include "itemlist/quantity_field.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

using namespace detalehran;
using namespace detalehran::itemlist;
using detalehran::testing::ScriptedServices;
using detalehran::testing::ServiceKind;
using detalehran::testing::TestFolder;

#include <fstream>

namespace {

struct Item {
    std::string name;
    std::string quantity = "1";
    std::string price = "1";
    std::string datasheet;
};

class ItemList : public ::testing::Test {
protected:
    ItemList() : app_(services_) {
        detalehran::testing::test_application();
        folder_.create_store();
        start_up(app_);
    }
    ~ItemList() override {
        app_.database.close_store();
        delete app_.main_window;
    }

    void add(const Item& item) {
        const std::string sql =
            "INSERT INTO [Store] ([Название],[Описание],[Расположение],[Количество],[Цена расходная],"
            "[Цена приходная],[Поставщик],[Путь],[Тип корпуса],[Datasheet])VALUES (" +
            detalehran::testing::sql_literal(item.name) + ",'','|Все|',"+ (item.quantity.empty() ? "NULL" : item.quantity) + "," +
            item.price + ",0,'','|Все|','','" + item.datasheet + "')";
        ASSERT_TRUE(app_.database.db_update(sql)) << app_.database.last_diagnostic().text;
    }
    ItemListModel& model() { return app_.main_window->list_model(); }
    QTreeView* list() { return app_.main_window->item_list(); }
    QStringList column(int c) {
        QStringList out;
        for (int r = 0; r < model().row_count(); ++r) out << model().cell(r, c);
        return out;
    }
    void fill_all() { fill_item_list(app_, db::kSelectAllItems); }
    void search(const QString& text) {
        app_.main_window->search_field()->setText(text);
        search_by_name(app_, Event{});
    }

    TestFolder folder_;
    ScriptedServices services_;
    App app_;
};

}  // namespace

TEST(ListTexts, PricesAsTheListShowsThem) {
    EXPECT_EQ(price_text(".0000"), "0.00");
    EXPECT_EQ(price_text("12.5000"), "12.50");
    EXPECT_EQ(price_text(".5000"), ".50");
    EXPECT_EQ(price_text("-.5000"), "-.50");
    EXPECT_EQ(price_text(""), "");
    EXPECT_EQ(price_text("12"), "");
}

TEST(ListTexts, IntegerValueOfATextReadsLeadingDigitsOnly) {
    EXPECT_EQ(integer_value("42"), 42);
    EXPECT_EQ(integer_value("  \t-7 штук"), -7);
    EXPECT_EQ(integer_value("+15"), 15);
    EXPECT_EQ(integer_value("12.90"), 12);
    EXPECT_EQ(integer_value(""), 0);
    EXPECT_EQ(integer_value("abc"), 0);
    EXPECT_EQ(integer_value("$ff"), 255);
    EXPECT_EQ(integer_value("%101"), 5);
    EXPECT_EQ(integer_value("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(integer_value("٣"), 0);  // only ASCII digits count
}

TEST(ListTexts, LowStockRule) {
    EXPECT_TRUE(is_low_stock("4", "5"));
    EXPECT_FALSE(is_low_stock("5", "5"));
    EXPECT_TRUE(is_low_stock("", "5"));
    EXPECT_TRUE(is_low_stock("-1", "5"));
    EXPECT_FALSE(is_low_stock("0", ""));
    EXPECT_FALSE(is_low_stock("0", "abc"));
}

TEST_F(ItemList, FillShowsRowsInOrderWithPriceTextsAndHighlight) {
    add({"Резистор", "4", "12.5", ""});
    add({"Диод", "5", ".5", ""});
    add({"Конденсатор", "", "0", ""});
    add({"Транзистор", "-1", "99999.99", ""});
    app_.highlight.on = 1;
    app_.highlight.minimum = "5";
    app_.highlight.colour = 0x00FF00;
    fill_all();
    EXPECT_EQ(column(db::kName), (QStringList{"Диод", "Конденсатор", "Резистор", "Транзистор"}));
    EXPECT_EQ(column(db::kPrice), (QStringList{".50", "0.00", "12.50", "99999.99"}));
    EXPECT_EQ(column(db::kQuantity), (QStringList{"5", "", "4", "-1"}));
    EXPECT_EQ(model().row_colour(0), -1);
    EXPECT_EQ(model().row_colour(1), 0x00FF00);  // empty counts as 0
    EXPECT_EQ(model().row_colour(2), 0x00FF00);
    EXPECT_EQ(model().row_colour(3), 0x00FF00);

    app_.highlight.on = 0;
    fill_all();
    for (int r = 0; r < model().row_count(); ++r) EXPECT_EQ(model().row_colour(r), -1);

    app_.highlight.on = 1;
    app_.highlight.minimum = "";
    fill_all();
    for (int r = 0; r < model().row_count(); ++r) {
        EXPECT_EQ(model().row_colour(r), r == 3 ? 0x00FF00 : -1);  // only -1 is below 0
    }
}

TEST_F(ItemList, AFailedStatementLeavesTheListEmpty) {
    add({"Резистор", "1", "1", ""});
    fill_all();
    ASSERT_EQ(model().row_count(), 1);
    fill_item_list(app_, db::Statement("SELECT * FROM [Nowhere]", "SELECT * FROM \"Nowhere\""));
    EXPECT_EQ(model().row_count(), 0);
    EXPECT_EQ(services_.count(ServiceKind::message_box), 0);
}

// A fill that starts while a long list's rows still wait gives them back
// first, instead of reading the new list while both are held.
TEST_F(ItemList, AFillGivesBackTheRowsStillWaiting) {
    add({"Резистор", "1", "1", ""});
    model().replace_rows(std::vector<ItemListModel::Row>(30000));
    model().replace_rows({});
    ASSERT_GT(model().rows_leaving(), 0u);
    fill_all();
    EXPECT_EQ(model().rows_leaving(), 0u);
    EXPECT_EQ(column(db::kName), (QStringList{"Резистор"}));
}

TEST_F(ItemList, SearchByNameKeepsPatternCharactersAndQuotes) {
    for (const char* name : {"O'Hara", "Резистор 10кОм", "резистор 1%", "A_B", "AxB", "ABB"}) add({name, "1", "1", ""});
    search("O'Hara");
    EXPECT_EQ(column(db::kName), (QStringList{"O'Hara"}));
    search("резистор");
    EXPECT_EQ(column(db::kName), (QStringList{"резистор 1%", "Резистор 10кОм"}));
    search("");
    EXPECT_EQ(model().row_count(), 6);
    search("%");
    EXPECT_EQ(model().row_count(), 6);
    search("A_B");
    EXPECT_EQ(column(db::kName), (QStringList{"A_B", "ABB", "AxB"}));
    search("[");  // an unclosed list is a literal, not an error
    EXPECT_EQ(model().row_count(), 0);
    EXPECT_EQ(list()->selectionModel()->selectedRows().size(), 0);
}

TEST_F(ItemList, DocumentIconsAreLookedUpOncePerExtensionText) {
    services_.icons_by_suffix["pdf"] = QIcon(QPixmap(16, 16));
    add({"a", "1", "1", "a.pdf"});
    add({"b", "1", "1", "b.PDF"});
    add({"c", "1", "1", "c.pdf"});
    add({"d", "1", "1", "x.doc"});
    add({"e", "1", "1", "y.ocd"});
    add({"f", "1", "1", "readme"});
    add({"g", "1", "1", ""});
    fill_all();
    EXPECT_EQ(services_.count(ServiceKind::file_icon), 4);  // pdf, PDF, doc, ocd
    EXPECT_FALSE(model().row_icon(0).isNull());
    EXPECT_TRUE(model().row_icon(5).isNull());
    EXPECT_TRUE(model().row_icon(6).isNull());
    const auto* asked = services_.last(ServiceKind::file_icon);
    ASSERT_NE(asked, nullptr);
    EXPECT_TRUE(asked->text.endsWith("/Datasheet/y.ocd")) << asked->text.toStdString();
}

TEST_F(ItemList, HidingAndShowingKeepTheHiddenColumnsFirst) {
    using Order = std::array<int, kListColumns>;
    hide_column(app_, 1);
    EXPECT_EQ(app_.column_table.order, (Order{1, 2, 7, 9, 10, 0, 8, 3, 4, 5, 6}));
    EXPECT_EQ(app_.column_table.shown, (Order{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(list()->header()->sectionSize(1), 0);
    EXPECT_EQ(list()->header()->visualIndex(1), 0);
    EXPECT_EQ(column_shown(app_, 1), 0);

    const Order before = app_.column_table.order;
    hide_column(app_, 1);  // already hidden: nothing moves
    EXPECT_EQ(app_.column_table.order, before);

    show_column(app_, 1);
    EXPECT_EQ(app_.column_table.order, (Order{2, 7, 9, 10, 0, 1, 8, 3, 4, 5, 6}));
    EXPECT_EQ(app_.column_table.shown, (Order{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(list()->header()->sectionSize(1), 100);
    EXPECT_EQ(list()->header()->visualIndex(1), 5);
    EXPECT_EQ(column_shown(app_, 1), 1);

    // A shown column dragged to nothing only gets its width back.
    list()->header()->resizeSection(6, 0);
    show_column(app_, 6);
    EXPECT_EQ(app_.column_table.order, (Order{2, 7, 9, 10, 0, 1, 8, 3, 4, 5, 6}));
    EXPECT_EQ(list()->header()->sectionSize(6), 100);
}

namespace {

QPoint centre_of(QTreeView* list, int row, int column) {
    return list->visualRect(list->model()->index(row, column)).center();
}

}  // namespace

class DoubleClick : public ItemList {
protected:
    DoubleClick() {
        std::ofstream(folder_.subfolder("Datasheet") + "r.pdf") << "%PDF-1.4\n";
        add({"Анод", "7", "1", "r.pdf"});
        add({"Диод", "3", "1", ""});
        fill_all();
        app_.main_window->resize(1200, 600);
        list()->header()->resizeSection(db::kQuantity, 100);
        app_.main_window->layer().set_sink([this](const Event& e) { events_.push_back(e); });
    }
    void double_click(int row, int column, int x_in_cell = -1) {
        QPoint at = centre_of(list(), row, column);
        if (x_in_cell >= 0) at.setX(list()->visualRect(list()->model()->index(row, column)).left() + x_in_cell);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }
    int double_clicks_routed() const {
        int n = 0;
        for (const Event& e : events_) n += e.kind == kControlEvent && e.type == kLeftDoubleClick;
        return n;
    }
    std::vector<Event> events_;
};

TEST_F(DoubleClick, QuantityCellOpensTheFieldAndNotTheEditor) {
    double_click(0, db::kQuantity);
    QuantityField* field = open_quantity_field(app_);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "7");
    EXPECT_EQ(field->property("control").toInt(), kQuantityField);
    EXPECT_EQ(double_clicks_routed(), 0);
}

TEST_F(DoubleClick, IconBandOpensTheDocumentOrNothing) {
    double_click(0, db::kName, 28);
    EXPECT_EQ(services_.count(ServiceKind::open), 1);
    EXPECT_TRUE(services_.last(ServiceKind::open)->text.endsWith("/Datasheet/r.pdf"));
    double_click(1, db::kName, 28);  // no document: nothing at all
    EXPECT_EQ(services_.count(ServiceKind::open), 1);
    EXPECT_EQ(double_clicks_routed(), 0);
}

TEST_F(DoubleClick, OtherCellsGoOnToTheProgram) {
    double_click(1, db::kName, 80);
    double_click(1, db::kPrice);
    EXPECT_EQ(double_clicks_routed(), 2);
    EXPECT_EQ(open_quantity_field(app_), nullptr);
}

class Quantity : public DoubleClick {
protected:
    QString stored(int id) {
        app_.database.db_query("SELECT [Количество] FROM [Store] WHERE [ID] = " + std::to_string(id));
        const QString text = app_.database.db_next_row() ? QString::fromStdString(app_.database.db_text(0)) : "?";
        app_.database.db_finish();
        return text;
    }
    QuantityField* open_on_first_row() {
        double_click(0, db::kQuantity);
        QuantityField* field = open_quantity_field(app_);
        EXPECT_NE(field, nullptr);
        return field;
    }
    int row_of_id(int id) {
        for (int r = 0; r < model().row_count(); ++r) {
            if (model().cell(r, db::kId) == QString::number(id)) return r;
        }
        return -1;
    }
};

TEST_F(Quantity, TypingKeepsDigitsAndEnterStoresTheNumber) {
    QuantityField* field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    const int id = model().cell(0, db::kId).toInt();
    field->selectAll();
    QTest::keyClicks(field, "1x2-5");
    QKeyEvent cyrillic(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("ы"));
    QCoreApplication::sendEvent(field, &cyrillic);
    EXPECT_EQ(field->text(), "125");
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), "12");
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), "13");
    QTest::keyClick(field, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(open_quantity_field(app_), nullptr);
    EXPECT_EQ(model().cell(row_of_id(id), db::kQuantity), "13");
    EXPECT_EQ(stored(id), "13");
    EXPECT_EQ(services_.count(ServiceKind::message_box), 0);
}

TEST_F(Quantity, ArrowsStayWithinTheRangeButTypedNumbersMayExceedIt) {
    QuantityField* field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    field->set_text("1000");
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), "1000");
    field->set_text("0");
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->text(), "0");
    const int id = model().cell(0, db::kId).toInt();
    field->set_text("5000");
    field->commit();
    EXPECT_EQ(stored(id), "5000");
}

TEST_F(Quantity, LosingTheFocusCommitsOnce) {
    QuantityField* field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    const int id = model().cell(0, db::kId).toInt();
    field->set_text("42");
    app_.main_window->search_field()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(stored(id), "42");
    EXPECT_EQ(open_quantity_field(app_), nullptr);
    // The field is gone; a second loss of focus has nothing to commit.
    ASSERT_TRUE(app_.database.db_update("UPDATE [Store] SET [Количество] = 1 WHERE [ID] = " + std::to_string(id)));
    list()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(stored(id), "1");
}

TEST_F(Quantity, EscapeAndAnEmptyFieldWriteNothing) {
    QuantityField* field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    const int id = model().cell(0, db::kId).toInt();
    field->set_text("99");
    QTest::keyClick(field, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(stored(id), "7");
    EXPECT_EQ(model().cell(row_of_id(id), db::kQuantity), "7");

    field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    field->set_text("");
    field->commit();
    EXPECT_EQ(stored(id), "7");
    EXPECT_EQ(model().cell(row_of_id(id), db::kQuantity), "7");
    EXPECT_EQ(services_.count(ServiceKind::message_box), 0);
}

// Another program on the same file changed or deleted the item after the
// list was read: nothing is overwritten, the user is told what is stored,
// and the row shows it.
TEST_F(Quantity, AChangeMadeMeanwhileByAnotherProgramIsShownNotOverwritten) {
    const int id = model().cell(0, db::kId).toInt();
    const std::string where = " WHERE [ID] = " + std::to_string(id);
    for (const auto& [other, expected] : {std::pair{"UPDATE [Store] SET [Количество] = 3" + where, "количество 3"},
                                          std::pair{"DELETE FROM [Store]" + where, "удалена"}}) {
        SCOPED_TRACE(other);
        QuantityField* field = open_on_first_row();
        ASSERT_NE(field, nullptr);
        const int rows = model().row_count();
        ASSERT_TRUE(app_.database.db_update(other));
        field->set_text("9");
        field->commit();
        EXPECT_TRUE(services_.last(ServiceKind::message_box)->text.contains(QString::fromUtf8(expected)))
            << services_.last(ServiceKind::message_box)->text.toStdString();
        const int row = row_of_id(id);
        EXPECT_EQ(row < 0 ? "gone" : model().cell(row, db::kQuantity), row < 0 ? "gone" : "3");
        EXPECT_EQ(model().row_count(), row < 0 ? rows - 1 : rows);
        EXPECT_EQ(stored(id), row < 0 ? "?" : "3");
    }
}

TEST_F(Quantity, AFailedWriteKeepsTheCellAndIsReportedOnce) {
    QuantityField* field = open_on_first_row();
    ASSERT_NE(field, nullptr);
    const int row = field->row();
    // (An item deleted meanwhile would leave the list: see above.)
    app_.database.close_store();
    field->set_text("55");
    QTest::keyClick(field, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(model().cell(row, db::kQuantity), "7");
    EXPECT_EQ(services_.count(ServiceKind::message_box), 1);
    EXPECT_EQ(services_.last(ServiceKind::message_box)->title, QString::fromUtf8("Внимание!"));
}

// The row fits what hangs below the baseline: "under_score" is not drawn as
// "under score", at the default font and at 12 pt.
TEST_F(ItemList, RowsAreTallerThanALineAndShowUnderscores) {
    for (const char* name : {"under_score", "under score", "Резистор_10к", "Резистор 10к"}) add({name});
    fill_all();
    auto cell = [&](const QString& name) {
        const int row = static_cast<int>(column(db::kName).indexOf(name));
        return list()->viewport()->grab(list()->visualRect(model().index(row, db::kName))).toImage();
    };
    for (int points : {0, 12}) {
        SCOPED_TRACE(points);
        if (points > 0) {
            QFont font = list()->font();
            font.setPointSize(points);
            list()->setFont(font);
        }
        EXPECT_GT(list()->visualRect(model().index(0, 0)).height(), QFontMetrics(list()->font()).height());
        EXPECT_NE(cell("under_score"), cell("under score"));
        EXPECT_NE(cell("Резистор_10к"), cell("Резистор 10к"));
    }
}

// Leaving a list: the new rows show at once; a long list's rows are given
// back while the event loop waits, a short one's at once. A text the program
// still holds from the old list stays valid either way.
TEST(ListModel, RowsLeftBehindAreGivenBackAfterTheNewListShows) {
    detalehran::testing::test_application();  // the event loop that gives them back
    struct Case {
        int rows;
        bool waits;
    };
    for (const Case c : {Case{30, false}, Case{30000, true}}) {
        SCOPED_TRACE(c.rows);
        ItemListModel model;
        std::vector<ItemListModel::Row> old_rows(static_cast<std::size_t>(c.rows));
        for (int r = 0; r < c.rows; ++r) old_rows[static_cast<std::size_t>(r)].cells[db::kName] = QString::number(r);
        model.replace_rows(std::move(old_rows));
        const QString held = model.cell(c.rows - 1, db::kName);
        EXPECT_FALSE(held.isDetached());  // shared with its row

        std::vector<ItemListModel::Row> new_rows(2);
        new_rows[1].cells[db::kName] = QString::fromUtf8("Новая");
        model.replace_rows(std::move(new_rows));
        EXPECT_EQ(model.row_count(), 2);
        EXPECT_EQ(model.cell(1, db::kName), QString::fromUtf8("Новая"));
        EXPECT_EQ(model.rows_leaving() > 0, c.waits);
        for (int turn = 0; turn < 1000 && model.rows_leaving() > 0; ++turn) QCoreApplication::processEvents();
        EXPECT_EQ(model.rows_leaving(), 0u);
        EXPECT_TRUE(held.isDetached());  // its row is gone
        EXPECT_EQ(held, QString::number(c.rows - 1));
    }
}
