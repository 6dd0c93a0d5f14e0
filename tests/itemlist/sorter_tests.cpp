// The column sorter on the main window's item list: header clicks, the arrow
// images, the column types, kept-hidden and width-locked columns, and the
// results of its operations.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/lifecycle.h"
#include "app/item_commands.h"
#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list_model.h"
#include "itemlist/sorter/column_sorter.h"
#include "support/scripted_services.h"

namespace detalehran {
namespace {

using sorter::arrow_image;
using testing::ScriptedServices;

constexpr int kName = 0;
constexpr int kDescription = 1;
constexpr int kQuantity = 3;
constexpr int kPrice = 4;
constexpr int kPurchasePrice = 5;
constexpr int kSupplier = 6;

// The arrows as drawn, '#' black and '.' white.
const char* const kUpArrow[12] = {"############", "#..........#", "#....##....#", "#...####...#",
                                  "#..######..#", "#.########.#", "#....##....#", "#....##....#",
                                  "#....##....#", "#....##....#", "#..........#", "############"};
const char* const kDownArrow[12] = {"############", "#..........#", "#....##....#", "#....##....#",
                                    "#....##....#", "#....##....#", "#.########.#", "#..######..#",
                                    "#...####...#", "#....##....#", "#..........#", "############"};

// An image in the same notation; anything neither black nor white is '?'.
QStringList picture(const QImage& image) {
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) | 0xFF000000u;
            row += pixel == qRgb(0, 0, 0) ? '#' : pixel == qRgb(255, 255, 255) ? '.' : '?';
        }
        rows << row;
    }
    return rows;
}

QStringList picture(const char* const (&rows)[12]) {
    QStringList result;
    for (const char* row : rows) result << QString::fromLatin1(row);
    return result;
}

class SorterTest : public ::testing::Test {
protected:
    SorterTest() {
        sorter::sorter_init(app_);
        app_.sorter->set_locale(QLocale(QLocale::Russian));
        window_ = build_main_window(app_);
        // Narrow columns so that every shown caption can be clicked.
        header()->resizeSection(kDescription, 40);
        header()->resizeSection(kName, 80);
        EXPECT_EQ(sorter::sorter_attach(app_, kItemList, 2), 1);
        sorter::configure_item_list_columns(app_);
    }
    ~SorterTest() override {
        sorter::sorter_shutdown(app_);
        delete app_.main_window;
    }

    ItemListModel& model() { return window_->list_model(); }
    QTreeView* list() { return window_->item_list(); }
    QHeaderView* header() { return list()->header(); }

    // Replaces the rows as a fill does: row i gets "r<i>" in column 10
    // (never sorted here) and the text in the column.
    void fill(int column, const QStringList& texts) {
        std::vector<ItemListModel::Row> rows(static_cast<std::size_t>(texts.size()));
        for (qsizetype i = 0; i < texts.size(); ++i) {
            rows[static_cast<std::size_t>(i)].cells[10] = QString("r%1").arg(i);
            rows[static_cast<std::size_t>(i)].cells[static_cast<std::size_t>(column)] = texts[i];
        }
        model().replace_rows(std::move(rows));
    }
    QStringList column_texts(int column) {
        QStringList texts;
        for (int row = 0; row < model().row_count(); ++row) texts << model().cell(row, column);
        return texts;
    }
    QStringList tags() { return column_texts(10); }

    // A mouse click in the middle of the column's caption.
    void click(int column) {
        const QPoint centre(header()->sectionViewportPosition(column) + header()->sectionSize(column) / 2,
                            header()->height() / 2);
        ASSERT_TRUE(header()->viewport()->rect().contains(centre)) << "column " << column << " is out of view";
        QTest::mouseClick(header()->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    }

    // The arrow a caption shows: +1 up, -1 down, 0 none, 9 some other image.
    int arrow(int column) {
        const QIcon icon = model().headerData(column, Qt::Horizontal, Qt::DecorationRole).value<QIcon>();
        if (icon.isNull()) return 0;
        const QStringList shown = picture(icon.pixmap(12, 12).toImage());
        if (shown == picture(kUpArrow)) return 1;
        if (shown == picture(kDownArrow)) return -1;
        return 9;
    }
    // Arrows of all eleven columns, for checking that only one is shown.
    std::vector<int> arrows() {
        std::vector<int> result;
        for (int column = 0; column < kListColumns; ++column) result.push_back(arrow(column));
        return result;
    }
    static std::vector<int> only(int column, int direction) {
        std::vector<int> result(kListColumns, 0);
        result[static_cast<std::size_t>(column)] = direction;
        return result;
    }

    QApplication& application_ = testing::test_application();  // before any widget
    ScriptedServices services_;
    App app_{services_};
    MainWindow* window_ = nullptr;
};

TEST(SorterArrows, ImagesAreTheFramedUpAndDownArrows) {
    testing::test_application();
    EXPECT_EQ(picture(arrow_image(1)), picture(kUpArrow));
    EXPECT_EQ(picture(arrow_image(-1)), picture(kDownArrow));
    EXPECT_EQ(arrow_image(1).size(), QSize(12, 12));
}

TEST_F(SorterTest, ClicksOnOneColumnAlternateAscendingAndDescending) {
    fill(kQuantity, {"10", "9", "100"});
    ASSERT_EQ(arrows(), only(kQuantity, 0));

    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"9", "10", "100"}));
    EXPECT_EQ(arrows(), only(kQuantity, 1));
    // The caption stays beside the arrow.
    EXPECT_EQ(model().headerData(kQuantity, Qt::Horizontal).toString(), "Количество");

    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"100", "10", "9"}));
    EXPECT_EQ(arrows(), only(kQuantity, -1));

    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"9", "10", "100"}));
    EXPECT_EQ(arrows(), only(kQuantity, 1));
}

TEST_F(SorterTest, AnotherColumnStartsAscendingAndTakesTheArrow) {
    std::vector<ItemListModel::Row> rows(3);
    const char* names[] = {"Бета", "Альфа", "Гамма"};
    const char* quantities[] = {"1", "3", "2"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].cells[kName] = QString::fromUtf8(names[i]);
        rows[i].cells[kQuantity] = quantities[i];
    }
    model().replace_rows(std::move(rows));

    click(kQuantity);
    click(kQuantity);  // descending now: 3, 2, 1
    ASSERT_EQ(arrows(), only(kQuantity, -1));
    click(kName);
    EXPECT_EQ(column_texts(kName), QStringList({"Альфа", "Бета", "Гамма"}));
    EXPECT_EQ(arrows(), only(kName, 1));
    EXPECT_EQ(model().headerData(kQuantity, Qt::Horizontal).toString(), "Количество");

    // Back on the first column the alternation starts over, ascending.
    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"1", "2", "3"}));
    EXPECT_EQ(arrows(), only(kQuantity, 1));
}

TEST_F(SorterTest, RefillRemovesTheArrowAndTheNextClickContinues) {
    fill(kQuantity, {"10", "9", "100"});
    click(kQuantity);
    ASSERT_EQ(arrows(), only(kQuantity, 1));

    fill(kQuantity, {"5", "7", "6"});
    EXPECT_EQ(arrows(), only(kQuantity, 0));
    EXPECT_EQ(column_texts(kQuantity), QStringList({"5", "7", "6"}));
    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"7", "6", "5"}));
    EXPECT_EQ(arrows(), only(kQuantity, -1));

    // Removing the last row one by one is the same as a refill.
    while (model().row_count() > 1) model().remove_row(0);
    EXPECT_EQ(arrows(), only(kQuantity, -1));
    model().remove_row(0);
    EXPECT_EQ(arrows(), only(kQuantity, 0));
    fill(kQuantity, {"5", "7", "6"});
    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"5", "6", "7"}));
    EXPECT_EQ(arrows(), only(kQuantity, 1));
}

TEST_F(SorterTest, ClicksOnAnEmptyListChangeNothing) {
    fill(kQuantity, {"2", "1"});
    click(kQuantity);
    model().clear();
    ASSERT_EQ(arrows(), only(kQuantity, 0));

    // A click elsewhere would have reset the direction and moved the arrow.
    click(kPrice);
    click(kQuantity);
    EXPECT_EQ(arrows(), only(kQuantity, 0));

    fill(kQuantity, {"1", "3", "2"});
    click(kQuantity);
    EXPECT_EQ(column_texts(kQuantity), QStringList({"3", "2", "1"}));
    EXPECT_EQ(arrows(), only(kQuantity, -1));
}

TEST_F(SorterTest, UnsortedColumnIgnoresClicks) {
    fill(kSupplier, {"в", "а", "б"});
    EXPECT_EQ(sorter::sorter_set_column_type(app_, kItemList, kSupplier, sorter::kUnsortedColumn), 1);
    click(kSupplier);
    EXPECT_EQ(column_texts(kSupplier), QStringList({"в", "а", "б"}));
    EXPECT_EQ(arrows(), only(kSupplier, 0));

    // Nor does it take the arrow from the sorted column, or reset its direction.
    click(kQuantity);
    click(kSupplier);
    EXPECT_EQ(arrows(), only(kQuantity, 1));
    click(kQuantity);
    EXPECT_EQ(arrows(), only(kQuantity, -1));

    // A new type replaces the old one.
    EXPECT_EQ(sorter::sorter_set_column_type(app_, kItemList, kSupplier, sorter::kTextColumn), 1);
    click(kSupplier);
    EXPECT_EQ(column_texts(kSupplier), QStringList({"а", "б", "в"}));
}

TEST_F(SorterTest, NumberColumnsSortByValue) {
    fill(kQuantity, {"10", "9", "100", "  -4", "", "x"});
    click(kQuantity);
    // No digits reads as 0; equal values keep their order.
    EXPECT_EQ(column_texts(kQuantity), QStringList({"  -4", "", "x", "9", "10", "100"}));

    for (const int column : {kPrice, kPurchasePrice}) {
        SCOPED_TRACE(column);
        fill(column, {"12.50", "12.90", ".50", "12.10", "2.00"});
        click(column);
        EXPECT_EQ(column_texts(column), QStringList({".50", "2.00", "12.10", "12.50", "12.90"}));
        click(column);
        EXPECT_EQ(column_texts(column), QStringList({"12.90", "12.50", "12.10", "2.00", ".50"}));
    }
    // Apart only in double precision.
    fill(kPrice, {"16777216.40", "16777216.10"});
    click(kPrice);
    EXPECT_EQ(column_texts(kPrice), QStringList({"16777216.10", "16777216.40"}));
}

TEST_F(SorterTest, ItemListColumnsGetTheirTypes) {
    // Text, integer and decimal readings put these in three different orders.
    const QStringList texts = {"10", "9", "1.5", "1.2"};
    const QStringList as_text = {"1.2", "1.5", "10", "9"};
    const QStringList as_integer = {"1.5", "1.2", "9", "10"};
    const QStringList as_decimal = {"1.2", "1.5", "9", "10"};
    const QStringList expected[kListColumns] = {as_text, as_text, as_text, as_integer, as_decimal, as_decimal,
                                                as_text, as_text, as_text, as_integer, as_text};
    for (int column = 0; column < kListColumns; ++column) {
        SCOPED_TRACE(column);
        fill(column, texts);
        // Hidden columns cannot be clicked with the mouse; their header still reports clicks.
        emit header()->sectionClicked(column);
        EXPECT_EQ(column_texts(column), expected[column]);
    }
}

TEST_F(SorterTest, NamesSortCaseInsensitivelyInTheLocalesOrder) {
    fill(kName, {"Яблоко", "apple", "ёж", "Банан", "яблоко", "Apple", "еж", "арбуз"});
    click(kName);
    const QStringList sorted = column_texts(kName);
    const auto at = [&](const char* name) { return sorted.indexOf(QString::fromUtf8(name)); };
    EXPECT_LT(at("арбуз"), at("Банан"));
    EXPECT_LT(at("Банан"), at("еж"));
    EXPECT_LT(at("Банан"), at("ёж"));
    EXPECT_EQ(std::abs(at("ёж") - at("еж")), 1);
    EXPECT_LT(at("еж"), at("яблоко"));
    // Equal apart from case: side by side, in the order they were filled.
    EXPECT_EQ(at("яблоко"), at("Яблоко") + 1);
    EXPECT_EQ(at("Apple"), at("apple") + 1);

    // Descending, equal names still keep the fill order.
    click(kName);
    const QStringList reversed = column_texts(kName);
    EXPECT_EQ(reversed.indexOf("яблоко"), reversed.indexOf("Яблоко") + 1);
    EXPECT_LT(reversed.indexOf("Яблоко"), reversed.indexOf("арбуз"));
}

TEST(SorterRowOrder, TextsFoldCaseEvenWhereTheCollatorWouldNot) {
    testing::test_application();
    ItemListModel model;
    for (const char* name : {"Яблоко", "ящик", "яблоко", "Apple", "apple"}) model.append_row({QString::fromUtf8(name)});
    QCollator strict{QLocale(QLocale::Russian)};
    strict.setCaseSensitivity(Qt::CaseSensitive);
    model.sort_rows(sorter::row_order(sorter::sort_column(model, 0), sorter::kTextColumn, 1, strict));
    QStringList sorted;
    for (int row = 0; row < model.row_count(); ++row) sorted << model.cell(row, 0);
    EXPECT_EQ(sorted, QStringList({"Яблоко", "яблоко", "ящик", "Apple", "apple"}));
}

// Ordered by value, names compare their first values by amount within equal
// text before them, then the rest as text; the names came shuffled.
TEST(SorterRowOrder, NamesOrderedByValueCompareTheAmounts) {
    testing::test_application();
    const QStringList ordered = {
        "Резистор",
        "Резистор 0 Ом 0805",
        "Резистор 100 Ом 0805",
        "Резистор 470 Ом 0,25 Вт",
        "Резистор 1 кОм 0603",
        "Резистор 1k 0805",
        "Резистор 2,2 кОм 0805",
        "Резистор 4k7 0805",
        "Резистор 4,7 кОм 1206",
        "Резистор 10 кОм 0805",
        "Резистор 100 кОм 0805",
        "Резистор 1 МОм 0805",
        "Резистор SMD 2,2 кОм",
        "Резистор SMD 10 кОм",
    };
    ItemListModel model;
    for (int i : {9, 3, 12, 0, 7, 11, 1, 5, 13, 2, 10, 4, 8, 6}) model.append_row({ordered[i]});
    const QCollator collator = sorter::text_collator(QLocale(QLocale::Russian));
    auto sorted = [&](int direction) {
        model.sort_rows(sorter::row_order(sorter::sort_column(model, 0), sorter::kValueTextColumn, direction, collator));
        QStringList names;
        for (int row = 0; row < model.row_count(); ++row) names << model.cell(row, 0);
        return names;
    };
    EXPECT_EQ(sorted(1), ordered);
    QStringList reversed = ordered;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(sorted(-1), reversed);
    // As plain text the same names keep the old order: 10 before 2,2.
    model.sort_rows(sorter::row_order(sorter::sort_column(model, 0), sorter::kTextColumn, 1, collator));
    QStringList as_text;
    for (int row = 0; row < model.row_count(); ++row) as_text << model.cell(row, 0);
    EXPECT_LT(as_text.indexOf(QString::fromUtf8("Резистор 10 кОм 0805")),
              as_text.indexOf(QString::fromUtf8("Резистор 2,2 кОм 0805")));
}

TEST_F(SorterTest, WholeTextsAreCompared) {
    const QString common(300, QChar(u'ж'));
    fill(kName, {common + "б", common + "а", common, common + "в"});
    click(kName);
    EXPECT_EQ(column_texts(kName), QStringList({common, common + "а", common + "б", common + "в"}));
}

TEST_F(SorterTest, SelectionCurrentRowAndColoursTravelWithTheirRows) {
    fill(kQuantity, {"3", "1", "2"});
    model().set_row_colour(0, 0x0000FF);
    model().set_checked(0, true);
    window_->select_row(0);  // "3"
    ASSERT_EQ(list()->currentIndex().row(), 0);

    click(kQuantity);
    ASSERT_EQ(column_texts(kQuantity), QStringList({"1", "2", "3"}));
    EXPECT_EQ(window_->selected_row(), 2);
    EXPECT_EQ(list()->currentIndex().row(), 2);
    EXPECT_EQ(model().row_colour(2), 0x0000FF);
    EXPECT_EQ(model().row_colour(0), -1);
    EXPECT_TRUE(model().is_checked(2));
    EXPECT_FALSE(model().is_checked(0));
}

TEST_F(SorterTest, SortingDoesNotScrollTheList) {
    QStringList quantities;
    for (int i = 0; i < 500; ++i) quantities << QString::number((i * 7919) % 500);
    fill(kQuantity, quantities);
    QApplication::processEvents();  // the view lays its rows out later
    list()->verticalScrollBar()->setValue(120);
    const int scrolled = list()->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    click(kQuantity);
    QApplication::processEvents();
    EXPECT_EQ(list()->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(model().cell(0, kQuantity), "0");
    EXPECT_EQ(model().cell(499, kQuantity), "499");
    EXPECT_TRUE(list()->updatesEnabled());
}

TEST_F(SorterTest, KeptHiddenColumnsStayAtWidthZero) {
    for (const int column : {2, 7, 9, 10}) {
        SCOPED_TRACE(column);
        EXPECT_EQ(header()->sectionSize(column), 0);
        header()->resizeSection(column, 80);
        EXPECT_EQ(header()->sectionSize(column), 0);
    }
    // Shown columns still resize, and the flag hides a column at once.
    header()->resizeSection(kSupplier, 80);
    EXPECT_EQ(header()->sectionSize(kSupplier), 80);
    EXPECT_EQ(sorter::sorter_set_column_flags(app_, kItemList, kSupplier, sorter::kKeptHidden), 1);
    EXPECT_EQ(header()->sectionSize(kSupplier), 0);
    header()->resizeSection(kSupplier, 120);
    EXPECT_EQ(header()->sectionSize(kSupplier), 0);
    // Together with the lock it hides at once as well.
    EXPECT_EQ(sorter::sorter_set_column_flags(app_, kItemList, kName, sorter::kWidthLocked | sorter::kKeptHidden), 1);
    EXPECT_EQ(header()->sectionSize(kName), 0);
    EXPECT_EQ(header()->sectionResizeMode(kName), QHeaderView::Fixed);
}

TEST_F(SorterTest, WidthLockedColumnCannotBeDragged) {
    // Drags the right divider of a column 30 pixels to the right.
    const auto drag_divider = [&](int column) {
        QWidget* viewport = header()->viewport();
        const int y = header()->height() / 2;
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        for (int step = 1; step <= 3; ++step) QTest::mouseMove(viewport, QPoint(x + 10 * step, y));
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(x + 30, y));
        return header()->sectionSize(column);
    };
    const int name_width = header()->sectionSize(kName);
    ASSERT_EQ(drag_divider(kName), name_width + 30);  // the drag itself works

    EXPECT_EQ(sorter::sorter_set_column_flags(app_, kItemList, kName, sorter::kWidthLocked), 1);
    EXPECT_EQ(header()->sectionResizeMode(kName), QHeaderView::Fixed);
    EXPECT_EQ(drag_divider(kName), name_width + 30);
    // Flags are OR-ed in: hiding keeps the lock.
    EXPECT_EQ(sorter::sorter_set_column_flags(app_, kItemList, kName, sorter::kKeptHidden), 1);
    EXPECT_EQ(header()->sectionResizeMode(kName), QHeaderView::Fixed);
    EXPECT_EQ(header()->sectionSize(kName), 0);
}

TEST_F(SorterTest, OperationsReportNoControlBadColumnAndNotAttached) {
    using sorter::sorter_set_column_flags;
    using sorter::sorter_set_column_type;
    EXPECT_EQ(sorter::sorter_attach(app_, 999, 2), 2);
    EXPECT_EQ(sorter::sorter_attach(app_, kSearchField, 2), 2);  // a control, but not a list
    EXPECT_EQ(sorter_set_column_flags(app_, 999, 0, 1), 2);
    EXPECT_EQ(sorter_set_column_type(app_, 999, 0, 2), 2);
    for (const int column : {-1, 256}) {
        EXPECT_EQ(sorter_set_column_flags(app_, kItemList, column, 1), 3);
        EXPECT_EQ(sorter_set_column_type(app_, kItemList, column, 2), 3);
    }
    EXPECT_EQ(sorter_set_column_type(app_, kItemList, 255, 2), 1);
    EXPECT_EQ(sorter_set_column_flags(app_, kItemList, 255, 3), 1);
    // The path tree exists but was never attached.
    EXPECT_EQ(sorter_set_column_type(app_, kPathTree, 0, 2), 4);
    EXPECT_EQ(sorter_set_column_flags(app_, kPathTree, 0, 1), 4);
}

TEST(SorterWithoutList, NothingToAttachBeforeTheWindowOrAfterShutdown) {
    testing::test_application();
    ScriptedServices services;
    App app(services);
    sorter::sorter_init(app);
    EXPECT_EQ(sorter::sorter_attach(app, kItemList, 2), 2);
    MainWindow* window = build_main_window(app);
    EXPECT_EQ(sorter::sorter_set_column_type(app, kItemList, 3, 2), 4);
    EXPECT_EQ(sorter::sorter_attach(app, kItemList, 2), 1);
    EXPECT_EQ(sorter::sorter_set_column_type(app, kItemList, 3, 2), 1);

    // Shutdown takes the arrow away and leaves the list unsorted by clicks.
    window->list_model().append_row({"б", "", "", "2"});
    window->list_model().append_row({"а", "", "", "1"});
    emit window->item_list()->header()->sectionClicked(3);
    ASSERT_EQ(window->list_model().cell(0, 3), "1");
    sorter::sorter_shutdown(app);
    EXPECT_EQ(app.sorter, nullptr);
    EXPECT_TRUE(window->list_model().headerData(3, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().isNull());
    emit window->item_list()->header()->sectionClicked(0);
    EXPECT_EQ(window->list_model().cell(0, 0), "а");
    EXPECT_EQ(sorter::sorter_set_column_type(app, kItemList, 3, 2), 4);
    delete window;
}

TEST(SorterReadings, DecimalTexts) {
    using sorter::decimal_value;
    EXPECT_DOUBLE_EQ(decimal_value("12.10"), 12.10);
    EXPECT_DOUBLE_EQ(decimal_value(".50"), 0.5);
    EXPECT_DOUBLE_EQ(decimal_value(" \t-3.5e2 руб"), -350.0);
    EXPECT_DOUBLE_EQ(decimal_value("+7E-1"), 0.7);
    EXPECT_DOUBLE_EQ(decimal_value("12e"), 12.0);
    EXPECT_DOUBLE_EQ(decimal_value("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(decimal_value("abc"), 0.0);
    EXPECT_DOUBLE_EQ(decimal_value("-"), 0.0);
    EXPECT_DOUBLE_EQ(decimal_value("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(decimal_value("+INFINITY"), std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(decimal_value("-infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(decimal_value("nan")));
    // Single precision would make these equal.
    EXPECT_LT(decimal_value("16777216.1"), decimal_value("16777216.4"));
}

TEST(SorterReadings, IntegerTextsKeepTheirLow32Bits) {
    using sorter::integer_key;
    EXPECT_EQ(integer_key("  -42abc"), -42);
    EXPECT_EQ(integer_key("$ff"), 255);
    EXPECT_EQ(integer_key("%101"), 5);
    EXPECT_EQ(integer_key("4294967297"), 1);
    EXPECT_EQ(integer_key("2147483648"), -2147483647 - 1);
    EXPECT_EQ(integer_key("шт"), 0);
}

TEST_F(SorterTest, NotANumberSortsFirstInAConsistentOrder) {
    QStringList prices;
    for (int i = 0; i < 40; ++i) prices << (i % 3 == 0 ? "NaN" : QString::number(40 - i));
    fill(kPrice, prices);
    click(kPrice);
    const QStringList sorted = column_texts(kPrice);
    EXPECT_EQ(sorted.mid(0, 14), QStringList(14, "NaN"));
    for (int i = 15; i < sorted.size(); ++i) EXPECT_LT(sorted[i - 1].toInt(), sorted[i].toInt());
}

}  // namespace
}  // namespace detalehran
