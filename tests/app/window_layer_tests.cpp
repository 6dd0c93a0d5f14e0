// The window layer: which Events it makes of Qt's clicks, keys, menu actions
// and close boxes, and when it delivers them.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "platform/window_layer.h"
#include "support/scripted_services.h"

namespace detalehran {
namespace {

constexpr int kWindow = 81;
constexpr int kTree = 0;
constexpr int kList = 1;
constexpr int kField = 48;
constexpr int kButton = 49;

// What the sink saw, with the state of the widgets at delivery time.
struct Seen {
    Event event;
    QString tree_node;
    int list_row = -1;
};

class WindowLayerTest : public ::testing::Test {
protected:
    WindowLayerTest() {
        window_.setWindowTitle("Окно");
        auto* column = new QVBoxLayout(&window_);
        tree_ = new QTreeWidget;
        tree_->setHeaderHidden(true);
        auto* root = new QTreeWidgetItem(tree_, QStringList("Все"));
        for (const char* name : {"Резисторы", "Конденсаторы"}) new QTreeWidgetItem(root, QStringList(name));
        tree_->expandAll();
        tree_->setCurrentItem(root);
        list_ = new QTreeView;
        list_->setModel(&rows_);
        list_->setSelectionBehavior(QAbstractItemView::SelectRows);
        for (const char* name : {"R1", "R2", "R3"}) rows_.append_row({name});
        field_ = new QLineEdit;
        button_ = new QPushButton("Кнопка");
        unnumbered_ = new QLineEdit;
        for (QWidget* widget : std::initializer_list<QWidget*>{tree_, list_, field_, button_, unnumbered_}) {
            column->addWidget(widget);
        }
        layer_.register_window(&window_, kWindow);
        layer_.register_control(tree_, kWindow, kTree);
        layer_.register_control(list_, kWindow, kList);
        layer_.register_control(field_, kWindow, kField);
        layer_.register_control(button_, kWindow, kButton);
        layer_.set_sink([this](const Event& event) {
            Seen seen;
            seen.event = event;
            if (tree_->currentItem() != nullptr) seen.tree_node = tree_->currentItem()->text(0);
            seen.list_row = list_->currentIndex().row();
            seen_.push_back(seen);
        });
        window_.resize(300, 500);
        window_.show();
        window_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
        QCoreApplication::processEvents();
        seen_.clear();  // showing the window reports its size
    }

    // The events seen, less size events.
    std::vector<Seen> delivered() {
        QCoreApplication::processEvents();
        std::vector<Seen> result;
        for (const Seen& seen : seen_) {
            if (seen.event.kind != kSizeEvent) result.push_back(seen);
        }
        seen_.clear();
        return result;
    }
    QPoint centre_of(QTreeWidgetItem* item) { return tree_->visualItemRect(item).center(); }

    QApplication& application_ = testing::test_application();  // before any widget
    ItemListModel rows_;
    QWidget window_;
    QTreeWidget* tree_ = nullptr;
    QTreeView* list_ = nullptr;
    QLineEdit* field_ = nullptr;
    QPushButton* button_ = nullptr;
    QLineEdit* unnumbered_ = nullptr;
    WindowLayer layer_;
    std::vector<Seen> seen_;
};

TEST_F(WindowLayerTest, RegisteringNumbersWidgetsAndTheirChildren) {
    EXPECT_EQ(window_.property("window").toInt(), kWindow);
    EXPECT_EQ(tree_->property("control").toInt(), kTree);
    EXPECT_EQ(tree_->objectName(), "control_0");
    EXPECT_EQ(WindowLayer::control_of(tree_->viewport()), kTree);
    EXPECT_EQ(WindowLayer::control_of(unnumbered_), -1);
    EXPECT_EQ(WindowLayer::control_of(nullptr), -1);
    EXPECT_EQ(WindowLayer::active_window(), kWindow);
    field_->setFocus();
    EXPECT_EQ(WindowLayer::focus_control(), kField);
}

// A drop-down reports the user's choice (a key here), never the program's.
TEST_F(WindowLayerTest, DropDownReportsOnlyTheUsersChoice) {
    auto* box = new QComboBox(&window_);
    box->addItems({"UTF-8", "Windows-1251"});
    layer_.register_control(box, kWindow, 132);
    box->setCurrentIndex(1);
    EXPECT_TRUE(delivered().empty());
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    const std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 2u);  // the key's own message, then the choice
    EXPECT_EQ(seen[1].event.kind, kControlEvent);
    EXPECT_EQ(seen[1].event.control, 132);
    EXPECT_EQ(seen[1].event.type, kValueChanged);
    EXPECT_EQ(box->currentIndex(), 0);
}

TEST_F(WindowLayerTest, RightClickSelectsTheNodeUnderThePointerBeforeItIsReported) {
    QTreeWidgetItem* second = tree_->topLevelItem(0)->child(1);
    QTest::mouseClick(tree_->viewport(), Qt::RightButton, {}, centre_of(second));
    std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.kind, kControlEvent);
    EXPECT_EQ(seen[0].event.window, kWindow);
    EXPECT_EQ(seen[0].event.control, kTree);
    EXPECT_EQ(seen[0].event.type, kRightClick);
    EXPECT_EQ(seen[0].event.active_window, kWindow);
    EXPECT_EQ(seen[0].tree_node, "Конденсаторы");

    // Empty space below the nodes: still reported, the selection stays.
    QTest::mouseClick(tree_->viewport(), Qt::RightButton, {}, QPoint(5, tree_->viewport()->height() - 3));
    seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.type, kRightClick);
    EXPECT_EQ(seen[0].tree_node, "Конденсаторы");
}

TEST_F(WindowLayerTest, LeftClicksAndDoubleClicksOnViewsAreReportedOnceEach) {
    QTreeWidgetItem* first = tree_->topLevelItem(0)->child(0);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, centre_of(first));
    std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.type, kLeftClick);
    EXPECT_EQ(seen[0].tree_node, "Резисторы");

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, QPoint(5, tree_->viewport()->height() - 3));
    seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.type, kLeftClick);

    // A double click as the window system sends it: press, release, double
    // click, release.
    const QPoint row = list_->visualRect(rows_.index(1, 0)).center();
    const QPoint global = list_->viewport()->mapToGlobal(row);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent mouse(type, row, global, Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(list_->viewport(), &mouse);
    }
    seen = delivered();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].event.type, kLeftClick);
    EXPECT_EQ(seen[1].event.type, kLeftDoubleClick);
    EXPECT_EQ(seen[1].event.control, kList);
    EXPECT_EQ(seen[1].list_row, 1);
}

TEST_F(WindowLayerTest, DownKeyIsDeliveredAfterTheListMovedItsSelection) {
    list_->setFocus();
    list_->setCurrentIndex(rows_.index(0, 0));
    QTest::keyClick(list_, Qt::Key_Down);
    EXPECT_TRUE(seen_.empty());  // not while the list is still handling the key
    const std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);  // Down makes no character
    EXPECT_EQ(seen[0].event.kind, kKeyDownMessage);
    EXPECT_EQ(seen[0].event.code, kKeyDown);
    EXPECT_EQ(seen[0].event.control, kList);
    EXPECT_EQ(seen[0].event.focus_control, kList);
    EXPECT_EQ(seen[0].list_row, 1);
}

TEST_F(WindowLayerTest, KeysThatMakeCharactersAreFollowedByACharacterMessage) {
    field_->setFocus();
    const struct {
        Qt::Key key;
        int down;
        int character;
    } keys[] = {{Qt::Key_A, 65, 'a'},
                {Qt::Key_5, 53, '5'},
                {Qt::Key_Return, 13, 13},
                {Qt::Key_Escape, 27, 27},
                {Qt::Key_Backspace, 8, 8}};
    for (const auto& key : keys) {
        SCOPED_TRACE(key.down);
        QTest::keyClick(field_, key.key);
        const std::vector<Seen> seen = delivered();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].event.kind, kKeyDownMessage);
        EXPECT_EQ(seen[0].event.code, key.down);
        EXPECT_EQ(seen[1].event.kind, kCharacterMessage);
        EXPECT_EQ(seen[1].event.code, key.character);
        EXPECT_EQ(seen[1].event.control, kField);
    }
    // A Cyrillic letter has no key code here, but its character counts.
    // Qt names such keys by their upper-case letter's code.
    QKeyEvent zhe(QEvent::KeyPress, 0x416, Qt::NoModifier, "ж");
    QCoreApplication::sendEvent(field_, &zhe);
    const std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.kind, kCharacterMessage);
    EXPECT_EQ(seen[0].event.code, 0x436);
    EXPECT_EQ(field_->text().right(1), "ж");
}

TEST_F(WindowLayerTest, KeysOutsideNumberedControlsAreNotReportedAndAPassedOnKeyCountsOnce) {
    unnumbered_->setFocus();
    QTest::keyClick(unnumbered_, Qt::Key_X);
    EXPECT_TRUE(delivered().empty());

    // A plain child ignores keys; Qt offers the key to its numbered parent.
    auto* child = new QWidget(field_);
    child->setFocusPolicy(Qt::StrongFocus);
    child->show();
    child->setFocus();
    QTest::keyClick(child, Qt::Key_F5);
    const std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.control, kField);
    EXPECT_EQ(seen[0].event.code, 116);
}

TEST_F(WindowLayerTest, ButtonsAndMenuItemsAreReportedAfterTheirSignal) {
    QTest::mouseClick(button_, Qt::LeftButton);
    std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.kind, kControlEvent);
    EXPECT_EQ(seen[0].event.control, kButton);
    EXPECT_EQ(seen[0].event.type, kLeftClick);

    QMenu menu;
    QAction* action = menu.addAction("Настройка отображения таблицы");
    layer_.register_menu_item(action, 4, 62);
    EXPECT_EQ(action->property("menu_item").toInt(), 62);
    action->trigger();
    EXPECT_TRUE(seen_.empty());
    seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.kind, kMenuEvent);
    EXPECT_EQ(seen[0].event.control, 62);
    EXPECT_EQ(seen[0].event.window, 4);
}

TEST_F(WindowLayerTest, CloseBoxIsReportedAndLeavesTheWindowOpenUntilTheProgramClosesIt) {
    // The close box reaches the platform window first, as this event.
    QCloseEvent close_box;
    QCoreApplication::sendEvent(window_.windowHandle(), &close_box);
    EXPECT_TRUE(window_.isVisible());
    std::vector<Seen> seen = delivered();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event.kind, kCloseEvent);
    EXPECT_EQ(seen[0].event.window, kWindow);

    EXPECT_FALSE(window_.close());
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(delivered().size(), 1u);

    EXPECT_TRUE(layer_.close_window(&window_));
    EXPECT_FALSE(window_.isVisible());
    EXPECT_TRUE(delivered().empty());
}

TEST_F(WindowLayerTest, SizeChangesOfARegisteredWindowAreReportedAtOnce) {
    window_.resize(400, 520);
    QTRY_VERIFY(!seen_.empty());
    EXPECT_EQ(seen_.back().event.kind, kSizeEvent);
    EXPECT_EQ(seen_.back().event.window, kWindow);
    seen_.clear();

    window_.showMaximized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_.isMaximized());
    window_.showNormal();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_.isMaximized());
    std::vector<int> kinds;
    for (const Seen& seen : delivered()) kinds.push_back(seen.event.kind);
    EXPECT_EQ(kinds, (std::vector<int>{kMaximizeEvent, kRestoreEvent}));
}

TEST(WindowLayerKeys, QtKeysMapToTheVirtualKeyCodes) {
    const std::pair<int, int> keys[] = {{Qt::Key_Up, 38},
                                        {Qt::Key_Down, 40},
                                        {Qt::Key_Left, 37},
                                        {Qt::Key_Right, 39},
                                        {Qt::Key_Return, 13},
                                        {Qt::Key_Enter, 13},
                                        {Qt::Key_Escape, 27},
                                        {Qt::Key_Delete, 46},
                                        {Qt::Key_A, 65},
                                        {Qt::Key_Z, 90},
                                        {Qt::Key_0, 48},
                                        {Qt::Key_9, 57},
                                        {Qt::Key_F1, 112},
                                        {Qt::Key_F12, 123},
                                        {Qt::Key_Home, 36},
                                        {Qt::Key_PageDown, 34},
                                        {0x410, 0}};
    for (const auto& [qt_key, code] : keys) EXPECT_EQ(WindowLayer::virtual_key(qt_key), code) << qt_key;
}

}  // namespace
}  // namespace detalehran
