// The main window: its controls, menus, the list menu's enabled items, the
// layout after size changes, the column order, and the list's row store.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>

#include "app/lifecycle.h"
#include "app/item_commands.h"
#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list_model.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

namespace detalehran {
namespace {

using testing::ScriptedServices;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { window_ = build_main_window(app_); }
    ~MainWindowTest() override { delete app_.main_window; }

    ItemListModel& rows() { return window_->list_model(); }
    bool enabled(int item) { return window_->menu_item(item)->isEnabled(); }
    // Rows given by name and datasheet; the other cells stay empty.
    void add_row(const QString& name, const QString& datasheet = QString()) {
        QStringList cells(kListColumns);
        cells[0] = name;
        cells[10] = datasheet;
        rows().append_row(cells);
    }

    QApplication& application_ = testing::test_application();  // before any widget
    ScriptedServices services_;
    App app_{services_};
    MainWindow* window_ = nullptr;
};

// The items of a menu as (number, caption), a separator as (-1, "").
std::vector<std::pair<int, QString>> describe(const QMenu* menu) {
    std::vector<std::pair<int, QString>> items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items.emplace_back(-1, QString());
        } else {
            items.emplace_back(action->property("menu_item").toInt(), action->text());
        }
    }
    return items;
}

TEST_F(MainWindowTest, WindowAndControlsCarryTheirNumbersKindsAndCaptions) {
    EXPECT_EQ(app_.main_window, window_);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->windowTitle(), "Деталехран. Главное окно");
    EXPECT_EQ(window_->property("window").toInt(), kMainWindow);
    EXPECT_EQ(window_->centralWidget()->size(), QSize(800, 550));
    EXPECT_EQ(window_->geometry().topLeft(), QPoint(303, 112));
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);

    const std::pair<int, const char*> expected[] = {{kPathTree, "QTreeWidget"},     {kLocationTree, "QTreeWidget"},
                                                    {kItemList, "QTreeView"},       {kSearchField, "QLineEdit"},
                                                    {kSearchButton, "QPushButton"}, {kTreeSplitter, "QSplitter"},
                                                    {kMainSplitter, "QSplitter"}};
    for (const auto& [number, kind] : expected) {
        SCOPED_TRACE(number);
        auto* control = window_->findChild<QWidget*>(QStringLiteral("control_%1").arg(number));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control, window_->control(number));
        EXPECT_EQ(control->property("control").toInt(), number);
        EXPECT_STREQ(control->metaObject()->className(), kind);
    }

    for (QTreeWidget* tree : {window_->path_tree(), window_->location_tree()}) {
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        EXPECT_EQ(tree->topLevelItem(0)->text(0), "Все");
        EXPECT_TRUE(tree->rootIsDecorated());
        EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_TRUE(tree->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_TRUE(window_->search_field()->text().isEmpty());
    EXPECT_EQ(window_->search_field()->geometry(), QRect(3, 0, 115, 20));
    EXPECT_EQ(window_->search_button()->text(), "Поиск");
    EXPECT_EQ(window_->search_button()->geometry(), QRect(122, 0, 50, 20));
}

TEST_F(MainWindowTest, SplittersHoldTheTreesAndTheListAtTheirFirstPositions) {
    QSplitter* main = window_->main_splitter();
    QSplitter* trees = window_->tree_splitter();
    EXPECT_EQ(main->orientation(), Qt::Horizontal);
    EXPECT_EQ(main->widget(0), trees);
    EXPECT_EQ(main->widget(1), window_->item_list());
    EXPECT_EQ(trees->orientation(), Qt::Vertical);
    EXPECT_EQ(trees->widget(0), window_->path_tree());
    EXPECT_EQ(trees->widget(1), window_->location_tree());
    EXPECT_EQ(main->handleWidth(), 4);
    EXPECT_EQ(trees->handleWidth(), 4);
    EXPECT_EQ(main->geometry(), QRect(2, 23, 796, 505));
    EXPECT_EQ(main->sizes().value(0), 150);
    EXPECT_EQ(trees->sizes().value(0), 250);
    // Nothing at the top overlaps the splitters.
    EXPECT_LE(window_->search_field()->geometry().bottom(), main->geometry().top());
}

TEST_F(MainWindowTest, ItemListShowsElevenColumnsInTheTableOrderWithCheckBoxes) {
    QTreeView* list = window_->item_list();
    QHeaderView* header = list->header();
    ASSERT_EQ(header->count(), kListColumns);
    const char* captions[] = {"Название",  "Описание", "Расположение", "Количество", "Цена",     "Цена приходная",
                              "Поставщик", "Путь",     "Тип корпуса",  "ID",         "Datasheet"};
    const int widths[] = {200, 300, 0, 100, 100, 100, 100, 0, 100, 0, 0};
    for (int column = 0; column < kListColumns; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(rows().headerData(column, Qt::Horizontal).toString(), captions[column]);
        EXPECT_EQ(header->sectionSize(column), widths[column]);
        EXPECT_FALSE(header->isSectionHidden(column));
    }
    const int order[] = {2, 7, 9, 10, 0, 8, 1, 3, 4, 5, 6};
    for (int position = 0; position < kListColumns; ++position)
        EXPECT_EQ(header->logicalIndex(position), order[position]);

    EXPECT_TRUE(header->sectionsMovable());
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_TRUE(list->uniformRowHeights());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);

    add_row("R1");
    EXPECT_TRUE(rows().flags(rows().index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(rows().flags(rows().index(0, 1)) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(rows().data(rows().index(0, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(MainWindowTest, ColumnOrderGoesOntoTheHeaderAndIsReadBack) {
    QHeaderView* header = window_->item_list()->header();
    app_.column_table.order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    apply_column_order(app_);
    for (int position = 0; position < kListColumns; ++position) EXPECT_EQ(header->logicalIndex(position), position);

    // The user drags "Цена" (4) to the front.
    header->moveSection(header->visualIndex(4), 0);
    read_column_order(app_);
    const std::array<int, kListColumns> dragged{4, 0, 1, 2, 3, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(app_.column_table.order, dragged);

    // An order naming a column twice is not applied.
    app_.column_table.order = {0, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    apply_column_order(app_);
    read_column_order(app_);
    EXPECT_EQ(app_.column_table.order, dragged);
}

TEST_F(MainWindowTest, MenusHaveTheirItemsNumbersAndSeparators) {
    QMenuBar* bar = window_->menuBar();
    EXPECT_EQ(bar->property("menu").toInt(), kMenuBar);
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), "Файл");
    EXPECT_EQ(top[1]->text(), "Правка");
    EXPECT_EQ(top[2]->text(), "Настройки");
    EXPECT_EQ(top[3]->text(), "Помощь");
    using Items = std::vector<std::pair<int, QString>>;
    EXPECT_EQ(describe(top[0]->menu()), (Items{{100, "Обновить список\tF5"},
                                               {120, "Импорт из CSV…"},
                                               {121, "Экспорт списка в CSV…"},
                                               {122, "Список для заказа…"},
                                               {-1, ""},
                                               {126, "Проверить спецификацию…"},
                                               {127, "Проекты…"},
                                               {-1, ""},
                                               {123, "История изменений…"},
                                               {-1, ""},
                                               {60, "Выход"}}));
    EXPECT_EQ(describe(top[1]->menu()), (Items{{125, "Отменить последнее изменение"}}));
    EXPECT_EQ(window_->menu_item(kMenuUndo)->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_EQ(describe(top[2]->menu()),
              (Items{{61, "Установить шрифт таблицы"}, {62, "Настройка отображения таблицы"}}));
    EXPECT_EQ(describe(top[3]->menu()), (Items{{63, "О программе"}}));

    const Items tree_items{{8, "Создать раздел"}, {9, "Переименовать"}, {-1, ""}, {10, "Удалить"}};
    EXPECT_EQ(describe(window_->popup_menu(kPathTreeMenu)), tree_items);
    EXPECT_EQ(describe(window_->popup_menu(kLocationTreeMenu)),
              (Items{{56, "Создать раздел"}, {57, "Переименовать"}, {-1, ""}, {58, "Удалить"}}));
    EXPECT_EQ(describe(window_->popup_menu(kItemListMenu)), (Items{{11, "Добавить"},
                                                                   {12, "Редактировать"},
                                                                   {13, "Дублировать"},
                                                                   {-1, ""},
                                                                   {14, "Показать данные"},
                                                                   {15, "Поиск в интернете"},
                                                                   {-1, ""},
                                                                   {16, "Выделить все"},
                                                                   {17, "Снять выделение"},
                                                                   {18, "Вырезать"},
                                                                   {19, "Вставить"},
                                                                   {-1, ""},
                                                                   {124, "История изменений…"},
                                                                   {-1, ""},
                                                                   {20, "Удалить"}}));
    EXPECT_EQ(window_->popup_menu(kMenuBar), nullptr);
}

TEST_F(MainWindowTest, ListMenuInAnEmptyListWithoutDatabaseOffersOnlyTheAlwaysOnItems) {
    for (int item : {12, 13, 14, 18, 19, 20}) window_->set_item_enabled(item, true);
    commands::prepare_list_menu(app_);
    for (int item : {12, 13, 14, 18, 19, 20}) EXPECT_FALSE(enabled(item)) << item;
    for (int item : {11, 15, 16, 17, 8, 9, 10, 56, 57, 58, 60, 61, 62, 63}) EXPECT_TRUE(enabled(item)) << item;
}

TEST_F(MainWindowTest, ListMenuFollowsTheSelectedRowAndTheCheckedRows) {
    add_row("R1");
    add_row("R2", "/docs/r2.pdf");
    add_row("");

    // A checked row with nothing selected: cut and delete only.
    rows().set_checked(1, true);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(18));
    EXPECT_TRUE(enabled(20));
    for (int item : {12, 13, 14, 19}) EXPECT_FALSE(enabled(item)) << item;

    // A named row selected, none checked: edit and duplicate, but cut and
    // delete wait for a check; no datasheet, so nothing to show.
    rows().set_checked(1, false);
    window_->select_row(0);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(12));
    EXPECT_TRUE(enabled(13));
    for (int item : {14, 18, 19, 20}) EXPECT_FALSE(enabled(item)) << item;

    // The selected row has a datasheet.
    window_->select_row(1);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(14));

    // A row without a name still shows its datasheet, but cannot be edited.
    rows().set_cell(2, 10, "/docs/x.pdf");
    window_->select_row(2);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(14));
    EXPECT_FALSE(enabled(12));
    EXPECT_FALSE(enabled(13));

    // Only the last row is checked: found after passing unchecked ones.
    rows().set_checked(2, true);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(18));
    EXPECT_TRUE(enabled(20));
}

TEST_F(MainWindowTest, ListMenuOffersPasteOnlyWhileTempHoldsItems) {
    testing::TestFolder folder;
    folder.create_store();
    ASSERT_TRUE(app_.database.init_environment());
    ASSERT_TRUE(app_.database.open_store(folder.path(), "Store", "", "")) << app_.database.last_diagnostic().text;

    commands::prepare_list_menu(app_);
    EXPECT_FALSE(enabled(19));
    EXPECT_FALSE(enabled(12));

    ASSERT_TRUE(app_.database.db_update("INSERT INTO [Temp] ([Название]) VALUES ('x')"));
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(19));
    for (int item : {12, 13, 14, 18, 20}) EXPECT_FALSE(enabled(item)) << item;

    // Paste stays on with a selected row too: the Temp step comes later.
    add_row("R1");
    window_->select_row(0);
    commands::prepare_list_menu(app_);
    EXPECT_TRUE(enabled(19));
    EXPECT_TRUE(enabled(12));

    ASSERT_TRUE(app_.database.db_update("DELETE FROM [Temp]"));
    commands::prepare_list_menu(app_);
    EXPECT_FALSE(enabled(19));
    app_.database.close_store();
    app_.database.remove_data_source("Store");
}

TEST_F(MainWindowTest, ShowPopupReturnsAtOnceWithTheMenuOpen) {
    show_popup(app_, kItemListMenu);
    QMenu* menu = window_->popup_menu(kItemListMenu);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    show_popup(app_, kMenuBar);  // not a popup: nothing opens, nothing fails
    EXPECT_FALSE(window_->popup_menu(kPathTreeMenu)->isVisible());
}

TEST_F(MainWindowTest, ResizingKeepsTheTreesWidthAndThePathTreeHeight) {
    std::vector<int> kinds;
    window_->layer().set_sink([&](const Event& event) {
        kinds.push_back(event.kind);
        if (event.kind == kSizeEvent || event.kind == kMaximizeEvent || event.kind == kRestoreEvent) {
            layout_main_window(app_);
        }
    });
    QSplitter* main = window_->main_splitter();
    QSplitter* trees = window_->tree_splitter();
    main->setSizes({180, 600});
    trees->setSizes({200, 300});
    const int tree_width = main->sizes().value(0);
    const int path_height = trees->sizes().value(0);

    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(main->geometry(), QRect(3, 23, window_->width() - 5, window_->height() - 60));
        EXPECT_EQ(main->sizes().value(0), tree_width);
        EXPECT_EQ(trees->sizes().value(0), path_height);
        EXPECT_EQ(window_->search_field()->geometry(), QRect(3, 0, 115, 20));
    };
    window_->resize(1000, 700);
    QCoreApplication::processEvents();
    check("larger");
    window_->resize(500, 400);
    QCoreApplication::processEvents();
    check("smaller");

    window_->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_->isMaximized());
    EXPECT_GT(window_->width(), 500);
    check("maximized");
    window_->showNormal();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->isMaximized());
    EXPECT_EQ(window_->width(), 500);
    check("restored");
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), kMaximizeEvent), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), kRestoreEvent), kinds.end());
}

TEST_F(MainWindowTest, CutOffCellTextShowsAsTooltipAndShortTextDoesNot) {
    QTreeView* list = window_->item_list();
    const QString long_text = QString("Длинное описание ").repeated(20);
    QStringList cells(kListColumns);
    cells[0] = "R1";
    cells[1] = long_text;
    rows().append_row(cells);
    QCoreApplication::processEvents();

    auto tooltip_at = [&](int column) {
        const QPoint at = list->visualRect(rows().index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // The tooltip hides with a delay, so the short text is asked first.
    EXPECT_NE(tooltip_at(0), "R1");
    EXPECT_EQ(tooltip_at(1), long_text);
}

TEST_F(MainWindowTest, EmbeddedImagesAreGreyPlusAndMinusOnTransparentGround) {
    const QImage plus = window_->image(0).pixmap(24, 24).toImage();
    const QImage minus = window_->image(1).pixmap(24, 24).toImage();
    ASSERT_EQ(plus.size(), QSize(24, 24));
    ASSERT_EQ(minus.size(), QSize(24, 24));
    EXPECT_TRUE(window_->image(2).isNull());
    for (const QImage* image : {&plus, &minus}) {
        const QColor centre = image->pixelColor(12, 12);
        EXPECT_EQ(centre.alpha(), 255);
        EXPECT_GT(centre.lightness(), 180);
        EXPECT_EQ(centre.red(), centre.blue());
        EXPECT_EQ(image->pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(image->pixelColor(5, 11).alpha(), 255);  // the horizontal bar
    }
    // Only the plus has the vertical bar.
    EXPECT_EQ(plus.pixelColor(11, 5).alpha(), 255);
    EXPECT_EQ(minus.pixelColor(11, 5).alpha(), 0);
}

TEST(ItemListRows, KeepsCellsChecksColoursAndIconsPerRow) {
    testing::test_application();
    ItemListModel model;
    model.append_row({"R1", "first"}, embedded_icon(0));
    model.append_row(QStringList(kListColumns + 2, "x"));
    ASSERT_EQ(model.row_count(), 2);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), kListColumns);
    EXPECT_EQ(model.cell(0, 1), "first");
    EXPECT_EQ(model.cell(0, 2), "");
    EXPECT_EQ(model.cell(1, kListColumns - 1), "x");
    EXPECT_EQ(model.cell(5, 0), "");
    EXPECT_EQ(model.cell(0, kListColumns), "");
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(1, 0), Qt::DecorationRole).isNull());

    model.set_cell(1, 3, "42");
    EXPECT_EQ(model.data(model.index(1, 3)).toString(), "42");

    // The view checks a row through setData.
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model.is_checked(1));
    EXPECT_FALSE(model.is_checked(0));
    EXPECT_FALSE(model.setData(model.index(1, 2), "text", Qt::EditRole));

    model.set_row_colour(0, 0x00112233);
    EXPECT_EQ(model.data(model.index(0, 4), Qt::ForegroundRole).value<QColor>(), QColor(0x33, 0x22, 0x11));
    EXPECT_TRUE(model.data(model.index(1, 4), Qt::ForegroundRole).isNull());

    model.remove_row(0);
    ASSERT_EQ(model.row_count(), 1);
    EXPECT_EQ(model.cell(0, 3), "42");
    EXPECT_TRUE(model.is_checked(0));
    model.remove_row(3);
    EXPECT_EQ(model.row_count(), 1);
    model.clear();
    EXPECT_EQ(model.row_count(), 0);
}

}  // namespace
}  // namespace detalehran
