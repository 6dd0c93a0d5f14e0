// A long list shows its first rows at once and reads the rest while the
// program waits: whatever the user does meanwhile sees every row, in the
// order a whole read gives them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "app/lifecycle.h"
#include "db/statements.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "state/app.h"
#include "store_writer.h"
#include "support/scripted_services.h"
#include "support/statement_trace.h"
#include "support/test_environment.h"
#include "trees/tree_commands.h"
#include "trees/tree_view.h"

using namespace detalehran;
using detalehran::testing::ScriptedServices;
using detalehran::testing::TestFolder;

namespace {

// More than the rows a list shows at once, so that the rest comes later.
constexpr std::size_t kParts = 30000;
constexpr std::size_t kRowsAtOnce = 20000;

class BackgroundFill : public ::testing::Test {
protected:
    BackgroundFill() : app_(services_) {
        detalehran::testing::test_application();
        std::string error;
        dbtool::CreateReport report;
        EXPECT_TRUE(dbtool::create_database({folder_.path(), dbtool::Content::generated, kParts}, &report, &error))
            << error;
        parts_ = static_cast<int>(report.parts);
    }
    ~BackgroundFill() override {
        app_.database.close_store();
        delete app_.main_window;
    }

public:
    ItemListModel& model() { return app_.main_window->list_model(); }
    QTreeView* list() { return app_.main_window->item_list(); }
    QStringList column(int c) {
        QStringList out;
        for (int r = 0; r < model().row_count(); ++r) out << model().cell(r, c);
        return out;
    }
    // Start-up, then the whole store shown again the way a store too long to
    // show at once is: its first rows, the rest still coming.
    void start_up_with_rest_coming() {
        start_up(app_);
        model().set_rows_at_once(kRowsAtOnce);
        itemlist::show_item_list(app_, db::kSelectAllItems);
    }
    // The event loop turns until the rest is in; a fill that never ends
    // fails instead of hanging.
    bool wait_for_every_row() {
        for (int turn = 0; turn < 100000 && model().rows_pending(); ++turn) QCoreApplication::processEvents();
        return !model().rows_pending();
    }

protected:
    TestFolder folder_;
    ScriptedServices services_;
    App app_;
    int parts_ = 0;
};

TEST_F(BackgroundFill, TheFirstRowsShowAtOnceAndTheRestFollowInTheOrderOfAWholeRead) {
    start_up(app_);
    model().set_rows_at_once(kRowsAtOnce);
    itemlist::show_item_list(app_, db::kSelectAllItems);
    ASSERT_TRUE(model().rows_pending());
    EXPECT_GT(model().row_count(), 0);
    EXPECT_LT(model().row_count(), parts_);
    ASSERT_TRUE(wait_for_every_row());
    ASSERT_EQ(model().row_count(), parts_);
    const QStringList ids = column(db::kId);
    ASSERT_TRUE(itemlist::fill_item_list(app_, db::kSelectAllItems));
    EXPECT_EQ(ids, column(db::kId));
    EXPECT_TRUE(services_.calls.empty()) << "nothing was reported";
}

// What the user may do while the rest is still coming; each must find
// every row.
struct Action {
    const char* name;
    std::function<void(BackgroundFill&, App&, QTreeView*)> run;
};

void PrintTo(const Action& action, std::ostream* out) { *out << action.name; }

class DuringTheFill : public BackgroundFill, public ::testing::WithParamInterface<Action> {};

TEST_P(DuringTheFill, SeesEveryRow) {
    start_up(app_);
    model().set_rows_at_once(kRowsAtOnce);
    itemlist::show_item_list(app_, db::kSelectAllItems);
    ASSERT_TRUE(model().rows_pending());
    GetParam().run(*this, app_, list());
    EXPECT_FALSE(model().rows_pending());
    EXPECT_EQ(model().row_count(), parts_);
}

INSTANTIATE_TEST_SUITE_P(Actions, DuringTheFill,
                         ::testing::Values(Action{"AnotherStatement",
                                                  [](BackgroundFill&, App& app, QTreeView*) {
                                                      // The statement runs after the rest was read, and answers.
                                                      ASSERT_TRUE(app.database.db_query(db::select_item("1")));
                                                      EXPECT_TRUE(app.database.db_first_row());
                                                      app.database.db_finish();
                                                  }},
                                           Action{"EndKey",
                                                  [](BackgroundFill& test, App&, QTreeView* list) {
                                                      list->setFocus();
                                                      list->setCurrentIndex(test.model().index(0, 0));
                                                      QTest::keyClick(list, Qt::Key_End);
                                                      EXPECT_EQ(list->currentIndex().row(),
                                                                test.model().row_count() - 1);
                                                  }},
                                           Action{"SortByHeaderClick",
                                                  [](BackgroundFill& test, App&, QTreeView* list) {
                                                      QHeaderView* header = list->header();
                                                      const int x = header->sectionViewportPosition(db::kQuantity) + 5;
                                                      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                                                        QPoint(x, header->height() / 2));
                                                      const QStringList quantities = test.column(db::kQuantity);
                                                      for (int r = 1; r < quantities.size(); ++r) {
                                                          ASSERT_LE(quantities[r - 1].toInt(), quantities[r].toInt())
                                                              << r;
                                                      }
                                                  }},
                                           Action{"CheckBoxClick",
                                                  [](BackgroundFill& test, App&, QTreeView* list) {
                                                      const QRect box = list->visualRect(test.model().index(0, 0));
                                                      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                                                        box.center());
                                                  }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackgroundFill, TheLowStockHighlightReachesTheRowsReadLater) {
    start_up(app_);
    model().set_rows_at_once(kRowsAtOnce);
    itemlist::show_item_list(app_, db::kSelectAllItems);
    app_.highlight.on = 1;
    app_.highlight.minimum = "1000000";  // every part is low
    itemlist::show_item_list(app_, db::kSelectAllItems);
    ASSERT_TRUE(wait_for_every_row());
    ASSERT_EQ(model().row_count(), parts_);
    for (const int row : {0, parts_ / 2, parts_ - 1}) {
        if (!model().cell(row, db::kQuantity).isEmpty()) {
            EXPECT_EQ(model().row_colour(row), app_.highlight.colour) << row;
        }
    }
}

TEST_F(BackgroundFill, ANewListGivesUpTheRestAndTheConnectionGoesOn) {
    start_up(app_);
    model().set_rows_at_once(kRowsAtOnce);
    itemlist::show_item_list(app_, db::kSelectAllItems);
    ASSERT_TRUE(model().rows_pending());
    itemlist::show_item_list(app_, db::kSelectAllItems);
    ASSERT_TRUE(model().rows_pending());
    // Its own first rows, not the earlier list's rest.
    EXPECT_LT(model().row_count(), parts_);
    ASSERT_TRUE(wait_for_every_row());
    EXPECT_EQ(model().row_count(), parts_);
    ASSERT_TRUE(app_.database.db_query(db::select_item("1")));
    EXPECT_TRUE(app_.database.db_first_row());
    app_.database.db_finish();
    EXPECT_TRUE(services_.calls.empty());
}

// A click on a tree's node shows the node's list at once: the rows still
// coming of the list it replaces are given up, not read first.
struct NodeClick {
    const char* name;
    int tree;
    int type;
};

void PrintTo(const NodeClick& click, std::ostream* out) { *out << click.name; }

class ClickDuringTheFill : public BackgroundFill, public ::testing::WithParamInterface<NodeClick> {};

TEST_P(ClickDuringTheFill, ShowsTheNodesListWithoutReadingTheRest) {
    const NodeClick click = GetParam();
    start_up_with_rest_coming();
    ASSERT_TRUE(model().rows_pending());
    trees::select_tree_node(trees::view_of(app_, click.tree), 1);
    const std::string path = trees::build_node_path(app_, click.tree).toStdString();
    const db::Statement section = db::select_items_under(trees::column_of(click.tree), path);

    // Rows of the old list read now would be appended to it first.
    int appended = 0;
    QObject::connect(&model(), &QAbstractItemModel::rowsInserted,
                     [&appended](const QModelIndex&, int first, int last) { appended += last - first + 1; });
    std::vector<detalehran::testing::TracedStatement> sent;
    detalehran::testing::trace_into(app_.database, sent);
    process_event(app_, Event{kControlEvent, kMainWindow, click.tree, click.type});
    app_.database.set_statement_observer({});
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();

    EXPECT_EQ(appended, 0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].text, section.text(app_.database.dialect()));
    EXPECT_FALSE(model().rows_pending());
    QStringList stored;
    ASSERT_TRUE(app_.database.db_query(section));
    while (app_.database.db_next_row()) stored << QString::fromStdString(app_.database.db_text(db::kId));
    app_.database.db_finish();
    ASSERT_FALSE(stored.isEmpty());
    ASSERT_LT(stored.size(), parts_);
    EXPECT_EQ(column(db::kId), stored);

    // The event loop brings nothing of the old list back, and a sort sorts
    // the node's rows as it always did.
    ASSERT_TRUE(wait_for_every_row());
    EXPECT_EQ(model().row_count(), stored.size());
    QHeaderView* header = list()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(db::kQuantity) + 5, header->height() / 2));
    const QStringList quantities = column(db::kQuantity);
    ASSERT_EQ(quantities.size(), stored.size());
    for (int r = 1; r < quantities.size(); ++r) ASSERT_LE(quantities[r - 1].toInt(), quantities[r].toInt()) << r;
    EXPECT_TRUE(services_.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Clicks, ClickDuringTheFill,
                         ::testing::Values(NodeClick{"SectionLeftClick", kPathTree, kLeftClick},
                                           NodeClick{"PlaceRightClick", kLocationTree, kRightClick}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackgroundFill, AnotherCommandStillWaitsForTheRest) {
    start_up_with_rest_coming();
    ASSERT_TRUE(model().rows_pending());
    process_event(app_, Event{kMenuEvent, kMainWindow, kMenuCheckAll});
    EXPECT_FALSE(model().rows_pending());
    ASSERT_EQ(model().row_count(), parts_);
    // Checked as the command ran: the last row was there already.
    EXPECT_TRUE(model().is_checked(parts_ - 1));
}

}  // namespace
