// The table settings dialog, driven like a user: through the menu, its
// controls and its close box, with events going the program's way.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "app/item_commands.h"
#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "itemlist/sorter/column_sorter.h"
#include "itemlist/table_settings_dialog.h"
#include "support/dialog_fixture.h"
#include "support/scripted_services.h"

// Readable rectangles in failure messages.
static void PrintTo(const QRect& r, std::ostream* out) {
    *out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
static void PrintTo(const QSize& s, std::ostream* out) { *out << s.width() << "x" << s.height(); }

namespace detalehran {
namespace {

using itemlist::TableSettingsDialog;
using testing::ServiceKind;

constexpr int kRed = 0x0000FF;
constexpr int kGreen = 0x00FF00;
constexpr int kMarker = 0x123456;  // a colour nothing in the program gives

class TableSettings : public testing::DialogTest<TableSettingsDialog> {
protected:
    TableSettingsDialog* open() { return open_by_menu(kMenuTableSettings); }
    QCheckBox* box(int number) { return qobject_cast<QCheckBox*>(control(number)); }
    QLineEdit* field() { return qobject_cast<QLineEdit*>(control(kSettingsMinimumField)); }
    void type_minimum(const QString& text) {
        field()->selectAll();
        QTest::keyClicks(field(), text);
    }
    // One row per quantity, each in the marker colour.
    void add_rows(const QStringList& quantities) {
        for (const QString& quantity : quantities) {
            QStringList cells(kListColumns);
            cells[3] = quantity;
            window_->list_model().append_row(cells);
            window_->list_model().set_row_colour(window_->list_model().row_count() - 1, kMarker);
        }
    }
    std::vector<int> colours() const {
        std::vector<int> result;
        for (int row = 0; row < window_->list_model().row_count(); ++row) {
            result.push_back(window_->list_model().row_colour(row));
        }
        return result;
    }
    bool list_focused() const { return window_->focusWidget() == window_->item_list(); }
};

struct Designed {
    int number;
    const char* kind;
    const char* caption;
    QRect place;
};
const Designed kDesigned[] = {
    {82, "QPushButton", "ОК", {389, 203, 50, 20}},
    {83, "QPushButton", "Отмена", {443, 203, 50, 20}},
    {84, "QTabWidget", "", {0, 0, 495, 200}},
    {86, "QCheckBox", "Тип корпуса", {6, 25, 84, 15}},
    {87, "QCheckBox", "Описание", {94, 25, 70, 15}},
    {88, "QCheckBox", "Количество", {168, 25, 79, 15}},
    {89, "QCheckBox", "Цена", {252, 25, 46, 15}},
    {90, "QCheckBox", "Цена приходная", {302, 25, 103, 15}},
    {91, "QCheckBox", "Поставщик", {408, 25, 77, 15}},
    {92, "QLabel", "Выделять цветом детали, колличество которых меньше ", {5, 90, 278, 15}},
    {93, "QLineEdit", "5", {285, 85, 25, 20}},
    {94, "QGroupBox", "Настройка отображения столбцов", {0, 0, 490, 50}},
    {95, "QGroupBox", "Настройка выделения", {0, 50, 490, 85}},
    {96, "QPushButton", "Выбрать цвет", {5, 110, 77, 19}},
    {97, "QCheckBox", "Включить выделение цветом", {5, 70, 168, 15}},
    {98, "QCheckBox", "Сортировать названия по номиналу: 1 кОм < 2,2 кОм < 10 кОм", {5, 151, 330, 15}},
    {99, "QGroupBox", "Порядок строк", {0, 135, 490, 35}},
};

QString caption_of(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return QString();
}

// Width the style leaves a control for its caption.
int caption_room(const QWidget* w) {
    QStyleOptionButton option;
    option.initFrom(w);
    if (qobject_cast<const QPushButton*>(w) != nullptr) {
        return w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w).width();
    }
    if (qobject_cast<const QCheckBox*>(w) != nullptr) {
        return w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w).width();
    }
    return w->width();
}

TEST_F(TableSettings, WithTheFontItWasDrawnForEveryControlHasItsDesignedPlace) {
    const QFont usual = QApplication::font();
    QFont narrow = usual;
    narrow.setPixelSize(7);
    QApplication::setFont(narrow);
    TableSettingsDialog* opened = open();
    QApplication::setFont(usual);
    ASSERT_NE(opened, nullptr);

    EXPECT_EQ(opened->windowTitle(), "Настройка отображения таблицы");
    EXPECT_EQ(opened->property("window").toInt(), kTableSettingsWindow);
    EXPECT_EQ(opened->size(), QSize(494, 226));
    EXPECT_EQ(opened->minimumSize(), opened->maximumSize());
    EXPECT_EQ(opened->parentWidget(), window_);
    EXPECT_TRUE(opened->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(opened->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    const QPoint offset = opened->frameGeometry().center() - window_->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);

    auto* panel = qobject_cast<QTabWidget*>(control(kSettingsPanel));
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->count(), 1);
    EXPECT_EQ(panel->tabText(0), "Tab #1");
    for (const Designed& designed : kDesigned) {
        SCOPED_TRACE(designed.number);
        QWidget* widget = opened->findChild<QWidget*>(QStringLiteral("control_%1").arg(designed.number));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->property("control").toInt(), designed.number);
        EXPECT_STREQ(widget->metaObject()->className(), designed.kind);
        EXPECT_EQ(caption_of(widget), QString::fromUtf8(designed.caption));
        EXPECT_EQ(widget->geometry(), designed.place);
        EXPECT_EQ(widget->parentWidget(), designed.number >= 86 ? panel->widget(0) : opened);
    }
}

TEST_F(TableSettings, WithQtsUsualFontNoCaptionIsCutAndNothingOverlaps) {
    ASSERT_NE(open(), nullptr);
    std::vector<const QWidget*> placed;
    for (const Designed& designed : kDesigned) {
        SCOPED_TRACE(designed.number);
        const QWidget* widget = control(designed.number);
        EXPECT_EQ(widget->y(), designed.place.y());
        EXPECT_GE(widget->x(), designed.place.x());
        EXPECT_GE(caption_room(widget), widget->fontMetrics().horizontalAdvance(caption_of(widget)));
        if (designed.number == kSettingsPanel) continue;
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << ::testing::PrintToString(widget->geometry());
        if (qobject_cast<const QGroupBox*>(widget) == nullptr) placed.push_back(widget);
    }
    for (const QWidget* a : placed) {
        for (const QWidget* b : placed) {
            EXPECT_TRUE(a == b || a->parentWidget() != b->parentWidget() || !a->geometry().intersects(b->geometry()))
                << a->objectName().toStdString() << " " << b->objectName().toStdString();
        }
    }
    for (int number : {86, 91, 97, 92, 93, 96, 98}) {
        const int frame = number <= 91 ? 94 : (number == 98 ? 99 : 95);
        EXPECT_TRUE(control(frame)->geometry().contains(control(number)->geometry())) << number;
    }
    EXPECT_GT(control(kSettingsOk)->y(), control(kSettingsPanel)->geometry().bottom());
}

// The order by value is the dialog's choice, applied by "ОК" only: a list
// sorted by name is sorted again the new way, the arrow where it was.
TEST_F(TableSettings, OrderByValueIsChosenHereAndSortsTheNamesAgain) {
    sorter::sorter_init(app_);
    app_.sorter->set_locale(QLocale(QLocale::Russian));
    ASSERT_EQ(sorter::sorter_attach(app_, kItemList, 2), 1);
    sorter::configure_item_list_columns(app_);
    for (const char* name : {"Резистор 10 кОм", "Резистор 2,2 кОм", "Резистор 1 кОм"}) {
        window_->list_model().append_row({QString::fromUtf8(name)});
    }
    auto names = [this] {
        QStringList out;
        for (int row = 0; row < window_->list_model().row_count(); ++row) out << window_->list_model().cell(row, 0);
        return out;
    };
    emit window_->item_list()->header()->sectionClicked(0);
    const QStringList as_text = {"Резистор 1 кОм", "Резистор 10 кОм", "Резистор 2,2 кОм"};
    EXPECT_EQ(names(), as_text);

    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(box(kSettingsValueOrderBox)->isChecked());
    click(kSettingsValueOrderBox);
    click(kSettingsCancel);
    EXPECT_FALSE(app_.order_by_value);
    EXPECT_EQ(names(), as_text);

    ASSERT_NE(open(), nullptr);
    click(kSettingsValueOrderBox);
    click(kSettingsOk);
    EXPECT_TRUE(app_.order_by_value);
    EXPECT_EQ(names(), QStringList({"Резистор 1 кОм", "Резистор 2,2 кОм", "Резистор 10 кОм"}));
    EXPECT_EQ(app_.sorter->shown_sort(kItemList), std::make_optional(std::pair{0, 1}));
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(box(kSettingsValueOrderBox)->isChecked());
    click(kSettingsOk);
    sorter::sorter_shutdown(app_);
}

TEST_F(TableSettings, OpeningCopiesTheSettingsAndTheHighlightBoxOnlySwitchesItsControls) {
    app_.column_table.shown[static_cast<std::size_t>(app_.column_table.position_of(1))] = 0;
    app_.highlight = {.on = 0, .on_saved = 1, .minimum = "12", .minimum_saved = "", .colour = kGreen};
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(window_->isEnabled());
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_TRUE(dialog()->isEnabled());
    for (const itemlist::ColumnBox& column : itemlist::kColumnBoxes) {
        EXPECT_EQ(box(column.control)->isChecked(), column.column != 1) << column.control;
    }
    EXPECT_FALSE(box(kSettingsHighlightBox)->isChecked());
    EXPECT_EQ(field()->text(), "12");
    EXPECT_EQ(app_.highlight.on_saved, 0);
    EXPECT_EQ(app_.highlight.minimum_saved, "12");
    EXPECT_EQ(app_.highlight.colour_saved, kGreen);
    const int switched[] = {kSettingsColourButton, kSettingsMinimumField, 92};
    for (int number : switched) EXPECT_FALSE(control(number)->isEnabled()) << number;

    click(kSettingsHighlightBox);
    for (int number : switched) EXPECT_TRUE(control(number)->isEnabled()) << number;
    EXPECT_EQ(app_.highlight.on, 0);  // nothing is applied before OK
    click(kSettingsHighlightBox);
    for (int number : switched) EXPECT_FALSE(control(number)->isEnabled()) << number;
    click(kSettingsCancel);

    app_.highlight.on = 1;
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(box(kSettingsHighlightBox)->isChecked());
    for (int number : switched) EXPECT_TRUE(control(number)->isEnabled()) << number;
    EXPECT_EQ(app_.highlight.on_saved, 1);
}

TEST_F(TableSettings, MinimumFieldTakesTypedAndPastedDigitsOnly) {
    app_.highlight.on = 1;
    app_.highlight.minimum = "-3";  // the program's own text goes in untouched
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(field()->text(), "-3");
    EXPECT_EQ(app_.highlight.minimum_saved, "-3");
    type_minimum("1x2");
    EXPECT_EQ(field()->text(), "12");
    field()->selectAll();
    QTest::keyClicks(field(), "z");  // refused whole: the selection stays
    EXPECT_EQ(field()->text(), "12");
    field()->end(false);
    QApplication::clipboard()->setText("a3-4b");
    field()->paste();
    EXPECT_EQ(field()->text(), "1234");
    EXPECT_EQ(field()->cursorPosition(), 4);
}

TEST_F(TableSettings, ConfirmingRecoloursOnlyWhenTheHighlightChanged) {
    add_rows({"3", "5", "12", "0", "-2", " 4 шт"});
    app_.highlight.colour = kRed;
    const ColumnTable columns = app_.column_table;
    ASSERT_NE(open(), nullptr);
    click(kSettingsOk);
    EXPECT_EQ(colours(), std::vector<int>(6, kMarker));
    EXPECT_EQ(app_.column_table.order, columns.order);
    EXPECT_EQ(app_.column_table.shown, columns.shown);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_TRUE(list_focused());

    // Switched on with the minimum 5.
    ASSERT_NE(open(), nullptr);
    click(kSettingsHighlightBox);
    click(kSettingsOk);
    EXPECT_EQ(app_.highlight.on, 1);
    EXPECT_EQ(colours(), (std::vector<int>{kRed, -1, -1, kRed, kRed, kRed}));

    // Only the minimum changed.
    ASSERT_NE(open(), nullptr);
    type_minimum("10");
    click(kSettingsOk);
    EXPECT_EQ(app_.highlight.minimum, "10");
    EXPECT_EQ(app_.highlight.minimum_saved, "10");
    EXPECT_EQ(colours(), (std::vector<int>{kRed, kRed, -1, kRed, kRed, kRed}));

    // Switched off, with a new minimum as well.
    ASSERT_NE(open(), nullptr);
    type_minimum("100");
    click(kSettingsHighlightBox);
    click(kSettingsOk);
    EXPECT_EQ(app_.highlight.on, 0);
    EXPECT_EQ(colours(), std::vector<int>(6, -1));
}

TEST_F(TableSettings, HiddenQuantityColumnStillDrivesTheHighlight) {
    add_rows({"1", "9"});
    ASSERT_NE(open(), nullptr);
    click(88);
    click(kSettingsHighlightBox);
    click(kSettingsOk);
    EXPECT_EQ(itemlist::column_shown(app_, 3), 0);
    EXPECT_EQ(window_->item_list()->header()->sectionSize(3), 0);
    EXPECT_EQ(colours(), (std::vector<int>{app_.highlight.colour, -1}));
}

TEST_F(TableSettings, DescriptionColumnIsHiddenAndShownAgain) {
    ASSERT_NE(open(), nullptr);
    click(87);
    click(kSettingsOk);
    EXPECT_EQ(itemlist::column_shown(app_, 1), 0);
    EXPECT_EQ(window_->item_list()->header()->sectionSize(1), 0);

    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(box(87)->isChecked());
    click(87);
    click(kSettingsOk);
    EXPECT_EQ(itemlist::column_shown(app_, 1), 1);
    EXPECT_GT(window_->item_list()->header()->sectionSize(1), 0);
}

TEST_F(TableSettings, ChosenColourIsUndoneByCancelButKeptByTheCloseBox) {
    add_rows({"1"});
    app_.highlight.on = 1;
    services_.colour_answers = {kGreen, kGreen};
    ASSERT_NE(open(), nullptr);
    click(kSettingsColourButton);
    EXPECT_EQ(app_.highlight.colour, kGreen);
    ASSERT_EQ(services_.count(ServiceKind::choose_colour), 1);
    EXPECT_EQ(services_.last(ServiceKind::choose_colour)->colour, kRed);
    EXPECT_EQ(services_.last(ServiceKind::choose_colour)->parent, dialog());
    EXPECT_EQ(colours(), std::vector<int>{kMarker});  // not until OK
    click(kSettingsCancel);
    EXPECT_EQ(app_.highlight.colour, kRed);
    EXPECT_EQ(app_.highlight.on, 1);
    EXPECT_TRUE(window_->isEnabled());

    ASSERT_NE(open(), nullptr);
    click(kSettingsColourButton);
    click(87);
    click(kSettingsHighlightBox);
    type_minimum("7");
    press_close_box();
    EXPECT_TRUE(dialog()->isVisible());  // the loop closes it, not Qt
    settle();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_FALSE(list_focused());
    EXPECT_EQ(app_.highlight.colour, kGreen);
    EXPECT_EQ(app_.highlight.on, 1);
    EXPECT_EQ(app_.highlight.minimum, "5");
    EXPECT_EQ(itemlist::column_shown(app_, 1), 1);
    EXPECT_EQ(colours(), std::vector<int>{kMarker});
}

TEST_F(TableSettings, CancelledColourChooserLeavesTheDefaultColour) {
    add_rows({"1", "8"});
    app_.highlight.on = 1;
    ASSERT_NE(open(), nullptr);
    click(kSettingsColourButton);  // no answer queued: cancelled
    EXPECT_EQ(app_.highlight.colour, -1);
    click(kSettingsOk);
    EXPECT_EQ(colours(), (std::vector<int>{-1, -1}));

    // The default colour is offered as black.
    ASSERT_NE(open(), nullptr);
    click(kSettingsColourButton);
    EXPECT_EQ(services_.last(ServiceKind::choose_colour)->colour, 0);
}

TEST_F(TableSettings, EveryWayOfClosingGivesTheMainWindowBack) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        ASSERT_NE(open(), nullptr);
        EXPECT_FALSE(window_->isEnabled());
        QPointer<TableSettingsDialog> closing = dialog();
        if (way == 2) {
            press_close_box();
            settle();
        } else {
            click(way == 0 ? kSettingsOk : kSettingsCancel);
        }
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_EQ(dialog(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(closing.isNull());  // the next opening builds a new one
    }
}

}  // namespace
}  // namespace detalehran
